// The module's table of creatable classes and the class factory that
// creates them.
//
// The module defines the table:
//   CFactoryTemplate g_Templates[] = {{L"Name", &CLSID_X, CreateX, nullptr, &setupX}, ...};
//   int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);
// Creation functions have the signature of LPFNNewCOMObject (stdcall on
// 32-bit Windows): they return a new object or null and set *phr on failure.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "framework/win/baseclasses/base_object.h"
#include "framework/win/baseclasses/setup.h"
#include "framework/win/baseclasses/unknown.h"

typedef CUnknown*(CALLBACK* LPFNNewCOMObject)(LPUNKNOWN pUnkOuter, HRESULT* phr);
// Called with TRUE at module load and FALSE at unload.
typedef void(CALLBACK* LPFNInitRoutine)(BOOL bLoading, const CLSID* rclsid);

class CFactoryTemplate {
 public:
  const WCHAR* m_Name;
  const CLSID* m_ClsID;
  LPFNNewCOMObject m_lpfnNew;
  LPFNInitRoutine m_lpfnInit;
  const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;

  BOOL IsClassID(REFCLSID rclsid) const { return IsEqualCLSID(*m_ClsID, rclsid); }
  CUnknown* CreateInstance(LPUNKNOWN pUnk, HRESULT* phr) const {
    CheckPointer(phr, nullptr);
    return m_lpfnNew(pUnk, phr);
  }
};

extern CFactoryTemplate g_Templates[];
extern int g_cTemplates;

// IClassFactory bound to one table entry.
//
// CreateInstance: E_POINTER for a null out-pointer; an outer unknown is only
// accepted together with IID_IUnknown (else E_NOINTERFACE, nothing created);
// a creation function that returns null fails with its code, or
// E_OUTOFMEMORY when the code claims success; an object whose construction
// reported failure is destroyed and the code returned. The new object gets a
// temporary non-delegating reference around its non-delegating
// QueryInterface, so an object that lacks the interface is destroyed again.
class CClassFactory : public IClassFactory, public CBaseObject {
 public:
  explicit CClassFactory(const CFactoryTemplate* pTemplate);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP CreateInstance(LPUNKNOWN pUnkOuter, REFIID riid, void** pv) override;
  // Counts module locks; a locked module cannot be unloaded.
  STDMETHODIMP LockServer(BOOL fLock) override;

  static BOOL IsLocked();

 private:
  volatile LONG m_cRef = 0;
  const CFactoryTemplate* const m_pTemplate;
  static volatile LONG m_cLocked;
};

// DllGetClassObject: rClsID must be in the table (CLASS_E_CLASSNOTAVAILABLE)
// and riid IID_IUnknown or IID_IClassFactory (E_NOINTERFACE).
STDAPI BaseDllGetClassObject(REFCLSID rClsID, REFIID riid, void** pv);
// DllCanUnloadNow: S_FALSE while the server is locked or objects are alive.
STDAPI BaseDllCanUnloadNow();

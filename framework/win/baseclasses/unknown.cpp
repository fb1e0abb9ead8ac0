#include "framework/win/baseclasses/unknown.h"

namespace {

// The non-delegating IUnknown used as an IUnknown (same vtable shape).
LPUNKNOWN AsUnknown(INonDelegatingUnknown* self) { return reinterpret_cast<LPUNKNOWN>(self); }

}  // namespace

CUnknown::CUnknown(LPCTSTR pName, LPUNKNOWN pUnk)
    : CBaseObject(pName),
      m_pUnknown(pUnk != nullptr ? pUnk : AsUnknown(static_cast<PNDUNKNOWN>(this))) {}

CUnknown::CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* /*phr*/) : CUnknown(pName, pUnk) {}

STDMETHODIMP CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IUnknown)) {
    return GetInterface(AsUnknown(static_cast<PNDUNKNOWN>(this)), ppv);
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingAddRef() {
  const LONG count = InterlockedIncrement(&m_cRef);
  return static_cast<ULONG>(count > 1 ? count : 1);
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingRelease() {
  const LONG count = InterlockedDecrement(&m_cRef);
  if (count == 0) {
    // Keep the count above zero while the destructor runs, so that an
    // AddRef/Release pair inside it cannot delete the object a second time.
    m_cRef = 1;
    delete this;
    return 0;
  }
  return static_cast<ULONG>(count > 1 ? count : 1);
}

HRESULT GetInterface(LPUNKNOWN pUnk, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  *ppv = pUnk;
  pUnk->AddRef();
  return NOERROR;
}

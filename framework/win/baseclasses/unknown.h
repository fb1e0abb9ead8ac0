// CUnknown: reference counting and interface lookup for objects that can be
// aggregated.
//
// Every object has two IUnknowns. The non-delegating one
// (INonDelegatingUnknown) owns the object's reference count and answers
// QueryInterface for the object itself. The delegating one, which every
// interface of the object exposes through DECLARE_IUNKNOWN, forwards to the
// owner: the outer object when aggregated, else the object's own
// non-delegating IUnknown. This keeps COM identity intact under aggregation.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "framework/win/baseclasses/base_object.h"
#include "framework/win/baseclasses/pointer_checks.h"

// Laid out like IUnknown so that it can stand in for the owner of a
// non-aggregated object.
struct INonDelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};
typedef INonDelegatingUnknown* PNDUNKNOWN;

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
 public:
  // pUnk is the outer unknown when aggregated, else null.
  CUnknown(LPCTSTR pName, LPUNKNOWN pUnk);
  CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
  ~CUnknown() override = default;

  // The IUnknown that the delegating methods forward to.
  LPUNKNOWN GetOwner() const { return m_pUnknown; }

  // Answers IUnknown only; derived classes add their interfaces and call this
  // for the rest.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  // Interlocked; the object deletes itself when the count reaches zero.
  STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
  STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

 protected:
  volatile LONG m_cRef = 0;

 private:
  const LPUNKNOWN m_pUnknown;
};

// Hands out an interface pointer with a reference added: *ppv = pUnk.
HRESULT GetInterface(LPUNKNOWN pUnk, void** ppv);

// The delegating IUnknown methods of a class derived from CUnknown.
#define DECLARE_IUNKNOWN                                               \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) {               \
    return GetOwner()->QueryInterface(riid, ppv);                      \
  }                                                                    \
  STDMETHODIMP_(ULONG) AddRef() { return GetOwner()->AddRef(); }       \
  STDMETHODIMP_(ULONG) Release() { return GetOwner()->Release(); }

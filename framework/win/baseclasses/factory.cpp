#include "framework/win/baseclasses/factory.h"

#include <new>

volatile LONG CClassFactory::m_cLocked = 0;

CClassFactory::CClassFactory(const CFactoryTemplate* pTemplate)
    : CBaseObject(nullptr), m_pTemplate(pTemplate) {}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return NOERROR;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
  const LONG count = InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

STDMETHODIMP CClassFactory::CreateInstance(LPUNKNOWN pUnkOuter, REFIID riid, void** pv) {
  CheckPointer(pv, E_POINTER);
  *pv = nullptr;
  // An aggregated object can only be handed to its outer object as its inner
  // (non-delegating) IUnknown.
  if (pUnkOuter != nullptr && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;

  HRESULT hr = NOERROR;
  CUnknown* object = m_pTemplate->CreateInstance(pUnkOuter, &hr);
  if (object == nullptr) return SUCCEEDED(hr) ? E_OUTOFMEMORY : hr;
  if (FAILED(hr)) {
    delete object;
    return hr;
  }
  object->NonDelegatingAddRef();
  hr = object->NonDelegatingQueryInterface(riid, pv);
  object->NonDelegatingRelease();
  return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL fLock) {
  if (fLock) {
    InterlockedIncrement(&m_cLocked);
  } else {
    InterlockedDecrement(&m_cLocked);
  }
  return NOERROR;
}

BOOL CClassFactory::IsLocked() { return InterlockedCompareExchange(&m_cLocked, 0, 0) > 0; }

STDAPI BaseDllGetClassObject(REFCLSID rClsID, REFIID riid, void** pv) {
  CheckPointer(pv, E_POINTER);
  *pv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  for (int i = 0; i < g_cTemplates; ++i) {
    const CFactoryTemplate* entry = &g_Templates[i];
    if (!entry->IsClassID(rClsID)) continue;
    CClassFactory* factory = new (std::nothrow) CClassFactory(entry);
    if (factory == nullptr) return E_OUTOFMEMORY;
    factory->AddRef();
    *pv = static_cast<IClassFactory*>(factory);
    return NOERROR;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI BaseDllCanUnloadNow() {
  if (CClassFactory::IsLocked() || CBaseObject::ObjectsActive() != 0) return S_FALSE;
  return S_OK;
}

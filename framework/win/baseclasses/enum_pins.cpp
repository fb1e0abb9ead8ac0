#include "framework/win/baseclasses/enum_pins.h"

#include <new>

#include "framework/win/baseclasses/base_filter.h"
#include "framework/win/baseclasses/base_pin.h"

CEnumPins::CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnumPins)
    : CBaseObject(nullptr), m_pFilter(pFilter) {
  m_pFilter->AddRef();
  if (pEnumPins != nullptr) {
    m_Position = pEnumPins->m_Position;
    m_PinCount = pEnumPins->m_PinCount;
    m_Version = pEnumPins->m_Version;
  } else {
    m_PinCount = m_pFilter->GetPinCount();
    m_Version = m_pFilter->GetPinVersion();
  }
}

CEnumPins::~CEnumPins() { m_pFilter->Release(); }

STDMETHODIMP CEnumPins::QueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IEnumPins) || IsEqualIID(riid, IID_IUnknown)) {
    *ppv = static_cast<IEnumPins*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumPins::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CEnumPins::Release() {
  const LONG count = InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

bool CEnumPins::OutOfSync() const { return m_pFilter->GetPinVersion() != m_Version; }

STDMETHODIMP CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) {
  CheckPointer(ppPins, E_POINTER);
  if (pcFetched == nullptr && cPins != 1) return E_INVALIDARG;
  if (pcFetched != nullptr) *pcFetched = 0;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG fetched = 0;
  while (fetched < cPins && m_Position < m_PinCount) {
    CBasePin* pin = m_pFilter->GetPin(m_Position++);
    if (pin == nullptr) continue;
    ppPins[fetched] = pin;
    pin->AddRef();
    ++fetched;
  }
  if (pcFetched != nullptr) *pcFetched = fetched;
  return fetched == cPins ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG cPins) {
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  const ULONG left = static_cast<ULONG>(m_PinCount - m_Position);
  if (cPins > left) {
    m_Position = m_PinCount;
    return S_FALSE;
  }
  m_Position += static_cast<int>(cPins);
  return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
  m_Version = m_pFilter->GetPinVersion();
  m_PinCount = m_pFilter->GetPinCount();
  m_Position = 0;
  return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** ppEnum) {
  CheckPointer(ppEnum, E_POINTER);
  *ppEnum = nullptr;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  *ppEnum = new (std::nothrow) CEnumPins(m_pFilter, this);
  return *ppEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}

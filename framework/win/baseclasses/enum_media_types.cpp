#include "framework/win/baseclasses/enum_media_types.h"

#include <new>

#include "framework/win/baseclasses/base_pin.h"
#include "framework/win/baseclasses/media_type.h"

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnumMediaTypes)
    : CBaseObject(nullptr), m_pPin(pPin) {
  m_pPin->AddRef();
  if (pEnumMediaTypes != nullptr) {
    m_Position = pEnumMediaTypes->m_Position;
    m_Version = pEnumMediaTypes->m_Version;
  } else {
    m_Version = m_pPin->GetMediaTypeVersion();
  }
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pPin->Release(); }

STDMETHODIMP CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IEnumMediaTypes) || IsEqualIID(riid, IID_IUnknown)) {
    *ppv = static_cast<IEnumMediaTypes*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::Release() {
  const LONG count = InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

bool CEnumMediaTypes::OutOfSync() const { return m_pPin->GetMediaTypeVersion() != m_Version; }

STDMETHODIMP CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes,
                                   ULONG* pcFetched) {
  CheckPointer(ppMediaTypes, E_POINTER);
  if (pcFetched == nullptr && cMediaTypes != 1) return E_INVALIDARG;
  if (pcFetched != nullptr) *pcFetched = 0;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG fetched = 0;
  while (fetched < cMediaTypes) {
    CMediaType type;
    if (m_pPin->GetMediaType(m_Position, &type) != S_OK) break;
    AM_MEDIA_TYPE* copy = CreateMediaType(&type);
    if (copy == nullptr) {
      // Hand back nothing rather than a partial list the caller cannot tell from a short one.
      for (ULONG i = 0; i < fetched; ++i) {
        DeleteMediaType(ppMediaTypes[i]);
        ppMediaTypes[i] = nullptr;
      }
      m_Position -= static_cast<int>(fetched);
      return E_OUTOFMEMORY;
    }
    ++m_Position;
    ppMediaTypes[fetched++] = copy;
  }
  if (pcFetched != nullptr) *pcFetched = fetched;
  return fetched == cMediaTypes ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG cMediaTypes) {
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  for (ULONG i = 0; i < cMediaTypes; ++i) {
    CMediaType type;
    if (m_pPin->GetMediaType(m_Position, &type) != S_OK) return S_FALSE;
    ++m_Position;
  }
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
  m_Position = 0;
  m_Version = m_pPin->GetMediaTypeVersion();
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum) {
  CheckPointer(ppEnum, E_POINTER);
  *ppEnum = nullptr;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  *ppEnum = new (std::nothrow) CEnumMediaTypes(m_pPin, this);
  return *ppEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}

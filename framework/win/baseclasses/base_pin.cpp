#include "framework/win/baseclasses/base_pin.h"

#include <new>

#include <uuids.h>

#include "framework/win/baseclasses/enum_media_types.h"

namespace {

// Connection failures that only say "not this type"; the others are worth
// reporting when no type could be agreed.
bool IsTypeRefusal(HRESULT hr) {
  return SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace

CBasePin::CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                   LPCWSTR pName, PIN_DIRECTION dir)
    : CUnknown(pObjectName, nullptr), m_dir(dir), m_pLock(pLock), m_pFilter(pFilter) {
  if (pName != nullptr) {
    const size_t length = static_cast<size_t>(lstrlenW(pName)) + 1;
    m_pName = new (std::nothrow) WCHAR[length];
    if (m_pName != nullptr) {
      CopyMemory(m_pName, pName, length * sizeof(WCHAR));
    } else if (phr != nullptr) {
      *phr = E_OUTOFMEMORY;
    }
  }
}

CBasePin::~CBasePin() {
  // A pin destroyed while connected would leave the peer pointing at it;
  // the filter is expected to be disconnected by its graph first, but the
  // reference must not leak either way.
  if (m_Connected != nullptr) {
    m_Connected->Release();
    m_Connected = nullptr;
  }
  delete[] m_pName;
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IPin)) return GetInterface(static_cast<IPin*>(this), ppv);
  if (IsEqualIID(riid, IID_IQualityControl)) {
    return GetInterface(static_cast<IQualityControl*>(this), ppv);
  }
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

// --- connecting -----------------------------------------------------------------

STDMETHODIMP CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
  CheckPointer(pReceivePin, E_POINTER);
  CAutoLock lock(m_pLock);
  if (m_Connected != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;

  CMediaType wanted;
  if (pmt != nullptr) {
    const HRESULT hr = wanted.Set(*pmt);
    if (FAILED(hr)) return hr;
  }
  return AgreeMediaType(pReceivePin, pmt != nullptr ? &wanted : nullptr);
}

HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt) {
  if (pmt != nullptr && !pmt->IsPartiallySpecified()) {
    return AttemptConnection(pReceivePin, pmt);
  }
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int pass = 0; pass < 2; ++pass) {
    const bool receiverTypes = (pass == 0) != m_bTryMyTypesFirst;
    IEnumMediaTypes* types = nullptr;
    const HRESULT hrEnum =
        receiverTypes ? pReceivePin->EnumMediaTypes(&types) : EnumMediaTypes(&types);
    if (FAILED(hrEnum) || types == nullptr) continue;
    const HRESULT hr = TryMediaTypes(pReceivePin, pmt, types);
    types->Release();
    if (SUCCEEDED(hr)) return NOERROR;
    if (hr != VFW_E_NO_ACCEPTABLE_TYPES && failure == VFW_E_NO_ACCEPTABLE_TYPES) failure = hr;
  }
  return failure;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum) {
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (;;) {
    AM_MEDIA_TYPE* offered = nullptr;
    ULONG fetched = 0;
    if (pEnum->Next(1, &offered, &fetched) != S_OK || fetched != 1 || offered == nullptr) break;
    CMediaType candidate;
    const HRESULT hrCopy = candidate.Set(*offered);
    DeleteMediaType(offered);
    if (FAILED(hrCopy)) return hrCopy;
    if (pmt != nullptr && !candidate.MatchesPartial(pmt)) continue;
    const HRESULT hr = AttemptConnection(pReceivePin, &candidate);
    if (SUCCEEDED(hr)) return hr;
    if (!IsTypeRefusal(hr) && failure == VFW_E_NO_ACCEPTABLE_TYPES) failure = hr;
  }
  return failure;
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt) {
  HRESULT hr = CheckConnect(pReceivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(pmt);
  if (hr == S_OK) {
    m_Connected = pReceivePin;
    m_Connected->AddRef();
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) {
      hr = pReceivePin->ReceiveConnection(static_cast<IPin*>(this), pmt);
      if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pReceivePin);
        if (SUCCEEDED(hr)) return hr;
        pReceivePin->Disconnect();
      }
    }
  } else if (IsTypeRefusal(hr)) {
    hr = VFW_E_TYPE_NOT_ACCEPTED;
  }
  if (m_Connected != nullptr) {
    m_Connected->Release();
    m_Connected = nullptr;
  }
  BreakConnect();
  return hr;
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
  CheckPointer(pConnector, E_POINTER);
  CheckPointer(pmt, E_POINTER);
  CAutoLock lock(m_pLock);
  if (m_Connected != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;

  HRESULT hr = CheckConnect(pConnector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  CMediaType type;
  hr = type.Set(*pmt);
  if (SUCCEEDED(hr)) hr = CheckMediaType(&type);
  if (hr != S_OK) {
    BreakConnect();
    return IsTypeRefusal(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  m_Connected = pConnector;
  m_Connected->AddRef();
  hr = SetMediaType(&type);
  if (SUCCEEDED(hr)) {
    hr = CompleteConnect(pConnector);
    if (SUCCEEDED(hr)) return NOERROR;
  }
  m_Connected->Release();
  m_Connected = nullptr;
  BreakConnect();
  return hr;
}

STDMETHODIMP CBasePin::Disconnect() {
  CAutoLock lock(m_pLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
  if (m_Connected == nullptr) return S_FALSE;
  const HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  m_Connected->Release();
  m_Connected = nullptr;
  return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** pPin) {
  CheckPointer(pPin, E_POINTER);
  // No filter lock: connections change only while the graph is stopped, and
  // a downstream filter asks for our peer (through the seeking pass-through)
  // from the streaming thread while Stop holds the filter lock and waits for
  // that thread -- locking here would deadlock the two.
  *pPin = m_Connected;
  if (m_Connected == nullptr) return VFW_E_NOT_CONNECTED;
  m_Connected->AddRef();
  return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
  CheckPointer(pmt, E_POINTER);
  CAutoLock lock(m_pLock);
  if (m_Connected == nullptr) {
    ZeroMemory(pmt, sizeof(*pmt));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(pmt, &m_mt);
}

HRESULT CBasePin::CheckConnect(IPin* pPin) {
  PIN_DIRECTION dir;
  const HRESULT hr = pPin->QueryDirection(&dir);
  if (FAILED(hr)) return hr;
  return dir == m_dir ? VFW_E_INVALID_DIRECTION : NOERROR;
}

HRESULT CBasePin::BreakConnect() { return NOERROR; }

HRESULT CBasePin::CompleteConnect(IPin* /*pReceivePin*/) { return NOERROR; }

HRESULT CBasePin::SetMediaType(const CMediaType* pmt) { return m_mt.Set(*pmt); }

HRESULT CBasePin::GetMediaType(int /*iPosition*/, CMediaType* /*pMediaType*/) {
  return E_UNEXPECTED;
}

// --- information ----------------------------------------------------------------

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
  CheckPointer(pInfo, E_POINTER);
  pInfo->pFilter = m_pFilter;
  m_pFilter->AddRef();
  if (m_pName != nullptr) {
    lstrcpynW(pInfo->achName, m_pName, MAX_PIN_NAME);
  } else {
    pInfo->achName[0] = L'\0';
  }
  pInfo->dir = m_dir;
  return NOERROR;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* pPinDir) {
  CheckPointer(pPinDir, E_POINTER);
  *pPinDir = m_dir;
  return NOERROR;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* Id) {
  CheckPointer(Id, E_POINTER);
  const WCHAR* name = m_pName != nullptr ? m_pName : L"";
  const size_t bytes = (static_cast<size_t>(lstrlenW(name)) + 1) * sizeof(WCHAR);
  *Id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*Id == nullptr) return E_OUTOFMEMORY;
  CopyMemory(*Id, name, bytes);
  return NOERROR;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
  CheckPointer(pmt, E_POINTER);
  CMediaType type;
  if (FAILED(type.Set(*pmt))) return E_OUTOFMEMORY;
  const HRESULT hr = CheckMediaType(&type);
  return hr == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
  CheckPointer(ppEnum, E_POINTER);
  *ppEnum = new (std::nothrow) CEnumMediaTypes(this, nullptr);
  return *ppEnum != nullptr ? NOERROR : E_OUTOFMEMORY;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin** /*apPin*/, ULONG* /*nPin*/) {
  return E_NOTIMPL;
}

LONG CBasePin::GetMediaTypeVersion() { return m_TypeVersion; }

void CBasePin::IncrementTypeVersion() { InterlockedIncrement(&m_TypeVersion); }

// --- streaming ------------------------------------------------------------------

STDMETHODIMP CBasePin::EndOfStream() { return S_OK; }

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  m_tStart = tStart;
  m_tStop = tStop;
  m_dRate = dRate;
  return S_OK;
}

HRESULT CBasePin::Active() { return NOERROR; }

HRESULT CBasePin::Inactive() {
  m_bRunTimeError = false;
  return NOERROR;
}

HRESULT CBasePin::Run(REFERENCE_TIME /*tStart*/) { return NOERROR; }

STDMETHODIMP CBasePin::Notify(IBaseFilter* /*pSender*/, Quality /*q*/) { return E_NOTIMPL; }

STDMETHODIMP CBasePin::SetSink(IQualityControl* piqc) {
  CAutoLock lock(m_pLock);
  m_pQSink = piqc;
  return NOERROR;
}

HRESULT CreateMemoryAllocator(IMemAllocator** ppAllocator) {
  CheckPointer(ppAllocator, E_POINTER);
  *ppAllocator = nullptr;
  return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IMemAllocator, reinterpret_cast<void**>(ppAllocator));
}

#include "framework/win/baseclasses/base_input_pin.h"

#include <evcode.h>

CBaseInputPin::CBaseInputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock,
                             HRESULT* phr, LPCWSTR pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() {
  if (m_pAllocator != nullptr) m_pAllocator->Release();
  DeleteMediaType(m_pSampleType);
}

STDMETHODIMP CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IMemInputPin)) {
    return GetInterface(static_cast<IMemInputPin*>(this), ppv);
  }
  return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

// --- allocator ------------------------------------------------------------------

STDMETHODIMP CBaseInputPin::GetAllocator(IMemAllocator** ppAllocator) {
  CheckPointer(ppAllocator, E_POINTER);
  CAutoLock lock(m_pLock);
  *ppAllocator = nullptr;
  if (m_pAllocator == nullptr) {
    const HRESULT hr = CreateMemoryAllocator(&m_pAllocator);
    if (FAILED(hr)) return hr;
  }
  *ppAllocator = m_pAllocator;
  m_pAllocator->AddRef();
  return NOERROR;
}

STDMETHODIMP CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
  CheckPointer(pAllocator, E_POINTER);
  CAutoLock lock(m_pLock);
  pAllocator->AddRef();
  if (m_pAllocator != nullptr) m_pAllocator->Release();
  m_pAllocator = pAllocator;
  m_bReadOnly = static_cast<BYTE>(bReadOnly != FALSE);
  return NOERROR;
}

STDMETHODIMP CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* /*pProps*/) {
  return E_NOTIMPL;
}

HRESULT CBaseInputPin::BreakConnect() {
  if (m_pAllocator != nullptr) {
    m_pAllocator->Release();
    m_pAllocator = nullptr;
  }
  return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
  m_bRunTimeError = false;
  if (m_pAllocator == nullptr) return VFW_E_NO_ALLOCATOR;
  m_bFlushing = FALSE;
  return m_pAllocator->Decommit();
}

// --- streaming ------------------------------------------------------------------

HRESULT CBaseInputPin::CheckStreaming() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (m_bFlushing) return S_FALSE;
  if (m_bRunTimeError) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

HRESULT CBaseInputPin::ReadSampleProperties(IMediaSample* pSample) {
  DeleteMediaType(m_pSampleType);
  m_pSampleType = nullptr;

  IMediaSample2* sample2 = nullptr;
  if (SUCCEEDED(pSample->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&sample2)))) {
    const HRESULT hr = sample2->GetProperties(sizeof(m_SampleProps),
                                              reinterpret_cast<BYTE*>(&m_SampleProps));
    sample2->Release();
    return hr;
  }

  // Samples without IMediaSample2: assemble the same record.
  AM_SAMPLE2_PROPERTIES& props = m_SampleProps;
  props = AM_SAMPLE2_PROPERTIES();
  props.cbData = sizeof(props);
  props.dwStreamId = AM_STREAM_MEDIA;
  const HRESULT hrTime = pSample->GetTime(&props.tStart, &props.tStop);
  if (SUCCEEDED(hrTime)) {
    props.dwSampleFlags |= AM_SAMPLE_TIMEVALID;
    if (hrTime != VFW_S_NO_STOP_TIME) props.dwSampleFlags |= AM_SAMPLE_STOPVALID;
  }
  if (pSample->IsSyncPoint() == S_OK) props.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
  if (pSample->IsPreroll() == S_OK) props.dwSampleFlags |= AM_SAMPLE_PREROLL;
  if (pSample->IsDiscontinuity() == S_OK) props.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
  if (pSample->GetMediaType(&m_pSampleType) == S_OK && m_pSampleType != nullptr) {
    props.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
    props.pMediaType = m_pSampleType;
  }
  props.lActual = pSample->GetActualDataLength();
  props.cbBuffer = pSample->GetSize();
  pSample->GetPointer(&props.pbBuffer);
  return S_OK;
}

STDMETHODIMP CBaseInputPin::Receive(IMediaSample* pSample) {
  CheckPointer(pSample, E_POINTER);
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  hr = ReadSampleProperties(pSample);
  if (FAILED(hr)) return hr;

  if ((m_SampleProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0 &&
      m_SampleProps.pMediaType != nullptr) {
    // Copying the type allocates, but only when the format changes mid-stream.
    CMediaType type;
    hr = type.Set(*m_SampleProps.pMediaType);
    if (SUCCEEDED(hr)) hr = CheckMediaType(&type);
    if (hr != S_OK) {
      EndOfStream();
      m_pFilter->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
      m_bRunTimeError = true;
      return VFW_E_INVALIDMEDIATYPE;
    }
  }
  return S_OK;
}

STDMETHODIMP CBaseInputPin::ReceiveMultiple(IMediaSample** pSamples, long nSamples,
                                            long* nSamplesProcessed) {
  CheckPointer(pSamples, E_POINTER);
  CheckPointer(nSamplesProcessed, E_POINTER);
  *nSamplesProcessed = 0;
  HRESULT hr = S_OK;
  for (long i = 0; i < nSamples; ++i) {
    hr = Receive(pSamples[i]);
    if (hr != S_OK) break;
    ++*nSamplesProcessed;
  }
  return hr;
}

STDMETHODIMP CBaseInputPin::ReceiveCanBlock() {
  const int count = m_pFilter->GetPinCount();
  int outputs = 0;
  for (int i = 0; i < count; ++i) {
    CBasePin* pin = m_pFilter->GetPin(i);
    if (pin == nullptr) continue;
    PIN_DIRECTION dir;
    if (FAILED(pin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) continue;
    ++outputs;
    IPin* peer = pin->GetConnected();
    if (peer == nullptr) continue;
    IMemInputPin* input = nullptr;
    if (FAILED(peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)))) {
      return S_OK;
    }
    const HRESULT hr = input->ReceiveCanBlock();
    input->Release();
    if (hr != S_FALSE) return S_OK;
  }
  return outputs == 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CBaseInputPin::BeginFlush() {
  CAutoLock lock(m_pLock);
  m_bFlushing = TRUE;
  return S_OK;
}

STDMETHODIMP CBaseInputPin::EndFlush() {
  CAutoLock lock(m_pLock);
  m_bFlushing = FALSE;
  m_bRunTimeError = false;
  return S_OK;
}

// --- quality --------------------------------------------------------------------

STDMETHODIMP CBaseInputPin::Notify(IBaseFilter* /*pSender*/, Quality /*q*/) { return S_OK; }

HRESULT CBaseInputPin::PassNotify(Quality& q) {
  if (m_pQSink != nullptr) return m_pQSink->Notify(m_pFilter, q);
  if (m_Connected == nullptr) return VFW_E_NOT_FOUND;
  IQualityControl* upstream = nullptr;
  if (FAILED(m_Connected->QueryInterface(IID_IQualityControl,
                                         reinterpret_cast<void**>(&upstream)))) {
    return VFW_E_NOT_FOUND;
  }
  const HRESULT hr = upstream->Notify(m_pFilter, q);
  upstream->Release();
  return hr;
}

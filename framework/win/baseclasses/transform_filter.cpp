#include "framework/win/baseclasses/transform_filter.h"

#include <evcode.h>

#include <new>

CTransformFilter::CTransformFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid)
    : CBaseFilter(pName, pUnk, &m_csFilter, clsid) {}

CTransformFilter::~CTransformFilter() {
  delete m_pInput;
  delete m_pOutput;
}

int CTransformFilter::GetPinCount() { return 2; }

CBasePin* CTransformFilter::GetPin(int n) {
  if (m_pInput == nullptr) {
    HRESULT hr = S_OK;
    m_pInput = new (std::nothrow) CTransformInputPin(nullptr, this, &hr, L"XForm In");
    if (m_pInput != nullptr && FAILED(hr)) {
      delete m_pInput;
      m_pInput = nullptr;
    }
    if (m_pInput == nullptr) return nullptr;
    m_pOutput = new (std::nothrow) CTransformOutputPin(nullptr, this, &hr, L"XForm Out");
    if (m_pOutput != nullptr && FAILED(hr)) {
      delete m_pOutput;
      m_pOutput = nullptr;
    }
    if (m_pOutput == nullptr) {
      delete m_pInput;
      m_pInput = nullptr;
      return nullptr;
    }
  }
  if (n == 0) return m_pInput;
  if (n == 1) return m_pOutput;
  return nullptr;
}

STDMETHODIMP CTransformFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
  CheckPointer(ppPin, E_POINTER);
  *ppPin = nullptr;
  CheckPointer(Id, E_POINTER);
  CBasePin* pin = nullptr;
  if (lstrcmpW(Id, L"In") == 0) {
    pin = GetPin(0);
  } else if (lstrcmpW(Id, L"Out") == 0) {
    pin = GetPin(1);
  }
  if (pin == nullptr) return CBaseFilter::FindPin(Id, ppPin);
  *ppPin = pin;
  pin->AddRef();
  return S_OK;
}

// --- state ----------------------------------------------------------------------

STDMETHODIMP CTransformFilter::Stop() {
  CAutoLock filterLock(&m_csFilter);
  if (m_State == State_Stopped) return NOERROR;

  if (m_pInput == nullptr || !m_pInput->IsConnected() || m_pOutput == nullptr ||
      !m_pOutput->IsConnected()) {
    m_State = State_Stopped;
    m_bEOSDelivered = false;
    return NOERROR;
  }

  // Refuse new samples first, then wait for the one in progress.
  m_pInput->Inactive();
  CAutoLock receiveLock(&m_csReceive);
  m_pOutput->Inactive();
  const HRESULT hr = StopStreaming();
  if (SUCCEEDED(hr)) {
    m_State = State_Stopped;
    m_bEOSDelivered = false;
  }
  return hr;
}

STDMETHODIMP CTransformFilter::Pause() {
  CAutoLock filterLock(&m_csFilter);
  HRESULT hr = NOERROR;
  if (m_State == State_Paused) {
    // Nothing to do.
  } else if (m_pInput == nullptr || !m_pInput->IsConnected()) {
    // No input will ever arrive: tell downstream so that it does not wait.
    if (m_pOutput != nullptr && m_pOutput->IsConnected() && !m_bEOSDelivered) {
      m_pOutput->DeliverEndOfStream();
      m_bEOSDelivered = true;
    }
    m_State = State_Paused;
  } else if (m_pOutput == nullptr || !m_pOutput->IsConnected()) {
    m_State = State_Paused;
  } else {
    const bool starting = m_State == State_Stopped;
    if (starting) {
      CAutoLock receiveLock(&m_csReceive);
      hr = StartStreaming();
    }
    if (SUCCEEDED(hr)) {
      hr = CBaseFilter::Pause();
      if (FAILED(hr) && starting) {
        // The pins could not be activated: undo the start so that nothing
        // stays allocated while the filter remains stopped.
        m_pInput->Inactive();
        m_pOutput->Inactive();
        CAutoLock receiveLock(&m_csReceive);
        StopStreaming();
      }
    }
  }
  m_bSampleSkipped = false;
  m_bQualityChanged = false;
  return hr;
}

// --- defaults for derived filters -------------------------------------------------

HRESULT CTransformFilter::Transform(IMediaSample* /*pIn*/, IMediaSample* /*pOut*/) {
  return E_UNEXPECTED;
}

HRESULT CTransformFilter::StartStreaming() { return NOERROR; }

HRESULT CTransformFilter::StopStreaming() { return NOERROR; }

HRESULT CTransformFilter::AlterQuality(Quality /*q*/) { return S_FALSE; }

HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION /*direction*/, const CMediaType* /*pmt*/) {
  return NOERROR;
}

HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION /*dir*/, IPin* /*pPin*/) { return NOERROR; }

HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION /*dir*/) { return NOERROR; }

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION /*direction*/, IPin* /*pReceivePin*/) {
  return NOERROR;
}

// --- streaming ------------------------------------------------------------------

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* pSample,
                                                 IMediaSample** ppOutSample) {
  CheckPointer(ppOutSample, E_POINTER);
  *ppOutSample = nullptr;
  const AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
  const bool timeValid = (props->dwSampleFlags & AM_SAMPLE_TIMEVALID) != 0;
  const bool stopValid = (props->dwSampleFlags & AM_SAMPLE_STOPVALID) != 0;

  DWORD flags = m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0;
  if ((props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT) == 0) flags |= AM_GBF_NOTASYNCPOINT;
  REFERENCE_TIME start = props->tStart;
  REFERENCE_TIME stop = props->tStop;
  IMediaSample* out = nullptr;
  HRESULT hr = m_pOutput->GetDeliveryBuffer(&out, timeValid ? &start : nullptr,
                                            stopValid ? &stop : nullptr, flags);
  if (FAILED(hr)) return hr;

  if (timeValid) out->SetTime(&start, stopValid ? &stop : nullptr);
  out->SetSyncPoint((props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT) != 0);
  out->SetDiscontinuity((props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) != 0 ||
                        m_bSampleSkipped);
  out->SetPreroll((props->dwSampleFlags & AM_SAMPLE_PREROLL) != 0);
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  if (pSample->GetMediaTime(&mediaStart, &mediaStop) == S_OK) {
    out->SetMediaTime(&mediaStart, &mediaStop);
  }
  *ppOutSample = out;
  return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* pSample) {
  const AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
  if (props->dwStreamId != AM_STREAM_MEDIA) return m_pOutput->Deliver(pSample);

  IMediaSample* out = nullptr;
  HRESULT hr = InitializeOutputSample(pSample, &out);
  if (FAILED(hr)) return hr;
  hr = Transform(pSample, out);
  if (hr == S_OK) {
    hr = m_pOutput->Deliver(out);
    m_bSampleSkipped = false;
  } else if (hr == S_FALSE) {
    // Dropped on purpose; the next delivered sample carries a discontinuity.
    m_bSampleSkipped = true;
    if (!m_bQualityChanged) {
      NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
      m_bQualityChanged = true;
    }
    hr = NOERROR;
  }
  out->Release();
  return hr;
}

HRESULT CTransformFilter::EndOfStream() {
  if (m_pOutput == nullptr) return NOERROR;
  return m_pOutput->DeliverEndOfStream();
}

HRESULT CTransformFilter::BeginFlush() {
  if (m_pOutput == nullptr) return NOERROR;
  return m_pOutput->DeliverBeginFlush();
}

HRESULT CTransformFilter::EndFlush() {
  if (m_pOutput == nullptr) return NOERROR;
  return m_pOutput->DeliverEndFlush();
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  if (m_pOutput == nullptr) return NOERROR;
  return m_pOutput->DeliverNewSegment(tStart, tStop, dRate);
}

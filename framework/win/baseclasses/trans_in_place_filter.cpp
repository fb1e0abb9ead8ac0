#include "framework/win/baseclasses/trans_in_place_filter.h"

#include <evcode.h>

#include <cstring>
#include <new>

CTransInPlaceFilter::CTransInPlaceFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid,
                                         HRESULT* /*phr*/, bool bModifiesData)
    : CTransformFilter(pName, pUnk, clsid), m_bModifiesData(bModifiesData) {}

CBasePin* CTransInPlaceFilter::GetPin(int n) {
  if (m_pInput == nullptr) {
    HRESULT hr = S_OK;
    m_pInput = new (std::nothrow) CTransInPlaceInputPin(nullptr, this, &hr, L"Input");
    if (m_pInput != nullptr && FAILED(hr)) {
      delete m_pInput;
      m_pInput = nullptr;
    }
    if (m_pInput == nullptr) return nullptr;
    m_pOutput = new (std::nothrow) CTransInPlaceOutputPin(nullptr, this, &hr, L"Output");
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

HRESULT CTransInPlaceFilter::GetMediaType(int /*iPosition*/, CMediaType* /*pMediaType*/) {
  return E_UNEXPECTED;
}

HRESULT CTransInPlaceFilter::CheckTransform(const CMediaType* /*mtIn*/,
                                            const CMediaType* /*mtOut*/) {
  return S_OK;
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator* pAlloc,
                                              ALLOCATOR_PROPERTIES* pProperties) {
  CheckPointer(pAlloc, E_POINTER);
  CheckPointer(pProperties, E_POINTER);
  ALLOCATOR_PROPERTIES request = {1, 1, 1, 0};
  const bool inputKnown = m_pInput != nullptr && m_pInput->IsConnected() &&
                          m_pInput->PeekAllocator() != nullptr;
  if (inputKnown) {
    const HRESULT hr = m_pInput->PeekAllocator()->GetProperties(&request);
    if (FAILED(hr)) return hr;
  }
  // Downstream's own requirements still count.
  if (pProperties->cBuffers > request.cBuffers) request.cBuffers = pProperties->cBuffers;
  if (pProperties->cbBuffer > request.cbBuffer) request.cbBuffer = pProperties->cbBuffer;
  if (pProperties->cbAlign > request.cbAlign) request.cbAlign = pProperties->cbAlign;
  if (pProperties->cbPrefix > request.cbPrefix) request.cbPrefix = pProperties->cbPrefix;
  if (request.cbAlign < 1) request.cbAlign = 1;

  ALLOCATOR_PROPERTIES actual = {};
  const HRESULT hr = pAlloc->SetProperties(&request, &actual);
  if (FAILED(hr)) return hr;
  *pProperties = actual;
  // Copies of input samples must fit.
  if (inputKnown && actual.cbBuffer < request.cbBuffer) return E_FAIL;
  return S_OK;
}

HRESULT CTransInPlaceFilter::CompleteConnect(PIN_DIRECTION dir, IPin* /*pReceivePin*/) {
  CAutoLock lock(&m_csFilter);
  if (dir == PINDIR_OUTPUT) {
    if (m_pInput != nullptr && m_pInput->IsConnected() &&
        m_pOutput->CurrentMediaType() != m_pInput->CurrentMediaType()) {
      return ReconnectPin(m_pInput, &m_pOutput->CurrentMediaType());
    }
    return S_OK;
  }
  if (m_pOutput != nullptr && m_pOutput->IsConnected() &&
      m_pInput->CurrentMediaType() != m_pOutput->CurrentMediaType()) {
    return ReconnectPin(m_pOutput, &m_pInput->CurrentMediaType());
  }
  return S_OK;
}

bool CTransInPlaceFilter::UsingDifferentAllocators() const {
  return InputPin()->PeekAllocator() != OutputPin()->PeekAllocator();
}

IMediaSample* CTransInPlaceFilter::Copy(IMediaSample* pSource) {
  const AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
  const bool timeValid = (props->dwSampleFlags & AM_SAMPLE_TIMEVALID) != 0;
  const bool stopValid = (props->dwSampleFlags & AM_SAMPLE_STOPVALID) != 0;
  DWORD flags = m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0;
  if ((props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT) == 0) flags |= AM_GBF_NOTASYNCPOINT;
  REFERENCE_TIME start = props->tStart;
  REFERENCE_TIME stop = props->tStop;

  IMediaSample* dest = nullptr;
  if (FAILED(m_pOutput->GetDeliveryBuffer(&dest, timeValid ? &start : nullptr,
                                          stopValid ? &stop : nullptr, flags))) {
    return nullptr;
  }
  const long length = pSource->GetActualDataLength();
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  if (length > dest->GetSize() || FAILED(pSource->GetPointer(&from)) ||
      FAILED(dest->GetPointer(&to))) {
    dest->Release();
    return nullptr;
  }
  if (length > 0) std::memcpy(to, from, static_cast<size_t>(length));
  dest->SetActualDataLength(length);

  if (timeValid) dest->SetTime(&start, stopValid ? &stop : nullptr);
  dest->SetSyncPoint((props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT) != 0);
  dest->SetDiscontinuity((props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) != 0 ||
                         m_bSampleSkipped);
  dest->SetPreroll((props->dwSampleFlags & AM_SAMPLE_PREROLL) != 0);
  if ((props->dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0 && props->pMediaType != nullptr) {
    dest->SetMediaType(props->pMediaType);
  }
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  if (pSource->GetMediaTime(&mediaStart, &mediaStop) == S_OK) {
    dest->SetMediaTime(&mediaStart, &mediaStop);
  }
  return dest;
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* pSample) {
  const AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
  if (props->dwStreamId != AM_STREAM_MEDIA) return m_pOutput->Deliver(pSample);

  IMediaSample* target = pSample;
  const bool copy =
      UsingDifferentAllocators() || (m_bModifiesData && InputPin()->ReadOnly());
  if (copy) {
    target = Copy(pSample);
    if (target == nullptr) return E_UNEXPECTED;
  }
  HRESULT hr = Transform(target);
  if (hr == S_OK) {
    hr = m_pOutput->Deliver(target);
    m_bSampleSkipped = false;
  } else if (hr == S_FALSE) {
    m_bSampleSkipped = true;
    if (!m_bQualityChanged) {
      NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
      m_bQualityChanged = true;
    }
    hr = NOERROR;
  }
  if (copy) target->Release();
  return hr;
}

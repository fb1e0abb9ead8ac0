#include "framework/win/effect_filter.h"

#include <cstring>

using orlofx::WaveFormat;

namespace {

constexpr long kMinimumOutputBuffer = 512;

bool ChannelsSupported(unsigned channels) { return channels == 1 || channels == 2; }

}  // namespace

CAkEffectFilter::CAkEffectFilter(LPUNKNOWN outer, orlofx::EffectProcessor& processor,
                                 const EffectDescription& description,
                                 const AMOVIESETUP_FILTER* setup)
    : CAkEffectFrame(outer, processor, description, setup) {}

CAkEffectFilter::~CAkEffectFilter() = default;

// --- pins and media types -----------------------------------------------------

CBasePin* CAkEffectFilter::GetPin(int n) {
  if (!m_pInput) {
    HRESULT hr = S_OK;
    m_pInput = new (std::nothrow) CAkEffectInputPin(this, &hr);
    if (m_pInput && FAILED(hr)) {
      delete m_pInput;
      m_pInput = nullptr;
    }
    if (m_pInput) {
      hr = S_OK;
      m_pOutput = new (std::nothrow) CTransformOutputPin(L"Output pin", this, &hr, L"Output");
      if (m_pOutput && FAILED(hr)) {
        delete m_pOutput;
        m_pOutput = nullptr;
      }
    }
  }
  if (n == 0) return m_pInput;
  if (n == 1) return m_pOutput;
  return nullptr;
}

HRESULT CAkEffectFilter::Transform(IMediaSample*, IMediaSample*) { return E_INVALIDARG; }

HRESULT CAkEffectFilter::CheckInputType(const CMediaType* type) {
  return CheckEffectInputType(type);
}

HRESULT CAkEffectFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  const WAVEFORMATEX* a = AudioFormatOf(in);
  const WAVEFORMATEX* b = AudioFormatOf(out);
  if (!a || !b) return E_INVALIDARG;
  if (a->wFormatTag != b->wFormatTag || a->wBitsPerSample != b->wBitsPerSample ||
      a->nSamplesPerSec != b->nSamplesPerSec || a->nChannels != b->nChannels)
    return E_INVALIDARG;
  return ChannelsSupported(a->nChannels) ? S_OK : E_INVALIDARG;
}

HRESULT CAkEffectFilter::CheckInputPinType(const CMediaType* type) {
  HRESULT hr = CheckInputType(type);
  if (FAILED(hr)) return hr;
  if (!m_pOutput || !m_pOutput->IsConnected()) return S_OK;
  if (SUCCEEDED(CheckTransform(type, &m_pOutput->CurrentMediaType()))) return S_OK;
  // A new input format is fine when the downstream filter takes the matching
  // output format.
  CMediaType offer(*type);
  WaveFormat normalised = NormalisedCopy(AudioFormatOf(type));
  offer.SetFormat(reinterpret_cast<BYTE*>(&normalised), sizeof normalised);
  return m_pOutput->GetConnected()->QueryAccept(&offer);
}

HRESULT CAkEffectFilter::GetMediaType(int position, CMediaType* type) {
  if (!m_pInput || !m_pInput->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *type = m_pInput->CurrentMediaType();
  const WAVEFORMATEX* wf = AudioFormatOf(type);
  if (!wf) return S_FALSE;
  WaveFormat normalised = NormalisedCopy(wf);
  if (!type->SetFormat(reinterpret_cast<BYTE*>(&normalised), sizeof normalised)) return E_OUTOFMEMORY;
  return ChannelsSupported(normalised.channels) ? S_OK : S_FALSE;
}

HRESULT CAkEffectFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  // Output buffers mirror the input buffers.
  if (m_pInput && m_pInput->IsConnected()) {
    IMemAllocator* upstream = m_pInput->PeekAllocator();
    if (upstream) upstream->GetProperties(request);
  }
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  *request = actual;
  return actual.cbBuffer < kMinimumOutputBuffer ? E_FAIL : hr;
}

HRESULT CAkEffectFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
  const WAVEFORMATEX* wf = AudioFormatOf(type);
  if (wf) {
    if (direction == PINDIR_INPUT) {
      inputFormat_ = NormalisedCopy(wf);
      hasInputFormat_ = true;
    } else {
      outputFormat_ = NormalisedCopy(wf);
      hasOutputFormat_ = true;
    }
  }
  CTransformFilter::SetMediaType(direction, type);
  processor_.SetFormats(hasInputFormat_ ? &inputFormat_ : nullptr,
                        hasOutputFormat_ ? &outputFormat_ : nullptr);
  processor_.Notify(direction == PINDIR_INPUT ? 0 : 1);
  return S_OK;
}

HRESULT CAkEffectFilter::CompleteConnect(PIN_DIRECTION direction, IPin* pin) {
  if (direction == PINDIR_OUTPUT) return S_OK;
  if (m_pOutput && m_pOutput->IsConnected() &&
      FAILED(CheckTransform(&m_pInput->CurrentMediaType(), &m_pOutput->CurrentMediaType()))) {
    if (!m_pGraph) return VFW_E_NOT_IN_GRAPH;
    return m_pGraph->Reconnect(m_pOutput);
  }
  return S_OK;
}

// --- streaming ----------------------------------------------------------------

HRESULT CAkEffectFilter::StartStreaming() {
  if (!hasInputFormat_ || !hasOutputFormat_) return E_FAIL;
  streamInput_ = inputFormat_;
  streamOutput_ = outputFormat_;
  outputTypePending_ = false;
  return processor_.Prepare(streamInput_, streamOutput_);
}

HRESULT CAkEffectFilter::StopStreaming() {
  processor_.Release();
  return S_OK;
}

// Stamps a sample holding `frames` produced frames with the next stretch of
// the output time line, carries pending marks, and delivers it.
HRESULT CAkEffectFilter::DeliverProduced(IMediaSample* out, std::uint32_t frames, bool stamp) {
  if (stamp) {
    if (discontinuityPending_) {
      out->SetDiscontinuity(TRUE);
      discontinuityPending_ = false;
    } else {
      nextStart_ = nextStop_;
      nextMediaStart_ = nextMediaStop_;
    }
    const double rate = streamOutput_.samplesPerSec;
    REFERENCE_TIME duration =
        rate > 0 ? static_cast<REFERENCE_TIME>(frames / rate * 10000000.0 + 0.5) : 0;
    nextStop_ = nextStart_ + duration;
    nextMediaStop_ = nextMediaStart_ + frames;
    out->SetTime(&nextStart_, &nextStop_);
    out->SetMediaTime(&nextMediaStart_, &nextMediaStop_);
    nextStart_ = nextStop_;
    nextMediaStart_ = nextMediaStop_;
    if (syncPointPending_) {
      out->SetSyncPoint(TRUE);
      syncPointPending_ = false;
    }
  }
  if (outputTypePending_) {
    // Copying the type allocates, but only once per format change.
    CMediaType type(m_pOutput->CurrentMediaType());
    out->SetMediaType(&type);
    outputTypePending_ = false;
  }
  out->SetActualDataLength(static_cast<long>(frames * streamOutput_.blockAlign));
  return m_pOutput->Deliver(out);
}

HRESULT CAkEffectFilter::AcceptSampleType(const AM_MEDIA_TYPE& announced) {
  CMediaType type;
  // Copying allocates, but only when a sample announces a format.
  HRESULT hr = type.Set(announced);
  if (FAILED(hr)) return hr;
  const WAVEFORMATEX* wf = AudioFormatOf(&type);
  if (!wf || CheckInputPinType(&type) != S_OK) return VFW_E_INVALIDMEDIATYPE;
  WaveFormat next = NormalisedCopy(wf);
  if (SameFormat(next, inputFormat_) && SameFormat(next, outputFormat_)) return S_OK;
  hr = m_pInput->SetMediaType(&type);
  if (FAILED(hr) || SameFormat(next, outputFormat_)) return hr;
  // Output and input formats are always the same: the output follows, and
  // the downstream pin has accepted it (CheckInputPinType).
  CMediaType output(type);
  if (!output.SetFormat(reinterpret_cast<BYTE*>(&next), sizeof next)) return E_OUTOFMEMORY;
  return m_pOutput->SetMediaType(&output);
}

HRESULT CAkEffectFilter::FollowStoredFormats(bool drain) {
  if (SameFormat(inputFormat_, streamInput_) && SameFormat(outputFormat_, streamOutput_))
    return S_OK;
  if (drain) {
    bool noBuffer = false;
    HRESULT hr = Drain(&noBuffer);
    if (FAILED(hr)) return hr;
  }
  processor_.Release();
  const bool outputChanged = !SameFormat(outputFormat_, streamOutput_);
  streamInput_ = inputFormat_;
  streamOutput_ = outputFormat_;
  // Only now: the drained audio went out in the old format, unmarked.
  if (outputChanged) outputTypePending_ = true;
  // On failure the processor stays unprepared and refuses every later call.
  return PrepareMidStream(streamInput_, streamOutput_);
}

HRESULT CAkEffectFilter::Drain(bool* noBuffer) {
  *noBuffer = false;
  const long outAlign = streamOutput_.blockAlign;
  if (outAlign <= 0) return S_OK;
  for (;;) {
    IMediaSample* out = nullptr;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
    if (FAILED(hr)) {
      *noBuffer = true;
      return hr;
    }
    BYTE* outData = nullptr;
    out->GetPointer(&outData);
    std::uint32_t inFrames = 0;
    std::uint32_t outFrames = static_cast<std::uint32_t>(out->GetSize() / outAlign);
    HRESULT result = processor_.Process(orlofx::kProcessDrain, nullptr, &inFrames, outData, &outFrames);
    HRESULT delivery = S_OK;
    // Drained audio continues the output time line, so a renderer places it
    // right after the last stamped sample.
    if (outFrames > 0 && SUCCEEDED(result)) delivery = DeliverProduced(out, outFrames, true);
    out->Release();
    if (FAILED(result)) return result;
    if (FAILED(delivery)) return delivery;
    if (result != orlofx::kProcessProgress) return S_OK;
  }
}

HRESULT CAkEffectFilter::Receive(IMediaSample* in) {
  // Samples of another stream than the audio (control data) are not ours
  // to read: they go on as they are.
  const AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
  if (props->dwStreamId != AM_STREAM_MEDIA) return m_pOutput->Deliver(in);
  OnReceiveStart(in);

  const bool discontinuity = in->IsDiscontinuity() == S_OK;
  HRESULT hr = S_OK;
  if ((props->dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0 && props->pMediaType) {
    hr = AcceptSampleType(*props->pMediaType);
    if (FAILED(hr)) return hr;
  }
  hr = FollowStoredFormats(!discontinuity);
  if (FAILED(hr)) return hr;

  IMediaSample* out = nullptr;
  hr = m_pOutput->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;

  if (in->IsSyncPoint() == S_OK) syncPointPending_ = true;
  if (discontinuity) {
    discontinuityPending_ = true;
    in->GetTime(&nextStart_, &nextStop_);
    in->GetMediaTime(&nextMediaStart_, &nextMediaStop_);
  }

  BYTE* inData = nullptr;
  in->GetPointer(&inData);
  if (inputFormat_.channels != outputFormat_.channels || !ChannelsSupported(inputFormat_.channels) ||
      !ChannelsSupported(outputFormat_.channels)) {
    CMediaType type;
    if (GetMediaType(0, &type) == S_OK) out->SetMediaType(&type);
  }

  const long inAlign = streamInput_.blockAlign;
  const long outAlign = streamOutput_.blockAlign;
  if (inAlign <= 0 || outAlign <= 0) {
    out->Release();
    return E_UNEXPECTED;
  }
  // A trailing partial frame (the tail of an odd-sized or damaged file) is
  // not audio: whole frames are processed, the rest is dropped.
  const long length = in->GetActualDataLength();
  long remaining = length > 0 ? length - length % inAlign : 0;

  HRESULT deliveryResult = S_OK;
  BYTE* outData = nullptr;
  out->GetPointer(&outData);
  std::uint32_t inFrames = static_cast<std::uint32_t>(remaining / inAlign);
  std::uint32_t outFrames = static_cast<std::uint32_t>(out->GetSize() / outAlign);
  hr = ProcessInput(discontinuity ? orlofx::kProcessDiscontinuity : orlofx::kProcessOrdinary,
                    inData, &inFrames, outData, &outFrames);
  while (SUCCEEDED(hr)) {
    const long consumed = static_cast<long>(inFrames) * inAlign;
    const bool progress = inFrames > 0 || outFrames > 0;
    bool delivered = false;
    if (outFrames > 0) {
      HRESULT d = DeliverProduced(out, outFrames, true);
      if (FAILED(d)) {
        hr = d;
        break;
      }
      if (d != S_OK) deliveryResult = d;
      delivered = true;
    }
    // A pass that neither consumes nor produces would be repeated forever.
    if (consumed >= remaining || !progress) break;
    inData += consumed;
    remaining -= consumed;
    if (delivered) {
      out->Release();
      out = nullptr;
      hr = m_pOutput->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
      if (FAILED(hr)) break;
      out->GetPointer(&outData);
    }
    inFrames = static_cast<std::uint32_t>(remaining / inAlign);
    outFrames = static_cast<std::uint32_t>(out->GetSize() / outAlign);
    hr = ProcessInput(orlofx::kProcessOrdinary, inData, &inFrames, outData, &outFrames);
  }
  if (out) out->Release();
  // The processor's "nothing more to produce" is not the upstream's business:
  // only a failure or the downstream's own answer goes back.
  return FAILED(hr) ? hr : deliveryResult;
}

HRESULT CAkEffectFilter::EndOfStream() {
  if (!m_pOutput) return S_OK;
  bool noBuffer = false;
  const HRESULT drained = Drain(&noBuffer);
  // Without an output buffer nothing can be passed on either.
  if (noBuffer) return drained;
  const HRESULT eos = m_pOutput->DeliverEndOfStream();
  return FAILED(drained) ? drained : eos;
}

// --- input pin --------------------------------------------------------------------

CAkEffectInputPin::CAkEffectInputPin(CAkEffectFilter* filter, HRESULT* result)
    : CTransformInputPin(L"Input pin", filter, result, L"Input"), effect_(filter) {}

HRESULT CAkEffectInputPin::CheckMediaType(const CMediaType* type) {
  return effect_->CheckInputPinType(type);
}

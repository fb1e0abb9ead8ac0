#include "framework/win/inplace_effect_filter.h"

CAkInPlaceEffectFilter::CAkInPlaceEffectFilter(LPUNKNOWN outer, orlofx::EffectProcessor& processor,
                                               const EffectDescription& description,
                                               const AMOVIESETUP_FILTER* setup)
    // The in-place base takes a result it never sets.
    : CAkEffectFrame(outer, processor, description, setup, nullptr) {}

// --- media types --------------------------------------------------------------------

HRESULT CAkInPlaceEffectFilter::CheckInputType(const CMediaType* type) {
  return CheckEffectInputType(type);
}

// The in-place pins hand each side the other's type, so there is nothing
// left to compare.
HRESULT CAkInPlaceEffectFilter::CheckTransform(const CMediaType*, const CMediaType*) { return S_OK; }

HRESULT CAkInPlaceEffectFilter::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

HRESULT CAkInPlaceEffectFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
  orlofx::WaveFormat f = {};
  if (NormalisedFormatOf(type, &f)) {
    format_ = f;
    hasFormat_ = true;
  }
  CTransInPlaceFilter::SetMediaType(direction, type);
  const orlofx::WaveFormat* stored = hasFormat_ ? &format_ : nullptr;
  processor_.SetFormats(stored, stored);
  processor_.Notify(direction == PINDIR_INPUT ? orlofx::kNotifyInputFormat
                                              : orlofx::kNotifyOutputFormat);
  return S_OK;
}

// --- streaming ----------------------------------------------------------------------

HRESULT CAkInPlaceEffectFilter::StartStreaming() {
  if (!hasFormat_) return E_FAIL;
  streamFormat_ = format_;
  return processor_.Prepare(streamFormat_, streamFormat_);
}

HRESULT CAkInPlaceEffectFilter::StopStreaming() {
  processor_.Release();
  return S_OK;
}

HRESULT CAkInPlaceEffectFilter::Transform(IMediaSample* sample) {
  HRESULT hr = S_OK;
  if (!SameFormat(streamFormat_, format_)) {
    // The format changed mid-stream. Nothing is held back (no latency), so
    // the processor is prepared anew at once; on failure it stays
    // unprepared and refuses every later call.
    processor_.Release();
    streamFormat_ = format_;
    hr = processor_.Prepare(streamFormat_, streamFormat_);
    if (FAILED(hr)) return hr;
  }
  if (!orlofx::IsAcceptedFormat(streamFormat_) || streamFormat_.blockAlign == 0) return E_FAIL;
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const long length = sample->GetActualDataLength();
  const std::uint32_t frames =
      length > 0 ? static_cast<std::uint32_t>(length / streamFormat_.blockAlign) : 0;
  const int mode =
      sample->IsDiscontinuity() == S_OK ? orlofx::kProcessDiscontinuity : orlofx::kProcessOrdinary;
  std::uint32_t in = frames, out = frames;
  hr = processor_.Process(mode, data, &in, data, &out);
  // A trailing partial frame is not audio; it does not go on.
  sample->SetActualDataLength(static_cast<long>(frames * streamFormat_.blockAlign));
  return hr;
}

HRESULT CAkInPlaceEffectFilter::AcceptSampleType(const AM_MEDIA_TYPE& announced) {
  CMediaType type;
  // Copying allocates, but only when a sample announces a format.
  HRESULT hr = type.Set(announced);
  if (FAILED(hr)) return hr;
  orlofx::WaveFormat next = {};
  if (m_pInput->CheckMediaType(&type) != S_OK || !NormalisedFormatOf(&type, &next))
    return VFW_E_INVALIDMEDIATYPE;
  if (hasFormat_ && SameFormat(next, format_)) return S_OK;
  // One format serves both pins; the sample itself carries the type on.
  hr = m_pInput->SetMediaType(&type);
  if (SUCCEEDED(hr)) hr = m_pOutput->SetMediaType(&type);
  return hr;
}

HRESULT CAkInPlaceEffectFilter::Receive(IMediaSample* sample) {
  const AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
  if (props->dwStreamId != AM_STREAM_MEDIA) return m_pOutput->Deliver(sample);
  if ((props->dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0 && props->pMediaType) {
    const HRESULT hr = AcceptSampleType(*props->pMediaType);
    if (FAILED(hr)) return hr;
  }
  // Buffers upstream declared read-only may be shared with other readers:
  // those are processed in a copy, as the in-place base does.
  if (InputPin()->ReadOnly()) return CTransInPlaceFilter::Receive(sample);
  HRESULT hr = Transform(sample);
  if (hr == S_OK) return m_pOutput->Deliver(sample);
  if (hr == S_FALSE) return S_OK;
  return hr;
}

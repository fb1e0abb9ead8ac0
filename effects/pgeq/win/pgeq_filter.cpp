#include "effects/pgeq/win/pgeq_filter.h"

#include <cstring>
#include <new>

#include "framework/win/guids.h"

namespace {

const CLSID kPgeqPages[] = {CLSID_AkPgeqPropPage};
const EffectDescription kPgeqDescription = {&CLSID_AkPgeq, &IID_IAkPgeqProp, kPgeqPages, 1};

// Reads a 32-bit field through the processor's getter into a COM long.
template <typename Getter>
HRESULT ReadLong(long* value, Getter get) {
  if (!value) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = get(&v);
  if (SUCCEEDED(hr)) *value = v;
  return hr;
}

}  // namespace

CUnknown* CALLBACK CAkPgeq::CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup) {
  HRESULT hr = S_OK;
  auto* filter = new (std::nothrow) CAkPgeq(outer, &hr, setup);
  if (!filter) hr = E_OUTOFMEMORY;
  if (result) *result = hr;
  return filter;
}

CAkPgeq::CAkPgeq(LPUNKNOWN outer, HRESULT* result, const AMOVIESETUP_FILTER* setup)
    : CTransInPlaceFilter(nullptr, outer, CLSID_AkPgeq, result),
      CAkEffectInterfaces(transform_, kPgeqDescription),
      setup_(setup) {
  transform_.ApplyPreset(0);
}

STDMETHODIMP CAkPgeq::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAkPgeqProp) return GetInterface(static_cast<IAkPgeqProp*>(this), object);
  if (iid == IID_IAkAudioTransformFloat)
    return GetInterface(static_cast<IAkAudioTransformFloat*>(this), object);
  HRESULT hr = QueryEffectInterface(iid, object);
  if (hr != E_NOINTERFACE) return hr;
  return CTransInPlaceFilter::NonDelegatingQueryInterface(iid, object);
}

LPAMOVIESETUP_FILTER CAkPgeq::GetSetupData() { return const_cast<LPAMOVIESETUP_FILTER>(setup_); }

// --- media types --------------------------------------------------------------------

HRESULT CAkPgeq::CheckInputType(const CMediaType* type) { return CheckEffectInputType(type); }

// The in-place pins hand each side the other's type, so there is nothing
// left to compare.
HRESULT CAkPgeq::CheckTransform(const CMediaType*, const CMediaType*) { return S_OK; }

HRESULT CAkPgeq::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

HRESULT CAkPgeq::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
  orlofx::WaveFormat f = {};
  if (NormalisedFormatOf(type, &f)) {
    format_ = f;
    hasFormat_ = true;
  }
  CTransInPlaceFilter::SetMediaType(direction, type);
  const orlofx::WaveFormat* stored = hasFormat_ ? &format_ : nullptr;
  transform_.SetFormats(stored, stored);
  transform_.Notify(direction == PINDIR_INPUT ? orlofx::kNotifyInputFormat
                                              : orlofx::kNotifyOutputFormat);
  return S_OK;
}

// --- streaming ----------------------------------------------------------------------

HRESULT CAkPgeq::StartStreaming() {
  if (!hasFormat_) return E_FAIL;
  streamFormat_ = format_;
  return transform_.Prepare(streamFormat_, streamFormat_);
}

HRESULT CAkPgeq::StopStreaming() {
  transform_.Release();
  return S_OK;
}

HRESULT CAkPgeq::Transform(IMediaSample* sample) {
  HRESULT hr = S_OK;
  if (std::memcmp(&streamFormat_, &format_, sizeof format_) != 0) {
    // The format changed mid-stream. Nothing is held back (no latency), so
    // the processor is prepared anew at once; on failure it stays
    // unprepared and refuses every later call.
    transform_.Release();
    streamFormat_ = format_;
    hr = transform_.Prepare(streamFormat_, streamFormat_);
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
  hr = transform_.Process(mode, data, &in, data, &out);
  // A trailing partial frame is not audio; it does not go on.
  sample->SetActualDataLength(static_cast<long>(frames * streamFormat_.blockAlign));
  return hr;
}

HRESULT CAkPgeq::AcceptSampleType(const AM_MEDIA_TYPE& announced) {
  CMediaType type;
  // Copying allocates, but only when a sample announces a format.
  HRESULT hr = type.Set(announced);
  if (FAILED(hr)) return hr;
  orlofx::WaveFormat next = {};
  if (m_pInput->CheckMediaType(&type) != S_OK || !NormalisedFormatOf(&type, &next))
    return VFW_E_INVALIDMEDIATYPE;
  if (hasFormat_ && std::memcmp(&next, &format_, sizeof next) == 0) return S_OK;
  // One format serves both pins; the sample itself carries the type on.
  hr = m_pInput->SetMediaType(&type);
  if (SUCCEEDED(hr)) hr = m_pOutput->SetMediaType(&type);
  return hr;
}

HRESULT CAkPgeq::Receive(IMediaSample* sample) {
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

// --- IAkPgeqProp ------------------------------------------------------------------

STDMETHODIMP CAkPgeq::GetParams(PgeqParams* params) {
  if (!params) return E_POINTER;
  return transform_.GetParams(params);
}

STDMETHODIMP CAkPgeq::SetParams(const PgeqParams* params) {
  if (!params) return E_POINTER;
  return transform_.SetParams(params);
}

STDMETHODIMP CAkPgeq::GetFormat(WAVEFORMATEX* format) {
  if (!format) return E_POINTER;
  orlofx::WaveFormat f = {};
  HRESULT hr = transform_.GetFormat(&f, 0);
  if (SUCCEEDED(hr)) std::memcpy(format, &f, sizeof f);
  return hr;
}

STDMETHODIMP CAkPgeq::SetNotifyWindow(HWND window, UINT id) {
  return transform_.SetNotifyWindow(window, id);
}

#define ORLOFX_PGEQ_FIELD(Name)                                                        \
  STDMETHODIMP CAkPgeq::Get##Name(long* value) {                                       \
    return ReadLong(value, [this](std::int32_t* v) { return transform_.Get##Name(v); }); \
  }                                                                                    \
  STDMETHODIMP CAkPgeq::Set##Name(long value) { return transform_.Set##Name(value); }

ORLOFX_PGEQ_FIELD(DryOut)
ORLOFX_PGEQ_FIELD(WetOut)
ORLOFX_PGEQ_FIELD(LowShelfEnable)
ORLOFX_PGEQ_FIELD(HighShelfEnable)
ORLOFX_PGEQ_FIELD(LowShelfFrequency)
ORLOFX_PGEQ_FIELD(HighShelfFrequency)
ORLOFX_PGEQ_FIELD(LowShelfGain)
ORLOFX_PGEQ_FIELD(HighShelfGain)
ORLOFX_PGEQ_FIELD(HighlightBand)
#undef ORLOFX_PGEQ_FIELD

STDMETHODIMP CAkPgeq::GetBandCenter(long* value, long band) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.GetBandCenter(band, v); });
}
STDMETHODIMP CAkPgeq::GetBandGain(long* value, long band) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.GetBandGain(band, v); });
}
STDMETHODIMP CAkPgeq::GetBandWidth(long* value, long band) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.GetBandWidth(band, v); });
}

// --- IAkAudioTransformFloat -------------------------------------------------------

STDMETHODIMP CAkPgeq::Init(WORD channels, DWORD rate) { return transform_.Init(channels, rate); }

STDMETHODIMP CAkPgeq::Process(float* samples, DWORD frames, BOOL drain) {
  return transform_.ProcessFloat(samples, frames, drain != FALSE);
}

STDMETHODIMP CAkPgeq::QueryValue(DWORD, DWORD* value) {
  if (!value) return E_POINTER;
  *value = 0;
  return S_FALSE;
}

HRESULT CAkPgeq::StopFloatStream() {
  transform_.Stop();
  return S_OK;
}

STDMETHODIMP CAkPgeq::IsChanged() { return transform_.IsChanged() ? S_OK : S_FALSE; }

STDMETHODIMP CAkPgeq::Update(BOOL reset, DWORD, DWORD) { return transform_.Update(reset != FALSE); }

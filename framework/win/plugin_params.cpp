#include "framework/win/plugin_params.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "support/win/wide_text.h"

namespace {

static_assert(sizeof(MP_ENVELOPE_SEGMENT) == sizeof(orlofx::EnvelopeSegment) &&
                  offsetof(MP_ENVELOPE_SEGMENT, rtStart) == offsetof(orlofx::EnvelopeSegment, start) &&
                  offsetof(MP_ENVELOPE_SEGMENT, rtEnd) == offsetof(orlofx::EnvelopeSegment, end) &&
                  offsetof(MP_ENVELOPE_SEGMENT, valStart) ==
                      offsetof(orlofx::EnvelopeSegment, startValue) &&
                  offsetof(MP_ENVELOPE_SEGMENT, valEnd) == offsetof(orlofx::EnvelopeSegment, endValue) &&
                  offsetof(MP_ENVELOPE_SEGMENT, iCurve) == offsetof(orlofx::EnvelopeSegment, curve) &&
                  offsetof(MP_ENVELOPE_SEGMENT, flags) == offsetof(orlofx::EnvelopeSegment, flags),
              "a host's envelope segments are read in place");

// The text of a string id, empty for a negative id.
std::wstring TextOf(int id) { return id < 0 ? std::wstring() : orlofx::LoadWideString(id); }

void CopyText(WCHAR (&to)[32], const std::wstring& text) {
  const std::size_t n = text.size() < 31 ? text.size() : 31;
  std::memcpy(to, text.data(), n * sizeof(WCHAR));
  to[n] = L'\0';
}

}  // namespace

CAkPlugInParams::CAkPlugInParams(orlofx::AutomationParams& core)
    : automation_(core), timeFormat_(GUID_TIME_REFERENCE) {}

CAkPlugInParams::~CAkPlugInParams() {
  // The core (a member of the derived effect) is already gone: only the
  // callback is ours to drop.
  if (callback_) callback_->Release();
}

HRESULT CAkPlugInParams::QueryParamsInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMediaParams) return GetInterface(static_cast<IMediaParams*>(this), object);
  if (iid == IID_IMediaParamInfo) return GetInterface(static_cast<IMediaParamInfo*>(this), object);
  if (iid == IID_IMediaParamsSetUICallback)
    return GetInterface(static_cast<IMediaParamsSetUICallback*>(this), object);
  *object = nullptr;
  return E_NOINTERFACE;
}

// --- IMediaParamInfo -----------------------------------------------------------------

STDMETHODIMP CAkPlugInParams::GetParamCount(DWORD* count) {
  if (!count) return E_POINTER;
  *count = automation_.ParamCount();
  return S_OK;
}

STDMETHODIMP CAkPlugInParams::GetParamInfo(DWORD index, MP_PARAMINFO* info) {
  if (!info) return E_POINTER;
  const orlofx::AutomationParamDesc* d = automation_.Desc(index);
  if (!d) return E_INVALIDARG;
  MP_PARAMINFO out = {};
  out.mpType = static_cast<MP_TYPE>(d->type);
  out.mopCaps = d->caps;
  out.mpdMinValue = d->minimum;
  out.mpdMaxValue = d->maximum;
  out.mpdNeutralValue = d->neutral;
  CopyText(out.szUnitText, TextOf(d->unitId));
  CopyText(out.szLabel, TextOf(d->labelId));
  *info = out;
  return S_OK;
}

STDMETHODIMP CAkPlugInParams::GetParamText(DWORD index, WCHAR** text) {
  if (!text) return E_POINTER;
  const orlofx::AutomationParamDesc* d = automation_.Desc(index);
  if (!d) return E_INVALIDARG;
  // label NUL unit NUL name NUL name NUL ... NUL NUL
  std::wstring all = TextOf(d->labelId);
  all.push_back(L'\0');
  all += TextOf(d->unitId);
  all.push_back(L'\0');
  std::wstring names = TextOf(d->enumId);
  for (wchar_t& c : names)
    if (c == L',') c = L'\0';
  all += names;
  all.push_back(L'\0');
  all.push_back(L'\0');
  auto* memory = static_cast<WCHAR*>(CoTaskMemAlloc(all.size() * sizeof(WCHAR)));
  if (!memory) {
    *text = nullptr;
    return E_OUTOFMEMORY;
  }
  std::memcpy(memory, all.data(), all.size() * sizeof(WCHAR));
  *text = memory;
  return S_OK;
}

STDMETHODIMP CAkPlugInParams::GetNumTimeFormats(DWORD* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP CAkPlugInParams::GetSupportedTimeFormat(DWORD index, GUID* format) {
  if (!format) return E_POINTER;
  if (index != 0) return E_INVALIDARG;
  *format = GUID_TIME_REFERENCE;
  return S_OK;
}

STDMETHODIMP CAkPlugInParams::GetCurrentTimeFormat(GUID* format, MP_TIMEDATA* data) {
  if (!format || !data) return E_POINTER;
  orlofx::ScopedLock hold(automation_.Lock());
  *format = timeFormat_;
  *data = timeData_;
  return S_OK;
}

// --- IMediaParams -----------------------------------------------------------------------

STDMETHODIMP CAkPlugInParams::GetParam(DWORD index, MP_DATA* value) {
  return automation_.GetParam(index, value);
}

STDMETHODIMP CAkPlugInParams::SetParam(DWORD index, MP_DATA value) {
  return automation_.SetParam(index, value);
}

STDMETHODIMP CAkPlugInParams::AddEnvelope(DWORD index, DWORD count, MP_ENVELOPE_SEGMENT* segments) {
  return automation_.AddEnvelope(index, count,
                                 reinterpret_cast<const orlofx::EnvelopeSegment*>(segments));
}

STDMETHODIMP CAkPlugInParams::FlushEnvelope(DWORD index, REFERENCE_TIME start, REFERENCE_TIME end) {
  return automation_.FlushEnvelope(index, start, end);
}

STDMETHODIMP CAkPlugInParams::SetTimeFormat(GUID format, MP_TIMEDATA) {
  if (format != GUID_TIME_REFERENCE) return E_FAIL;
  orlofx::ScopedLock hold(automation_.Lock());
  timeFormat_ = format;
  timeData_ = 0;
  return S_OK;
}

// --- UI callback ------------------------------------------------------------------------

STDMETHODIMP CAkPlugInParams::SetUICallback(IMediaParamsUICallback* callback) {
  if (callback) callback->AddRef();
  IMediaParamsUICallback* old;
  {
    // Callback and listener change in one step: two hosts' threads racing
    // here cannot leave a callback that is never called.
    orlofx::ScopedLock hold(automation_.Lock());
    old = callback_;
    callback_ = callback;
    automation_.SetListener(callback ? this : nullptr);
  }
  if (old) old->Release();
  return S_OK;
}

IMediaParamsUICallback* CAkPlugInParams::TakeCallback() {
  orlofx::ScopedLock hold(automation_.Lock());
  if (callback_) callback_->AddRef();
  return callback_;
}

void CAkPlugInParams::ParamsBeginCapture(std::uint32_t index) {
  if (IMediaParamsUICallback* cb = TakeCallback()) {
    DWORD i = index;
    cb->ParamsBeginCapture(&i, 1);
    cb->Release();
  }
}

void CAkPlugInParams::ParamsChanged(std::uint32_t index, float value) {
  if (IMediaParamsUICallback* cb = TakeCallback()) {
    DWORD i = index;
    MP_DATA v = value;
    cb->ParamsChanged(&i, 1, &v);
    cb->Release();
  }
}

void CAkPlugInParams::ParamsEndCapture(std::uint32_t index) {
  if (IMediaParamsUICallback* cb = TakeCallback()) {
    DWORD i = index;
    cb->ParamsEndCapture(&i, 1);
    cb->Release();
  }
}

// --- the automated frame ----------------------------------------------------------------

CAkAutomatedEffectFilter::CAkAutomatedEffectFilter(LPUNKNOWN outer,
                                                   orlofx::EffectProcessor& processor,
                                                   orlofx::AutomationParams& automation,
                                                   const EffectDescription& description,
                                                   const AMOVIESETUP_FILTER* setup)
    : CAkEffectFilter(outer, processor, description, setup), CAkPlugInParams(automation) {}

STDMETHODIMP CAkAutomatedEffectFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (SUCCEEDED(QueryParamsInterface(iid, object))) return S_OK;
  return CAkEffectFilter::NonDelegatingQueryInterface(iid, object);
}

void CAkAutomatedEffectFilter::OnReceiveStart(IMediaSample* sample) {
  // After a break the host's time line restarts where the sample says.
  if (sample->IsDiscontinuity() != S_OK) return;
  REFERENCE_TIME start = 0, stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) automation_.SetStreamTime(start);
}

HRESULT CAkAutomatedEffectFilter::ProcessInput(int mode, const void* in, std::uint32_t* inFrames,
                                               void* out, std::uint32_t* outFrames) {
  return orlofx::ProcessInStretches(processor_, &automation_, mode, in, inFrames, out, outFrames);
}

HRESULT CAkAutomatedEffectFilter::PrepareMidStream(const orlofx::WaveFormat& in,
                                                   const orlofx::WaveFormat& out) {
  // Preparing starts the automation clock at 0; a format change in the
  // middle of a stream does not move the host's time line.
  const std::int64_t now = automation_.StreamTime();
  const HRESULT hr = CAkEffectFilter::PrepareMidStream(in, out);
  automation_.SetStreamTime(now);
  return hr;
}

#include "effects/mbdyn/win/mbdyn_filter.h"

#include <cstring>
#include <new>

#include "framework/win/guids.h"

namespace {

const CLSID kMbdynPages[] = {CLSID_AkMbdynPropPage, CLSID_AkMbdynPropPage2};
const EffectDescription kMbdynDescription = {&CLSID_AkMbdyn, &IID_IAkPlugInProp2, kMbdynPages, 2};

// A COM long is 32 bits on both Windows targets, so values pass whole.
static_assert(sizeof(long) == sizeof(std::int32_t), "COM long is 32 bits");
static_assert(sizeof(orlofx::MbdynParams) == 212, "the record body is 212 bytes");

using orlofx::kMbdynParamsPerBand;

constexpr std::uint32_t BandParam(int band, std::uint32_t k) {
  return (band - 1) * kMbdynParamsPerBand + k;
}

void ToSnapshot(const orlofx::MbdynMeterSnapshot& from, mbdyn::MeterSnapshot* to) {
  to->time = from.time;
  for (int b = 0; b < orlofx::kMbdynBands; ++b) to->values[b] = from.values[b];
}

}  // namespace

CUnknown* CALLBACK CAkMbdyn::CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                             const AMOVIESETUP_FILTER* setup) {
  auto* filter = new (std::nothrow) CAkMbdyn(outer, setup);
  if (!filter) {
    if (result) *result = E_OUTOFMEMORY;
    return nullptr;
  }
  const HRESULT built = filter->transform_.ConstructionResult();
  if (FAILED(built)) {
    if (result) *result = built;
    delete filter;
    return nullptr;
  }
  return filter;
}

CAkMbdyn::CAkMbdyn(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup)
    : CAkAutomatedEffectFilter(outer, transform_, transform_, kMbdynDescription, setup) {
  FinishConstruction();
}

STDMETHODIMP CAkMbdyn::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAkPlugInProp2)
    return GetInterface(static_cast<mbdyn::IAkPlugInProp2*>(this), object);
  return CAkAutomatedEffectFilter::NonDelegatingQueryInterface(iid, object);
}

// --- whole record, format, notifications, page switches ------------------------------

STDMETHODIMP CAkMbdyn::GetAllProps(orlofx::MbdynParams* props) {
  return transform_.GetAllSettings(props);
}

STDMETHODIMP CAkMbdyn::SetAllProps(const orlofx::MbdynParams* props) {
  return transform_.SetAllSettings(props);
}

STDMETHODIMP CAkMbdyn::GetFormat(WAVEFORMATEX* format, int pin) {
  if (!format) return E_POINTER;
  orlofx::WaveFormat f = {};
  HRESULT hr = transform_.GetFormat(&f, pin);
  if (SUCCEEDED(hr)) std::memcpy(format, &f, sizeof f);
  return hr;
}

STDMETHODIMP CAkMbdyn::SetNotifyWindow(HWND window, UINT id) {
  return transform_.SetNotifyWindow(window, id);
}

namespace {

// Copies an int32 read-out to a COM long.
template <typename Read>
HRESULT ReadLong(long* value, Read read) {
  if (!value) return E_POINTER;
  std::int32_t v = 0;
  const HRESULT hr = read(&v);
  *value = v;
  return hr;
}

}  // namespace

STDMETHODIMP CAkMbdyn::GetEnableMeters(long* value) {
  return ReadLong(value, [this](std::int32_t* v) { return transform_.GetEnableMeters(v); });
}
STDMETHODIMP CAkMbdyn::SetEnableMeters(long value) { return transform_.SetEnableMeters(value); }
STDMETHODIMP CAkMbdyn::GetCaptureThreshold(long* value) {
  return ReadLong(value, [this](std::int32_t* v) { return transform_.GetCaptureThreshold(v); });
}
STDMETHODIMP CAkMbdyn::SetCaptureThreshold(long value) {
  return transform_.SetCaptureThreshold(value);
}

// --- the automatable parameters -------------------------------------------------------

HRESULT CAkMbdyn::GetProp(std::uint32_t param, long* value) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.GetParamProp(param, v); });
}

#define ORLOFX_MBDYN_PROP_IMPL(Name, param)                                                    \
  STDMETHODIMP CAkMbdyn::Get##Name(long* value) { return GetProp(param, value); }              \
  STDMETHODIMP CAkMbdyn::Set##Name(long value) { return transform_.SetParamProp(param, value); } \
  STDMETHODIMP CAkMbdyn::BeginEdit##Name() { return transform_.BeginParamEdit(param); }        \
  STDMETHODIMP CAkMbdyn::EndEdit##Name() { return transform_.EndParamEdit(param); }            \
  STDMETHODIMP CAkMbdyn::Is##Name##Editable() { return transform_.IsParamEditable(param); }

#define ORLOFX_MBDYN_BAND_IMPL(Name, k)                      \
  ORLOFX_MBDYN_PROP_IMPL(Band1##Name, BandParam(1, orlofx::k)) \
  ORLOFX_MBDYN_PROP_IMPL(Band2##Name, BandParam(2, orlofx::k)) \
  ORLOFX_MBDYN_PROP_IMPL(Band3##Name, BandParam(3, orlofx::k)) \
  ORLOFX_MBDYN_PROP_IMPL(Band4##Name, BandParam(4, orlofx::k))

ORLOFX_MBDYN_PROP_IMPL(OutputGain, orlofx::kMbdynParamOutputGain)
ORLOFX_MBDYN_BAND_IMPL(Threshold, kMbdynParamThreshold)
ORLOFX_MBDYN_BAND_IMPL(Type, kMbdynParamType)
ORLOFX_MBDYN_BAND_IMPL(Amount, kMbdynParamAmount)
ORLOFX_MBDYN_BAND_IMPL(Attack, kMbdynParamAttack)
ORLOFX_MBDYN_BAND_IMPL(Release, kMbdynParamRelease)
ORLOFX_MBDYN_BAND_IMPL(Gain, kMbdynParamGain)
ORLOFX_MBDYN_BAND_IMPL(Width, kMbdynParamWidth)
ORLOFX_MBDYN_BAND_IMPL(Center, kMbdynParamCenter)
ORLOFX_MBDYN_BAND_IMPL(Bypass, kMbdynParamBandBypass)
ORLOFX_MBDYN_PROP_IMPL(StereoSync, orlofx::kMbdynParamSyncStereo)
ORLOFX_MBDYN_BAND_IMPL(Solo, kMbdynParamSolo)
ORLOFX_MBDYN_PROP_IMPL(Bypass, orlofx::kMbdynParamBypass)

#undef ORLOFX_MBDYN_BAND_IMPL
#undef ORLOFX_MBDYN_PROP_IMPL

// --- pages and meters -------------------------------------------------------------------

STDMETHODIMP CAkMbdyn::GetVisiblePage(long* page) {
  return ReadLong(page, [this](std::int32_t* v) { return transform_.GetVisiblePage(v); });
}
STDMETHODIMP CAkMbdyn::SetVisiblePage(long page) { return transform_.SetVisiblePage(page); }

STDMETHODIMP CAkMbdyn::GetMeterMaximum(long band, long* value) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.TakeMeterMaximum(band, v); });
}
STDMETHODIMP CAkMbdyn::GetMeterLevel(long band, long* value) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.GetMeterLevel(band, v); });
}

STDMETHODIMP CAkMbdyn::GetDisplayWord1(long band, long* value) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.GetDisplayWord(0, band, v); });
}
STDMETHODIMP CAkMbdyn::SetDisplayWord1(long band, long value) {
  return transform_.SetDisplayWord(0, band, value);
}
STDMETHODIMP CAkMbdyn::GetDisplayWord2(long band, long* value) {
  return ReadLong(value, [&](std::int32_t* v) { return transform_.GetDisplayWord(1, band, v); });
}
STDMETHODIMP CAkMbdyn::SetDisplayWord2(long band, long value) {
  return transform_.SetDisplayWord(1, band, value);
}

STDMETHODIMP CAkMbdyn::GetMeterAt(LONGLONG time, mbdyn::MeterSnapshot* snapshot) {
  if (!snapshot) return E_POINTER;
  orlofx::MbdynMeterSnapshot s;
  const HRESULT hr = transform_.GetMeterAt(time, &s);
  ToSnapshot(s, snapshot);
  return hr;
}

STDMETHODIMP CAkMbdyn::GetMeterHistory(long age, mbdyn::MeterSnapshot* snapshot) {
  if (!snapshot) return E_POINTER;
  orlofx::MbdynMeterSnapshot s = {};
  const HRESULT hr = transform_.GetMeterHistory(age, &s);
  if (hr == S_OK) ToSnapshot(s, snapshot);
  return hr;
}

STDMETHODIMP CAkMbdyn::GetMeterSource(long band, long* source) {
  return ReadLong(source, [&](std::int32_t* v) { return transform_.GetMeterSource(band, v); });
}
STDMETHODIMP CAkMbdyn::SetMeterSource(long band, long source) {
  return transform_.SetMeterSource(band, source);
}

STDMETHODIMP CAkMbdyn::ApplyCapturedThresholds(long* changed) {
  return ReadLong(changed,
                  [this](std::int32_t* v) { return transform_.ApplyCapturedThresholds(v); });
}

STDMETHODIMP CAkMbdyn::ResetMeterMaxima() { return transform_.ResetMeterMaxima(); }

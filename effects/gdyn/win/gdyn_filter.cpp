#include "effects/gdyn/win/gdyn_filter.h"

#include <cstring>
#include <new>

#include "framework/win/com_record_stream.h"
#include "framework/win/guids.h"

namespace {

const CLSID kGdynPages[] = {CLSID_AkGdynPropPage};
const EffectDescription kGdynDescription = {&CLSID_AkGdyn, &IID_IAkPlugInProp2, kGdynPages, 1};

// A COM long is 32 bits on both Windows targets, so values pass whole.
static_assert(sizeof(long) == sizeof(std::int32_t), "COM long is 32 bits");
static_assert(sizeof(orlofx::GdynPoint) == 8, "a curve point is two 32-bit levels");

using orlofx::kGdynParamAttack;
using orlofx::kGdynParamAutoGain;
using orlofx::kGdynParamBypass;
using orlofx::kGdynParamOutputGain;
using orlofx::kGdynParamRelease;
using orlofx::kGdynParamSyncStereo;

}  // namespace

CUnknown* CALLBACK CAkGdyn::CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                            const AMOVIESETUP_FILTER* setup) {
  auto* filter = new (std::nothrow) CAkGdyn(outer, setup);
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

CAkGdyn::CAkGdyn(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup)
    : CAkAutomatedEffectFilter(outer, transform_, transform_, kGdynDescription, setup) {
  FinishConstruction();
}

STDMETHODIMP CAkGdyn::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAkPlugInProp2)
    return GetInterface(static_cast<gdyn::IAkPlugInProp2*>(this), object);
  return CAkAutomatedEffectFilter::NonDelegatingQueryInterface(iid, object);
}

// --- whole record, format, notifications -------------------------------------------

STDMETHODIMP CAkGdyn::GetAllProps(orlofx::AkGdynProps* props) {
  return transform_.GetAllSettings(props);
}

STDMETHODIMP CAkGdyn::SetAllProps(const orlofx::AkGdynProps* props) {
  return transform_.SetAllSettings(props);
}

STDMETHODIMP CAkGdyn::GetFormat(WAVEFORMATEX* format, int pin) {
  if (!format) return E_POINTER;
  orlofx::WaveFormat f = {};
  HRESULT hr = transform_.GetFormat(&f, pin);
  if (SUCCEEDED(hr)) std::memcpy(format, &f, sizeof f);
  return hr;
}

STDMETHODIMP CAkGdyn::SetNotifyWindow(HWND window, UINT id) {
  return transform_.SetNotifyWindow(window, id);
}

STDMETHODIMP CAkGdyn::SetPointCount(long count) { return transform_.SetPointCount(count); }

STDMETHODIMP CAkGdyn::GetPointCount(long* count) {
  if (!count) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = transform_.GetPointCount(&v);
  *count = v;
  return hr;
}

// --- the automatable parameters -------------------------------------------------------

HRESULT CAkGdyn::GetProp(std::uint32_t param, long* value) {
  if (!value) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = transform_.GetParamProp(param, &v);
  *value = v;
  return hr;
}

STDMETHODIMP CAkGdyn::GetOutputGain(long* value) { return GetProp(kGdynParamOutputGain, value); }
STDMETHODIMP CAkGdyn::SetOutputGain(long value) {
  return transform_.SetParamProp(kGdynParamOutputGain, value);
}
STDMETHODIMP CAkGdyn::BeginEditOutputGain() { return transform_.BeginParamEdit(kGdynParamOutputGain); }
STDMETHODIMP CAkGdyn::EndEditOutputGain() { return transform_.EndParamEdit(kGdynParamOutputGain); }
STDMETHODIMP CAkGdyn::IsOutputGainEditable() {
  return transform_.IsParamEditable(kGdynParamOutputGain);
}

STDMETHODIMP CAkGdyn::GetAttack(long* value) { return GetProp(kGdynParamAttack, value); }
STDMETHODIMP CAkGdyn::SetAttack(long value) { return transform_.SetParamProp(kGdynParamAttack, value); }
STDMETHODIMP CAkGdyn::BeginEditAttack() { return transform_.BeginParamEdit(kGdynParamAttack); }
STDMETHODIMP CAkGdyn::EndEditAttack() { return transform_.EndParamEdit(kGdynParamAttack); }
STDMETHODIMP CAkGdyn::IsAttackEditable() { return transform_.IsParamEditable(kGdynParamAttack); }

STDMETHODIMP CAkGdyn::GetRelease(long* value) { return GetProp(kGdynParamRelease, value); }
STDMETHODIMP CAkGdyn::SetRelease(long value) {
  return transform_.SetParamProp(kGdynParamRelease, value);
}
STDMETHODIMP CAkGdyn::BeginEditRelease() { return transform_.BeginParamEdit(kGdynParamRelease); }
STDMETHODIMP CAkGdyn::EndEditRelease() { return transform_.EndParamEdit(kGdynParamRelease); }
STDMETHODIMP CAkGdyn::IsReleaseEditable() { return transform_.IsParamEditable(kGdynParamRelease); }

STDMETHODIMP CAkGdyn::GetAutoGain(long* value) { return GetProp(kGdynParamAutoGain, value); }
STDMETHODIMP CAkGdyn::SetAutoGain(long value) {
  return transform_.SetParamProp(kGdynParamAutoGain, value);
}
STDMETHODIMP CAkGdyn::BeginEditAutoGain() { return transform_.BeginParamEdit(kGdynParamAutoGain); }
STDMETHODIMP CAkGdyn::EndEditAutoGain() { return transform_.EndParamEdit(kGdynParamAutoGain); }
STDMETHODIMP CAkGdyn::IsAutoGainEditable() { return transform_.IsParamEditable(kGdynParamAutoGain); }

STDMETHODIMP CAkGdyn::GetSyncStereo(long* value) { return GetProp(kGdynParamSyncStereo, value); }
STDMETHODIMP CAkGdyn::SetSyncStereo(long value) {
  return transform_.SetParamProp(kGdynParamSyncStereo, value);
}
STDMETHODIMP CAkGdyn::BeginEditSyncStereo() {
  return transform_.BeginParamEdit(kGdynParamSyncStereo);
}
STDMETHODIMP CAkGdyn::EndEditSyncStereo() { return transform_.EndParamEdit(kGdynParamSyncStereo); }
STDMETHODIMP CAkGdyn::IsSyncStereoEditable() {
  return transform_.IsParamEditable(kGdynParamSyncStereo);
}

STDMETHODIMP CAkGdyn::GetBypass(long* value) { return GetProp(kGdynParamBypass, value); }
STDMETHODIMP CAkGdyn::SetBypass(long value) { return transform_.SetParamProp(kGdynParamBypass, value); }
STDMETHODIMP CAkGdyn::BeginEditBypass() { return transform_.BeginParamEdit(kGdynParamBypass); }
STDMETHODIMP CAkGdyn::EndEditBypass() { return transform_.EndParamEdit(kGdynParamBypass); }
STDMETHODIMP CAkGdyn::IsBypassEditable() { return transform_.IsParamEditable(kGdynParamBypass); }

// --- the curve ---------------------------------------------------------------------------

STDMETHODIMP CAkGdyn::SetPoints(const orlofx::GdynPoint* points, long count) {
  return transform_.SetPoints(points, count);
}

STDMETHODIMP CAkGdyn::GetPoints(orlofx::GdynPoint* points, long* count) {
  if (!points || !count) return E_POINTER;
  std::int32_t n = 0;
  HRESULT hr = transform_.GetPoints(points, &n);
  *count = n;
  return hr;
}

STDMETHODIMP CAkGdyn::GetRatio(long* ratio) {
  if (!ratio) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = transform_.GetCurveRatio(&v);
  *ratio = v;
  return hr;
}

STDMETHODIMP CAkGdyn::SetRatio(long ratio) { return transform_.SetRatio(ratio); }

STDMETHODIMP CAkGdyn::GetThreshold(long* threshold) {
  if (!threshold) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = transform_.GetCurveThreshold(&v);
  *threshold = v;
  return hr;
}

STDMETHODIMP CAkGdyn::SetThreshold(long threshold) { return transform_.SetThreshold(threshold); }

#include "effects/noisgt/win/noisgt_filter.h"

#include <new>

#include "framework/win/guids.h"

namespace {

const CLSID kNoisgtPages[] = {CLSID_AkNoisgtPropPage};
const EffectDescription kNoisgtDescription = {&CLSID_AkNoisgt, &IID_IAkNoisgtProp, kNoisgtPages, 1};

// Reads a 32-bit field through the processor's getter into a COM long.
template <typename Getter>
HRESULT ReadLong(long* value, Getter get) {
  if (!value) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = get(&v);
  *value = v;
  return hr;
}

}  // namespace

CUnknown* CALLBACK CAkNoisgt::CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                              const AMOVIESETUP_FILTER* setup) {
  auto* filter = new (std::nothrow) CAkNoisgt(outer, setup);
  if (!filter && result) *result = E_OUTOFMEMORY;
  return filter;
}

CAkNoisgt::CAkNoisgt(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup)
    : CAkEffectFilter(outer, transform_, kNoisgtDescription, setup) {
  FinishConstruction();
}

STDMETHODIMP CAkNoisgt::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAkNoisgtProp) return GetInterface(static_cast<IAkNoisgtProp*>(this), object);
  return CAkEffectFilter::NonDelegatingQueryInterface(iid, object);
}

STDMETHODIMP CAkNoisgt::GetParams(NoisgtParams* params) {
  if (!params) return E_POINTER;
  return transform_.GetParams(params);
}

STDMETHODIMP CAkNoisgt::SetParams(const NoisgtParams* params) {
  if (!params) return E_POINTER;
  return transform_.SetParams(params);
}

STDMETHODIMP CAkNoisgt::GetFormat(WAVEFORMATEX* format, int pin) {
  if (!format) return E_POINTER;
  orlofx::WaveFormat f = {};
  HRESULT hr = transform_.GetFormat(&f, pin);
  if (SUCCEEDED(hr)) std::memcpy(format, &f, sizeof f);
  return hr;
}

STDMETHODIMP CAkNoisgt::SetNotifyWindow(HWND window, UINT id) {
  return transform_.SetNotifyWindow(window, id);
}

STDMETHODIMP CAkNoisgt::GetAttack(long* value) {
  return ReadLong(value, [this](std::int32_t* v) { return transform_.GetAttack(v); });
}
STDMETHODIMP CAkNoisgt::SetAttack(long value) { return transform_.SetAttack(value); }
STDMETHODIMP CAkNoisgt::GetRelease(long* value) {
  return ReadLong(value, [this](std::int32_t* v) { return transform_.GetRelease(v); });
}
STDMETHODIMP CAkNoisgt::SetRelease(long value) { return transform_.SetRelease(value); }
STDMETHODIMP CAkNoisgt::GetThreshold(long* value) {
  return ReadLong(value, [this](std::int32_t* v) { return transform_.GetThreshold(v); });
}
STDMETHODIMP CAkNoisgt::SetThreshold(long value) { return transform_.SetThreshold(value); }

#include "effects/pmeq/win/pmeq_filter.h"

#include <cstring>
#include <new>

#include "framework/win/guids.h"

namespace {

const CLSID kPmeqPages[] = {CLSID_AkPmeqPropPage};
const EffectDescription kPmeqDescription = {&CLSID_AkPmeq, &IID_IAkPmeqProp, kPmeqPages, 1};

using Getter = orlofx::HResult (orlofx::CAkPmeqTransform::*)(std::int32_t*) const;

// Reads a 32-bit field through the processor's getter into a COM long.
HRESULT ReadLong(const orlofx::CAkPmeqTransform& transform, Getter get, long* value) {
  if (!value) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = (transform.*get)(&v);
  *value = v;
  return hr;
}

// A COM long is 32 bits on both Windows targets, so the value passes whole.
static_assert(sizeof(long) == sizeof(std::int32_t), "COM long is 32 bits");

}  // namespace

CUnknown* CALLBACK CAkPmeq::CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                            const AMOVIESETUP_FILTER* setup) {
  auto* filter = new (std::nothrow) CAkPmeq(outer, setup);
  if (!filter && result) *result = E_OUTOFMEMORY;
  return filter;
}

CAkPmeq::CAkPmeq(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup)
    : CAkEffectFilter(outer, transform_, kPmeqDescription, setup) {
  FinishConstruction();
}

STDMETHODIMP CAkPmeq::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAkPmeqProp) return GetInterface(static_cast<IAkPmeqProp*>(this), object);
  return CAkEffectFilter::NonDelegatingQueryInterface(iid, object);
}

STDMETHODIMP CAkPmeq::GetParams(PmeqParams* params) {
  if (!params) return E_POINTER;
  return transform_.GetParams(params);
}

STDMETHODIMP CAkPmeq::SetParams(const PmeqParams* params) {
  if (!params) return E_POINTER;
  return transform_.SetParams(params);
}

STDMETHODIMP CAkPmeq::GetFormat(WAVEFORMATEX* format, int pin) {
  if (!format) return E_POINTER;
  orlofx::WaveFormat f = {};
  HRESULT hr = transform_.GetFormat(&f, pin);
  if (SUCCEEDED(hr)) std::memcpy(format, &f, sizeof f);
  return hr;
}

STDMETHODIMP CAkPmeq::SetNotifyWindow(HWND window, UINT id) {
  return transform_.SetNotifyWindow(window, id);
}

STDMETHODIMP CAkPmeq::GetFilterType(long* value) {
  return ReadLong(transform_, &orlofx::CAkPmeqTransform::GetFilterType, value);
}
STDMETHODIMP CAkPmeq::SetFilterType(long value) { return transform_.SetFilterType(value); }
STDMETHODIMP CAkPmeq::GetAccuracy(long* value) {
  return ReadLong(transform_, &orlofx::CAkPmeqTransform::GetAccuracy, value);
}
STDMETHODIMP CAkPmeq::SetAccuracy(long value) { return transform_.SetAccuracy(value); }
STDMETHODIMP CAkPmeq::GetFrequency(long* value) {
  return ReadLong(transform_, &orlofx::CAkPmeqTransform::GetFrequency, value);
}
STDMETHODIMP CAkPmeq::SetFrequency(long value) { return transform_.SetFrequency(value); }
STDMETHODIMP CAkPmeq::GetWidth(long* value) {
  return ReadLong(transform_, &orlofx::CAkPmeqTransform::GetWidth, value);
}
STDMETHODIMP CAkPmeq::SetWidth(long value) { return transform_.SetWidth(value); }
STDMETHODIMP CAkPmeq::GetAmount(long* value) {
  return ReadLong(transform_, &orlofx::CAkPmeqTransform::GetAmount, value);
}
STDMETHODIMP CAkPmeq::SetAmount(long value) { return transform_.SetAmount(value); }
STDMETHODIMP CAkPmeq::GetOutputGain(long* value) {
  return ReadLong(transform_, &orlofx::CAkPmeqTransform::GetOutputGain, value);
}
STDMETHODIMP CAkPmeq::SetOutputGain(long value) { return transform_.SetOutputGain(value); }

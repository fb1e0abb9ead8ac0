#include "effects/geq/win/geq_filter.h"

#include <cstring>
#include <new>

#include "framework/win/guids.h"

namespace {

// The pages in the order the host shows them: envelope, 10-band, 20-band.
const CLSID kGeqPages[] = {CLSID_AkGeqPropPage3, CLSID_AkGeqPropPage, CLSID_AkGeqPropPage2};
const EffectDescription kGeqDescription = {&CLSID_AkGeq, &IID_IAkGeqProp, kGeqPages, 3};

using Getter = orlofx::HResult (orlofx::CAkGeqTransform::*)(std::int32_t*) const;

// Reads a 32-bit field through the processor's getter into a COM long.
HRESULT ReadLong(const orlofx::CAkGeqTransform& transform, Getter get, long* value) {
  if (!value) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = (transform.*get)(&v);
  *value = v;
  return hr;
}

static_assert(sizeof(long) == sizeof(std::int32_t), "COM long is 32 bits");
static_assert(sizeof(GeqPoint) == 8, "an envelope point is two 32-bit integers");

}  // namespace

CUnknown* CALLBACK CAkGeq::CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup) {
  auto* filter = new (std::nothrow) CAkGeq(outer, setup);
  if (!filter && result) *result = E_OUTOFMEMORY;
  return filter;
}

CAkGeq::CAkGeq(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup)
    : CAkEffectFilter(outer, transform_, kGeqDescription, setup) {
  FinishConstruction();
}

STDMETHODIMP CAkGeq::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAkGeqProp) return GetInterface(static_cast<IAkGeqProp*>(this), object);
  return CAkEffectFilter::NonDelegatingQueryInterface(iid, object);
}

STDMETHODIMP CAkGeq::GetParams(GeqParams* params) {
  if (!params) return E_POINTER;
  return transform_.GetParams(params);
}

STDMETHODIMP CAkGeq::SetParams(const GeqParams* params) {
  if (!params) return E_POINTER;
  return transform_.SetParams(params);
}

STDMETHODIMP CAkGeq::GetFormat(WAVEFORMATEX* format, int pin) {
  if (!format) return E_POINTER;
  orlofx::WaveFormat f = {};
  HRESULT hr = transform_.GetFormat(&f, pin);
  if (SUCCEEDED(hr)) std::memcpy(format, &f, sizeof f);
  return hr;
}

STDMETHODIMP CAkGeq::SetNotifyWindow(HWND window, UINT id) {
  return transform_.SetNotifyWindow(window, id);
}

HRESULT CAkGeq::GetBand(int band, long* value) {
  if (!value) return E_POINTER;
  std::int32_t v = 0;
  HRESULT hr = transform_.GetBandGain(band, &v);
  *value = v;
  return hr;
}

HRESULT CAkGeq::SetBand(int band, long value) { return transform_.SetBandGain(band, value); }

#define ORLOFX_GEQ_BAND_BODIES(n)                                              \
  STDMETHODIMP CAkGeq::GetBand##n##Gain(long* value) { return GetBand(n - 1, value); } \
  STDMETHODIMP CAkGeq::SetBand##n##Gain(long value) { return SetBand(n - 1, value); }
ORLOFX_GEQ_BAND_BODIES(1)
ORLOFX_GEQ_BAND_BODIES(2)
ORLOFX_GEQ_BAND_BODIES(3)
ORLOFX_GEQ_BAND_BODIES(4)
ORLOFX_GEQ_BAND_BODIES(5)
ORLOFX_GEQ_BAND_BODIES(6)
ORLOFX_GEQ_BAND_BODIES(7)
ORLOFX_GEQ_BAND_BODIES(8)
ORLOFX_GEQ_BAND_BODIES(9)
ORLOFX_GEQ_BAND_BODIES(10)
ORLOFX_GEQ_BAND_BODIES(11)
ORLOFX_GEQ_BAND_BODIES(12)
ORLOFX_GEQ_BAND_BODIES(13)
ORLOFX_GEQ_BAND_BODIES(14)
ORLOFX_GEQ_BAND_BODIES(15)
ORLOFX_GEQ_BAND_BODIES(16)
ORLOFX_GEQ_BAND_BODIES(17)
ORLOFX_GEQ_BAND_BODIES(18)
ORLOFX_GEQ_BAND_BODIES(19)
ORLOFX_GEQ_BAND_BODIES(20)
#undef ORLOFX_GEQ_BAND_BODIES

STDMETHODIMP CAkGeq::GetAccuracy(long* value) {
  return ReadLong(transform_, &orlofx::CAkGeqTransform::GetAccuracy, value);
}
STDMETHODIMP CAkGeq::SetAccuracy(long value) { return transform_.SetAccuracy(value); }
STDMETHODIMP CAkGeq::GetPointCount(long* value) {
  return ReadLong(transform_, &orlofx::CAkGeqTransform::GetPointCount, value);
}
STDMETHODIMP CAkGeq::SetPointCount(long value) { return transform_.SetPointCount(value); }
STDMETHODIMP CAkGeq::GetOutputGain(long* value) {
  return ReadLong(transform_, &orlofx::CAkGeqTransform::GetOutputGain, value);
}
STDMETHODIMP CAkGeq::SetOutputGain(long value) { return transform_.SetOutputGain(value); }

STDMETHODIMP CAkGeq::GetSampleRate(DWORD* rate) {
  if (!rate) return E_POINTER;
  std::uint32_t r = 0;
  HRESULT hr = transform_.GetSampleRate(&r);
  *rate = r;
  return hr;
}

STDMETHODIMP CAkGeq::SetEnvelope(const GeqPoint* points, DWORD count) {
  if (!points) return E_POINTER;
  return transform_.SetEnvelope(points, count);
}

STDMETHODIMP CAkGeq::GetEnvelope(GeqPoint* points, DWORD* count) {
  if (!points || !count) return E_POINTER;
  std::uint32_t n = 0;
  HRESULT hr = transform_.GetEnvelope(points, &n);
  *count = n;
  return hr;
}

// CAkGeq: the Graphic EQ filter, the shared transform frame around the
// portable CAkGeqTransform, with IAkGeqProp.
//
// Like the Parametric EQ it holds back up to one block, which the frame's
// end-of-stream drain delivers. A whole-record set, the accuracy and the
// point count re-prepare the stream (new FFT size); every other change,
// envelope included, is designed into a new kernel while the old one plays.
#pragma once

#include "effects/geq/geq_transform.h"
#include "effects/geq/win/geq_prop.h"
#include "framework/win/effect_filter.h"

#define ORLOFX_GEQ_BAND_METHODS(n)                    \
  STDMETHODIMP GetBand##n##Gain(long* value) override; \
  STDMETHODIMP SetBand##n##Gain(long value) override;

class CAkGeq : public CAkEffectFilter, public IAkGeqProp {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IAkGeqProp
  STDMETHODIMP GetParams(GeqParams* params) override;
  STDMETHODIMP SetParams(const GeqParams* params) override;
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override;
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override;
  ORLOFX_GEQ_BAND_METHODS(1)
  ORLOFX_GEQ_BAND_METHODS(2)
  ORLOFX_GEQ_BAND_METHODS(3)
  ORLOFX_GEQ_BAND_METHODS(4)
  ORLOFX_GEQ_BAND_METHODS(5)
  ORLOFX_GEQ_BAND_METHODS(6)
  ORLOFX_GEQ_BAND_METHODS(7)
  ORLOFX_GEQ_BAND_METHODS(8)
  ORLOFX_GEQ_BAND_METHODS(9)
  ORLOFX_GEQ_BAND_METHODS(10)
  ORLOFX_GEQ_BAND_METHODS(11)
  ORLOFX_GEQ_BAND_METHODS(12)
  ORLOFX_GEQ_BAND_METHODS(13)
  ORLOFX_GEQ_BAND_METHODS(14)
  ORLOFX_GEQ_BAND_METHODS(15)
  ORLOFX_GEQ_BAND_METHODS(16)
  ORLOFX_GEQ_BAND_METHODS(17)
  ORLOFX_GEQ_BAND_METHODS(18)
  ORLOFX_GEQ_BAND_METHODS(19)
  ORLOFX_GEQ_BAND_METHODS(20)
  STDMETHODIMP GetAccuracy(long* value) override;
  STDMETHODIMP SetAccuracy(long value) override;
  STDMETHODIMP GetPointCount(long* value) override;
  STDMETHODIMP SetPointCount(long value) override;
  STDMETHODIMP GetOutputGain(long* value) override;
  STDMETHODIMP SetOutputGain(long value) override;
  STDMETHODIMP GetSampleRate(DWORD* rate) override;
  STDMETHODIMP SetEnvelope(const GeqPoint* points, DWORD count) override;
  STDMETHODIMP GetEnvelope(GeqPoint* points, DWORD* count) override;

  // The processor, for tests that read the engine's state.
  orlofx::CAkGeqTransform& Transform() { return transform_; }

 private:
  CAkGeq(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup);

  HRESULT GetBand(int band, long* value);
  HRESULT SetBand(int band, long value);

  orlofx::CAkGeqTransform transform_;
};

#undef ORLOFX_GEQ_BAND_METHODS

// The input pin keeps the effect's own name.
using CAkGeqInputPin = CAkEffectInputPin;

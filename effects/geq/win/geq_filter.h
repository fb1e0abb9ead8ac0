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
#include "framework/win/effect.h"

// Getter and setter of fader band n (1 to 20).
#define ORLOFX_GEQ_BAND(n)                                  \
  STDMETHODIMP GetBand##n##Gain(long* v) override {         \
    return Get<&Processor::GetBandGain>(v, n - 1);          \
  }                                                         \
  STDMETHODIMP SetBand##n##Gain(long v) override {          \
    return Call<&Processor::SetBandGain>(n - 1, v);         \
  }

class CAkGeq : public CAkEffect<CAkGeq, orlofx::CAkGeqTransform, IAkGeqProp> {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  // IAkGeqProp
  STDMETHODIMP GetParams(GeqParams* params) override { return GetRecord(params); }
  STDMETHODIMP SetParams(const GeqParams* params) override { return SetRecord(params); }
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override { return FormatOf(format, pin); }
  ORLOFX_GEQ_BAND(1)
  ORLOFX_GEQ_BAND(2)
  ORLOFX_GEQ_BAND(3)
  ORLOFX_GEQ_BAND(4)
  ORLOFX_GEQ_BAND(5)
  ORLOFX_GEQ_BAND(6)
  ORLOFX_GEQ_BAND(7)
  ORLOFX_GEQ_BAND(8)
  ORLOFX_GEQ_BAND(9)
  ORLOFX_GEQ_BAND(10)
  ORLOFX_GEQ_BAND(11)
  ORLOFX_GEQ_BAND(12)
  ORLOFX_GEQ_BAND(13)
  ORLOFX_GEQ_BAND(14)
  ORLOFX_GEQ_BAND(15)
  ORLOFX_GEQ_BAND(16)
  ORLOFX_GEQ_BAND(17)
  ORLOFX_GEQ_BAND(18)
  ORLOFX_GEQ_BAND(19)
  ORLOFX_GEQ_BAND(20)
  STDMETHODIMP GetAccuracy(long* v) override { return Get<&Processor::GetAccuracy>(v); }
  STDMETHODIMP SetAccuracy(long v) override { return Call<&Processor::SetAccuracy>(v); }
  STDMETHODIMP GetPointCount(long* v) override { return Get<&Processor::GetPointCount>(v); }
  STDMETHODIMP SetPointCount(long v) override { return Call<&Processor::SetPointCount>(v); }
  STDMETHODIMP GetOutputGain(long* v) override { return Get<&Processor::GetOutputGain>(v); }
  STDMETHODIMP SetOutputGain(long v) override { return Call<&Processor::SetOutputGain>(v); }
  STDMETHODIMP GetSampleRate(DWORD* rate) override {
    return Get<&Processor::GetSampleRate, std::uint32_t>(rate);
  }
  STDMETHODIMP SetEnvelope(const GeqPoint* points, DWORD count) override {
    return Call<&Processor::SetEnvelope>(points, count);
  }
  STDMETHODIMP GetEnvelope(GeqPoint* points, DWORD* count) override {
    return Get<&Processor::GetEnvelope, std::uint32_t>(count, points);
  }
};

#undef ORLOFX_GEQ_BAND

// The input pin keeps the effect's own name.
using CAkGeqInputPin = CAkEffectInputPin;

// CAkPgeq: the Paragraphic EQ filter, the in-place frame around the portable
// CAkPgeqTransform, with IAkPgeqProp. Besides the shared effect interfaces
// it offers IAkAudioTransformFloat, which runs the same processor on plain
// float buffers.
#pragma once

#include "effects/pgeq/pgeq_transform.h"
#include "effects/pgeq/win/pgeq_prop.h"
#include "framework/win/effect.h"
#include "framework/win/inplace_effect_filter.h"

// IMediaFilter and IAkAudioTransformFloat both have a Stop(): this gives the
// float interface's its own name, so that the graph's Stop stays the
// filter's and a host's float Stop never stops the graph.
class CAkAudioTransformFloatStop : public IAkAudioTransformFloat {
 public:
  STDMETHODIMP Stop() final { return StopFloatStream(); }

 protected:
  virtual ~CAkAudioTransformFloatStop() = default;
  virtual HRESULT StopFloatStream() = 0;
};

// Getter and setter of band n's `Field` (bands 1 to 4).
#define ORLOFX_PGEQ_BAND(Field, n)                          \
  STDMETHODIMP GetBand##n##Field(long* v) override {        \
    return Get<&Processor::GetBand##Field>(v, n - 1);       \
  }                                                         \
  STDMETHODIMP SetBand##n##Field(long v) override {         \
    return Call<&Processor::SetBand##Field>(n - 1, v);      \
  }
#define ORLOFX_PGEQ_FIELD(Name)                                                        \
  STDMETHODIMP Get##Name(long* v) override { return Get<&Processor::Get##Name>(v); } \
  STDMETHODIMP Set##Name(long v) override { return Call<&Processor::Set##Name>(v); }

class CAkPgeq
    : public CAkEffect<CAkPgeq, orlofx::CAkPgeqTransform, IAkPgeqProp, CAkInPlaceEffectFilter>,
      public CAkAudioTransformFloatStop {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  DECLARE_IUNKNOWN
  // IAkAudioTransformFloat, then the rest.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IAkPgeqProp
  STDMETHODIMP GetParams(PgeqParams* params) override { return GetRecord(params); }
  STDMETHODIMP SetParams(const PgeqParams* params) override { return SetRecord(params); }
  // One format serves both pins.
  STDMETHODIMP GetFormat(WAVEFORMATEX* format) override { return FormatOf(format, 0); }
  ORLOFX_PGEQ_FIELD(DryOut)
  ORLOFX_PGEQ_FIELD(WetOut)
  ORLOFX_PGEQ_BAND(Gain, 1)
  ORLOFX_PGEQ_BAND(Gain, 2)
  ORLOFX_PGEQ_BAND(Gain, 3)
  ORLOFX_PGEQ_BAND(Gain, 4)
  ORLOFX_PGEQ_BAND(Width, 1)
  ORLOFX_PGEQ_BAND(Width, 2)
  ORLOFX_PGEQ_BAND(Width, 3)
  ORLOFX_PGEQ_BAND(Width, 4)
  ORLOFX_PGEQ_BAND(Center, 1)
  ORLOFX_PGEQ_BAND(Center, 2)
  ORLOFX_PGEQ_BAND(Center, 3)
  ORLOFX_PGEQ_BAND(Center, 4)
  ORLOFX_PGEQ_FIELD(LowShelfEnable)
  ORLOFX_PGEQ_FIELD(HighShelfEnable)
  ORLOFX_PGEQ_FIELD(LowShelfFrequency)
  ORLOFX_PGEQ_FIELD(HighShelfFrequency)
  ORLOFX_PGEQ_FIELD(LowShelfGain)
  ORLOFX_PGEQ_FIELD(HighShelfGain)
  ORLOFX_PGEQ_FIELD(HighlightBand)
  STDMETHODIMP GetBandCenter(long* v, long band) override {
    return Get<&Processor::GetBandCenter>(v, band);
  }
  STDMETHODIMP GetBandGain(long* v, long band) override {
    return Get<&Processor::GetBandGain>(v, band);
  }
  STDMETHODIMP GetBandWidth(long* v, long band) override {
    return Get<&Processor::GetBandWidth>(v, band);
  }

  // IAkAudioTransformFloat
  STDMETHODIMP Init(WORD channels, DWORD rate) override {
    return Call<&Processor::Init>(channels, rate);
  }
  STDMETHODIMP Process(float* samples, DWORD frames, BOOL drain) override {
    return Call<&Processor::ProcessFloat>(samples, frames, drain != FALSE);
  }
  // No values to report.
  STDMETHODIMP QueryValue(DWORD, DWORD* value) override;
  STDMETHODIMP IsChanged() override { return transform_.IsChanged() ? S_OK : S_FALSE; }
  STDMETHODIMP Update(BOOL reset, DWORD, DWORD) override {
    return Call<&Processor::Update>(reset != FALSE);
  }
  // The graph's Stop, named here so that it is not ambiguous.
  using CTransInPlaceFilter::Stop;

 protected:
  HRESULT StopFloatStream() override;
};

#undef ORLOFX_PGEQ_FIELD
#undef ORLOFX_PGEQ_BAND

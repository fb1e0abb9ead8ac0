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
  ORLOFX_FIELD_SLOTS(DryOut)
  ORLOFX_FIELD_SLOTS(WetOut)
  ORLOFX_INDEXED_SLOTS(Band1Gain, BandGain, 0)
  ORLOFX_INDEXED_SLOTS(Band2Gain, BandGain, 1)
  ORLOFX_INDEXED_SLOTS(Band3Gain, BandGain, 2)
  ORLOFX_INDEXED_SLOTS(Band4Gain, BandGain, 3)
  ORLOFX_INDEXED_SLOTS(Band1Width, BandWidth, 0)
  ORLOFX_INDEXED_SLOTS(Band2Width, BandWidth, 1)
  ORLOFX_INDEXED_SLOTS(Band3Width, BandWidth, 2)
  ORLOFX_INDEXED_SLOTS(Band4Width, BandWidth, 3)
  ORLOFX_INDEXED_SLOTS(Band1Center, BandCenter, 0)
  ORLOFX_INDEXED_SLOTS(Band2Center, BandCenter, 1)
  ORLOFX_INDEXED_SLOTS(Band3Center, BandCenter, 2)
  ORLOFX_INDEXED_SLOTS(Band4Center, BandCenter, 3)
  ORLOFX_FIELD_SLOTS(LowShelfEnable)
  ORLOFX_FIELD_SLOTS(HighShelfEnable)
  ORLOFX_FIELD_SLOTS(LowShelfFrequency)
  ORLOFX_FIELD_SLOTS(HighShelfFrequency)
  ORLOFX_FIELD_SLOTS(LowShelfGain)
  ORLOFX_FIELD_SLOTS(HighShelfGain)
  ORLOFX_FIELD_SLOTS(HighlightBand)
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

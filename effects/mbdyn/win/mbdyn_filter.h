// CAkMbdyn: the Multi-Band Dynamics filter, the automated transform frame
// around the portable CAkMbdynTransform, with its flavour of IAkPlugInProp2
// and the media-parameter interfaces.
//
// The processor holds back one 20 ms block; the frame's end-of-stream drain
// delivers it, so the output has exactly the input's length.
#pragma once

#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/mbdyn/win/mbdyn_prop.h"
#include "framework/win/effect.h"
#include "framework/win/plugin_params.h"

// The automatable parameter `k` of bands 1 to 4.
#define ORLOFX_MBDYN_BAND_PARAM(Name, k)                            \
  ORLOFX_AUTOMATED_SLOTS(Band1##Name, BandParam(1, orlofx::k))      \
  ORLOFX_AUTOMATED_SLOTS(Band2##Name, BandParam(2, orlofx::k))      \
  ORLOFX_AUTOMATED_SLOTS(Band3##Name, BandParam(3, orlofx::k))      \
  ORLOFX_AUTOMATED_SLOTS(Band4##Name, BandParam(4, orlofx::k))

class CAkMbdyn : public CAkEffect<CAkMbdyn, orlofx::CAkMbdynTransform, mbdyn::IAkPlugInProp2,
                                  CAkAutomatedEffectFilter> {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  // IAkPlugInProp2
  STDMETHODIMP GetAllProps(orlofx::MbdynParams* props) override { return GetRecord(props); }
  STDMETHODIMP SetAllProps(const orlofx::MbdynParams* props) override { return SetRecord(props); }
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override { return FormatOf(format, pin); }
  ORLOFX_FIELD_SLOTS(EnableMeters)
  ORLOFX_FIELD_SLOTS(CaptureThreshold)
  ORLOFX_AUTOMATED_SLOTS(OutputGain, orlofx::kMbdynParamOutputGain)
  ORLOFX_MBDYN_BAND_PARAM(Threshold, kMbdynParamThreshold)
  ORLOFX_MBDYN_BAND_PARAM(Type, kMbdynParamType)
  ORLOFX_MBDYN_BAND_PARAM(Amount, kMbdynParamAmount)
  ORLOFX_MBDYN_BAND_PARAM(Attack, kMbdynParamAttack)
  ORLOFX_MBDYN_BAND_PARAM(Release, kMbdynParamRelease)
  ORLOFX_MBDYN_BAND_PARAM(Gain, kMbdynParamGain)
  ORLOFX_MBDYN_BAND_PARAM(Width, kMbdynParamWidth)
  ORLOFX_MBDYN_BAND_PARAM(Center, kMbdynParamCenter)
  ORLOFX_MBDYN_BAND_PARAM(Bypass, kMbdynParamBandBypass)
  ORLOFX_AUTOMATED_SLOTS(StereoSync, orlofx::kMbdynParamSyncStereo)
  ORLOFX_MBDYN_BAND_PARAM(Solo, kMbdynParamSolo)
  ORLOFX_AUTOMATED_SLOTS(Bypass, orlofx::kMbdynParamBypass)
  ORLOFX_FIELD_SLOTS(VisiblePage)
  STDMETHODIMP GetMeterMaximum(long band, long* v) override {
    return Get<&Processor::TakeMeterMaximum>(v, band);
  }
  STDMETHODIMP GetMeterLevel(long band, long* v) override {
    return Get<&Processor::GetMeterLevel>(v, band);
  }
  STDMETHODIMP GetDisplayWord1(long band, long* v) override {
    return Get<&Processor::GetDisplayWord>(v, 0, band);
  }
  STDMETHODIMP SetDisplayWord1(long band, long v) override {
    return Call<&Processor::SetDisplayWord>(0, band, v);
  }
  STDMETHODIMP GetDisplayWord2(long band, long* v) override {
    return Get<&Processor::GetDisplayWord>(v, 1, band);
  }
  STDMETHODIMP SetDisplayWord2(long band, long v) override {
    return Call<&Processor::SetDisplayWord>(1, band, v);
  }
  STDMETHODIMP GetMeterAt(LONGLONG time, mbdyn::MeterSnapshot* snapshot) override;
  STDMETHODIMP GetMeterHistory(long age, mbdyn::MeterSnapshot* snapshot) override;
  STDMETHODIMP GetMeterSource(long band, long* source) override {
    return Get<&Processor::GetMeterSource>(source, band);
  }
  STDMETHODIMP SetMeterSource(long band, long source) override {
    return Call<&Processor::SetMeterSource>(band, source);
  }
  STDMETHODIMP Reserved238() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved239() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved240() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved241() override { return E_NOTIMPL; }
  STDMETHODIMP ApplyCapturedThresholds(long* changed) override {
    return Get<&Processor::ApplyCapturedThresholds>(changed);
  }
  STDMETHODIMP ResetMeterMaxima() override { return Call<&Processor::ResetMeterMaxima>(); }

 private:
  // The automation index of parameter `k` of band 1 to 4.
  static constexpr std::uint32_t BandParam(int band, std::uint32_t k) {
    return (band - 1) * orlofx::kMbdynParamsPerBand + k;
  }
};

#undef ORLOFX_MBDYN_BAND_PARAM

// The input pin keeps the effect's own name.
using CAkMbdynInputPin = CAkEffectInputPin;

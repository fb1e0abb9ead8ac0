// CAkGdyn: the Graphic Dynamics filter, the automated transform frame around
// the portable CAkGdynTransform, with its flavour of IAkPlugInProp2 and the
// media-parameter interfaces.
//
// The processor holds back one 20 ms frame; the frame's end-of-stream drain
// delivers it, so the output has exactly the input's length.
#pragma once

#include "effects/gdyn/gdyn_transform.h"
#include "effects/gdyn/win/gdyn_prop.h"
#include "framework/win/effect.h"
#include "framework/win/plugin_params.h"

class CAkGdyn : public CAkEffect<CAkGdyn, orlofx::CAkGdynTransform, gdyn::IAkPlugInProp2,
                                 CAkAutomatedEffectFilter> {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  // IAkPlugInProp2
  STDMETHODIMP GetAllProps(orlofx::AkGdynProps* props) override { return GetRecord(props); }
  STDMETHODIMP SetAllProps(const orlofx::AkGdynProps* props) override { return SetRecord(props); }
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override { return FormatOf(format, pin); }
  ORLOFX_FIELD_SLOTS(PointCount)
  ORLOFX_AUTOMATED_SLOTS(OutputGain, orlofx::kGdynParamOutputGain)
  ORLOFX_AUTOMATED_SLOTS(Attack, orlofx::kGdynParamAttack)
  ORLOFX_AUTOMATED_SLOTS(Release, orlofx::kGdynParamRelease)
  ORLOFX_AUTOMATED_SLOTS(AutoGain, orlofx::kGdynParamAutoGain)
  ORLOFX_AUTOMATED_SLOTS(SyncStereo, orlofx::kGdynParamSyncStereo)
  ORLOFX_AUTOMATED_SLOTS(Bypass, orlofx::kGdynParamBypass)
  STDMETHODIMP SetPoints(const orlofx::GdynPoint* points, long count) override {
    return Call<&Processor::SetPoints>(points, count);
  }
  STDMETHODIMP GetPoints(orlofx::GdynPoint* points, long* count) override {
    return Get<&Processor::GetPoints>(count, points);
  }
  STDMETHODIMP GetRatio(long* v) override { return Get<&Processor::GetCurveRatio>(v); }
  STDMETHODIMP SetRatio(long v) override { return Call<&Processor::SetRatio>(v); }
  STDMETHODIMP GetThreshold(long* v) override { return Get<&Processor::GetCurveThreshold>(v); }
  STDMETHODIMP SetThreshold(long v) override { return Call<&Processor::SetThreshold>(v); }
};

// The input pin keeps the effect's own name.
using CAkGdynInputPin = CAkEffectInputPin;

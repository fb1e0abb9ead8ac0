// CAkNoisgt: the Noise Gate filter, the shared transform frame around the
// portable CAkNoisgtTransform, with IAkNoisgtProp.
#pragma once

#include "effects/noisgt/noisgt_transform.h"
#include "effects/noisgt/win/noisgt_prop.h"
#include "framework/win/effect.h"

class CAkNoisgt : public CAkEffect<CAkNoisgt, orlofx::CAkNoisgtTransform, IAkNoisgtProp> {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  // IAkNoisgtProp
  STDMETHODIMP GetParams(NoisgtParams* params) override { return GetRecord(params); }
  STDMETHODIMP SetParams(const NoisgtParams* params) override { return SetRecord(params); }
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override { return FormatOf(format, pin); }
  STDMETHODIMP GetAttack(long* v) override { return Get<&Processor::GetAttack>(v); }
  STDMETHODIMP SetAttack(long v) override { return Call<&Processor::SetAttack>(v); }
  STDMETHODIMP GetRelease(long* v) override { return Get<&Processor::GetRelease>(v); }
  STDMETHODIMP SetRelease(long v) override { return Call<&Processor::SetRelease>(v); }
  STDMETHODIMP GetThreshold(long* v) override { return Get<&Processor::GetThreshold>(v); }
  STDMETHODIMP SetThreshold(long v) override { return Call<&Processor::SetThreshold>(v); }
};

// The input pin keeps the effect's own name.
using CAkNoisgtInputPin = CAkEffectInputPin;

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
  ORLOFX_FIELD_SLOTS(Attack)
  ORLOFX_FIELD_SLOTS(Release)
  ORLOFX_FIELD_SLOTS(Threshold)
};

// The input pin keeps the effect's own name.
using CAkNoisgtInputPin = CAkEffectInputPin;

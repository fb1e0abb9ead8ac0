// CAkPmeq: the Parametric EQ filter, the shared transform frame around the
// portable CAkPmeqTransform, with IAkPmeqProp.
//
// The FIR engine holds back up to one block (128, 512 or 2048 frames by the
// accuracy); the frame's end-of-stream drain delivers what it still holds,
// so the output has exactly the input's length.
#pragma once

#include "effects/pmeq/pmeq_transform.h"
#include "effects/pmeq/win/pmeq_prop.h"
#include "framework/win/effect.h"

class CAkPmeq : public CAkEffect<CAkPmeq, orlofx::CAkPmeqTransform, IAkPmeqProp> {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  // IAkPmeqProp
  STDMETHODIMP GetParams(PmeqParams* params) override { return GetRecord(params); }
  STDMETHODIMP SetParams(const PmeqParams* params) override { return SetRecord(params); }
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override { return FormatOf(format, pin); }
  ORLOFX_FIELD_SLOTS(FilterType)
  ORLOFX_FIELD_SLOTS(Accuracy)
  ORLOFX_FIELD_SLOTS(Frequency)
  ORLOFX_FIELD_SLOTS(Width)
  ORLOFX_FIELD_SLOTS(Amount)
  ORLOFX_FIELD_SLOTS(OutputGain)
};

// The input pin keeps the effect's own name.
using CAkPmeqInputPin = CAkEffectInputPin;

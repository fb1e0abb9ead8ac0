// Parametric EQ processor: one shelf, band-pass or band-notch/boost section
// and an output gain, realised as an FIR kernel designed from a target curve
// (pmeq_target.h) and applied by overlap-add FFT convolution (the FIR
// equaliser front end, effects/fir_equalizer.h).
//
// Output leaves in blocks of N/2 frames (N = 256, 1024 or 4096 by the
// accuracy), so delivery lags by up to one block; output frame j is always
// the filtered input frame j, and the drain delivers exactly the frames
// still held.
#pragma once

#include <cstdint>

#include "effects/fir_equalizer.h"
#include "effects/pmeq/pmeq_params.h"
#include "effects/pmeq/pmeq_target.h"

namespace orlofx {

class CAkPmeqTransform : public FirEqualizer<PmeqParams> {
 public:
  CAkPmeqTransform();

  // --- the effect's property interface --------------------------------------
  // Getters fill 32-bit values; setters clamp silently and always succeed.
  // GetParams and SetParams (the whole record: frequency, width and amount
  // clamped, the others as given) come from EffectSettings. Filter type and
  // accuracy are stored as given; a change of accuracy asks for a new FFT
  // size.
  ORLOFX_SETTING(FilterType, kPmeqFilterType)
  ORLOFX_SETTING(Accuracy, kPmeqAccuracy)
  ORLOFX_SETTING(Frequency, kPmeqFrequency)
  ORLOFX_SETTING(Width, kPmeqWidth)
  ORLOFX_SETTING(Amount, kPmeqAmount)
  // Clamped to -600..200 (the whole-record setter keeps it as given).
  ORLOFX_SETTING(OutputGain, kPmeqOutputGain)
};

}  // namespace orlofx

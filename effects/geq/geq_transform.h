// Graphic EQ processor: a gain envelope drawn over frequency (up to 64
// points, 20 Hz to 20480 Hz), realised as an FIR kernel designed from the
// envelope (geq_target.h) and applied by overlap-add FFT convolution (the
// FIR equaliser front end, effects/fir_equalizer.h), with the output gain
// applied as samples leave.
//
// The engine is the Parametric EQ's; the differences are the design, the
// leaving gain, six notification slots, and that a break in the stream
// drops the partly filled block.
#pragma once

#include <cstdint>

#include "effects/fir_equalizer.h"
#include "effects/geq/geq_params.h"
#include "effects/geq/geq_target.h"

namespace orlofx {

// The rate GetSampleRate reports while no input format is known.
constexpr std::uint32_t kGeqDefaultSampleRate = 44100;

class CAkGeqTransform : public FirEqualizer<GeqParams> {
 public:
  CAkGeqTransform();

  // --- the effect's property interface --------------------------------------
  // GetParams and SetParams (the whole record, clamped as ClampGeqParams
  // says) come from EffectSettings.
  // band 0..19 (the interface's band 1 .. band 20); kInvalidArg otherwise.
  HResult GetBandGain(int band, std::int32_t* value) const;
  HResult SetBandGain(int band, std::int32_t value);  // clamped to -480..240
  // Accuracy is stored as given, the point count clamped to 2..64; a change
  // of either asks for a new FFT size.
  ORLOFX_SETTING(Accuracy, kGeqAccuracy)
  ORLOFX_SETTING(PointCount, kGeqPointCount)
  // Clamped to -600..200.
  ORLOFX_SETTING(OutputGain, kGeqOutputGain)
  // The input format's rate, 44100 while the input has no format.
  HResult GetSampleRate(std::uint32_t* rate) const;
  // Copies `count` points and stores the count; values are kept as given.
  // A count above 64 is taken as 64 (the record holds no more); a count
  // below 2 is refused with kInvalidArg and changes nothing (a curve needs
  // two points).
  HResult SetEnvelope(const GeqPoint* points, std::uint32_t count);
  // Copies the points in use (up to 64) and their count.
  HResult GetEnvelope(GeqPoint* points, std::uint32_t* count) const;
};

}  // namespace orlofx

// The transfer curve of Graphic Dynamics: from the drawn points (output level
// against input level, tenths of a dB) to what the processor and the page
// use: the 841-entry gain table, the detector's bend point, and the curve's
// threshold and ratio.
//
//   points ──► gain per 0.1 dB of input level (output - input, interpolated)
//          ──► auto gain: curve raised until its top reaches 0 dB
//          ──► linear gains, 0.0 where the curve sits on the floor (mute)
//
// Pure functions, no state: the processor rebuilds from a settings snapshot.
#pragma once

#include <cstdint>

#include "effects/gdyn/gdyn_params.h"

namespace orlofx {

// Entry k is the gain for an input peak level of -k tenths of a dB.
constexpr int kGdynTableSize = 841;

// The gain table in tenths of a dB (before auto gain); kGdynLevelFloor
// marks mute. Points are taken in the order stored, consecutive pairs
// filling the entries between them; entries no pair reaches stay at 0 dB.
// `count` is taken within 2..16; coordinates must be within -840..0.
void GdynGainTableDb(const GdynPoint* points, int count, double* tableDb);

// The linear gain table: GdynGainTableDb, then with autoGain the whole curve
// raised by its highest output level when that is below 0 dB (mute entries
// stay mute), then 10^(e/200), mute as exactly 0.0.
void GdynGainTable(const GdynPoint* points, int count, bool autoGain, double* table);

// The table's gain for a peak level in tenths of a dB (clamped to -840..0),
// interpolated between the entries around it.
double GdynTableGain(const double* table, double levelTenths);

// Input level (tenths of a dB) at which the curve bends from the unity slope
// into compression or limiting: the detector threshold.
std::int32_t GdynBendPoint(const GdynPoint* points, int count);

// The threshold and ratio (tenths: 10 is 1:1, clamped to 1..500) the page
// shows for the curve.
std::int32_t GdynCurveThreshold(const GdynPoint* points, int count);
std::int32_t GdynCurveRatio(const GdynPoint* points, int count);

}  // namespace orlofx

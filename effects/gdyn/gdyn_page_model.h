// What the Graphic Dynamics page does to the transfer curve when the user
// moves its threshold or ratio slider or resets the graph, apart from any
// window: the curve is reshaped in one move so that the knee follows the
// threshold slider and the slope above the knee follows the ratio slider.
//
// Curves here are lists of (input, output) points in tenths of a dB, sorted
// by input level (as the graph holds them), at most kGdynMaxPoints long.
#pragma once

#include <cstdint>

#include "effects/gdyn/gdyn_params.h"

namespace orlofx {

// A curve as the page edits it.
struct GdynPageCurve {
  GdynPoint points[kGdynMaxPoints] = {};
  int count = 0;
};

// Interior points closer than this to either end of the input range, or to
// a neighbour after a threshold move, are not kept (0.3 dB).
constexpr std::int32_t kGdynPointGap = 3;
// A point that moves down a place on a removal is lifted at least this far
// off the floor (unless it is on the floor), so it stays visible.
constexpr std::int32_t kGdynLiftedFloor = -800;

// a / b rounded to the nearest integer, halves away from zero; b != 0.
std::int64_t RoundedQuotient(std::int64_t a, std::int64_t b);

// The curve "Reset Graph" gives: unity gain with its knee at -21 dB.
GdynPageCurve GdynResetCurve();

// The points sorted by input level (stable), count clamped to 0..16.
GdynPageCurve GdynSortedCurve(const GdynPoint* points, int count);

// Moves the curve's knee by `delta` tenths of a dB: every interior point
// moves by delta (outputs on the floor stay there) while keeping 0.3 dB from
// its neighbours, the last point's output keeps the slope above the knee,
// and with four or more points interior points pushed to within 0.3 dB of
// either end of the range are removed.
void GdynMoveThreshold(GdynPageCurve& curve, std::int32_t delta);

// Turns the curve above its threshold point (GdynCurveThreshold) so that it
// has ratio `ratio` (tenths, 500 is a flat line, "Inf.:1"): the last point
// goes to the output a line of that slope through the threshold point
// reaches at 0 dB, and the points between move in proportion to their
// distance from the threshold point. Then crowded points are removed as
// above.
void GdynApplyRatio(GdynPageCurve& curve, std::int32_t ratio);

// With four or more points, removes interior points whose input is not
// strictly between -83.7 and -0.3 dB, lifting the outputs of the points
// that move down a place to at least -80 dB (floor outputs stay). Never
// leaves fewer than three points.
void GdynRemoveCrowdedPoints(GdynPageCurve& curve);

}  // namespace orlofx

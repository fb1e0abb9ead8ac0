#include "effects/gdyn/gdyn_page_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>


namespace orlofx {

namespace {

constexpr std::int32_t kLevelTop = 0;

std::int32_t ClampLevel(std::int64_t value) {
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(value, kGdynLevelFloor), kLevelTop));
}

// Index of the point GdynCurveThreshold reports, in a sorted curve: the
// loudest interior point within 1 dB of unity gain, else the second-last.
int ThresholdIndex(const GdynPageCurve& curve) {
  for (int k = curve.count - 2; k >= 1; --k)
    if (std::abs(curve.points[k].y - curve.points[k].x) < 10) return k;
  return curve.count - 2;
}

}  // namespace

std::int64_t RoundedQuotient(std::int64_t a, std::int64_t b) {
  const std::int64_t half = (b < 0 ? -b : b) / 2;
  const bool negative = (a < 0) != (b < 0);
  // With an odd divisor |b|/2 falls short of the half, but then no quotient
  // ends in exactly .5 either, so the rounding is still to the nearest.
  const std::int64_t magnitude = ((a < 0 ? -a : a) + half) / (b < 0 ? -b : b);
  return negative ? -magnitude : magnitude;
}

GdynPageCurve GdynResetCurve() {
  GdynPageCurve curve;
  curve.points[0] = {kGdynLevelFloor, kGdynLevelFloor};
  curve.points[1] = {-210, -210};
  curve.points[2] = {0, 0};
  curve.count = 3;
  return curve;
}

GdynPageCurve GdynSortedCurve(const GdynPoint* points, int count) {
  GdynPageCurve curve;
  curve.count = std::min(std::max(count, 0), kGdynMaxPoints);
  std::copy(points, points + curve.count, curve.points);
  for (int i = 1; i < curve.count; ++i)
    for (int k = i; k > 0 && curve.points[k].x < curve.points[k - 1].x; --k)
      std::swap(curve.points[k], curve.points[k - 1]);
  return curve;
}

void GdynMoveThreshold(GdynPageCurve& curve, std::int32_t delta) {
  const int n = curve.count;
  if (n < 3 || delta == 0) return;
  GdynPoint* p = curve.points;
  // Points are moved in the direction of the move, the leading one first,
  // so that each is held off its neighbour's new place rather than the one
  // that neighbour is about to leave (which would drag a point backwards).
  const bool up = delta > 0;
  for (int i = 1; i < n - 1; ++i) {
    const int k = up ? n - 1 - i : i;
    if (p[k].y != kGdynLevelFloor) p[k].y = ClampLevel(std::int64_t{p[k].y} + delta);
    std::int32_t x = p[k].x + delta;
    x = std::max(x, p[k - 1].x + kGdynPointGap);
    x = std::min(x, p[k + 1].x - kGdynPointGap);
    p[k].x = x;
  }
  // The last point keeps the slope of the segment below it, taken as it was
  // before the move (hence the delta in both differences).
  GdynPoint& last = p[n - 1];
  const GdynPoint& prev = p[n - 2];
  if (last.y != 0) {
    const std::int64_t dy = std::int64_t{last.y} - prev.y + delta;
    const std::int64_t dx = std::int64_t{last.x} - prev.x + delta;
    std::int64_t y = std::int64_t{last.y} + delta;
    if (dx != 0) y -= RoundedQuotient(std::int64_t{delta} * dy, dx);
    last.y = ClampLevel(y);
  }
  GdynRemoveCrowdedPoints(curve);
}

void GdynApplyRatio(GdynPageCurve& curve, std::int32_t ratio) {
  const int n = curve.count;
  if (n < 3) return;
  const std::int32_t q = std::min(std::max(ratio, kGdynRatioMin), kGdynRatioMax);
  const int t = ThresholdIndex(curve);
  GdynPoint* p = curve.points;
  const std::int32_t xt = p[t].x;
  const std::int32_t yt = p[t].y;
  std::int64_t top = yt;
  if (q < kGdynRatioMax) top = static_cast<std::int64_t>(std::trunc(yt - 10.0 * xt / q - 0.5));
  const std::int64_t rise = ClampLevel(top) - std::int64_t{p[n - 1].y};
  for (int k = n - 1; k > t; --k) {
    // A knee at 0 dB leaves no distance to share out: everything above it
    // moves by the whole rise.
    const std::int64_t move =
        xt == 0 ? rise : RoundedQuotient((std::int64_t{xt} - p[k].x) * rise, xt);
    std::int64_t y = std::int64_t{p[k].y} + move;
    y = std::max<std::int64_t>(y, yt);
    if (k < n - 1) y = std::min<std::int64_t>(y, p[n - 1].y);
    p[k].y = ClampLevel(y);
  }
  GdynRemoveCrowdedPoints(curve);
}

void GdynRemoveCrowdedPoints(GdynPageCurve& curve) {
  int k = 1;
  while (k < curve.count - 1) {
    const std::int32_t x = curve.points[k].x;
    const bool crowded =
        !(x > kGdynLevelFloor + kGdynPointGap && x < kLevelTop - kGdynPointGap);
    if (!crowded || curve.count < 4) {
      ++k;
      continue;
    }
    for (int j = k; j + 1 < curve.count; ++j) {
      GdynPoint moved = curve.points[j + 1];
      if (moved.y != kGdynLevelFloor) moved.y = std::max(moved.y, kGdynLiftedFloor);
      curve.points[j] = moved;
    }
    --curve.count;
    curve.points[curve.count] = {};
  }
}

}  // namespace orlofx

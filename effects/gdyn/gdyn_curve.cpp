#include "effects/gdyn/gdyn_curve.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orlofx {

namespace {

// Below -20 dB of gain at its upper end, a first segment that starts on the
// floor is a gate: its floor end is muted rather than merely attenuated.
constexpr double kGateGainDb = -200.0;

int UsableCount(int count) { return std::min(std::max(count, 2), kGdynMaxPoints); }

// The points in use, sorted by input level; points of equal input level keep
// their stored order.
int SortedPoints(const GdynPoint* points, int count, GdynPoint* sorted) {
  const int n = UsableCount(count);
  std::copy(points, points + n, sorted);
  // An exchange sort on at most 16 points: stable, and unlike
  // std::stable_sort it never takes a buffer from the heap, so the
  // processor can rebuild on the streaming path.
  for (int i = 1; i < n; ++i)
    for (int k = i; k > 0 && sorted[k].x < sorted[k - 1].x; --k) std::swap(sorted[k], sorted[k - 1]);
  return n;
}

// Slope of the segment between two points. Two points at one input level
// make a vertical step: its slope is infinite in the step's direction (and
// NaN, which qualifies for nothing, when the points coincide).
double Slope(const GdynPoint& a, const GdynPoint& b) {
  return static_cast<double>(b.y - a.y) / static_cast<double>(b.x - a.x);
}

// The page's threshold point among the sorted points: the loudest inner point
// that lies within 1 dB of unity gain, else the second-last point.
int ThresholdIndex(const GdynPoint* sorted, int n) {
  for (int k = n - 2; k >= 1; --k)
    if (std::abs(sorted[k].y - sorted[k].x) < 10) return k;
  return n - 2;
}

}  // namespace

void GdynGainTableDb(const GdynPoint* points, int count, double* tableDb) {
  std::fill(tableDb, tableDb + kGdynTableSize, 0.0);
  const int n = UsableCount(count);
  for (int p = 0; p + 1 < n; ++p) {
    const GdynPoint& a = points[p];
    const GdynPoint& b = points[p + 1];
    const int ia = -a.x;
    const int ib = -b.x;
    double ea = a.y - a.x;
    double eb = b.y - b.x;
    if (a.y == kGdynLevelFloor && b.y == kGdynLevelFloor) ea = eb = kGdynLevelFloor;
    if (p == 0 && a.y == kGdynLevelFloor && eb < kGateGainDb) ea = kGdynLevelFloor;
    tableDb[ia] = ea;
    tableDb[ib] = eb;
    // Entries strictly between the two ends, whichever way the pair runs.
    const int lo = std::min(ia, ib);
    const int hi = std::max(ia, ib);
    const double elo = ia < ib ? ea : eb;
    const double ehi = ia < ib ? eb : ea;
    for (int k = lo + 1; k < hi; ++k)
      tableDb[k] = elo + (ehi - elo) * static_cast<double>(k - lo) / static_cast<double>(hi - lo);
  }
}

void GdynGainTable(const GdynPoint* points, int count, bool autoGain, double* table) {
  GdynGainTableDb(points, count, table);
  const int n = UsableCount(count);
  double top = kGdynLevelFloor;
  for (int p = 0; p < n; ++p) top = std::max(top, static_cast<double>(points[p].y));
  // Auto gain lifts what the curve lets through; a muted stretch of the
  // curve is a gate and stays shut.
  const double lift = (autoGain && top < 0.0) ? -top : 0.0;
  for (int k = 0; k < kGdynTableSize; ++k) {
    const double e = table[k];
    table[k] = e == kGdynLevelFloor ? 0.0 : std::pow(10.0, (e + lift) / 200.0);
  }
}

double GdynTableGain(const double* table, double levelTenths) {
  const double level = std::min(std::max(levelTenths, static_cast<double>(kGdynLevelFloor)), 0.0);
  const int i = static_cast<int>(level);  // toward zero: the louder neighbour
  double g = table[-i];
  if (level > kGdynLevelFloor) g += (i - level) * (table[-i + 1] - table[-i]);
  return g;
}

std::int32_t GdynBendPoint(const GdynPoint* points, int count) {
  GdynPoint s[kGdynMaxPoints];
  const int n = SortedPoints(points, count, s);
  if (n == 2) return s[0].x;
  for (int k = n - 2; k >= 1; --k) {
    const double left = Slope(s[k - 1], s[k]);
    const double right = Slope(s[k], s[k + 1]);
    // Unity (or steeper) on the left and flatter on the right: the knee of a
    // compressor or limiter; steeper than unity on the left: an expander's.
    if ((right < 1.0 && left >= 0.9) || (right < 1.1 && left >= 1.1)) return s[k].x;
  }
  return s[n - 2].x;
}

std::int32_t GdynCurveThreshold(const GdynPoint* points, int count) {
  GdynPoint s[kGdynMaxPoints];
  const int n = SortedPoints(points, count, s);
  return s[ThresholdIndex(s, n)].x;
}

std::int32_t GdynCurveRatio(const GdynPoint* points, int count) {
  GdynPoint s[kGdynMaxPoints];
  const int n = SortedPoints(points, count, s);
  const GdynPoint& knee = s[ThresholdIndex(s, n)];
  const std::int32_t rise = s[n - 1].x - knee.x;
  const std::int32_t divisor = s[n - 1].y - knee.y;
  if (divisor < 1) return kGdynRatioMax;  // flat or falling above the knee: a limiter
  // Rounded to the nearest tenth, half a divisor up.
  const std::int32_t ratio = (10 * rise + (divisor + 1) / 2) / divisor;
  return std::min(std::max(ratio, 1), kGdynRatioMax);
}

}  // namespace orlofx

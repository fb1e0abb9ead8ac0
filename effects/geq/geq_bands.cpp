#include "effects/geq/geq_bands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "effects/geq/geq_target.h"
#include "support/number_format.h"
#include "support/strings.h"

namespace orlofx {

namespace {

constexpr int kReadoutFormatId = 7045;  // "%s Hz, %s dB"

// The fixed design the faders are read from, whatever the stream's rate.
constexpr double kBandRate = 44000.0;
constexpr std::size_t kBandBins = 5000;
constexpr double kBandSpread = 1.09;  // each band looks this factor either side

// Band centres in Hz, 20·2^(k/2) truncated.
constexpr double kBandCentres[kGeqBandCount] = {
    20,   28,   40,   56,   80,   113,  160,  226,  320,   452,
    640,  905,  1280, 1810, 2560, 3620, 5120, 7240, 10240, 14481,
};

// Clean-up: an interior point this close to the one before it adds nothing.
constexpr std::int32_t kNearX = 100;
constexpr std::int32_t kNearY = 10;

// The points being edited, sorted by x: the record's points and the four a
// band edit may add, in place (an edit is made while audio plays).
class Points {
 public:
  std::size_t size() const { return size_; }
  GeqPoint* begin() { return items_.data(); }
  GeqPoint* end() { return items_.data() + size_; }
  const GeqPoint* begin() const { return items_.data(); }
  const GeqPoint* end() const { return items_.data() + size_; }
  GeqPoint& operator[](std::size_t i) { return items_[i]; }
  const GeqPoint& operator[](std::size_t i) const { return items_[i]; }
  GeqPoint& front() { return items_[0]; }
  GeqPoint& back() { return items_[size_ - 1]; }
  const GeqPoint& front() const { return items_[0]; }
  const GeqPoint& back() const { return items_[size_ - 1]; }
  void Assign(const GeqPoint* points, std::size_t count) {
    size_ = std::min(count, kCapacity - kEditPoints);
    std::copy(points, points + size_, items_.begin());
  }
  void Insert(GeqPoint* at, GeqPoint point) {
    std::copy_backward(at, end(), end() + 1);
    *at = point;
    ++size_;
  }
  void Erase(std::size_t i) {
    std::copy(begin() + i + 1, end(), begin() + i);
    --size_;
  }

 private:
  static constexpr std::size_t kEditPoints = 4;
  static constexpr std::size_t kCapacity = 2 * kGeqMaxPoints;
  std::array<GeqPoint, kCapacity> items_{};
  std::size_t size_ = 0;
};

bool ByX(const GeqPoint& a, const GeqPoint& b) { return a.x < b.x; }

// Sorts by x keeping the order of equal x (an insertion sort: std::stable_sort
// may ask for a buffer).
void SortByX(Points& p) {
  for (std::size_t i = 1; i < p.size(); ++i) {
    const GeqPoint point = p[i];
    std::size_t j = i;
    for (; j > 0 && ByX(point, p[j - 1]); --j) p[j] = p[j - 1];
    p[j] = point;
  }
}

std::int32_t RoundHalfAway(double v) { return static_cast<std::int32_t>(std::lround(v)); }

// The level of the straight segment from a to b at x (a.x < b.x).
std::int32_t Interpolate(const GeqPoint& a, const GeqPoint& b, std::int32_t x) {
  return a.y + RoundHalfAway(static_cast<double>(b.y - a.y) * (x - a.x) / (b.x - a.x));
}

// The level at x on the segment that starts at the last point left of x;
// the first point's level when none lies left of x.
std::int32_t LevelFromLeft(const Points& p, std::int32_t x) {
  std::size_t left = p.size();
  for (std::size_t i = 0; i < p.size(); ++i)
    if (p[i].x < x) left = i;
  if (left == p.size()) return p.front().y;
  if (left + 1 == p.size()) return p.back().y;
  return Interpolate(p[left], p[left + 1], x);
}

// The level at x on the segment that ends at the first point right of x;
// the last point's level when none lies right of x.
std::int32_t LevelFromRight(const Points& p, std::int32_t x) {
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p[i].x <= x) continue;
    if (i == 0) return p.front().y;
    return Interpolate(p[i - 1], p[i], x);
  }
  return p.back().y;
}

bool StandsAt(const Points& p, std::int32_t x) {
  for (std::size_t i = 1; i < p.size(); ++i)
    if (p[i].x == x) return true;
  return false;
}

// Keeps the points sorted; a point already at x only takes the new level.
void Put(Points& p, std::int32_t x, std::int32_t y) {
  auto at = std::lower_bound(p.begin(), p.end(), GeqPoint{x, 0}, ByX);
  if (at != p.end() && at->x == x) {
    at->y = y;
    return;
  }
  p.Insert(at, GeqPoint{x, y});
}

void CleanUp(Points& p) {
  SortByX(p);
  for (GeqPoint& point : p) {
    point.x = std::clamp(point.x, kGeqXMin, kGeqXMax);
    point.y = std::clamp(point.y, kGeqYSilence, kGeqYMax);
  }
  std::size_t i = 1;
  while (p.size() >= 3 && i + 1 < p.size()) {
    const GeqPoint& before = p[i - 1];
    const GeqPoint& here = p[i];
    const GeqPoint& after = p[i + 1];
    const bool level = before.y == here.y && here.y == after.y;
    const bool close =
        here.x - before.x < kNearX && std::abs(here.y - before.y) < kNearY;
    if (level || close)
      p.Erase(i);  // look at the same place again
    else
      ++i;
  }
}

// More than the record holds: the interior points outside the band's span
// [from, to] go first, the one whose loss bends the curve least each time.
// Cutting the list short instead would lose the curve's right end.
void FitRecord(Points& p, std::int32_t from, std::int32_t to) {
  while (p.size() > static_cast<std::size_t>(kGeqMaxPoints)) {
    std::size_t best = 0;
    double leastBend = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i + 1 < p.size(); ++i) {
      if (p[i].x >= from && p[i].x <= to) continue;
      const GeqPoint& a = p[i - 1];
      const GeqPoint& b = p[i + 1];
      const double line =
          b.x == a.x ? a.y : a.y + static_cast<double>(b.y - a.y) * (p[i].x - a.x) / (b.x - a.x);
      const double bend = std::abs(p[i].y - line);
      if (bend < leastBend) {
        leastBend = bend;
        best = i;
      }
    }
    if (best == 0) break;  // cannot happen: the span holds at most five points
    p.Erase(best);
  }
}

}  // namespace

std::int32_t GeqLevelOfGain(std::int32_t gain) {
  if (gain <= kGeqBandGainMin) return kGeqYSilence;
  const double d = gain / 10.0;
  const double sign = d < 0.0 ? -1.0 : 1.0;
  const double a = std::abs(d);
  const double level = a <= 3.0 ? std::trunc(100.0 * std::log2(a / 3.0 + 1.0) + 0.5)
                                 : std::trunc(100.0 * std::log2(a / 3.0) + 100.5);
  // Only the fader's bottom is silence: -47.9 dB would round onto the floor.
  return std::max(static_cast<std::int32_t>(sign * level), kGeqYSilence + 1);
}

GeqEnvelope GeqEditBand(const GeqPoint* points, std::size_t count, int band, std::int32_t gain,
                        GeqFaderPage page) {
  Points p;
  const GeqPoint flat[] = {{kGeqXMin, 0}, {kGeqXMax, 0}};  // no curve to edit: a flat one
  if (points && count >= static_cast<std::size_t>(kGeqMinPoints))
    p.Assign(points, count);
  else
    p.Assign(flat, 2);
  // The ramps start from the curve as the filter plays it.
  for (GeqPoint& point : p) {
    point.x = std::clamp(point.x, kGeqXMin, kGeqXMax);
    point.y = std::clamp(point.y, kGeqYSilence, kGeqYMax);
  }
  SortByX(p);
  band = std::clamp(band, 0, kGeqBandCount - 1);
  const bool lowest = band == 0;
  const bool highest = band == kGeqBandCount - 1;

  const std::int32_t w = GeqHalfWidth(page);
  const std::int32_t xc = GeqBandX(band);
  const std::int32_t xl = xc - w, xr = xc + w, xll = xc - 2 * w, xrr = xc + 2 * w;
  const std::int32_t levelLeft = lowest ? p.front().y : LevelFromLeft(p, xll);
  const std::int32_t levelRight = LevelFromRight(p, xrr);
  // A neighbouring band's plateau ends there: ramp straight to it.
  const bool neighbourLeft = StandsAt(p, xc - 3 * w);
  const bool neighbourRight = StandsAt(p, xc + 3 * w);

  // The band's span is redrawn; the curve's two ends stay.
  for (std::size_t i = p.size() - 2; i >= 1; --i) {
    if (p[i].x >= xll && p[i].x <= xrr) p.Erase(i);
  }

  const std::int32_t y = GeqLevelOfGain(gain);
  if (!lowest) Put(p, xl, y);
  if (!highest) Put(p, xr, y);
  if (!neighbourLeft && !lowest) Put(p, xll, levelLeft);
  if (!neighbourRight && !highest) Put(p, xrr, levelRight);

  // The outermost faders are shelves: the curve's end follows them.
  if (lowest || (band == 1 && page == GeqFaderPage::kTenBand)) p.front().y = p[1].y;
  if (highest) p.back().y = p[p.size() - 2].y;

  CleanUp(p);
  FitRecord(p, xll, xrr);
  GeqEnvelope edited;
  edited.count = std::min(p.size(), edited.points.size());
  std::copy(p.begin(), p.begin() + edited.count, edited.points.begin());
  return edited;
}

std::array<std::int32_t, kGeqBandCount> GeqBandGainsOf(const GeqPoint* points,
                                                        std::size_t count) {
  GeqParams params{};
  const std::size_t used = std::min(count, static_cast<std::size_t>(kGeqMaxPoints));
  if (points && used >= static_cast<std::size_t>(kGeqMinPoints)) {
    std::copy(points, points + used, params.points);
    params.pointCount = static_cast<std::int32_t>(used);
  } else {
    params.points[1] = GeqPoint{kGeqXMax, 0};
    params.pointCount = kGeqMinPoints;
  }
  std::vector<double> h(kBandBins);
  GeqTargetResponse(params, kBandRate, kBandBins, h.data());

  constexpr int kLast = static_cast<int>(kBandBins) - 1;
  std::array<std::int32_t, kGeqBandCount> gains{};
  for (int i = 0; i < kGeqBandCount; ++i) {
    const double b = kBandCentres[i] * kBandBins / (kBandRate / 2.0);
    const double spread = i == 0 ? 1.0 : kBandSpread;
    int lo = static_cast<int>(std::trunc(b / spread + 0.5));
    int hi = static_cast<int>(std::trunc(b * spread + 0.5));
    if (i < 2) {
      lo = 0;
      hi -= 1;
    }
    if (i == kGeqBandCount - 1) hi = kLast;
    lo = std::min(lo, kLast);
    hi = std::clamp(hi, lo, kLast);

    const auto [m, M] = std::minmax_element(h.begin() + lo, h.begin() + hi + 1);
    // The larger deviation from 0 dB wins: M/1 against 1/m.
    const double value = *M * *m >= 1.0 ? *M : *m;
    if (*m <= 0.0 || value <= 0.0) {
      gains[i] = kGeqBandGainMin;
      continue;
    }
    const double tenths = std::round(200.0 * std::log10(value));
    gains[i] = static_cast<std::int32_t>(
        std::clamp(tenths, static_cast<double>(kGeqBandGainMin),
                   static_cast<double>(kGeqBandGainMax)));
  }
  return gains;
}

std::int32_t GeqReadoutFrequency(std::int32_t x) {
  return static_cast<std::int32_t>(std::trunc(GeqPointFrequency(x) + 0.5));
}

std::int32_t GeqReadoutTenths(std::int32_t y) {
  const double a = std::abs(std::clamp(y, kGeqYSilence, kGeqYMax));
  const double e = a <= 100.0 ? std::pow(2.0, a / 100.0) - 1.0 : std::pow(2.0, (a - 100.0) / 100.0);
  const std::int32_t t = static_cast<std::int32_t>(std::trunc(30.0 * e));
  return y < 0 ? -t : t;
}

std::string GeqReadoutText(std::int32_t x, std::int32_t y) {
  // Both numbers in the locale's layout, as every value of the pages: the
  // frequency grouped, the gain with one decimal ("-0.3" keeps its sign).
  const std::string hertz = FormatInteger(GeqReadoutFrequency(x), true);
  const std::string gain = FormatLevel(GeqReadoutTenths(y), 1, 0, nullptr);

  // The translations keep the two conversions in order: %s, then %s.
  const std::string format = LoadString(kReadoutFormatId);
  std::string text;
  int filled = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      text += format[i];
      continue;
    }
    const char conversion = format[++i];
    if (conversion == 's')
      text += filled++ == 0 ? hertz : gain;
    else
      text += conversion;  // "%%" and anything unknown: the character itself
  }
  return text;
}

}  // namespace orlofx

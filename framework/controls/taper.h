// Value <-> pixel mapping of the sliders, with the optional taper that gives
// part of the range more travel. Integer arithmetic throughout, so that the
// same value always lands on the same pixel. No platform headers: the native
// tests use this file directly.
#pragma once

#include <cstdint>

namespace orlofx {

enum class TaperTable {
  kNone,    // linear
  kLevel,   // levels and times: 0 to 10 dB (or 100 ms) get almost half the travel
  kOctave,  // frequencies: 1000 per doubling
};

struct TaperPoint {
  std::int64_t value;
  std::int64_t tapered;
};

inline constexpr TaperPoint kLevelTaper[] = {{0, 0},     {30, 250},  {60, 400},  {120, 500},
                                             {250, 600}, {400, 800}, {700, 950}, {1000, 1000}};
inline constexpr TaperPoint kOctaveTaper[] = {
    {0, 0},          {20, 1000},      {40, 2000},      {80, 3000},       {160, 4000},
    {320, 5000},     {640, 6000},     {1280, 7000},    {2560, 8000},     {5120, 9000},
    {10240, 10000},  {20480, 11000},  {40960, 12000},  {81920, 13000},   {163840, 14000}};

// T(v): sign-symmetric, piecewise linear in |v| between the table's points
// (truncating), the identity beyond the last point.
std::int64_t Taper(TaperTable table, std::int64_t value);
// The inverse of Taper: the smallest magnitude whose taper reaches the
// given one (by the same interpolation read the other way).
std::int64_t Untaper(TaperTable table, std::int64_t tapered);

// A slider's range and travel, and the mapping between its values and the
// pixel offsets 0..travel along its channel (0 at the minimum's end).
class SliderMapping {
 public:
  void SetRange(std::int32_t minimum, std::int32_t maximum, TaperTable table);
  void SetTravel(int travel) { travel_ = travel < 0 ? 0 : travel; }

  std::int32_t Minimum() const { return minimum_; }
  std::int32_t Maximum() const { return maximum_; }
  int Travel() const { return travel_; }
  std::int32_t Clamp(std::int64_t value) const;

  // The value in linear terms (the taper folded in): o + T(v)·(max − min)/d.
  std::int64_t Linear(std::int32_t value) const;
  // Pixel offset of a value, 0..travel.
  int PixelOf(std::int32_t value) const;
  // The value whose pixel lies nearest to `offset` (clamped to the travel);
  // of two equally near values the smaller. Dragging the thumb to a pixel
  // therefore leaves it exactly there whenever some value maps to that pixel.
  std::int32_t ValueAt(int offset) const;

  std::int64_t TaperOffset() const { return offset_; }
  std::int64_t TaperDivisor() const { return divisor_; }

 private:
  std::int32_t minimum_ = 0;
  std::int32_t maximum_ = 100;
  TaperTable table_ = TaperTable::kNone;
  std::int64_t offset_ = 0;
  std::int64_t divisor_ = 100;
  int travel_ = 0;
};

// The page step the fader uses when none is given: a tenth of the range,
// rounded, at least 1.
std::int32_t AutomaticPageStep(std::int32_t minimum, std::int32_t maximum);

// Digit keys jump to tenths of the range: min + (max − min)·digit/10.
std::int32_t DigitValue(std::int32_t minimum, std::int32_t maximum, int digit);

// ---- inline implementation ------------------------------------------------

namespace taper_detail {

template <std::size_t N>
std::int64_t Forward(const TaperPoint (&points)[N], std::int64_t magnitude) {
  for (std::size_t i = 1; i < N; ++i) {
    if (magnitude <= points[i].value) {
      const TaperPoint& a = points[i - 1];
      const TaperPoint& b = points[i];
      return a.tapered + (magnitude - a.value) * (b.tapered - a.tapered) / (b.value - a.value);
    }
  }
  return magnitude;
}

template <std::size_t N>
std::int64_t Inverse(const TaperPoint (&points)[N], std::int64_t magnitude) {
  for (std::size_t i = 1; i < N; ++i) {
    if (magnitude <= points[i].tapered) {
      const TaperPoint& a = points[i - 1];
      const TaperPoint& b = points[i];
      // Rounded up: the smallest value whose taper reaches `magnitude`, so
      // that Untaper(Taper(v)) == v wherever the taper spreads values apart.
      const std::int64_t span = b.tapered - a.tapered;
      return a.value + ((magnitude - a.tapered) * (b.value - a.value) + span - 1) / span;
    }
  }
  // Past the last point the taper is the identity again; a tapered value
  // between the table's end and its value is read as the table's end.
  const TaperPoint& last = points[N - 1];
  return magnitude < last.value ? last.value : magnitude;
}

}  // namespace taper_detail

inline std::int64_t Taper(TaperTable table, std::int64_t value) {
  if (table == TaperTable::kNone) return value;
  const std::int64_t magnitude = value < 0 ? -value : value;
  const std::int64_t t = table == TaperTable::kLevel ? taper_detail::Forward(kLevelTaper, magnitude)
                                                     : taper_detail::Forward(kOctaveTaper, magnitude);
  return value < 0 ? -t : t;
}

inline std::int64_t Untaper(TaperTable table, std::int64_t tapered) {
  if (table == TaperTable::kNone) return tapered;
  const std::int64_t magnitude = tapered < 0 ? -tapered : tapered;
  const std::int64_t v = table == TaperTable::kLevel ? taper_detail::Inverse(kLevelTaper, magnitude)
                                                     : taper_detail::Inverse(kOctaveTaper, magnitude);
  return tapered < 0 ? -v : v;
}

inline void SliderMapping::SetRange(std::int32_t minimum, std::int32_t maximum, TaperTable table) {
  minimum_ = minimum;
  maximum_ = maximum < minimum ? minimum : maximum;
  table_ = table;
  const std::int64_t range = static_cast<std::int64_t>(maximum_) - minimum_;
  divisor_ = Taper(table_, maximum_) - Taper(table_, minimum_);
  if (divisor_ < 1) divisor_ = 1;
  offset_ = maximum_ - Taper(table_, maximum_) * range / divisor_;
}

inline std::int32_t SliderMapping::Clamp(std::int64_t value) const {
  if (value < minimum_) return minimum_;
  if (value > maximum_) return maximum_;
  return static_cast<std::int32_t>(value);
}

inline std::int64_t SliderMapping::Linear(std::int32_t value) const {
  if (table_ == TaperTable::kNone) return value;
  const std::int64_t range = static_cast<std::int64_t>(maximum_) - minimum_;
  return offset_ + Taper(table_, value) * range / divisor_;
}

inline int SliderMapping::PixelOf(std::int32_t value) const {
  const std::int64_t range = static_cast<std::int64_t>(maximum_) - minimum_;
  if (range <= 0 || travel_ < 2) return 0;
  std::int64_t p = (Linear(Clamp(value)) - minimum_) * travel_ / range;
  if (p < 0) p = 0;
  if (p > travel_) p = travel_;
  return static_cast<int>(p);
}

inline std::int32_t SliderMapping::ValueAt(int offset) const {
  if (travel_ < 2 || maximum_ == minimum_) return minimum_;
  if (offset <= 0) return minimum_;
  if (offset >= travel_) return maximum_;
  // PixelOf is monotonic in the value: find the first value at or past the
  // pixel, then take its predecessor when that one lies nearer.
  std::int64_t low = minimum_, high = maximum_;
  while (low < high) {
    const std::int64_t mid = low + (high - low) / 2;
    if (PixelOf(static_cast<std::int32_t>(mid)) >= offset) high = mid;
    else low = mid + 1;
  }
  const std::int32_t at = static_cast<std::int32_t>(low);
  if (at > minimum_) {
    const std::int32_t before = at - 1;
    if (offset - PixelOf(before) <= PixelOf(at) - offset) return before;
  }
  return at;
}

inline std::int32_t AutomaticPageStep(std::int32_t minimum, std::int32_t maximum) {
  const std::int64_t step = (static_cast<std::int64_t>(maximum) - minimum + 5) / 10;
  return step < 1 ? 1 : static_cast<std::int32_t>(step);
}

inline std::int32_t DigitValue(std::int32_t minimum, std::int32_t maximum, int digit) {
  return static_cast<std::int32_t>(minimum + (static_cast<std::int64_t>(maximum) - minimum) * digit / 10);
}

}  // namespace orlofx

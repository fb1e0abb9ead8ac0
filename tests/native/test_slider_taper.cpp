// The sliders' taper and value <-> pixel mapping.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "framework/controls/taper.h"

namespace orlofx {
namespace {

// The two tables' points, as documented (|v| -> T).
const std::pair<std::int64_t, std::int64_t> kLevelPoints[] = {{0, 0},     {30, 250},  {60, 400},  {120, 500},
                                                              {250, 600}, {400, 800}, {700, 950}, {1000, 1000}};
const std::pair<std::int64_t, std::int64_t> kOctavePoints[] = {
    {0, 0},        {20, 1000},    {40, 2000},    {80, 3000},     {160, 4000},    {320, 5000},    {640, 6000},
    {1280, 7000},  {2560, 8000},  {5120, 9000},  {10240, 10000}, {20480, 11000}, {40960, 12000}, {81920, 13000},
    {163840, 14000}};

TEST(SliderTaper, TablePointsMapExactlyBothWaysAndBetweenThemTheTaperInterpolatesWithTruncation) {
  for (const auto& [table, points] : {std::pair{TaperTable::kLevel, std::vector(std::begin(kLevelPoints), std::end(kLevelPoints))},
                                      std::pair{TaperTable::kOctave, std::vector(std::begin(kOctavePoints), std::end(kOctavePoints))}}) {
    for (const auto& [v, t] : points) {
      EXPECT_EQ(Taper(table, v), t) << v;
      EXPECT_EQ(Taper(table, -v), -t) << -v;
      EXPECT_EQ(Untaper(table, t), v) << t;
      EXPECT_EQ(Untaper(table, -t), -v) << -t;
    }
  }
  struct Case {
    TaperTable table;
    std::int64_t v, t;
  };
  const Case between[] = {
      // Half way along a segment lands half way up it; 440 Hz is 120 of the
      // 320 Hz from 320 to 640: 3/8 of an octave step; 1 of 30 is 8.33 -> 8.
      {TaperTable::kLevel, 15, 125},       {TaperTable::kLevel, 90, 450},     {TaperTable::kLevel, -550, -875},
      {TaperTable::kOctave, 30, 1500},     {TaperTable::kOctave, 960, 6500},  {TaperTable::kOctave, 440, 5375},
      {TaperTable::kLevel, 1, 8},
      // Past the tables' last point the taper is the identity.
      {TaperTable::kLevel, 1500, 1500},    {TaperTable::kLevel, -1500, -1500}, {TaperTable::kOctave, 200000, 200000},
      {TaperTable::kNone, -77, -77}};
  for (const Case& c : between) EXPECT_EQ(Taper(c.table, c.v), c.t) << c.v;
  EXPECT_EQ(Untaper(TaperTable::kLevel, 125), 15);
  EXPECT_EQ(Untaper(TaperTable::kOctave, 5375), 440);
  EXPECT_EQ(Untaper(TaperTable::kLevel, -1500), -1500);
}

TEST(SliderTaper, BothTablesAreMonotonicAndInvertToTheValueNearestZero) {
  for (TaperTable table : {TaperTable::kLevel, TaperTable::kOctave}) {
    // The octave table stops at 163840 -> 14000; past it the identity
    // takes over with a jump, so the inverse is checked below that.
    const std::int64_t limit = table == TaperTable::kLevel ? 1200 : 163840;
    const std::int64_t step = table == TaperTable::kLevel ? 1 : 7;
    // Up to 120 (level) and 1280 Hz (octave) every value gets a tapered
    // step of its own: there the inverse is exact.
    const std::int64_t spread = table == TaperTable::kLevel ? 120 : 1280;
    std::int64_t previous = Taper(table, -limit);
    for (std::int64_t v = -limit; v <= limit; v += std::abs(v) <= spread ? 1 : step) {
      const std::int64_t t = Taper(table, v);
      EXPECT_GE(t, previous) << v;
      previous = t;
      // Where the taper compresses, several values share a tapered value;
      // the inverse gives the one nearest 0.
      const std::int64_t back = Untaper(table, t);
      EXPECT_EQ(Taper(table, back), t) << v;
      EXPECT_LE(std::abs(back), std::abs(v)) << v;
      if (back != 0) {
        EXPECT_NE(Taper(table, back > 0 ? back - 1 : back + 1), t) << v;
      }
      if (std::abs(v) <= spread) {
        EXPECT_EQ(back, v);
      }
    }
  }
}

TEST(SliderMapping, RangeEndsSitAtTheEndsOfTheTravel) {
  for (TaperTable table : {TaperTable::kNone, TaperTable::kLevel, TaperTable::kOctave}) {
    SliderMapping m;
    m.SetRange(table == TaperTable::kOctave ? 20 : -800, table == TaperTable::kOctave ? 20000 : 0, table);
    m.SetTravel(197);
    EXPECT_EQ(m.PixelOf(m.Minimum()), 0);
    EXPECT_EQ(m.PixelOf(m.Maximum()), 197);
    EXPECT_EQ(m.Linear(m.Maximum()), m.Maximum());
    EXPECT_EQ(m.ValueAt(0), m.Minimum());
    EXPECT_EQ(m.ValueAt(197), m.Maximum());
    EXPECT_EQ(m.ValueAt(-40), m.Minimum());
    EXPECT_EQ(m.ValueAt(400), m.Maximum());
    // Values outside the range are drawn at the ends.
    EXPECT_EQ(m.PixelOf(m.Minimum() - 1000), 0);
    EXPECT_EQ(m.PixelOf(m.Maximum() + 1000), 197);
  }
}

TEST(SliderMapping, LevelTaperGivesTheTopTenDecibelsAlmostHalfTheFaderOctavesAnEvenShare) {
  SliderMapping m;
  m.SetRange(-800, 0, TaperTable::kLevel);
  m.SetTravel(1000);
  // The coefficients: d = T(0) - T(-800), o = max - T(max)(max - min)/d.
  EXPECT_EQ(m.TaperDivisor(), 966);
  EXPECT_EQ(m.TaperOffset(), 0);
  const int fromTop = 1000 - m.PixelOf(-100);
  EXPECT_GT(fromTop, 450);
  EXPECT_LT(fromTop, 500);
  // Without the taper -10 dB sits an eighth of the way down.
  SliderMapping linear;
  linear.SetRange(-800, 0, TaperTable::kNone);
  linear.SetTravel(1000);
  EXPECT_EQ(1000 - linear.PixelOf(-100), 125);
  // The octave taper spaces ten octaves evenly.
  SliderMapping octaves;
  octaves.SetRange(20, 20480, TaperTable::kOctave);
  octaves.SetTravel(1000);
  for (int octave = 0; octave <= 10; ++octave) EXPECT_NEAR(octaves.PixelOf(20 << octave), octave * 100, 1) << octave;
}

TEST(SliderMapping, EveryPixelMapsToAValueThatMapsBackToIt) {
  const struct {
    std::int32_t minimum, maximum;
    TaperTable table;
  } cases[] = {{-800, 0, TaperTable::kLevel},     {0, 10000, TaperTable::kNone},
               {20, 20000, TaperTable::kOctave},  {-250, 250, TaperTable::kLevel},
               {1, 5000, TaperTable::kLevel},     {0, 197, TaperTable::kNone}};
  for (const auto& c : cases) {
    SliderMapping m;
    m.SetRange(c.minimum, c.maximum, c.table);
    m.SetTravel(197);
    std::int32_t previous = m.Minimum();
    for (int p = 0; p <= 197; ++p) {
      const std::int32_t v = m.ValueAt(p);
      EXPECT_GE(v, previous) << p;
      previous = v;
      // Where some value lies on this pixel, dragging there lands on it.
      bool reachable = false;
      for (std::int32_t probe = v - 3; probe <= v + 3 && !reachable; ++probe) reachable = m.PixelOf(m.Clamp(probe)) == p;
      EXPECT_LE(std::abs(m.PixelOf(v) - p), reachable ? 0 : 1 + 197 / (c.maximum - c.minimum))
          << c.minimum << ".." << c.maximum << " pixel " << p;
    }
  }
}

TEST(SliderMapping, FewValuesSnapToTheNearestAndDegenerateRangesMapToTheMinimum) {
  SliderMapping m;
  m.SetRange(0, 4, TaperTable::kNone);
  m.SetTravel(100);  // a value every 25 pixels
  const std::pair<int, std::int32_t> snaps[] = {{12, 0}, {13, 1}, {37, 1}, {38, 2}, {99, 4}};
  for (const auto& [pixel, value] : snaps) EXPECT_EQ(m.ValueAt(pixel), value) << pixel;
  SliderMapping same;
  same.SetRange(7, 7, TaperTable::kLevel);
  same.SetTravel(100);
  EXPECT_EQ(same.PixelOf(7), 0);
  EXPECT_EQ(same.ValueAt(50), 7);
  EXPECT_EQ(same.Clamp(-3), 7);
  SliderMapping tiny;
  tiny.SetRange(0, 100, TaperTable::kNone);
  tiny.SetTravel(1);
  EXPECT_EQ(tiny.ValueAt(1), 0);
  EXPECT_EQ(tiny.PixelOf(100), 0);
  // A reversed range is read as empty above its minimum.
  SliderMapping reversed;
  reversed.SetRange(10, -10, TaperTable::kNone);
  EXPECT_EQ(reversed.Maximum(), 10);
  // Extreme ranges do not overflow.
  SliderMapping wide;
  wide.SetRange(INT32_MIN, INT32_MAX, TaperTable::kLevel);
  wide.SetTravel(500);
  EXPECT_EQ(wide.PixelOf(INT32_MIN), 0);
  EXPECT_EQ(wide.PixelOf(INT32_MAX), 500);
  EXPECT_EQ(wide.ValueAt(500), INT32_MAX);
}

TEST(SliderKeys, DigitsAndPagesUseIntegerArithmetic) {
  EXPECT_EQ(DigitValue(1, 500, 5), 250);
  EXPECT_EQ(DigitValue(1, 500, 0), 1);
  EXPECT_EQ(DigitValue(-800, 0, 9), -80);
  EXPECT_EQ(DigitValue(INT32_MIN, INT32_MAX, 9), 1717986917);
  EXPECT_EQ(AutomaticPageStep(-800, 0), 80);
  EXPECT_EQ(AutomaticPageStep(-250, 250), 50);
  EXPECT_EQ(AutomaticPageStep(0, 3), 1);
  EXPECT_EQ(AutomaticPageStep(5, 5), 1);
}

}  // namespace
}  // namespace orlofx

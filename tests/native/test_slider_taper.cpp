// The sliders' taper and value <-> pixel mapping.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "framework/controls/taper.h"

namespace orlofx {
namespace {

template <std::size_t N>
void ExpectTablePointsBothWays(TaperTable table, const TaperPoint (&points)[N]) {
  for (const TaperPoint& p : points) {
    EXPECT_EQ(Taper(table, p.value), p.tapered) << p.value;
    EXPECT_EQ(Taper(table, -p.value), -p.tapered) << -p.value;
    EXPECT_EQ(Untaper(table, p.tapered), p.value) << p.tapered;
    EXPECT_EQ(Untaper(table, -p.tapered), -p.value) << -p.tapered;
  }
}

TEST(SliderTaper, TablePointsMapExactlyInBothDirections) {
  ExpectTablePointsBothWays(TaperTable::kLevel, kLevelTaper);
  ExpectTablePointsBothWays(TaperTable::kOctave, kOctaveTaper);
}

TEST(SliderTaper, BetweenPointsTheTaperInterpolatesWithTruncation) {
  // Half way along a segment lands half way up it.
  EXPECT_EQ(Taper(TaperTable::kLevel, 15), 125);
  EXPECT_EQ(Taper(TaperTable::kLevel, 90), 450);
  EXPECT_EQ(Taper(TaperTable::kLevel, -550), -875);
  EXPECT_EQ(Taper(TaperTable::kOctave, 30), 1500);
  EXPECT_EQ(Taper(TaperTable::kOctave, 960), 6500);
  // 440 Hz: 120 of the 320 Hz from 320 to 640 -> 3/8 of an octave step.
  EXPECT_EQ(Taper(TaperTable::kOctave, 440), 5375);
  // Truncation, not rounding: 1 of 30 -> 8.33.
  EXPECT_EQ(Taper(TaperTable::kLevel, 1), 8);
  EXPECT_EQ(Untaper(TaperTable::kLevel, 125), 15);
  EXPECT_EQ(Untaper(TaperTable::kOctave, 5375), 440);
  // Past the tables' last point the taper is the identity.
  EXPECT_EQ(Taper(TaperTable::kLevel, 1500), 1500);
  EXPECT_EQ(Untaper(TaperTable::kLevel, -1500), -1500);
  EXPECT_EQ(Taper(TaperTable::kOctave, 200000), 200000);
  EXPECT_EQ(Taper(TaperTable::kNone, -77), -77);
}

TEST(SliderTaper, BothTablesAreMonotonicAndInvertToTheValueNearestZero) {
  for (TaperTable table : {TaperTable::kLevel, TaperTable::kOctave}) {
    // The octave table stops at 163840 -> 14000; past it the identity
    // takes over with a jump, so the inverse is checked below that.
    const std::int64_t limit = table == TaperTable::kLevel ? 1200 : 163840;
    const std::int64_t step = table == TaperTable::kLevel ? 1 : 7;
    std::int64_t previous = Taper(table, -limit);
    for (std::int64_t v = -limit; v <= limit; v += step) {
      const std::int64_t t = Taper(table, v);
      EXPECT_GE(t, previous) << v;
      previous = t;
      // Where the taper compresses, several values share a tapered value;
      // the inverse gives the one nearest 0, and exactly v where it spreads.
      const std::int64_t back = Untaper(table, t);
      EXPECT_EQ(Taper(table, back), t) << v;
      EXPECT_LE(std::abs(back), std::abs(v)) << v;
      if (back != 0) {
        const std::int64_t closer = back > 0 ? back - 1 : back + 1;
        EXPECT_NE(Taper(table, closer), t) << v;
      }
    }
  }
}

TEST(SliderTaper, WhereTheTaperSpreadsValuesTheInverseIsExact) {
  // Level: up to 120 each value gets more than one tapered step; octave:
  // up to 1280 Hz.
  for (std::int64_t v = -120; v <= 120; ++v) EXPECT_EQ(Untaper(TaperTable::kLevel, Taper(TaperTable::kLevel, v)), v);
  for (std::int64_t v = -1280; v <= 1280; ++v) {
    EXPECT_EQ(Untaper(TaperTable::kOctave, Taper(TaperTable::kOctave, v)), v);
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

TEST(SliderMapping, LevelTaperGivesTheTopTenDecibelsAlmostHalfTheFader) {
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
}

TEST(SliderMapping, OctaveTaperSpacesOctavesEvenly) {
  SliderMapping m;
  m.SetRange(20, 20480, TaperTable::kOctave);  // exactly ten octaves
  m.SetTravel(1000);
  for (int octave = 0; octave <= 10; ++octave) {
    EXPECT_NEAR(m.PixelOf(20 << octave), octave * 100, 1) << octave;
  }
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
      for (std::int32_t probe = v - 3; probe <= v + 3 && !reachable; ++probe) {
        reachable = m.PixelOf(m.Clamp(probe)) == p;
      }
      if (reachable) EXPECT_EQ(m.PixelOf(v), p) << c.minimum << ".." << c.maximum << " pixel " << p;
      else EXPECT_LE(std::abs(m.PixelOf(v) - p), 1 + 197 / (c.maximum - c.minimum)) << p;
    }
  }
}

TEST(SliderMapping, FewValuesOverManyPixelsSnapToTheNearest) {
  SliderMapping m;
  m.SetRange(0, 4, TaperTable::kNone);
  m.SetTravel(100);  // a value every 25 pixels
  EXPECT_EQ(m.ValueAt(12), 0);
  EXPECT_EQ(m.ValueAt(13), 1);
  EXPECT_EQ(m.ValueAt(37), 1);
  EXPECT_EQ(m.ValueAt(38), 2);
  EXPECT_EQ(m.ValueAt(99), 4);
}

TEST(SliderMapping, DegenerateRangesAndTravelsMapToTheMinimum) {
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

// The controls' and pages' models without a window: the sliders' taper and
// value <-> pixel mapping, the envelope graph's editing rules and geometry,
// the meter's levels, holds, readouts and menu rules, and the Graphic
// Dynamics page's curve arithmetic (checked against curves worked out by hand
// and the threshold and ratio the effect reads back). The controls' own tests
// under Wine drive the same rules through messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "effects/gdyn/gdyn_curve.h"
#include "effects/gdyn/gdyn_page_model.h"
#include "effects/gdyn/gdyn_params.h"
#include "framework/controls/envelope_model.h"
#include "framework/controls/meter_model.h"
#include "framework/controls/taper.h"
#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {
namespace {

// --- sliders -------------------------------------------------------------------------------

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

// --- envelope and meter --------------------------------------------------------------------

// A model over 0..xMax, 0..yMax drawn on (xMax + 1) x (yMax + 1) pixels
// scaled by `pixelsPer` values, holding `points`.
EnvelopeModel Model(std::int32_t xMax, std::int32_t yMax, int width, std::vector<EnvelopePoint> points) {
  EnvelopeModel m;
  m.SetRangeX(0, xMax);
  m.SetRangeY(0, yMax);
  m.SetArea(0, 0, width, width);
  EXPECT_EQ(m.SetPoints(points.data(), points.size()), points.size());
  return m;
}

TEST(EnvelopeModel, MarkersAndLocksFollowTheirPoints) {
  EnvelopeModel m = Model(1000, 1000, 1001, {{0, 0}, {400, 400}, {800, 800}, {1000, 1000}});  // a pixel a value
  m.AddMarker(2, 7);
  m.AddMarker(1, 5);
  ASSERT_TRUE(m.Lock(2, true));
  const int at = m.InsertAtPixel(m.Geometry().PixelX(200), m.Geometry().PixelY(200));
  ASSERT_EQ(at, 1);
  ASSERT_EQ(m.Markers().size(), 2u);
  EXPECT_EQ(m.Markers()[0].point, 3u);
  EXPECT_EQ(m.Markers()[1].point, 2u);
  EXPECT_TRUE(m.IsLocked(3));
  EXPECT_EQ(m.Delete(2), DeleteResult::kDeleted);  // the point of marker 5
  ASSERT_EQ(m.Markers().size(), 1u);
  EXPECT_EQ(m.Markers()[0].point, 2u);
  EXPECT_EQ(m.Markers()[0].tag, 7);
  EXPECT_EQ(m.Delete(2), DeleteResult::kLocked);
  EXPECT_EQ(m.Delete(0), DeleteResult::kEndPoint);
  EXPECT_EQ(m.Delete(9), DeleteResult::kNoSuchPoint);
}

TEST(EnvelopeModel, InsertionRefusesColumnsTakenOrOutside) {
  const EnvelopePoint pts[] = {{0, 0}, {500, 50}, {1000, 100}};
  EnvelopeModel m = Model(1000, 100, 101, {pts, pts + 3});  // ten values per pixel
  const EnvelopeGeometry& g = m.Geometry();
  EXPECT_EQ(m.InsertAtPixel(g.PixelX(500), 20), -1);   // on a point's column
  EXPECT_EQ(m.InsertAtPixel(g.PixelX(1000) + 3, 20), -1);  // right of the last
  EXPECT_EQ(m.InsertAtPixel(g.PixelX(0) - 1, 20), -1);  // left of the first
  EXPECT_EQ(m.InsertAtPixel(g.PixelX(250), 20), 1);
  EXPECT_TRUE(m.SetCapacity(4));
  EXPECT_FALSE(m.SetCapacity(4096));
  ASSERT_EQ(m.SetPoints(pts, 3), 3u);
  EXPECT_EQ(m.InsertAtPixel(g.PixelX(250), 20), 1);
  EXPECT_EQ(m.InsertAtPixel(g.PixelX(750), 20), -1);  // full
}

TEST(EnvelopeModel, GeometryRoundTripsAndStepsReachTheNextPixel) {
  EnvelopeGeometry g;
  std::tie(g.left, g.right, g.top, g.bottom, g.xMin, g.xMax, g.yMin, g.yMax) = std::make_tuple(4, 296, 4, 196, -840, 0, -500, 400);
  for (int px = g.left; px < g.right; ++px) EXPECT_EQ(g.PixelX(g.ValueX(px)), px) << px;
  for (int py = g.top; py < g.bottom; ++py) EXPECT_EQ(g.PixelY(g.ValueY(py)), py) << py;
  EXPECT_EQ(g.PixelY(400), g.top);
  EXPECT_EQ(g.PixelY(-500), g.bottom - 1);
  for (int32_t x = -840; x + g.StepX() <= 0; x += 37) EXPECT_GT(g.PixelX(x + g.StepX()), g.PixelX(x));
  EXPECT_EQ(g.ValueX(-100), -840);
  EXPECT_EQ(g.ValueY(1000), -500);
}

TEST(EnvelopeModel, SelectionMovesStopAtTheRangesAndNeighbours) {
  EnvelopeModel m = Model(1000, 1000, 1001, {{0, 0}, {300, 900}, {400, 950}, {1000, 0}});
  m.Select(1, 2);
  const std::vector<EnvelopePoint> from = m.Points();
  EXPECT_TRUE(m.MoveSelection(from, 5000, 500));
  EXPECT_EQ(m.Points()[2].y, 1000);  // the higher point meets the top
  EXPECT_EQ(m.Points()[1].y, 950);
  EXPECT_EQ(m.Points()[2].x, 999);   // one pixel short of the last point
  EXPECT_EQ(m.Points()[1].x, 899);
  m.Restore(from);
  m.Select(0, 1);
  // The first point sits on the floor and keeps its x: no way to go.
  EXPECT_FALSE(m.MoveSelection(from, -100, -100));
  EXPECT_EQ(m.Points()[1].x, 300);
  EXPECT_TRUE(m.MoveSelection(from, -100, 50));
  EXPECT_EQ(m.Points()[0].x, 0);
  EXPECT_EQ(m.Points()[0].y, 50);
  EXPECT_EQ(m.Points()[1].x, 300);
  EXPECT_EQ(m.Points()[1].y, 950);
}

TEST(MeterModel, ClipReadouts) {
  const std::string minusInf = LoadString(sid::kMeterMinusInfinity), clip = LoadString(sid::kMeterClip);
  auto level = [](double db) { return std::pow(10.0, db / 20) * 32768; };
  struct Case {
    bool isFloat;
    unsigned options;
    double held;
    const char* format;
    bool excess;
    std::string text;
  };
  const Case cases[] = {
      {false, 0, 40000, "$.1f", true, clip}, {false, 0, 0, "$.1f", true, minusInf}, {false, 0, 0.5, "$.1f", true, minusInf},
      // Half of full scale: 20 log10(0.5) = -6.02 dB.
      {false, 0, 16384, "$.1f", true, FormatLevel(-60, 1, 0, nullptr)},
      {false, 0, 16384, "$.2f dB", true, FormatLevel(-602, 2, 0, nullptr) + " dB"},
      // Float: above 1.0 the excess in dB, unless asked for "Clip".
      {true, 0, 2.0, "$.1f", true, FormatLevel(60, 1, 0, nullptr)}, {true, 0, 2.0, "$.1f", false, clip},
      {true, 0, std::numeric_limits<double>::infinity(), "$.1f", true, LoadString(sid::kMeterPlusInfinity)},
      {true, 0, 0.25, "$.1f", true, FormatLevel(-120, 1, 0, nullptr)},
      // Inverted: tenths rounded half away from zero; never "Clip".
      {false, kMeterInverted, level(-0.06), "$.1f", true, FormatLevel(-1, 1, 0, nullptr)},
      {false, kMeterInverted, level(-0.26), "$.1f", true, FormatLevel(-3, 1, 0, nullptr)},
      {false, kMeterInverted, level(-12.34), "$.1f", true, FormatLevel(-123, 1, 0, nullptr)},
      {false, kMeterInverted, 0, "$.1f", true, minusInf},
  };
  for (const Case& c : cases) {
    MeterModel m;
    m.options = c.options;
    m.SetFullScale(32768, c.isFloat);
    EXPECT_EQ(m.ClipReadout(c.held, c.format, c.excess), c.text) << c.held << " " << c.isFloat << " " << c.options;
  }
}

TEST(MeterModel, LevelRulesAndInvertedClipHold) {
  MeterModel m;
  m.SetFullScale(32768, false);
  m.SetLevel(0, 20000);
  m.UpdateHolds(10);
  EXPECT_EQ(m.Channel(0).peak, 20000);
  m.SetLevel(0, 0);  // zero: peak and valley go, the clip hold stays
  EXPECT_EQ(m.Channel(0).peak, 0);
  EXPECT_EQ(m.Channel(0).clip, 20000);

  m.options = kMeterInverted;
  m.SetFullScale(32768, false);
  EXPECT_EQ(m.Channel(0).clip, m.MaximumLevel());
  m.SetLevel(0, 30000);
  m.SetLevel(0, 12000);
  m.SetLevel(0, 25000);
  EXPECT_EQ(m.Channel(0).clip, 12000);  // the lowest gain is held
  m.SetLevel(0, -1);
  EXPECT_EQ(m.Channel(0).clip, m.MaximumLevel());

  // Valleys hold the lowest level for 700 ms.
  m.options = kMeterHoldValleys;
  m.SetLevel(0, 5000);
  m.UpdateHolds(1000);
  EXPECT_EQ(m.Channel(0).valley, 5000);
  m.SetLevel(0, 9000);
  m.UpdateHolds(1700);
  EXPECT_EQ(m.Channel(0).valley, 5000);
  m.UpdateHolds(1701);
  EXPECT_EQ(m.Channel(0).valley, 9000);
  // Across the tick counter's wrap the age is still right.
  m.SetLevel(0, 3000);
  m.UpdateHolds(0xFFFFFF00u);
  m.SetLevel(0, 4000);
  m.UpdateHolds(0x100u);
  EXPECT_EQ(m.Channel(0).valley, 3000);
}

TEST(MeterModel, MenuRangeRules) {
  MeterModel m;
  m.SetFullScale(1048576, false);
  EXPECT_TRUE(m.RangeItemOffered(1048576));
  EXPECT_FALSE(m.RangeItemOffered(8388608));
  EXPECT_EQ(m.CheckedRangeItem(), 40007);
  EXPECT_EQ(m.RangeForChoice(1048576), 0);
  EXPECT_EQ(m.RangeForChoice(32768), 32768);
  m.SetRange(128);
  EXPECT_EQ(m.CheckedRangeItem(), 40003);
  m.SetRange(100);  // no item of its own
  EXPECT_EQ(m.CheckedRangeItem(), 0);
  // The scale bottom follows the range.
  m.SetRange(1024);
  EXPECT_NEAR(m.BottomDecibels(), -60.2, 0.01);
  EXPECT_DOUBLE_EQ(m.Fraction(1048576.0 / 1024), 0.0);
  EXPECT_NEAR(m.Fraction(1048576.0 / 32), 0.5, 1e-9);
}

// --- Graphic Dynamics page curve -----------------------------------------------------------

GdynPageCurve Curve(std::initializer_list<GdynPoint> points) {
  GdynPageCurve c;
  for (const GdynPoint& p : points) c.points[c.count++] = p;
  return c;
}

GdynPageCurve PresetCurve(int index) {
  return GdynSortedCurve(kGdynPresets[index].body.points, kGdynPresets[index].body.pointCount);
}

std::int32_t Threshold(const GdynPageCurve& c) { return GdynCurveThreshold(c.points, c.count); }
std::int32_t Ratio(const GdynPageCurve& c) { return GdynCurveRatio(c.points, c.count); }

void ExpectPoints(const GdynPageCurve& c, std::initializer_list<GdynPoint> expected) {
  ASSERT_EQ(c.count, static_cast<int>(expected.size()));
  for (int i = 0; i < kGdynMaxPoints; ++i) {
    const GdynPoint p = i < c.count ? expected.begin()[i] : GdynPoint{0, 0};  // unused points are 0
    EXPECT_EQ(c.points[i].x, p.x) << "point " << i;
    EXPECT_EQ(c.points[i].y, p.y) << "point " << i;
  }
}

// Sorted, in range, ends fixed, interior inputs at least 0.3 dB apart.
void ExpectWellFormed(const GdynPageCurve& c) {
  ASSERT_GE(c.count, kGdynMinPoints);
  EXPECT_EQ(c.points[0].x, kGdynLevelFloor);
  EXPECT_EQ(c.points[c.count - 1].x, 0);
  for (int k = 0; k < c.count; ++k) {
    EXPECT_GE(c.points[k].y, kGdynLevelFloor) << k;
    EXPECT_LE(c.points[k].y, 0) << k;
    EXPECT_GE(k > 0 ? c.points[k].x - c.points[k - 1].x : kGdynPointGap, kGdynPointGap) << k;
  }
}

TEST(GdynPageModel, QuotientsRoundHalvesAwayFromZeroAndResetGivesAUnityLineWithItsKneeAtMinus21Db) {
  const int cases[][3] = {{5, 2, 3}, {-5, 2, -3}, {5, -2, -3}, {-7, -2, 4}, {1, 3, 0}, {2, 3, 1}, {-2, 3, -1}, {0, -9, 0}};
  for (const auto& c : cases) EXPECT_EQ(RoundedQuotient(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
  const GdynPageCurve reset = GdynResetCurve();
  ExpectPoints(reset, {{-840, -840}, {-210, -210}, {0, 0}});
  EXPECT_EQ(Threshold(reset), -210);
  EXPECT_EQ(Ratio(reset), 10);
}

TEST(GdynPageModel, SortingKeepsPointsOfOneInputInTheirOrder) {
  const GdynPoint unsorted[] = {{0, 0}, {-500, -400}, {-840, -840}, {-500, -450}};
  const GdynPageCurve c = GdynSortedCurve(unsorted, 4);
  ExpectPoints(c, {{-840, -840}, {-500, -400}, {-500, -450}, {0, 0}});
  // More points than a curve holds: the first kGdynMaxPoints are kept.
  GdynPoint many[kGdynMaxPoints + 4] = {};
  for (int i = 0; i < kGdynMaxPoints + 4; ++i) many[i] = {-10 * i, -10 * i};
  const GdynPageCurve kept = GdynSortedCurve(many, kGdynMaxPoints + 4);
  EXPECT_EQ(kept.count, kGdynMaxPoints);
  EXPECT_EQ(kept.points[0].x, -10 * (kGdynMaxPoints - 1));
  EXPECT_EQ(GdynSortedCurve(unsorted, -1).count, 0);
}

TEST(GdynPageModel, MovingTheThresholdShiftsTheKneeAndKeepsTheSlopeAboveIt) {
  // 2:1 above -18 dB. The knee goes 1 dB up; the last point keeps the 2:1
  // slope from the new knee: -17 + 17/2 = -8.5 dB.
  GdynPageCurve c = PresetCurve(7);
  GdynMoveThreshold(c, 10);
  ExpectPoints(c, {{-840, -840}, {-170, -170}, {0, -85}});
  EXPECT_EQ(Threshold(c), -170);
  EXPECT_EQ(Ratio(c), 20);
  // And 10 dB down: -28 + 28/2 = -14 dB.
  GdynMoveThreshold(c, -110);
  ExpectPoints(c, {{-840, -840}, {-280, -280}, {0, -140}});
  EXPECT_EQ(Ratio(c), 20);
}

TEST(GdynPageModel, ALastPointAtZeroAndFloorOutputsStayWhereTheyAre) {
  GdynPageCurve c = PresetCurve(3);  // hard gate at -35 dB
  GdynMoveThreshold(c, 50);
  // The gate's floor point moves sideways only, along with the knee (0.3 dB
  // below it at the least); 0 dB out stays at 0 dB in.
  ExpectPoints(c, {{-840, -840}, {-303, -840}, {-300, -300}, {0, 0}});
  EXPECT_EQ(Threshold(c), -300);
  // Downward the gate point leads and the knee follows it.
  GdynMoveThreshold(c, -100);
  ExpectPoints(c, {{-840, -840}, {-403, -840}, {-400, -400}, {0, 0}});
}

TEST(GdynPageModel, TheTopOfTheThresholdRangeRemovesPointsCrowdingTheZeroEnd) {
  // Compressor/gate, knee at -15 dB, moved by 14.9 dB to -0.1 dB: the knee
  // is stopped 0.3 dB below the last point, which is too close to the end,
  // so it goes; the gate point moves along and stays.
  GdynPageCurve c = PresetCurve(2);
  ASSERT_EQ(Threshold(c), -150);
  GdynMoveThreshold(c, kGdynThresholdMax - (-150));
  ExpectPoints(c, {{-840, -840}, {-465, -840}, {0, 0}});
  ExpectWellFormed(c);
}

TEST(GdynPageModel, InteriorPointsKeepTheirDistanceFromTheirNeighbours) {
  // The soft-knee preset pushed by 23.9 dB: the top interior point stops
  // 0.3 dB short of 0 dB (and is then removed), the knee 0.3 dB short of
  // it; the points below move the whole way.
  GdynPageCurve c = PresetCurve(9);
  GdynMoveThreshold(c, 239);
  ExpectPoints(c, {{-840, -840}, {-217, -840}, {-180, -323}, {-95, -122}, {-6, 0}, {0, 0}});
  ExpectWellFormed(c);
  // A three-point curve keeps its knee however far it is pushed.
  GdynPageCurve unity = GdynResetCurve();
  GdynMoveThreshold(unity, -2000);
  ExpectPoints(unity, {{-840, -840}, {-837, -840}, {0, 0}});
}

TEST(GdynPageModel, EveryThresholdMoveOfEveryPresetLeavesAWellFormedCurve) {
  for (int preset = 0; preset < kGdynPresetCount; ++preset) {
    for (std::int32_t delta : {-800, -300, -37, -1, 1, 25, 333, 799}) {
      SCOPED_TRACE(::testing::Message() << "preset " << preset << " delta " << delta);
      GdynPageCurve c = PresetCurve(preset);
      GdynMoveThreshold(c, delta);
      ExpectWellFormed(c);
    }
  }
}

TEST(GdynPageModel, TheRatioSliderTurnsTheLineAboveTheKnee) {
  GdynPageCurve c = GdynResetCurve();
  GdynApplyRatio(c, 20);  // 2:1 from -21 dB reaches -10.5 dB, truncated
  ExpectPoints(c, {{-840, -840}, {-210, -210}, {0, -105}});
  EXPECT_EQ(Ratio(c), 20);
  GdynApplyRatio(c, 10);  // and back to 1:1
  ExpectPoints(c, {{-840, -840}, {-210, -210}, {0, 0}});
  GdynApplyRatio(c, kGdynRatioMax);  // a flat line: "Inf.:1"
  ExpectPoints(c, {{-840, -840}, {-210, -210}, {0, -210}});
  EXPECT_EQ(Ratio(c), kGdynRatioMax);
}

TEST(GdynPageModel, PointsAboveTheKneeMoveInProportionWithinTheKneeAndTheTop) {
  // Soft knee, threshold point (-24, -23.8 dB). At 1:1 the top goes to 0 dB
  // (+11.9 dB); the point at -11 dB is 130/240 of the way from the knee to
  // 0 dB in input and rises by 130/240 of 11.9 dB.
  GdynPageCurve c = PresetCurve(9);
  GdynApplyRatio(c, 10);
  EXPECT_EQ(c.points[6].y, 0);
  EXPECT_EQ(c.points[5].y, -150 + 64);
  EXPECT_EQ(c.points[4].y, -238) << "the knee itself stays";
  EXPECT_EQ(c.points[3].y, -361) << "points below the knee stay";
  EXPECT_EQ(Ratio(c), 10);
  // Flat: the top falls to the knee's output, and the point between, which
  // would stay above the top, is held down to it.
  GdynApplyRatio(c, kGdynRatioMax);
  EXPECT_EQ(c.points[6].y, -238);
  EXPECT_EQ(c.points[5].y, -238);
  EXPECT_EQ(Ratio(c), kGdynRatioMax);
}

TEST(GdynPageModel, RemovingAPointLiftsTheOnesThatMoveDownOffTheFloorZone) {
  GdynPageCurve c = Curve({{-840, -840}, {-838, -500}, {-600, -820}, {-500, -840}, {0, 0}});
  GdynRemoveCrowdedPoints(c);
  ExpectPoints(c, {{-840, -840}, {-600, -800}, {-500, -840}, {0, 0}});
  // Three points are the least a curve has: nothing more goes.
  GdynPageCurve three = Curve({{-840, -840}, {-2, -100}, {0, 0}});
  GdynRemoveCrowdedPoints(three);
  EXPECT_EQ(three.count, 3);
  GdynPageCurve four = Curve({{-840, -840}, {-839, -600}, {-1, -1}, {0, 0}});
  GdynRemoveCrowdedPoints(four);
  ExpectPoints(four, {{-840, -840}, {-1, -1}, {0, 0}});
}

}  // namespace
}  // namespace orlofx

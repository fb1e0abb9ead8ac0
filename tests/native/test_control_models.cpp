// The controls' and pages' models without a window: slider taper and
// mapping, envelope editing and geometry, meter levels and readouts, and the
// Graphic Dynamics page's curve edits. The Wine tests drive the same rules
// through messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
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

// The two tables' points, as documented (|v| -> T), then values between
// them: half way along a segment lands half way up it; 440 Hz is 120 of the
// 320 Hz from 320 to 640: 3/8 of an octave step; 1 of 30 is 8.33 -> 8; past
// the last point the taper is the identity.
struct TaperPoint {
  TaperTable table;
  std::int64_t v, t;
  bool exact;  // a table point: maps both ways, for either sign
};
constexpr TaperTable kL = TaperTable::kLevel, kO = TaperTable::kOctave;
const TaperPoint kTaperPoints[] = {
    {kL, 0, 0, 1}, {kL, 30, 250, 1}, {kL, 60, 400, 1}, {kL, 120, 500, 1}, {kL, 250, 600, 1}, {kL, 400, 800, 1},
    {kL, 700, 950, 1}, {kL, 1000, 1000, 1}, {kO, 0, 0, 1}, {kO, 20, 1000, 1}, {kO, 40, 2000, 1}, {kO, 80, 3000, 1},
    {kO, 160, 4000, 1}, {kO, 320, 5000, 1}, {kO, 640, 6000, 1}, {kO, 1280, 7000, 1}, {kO, 2560, 8000, 1},
    {kO, 5120, 9000, 1}, {kO, 10240, 10000, 1}, {kO, 20480, 11000, 1}, {kO, 40960, 12000, 1}, {kO, 81920, 13000, 1},
    {kO, 163840, 14000, 1}, {kL, 15, 125, 1}, {kL, 90, 450, 0}, {kL, -550, -875, 0}, {kO, 30, 1500, 0},
    {kO, 960, 6500, 0}, {kO, 440, 5375, 1}, {kL, 1, 8, 0}, {kL, 1500, 1500, 1}, {kO, 200000, 200000, 0},
    {TaperTable::kNone, -77, -77, 0}};

TEST(SliderTaper, TablePointsMapExactlyBothWaysAndBetweenThemTheTaperInterpolatesWithTruncation) {
  for (const TaperPoint& p : kTaperPoints) {
    EXPECT_EQ(Taper(p.table, p.v), p.t) << p.v;
    if (!p.exact) continue;
    EXPECT_EQ(Taper(p.table, -p.v), -p.t) << -p.v;
    EXPECT_EQ(Untaper(p.table, p.t), p.v) << p.t;
    EXPECT_EQ(Untaper(p.table, -p.t), -p.v) << -p.t;
  }
}

// Monotonic; where the taper compresses, several values share a tapered
// value and the inverse gives the one nearest 0. Up to 120 (level) and
// 1280 Hz (octave) every value has a step of its own and the inverse is
// exact. The octave table jumps to the identity past 163840.
TEST(SliderTaper, BothTablesAreMonotonicAndInvertToTheValueNearestZero) {
  for (const auto& [table, limit, step, spread] : {std::tuple{kL, 1200, 1, 120}, std::tuple{kO, 163840, 7, 1280}}) {
    std::int64_t previous = Taper(table, -limit);
    for (std::int64_t v = -limit; v <= limit; v += std::abs(v) <= spread ? 1 : step) {
      const std::int64_t t = Taper(table, v), back = Untaper(table, t);
      EXPECT_GE(t, previous) << v;
      previous = t;
      EXPECT_EQ(Taper(table, back), t) << v;
      EXPECT_LE(std::abs(back), std::abs(v)) << v;
      EXPECT_TRUE(back == 0 || Taper(table, back > 0 ? back - 1 : back + 1) != t) << v;
      EXPECT_TRUE(std::abs(v) > spread || back == v) << v;
    }
  }
}

SliderMapping Mapping(std::int32_t minimum, std::int32_t maximum, TaperTable table, int travel) {
  SliderMapping m;
  m.SetRange(minimum, maximum, table);
  m.SetTravel(travel);
  return m;
}

TEST(SliderMapping, EndsTapersAndDegenerateRanges) {
  for (TaperTable table : {TaperTable::kNone, TaperTable::kLevel, TaperTable::kOctave}) {
    const SliderMapping m = Mapping(table == TaperTable::kOctave ? 20 : -800, table == TaperTable::kOctave ? 20000 : 0, table, 197);
    EXPECT_EQ(m.Linear(m.Maximum()), m.Maximum());
    // Values and pixels outside the range are drawn at, and read as, the ends.
    for (const auto& [pixel, value] : {std::pair{0, m.Minimum()}, {197, m.Maximum()}, {-40, m.Minimum()}, {400, m.Maximum()}})
      EXPECT_EQ(m.ValueAt(pixel), value) << pixel;
    for (const auto& [value, pixel] : {std::pair{m.Minimum(), 0}, {m.Maximum(), 197}, {m.Minimum() - 1000, 0}, {m.Maximum() + 1000, 197}})
      EXPECT_EQ(m.PixelOf(value), pixel) << value;
  }
  // The level taper gives the top 10 dB almost half the fader (without it,
  // an eighth); the octave taper spaces ten octaves evenly.
  const int fromTop = 1000 - Mapping(-800, 0, kL, 1000).PixelOf(-100);
  EXPECT_TRUE(fromTop > 450 && fromTop < 500) << fromTop;
  EXPECT_EQ(1000 - Mapping(-800, 0, TaperTable::kNone, 1000).PixelOf(-100), 125);
  const SliderMapping octaves = Mapping(20, 20480, TaperTable::kOctave, 1000);
  for (int octave = 0; octave <= 10; ++octave) EXPECT_NEAR(octaves.PixelOf(20 << octave), octave * 100, 1) << octave;
  // Few values snap to the nearest: a value every 25 pixels.
  const SliderMapping few = Mapping(0, 4, TaperTable::kNone, 100);
  for (const auto& [pixel, value] : {std::pair{12, 0}, {13, 1}, {37, 1}, {38, 2}, {99, 4}}) EXPECT_EQ(few.ValueAt(pixel), value) << pixel;
  // One value, one pixel, a reversed range (empty above its minimum), the widest (no overflow).
  const SliderMapping same = Mapping(7, 7, kL, 100), tiny = Mapping(0, 100, TaperTable::kNone, 1);
  EXPECT_TRUE(same.PixelOf(7) == 0 && same.ValueAt(50) == 7 && same.Clamp(-3) == 7);
  EXPECT_TRUE(tiny.ValueAt(1) == 0 && tiny.PixelOf(100) == 0);
  EXPECT_EQ(Mapping(10, -10, TaperTable::kNone, 100).Maximum(), 10);
  const SliderMapping wide = Mapping(INT32_MIN, INT32_MAX, kL, 500);
  EXPECT_TRUE(wide.PixelOf(INT32_MIN) == 0 && wide.PixelOf(INT32_MAX) == 500 && wide.ValueAt(500) == INT32_MAX);
}

TEST(SliderMapping, EveryPixelMapsToAValueThatMapsBackToIt) {
  for (const auto& [minimum, maximum, table] : {std::tuple{-800, 0, kL}, {0, 10000, TaperTable::kNone}, {20, 20000, kO}, {-250, 250, kL},
                                                {1, 5000, kL}, {0, 197, TaperTable::kNone}}) {
    const SliderMapping m = Mapping(minimum, maximum, table, 197);
    std::int32_t previous = m.Minimum();
    for (int p = 0; p <= 197; ++p) {
      const std::int32_t v = m.ValueAt(p);
      EXPECT_GE(v, previous) << p;
      previous = v;
      // Where some value lies on this pixel, dragging there lands on it.
      bool reachable = false;
      for (std::int32_t probe = v - 3; probe <= v + 3 && !reachable; ++probe) reachable = m.PixelOf(m.Clamp(probe)) == p;
      EXPECT_LE(std::abs(m.PixelOf(v) - p), reachable ? 0 : 1 + 197 / (maximum - minimum)) << minimum << ".." << maximum << " pixel " << p;
    }
  }
}

TEST(SliderKeys, DigitsAndPagesUseIntegerArithmetic) {
  for (const auto& [min, max, digit, value] : {std::tuple{1, 500, 5, 250}, {1, 500, 0, 1}, {-800, 0, 9, -80}, {INT32_MIN, INT32_MAX, 9, 1717986917}})
    EXPECT_EQ(DigitValue(min, max, digit), value) << min << ".." << max << " " << digit;
  for (const auto& [min, max, step] : {std::tuple{-800, 0, 80}, {-250, 250, 50}, {0, 3, 1}, {5, 5, 1}}) EXPECT_EQ(AutomaticPageStep(min, max), step);
}

// --- envelope and meter --------------------------------------------------------------------

// A model over 0..xMax, 0..yMax on width x width pixels, holding `points`.
EnvelopeModel Model(std::int32_t xMax, std::int32_t yMax, int width, std::vector<EnvelopePoint> points) {
  EnvelopeModel m;
  m.SetRangeX(0, xMax);
  m.SetRangeY(0, yMax);
  m.SetArea(0, 0, width, width);
  EXPECT_EQ(m.SetPoints(points.data(), points.size()), points.size());
  return m;
}

std::string Text(const std::vector<EnvelopePoint>& points) {
  std::string t;
  for (const EnvelopePoint& p : points) t += (t.empty() ? "" : " ") + std::to_string(p.x) + ":" + std::to_string(p.y);
  return t;
}

TEST(EnvelopeModel, MarkersAndLocksFollowTheirPointsAndInsertionRefusesTakenOrOutsideColumns) {
  EnvelopeModel m = Model(1000, 1000, 1001, {{0, 0}, {400, 400}, {800, 800}, {1000, 1000}});  // a pixel a value
  m.AddMarker(2, 7);
  m.AddMarker(1, 5);
  ASSERT_TRUE(m.Lock(2, true));
  ASSERT_EQ(m.InsertAtPixel(m.Geometry().PixelX(200), m.Geometry().PixelY(200)), 1);
  ASSERT_EQ(m.Markers().size(), 2u);
  EXPECT_TRUE(m.Markers()[0].point == 3u && m.Markers()[1].point == 2u);
  EXPECT_TRUE(m.IsLocked(3));
  EXPECT_EQ(m.Delete(2), DeleteResult::kDeleted);  // the point of marker 5
  ASSERT_EQ(m.Markers().size(), 1u);
  EXPECT_TRUE(m.Markers()[0].point == 2u && m.Markers()[0].tag == 7);
  for (const auto& [point, result] : {std::pair{2, DeleteResult::kLocked}, {0, DeleteResult::kEndPoint}, {9, DeleteResult::kNoSuchPoint}})
    EXPECT_EQ(m.Delete(point), result) << point;
  const EnvelopePoint pts[] = {{0, 0}, {500, 50}, {1000, 100}};
  EnvelopeModel tens = Model(1000, 100, 101, {pts, pts + 3});  // ten values per pixel
  const EnvelopeGeometry& g = tens.Geometry();
  // On a point's column, right of the last, left of the first.
  for (int pixel : {g.PixelX(500), g.PixelX(1000) + 3, g.PixelX(0) - 1}) EXPECT_EQ(tens.InsertAtPixel(pixel, 20), -1) << pixel;
  EXPECT_EQ(tens.InsertAtPixel(g.PixelX(250), 20), 1);
  EXPECT_TRUE(tens.SetCapacity(4) && !tens.SetCapacity(4096));
  ASSERT_EQ(tens.SetPoints(pts, 3), 3u);
  EXPECT_EQ(tens.InsertAtPixel(g.PixelX(250), 20), 1);
  EXPECT_EQ(tens.InsertAtPixel(g.PixelX(750), 20), -1);  // full
}

TEST(EnvelopeModel, GeometryRoundTripsAndStepsReachTheNextPixel) {
  EnvelopeGeometry g;
  std::tie(g.left, g.right, g.top, g.bottom, g.xMin, g.xMax, g.yMin, g.yMax) = std::make_tuple(4, 296, 4, 196, -840, 0, -500, 400);
  for (int px = g.left; px < g.right; ++px) EXPECT_EQ(g.PixelX(g.ValueX(px)), px) << px;
  for (int py = g.top; py < g.bottom; ++py) EXPECT_EQ(g.PixelY(g.ValueY(py)), py) << py;
  EXPECT_TRUE(g.PixelY(400) == g.top && g.PixelY(-500) == g.bottom - 1);
  for (int32_t x = -840; x + g.StepX() <= 0; x += 37) EXPECT_GT(g.PixelX(x + g.StepX()), g.PixelX(x));
  EXPECT_TRUE(g.ValueX(-100) == -840 && g.ValueY(1000) == -500);  // outside: the ends
}

TEST(EnvelopeModel, SelectionMovesStopAtTheRangesAndNeighbours) {
  EnvelopeModel m = Model(1000, 1000, 1001, {{0, 0}, {300, 900}, {400, 950}, {1000, 0}});
  const std::vector<EnvelopePoint> from = m.Points();
  const auto move = [&](int dx, int dy) {
    const bool moved = m.MoveSelection(from, dx, dy);
    return (moved ? "" : "refused ") + Text(m.Points());
  };
  m.Select(1, 2);
  // The higher point meets the top, the last one short of the last point.
  EXPECT_EQ(move(5000, 500), "0:0 899:950 999:1000 1000:0");
  m.Restore(from);
  m.Select(0, 1);
  // The first point sits on the floor and keeps its x: no way to go.
  EXPECT_EQ(move(-100, -100), "refused " + Text(from));
  EXPECT_EQ(move(-100, 50), "0:50 300:950 400:950 1000:0");
}

TEST(MeterModel, ClipReadouts) {
  const std::string minusInf = LoadString(sid::kMeterMinusInfinity), clip = LoadString(sid::kMeterClip);
  auto level = [](double db) { return std::pow(10.0, db / 20) * 32768; };
  auto tenths = [](long v) { return FormatLevel(v, 1, 0, nullptr); };
  const std::tuple<bool, unsigned, double, bool, std::string> cases[] = {
      {false, 0, 40000, true, clip}, {false, 0, 0, true, minusInf}, {false, 0, 0.5, true, minusInf},
      {false, 0, 16384, true, tenths(-60)},  // half of full scale: 20 log10(0.5) = -6.02 dB
      // Float: above 1.0 the excess in dB, unless asked for "Clip".
      {true, 0, 2.0, true, tenths(60)}, {true, 0, 2.0, false, clip}, {true, 0, 0.25, true, tenths(-120)},
      {true, 0, std::numeric_limits<double>::infinity(), true, LoadString(sid::kMeterPlusInfinity)},
      // Inverted: tenths rounded half away from zero; never "Clip".
      {false, kMeterInverted, level(-0.06), true, tenths(-1)}, {false, kMeterInverted, level(-0.26), true, tenths(-3)},
      {false, kMeterInverted, level(-12.34), true, tenths(-123)}, {false, kMeterInverted, 0, true, minusInf},
  };
  for (const auto& [isFloat, options, held, excess, text] : cases) {
    MeterModel m;
    m.options = options;
    m.SetFullScale(32768, isFloat);
    EXPECT_EQ(m.ClipReadout(held, "$.1f", excess), text) << held << " " << isFloat << " " << options;
  }
  MeterModel m;
  m.SetFullScale(32768, false);
  EXPECT_EQ(m.ClipReadout(16384, "$.2f dB", true), FormatLevel(-602, 2, 0, nullptr) + " dB");
}

TEST(MeterModel, LevelRulesHoldsAndMenuRanges) {
  MeterModel m;
  m.SetFullScale(32768, false);
  m.SetLevel(0, 20000);
  m.UpdateHolds(10);
  EXPECT_EQ(m.Channel(0).peak, 20000);
  m.SetLevel(0, 0);  // zero: peak and valley go, the clip hold stays
  EXPECT_TRUE(m.Channel(0).peak == 0 && m.Channel(0).clip == 20000);
  m.options = kMeterInverted;  // the lowest gain is held
  m.SetFullScale(32768, false);
  EXPECT_EQ(m.Channel(0).clip, m.MaximumLevel());
  for (int level : {30000, 12000, 25000}) m.SetLevel(0, level);
  EXPECT_EQ(m.Channel(0).clip, 12000);
  m.SetLevel(0, -1);
  EXPECT_EQ(m.Channel(0).clip, m.MaximumLevel());
  // Valleys hold the lowest level for 700 ms, across the tick counter's wrap too.
  m.options = kMeterHoldValleys;
  const std::tuple<int, std::uint32_t, int> steps[] = {{5000, 1000, 5000}, {9000, 1700, 5000}, {9000, 1701, 9000},
                                                       {3000, 0xFFFFFF00u, 3000}, {4000, 0x100u, 3000}};
  for (const auto& [level, tick, valley] : steps) {
    m.SetLevel(0, level);
    m.UpdateHolds(tick);
    EXPECT_EQ(m.Channel(0).valley, valley) << tick;
  }
  // The menu's items and checks are driven through the window in the meter's Wine test.
  MeterModel menu;
  menu.SetFullScale(1048576, false);
  menu.SetRange(100);  // no item of its own
  EXPECT_EQ(menu.CheckedRangeItem(), 0);
  menu.SetRange(1024);  // the scale bottom follows the range
  EXPECT_NEAR(menu.BottomDecibels(), -60.2, 0.01);
  EXPECT_DOUBLE_EQ(menu.Fraction(1048576.0 / 1024), 0.0);
  EXPECT_NEAR(menu.Fraction(1048576.0 / 32), 0.5, 1e-9);
}

// --- Graphic Dynamics page curve -----------------------------------------------------------

std::string Text(const GdynPageCurve& c) {
  std::vector<EnvelopePoint> points;
  for (int i = 0; i < c.count; ++i) points.push_back({c.points[i].x, c.points[i].y});
  return Text(points);
}

GdynPageCurve Curve(int preset, std::vector<GdynPoint> points = {}) {
  if (preset >= 0) return GdynSortedCurve(kGdynPresets[preset].body.points, kGdynPresets[preset].body.pointCount);
  if (points.empty()) return GdynResetCurve();
  GdynPageCurve c;
  for (const GdynPoint& p : points) c.points[c.count++] = p;
  return c;
}

// Sorted, in range, ends fixed, interior inputs at least 0.3 dB apart, unused points 0.
void ExpectWellFormed(const GdynPageCurve& c) {
  ASSERT_GE(c.count, kGdynMinPoints);
  EXPECT_TRUE(c.points[0].x == kGdynLevelFloor && c.points[c.count - 1].x == 0);
  for (int k = 0; k < kGdynMaxPoints; ++k) {
    const GdynPoint& p = c.points[k];
    EXPECT_TRUE(k >= c.count ? (p.x | p.y) == 0
                             : p.y >= kGdynLevelFloor && p.y <= 0 && (k == 0 || p.x - c.points[k - 1].x >= kGdynPointGap))
        << k << ": " << p.x << ":" << p.y;
  }
}

// Edits of a curve ('t' moves the threshold by `amount`, 'r' sets the
// ratio, 'c' removes crowded points) against curves worked out by hand.
struct CurveEdit {
  const char* why;
  int preset;  // -1: the reset curve, or `start` when given
  std::vector<GdynPoint> start;
  std::vector<std::pair<char, std::int32_t>> edits;
  const char* points;
  std::int32_t threshold, ratio;  // 0: not checked
};

TEST(GdynPageModel, EditsGiveTheCurvesWorkedOutByHand) {
  const CurveEdit cases[] = {
      {"reset: a unity line with its knee at -21 dB", -1, {}, {}, "-840:-840 -210:-210 0:0", -210, 10},
      // 2:1 above -18 dB: the last point keeps the slope from the new knee: -17 + 17/2 dB, -28 + 28/2 dB.
      {"knee 1 dB up", 7, {}, {{'t', 10}}, "-840:-840 -170:-170 0:-85", -170, 20},
      {"knee 10 dB down", 7, {}, {{'t', -100}}, "-840:-840 -280:-280 0:-140", 0, 20},
      // The gate's floor point moves sideways only, 0.3 dB below the knee; 0 dB out stays at 0 dB in.
      {"hard gate up", 3, {}, {{'t', 50}}, "-840:-840 -303:-840 -300:-300 0:0", -300, 0},
      {"then down: the gate point leads", 3, {}, {{'t', 50}, {'t', -100}}, "-840:-840 -403:-840 -400:-400 0:0", 0, 0},
      // The knee stops 0.3 dB below the last point, too close to it, and goes.
      {"compressor/gate to the top", 2, {}, {{'t', kGdynThresholdMax + 150}}, "-840:-840 -465:-840 0:0", 0, 0},
      // The top interior point stops 0.3 dB short of 0 dB and goes, the knee 0.3 dB short of it.
      {"soft knee up 23.9 dB", 9, {}, {{'t', 239}}, "-840:-840 -217:-840 -180:-323 -95:-122 -6:0 0:0", 0, 0},
      {"three points keep their knee", -1, {}, {{'t', -2000}}, "-840:-840 -837:-840 0:0", 0, 0},
      // 2:1 from -21 dB reaches -10.5 dB, truncated; back to 1:1; flat ("Inf.:1").
      {"ratio 2:1 and back", -1, {}, {{'r', 20}}, "-840:-840 -210:-210 0:-105", 0, 20},
      {"ratio back to 1:1", -1, {}, {{'r', 20}, {'r', 10}}, "-840:-840 -210:-210 0:0", 0, 10},
      {"ratio flat", -1, {}, {{'r', kGdynRatioMax}}, "-840:-840 -210:-210 0:-210", 0, kGdynRatioMax},
      // Soft knee at (-24, -23.8 dB): at 1:1 the top rises 11.9 dB to 0 dB and the point at -11 dB,
      // 130/240 of the way up, by 130/240 of that; the knee and the points below stay.
      {"soft knee 1:1", 9, {}, {{'r', 10}}, "-840:-840 -456:-840 -419:-562 -334:-361 -240:-238 -110:-86 0:0", 0, 10},
      // Flat: the point between would stay above the top and is held down to it.
      {"soft knee flat", 9, {}, {{'r', kGdynRatioMax}}, "-840:-840 -456:-840 -419:-562 -334:-361 -240:-238 -110:-238 0:-238", 0, kGdynRatioMax},
      {"crowded points go, lifting the ones that move down off the floor zone", -2,
       {{-840, -840}, {-838, -500}, {-600, -820}, {-500, -840}, {0, 0}}, {{'c', 0}}, "-840:-840 -600:-800 -500:-840 0:0", 0, 0},
      {"three points are the least", -2, {{-840, -840}, {-2, -100}, {0, 0}}, {{'c', 0}}, "-840:-840 -2:-100 0:0", 0, 0},
      {"four points", -2, {{-840, -840}, {-839, -600}, {-1, -1}, {0, 0}}, {{'c', 0}}, "-840:-840 -1:-1 0:0", 0, 0},
  };
  for (const CurveEdit& c : cases) {
    SCOPED_TRACE(c.why);
    GdynPageCurve curve = Curve(c.preset, c.start);
    for (const auto& [kind, amount] : c.edits) {
      if (kind == 't') GdynMoveThreshold(curve, amount);
      if (kind == 'r') GdynApplyRatio(curve, amount);
      if (kind == 'c') GdynRemoveCrowdedPoints(curve);
    }
    EXPECT_EQ(Text(curve), c.points);
    if (c.preset != -2) ExpectWellFormed(curve);
    EXPECT_EQ(c.threshold ? GdynCurveThreshold(curve.points, curve.count) : 0, c.threshold);
    EXPECT_EQ(c.ratio ? GdynCurveRatio(curve.points, curve.count) : 0, c.ratio);
  }
  for (int preset = 0; preset < kGdynPresetCount; ++preset) {
    for (std::int32_t delta : {-800, -300, -37, -1, 1, 25, 333, 799}) {
      SCOPED_TRACE(::testing::Message() << "preset " << preset << " delta " << delta);
      GdynPageCurve c = Curve(preset);
      GdynMoveThreshold(c, delta);
      ExpectWellFormed(c);
    }
  }
}

TEST(GdynPageModel, QuotientsRoundHalvesAwayFromZeroAndSortingIsStable) {
  const int cases[][3] = {{5, 2, 3}, {-5, 2, -3}, {5, -2, -3}, {-7, -2, 4}, {1, 3, 0}, {2, 3, 1}, {-2, 3, -1}, {0, -9, 0}};
  for (const auto& c : cases) EXPECT_EQ(RoundedQuotient(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
  const GdynPoint unsorted[] = {{0, 0}, {-500, -400}, {-840, -840}, {-500, -450}};
  EXPECT_EQ(Text(GdynSortedCurve(unsorted, 4)), "-840:-840 -500:-400 -500:-450 0:0");
  EXPECT_EQ(GdynSortedCurve(unsorted, -1).count, 0);
  // More points than a curve holds: the first kGdynMaxPoints are kept.
  GdynPoint many[kGdynMaxPoints + 4] = {};
  for (int i = 0; i < kGdynMaxPoints + 4; ++i) many[i] = {-10 * i, -10 * i};
  const GdynPageCurve kept = GdynSortedCurve(many, kGdynMaxPoints + 4);
  EXPECT_TRUE(kept.count == kGdynMaxPoints && kept.points[0].x == -10 * (kGdynMaxPoints - 1));
}

}  // namespace
}  // namespace orlofx

// The custom controls' models without a window: the envelope graph's editing
// rules and geometry, and the meter's levels, holds, readouts and menu rules.
// The controls' own tests under Wine drive the same rules through messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "framework/controls/envelope_model.h"
#include "framework/controls/meter_model.h"
#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {
namespace {

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

}  // namespace
}  // namespace orlofx

// The Graphic Dynamics page's curve arithmetic: Reset Graph, the threshold
// and ratio sliders reshaping the curve, and the removal of crowded points,
// checked against curves worked out by hand and against the threshold and
// ratio the effect reads back from the result.
#include <gtest/gtest.h>

#include <initializer_list>

#include "effects/gdyn/gdyn_curve.h"
#include "effects/gdyn/gdyn_page_model.h"
#include "effects/gdyn/gdyn_params.h"

namespace orlofx {
namespace {

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

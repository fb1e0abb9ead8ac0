// The Paragraphic EQ page's response graph in integer units and pixels:
// rounding, positions, the bell, band bumps, shelf ramps with their limit,
// and what the page paints for a given window size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include "effects/pgeq/pgeq_graph.h"

namespace orlofx {
namespace {

// Every band off, both shelves off, nothing highlighted.
PgeqParams Flat() {
  PgeqParams p{};
  p.wetOut = 0;
  p.dryOut = -250;
  for (int b = 0; b < kPgeqBands; ++b) {
    p.width[b] = 10;
    p.center[b] = 1000;
  }
  p.lowShelfFrequency = 300;
  p.highShelfFrequency = 500;
  p.highlightBand = kPgeqNoHighlight;
  return p;
}

int NonZero(const GraphCurve& c) {
  return static_cast<int>(std::count_if(c.begin(), c.end(), [](std::int32_t v) { return v != 0; }));
}

TEST(PgeqGraphArithmetic, MulDivRoundsHalvesAwayFromZeroAndFailsAsThePlatformDoes) {
  EXPECT_EQ(RoundedMulDiv(5, 1, 2), 3);
  EXPECT_EQ(RoundedMulDiv(-5, 1, 2), -3);
  EXPECT_EQ(RoundedMulDiv(7, 3, 4), 5);     // 5.25
  EXPECT_EQ(RoundedMulDiv(-7, 3, 4), -5);
  EXPECT_EQ(RoundedMulDiv(60, 2048, 250), 492);   // 491.52
  EXPECT_EQ(RoundedMulDiv(2048, 180, 25000), kGraphShelfStep);  // 14.7456
  EXPECT_EQ(RoundedMulDiv(5, 1, -2), -3);
  EXPECT_EQ(RoundedMulDiv(-5, -1, 2), 3);
  // The product needs 64 bits; the result must fit 32.
  EXPECT_EQ(RoundedMulDiv(2000000000, 3, 4), 1500000000);
  EXPECT_EQ(RoundedMulDiv(2000000000, 2, 1), -1);
  EXPECT_EQ(RoundedMulDiv(1, 1, 0), -1);
}

TEST(PgeqGraphArithmetic, PositionsCountHundredthsOfAnOctaveFrom20HzTruncated) {
  EXPECT_EQ(GraphPosition(20), 0);
  // 144.269504 is a hair below 100/ln 2, so whole octaves land one short.
  EXPECT_EQ(GraphPosition(40), 99);
  EXPECT_EQ(GraphPosition(20480), 999);
  EXPECT_EQ(GraphPosition(100), 232);
  EXPECT_EQ(GraphPosition(1000), 564);
  EXPECT_EQ(GraphPosition(15000), 955);
  EXPECT_EQ(GraphPosition(20000), 996);
  EXPECT_LT(GraphPosition(10), 0);
  EXPECT_LT(GraphPosition(0), -kGraphPositions);
}

TEST(PgeqGraphArithmetic, TheBellRisesFromZeroToJustBelowAHalfHeight) {
  const auto& bell = GraphBell();
  EXPECT_EQ(bell[0], 0);
  EXPECT_EQ(bell[1], 0);
  EXPECT_EQ(bell[250], 299);
  EXPECT_EQ(bell[500], 1024);
  EXPECT_EQ(bell[750], 1748);
  EXPECT_EQ(bell[999], 2047);
  EXPECT_TRUE(std::is_sorted(bell.begin(), bell.end()));
}

TEST(PgeqGraphBands, ABandIsASymmetricBumpPeakingAtItsGain) {
  GraphCurve c{};
  AddGraphBand(c, 250, 10, 1000);  // h = 50 around position 564
  EXPECT_EQ(c[564], 2047);
  EXPECT_EQ(c[564 - 25], 1024);  // bell[500] at full gain
  EXPECT_EQ(c[564 + 25], 1024);
  for (int k = 1; k <= 50; ++k) EXPECT_EQ(c[564 - k], c[564 + k]) << k;
  EXPECT_EQ(c[564 - 50], 0);  // the bump's feet are the bell's zero
  EXPECT_EQ(NonZero(c), 2 * 49 + 1);  // only the feet (bell[0]) are 0

  GraphCurve cut{};
  AddGraphBand(cut, -100, 10, 1000);
  EXPECT_EQ(cut[564 - 25], -410);  // 409.6 rounded away from zero
  EXPECT_EQ(cut[564], -819);       // 818.8
  EXPECT_EQ(*std::min_element(cut.begin(), cut.end()), -819);

  // Width 25 is 2.5 octaves across: h = 125.
  GraphCurve wide{};
  AddGraphBand(wide, 250, 25, 1000);
  EXPECT_GT(wide[564 - 123], 0);
  EXPECT_GT(wide[564 + 123], 0);
  EXPECT_EQ(wide[564 + 124], 0);  // bell[8] is still below one unit
  EXPECT_EQ(wide[564 + 125], 0);
  EXPECT_EQ(wide[564 - 126], 0);
}

TEST(PgeqGraphBands, GainZeroAddsNothingAndBandsAddUp) {
  GraphCurve c{};
  AddGraphBand(c, 0, 25, 1000);
  EXPECT_EQ(NonZero(c), 0);

  PgeqParams p = Flat();
  p.gain[0] = 120;
  p.gain[2] = 120;  // two bands on the same spot stack
  const GraphCurve both = ComputeGraphCurve(p);
  GraphCurve one{};
  AddGraphBand(one, 120, 10, 1000);
  for (int i = 0; i <= kGraphPositions; ++i) EXPECT_EQ(both[i], 2 * one[i]) << i;
}

TEST(PgeqGraphBands, ABandAt20HzAddsOnlyTheRightHalfOfItsBump) {
  GraphCurve edge{};
  AddGraphBand(edge, 250, 25, 20);  // position 0, h = 125
  GraphCurve inside{};
  AddGraphBand(inside, 250, 25, 1000);
  EXPECT_EQ(edge[0], 2047);  // the peak sits at position 0, left of what is drawn
  for (int k = 1; k <= 125; ++k) EXPECT_EQ(edge[k], inside[564 + k]) << k;
  for (int k = 126; k <= kGraphPositions; ++k) ASSERT_EQ(edge[k], 0) << k;
  // The left half had nowhere to go: half the area (plus the peak) is there.
  const long half = std::accumulate(inside.begin() + 565, inside.end(), 0L);
  EXPECT_EQ(std::accumulate(edge.begin() + 1, edge.end(), 0L), half);

  // A band between 20 Hz and its half width keeps the part inside 1..1000.
  GraphCurve near{};
  AddGraphBand(near, 250, 25, 40);  // position 99
  EXPECT_EQ(near[0], 0);  // index 0 takes no left half
  EXPECT_EQ(near[1], inside[564 - 98]);
  EXPECT_EQ(near[99], 2047);
}

TEST(PgeqGraphShelves, AFullCutShelfRampsDownBy15AStepAndStopsAt8192) {
  GraphCurve c{};
  AddGraphLowShelf(c, 15000, -250);  // from position 955 toward 0
  EXPECT_EQ(c[955], 0);
  EXPECT_EQ(c[954], -15);
  EXPECT_EQ(c[955 - 546], -8190);
  EXPECT_EQ(c[955 - 547], -8192);  // limited, not -8205
  EXPECT_EQ(c[0], -8192);
  EXPECT_EQ(*std::min_element(c.begin(), c.end()), -kGraphShelfLimit);
  for (int i = 956; i <= kGraphPositions; ++i) ASSERT_EQ(c[i], 0) << i;
  for (int i = 1; i <= 955; ++i) ASSERT_LE(c[i], c[i - 1] + 15) << i;
}

TEST(PgeqGraphShelves, APartialShelfLevelsOffAtItsGainAndTheHighShelfRampsUpward) {
  GraphCurve c{};
  AddGraphHighShelf(c, 1000, 60);  // 6 dB: 492 units
  EXPECT_EQ(c[564], 0);
  EXPECT_EQ(c[565], 15);
  EXPECT_EQ(c[564 + 32], 480);
  EXPECT_EQ(c[564 + 33], 492);
  EXPECT_EQ(c[kGraphPositions], 492);
  for (int i = 0; i < 564; ++i) ASSERT_EQ(c[i], 0) << i;

  GraphCurve cut{};
  AddGraphHighShelf(cut, 8000, -240);  // not a full cut: 1966 units, no more
  EXPECT_EQ(*std::min_element(cut.begin(), cut.end()), -1966);

  // A shelf that is enabled draws even at 0 dB: nothing. A disabled one
  // draws nothing whatever its gain.
  PgeqParams p = Flat();
  p.lowShelfGain = -250;
  p.highShelfEnable = 1;
  EXPECT_EQ(NonZero(ComputeGraphCurve(p)), 0);
  p.lowShelfEnable = 1;
  EXPECT_EQ(ComputeGraphCurve(p)[0], -15 * 390);  // 300 Hz is position 390
}

TEST(PgeqGraphShelves, ShelvesBeyondTheCurveEnterAtTheHeightTheyReached) {
  GraphCurve low{};
  AddGraphLowShelf(low, 40960, 250);  // position 1099: 99 steps outside
  EXPECT_EQ(low[kGraphPositions], 15 * 99);
  EXPECT_EQ(low[0], 8192);
  GraphCurve high{};
  AddGraphHighShelf(high, 10, -250);  // position -99 (truncated toward 0)
  EXPECT_EQ(high[0], -15 * 99);
  GraphCurve none{};
  AddGraphHighShelf(none, 0, 250);  // nonsense frequencies do not run away
  EXPECT_EQ(none[0], 8192);
}

TEST(PgeqGraphPicture, TheAreaIsOnePixelInAndAFlatCurveFillsTheLowerHalf) {
  PgeqParams p = Flat();
  const GraphPicture g = ComputeGraphPicture(&p, 330, 112);
  EXPECT_EQ(g.areaLeft, 1);
  EXPECT_EQ(g.areaTop, 1);
  EXPECT_EQ(g.areaWidth, 328);
  EXPECT_EQ(g.areaHeight, 110);
  EXPECT_EQ(g.middle, 56);
  ASSERT_EQ(g.curve.size(), 1000u);
  EXPECT_EQ(g.curve.front().x, 1);  // MulDiv(1, 327, 1000) rounds to 0
  EXPECT_EQ(g.curve.back().x, 328);
  for (const GraphSpan& s : g.curve) {
    ASSERT_EQ(s.top, 56);
    ASSERT_EQ(s.bottom, 111);
  }
  EXPECT_FALSE(g.hasMarker);
  EXPECT_EQ(GraphColumn(g, 500), 1 + 164);  // 163.5 rounds up
  EXPECT_EQ(GraphRow(g, 2048), 1);
  EXPECT_EQ(GraphRow(g, -2048), 111);
  EXPECT_EQ(GraphRow(g, 1024), 56 - 28);  // 27.5
}

TEST(PgeqGraphPicture, CurveColumnsFollowTheCurveAndLeaveTheGraphBelowAFullCut) {
  PgeqParams p = Flat();
  p.gain[1] = 250;
  p.center[1] = 1000;
  p.lowShelfEnable = 1;
  p.lowShelfFrequency = 15000;
  p.lowShelfGain = -250;
  const GraphPicture g = ComputeGraphPicture(&p, 330, 112);
  const GraphCurve c = ComputeGraphCurve(p);
  int shown = 0;
  for (const GraphSpan& s : g.curve) {
    EXPECT_GE(s.top, g.areaTop);
    EXPECT_LT(s.top, s.bottom);
    EXPECT_EQ(s.bottom, g.areaTop + g.areaHeight);
    ++shown;
  }
  // A position whose row falls below the area has no column.
  const int bottom = g.areaTop + g.areaHeight;
  const int hidden = static_cast<int>(std::count_if(
      c.begin() + 1, c.end(), [&](std::int32_t v) { return GraphRow(g, v) >= bottom; }));
  EXPECT_GT(hidden, 300);
  EXPECT_EQ(shown, kGraphPositions - hidden);
  // Right of the shelf the curve is flat again.
  EXPECT_EQ(g.curve.back().top, g.middle);
}

TEST(PgeqGraphPicture, TheMarkerStandsAtTheHighlightedBandUpDownOrOnTheLine) {
  PgeqParams p = Flat();
  p.center[2] = 5000;  // position 796
  p.gain[2] = 250;
  p.highlightBand = 2;
  GraphPicture g = ComputeGraphPicture(&p, 330, 112);
  ASSERT_TRUE(g.hasMarker);
  EXPECT_EQ(g.marker.x, 1 + RoundedMulDiv(796, 327, 1000));
  EXPECT_EQ(g.marker.top, 1);  // a full half-height
  EXPECT_EQ(g.marker.bottom, g.middle);

  p.gain[2] = -30;  // MulDiv(|-246|, 55, 2048) = 7 pixels down
  g = ComputeGraphPicture(&p, 330, 112);
  ASSERT_TRUE(g.hasMarker);
  EXPECT_EQ(g.marker.top, g.middle + 1);
  EXPECT_EQ(g.marker.bottom, g.middle + 1 + 7);

  p.gain[2] = 1;  // less than a pixel still shows one
  g = ComputeGraphPicture(&p, 330, 112);
  EXPECT_EQ(g.marker.bottom - g.marker.top, 1);
  EXPECT_EQ(g.marker.top, g.middle - 1);

  p.gain[2] = 0;
  g = ComputeGraphPicture(&p, 330, 112);
  ASSERT_TRUE(g.hasMarker);
  EXPECT_EQ(g.marker.top, g.middle);
  EXPECT_EQ(g.marker.bottom, g.middle + 1);

  for (std::int32_t none : {4, -1, 99}) {
    p.highlightBand = none;
    EXPECT_FALSE(ComputeGraphPicture(&p, 330, 112).hasMarker) << none;
  }
}

TEST(PgeqGraphPicture, WithoutAnEffectOrRoomOnlyTheFrameRemains) {
  const GraphPicture unbound = ComputeGraphPicture(nullptr, 330, 112);
  EXPECT_TRUE(unbound.curve.empty());
  EXPECT_FALSE(unbound.hasMarker);
  EXPECT_EQ(unbound.middle, 56);
  PgeqParams p = Flat();
  p.highlightBand = 0;
  for (int size : {0, 1, 2}) {
    const GraphPicture tiny = ComputeGraphPicture(&p, size, size);
    EXPECT_TRUE(tiny.curve.empty()) << size;
    EXPECT_FALSE(tiny.hasMarker) << size;
  }
}

}  // namespace
}  // namespace orlofx

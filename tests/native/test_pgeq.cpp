// Paragraphic EQ: the processor (sample conversion, redesign rules, the
// float transform calls) and the page's response graph in integer units and
// pixels. The band filters' responses are checked against their definitions
// with the Multi-Band Dynamics' in test_band_responses.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "effects/pgeq/pgeq_graph.h"
#include "effects/pgeq/pgeq_transform.h"

namespace orlofx {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A processor as a filter builds it: preset 0 applied.
struct Eq {
  Eq() { eq.ApplyPreset(0); }
  CAkPgeqTransform eq;
};

PgeqParams Preset(int index) { return kPgeqPresets[index].body; }

void Prepare(CAkPgeqTransform& eq, SampleFormat fmt, int channels, std::uint32_t rate = kRate) {
  const WaveFormat f = MakeWaveFormat(fmt, channels, rate);
  ASSERT_EQ(eq.Prepare(f, f), kOk);
}

// Runs one buffer in place; returns the processing result.
template <typename T>
HResult RunInPlace(CAkPgeqTransform& eq, std::vector<T>& samples, int channels,
                   int mode = kProcessOrdinary) {
  std::uint32_t frames = static_cast<std::uint32_t>(samples.size() / channels);
  std::uint32_t in = frames, out = frames;
  HResult hr = eq.Process(mode, samples.data(), &in, samples.data(), &out);
  EXPECT_EQ(in, frames);
  EXPECT_EQ(out, frames);
  return hr;
}

std::vector<double> Noise(std::size_t n, double amplitude, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-amplitude, amplitude);
  std::vector<double> v(n);
  for (double& x : v) x = u(rng);
  return v;
}

TEST(PgeqProcess, SixteenBitWorksInRawUnitsAndTruncates) {
  Eq e;
  e.eq.SetWetOut(-60);  // 10^-0.3, about 0.501
  Prepare(e.eq, SampleFormat::kPcm16, 1);
  std::vector<std::int16_t> s = {3, -3, 1, -1, 20000, -20000};
  RunInPlace(e.eq, s, 1);
  // 1.503 and 0.501 truncated, not rounded; 20000 gives 10023.7.
  EXPECT_EQ(s, (std::vector<std::int16_t>{1, -1, 0, 0, 10023, -10023}));
}

// Half a second after an impulse the shelves of this preset have decayed
// far below 2^-32 but not yet to a double's underflow: only the flush makes
// their memories exactly 0.
TEST(PgeqProcess, DecayingMemoriesAreFlushedToZero) {
  for (int preset : {9, 7}) {
    Eq e;
    e.eq.ApplyPreset(preset);
    Prepare(e.eq, SampleFormat::kFloat64, 1);
    std::vector<double> s(kRate / 2, 0.0);
    s[0] = 1.0;
    RunInPlace(e.eq, s, 1);
    for (int k = 0; k < e.eq.ActiveBands(); ++k)
      EXPECT_TRUE(e.eq.Bands(0).slots[k].y1 == 0.0 && e.eq.Bands(0).slots[k].y2 == 0.0) << preset;
    for (int st = 0; st < 2; ++st)
      EXPECT_TRUE(e.eq.Shelves(0).low[st].y1 == 0.0 && e.eq.Shelves(0).high[st].y1 == 0.0) << preset;
    EXPECT_EQ(s.back(), 0.0);
  }
}

// A break starts afresh: what follows it is a fresh processor's output (a
// first mark resets nothing that matters).
TEST(PgeqRedesign, ADiscontinuityStartsAfresh) {
  const std::vector<double> signal = Noise(8000, 0.5, 21);
  Eq whole, marked, fresh;
  for (CAkPgeqTransform* eq : {&whole.eq, &marked.eq, &fresh.eq}) {
    eq->ApplyPreset(2);
    Prepare(*eq, SampleFormat::kFloat64, 1);
  }
  std::vector<double> a = signal, c1(signal.begin(), signal.begin() + 4000), c2(signal.begin() + 4000, signal.end());
  std::vector<double> d = c2;
  RunInPlace(whole.eq, a, 1, kProcessDiscontinuity);
  RunInPlace(marked.eq, c1, 1);
  RunInPlace(marked.eq, c2, 1, kProcessDiscontinuity);
  RunInPlace(fresh.eq, d, 1);
  EXPECT_EQ(c2, d);
  EXPECT_NE(c2[0], a[4000]);
}

// A redesign keeps every memory that still fits: a band's own wherever its
// slot moves, a shelf's while it stays a boost or a cut. A band switched on,
// or a shelf turned from boost to cut, starts from silence.
TEST(PgeqRedesign, MemoriesFollowTheirBandAndTheirShelfKind) {
  Eq e;
  PgeqParams p = Preset(9);  // band 3, low and high shelf boosts
  p.gain[0] = -10;           // band 1 in slot 0, band 3 in slot 1
  e.eq.SetParams(&p);
  Prepare(e.eq, SampleFormat::kFloat64, 1);
  std::vector<double> s = Noise(500, 0.5, 2);
  RunInPlace(e.eq, s, 1);
  const PgeqBandSlot band3 = e.eq.Bands(0).slots[1];
  const PgeqShelfBlock shelves = e.eq.Shelves(0);
  ASSERT_TRUE(band3.y1 != 0.0 && shelves.low[1].y2 != 0.0 && shelves.high[1].y2 != 0.0);
  p.gain[0] = 0;            // band 1 off: band 3 moves to slot 0
  p.gain[3] = 30;           // band 4 on, in slot 1
  p.lowShelfGain = 30;      // still a boost
  p.highShelfGain = -60;    // now a cut
  e.eq.SetParams(&p);
  std::vector<double> none;
  RunInPlace(e.eq, none, 1);
  ASSERT_EQ(e.eq.ActiveBands(), 2);
  const PgeqBandBlock& bands = e.eq.Bands(0);
  EXPECT_TRUE(bands.slots[0].y1 == band3.y1 && bands.slots[0].y2 == band3.y2);
  EXPECT_TRUE(bands.slots[1].y1 == 0.0 && bands.slots[1].y2 == 0.0);
  const PgeqShelfBlock& now = e.eq.Shelves(0);
  EXPECT_NE(now.low[0].c1, shelves.low[0].c1);
  for (int st = 0; st < 2; ++st) {
    EXPECT_TRUE(now.low[st].y1 == shelves.low[st].y1 && now.low[st].y2 == shelves.low[st].y2) << st;
    EXPECT_TRUE(now.high[st].y1 == 0.0 && now.high[st].y2 == 0.0) << st;
  }
}

// Each channel keeps its own history: channel 1 of a stereo run equals a
// mono run of the same signal, across a redesign in the middle.
TEST(PgeqRedesign, ChannelsKeepTheirOwnMemoriesAcrossRedesign) {
  std::vector<double> stereo = Noise(6000, 0.5, 31), right(3000);
  Eq st, mono;
  for (CAkPgeqTransform* eq : {&st.eq, &mono.eq}) eq->ApplyPreset(4);
  Prepare(st.eq, SampleFormat::kFloat64, 2);
  Prepare(mono.eq, SampleFormat::kFloat64, 1);
  for (int i = 0; i < 3000; ++i) right[i] = stereo[2 * i + 1];
  std::vector<double> s[2] = {{stereo.begin(), stereo.begin() + 3000}, {stereo.begin() + 3000, stereo.end()}};
  std::vector<double> m[2] = {{right.begin(), right.begin() + 1500}, {right.begin() + 1500, right.end()}};
  for (int half = 0; half < 2; ++half) {
    if (half) for (CAkPgeqTransform* eq : {&st.eq, &mono.eq}) eq->SetBandGain(3, 60);
    RunInPlace(st.eq, s[half], 2);
    RunInPlace(mono.eq, m[half], 1);
    for (int i = 0; i < 1500; ++i) ASSERT_EQ(s[half][2 * i + 1], m[half][i]) << half << ", " << i;
  }
}

TEST(PgeqFloat, ProcessMatchesTheFramePathAndNeverCountsAsDiscontinuity) {
  Eq a, b;
  for (CAkPgeqTransform* eq : {&a.eq, &b.eq}) eq->ApplyPreset(10);
  ASSERT_EQ(a.eq.Init(2, kRate), kOk);
  Prepare(b.eq, SampleFormat::kFloat32, 2);
  const std::vector<double> noise = Noise(4000, 0.5, 41);
  std::vector<float> x(noise.begin(), noise.end()), y = x;
  ASSERT_TRUE(a.eq.ProcessFloat(x.data(), 1000, false) == kOk && a.eq.ProcessFloat(x.data() + 2000, 1000, false) == kOk);
  std::vector<float> y1(y.begin(), y.begin() + 2000), y2(y.begin() + 2000, y.end());
  RunInPlace(b.eq, y1, 2, kProcessDiscontinuity);
  RunInPlace(b.eq, y2, 2);
  y1.insert(y1.end(), y2.begin(), y2.end());
  EXPECT_EQ(y1, x);
}

TEST(PgeqFloat, DrainEndsOnceTheLastBufferWasQuiet) {
  Eq e;
  PgeqParams p = Preset(0);
  p.gain[1] = 120;  // band 2 alone sits in the first slot, which is watched
  e.eq.SetParams(&p);
  ASSERT_TRUE(e.eq.Init(1, kRate) == kOk && e.eq.ActiveBands() == 1);
  std::vector<float> s(256, 0.0f);
  ASSERT_EQ(e.eq.ProcessFloat(s.data(), 256, false), kOk);
  EXPECT_TRUE(e.eq.Quiet());  // silence keeps every memory at zero
  s[0] = 1.0f;
  ASSERT_EQ(e.eq.ProcessFloat(s.data(), 256, false), kOk);
  EXPECT_FALSE(e.eq.Quiet());
  // The band rings on: the drain processes until its memories settle.
  int calls = 0;
  HResult hr = kOk;
  for (std::fill(s.begin(), s.end(), 0.0f); (hr = e.eq.ProcessFloat(s.data(), 256, true)) == kOk && calls < 10000;
       std::fill(s.begin(), s.end(), 0.0f))
    ++calls;
  EXPECT_TRUE(hr == kProcessFinished && calls > 0 && calls < 10000) << calls;
  // The finishing call leaves the buffer alone.
  std::vector<float> marker(256, 0.25f);
  EXPECT_EQ(e.eq.ProcessFloat(marker.data(), 256, true), kProcessFinished);
  EXPECT_EQ(marker, std::vector<float>(256, 0.25f));
}

}  // namespace

namespace graph {

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

TEST(PgeqGraphArithmetic, PositionsCountHundredthsOfAnOctaveFrom20HzTruncated) {
  // 144.269504 is a hair below 100/ln 2, so whole octaves land one short.
  for (auto [hz, at] : {std::pair{20, 0}, {40, 99}, {20480, 999}, {100, 232}, {1000, 564},
                        {15000, 955}, {20000, 996}})
    EXPECT_EQ(GraphPosition(hz), at) << hz;
  EXPECT_LT(GraphPosition(10), 0);
  EXPECT_LT(GraphPosition(0), -kGraphPositions);
}

TEST(PgeqGraphBands, ABandIsASymmetricBumpPeakingAtItsGain) {
  GraphCurve c{};
  AddGraphBand(c, 250, 10, 1000);  // h = 50 around position 564
  EXPECT_TRUE(c[564] == 2047 && c[564 - 25] == 1024 && c[564 + 25] == 1024);  // bell[500] at full gain 25 away
  for (int k = 1; k <= 50; ++k) EXPECT_EQ(c[564 - k], c[564 + k]) << k;
  EXPECT_EQ(c[564 - 50], 0);  // the bump's feet are the bell's zero
  EXPECT_EQ(NonZero(c), 2 * 49 + 1);  // only the feet (bell[0]) are 0
  GraphCurve cut{};
  AddGraphBand(cut, -100, 10, 1000);
  EXPECT_TRUE(cut[564 - 25] == -410 && cut[564] == -819);  // 409.6 and 818.8 rounded away from zero
  EXPECT_EQ(*std::min_element(cut.begin(), cut.end()), -819);
  // Width 25 is 2.5 octaves across: h = 125.
  GraphCurve wide{};
  AddGraphBand(wide, 250, 25, 1000);
  EXPECT_TRUE(wide[564 - 123] > 0 && wide[564 + 123] > 0);
  for (int k : {564 + 124, 564 + 125, 564 - 126}) EXPECT_EQ(wide[k], 0) << k;  // bell[8] is still below one unit
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

// A shelf ramps by 15 units a position away from its corner (a low shelf
// downward in frequency, a high one upward) and levels off at its gain:
// 6 dB is 492 units, -24 dB 1966, a full cut stops at 8192.
TEST(PgeqGraphShelves, RampBy15APositionFromTheCornerAndLevelOffAtTheGain) {
  for (const auto& [high, hz, gain, level] : {std::tuple{false, 15000, -250, -8192}, {true, 1000, 60, 492}, {true, 8000, -240, -1966}}) {
    GraphCurve c{};
    if (high) AddGraphHighShelf(c, hz, gain); else AddGraphLowShelf(c, hz, gain);
    const int corner = GraphPosition(hz);
    for (int i = 0; i <= kGraphPositions; ++i) {
      const int away = high ? i - corner : corner - i;
      ASSERT_EQ(c[i], away <= 0 ? 0 : (level < 0 ? -1 : 1) * std::min(15 * away, std::abs(level))) << hz << " Hz at " << i;
    }
  }
  PgeqParams p = Flat();
  // A shelf that is enabled draws even at 0 dB: nothing. A disabled one
  // draws nothing whatever its gain.
  p.lowShelfGain = -250;
  p.highShelfEnable = 1;
  EXPECT_EQ(NonZero(ComputeGraphCurve(p)), 0);
  p.lowShelfEnable = 1;
  EXPECT_EQ(ComputeGraphCurve(p)[0], -15 * 390);  // 300 Hz is position 390
}

TEST(PgeqGraphPicture, TheAreaIsOnePixelInAndAFlatCurveFillsTheLowerHalf) {
  PgeqParams p = Flat();
  const GraphPicture g = ComputeGraphPicture(&p, 330, 112);
  EXPECT_EQ(std::tie(g.areaLeft, g.areaTop, g.areaWidth, g.areaHeight, g.middle), std::make_tuple(1, 1, 328, 110, 56));
  ASSERT_EQ(g.curve.size(), 1000u);
  EXPECT_EQ(g.curve.front().x, 1);  // MulDiv(1, 327, 1000) rounds to 0
  EXPECT_EQ(g.curve.back().x, 328);
  for (const GraphSpan& s : g.curve) ASSERT_TRUE(s.top == 56 && s.bottom == 111) << s.top << ".." << s.bottom;
  EXPECT_FALSE(g.hasMarker);
  EXPECT_EQ(GraphColumn(g, 500), 1 + 164);  // 163.5 rounds up
  for (auto [units, row] : {std::pair{2048, 1}, {-2048, 111}, {1024, 56 - 28}}) EXPECT_EQ(GraphRow(g, units), row) << units;  // 27.5 up
}

TEST(PgeqGraphPicture, TheMarkerStandsAtTheHighlightedBandUpDownOrOnTheLine) {
  PgeqParams p = Flat();
  p.center[2] = 5000;  // position 796
  p.gain[2] = 250;
  p.highlightBand = 2;
  GraphPicture g = ComputeGraphPicture(&p, 330, 112);
  ASSERT_TRUE(g.hasMarker);
  EXPECT_EQ(g.marker.x, 1 + RoundedMulDiv(796, 327, 1000));
  EXPECT_TRUE(g.marker.top == 1 && g.marker.bottom == g.middle);  // a full half-height
  // MulDiv(|-246|, 55, 2048) = 7 pixels down; less than a pixel still shows one.
  for (auto [gain, top, bottom] : {std::tuple{-30, 57, 64}, {1, 55, 56}, {0, 56, 57}}) {
    p.gain[2] = gain;
    g = ComputeGraphPicture(&p, 330, 112);
    EXPECT_TRUE(g.hasMarker && g.marker.top == top && g.marker.bottom == bottom) << gain;
  }
  for (std::int32_t none : {4, -1, 99}) {
    p.highlightBand = none;
    EXPECT_FALSE(ComputeGraphPicture(&p, 330, 112).hasMarker) << none;
  }
}

TEST(PgeqGraphPicture, WithoutAnEffectOrRoomOnlyTheFrameRemains) {
  const GraphPicture unbound = ComputeGraphPicture(nullptr, 330, 112);
  EXPECT_TRUE(unbound.curve.empty() && !unbound.hasMarker && unbound.middle == 56);
  PgeqParams p = Flat();
  p.highlightBand = 0;
  for (int size : {0, 1, 2}) {
    const GraphPicture tiny = ComputeGraphPicture(&p, size, size);
    EXPECT_TRUE(tiny.curve.empty() && !tiny.hasMarker) << size;
  }
}

}  // namespace graph
}  // namespace orlofx

// Noise Gate: the block engine's gate states, gains and block timing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "effects/noisgt/noisgt_transform.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx {
namespace {

using GateState = CAkNoisgtTransform::GateState;
constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kBlock = 882;  // 20 ms at 44.1 kHz
constexpr double kPi = 3.14159265358979323846;

// A gate as a filter builds it: preset 0 applied.
struct Gate {
  Gate() { gate.ApplyPreset(0); }
  CAkNoisgtTransform gate;
};

// Offers exactly one block per call and records gate state and gain after it.
struct BlockTrace {
  std::vector<GateState> states;
  std::vector<double> gains;
  std::vector<double> output;
};

BlockTrace TraceBlocks(CAkNoisgtTransform& gate, const std::vector<double>& in) {
  WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  EXPECT_EQ(gate.Prepare(f, f), kOk);
  BlockTrace t;
  std::vector<double> out(kBlock);
  for (std::size_t start = 0; start + kBlock <= in.size(); start += kBlock) {
    std::uint32_t inFrames = kBlock, outFrames = kBlock;
    EXPECT_EQ(gate.Process(kProcessOrdinary, in.data() + start, &inFrames, out.data(), &outFrames),
              kProcessProgress);
    EXPECT_EQ(inFrames, kBlock);
    t.states.push_back(gate.State());
    t.gains.push_back(gate.CurrentGain());
    t.output.insert(t.output.end(), out.begin(), out.begin() + outFrames);
  }
  return t;
}

std::vector<double> Constant(std::size_t frames, double value) {
  return std::vector<double>(frames, value);
}

std::vector<double> Tone(std::size_t frames, double peak) {
  std::vector<double> s(frames);
  for (std::size_t i = 0; i < frames; ++i) s[i] = peak * std::sin(2 * kPi * 1000.0 * i / kRate);
  return s;
}

void Append(std::vector<double>& a, const std::vector<double>& b) {
  a.insert(a.end(), b.begin(), b.end());
}

TEST(NoiseGateLevels, SilenceInSilenceOut) {
  for (SampleFormat fmt : {SampleFormat::kPcm8, SampleFormat::kPcm16, SampleFormat::kPcm32,
                           SampleFormat::kFloat32, SampleFormat::kFloat64}) {
    Gate g;
    NoisgtParams p{1, 1, -800};  // the most eager gate
    g.gate.SetParams(&p);
    auto out = robust::Run(g.gate, {fmt, 1, kRate}, Constant(5000, 0.0));
    ASSERT_EQ(out.size(), 5000u);
    for (double x : out) ASSERT_EQ(x, 0.0);
  }
}

TEST(NoiseGateLevels, InfiniteThresholdOpensAtMinus90Point3Db) {
  Gate g;
  NoisgtParams p{3, 100, -800};
  g.gate.SetParams(&p);
  auto open = TraceBlocks(g.gate, Constant(2 * kBlock, 3.0517e-5));
  EXPECT_EQ(open.states[0], GateState::kOpening);

  auto closed = TraceBlocks(g.gate, Constant(2 * kBlock, 3.0e-5));
  EXPECT_EQ(closed.states[1], GateState::kClosed);
  for (double x : closed.output) EXPECT_EQ(x, 0.0);

  p.threshold = -799;  // the next step up is 10^(-799/200), far above -90.3 dB
  g.gate.SetParams(&p);
  closed = TraceBlocks(g.gate, Constant(2 * kBlock, 5.0e-5));
  EXPECT_EQ(closed.states[1], GateState::kClosed);
}

TEST(NoiseGateLevels, ZeroThresholdOpensOnlyAtFullScale) {
  Gate g;
  NoisgtParams p{3, 100, 0};
  g.gate.SetParams(&p);
  auto below = TraceBlocks(g.gate, Constant(3 * kBlock, 0.999));
  for (GateState s : below.states) EXPECT_EQ(s, GateState::kClosed);
  auto full = TraceBlocks(g.gate, Constant(3 * kBlock, -1.0));
  EXPECT_EQ(full.states[0], GateState::kOpening);
  EXPECT_EQ(full.states[1], GateState::kOpen);
}

TEST(NoiseGateLevels, LoudStartRampsFromZeroToNinetyPercentInOneBlockWith20msAttack) {
  Gate g;
  NoisgtParams p{20, 100, -200};
  g.gate.SetParams(&p);
  auto t = TraceBlocks(g.gate, Constant(3 * kBlock, 0.5));
  EXPECT_EQ(t.states[0], GateState::kOpening);
  EXPECT_NEAR(t.gains[0], 0.9, 1e-12);
  EXPECT_EQ(t.output[0], 0.0);
  for (std::uint32_t i = 1; i < kBlock; ++i) ASSERT_GE(t.output[i], t.output[i - 1]);
  EXPECT_NEAR(t.output[kBlock - 1] / 0.5, 0.9, 0.002);
  EXPECT_EQ(t.states[1], GateState::kOpen);
  EXPECT_GT(t.gains[1], t.gains[0]);
}

TEST(NoiseGateLevels, DefaultsHoldOneBlockThenDecayBy0631PerBlockToZero) {
  Gate g;
  std::vector<double> in = Tone(10 * kBlock, 0.2);
  Append(in, Tone(40 * kBlock, 0.01));  // well under the close threshold
  auto t = TraceBlocks(g.gate, in);
  EXPECT_EQ(t.states[0], GateState::kOpening);
  for (int b = 1; b < 10; ++b) EXPECT_EQ(t.states[b], GateState::kOpen);
  EXPECT_EQ(t.states[10], GateState::kHolding);
  EXPECT_GT(t.gains[10], 0.99);
  const double decay = std::pow(0.1, 0.2);
  int b = 11;
  for (; t.gains[b - 1] * decay >= 0.0002; ++b) {
    EXPECT_EQ(t.states[b], GateState::kClosed);
    EXPECT_NEAR(t.gains[b] / t.gains[b - 1], decay, 1e-9) << "block " << b;
  }
  EXPECT_EQ(t.gains[b], 0.0) << "block " << b;
  EXPECT_LT(b, 35);
  // Once the gain has snapped to zero, the quiet tone is silenced entirely.
  for (std::size_t i = (b + 1) * kBlock; i < t.output.size(); ++i) ASSERT_EQ(t.output[i], 0.0);
}

TEST(NoiseGateLevels, LevelBetweenCloseAndOpenThresholdKeepsEitherState) {
  const double between = 0.09;  // open 0.1, close 0.085 at -20 dB
  Gate closedGate;
  auto closed = TraceBlocks(closedGate.gate, Constant(10 * kBlock, between));
  for (GateState s : closed.states) EXPECT_EQ(s, GateState::kClosed);
  for (double x : closed.output) EXPECT_EQ(x, 0.0);

  Gate openGate;
  std::vector<double> in = Constant(5 * kBlock, 0.5);
  Append(in, Constant(10 * kBlock, between));
  auto open = TraceBlocks(openGate.gate, in);
  for (int b = 5; b < 15; ++b) EXPECT_EQ(open.states[b], GateState::kOpen);
  EXPECT_GT(open.gains.back(), 0.999);

  Gate atClose;
  in = Constant(5 * kBlock, 0.5);
  Append(in, Constant(kBlock, 0.084));  // under the close threshold: closing starts
  auto closing = TraceBlocks(atClose.gate, in);
  EXPECT_EQ(closing.states[5], GateState::kHolding);
}

// A settings change closes an open gate only when the block so far lies
// inside the new hysteresis band; above it the gate stays open, below it
// the gate holds for the block as it would have anyway.
TEST(NoiseGateLevels, SettingsChangeClosesTheGateOnlyWhenTheBlockSoFarIsInsideTheNewBand) {
  struct Case {
    double level;
    GateState after;
  };
  // At -20 dB the gate opens at 0.1 and closes at 0.085.
  for (int channels : {1, 2})
  for (const Case& c : {Case{0.09, GateState::kClosed}, Case{0.5, GateState::kOpen},
                        Case{0.01, GateState::kHolding}}) {
    SCOPED_TRACE(testing::Message() << c.level << ", " << channels << " channels");
    Gate g;
    NoisgtParams p{3, 100, -300};  // open threshold 0.0316
    g.gate.SetParams(&p);
    WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, channels, kRate);
    ASSERT_EQ(g.gate.Prepare(f, f), kOk);
    std::vector<double> loud = Constant(5 * kBlock * channels, 0.5), out(5 * kBlock * channels);
    std::uint32_t in = 5 * kBlock, room = 5 * kBlock;
    g.gate.Process(kProcessOrdinary, loud.data(), &in, out.data(), &room);
    ASSERT_EQ(g.gate.State(), GateState::kOpen);

    std::vector<double> block = Constant(kBlock * channels, c.level);
    in = 400;
    room = kBlock;
    g.gate.Process(kProcessOrdinary, block.data(), &in, out.data(), &room);
    g.gate.SetThreshold(-200);
    const double before = g.gate.CurrentGain();
    in = kBlock - 400;
    room = kBlock;
    g.gate.Process(kProcessOrdinary, block.data(), &in, out.data(), &room);
    EXPECT_EQ(g.gate.State(), c.after);
    if (c.after == GateState::kClosed) {
      EXPECT_NEAR(g.gate.CurrentGain(), before * std::pow(0.1, 0.2), 1e-9);
    }
  }
}

TEST(NoiseGateLevels, EitherLoudChannelOpensBothWithTheSameGain) {
  for (int loud = 0; loud < 2; ++loud) {
    Gate g;
    WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 2, kRate);
    ASSERT_EQ(g.gate.Prepare(f, f), kOk);
    std::vector<double> in;
    for (std::uint32_t i = 0; i < 20 * kBlock; ++i) {
      const double quiet = 0.01 * std::sin(i * 0.05) + 0.02;  // never zero
      const double high = 0.5 * std::sin(i * 0.01) + 0.6;
      in.push_back(loud == 0 ? high : quiet);
      in.push_back(loud == 1 ? high : quiet);
    }
    auto out = robust::Run(g.gate, {SampleFormat::kFloat64, 2, kRate}, in);
    ASSERT_EQ(out.size(), in.size());
    double lastGain = 0.0;
    for (std::size_t k = 0; k < in.size(); k += 2) {
      const double left = out[k] / in[k], right = out[k + 1] / in[k + 1];
      ASSERT_NEAR(left, right, 1e-12) << "frame " << k / 2;
      lastGain = left;
    }
    EXPECT_NEAR(lastGain, 1.0, 1e-3) << (loud ? "right" : "left") << " channel loud";
  }
}

TEST(NoiseGateTiming, DiscontinuityDropsThePartialBlockAndRestartsClosed) {
  Gate g;
  WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  ASSERT_EQ(g.gate.Prepare(f, f), kOk);
  std::vector<double> loud = Constant(10 * kBlock, 0.5), out(10 * kBlock);
  std::uint32_t in = 10 * kBlock, room = 10 * kBlock;
  g.gate.Process(kProcessOrdinary, loud.data(), &in, out.data(), &room);
  ASSERT_GT(g.gate.CurrentGain(), 0.99);
  in = 400;  // a partial block, to be dropped
  room = kBlock;
  g.gate.Process(kProcessOrdinary, loud.data(), &in, out.data(), &room);

  std::vector<double> after = Constant(kBlock, 0.25);
  in = kBlock;
  room = 2 * kBlock;
  ASSERT_EQ(g.gate.Process(kProcessDiscontinuity, after.data(), &in, out.data(), &room),
            kProcessProgress);
  EXPECT_EQ(in, kBlock);
  ASSERT_EQ(room, kBlock);  // only the new data: the partial block is gone
  EXPECT_EQ(out[0], 0.0);   // the gain starts again from zero
  EXPECT_EQ(g.gate.State(), GateState::kOpening);
}

TEST(NoiseGateTiming, DroppedPartialBlockStillCountsTowardTheNextLevel) {
  Gate g;
  WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  ASSERT_EQ(g.gate.Prepare(f, f), kOk);
  std::vector<double> quiet = Constant(kBlock, 0.0), loud = Constant(kBlock, 0.5), out(kBlock);
  std::uint32_t in = kBlock, room = kBlock;
  g.gate.Process(kProcessOrdinary, quiet.data(), &in, out.data(), &room);
  in = 100;
  room = kBlock;
  g.gate.Process(kProcessOrdinary, loud.data(), &in, out.data(), &room);
  in = kBlock;
  room = kBlock;
  g.gate.Process(kProcessDiscontinuity, quiet.data(), &in, out.data(), &room);
  EXPECT_EQ(g.gate.State(), GateState::kOpening);
}

TEST(NoiseGateTiming, RestartDoesNotInheritTheLevelOfAnUnfinishedBlock) {
  Gate g;
  WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  ASSERT_EQ(g.gate.Prepare(f, f), kOk);
  std::vector<double> loud = Constant(kBlock, 0.5), out(kBlock);
  std::uint32_t in = 300, room = kBlock;
  g.gate.Process(kProcessOrdinary, loud.data(), &in, out.data(), &room);
  g.gate.Release();
  auto t = TraceBlocks(g.gate, Constant(2 * kBlock, 0.0));  // prepares again
  EXPECT_EQ(t.states[0], GateState::kClosed);
  EXPECT_EQ(t.gains[0], 0.0);
}

}  // namespace
}  // namespace orlofx

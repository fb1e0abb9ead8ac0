// Noise Gate: the block engine's gate states, gains and block timing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "effects/noisgt/noisgt_transform.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx {
namespace {

using GateState = CAkNoisgtTransform::GateState;
constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kBlock = 882;  // 20 ms at 44.1 kHz

// A gate as a filter builds it (preset 0), with other settings if given,
// prepared for float64 at 44.1 kHz.
struct Gate {
  explicit Gate(NoisgtParams p = {3, 100, -200}, int channels = 1) : channels(channels) {
    gate.ApplyPreset(0);
    gate.SetParams(&p);
    const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, channels, kRate);
    EXPECT_EQ(gate.Prepare(f, f), kOk);
  }
  // One call offering `frames` frames of `level` with as much room; the
  // frames produced.
  std::uint32_t Feed(double level, std::uint32_t frames, int mode = kProcessOrdinary) {
    std::vector<double> in(frames * channels, level);
    out.assign(frames * channels + kBlock * channels, 0.0);
    std::uint32_t taken = frames, made = frames + kBlock;
    EXPECT_EQ(gate.Process(mode, in.data(), &taken, out.data(), &made), kProcessProgress);
    EXPECT_EQ(taken, frames);
    return made;
  }
  // Whole blocks, one per call, recording state and gain after each.
  void Trace(const std::vector<double>& in) {
    for (std::size_t start = 0; start + kBlock <= in.size(); start += kBlock) {
      std::vector<double> out(kBlock);
      std::uint32_t taken = kBlock, made = kBlock;
      EXPECT_EQ(gate.Process(kProcessOrdinary, in.data() + start, &taken, out.data(), &made),
                kProcessProgress);
      states.push_back(gate.State());
      gains.push_back(gate.CurrentGain());
      output.insert(output.end(), out.begin(), out.begin() + made);
    }
  }
  void Trace(double level, std::size_t blocks) { Trace(std::vector<double>(blocks * kBlock, level)); }
  CAkNoisgtTransform gate;
  int channels;
  std::vector<double> out, gains, output;
  std::vector<GateState> states;
};

std::vector<double> Tone(std::size_t frames, double peak) {
  std::vector<double> s(frames);
  for (std::size_t i = 0; i < frames; ++i) s[i] = peak * std::sin(6.283185307179586 * 1000.0 * i / kRate);
  return s;
}

TEST(NoiseGateLevels, SilenceInSilenceOut) {
  for (SampleFormat fmt : {SampleFormat::kPcm8, SampleFormat::kPcm16, SampleFormat::kPcm32,
                           SampleFormat::kFloat32, SampleFormat::kFloat64}) {
    Gate g({1, 1, -800});  // the most eager gate
    const auto out = robust::Run(g.gate, {fmt, 1, kRate}, std::vector<double>(5000, 0.0));
    ASSERT_EQ(out, std::vector<double>(5000, 0.0));
  }
}

// The open threshold at both ends of its range: -80 dB is -90.3 dB (one
// 16-bit step), 0 dB is full scale.
TEST(NoiseGateLevels, ThresholdsAtTheEndsOfTheRange) {
  Gate open({3, 100, -800});
  open.Trace(3.0517e-5, 2);
  EXPECT_EQ(open.states[0], GateState::kOpening);
  Gate closed({3, 100, -800});
  closed.Trace(3.0e-5, 2);
  EXPECT_EQ(closed.states[1], GateState::kClosed);
  for (double x : closed.output) EXPECT_EQ(x, 0.0);
  Gate next({3, 100, -799});  // the next step up is 10^(-799/200), far above -90.3 dB
  next.Trace(5.0e-5, 2);
  EXPECT_EQ(next.states[1], GateState::kClosed);

  Gate top({3, 100, 0});
  top.Trace(0.999, 3);
  for (GateState s : top.states) EXPECT_EQ(s, GateState::kClosed);
  top.Trace(-1.0, 3);
  EXPECT_EQ(top.states[3], GateState::kOpening);
  EXPECT_EQ(top.states[4], GateState::kOpen);
}

TEST(NoiseGateLevels, LoudStartRampsFromZeroToNinetyPercentInOneBlockWith20msAttack) {
  Gate g({20, 100, -200});
  g.Trace(0.5, 3);
  EXPECT_EQ(g.states[0], GateState::kOpening);
  EXPECT_NEAR(g.gains[0], 0.9, 1e-12);
  EXPECT_EQ(g.output[0], 0.0);
  for (std::uint32_t i = 1; i < kBlock; ++i) ASSERT_GE(g.output[i], g.output[i - 1]);
  EXPECT_NEAR(g.output[kBlock - 1] / 0.5, 0.9, 0.002);
  EXPECT_EQ(g.states[1], GateState::kOpen);
  EXPECT_GT(g.gains[1], g.gains[0]);
}

TEST(NoiseGateLevels, DefaultsHoldOneBlockThenDecayBy0631PerBlockToZero) {
  Gate g;
  std::vector<double> in = Tone(10 * kBlock, 0.2), quiet = Tone(40 * kBlock, 0.01);
  in.insert(in.end(), quiet.begin(), quiet.end());  // well under the close threshold
  g.Trace(in);
  EXPECT_EQ(g.states[0], GateState::kOpening);
  for (int b = 1; b < 10; ++b) EXPECT_EQ(g.states[b], GateState::kOpen);
  EXPECT_EQ(g.states[10], GateState::kHolding);
  EXPECT_GT(g.gains[10], 0.99);
  const double decay = std::pow(0.1, 0.2);
  int b = 11;
  for (; g.gains[b - 1] * decay >= 0.0002; ++b) {
    EXPECT_EQ(g.states[b], GateState::kClosed);
    EXPECT_NEAR(g.gains[b] / g.gains[b - 1], decay, 1e-9) << "block " << b;
  }
  EXPECT_EQ(g.gains[b], 0.0) << "block " << b;
  EXPECT_LT(b, 35);
  // Once the gain has snapped to zero, the quiet tone is silenced entirely.
  for (std::size_t i = (b + 1) * kBlock; i < g.output.size(); ++i) ASSERT_EQ(g.output[i], 0.0);
}

TEST(NoiseGateLevels, LevelBetweenCloseAndOpenThresholdKeepsEitherState) {
  const double between = 0.09;  // open 0.1, close 0.085 at -20 dB
  Gate closed;
  closed.Trace(between, 10);
  for (GateState s : closed.states) EXPECT_EQ(s, GateState::kClosed);
  for (double x : closed.output) EXPECT_EQ(x, 0.0);
  Gate open;
  open.Trace(0.5, 5);
  open.Trace(between, 10);
  for (int b = 5; b < 15; ++b) EXPECT_EQ(open.states[b], GateState::kOpen);
  EXPECT_GT(open.gains.back(), 0.999);
  open.Trace(0.084, 1);  // under the close threshold: closing starts
  EXPECT_EQ(open.states.back(), GateState::kHolding);
}

// A settings change closes an open gate only when the block so far lies
// inside the new hysteresis band; above it the gate stays open, below it
// the gate holds for the block as it would have anyway. In stereo either
// channel inside the band closes it.
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
      Gate g({3, 100, -300}, channels);  // open threshold 0.0316
      g.Feed(0.5, 5 * kBlock);
      ASSERT_EQ(g.gate.State(), GateState::kOpen);
      g.Feed(c.level, 400);
      g.gate.SetThreshold(-200);
      const double before = g.gate.CurrentGain();
      g.Feed(c.level, kBlock - 400);
      EXPECT_EQ(g.gate.State(), c.after);
      const double gain = c.after == GateState::kClosed ? before * std::pow(0.1, 0.2) : g.gate.CurrentGain();
      EXPECT_NEAR(g.gate.CurrentGain(), gain, 1e-9);
    }
}

TEST(NoiseGateLevels, EitherLoudChannelOpensBothWithTheSameGain) {
  for (int loud = 0; loud < 2; ++loud) {
    Gate g({3, 100, -200}, 2);
    std::vector<double> in;
    for (std::uint32_t i = 0; i < 20 * kBlock; ++i) {
      const double quiet = 0.01 * std::sin(i * 0.05) + 0.02, high = 0.5 * std::sin(i * 0.01) + 0.6;
      in.push_back(loud == 0 ? high : quiet);
      in.push_back(loud == 1 ? high : quiet);
    }
    const auto out = robust::Run(g.gate, {SampleFormat::kFloat64, 2, kRate}, in);
    ASSERT_EQ(out.size(), in.size());
    for (std::size_t k = 0; k < in.size(); k += 2)
      ASSERT_NEAR(out[k] / in[k], out[k + 1] / in[k + 1], 1e-12) << "frame " << k / 2;
    EXPECT_NEAR(out[in.size() - 2] / in[in.size() - 2], 1.0, 1e-3) << (loud ? "right" : "left") << " loud";
  }
}

// A break drops the partial block and restarts closed from gain zero; the
// dropped part still counts toward the level that decides the next block;
// a new stream inherits nothing of an unfinished block.
TEST(NoiseGateTiming, BreaksDropThePartialBlock) {
  Gate g;
  g.Feed(0.5, 10 * kBlock);
  ASSERT_GT(g.gate.CurrentGain(), 0.99);
  g.Feed(0.5, 400);  // a partial block, to be dropped
  ASSERT_EQ(g.Feed(0.25, kBlock, kProcessDiscontinuity), kBlock);  // only the new data
  EXPECT_EQ(g.out[0], 0.0);
  EXPECT_EQ(g.gate.State(), GateState::kOpening);

  Gate h;
  h.Feed(0.0, kBlock);
  h.Feed(0.5, 100);
  h.Feed(0.0, kBlock, kProcessDiscontinuity);
  EXPECT_EQ(h.gate.State(), GateState::kOpening);

  Gate r;
  r.Feed(0.5, 300);
  r.gate.Release();
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  ASSERT_EQ(r.gate.Prepare(f, f), kOk);
  r.Trace(0.0, 2);
  EXPECT_EQ(r.states[0], GateState::kClosed);
  EXPECT_EQ(r.gains[0], 0.0);
}

}  // namespace
}  // namespace orlofx

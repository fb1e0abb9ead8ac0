// Parametric EQ processor: settings and their clamping, presets,
// persistence, notifications, the target curve, and the stream: identity,
// length and alignment, and the measured response against the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "effects/pmeq/pmeq_transform.h"
#include "tests/native/test_robustness_support.h"
#include "support/strings.h"

namespace orlofx {
namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

// An equaliser as a filter builds it: preset 0 applied.
struct Eq {
  Eq() { fx.ApplyPreset(0); }
  CAkPmeqTransform fx;
};

PmeqParams Params(const CAkPmeqTransform& fx) {
  PmeqParams p{};
  fx.GetParams(&p);
  return p;
}

using robust::Process;
using robust::ProbeDb;


// --- settings -----------------------------------------------------------------

// --- the target curve ---------------------------------------------------------

TEST(PmeqTarget, CurvesHaveTheirShapes) {
  const std::size_t n = kFirSizeMedium;
  std::vector<double> h(n);
  const double a = static_cast<float>(std::pow(10.0, -200 / 200.0));  // -20 dB, single precision

  PmeqParams p{kPmeqLowShelf, 2000, 10, -200, 0, 1};
  PmeqTargetResponse(p, kRate, n, h.data());
  PmeqBins b = PmeqDesignBins(p, kRate, n);
  EXPECT_EQ(h[0], a);
  EXPECT_EQ(h[b.klo - 1], a);
  EXPECT_EQ(h[b.klo], a);  // the ramp starts at G·A
  EXPECT_GT(h[b.k0 - 1], h[b.klo + 1]);
  EXPECT_EQ(h[b.k0], 1.0);
  EXPECT_EQ(h[n - 1], 1.0);

  p.filterType = kPmeqHighShelf;
  PmeqTargetResponse(p, kRate, n, h.data());
  b = PmeqDesignBins(p, kRate, n);
  EXPECT_EQ(h[b.k0], 1.0);
  EXPECT_EQ(h[b.khi], a);
  EXPECT_EQ(h[n - 1], a);

  p.filterType = kPmeqBandPass;
  p.outputGain = -60;  // G = 10^-0.3 scales everything
  const double g = std::pow(10.0, -0.3);
  PmeqTargetResponse(p, kRate, n, h.data());
  b = PmeqDesignBins(p, kRate, n);
  EXPECT_DOUBLE_EQ(h[0], g * a);
  EXPECT_DOUBLE_EQ(h[b.k0], g);
  EXPECT_DOUBLE_EQ(h[b.khi2], g * a);
  EXPECT_DOUBLE_EQ(h[n - 1], g * a);

  p.filterType = kPmeqBandNotch;
  p.outputGain = 0;
  PmeqTargetResponse(p, kRate, n, h.data());
  b = PmeqDesignBins(p, kRate, n);
  EXPECT_EQ(h[b.k0], a);
  EXPECT_EQ(h[b.klo2], 1.0);
  EXPECT_EQ(h[b.khi2], 1.0);
  EXPECT_EQ(h[0], 1.0);

  // Any other type is a plain gain.
  p.filterType = 7;
  p.outputGain = -60;
  PmeqTargetResponse(p, kRate, n, h.data());
  for (double v : h) ASSERT_DOUBLE_EQ(v, g);
}

// --- streaming --------------------------------------------------------------------

TEST(PmeqStream, NeutralSettingsPassTheInputUnchanged) {
  Eq eq;
  PmeqParams p{kPmeqLowShelf, 1000, 10, 0, 0, 0};
  eq.fx.SetParams(&p);
  std::vector<double> taps(FirTapCount(kFirMaxSize));
  std::size_t count = 0;
  double gain = 0.0;
  std::int32_t fields[6];
  eq.fx.GetFields(fields);
  ASSERT_EQ(FirDesignTaps(kPmeqDesignRules, fields, kRate, taps.data(), &count, &gain), kOk);
  EXPECT_NEAR(taps[0], 1.0, 1e-12);
  for (std::size_t j = 1; j < count; ++j) ASSERT_NEAR(taps[j], 0.0, 1e-12);
  EXPECT_EQ(gain, 1.0);

  std::mt19937 rng(3);
  std::uniform_int_distribution<int> pcm(-32768, 32767);
  std::vector<double> in(2 * 5000);
  for (double& v : in) v = pcm(rng) / 32768.0;
  for (int accuracy = 0; accuracy < 3; ++accuracy) {
    eq.fx.SetAccuracy(accuracy);
    EXPECT_EQ(Process(eq.fx, in, 2, SampleFormat::kPcm16), in) << accuracy;  // bit for bit
    const std::vector<double> f = Process(eq.fx, in, 2, SampleFormat::kFloat32);
    ASSERT_EQ(f.size(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(f[i], in[i], 1e-6);
  }
}

TEST(PmeqStream, HundredFramesAtLowComeOutAtTheDrain) {
  Eq eq;
  eq.fx.SetAccuracy(0);
  WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 1, 44100);
  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  std::vector<float> in(100, 0.25f), out(1000, -9.0f);
  std::uint32_t inFrames = 100, outFrames = 1000;
  EXPECT_EQ(eq.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames),
            kProcessProgress);
  EXPECT_EQ(inFrames, 100u);
  EXPECT_EQ(outFrames, 0u);
  outFrames = 1000;
  EXPECT_EQ(eq.fx.Process(kProcessDrain, nullptr, nullptr, out.data(), &outFrames),
            kProcessFinished);
  EXPECT_EQ(outFrames, 100u);
  EXPECT_EQ(out[100], -9.0f);  // nothing written past what was produced
  // Drained: nothing more to give.
  outFrames = 1000;
  EXPECT_EQ(eq.fx.Process(kProcessDrain, nullptr, nullptr, out.data(), &outFrames),
            kProcessFinished);
  EXPECT_EQ(outFrames, 0u);
}

// A break in the stream redesigns the kernel (the same one, settings
// unchanged) and keeps every frame where it was.
TEST(PmeqStream, BreaksKeepEveryFrame) {
  Eq eq;
  eq.fx.ApplyPreset(5);
  eq.fx.SetAccuracy(0);
  std::vector<double> in(3001);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = 0.5 * std::sin(0.07 * i);
  const std::vector<double> plain = Process(eq.fx, in);
  const robust::StreamFormat f{SampleFormat::kFloat64, 1, 44100};
  const WaveFormat w = MakeWaveFormat(f.format, 1, f.rate);
  ASSERT_EQ(eq.fx.Prepare(w, w), kOk);
  robust::Driver d(eq.fx, f);
  d.FixedRoom(91);
  std::mt19937 rng(1);
  for (std::size_t at = 0, chunk = 0; at < in.size(); at += 77, ++chunk)
    ASSERT_TRUE(d.Offer(reinterpret_cast<const unsigned char*>(in.data() + at),
                        static_cast<std::uint32_t>(std::min<std::size_t>(77, in.size() - at)),
                        chunk % 3 == 0 ? kProcessDiscontinuity : kProcessOrdinary, rng));
  ASSERT_TRUE(d.Drain(rng));
  const std::vector<double> broken = d.OutputSamples();
EXPECT_EQ(broken, plain);
}

// Changing the accuracy restarts the engine with the new FFT size; the block
// in progress is finished first, so no frame is lost or moved.
TEST(PmeqStream, AccuracyChangeMidStreamKeepsEveryFrame) {
  Eq eq;
  eq.fx.Engine().SetSingleProcessorRule(false);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, 44100);
  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  EXPECT_EQ(eq.fx.Engine().FftSize(), kFirSizeMedium);
  std::vector<double> in(20000, 0.0), out;
  in[0] = 1.0;  // one impulse at the start and one after the change
  in[15000] = 1.0;
  std::vector<double> room(700);
  std::size_t pos = 0;
  while (pos < in.size()) {
    if (pos >= 6000 && eq.fx.Engine().FftSize() == kFirSizeMedium) eq.fx.SetAccuracy(0);
    std::uint32_t inFrames =
        static_cast<std::uint32_t>(std::min<std::size_t>(333, in.size() - pos));
    std::uint32_t outFrames = static_cast<std::uint32_t>(room.size());
    ASSERT_GE(eq.fx.Process(kProcessOrdinary, in.data() + pos, &inFrames, room.data(), &outFrames),
              0);
    out.insert(out.end(), room.begin(), room.begin() + outFrames);
    pos += inFrames;
  }
  for (;;) {
    std::uint32_t outFrames = static_cast<std::uint32_t>(room.size());
    HResult hr = eq.fx.Process(kProcessDrain, nullptr, nullptr, room.data(), &outFrames);
    out.insert(out.end(), room.begin(), room.begin() + outFrames);
    if (hr != kProcessProgress) break;
  }
  EXPECT_EQ(eq.fx.Engine().FftSize(), kFirSizeLow);
  ASSERT_EQ(out.size(), in.size());
  // Each impulse response starts at its impulse (a minimum-phase kernel
  // peaks at once) and nothing comes before it.
  for (std::size_t i = 1000; i < 15000; ++i) ASSERT_NEAR(out[i], 0.0, 1e-9) << i;
  const auto peak = [&](std::size_t from, std::size_t to) {
    return std::max_element(out.begin() + from, out.begin() + to,
                            [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
           out.begin();
  };
  EXPECT_LT(peak(0, 1000), 20);
  EXPECT_GE(peak(15000, 16000), 15000);
  EXPECT_LT(peak(15000, 16000), 15020);
}

// --- measured response ---------------------------------------------------------------

struct ProbeReport {
  int probes = 0;
  double worst = 0.0;
};

// Probes the processor with sines at bins where the target is flat for
// `reach` bins either side and compares with the target.
ProbeReport CheckAgainstTarget(CAkPmeqTransform& fx, double tolerance, int reach = 6) {
  const PmeqParams p = Params(fx);
  const std::size_t n = FirSizeForAccuracy(p.accuracy);
  std::vector<double> target(n);
  PmeqTargetResponse(p, kRate, n, target.data());
  ProbeReport report;
  int lastBin = -1;
  for (int i = 0; i < 24; ++i) {
    const int bin = static_cast<int>(4.0 * std::pow((n - 10) / 4.0, i / 23.0));
    if (bin <= lastBin || bin < reach || bin + reach >= static_cast<int>(n)) continue;
    bool flat = true;
    for (int j = bin - reach; j <= bin + reach; ++j)
      flat = flat && std::fabs(target[j] - target[bin]) <= 1e-9 * target[bin];
    if (!flat) continue;
    lastBin = bin + reach;  // spread the probes out
    const double f = bin * (kRate / 2.0) / (n - 1);
    const double want = 20.0 * std::log10(target[bin]);
    const double got = ProbeDb(fx, f, n);
    EXPECT_NEAR(got, want, tolerance) << "at " << f << " Hz (bin " << bin << ")";
    report.worst = std::max(report.worst, std::fabs(got - want));
    ++report.probes;
  }
  return report;
}

TEST(PmeqResponse, EveryTypeFollowsItsTargetAtEachAccuracy) {
  const PmeqParams settings[] = {
      {kPmeqLowShelf, 1000, 10, -120, 0, 0},
      {kPmeqLowShelf, 300, 20, 120, -30, 0},
      {kPmeqHighShelf, 3000, 10, -120, 0, 0},
      {kPmeqHighShelf, 8000, 5, 150, 0, 0},
      {kPmeqBandPass, 1000, 20, -200, 0, 0},
      {kPmeqBandPass, 4000, 30, 100, 0, 0},
      {kPmeqBandNotch, 1000, 20, -200, 0, 0},
      {kPmeqBandNotch, 5000, 10, 120, 0, 0},
      {kPmeqHighShelf, 2000, 10, -600, 0, 0},  // the deepest cut
      {7, 1000, 10, -200, -60, 0},             // a plain gain of -6 dB
  };
  for (PmeqParams p : settings) {
    for (int accuracy = 0; accuracy < 3; ++accuracy) {
      SCOPED_TRACE(testing::Message() << "type " << p.filterType << " at " << p.frequency
                                      << " Hz, amount " << p.amount << ", accuracy " << accuracy);
      Eq eq;
      p.accuracy = accuracy;
      eq.fx.SetParams(&p);
      // 127 taps hold a -60 dB floor to about 1.2 dB (leakage from the
      // pass band at -78 dB); everything else stays well inside 1 dB.
      const double tolerance = (accuracy == 0 && p.amount == -600) ? 1.5 : 1.0;
      const ProbeReport r = CheckAgainstTarget(eq.fx, tolerance);
      EXPECT_GE(r.probes, 4);
    }
  }
}

TEST(PmeqResponse, EveryPresetFollowsItsTargetAtEachAccuracy) {
  for (int preset = 0; preset < 6; ++preset) {
    for (int accuracy = 0; accuracy < 3; ++accuracy) {
      SCOPED_TRACE(testing::Message() << "preset " << preset << ", accuracy " << accuracy);
      Eq eq;
      eq.fx.ApplyPreset(preset);
      eq.fx.SetAccuracy(accuracy);
      const ProbeReport r = CheckAgainstTarget(eq.fx, 1.0);
      EXPECT_GE(r.probes, 4);
    }
  }
}

// The response the command-line tool shows is the kernel's, as measured.
TEST(PmeqResponse, ReportedResponseIsWhatTheStreamDoes) {
  Eq eq;
  eq.fx.ApplyPreset(3);  // hiss removal
  const double freqs[] = {100.0, 1000.0, 6000.0, 7000.0, 12000.0, 20000.0};
  double db[6];
  ASSERT_EQ(eq.fx.MagnitudeResponseDb(kRate, freqs, 6, db), kOk);
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(ProbeDb(eq.fx, freqs[i], kFirSizeHigh), db[i], 0.01) << freqs[i];
  EXPECT_NEAR(db[0], 0.0, 0.3);
  EXPECT_NEAR(db[4], -40.0, 1.0);
  EXPECT_EQ(eq.fx.MagnitudeResponseDb(0.0, freqs, 6, db), kInvalidArg);
}

}  // namespace
}  // namespace orlofx

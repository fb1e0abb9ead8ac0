// Graphic EQ processor: settings and the envelope, presets, persistence,
// notifications, the envelope's target curve, and the stream: identity,
// silence, output gain, breaks, and the measured response of the presets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "effects/geq/geq_transform.h"
#include "tests/native/test_robustness_support.h"
#include "support/strings.h"

namespace orlofx {
namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

// An equaliser as a filter builds it: preset 0 applied.
struct Eq {
  Eq() { fx.ApplyPreset(0); }
  CAkGeqTransform fx;
};

GeqParams Params(const CAkGeqTransform& fx) {
  GeqParams p{};
  fx.GetParams(&p);
  return p;
}

void SetPoints(CAkGeqTransform& fx, std::vector<GeqPoint> points) {
  ASSERT_EQ(fx.SetEnvelope(points.data(), static_cast<std::uint32_t>(points.size())), kOk);
}

using robust::Decode;
using robust::Encode;
using robust::Process;
using robust::ProbeDb;

// One call as the frame makes it; returns the produced frames as doubles.
std::vector<double> Call(EffectProcessor& fx, int mode, SampleFormat fmt,
                         const std::vector<double>& in, std::uint32_t room,
                         std::uint32_t* consumed = nullptr, HResult* result = nullptr) {
  const std::vector<unsigned char> bytes = Encode(fmt, in);
  std::vector<unsigned char> out(room * BytesPerSample(fmt));
  std::uint32_t inFrames = static_cast<std::uint32_t>(in.size()), outFrames = room;
  const HResult hr =
      fx.Process(mode, in.empty() ? nullptr : bytes.data(),
                 mode == kProcessDrain ? nullptr : &inFrames, out.data(), &outFrames);
  EXPECT_GE(hr, 0);
  if (consumed) *consumed = inFrames;
  if (result) *result = hr;
  out.resize(outFrames * BytesPerSample(fmt));
  return Decode(fmt, out);
}


std::vector<double> Target(const CAkGeqTransform& fx, std::size_t n, double rate = kRate) {
  std::vector<double> h(n);
  GeqTargetResponse(Params(fx), rate, n, h.data());
  return h;
}

// --- settings -----------------------------------------------------------------

TEST(GeqSettings, EnvelopeRoundTripsWithoutClamping) {
  Eq eq;
  const GeqPoint three[] = {{100, -50}, {5000, 350}, {9000, -500}};
  ASSERT_EQ(eq.fx.SetEnvelope(three, 3), kOk);
  GeqPoint got[kGeqMaxPoints] = {};
  std::uint32_t count = 0;
  ASSERT_EQ(eq.fx.GetEnvelope(got, &count), kOk);
  ASSERT_EQ(count, 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(got[i].x, three[i].x);
    EXPECT_EQ(got[i].y, three[i].y);
  }
  // Values outside the ranges are kept as given; the design takes them at
  // the nearest end, so nothing overflows.
  const GeqPoint wild[] = {{-300, 450}, {12000, 100000}};
  ASSERT_EQ(eq.fx.SetEnvelope(wild, 2), kOk);
  eq.fx.GetEnvelope(got, &count);
  EXPECT_EQ(got[1].y, 100000);
  for (double v : Target(eq.fx, kFirSizeMedium))
    ASSERT_EQ(v, static_cast<float>(GeqPointGain(400)));
  for (double v : Process(eq.fx, std::vector<double>(3000, 0.01))) ASSERT_TRUE(std::isfinite(v));
}

TEST(GeqSettings, EnvelopeCountIsBoundedAndCheckedFirst) {
  Eq eq;
  eq.fx.SetOutputGain(-123);
  std::vector<GeqPoint> many(100);
  for (int i = 0; i < 100; ++i) many[i] = {i * 100, i};
  ASSERT_EQ(eq.fx.SetEnvelope(many.data(), 100), kOk);
  GeqParams p = Params(eq.fx);
  EXPECT_EQ(p.pointCount, 64);
  EXPECT_EQ(p.points[63].x, 6300);
  EXPECT_EQ(p.outputGain, -123);  // the field after the points is untouched

  MemoryRecordStream saved;
  eq.fx.SaveRecord(saved, true);
  EXPECT_EQ(eq.fx.SetEnvelope(many.data(), 1), kInvalidArg);
  EXPECT_EQ(eq.fx.SetEnvelope(many.data(), 0), kInvalidArg);
  EXPECT_EQ(eq.fx.SetEnvelope(nullptr, 5), kPointer);
  EXPECT_EQ(Params(eq.fx).pointCount, 64);
  EXPECT_FALSE(eq.fx.IsDirty());
  EXPECT_EQ(eq.fx.GetEnvelope(nullptr, nullptr), kPointer);
}

// --- the target curve ---------------------------------------------------------

TEST(GeqTarget, WarpedGainUnits) {
  EXPECT_EQ(GeqPointGain(-500), 0.0);
  EXPECT_EQ(GeqPointGain(0), 1.0);
  const int ys[] = {100, 200, 300, 400};
  const double dbs[] = {3.0, 6.0, 12.0, 24.0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(20.0 * std::log10(GeqPointGain(ys[i])), dbs[i], 1e-12);
    EXPECT_NEAR(20.0 * std::log10(GeqPointGain(-ys[i])), -dbs[i], 1e-12);
  }
  EXPECT_NEAR(20.0 * std::log10(GeqPointGain(-499)), -3.0 * std::pow(2.0, 3.99), 1e-9);
  EXPECT_NEAR(20.0 * std::log10(GeqPointGain(-499)), -47.7, 0.05);
  EXPECT_NEAR(GeqPointFrequency(10000), 20480.0, 1e-9);
  EXPECT_NEAR(GeqOutputGainFactor(-600), 1e-3, 1e-15);
}

TEST(GeqTarget, PointBeyondTheBandLandsOnTheLastBin) {
  Eq eq;
  SetPoints(eq.fx, {{0, 0}, {10000, 200}});
  const std::size_t n = kFirSizeMedium;
  EXPECT_EQ(GeqBin(10000, 22050.0, n), static_cast<int>(n) - 1);  // 20480 Hz above 11025 Hz
  const std::vector<double> h = Target(eq.fx, n, 22050.0);
  EXPECT_EQ(h[n - 1], static_cast<float>(GeqPointGain(200)));
  EXPECT_EQ(h[0], 1.0);
  // The curve climbs on the way there and never overshoots.
  for (std::size_t k = 1; k < n; ++k) ASSERT_GE(h[k], h[k - 1]);
  EXPECT_LE(h[n - 2], h[n - 1]);
}

TEST(GeqTarget, SilentPointsGiveExactZeros) {
  Eq eq;
  eq.fx.ApplyPreset(8);  // notch around 450 Hz, y = -500 from x 4250 to 4750
  const std::size_t n = kFirSizeHigh;
  const std::vector<double> h = Target(eq.fx, n);
  const int from = GeqBin(4250, kRate, n), to = GeqBin(4750, kRate, n);
  for (int k = from; k <= to; ++k) ASSERT_EQ(h[k], 0.0) << k;
  EXPECT_GT(h[from - 3], 0.0);
  EXPECT_EQ(h[0], 1.0);
}

// --- streaming --------------------------------------------------------------------

TEST(GeqStream, DefaultEnvelopePassesTheInputUnchanged) {
  Eq eq;
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> pcm(-32768, 32767);
  std::vector<double> in(2 * 3000);
  for (double& v : in) v = pcm(rng) / 32768.0;
  for (int accuracy = 0; accuracy < 3; ++accuracy) {
    eq.fx.SetAccuracy(accuracy);
    EXPECT_EQ(Process(eq.fx, in, 2, SampleFormat::kPcm16), in) << accuracy;
    const std::vector<double> f = Process(eq.fx, in, 2, SampleFormat::kFloat64);
    ASSERT_EQ(f.size(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(f[i], in[i], 1e-12);
  }
}

TEST(GeqStream, SilentEnvelopeIsExactSilence) {
  Eq eq;
  SetPoints(eq.fx, {{0, -500}, {10000, -500}});
  std::vector<double> in(4000);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = 0.9 * std::sin(0.05 * i);
  for (SampleFormat fmt : {SampleFormat::kPcm8, SampleFormat::kPcm16, SampleFormat::kPcm32,
                           SampleFormat::kFloat32, SampleFormat::kFloat64}) {
    const std::vector<double> out = Process(eq.fx, in, 1, fmt);
    ASSERT_EQ(out.size(), in.size());
    for (double v : out) ASSERT_EQ(v, 0.0);
  }
}

TEST(GeqStream, OutputGainScalesAsSamplesLeave) {
  Eq eq;
  eq.fx.SetOutputGain(-600);
  std::vector<double> in(2 * 2500);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = std::cos(0.01 * i) * 0.7;
  const std::vector<double> out = Process(eq.fx, in, 2);
  ASSERT_EQ(out.size(), in.size());
  for (std::size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(out[i], 1e-3 * in[i], 1e-14);
  // The kernel itself stays a unit impulse: the gain is not part of it.
  EXPECT_NEAR(eq.fx.Engine().CurrentKernel().gain, 1e-3, 1e-18);
}

// A break drops the partly filled block, so the output after it starts with
// the new input.
TEST(GeqStream, BreakDropsThePartialBlock) {
  Eq eq;
  eq.fx.SetAccuracy(0);  // blocks of 128
  SetPoints(eq.fx, {{0, 100}, {10000, -100}});
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, 44100);
  std::vector<double> a(100, 0.3), b(50);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::sin(0.2 * i);

  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  EXPECT_TRUE(Call(eq.fx, kProcessOrdinary, SampleFormat::kFloat64, a, 500).empty());
  EXPECT_TRUE(Call(eq.fx, kProcessDiscontinuity, SampleFormat::kFloat64, b, 500).empty());
  const std::vector<double> got = Call(eq.fx, kProcessDrain, SampleFormat::kFloat64, {}, 500);

  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  Call(eq.fx, kProcessOrdinary, SampleFormat::kFloat64, b, 500);
  const std::vector<double> alone = Call(eq.fx, kProcessDrain, SampleFormat::kFloat64, {}, 500);
  ASSERT_EQ(got.size(), 50u);
  EXPECT_EQ(got, alone);
}

// A block that is computed but only partly delivered when a break arrives
// is delivered in full, once, and nothing of it is repeated.
TEST(GeqStream, BreakNeverRepeatsDeliveredOutput) {
  Eq eq;
  eq.fx.SetAccuracy(0);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, 44100);
  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  std::vector<double> block(128), more(10, 0.5);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = i / 128.0;

  std::uint32_t consumed = 0;
  std::vector<double> out =
      Call(eq.fx, kProcessOrdinary, SampleFormat::kFloat64, block, 50, &consumed);
  EXPECT_EQ(consumed, 128u);
  ASSERT_EQ(out.size(), 50u);
  const std::vector<double> rest =
      Call(eq.fx, kProcessDiscontinuity, SampleFormat::kFloat64, more, 500);
  out.insert(out.end(), rest.begin(), rest.end());
  const std::vector<double> tail = Call(eq.fx, kProcessDrain, SampleFormat::kFloat64, {}, 500);
  out.insert(out.end(), tail.begin(), tail.end());
  ASSERT_EQ(out.size(), 138u);
  for (std::size_t i = 0; i < 128; ++i) ASSERT_NEAR(out[i], block[i], 1e-12) << i;
  for (std::size_t i = 128; i < 138; ++i) ASSERT_NEAR(out[i], 0.5, 1e-12) << i;
}

// --- measured response ---------------------------------------------------------------

TEST(GeqResponse, EveryPresetFollowsItsTargetAtEachAccuracy) {
  const int reach = 6;
  for (int preset = 0; preset < 9; ++preset) {
    for (int accuracy = 0; accuracy < 3; ++accuracy) {
      SCOPED_TRACE(testing::Message() << "preset " << preset << ", accuracy " << accuracy);
      Eq eq;
      eq.fx.ApplyPreset(preset);
      eq.fx.SetAccuracy(accuracy);
      const std::size_t n = FirSizeForAccuracy(accuracy);
      const std::vector<double> target = Target(eq.fx, n);
      int probes = 0, lastBin = -1;
      for (int i = 0; i < 24; ++i) {
        const int bin = static_cast<int>(3.0 * std::pow((n - 10) / 3.0, i / 23.0));
        if (bin <= lastBin || bin < reach || bin + reach >= static_cast<int>(n)) continue;
        // Flat: within 0.1 dB (or all silent) for `reach` bins either side.
        bool flat = true;
        for (int j = bin - reach; j <= bin + reach; ++j)
          flat = flat && (target[bin] == 0.0 ? target[j] == 0.0
                                             : std::fabs(target[j] / target[bin] - 1.0) < 0.0116);
        if (!flat) continue;
        lastBin = bin + reach;
        const double f = bin * kRate / (2.0 * n);
        const double got = ProbeDb(eq.fx, f, n);
        if (target[bin] == 0.0)
          EXPECT_LT(got, -60.0) << "at " << f << " Hz";  // silent region
        else
          EXPECT_NEAR(got, 20.0 * std::log10(target[bin]), 1.0) << "at " << f << " Hz";
        ++probes;
      }
      EXPECT_GE(probes, 2);
    }
  }
}

TEST(GeqResponse, ReportedResponseIncludesTheOutputGain) {
  Eq eq;
  eq.fx.ApplyPreset(3);  // bass boost around 80 Hz: narrow, so at High accuracy
  eq.fx.SetAccuracy(2);
  eq.fx.SetOutputGain(-60);
  const double freqs[] = {80.0, 1000.0};
  double db[2];
  ASSERT_EQ(eq.fx.MagnitudeResponseDb(kRate, freqs, 2, db), kOk);
  EXPECT_NEAR(db[0], 20.0 * std::log10(GeqPointGain(202)) - 6.0, 0.5);
  EXPECT_NEAR(db[1], -6.0, 0.1);
  for (int i = 0; i < 2; ++i) EXPECT_NEAR(ProbeDb(eq.fx, freqs[i], kFirSizeHigh), db[i], 0.01);
}

}  // namespace
}  // namespace orlofx

// The two FIR equalisers over the front end they share: neutral settings
// give the input back, the measured response follows the target curve and
// is what is reported, subnormal input filters to silence; then what each
// has of its own: filter shapes, the Graphic EQ's envelope, breaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "effects/geq/geq_transform.h"
#include "effects/pmeq/pmeq_transform.h"
#include "framework/float_environment.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx {
namespace {

constexpr double kRate = 44100.0;

using robust::Decode;
using robust::Encode;
using robust::Process;

// Gain in dB of a half-scale sine of `hz` through `fx` (mono, double), by a
// least-squares fit after `settle` frames; -400 for silence.
double ProbeDb(EffectProcessor& fx, double hz, std::size_t settle) {
  const double w = 6.283185307179586 * hz / kRate;
  std::vector<double> in(settle + 4096);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = 0.5 * std::sin(w * i);
  const std::vector<double> out = Process(fx, in);
  EXPECT_EQ(out.size(), in.size());
  double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
  for (std::size_t i = settle; i < out.size(); ++i) {
    const double sn = std::sin(w * i), cs = std::cos(w * i);
    ss += sn * sn, sc += sn * cs, cc += cs * cs, ys += out[i] * sn, yc += out[i] * cs;
  }
  const double det = ss * cc - sc * sc;
  const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
  const double amplitude = std::hypot(a, b) / 0.5;
  return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -400.0;
}

// An equaliser as a filter builds it: preset 0 applied.
template <typename T>
struct Eq {
  Eq() { fx.ApplyPreset(0); }
  T fx;
};

PmeqParams Params(const CAkPmeqTransform& fx) { PmeqParams p{}; return fx.GetParams(&p), p; }
GeqParams Params(const CAkGeqTransform& fx) { GeqParams p{}; return fx.GetParams(&p), p; }

// The target curve of the settings in force at n points, and the frequency
// of point k: the Parametric EQ's n points span 0 to fs/2, the Graphic EQ's
// step fs/2n.
std::vector<double> Target(const CAkPmeqTransform& fx, std::size_t n) {
  std::vector<double> h(n);
  return PmeqTargetResponse(Params(fx), kRate, n, h.data()), h;
}
double BinHz(const CAkPmeqTransform&, int bin, std::size_t n) { return bin * (kRate / 2.0) / (n - 1); }
std::vector<double> Target(const CAkGeqTransform& fx, std::size_t n) {
  std::vector<double> h(n);
  return GeqTargetResponse(Params(fx), kRate, n, h.data()), h;
}
double BinHz(const CAkGeqTransform&, int bin, std::size_t n) { return bin * kRate / (2.0 * n); }

// Probes the stream with sines where the target is flat (within 0.1 dB, or
// silent) for six bins either side; silent stretches must come out below
// -60 dB. Returns how many places were probed.
template <typename T>
int ExpectFollowsTarget(T& fx, double tolerance) {
  const int reach = 6;
  const std::size_t n = FirSizeForAccuracy(Params(fx).accuracy);
  const std::vector<double> target = Target(fx, n);
  int probes = 0, lastBin = -1;
  for (int i = 0; i < 24; ++i) {
    const int bin = static_cast<int>(3.0 * std::pow((n - 10) / 3.0, i / 23.0));
    if (bin <= lastBin || bin < reach || bin + reach >= static_cast<int>(n)) continue;
    bool flat = true;
    for (int j = bin - reach; j <= bin + reach; ++j)
      flat = flat && (target[bin] == 0.0 ? target[j] == 0.0
                                         : std::fabs(target[j] / target[bin] - 1.0) < 0.0116);
    if (!flat) continue;
    lastBin = bin + reach;
    const double f = BinHz(fx, bin, n);
    const double got = ProbeDb(fx, f, n);
    if (target[bin] == 0.0)
      EXPECT_LT(got, -60.0) << "at " << f << " Hz";
    else
      EXPECT_NEAR(got, 20.0 * std::log10(target[bin]), tolerance) << "at " << f << " Hz";
    ++probes;
  }
  return probes;
}

// PCM 16 comes back bit for bit at every accuracy, float within rounding.
template <typename T>
void ExpectPassesUnchanged(T& fx, SampleFormat floatFormat, double tolerance) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> pcm(-32768, 32767);
  std::vector<double> in(2 * 5000);
  for (double& v : in) v = pcm(rng) / 32768.0;
  for (int accuracy = 0; accuracy < 3; ++accuracy) {
    fx.SetAccuracy(accuracy);
    EXPECT_EQ(Process(fx, in, 2, SampleFormat::kPcm16), in) << accuracy;
    const std::vector<double> f = Process(fx, in, 2, floatFormat);
    ASSERT_EQ(f.size(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(f[i], in[i], tolerance);
  }
}

// The response the tool reports is the kernel's, as measured.
template <typename T>
void ExpectReportedIsMeasured(T& fx, const std::vector<double>& hz, std::vector<double>& db) {
  db.resize(hz.size());
  ASSERT_EQ(fx.MagnitudeResponseDb(kRate, hz.data(), hz.size(), db.data()), kOk);
  for (std::size_t i = 0; i < hz.size(); ++i)
    EXPECT_NEAR(ProbeDb(fx, hz[i], kFirSizeHigh), db[i], 0.01) << hz[i];
  EXPECT_EQ(fx.MagnitudeResponseDb(0.0, hz.data(), hz.size(), db.data()), kInvalidArg);
}

TEST(FirEq, NeutralSettingsPassTheInputUnchanged) {
  Eq<CAkPmeqTransform> pmeq;
  const PmeqParams flat{kPmeqLowShelf, 1000, 10, 0, 0, 0};
  pmeq.fx.SetParams(&flat);
  ExpectPassesUnchanged(pmeq.fx, SampleFormat::kFloat32, 1e-6);
  Eq<CAkGeqTransform> geq;  // the default envelope
  ExpectPassesUnchanged(geq.fx, SampleFormat::kFloat64, 1e-12);
}

TEST(FirEq, EverySettingAndPresetFollowsItsTargetAtEachAccuracy) {
  const PmeqParams settings[] = {
      {kPmeqLowShelf, 1000, 10, -120, 0, 0},   {kPmeqLowShelf, 300, 20, 120, -30, 0},
      {kPmeqHighShelf, 3000, 10, -120, 0, 0},  {kPmeqHighShelf, 8000, 5, 150, 0, 0},
      {kPmeqBandPass, 1000, 20, -200, 0, 0},   {kPmeqBandPass, 4000, 30, 100, 0, 0},
      {kPmeqBandNotch, 1000, 20, -200, 0, 0},  {kPmeqBandNotch, 5000, 10, 120, 0, 0},
      {kPmeqHighShelf, 2000, 10, -600, 0, 0},  // the deepest cut
      {7, 1000, 10, -200, -60, 0},             // any other type: a plain gain of -6 dB
  };
  for (int accuracy = 0; accuracy < 3; ++accuracy) {
    for (PmeqParams p : settings) {
      SCOPED_TRACE(testing::Message() << "type " << p.filterType << " at " << p.frequency
                                      << " Hz, amount " << p.amount << ", accuracy " << accuracy);
      Eq<CAkPmeqTransform> eq;
      p.accuracy = accuracy;
      eq.fx.SetParams(&p);
      // 127 taps hold a -60 dB floor to about 1.2 dB (leakage from the
      // pass band at -78 dB); everything else stays well inside 1 dB.
      EXPECT_GE(ExpectFollowsTarget(eq.fx, accuracy == 0 && p.amount == -600 ? 1.5 : 1.0), 2);
    }
    const auto everyPreset = [accuracy](auto* kind, int presets) {
      (void)kind;  // names the effect
      for (int preset = 0; preset < presets; ++preset) {
        SCOPED_TRACE(testing::Message() << "preset " << preset << ", accuracy " << accuracy);
        Eq<std::remove_pointer_t<decltype(kind)>> eq;
        eq.fx.ApplyPreset(preset);
        eq.fx.SetAccuracy(accuracy);
        EXPECT_GE(ExpectFollowsTarget(eq.fx, 1.0), 2);
      }
    };
    everyPreset(static_cast<CAkPmeqTransform*>(nullptr), 6);
    everyPreset(static_cast<CAkGeqTransform*>(nullptr), 9);
  }
}

TEST(FirEq, ReportedResponseIsWhatTheStreamDoes) {
  std::vector<double> db;
  Eq<CAkPmeqTransform> pmeq;
  pmeq.fx.ApplyPreset(3);  // hiss removal
  ExpectReportedIsMeasured(pmeq.fx, {100.0, 1000.0, 6000.0, 7000.0, 12000.0, 20000.0}, db);
  EXPECT_TRUE(std::fabs(db[0]) < 0.3 && std::fabs(db[4] + 40.0) < 1.0) << db[0] << " " << db[4];
  Eq<CAkGeqTransform> geq;
  geq.fx.ApplyPreset(3);  // bass boost around 80 Hz: narrow, so at High accuracy
  geq.fx.SetAccuracy(2);
  geq.fx.SetOutputGain(-60);
  ExpectReportedIsMeasured(geq.fx, {80.0, 1000.0}, db);
  EXPECT_TRUE(std::fabs(db[0] - (6.08 - 6.0)) < 0.5 && std::fabs(db[1] + 6.0) < 0.1) << db[0] << " " << db[1];  // level 202: 3 x 2^1.02 dB
}

// Subnormal input never reaches the arithmetic as such (where the processor
// has the switch for it): it filters to exactly the silence zeros give.
TEST(FirEq, SubnormalInputFiltersToSilence) {
  if (!ORLOFX_HAS_MXCSR) GTEST_SKIP() << "no flush-to-zero switch on this processor";
  Eq<CAkPmeqTransform> pmeq;
  const PmeqParams boost{kPmeqBandNotch, 1000, 20, 100, 0, 1};
  pmeq.fx.SetParams(&boost);
  Eq<CAkGeqTransform> geq;
  geq.fx.ApplyPreset(3);
  for (EffectProcessor* fx : {static_cast<EffectProcessor*>(&pmeq.fx), static_cast<EffectProcessor*>(&geq.fx)})
    for (SampleFormat fmt : {SampleFormat::kFloat32, SampleFormat::kFloat64}) {
      const double tiny = 1000.0 * (fmt == SampleFormat::kFloat32 ? double(std::numeric_limits<float>::denorm_min())
                                                                  : std::numeric_limits<double>::denorm_min());
      std::vector<double> in(2 * 20000);
      for (std::size_t i = 0; i < in.size(); ++i) in[i] = (i % 3 == 0 ? -tiny : tiny);
      for (double v : Process(*fx, in, 2, fmt)) ASSERT_EQ(v, 0.0);
    }
}

// Each filter type's documented shape, 20 dB deep at 2 kHz, one octave wide:
// the level well below and well above the corner, and at it for the bands.
TEST(PmeqTarget, EachTypeHasItsShape) {
  // dB at 100 Hz, 2 kHz, 15 kHz; any other type: the output gain alone.
  const std::pair<std::int32_t, std::array<double, 3>> shapes[] = {
      {kPmeqLowShelf, {-20, NAN, 0}}, {kPmeqHighShelf, {0, NAN, -20}}, {kPmeqBandPass, {-20, 0, -20}},
      {kPmeqBandNotch, {0, -20, 0}},  {7, {-6, -6, -6}}};
  const double hz[3] = {100.0, 2000.0, 15000.0};
  for (const auto& [type, want] : shapes) {
    Eq<CAkPmeqTransform> eq;
    const PmeqParams p{type, 2000, 10, -200, type == 7 ? -60 : 0, 2};
    eq.fx.SetParams(&p);
    double db[3];
    ASSERT_EQ(eq.fx.MagnitudeResponseDb(kRate, hz, 3, db), kOk);
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(db[k], std::isnan(want[k]) ? db[k] : want[k], 1.0) << "type " << type << " at " << hz[k];
  }
}

// A break in the stream redesigns the kernel (the same one, settings
// unchanged) and keeps every frame where it was.
TEST(PmeqStream, BreaksKeepEveryFrame) {
  Eq<CAkPmeqTransform> eq;
  eq.fx.ApplyPreset(5);
  eq.fx.SetAccuracy(0);
  std::vector<double> in(3001);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = 0.5 * std::sin(0.07 * i);
  const std::vector<double> plain = Process(eq.fx, in);
  const robust::StreamFormat f{SampleFormat::kFloat64, 1, 44100};
  ASSERT_EQ(eq.fx.Prepare(robust::Wave(f), robust::Wave(f)), kOk);
  robust::Driver d(eq.fx, f);
  d.FixedRoom(91);
  std::mt19937 rng(1);
  for (std::size_t at = 0, chunk = 0; at < in.size(); at += 77, ++chunk)
    ASSERT_TRUE(d.Offer(reinterpret_cast<const unsigned char*>(in.data() + at),
                        static_cast<std::uint32_t>(std::min<std::size_t>(77, in.size() - at)),
                        chunk % 3 == 0 ? kProcessDiscontinuity : kProcessOrdinary, rng));
  ASSERT_TRUE(d.Drain(rng));
  EXPECT_EQ(d.OutputSamples(), plain);
}

void SetPoints(CAkGeqTransform& fx, std::vector<GeqPoint> points) {
  ASSERT_EQ(fx.SetEnvelope(points.data(), static_cast<std::uint32_t>(points.size())), kOk);
}

// One float64 mono call as the frame makes it; the produced frames.
std::vector<double> Call(EffectProcessor& fx, int mode, std::vector<double> in, std::uint32_t room,
                         std::uint32_t* consumed = nullptr) {
  std::vector<double> out(room);
  std::uint32_t n = static_cast<std::uint32_t>(in.size()), made = room;
  EXPECT_GE(fx.Process(mode, in.empty() ? nullptr : in.data(), mode == kProcessDrain ? nullptr : &n,
                       out.data(), &made), 0);
  if (consumed) *consumed = n;
  out.resize(made);
  return out;
}

// Points are kept as given (the design takes them at the nearest end of
// their ranges, so nothing overflows); the count is bounded to 64 and
// checked before anything changes.
TEST(GeqSettings, EnvelopePointsAreKeptAndTheCountBounded) {
  Eq<CAkGeqTransform> eq;
  const GeqPoint wild[] = {{100, -50}, {-300, 450}, {12000, 100000}};
  ASSERT_EQ(eq.fx.SetEnvelope(wild, 3), kOk);
  GeqPoint got[kGeqMaxPoints] = {};
  std::uint32_t count = 0;
  ASSERT_EQ(eq.fx.GetEnvelope(got, &count), kOk);
  ASSERT_EQ(count, 3u);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(got[i].x == wild[i].x && got[i].y == wild[i].y) << i;
  ASSERT_EQ(eq.fx.SetEnvelope(wild + 1, 2), kOk);
  for (double v : Target(eq.fx, kFirSizeMedium)) ASSERT_EQ(v, static_cast<float>(GeqPointGain(400)));
  for (double v : Process(eq.fx, std::vector<double>(3000, 0.01))) ASSERT_TRUE(std::isfinite(v));
  eq.fx.SetOutputGain(-123);
  std::vector<GeqPoint> many(100);
  for (int i = 0; i < 100; ++i) many[i] = {i * 100, i};
  ASSERT_EQ(eq.fx.SetEnvelope(many.data(), 100), kOk);
  const GeqParams kept = Params(eq.fx);  // the field after the points is untouched
  EXPECT_TRUE(kept.pointCount == 64 && kept.points[63].x == 6300 && kept.outputGain == -123);
  MemoryRecordStream saved;
  eq.fx.SaveRecord(saved, true);
  EXPECT_TRUE(eq.fx.SetEnvelope(many.data(), 1) == kInvalidArg && eq.fx.SetEnvelope(many.data(), 0) == kInvalidArg);
  EXPECT_EQ(eq.fx.SetEnvelope(nullptr, 5), kPointer);
  EXPECT_EQ(eq.fx.GetEnvelope(nullptr, nullptr), kPointer);
  EXPECT_TRUE(Params(eq.fx).pointCount == 64 && !eq.fx.IsDirty());
}

// The output gain scales samples as they leave; a silent envelope is exact
// silence in every format.
TEST(GeqStream, OutputGainScalesAndASilentEnvelopeIsExactSilence) {
  Eq<CAkGeqTransform> eq;
  eq.fx.SetOutputGain(-600);
  std::vector<double> in(2 * 2500);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = std::cos(0.01 * i) * 0.7;
  const std::vector<double> out = Process(eq.fx, in, 2);
  ASSERT_EQ(out.size(), in.size());
  for (std::size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(out[i], 1e-3 * in[i], 1e-14);
  SetPoints(eq.fx, {{0, -500}, {10000, -500}});
  for (SampleFormat fmt : {SampleFormat::kPcm8, SampleFormat::kPcm16, SampleFormat::kPcm32,
                           SampleFormat::kFloat32, SampleFormat::kFloat64})
    for (double v : Process(eq.fx, in, 1, fmt)) ASSERT_EQ(v, 0.0);
}

// A break drops the partly filled block, so the output after it starts with
// the new input; a block computed but only partly delivered when a break
// arrives is delivered in full, once.
TEST(GeqStream, BreaksDropThePartialBlockAndRepeatNothing) {
  Eq<CAkGeqTransform> eq;
  eq.fx.SetAccuracy(0);  // blocks of 128
  SetPoints(eq.fx, {{0, 100}, {10000, -100}});
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, 44100);
  std::vector<double> b(50), block(128), more(10, 0.5);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::sin(0.2 * i);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = i / 128.0;
  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  EXPECT_TRUE(Call(eq.fx, kProcessOrdinary, std::vector<double>(100, 0.3), 500).empty());
  EXPECT_TRUE(Call(eq.fx, kProcessDiscontinuity, b, 500).empty());
  const std::vector<double> got = Call(eq.fx, kProcessDrain, {}, 500);
  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  Call(eq.fx, kProcessOrdinary, b, 500);
  EXPECT_TRUE(got.size() == 50u && got == Call(eq.fx, kProcessDrain, {}, 500));
  SetPoints(eq.fx, {{0, 0}, {10000, 0}});
  ASSERT_EQ(eq.fx.Prepare(f, f), kOk);
  std::uint32_t consumed = 0;
  std::vector<double> out = Call(eq.fx, kProcessOrdinary, block, 50, &consumed);
  ASSERT_TRUE(consumed == 128u && out.size() == 50u) << consumed << " " << out.size();
  for (int mode : {kProcessDiscontinuity, kProcessDrain}) {
    const std::vector<double> rest = Call(eq.fx, mode, mode == kProcessDrain ? std::vector<double>() : more, 500);
    out.insert(out.end(), rest.begin(), rest.end());
  }
  ASSERT_EQ(out.size(), 138u);
  for (std::size_t i = 0; i < 138; ++i) ASSERT_NEAR(out[i], i < 128 ? block[i] : 0.5, 1e-12) << i;
}

}  // namespace
}  // namespace orlofx

// Graphic Dynamics: the transfer curve (gain table, knee, ratio), the point
// and curve setters, edits, host values and envelopes, and the stream:
// levels, ramps, stereo linking, bypass and breaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <vector>

#include "effects/gdyn/gdyn_transform.h"
#include "framework/notifier.h"
#include "support/native/native_windows.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrame = 882;  // 20 ms at 44.1 kHz

double FromDb(double db) { return std::pow(10.0, db / 20.0); }
double Db(double tenths) { return FromDb(tenths / 10.0); }

std::vector<GdynPoint> Points(std::initializer_list<GdynPoint> p) { return {p}; }

std::vector<double> Table(const std::vector<GdynPoint>& p, bool autoGain = false) {
  std::vector<double> t(kGdynTableSize);
  GdynGainTable(p.data(), static_cast<int>(p.size()), autoGain, t.data());
  return t;
}

std::vector<double> PresetTable(int preset, bool autoGain) {
  const AkGdynProps& p = kGdynPresets[preset].body;
  return Table(std::vector<GdynPoint>(p.points, p.points + p.pointCount), autoGain);
}

// A processor as a filter builds it: a preset applied.
struct Dyn {
  explicit Dyn(int preset = 0) { fx.ApplyPreset(preset); }
  void Set(std::uint32_t param, std::int32_t value) { ASSERT_EQ(fx.SetParamProp(param, value), kOk); }
  CAkGdynTransform fx;
  AkGdynProps Get() const {
    AkGdynProps p{};
    fx.GetAllSettings(&p);
    return p;
  }
};

TEST(GdynCurve, AutoGainLeavesMutedStretchesMuted) {
  // Compressor/Gate: mute below -61.4 dB, top output -11.9 dB.
  const std::vector<double> plain = PresetTable(2, false);
  const std::vector<double> raised = PresetTable(2, true);
  EXPECT_NEAR(raised[614] / plain[614], Db(119), 1e-9);
  for (int k = 615; k <= 840; ++k) EXPECT_EQ(raised[k], 0.0) << k;
  EXPECT_NEAR(raised[150] / plain[150], Db(119), 1e-9);
}

TEST(GdynCurve, FirstSegmentFromTheFloorIsAGateOnlyBelowMinus20DbOfGain) {
  // At x1 the gain is -30 dB: the floor end mutes, the rest interpolates
  // from the mute level.
  std::vector<double> gateDb(kGdynTableSize);
  const auto steep = Points({{-840, -840}, {-500, -800}, {0, 0}});
  GdynGainTableDb(steep.data(), 3, gateDb.data());
  EXPECT_EQ(gateDb[840], -840.0);
  EXPECT_NEAR(gateDb[670], -840.0 + (170.0 / 340.0) * 540.0, 1e-9);
  EXPECT_EQ(Table(steep)[840], 0.0);
  // At x1 the gain is -15 dB: the floor end keeps its own gain (0 dB).
  const auto gentle = Points({{-840, -840}, {-500, -650}, {0, 0}});
  const std::vector<double> t = Table(gentle);
  EXPECT_NEAR(t[840], 1.0, 1e-12);
  EXPECT_NEAR(t[670], Db(-75), 1e-12);  // halfway from 0 to -15 dB
}

// The knee: the point where the curve bends from about 1:1 below to flatter
// above; the ratio: the rise over the fall above it, to the nearest tenth.
// -1: not asked.
struct CurveCase {
  std::vector<GdynPoint> points;
  std::int32_t bend, ratio;
};
const CurveCase kCurves[] = {
    {{{-840, -840}, {-240, -240}, {0, 0}}, -240, -1},  // no knee: the second-last point
    {{{-840, -840}, {-60, -60}, {0, -60}}, -60, -1},   // limiter
    // Two knees: the upper one does not qualify (0.5 to 0.25), the lower one
    // does, whatever order the points are stored in.
    {{{-840, -840}, {-400, -400}, {-200, -300}, {0, -250}}, -400, -1},
    {{{0, -250}, {-200, -300}, {-840, -840}, {-400, -400}}, -400, -1},
    {{{-840, -840}, {-300, -840}, {-300, -300}, {0, -100}}, -300, -1},  // a vertical step
    {{{-840, -840}, {-200, -200}, {0, -170}}, -1, 67},   // 6.67:1
    {{{-840, -840}, {-200, -200}, {0, -120}}, -1, 25},   // 2.5:1 exactly
    {{{-840, -840}, {-400, -400}, {-100, 0}}, -1, 8},    // steeper than 1:1
    {{{-840, -840}, {-200, -200}, {0, -250}}, -1, 500},  // falling: limiter
    {{{-840, -840}, {-800, -800}, {0, -799}}, -1, 500},  // 800:1
    {{{-840, -840}, {-20, -20}, {0, -19}}, -1, 201},     // a fall of 0.1 dB
    {{{-840, -840}, {-300, -500}, {0, -400}}, -1, 30},   // no inner point near unity
};

TEST(GdynCurve, KneeAndRatioOfEachCurve) {
  for (const CurveCase& c : kCurves) {
    const int n = static_cast<int>(c.points.size());
    if (c.bend != -1) {
      EXPECT_EQ(GdynBendPoint(c.points.data(), n), c.bend) << c.points[1].x;
    } else {
      EXPECT_EQ(GdynCurveRatio(c.points.data(), n), c.ratio) << c.points[2].y;
    }
  }
  // Soft knee: -110 is flatter on both sides; -240 has an expander below it.
  for (auto [preset, knee] : {std::pair{9, -240}, std::pair{10, -338}}) {
    const AkGdynProps& p = kGdynPresets[preset].body;
    EXPECT_EQ(GdynBendPoint(p.points, p.pointCount), knee);
  }
}

TEST(GdynSettings, PointsCountThresholdAndRatioSetters) {
  Dyn d;
  const GdynPoint two[] = {{-840, -840}, {-100, -200}};
  ASSERT_EQ(d.fx.SetPoints(two, 2), kOk);
  GdynPoint got[kGdynMaxPoints];
  std::int32_t count = 0;
  ASSERT_EQ(d.fx.GetPoints(got, &count), kOk);
  // At least three points; the third place kept its point.
  EXPECT_TRUE(count == 3 && got[1].x == -100 && got[2].x == 0) << count;
  GdynPoint many[20];
  for (int i = 0; i < 20; ++i) many[i] = {-840 + 40 * i, -840 + 40 * i};
  d.fx.SetPoints(many, 20);
  d.fx.GetPoints(got, &count);
  EXPECT_TRUE(count == 16 && got[15].x == -240) << count;
  for (auto [asked, held] : {std::pair{2, 3}, std::pair{99, 16}}) {
    d.fx.SetPointCount(asked);
    d.fx.GetPointCount(&count);
    EXPECT_EQ(count, held);
  }
  EXPECT_EQ(d.fx.GetPoints(nullptr, &count), kPointer);
  // Stored threshold and ratio are clamped but what is read is the curve's.
  MemoryRecordStream sink;
  d.fx.SaveRecord(sink, true);
  const AkGdynProps before = d.Get();
  d.fx.SetThreshold(5);
  d.fx.SetRatio(1);
  EXPECT_TRUE(d.fx.IsDirty());
  std::int32_t threshold, ratio;
  EXPECT_TRUE(d.fx.GetCurveThreshold(&threshold) == kOk && d.fx.GetCurveRatio(&ratio) == kOk);
  EXPECT_TRUE(threshold == before.threshold && ratio == before.ratio);
  d.fx.SaveRecord(sink, true);
  d.fx.SetThreshold(-1);  // 5 was stored as -1: no change
  d.fx.SetRatio(10);      // 1 was stored as 10
  EXPECT_FALSE(d.fx.IsDirty());
}

// Edit brackets mark a change at their end; a host's value posts code 0
// once it changes something, a page's setter posts nothing (the page knows).
// (An envelope taking a parameter from the user while streaming is the
// automation's own test.)
TEST(GdynSettings, EditBracketsAndHostValues) {
  native::TakePostedCommands();
  Dyn d;
  const WindowHandle w = native::CreateWindowStub();
  d.fx.SetNotifyWindow(w, 32700);
  MemoryRecordStream sink;
  d.fx.SaveRecord(sink, true);
  ASSERT_TRUE(d.fx.BeginParamEdit(kGdynParamRelease) == kOk && !d.fx.IsDirty());
  EXPECT_TRUE(d.fx.EndParamEdit(kGdynParamRelease) == kOk && d.fx.IsDirty());
  EXPECT_EQ(d.fx.BeginParamEdit(9), kInvalidArg);
  d.fx.SaveRecord(sink, true);
  EXPECT_TRUE(d.fx.SetParam(kGdynParamRelease, 100.0f) == kOk && d.fx.IsDirty());
  EXPECT_EQ(d.fx.SetParam(kGdynParamRelease, 100.0f), kFalse);
  d.fx.SetParamProp(kGdynParamRelease, 7);
  const auto posted = native::TakePostedCommands();
  EXPECT_TRUE(posted.size() == 1u && posted[0].code == kNotifyAutomationSet) << posted.size();
  native::DestroyWindowStub(w);
}

std::vector<double> RunThrough(CAkGdynTransform& fx, const std::vector<double>& interleaved,
                               int channels = 1, SampleFormat fmt = SampleFormat::kFloat64) {
  return robust::Run(fx, {fmt, channels, kRate}, interleaved, 4096, &fx);
}

std::vector<double> Constant(std::size_t frames, double value) { return std::vector<double>(frames, value); }

// Offers one 20 ms frame per call; the smoothed gain after each.
std::vector<double> GainsPerFrame(CAkGdynTransform& fx, const std::vector<double>& in) {
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  EXPECT_EQ(fx.Prepare(f, f), kOk);
  std::vector<double> gains, out(kFrame);
  for (std::size_t start = 0; start + kFrame <= in.size(); start += kFrame) {
    std::uint32_t taken = kFrame, made = kFrame;
    EXPECT_EQ(fx.Process(kProcessOrdinary, in.data() + start, &taken, out.data(), &made), kProcessProgress);
    gains.push_back(fx.SmoothedGain(0));
  }
  return gains;
}

// With release 0 the gain is the table's at once: silence takes the gain
// at the bottom of a curve that lifts its floor by 4 dB; between the hard
// gate's points (-35.2 dB muted, -35 dB unity) the interpolated -48.9 dB.
TEST(GdynLevels, SilenceAndLevelsBetweenPointsTakeTheTableGain) {
  Dyn lifted, between(3);
  const GdynPoint p[] = {{-840, -800}, {-400, -400}, {0, 0}};
  lifted.fx.SetPoints(p, 3);
  for (Dyn* d : {&lifted, &between}) d->Set(kGdynParamRelease, 0);
  EXPECT_NEAR(GainsPerFrame(lifted.fx, Constant(2 * kFrame, 0.0))[0], FromDb(4.0), 1e-12);
  EXPECT_NEAR(GainsPerFrame(between.fx, Constant(2 * kFrame, FromDb(-35.1)))[1] / FromDb(-48.9), 1.0, 2e-3);
}

TEST(GdynLevels, HardNoiseGateMutesAtMinus35Point2AndPassesAtMinus35) {
  Dyn gate(3);
  gate.Set(kGdynParamRelease, 200);  // closes within one frame
  std::vector<double> out = RunThrough(gate.fx, Constant(4 * kFrame, FromDb(-35.2)));
  ASSERT_EQ(out.size(), 4 * kFrame);
  EXPECT_NEAR(out[0], FromDb(-35.2), 1e-12);  // the first frame ramps down from unity
  EXPECT_GT(out[kFrame / 2], 0.0);
  for (std::size_t i = kFrame; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0) << i;
  Dyn open(3);
  const std::vector<double> in = Constant(4 * kFrame, FromDb(-35.0));
  EXPECT_EQ(RunThrough(open.fx, in), in);  // unity, sample for sample
}

TEST(GdynLevels, LimiterBringsAFullScaleFrameToMinus6DbWithin1ms) {
  Dyn limiter(4);  // attack 1 ms
  const std::vector<double> out = RunThrough(limiter.fx, Constant(3 * kFrame, 1.0));
  const double target = FromDb(-6.0);
  EXPECT_EQ(out[0], 1.0);  // the ramp starts at the old gain
  EXPECT_TRUE(out[43] > target && out[43] < out[1]) << out[43];
  for (std::size_t i = 44; i < out.size(); ++i) ASSERT_NEAR(out[i], target, 1e-12) << i;
  EXPECT_EQ(limiter.fx.ChannelMode(0), CAkGdynTransform::Mode::kAttack);
}

TEST(GdynLevels, TargetUnderMinus74DbIsExactSilenceAndTheNextRampStartsAtZero) {
  Dyn d;
  // -20 dB in gives -80 dB out (-60 dB of gain); with -25 dB output gain the
  // target is far under 0.0002.
  const GdynPoint p[] = {{-840, -840}, {-200, -800}, {0, 0}};
  d.fx.SetPoints(p, 3);
  d.Set(kGdynParamOutputGain, -250);
  d.Set(kGdynParamAttack, 100);  // 10 ms ramp, coefficient 1
  std::vector<double> in = Constant(4 * kFrame, 1.0);
  std::fill(in.begin(), in.begin() + 2 * kFrame, 0.1);
  const std::vector<double> out = RunThrough(d.fx, in);
  const double og = FromDb(-25.0);
  EXPECT_NEAR(out[0], 0.1 * og, 1e-12);
  for (std::size_t i = 441; i < 2 * kFrame; ++i) ASSERT_EQ(out[i], 0.0) << i;
  EXPECT_TRUE(out[2 * kFrame] == 0.0 && out[2 * kFrame + 100] > 0.0);  // restarts from silence
  EXPECT_NEAR(out[3 * kFrame - 1], og, 1e-12);
}

TEST(GdynLevels, AutoGainRaisesACurveToppingAtMinus12DbAndScalesTheOutputBy098) {
  Dyn plain(6);
  plain.Set(kGdynParamAutoGain, 0);
  Dyn raised(6);  // auto gain on
  // Long enough for the 100 ms release to settle.
  const std::vector<double> in = Constant(50 * kFrame, FromDb(-30.0));
  const std::vector<double> a = RunThrough(plain.fx, in);
  const std::vector<double> b = RunThrough(raised.fx, in);
  EXPECT_TRUE(plain.fx.OutputGain() == 1.0 && raised.fx.OutputGain() == 0.98);
  EXPECT_NEAR(b.back() / a.back(), FromDb(12.0) * 0.98, 1e-9);
  // Full scale comes out just under full scale.
  const std::vector<double> loud = RunThrough(raised.fx, Constant(4 * kFrame, 1.0));
  EXPECT_NEAR(loud.back(), 0.98, 1e-9);
}

TEST(GdynLevels, WithSyncOffALoudLeftChannelLeavesTheRightUntouched) {
  std::vector<double> in = Constant(8 * kFrame, 1.0);
  for (std::size_t i = 1; i < in.size(); i += 2) in[i] = FromDb(-30.0);
  Dyn independent(4);
  independent.Set(kGdynParamSyncStereo, 0);
  const std::vector<double> out = RunThrough(independent.fx, in, 2);
  for (std::size_t i = 1; i < out.size(); i += 2) ASSERT_EQ(out[i], in[i]) << i;
  EXPECT_NEAR(out[out.size() - 2], FromDb(-6.0), 1e-12);
  Dyn linked(4);
  const std::vector<double> together = RunThrough(linked.fx, in, 2);
  EXPECT_NEAR(together.back(), FromDb(-30.0) * FromDb(-6.0), 1e-12);
  EXPECT_EQ(linked.fx.SmoothedGain(1), linked.fx.SmoothedGain(0));
}

TEST(GdynTiming, DiscontinuityDropsWhatIsHeldAndResetsTheGains) {
  Dyn limiter(4);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  ASSERT_EQ(limiter.fx.Prepare(f, f), kOk);
  std::vector<double> in(3 * kFrame, 1.0), out(4 * kFrame);
  std::uint32_t inFrames = 2 * kFrame + 100, outFrames = kFrame;  // room for one frame
  limiter.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames);
  ASSERT_TRUE(limiter.fx.SmoothedGain(0) < 0.6 && limiter.fx.ChannelMode(0) == CAkGdynTransform::Mode::kAttack);
  std::vector<double> quiet(kFrame, 0.25);
  inFrames = kFrame;
  outFrames = 4 * kFrame;
  ASSERT_EQ(limiter.fx.Process(kProcessDiscontinuity, quiet.data(), &inFrames, out.data(), &outFrames),
            kProcessProgress);
  // The held frame is gone: the output is the new audio at the reset gain.
  ASSERT_TRUE(inFrames == kFrame && outFrames == kFrame) << inFrames << " " << outFrames;
  for (std::uint32_t i = 0; i < outFrames; ++i) ASSERT_EQ(out[i], 0.25) << i;
  EXPECT_TRUE(limiter.fx.SmoothedGain(0) == 1.0 && limiter.fx.ChannelMode(0) == CAkGdynTransform::Mode::kRelease);
}

// Bypass copies at once (no frame delay); toggled mid-stream on the unity
// curve, what was held comes out first, so the whole output is the input.
TEST(GdynTiming, BypassCopiesAtOnceAndSwitchingKeepsOrderAndLength) {
  Dyn d(4);
  d.Set(kGdynParamBypass, 1);
  const robust::StreamFormat f{SampleFormat::kFloat32, 1, kRate};
  ASSERT_EQ(d.fx.Prepare(robust::Wave(f), robust::Wave(f)), kOk);
  std::vector<float> in(500), out(500);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = 1.0f - 0.003f * i;
  std::uint32_t inFrames = 500, outFrames = 500;
  ASSERT_EQ(d.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames), kProcessProgress);
  EXPECT_EQ(out, in);
  Dyn unity;
  ASSERT_EQ(unity.fx.Prepare(robust::Wave(f), robust::Wave(f)), kOk);
  std::vector<double> src(20000);
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = i / 32768.0;
  const std::vector<unsigned char> bytes = robust::Encode(f.format, src);
  robust::Driver driver(unity.fx, f);
  driver.FixedRoom(333);
  std::mt19937 rng(1);
  for (std::uint32_t at = 0, k = 0; at < src.size(); at += 555, ++k) {
    unity.Set(kGdynParamBypass, (k / 3) % 2);
    ASSERT_TRUE(driver.Offer(bytes.data() + 4 * at, std::min<std::uint32_t>(555, 20000 - at), kProcessOrdinary, rng));
  }
  ASSERT_TRUE(driver.Drain(rng));
  EXPECT_EQ(driver.Output(), bytes);
}

TEST(GdynResponse, TransferCurveOfTheDefaultLimiterGateAndAutoGain) {
  const std::vector<double> x = {-100.0, -60.0, -35.2, -30.0, -6.0, -3.0, 0.0};
  auto curve = [&x](int preset) {
    Dyn d(preset);
    EXPECT_EQ(d.fx.ResponseKind(), ResponseAxis::kLevel);
    std::vector<double> y(x.size());
    EXPECT_EQ(d.fx.ResponseAt(44100.0, x.data(), x.size(), y.data()), kOk);
    return y;
  };
  const double inf = std::numeric_limits<double>::infinity(), g = 20.0 * std::log10(0.98);
  // Unity; the -6 dB limiter; the hard gate; the -12 dB limiter with auto gain.
  const std::vector<std::vector<double>> want = {
      x, {-100, -60, -35.2, -30, -6, -6, -6}, {-inf, -inf, -inf, -30, -6, -3, 0},
      {-100 + 12 + g, -60 + 12 + g, -35.2 + 12 + g, -30 + 12 + g, g, g, g}};
  const int presets[] = {0, 4, 3, 6};
  for (int k = 0; k < 4; ++k) {
    const std::vector<double> y = curve(presets[k]);
    for (std::size_t i = 0; i < x.size(); ++i)
      EXPECT_TRUE(y[i] == want[k][i] || std::fabs(y[i] - want[k][i]) < 1e-9)
          << presets[k] << " at " << x[i] << ": " << y[i] << ", not " << want[k][i];
  }
}

}  // namespace
}  // namespace orlofx

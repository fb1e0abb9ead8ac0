// Graphic Dynamics streaming: detection, smoothing and ramps on frames, the
// one-frame delivery lag, stereo linking, bypass, discontinuities, rebuilds,
// automation stretches and the static transfer curve.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "effects/gdyn/gdyn_transform.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrame = 882;  // 20 ms at 44.1 kHz

double FromDb(double db) { return std::pow(10.0, db / 20.0); }

struct Dyn {
  explicit Dyn(int preset = 0) { fx.ApplyPreset(preset); }
  void Set(std::uint32_t param, std::int32_t value) { ASSERT_EQ(fx.SetParamProp(param, value), kOk); }
  CAkGdynTransform fx;
};

std::vector<double> RunThrough(CAkGdynTransform& fx, const std::vector<double>& interleaved,
                               int channels = 1, SampleFormat fmt = SampleFormat::kFloat64) {
  return robust::Run(fx, {fmt, channels, kRate}, interleaved, 4096, &fx);
}

std::vector<double> Constant(std::size_t frames, double value) {
  return std::vector<double>(frames, value);
}

void Append(std::vector<double>& a, const std::vector<double>& b) {
  a.insert(a.end(), b.begin(), b.end());
}

// Offers one 20 ms frame per call; the smoothed gain after each.
std::vector<double> GainsPerFrame(CAkGdynTransform& fx, const std::vector<double>& in) {
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  EXPECT_EQ(fx.Prepare(f, f), kOk);
  std::vector<double> gains, out(kFrame);
  for (std::size_t start = 0; start + kFrame <= in.size(); start += kFrame) {
    std::uint32_t inFrames = kFrame, outFrames = kFrame;
    EXPECT_EQ(fx.Process(kProcessOrdinary, in.data() + start, &inFrames, out.data(), &outFrames),
              kProcessProgress);
    gains.push_back(fx.SmoothedGain(0));
  }
  return gains;
}

// --- levels and gains -------------------------------------------------------------

TEST(GdynLevels, SilenceTakesTheGainAtTheBottomOfTheTable) {
  Dyn unity;
  const std::vector<double> gains = GainsPerFrame(unity.fx, Constant(5 * kFrame, 0.0));
  for (double g : gains) EXPECT_EQ(g, 1.0);

  // A curve that lifts its floor by 4 dB: silence settles at that gain.
  Dyn lifted;
  const GdynPoint p[] = {{-840, -800}, {-400, -400}, {0, 0}};
  lifted.fx.SetPoints(p, 3);
  lifted.Set(kGdynParamRelease, 0);
  const std::vector<double> g = GainsPerFrame(lifted.fx, Constant(2 * kFrame, 0.0));
  EXPECT_EQ(g[0], lifted.fx.GainTable()[840]);
  EXPECT_NEAR(g[0], FromDb(4.0), 1e-12);
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

  // Between the two: the interpolated table gain of about -48.9 dB.
  Dyn between(3);
  between.Set(kGdynParamRelease, 0);
  const std::vector<double> g = GainsPerFrame(between.fx, Constant(2 * kFrame, FromDb(-35.1)));
  EXPECT_NEAR(g[1] / FromDb(-48.9), 1.0, 2e-3);
}

TEST(GdynLevels, ReleaseOf500msMovesTheGainByItsCoefficientPerFrame) {
  Dyn gate(3);  // release 500 ms
  const std::vector<double> g = GainsPerFrame(gate.fx, Constant(4 * kFrame, FromDb(-40.0)));
  const double k = 1.0 - std::pow(0.1, 0.04);
  EXPECT_NEAR(g[0], 1.0 - k, 1e-12);
  EXPECT_NEAR(g[3], std::pow(1.0 - k, 4), 1e-12);
  EXPECT_EQ(gate.fx.ChannelMode(0), CAkGdynTransform::Mode::kRelease);
}

TEST(GdynLevels, LimiterBringsAFullScaleFrameToMinus6DbWithin1ms) {
  Dyn limiter(4);  // attack 1 ms
  const std::vector<double> out = RunThrough(limiter.fx, Constant(3 * kFrame, 1.0));
  const double target = FromDb(-6.0);
  EXPECT_EQ(out[0], 1.0);  // the ramp starts at the old gain
  EXPECT_GT(out[43], target);
  EXPECT_LT(out[43], out[1]);
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
  std::vector<double> in = Constant(2 * kFrame, 0.1);
  Append(in, Constant(2 * kFrame, 1.0));
  const std::vector<double> out = RunThrough(d.fx, in);
  const double og = FromDb(-25.0);
  EXPECT_NEAR(out[0], 0.1 * og, 1e-12);
  for (std::size_t i = 441; i < 2 * kFrame; ++i) ASSERT_EQ(out[i], 0.0) << i;
  EXPECT_EQ(out[2 * kFrame], 0.0);  // restarts from silence
  EXPECT_GT(out[2 * kFrame + 100], 0.0);
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
  EXPECT_EQ(plain.fx.OutputGain(), 1.0);
  EXPECT_EQ(raised.fx.OutputGain(), 0.98);
  EXPECT_NEAR(b.back() / a.back(), FromDb(12.0) * 0.98, 1e-9);
  // Full scale comes out just under full scale.
  const std::vector<double> loud = RunThrough(raised.fx, Constant(4 * kFrame, 1.0));
  EXPECT_NEAR(loud.back(), 0.98, 1e-9);
}

TEST(GdynLevels, WithSyncOffALoudLeftChannelLeavesTheRightUntouched) {
  auto stereo = [](double left, double right, std::size_t frames) {
    std::vector<double> s;
    for (std::size_t i = 0; i < frames; ++i) {
      s.push_back(left);
      s.push_back(right);
    }
    return s;
  };
  const std::vector<double> in = stereo(1.0, FromDb(-30.0), 4 * kFrame);
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

// --- delivery -------------------------------------------------------------------------

TEST(GdynTiming, OutputLagsOneFrameAndTheDrainDeliversTheShortLastFrame) {
  Dyn limiter(4);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 1, kRate);
  ASSERT_EQ(limiter.fx.Prepare(f, f), kOk);
  std::vector<float> in(1000, 1.0f), out(2000, -1.0f);
  std::uint32_t inFrames = 881, outFrames = 2000;
  ASSERT_EQ(limiter.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames),
            kProcessProgress);
  EXPECT_EQ(inFrames, 881u);
  EXPECT_EQ(outFrames, 0u);
  inFrames = 119;
  outFrames = 2000;
  ASSERT_EQ(limiter.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames),
            kProcessProgress);
  EXPECT_EQ(inFrames, 119u);
  EXPECT_EQ(outFrames, kFrame);
  outFrames = 50;  // less room than the drained frame needs
  ASSERT_EQ(limiter.fx.Process(kProcessDrain, nullptr, nullptr, out.data(), &outFrames),
            kProcessProgress);
  EXPECT_EQ(outFrames, 50u);
  outFrames = 2000;
  ASSERT_EQ(limiter.fx.Process(kProcessDrain, nullptr, nullptr, out.data(), &outFrames),
            kProcessFinished);
  EXPECT_EQ(outFrames, 68u);
  // The short frame was processed, not passed through.
  EXPECT_NEAR(out[67], FromDb(-6.0), 1e-6);
  outFrames = 2000;
  EXPECT_EQ(limiter.fx.Process(kProcessDrain, nullptr, nullptr, out.data(), &outFrames),
            kProcessFinished);
  EXPECT_EQ(outFrames, 0u);
}

TEST(GdynTiming, DiscontinuityDropsWhatIsHeldAndResetsTheGains) {
  Dyn limiter(4);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  ASSERT_EQ(limiter.fx.Prepare(f, f), kOk);
  std::vector<double> in(3 * kFrame, 1.0), out(4 * kFrame);
  std::uint32_t inFrames = 2 * kFrame + 100, outFrames = kFrame;  // room for one frame
  limiter.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames);
  ASSERT_LT(limiter.fx.SmoothedGain(0), 0.6);
  ASSERT_EQ(limiter.fx.ChannelMode(0), CAkGdynTransform::Mode::kAttack);

  std::vector<double> quiet(kFrame, 0.25);
  inFrames = kFrame;
  outFrames = 4 * kFrame;
  ASSERT_EQ(limiter.fx.Process(kProcessDiscontinuity, quiet.data(), &inFrames, out.data(),
                               &outFrames),
            kProcessProgress);
  // The held frame is gone: the output is the new audio at the reset gain.
  EXPECT_EQ(inFrames, kFrame);
  ASSERT_EQ(outFrames, kFrame);
  for (std::uint32_t i = 0; i < outFrames; ++i) ASSERT_EQ(out[i], 0.25) << i;
  EXPECT_EQ(limiter.fx.SmoothedGain(0), 1.0);
  EXPECT_EQ(limiter.fx.ChannelMode(0), CAkGdynTransform::Mode::kRelease);
}

TEST(GdynTiming, SettingsChangeRebuildsWithoutDisturbingFramesOrGains) {
  Dyn limiter(4);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, kRate);
  ASSERT_EQ(limiter.fx.Prepare(f, f), kOk);
  std::vector<double> in(2 * kFrame, 1.0), out(2 * kFrame);
  std::uint32_t inFrames = kFrame + 300, outFrames = 2 * kFrame;
  limiter.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames);
  ASSERT_EQ(outFrames, kFrame);
  const double held = limiter.fx.SmoothedGain(0);

  limiter.Set(kGdynParamOutputGain, -60);
  inFrames = kFrame - 300;
  outFrames = 2 * kFrame;
  limiter.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames);
  ASSERT_EQ(outFrames, kFrame);  // the 300 held frames were kept
  EXPECT_EQ(limiter.fx.SmoothedGain(0), held);
  EXPECT_NEAR(limiter.fx.OutputGain(), FromDb(-6.0), 1e-12);
  EXPECT_NEAR(out[kFrame - 1], FromDb(-12.0), 1e-12);
}

TEST(GdynTiming, BypassCopiesAtOnceAndSwitchingKeepsOrderAndLength) {
  Dyn d(4);
  d.Set(kGdynParamBypass, 1);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kPcm16, 2, kRate);
  ASSERT_EQ(d.fx.Prepare(f, f), kOk);
  std::vector<std::int16_t> in(2 * 500), out(2 * 500);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::int16_t>(32767 - 37 * i);
  std::uint32_t inFrames = 500, outFrames = 500;
  ASSERT_EQ(d.fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames),
            kProcessProgress);
  EXPECT_EQ(outFrames, 500u);  // no frame delay
  EXPECT_EQ(out, in);

  // Bypass toggled mid-stream on the default (unity) curve: what was held
  // comes out first, so the whole output is the input.
  Dyn unity;
  const WaveFormat g = MakeWaveFormat(SampleFormat::kFloat32, 1, kRate);
  ASSERT_EQ(unity.fx.Prepare(g, g), kOk);
  std::vector<float> src(20000), dst;
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<float>(i) / 20000.0f;
  std::vector<float> room(333);
  std::size_t pos = 0;
  int call = 0;
  while (pos < src.size()) {
    if (call % 7 == 3) unity.Set(kGdynParamBypass, (call / 7) % 2 == 0 ? 1 : 0);
    std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(555, src.size() - pos));
    std::uint32_t r = static_cast<std::uint32_t>(room.size());
    ASSERT_GE(unity.fx.Process(kProcessOrdinary, src.data() + pos, &n, room.data(), &r), 0);
    dst.insert(dst.end(), room.begin(), room.begin() + r);
    pos += n;
    ++call;
  }
  for (;;) {
    std::uint32_t r = static_cast<std::uint32_t>(room.size());
    const HResult hr = unity.fx.Process(kProcessDrain, nullptr, nullptr, room.data(), &r);
    dst.insert(dst.end(), room.begin(), room.begin() + r);
    if (hr != kProcessProgress) break;
  }
  EXPECT_EQ(dst, src);
}

TEST(GdynTiming, FloatAndDoublePipelinesAgree) {
  std::vector<double> in;
  for (std::size_t i = 0; i < 20 * kFrame; ++i)
    in.push_back((i / kFrame) % 3 == 0 ? 0.9 * std::sin(i * 0.05) : 0.01 * std::sin(i * 0.07));
  Dyn single(9), wide(9);
  const std::vector<double> a = RunThrough(single.fx, in, 1, SampleFormat::kFloat32);
  const std::vector<double> b = RunThrough(wide.fx, in, 1, SampleFormat::kFloat64);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) ASSERT_NEAR(a[i], b[i], 1e-5) << i;
}

// --- automation -----------------------------------------------------------------------

TEST(GdynAutomation, AnOutputGainEnvelopeJumpGlidesInOverTheFrameItStartsIn) {
  Dyn d;
  // From 1 s (the start of frame 50) to 2 s: -6 dB.
  const EnvelopeSegment jump = {kTimeUnitsPerSecond, 2 * kTimeUnitsPerSecond, -6.0f, -6.0f,
                                kCurveJump, 0};
  ASSERT_EQ(d.fx.AddEnvelope(kGdynParamOutputGain, 1, &jump), kOk);
  MemoryRecordStream sink;
  d.fx.SaveRecord(sink, true);
  const std::vector<double> out = RunThrough(d.fx, Constant(2 * kRate, 0.5));
  ASSERT_EQ(out.size(), 2 * kRate);
  EXPECT_EQ(out[kRate - 1], 0.5);
  // Falling through the frame, never below the new level, reached at its end.
  for (std::size_t i = kRate; i < kRate + kFrame - 1; ++i) {
    ASSERT_LT(out[i], out[i - 1]) << i;
    ASSERT_GT(out[i], 0.5 * FromDb(-6.0)) << i;
  }
  EXPECT_NEAR(out[kRate + kFrame - 1], 0.5 * FromDb(-6.0), 1e-12);
  EXPECT_NEAR(out.back(), 0.5 * FromDb(-6.0), 1e-12);
  std::int32_t gain = 0;
  d.fx.GetParamProp(kGdynParamOutputGain, &gain);
  EXPECT_EQ(gain, -60);
  EXPECT_FALSE(d.fx.IsDirty());  // playing an envelope is not an edit
}

TEST(GdynAutomation, ParametersUnderAnEnvelopeAreNotUserEditableWhileStreaming) {
  Dyn d;
  const EnvelopeSegment ramp = {0, kTimeUnitsPerSecond, 100.0f, 2000.0f, kCurveLinear, 0};
  ASSERT_EQ(d.fx.AddEnvelope(kGdynParamRelease, 1, &ramp), kOk);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 1, kRate);
  ASSERT_EQ(d.fx.Prepare(f, f), kOk);
  std::vector<float> in(kFrame), out(kFrame);
  std::uint32_t n = kFrame, r = kFrame;
  ProcessInStretches(d.fx, &d.fx, kProcessOrdinary, in.data(), &n, out.data(), &r);
  EXPECT_EQ(d.fx.IsParamEditable(kGdynParamRelease), kFalse);
  EXPECT_EQ(d.fx.IsParamEditable(kGdynParamAttack), kOk);
  d.fx.Release();
  EXPECT_EQ(d.fx.IsParamEditable(kGdynParamRelease), kOk);
}

// --- static transfer curve --------------------------------------------------------------

TEST(GdynResponse, TransferCurveOfTheDefaultLimiterGateAndAutoGain) {
  const std::vector<double> x = {-100.0, -60.0, -35.2, -30.0, -6.0, -3.0, 0.0};
  auto curve = [&x](int preset) {
    Dyn d(preset);
    EXPECT_EQ(d.fx.ResponseKind(), ResponseAxis::kLevel);
    std::vector<double> y(x.size());
    EXPECT_EQ(d.fx.ResponseAt(44100.0, x.data(), x.size(), y.data()), kOk);
    return y;
  };
  const std::vector<double> unity = curve(0);
  for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(unity[i], x[i], 1e-9) << x[i];
  const std::vector<double> limiter = curve(4);
  EXPECT_NEAR(limiter[3], -30.0, 1e-9);
  EXPECT_NEAR(limiter[5], -6.0, 1e-9);
  EXPECT_NEAR(limiter[6], -6.0, 1e-9);
  const std::vector<double> gate = curve(3);
  EXPECT_EQ(gate[2], -std::numeric_limits<double>::infinity());
  EXPECT_NEAR(gate[3], -30.0, 1e-9);
  const std::vector<double> maximize = curve(6);  // -12 dB limiter with auto gain
  EXPECT_NEAR(maximize[3], -30.0 + 12.0 + 20.0 * std::log10(0.98), 1e-9);
  EXPECT_NEAR(maximize[6], 20.0 * std::log10(0.98), 1e-9);
}

}  // namespace
}  // namespace orlofx

// A setting changed while the host plays: one contract over every effect.
//
// A steady three-tone stereo stream (float, 44.1 kHz) runs through an effect
// in 10 ms host buffers. Between two calls a setting changes through the
// effect's own setter, as a property page changes it, or through a host's
// envelope that jumps at that moment; the FIR equalisers take the change
// either on the streaming thread or from their design worker (the stream
// then waits, with empty calls, until the worker has designed it, so that
// it lands where it was made). Two reference runs hold
// the old and the new settings from the start; with the same call sequence
// their outputs line up with the changed run sample for sample. Then:
//  (a) every output sample lies between the two references, give or take the
//      signal's peak at -40 dB;
//  (b) around and after the change, the largest second difference |y[n+1] - 2y[n] +
//      y[n-1]| is at most twice the larger of the references' (no step);
//  (c) re-applying the settings in force leaves every bit of the output as it
//      was;
//  (d) once the effect's own settling time is over, the output is the new
//      settings' output within the same tolerance: the change took effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

#include "cli/effect_registry.h"
#include "effects/gdyn/gdyn_transform.h"
#include "effects/geq/geq_transform.h"
#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/noisgt/noisgt_transform.h"
#include "effects/pgeq/pgeq_transform.h"
#include "effects/pmeq/pmeq_transform.h"
#include "framework/automation.h"

namespace orlofx {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr int kChannels = 2;
constexpr std::size_t kChunk = 441;             // the host's buffer, 10 ms
constexpr std::size_t kChangeAt = 101 * kChunk;  // inside a 20 ms frame and inside an FIR block
constexpr std::size_t kFrames = 250 * kChunk;    // 2.5 s
constexpr std::uint32_t kRoom = 4096;            // output room per call
constexpr double kToleranceDb = -40.0;
constexpr double kTwoPi = 6.283185307179586;

// How long (ms) the output may take to become the new settings' output; (a)
// and (b) hold throughout, whatever the allowance.
enum Settling : int {
  // Nothing changes audibly: bit-identical output, check (c).
  kIdentical = 0,
  // Dynamics: the change reaches the next 20 ms frame, which leaves one frame
  // later, and the output gain then ramps over at most 20 ms.
  kGainRamp = 60,
  // IIR sections: their memories hold the old settings' past, which dies
  // away within milliseconds, and a gain may glide to its new value over at
  // most 20 ms.
  kIirMemory = 50,
  // FIR equalisers designing on the streaming thread pick a change up within
  // 5·N input frames (N up to 4096); then the block in progress, one block
  // of crossfade, and the kernel's length until no old input is left in it.
  kKernel = 400,
  // Noise gate closing: one block in Holding, then the release law takes
  // about 4 dB off per 20 ms block at 100 ms release, 40 dB in ten blocks.
  kGateRelease = 400,
};

using Edit = void (*)(EffectProcessor&);

struct Case {
  const char* name;
  const char* effect;  // as the command-line tool names it
  Edit old;            // the old settings, on top of preset 0; null for preset 0 itself
  Edit change;         // made between two calls, mid-stream
  Settling settling;
  bool worker = false;  // FIR equalisers: the design worker takes the change
};

// Stream time of the frame a change lands on (0 for the runs that have the
// new settings from the start): where an envelope made by `change` jumps.
std::int64_t gChangeTime = 0;

template <typename T>
T& As(EffectProcessor& fx) {
  return dynamic_cast<T&>(fx);
}
template <int P>
void Preset(EffectProcessor& fx) {
  EXPECT_EQ(fx.ApplyPreset(P), kOk);
}

// The dynamics' output gain to -6 dB through its property setter.
template <typename T, std::uint32_t kParam>
void DynamicsGain(EffectProcessor& fx) {
  EXPECT_EQ(As<T>(fx).SetParamProp(kParam, -60), kOk);
}

// A host's envelope jumping to `kTenths` at the change and holding.
template <std::uint32_t kParam, int kTenths>
void Envelope(EffectProcessor& fx) {
  const float v = kTenths / 10.0f;
  const EnvelopeSegment hold = {gChangeTime, gChangeTime + 100 * kTimeUnitsPerSecond, v, v,
                                kCurveJump, 0};
  EXPECT_EQ(dynamic_cast<AutomationParams&>(fx).AddEnvelope(kParam, 1, &hold), kOk);
}

template <typename T, int kAccuracy>
void Accuracy(EffectProcessor& fx) {
  EXPECT_EQ(As<T>(fx).SetAccuracy(kAccuracy), kOk);
}

// 453 Hz to 905 Hz at -24 dB or +10 dB, with slopes.
template <std::int32_t kY>
void GeqBand(EffectProcessor& fx) {
  const GeqPoint points[] = {{0, 0}, {4000, 0}, {4500, kY}, {5500, kY}, {6000, 0}, {10000, 0}};
  EXPECT_EQ(As<CAkGeqTransform>(fx).SetEnvelope(points, 6), kOk);
}

FirEngine* EngineOf(EffectProcessor& fx) {
  if (auto* p = dynamic_cast<CAkPmeqTransform*>(&fx)) return &p->Engine();
  if (auto* g = dynamic_cast<CAkGeqTransform*>(&fx)) return &g->Engine();
  return nullptr;
}

void PgeqBands(EffectProcessor& fx) {
  EXPECT_EQ(As<CAkPgeqTransform>(fx).SetBandGain(0, -10), kOk);
  EXPECT_EQ(As<CAkPgeqTransform>(fx).SetBandGain(2, 60), kOk);
}
void PgeqLowShelf(EffectProcessor& fx) {
  EXPECT_EQ(As<CAkPgeqTransform>(fx).SetLowShelfEnable(1), kOk);
  EXPECT_EQ(As<CAkPgeqTransform>(fx).SetLowShelfGain(60), kOk);
}

const Case kCases[] = {
    // Band 1 (-1 dB) switched off while band 3 plays at +6 dB.
    {"ParagraphicBandGainThroughZero", "paragraphic-eq", PgeqBands,
     [](EffectProcessor& fx) { As<CAkPgeqTransform>(fx).SetBandGain(0, 0); }, kIirMemory},
    // The highlighted band is the page's business: nothing audible changes.
    {"ParagraphicHighlightWithShelfOn", "paragraphic-eq", PgeqLowShelf,
     [](EffectProcessor& fx) { As<CAkPgeqTransform>(fx).SetHighlightBand(2); }, kIirMemory},
    {"ParagraphicShelfGain", "paragraphic-eq", PgeqLowShelf,
     [](EffectProcessor& fx) { As<CAkPgeqTransform>(fx).SetLowShelfGain(30); }, kIirMemory},
    {"ParagraphicWetOut", "paragraphic-eq", nullptr,
     [](EffectProcessor& fx) { As<CAkPgeqTransform>(fx).SetWetOut(-60); }, kIirMemory},
    {"ParagraphicDryOut", "paragraphic-eq", nullptr,
     [](EffectProcessor& fx) { As<CAkPgeqTransform>(fx).SetDryOut(-60); }, kIirMemory},
    // The default band-pass at 650 Hz: -25 dB outside the band, then +10 dB.
    {"ParametricAmount", "parametric-eq",
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetAmount(-250); },
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetAmount(100); }, kKernel},
    {"ParametricFrequency", "parametric-eq", nullptr,
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetFrequency(2000); }, kKernel},
    // Medium to High: a new FFT size.
    {"ParametricAccuracy", "parametric-eq", nullptr,
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetAccuracy(2); }, kKernel},
    {"ParametricOutputGain", "parametric-eq", nullptr,
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetOutputGain(-60); }, kKernel},
    {"GraphicEqAccuracy", "graphic-eq", Preset<3>,
     [](EffectProcessor& fx) { As<CAkGeqTransform>(fx).SetAccuracy(2); }, kKernel},
    {"GraphicEqOutputGain", "graphic-eq", Preset<3>,
     [](EffectProcessor& fx) { As<CAkGeqTransform>(fx).SetOutputGain(-60); }, kKernel},
    {"GraphicDynamicsOutputGain", "graphic-dynamics", nullptr,
     DynamicsGain<CAkGdynTransform, kGdynParamOutputGain>, kGainRamp},
    {"MultiBandDynamicsOutputGain", "multiband-dynamics", nullptr,
     DynamicsGain<CAkMbdynTransform, kMbdynParamOutputGain>, kGainRamp},
    // The host's envelope: a compressing preset (2:1 with auto gain) up 6 dB,
    // the anti-DTMF bands at work down 15 dB, and the plain settings.
    {"GraphicDynamicsEnvelopeUp", "graphic-dynamics", Preset<7>,
     Envelope<kGdynParamOutputGain, 60>, kGainRamp},
    {"GraphicDynamicsEnvelopeDown", "graphic-dynamics", nullptr,
     Envelope<kGdynParamOutputGain, -120>, kGainRamp},
    {"MultiBandDynamicsEnvelopeDown", "multiband-dynamics", Preset<2>,
     Envelope<kMbdynParamOutputGain, -150>, kGainRamp},
    {"MultiBandDynamicsEnvelopeUp", "multiband-dynamics", nullptr,
     Envelope<kMbdynParamOutputGain, 60>, kGainRamp},
    // The design worker hands over a new kernel, a new FFT size or a new
    // output gain.
    {"ParametricAmountWorker", "parametric-eq",
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetAmount(-250); },
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetAmount(100); }, kKernel, true},
    {"ParametricAccuracyMediumToLowWorker", "parametric-eq", nullptr,
     Accuracy<CAkPmeqTransform, 0>, kKernel, true},
    {"ParametricAccuracyHighToMediumWorker", "parametric-eq", Accuracy<CAkPmeqTransform, 2>,
     Accuracy<CAkPmeqTransform, 1>, kKernel, true},
    {"ParametricOutputGainWorker", "parametric-eq", Accuracy<CAkPmeqTransform, 2>,
     [](EffectProcessor& fx) { As<CAkPmeqTransform>(fx).SetOutputGain(-120); }, kKernel, true},
    {"GraphicEqCutToBoostWorker", "graphic-eq", GeqBand<-400>, GeqBand<274>, kKernel, true},
    {"GraphicEqAccuracyLowToHighWorker", "graphic-eq", Accuracy<CAkGeqTransform, 0>,
     Accuracy<CAkGeqTransform, 2>, kKernel, true},
    {"GraphicEqAccuracyHighToLowWorker", "graphic-eq", Accuracy<CAkGeqTransform, 2>,
     Accuracy<CAkGeqTransform, 0>, kKernel, true},
    {"GraphicEqOutputGainWorker", "graphic-eq", GeqBand<-400>,
     [](EffectProcessor& fx) { As<CAkGeqTransform>(fx).SetOutputGain(60); }, kKernel, true},
    // 0 dB opens only for full scale: the tones now lie below the close threshold.
    {"NoiseGateThresholdClosesTheGate", "noise-gate", nullptr,
     [](EffectProcessor& fx) { As<CAkNoisgtTransform>(fx).SetThreshold(0); },
     kGateRelease},
    // Slower release and attack while the tones hold the gate open: it stays
    // open.
    {"NoiseGateReleaseWhileOpen", "noise-gate", nullptr,
     [](EffectProcessor& fx) {
       As<CAkNoisgtTransform>(fx).SetRelease(800);
       As<CAkNoisgtTransform>(fx).SetAttack(50);
     },
     kGateRelease},
    // The settings in force, applied again.
    {"NoiseGatePresetAgain", "noise-gate", Preset<3>, Preset<3>, kIdentical},
    {"GraphicDynamicsPresetAgain", "graphic-dynamics", Preset<7>, Preset<7>, kIdentical},
    {"MultiBandDynamicsPresetAgain", "multiband-dynamics", Preset<5>, Preset<5>, kIdentical},
    {"ParametricPresetAgain", "parametric-eq", Preset<5>, Preset<5>, kIdentical},
    {"ParagraphicPresetAgain", "paragraphic-eq", Preset<9>, Preset<9>, kIdentical},
    {"GraphicEqPresetAgain", "graphic-eq", Preset<3>, Preset<3>, kIdentical},
};

// 100, 700 and 1500 Hz, a quarter of full scale each, phases differing per
// channel. All three repeat every 10 ms, so every 20 ms block has the same
// peak; the tones stay low so that a step stands out of the second
// difference.
std::vector<float> Tones() {
  const double hz[] = {100, 700, 1500};
  std::vector<float> x(kFrames * kChannels);
  for (std::size_t n = 0; n < kFrames; ++n)
    for (int c = 0; c < kChannels; ++c) {
      double v = 0;
      for (int k = 0; k < 3; ++k) v += 0.25 * std::sin(kTwoPi * hz[k] * n / kRate + c * (k + 1));
      x[n * kChannels + c] = static_cast<float>(v);
    }
  return x;
}

enum class When { kNever, kFromStart, kMidStream };

// The effect streamed as the filter frame streams it (the dynamics through
// their automation stretches), the drain included.
std::vector<float> Play(const Case& c, When when, const std::vector<float>& in) {
  const std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(*cli::FindEffect(c.effect));
  if (c.old) c.old(*fx);
  gChangeTime = 0;
  if (when == When::kFromStart) c.change(*fx);
  // Without the worker the FIR equalisers design on the streaming thread,
  // so that a new kernel starts playing at the same call on every run.
  FirEngine* engine = EngineOf(*fx);
  if (engine) engine->SetSingleProcessorRule(!c.worker);
  const WaveFormat format = MakeWaveFormat(SampleFormat::kFloat32, kChannels, kRate);
  EXPECT_EQ(fx->Prepare(format, format), kOk);
  AutomationParams* automation = dynamic_cast<AutomationParams*>(fx.get());

  std::vector<float> out, room(kRoom * kChannels);
  const auto keep = [&](std::uint32_t frames) {
    out.insert(out.end(), room.begin(), room.begin() + frames * kChannels);
  };
  for (std::size_t at = 0; at < kFrames; at += kChunk) {
    if (when == When::kMidStream && at == kChangeAt) {
      gChangeTime = static_cast<std::int64_t>(at) * kTimeUnitsPerSecond / kRate;
      c.change(*fx);
      // The worker's hand-over is waited for, on the condition, not timed.
      std::vector<std::int32_t> wanted(fx->FieldCount());
      fx->GetFields(wanted.data());
      for (long i = 0; c.worker && i < 100000000L &&
                       !std::equal(wanted.begin(), wanted.end(), engine->CurrentKernel().fields);
           ++i) {
        std::uint32_t none = 0, room0 = 0;
        fx->Process(kProcessOrdinary, nullptr, &none, room.data(), &room0);
        std::this_thread::yield();
      }
    }
    for (std::size_t done = 0; done < kChunk;) {
      std::uint32_t inFrames = static_cast<std::uint32_t>(kChunk - done), outFrames = kRoom;
      const HResult hr = ProcessInStretches(*fx, automation, kProcessOrdinary,
                                            &in[(at + done) * kChannels], &inFrames, room.data(),
                                            &outFrames);
      if (Failed(hr) || inFrames + outFrames == 0) {
        ADD_FAILURE() << "call failed or made no progress at frame " << at + done;
        return out;
      }
      keep(outFrames);
      done += inFrames;
    }
  }
  for (int guard = 0; guard < 1000; ++guard) {
    std::uint32_t outFrames = kRoom;
    const HResult hr = fx->Process(kProcessDrain, nullptr, nullptr, room.data(), &outFrames);
    keep(outFrames);
    if (hr != kProcessProgress) break;
  }
  fx->Release();
  return out;
}

double Db(double ratio) { return 20 * std::log10(std::max(ratio, 1e-12)); }

double AfterChangeMs(std::size_t sample) {
  return (static_cast<double>(sample / kChannels) - kChangeAt) * 1000.0 / kRate;
}

// Largest |second difference| of each channel over samples [from, y.size()).
double LargestSecondDifference(const std::vector<float>& y, std::size_t from) {
  double worst = 0;
  for (std::size_t i = std::max<std::size_t>(from, kChannels); i + kChannels < y.size(); ++i)
    worst = std::max(worst, std::fabs(static_cast<double>(y[i + kChannels]) - 2.0 * y[i] +
                                      y[i - kChannels]));
  return worst;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SettingChange : public testing::TestWithParam<Case> {};

TEST_P(SettingChange, StaysBetweenOldAndNewWithoutAStep) {
  const Case& c = GetParam();
  const std::vector<float> in = Tones();
  double peak = 0;
  for (float v : in) peak = std::max(peak, std::fabs(static_cast<double>(v)));
  const double tol = peak * std::pow(10.0, kToleranceDb / 20);

  const std::vector<float> old = Play(c, When::kNever, in);
  const std::vector<float> changed = Play(c, When::kMidStream, in);
  ASSERT_EQ(old.size(), in.size()) << "every frame comes out once";
  ASSERT_EQ(changed.size(), in.size()) << "every frame comes out once";

  if (c.settling == kIdentical) {  // (c)
    const auto sameBits = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    const auto diff = std::mismatch(old.begin(), old.end(), changed.begin(), sameBits);
    if (diff.first == old.end()) return;
    const std::size_t at = static_cast<std::size_t>(diff.first - old.begin());
    double worst = 0;
    for (std::size_t i = at; i < old.size(); ++i)
      worst = std::max(worst, std::fabs(static_cast<double>(old[i]) - changed[i]));
    ADD_FAILURE() << "re-applied settings changed the output from " << AfterChangeMs(at)
                  << " ms after the call on, by up to " << worst << " ("
                  << Db(worst / peak) << " dB re peak)";
    return;
  }

  const std::vector<float> fresh = Play(c, When::kFromStart, in);
  ASSERT_EQ(fresh.size(), in.size()) << "every frame comes out once";

  // (a) Inside the band between the references.
  double outside = 0;
  std::size_t outsideAt = 0;
  for (std::size_t i = 0; i < changed.size(); ++i) {
    const double lo = std::min(old[i], fresh[i]), hi = std::max(old[i], fresh[i]);
    const double excess = std::max(lo - changed[i], changed[i] - hi);
    if (excess > outside) outside = excess, outsideAt = i;
  }
  EXPECT_LE(outside, tol) << "leaves the band between old and new output by " << outside << " ("
                          << Db(outside / peak) << " dB re peak) at "
                          << AfterChangeMs(outsideAt) << " ms after the change";

  // (b) No step, from well before the change (the frame-based effects emit
  // their samples one frame late, so a change may reach output from just
  // before its call) to the end, past any settling.
  const std::size_t window = kChangeAt / 2 * kChannels;
  const double steady =
      std::max(LargestSecondDifference(old, window), LargestSecondDifference(fresh, window));
  const double seen = LargestSecondDifference(changed, window);
  EXPECT_LE(seen, 2 * steady) << "second difference " << seen << ", " << seen / steady
                              << " times the steady outputs' " << steady;

  // (d) The change took effect.
  const std::size_t settled = (kChangeAt + std::size_t{kRate} * c.settling / 1000) * kChannels;
  double off = 0;
  std::size_t offAt = settled;
  for (std::size_t i = settled; i < changed.size(); ++i) {
    const double d = std::fabs(static_cast<double>(changed[i]) - fresh[i]);
    if (d > off) off = d, offAt = i;
  }
  EXPECT_LE(off, tol) << "still " << off << " away from the new settings' output at "
                      << AfterChangeMs(offAt) << " ms after the change";
  std::printf("[ margins  ] out of band %.1f dB re tol, step ratio %.2f, settled %.1f dB re tol\n",
              Db(outside / tol), seen / steady, Db(off / tol));
}

INSTANTIATE_TEST_SUITE_P(Effects, SettingChange, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& p) { return p.param.name; });

}  // namespace
}  // namespace orlofx

// Settings changed while the two FIR equalisers stream, one contract for
// both: the same settings applied again change nothing at all; a new kernel,
// a new FFT size or a new output gain moves the output from the old
// settings' steady output to the new one's without a gap or a step; and
// input samples that are not finite, or subnormal, cannot upset the output.
//
// The oracle is each settings' own steady output: the same input through a
// fresh processor that had those settings from the start. Where a change
// lands depends on the single-processor rule or the design worker, so every
// check finds the transition in the output instead of assuming it; with the
// worker, the stream waits (on the condition, with empty calls) until the
// change is designed, so that it lands where it was made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "effects/geq/geq_transform.h"
#include "effects/pmeq/pmeq_transform.h"
#include "framework/float_environment.h"

namespace orlofx {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// One of the two effects, set up with a band around 1 kHz that the tests
// cut (about -25 dB) or boost (+10 dB).
struct FirSubject {
  const char* name;
  std::unique_ptr<EffectProcessor> (*make)(bool boost);  // Medium accuracy
  FirEngine& (*engine)(EffectProcessor&);
  void (*setBand)(EffectProcessor&, bool boost);
  void (*setAccuracy)(EffectProcessor&, std::int32_t);
  void (*setOutputGain)(EffectProcessor&, std::int32_t tenthsDb);
};

CAkPmeqTransform& AsPmeq(EffectProcessor& fx) { return static_cast<CAkPmeqTransform&>(fx); }
CAkGeqTransform& AsGeq(EffectProcessor& fx) { return static_cast<CAkGeqTransform&>(fx); }

void SetGeqBand(EffectProcessor& fx, bool boost) {
  // 453 Hz to 905 Hz at -24 dB (y = -400) or +10 dB (y = 274), with slopes.
  const std::int32_t y = boost ? 274 : -400;
  const GeqPoint points[] = {{0, 0}, {4000, 0}, {4500, y}, {5500, y}, {6000, 0}, {10000, 0}};
  AsGeq(fx).SetEnvelope(points, 6);
}

const FirSubject kSubjects[] = {
    {"ParametricEq",
     [](bool boost) -> std::unique_ptr<EffectProcessor> {
       auto fx = std::make_unique<CAkPmeqTransform>();
       const PmeqParams p{kPmeqBandNotch, 1000, 20, boost ? 100 : -250, 0, 1};
       fx->SetParams(&p);
       return fx;
     },
     [](EffectProcessor& fx) -> FirEngine& { return AsPmeq(fx).Engine(); },
     [](EffectProcessor& fx, bool boost) { AsPmeq(fx).SetAmount(boost ? 100 : -250); },
     [](EffectProcessor& fx, std::int32_t a) { AsPmeq(fx).SetAccuracy(a); },
     [](EffectProcessor& fx, std::int32_t g) { AsPmeq(fx).SetOutputGain(g); }},
    {"GraphicEq",
     [](bool boost) -> std::unique_ptr<EffectProcessor> {
       auto fx = std::make_unique<CAkGeqTransform>();
       fx->ApplyPreset(0);
       SetGeqBand(*fx, boost);
       return fx;
     },
     [](EffectProcessor& fx) -> FirEngine& { return AsGeq(fx).Engine(); }, SetGeqBand,
     [](EffectProcessor& fx, std::int32_t a) { AsGeq(fx).SetAccuracy(a); },
     [](EffectProcessor& fx, std::int32_t g) { AsGeq(fx).SetOutputGain(g); }},
};

struct Case {
  const FirSubject* subject;
  bool singleProcessor;  // the streaming thread designs, every 5·N frames
};

std::string Label(const Case& c) {
  return std::string(c.subject->name) + (c.singleProcessor ? "_SingleProcessor" : "_Worker");
}
std::string CaseName(const testing::TestParamInfo<Case>& info) { return Label(info.param); }
void PrintTo(const Case& c, std::ostream* os) { *os << Label(c); }

struct Format {
  SampleFormat format;
  int channels;
};
// The sanitizer builds look for memory and thread faults, for which the
// first format does.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const std::vector<Format> kFormats = {{SampleFormat::kFloat32, 2}};
#else
const std::vector<Format> kFormats = {{SampleFormat::kFloat32, 2}, {SampleFormat::kFloat64, 1}};
#endif

std::vector<unsigned char> Encode(SampleFormat fmt, const std::vector<double>& samples) {
  std::vector<unsigned char> bytes(samples.size() * BytesPerSample(fmt));
  for (std::size_t i = 0; i < samples.size(); ++i)
    WriteSample<double>(fmt, samples[i], bytes.data() + i * BytesPerSample(fmt));
  return bytes;
}

// Four steady tones, one of them inside the band, with other phases on the
// second channel; interleaved.
std::vector<double> MultiTone(std::size_t frames, int channels) {
  const double tones[] = {150.0, 700.0, 1000.0, 5000.0};
  std::vector<double> v(frames * channels);
  for (std::size_t j = 0; j < frames; ++j)
    for (int c = 0; c < channels; ++c) {
      double s = 0.0;
      for (int t = 0; t < 4; ++t)
        s += 0.2 * std::sin(2.0 * kPi * tones[t] * double(j) / kRate + 1.3 * t * (c + 1));
      v[j * channels + c] = s;
    }
  return v;
}

// Streams `in` through a prepared `fx` in calls of 1 to 700 frames (the same
// slicing every time) and returns the output as doubles. Before the call
// that reaches frame `at`, `change` runs; with the worker the stream then
// makes empty calls until the kernel in use was designed from the new record.
std::vector<double> Stream(const Case& k, EffectProcessor& fx, const Format& f,
                           const std::vector<double>& in, std::size_t at = SIZE_MAX,
                           const std::function<void(EffectProcessor&)>& change = nullptr) {
  FirEngine& engine = k.subject->engine(fx);
  engine.SetSingleProcessorRule(k.singleProcessor);
  const WaveFormat wave = MakeWaveFormat(f.format, f.channels, kRate);
  EXPECT_EQ(fx.Prepare(wave, wave), kOk);
  const std::size_t frameBytes = static_cast<std::size_t>(BytesPerSample(f.format)) * f.channels;
  const std::vector<unsigned char> bytes = Encode(f.format, in);
  const std::size_t frames = in.size() / f.channels;
  std::vector<unsigned char> out(bytes.size()), room(8192 * frameBytes);
  std::size_t pos = 0, produced = 0;
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::uint32_t> size(1, 700);
  auto call = [&](int mode, std::uint32_t count) {
    std::uint32_t inFrames = count, outFrames = 8192;
    const HResult hr = fx.Process(mode, count ? bytes.data() + pos * frameBytes : nullptr,
                                  &inFrames, room.data(), &outFrames);
    EXPECT_GE(hr, 0);
    if (produced + outFrames > frames) {
      ADD_FAILURE() << "more output than input";
      outFrames = static_cast<std::uint32_t>(frames - produced);
    }
    std::memcpy(out.data() + produced * frameBytes, room.data(), outFrames * frameBytes);
    produced += outFrames;
    pos += inFrames;
    return hr;
  };
  while (pos < frames) {
    const std::uint32_t count =
        static_cast<std::uint32_t>(std::min<std::size_t>(size(rng), frames - pos));
    if (change && pos + count > at) {
      change(fx);
      if (!k.singleProcessor) {
        const std::size_t fieldCount = (fx.Record().size - 20) / 4;
        std::vector<std::int32_t> wanted(fieldCount);
        fx.GetFields(wanted.data());
        bool landed = false;
        for (int i = 0; i < 1000000 && !landed; ++i) {
          call(kProcessOrdinary, 0);
          landed = std::equal(wanted.begin(), wanted.end(), engine.CurrentKernel().fields);
          if (!landed) std::this_thread::yield();
        }
        EXPECT_TRUE(landed) << "the worker never designed the change";
      }
      at = SIZE_MAX;
    }
    call(kProcessOrdinary, count);
  }
  for (int guard = 0; guard < 1000 && call(kProcessDrain, 0) == kProcessProgress; ++guard) {
  }
  EXPECT_EQ(produced, frames) << "every frame comes out once";
  std::vector<double> samples(frames * f.channels);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = ReadSample<double>(f.format, out.data() + i * BytesPerSample(f.format));
  fx.Release();
  return samples;
}

// Channel c of interleaved samples.
std::vector<double> Channel(const std::vector<double>& v, int channels, int c) {
  std::vector<double> r(v.size() / channels);
  for (std::size_t j = 0; j < r.size(); ++j) r[j] = v[j * channels + c];
  return r;
}

double SecondDifference(const std::vector<double>& v, std::size_t j) {
  return std::fabs(v[j + 1] - 2.0 * v[j] + v[j - 1]);
}

double Rms(const std::vector<double>& v, std::size_t from, std::size_t to) {
  double s = 0.0;
  for (std::size_t j = from; j < to; ++j) s += v[j] * v[j];
  return std::sqrt(s / double(to - from));
}

// `changed` left `before` (the old settings' steady output) and settled on
// `after` (the new one's) within `longest` frames, staying between the two
// all the while (to -40 dB of the peak), never stepping (its largest second
// difference at most twice the steady outputs'), and never dipping (the RMS
// of every 256 frames within 1 dB of the steady outputs').
void ExpectSmoothChange(const std::vector<double>& before, const std::vector<double>& after,
                        const std::vector<double>& changed, int channels, std::size_t longest) {
  ASSERT_EQ(before.size(), changed.size());
  ASSERT_EQ(after.size(), changed.size());
  for (int c = 0; c < channels; ++c) {
    SCOPED_TRACE(testing::Message() << "channel " << c);
    const std::vector<double> a = Channel(before, channels, c), b = Channel(after, channels, c),
                              y = Channel(changed, channels, c);
    const std::size_t frames = y.size();
    double peak = 0.0, steadyD2 = 0.0;
    for (std::size_t j = 4096; j + 1 < frames; ++j) {
      peak = std::max({peak, std::fabs(a[j]), std::fabs(b[j])});
      steadyD2 = std::max({steadyD2, SecondDifference(a, j), SecondDifference(b, j)});
    }
    // Rounding apart (block boundaries may fall elsewhere after a new size).
    const double same = 1e-5 * peak;
    std::size_t first = 0;
    while (first < frames && y[first] == a[first]) ++first;
    std::size_t last = frames;
    while (last > first && std::fabs(y[last - 1] - b[last - 1]) <= same) --last;
    ASSERT_LT(first, frames) << "the change never reached the output";
    ASSERT_GT(last, first) << "the new settings did not change the output";
    ASSERT_GE(first, 4096u) << "the steady part before the change is too short to compare";
    EXPECT_LE(last - first, longest)
        << "frames " << first << " to " << last << " are neither the old nor the new output";
    ASSERT_LT(last + 4096, frames) << "the stream ended before the change settled";

    const double slack = 0.01 * peak;
    double worstOutside = 0.0, worstD2 = 0.0;
    std::size_t worstAt = first;
    for (std::size_t j = first; j < last; ++j) {
      const double lo = std::min(a[j], b[j]), hi = std::max(a[j], b[j]);
      const double outside = std::max(lo - y[j], y[j] - hi);
      if (outside > worstOutside) {
        worstOutside = outside;
        worstAt = j;
      }
    }
    EXPECT_LE(worstOutside, slack) << "outside the old and new outputs at frame " << worstAt;
    for (std::size_t j = first - 2; j < last + 2; ++j)
      worstD2 = std::max(worstD2, SecondDifference(y, j));
    EXPECT_LE(worstD2, 2.0 * steadyD2) << "a step between frames " << first << " and " << last;

    const std::size_t window = 256;
    for (std::size_t j = first - first % window; j < last; j += window) {
      const double got = Rms(y, j, j + window);
      const double lo = std::min(Rms(a, j, j + window), Rms(b, j, j + window));
      const double hi = std::max(Rms(a, j, j + window), Rms(b, j, j + window));
      EXPECT_GE(20.0 * std::log10(got / lo), -1.0) << "a dip in frames " << j << " + " << window;
      EXPECT_LE(20.0 * std::log10(got / hi), 1.0) << "a surge in frames " << j << " + " << window;
    }
  }
}

class FirChanges : public testing::TestWithParam<Case> {
 protected:
  const FirSubject& subject() const { return *GetParam().subject; }

  // Streams the multi-tone through a processor made by `setUp` that gets
  // `change` applied at one second, and compares it with processors that
  // had the old and the new settings from the start.
  void ExpectSmoothChangeFor(const std::function<void(EffectProcessor&)>& setUp,
                             const std::function<void(EffectProcessor&)>& change,
                             std::size_t longest) {
    for (const Format& f : kFormats) {
      SCOPED_TRACE(testing::Message()
                   << "format " << static_cast<int>(f.format) << ", " << f.channels << " channels");
      const std::vector<double> in = MultiTone(3 * kRate, f.channels);
      auto oldFx = subject().make(false), newFx = subject().make(false),
           changedFx = subject().make(false);
      setUp(*oldFx);
      setUp(*newFx);
      change(*newFx);
      setUp(*changedFx);
      const std::vector<double> before = Stream(GetParam(), *oldFx, f, in);
      const std::vector<double> after = Stream(GetParam(), *newFx, f, in);
      const std::vector<double> changed = Stream(GetParam(), *changedFx, f, in, kRate, change);
      ExpectSmoothChange(before, after, changed, f.channels, longest);
    }
  }
};

// A new FFT size keeps the output's level and shape: no gap where the old
// blocks' tail was, no step where the kernels change.
TEST_P(FirChanges, AccuracyChangeHasNoGapAndNoStep) {
  const std::int32_t changes[][2] = {{1, 0}, {0, 2}, {2, 1}, {1, 2}, {2, 0}};
  for (const auto& change : changes) {
    SCOPED_TRACE(testing::Message() << "accuracy " << change[0] << " to " << change[1]);
    // At most a block of the larger size to reach a boundary, one more at
    // the new size, and the fade.
    ExpectSmoothChangeFor([&](EffectProcessor& fx) { subject().setAccuracy(fx, change[0]); },
                          [&](EffectProcessor& fx) { subject().setAccuracy(fx, change[1]); },
                          3 * FirBlockLength(kFirMaxSize));
  }
}

// A cut of about 25 dB turning into a 10 dB boost fades from the one
// output to the other within one block.
TEST_P(FirChanges, CutToBoostFadesWithoutAStep) {
  for (std::int32_t accuracy : {0, 1, 2}) {
    SCOPED_TRACE(testing::Message() << "accuracy " << accuracy);
    ExpectSmoothChangeFor([&](EffectProcessor& fx) { subject().setAccuracy(fx, accuracy); },
                          [&](EffectProcessor& fx) { subject().setBand(fx, true); },
                          FirBlockLength(FirSizeForAccuracy(accuracy)));
  }
}

// The output gain moves by a ramp of at most 20 ms, never a step.
TEST_P(FirChanges, OutputGainRampsWithin20Ms) {
  for (std::int32_t gain : {-120, 60}) {
    for (std::int32_t accuracy : {0, 2}) {
      SCOPED_TRACE(testing::Message() << "gain " << gain << ", accuracy " << accuracy);
      ExpectSmoothChangeFor([&](EffectProcessor& fx) { subject().setAccuracy(fx, accuracy); },
                            [&](EffectProcessor& fx) { subject().setOutputGain(fx, gain); },
                            kRate / 50);
    }
  }
}

// Subnormal input never reaches the arithmetic as such (where the processor
// has the switch for it): it filters to exactly the silence that zeros give,
// so its cost is that of ordinary input.
TEST_P(FirChanges, SubnormalInputFiltersToSilence) {
  if (!ORLOFX_HAS_MXCSR) GTEST_SKIP() << "no flush-to-zero switch on this processor";
  for (const Format& f : kFormats) {
    SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(f.format));
    const double tiny = f.format == SampleFormat::kFloat32
                            ? double(std::numeric_limits<float>::denorm_min()) * 1000.0
                            : std::numeric_limits<double>::denorm_min() * 1000.0;
    std::vector<double> in(20000 * f.channels);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = (i % 3 == 0 ? -tiny : tiny);
    auto fx = subject().make(true);
    const std::vector<double> out = Stream(GetParam(), *fx, f, in);
    for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0) << "sample " << i;
  }
}

// The streaming thread's own designs (the single-processor rule) are the
// setting-change contract's; here the design worker hands the kernels over.
INSTANTIATE_TEST_SUITE_P(Effects, FirChanges,
                         testing::Values(Case{&kSubjects[0], false}, Case{&kSubjects[1], false}),
                         CaseName);

}  // namespace
}  // namespace orlofx

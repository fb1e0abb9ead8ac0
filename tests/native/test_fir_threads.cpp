// The FIR engine's kernel sets and design worker under concurrent setting
// changes (through the Parametric EQ; the Graphic EQ shares the front end):
// the kernel in use is always a complete design, no frame is lost, and the
// output settles on the final settings' response. Also the single-processor
// rule, and stopping while designs are under way. The thread sanitizer's
// scope.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "effects/pmeq/pmeq_transform.h"

namespace orlofx {
namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

// The kernel the engine plays must be exactly the design of the settings it
// records: a set the worker was still writing would differ.
template <typename Transform>
void ExpectCompleteKernel(Transform& fx, const FirDesignRules& rules, FirDesigner& designer) {
  const FirEngine::KernelView k = fx.Engine().CurrentKernel();
  ASSERT_EQ(k.n, fx.Engine().FftSize());
  std::vector<double> target(k.n), spectrum(k.n);
  const double gain = rules.target(k.fields, kRate, k.n, target.data());
  ASSERT_EQ(designer.Design(target.data(), k.n, nullptr, spectrum.data()), kOk);
  EXPECT_EQ(gain, k.gain);
  for (std::size_t i = 0; i < k.n; ++i) {
    const bool same = k.spectrumFloat ? k.spectrumFloat[i] == static_cast<float>(spectrum[i])
                                      : k.spectrumDouble[i] == spectrum[i];
    ASSERT_TRUE(same) << "bin value " << i << " of set " << k.set;
  }
}

// A stereo float stream of a sine at `frequency`; remembers all output.
struct SineStream {
  explicit SineStream(double f) : frequency(f) {}

  // One call with `frames` frames of input and as much output room.
  void Step(EffectProcessor& fx, std::uint32_t frames) {
    in.resize(2 * frames);
    for (std::uint32_t i = 0; i < frames; ++i)
      in[2 * i] = in[2 * i + 1] =
          static_cast<float>(0.5 * std::sin(2.0 * kPi * frequency * double(sent + i) / kRate));
    room.assign(2 * frames + 2 * 4096, 0.0f);
    std::uint32_t inFrames = frames, outFrames = static_cast<std::uint32_t>(room.size() / 2);
    ASSERT_GE(fx.Process(kProcessOrdinary, in.data(), &inFrames, room.data(), &outFrames), 0);
    ASSERT_EQ(inFrames, frames);
    sent += inFrames;
    out.insert(out.end(), room.begin(), room.begin() + 2 * outFrames);
  }

  // Calls without input until `landed()` holds: the worker's hand-over is
  // waited for, however long the machine makes it take, not timed.
  template <typename Landed>
  bool WaitFor(EffectProcessor& fx, Landed landed) {
    for (long i = 0; i < 200000000L && !landed(); ++i) {
      Step(fx, 0);
      std::this_thread::yield();
    }
    return landed();
  }

  void Drain(EffectProcessor& fx) {
    HResult hr = kProcessProgress;
    for (int guard = 0; guard < 100 && hr == kProcessProgress; ++guard) {
      room.assign(2 * 1024, 0.0f);
      std::uint32_t outFrames = 1024;
      hr = fx.Process(kProcessDrain, nullptr, nullptr, room.data(), &outFrames);
      out.insert(out.end(), room.begin(), room.begin() + 2 * outFrames);
    }
  }

  // Gain in dB of the last `length` output frames of channel 0 against the
  // input sine (output frame j belongs to input frame j).
  double MeasuredDb(std::size_t length) const {
    const std::size_t frames = out.size() / 2;
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (std::size_t j = frames - length; j < frames; ++j) {
      const double s = std::sin(2.0 * kPi * frequency * j / kRate), c = std::cos(2.0 * kPi * frequency * j / kRate);
      ss += s * s, sc += s * c, cc += c * c, ys += out[2 * j] * s, yc += out[2 * j] * c;
    }
    const double det = ss * cc - sc * sc;
    return 20.0 * std::log10(std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det) / 0.5);
  }

  double frequency;
  std::uint64_t sent = 0;
  std::vector<float> in, room, out;
};

// Lets the changing thread keep pace with the streaming thread, so the
// changes really land while audio flows (and not all before it starts).
struct Pace {
  std::atomic<int> calls{0};
  std::atomic<bool> done{false};     // the changes are over
  std::atomic<bool> stopped{false};  // the streaming side gave up
  std::atomic<bool> settle{false};   // the changer waits for a hand-over
  void WaitForCall(int seen) const {
    while (calls.load() == seen && !stopped.load()) std::this_thread::yield();
  }
  // Every so often the changer holds still until the streaming side has
  // taken over a kernel of the settings in force, so hand-overs happen
  // mid-stream whatever the scheduler does.
  void Settle() {
    settle = true;
    while (settle.load() && !stopped.load()) std::this_thread::yield();
  }
};

TEST(FirWorker, ParametricEqSurvivesChangesWhileStreaming) {
  static constexpr PmeqParams kLast{kPmeqHighShelf, 3000, 10, -200, -20, 1};  // the final settings
  CAkPmeqTransform fx;
  fx.ApplyPreset(0);
  fx.SetAccuracy(0);
  fx.Engine().SetSingleProcessorRule(false);
  const WaveFormat format = MakeWaveFormat(SampleFormat::kFloat32, 2, 44100);
  ASSERT_EQ(fx.Prepare(format, format), kOk);
  FirDesigner designer;
  ASSERT_EQ(designer.Init(), kOk);

  constexpr int kChanges = 4000;
  Pace pace;
  std::thread changer([&] {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> pick(0, 99), burst(1, 4);
    for (int i = 0, bursts = 0; i < kChanges && !pace.stopped; ++bursts) {
      if (bursts % 80 == 79) pace.Settle();
      const int seen = pace.calls.load();
      for (int b = burst(rng); b > 0 && i < kChanges; --b, ++i) {
        const int what = pick(rng), v = pick(rng);
        if (what < 25) fx.SetAmount(-600 + 8 * v);
        else if (what < 50) fx.SetFrequency(20 + 200 * v);
        else if (what < 70) fx.SetWidth(1 + v / 2);
        else if (what < 85) fx.SetFilterType(v % 5);
        else if (what < 98) fx.SetOutputGain(-100 + v);
        else fx.SetAccuracy(v % 2);  // a new FFT size: restarts the stream
      }
      pace.WaitForCall(seen);
    }
    fx.SetParams(&kLast);
    pace.done = true;
  });

  SineStream stream(6000.0);
  std::mt19937 rng(2);
  std::uniform_int_distribution<std::uint32_t> frames(1, 700);
  auto designedFrom = [&fx](const PmeqParams& p) {
    return [&fx, p] { return std::memcmp(fx.Engine().CurrentKernel().fields, &p, sizeof p) == 0; };
  };
  int calls = 0, settled = 0;
  while (!pace.done.load()) {
    stream.Step(fx, frames(rng));
    if (++calls % 5 == 0) ExpectCompleteKernel(fx, kPmeqDesignRules, designer);
    if (pace.settle.load()) {
      PmeqParams live{};
      fx.GetParams(&live);
      ASSERT_TRUE(stream.WaitFor(fx, designedFrom(live))) << "the worker never designed";
      ExpectCompleteKernel(fx, kPmeqDesignRules, designer);
      ++settled;
      pace.settle = false;
    }
    pace.calls = calls;
    if (testing::Test::HasFatalFailure()) break;
  }
  pace.stopped = true;
  changer.join();
  if (testing::Test::HasFatalFailure()) return;
  EXPECT_GT(calls, kChanges / 4);
  EXPECT_GE(settled, kChanges / 4 / 80);  // hand-overs while audio flowed

  // Settle on the last settings, then measure what they do to the sine.
  ASSERT_TRUE(stream.WaitFor(fx, designedFrom(kLast)));
  ExpectCompleteKernel(fx, kPmeqDesignRules, designer);
  for (int i = 0; i < 16; ++i) stream.Step(fx, 512);
  double db = 0.0;
  const double f = stream.frequency;
  ASSERT_EQ(fx.MagnitudeResponseDb(kRate, &f, 1, &db), kOk);
  EXPECT_NEAR(stream.MeasuredDb(4096), db, 0.01);

  stream.Drain(fx);
  EXPECT_EQ(stream.out.size() / 2, stream.sent);  // not a frame lost or added
}

// With one processor the streaming thread designs itself, and looks at the
// settings only once every 5·N input frames.
TEST(FirWorker, SingleProcessorRulePicksUpChangesEveryFiveTransforms) {
  CAkPmeqTransform fx;
  fx.ApplyPreset(0);
  fx.SetAccuracy(0);  // N = 256: a look every 1280 frames
  fx.Engine().SetSingleProcessorRule(true);
  const WaveFormat format = MakeWaveFormat(SampleFormat::kFloat32, 2, 44100);
  ASSERT_EQ(fx.Prepare(format, format), kOk);
  EXPECT_TRUE(fx.Engine().SingleProcessorRule());
  FirDesigner designer;
  ASSERT_EQ(designer.Init(), kOk);

  SineStream stream(1000.0);
  auto amountInUse = [&] {
    return reinterpret_cast<const PmeqParams*>(fx.Engine().CurrentKernel().fields)->amount;
  };
  // The counter reaches 1300 after 13 calls, then looks and designs at once;
  // the next look comes 12 calls (1200 frames) later.
  for (auto [amount, calls, before] : {std::tuple{-100, 13, -40}, {-150, 12, -100}}) {
    fx.SetAmount(amount);
    for (int call = 0; call < calls; ++call) {
      stream.Step(fx, 100);
      EXPECT_EQ(amountInUse(), before) << call;
    }
    stream.Step(fx, 100);
    EXPECT_EQ(amountInUse(), amount);
    EXPECT_EQ(fx.Engine().CurrentKernel().set, 0);  // no hand-over between sets
    ExpectCompleteKernel(fx, kPmeqDesignRules, designer);
  }
}

// Stopping, restarting and destroying while designs are requested or under
// way waits for them and leaves nothing behind.
TEST(FirWorker, StopAndDestroyWhileDesigning) {
  const WaveFormat format = MakeWaveFormat(SampleFormat::kPcm16, 2, 48000);
  std::vector<std::int16_t> in(2 * 600, 1000), out(2 * 2000);
  for (int round = 0; round < 60; ++round) {
    CAkPmeqTransform fx;
    fx.ApplyPreset(round % 6);
    fx.Engine().SetSingleProcessorRule(false);
    ASSERT_EQ(fx.Prepare(format, format), kOk);
    for (int i = 0; i < 3; ++i) {
      fx.SetAmount(-10 * i - round);
      std::uint32_t inFrames = 600, outFrames = 2000;
      ASSERT_GE(fx.Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames), 0);
    }
    if (round % 3 == 0) {
      fx.Release();
    } else if (round % 3 == 1) {
      ASSERT_EQ(fx.Prepare(format, format), kOk);
    }  // else destroyed while streaming
  }
}

}  // namespace
}  // namespace orlofx

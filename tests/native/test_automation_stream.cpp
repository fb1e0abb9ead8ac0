// Streaming an automatable effect in stretches: changes land on their own
// sample however the caller slices its input and output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/automation.h"
#include "tests/native/automation_test_effect.h"

namespace orlofx {
namespace {

using testing::RideEffect;
constexpr std::uint32_t kRate = 44100;
constexpr std::int64_t kMs = 10000;

std::uint32_t SampleAt(double seconds) { return static_cast<std::uint32_t>(seconds * kRate + 0.5); }
float Gain(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }

// A prepared effect whose preset reports (every parameter released once by
// the whole-record set) are consumed, so that changeFlags names only what
// the envelopes change.
void Start(RideEffect& fx) {
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 1, kRate);
  fx.ApplyPreset(0);
  ASSERT_EQ(fx.Prepare(f, f), kOk);
  fx.UpdateForBlock(1, nullptr);
  fx.SetStreamTime(0);
}

// Pushes `frames` ones through the effect, `chunk` input frames and `room`
// output frames per call, as the filter frame and the tool do.
std::vector<float> Stream(RideEffect& fx, std::uint32_t frames, std::uint32_t chunk,
                          std::uint32_t room) {
  const std::vector<float> ones(frames, 1.0f);
  std::vector<float> out, buffer(room);
  for (std::uint32_t done = 0; done < frames;) {
    std::uint32_t inFrames = std::min(chunk, frames - done), outFrames = room;
    const int mode = done == 0 ? kProcessDiscontinuity : kProcessOrdinary;
    EXPECT_EQ(ProcessInStretches(fx, &fx, mode, ones.data() + done, &inFrames, buffer.data(), &outFrames),
              kProcessProgress);
    if (inFrames == 0 && outFrames == 0) {
      ADD_FAILURE() << "no progress";
      break;
    }
    out.insert(out.end(), buffer.begin(), buffer.begin() + outFrames);
    done += inFrames;
  }
  return out;
}

struct Slicing {
  std::uint32_t chunk, room;
};

class StretchStream : public ::testing::TestWithParam<Slicing> {};

TEST_P(StretchStream, JumpLandsOnItsSampleAndRampFollowsTheStretches) {
  RideEffect fx;
  Start(fx);
  const EnvelopeSegment segs[] = {
      {37 * kMs + 5000, 60 * kMs, -6.0f, -6.0f, kCurveJump, 0},
      {60 * kMs, 100 * kMs, -6.0f, 6.0f, kCurveLinear, 0},
  };
  ASSERT_EQ(fx.AddEnvelope(0, 2, segs), kOk);
  const std::uint32_t total = kRate / 5;
  const std::vector<float> out = Stream(fx, total, GetParam().chunk, GetParam().room);
  ASSERT_EQ(out.size(), total);

  const std::uint32_t jump = SampleAt(0.0375), ramp = SampleAt(0.060), end = SampleAt(0.100);
  for (std::uint32_t i = 0; i < jump; ++i) ASSERT_EQ(out[i], 1.0f) << i;
  for (std::uint32_t i = jump; i < ramp; ++i) ASSERT_FLOAT_EQ(out[i], Gain(-6)) << i;
  // Inside the ramp the gain is the one at the start of a stretch of at most
  // 20 ms: within 12 dB x 20/40 of the exact ramp, never beyond it (but for
  // the record's rounding to tenths of a dB).
  for (std::uint32_t i = ramp; i < end; ++i) {
    const double exact = -6.0 + 12.0 * (i - ramp) / (0.040 * kRate);
    const double db = 20 * std::log10(out[i]);
    ASSERT_LE(db, exact + 0.051) << i;
    ASSERT_GE(db, exact - 6.051) << i;
  }
  for (std::uint32_t i = end; i < total; ++i) ASSERT_FLOAT_EQ(out[i], Gain(6)) << i;
  EXPECT_EQ(fx.changeFlags, 1u);  // only the gain's bit
  fx.Release();
  EXPECT_FALSE(fx.Streaming());
}

INSTANTIATE_TEST_SUITE_P(Slicings, StretchStream,
                         ::testing::Values(Slicing{8820, 8820}, Slicing{441, 8820},
                                           Slicing{8820, 100}, Slicing{1000, 37},
                                           Slicing{1, 1}));

// A jump segment holds its start value and lands on its end value; without
// automation, or when draining, the offer goes straight through.
TEST(StretchStreamPlain, JumpSegmentsHoldAndLandAndPlainCallsGoStraightThrough) {
  RideEffect fx;
  Start(fx);
  const EnvelopeSegment mute = {10 * kMs, 20 * kMs, 1.0f, 0.0f, kCurveJump, 0};
  ASSERT_EQ(fx.AddEnvelope(1, 1, &mute), kOk);
  const std::vector<float> out = Stream(fx, kRate / 20, 4410, 4410);
  for (std::uint32_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], i >= kRate / 100 && i < kRate / 50 ? 0.0f : 1.0f) << i;
  EXPECT_EQ(fx.changeFlags, 2u);

  RideEffect plain;
  Start(plain);
  std::vector<float> in(3000, 0.5f), buffer(3000);
  for (AutomationParams* automation : {static_cast<AutomationParams*>(&plain), static_cast<AutomationParams*>(nullptr)}) {
    std::uint32_t inFrames = 3000, outFrames = 3000;
    ASSERT_EQ(ProcessInStretches(plain, automation, kProcessOrdinary, in.data(), &inFrames, buffer.data(), &outFrames),
              kProcessProgress);
    EXPECT_EQ(plain.lastOffered, 3000u);
  }
  std::uint32_t outFrames = 100;
  EXPECT_EQ(ProcessInStretches(plain, &plain, kProcessDrain, nullptr, nullptr, buffer.data(), &outFrames), kProcessFinished);
}

}  // namespace
}  // namespace orlofx

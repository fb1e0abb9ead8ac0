// Automation on an effect: points written as text ("t:v[:curve],...") and
// the segments they make, applied by the effect's field names, and streaming
// in stretches, where changes land on their own sample however the caller
// slices its input and output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/automation.h"
#include "framework/automation_points.h"
#include "tests/native/automation_test_effect.h"

namespace orlofx {
namespace {

// --- points and names ----------------------------------------------------------------------

TEST(AutomationPoints, ReadsTimesValuesAndCurves) {
  const AutomationPointsParse p = ParseAutomationPoints(" 0:-3 , 0.5:+6:SINE,1.25e0:2.5:jump ");
  ASSERT_EQ(p.error, AutomationPointsError::kNone);
  ASSERT_EQ(p.points.size(), 3u);
  EXPECT_EQ(p.points[0].value, -3.0);
  EXPECT_EQ(p.points[0].curve, 0u);
  EXPECT_EQ(p.points[1].value, 6.0);
  EXPECT_EQ(p.points[1].curve, kCurveSine);
  EXPECT_EQ(p.points[2].seconds, 1.25);
  EXPECT_EQ(p.points[2].curve, kCurveJump);
  for (const char* name : {"jump", "linear", "square", "inversesquare", "sine"})
    EXPECT_STREQ(CurveName(CurveFromName(name)), name);
  EXPECT_EQ(CurveFromName("cubic"), 0u);
}

TEST(AutomationPoints, RefusesMalformedListsAndNamesTheItem) {
  using E = AutomationPointsError;
  struct Case {
    const char* text;
    E error;
    std::size_t item;
  };
  const Case cases[] = {
      {"", E::kEmpty, 0},          {"   ", E::kEmpty, 0},           {"1", E::kSyntax, 0},
      {"0:1,2", E::kSyntax, 1},    {"0:1,,2:3", E::kSyntax, 1},     {"0:1:linear:4", E::kSyntax, 0},
      {"0:x", E::kSyntax, 0},      {"0:nan", E::kSyntax, 0},        {"0:inf", E::kSyntax, 0},
      {"0:1e999", E::kSyntax, 0},  {"0:1,1:2:cubic", E::kCurve, 1}, {"-1:0", E::kTime, 0},
      {"0:0,2e9:1", E::kTime, 1},  {"0:0,2:1,1:0", E::kDescending, 2},
  };
  for (const Case& c : cases) {
    const AutomationPointsParse p = ParseAutomationPoints(c.text);
    EXPECT_EQ(p.error, c.error) << c.text;
    EXPECT_EQ(p.errorItem, c.item) << c.text;
    EXPECT_TRUE(p.points.empty()) << c.text;
  }
}

// Each point's segment runs to the next point; an instant (two points at
// one time) makes none, its later point starts the next; one point alone is
// a held jump from its time.
TEST(AutomationPoints, SegmentsRunFromEachPointToTheNext) {
  struct Case {
    const char* text;
    std::vector<EnvelopeSegment> segments;
  };
  const Case cases[] = {
      {"0.5:0,1:-6:square,1:3,3:3,4:-1:jump",
       {{5000000, 10000000, 0, -6, kCurveSquare, 0}, {10000000, 30000000, 3, 3, kCurveLinear, 0},
        {30000000, 40000000, 3, -1, kCurveJump, 0}}},
      {"2:4", {{20000000, 20000000, 4, 4, kCurveJump, 0}}},
      {"0:1,1:2,1:5", {{0, 10000000, 1, 2, kCurveLinear, 0}, {10000000, 10000000, 5, 5, kCurveJump, 0}}},
  };
  for (const Case& c : cases) {
    const std::vector<EnvelopeSegment> got =
        SegmentsFromPoints(ParseAutomationPoints(c.text).points, kCurveLinear);
    ASSERT_EQ(got.size(), c.segments.size()) << c.text;
    for (std::size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << c.text << " segment " << i);
      EXPECT_EQ(got[i].start, c.segments[i].start);
      EXPECT_EQ(got[i].startValue, c.segments[i].startValue);
      EXPECT_EQ(got[i].endValue, c.segments[i].endValue);
      if (c.segments[i].end != c.segments[i].start) {  // held: how long is the tool's affair
        EXPECT_EQ(got[i].end, c.segments[i].end);
        EXPECT_EQ(got[i].curve, c.segments[i].curve);
      }
    }
  }
  EXPECT_TRUE(SegmentsFromPoints({}, kCurveLinear).empty());
}

struct ByName : ::testing::Test {
  AutomateOutcome Apply(const char* text) {
    return ApplyAutomationText(fx, {AutomationParameterName(fx.Parameters(), fx, 0),
                                    AutomationParameterName(fx.Parameters(), fx, 1)},
                               text);
  }
  EnvelopeSegment Segment(std::uint32_t index, std::size_t at) {
    EnvelopeSegment s = {};
    EXPECT_TRUE(fx.GetSegment(index, at, &s));
    return s;
  }
  testing::RideEffect fx;
};

TEST_F(ByName, ParametersGoByTheirRecordFieldNames) {
  EXPECT_EQ(AutomationParameterName(fx.Parameters(), fx, 0), "gain");
  EXPECT_EQ(AutomationParameterName(fx.Parameters(), fx, 1), "mute");
  EXPECT_EQ(AutomationParameterName(fx.Parameters(), fx, 2), "");
}

TEST_F(ByName, FloatsTakeCurvesAndClampedValuesSwitchesOnlyJump) {
  const AutomateOutcome out = Apply("gain=0:-40,1:10:sine,2:40");
  EXPECT_EQ(out.error, AutomateError::kNone);
  EXPECT_TRUE(out.clamped);
  ASSERT_EQ(fx.SegmentCount(0), 2u);
  EXPECT_EQ(Segment(0, 0).startValue, -25.0f);
  EXPECT_EQ(Segment(0, 0).curve, kCurveSine);
  EXPECT_EQ(Segment(0, 1).curve, kCurveLinear);
  EXPECT_EQ(Segment(0, 1).endValue, 25.0f);

  EXPECT_EQ(Apply("mute=0:0,1:1").error, AutomateError::kNone);
  EXPECT_EQ(Segment(1, 0).curve, kCurveJump);
  const AutomateOutcome bad = Apply("mute=2:0,3:1:linear");
  EXPECT_EQ(bad.error, AutomateError::kSwitchCurve);
  EXPECT_EQ(bad.errorItem, 1u);
  EXPECT_EQ(fx.SegmentCount(1), 1u);
}

TEST_F(ByName, MistakesChangeNothing) {
  struct Case {
    const char* text;
    AutomateError error;
  };
  for (const Case c : {Case{"gain", AutomateError::kSyntax}, Case{"=0:1", AutomateError::kSyntax},
                       Case{"volume=0:1", AutomateError::kUnknownName},
                       Case{"gain=0:1,oops", AutomateError::kPoints},
                       Case{"gain=", AutomateError::kPoints}})
    EXPECT_EQ(Apply(c.text).error, c.error) << c.text;
  EXPECT_EQ(fx.SegmentCount(0) + fx.SegmentCount(1), 0u);
  AutomationParams none(nullptr, 0);
  EXPECT_EQ(ApplyAutomationText(none, {}, "gain=0:1").error, AutomateError::kNoParameters);
}

// --- streaming in stretches ----------------------------------------------------------------

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

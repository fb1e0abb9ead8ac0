// Automation written as points ("t:v[:curve],..."): parsing, the segments
// they make, applying them to an effect by name, and the tool's --automate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/automation_points.h"
#include "tests/native/automation_test_effect.h"
#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using testing::RideEffect;

// --- parsing ------------------------------------------------------------------

TEST(AutomationPoints, ReadsTimesValuesAndCurves) {
  const AutomationPointsParse p = ParseAutomationPoints(" 0:-3 , 0.5:+6:SINE,1.25e0:2.5:jump ");
  ASSERT_EQ(p.error, AutomationPointsError::kNone);
  ASSERT_EQ(p.points.size(), 3u);
  EXPECT_EQ(p.points[0].seconds, 0.0);
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
  struct Case {
    const char* text;
    AutomationPointsError error;
    std::size_t item;
  };
  const Case cases[] = {
      {"", AutomationPointsError::kEmpty, 0},
      {"   ", AutomationPointsError::kEmpty, 0},
      {"1", AutomationPointsError::kSyntax, 0},
      {"0:1,2", AutomationPointsError::kSyntax, 1},
      {"0:1,,2:3", AutomationPointsError::kSyntax, 1},
      {"0:1:linear:4", AutomationPointsError::kSyntax, 0},
      {"0:x", AutomationPointsError::kSyntax, 0},
      {"0:nan", AutomationPointsError::kSyntax, 0},
      {"0:inf", AutomationPointsError::kSyntax, 0},
      {"0:1e999", AutomationPointsError::kSyntax, 0},
      {"0:1,1:2:cubic", AutomationPointsError::kCurve, 1},
      {"-1:0", AutomationPointsError::kTime, 0},
      {"0:0,2e9:1", AutomationPointsError::kTime, 1},
      {"0:0,2:1,1:0", AutomationPointsError::kDescending, 2},
  };
  for (const Case& c : cases) {
    const AutomationPointsParse p = ParseAutomationPoints(c.text);
    EXPECT_EQ(p.error, c.error) << c.text;
    EXPECT_EQ(p.errorItem, c.item) << c.text;
    EXPECT_TRUE(p.points.empty()) << c.text;
  }
}

TEST(AutomationPoints, SegmentsRunFromEachPointToTheNext) {
  const AutomationPointsParse p = ParseAutomationPoints("0.5:0,1:-6:square,1:3,3:3,4:-1:jump");
  ASSERT_EQ(p.error, AutomationPointsError::kNone);
  const std::vector<EnvelopeSegment> s = SegmentsFromPoints(p.points, kCurveLinear);
  ASSERT_EQ(s.size(), 3u);  // 1 s to 1 s is an instant: no segment
  EXPECT_EQ(s[0].start, 5000000);
  EXPECT_EQ(s[0].end, 10000000);
  EXPECT_EQ(s[0].startValue, 0.0f);
  EXPECT_EQ(s[0].endValue, -6.0f);
  EXPECT_EQ(s[0].curve, kCurveSquare);
  EXPECT_EQ(s[1].start, 10000000);  // the later point of the instant starts the next one
  EXPECT_EQ(s[1].startValue, 3.0f);
  EXPECT_EQ(s[1].curve, kCurveLinear);
  EXPECT_EQ(s[2].start, 30000000);
  EXPECT_EQ(s[2].end, 40000000);
  EXPECT_EQ(s[2].curve, kCurveJump);

  // One point: a jump held from its time. A final instant keeps the last word.
  const std::vector<EnvelopeSegment> one = SegmentsFromPoints({{2.0, 4.0, 0}}, kCurveLinear);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].start, 20000000);
  EXPECT_EQ(one[0].startValue, 4.0f);
  EXPECT_EQ(one[0].endValue, 4.0f);
  const std::vector<EnvelopeSegment> last =
      SegmentsFromPoints({{0.0, 1.0, 0}, {1.0, 2.0, 0}, {1.0, 5.0, 0}}, kCurveLinear);
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[1].start, 10000000);
  EXPECT_EQ(last[1].endValue, 5.0f);
  EXPECT_TRUE(SegmentsFromPoints({}, kCurveLinear).empty());
}

// --- applying by name ---------------------------------------------------------------

struct ByName : ::testing::Test {
  std::vector<std::string> Names() {
    return {AutomationParameterName(fx.Parameters(), fx, 0),
            AutomationParameterName(fx.Parameters(), fx, 1)};
  }
  RideEffect fx;
};

TEST_F(ByName, ParametersGoByTheirRecordFieldNames) {
  EXPECT_EQ(Names(), (std::vector<std::string>{"gain", "mute"}));
  EXPECT_EQ(AutomationParameterName(fx.Parameters(), fx, 2), "");
}

TEST_F(ByName, AFloatGetsLinearSegmentsAndClampedValues) {
  const AutomateOutcome out = ApplyAutomationText(fx, Names(), "gain=0:-40,1:10:sine,2:40");
  EXPECT_EQ(out.error, AutomateError::kNone);
  EXPECT_TRUE(out.clamped);
  ASSERT_EQ(fx.SegmentCount(0), 2u);
  EnvelopeSegment s = {};
  ASSERT_TRUE(fx.GetSegment(0, 0, &s));
  EXPECT_EQ(s.startValue, -25.0f);
  EXPECT_EQ(s.curve, kCurveSine);
  ASSERT_TRUE(fx.GetSegment(0, 1, &s));
  EXPECT_EQ(s.curve, kCurveLinear);
  EXPECT_EQ(s.endValue, 25.0f);
}

TEST_F(ByName, ASwitchOnlyJumps) {
  AutomateOutcome out = ApplyAutomationText(fx, Names(), "mute=0:0,1:1");
  EXPECT_EQ(out.error, AutomateError::kNone);
  EnvelopeSegment s = {};
  ASSERT_TRUE(fx.GetSegment(1, 0, &s));
  EXPECT_EQ(s.curve, kCurveJump);
  const std::size_t before = fx.SegmentCount(1);
  out = ApplyAutomationText(fx, Names(), "mute=2:0,3:1:linear");
  EXPECT_EQ(out.error, AutomateError::kSwitchCurve);
  EXPECT_EQ(out.errorItem, 1u);
  EXPECT_EQ(fx.SegmentCount(1), before);
}

TEST_F(ByName, MistakesChangeNothing) {
  struct Case {
    const char* text;
    AutomateError error;
  };
  for (const Case c : {Case{"gain", AutomateError::kSyntax}, Case{"=0:1", AutomateError::kSyntax},
                       Case{"volume=0:1", AutomateError::kUnknownName},
                       Case{"gain=0:1,oops", AutomateError::kPoints},
                       Case{"gain=", AutomateError::kPoints}}) {
    const AutomateOutcome out = ApplyAutomationText(fx, Names(), c.text);
    EXPECT_EQ(out.error, c.error) << c.text;
  }
  EXPECT_EQ(fx.SegmentCount(0), 0u);
  EXPECT_EQ(fx.SegmentCount(1), 0u);

  AutomationParams none(nullptr, 0);
  EXPECT_EQ(ApplyAutomationText(none, {}, "gain=0:1").error, AutomateError::kNoParameters);
}

// --- the tool --------------------------------------------------------------------------

using AutomateOption = cli_test::CliTest;

TEST_F(AutomateOption, AnEffectWithoutAutomationSaysSoAndWritesNothing) {
  const cli_test::CliResult r = Run({"process", "noise-gate", "--automate", "threshold=0:-30",
                                     "/nonexistent.wav", PathText("out.wav")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("noise-gate has no automatable settings"), std::string::npos) << r.err;
  EXPECT_TRUE(Listing().empty());
}

TEST_F(AutomateOption, RidesTheOutputGainOverAFile) {
  const int rate = 44100, frames = rate * 2;
  std::vector<float> tone(frames);
  for (int i = 0; i < frames; ++i) tone[i] = 0.25f * static_cast<float>(std::sin(i * 0.0627));
  cli_test::WriteSound(Path("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, rate, tone);
  // 0 dB for the first second, then -12 dB.
  const cli_test::CliResult r =
      Run({"process", "graphic-dynamics", "--automate", "output_gain=0:0,1:-12:jump",
           PathText("tone.wav"), PathText("ridden.wav")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  SF_INFO got;
  const std::vector<float> result = cli_test::ReadSound<float>(Path("ridden.wav"), &got);
  ASSERT_EQ(got.frames, frames);
  auto peak = [&](int from, int to) {
    float p = 0;
    for (int i = from; i < to; ++i) p = std::max(p, std::fabs(result[i]));
    return p;
  };
  const float early = peak(rate / 4, rate * 3 / 4), late = peak(rate * 5 / 4, rate * 7 / 4);
  EXPECT_NEAR(20 * std::log10(late / early), -12.0, 0.5);
}

}  // namespace
}  // namespace orlofx

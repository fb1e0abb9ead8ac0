// Automation written as points ("t:v[:curve],..."): parsing, the segments
// they make, and applying them to an effect by its field names.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/automation_points.h"
#include "tests/native/automation_test_effect.h"

namespace orlofx {
namespace {

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

}  // namespace
}  // namespace orlofx

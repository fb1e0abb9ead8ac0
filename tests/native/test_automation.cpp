// Parameter automation: the segment cursor across every boundary, the
// curves, replays and seeks, envelope editing, host values, the property
// bridge, the reports to the host, points written as text and applied by
// field name, and an effect streamed in stretches however it is sliced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/automation.h"
#include "framework/automation_points.h"
#include "tests/native/automation_test_effect.h"

namespace orlofx {
namespace {

constexpr double kRate = 44100.0;
constexpr std::int64_t kMs = 10000;  // 100-ns units per millisecond
const float kNan = std::numeric_limits<float>::quiet_NaN();

// Six parameters shaped like the dynamics effects' tables; parameter i
// reports change bit 1 << i.
const AutomationParamDesc kTable[] = {
    {AutomationType::kFloat, kCapsFloat, 0.0f, 500.0f, 250.0f, 0x01, 5000, 0, PropertyKind::kScaledInteger, 4, -1, -1, -1},
    {AutomationType::kFloat, kCapsFloat, 0.0f, 5000.0f, 2500.0f, 0x02, 50000, 0, PropertyKind::kScaledInteger, 8, -1, -1, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 0.0f, 0x04, 1, 0, PropertyKind::kSwitch, 12, -1, -1, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 1.0f, 0x08, 1, 0, PropertyKind::kSwitch, 16, -1, -1, -1},
    {AutomationType::kFloat, kCapsFloat, -25.0f, 25.0f, 0.0f, 0x10, 250, -250, PropertyKind::kScaledInteger, 0, -1, -1, -1},
    {AutomationType::kFloat, kCapsFloat, -1.0f, 1.0f, 0.0f, 0x20, 100, -100, PropertyKind::kScaledFloat, 20, -1, -1, -1},
};
constexpr std::uint32_t kAttack = 0, kRelease = 1, kAgc = 2, kSync = 3, kGain = 4, kPan = 5;
constexpr std::uint32_t Bit(std::uint32_t index) { return 1u << index; }

struct Record {
  std::int32_t gain, attack, release, agc, sync;
  float pan;
};

// The host's callbacks as text: "b4" begin, "c4=1.5" changed, "e4" end.
using Calls = std::vector<std::string>;
class Recorder : public AutomationListener {
 public:
  void ParamsBeginCapture(std::uint32_t index) override { calls.push_back("b" + std::to_string(index)); }
  void ParamsChanged(std::uint32_t index, float value) override { calls.push_back("c" + std::to_string(index) + "=" + (std::ostringstream() << value).str()); }
  void ParamsEndCapture(std::uint32_t index) override { calls.push_back("e" + std::to_string(index)); }
  Calls calls;
};

EnvelopeSegment Seg(std::int64_t start, std::int64_t end, float from, float to, std::uint32_t curve = kCurveJump) {
  return EnvelopeSegment{start, end, from, to, curve, 0};
}

class Automation : public ::testing::Test {
 protected:
  Automation() { params.SetListener(&recorder); }
  float Value(std::uint32_t index) {
    float v = kNan;
    EXPECT_EQ(params.GetParam(index, &v), kOk);
    return v;
  }
  void Add(std::uint32_t index, std::vector<EnvelopeSegment> s) {
    ASSERT_EQ(params.AddEnvelope(index, static_cast<std::uint32_t>(s.size()), s.data()), kOk);
  }
  std::vector<std::int64_t> Starts(std::uint32_t index) {
    std::vector<std::int64_t> starts;
    for (EnvelopeSegment s = {}; params.GetSegment(index, starts.size(), &s);) starts.push_back(s.start);
    return starts;
  }
  // The change flags of one update of `samples` at the current stream time.
  std::uint32_t Flags(std::uint32_t samples = 10) {
    std::uint32_t flags = 0;
    params.UpdateForBlock(samples, &flags);
    return flags;
  }
  // Streams on to `time` and gives the change flags reported on the way.
  std::uint32_t PlayTo(std::int64_t time) {
    std::uint32_t flags = 0;
    while (params.StreamTime() < time)
      params.UpdateForBlock(static_cast<std::uint32_t>(std::ceil((time - params.StreamTime()) / 1e7 * kRate)), &flags);
    return flags;
  }
  AutomationParams params{kTable, 6};
  Recorder recorder;
};

// --- the segment cursor -----------------------------------------------------------

// Steps of one cursor walk: 'r' runs to time a in updates of b samples, 's'
// seeks to a, 'f' flushes a..b.
struct Op {
  char kind;
  std::int64_t a, b;
};
struct Walk {
  const char* name;
  std::vector<EnvelopeSegment> envelope;
  std::vector<Op> ops;
};
void PrintTo(const Walk& w, std::ostream* os) { *os << w.name; }

// At 10 kHz one sample is 1000 time units.
constexpr double kWalkRate = 10000.0;
// clang-format off
const Walk kWalks[] = {
    {"GapsAdjacentSegmentsSeekBackAndFlushInPlay",
     {Seg(0, 10 * kMs, -10, 10, kCurveLinear), Seg(20 * kMs, 30 * kMs, 0, 5, kCurveLinear),
      Seg(30 * kMs, 40 * kMs, 5, -5, kCurveLinear)},
     {{'r', 50 * kMs, 70}, {'s', 0, 0}, {'r', 7 * kMs, 70}, {'s', 35 * kMs, 0}, {'r', 36 * kMs, 10},
      {'f', 30 * kMs, 40 * kMs}, {'r', 43 * kMs, 70}}},
    // A 30 ms block inside a ramp is 20 ms and then 10 ms.
    {"LongSegmentInTwentyMillisecondStretches", {Seg(0, 100 * kMs, 0, 20, kCurveLinear)}, {{'r', 130 * kMs, 300}}},
    // A change closer than one sample still waits for one.
    {"SliverOfASampleIsOneSample", {Seg(0, 10, 0, 1, kCurveLinear)}, {{'r', 5 * kMs, 200}}},
    // A jump between two samples takes effect at the first sample after it.
    {"JumpInAGapLandsOnItsOwnSample", {Seg(25 * kMs + 1234, 125 * kMs, 12, 12)}, {{'r', 140 * kMs, 400}}},
    {"ValuesBeyondTheRangeAreClamped", {Seg(0, 10 * kMs, 90, 90), Seg(10 * kMs, 20 * kMs, -90, 0, kCurveLinear)}, {{'r', 30 * kMs, 50}}},
    {"CursorAfterTheLastSegmentStartsOverOnASeek",
     {Seg(5 * kMs, 8 * kMs, 1, 2, kCurveLinear), Seg(9 * kMs, 12 * kMs, -1, -2, kCurveLinear)},
     {{'r', 30 * kMs, 45}, {'s', 6 * kMs, 0}, {'r', 15 * kMs, 33}}},
};
// clang-format on

class SegmentCursor : public ::testing::TestWithParam<Walk> {};

// Each update against the envelope's own definition: inside [start, end)
// the straight line (or the held value), after a segment its end value,
// before any the neutral value; a stretch ends at the next boundary,
// 20 ms at most, one sample at least.
TEST_P(SegmentCursor, StretchesAndValuesFollowTheEnvelopeAcrossEveryBoundary) {
  AutomationParams params(kTable, 6);
  params.BeginStreaming(kWalkRate);
  std::vector<EnvelopeSegment> env = GetParam().envelope;
  ASSERT_EQ(params.AddEnvelope(kGain, static_cast<std::uint32_t>(env.size()), env.data()), kOk);
  bool flushed = false;
  for (const Op& op : GetParam().ops) {
    if (op.kind == 's') params.SetStreamTime(op.a);
    if (op.kind == 'f') {
      ASSERT_EQ(params.FlushEnvelope(kGain, op.a, op.b), kOk);
      env.erase(std::remove_if(env.begin(), env.end(), [&](auto& s) { return s.end > op.a && s.start < op.b; }),
                env.end());
      flushed = true;
    }
    while (op.kind == 'r' && params.StreamTime() < op.a) {
      const std::int64_t t = params.StreamTime();
      std::int64_t boundary = t + 20 * kMs;
      float value = 0.0f;  // neutral
      bool inForce = false;
      for (const EnvelopeSegment& s : env) {
        if (s.start <= t && t < s.end) {
          inForce = true;
          const float f = s.curve == kCurveLinear ? float(t - s.start) / float(s.end - s.start) : 0.0f;
          value = std::clamp(s.startValue + (s.endValue - s.startValue) * f, -25.0f, 25.0f);
          boundary = std::min(boundary, s.end);
        } else if (s.end <= t) {
          value = std::clamp(s.endValue, -25.0f, 25.0f);
        } else {
          boundary = std::min(boundary, s.start);
        }
      }
      const auto asked = static_cast<std::uint32_t>(op.b);
      const auto stretch = std::min(asked, std::max(1u, static_cast<std::uint32_t>(std::lround((boundary - t) / 1e3))));
      EXPECT_EQ(params.UpdateForBlock(asked, nullptr), stretch) << "at " << t;
      EXPECT_EQ(params.IsUserControlled(kGain), !inForce) << "at " << t;
      float got = kNan;
      params.GetParam(kGain, &got);
      if (!flushed) {
        EXPECT_NEAR(got, value, 1e-4) << "at " << t;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Walks, SegmentCursor, ::testing::ValuesIn(kWalks),
                         [](const ::testing::TestParamInfo<Walk>& w) { return w.param.name; });

// Stream time follows the samples handed out: at 11025 Hz a 20 ms stretch is
// 220.5 samples, and rounding each stretch must not add up.
TEST_F(Automation, StreamTimeFollowsTheSamplesWithoutDrift) {
  params.BeginStreaming(11025.0);
  Add(kPan, {Seg(0, 100000 * kMs, 0, 1, kCurveLinear)});
  std::uint64_t done = 0;
  for (int i = 0; i < 5000; ++i) done += params.UpdateForBlock(100000, nullptr);
  EXPECT_NEAR(static_cast<double>(params.StreamTime()), done / 11025.0 * 1e7, 1e7 / 11025.0);
  params.GiveBack(11025);
  EXPECT_NEAR(static_cast<double>(params.StreamTime()), (done - 11025) / 11025.0 * 1e7, 1e7 / 11025.0);
}

TEST(SegmentCurves, ValueSlopeAndCurvatureOfEveryCurve) {
  // 2 s from 1 to 7, a quarter in.
  const double d = 2.0, D = 6.0, f = 0.25;
  const std::tuple<std::uint32_t, double, double, double> cases[] = {
      {kCurveLinear, 1 + D * f, D / d, 0}, {kCurveSquare, 1 + D * f * f, (2 * f + 1 / d) * D / d, 2 * D / (d * d)},
      {kCurveInvSquare, 7 - D * (1 - f) * (1 - f), (2 * (f - 1) + 1 / d) * -D / d, -2 * D / (d * d)},
      {kCurveJump, 1, 0, 0}, {0x40, 1, 0, 0}, {0, 1, 0, 0}};
  for (const auto& [curve, value, slope, curvature] : cases) {
    const SegmentPoint p = EvaluateSegment(Seg(0, 20000000, 1, 7, curve), 5000000);
    EXPECT_DOUBLE_EQ(p.value, value) << curve;
    EXPECT_DOUBLE_EQ(p.slope, slope) << curve;
    EXPECT_DOUBLE_EQ(p.curvature, curvature) << curve;
  }
  // The sine curve: half a cosine period, half way at the middle, still
  // speeding up in the first half.
  const SegmentPoint sine = EvaluateSegment(Seg(0, 20000000, 1, 7, kCurveSine), 5000000);
  EXPECT_NEAR(sine.value, 1 + D * (1 - std::cos(M_PI * f)) / 2, 1e-12);
  EXPECT_GT(sine.slope, 0.0);
  EXPECT_GT(sine.curvature, 0.0);
  EXPECT_NEAR(EvaluateSegment(Seg(0, 20000000, 1, 7, kCurveSine), 10000000).value, 4.0, 1e-9);
}

// Every jump and held segment must be felt again on a replay and after a
// seek back: an effect that is not told keeps the value of the last pass. A
// value moved under a held segment is put back and reported; a captured
// parameter is the user's until released.
TEST_F(Automation, ReplaysSeeksMovedValuesAndCapturesReportTheEnvelopeAgain) {
  // Gain -12 dB for 50 ms, then +6 dB for 50 ms; the AGC on from 20 to 30 ms.
  Add(kGain, {Seg(0, 50 * kMs, -12, -12), Seg(50 * kMs, 100 * kMs, 6, 6)});
  Add(kAgc, {Seg(20 * kMs, 30 * kMs, 1, 0)});
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    params.BeginStreaming(kRate);
    if (run == 2) {
      PlayTo(60 * kMs);
      params.SetStreamTime(10 * kMs);
    }
    EXPECT_EQ(Flags(), Bit(kGain));
    EXPECT_EQ(Value(kGain), -12.0f);
    EXPECT_EQ(PlayTo(25 * kMs), Bit(kAgc));
    EXPECT_EQ(Value(kAgc), 1.0f);
    EXPECT_EQ(PlayTo(55 * kMs), Bit(kGain) | Bit(kAgc));
    EXPECT_EQ(Value(kAgc), 0.0f);
    EXPECT_EQ(Value(kGain), 6.0f);
    PlayTo(120 * kMs);
    params.ResetForStop();
  }
  params.BeginStreaming(kRate);
  PlayTo(10 * kMs);
  ASSERT_EQ(Flags(), 0u);
  params.SetPropInt(kGain, 30);  // a whole-record set while streaming
  EXPECT_EQ(Value(kGain), 3.0f);
  EXPECT_EQ(Flags(), Bit(kGain));
  EXPECT_EQ(Value(kGain), -12.0f);
  PlayTo(35 * kMs);
  ASSERT_FALSE(params.IsUserControlled(kGain));
  params.BeginCapture(kGain);
  params.SetPropInt(kGain, -40);
  EXPECT_EQ(Flags(100), 0u);
  EXPECT_TRUE(params.IsUserControlled(kGain));
  EXPECT_FLOAT_EQ(Value(kGain), -4.0f);
  EXPECT_EQ(params.SetParam(kGain, -3.0f), kOk) << "no envelope holds it while captured";
  params.EndCapture(kGain);
  EXPECT_EQ(Flags(100), Bit(kGain));
  EXPECT_FALSE(params.IsUserControlled(kGain));
  EXPECT_EQ(Value(kGain), -12.0f);
}

// An end of capture outside any segment is reported by the next update,
// once: with no envelope anywhere, and with one elsewhere.
TEST_F(Automation, EndCaptureOutsideAnySegmentIsReportedByTheNextUpdateOnce) {
  params.BeginStreaming(kRate);
  for (bool envelope : {false, true}) {
    if (envelope) Add(kGain, {Seg(1000 * kMs, 2000 * kMs, 1, 2, kCurveLinear)});
    params.BeginCapture(kRelease);
    params.EndCapture(kRelease);
    EXPECT_EQ(Flags(882), Bit(kRelease)) << envelope;
    EXPECT_EQ(Flags(882), 0u) << envelope;
  }
}

// Segments are kept in start order, overlaps replaced whole (within one
// call a later segment wins); bad ones are refused and change nothing; a
// flush removes what overlaps its range whole.
TEST_F(Automation, EnvelopeEditing) {
  using Starts_ = std::vector<std::int64_t>;
  const EnvelopeSegment good = Seg(0, 10, 1, 1);
  EXPECT_EQ(params.AddEnvelope(kGain, 1, nullptr), kPointer);
  EXPECT_EQ(params.AddEnvelope(6, 1, &good), kInvalidArg);
  EXPECT_EQ(params.AddEnvelope(kGain, 0, &good), kInvalidArg);
  const float inf = std::numeric_limits<float>::infinity();
  for (const EnvelopeSegment bad : {Seg(20, 30, kNan, 1), Seg(20, 30, 1, inf), Seg(20, 30, -inf, 1), Seg(30, 20, 1, 1)}) {
    const EnvelopeSegment batch[] = {good, bad, Seg(40, 50, 1, 1)};
    EXPECT_EQ(params.AddEnvelope(kGain, 3, batch), kInvalidArg);
  }
  Add(kGain, {Seg(5, 5, 1, 1)});  // an empty span is accepted but never stored
  EXPECT_EQ(params.SegmentCount(kGain), 0u);
  Add(kGain, {Seg(300, 400, 3, 3), Seg(100, 200, 1, 1), Seg(200, 300, 2, 2)});
  EXPECT_EQ(Starts(kGain), (Starts_{100, 200, 300}));
  Add(kGain, {Seg(150, 250, 9, 9, kCurveLinear)});  // overlaps the first two
  EXPECT_EQ(Starts(kGain), (Starts_{150, 300}));
  Add(kGain, {Seg(500, 700, 1, 1), Seg(600, 800, 2, 2)});
  EXPECT_EQ(Starts(kGain), (Starts_{150, 300, 600}));
  // Added back to front, one per call: every insertion lands at the head.
  for (int i = 2999; i >= 0; --i) Add(kRelease, {Seg(i * 10, i * 10 + 10, 1, 1)});
  const Starts_ many = Starts(kRelease);
  ASSERT_EQ(many.size(), 3000u);
  for (std::size_t i = 0; i < many.size(); ++i) ASSERT_EQ(many[i], std::int64_t(i) * 10);
  Add(kAttack, {Seg(0, 100, 0, 0), Seg(100, 200, 1, 1), Seg(200, 300, 2, 2), Seg(300, 400, 3, 3)});
  EXPECT_EQ(params.FlushEnvelope(kAttack, 100, 300), kOk);  // touching ends stay
  EXPECT_EQ(Starts(kAttack), (Starts_{0, 300}));
  EXPECT_EQ(params.FlushEnvelope(kAttack, 350, 360), kOk);  // a clipped one goes whole
  EXPECT_EQ(Starts(kAttack), (Starts_{0}));
  EXPECT_EQ(params.FlushEnvelope(6, 0, 1000), kInvalidArg);
  EXPECT_EQ(params.SegmentCount(kAttack), 1u);
}

TEST_F(Automation, FlushingEverythingEmptiesAllAndReportsTheMovingOnesOnce) {
  params.BeginStreaming(kRate);
  Add(kGain, {Seg(0, 1000 * kMs, 0, 20, kCurveLinear)});
  Add(kAttack, {Seg(0, 1000 * kMs, 0, 400, kCurveSquare)});
  Add(kAgc, {Seg(5000 * kMs, 6000 * kMs, 1, 1)});
  PlayTo(40 * kMs);
  const float gainBefore = Value(kGain);
  EXPECT_EQ(params.FlushEnvelope(kAllParameters, 0, 10000 * kMs), kOk);
  for (std::uint32_t i = 0; i < params.ParamCount(); ++i) EXPECT_EQ(params.SegmentCount(i), 0u);
  EXPECT_EQ(Flags(882), Bit(kGain) | Bit(kAttack));
  EXPECT_EQ(Value(kGain), gainBefore);
  EXPECT_TRUE(params.IsUserControlled(kGain));
  EXPECT_EQ(Flags(882), 0u);
}

// The host's own sets are not echoed; normalised ones map the range and
// report without a capture bracket.
TEST_F(Automation, SetParamChecksRangeAndReportsEqualityNormalizedValuesMapTheRange) {
  EXPECT_EQ(Value(kRelease), 2500.0f);  // neutral
  EXPECT_EQ(params.SetParam(kGain, 3.5f), kOk);
  EXPECT_EQ(params.SetParam(kGain, 3.5f), kFalse);
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {25.5f, -25.01f, kNan, inf, -inf}) EXPECT_EQ(params.SetParam(kGain, bad), kInvalidArg);
  float v = 0;
  EXPECT_EQ(params.SetParam(6, 0.0f), kInvalidArg);
  EXPECT_EQ(params.GetParam(6, nullptr), kPointer);
  EXPECT_EQ(params.GetParam(6, &v), kInvalidArg);
  EXPECT_EQ(Value(kGain), 3.5f);
  EXPECT_TRUE(recorder.calls.empty());
  ASSERT_EQ(params.SetParam(kGain, 12.5f), kOk);
  EXPECT_EQ(params.GetNormalizedValue(kGain, &v), kOk);
  EXPECT_FLOAT_EQ(v, 0.75f);
  EXPECT_EQ(params.SetNormalizedValue(kRelease, 0.1f), kOk);
  EXPECT_FLOAT_EQ(Value(kRelease), 500.0f);
  EXPECT_EQ(params.SetNormalizedValue(kRelease, 0.1f), kFalse);
  EXPECT_EQ(params.SetNormalizedValue(kRelease, kNan), kInvalidArg);
  EXPECT_EQ(params.GetNormalizedValue(kGain, nullptr), kPointer);
  EXPECT_EQ(recorder.calls, (Calls{"c1=500"}));
}

TEST_F(Automation, InsideASegmentWhileStreamingTheEnvelopeWins) {
  Add(kGain, {Seg(0, 100 * kMs, 5, 5)});
  params.BeginStreaming(kRate);
  params.UpdateForBlock(441, nullptr);
  EXPECT_EQ(params.SetParam(kGain, -7.0f), kFalse);
  EXPECT_EQ(Value(kGain), 5.0f);
  EXPECT_EQ(params.SetParam(kAttack, 7.0f), kOk);  // no envelope there
  params.ResetForStop();
  EXPECT_TRUE(params.IsUserControlled(kGain));
  EXPECT_EQ(params.SetParam(kGain, -7.0f), kOk);
  EXPECT_EQ(Value(kGain), -7.0f);
}

TEST_F(Automation, PropertiesScaleRoundHalfAwayFromZeroAndGoThroughTheRecordOffsets) {
  EXPECT_EQ(params.SetPropInt(kGain, 7), 0);
  EXPECT_FLOAT_EQ(Value(kGain), 0.7f);
  EXPECT_EQ(params.SetPropInt(kGain, 7), 1);
  // 0.25 dB and 0.05 dB are exact halves of the property's tenths.
  for (const auto& [index, value, prop] : {std::tuple{kGain, 0.25f, 3}, {kGain, -0.25f, -3}, {kGain, 0.05f, 1}, {kGain, -0.05f, -1},
                                           {kGain, 0.24f, 2}, {kGain, -0.24f, -2}, {kGain, 0.0f, 0}, {kGain, -25.0f, -250}, {kAttack, 12.34f, 123}}) {
    ASSERT_NE(params.SetParam(index, value), kInvalidArg);
    EXPECT_EQ(params.GetPropInt(index), prop) << value;
  }
  // Out-of-range properties clamp to the parameter's range.
  EXPECT_EQ(params.SetPropInt(kRelease, 90000), 0);
  EXPECT_EQ(Value(kRelease), 5000.0f);
  EXPECT_EQ(params.SetPropInt(kSync, -3), 0);
  EXPECT_EQ(Value(kSync), 0.0f);
  // A whole record goes through the offsets, floats unrounded.
  const Record in = {-123, 40, 12345, 1, 0, -37.5f};
  params.SetAllProps(&in, sizeof in);
  const float expected[] = {4.0f, 1234.5f, 1.0f, 0.0f, -12.3f, -0.375f};
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(Value(i), expected[i]) << i;
  Record out = {};
  params.GetAllProps(&out, sizeof out);
  EXPECT_EQ(std::vector<std::int32_t>({out.gain, out.attack, out.release, out.agc, out.sync}),
            std::vector<std::int32_t>({in.gain, in.attack, in.release, in.agc, in.sync}));
  EXPECT_FLOAT_EQ(out.pan, in.pan);
  // A record too short for a field leaves that field alone.
  std::int32_t shortRecord[2] = {77, 77};
  params.GetAllProps(shortRecord, sizeof shortRecord);
  EXPECT_EQ(shortRecord[0], -123);
  EXPECT_EQ(shortRecord[1], 40);
}

// Property changes are bracketed unless captured and silent when unchanged;
// notify off silences one parameter and ends its capture; a whole record is
// one bracket per parameter.
TEST_F(Automation, ReportsToTheHost) {
  params.SetPropInt(kGain, 10);
  params.SetPropInt(kGain, 10);
  EXPECT_EQ(params.BeginCapture(kGain), 0);
  EXPECT_EQ(params.BeginCapture(kGain), 1);
  params.SetPropInt(kGain, 20);
  params.SetPropInt(kGain, 30);
  EXPECT_EQ(params.EndCapture(kGain), 0);
  EXPECT_EQ(params.EndCapture(kGain), 1);
  EXPECT_EQ(recorder.calls, (Calls{"b4", "c4=1", "e4", "b4", "c4=2", "c4=3", "e4"}));

  params.BeginCapture(kAttack);
  recorder.calls.clear();
  EXPECT_EQ(params.SetNotify(kAttack, false), kOk);
  EXPECT_EQ(recorder.calls, (Calls{"e0"}));
  EXPECT_EQ(params.SetNotify(kAttack, false), kFalse);
  recorder.calls.clear();
  params.SetPropInt(kAttack, 100);
  params.BeginCapture(kAttack);
  params.EndCapture(kAttack);
  params.SetPropInt(kRelease, 100);  // others still report
  EXPECT_EQ(recorder.calls, (Calls{"b1", "c1=10", "e1"}));
  EXPECT_EQ(params.SetNotify(kAllParameters, true), kFalse);  // the last one was already on
  EXPECT_EQ(params.SetNotify(7, true), kInvalidArg);
  recorder.calls.clear();
  params.SetPropInt(kAttack, 200);
  EXPECT_EQ(recorder.calls.size(), 3u);

  recorder.calls.clear();
  const Record in = {15, 10, 100, 0, 1, 0.0f};  // only gain and attack differ
  params.SetAllProps(&in, sizeof in);
  EXPECT_EQ(recorder.calls, (Calls{"b0", "b1", "b2", "b3", "b4", "b5", "c0=1", "c4=1.5", "e0", "e1", "e2", "e3", "e4", "e5"}));
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(params.BeginCapture(i), 0) << "left captured";
}

// --- points written as text and applied by name ----------------------------------------

TEST(AutomationPoints, ReadsTimesValuesAndCurvesAndRefusesMalformedListsNamingTheItem) {
  const AutomationPointsParse p = ParseAutomationPoints(" 0:-3 , 0.5:+6:SINE,1.25e0:2.5:jump ");
  ASSERT_EQ(p.error, AutomationPointsError::kNone);
  ASSERT_EQ(p.points.size(), 3u);
  EXPECT_EQ(std::make_tuple(p.points[0].value, p.points[0].curve), std::make_tuple(-3.0, 0u));
  EXPECT_EQ(std::make_tuple(p.points[1].value, p.points[1].curve), std::make_tuple(6.0, kCurveSine));
  EXPECT_EQ(std::make_tuple(p.points[2].seconds, p.points[2].curve), std::make_tuple(1.25, kCurveJump));
  for (const char* name : {"jump", "linear", "square", "inversesquare", "sine"}) EXPECT_STREQ(CurveName(CurveFromName(name)), name);
  EXPECT_EQ(CurveFromName("cubic"), 0u);
  using E = AutomationPointsError;
  const std::tuple<const char*, E, std::size_t> refused[] = {
      {"", E::kEmpty, 0},         {"   ", E::kEmpty, 0},          {"1", E::kSyntax, 0},         {"0:1,2", E::kSyntax, 1},
      {"0:1,,2:3", E::kSyntax, 1}, {"0:1:linear:4", E::kSyntax, 0}, {"0:x", E::kSyntax, 0},      {"0:nan", E::kSyntax, 0},
      {"0:inf", E::kSyntax, 0},    {"0:1e999", E::kSyntax, 0},     {"0:1,1:2:cubic", E::kCurve, 1}, {"-1:0", E::kTime, 0},
      {"0:0,2e9:1", E::kTime, 1},  {"0:0,2:1,1:0", E::kDescending, 2}};
  for (const auto& [text, error, item] : refused) {
    const AutomationPointsParse bad = ParseAutomationPoints(text);
    EXPECT_EQ(bad.error, error) << text;
    EXPECT_EQ(bad.errorItem, item) << text;
    EXPECT_TRUE(bad.points.empty()) << text;
  }
}

// Each point's segment runs to the next point; an instant (two points at
// one time) makes none, its later point starts the next; one point alone is
// a held jump from its time (how long it is held is the tool's affair).
TEST(AutomationPoints, SegmentsRunFromEachPointToTheNext) {
  const std::pair<const char*, std::vector<EnvelopeSegment>> cases[] = {
      {"0.5:0,1:-6:square,1:3,3:3,4:-1:jump",
       {Seg(5000000, 10000000, 0, -6, kCurveSquare), Seg(10000000, 30000000, 3, 3, kCurveLinear), Seg(30000000, 40000000, 3, -1)}},
      {"2:4", {Seg(20000000, 20000000, 4, 4)}},
      {"0:1,1:2,1:5", {Seg(0, 10000000, 1, 2, kCurveLinear), Seg(10000000, 10000000, 5, 5)}},
  };
  for (const auto& [text, segments] : cases) {
    const std::vector<EnvelopeSegment> got = SegmentsFromPoints(ParseAutomationPoints(text).points, kCurveLinear);
    ASSERT_EQ(got.size(), segments.size()) << text;
    for (std::size_t i = 0; i < got.size(); ++i) {
      const EnvelopeSegment& want = segments[i];
      const bool held = want.end == want.start;
      EXPECT_EQ(std::make_tuple(got[i].start, got[i].startValue, got[i].endValue, held ? 0 : got[i].end, held ? 0 : got[i].curve),
                std::make_tuple(want.start, want.startValue, want.endValue, held ? 0 : want.end, held ? 0 : want.curve))
          << text << " segment " << i;
    }
  }
  EXPECT_TRUE(SegmentsFromPoints({}, kCurveLinear).empty());
}

// Parameters go by their record field names; floats take curves and clamped
// values, switches only jump; mistakes change nothing.
TEST(AutomationByName, FieldNamesCurvesClampingAndMistakes) {
  testing::RideEffect fx;
  const std::vector<std::string> names = {AutomationParameterName(fx.Parameters(), fx, 0), AutomationParameterName(fx.Parameters(), fx, 1)};
  EXPECT_EQ(names, (std::vector<std::string>{"gain", "mute"}));
  EXPECT_EQ(AutomationParameterName(fx.Parameters(), fx, 2), "");
  auto segment = [&](std::uint32_t index, std::size_t at) {
    EnvelopeSegment s = {};
    EXPECT_TRUE(fx.GetSegment(index, at, &s));
    return s;
  };
  const AutomateOutcome out = ApplyAutomationText(fx, names, "gain=0:-40,1:10:sine,2:40");
  EXPECT_EQ(out.error, AutomateError::kNone);
  EXPECT_TRUE(out.clamped);
  ASSERT_EQ(fx.SegmentCount(0), 2u);
  EXPECT_EQ(segment(0, 0).startValue, -25.0f);
  EXPECT_EQ(segment(0, 0).curve, kCurveSine);
  EXPECT_EQ(segment(0, 1).curve, kCurveLinear);
  EXPECT_EQ(segment(0, 1).endValue, 25.0f);
  EXPECT_EQ(ApplyAutomationText(fx, names, "mute=0:0,1:1").error, AutomateError::kNone);
  EXPECT_EQ(segment(1, 0).curve, kCurveJump);
  const AutomateOutcome bad = ApplyAutomationText(fx, names, "mute=2:0,3:1:linear");
  EXPECT_EQ(bad.error, AutomateError::kSwitchCurve);
  EXPECT_EQ(bad.errorItem, 1u);
  for (const auto& [text, error] : {std::pair{"gain", AutomateError::kSyntax}, {"=0:1", AutomateError::kSyntax},
                                    {"volume=0:1", AutomateError::kUnknownName}, {"gain=0:1,oops", AutomateError::kPoints},
                                    {"gain=", AutomateError::kPoints}})
    EXPECT_EQ(ApplyAutomationText(fx, names, text).error, error) << text;
  EXPECT_EQ(fx.SegmentCount(0), 2u);
  EXPECT_EQ(fx.SegmentCount(1), 1u);
  AutomationParams none(nullptr, 0);
  EXPECT_EQ(ApplyAutomationText(none, {}, "gain=0:1").error, AutomateError::kNoParameters);
}

// --- an effect streamed in stretches -------------------------------------------------------

using testing::RideEffect;
constexpr std::uint32_t kFxRate = 44100;

// A prepared effect whose preset reports (every parameter released once by
// the whole-record set) are consumed, so that changeFlags names only what
// the envelopes change.
void Start(RideEffect& fx) {
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 1, kFxRate);
  fx.ApplyPreset(0);
  ASSERT_EQ(fx.Prepare(f, f), kOk);
  fx.UpdateForBlock(1, nullptr);
  fx.SetStreamTime(0);
}

// Pushes `frames` ones through the effect, `chunk` input frames and `room`
// output frames per call, as the filter frame and the tool do.
std::vector<float> Stream(RideEffect& fx, std::uint32_t frames, std::uint32_t chunk, std::uint32_t room) {
  const std::vector<float> ones(frames, 1.0f);
  std::vector<float> out, buffer(room);
  for (std::uint32_t done = 0; done < frames;) {
    std::uint32_t inFrames = std::min(chunk, frames - done), outFrames = room;
    const int mode = done == 0 ? kProcessDiscontinuity : kProcessOrdinary;
    EXPECT_EQ(ProcessInStretches(fx, &fx, mode, ones.data() + done, &inFrames, buffer.data(), &outFrames), kProcessProgress);
    if (inFrames == 0 && outFrames == 0) {
      ADD_FAILURE() << "no progress";
      break;
    }
    out.insert(out.end(), buffer.begin(), buffer.begin() + outFrames);
    done += inFrames;
  }
  return out;
}

class StretchStream : public ::testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(StretchStream, JumpLandsOnItsSampleAndRampFollowsTheStretches) {
  RideEffect fx;
  Start(fx);
  const EnvelopeSegment segs[] = {Seg(37 * kMs + 5000, 60 * kMs, -6, -6), Seg(60 * kMs, 100 * kMs, -6, 6, kCurveLinear)};
  ASSERT_EQ(fx.AddEnvelope(0, 2, segs), kOk);
  const std::uint32_t total = kFxRate / 5;
  const std::vector<float> out = Stream(fx, total, GetParam().first, GetParam().second);
  ASSERT_EQ(out.size(), total);
  auto sample = [](double seconds) { return static_cast<std::uint32_t>(seconds * kFxRate + 0.5); };
  auto gain = [](double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); };
  const std::uint32_t jump = sample(0.0375), ramp = sample(0.060), end = sample(0.100);
  for (std::uint32_t i = 0; i < jump; ++i) ASSERT_EQ(out[i], 1.0f) << i;
  for (std::uint32_t i = jump; i < ramp; ++i) ASSERT_FLOAT_EQ(out[i], gain(-6)) << i;
  // Inside the ramp the gain is the one at the start of a stretch of at most
  // 20 ms: within 12 dB x 20/40 of the exact ramp, never beyond it (but for
  // the record's rounding to tenths of a dB).
  for (std::uint32_t i = ramp; i < end; ++i) {
    const double exact = -6.0 + 12.0 * (i - ramp) / (0.040 * kFxRate), db = 20 * std::log10(out[i]);
    ASSERT_LE(db, exact + 0.051) << i;
    ASSERT_GE(db, exact - 6.051) << i;
  }
  for (std::uint32_t i = end; i < total; ++i) ASSERT_FLOAT_EQ(out[i], gain(6)) << i;
  EXPECT_EQ(fx.changeFlags, 1u);  // only the gain's bit
  fx.Release();
  EXPECT_FALSE(fx.Streaming());
}

INSTANTIATE_TEST_SUITE_P(Slicings, StretchStream,
                         ::testing::Values(std::pair{8820u, 8820u}, std::pair{441u, 8820u}, std::pair{8820u, 100u},
                                           std::pair{1000u, 37u}, std::pair{1u, 1u}));

// A jump segment holds its start value and lands on its end value; without
// automation, or when draining, the offer goes straight through.
TEST(StretchStreamPlain, JumpSegmentsHoldAndLandAndPlainCallsGoStraightThrough) {
  RideEffect fx;
  Start(fx);
  const EnvelopeSegment mute = Seg(10 * kMs, 20 * kMs, 1, 0);
  ASSERT_EQ(fx.AddEnvelope(1, 1, &mute), kOk);
  const std::vector<float> out = Stream(fx, kFxRate / 20, 4410, 4410);
  for (std::uint32_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], i >= kFxRate / 100 && i < kFxRate / 50 ? 0.0f : 1.0f) << i;
  EXPECT_EQ(fx.changeFlags, 2u);
  RideEffect plain;
  Start(plain);
  std::vector<float> in(3000, 0.5f), buffer(3000);
  for (AutomationParams* automation : {static_cast<AutomationParams*>(&plain), static_cast<AutomationParams*>(nullptr)}) {
    std::uint32_t inFrames = 3000, outFrames = 3000;
    ASSERT_EQ(ProcessInStretches(plain, automation, kProcessOrdinary, in.data(), &inFrames, buffer.data(), &outFrames), kProcessProgress);
    EXPECT_EQ(plain.lastOffered, 3000u);
  }
  std::uint32_t outFrames = 100;
  EXPECT_EQ(ProcessInStretches(plain, &plain, kProcessDrain, nullptr, nullptr, buffer.data(), &outFrames), kProcessFinished);
}

}  // namespace
}  // namespace orlofx

// Parameter automation core: envelopes, the block update and its stretches,
// segment curves, the property bridge and the reports to the host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "framework/automation.h"

namespace orlofx {
namespace {

constexpr double kRate = 44100.0;
constexpr std::int64_t kMs = 10000;  // 100-ns units per millisecond

// Six parameters shaped like the dynamics effects' tables, each with its own
// change bit so that a test can tell which ones were reported.
const AutomationParamDesc kTable[] = {
    {AutomationType::kFloat, kCapsFloat, 0.0f, 500.0f, 250.0f, 0x01, 5000, 0,
     PropertyKind::kScaledInteger, 4, -1, -1, -1},
    {AutomationType::kFloat, kCapsFloat, 0.0f, 5000.0f, 2500.0f, 0x02, 50000, 0,
     PropertyKind::kScaledInteger, 8, -1, -1, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 0.0f, 0x04, 1, 0, PropertyKind::kSwitch, 12,
     -1, -1, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 1.0f, 0x08, 1, 0, PropertyKind::kSwitch, 16,
     -1, -1, -1},
    {AutomationType::kFloat, kCapsFloat, -25.0f, 25.0f, 0.0f, 0x10, 250, -250,
     PropertyKind::kScaledInteger, 0, -1, -1, -1},
    {AutomationType::kFloat, kCapsFloat, -1.0f, 1.0f, 0.0f, 0x20, 100, -100,
     PropertyKind::kScaledFloat, 20, -1, -1, -1},
};
constexpr std::uint32_t kAttack = 0, kRelease = 1, kAgc = 2, kSync = 3, kGain = 4, kPan = 5;

struct Record {
  std::int32_t gain, attack, release, agc, sync;
  float pan;
};

struct Call {
  char kind;  // 'b' begin, 'c' changed, 'e' end
  std::uint32_t index;
  float value;
  bool operator==(const Call& o) const {
    return kind == o.kind && index == o.index && (kind != 'c' || value == o.value);
  }
};
std::ostream& operator<<(std::ostream& os, const Call& c) {
  return os << c.kind << c.index << "=" << c.value;
}

class Recorder : public AutomationListener {
 public:
  void ParamsBeginCapture(std::uint32_t index) override { calls.push_back({'b', index, 0}); }
  void ParamsChanged(std::uint32_t index, float value) override {
    calls.push_back({'c', index, value});
  }
  void ParamsEndCapture(std::uint32_t index) override { calls.push_back({'e', index, 0}); }
  std::vector<Call> calls;
};

std::uint32_t Samples(double seconds) { return static_cast<std::uint32_t>(seconds * kRate + 0.5); }

EnvelopeSegment Segment(std::int64_t start, std::int64_t end, float from, float to,
                        std::uint32_t curve) {
  return EnvelopeSegment{start, end, from, to, curve, 0};
}

struct Fixture : ::testing::Test {
  Fixture() { params.SetListener(&recorder); }
  float Value(std::uint32_t index) {
    float v = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(params.GetParam(index, &v), kOk);
    return v;
  }
  std::vector<EnvelopeSegment> Envelope(std::uint32_t index) {
    std::vector<EnvelopeSegment> out(params.SegmentCount(index));
    for (std::size_t i = 0; i < out.size(); ++i) EXPECT_TRUE(params.GetSegment(index, i, &out[i]));
    return out;
  }
  AutomationParams params{kTable, 6};
  Recorder recorder;
};

// --- stretches ----------------------------------------------------------------

using BlockUpdate = Fixture;

TEST_F(BlockUpdate, SegmentEndCutsTheStretchAndOneSampleIsTheLeast) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment short3ms = Segment(0, 3 * kMs, 1.0f, 2.0f, kCurveLinear);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &short3ms), kOk);
  EXPECT_EQ(params.UpdateForBlock(Samples(0.020), nullptr), Samples(0.003));
  EXPECT_TRUE(params.IsUserControlled(kAttack));
  EXPECT_FALSE(params.IsUserControlled(kGain));

  // A segment ending a fraction of a sample ahead still yields one sample.
  AutomationParams tiny(kTable, 6);
  tiny.BeginStreaming(kRate);
  const EnvelopeSegment sliver = Segment(0, 10, 0.0f, 1.0f, kCurveLinear);
  ASSERT_EQ(tiny.AddEnvelope(kPan, 1, &sliver), kOk);
  EXPECT_EQ(tiny.UpdateForBlock(Samples(0.020), nullptr), 1u);
}

TEST_F(BlockUpdate, JumpInsideAGapTakesEffectAtItsOwnSample) {
  params.BeginStreaming(kRate);
  const std::int64_t at = 25 * kMs + 1234;
  const EnvelopeSegment jump = Segment(at, at + 100 * kMs, 12.0f, 12.0f, kCurveJump);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &jump), kOk);

  std::uint32_t done = 0, flags = 0;
  const std::uint32_t total = Samples(0.100);
  std::uint32_t changedAt = total;
  while (done < total) {
    flags = 0;
    const std::uint32_t n = params.UpdateForBlock(total - done, &flags);
    if (flags && changedAt == total) changedAt = done;
    EXPECT_EQ(Value(kGain), done >= changedAt ? 12.0f : 0.0f) << "at sample " << done;
    done += n;
  }
  EXPECT_EQ(changedAt, static_cast<std::uint32_t>(at / 1e7 * kRate + 0.5));
}

TEST_F(BlockUpdate, PassingTheLastSegmentLeavesItsEndValueAndStopsReporting) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment ramp = Segment(0, 50 * kMs, 0.0f, 10.0f, kCurveLinear);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &ramp), kOk);
  std::uint32_t flags = 0;
  for (std::uint32_t left = Samples(0.050); left > 0;) left -= params.UpdateForBlock(left, &flags);
  EXPECT_LT(Value(kGain), 10.0f);  // last evaluation inside the ramp

  flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, kTable[kGain].changeMask);
  EXPECT_EQ(Value(kGain), 10.0f);
  EXPECT_TRUE(params.IsUserControlled(kGain));

  flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, 0u);
}

// Stretch lengths and values across segment ends, gaps, adjacent segments,
// a seek back and a flush of the segment being played, against the
// envelope's own definition: inside [start, end) the straight line, after a
// segment its end value; a stretch ends at the next boundary, 20 ms at most.
TEST(SegmentCursor, FollowsTheEnvelopeAcrossEveryBoundary) {
  AutomationParams params(kTable, 6);
  params.BeginStreaming(10000.0);  // one sample = 1000 time units
  const std::int64_t kSample = 1000;
  const EnvelopeSegment env[] = {Segment(0, 10 * kMs, -10.0f, 10.0f, kCurveLinear),
                                 Segment(20 * kMs, 30 * kMs, 0.0f, 5.0f, kCurveLinear),
                                 Segment(30 * kMs, 40 * kMs, 5.0f, -5.0f, kCurveLinear)};
  ASSERT_EQ(params.AddEnvelope(kGain, 3, env), kOk);
  auto expect = [&](std::int64_t t, std::uint32_t asked, std::uint32_t* stretch, float* value) {
    std::int64_t boundary = t + 20 * kMs;
    *value = 0.0f;  // the neutral value before any segment
    for (const EnvelopeSegment& s : env) {
      if (s.start <= t && t < s.end) {
        *value = s.startValue + (s.endValue - s.startValue) * float(t - s.start) / float(s.end - s.start);
        boundary = std::min(boundary, s.end);
      } else if (s.end <= t) {
        *value = s.endValue;
      } else {
        boundary = std::min(boundary, s.start);
      }
    }
    *stretch = std::min<std::uint32_t>(asked, static_cast<std::uint32_t>((boundary - t) / kSample));
  };
  auto step = [&](std::uint32_t asked) {
    const std::int64_t t = params.StreamTime();
    std::uint32_t stretch = 0;
    float value = 0.0f;
    expect(t, asked, &stretch, &value);
    EXPECT_EQ(params.UpdateForBlock(asked, nullptr), stretch) << "at " << t;
    float got = 0.0f;
    params.GetParam(kGain, &got);
    EXPECT_NEAR(got, value, 1e-4) << "at " << t;
  };
  while (params.StreamTime() < 50 * kMs) step(70);
  params.SetStreamTime(0);  // a seek back finds the first segment again
  step(70);
  params.SetStreamTime(35 * kMs);
  step(10);
  // The segment being played is flushed: what is left ends before t.
  ASSERT_EQ(params.FlushEnvelope(kGain, 30 * kMs, 40 * kMs), kOk);
  EXPECT_EQ(params.UpdateForBlock(70, nullptr), 70u);
  EXPECT_TRUE(params.IsUserControlled(kGain));
}

TEST_F(BlockUpdate, GivingBackAndReseedingMoveTheStreamTime) {
  params.BeginStreaming(48000.0);
  params.UpdateForBlock(960, nullptr);
  EXPECT_EQ(params.StreamTime(), 20 * kMs);
  params.GiveBack(480);
  EXPECT_EQ(params.StreamTime(), 10 * kMs);
  params.SetStreamTime(5 * kMs);
  params.UpdateForBlock(48, nullptr);
  EXPECT_EQ(params.StreamTime(), 6 * kMs);
}

// Stream time follows the samples handed out: at 11025 Hz a 20 ms stretch is
// 220.5 samples, and rounding each stretch must not add up.
TEST_F(BlockUpdate, OddRatesDoNotDrift) {
  params.BeginStreaming(11025.0);
  const EnvelopeSegment ramp = Segment(0, 100000 * kMs, 0.0f, 1.0f, kCurveLinear);
  ASSERT_EQ(params.AddEnvelope(kPan, 1, &ramp), kOk);
  std::uint64_t done = 0;
  for (int i = 0; i < 5000; ++i) done += params.UpdateForBlock(100000, nullptr);
  const double expected = done / 11025.0 * 1e7;
  EXPECT_NEAR(static_cast<double>(params.StreamTime()), expected, 1e7 / 11025.0);
}

// --- curves ---------------------------------------------------------------------

TEST(SegmentCurves, ValueSlopeAndCurvatureOfEveryCurve) {
  const double d = 2.0, D = 6.0, f = 0.25;  // 2 s from 1 to 7, a quarter in
  const std::int64_t t = static_cast<std::int64_t>(f * d * 1e7);
  auto at = [&](std::uint32_t curve) { return EvaluateSegment(Segment(0, 20000000, 1, 7, curve), t); };

  SegmentPoint p = at(kCurveLinear);
  EXPECT_DOUBLE_EQ(p.value, 1 + D * f);
  EXPECT_DOUBLE_EQ(p.slope, D / d);
  EXPECT_EQ(p.curvature, 0.0);

  p = at(kCurveSquare);
  EXPECT_DOUBLE_EQ(p.value, 1 + D * f * f);
  EXPECT_DOUBLE_EQ(p.slope, (2 * f + 1 / d) * D / d);
  EXPECT_DOUBLE_EQ(p.curvature, 2 * D / (d * d));

  p = at(kCurveInvSquare);
  EXPECT_DOUBLE_EQ(p.value, 7 - D * (1 - f) * (1 - f));
  EXPECT_DOUBLE_EQ(p.slope, (2 * (f - 1) + 1 / d) * -D / d);
  EXPECT_DOUBLE_EQ(p.curvature, 2 * -D / (d * d));

  p = at(kCurveSine);
  EXPECT_NEAR(p.value, 1 + D * (1 - std::cos(M_PI * f)) / 2, 1e-12);
  EXPECT_GT(p.slope, 0.0);
  EXPECT_GT(p.curvature, 0.0);  // still speeding up in the first half
  EXPECT_NEAR(EvaluateSegment(Segment(0, 20000000, 1, 7, kCurveSine), 10000000).value, 4.0, 1e-9);

  for (std::uint32_t other : {kCurveJump, 0x40u, 0u}) {
    p = at(other);
    EXPECT_EQ(p.value, 1.0);
    EXPECT_EQ(p.slope, 0.0);
    EXPECT_EQ(p.curvature, 0.0);
  }
}

TEST_F(Fixture, ValuesOutsideTheRangeAreClampedWhenEvaluated) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment wild = Segment(0, 10 * kMs, 90.0f, 90.0f, kCurveJump);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &wild), kOk);
  params.UpdateForBlock(10, nullptr);
  EXPECT_EQ(Value(kGain), 25.0f);
  EXPECT_EQ(params.GetPropInt(kGain), 250);
}

TEST_F(Fixture, JumpSegmentReportsItsChangeOnceThenHolds) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment hold = Segment(0, 100 * kMs, 3.0f, 3.0f, kCurveJump);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &hold), kOk);
  std::uint32_t flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, kTable[kGain].changeMask);
  flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, 0u);
  EXPECT_EQ(Value(kGain), 3.0f);
}

// Every jump and held segment must be felt again on a replay and after a
// seek back: an effect that is not told keeps the value of the last pass.
class Replay : public Fixture {
 protected:
  Replay() {
    // Gain: -12 dB for 50 ms, then +6 dB for 50 ms; the AGC switch on from
    // 20 to 30 ms.
    const EnvelopeSegment gain[] = {Segment(0, 50 * kMs, -12.0f, -12.0f, kCurveJump),
                                    Segment(50 * kMs, 100 * kMs, 6.0f, 6.0f, kCurveJump)};
    const EnvelopeSegment agc = Segment(20 * kMs, 30 * kMs, 1.0f, 0.0f, kCurveJump);
    EXPECT_EQ(params.AddEnvelope(kGain, 2, gain), kOk);
    EXPECT_EQ(params.AddEnvelope(kAgc, 1, &agc), kOk);
  }
  // Streams from the current stream time to `time` and returns the change
  // flags reported on the way.
  std::uint32_t PlayTo(std::int64_t time) {
    std::uint32_t flags = 0;
    while (params.StreamTime() < time) {
      const double left = static_cast<double>(time - params.StreamTime()) / 1e7 * kRate;
      params.UpdateForBlock(static_cast<std::uint32_t>(std::ceil(left)), &flags);
    }
    return flags;
  }
  // The flags of one short stretch at the current stream time.
  std::uint32_t Step() {
    std::uint32_t flags = 0;
    params.UpdateForBlock(10, &flags);
    return flags;
  }
};

TEST_F(Replay, ASecondRunReportsEverySegmentAgain) {
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run == 0 ? "first run" : "second run");
    params.BeginStreaming(kRate);
    EXPECT_EQ(Step(), kTable[kGain].changeMask);
    EXPECT_EQ(Value(kGain), -12.0f);
    EXPECT_EQ(PlayTo(25 * kMs), kTable[kAgc].changeMask);
    EXPECT_EQ(Value(kAgc), 1.0f);
    EXPECT_EQ(PlayTo(55 * kMs), kTable[kGain].changeMask | kTable[kAgc].changeMask);
    EXPECT_EQ(Value(kAgc), 0.0f);
    EXPECT_EQ(Value(kGain), 6.0f);
    PlayTo(120 * kMs);
    params.ResetForStop();
  }
}

TEST_F(Replay, ASeekBackReportsTheSegmentItLandsIn) {
  params.BeginStreaming(kRate);
  PlayTo(60 * kMs);
  ASSERT_EQ(Value(kGain), 6.0f);
  params.SetStreamTime(10 * kMs);
  EXPECT_EQ(Step(), kTable[kGain].changeMask);
  EXPECT_EQ(Value(kGain), -12.0f);
  EXPECT_EQ(PlayTo(25 * kMs), kTable[kAgc].changeMask);
  EXPECT_EQ(Value(kAgc), 1.0f);
}

TEST_F(Replay, AValueMovedUnderAHeldSegmentIsPutBackAndReported) {
  params.BeginStreaming(kRate);
  PlayTo(10 * kMs);
  ASSERT_EQ(Step(), 0u);
  params.SetPropInt(kGain, 30);  // a whole-record set while streaming
  EXPECT_EQ(Value(kGain), 3.0f);
  EXPECT_EQ(Step(), kTable[kGain].changeMask);
  EXPECT_EQ(Value(kGain), -12.0f);
}

// --- envelopes --------------------------------------------------------------------

using Envelopes = Fixture;

TEST_F(Envelopes, SegmentsAreKeptInStartOrderAndOverlapsReplaced) {
  const EnvelopeSegment batch[] = {Segment(300, 400, 3, 3, kCurveJump),
                                   Segment(100, 200, 1, 1, kCurveJump),
                                   Segment(200, 300, 2, 2, kCurveJump)};
  ASSERT_EQ(params.AddEnvelope(kGain, 3, batch), kOk);
  std::vector<EnvelopeSegment> env = Envelope(kGain);
  ASSERT_EQ(env.size(), 3u);
  EXPECT_EQ(env[0].start, 100);
  EXPECT_EQ(env[1].start, 200);
  EXPECT_EQ(env[2].start, 300);

  // Touching 150..250 overlaps the first two: both go, whole.
  const EnvelopeSegment across = Segment(150, 250, 9, 9, kCurveLinear);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &across), kOk);
  env = Envelope(kGain);
  ASSERT_EQ(env.size(), 2u);
  EXPECT_EQ(env[0].start, 150);
  EXPECT_EQ(env[0].startValue, 9.0f);
  EXPECT_EQ(env[1].start, 300);

  // Within one call a later segment wins over an earlier one it overlaps.
  const EnvelopeSegment clash[] = {Segment(500, 700, 1, 1, kCurveJump),
                                   Segment(600, 800, 2, 2, kCurveJump)};
  ASSERT_EQ(params.AddEnvelope(kGain, 2, clash), kOk);
  env = Envelope(kGain);
  ASSERT_EQ(env.size(), 3u);
  EXPECT_EQ(env[2].start, 600);
  for (std::size_t i = 1; i < env.size(); ++i) EXPECT_LE(env[i - 1].end, env[i].start);
}

TEST_F(Envelopes, GrowWithoutLimitAndStayOrdered) {
  // Added back to front, one per call, so every insertion lands at the head.
  for (int i = 2999; i >= 0; --i) {
    const EnvelopeSegment s = Segment(i * 10, i * 10 + 10, float(i), float(i), kCurveJump);
    ASSERT_EQ(params.AddEnvelope(kRelease, 1, &s), kOk);
  }
  const std::vector<EnvelopeSegment> env = Envelope(kRelease);
  ASSERT_EQ(env.size(), 3000u);
  for (std::size_t i = 0; i < env.size(); ++i) ASSERT_EQ(env[i].start, std::int64_t(i) * 10);
}

TEST_F(Envelopes, BadCallsAreRefusedAndChangeNothing) {
  const EnvelopeSegment good = Segment(0, 10, 1, 1, kCurveJump);
  EXPECT_EQ(params.AddEnvelope(kGain, 1, nullptr), kPointer);
  EXPECT_EQ(params.AddEnvelope(6, 1, &good), kInvalidArg);
  EXPECT_EQ(params.AddEnvelope(kGain, 0, &good), kInvalidArg);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const EnvelopeSegment poisoned[][3] = {
      {good, Segment(20, 30, nan, 1, kCurveLinear), Segment(40, 50, 1, 1, kCurveJump)},
      {good, Segment(20, 30, 1, inf, kCurveLinear), Segment(40, 50, 1, 1, kCurveJump)},
      {good, Segment(20, 30, 1, 1, kCurveLinear), Segment(40, 50, -inf, 1, kCurveJump)},
      {good, Segment(30, 20, 1, 1, kCurveLinear), Segment(40, 50, 1, 1, kCurveJump)},
  };
  for (const auto& batch : poisoned) EXPECT_EQ(params.AddEnvelope(kGain, 3, batch), kInvalidArg);
  EXPECT_EQ(params.SegmentCount(kGain), 0u);

  // An empty span is accepted but never stored.
  const EnvelopeSegment empty = Segment(5, 5, 1, 1, kCurveJump);
  EXPECT_EQ(params.AddEnvelope(kGain, 1, &empty), kOk);
  EXPECT_EQ(params.SegmentCount(kGain), 0u);
}

TEST_F(Envelopes, FlushRemovesWhatOverlapsTheRange) {
  const EnvelopeSegment batch[] = {Segment(0, 100, 0, 0, kCurveJump),
                                   Segment(100, 200, 1, 1, kCurveJump),
                                   Segment(200, 300, 2, 2, kCurveJump),
                                   Segment(300, 400, 3, 3, kCurveJump)};
  ASSERT_EQ(params.AddEnvelope(kGain, 4, batch), kOk);
  // 100..300: the segment ending at 100 and the one starting at 300 stay.
  EXPECT_EQ(params.FlushEnvelope(kGain, 100, 300), kOk);
  std::vector<EnvelopeSegment> env = Envelope(kGain);
  ASSERT_EQ(env.size(), 2u);
  EXPECT_EQ(env[0].start, 0);
  EXPECT_EQ(env[1].start, 300);
  // A range that clips a segment removes it whole.
  EXPECT_EQ(params.FlushEnvelope(kGain, 350, 360), kOk);
  env = Envelope(kGain);
  ASSERT_EQ(env.size(), 1u);
  EXPECT_EQ(env[0].start, 0);
  EXPECT_EQ(params.FlushEnvelope(6, 0, 1000), kInvalidArg);
  EXPECT_EQ(params.SegmentCount(kGain), 1u);
}

TEST_F(Envelopes, FlushingEverythingEmptiesAllAndReportsOnce) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment ramp = Segment(0, 1000 * kMs, 0.0f, 20.0f, kCurveLinear);
  const EnvelopeSegment curve = Segment(0, 1000 * kMs, 0.0f, 400.0f, kCurveSquare);
  const EnvelopeSegment later = Segment(5000 * kMs, 6000 * kMs, 1, 1, kCurveJump);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &ramp), kOk);
  ASSERT_EQ(params.AddEnvelope(kAttack, 1, &curve), kOk);
  ASSERT_EQ(params.AddEnvelope(kAgc, 1, &later), kOk);
  params.UpdateForBlock(Samples(0.020), nullptr);
  params.UpdateForBlock(Samples(0.020), nullptr);
  const float gainBefore = Value(kGain);

  EXPECT_EQ(params.FlushEnvelope(kAllParameters, 0, 10000 * kMs), kOk);
  for (std::uint32_t i = 0; i < params.ParamCount(); ++i) EXPECT_EQ(params.SegmentCount(i), 0u);

  std::uint32_t flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, kTable[kGain].changeMask | kTable[kAttack].changeMask);
  EXPECT_EQ(Value(kGain), gainBefore);
  EXPECT_TRUE(params.IsUserControlled(kGain));
  flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, 0u);
}

// --- host values ---------------------------------------------------------------------

using HostValues = Fixture;

TEST_F(HostValues, SetParamChecksRangeAndReportsEquality) {
  EXPECT_EQ(Value(kRelease), 2500.0f);  // neutral
  EXPECT_EQ(params.SetParam(kGain, 3.5f), kOk);
  EXPECT_EQ(params.SetParam(kGain, 3.5f), kFalse);
  EXPECT_EQ(params.SetParam(kGain, 25.5f), kInvalidArg);
  EXPECT_EQ(params.SetParam(kGain, -25.01f), kInvalidArg);
  EXPECT_EQ(params.SetParam(kGain, std::numeric_limits<float>::quiet_NaN()), kInvalidArg);
  EXPECT_EQ(params.SetParam(kGain, std::numeric_limits<float>::infinity()), kInvalidArg);
  EXPECT_EQ(params.SetParam(kGain, -std::numeric_limits<float>::infinity()), kInvalidArg);
  EXPECT_EQ(params.SetParam(6, 0.0f), kInvalidArg);
  EXPECT_EQ(params.GetParam(6, nullptr), kPointer);
  float v = 0;
  EXPECT_EQ(params.GetParam(6, &v), kInvalidArg);
  EXPECT_EQ(Value(kGain), 3.5f);
  EXPECT_TRUE(recorder.calls.empty());  // the host's own sets are not echoed
}

TEST_F(HostValues, InsideASegmentWhileStreamingTheEnvelopeWins) {
  const EnvelopeSegment hold = Segment(0, 100 * kMs, 5.0f, 5.0f, kCurveJump);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &hold), kOk);
  params.BeginStreaming(kRate);
  params.UpdateForBlock(Samples(0.010), nullptr);
  EXPECT_EQ(params.SetParam(kGain, -7.0f), kFalse);
  EXPECT_EQ(Value(kGain), 5.0f);
  EXPECT_EQ(params.SetParam(kAttack, 7.0f), kOk);  // no envelope there

  params.ResetForStop();
  EXPECT_TRUE(params.IsUserControlled(kGain));
  EXPECT_EQ(params.SetParam(kGain, -7.0f), kOk);
  EXPECT_EQ(Value(kGain), -7.0f);
}

TEST_F(HostValues, NormalizedValuesMapTheRange) {
  float n = -1;
  ASSERT_EQ(params.SetParam(kGain, 12.5f), kOk);
  EXPECT_EQ(params.GetNormalizedValue(kGain, &n), kOk);
  EXPECT_FLOAT_EQ(n, 0.75f);
  EXPECT_EQ(params.SetNormalizedValue(kRelease, 0.1f), kOk);
  EXPECT_FLOAT_EQ(Value(kRelease), 500.0f);
  EXPECT_EQ(params.SetNormalizedValue(kRelease, 0.1f), kFalse);
  EXPECT_EQ(params.SetNormalizedValue(kRelease, std::numeric_limits<float>::quiet_NaN()),
            kInvalidArg);
  EXPECT_EQ(params.GetNormalizedValue(kGain, nullptr), kPointer);
  // Reported without a capture bracket.
  ASSERT_EQ(recorder.calls.size(), 1u);
  EXPECT_EQ(recorder.calls[0], (Call{'c', kRelease, 500.0f}));
}

// --- property bridge --------------------------------------------------------------------

using Bridge = Fixture;

TEST_F(Bridge, PropertiesScaleAndRoundHalfAwayFromZero) {
  EXPECT_EQ(params.SetPropInt(kGain, 7), 0);
  EXPECT_FLOAT_EQ(Value(kGain), 0.7f);
  EXPECT_EQ(params.GetPropInt(kGain), 7);
  EXPECT_EQ(params.SetPropInt(kGain, 7), 1);

  struct Case {
    float value;
    std::int32_t prop;
  };
  // 0.25 dB and 0.05 dB are exact halves of the property's tenths.
  for (const Case c : {Case{0.25f, 3}, Case{-0.25f, -3}, Case{0.05f, 1}, Case{-0.05f, -1},
                       Case{0.24f, 2}, Case{-0.24f, -2}, Case{0.0f, 0}, Case{-25.0f, -250}}) {
    ASSERT_NE(params.SetParam(kGain, c.value), kInvalidArg);
    EXPECT_EQ(params.GetPropInt(kGain), c.prop) << c.value;
  }
  ASSERT_EQ(params.SetParam(kAttack, 12.34f), kOk);
  EXPECT_EQ(params.GetPropInt(kAttack), 123);

  // Out-of-range properties clamp to the parameter's range.
  EXPECT_EQ(params.SetPropInt(kRelease, 90000), 0);
  EXPECT_EQ(Value(kRelease), 5000.0f);
  EXPECT_EQ(params.SetPropInt(kSync, -3), 0);
  EXPECT_EQ(Value(kSync), 0.0f);

  // Float properties are scaled, not rounded.
  const float pan = 37.5f;
  EXPECT_EQ(params.SetPropValue(kPan, &pan), 0);
  EXPECT_FLOAT_EQ(Value(kPan), 0.375f);
  float back = 0;
  params.GetPropValue(kPan, &back);
  EXPECT_FLOAT_EQ(back, 37.5f);
}

TEST_F(Bridge, WholeRecordGoesThroughTheOffsets) {
  Record in = {-123, 40, 12345, 1, 0, -50.0f};
  params.SetAllProps(&in, sizeof in);
  EXPECT_FLOAT_EQ(Value(kGain), -12.3f);
  EXPECT_FLOAT_EQ(Value(kAttack), 4.0f);
  EXPECT_FLOAT_EQ(Value(kRelease), 1234.5f);
  EXPECT_EQ(Value(kAgc), 1.0f);
  EXPECT_EQ(Value(kSync), 0.0f);
  EXPECT_FLOAT_EQ(Value(kPan), -0.5f);
  Record out = {};
  params.GetAllProps(&out, sizeof out);
  EXPECT_EQ(out.gain, in.gain);
  EXPECT_EQ(out.attack, in.attack);
  EXPECT_EQ(out.release, in.release);
  EXPECT_EQ(out.agc, in.agc);
  EXPECT_EQ(out.sync, in.sync);
  EXPECT_FLOAT_EQ(out.pan, in.pan);

  // A record too short for a field leaves that field alone.
  std::int32_t shortRecord[2] = {77, 77};
  params.GetAllProps(shortRecord, sizeof shortRecord);
  EXPECT_EQ(shortRecord[0], -123);
  EXPECT_EQ(shortRecord[1], 40);
}

// --- reports to the host ------------------------------------------------------------------

using Reports = Fixture;

TEST_F(Reports, PropertyChangesAreBracketedUnlessCaptured) {
  params.SetPropInt(kGain, 10);
  EXPECT_EQ(recorder.calls,
            (std::vector<Call>{{'b', kGain, 0}, {'c', kGain, 1.0f}, {'e', kGain, 0}}));
  recorder.calls.clear();

  params.SetPropInt(kGain, 10);  // unchanged: silent
  EXPECT_TRUE(recorder.calls.empty());

  EXPECT_EQ(params.BeginCapture(kGain), 0);
  EXPECT_EQ(params.BeginCapture(kGain), 1);
  params.SetPropInt(kGain, 20);
  params.SetPropInt(kGain, 30);
  EXPECT_EQ(params.EndCapture(kGain), 0);
  EXPECT_EQ(params.EndCapture(kGain), 1);
  EXPECT_EQ(recorder.calls, (std::vector<Call>{{'b', kGain, 0},
                                               {'c', kGain, 2.0f},
                                               {'c', kGain, 3.0f},
                                               {'e', kGain, 0}}));
}

TEST_F(Reports, NotifyOffSilencesOneParameterAndEndsItsCapture) {
  params.BeginCapture(kAttack);
  recorder.calls.clear();
  EXPECT_EQ(params.SetNotify(kAttack, false), kOk);
  EXPECT_EQ(recorder.calls, (std::vector<Call>{{'e', kAttack, 0}}));
  EXPECT_EQ(params.SetNotify(kAttack, false), kFalse);
  recorder.calls.clear();
  params.SetPropInt(kAttack, 100);
  params.BeginCapture(kAttack);
  params.EndCapture(kAttack);
  params.SetPropInt(kRelease, 100);  // others still report
  EXPECT_EQ(recorder.calls, (std::vector<Call>{{'b', kRelease, 0},
                                               {'c', kRelease, 10.0f},
                                               {'e', kRelease, 0}}));
  EXPECT_EQ(params.SetNotify(kAllParameters, true), kFalse);  // last one was already on
  EXPECT_EQ(params.SetNotify(7, true), kInvalidArg);
  recorder.calls.clear();
  params.SetPropInt(kAttack, 200);
  EXPECT_EQ(recorder.calls.size(), 3u);
}

TEST_F(Reports, WholeRecordIsOneBracketPerParameter) {
  Record in = {15, 10, 25000, 0, 1, 0.0f};  // only gain and attack differ
  params.SetAllProps(&in, sizeof in);
  std::vector<Call> expected;
  for (std::uint32_t i = 0; i < 6; ++i) expected.push_back({'b', i, 0});
  expected.push_back({'c', kAttack, 1.0f});
  expected.push_back({'c', kGain, 1.5f});
  for (std::uint32_t i = 0; i < 6; ++i) expected.push_back({'e', i, 0});
  EXPECT_EQ(recorder.calls, expected);
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(params.BeginCapture(i), 0) << "left captured";
}

TEST_F(Reports, EndCaptureOutsideAnySegmentIsReportedByTheNextUpdateOnce) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment elsewhere = Segment(1000 * kMs, 2000 * kMs, 1, 2, kCurveLinear);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &elsewhere), kOk);
  params.BeginCapture(kRelease);
  params.SetPropInt(kRelease, 777);
  params.EndCapture(kRelease);
  std::uint32_t flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, kTable[kRelease].changeMask);
  flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, 0u);

  // The same with no envelope anywhere.
  AutomationParams bare(kTable, 6);
  bare.BeginStreaming(kRate);
  bare.BeginCapture(kAgc);
  bare.EndCapture(kAgc);
  flags = 0;
  bare.UpdateForBlock(100, &flags);
  EXPECT_EQ(flags, kTable[kAgc].changeMask);
  flags = 0;
  bare.UpdateForBlock(100, &flags);
  EXPECT_EQ(flags, 0u);
}

TEST_F(Reports, CapturedParametersIgnoreTheirEnvelope) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment hold = Segment(0, 1000 * kMs, 9.0f, 9.0f, kCurveJump);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &hold), kOk);
  params.BeginCapture(kGain);
  params.SetPropInt(kGain, -40);
  std::uint32_t flags = 0;
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, 0u);
  EXPECT_FLOAT_EQ(Value(kGain), -4.0f);
  params.EndCapture(kGain);
  params.UpdateForBlock(Samples(0.020), &flags);
  EXPECT_EQ(flags, kTable[kGain].changeMask);
  EXPECT_EQ(Value(kGain), 9.0f);
}

TEST_F(Reports, CapturingAParameterInForceGivesItToTheUserUntilReleased) {
  params.BeginStreaming(kRate);
  const EnvelopeSegment hold = Segment(0, 1000 * kMs, 9.0f, 9.0f, kCurveJump);
  ASSERT_EQ(params.AddEnvelope(kGain, 1, &hold), kOk);
  params.UpdateForBlock(Samples(0.020), nullptr);
  ASSERT_FALSE(params.IsUserControlled(kGain));

  params.BeginCapture(kGain);
  params.UpdateForBlock(Samples(0.020), nullptr);
  EXPECT_TRUE(params.IsUserControlled(kGain));
  EXPECT_EQ(params.SetParam(kGain, -3.0f), kOk) << "no envelope holds it while captured";

  params.EndCapture(kGain);
  params.UpdateForBlock(Samples(0.020), nullptr);
  EXPECT_FALSE(params.IsUserControlled(kGain));
  EXPECT_EQ(Value(kGain), 9.0f);
}

}  // namespace
}  // namespace orlofx

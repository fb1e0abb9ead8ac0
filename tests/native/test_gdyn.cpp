// Graphic Dynamics: the transfer curve (gain table, bend point, threshold and
// ratio), the settings and their clamping, presets, both record sizes, and
// the notifications of the settings side.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "effects/gdyn/gdyn_transform.h"
#include "framework/notifier.h"
#include "support/native/native_windows.h"

namespace orlofx {
namespace {

double Db(double tenths) { return std::pow(10.0, tenths / 200.0); }

std::vector<GdynPoint> Points(std::initializer_list<GdynPoint> p) { return {p}; }

std::vector<double> Table(const std::vector<GdynPoint>& p, bool autoGain = false) {
  std::vector<double> t(kGdynTableSize);
  GdynGainTable(p.data(), static_cast<int>(p.size()), autoGain, t.data());
  return t;
}

std::vector<double> PresetTable(int preset, bool autoGain) {
  const AkGdynProps& p = kGdynPresets[preset].body;
  return Table(std::vector<GdynPoint>(p.points, p.points + p.pointCount), autoGain);
}

// A processor as a filter builds it: preset 0 applied.
struct Dyn {
  Dyn() { fx.ApplyPreset(0); }
  CAkGdynTransform fx;
  AkGdynProps Get() const {
    AkGdynProps p{};
    fx.GetAllSettings(&p);
    return p;
  }
};

// --- gain table ---------------------------------------------------------------

TEST(GdynCurve, DefaultCurveIsUnityFromFullScaleDownToSilence) {
  const std::vector<double> t = PresetTable(0, false);
  for (int k = 0; k < kGdynTableSize; ++k) EXPECT_NEAR(t[k], 1.0, 1e-12) << k;
  EXPECT_EQ(t[840], 1.0);  // silence keeps unity
}

TEST(GdynCurve, HardNoiseGateMutesFromMinus35Point2AndPassesFromMinus35) {
  const std::vector<double> t = PresetTable(3, false);
  for (int k = 352; k <= 840; ++k) EXPECT_EQ(t[k], 0.0) << k;
  // -84 dB out for -35.1 dB in: a gain of -48.9 dB.
  EXPECT_NEAR(t[351], std::pow(10.0, -48.9 / 20.0), 1e-12);
  for (int k = 0; k <= 350; ++k) EXPECT_NEAR(t[k], 1.0, 1e-12) << k;
}

TEST(GdynCurve, LimiterTableHoldsTheOutputAtMinus6Db) {
  const std::vector<double> t = PresetTable(4, false);
  EXPECT_NEAR(t[0], std::pow(10.0, -6.0 / 20.0), 1e-12);
  EXPECT_NEAR(t[30], std::pow(10.0, -3.0 / 20.0), 1e-12);
  EXPECT_NEAR(t[60], 1.0, 1e-12);
  EXPECT_NEAR(t[500], 1.0, 1e-12);
  // Everything above -6 dB comes out at -6 dB.
  for (int k = 0; k <= 60; ++k) EXPECT_NEAR(20.0 * std::log10(t[k]) - k / 10.0, -6.0, 1e-9) << k;
}

TEST(GdynCurve, AutoGainRaisesACurveToppingAtMinus12DbBy12Db) {
  const std::vector<double> plain = PresetTable(6, false);
  const std::vector<double> raised = PresetTable(6, true);
  for (int k = 0; k < kGdynTableSize; ++k)
    EXPECT_NEAR(raised[k] / plain[k], std::pow(10.0, 12.0 / 20.0), 1e-9) << k;
  EXPECT_NEAR(raised[0], 1.0, 1e-12);  // the top reaches 0 dB

  // A curve that already reaches 0 dB is left alone.
  const std::vector<double> gate = PresetTable(3, false);
  EXPECT_EQ(PresetTable(3, true), gate);
}

TEST(GdynCurve, AutoGainLeavesMutedStretchesMuted) {
  // Compressor/Gate: mute below -61.4 dB, top output -11.9 dB.
  const std::vector<double> plain = PresetTable(2, false);
  const std::vector<double> raised = PresetTable(2, true);
  EXPECT_NEAR(raised[614] / plain[614], Db(119), 1e-9);
  for (int k = 615; k <= 840; ++k) EXPECT_EQ(raised[k], 0.0) << k;
  EXPECT_NEAR(raised[150] / plain[150], Db(119), 1e-9);
}

TEST(GdynCurve, FirstSegmentFromTheFloorIsAGateOnlyBelowMinus20DbOfGain) {
  // At x1 the gain is -30 dB: the floor end mutes, the rest interpolates
  // from the mute level.
  std::vector<double> gateDb(kGdynTableSize);
  const auto steep = Points({{-840, -840}, {-500, -800}, {0, 0}});
  GdynGainTableDb(steep.data(), 3, gateDb.data());
  EXPECT_EQ(gateDb[840], -840.0);
  EXPECT_NEAR(gateDb[670], -840.0 + (170.0 / 340.0) * 540.0, 1e-9);
  EXPECT_EQ(Table(steep)[840], 0.0);

  // At x1 the gain is -15 dB: the floor end keeps its own gain (0 dB).
  const auto gentle = Points({{-840, -840}, {-500, -650}, {0, 0}});
  const std::vector<double> t = Table(gentle);
  EXPECT_NEAR(t[840], 1.0, 1e-12);
  EXPECT_NEAR(t[670], Db(-75), 1e-12);  // halfway from 0 to -15 dB
}

TEST(GdynCurve, PointsOutOfOrderStillGiveAFiniteTable) {
  // Pairs are taken in the stored order; a pair running backwards fills the
  // same entries as the forward one.
  const std::vector<double> t = Table(Points({{0, -60}, {-840, -840}, {-60, -60}}));
  for (int k = 0; k < kGdynTableSize; ++k) EXPECT_TRUE(std::isfinite(t[k])) << k;
  EXPECT_NEAR(t[0], Db(-60), 1e-12);
  EXPECT_NEAR(t[60], 1.0, 1e-12);
}

TEST(GdynCurve, LevelsBetweenEntriesInterpolateAndOutsideClamp) {
  const std::vector<double> t = PresetTable(4, false);
  EXPECT_NEAR(GdynTableGain(t.data(), -30.0), t[30], 1e-15);
  EXPECT_NEAR(GdynTableGain(t.data(), -30.25), 0.75 * t[30] + 0.25 * t[31], 1e-12);
  EXPECT_EQ(GdynTableGain(t.data(), -840.0), t[840]);
  EXPECT_EQ(GdynTableGain(t.data(), -2000.0), t[840]);
  EXPECT_EQ(GdynTableGain(t.data(), 35.0), t[0]);
}

// --- bend point, threshold, ratio ----------------------------------------------

TEST(GdynCurve, BendPointIsTheKneeOfCompressorsLimitersAndExpanders) {
  auto bend = [](std::vector<GdynPoint> p) {
    return GdynBendPoint(p.data(), static_cast<int>(p.size()));
  };
  EXPECT_EQ(bend(Points({{-840, -840}, {-240, -240}, {0, 0}})), -240);  // no knee: second-last
  EXPECT_EQ(bend(Points({{-840, -840}, {-60, -60}, {0, -60}})), -60);  // limiter
  // Soft knee: -110 is flatter on both sides; -240 has an expander below it.
  const AkGdynProps& knee = kGdynPresets[9].body;
  EXPECT_EQ(GdynBendPoint(knee.points, knee.pointCount), -240);
  const AkGdynProps& soft = kGdynPresets[10].body;
  EXPECT_EQ(GdynBendPoint(soft.points, soft.pointCount), -338);
  // Two knees: the upper one does not qualify (0.5 to 0.25), the lower one does.
  EXPECT_EQ(bend(Points({{-840, -840}, {-400, -400}, {-200, -300}, {0, -250}})), -400);
  // The order the points are stored in does not matter.
  EXPECT_EQ(bend(Points({{0, -250}, {-200, -300}, {-840, -840}, {-400, -400}})), -400);
  // A vertical step (two points at one input level) does not break it.
  EXPECT_EQ(bend(Points({{-840, -840}, {-300, -840}, {-300, -300}, {0, -100}})), -300);
}

TEST(GdynCurve, RatioRoundsToTheNearestTenthAndIsClamped) {
  auto ratio = [](std::vector<GdynPoint> p) {
    return GdynCurveRatio(p.data(), static_cast<int>(p.size()));
  };
  EXPECT_EQ(ratio(Points({{-840, -840}, {-200, -200}, {0, -170}})), 67);  // 6.67:1
  EXPECT_EQ(ratio(Points({{-840, -840}, {-200, -200}, {0, -120}})), 25);  // 2.5:1 exactly
  EXPECT_EQ(ratio(Points({{-840, -840}, {-400, -400}, {-100, 0}})), 8);   // steeper than 1:1
  EXPECT_EQ(ratio(Points({{-840, -840}, {-200, -200}, {0, -250}})), 500);  // falling: limiter
  EXPECT_EQ(ratio(Points({{-840, -840}, {-800, -800}, {0, -799}})), 500);  // 800:1
  EXPECT_EQ(ratio(Points({{-840, -840}, {-20, -20}, {0, -19}})), 201);     // a fall of 0.1 dB
  // No inner point near unity: the second-last point is the threshold.
  EXPECT_EQ(ratio(Points({{-840, -840}, {-300, -500}, {0, -400}})), 30);
}

// --- settings -------------------------------------------------------------------

TEST(GdynSettings, EditBracketsMarkChangedAndEditabilityFollowsAutomation) {
  Dyn d;
  MemoryRecordStream sink;
  d.fx.SaveRecord(sink, true);
  EXPECT_EQ(d.fx.BeginParamEdit(kGdynParamRelease), kOk);
  EXPECT_FALSE(d.fx.IsDirty());
  EXPECT_EQ(d.fx.EndParamEdit(kGdynParamRelease), kOk);
  EXPECT_TRUE(d.fx.IsDirty());
  EXPECT_EQ(d.fx.IsParamEditable(kGdynParamRelease), kOk);
  EXPECT_EQ(d.fx.BeginParamEdit(9), kInvalidArg);
}

TEST(GdynSettings, PointsCountThresholdAndRatioSetters) {
  Dyn d;
  const GdynPoint two[] = {{-840, -840}, {-100, -200}};
  ASSERT_EQ(d.fx.SetPoints(two, 2), kOk);
  GdynPoint got[kGdynMaxPoints];
  std::int32_t count = 0;
  ASSERT_EQ(d.fx.GetPoints(got, &count), kOk);
  EXPECT_EQ(count, 3);  // at least three points
  EXPECT_EQ(got[1].x, -100);
  EXPECT_EQ(got[2].x, 0);  // the third place kept its point

  GdynPoint many[20];
  for (int i = 0; i < 20; ++i) many[i] = {-840 + 40 * i, -840 + 40 * i};
  d.fx.SetPoints(many, 20);
  d.fx.GetPoints(got, &count);
  EXPECT_EQ(count, 16);
  EXPECT_EQ(got[15].x, -240);

  d.fx.SetPointCount(2);
  d.fx.GetPointCount(&count);
  EXPECT_EQ(count, 3);
  d.fx.SetPointCount(99);
  d.fx.GetPointCount(&count);
  EXPECT_EQ(count, 16);

  // Stored threshold and ratio are clamped but what is read is the curve's.
  MemoryRecordStream sink;
  d.fx.SaveRecord(sink, true);
  const AkGdynProps before = d.Get();
  d.fx.SetThreshold(5);
  d.fx.SetRatio(1);
  EXPECT_TRUE(d.fx.IsDirty());
  std::int32_t threshold, ratio;
  d.fx.GetCurveThreshold(&threshold);
  d.fx.GetCurveRatio(&ratio);
  EXPECT_EQ(threshold, before.threshold);
  EXPECT_EQ(ratio, before.ratio);
  d.fx.SaveRecord(sink, true);
  d.fx.SetThreshold(-1);  // 5 was stored as -1: no change
  d.fx.SetRatio(10);      // 1 was stored as 10
  EXPECT_FALSE(d.fx.IsDirty());
  EXPECT_EQ(d.fx.GetPoints(nullptr, &count), kPointer);
}

// --- presets, records, notifications ----------------------------------------------

class GdynNotifications : public ::testing::Test {
 protected:
  void SetUp() override { native::TakePostedCommands(); }
  void TearDown() override {
    for (WindowHandle w : windows_) native::DestroyWindowStub(w);
    native::TakePostedCommands();
  }
  WindowHandle NewWindow() {
    windows_.push_back(native::CreateWindowStub());
    return windows_.back();
  }
  std::vector<std::uint16_t> Codes() {
    std::vector<std::uint16_t> codes;
    for (const native::PostedCommand& c : native::TakePostedCommands()) codes.push_back(c.code);
    return codes;
  }
  std::vector<WindowHandle> windows_;
};

TEST_F(GdynNotifications, HostSetParamPostsCode0AndStreamingPosts101And102) {
  Dyn d;
  d.fx.SetNotifyWindow(NewWindow(), 32700);
  MemoryRecordStream sink;
  d.fx.SaveRecord(sink, true);
  EXPECT_EQ(d.fx.SetParam(kGdynParamRelease, 100.0f), kOk);
  EXPECT_EQ(Codes(), std::vector<std::uint16_t>{kNotifyAutomationSet});
  EXPECT_TRUE(d.fx.IsDirty());
  EXPECT_EQ(d.fx.SetParam(kGdynParamRelease, 100.0f), kFalse);
  EXPECT_TRUE(Codes().empty());
  // The property setters do not notify: the page that called them knows.
  d.fx.SetParamProp(kGdynParamRelease, 7);
  EXPECT_TRUE(Codes().empty());

  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 2, 44100);
  ASSERT_EQ(d.fx.Prepare(f, f), kOk);
  EXPECT_EQ(Codes(), std::vector<std::uint16_t>{kNotifyStreamingStarted});
  d.fx.Release();
  d.fx.Release();  // a second stop has nothing to report
  EXPECT_EQ(Codes(), std::vector<std::uint16_t>{kNotifyStreamingStopped});
}

}  // namespace
}  // namespace orlofx

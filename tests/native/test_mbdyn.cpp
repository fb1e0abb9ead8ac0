// Multi-Band Dynamics: the band engine (gain computation, solo, bypass,
// stereo sync, rebuilds, meters, what the presets do to tones), then the
// processor: the one-block lag, bypass, the static response, page words,
// meters and capture threshold, and automation acting on the block it names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "effects/mbdyn/mbdyn_bands.h"
#include "effects/mbdyn/mbdyn_params.h"
#include "effects/mbdyn/mbdyn_transform.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx {
namespace {

using mbdyn::MbdynBands;
using mbdyn::Section;

constexpr double kRate = 44100.0;
constexpr std::size_t kBlock = 882;  // 20 ms at 44.1 kHz

MbdynParams Preset(int index) { return ClampMbdynParams(kMbdynPresets[index].body); }

// One band active (band 0), everything else bypassed.
MbdynParams OneBand(std::int32_t type, std::int32_t center, std::int32_t threshold,
                    std::int32_t amount) {
  MbdynParams p = Preset(0);
  for (int b = 0; b < kMbdynBands; ++b) p.bandBypass[b] = 1;
  p.bandBypass[0] = 0;
  p.type[0] = type;
  p.center[0] = center;
  p.threshold[0] = threshold;
  p.amount[0] = amount;
  return ClampMbdynParams(p);
}

std::vector<double> Tone(double hz, double db, double seconds) {
  std::vector<double> x(static_cast<std::size_t>(std::lround(seconds * kRate)));
  double a = std::pow(10.0, db / 20.0);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = a * std::sin(2.0 * M_PI * hz * i / kRate);
  return x;
}

// Runs channels (same length) through the bands in 20 ms blocks.
template <typename T>
void RunBlocks(MbdynBands& bands, std::vector<std::vector<T>>& channels) {
  std::size_t frames = channels[0].size();
  for (std::size_t at = 0; at < frames; at += kBlock) {
    T* x[2] = {nullptr, nullptr};
    for (std::size_t c = 0; c < channels.size() && c < 2; ++c) x[c] = channels[c].data() + at;
    bands.ProcessBlock(x, std::min(kBlock, frames - at));
  }
}

std::vector<double> Through(const MbdynParams& p, std::vector<double> x) {
  MbdynBands bands;
  EXPECT_EQ(bands.Allocate(kBlock, 1), kOk);
  bands.Build(p, kRate, true);
  std::vector<std::vector<double>> channels{std::move(x)};
  RunBlocks(bands, channels);
  return channels[0];
}

double Rms(const std::vector<double>& s, std::size_t from, std::size_t to) {
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i) sum += s[i] * s[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

// Level of the second half, in dB (the first half lets the gains settle).
double TailDb(const std::vector<double>& x) { return 20.0 * std::log10(Rms(x, x.size() / 2, x.size())); }

double ChangeDb(const MbdynParams& p, double hz, double db) {
  std::vector<double> in = Tone(hz, db, 1.0);
  return TailDb(Through(p, in)) - TailDb(in);
}

// What settings and presets do to one-second tones (second half measured):
// they act where their names say, above their thresholds, and leave the
// rest alone: a change below `below` dB, or (`below` 0) within 0.1 dB of none.
struct ToneCase {
  const char* what;
  MbdynParams p;
  double hz, db, below;
};

TEST(MbdynDynamics, EachSettingActsOnlyWhereItShould) {
  const ToneCase cases[] = {
      {"1:1", OneBand(kMbdynBandNotch, 1000, -600, 10), 1000, -1, 0},
      {"50:1 in the band", OneBand(kMbdynBandNotch, 1000, -300, 500), 1000, -6, -20},
      {"50:1 far away", OneBand(kMbdynBandNotch, 1000, -300, 500), 100, -6, 0},
      {"DTMF", Preset(2), 1336, -6, -10},
      {"DTMF elsewhere", Preset(2), 200, -6, 0},
      {"DTMF below its threshold", Preset(2), 1336, -26, 0},
      {"de-esser", Preset(4), 5000, -6, -10},
      {"plosives", Preset(3), 100, -6, -6},
      {"plosives elsewhere", Preset(3), 1000, -6, 0},
  };
  for (const ToneCase& c : cases) {
    const double change = ChangeDb(c.p, c.hz, c.db);
    EXPECT_TRUE(c.below == 0 ? std::fabs(change) < 0.1 : change < c.below) << c.what << ": " << change << " dB";
  }
  // At 1:1 not a sample differs.
  const std::vector<double> in = Tone(1000.0, -1.0, 0.5);
  EXPECT_EQ(Through(cases[0].p, in), in);
}

TEST(MbdynBandsRules, SoloAndBypass) {
  MbdynParams p = Preset(2);  // four active bands
  p.solo[1] = 1;
  MbdynBands bands;
  ASSERT_EQ(bands.Allocate(kBlock, 2), kOk);
  bands.Build(ClampMbdynParams(p), kRate, true);
  for (int b = 0; b < kMbdynBands; ++b) EXPECT_EQ(bands.BandOf(0, b).active, b == 1) << b;
  // A bypassed band stays off even when soloed.
  p.bandBypass[1] = 1;
  bands.Build(ClampMbdynParams(p), kRate, false);
  for (int b = 0; b < kMbdynBands; ++b) EXPECT_FALSE(bands.BandOf(1, b).active) << b;
  // Plosives and sibilants: a low shelf at 600 Hz and a notch at 5 kHz. With
  // band 2 soloed a loud low tone passes untouched and a sibilant is still cut.
  MbdynParams both = Preset(5);
  EXPECT_LT(ChangeDb(both, 100.0, -6.0), -5.0);
  MbdynParams solo = both;
  solo.solo[1] = 1;
  EXPECT_NEAR(ChangeDb(solo, 100.0, -6.0), 0.0, 0.01);  // only band 2's +2 dB peak touches it
  EXPECT_LT(ChangeDb(solo, 5000.0, -6.0), -5.0);
}

TEST(MbdynBandsRules, StereoSyncLinksTheGainAndIndependentDoesNot) {
  MbdynParams p = OneBand(kMbdynBandNotch, 1000, -300, 300);
  std::vector<double> loud = Tone(1000.0, -3.0, 0.5), quiet = Tone(1000.0, -40.0, 0.5);
  for (int sync = 0; sync <= 1; ++sync) {
    p.syncStereo = sync;
    MbdynBands bands;
    ASSERT_EQ(bands.Allocate(kBlock, 2), kOk);
    bands.Build(p, kRate, true);
    std::vector<std::vector<double>> channels{loud, quiet};
    RunBlocks(bands, channels);
    if (sync)
      EXPECT_TRUE(TailDb(channels[1]) - TailDb(quiet) < -5.0 && bands.BandOf(0, 0).gain == bands.BandOf(1, 0).gain);
    else
      EXPECT_EQ(channels[1], quiet);
    EXPECT_LT(TailDb(channels[0]) - TailDb(loud), -5.0);
  }
}

// A rebuild for new settings keeps each band's gain and memory; a reset
// starts them afresh.
TEST(MbdynBandsRules, RebuildKeepsGainAndStateUnlessReset) {
  MbdynParams p = OneBand(kMbdynBandNotch, 1000, -300, 300);
  MbdynBands bands;
  ASSERT_EQ(bands.Allocate(kBlock, 1), kOk);
  bands.Build(p, kRate, true);
  std::vector<std::vector<double>> channels{Tone(1000.0, -3.0, 0.3)};
  RunBlocks(bands, channels);
  const double gain = bands.BandOf(0, 0).gain, state = bands.BandOf(0, 0).split.y1;
  ASSERT_LT(gain, 0.9);
  p.gain[0] = 30;
  bands.Build(ClampMbdynParams(p), kRate, false);
  EXPECT_TRUE(bands.BandOf(0, 0).gain == gain && bands.BandOf(0, 0).split.y1 == state);
  bands.Build(p, kRate, true);
  EXPECT_TRUE(bands.BandOf(0, 0).gain == 1.0 && bands.BandOf(0, 0).split.y1 == 0.0);
}

TEST(MbdynMeters, BlockPeaksInTenthsOfADecibel) {
  for (auto [peak, tenths] : {std::pair{0.0, -600}, {1.0, -60}, {0.5, -120}, {1e-9, -600}})  // 0.5: trunc(-60.2) - 60
    EXPECT_EQ(mbdyn::MeterValue(peak), tenths) << peak;
  MbdynBands bands;
  ASSERT_EQ(bands.Allocate(kBlock, 1), kOk);
  bands.Build(OneBand(kMbdynBandNotch, 1000, 0, 10), kRate, true);
  std::vector<std::vector<double>> channels{Tone(1000.0, -6.0, 0.2)};
  RunBlocks(bands, channels);
  EXPECT_GT(bands.TakeMeterMaximum(0), -200);
  EXPECT_EQ(bands.MeterMaximum(0), -600);  // taken
  EXPECT_EQ(bands.BlockMeter(1), -600);    // bypassed band
}

std::uint32_t Param(int band, std::uint32_t k) { return band * kMbdynParamsPerBand + k; }
std::int32_t Threshold(const CAkMbdynTransform& fx, int band) {
  std::int32_t t = 1;
  fx.GetParamProp(Param(band, kMbdynParamThreshold), &t);
  return t;
}

// Through the automation stretches with `room` frames of output per call.
std::vector<double> RunDoubles(CAkMbdynTransform& fx, SampleFormat fmt, int channels,
                               const std::vector<double>& samples, std::uint32_t room = 700) {
  std::vector<double> out = robust::Run(fx, {fmt, channels, 44100}, samples, room, &fx);
  fx.Release();
  return out;
}

// A band that removes everything of itself above -20 dB at once.
void SetHardBand(CAkMbdynTransform& fx, int band, std::int32_t center) {
  for (const auto& [k, v] : {std::pair<std::uint32_t, std::int32_t>{kMbdynParamType, kMbdynBandNotch}, {kMbdynParamCenter, center},
                             {kMbdynParamThreshold, -200}, {kMbdynParamAmount, 500}, {kMbdynParamAttack, 0},
                             {kMbdynParamRelease, 0}, {kMbdynParamBandBypass, 0}})
    fx.SetParamProp(Param(band, k), v);
}

TEST(MbdynBypass, CopiesTheInputWithoutDelay) {
  CAkMbdynTransform fx;
  fx.ApplyPreset(2);
  fx.SetParamProp(kMbdynParamOutputGain, 100);
  fx.SetParamProp(kMbdynParamBypass, 1);
  const std::vector<unsigned char> in = robust::Encode(SampleFormat::kPcm16, Tone(1336.0, -1.0, 0.02));
  std::vector<unsigned char> out(in.size());
  const WaveFormat f = MakeWaveFormat(SampleFormat::kPcm16, 2, 44100);
  ASSERT_EQ(fx.Prepare(f, f), kOk);
  std::uint32_t frames = static_cast<std::uint32_t>(in.size() / 4), room = frames;
  ASSERT_EQ(fx.Process(kProcessOrdinary, in.data(), &frames, out.data(), &room), kProcessProgress);
  EXPECT_EQ(room, frames);  // at once
  EXPECT_EQ(out, in);
}

TEST(MbdynResponse, GivesTheStaticBandGainsAndTheOutputGain) {
  CAkMbdynTransform fx;
  fx.ApplyPreset(0);
  const double hz[3] = {5.0, 1000.0, 20000.0};
  double db[3] = {};
  ASSERT_EQ(fx.ResponseAt(kRate, hz, 3, db), kOk);
  EXPECT_TRUE(std::fabs(db[0]) + std::fabs(db[1]) + std::fabs(db[2]) < 1e-6) << "no band gain: flat";
  // +2 dB on a low-shelf band raises the lowest frequencies by 10^(2/40).
  fx.SetParamProp(Param(0, kMbdynParamType), kMbdynLowShelf);
  fx.SetParamProp(Param(0, kMbdynParamCenter), 1000);
  fx.SetParamProp(Param(0, kMbdynParamGain), 20);
  fx.SetParamProp(kMbdynParamOutputGain, -30);
  ASSERT_EQ(fx.ResponseAt(kRate, hz, 3, db), kOk);
  EXPECT_TRUE(std::fabs(db[0] - (1.0 - 3.0)) < 0.02 && std::fabs(db[2] + 3.0) < 0.1) << db[0] << " " << db[2];
  // A bypassed band's gain does nothing.
  fx.SetParamProp(Param(0, kMbdynParamBandBypass), 1);
  ASSERT_EQ(fx.ResponseAt(kRate, hz, 3, db), kOk);
  EXPECT_NEAR(db[0], -3.0, 1e-6);
  EXPECT_EQ(fx.ResponseAt(0.0, hz, 3, db), kInvalidArg);
}

// A break starts the bands afresh and delivers nothing of the old stream.
TEST(MbdynStream, ADiscontinuityStartsTheBandsAfresh) {
  CAkMbdynTransform fx;
  fx.ApplyPreset(0);
  SetHardBand(fx, 0, 1000);
  fx.SetParamProp(Param(0, kMbdynParamRelease), 50000);  // the gain stays down
  std::vector<float> loud(4 * kBlock), room(4 * kBlock);
  for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = static_cast<float>(0.5 * std::sin(0.14 * i));
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 1, 44100);
  ASSERT_EQ(fx.Prepare(f, f), kOk);
  std::uint32_t in = 4 * kBlock, out = in;
  ASSERT_GE(fx.Process(kProcessOrdinary, loud.data(), &in, room.data(), &out), 0);
  ASSERT_LT(fx.Bands().BandOf(0, 0).gain, 0.01);
  in = out = 0;
  ASSERT_GE(fx.Process(kProcessDiscontinuity, nullptr, &in, nullptr, &out), 0);
  const auto& band = fx.Bands().BandOf(0, 0);
  EXPECT_TRUE(band.gain == 1.0 && !band.attackMode && band.split.y1 == 0.0);
  out = 4 * kBlock;
  EXPECT_EQ(fx.Process(kProcessDrain, nullptr, nullptr, room.data(), &out), kProcessFinished);
  EXPECT_EQ(out, 0u);
}

TEST(MbdynPageWords, AreKeptAsGivenAndDirtyTheRecord) {
  CAkMbdynTransform fx;
  fx.ApplyPreset(0);
  MemoryRecordStream s;
  fx.SaveRecord(s, true);
  ASSERT_FALSE(fx.IsDirty());
  EXPECT_EQ(fx.SetDisplayWord(0, 9, 12345), kOk);  // band clamped to 4
  EXPECT_TRUE(fx.IsDirty());
  std::int32_t v = 0, w = 0, fields[kMaxRecordFields];
  fx.GetDisplayWord(0, 4, &v);
  fx.GetDisplayWord(1, 1, &w);
  fx.GetFields(fields);
  EXPECT_TRUE(v == 12345 && w == 16 && fields[kMbdynDisplay + 3] == 12345) << v << " " << w;
  fx.SetVisiblePage(7);
  fx.GetVisiblePage(&v);
  EXPECT_EQ(v, 2);
}

class MbdynMeterRing : public ::testing::Test {
 protected:
  // Bands 1 and 2 active at 1000 Hz and 5000 Hz, band 3 active, band 4 off;
  // a -6 dB tone at 1000 Hz for `blocks` blocks.
  void Play(int blocks) {
    fx.ApplyPreset(0);
    for (int b = 0; b < 3; ++b) fx.SetParamProp(Param(b, kMbdynParamBandBypass), 0);
    fx.SetParamProp(Param(0, kMbdynParamCenter), 1000);
    fx.SetParamProp(Param(1, kMbdynParamCenter), 5000);
    fx.SetParamProp(Param(2, kMbdynParamCenter), 1000);
    RunDoubles(fx, SampleFormat::kFloat32, 1, Tone(1000.0, -6.02, blocks * kBlock / kRate));
  }
  CAkMbdynTransform fx;
};

TEST_F(MbdynMeterRing, TheRingKeepsTheLast64BlocksWithTheirTimes) {
  Play(70);
  MbdynMeterSnapshot s;
  for (auto [age, block] : {std::pair{0, 69}, {63, 6}}) {  // block 69 starts at 1.38 s
    ASSERT_EQ(fx.GetMeterHistory(age, &s), kOk);
    EXPECT_EQ(s.time, block * 200000) << age;
  }
  EXPECT_EQ(fx.GetMeterHistory(64, &s), kFalse);
  // The band at the tone reads near its level, the band off reads the floor.
  EXPECT_TRUE(s.values[0] > -200 && s.values[0] > s.values[1]) << s.values[0] << " " << s.values[1];
  EXPECT_EQ(s.values[3], kMbdynThresholdFloor);
  for (auto [at, block] : {std::pair{30 * 200000 + 5, 30}, {0, 6}}) {  // earlier than kept: the oldest
    ASSERT_EQ(fx.GetMeterAt(at, &s), kOk);
    EXPECT_EQ(s.time, block * 200000) << at;
  }
}

TEST_F(MbdynMeterRing, CaptureGivesActiveBandsOfTheVisiblePageTheirMaxima) {
  fx.SetCaptureThreshold(1);
  Play(10);
  fx.SetParamProp(Param(1, kMbdynParamBandBypass), 1);  // band 2 inactive
  std::int32_t changed = 1;
  ASSERT_EQ(fx.ApplyCapturedThresholds(&changed), kOk);
  EXPECT_EQ(changed, 0) << "no page visible";
  fx.SetVisiblePage(1);
  ASSERT_EQ(fx.ApplyCapturedThresholds(&changed), kOk);
  EXPECT_EQ(changed, 1);
  EXPECT_TRUE(Threshold(fx, 0) == fx.CapturedMaximum(0) && Threshold(fx, 0) < 0) << Threshold(fx, 0);
  EXPECT_EQ(Threshold(fx, 1), 0) << "inactive band untouched";
  EXPECT_EQ(Threshold(fx, 2), 0) << "band 3 is on the other page";
  ASSERT_EQ(fx.ApplyCapturedThresholds(&changed), kOk);
  EXPECT_EQ(changed, 0) << "already there";
  fx.ResetMeterMaxima();
  EXPECT_EQ(fx.CapturedMaximum(0), kMbdynThresholdFloor);
  ASSERT_EQ(fx.ApplyCapturedThresholds(&changed), kOk);
  EXPECT_EQ(Threshold(fx, 0), kMbdynThresholdFloor);
}

TEST(MbdynAutomation, AThresholdEnvelopeActsFromTheBlockItStartsIn) {
  CAkMbdynTransform fx;
  fx.ApplyPreset(0);
  SetHardBand(fx, 0, 1000);
  fx.SetParamProp(Param(0, kMbdynParamThreshold), 0);  // never acts below full scale
  const std::vector<double> in = Tone(1000.0, -6.02, 20 * kBlock / kRate);
  // At 200 ms (block 10) the threshold jumps to -40 dB.
  const EnvelopeSegment jump = {2000000, 4000000, -40.0f, -40.0f, kCurveJump, 0};
  ASSERT_EQ(fx.AddEnvelope(Param(0, kMbdynParamThreshold), 1, &jump), kOk);
  const std::vector<double> out = RunDoubles(fx, SampleFormat::kFloat64, 1, in, 900);
  ASSERT_EQ(out.size(), in.size());
  for (std::size_t i = 0; i < 10 * kBlock; ++i) ASSERT_DOUBLE_EQ(out[i], in[i]) << i;
  EXPECT_LT(Rms(out, 10 * kBlock, 11 * kBlock), 0.1 * Rms(in, 10 * kBlock, 11 * kBlock));
}

}  // namespace
}  // namespace orlofx

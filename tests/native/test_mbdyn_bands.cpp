// The Multi-Band Dynamics signal path: sections, band designs, the gain
// computation and what the presets do to tones.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/mbdyn/mbdyn_bands.h"
#include "effects/mbdyn/mbdyn_params.h"

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
  std::vector<double> x(static_cast<std::size_t>(seconds * kRate));
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

// Level of the second half, in dB (the first half lets the gains settle).
double TailDb(const std::vector<double>& x) {
  double sum = 0.0;
  std::size_t from = x.size() / 2;
  for (std::size_t i = from; i < x.size(); ++i) sum += x[i] * x[i];
  return 10.0 * std::log10(sum / static_cast<double>(x.size() - from));
}

double ChangeDb(const MbdynParams& p, double hz, double db) {
  std::vector<double> in = Tone(hz, db, 1.0);
  return TailDb(Through(p, in)) - TailDb(in);
}

TEST(MbdynDynamics, RatioOneNeverReduces) {
  MbdynParams p = OneBand(kMbdynBandNotch, 1000, -600, 10);
  std::vector<double> in = Tone(1000.0, -1.0, 0.5);
  std::vector<double> out = Through(p, in);
  for (std::size_t i = 0; i < in.size(); ++i) ASSERT_DOUBLE_EQ(out[i], in[i]) << i;
}

TEST(MbdynDynamics, ThresholdZeroNeverActsBelowFullScale) {
  MbdynParams p = OneBand(kMbdynBandNotch, 1000, 0, 500);
  std::vector<double> in = Tone(1000.0, -0.5, 0.5);
  std::vector<double> out = Through(p, in);
  for (std::size_t i = 0; i < in.size(); ++i) ASSERT_DOUBLE_EQ(out[i], in[i]) << i;
}

TEST(MbdynDynamics, LowestThresholdStandsForMinus90Db) {
  MbdynBands bands;
  ASSERT_EQ(bands.Allocate(kBlock, 1), kOk);
  bands.Build(OneBand(kMbdynBandNotch, 1000, -600, 20), kRate, true);
  EXPECT_DOUBLE_EQ(bands.BandOf(0, 0).threshold, 3.051758e-5);
  EXPECT_DOUBLE_EQ(bands.BandOf(0, 0).releaseThreshold, 0.85 * 3.051758e-5);
  bands.Build(OneBand(kMbdynBandNotch, 1000, -599, 20), kRate, true);
  EXPECT_DOUBLE_EQ(bands.BandOf(0, 0).threshold, std::pow(10.0, -599.0 / 200.0));
}

TEST(MbdynDynamics, FiftyToOneRemovesLoudBurstsInTheBand) {
  MbdynParams p = OneBand(kMbdynBandNotch, 1000, -300, 500);
  EXPECT_LT(ChangeDb(p, 1000.0, -6.0), -20.0);
  // A band-notch band leaves distant frequencies alone.
  EXPECT_NEAR(ChangeDb(p, 100.0, -6.0), 0.0, 0.1);
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
    double rightChange = TailDb(channels[1]) - TailDb(quiet);
    if (sync) {
      EXPECT_LT(rightChange, -5.0);
      EXPECT_DOUBLE_EQ(bands.BandOf(0, 0).gain, bands.BandOf(1, 0).gain);
    } else {
      for (std::size_t i = 0; i < quiet.size(); ++i) ASSERT_DOUBLE_EQ(channels[1][i], quiet[i]);
    }
    EXPECT_LT(TailDb(channels[0]) - TailDb(loud), -5.0);
  }
}

TEST(MbdynBandsRules, RebuildWithoutResetKeepsGainAndState) {
  MbdynParams p = OneBand(kMbdynBandNotch, 1000, -300, 300);
  MbdynBands bands;
  ASSERT_EQ(bands.Allocate(kBlock, 1), kOk);
  bands.Build(p, kRate, true);
  std::vector<std::vector<double>> channels{Tone(1000.0, -3.0, 0.3)};
  RunBlocks(bands, channels);
  double gain = bands.BandOf(0, 0).gain;
  double state = bands.BandOf(0, 0).split.y1;
  ASSERT_LT(gain, 0.9);
  p.gain[0] = 30;
  bands.Build(ClampMbdynParams(p), kRate, false);
  EXPECT_EQ(bands.BandOf(0, 0).gain, gain);
  EXPECT_EQ(bands.BandOf(0, 0).split.y1, state);
  bands.Build(p, kRate, true);
  EXPECT_EQ(bands.BandOf(0, 0).gain, 1.0);
  EXPECT_EQ(bands.BandOf(0, 0).split.y1, 0.0);
}

TEST(MbdynBandsRules, FloatAndDoublePipelinesAgree) {
  MbdynParams p = Preset(5);
  std::vector<double> in = Tone(5000.0, -6.0, 0.3);
  std::vector<double> viaDouble = Through(p, in);
  MbdynBands bands;
  ASSERT_EQ(bands.Allocate(kBlock, 1), kOk);
  bands.Build(p, kRate, true);
  std::vector<std::vector<float>> channels{std::vector<float>(in.begin(), in.end())};
  RunBlocks(bands, channels);
  for (std::size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(channels[0][i], viaDouble[i], 1e-4) << i;
}

TEST(MbdynMeters, BlockPeaksInTenthsOfADecibel) {
  EXPECT_EQ(mbdyn::MeterValue(0.0), -600);
  EXPECT_EQ(mbdyn::MeterValue(1.0), -60);
  EXPECT_EQ(mbdyn::MeterValue(0.5), -120);  // trunc(-60.2) - 60
  EXPECT_EQ(mbdyn::MeterValue(1e-9), -600);

  MbdynBands bands;
  ASSERT_EQ(bands.Allocate(kBlock, 1), kOk);
  bands.Build(OneBand(kMbdynBandNotch, 1000, 0, 10), kRate, true);
  std::vector<std::vector<double>> channels{Tone(1000.0, -6.0, 0.2)};
  RunBlocks(bands, channels);
  std::int32_t loud = bands.TakeMeterMaximum(0);
  EXPECT_GT(loud, -200);
  EXPECT_EQ(bands.MeterMaximum(0), -600);  // taken
  EXPECT_EQ(bands.BlockMeter(1), -600);    // bypassed band
}

// What the presets do to one-second tones at 44.1 kHz (second half measured).
TEST(MbdynPresets, AntiDtmfTalkOff) {
  MbdynParams p = Preset(2);
  EXPECT_NEAR(ChangeDb(p, 1336.0, -6.0), -17.2, 0.15);
  EXPECT_NEAR(ChangeDb(p, 100.0, -6.0), 0.0, 0.1);
  EXPECT_NEAR(ChangeDb(p, 200.0, -6.0), 0.0, 0.1);
  EXPECT_NEAR(ChangeDb(p, 1336.0, -26.0), 0.0, 0.1);
}

TEST(MbdynPresets, DeEsser) { EXPECT_NEAR(ChangeDb(Preset(4), 5000.0, -6.0), -17.6, 0.15); }

TEST(MbdynPresets, LoudPlosives) {
  MbdynParams p = Preset(3);
  EXPECT_NEAR(ChangeDb(p, 100.0, -6.0), -11.5, 0.15);
  EXPECT_NEAR(ChangeDb(p, 1000.0, -6.0), 0.0, 0.1);
}

}  // namespace
}  // namespace orlofx

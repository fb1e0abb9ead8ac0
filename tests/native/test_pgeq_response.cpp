// Paragraphic EQ presets measured the way a listener meets them: the
// magnitude of the processor's impulse response at the frequency each
// preset is about, at 44.1 kHz.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/pgeq/pgeq_transform.h"

namespace orlofx {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// The impulse response of a preset, long enough for the narrowest band
// (0.3 octave at 60 Hz) to have died away.
std::vector<double> ImpulseResponse(int preset, std::uint32_t rate = kRate) {
  CAkPgeqTransform eq;
  EXPECT_EQ(eq.ApplyPreset(preset), kOk);
  const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 1, rate);
  EXPECT_EQ(eq.Prepare(f, f), kOk);
  std::vector<double> h(1 << 18, 0.0);
  h[0] = 1.0;
  std::uint32_t in = static_cast<std::uint32_t>(h.size()), out = in;
  EXPECT_EQ(eq.Process(kProcessOrdinary, h.data(), &in, h.data(), &out), kOk);
  return h;
}

double MagnitudeDb(const std::vector<double>& h, double hz, double rate = kRate) {
  double re = 0, im = 0;
  const double w = 2 * kPi * hz / rate;
  for (std::size_t n = 0; n < h.size(); ++n) {
    re += h[n] * std::cos(w * static_cast<double>(n));
    im -= h[n] * std::sin(w * static_cast<double>(n));
  }
  return 20 * std::log10(std::hypot(re, im));
}

// Shapes every preset must have, whatever the exact design numbers.
TEST(PgeqPresetShape, EachPresetActsWhereItsNameSays) {
  auto db = [](int preset, double hz) { return MagnitudeDb(ImpulseResponse(preset), hz); };
  const std::vector<double> flat = ImpulseResponse(0);
  for (double hz : {20.0, 100.0, 1000.0, 10000.0, 20000.0})
    EXPECT_NEAR(MagnitudeDb(flat, hz), 0.0, 1e-9);

  // Notches leave distant frequencies alone.
  const std::vector<double> notch = ImpulseResponse(2);
  EXPECT_NEAR(MagnitudeDb(notch, 100), 0.0, 0.5);
  EXPECT_NEAR(MagnitudeDb(notch, 10000), 0.0, 0.5);
  const std::vector<double> dtmf = ImpulseResponse(6);
  for (double hz : {1209.0, 1336.0, 1447.0, 1633.0}) EXPECT_LT(MagnitudeDb(dtmf, hz), -15.0) << hz;
  EXPECT_GT(MagnitudeDb(dtmf, 300), -1.0);

  // Shelves: boosted or cut on their side, flat on the other.
  EXPECT_GT(db(5, 19000), 3.0);
  EXPECT_NEAR(db(5, 1000), 0.0, 0.3);
  EXPECT_GT(db(8, 15000), 2.0);
  EXPECT_NEAR(db(8, 200), 0.0, 0.3);
  const std::vector<double> rumble = ImpulseResponse(11);
  EXPECT_LT(MagnitudeDb(rumble, 20), -12.0);
  EXPECT_NEAR(MagnitudeDb(rumble, 2000), 0.0, 0.5);
  const std::vector<double> subsonic = ImpulseResponse(12);
  EXPECT_LT(MagnitudeDb(subsonic, 5), -12.0);
  EXPECT_NEAR(MagnitudeDb(subsonic, 1000), 0.0, 0.5);
  const std::vector<double> loudness = ImpulseResponse(9);
  EXPECT_GT(MagnitudeDb(loudness, 50), 3.0);
  EXPECT_LT(MagnitudeDb(loudness, 4000), -6.0);
}

// The design works in normalised frequency, so a preset at twice the rate
// acts at the same place in Hz, within the correction table's reach.
TEST(PgeqPresetShape, NotchFollowsTheSampleRate) {
  const std::vector<double> h = ImpulseResponse(2, 88200);
  EXPECT_LT(MagnitudeDb(h, 1000, 88200), -12.0);
  EXPECT_NEAR(MagnitudeDb(h, 10000, 88200), 0.0, 0.5);
}

}  // namespace
}  // namespace orlofx

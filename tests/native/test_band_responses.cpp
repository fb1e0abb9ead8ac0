// The Multi-Band Dynamics and Paragraphic EQ band filters against their
// defining transfer functions. Each case sets one band through the record,
// streams an impulse through the effect and compares the DFT of what comes
// out with the section's H(z), worked out here from the definitions: the
// two-pole resonator, the high-pass gain knots, the band-notch frequency map
// and the high-shelf correction curve, all typed from the effects' documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "cli/effect_registry.h"
#include "framework/processor.h"
#include "framework/sample_format.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 44100.0;

// --- the definitions ---------------------------------------------------------

double ClampF(double f) { return std::min(std::max(f, 0.0003), 0.49); }

// dB at 0, 1000, 2000 ... 15000 Hz at 44.1 kHz; the last segment goes on.
constexpr double kKnotDb[16] = {0, -1, -2, -3, -4, -5, -5, -6, -7, -8, -9, -10, -11, -12, -12, -13};
double KnotGain(double f) {
  const double p = f * 44.1;
  const int i = std::min(static_cast<int>(p), 14);
  return std::pow(10.0, (kKnotDb[i] + (kKnotDb[i + 1] - kKnotDb[i]) * (p - i)) / 20.0);
}

// Band-notch frequency map: width axis (1/octaves), target and reached
// frequencies in Hz at 44.1 kHz.
constexpr double kQ[7] = {0, 0.5, 1, 1.5, 2, 3, 101};
constexpr double kT[7] = {0, 50, 100, 1000, 5000, 10000, 22050};
constexpr double kM[7][7] = {
    {2, 73, 141, 1500, 10000, 20000, 44100}, {1.5, 73, 141, 1500, 10000, 20000, 44100},
    {1, 52, 110, 1150, 6500, 16000, 35280},  {1, 52, 110, 1070, 5750, 13000, 28748},
    {1, 52, 104, 1040, 5500, 11000, 24257},  {1, 51, 102, 1030, 5300, 11000, 24257},
    {1, 51, 102, 1030, 5300, 11000, 24257}};
double CorrectedFrequency(double q, double f) {
  int r = 0;
  while (r < 6 && kQ[r] < q) ++r;
  int c = 0;
  while (c < 6 && kM[r][c] / 44100.0 < f) ++c;
  if (r == 0 || c == 0) return f;
  auto ratio = [&](int row) {
    const double m0 = kM[row][c - 1] / 44100.0, m1 = kM[row][c] / 44100.0;
    const double r0 = kT[c - 1] / kM[row][c - 1], r1 = kT[c] / kM[row][c];
    return r0 + (f - m0) / (m1 - m0) * (r1 - r0);
  };
  const double lo = ratio(r - 1), hi = ratio(r);
  return f * (lo + (q - kQ[r - 1]) / (kQ[r] - kQ[r - 1]) * (hi - lo));
}

// y = b x + a1 y1 - a2 y2 at frequency f, width q.
struct Poles {
  double a1, a2;
};
Poles Resonator(double f, double q) {
  f = ClampF(f);
  return {2.0 * std::cos(2.0 * kPi * f) * std::exp(-kPi * f / q), std::exp(-2.0 * kPi * f / q)};
}
Complex Den(const Poles& p, Complex z1) { return 1.0 - p.a1 * z1 + p.a2 * z1 * z1; }
Complex SecondDifference(Complex z1) { return (1.0 - z1) * (1.0 - z1); }

// Peak filter of a band-notch band, x + g b (y - y1), from its corrected
// frequency; `scale` is 10^(dB/20) - 1 times the shape factor.
Complex PeakSection(double f, double q, double db, Complex z1) {
  const double fc = ClampF(CorrectedFrequency(q, ClampF(f)));
  const Poles p = Resonator(fc, q);
  const double b = std::cos(kPi * fc) * std::sqrt(1.0 - p.a1 + p.a2);
  const double h = fc > 0.001814 ? 0.85 : 0.65;
  const double shape = q >= 1.0 ? h / q : h + 0.9 * (1.0 - q);
  return 1.0 + (std::pow(10.0, db / 20.0) - 1.0) * shape * b * (1.0 - z1) / Den(p, z1);
}

// --- measuring ---------------------------------------------------------------

// The effect's output for an impulse of height `scale` (mono, 64-bit float,
// delivered whole through the drain), divided by `scale`.
std::vector<double> ImpulseResponse(EffectProcessor& fx, double fs, std::size_t n, double scale) {
  std::vector<double> in(n, 0.0);
  in[0] = scale;
  std::vector<double> out = robust::Run(fx, {SampleFormat::kFloat64, 1, static_cast<std::uint32_t>(fs)},
                                        in, static_cast<std::uint32_t>(n + 1));
  fx.Release();
  EXPECT_EQ(out.size(), n);
  out.resize(n);
  for (double& v : out) v /= scale;
  return out;
}

Complex Dft(const std::vector<double>& h, double hz, double fs) {
  Complex sum = 0.0;
  for (std::size_t n = 0; n < h.size(); ++n)
    sum += h[n] * std::polar(1.0, -2.0 * kPi * hz * n / fs);
  return sum;
}

// Compares the measured response with `expected(z^-1)` at a few frequencies
// around `hz`.
template <typename H>
void ExpectResponse(const std::vector<double>& h, double hz, double fs, H expected,
                    const std::string& what) {
  for (double k : {0.5, 0.8, 1.0, 1.25, 2.0}) {
    const double probe = std::min(hz * k, 0.45 * fs);
    const Complex want = expected(std::polar(1.0, -2.0 * kPi * probe / fs));
    const Complex got = Dft(h, probe, fs);
    EXPECT_LT(std::abs(got - want), 1e-6 * (1.0 + std::abs(want)))
        << what << " at " << probe << " Hz: got " << got << ", want " << want;
  }
}

std::unique_ptr<EffectProcessor> Effect(const char* name) { return cli::CreateEffect(robust::Entry(name)); }

// --- Multi-Band Dynamics -----------------------------------------------------

// Record of band 1 alone (bands 2 to 4 bypassed, nothing soloed, no gain).
struct MbdynBand {
  std::int32_t type, threshold, amount, gain, width, center;
};
std::vector<std::int32_t> MbdynRecord(EffectProcessor& fx, const MbdynBand& b) {
  std::vector<std::int32_t> r(fx.FieldCount());
  fx.GetFields(r.data());
  r[0] = 0;  // output gain
  r[1] = b.threshold, r[5] = b.type, r[9] = b.amount;
  r[13] = 0, r[17] = 0;  // attack, release: at once
  r[21] = b.gain, r[25] = b.width, r[29] = b.center;
  r[34] = 0, r[35] = r[36] = r[37] = 1;          // band bypass
  r[48] = r[49] = r[50] = r[51] = 0, r[52] = 0;  // solos, effect bypass
  return r;
}

std::vector<double> MbdynImpulse(const MbdynBand& b, double fs) {
  auto fx = Effect("multiband-dynamics");
  const std::vector<std::int32_t> r = MbdynRecord(*fx, b);
  EXPECT_EQ(fx->SetFields(r.data()), kOk);
  // Far above the lowest threshold for as long as the band rings, so a 50:1
  // band with threshold -60 dB takes its whole signal out.
  return ImpulseResponse(*fx, fs, static_cast<std::size_t>(fs), 1e6);
}

// Splitting off a high-shelf band and removing it all (50:1 far above the
// threshold) leaves x - K(fc) (1 - z^-1)^2 / D(z), fc the shelf's corner.
TEST(MbdynBandResponse, HighShelfSplitRemovesTheKWeightedSecondDifference) {
  for (double fs : {44100.0, 32000.0}) {
    for (std::int32_t center : {200, 1000, 3000, 6000, 12000, 15000}) {
      const double f = center / fs;
      const double fc = f < 0.125 ? 0.4 * std::max(f, 0.0004)
                                  : std::min(f, 0.49) * (0.4 + 1.6 * (std::min(f, 0.49) - 0.125));
      const Poles p = Resonator(fc, 0.3);
      const double k = KnotGain(ClampF(fc));
      ExpectResponse(
          MbdynImpulse({2, -600, 500, 0, 10, center}, fs), center, fs,
          [&](Complex z1) { return 1.0 - k * SecondDifference(z1) / Den(p, z1); },
          "high-shelf split at " + std::to_string(center) + " Hz, fs " + std::to_string(fs));
    }
  }
}

// A high-shelf boost of g dB with the dynamics idle (1:1): 1 + c K(f)
// (1 - z^-1)^2 / D(z), c = 10^(g/40) - 1; at 1000 k Hz the gain K sits on
// knot k.
TEST(MbdynBandResponse, HighShelfBoostFollowsEveryKnotOfTheHighPassGain) {
  for (std::int32_t center = 50; center <= 15000; center = center < 1000 ? 1000 : center + 1000) {
    const double f = center / kRate;
    const Poles p = Resonator(f, 0.3);
    const double k = KnotGain(ClampF(f));
    const double c = std::pow(10.0, 12.0 / 40.0) - 1.0;
    ExpectResponse(
        MbdynImpulse({2, 0, 10, 120, 10, center}, kRate), center, kRate,
        [&](Complex z1) { return 1.0 + c * k * SecondDifference(z1) / Den(p, z1); },
        "high-shelf boost at " + std::to_string(center) + " Hz");
  }
}

// Low-shelf bands with the dynamics idle: a boost of g dB adds
// (10^(g/40) - 1) of the low-pass b0 / D(z) at f / 1.5 (q 0.1); a cut takes
// away 1 - 10^(g/40) of it (all of it at -25 dB), at f / 3.3 from 500 Hz at
// 44.1 kHz up, else at f / 2.2.
TEST(MbdynBandResponse, LowShelfBoostAndCut) {
  for (std::int32_t center : {100, 400, 600, 3000})
    for (std::int32_t gain : {150, -90, -250}) {
      const double f = center / kRate, g = gain / 10.0;
      const double fp = gain > 0 ? f / 1.5 : (f >= 500.0 / 44100.0 ? f / 3.3 : f / 2.2);
      const Poles p = Resonator(fp, 0.1);
      const double b0 = 1.0 - p.a1 + p.a2;
      const double c = gain > 0 ? std::pow(10.0, g / 40.0) - 1.0
                                : (g <= -25.0 ? -1.0 : std::pow(10.0, g / 40.0) - 1.0);
      ExpectResponse(
          MbdynImpulse({0, 0, 10, gain, 10, center}, kRate), center, kRate,
          [&](Complex z1) { return 1.0 + c * b0 / Den(p, z1); },
          "low shelf at " + std::to_string(center) + " Hz, gain " + std::to_string(gain));
    }
}

// Band centers (Hz at a sample rate) in every column of the frequency map,
// and widths in every pair of its rows.
struct Place {
  std::int32_t center;
  double fs;
};
constexpr Place kNotchPlaces[] = {{50, kRate},    {80, kRate},     {500, kRate},
                                  {2000, kRate},  {8000, kRate},   {13000, kRate},
                                  {14500, kRate}, {9000, 22050.0}, {15000, 22050.0}};
constexpr std::int32_t kNotchWidths[] = {3, 4, 6, 7, 10, 25};

TEST(MbdynBandResponse, BandNotchPeakSitsWhereTheFrequencyMapPutsIt) {
  for (std::int32_t width : kNotchWidths)
    for (const Place& at : kNotchPlaces)
      for (std::int32_t gain : {120, -60})
        ExpectResponse(
            MbdynImpulse({1, 0, 10, gain, width, at.center}, at.fs), at.center, at.fs,
            [&](Complex z1) {
              return PeakSection(at.center / at.fs, 10.0 / width, gain / 10.0, z1);
            },
            "band-notch " + std::to_string(at.center) + " Hz at " + std::to_string(at.fs) +
                ", width " + std::to_string(width) + ", gain " + std::to_string(gain));
}

// --- Paragraphic EQ ----------------------------------------------------------

std::vector<double> PgeqImpulse(const std::vector<std::int32_t>& record, double fs = kRate) {
  auto fx = Effect("paragraphic-eq");
  EXPECT_EQ(fx->SetFields(record.data()), kOk);
  return ImpulseResponse(*fx, fs, static_cast<std::size_t>(fs), 1e6);
}

// Everything off, dry out -Inf., wet out 0 dB.
std::vector<std::int32_t> PgeqFlat() {
  return {-250, 0, 0, 0, 0, 0, 10, 10, 10, 10, 100, 300, 1000, 5000, 0, 0, 300, 500, 0, 0, 4};
}

TEST(PgeqBandResponse, PeakSitsWhereTheFrequencyMapPutsIt) {
  for (std::int32_t width : kNotchWidths) {
    for (const Place& at : kNotchPlaces) {
      std::vector<std::int32_t> r = PgeqFlat();
      r[3] = -120, r[7] = width, r[11] = at.center;  // band 2 alone
      ExpectResponse(
          PgeqImpulse(r, at.fs), at.center, at.fs,
          [&](Complex z1) { return PeakSection(at.center / at.fs, 10.0 / width, -12.0, z1); },
          "band at " + std::to_string(at.center) + " Hz at " + std::to_string(at.fs) + ", width " +
              std::to_string(width));
    }
  }
}

// Correction curve of the high shelves: dB at 1000 k Hz (44.1 kHz).
double ShelfCorrection(double f) { return KnotGain(ClampF(f)); }

// A high-shelf boost: two equal stages 1 + c1 corr (1 - z^-1)^2 / D(z), its
// prototype at the shelf frequency with q 0.7; at 1000 k Hz the correction
// sits on point k of its curve.
TEST(PgeqBandResponse, HighShelfBoostFollowsEveryPointOfTheCorrectionCurve) {
  for (std::int32_t hz = 20; hz <= 16000; hz = hz < 1000 ? 1000 : hz + 1000) {
    std::vector<std::int32_t> r = PgeqFlat();
    r[15] = 1, r[17] = hz, r[19] = 60;
    const double f = hz / kRate;
    const Poles p = Resonator(f, 0.7);
    const double corr = ShelfCorrection(f);
    const double c1 = std::pow(10.0, 6.0 / 40.0) - 1.0;
    ExpectResponse(
        PgeqImpulse(r), hz, kRate,
        [&](Complex z1) {
          const Complex stage = 1.0 + c1 * corr * SecondDifference(z1) / Den(p, z1);
          return stage * stage;
        },
        "high shelf at " + std::to_string(hz) + " Hz");
  }
}

// Low shelves (two equal stages): a boost adds (10^(dB/40) - 1) of the
// low-pass at f / 1.5 (q 0.7), a cut takes away 1 - 10^(dB/40) of the one
// at f / 3.3 or f / 2.2 (q 0.1). A high cut subtracts from the second
// difference at fh (q 0.3) with the correction curve at fh.
TEST(PgeqBandResponse, LowShelvesAndTheHighCut) {
  for (std::int32_t hz : {60, 400, 600, 5000})
    for (std::int32_t gain : {90, -120, -250}) {
      std::vector<std::int32_t> r = PgeqFlat();
      r[14] = 1, r[16] = hz, r[18] = gain;
      const double f = hz / kRate, db = gain / 10.0;
      const double fp = gain > 0 ? f / 1.5 : (f >= 500.0 / 44100.0 ? f / 3.3 : f / 2.2);
      const Poles p = Resonator(fp, gain > 0 ? 0.7 : 0.1);
      const double b = 1.0 - p.a1 + p.a2;
      const double c = db <= -25.0 ? -1.0 : std::pow(10.0, db / 40.0) - 1.0;
      ExpectResponse(
          PgeqImpulse(r), hz, kRate,
          [&](Complex z1) {
            const Complex stage = 1.0 + c * b / Den(p, z1);
            return stage * stage;
          },
          "low shelf at " + std::to_string(hz) + " Hz, gain " + std::to_string(gain));
    }
  for (std::int32_t hz : {3000, 8000, 19000})
    for (std::int32_t gain : {-60, -250}) {
      std::vector<std::int32_t> r = PgeqFlat();
      r[15] = 1, r[17] = hz, r[19] = gain;
      const double f = hz / kRate, db = gain / 10.0;
      const double fh = f < 0.125 ? 0.4 * std::max(f, 0.0004)
                                  : std::min(f, 0.49) * (1.6 * (std::min(f, 0.49) - 0.125) + 0.4);
      const Poles p = Resonator(fh, 0.3);
      const double corr = ShelfCorrection(fh);
      const double c = db <= -25.0 ? -1.0 : std::pow(10.0, db / 40.0) - 1.0;
      ExpectResponse(
          PgeqImpulse(r), hz, kRate,
          [&](Complex z1) {
            const Complex stage = 1.0 + c * corr * SecondDifference(z1) / Den(p, z1);
            return stage * stage;
          },
          "high cut at " + std::to_string(hz) + " Hz, gain " + std::to_string(gain));
    }
}

}  // namespace
}  // namespace orlofx

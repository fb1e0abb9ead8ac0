#include "effects/pgeq/pgeq_design.h"

#include <algorithm>
#include <cmath>

namespace orlofx {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTableRate = 44100.0;

// Bandwidth axis (1/octaves), requested frequency axis (Hz at 44.1 kHz) and
// the frequency the uncorrected resonator actually peaks at, one row per
// bandwidth.
constexpr double kTableX[PgeqCorrectionTable::kRows] = {0.0, 0.5, 1.0, 1.5, 2.0, 3.0, 101.0};
constexpr double kTableF[PgeqCorrectionTable::kColumns] = {0, 50, 100, 1000, 5000, 10000, 22050};
constexpr double kTableM[PgeqCorrectionTable::kRows][PgeqCorrectionTable::kColumns] = {
    {2, 73, 141, 1500, 10000, 20000, 44100},
    {1.5, 73, 141, 1500, 10000, 20000, 44100},
    {1, 52, 110, 1150, 6500, 16000, 35280},
    {1, 52, 110, 1070, 5750, 13000, 28748},
    {1, 52, 104, 1040, 5500, 11000, 24257},
    {1, 51, 102, 1030, 5300, 11000, 24257},
    {1, 51, 102, 1030, 5300, 11000, 24257},
};

// High-shelf gain correction: dB at k * 1000 Hz (at 44.1 kHz), k = 0..15.
constexpr double kHighShelfCorrection[] = {0, -1, -2,  -3,  -4,  -5,  -5,  -6,
                                           -7, -8, -9, -10, -11, -12, -12, -13};
constexpr int kHighShelfPoints = sizeof(kHighShelfCorrection) / sizeof(kHighShelfCorrection[0]);

// The shelves' common two-pole low-pass; unity gain at DC.
template <typename Stage>
void Prototype(double fp, double q, Stage* s) {
  const double f = ClampToDesignRange(fp);
  s->a1 = 2.0 * std::exp(-kPi * f / q) * std::cos(2.0 * kPi * f);
  s->a2 = std::exp(-2.0 * kPi * f / q);
  s->b = 1.0 - s->a1 + s->a2;
  s->y1 = 0.0;
  s->y2 = 0.0;
}

// Where the high-cut shelf's prototype sits for shelf frequency f: lower
// shelves need a prototype well below the corner, higher ones less so.
double HighCutPrototypeFrequency(double f) {
  if (f < 0.125) return 0.4 * std::max(f, 0.0004);
  if (f <= kPgeqMaxFrequency) return f * (1.6 * (f - 0.125) + 0.4);
  return kPgeqMaxFrequency * (1.6 * 0.365 + 0.4);
}

}  // namespace

double ClampToDesignRange(double f) {
  return std::min(std::max(f, kPgeqMinFrequency), kPgeqMaxFrequency);
}

PgeqCorrectionTable::PgeqCorrectionTable() {
  for (int i = 0; i < kRows; ++i) {
    x_[i] = kTableX[i];
    for (int j = 0; j < kColumns; ++j) m_[i][j] = kTableM[i][j] / kTableRate;
  }
  for (int j = 0; j < kColumns; ++j) f_[j] = kTableF[j] / kTableRate;
}

double PgeqCorrectionTable::Factor(double x, double f0) const {
  int i = 0;
  while (i < kRows - 1 && x_[i] < x) ++i;
  int j = 0;
  while (j < kColumns - 1 && m_[i][j] < f0) ++j;
  if (i == 0 || j == 0) return 1.0;

  // Ratio of requested to reached frequency along row r, interpolated
  // linearly in the reached frequency between columns j-1 and j.
  auto rho = [&](int r) {
    const double m0 = m_[r][j - 1];
    const double m1 = m_[r][j];
    const double q0 = f_[j - 1] / m0;
    const double q1 = f_[j] / m1;
    return q0 + (f0 - m0) / (m1 - m0) * (q1 - q0);
  };
  const double lower = rho(i - 1);
  const double upper = rho(i);
  return lower + (x - x_[i - 1]) / (x_[i] - x_[i - 1]) * (upper - lower);
}

void DesignBand(const PgeqCorrectionTable& table, std::int32_t gain, std::int32_t width,
                double frequency, PgeqBandSlot* slot) {
  const double x = 10.0 / width;  // 1/octaves
  const double db = gain / 10.0;
  const double f0 = ClampToDesignRange(frequency);
  const double fc = f0 * table.Factor(x, f0);

  // The resonator's band-pass peak is not exactly its gain at the centre;
  // these factors bring the summed response to the requested level.
  const double d = std::pow(10.0, db / 20.0) - 1.0;
  const double k = fc > 0.001814 ? 0.85 : 0.65;
  slot->g = x < 1.0 ? d * (k + 0.9 * (1.0 - x)) : d * k / x;

  const double fr = ClampToDesignRange(fc);
  const double r = std::exp(-kPi * fr / x);
  slot->a1 = 2.0 * r * std::cos(2.0 * kPi * fr);
  slot->a2 = std::exp(-2.0 * kPi * fr / x);
  slot->b = std::cos(kPi * fr) * std::sqrt(1.0 - slot->a1 + slot->a2);
  slot->active = 1;
}

double HighShelfCorrectionDb(double f) {
  const double step = f * kTableRate / 1000.0;
  // Beyond the last point the last segment goes on.
  int k = static_cast<int>(std::floor(step));
  k = std::min(std::max(k, 0), kHighShelfPoints - 2);
  const double v0 = kHighShelfCorrection[k];
  const double v1 = kHighShelfCorrection[k + 1];
  return v0 + (step - k) * (v1 - v0);
}

void DesignShelves(const PgeqParams& p, double rate, PgeqShelfBlock* shelves) {
  *shelves = PgeqShelfBlock{};

  if (p.lowShelfEnable && p.lowShelfGain != 0) {
    const double db = p.lowShelfGain / 10.0;
    const double f = p.lowShelfFrequency / rate;
    PgeqLowShelfStage& s = shelves->low[0];
    if (p.lowShelfGain > 0) {
      shelves->lowType = kPgeqShelfBoost;
      Prototype(f / 1.5, 0.7, &s);
      s.c0 = 1.0;
      s.c1 = std::pow(10.0, db / 40.0) - 1.0;
    } else {
      shelves->lowType = kPgeqShelfCut;
      Prototype(f >= 500.0 / kTableRate ? f / 3.3 : f / 2.2, 0.1, &s);
      // At the floor the stage passes nothing of the low-pass part.
      s.c0 = db <= -25.0 ? 0.0 : std::pow(10.0, db / 40.0);
      s.c1 = 1.0 - s.c0;
    }
    shelves->low[1] = s;
  }

  if (p.highShelfEnable && p.highShelfGain != 0) {
    const double db = p.highShelfGain / 10.0;
    const double f = p.highShelfFrequency / rate;
    PgeqHighShelfStage& s = shelves->high[0];
    double fp;
    if (p.highShelfGain > 0) {
      shelves->highType = kPgeqShelfBoost;
      fp = f;
      Prototype(fp, 0.7, &s);
      s.c1 = std::pow(10.0, db / 40.0) - 1.0;
    } else {
      shelves->highType = kPgeqShelfCut;
      fp = HighCutPrototypeFrequency(f);
      Prototype(fp, 0.3, &s);
      s.c1 = db <= -25.0 ? -1.0 : std::pow(10.0, db / 40.0) - 1.0;
    }
    s.c0 = 1.0;
    s.corr = std::pow(10.0, HighShelfCorrectionDb(ClampToDesignRange(fp)) / 20.0);
    shelves->high[1] = s;
  }
}

}  // namespace orlofx

// Coefficient design of the Paragraphic EQ's sections.
//
// A band is a two-pole resonator whose band-pass output, scaled by g, is
// added to the signal:
//
//   x ──┬────────────────────────────(+)──► x'
//       └─► y = b·x + a1·y1 − a2·y2 ──► g·(y − y1) ──┘
//
// Its centre is pre-corrected from a measured table (requested against
// reached frequency, by bandwidth) so the peak lands where it was asked.
// A shelf is two equal stages of a two-pole resonant low-pass: the low shelf
// mixes the low-pass (boost) or its complement (cut) into the signal, the
// high shelf mixes the low-pass's second difference.
//
// All frequencies are normalised (Hz / sample rate); the design range is
// 0.0003..0.49.
#pragma once

#include <cstdint>

#include "effects/pgeq/pgeq_params.h"

namespace orlofx {

constexpr double kPgeqMinFrequency = 0.0003;
constexpr double kPgeqMaxFrequency = 0.49;

struct PgeqBandSlot {
  std::int32_t active;
  double y1, y2;
  double a1, a2, b, g;
};

struct PgeqLowShelfStage {
  double y1, y2;
  double a1, a2, b, c0, c1;
};

struct PgeqHighShelfStage {
  double y1, y2;
  double a1, a2, b, corr, c0, c1;
};

enum PgeqShelfType : std::int32_t { kPgeqShelfOff = 0, kPgeqShelfBoost = 1, kPgeqShelfCut = 2 };

struct PgeqBandBlock {
  PgeqBandSlot slots[kPgeqBands];
};

struct PgeqShelfBlock {
  std::int32_t lowType;
  PgeqLowShelfStage low[2];
  std::int32_t highType;
  PgeqHighShelfStage high[2];
};

// The band-frequency correction tables, in normalised frequency (the
// table's Hz divided by 44100): loaded afresh at each design.
class PgeqCorrectionTable {
 public:
  static constexpr int kRows = 7;
  static constexpr int kColumns = 7;

  PgeqCorrectionTable();
  // R(x, f0): the factor that moves requested frequency f0 (already in the
  // design range) of a band of 1/x octaves to where the resonator peaks.
  double Factor(double x, double f0) const;

 private:
  double x_[kRows];
  double f_[kColumns];
  double m_[kRows][kColumns];
};

double ClampToDesignRange(double f);

// Band k's slot contents (coefficients only; memory untouched) for gain in
// tenths of a dB, width in tenths of an octave and centre/rate.
void DesignBand(const PgeqCorrectionTable& table, std::int32_t gain, std::int32_t width,
                double frequency, PgeqBandSlot* slot);

// Both shelves from a clamped record; stages restart from silence.
void DesignShelves(const PgeqParams& p, double rate, PgeqShelfBlock* shelves);

// The high-shelf gain correction in dB at normalised frequency f.
double HighShelfCorrectionDb(double f);

}  // namespace orlofx

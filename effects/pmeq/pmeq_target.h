// The Parametric EQ's designer: its settings as a target magnitude curve,
// drawn on a linear frequency grid of N bins where bin k stands for
// k·(fs/2)/(N-1) Hz.
//
//   low shelf      G·A ______/‾‾‾‾‾‾ G          (ramp klo .. k0)
//   high shelf     G   ‾‾‾‾‾‾\______ G·A        (ramp k0 .. khi)
//   band-pass      G·A ___/‾‾‾‾‾\___ G·A        (ramps klo2 .. klo, khi .. khi2)
//   notch/boost    G   ‾‾‾\_____/‾‾‾ G          (A inside klo .. khi)
//
// A = 10^(amount/200) (single precision) and G = 10^(output gain/200). The
// ramps are linear in amplitude. Any other filter type is a flat G.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/fir_engine.h"
#include "effects/pmeq/pmeq_params.h"

namespace orlofx {

// Where the curve bends, for one set of settings.
struct PmeqBins {
  double fc;       // design frequency: the setting, but at most 0.47·fs
  double w;        // width factor (square-rooted for the band types)
  float m;         // transition factor of the band types: w, at most 1.2
  int k0;          // bin of fc
  int klo, khi;    // k0 / w and k0 · w
  int klo2, khi2;  // klo / m and khi · m (band types)
};

PmeqBins PmeqDesignBins(const PmeqParams& params, double fs, std::size_t n);

// Fills target[0..n-1].
void PmeqTargetResponse(const PmeqParams& params, double fs, std::size_t n, double* target);

// The engine's rules for this effect (the output gain is part of the curve,
// so samples leave with gain 1).
extern const FirDesignRules kPmeqDesignRules;

}  // namespace orlofx

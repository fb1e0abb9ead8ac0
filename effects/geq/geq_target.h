// The Graphic EQ's designer: its envelope as a target magnitude curve on a
// linear grid of N bins, bin k standing for k·fs/(2N) Hz.
//
// Each envelope segment is cut into ten steps, straight on the page's axes
// (log frequency, warped dB); between the steps' bins the curve is linear in
// amplitude. The ends are held flat out to bin 0 and bin N-1. The output
// gain is not part of the curve: it is applied as samples leave the engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/fir_engine.h"
#include "effects/geq/geq_params.h"

namespace orlofx {

// Linear gain of an envelope y: 0 for -500 (silence); otherwise with
// a = |y|, e = 2^(a/100) - 1 up to 100 and 2^((a-100)/100) above,
// dB = 3·e·sign(y). Values outside -500..400 are taken at the nearest end.
double GeqPointGain(std::int32_t y);

// Hz of an envelope x: 20·2^(x/1000).
double GeqPointFrequency(std::int32_t x);

// Linear output gain 10^(gain/200), the gain clamped to -600..200.
double GeqOutputGainFactor(std::int32_t outputGain);

// Bin of an envelope x for an n-point design at rate fs (at most n-1).
int GeqBin(std::int32_t x, double fs, std::size_t n);

// Fills target[0..n-1] from the points in use. Points are taken within
// their ranges and the count within 2..64, so the record may hold anything.
void GeqTargetResponse(const GeqParams& params, double fs, std::size_t n, double* target);

// The engine's rules for this effect (samples leave scaled by the output gain).
extern const FirDesignRules kGeqDesignRules;

}  // namespace orlofx

// The Graphic EQ's fader pages as envelope editors, apart from any window.
//
// The processor follows only the envelope. A band fader therefore rewrites
// the envelope around its band: a plateau at the fader's level over the
// band's width, ramps of the same width down to the curve as it was on either
// side. The other way, the faders show what the envelope does at their
// centres: the largest deviation from 0 dB of a fixed-rate target curve over
// a window around each centre.
//
//            xl _____ xr                  xl = xc - w, xr = xc + w
//              /     \                    xll = xc - 2w, xrr = xc + 2w
//   ______ xll/       \xrr ______         (w: 250 on the 10-band page,
//                                              125 on the 20-band page)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "effects/geq/geq_params.h"

namespace orlofx {

enum class GeqFaderPage {
  kTenBand,     // faders for bands 2, 4, ..., 20 (k = 1, 3, ..., 19)
  kTwentyBand,  // a fader for every band
};

constexpr std::int32_t kGeqTenBandHalfWidth = 250;
constexpr std::int32_t kGeqTwentyBandHalfWidth = 125;

constexpr std::int32_t GeqHalfWidth(GeqFaderPage page) {
  return page == GeqFaderPage::kTenBand ? kGeqTenBandHalfWidth : kGeqTwentyBandHalfWidth;
}

// The envelope y of a fader gain in tenths of a dB, the inverse of the gain
// mapping (GeqPointGain): -500 for -480 and below; otherwise 0, 3, 6, 12 and
// 24 dB give 0, 100, 200, 300 and 400, rounded half up in magnitude, and
// never lower than -499 (only the fader's bottom is silence).
std::int32_t GeqLevelOfGain(std::int32_t gain);

// An envelope as the record holds it.
struct GeqEnvelope {
  std::array<GeqPoint, kGeqMaxPoints> points{};
  std::size_t count = 0;
  const GeqPoint* data() const { return points.data(); }
  std::size_t size() const { return count; }
  const GeqPoint* begin() const { return points.data(); }
  const GeqPoint* end() const { return points.data() + count; }
};

// The envelope after band `band` (0..19) was set to `gain` on `page`, made
// without allocating (a band is moved while audio plays).
// `points` may come in any order and hold values out of range; the result is
// sorted, within range, and holds 2..64 points. The envelope's first and last
// points stay in place (their levels may change), so the curve keeps its ends.
GeqEnvelope GeqEditBand(const GeqPoint* points, std::size_t count, int band, std::int32_t gain,
                        GeqFaderPage page);

// The twenty band gains (tenths of a dB, -480..240) that the fader pages show
// for an envelope, whatever the stream's rate.
std::array<std::int32_t, kGeqBandCount> GeqBandGainsOf(const GeqPoint* points, std::size_t count);

// The graph's readout of the pointer at (x, y): the frequency in Hz, rounded,
// and the gain in tenths of a dB, truncated toward zero.
std::int32_t GeqReadoutFrequency(std::int32_t x);
std::int32_t GeqReadoutTenths(std::int32_t y);

// "20,480 Hz, 24.0 dB" in the current language (string 7045), "-0.3" for a
// gain between -1 and 0 dB as for any other negative gain.
std::string GeqReadoutText(std::int32_t x, std::int32_t y);

}  // namespace orlofx

// The Paragraphic EQ page's response graph: an illustration of the four
// bands and two shelves in integer units, not the filters' true response.
//
//   curve c[0..1000]: 100 positions per octave from 20 Hz (10 octaves),
//                     2048 units per 25 dB
//   band:  a raised-cosine bump of half width h = 5 positions per tenth of
//          an octave around the band's position
//   shelf: a ramp of 15 units per position away from the shelf frequency,
//          rising to the shelf's gain (at most 8192 units, four half-heights)
//
// The page paints what GraphPicture describes; the arithmetic lives here so
// that it can be checked without a window.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "effects/pgeq/pgeq_params.h"

namespace orlofx {

constexpr int kGraphPositions = 1000;       // curve indices 0..1000
constexpr int kGraphUnitsPer25dB = 2048;    // vertical units of a half-height
constexpr int kGraphShelfStep = 15;         // MulDiv(2048, 180, 25000)
constexpr int kGraphShelfLimit = 8192;      // a full ±25 dB shelf: four half-heights

using GraphCurve = std::array<std::int32_t, kGraphPositions + 1>;

// a·b/c with a 64-bit product, rounded half away from zero; -1 for a zero
// divisor or a result beyond 32 bits (the platform's MulDiv, so that the
// graph has the same pixels everywhere).
std::int32_t RoundedMulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

// Position of `hz` on the curve: trunc(ln(hz / 20) · 144.269504). Below
// 20 Hz it is negative.
int GraphPosition(std::int32_t hz);

// Rising half cosine: trunc((0.5 + 0.5·cos(π·(i − 1000)/1000)) · 2048),
// 0 at i = 0, 2047 at i = 999.
const std::array<std::int32_t, kGraphPositions>& GraphBell();

// Adds one band's bump; a gain of 0 adds nothing. Parts of the bump outside
// 1..1000 (left half) and 0..1000 (right half and peak) are left out.
void AddGraphBand(GraphCurve& curve, std::int32_t gain, std::int32_t width, std::int32_t center);

// Adds a shelf ramp from the shelf's position down to 0 (low) or up to
// 1000 (high), growing 15 units a position to the gain's height.
void AddGraphLowShelf(GraphCurve& curve, std::int32_t frequency, std::int32_t gain);
void AddGraphHighShelf(GraphCurve& curve, std::int32_t frequency, std::int32_t gain);

// The curve of every active band and enabled shelf.
GraphCurve ComputeGraphCurve(const PgeqParams& params);

// A one-pixel column: rows [top, bottom) at x, in client pixels.
struct GraphSpan {
  int x;
  int top;
  int bottom;
};

// Everything the graph shows, in client pixels of a `width` × `height`
// window: a black left edge, the drawing area one pixel in from every side,
// the curve filled from the bottom, the 0 dB line and the band marker.
struct GraphPicture {
  int areaLeft = 0, areaTop = 0, areaWidth = 0, areaHeight = 0;
  int middle = 0;                 // row of the 0 dB line
  std::vector<GraphSpan> curve;   // one per position 1..1000 that shows (clipped)
  bool hasMarker = false;
  GraphSpan marker = {};          // the highlighted band's column
};

// Pixel column of curve position x: areaLeft + MulDiv(x, areaWidth − 1, 1000).
int GraphColumn(const GraphPicture& picture, int x);
// Row where a curve value of `units` ends: middle − MulDiv(units, areaHeight/2, 2048).
int GraphRow(const GraphPicture& picture, std::int32_t units);

// `params` null: no effect bound, so only the frame and the 0 dB line.
GraphPicture ComputeGraphPicture(const PgeqParams* params, int width, int height);

}  // namespace orlofx

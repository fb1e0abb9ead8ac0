#include "effects/pgeq/pgeq_graph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace orlofx {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPositionsPerLog = 144.269504;  // 100 / ln 2: 100 positions an octave
constexpr std::int32_t kFullShelfGain = 250;     // ±25 dB
constexpr std::int32_t kGainUnits = 250;         // tenths of a dB in 2048 units

bool OnCurve(int i) { return i >= 0 && i <= kGraphPositions; }

// One shelf ramp from the shelf's position outward: toward 0 (direction
// -1, low shelf) or toward 1000 (+1, high shelf).
void AddShelf(GraphCurve& curve, std::int32_t frequency, std::int32_t gain, int direction) {
  const std::int32_t limit = (gain == kFullShelfGain || gain == -kFullShelfGain)
                                 ? kGraphShelfLimit
                                 : std::abs(RoundedMulDiv(gain, kGraphUnitsPer25dB, kGainUnits));
  int i = GraphPosition(frequency);
  std::int64_t a = 0;
  // A shelf placed beyond the near end enters the curve at the height its
  // ramp has reached there.
  const int outside = direction < 0 ? i - kGraphPositions : -i;
  if (outside > 0) {
    a = std::min<std::int64_t>(std::int64_t{kGraphShelfStep} * outside, limit);
    i = direction < 0 ? kGraphPositions : 0;
  }
  for (; OnCurve(i); i += direction) {
    curve[i] += static_cast<std::int32_t>(gain < 0 ? -a : a);
    // The ramp stops at the shelf's height: it never overshoots it.
    a = std::min<std::int64_t>(a + kGraphShelfStep, limit);
  }
}

}  // namespace

std::int32_t RoundedMulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  std::int64_t divisor = c;
  std::int64_t product = static_cast<std::int64_t>(a) * b;
  if (divisor < 0) {
    divisor = -divisor;
    product = -product;
  }
  const std::int64_t half = divisor / 2;
  const std::int64_t result = (product >= 0 ? product + half : product - half) / divisor;
  if (result > std::numeric_limits<std::int32_t>::max() ||
      result < -std::numeric_limits<std::int32_t>::max())
    return -1;
  return static_cast<std::int32_t>(result);
}

int GraphPosition(std::int32_t hz) {
  if (hz <= 0) return std::numeric_limits<int>::min() / 2;  // far left of everything
  return static_cast<int>(std::log(hz / 20.0) * kPositionsPerLog);
}

const std::array<std::int32_t, kGraphPositions>& GraphBell() {
  static const std::array<std::int32_t, kGraphPositions> bell = [] {
    std::array<std::int32_t, kGraphPositions> table{};
    for (int i = 0; i < kGraphPositions; ++i)
      table[i] = static_cast<std::int32_t>(
          (0.5 + 0.5 * std::cos(kPi * (i - kGraphPositions) / kGraphPositions)) *
          kGraphUnitsPer25dB);
    return table;
  }();
  return bell;
}

void AddGraphBand(GraphCurve& curve, std::int32_t gain, std::int32_t width, std::int32_t center) {
  if (gain == 0) return;
  const auto& bell = GraphBell();
  const int h = RoundedMulDiv(width, 10, 1) / 2;
  const int c0 = GraphPosition(center);
  for (int j = 0; j < h; ++j) {
    const int index = std::min(RoundedMulDiv(j, kGraphPositions, h), kGraphPositions - 1);
    const std::int32_t v = RoundedMulDiv(gain, bell[index], kGainUnits);
    const int left = c0 - h + j;
    if (left > 0 && left <= kGraphPositions) curve[left] += v;
    const int right = c0 + h - j;
    if (OnCurve(right)) curve[right] += v;
  }
  if (OnCurve(c0)) curve[c0] += RoundedMulDiv(gain, bell[kGraphPositions - 1], kGainUnits);
}

void AddGraphLowShelf(GraphCurve& curve, std::int32_t frequency, std::int32_t gain) {
  AddShelf(curve, frequency, gain, -1);
}

void AddGraphHighShelf(GraphCurve& curve, std::int32_t frequency, std::int32_t gain) {
  AddShelf(curve, frequency, gain, +1);
}

GraphCurve ComputeGraphCurve(const PgeqParams& params) {
  GraphCurve curve{};
  for (int band = 0; band < kPgeqBands; ++band)
    AddGraphBand(curve, params.gain[band], params.width[band], params.center[band]);
  if (params.lowShelfEnable)
    AddGraphLowShelf(curve, params.lowShelfFrequency, params.lowShelfGain);
  if (params.highShelfEnable)
    AddGraphHighShelf(curve, params.highShelfFrequency, params.highShelfGain);
  return curve;
}

int GraphColumn(const GraphPicture& picture, int x) {
  return picture.areaLeft + RoundedMulDiv(x, picture.areaWidth - 1, kGraphPositions);
}

int GraphRow(const GraphPicture& picture, std::int32_t units) {
  return picture.middle - RoundedMulDiv(units, picture.areaHeight / 2, kGraphUnitsPer25dB);
}

GraphPicture ComputeGraphPicture(const PgeqParams* params, int width, int height) {
  GraphPicture picture;
  picture.areaLeft = 1;
  picture.areaTop = 1;
  picture.areaWidth = std::max(width - 2, 0);
  picture.areaHeight = std::max(height - 2, 0);
  picture.middle = picture.areaTop + picture.areaHeight / 2;
  if (!params || picture.areaWidth == 0 || picture.areaHeight == 0) return picture;

  const int bottom = picture.areaTop + picture.areaHeight;
  const GraphCurve curve = ComputeGraphCurve(*params);
  picture.curve.reserve(kGraphPositions);
  for (int x = 1; x <= kGraphPositions; ++x) {
    const int top = std::max(GraphRow(picture, curve[x]), picture.areaTop);
    if (top < bottom) picture.curve.push_back(GraphSpan{GraphColumn(picture, x), top, bottom});
  }

  const std::int32_t band = params->highlightBand;
  if (band >= 0 && band < kPgeqBands) {
    const int position = std::clamp(GraphPosition(params->center[band]), 0, kGraphPositions);
    const std::int32_t gain = params->gain[band];
    const int length = std::max(
        RoundedMulDiv(std::abs(RoundedMulDiv(gain, kGraphUnitsPer25dB, kGainUnits)),
                      picture.areaHeight / 2, kGraphUnitsPer25dB),
        1);
    // Off the 0 dB line, so that the line stays whole; a band at 0 dB shows
    // as the one pixel on it.
    GraphSpan span = {GraphColumn(picture, position), picture.middle, picture.middle + 1};
    if (gain > 0) span = {span.x, picture.middle - length, picture.middle};
    if (gain < 0) span = {span.x, picture.middle + 1, picture.middle + 1 + length};
    span.top = std::max(span.top, picture.areaTop);
    span.bottom = std::min(span.bottom, bottom);
    if (span.top < span.bottom) {
      picture.hasMarker = true;
      picture.marker = span;
    }
  }
  return picture;
}

}  // namespace orlofx

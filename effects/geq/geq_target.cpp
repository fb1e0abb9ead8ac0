#include "effects/geq/geq_target.h"

#include <algorithm>
#include <cmath>

#include "framework/parameters.h"

namespace orlofx {

namespace {

float SingleGain(std::int32_t y) { return static_cast<float>(GeqPointGain(y)); }

// Linear in amplitude strictly between bins a and b, with the step rounded
// to single precision.
void FillBetween(double* target, int a, int b) {
  if (a > b) std::swap(a, b);
  if (b - a < 2) return;
  const float step = static_cast<float>((target[b] - target[a]) / (b - a));
  for (int i = 1; i < b - a; ++i) target[a + i] = target[a] + i * static_cast<double>(step);
}

// trunc(v + 0.5) toward zero, as the envelope steps are rounded.
std::int32_t RoundStep(double v) { return static_cast<std::int32_t>(std::trunc(v + 0.5)); }

double TargetOf(const std::int32_t* fields, double fs, std::size_t n, double* target) {
  const GeqParams p = ParamsFromFields<GeqParams>(fields);
  GeqTargetResponse(p, fs, n, target);
  return GeqOutputGainFactor(p.outputGain);
}

}  // namespace

const FirDesignRules kGeqDesignRules = {FieldCountOf<GeqParams>(), kGeqAccuracy, &TargetOf, true};

double GeqPointGain(std::int32_t y) {
  y = ClampTo(y, kGeqYSilence, kGeqYMax);
  if (y == kGeqYSilence) return 0.0;
  const double a = std::abs(y);
  const double e = a <= 100.0 ? std::pow(2.0, a / 100.0) - 1.0 : std::pow(2.0, (a - 100.0) / 100.0);
  const double db = 3.0 * e * (y >= 0 ? 1.0 : -1.0);
  return std::pow(10.0, db / 20.0);
}

double GeqPointFrequency(std::int32_t x) { return 20.0 * std::pow(2.0, x / 1000.0); }

double GeqOutputGainFactor(std::int32_t outputGain) {
  return std::pow(10.0, ClampTo(outputGain, kGeqOutputGainMin, kGeqOutputGainMax) / 200.0);
}

int GeqBin(std::int32_t x, double fs, std::size_t n) {
  const int last = static_cast<int>(n) - 1;
  const double bin =
      std::trunc(GeqPointFrequency(ClampTo(x, kGeqXMin, kGeqXMax)) * n / (fs / 2.0) + 0.5);
  if (!(bin < last)) return last;  // also a rate so low the bin is not finite
  return static_cast<int>(bin);
}

void GeqTargetResponse(const GeqParams& params, double fs, std::size_t size, double* target) {
  const int n = static_cast<int>(size);
  const int count = ClampTo(params.pointCount, kGeqMinPoints, kGeqMaxPoints);
  GeqPoint p[kGeqMaxPoints];
  for (int i = 0; i < count; ++i)
    p[i] = GeqPoint{ClampTo(params.points[i].x, kGeqXMin, kGeqXMax),
                    ClampTo(params.points[i].y, kGeqYSilence, kGeqYMax)};
  std::fill(target, target + n, 0.0);

  // The ends, held flat out to the band edges.
  const int first = GeqBin(p[0].x, fs, size);
  target[0] = target[first] = SingleGain(p[0].y);
  FillBetween(target, 0, first);
  const int last = GeqBin(p[count - 1].x, fs, size);
  target[last] = target[n - 1] = SingleGain(p[count - 1].y);
  FillBetween(target, last, n - 1);

  for (int i = 0; i + 1 < count; ++i) {
    const double dx = (p[i + 1].x - p[i].x) / 10.0;
    const double dy = (p[i + 1].y - p[i].y) / 10.0;
    for (int s = 0; s < 10; ++s) {
      const std::int32_t xa = RoundStep(s * dx) + p[i].x;
      const std::int32_t xb = RoundStep((s + 1) * dx) + p[i].x;
      const std::int32_t ya = RoundStep(s * dy) + p[i].y;
      const std::int32_t yb = RoundStep((s + 1) * dy) + p[i].y;
      const int ka = GeqBin(xa, fs, size), kb = GeqBin(xb, fs, size);
      target[ka] = SingleGain(ya);
      target[kb] = SingleGain(yb);
      FillBetween(target, ka, kb);
    }
  }
}

}  // namespace orlofx

#include "effects/pmeq/pmeq_target.h"

#include <algorithm>
#include <cmath>

#include "framework/parameters.h"

namespace orlofx {

namespace {

int TruncToBin(double v, int last) {
  if (!(v > 0.0)) return 0;  // also a NaN
  return v >= last ? last : static_cast<int>(v);
}

// `length` bins from `start` in direction `dir` (+1 up, -1 down): the j-th
// gets G·(A + j·(1 - A)/length). Nothing for a length of zero or less.
void Ramp(double* target, int n, int start, int dir, int length, double a, double g) {
  if (length <= 0) return;
  const double step = (1.0 - a) / length;
  for (int j = 0; j < length; ++j) {
    const int k = start + dir * j;
    if (k >= 0 && k < n) target[k] = g * (a + j * step);
  }
}

void Fill(double* target, int n, int from, int to, double value) {
  for (int k = std::max(from, 0); k <= std::min(to, n - 1); ++k) target[k] = value;
}

double TargetOf(const std::int32_t* fields, double fs, std::size_t n, double* target) {
  PmeqTargetResponse(ParamsFromFields<PmeqParams>(fields), fs, n, target);
  return 1.0;
}

}  // namespace

const FirDesignRules kPmeqDesignRules = {FieldCountOf<PmeqParams>(), kPmeqAccuracy, &TargetOf, false};

PmeqBins PmeqDesignBins(const PmeqParams& params, double fs, std::size_t n) {
  // The setters keep these in range; a record no preset has reached yet
  // (all zero) is covered by clamping again.
  const PmeqParams p = ClampPmeqParams(params);
  const int last = static_cast<int>(n) - 1;
  PmeqBins b{};
  b.fc = std::min<double>(p.frequency, 0.47 * fs);
  b.w = std::pow(2.0, p.width / 10.0);
  if (p.filterType == kPmeqBandPass || p.filterType == kPmeqBandNotch) b.w = std::sqrt(b.w);
  b.k0 = TruncToBin(b.fc / (fs / 2.0) * last + 0.5, last);
  b.khi = TruncToBin(b.k0 * b.w + 0.5, last);
  b.klo = TruncToBin(b.k0 / b.w + 0.5, last);
  b.m = b.w >= 1.2 ? 1.2f : static_cast<float>(b.w);
  b.klo2 = TruncToBin(b.klo / static_cast<double>(b.m) + 0.5, last);
  b.khi2 = TruncToBin(static_cast<double>(b.m) * b.khi + 0.5, last);
  return b;
}

void PmeqTargetResponse(const PmeqParams& params, double fs, std::size_t size, double* target) {
  const int n = static_cast<int>(size);
  const PmeqBins b = PmeqDesignBins(params, fs, size);
  const PmeqParams p = ClampPmeqParams(params);
  const double a = static_cast<float>(std::pow(10.0, p.amount / 200.0));
  const double g = std::pow(10.0, p.outputGain / 200.0);
  const double ga = g * a;

  std::fill(target, target + n, g);
  switch (p.filterType) {
    case kPmeqLowShelf:
      Fill(target, n, 0, b.klo - 1, ga);
      Ramp(target, n, b.klo, +1, b.k0 - b.klo, a, g);
      break;
    case kPmeqHighShelf:
      Fill(target, n, b.khi + 1, n - 1, ga);
      Ramp(target, n, b.khi, -1, b.khi - b.k0, a, g);
      break;
    case kPmeqBandPass:
      Fill(target, n, 0, b.klo2 - 1, ga);
      Ramp(target, n, b.klo2, +1, b.klo - b.klo2, a, g);
      Fill(target, n, b.khi2, n - 1, ga);
      Ramp(target, n, b.khi2, -1, b.khi2 - b.khi, a, g);
      break;
    case kPmeqBandNotch:
      Fill(target, n, b.klo, b.khi - 1, ga);
      Ramp(target, n, b.khi, +1, b.khi2 - b.khi, a, g);
      Ramp(target, n, b.klo, -1, b.klo - b.klo2, a, g);
      break;
    default:
      break;  // a plain gain
  }
}

}  // namespace orlofx

#include "dsp/fir_design.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace orlofx {

namespace {

constexpr double kPi = 3.14159265358979323846264338327950288;
constexpr std::size_t kSizes[kFirSizeCount] = {kFirSizeLow, kFirSizeMedium, kFirSizeHigh};

// |v| held between the floor and the ceiling; a NaN counts as silence.
double LimitedMagnitude(double v) {
  const double m = std::fabs(v);
  if (!(m >= kFirMagnitudeFloor)) return kFirMagnitudeFloor;
  return m > kFirMagnitudeCeiling ? kFirMagnitudeCeiling : m;
}

}  // namespace

int FirSizeIndex(std::size_t n) {
  for (int i = 0; i < kFirSizeCount; ++i)
    if (kSizes[i] == n) return i;
  return -1;
}

HResult FirDesigner::Init() {
  Free();
  for (int i = 0; i < kFirSizeCount; ++i) {
    HResult hr = plans_[i].Init(2 * kSizes[i]);
    if (Failed(hr)) {
      Free();
      return hr;
    }
  }
  work_.reset(new (std::nothrow) double[4 * kFirMaxSize]);
  if (!work_) {
    Free();
    return kOutOfMemory;
  }
  return kOk;
}

void FirDesigner::Free() {
  for (auto& plan : plans_) plan.Free();
  work_.reset();
}

HResult FirDesigner::Design(const double* target, std::size_t n, double* taps, double* spectrum) {
  const int index = FirSizeIndex(n);
  if (index < 0 || !Ready() || !target) return kInvalidArg;
  ComplexFft<double>& plan = plans_[index];
  const std::size_t p = 2 * n;  // points of the design transforms
  const std::size_t m = FirTapCount(n);
  double* w = work_.get();  // p complex values as (re, im)

  bool silent = true;
  for (std::size_t k = 0; k < n; ++k)
    if (target[k] != 0.0) silent = false;

  if (silent) {
    std::fill(w, w + 2 * p, 0.0);
  } else {
    // Log magnitude of the mirrored spectrum X[k] = X[2N-1-k] = H[k].
    for (std::size_t k = 0; k < n; ++k) {
      const double logMagnitude = std::log(LimitedMagnitude(target[k]));
      w[2 * k] = logMagnitude;
      w[2 * k + 1] = 0.0;
      w[2 * (p - 1 - k)] = logMagnitude;
      w[2 * (p - 1 - k) + 1] = 0.0;
    }
    // Real cepstrum, folded onto its causal half: c'[0] = c[0],
    // c'[j] = 2 c[j] for 0 < j < N, c'[N] = c[N], nothing above.
    plan.Inverse(w);
    for (std::size_t j = 0; j < p; ++j) {
      const double c = w[2 * j];
      w[2 * j] = (j == 0 || j == n) ? c : (j < n ? 2.0 * c : 0.0);
      w[2 * j + 1] = 0.0;
    }
    // exp of its spectrum is the minimum-phase spectrum with the target's
    // magnitude; its inverse is the impulse response.
    plan.Forward(w);
    for (std::size_t k = 0; k < p; ++k) {
      const double magnitude = std::exp(w[2 * k]);
      const double phase = w[2 * k + 1];
      w[2 * k] = magnitude * std::cos(phase);
      w[2 * k + 1] = magnitude * std::sin(phase);
    }
    plan.Inverse(w);
    // Falling half of a Hamming window: 1 at j = 0, 0.08 at j = M; tap M
    // itself is not used.
    for (std::size_t j = 0; j < m; ++j) {
      w[2 * j] *= 0.54 + 0.46 * std::cos(kPi * static_cast<double>(j) / static_cast<double>(m));
      w[2 * j + 1] = 0.0;
    }
    for (std::size_t j = m; j < p; ++j) w[2 * j] = w[2 * j + 1] = 0.0;
  }

  if (taps)
    for (std::size_t j = 0; j < m; ++j) taps[j] = w[2 * j];
  if (!spectrum) return kOk;

  // The N-point spectrum of the taps is every other bin of their 2N-point
  // spectrum (the taps are shorter than N, so zero-padding changes nothing).
  if (!silent) plan.Forward(w);
  spectrum[0] = w[0];
  spectrum[1] = w[2 * n];
  for (std::size_t k = 1; k < n / 2; ++k) {
    spectrum[2 * k] = w[4 * k];
    spectrum[2 * k + 1] = w[4 * k + 1];
  }
  return kOk;
}

double FirMagnitudeDb(const double* taps, std::size_t count, double gain, double f, double fs) {
  double re = 0.0, im = 0.0;
  const double step = 2.0 * kPi * f / fs;
  for (std::size_t j = 0; j < count; ++j) {
    const double angle = step * static_cast<double>(j);
    re += taps[j] * std::cos(angle);
    im -= taps[j] * std::sin(angle);
  }
  const double magnitude = std::fabs(gain) * std::sqrt(re * re + im * im);
  if (!(magnitude > 0.0)) return kFirSilenceDb;
  return std::max(kFirSilenceDb, 20.0 * std::log10(magnitude));
}

}  // namespace orlofx

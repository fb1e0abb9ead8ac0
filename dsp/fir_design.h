// FIR kernel design for the equalisers: a target magnitude response on a
// linear frequency grid becomes a causal kernel and its spectrum.
//
//   target H[0..N-1] ─► mirrored 2N-point spectrum X ─► log |X| (floor -120 dB)
//        ─► cepstrum (inverse 2N DFT) ─► folded onto its causal half
//        ─► forward DFT, exp ─► inverse DFT: minimum-phase impulse h
//        ─► falling half of a Hamming window over h[0..M] ─► M = N/2 - 1 taps
//        ─► N-point spectrum of the taps (packed real layout)
//
// A kernel built straight from the mirrored spectrum (h[0] = r[0],
// h[n] = 2 r[n]) would only make the real part of the filter's response
// follow the target, missing its magnitude by tens of dB on deep cuts. The
// minimum-phase kernel has the target's magnitude and the least delay a
// causal filter can have, which is why it is built instead.
//
// The stored spectrum is the plain forward DFT of the N-point zero-padded
// taps (the convention of fft.h): a block's forward transform times this
// spectrum, transformed back, is the block convolved with the taps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "dsp/fft.h"
#include "support/result.h"

namespace orlofx {

// FFT sizes of the three accuracies: Low, Medium, High.
constexpr std::size_t kFirSizeLow = 256;
constexpr std::size_t kFirSizeMedium = 1024;
constexpr std::size_t kFirSizeHigh = 4096;
constexpr std::size_t kFirMaxSize = kFirSizeHigh;
constexpr int kFirSizeCount = 3;

// 0 Low, 1 Medium; any other value is High.
constexpr std::size_t FirSizeForAccuracy(std::int32_t accuracy) {
  return accuracy == 0 ? kFirSizeLow : (accuracy == 1 ? kFirSizeMedium : kFirSizeHigh);
}
// Kernel taps M and block length L of an N-point FFT: L + M - 1 < N, so the
// circular convolution of a block never wraps.
constexpr std::size_t FirTapCount(std::size_t n) { return n / 2 - 1; }
constexpr std::size_t FirBlockLength(std::size_t n) { return n / 2; }

// Index 0..2 of one of the three sizes, or -1.
int FirSizeIndex(std::size_t n);

// Levels below this (-120 dB) count as this in the logarithm.
constexpr double kFirMagnitudeFloor = 1e-6;
// Target values above this (+240 dB) are taken as this, so that no setting
// can make the design overflow.
constexpr double kFirMagnitudeCeiling = 1e12;

class FirDesigner {
 public:
  FirDesigner() = default;
  FirDesigner(const FirDesigner&) = delete;
  FirDesigner& operator=(const FirDesigner&) = delete;

  // Plans the 2N-point transforms of all three sizes and the scratch for the
  // largest; the only call that allocates. kOutOfMemory leaves it empty.
  HResult Init();
  void Free();
  bool Ready() const { return work_ != nullptr; }

  // Designs from target[0..n-1] (n one of the three sizes). Writes the
  // n/2 - 1 taps to `taps` (may be null) and the packed n-point spectrum to
  // `spectrum` (may be null). A target that is zero everywhere gives an
  // all-zero kernel: silence, not the -120 dB floor. kInvalidArg for another
  // n or a designer that is not ready.
  HResult Design(const double* target, std::size_t n, double* taps, double* spectrum);

 private:
  ComplexFft<double> plans_[kFirSizeCount];  // 2N points each
  std::unique_ptr<double[]> work_;           // 2 * kFirMaxSize complex values
};

// The magnitude in dB of gain * (the taps' response) at frequency f for
// sample rate fs, evaluated directly from the taps. Exact silence reads as
// kFirSilenceDb.
constexpr double kFirSilenceDb = -300.0;
double FirMagnitudeDb(const double* taps, std::size_t count, double gain, double f, double fs);

}  // namespace orlofx

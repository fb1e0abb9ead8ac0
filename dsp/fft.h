// Power-of-two FFTs for the FIR equalisers: a complex transform and a real
// transform built on it.
//
// A plan is made once (Init allocates the twiddle and bit-reversal tables
// and its working space); the transforms work in place on the caller's
// buffer and never allocate. A plan works in its own space, so one plan
// serves one thread at a time.
//
// Conventions (n points):
//   Forward  X[k] = sum over m of x[m] * e^(-2 pi i k m / n)       (unscaled)
//   Inverse  x[m] = (1/n) * sum over k of X[k] * e^(+2 pi i k m / n)
// so Inverse(Forward(x)) gives x back, and multiplying two forward spectra
// and taking the inverse gives the circular convolution of the sequences.
//
// Packed real layout (RealFft, n reals in, n reals out):
//   [0] X[0] (DC, real)   [1] X[n/2] (Nyquist, real)
//   [2k], [2k+1]          real and imaginary part of X[k], k = 1 .. n/2-1
// The other half of the spectrum is the complex conjugate mirror and is not
// stored. Kernel spectra and block spectra meet in this layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "support/result.h"

namespace orlofx {

// Largest transform a plan accepts (far above what the equalisers use).
constexpr std::size_t kMaxFftSize = std::size_t{1} << 24;

constexpr bool IsPowerOfTwo(std::size_t n) { return n != 0 && (n & (n - 1)) == 0; }

// T is float or double.
template <typename T>
class ComplexFft {
 public:
  ComplexFft() = default;
  ComplexFft(const ComplexFft&) = delete;
  ComplexFft& operator=(const ComplexFft&) = delete;

  // Plans an n-point transform, n a power of two from 1 to kMaxFftSize:
  // kInvalidArg for another n, kOutOfMemory when the tables cannot be had
  // (the plan is then empty).
  HResult Init(std::size_t n);
  void Free();
  std::size_t Size() const { return n_; }
  bool Ready() const { return n_ != 0; }

  // In place on Size() complex values stored as (re, im) pairs.
  void Forward(T* data);
  void Inverse(T* data);
  // The inverse without the 1/n factor.
  void InverseUnscaled(T* data);

 private:
  template <typename>
  friend class RealFft;

  // The transform proper runs in work_, where real and imaginary parts are
  // kept apart in groups of kLanes values (re of points 0..kLanes-1, their
  // im, re of the next kLanes points, ...): the butterflies then run
  // kLanes at a time, and a pass reads only four data streams.
  static constexpr std::size_t kLanes = 16 / sizeof(T);
  static std::size_t ReIndex(std::size_t i) { return 2 * (i & ~(kLanes - 1)) + (i & (kLanes - 1)); }
  static std::size_t ImIndex(std::size_t i) { return ReIndex(i) + kLanes; }
  // Reads `data` (interleaved) in bit-reversed order into work_ and runs
  // the first stage or two on the way, then the remaining passes.
  template <bool kInverse>
  void Transform(const T* data);
  void GatherToInterleaved(T* data, T scale) const;

  std::size_t n_ = 0;
  int log2n_ = 0;
  std::unique_ptr<std::uint32_t[]> reversed_;  // bit-reversed index of each index
  // Per radix-4 pass of half-size h, for each group of kLanes values of j:
  // the real parts of e^(-2 pi i j / 2h), their imaginary parts, then the
  // same for e^(-2 pi i j / 4h).
  std::unique_ptr<T[]> twiddles_;
  std::unique_ptr<T[]> work_;  // 2 * max(n, kLanes) values
};

// Real transform of n points (a power of two, at least 2) through a complex
// transform of n/2 points.
template <typename T>
class RealFft {
 public:
  RealFft() = default;
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  HResult Init(std::size_t n);
  void Free();
  std::size_t Size() const { return n_; }
  bool Ready() const { return n_ != 0; }

  // n real samples in, the packed spectrum out (in place).
  void Forward(T* data);
  // The packed spectrum in, n real samples out (in place); exact inverse of
  // Forward, the 1/n included.
  void Inverse(T* data);

 private:
  std::size_t n_ = 0;
  ComplexFft<T> half_;
  std::unique_ptr<T[]> twiddles_;  // e^(-2 pi i k / n), k = 0 .. n/4, as (re, im)
};

// Multiplies packed spectrum `a` by packed spectrum `b` in place (n reals
// each): DC and Nyquist as real scalars, the other bins as complex numbers.
template <typename T>
void MultiplyPackedSpectra(T* a, const T* b, std::size_t n);

extern template class ComplexFft<float>;
extern template class ComplexFft<double>;
extern template class RealFft<float>;
extern template class RealFft<double>;
extern template void MultiplyPackedSpectra<float>(float*, const float*, std::size_t);
extern template void MultiplyPackedSpectra<double>(double*, const double*, std::size_t);

}  // namespace orlofx

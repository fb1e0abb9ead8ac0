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
#include <new>

#include "support/result.h"

namespace orlofx {

// Largest transform a plan accepts (far above what the equalisers use).
constexpr std::size_t kMaxFftSize = std::size_t{1} << 24;

constexpr bool IsPowerOfTwo(std::size_t n) { return n != 0 && (n & (n - 1)) == 0; }

// Zeroed storage whose first value sits on a 16-byte boundary, for vector
// loads and stores.
template <typename T>
class VectorBuffer {
 public:
  // False when memory is short (the buffer is then empty).
  bool Allocate(std::size_t count) {
    constexpr std::size_t kSpare = 16 / sizeof(T);
    storage_.reset(new (std::nothrow) T[count + kSpare]());
    if (!storage_) {
      data_ = nullptr;
      return false;
    }
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(storage_.get());
    data_ = storage_.get() + ((16 - at % 16) % 16) / sizeof(T);
    return true;
  }
  void Free() {
    storage_.reset();
    data_ = nullptr;
  }
  T* get() const { return data_; }

 private:
  std::unique_ptr<T[]> storage_;
  T* data_ = nullptr;
};

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

  // The n points are read as L interleaved sequences (point q*L + l belongs
  // to sequence l), L being as many values as one vector register holds
  // (1 below L*L points or where there are no vector registers). Every pass
  // but the last runs the same arithmetic on the L sequences at once, one
  // sequence per lane, so values move between lanes only as they are read
  // and in the last pass, which joins the L sub-spectra with a radix-L step
  // and writes the result in natural order. work_ holds point p of all
  // sequences at 2*L*p: the L real parts, then the L imaginary parts.
  template <typename Lanes, bool kInverse, bool kScaled>
  void RunLanes(const T* in, T* out, T scale);
  // `in` and `out` hold n interleaved complex values and may be the same.
  template <bool kInverse, bool kScaled = false>
  void Run(const T* in, T* out, T scale = T(1));

  std::size_t n_ = 0;
  std::size_t lanes_ = 1;  // L
  std::size_t sub_ = 0;    // points per sequence, n / L
  int log2sub_ = 0;
  std::unique_ptr<std::uint32_t[]> reversed_;  // bit-reversed index of each point of a sequence
  // Per radix-4 pass of quarter-size h, for each j < h: W^2j, W^j, W^3j
  // (W = e^(-2 pi i / 4h)) as L copies of the real part, L of the
  // imaginary part each; then for the joining pass, per group of L points
  // k and per sequence l = 1 .. L-1, e^(-2 pi i l k / n) for the L points.
  VectorBuffer<T> twiddles_;
  VectorBuffer<T> work_;  // 2 * n values
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
  // Circular convolution with the sequence whose packed spectrum is given:
  // Forward, MultiplyPackedSpectra by `spectrum`, Inverse, to the last bit,
  // in one call that takes the product inside the real step instead of
  // writing the spectrum out and reading it back twice.
  void Convolve(T* data, const T* spectrum);

 private:
  // The step between the spectrum of the n/2 complex points and that of
  // the n reals, and back, works on bins k and n/2-k together: calls
  // step(lanes, k, j) for k = 1 .. n/4, by groups of L bins k .. k+L-1
  // whose partners are j+L-1 .. j where the half transform has L lanes.
  template <typename Step>
  void ForEachBinGroup(const Step& step) const;

  std::size_t n_ = 0;
  ComplexFft<T> half_;
  // e^(-2 pi i k / n), k = 0 .. n/4: the real parts, then from
  // twiddleStride_ on the imaginary parts.
  VectorBuffer<T> twiddles_;
  std::size_t twiddleStride_ = 0;
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

// The FFTs against a direct evaluation of the DFT sums, in both precisions,
// for every power of two the equalisers could use and beyond: the sizes pass
// through every arrangement the transforms have (one lane or several, a
// first stage of radix 2 or 4, scalar and vector bins in the real step).
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstddef>
#include <random>
#include <vector>

#include "dsp/fft.h"

namespace orlofx {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;
using Complex = std::complex<double>;

// Above 1024 points only every (n/1024)-th bin and the 16 at each end are
// summed directly, which keeps the test quick while every stage shows.
bool Checked(std::size_t k, std::size_t n) {
  return n <= 1024 || k % (n / 1024) == 0 || k < 16 || k + 16 >= n;
}

// The DFT sum: sign -1 forward, +1 inverse (with the 1/n); the angle is
// reduced exactly (k*m mod n) before the table is read.
std::vector<Complex> DirectDft(const std::vector<Complex>& x, int sign) {
  const std::size_t n = x.size();
  std::vector<Complex> w(n), out(n);
  for (std::size_t j = 0; j < n; ++j) w[j] = std::polar(1.0, sign * kTwoPi * j / n);
  for (std::size_t k = 0; k < n; ++k) {
    if (!Checked(k, n)) continue;
    for (std::size_t m = 0, km = 0; m < n; ++m, km = (km + k) & (n - 1)) out[k] += x[m] * w[km];
    if (sign > 0) out[k] /= static_cast<double>(n);
  }
  return out;
}

// `n` values in [-1, 1) of type T: the oracle sees what the transform sees.
template <typename T>
std::vector<T> Random(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<T> u(-1, 1);
  std::vector<T> x(n);
  for (T& v : x) v = u(rng);
  return x;
}

// Largest deviation relative to the largest reference value, over the bins
// the direct sum computed.
double RelativeError(const std::vector<Complex>& got, const std::vector<Complex>& want) {
  double err = 0.0, scale = 0.0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (!Checked(i, want.size())) continue;
    err = std::max(err, std::abs(got[i] - want[i]));
    scale = std::max(scale, std::abs(want[i]));
  }
  return err / scale;
}

// Real values, or std::complex<T> (laid out as the transforms' pairs), widened.
template <typename V>
std::vector<Complex> Widen(const std::vector<V>& x) { return {x.begin(), x.end()}; }

// The packed real layout (DC, Nyquist, then bins 1 .. n/2-1) as a full
// spectrum, the upper half mirrored.
template <typename T>
std::vector<Complex> Unpack(const std::vector<T>& packed) {
  const std::size_t n = packed.size();
  std::vector<Complex> x(n);
  x[0] = packed[0];
  x[n / 2] = packed[1];
  for (std::size_t k = 1; k < n / 2; ++k) x[n - k] = std::conj(x[k] = Complex(packed[2 * k], packed[2 * k + 1]));
  return x;
}

// About the unit roundoff per stage (13 stages at 8192 points), with room
// for the real step and the twiddles' own rounding.
template <typename T>
constexpr double kTolerance = sizeof(T) == sizeof(double) ? 2e-14 : 1.5e-6;

template <typename T>
class Fft : public ::testing::Test {};
using Precisions = ::testing::Types<float, double>;
TYPED_TEST_SUITE(Fft, Precisions);

TYPED_TEST(Fft, ComplexAndRealMatchTheDirectDftForEveryPowerOfTwo) {
  using T = TypeParam;
  for (std::size_t n = 1; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    ComplexFft<T> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    using C = std::complex<T>;
    const std::vector<T> values = Random<T>(2 * n, static_cast<unsigned>(n));
    const std::vector<C> c(reinterpret_cast<const C*>(values.data()), reinterpret_cast<const C*>(values.data()) + n);
    const std::vector<Complex> x = Widen(c);
    std::vector<C> d = c;
    fft.Forward(reinterpret_cast<T*>(d.data()));
    EXPECT_LT(RelativeError(Widen(d), DirectDft(x, -1)), kTolerance<T>);
    fft.Inverse(reinterpret_cast<T*>(d.data()));
    EXPECT_LT(RelativeError(Widen(d), x), kTolerance<T>);
    // The inverse of a spectrum that is no forward result, with and
    // without the 1/n.
    const std::vector<Complex> inverse = DirectDft(x, +1);
    d = c;
    fft.Inverse(reinterpret_cast<T*>(d.data()));
    EXPECT_LT(RelativeError(Widen(d), inverse), kTolerance<T>);
    d = c;
    fft.InverseUnscaled(reinterpret_cast<T*>(d.data()));
    for (C& v : d) v /= static_cast<T>(n);
    EXPECT_LT(RelativeError(Widen(d), inverse), kTolerance<T>);
    if (n < 2) continue;
    RealFft<T> real;
    ASSERT_EQ(real.Init(n), kOk);
    std::vector<T> p = Random<T>(n, static_cast<unsigned>(3 * n));
    const std::vector<Complex> r = Widen(p);
    real.Forward(p.data());
    EXPECT_LT(RelativeError(Unpack(p), DirectDft(r, -1)), kTolerance<T>);
    real.Inverse(p.data());
    EXPECT_LT(RelativeError(Widen(p), r), kTolerance<T>);
    // The inverse of an arbitrary packed spectrum is the direct inverse of
    // its mirrored full form.
    std::vector<T> packed = Random<T>(n, static_cast<unsigned>(5 * n));
    const std::vector<Complex> direct = DirectDft(Unpack(packed), +1);
    real.Inverse(packed.data());
    EXPECT_LT(RelativeError(Widen(packed), direct), kTolerance<T>);
  }
}

// The one-call convolution is the three calls it stands for, to the bit, and
// the product of packed spectra is circular convolution, which the block
// convolver relies on (small sizes take it through whole vectors and a
// scalar rest).
TYPED_TEST(Fft, ConvolveIsCircularConvolution) {
  using T = TypeParam;
  for (std::size_t n = 2; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    RealFft<T> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    const std::vector<T> a = Random<T>(n, static_cast<unsigned>(7 * n)), b = Random<T>(n, static_cast<unsigned>(9 * n));
    std::vector<T> kernel = a, block = b;
    fft.Forward(kernel.data());
    std::vector<T> steps = block;
    fft.Forward(steps.data());
    MultiplyPackedSpectra(steps.data(), kernel.data(), n);
    fft.Inverse(steps.data());
    fft.Convolve(block.data(), kernel.data());
    EXPECT_EQ(block, steps);
    for (std::size_t i = 0; n <= 64 && i < n; ++i) {
      double want = 0.0;
      for (std::size_t j = 0; j < n; ++j) want += double(a[j]) * b[(i + n - j) % n];
      EXPECT_NEAR(block[i], want, static_cast<double>(n) * kTolerance<T>);
    }
  }
}

TEST(Fft, OtherSizesAreRefused) {
  ComplexFft<double> c;
  EXPECT_TRUE(c.Init(0) == kInvalidArg && c.Init(12) == kInvalidArg && !c.Ready());
  RealFft<double> r;
  EXPECT_TRUE(r.Init(1) == kInvalidArg && r.Init(kMaxFftSize * 2) == kInvalidArg);
  // A failed Init leaves no half-made plan behind a good one.
  ASSERT_EQ(r.Init(64), kOk);
  EXPECT_TRUE(r.Init(63) == kInvalidArg && r.Size() == 0u);
}

}  // namespace
}  // namespace orlofx

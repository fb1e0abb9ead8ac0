// The FFTs against a direct evaluation of the DFT sums, in both precisions,
// for every power of two the equalisers could use and beyond: the sizes
// pass through every arrangement the transforms have (one lane or several,
// a first stage of radix 2 or 4, scalar and vector bins in the real step).
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

// The DFT sum itself, in double: sign -1 forward, +1 inverse (with the
// 1/n). The angle is reduced exactly (k*m mod n, n a power of two) before
// the table is read. Above 1024 points only every (n/1024)-th bin and the
// 16 bins at each end are summed (the others are left 0 and skipped by
// RelativeError), which keeps the test quick while every stage of the
// transform still shows.
bool Checked(std::size_t k, std::size_t n) {
  return n <= 1024 || k % (n / 1024) == 0 || k < 16 || k + 16 >= n;
}

std::vector<Complex> DirectDft(const std::vector<Complex>& x, int sign) {
  const std::size_t n = x.size();
  std::vector<double> c(n), s(n);
  for (std::size_t j = 0; j < n; ++j) {
    const double a = kTwoPi * static_cast<double>(j) / static_cast<double>(n);
    c[j] = std::cos(a);
    s[j] = sign * std::sin(a);
  }
  std::vector<Complex> out(n);
  for (std::size_t k = 0; k < n; ++k) {
    if (!Checked(k, n)) continue;
    double re = 0.0, im = 0.0;
    for (std::size_t m = 0, km = 0; m < n; ++m, km = (km + k) & (n - 1)) {
      re += x[m].real() * c[km] - x[m].imag() * s[km];
      im += x[m].real() * s[km] + x[m].imag() * c[km];
    }
    out[k] = sign > 0 ? Complex(re, im) / static_cast<double>(n) : Complex(re, im);
  }
  return out;
}

// Values exactly representable in T, so that the oracle sees the same
// input as the transform.
template <typename T>
std::vector<Complex> RandomSignal(std::size_t n, unsigned seed, bool real) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<Complex> x(n);
  for (auto& v : x) {
    const T re = static_cast<T>(u(rng)), im = static_cast<T>(u(rng));
    v = Complex(re, real ? T(0) : im);
  }
  return x;
}

// Largest deviation relative to the largest reference value.
// `direct`: `want` came from DirectDft, so only its summed bins count.
double RelativeError(const std::vector<Complex>& got, const std::vector<Complex>& want,
                     bool direct = false) {
  double err = 0.0, scale = 0.0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (direct && !Checked(i, want.size())) continue;
    err = std::max(err, std::abs(got[i] - want[i]));
    scale = std::max(scale, std::abs(want[i]));
  }
  return err / scale;
}

template <typename T>
std::vector<T> RealParts(const std::vector<Complex>& x) {
  std::vector<T> r(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) r[i] = static_cast<T>(x[i].real());
  return r;
}

template <typename T>
std::vector<T> Interleave(const std::vector<Complex>& x) {
  std::vector<T> d(2 * x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    d[2 * i] = static_cast<T>(x[i].real());
    d[2 * i + 1] = static_cast<T>(x[i].imag());
  }
  return d;
}

template <typename T>
std::vector<Complex> Deinterleave(const std::vector<T>& d) {
  std::vector<Complex> x(d.size() / 2);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = Complex(d[2 * i], d[2 * i + 1]);
  return x;
}

template <typename T>
std::vector<Complex> AsComplex(const std::vector<T>& reals) {
  return std::vector<Complex>(reals.begin(), reals.end());
}

// The packed real layout as a full spectrum, the upper half mirrored.
template <typename T>
std::vector<Complex> Unpack(const std::vector<T>& packed) {
  const std::size_t n = packed.size();
  std::vector<Complex> x(n);
  x[0] = packed[0];
  x[n / 2] = packed[1];
  for (std::size_t k = 1; k < n / 2; ++k) {
    x[k] = Complex(packed[2 * k], packed[2 * k + 1]);
    x[n - k] = std::conj(x[k]);
  }
  return x;
}

std::vector<double> Pack(const std::vector<Complex>& x) {
  const std::size_t n = x.size();
  std::vector<double> p(n);
  p[0] = x[0].real();
  p[1] = x[n / 2].real();
  for (std::size_t k = 1; k < n / 2; ++k) {
    p[2 * k] = x[k].real();
    p[2 * k + 1] = x[k].imag();
  }
  return p;
}

// Largest error allowed, relative to the largest value: a radix-2 FFT's
// error grows with the number of stages, about the unit roundoff per stage
// (1.1e-16 double, 6e-8 float); 13 stages at 8192 points, with room for the
// real step and the twiddles' own rounding.
template <typename T>
constexpr double kTolerance = sizeof(T) == sizeof(double) ? 2e-14 : 1.5e-6;

template <typename T>
class Fft : public ::testing::Test {};
using Precisions = ::testing::Types<float, double>;
TYPED_TEST_SUITE(Fft, Precisions);

TYPED_TEST(Fft, ComplexMatchesDirectDftForEveryPowerOfTwo) {
  using T = TypeParam;
  for (std::size_t n = 1; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    ComplexFft<T> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    const std::vector<Complex> x = RandomSignal<T>(n, static_cast<unsigned>(n), false);

    std::vector<T> d = Interleave<T>(x);
    fft.Forward(d.data());
    EXPECT_LT(RelativeError(Deinterleave(d), DirectDft(x, -1), true), kTolerance<T>);

    fft.Inverse(d.data());
    EXPECT_LT(RelativeError(Deinterleave(d), x), kTolerance<T>);

    // The inverse on its own, on a spectrum that is not a forward result,
    // with and without the 1/n.
    std::vector<T> e = Interleave<T>(x);
    fft.Inverse(e.data());
    const std::vector<Complex> inverse = DirectDft(x, +1);
    EXPECT_LT(RelativeError(Deinterleave(e), inverse, true), kTolerance<T>);
    e = Interleave<T>(x);
    fft.InverseUnscaled(e.data());
    std::vector<Complex> unscaled = Deinterleave(e);
    for (Complex& v : unscaled) v /= static_cast<double>(n);
    EXPECT_LT(RelativeError(unscaled, inverse, true), kTolerance<T>);
  }
}

TYPED_TEST(Fft, RealMatchesDirectDftForEveryPowerOfTwo) {
  using T = TypeParam;
  for (std::size_t n = 2; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    RealFft<T> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    const std::vector<Complex> x = RandomSignal<T>(n, static_cast<unsigned>(3 * n), true);
    std::vector<T> d = RealParts<T>(x);

    fft.Forward(d.data());
    const std::vector<Complex> want = DirectDft(x, -1);
    EXPECT_LT(RelativeError(Unpack(d), want, true), kTolerance<T>);
    // The stored DC and Nyquist values are real in the direct sum too.
    EXPECT_LT(std::abs(want[0].imag()) + std::abs(want[n / 2].imag()), 1e-9);

    fft.Inverse(d.data());
    EXPECT_LT(RelativeError(AsComplex(d), x), kTolerance<T>);

    // Inverse of an arbitrary packed spectrum: the direct inverse of its
    // mirrored full form is real and equals what the transform gives.
    const std::vector<Complex> y = RandomSignal<T>(n, static_cast<unsigned>(5 * n), false);
    std::vector<T> packed(n);
    for (std::size_t i = 0; i < n; ++i)
      packed[i] = static_cast<T>(i % 2 ? y[i / 2].imag() : y[i / 2].real());
    const std::vector<Complex> direct = DirectDft(Unpack(packed), +1);
    fft.Inverse(packed.data());
    EXPECT_LT(RelativeError(AsComplex(packed), direct, true), kTolerance<T>);
  }
}

// A plan reused for other data gives what a fresh plan gives: nothing is
// carried from one transform to the next.
TYPED_TEST(Fft, TransformsKeepNothingBetweenCalls) {
  using T = TypeParam;
  const std::size_t n = 512;
  RealFft<T> used, fresh;
  ASSERT_EQ(used.Init(n), kOk);
  std::vector<T> first = Interleave<T>(RandomSignal<T>(n / 2, 21u, false));
  used.Forward(first.data());
  used.Inverse(first.data());
  std::vector<T> second = Interleave<T>(RandomSignal<T>(n / 2, 22u, false));
  std::vector<T> again = second;
  used.Forward(second.data());
  ASSERT_EQ(fresh.Init(n), kOk);
  fresh.Forward(again.data());
  EXPECT_EQ(second, again);
}

// The one-call convolution is the three calls it stands for, to the bit,
// at every size.
TYPED_TEST(Fft, ConvolveIsForwardProductInverse) {
  using T = TypeParam;
  for (std::size_t n = 2; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    RealFft<T> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    std::vector<T> kernel = RealParts<T>(RandomSignal<T>(n, static_cast<unsigned>(7 * n), true));
    std::vector<T> block = RealParts<T>(RandomSignal<T>(n, static_cast<unsigned>(9 * n), true));
    fft.Forward(kernel.data());
    std::vector<T> steps = block;
    fft.Forward(steps.data());
    MultiplyPackedSpectra(steps.data(), kernel.data(), n);
    fft.Inverse(steps.data());
    fft.Convolve(block.data(), kernel.data());
    EXPECT_EQ(block, steps);
  }
}

TEST(Fft, SmallestSizesAreExact) {
  ComplexFft<double> one;
  ASSERT_EQ(one.Init(1), kOk);
  double z[2] = {0.25, -3.0};
  one.Forward(z);
  EXPECT_EQ(z[0], 0.25);
  EXPECT_EQ(z[1], -3.0);

  RealFft<double> two;
  ASSERT_EQ(two.Init(2), kOk);
  double x[2] = {3.0, 1.0};
  two.Forward(x);
  EXPECT_EQ(x[0], 4.0);  // DC
  EXPECT_EQ(x[1], 2.0);  // Nyquist
  two.Inverse(x);
  EXPECT_EQ(x[0], 3.0);
  EXPECT_EQ(x[1], 1.0);
}

TEST(Fft, RefusesSizesThatAreNotPowersOfTwo) {
  ComplexFft<double> c;
  EXPECT_EQ(c.Init(0), kInvalidArg);
  EXPECT_EQ(c.Init(12), kInvalidArg);
  EXPECT_FALSE(c.Ready());
  RealFft<double> r;
  EXPECT_EQ(r.Init(1), kInvalidArg);
  EXPECT_EQ(r.Init(1000), kInvalidArg);
  EXPECT_EQ(r.Init(kMaxFftSize * 2), kInvalidArg);
  EXPECT_FALSE(r.Ready());
  // A failed Init leaves no half-made plan behind a good one.
  ASSERT_EQ(r.Init(64), kOk);
  EXPECT_EQ(r.Init(63), kInvalidArg);
  EXPECT_EQ(r.Size(), 0u);
}

// Multiplying packed spectra and transforming back is circular convolution,
// which is what the block convolver relies on. The sizes take the product
// through whole vectors and a scalar rest.
TYPED_TEST(Fft, PackedProductIsCircularConvolution) {
  using T = TypeParam;
  for (std::size_t n : {4u, 8u, 64u}) {
    SCOPED_TRACE(n);
    RealFft<T> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    const std::vector<Complex> a = RandomSignal<T>(n, 11u, true);
    const std::vector<Complex> b = RandomSignal<T>(n, 12u, true);
    std::vector<T> sa = RealParts<T>(a), sb = RealParts<T>(b);
    fft.Forward(sa.data());
    fft.Forward(sb.data());
    MultiplyPackedSpectra(sa.data(), sb.data(), n);
    fft.Inverse(sa.data());
    for (std::size_t i = 0; i < n; ++i) {
      double want = 0.0;
      for (std::size_t j = 0; j < n; ++j) want += a[j].real() * b[(i + n - j) % n].real();
      EXPECT_NEAR(sa[i], want, static_cast<double>(n) * kTolerance<T>);
    }
    // Pack and Unpack agree with the transform's own layout.
    const std::vector<double> p = Pack(Unpack(sb));
    EXPECT_EQ(p, std::vector<double>(sb.begin(), sb.end()));
  }
}

}  // namespace
}  // namespace orlofx

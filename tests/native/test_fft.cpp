// The FFTs against a direct evaluation of the DFT sums, for every power of two
// the equalisers could use and beyond.
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

// The DFT sum itself: sign -1 forward, +1 inverse (with the 1/n). The angle
// is reduced exactly (k*m mod n, n a power of two) before the table is read.
// Above 1024 points only every (n/1024)-th bin and the 16 bins at each end
// are summed (the others are left 0 and skipped by RelativeError), which
// keeps the test quick while every stage of the transform still shows.
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

std::vector<Complex> RandomSignal(std::size_t n, unsigned seed, bool real) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<Complex> x(n);
  for (auto& v : x) v = Complex(u(rng), real ? 0.0 : u(rng));
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

std::vector<double> Interleave(const std::vector<Complex>& x) {
  std::vector<double> d(2 * x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    d[2 * i] = x[i].real();
    d[2 * i + 1] = x[i].imag();
  }
  return d;
}

std::vector<Complex> Deinterleave(const std::vector<double>& d) {
  std::vector<Complex> x(d.size() / 2);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = Complex(d[2 * i], d[2 * i + 1]);
  return x;
}

// The packed real layout as a full spectrum, the upper half mirrored.
std::vector<Complex> Unpack(const std::vector<double>& packed) {
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

constexpr double kTolerance = 1e-12;

TEST(Fft, ComplexMatchesDirectDftForEveryPowerOfTwo) {
  for (std::size_t n = 4; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    ComplexFft<double> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    const std::vector<Complex> x = RandomSignal(n, static_cast<unsigned>(n), false);

    std::vector<double> d = Interleave(x);
    fft.Forward(d.data());
    const std::vector<Complex> spectrum = Deinterleave(d);
    EXPECT_LT(RelativeError(spectrum, DirectDft(x, -1), true), kTolerance);

    fft.Inverse(d.data());
    EXPECT_LT(RelativeError(Deinterleave(d), x), kTolerance);

    // The inverse on its own, on a spectrum that is not a forward result.
    std::vector<double> e = Interleave(x);
    fft.Inverse(e.data());
    EXPECT_LT(RelativeError(Deinterleave(e), DirectDft(x, +1), true), kTolerance);
  }
}

TEST(Fft, RealMatchesDirectDftForEveryPowerOfTwo) {
  for (std::size_t n = 4; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    RealFft<double> fft;
    ASSERT_EQ(fft.Init(n), kOk);
    const std::vector<Complex> x = RandomSignal(n, static_cast<unsigned>(3 * n), true);
    std::vector<double> d(n);
    for (std::size_t i = 0; i < n; ++i) d[i] = x[i].real();

    fft.Forward(d.data());
    const std::vector<Complex> want = DirectDft(x, -1);
    EXPECT_LT(RelativeError(Unpack(d), want, true), kTolerance);
    // The stored DC and Nyquist values are real in the direct sum too.
    EXPECT_LT(std::abs(want[0].imag()) + std::abs(want[n / 2].imag()), 1e-9);

    fft.Inverse(d.data());
    std::vector<Complex> back(n);
    for (std::size_t i = 0; i < n; ++i) back[i] = d[i];
    EXPECT_LT(RelativeError(back, x), kTolerance);

    // Inverse of an arbitrary packed spectrum: the direct inverse of its
    // mirrored full form is real and equals what the transform gives.
    const std::vector<Complex> y = RandomSignal(n, static_cast<unsigned>(5 * n), false);
    std::vector<double> packed(n);
    for (std::size_t i = 0; i < n; ++i) packed[i] = i % 2 ? y[i / 2].imag() : y[i / 2].real();
    const std::vector<Complex> full = Unpack(packed);
    const std::vector<Complex> direct = DirectDft(full, +1);
    fft.Inverse(packed.data());
    std::vector<Complex> got(n);
    for (std::size_t i = 0; i < n; ++i) got[i] = packed[i];
    EXPECT_LT(RelativeError(got, direct, true), kTolerance);
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

// The single-precision plans serve the float streams: their results stay
// within what float rounding allows.
TEST(Fft, SinglePrecisionFollowsTheDoubleResult) {
  for (std::size_t n = 256; n <= 4096; n *= 4) {
    SCOPED_TRACE(n);
    RealFft<float> f;
    RealFft<double> d;
    ASSERT_EQ(f.Init(n), kOk);
    ASSERT_EQ(d.Init(n), kOk);
    const std::vector<Complex> x = RandomSignal(n, 7u, true);
    std::vector<float> xf(n);
    std::vector<double> xd(n);
    for (std::size_t i = 0; i < n; ++i) xd[i] = xf[i] = static_cast<float>(x[i].real());
    f.Forward(xf.data());
    d.Forward(xd.data());
    double err = 0.0, scale = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      err = std::max(err, std::fabs(xf[i] - xd[i]));
      scale = std::max(scale, std::fabs(xd[i]));
    }
    EXPECT_LT(err / scale, 2e-6);
    f.Inverse(xf.data());
    for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(xf[i], static_cast<float>(x[i].real()), 2e-6);
  }
}

// Multiplying packed spectra and transforming back is circular convolution,
// which is what the block convolver relies on.
TEST(Fft, PackedProductIsCircularConvolution) {
  const std::size_t n = 64;
  RealFft<double> fft;
  ASSERT_EQ(fft.Init(n), kOk);
  const std::vector<Complex> a = RandomSignal(n, 11u, true), b = RandomSignal(n, 12u, true);
  std::vector<double> sa(n), sb(n);
  for (std::size_t i = 0; i < n; ++i) {
    sa[i] = a[i].real();
    sb[i] = b[i].real();
  }
  fft.Forward(sa.data());
  fft.Forward(sb.data());
  MultiplyPackedSpectra(sa.data(), sb.data(), n);
  fft.Inverse(sa.data());
  for (std::size_t i = 0; i < n; ++i) {
    double want = 0.0;
    for (std::size_t j = 0; j < n; ++j) want += a[j].real() * b[(i + n - j) % n].real();
    EXPECT_NEAR(sa[i], want, 1e-12);
  }
  // Pack and Unpack agree with the transform's own layout.
  std::vector<double> p = Pack(Unpack(sb));
  EXPECT_EQ(p, sb);
}

}  // namespace
}  // namespace orlofx

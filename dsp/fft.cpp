#include "dsp/fft.h"

#include <algorithm>
#include <cmath>
#include <utility>

#if defined(__GNUC__) && defined(__SSE2__)
#include <emmintrin.h>
#define ORLOFX_FFT_SSE2 1
#endif

namespace orlofx {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

int Log2(std::size_t n) {
  int bits = 0;
  while ((std::size_t{1} << bits) < n) ++bits;
  return bits;
}

// e^(-2 pi i j / m), computed in double whatever T is.
// The quarter turns are stored exactly, so that a bin meeting itself in the
// real transform is not disturbed by a cosine that is almost zero.
void Twiddle(std::size_t j, std::size_t m, double* re, double* im) {
  j %= m;
  if ((4 * j) % m == 0) {
    static constexpr double kCos[4] = {1.0, 0.0, -1.0, 0.0};
    static constexpr double kSin[4] = {0.0, 1.0, 0.0, -1.0};
    const std::size_t quarter = 4 * j / m;
    *re = kCos[quarter];
    *im = -kSin[quarter];
  } else {
    const double angle = kTwoPi * static_cast<double>(j) / static_cast<double>(m);
    *re = std::cos(angle);
    *im = -std::sin(angle);
  }
}

// The twiddle's real and imaginary parts, each repeated `lanes` times.
template <typename T>
T* StoreTwiddle(T* out, std::size_t j, std::size_t m, std::size_t lanes) {
  double re, im;
  Twiddle(j, m, &re, &im);
  std::fill(out, out + lanes, static_cast<T>(re));
  std::fill(out + lanes, out + 2 * lanes, static_cast<T>(im));
  return out + 2 * lanes;
}

// --- lanes -------------------------------------------------------------------------
//
// What the passes need of a vector of L values: arithmetic (the operators),
// aligned loads and stores of work and tables, and the few moves between
// lanes that reading and writing interleaved complex values takes.

template <typename T>
struct OneLane {
  using V = T;
  static constexpr std::size_t kLanes = 1;
  static V Load(const T* p) { return *p; }
  static void Store(T* p, V v) { *p = v; }
  static V Splat(T v) { return v; }
  // L complex values stored (re, im) pairs <-> their real and imaginary parts.
  static void LoadPoints(const T* p, V& re, V& im) {
    re = p[0];
    im = p[1];
  }
  static void StorePoints(T* p, V re, V im) {
    p[0] = re;
    p[1] = im;
  }
  // Lane i of v[l] becomes lane l of v[i].
  static void Transpose(V*) {}
  static V Reverse(V v) { return v; }
};

#if ORLOFX_FFT_SSE2
struct FloatLanes {
  using V = __m128;
  static constexpr std::size_t kLanes = 4;
  static V Load(const float* p) { return _mm_load_ps(p); }
  static void Store(float* p, V v) { _mm_store_ps(p, v); }
  static V Splat(float v) { return _mm_set1_ps(v); }
  static void LoadPoints(const float* p, V& re, V& im) {
    const V a = _mm_loadu_ps(p), b = _mm_loadu_ps(p + 4);
    re = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
    im = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
  }
  static void StorePoints(float* p, V re, V im) {
    _mm_storeu_ps(p, _mm_unpacklo_ps(re, im));
    _mm_storeu_ps(p + 4, _mm_unpackhi_ps(re, im));
  }
  static void Transpose(V* v) { _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]); }
  static V Reverse(V v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
};

struct DoubleLanes {
  using V = __m128d;
  static constexpr std::size_t kLanes = 2;
  static V Load(const double* p) { return _mm_load_pd(p); }
  static void Store(double* p, V v) { _mm_store_pd(p, v); }
  static V Splat(double v) { return _mm_set1_pd(v); }
  static void LoadPoints(const double* p, V& re, V& im) {
    const V a = _mm_loadu_pd(p), b = _mm_loadu_pd(p + 2);
    re = _mm_unpacklo_pd(a, b);
    im = _mm_unpackhi_pd(a, b);
  }
  static void StorePoints(double* p, V re, V im) {
    _mm_storeu_pd(p, _mm_unpacklo_pd(re, im));
    _mm_storeu_pd(p + 2, _mm_unpackhi_pd(re, im));
  }
  static void Transpose(V* v) {
    const V a = v[0];
    v[0] = _mm_unpacklo_pd(a, v[1]);
    v[1] = _mm_unpackhi_pd(a, v[1]);
  }
  static V Reverse(V v) { return _mm_shuffle_pd(v, v, 1); }
};

template <typename T>
struct WideLanesOf;
template <>
struct WideLanesOf<float> {
  using Type = FloatLanes;
};
template <>
struct WideLanesOf<double> {
  using Type = DoubleLanes;
};
template <typename T>
using WideLanes = typename WideLanesOf<T>::Type;
#else
template <typename T>
using WideLanes = OneLane<T>;
#endif

// (r + i im) times w, or times conj(w) for the inverse direction.
template <bool kConjugate, typename V>
inline void Rotate(V& re, V& im, V wr, V wi) {
  const V r = re, i = im;
  if (kConjugate) {
    re = r * wr + i * wi;
    im = i * wr - r * wi;
  } else {
    re = r * wr - i * wi;
    im = i * wr + r * wi;
  }
}

// A radix-4 step on inputs already multiplied by their twiddles, where a,
// b, c, d are the spectra of the samples 4m, 4m+2, 4m+1, 4m+3: leaves
// X[j], X[j+h], X[j+2h], X[j+3h] in a, b, c, d.
template <bool kInverse, typename V>
inline void Radix4(V& ar, V& ai, V& br, V& bi, V& cr, V& ci, V& dr, V& di) {
  const V sr = ar + br, si = ai + bi, tr = ar - br, ti = ai - bi;
  const V ur = cr + dr, ui = ci + di, vr = cr - dr, vi = ci - di;
  ar = sr + ur;
  ai = si + ui;
  cr = sr - ur;
  ci = si - ui;
  // b, d = t -/+ i v forward, t +/- i v inverse.
  if (kInverse) {
    br = tr - vi;
    bi = ti + vr;
    dr = tr + vi;
    di = ti - vr;
  } else {
    br = tr + vi;
    bi = ti - vr;
    dr = tr - vi;
    di = ti + vr;
  }
}

// Points per block after the first pass, which runs up to three
// stages so that radix-4 passes finish the rest.
constexpr std::size_t FirstBlock(int log2m) {
  return log2m == 0 ? 1 : log2m == 1 ? 2 : log2m % 2 ? 8 : 4;
}

// The passes of the complex transform. The work array holds point p of the
// L sequences at 2*L*p (their L real parts, then their L imaginary parts);
// the data hold n = L*m interleaved complex values, sequence l taking the
// values l, l+L, l+2L, ...

// First pass: point p of every sequence comes from point rev[p]; the
// points p+1 .. p+B-1 of its block of B (see FirstBlock) from points at
// the bit-reversed fractions of m further on. These first stages need no
// twiddles but the eighth turns of the radix-8 block, and run on the way.
template <typename Lanes, bool kInverse, std::size_t kBlock, typename T>
void GatherBlocks(const T* in, T* w, std::size_t m, const std::uint32_t* rev) {
  using V = typename Lanes::V;
  constexpr std::size_t L = Lanes::kLanes;
  constexpr std::size_t P = 2 * L;
  V re[kBlock], im[kBlock];
  for (std::size_t p = 0; p < m; p += kBlock) {
    const T* src = in + P * rev[p];
    if constexpr (kBlock == 1) {
      Lanes::LoadPoints(src, re[0], im[0]);
    } else if constexpr (kBlock == 2) {
      Lanes::LoadPoints(src, re[0], im[0]);
      Lanes::LoadPoints(src + P * (m / 2), re[1], im[1]);
      const V ar = re[0], ai = im[0];
      re[0] = ar + re[1];
      im[0] = ai + im[1];
      re[1] = ar - re[1];
      im[1] = ai - im[1];
    } else {
      // Two radix-4 blocks; with eight points, the second one's inputs lie
      // m/8 further, and a radix-2 stage joins them.
      const std::size_t q = m / 4;
      for (std::size_t b = 0; b < kBlock; b += 4) {
        const T* at = src + P * (b / 4) * (m / 8);
        Lanes::LoadPoints(at, re[b], im[b]);
        Lanes::LoadPoints(at + P * 2 * q, re[b + 1], im[b + 1]);
        Lanes::LoadPoints(at + P * q, re[b + 2], im[b + 2]);
        Lanes::LoadPoints(at + P * 3 * q, re[b + 3], im[b + 3]);
        Radix4<kInverse>(re[b], im[b], re[b + 1], im[b + 1], re[b + 2], im[b + 2], re[b + 3], im[b + 3]);
      }
      if constexpr (kBlock == 8) {
        // The second block times e^(-+2 pi i j / 8), j = 0 .. 3 (j = 1 and
        // 3 through the 45-degree factor, j = 2 a quarter turn), then the
        // radix-2 stage.
        const V r = Lanes::Splat(static_cast<T>(0.70710678118654752440084436210485));
        const V b1r = re[5], b1i = im[5], b2r = re[6], b2i = im[6], b3r = re[7], b3i = im[7];
        if (kInverse) {
          re[5] = r * (b1r - b1i);
          im[5] = r * (b1i + b1r);
          re[6] = -b2i;
          im[6] = b2r;
          re[7] = -r * (b3r + b3i);
          im[7] = r * (b3r - b3i);
        } else {
          re[5] = r * (b1r + b1i);
          im[5] = r * (b1i - b1r);
          re[6] = b2i;
          im[6] = -b2r;
          re[7] = r * (b3i - b3r);
          im[7] = -r * (b3r + b3i);
        }
        for (std::size_t j = 0; j < 4; ++j) {
          const V ar = re[j], ai = im[j];
          re[j] = ar + re[j + 4];
          im[j] = ai + im[j + 4];
          re[j + 4] = ar - re[j + 4];
          im[j + 4] = ai - im[j + 4];
        }
      }
    }
    T* o = w + P * p;
    for (std::size_t i = 0; i < kBlock; ++i) {
      Lanes::Store(o + P * i, re[i]);
      Lanes::Store(o + P * i + L, im[i]);
    }
  }
}

template <typename Lanes, bool kInverse, typename T>
void GatherPass(const T* in, T* w, std::size_t m, int log2m, const std::uint32_t* rev) {
  switch (FirstBlock(log2m)) {
    case 1: GatherBlocks<Lanes, kInverse, 1>(in, w, m, rev); break;
    case 2: GatherBlocks<Lanes, kInverse, 2>(in, w, m, rev); break;
    case 4: GatherBlocks<Lanes, kInverse, 4>(in, w, m, rev); break;
    default: GatherBlocks<Lanes, kInverse, 8>(in, w, m, rev); break;
  }
}

// Radix-4 passes: blocks of 4h points from four spectra of h points.
// Returns where the joining pass's twiddles begin.
template <typename Lanes, bool kInverse, typename T>
const T* Radix4Passes(T* w, std::size_t m, int log2m, const T* tw) {
  using V = typename Lanes::V;
  constexpr std::size_t L = Lanes::kLanes;
  constexpr std::size_t P = 2 * L;
  for (std::size_t h = FirstBlock(log2m); h < m; h *= 4) {
    const std::size_t step = P * h;
    for (std::size_t base = 0; base < m; base += 4 * h) {
      T* pa = w + P * base;
      const T* t = tw;
      for (std::size_t j = 0; j < h; ++j, pa += P, t += 3 * P) {
        T* pb = pa + step;
        T* pc = pb + step;
        T* pd = pc + step;
        V ar = Lanes::Load(pa), ai = Lanes::Load(pa + L);
        V br = Lanes::Load(pb), bi = Lanes::Load(pb + L);
        V cr = Lanes::Load(pc), ci = Lanes::Load(pc + L);
        V dr = Lanes::Load(pd), di = Lanes::Load(pd + L);
        Rotate<kInverse>(br, bi, Lanes::Load(t), Lanes::Load(t + L));
        Rotate<kInverse>(cr, ci, Lanes::Load(t + P), Lanes::Load(t + P + L));
        Rotate<kInverse>(dr, di, Lanes::Load(t + 2 * P), Lanes::Load(t + 2 * P + L));
        Radix4<kInverse>(ar, ai, br, bi, cr, ci, dr, di);
        Lanes::Store(pa, ar);
        Lanes::Store(pa + L, ai);
        Lanes::Store(pb, br);
        Lanes::Store(pb + L, bi);
        Lanes::Store(pc, cr);
        Lanes::Store(pc + L, ci);
        Lanes::Store(pd, dr);
        Lanes::Store(pd + L, di);
      }
    }
    tw += 3 * P * h;
  }
  return tw;
}

// Joining pass, L points k0 .. k0+L-1 at a time: after the transposes lane
// i of re[l], im[l] holds Y_l[k0+i]; output j of the radix-L step goes to
// X[j*m + k0 ..].
template <typename Lanes, bool kInverse, bool kScaled, typename T>
void JoinPass(const T* w, std::size_t m, const T* tw, T* out, T scale) {
  using V = typename Lanes::V;
  constexpr std::size_t L = Lanes::kLanes;
  constexpr std::size_t P = 2 * L;
  const V s = Lanes::Splat(scale);
  for (std::size_t k0 = 0; k0 < m; k0 += L) {
    V re[L], im[L];
    for (std::size_t l = 0; l < L; ++l) {
      re[l] = Lanes::Load(w + P * (k0 + l));
      im[l] = Lanes::Load(w + P * (k0 + l) + L);
    }
    Lanes::Transpose(re);
    Lanes::Transpose(im);
    for (std::size_t l = 1; l < L; ++l, tw += P)
      Rotate<kInverse>(re[l], im[l], Lanes::Load(tw), Lanes::Load(tw + L));
    // Output j of the radix-L step sits in re[order[j]], im[order[j]].
    std::size_t order[L];
    if constexpr (L == 4) {
      Radix4<kInverse>(re[0], im[0], re[2], im[2], re[1], im[1], re[3], im[3]);
      order[0] = 0;
      order[1] = 2;
      order[2] = 1;
      order[3] = 3;
    } else if constexpr (L == 2) {
      const V ar = re[0], ai = im[0];
      re[0] = ar + re[1];
      im[0] = ai + im[1];
      re[1] = ar - re[1];
      im[1] = ai - im[1];
      order[0] = 0;
      order[1] = 1;
    } else {
      static_assert(L == 1, "lanes are 1, 2 or 4");
      order[0] = 0;
    }
    for (std::size_t j = 0; j < L; ++j) {
      V r = re[order[j]], i = im[order[j]];
      if (kScaled) {
        r = r * s;
        i = i * s;
      }
      Lanes::StorePoints(out + 2 * (j * m + k0), r, i);
    }
  }
}

}  // namespace

// --- complex transform ---------------------------------------------------------------
//
// Iterative decimation in time on each of the L sequences: the first pass
// gathers the points in bit-reversed order and runs the first one to three
// stages (no twiddles there but eighth turns), the following passes run two stages each as
// one radix-4 step, and the last pass joins the sequences' spectra:
//   X[k + j n/L] = sum over l of e^(-2 pi i l j / L) (e^(-2 pi i l k / n) Y_l[k]).

template <typename T>
HResult ComplexFft<T>::Init(std::size_t n) {
  Free();
  if (!IsPowerOfTwo(n) || n > kMaxFftSize) return kInvalidArg;
  constexpr std::size_t kWide = WideLanes<T>::kLanes;
  const std::size_t lanes = n >= kWide * kWide ? kWide : 1;
  const std::size_t sub = n / lanes;
  const int log2sub = Log2(sub);
  const std::size_t firstQuarter = FirstBlock(log2sub);

  std::size_t twiddleCount = 2 * (lanes - 1) * sub;
  for (std::size_t h = firstQuarter; h < sub; h *= 4) twiddleCount += 6 * lanes * h;

  std::unique_ptr<std::uint32_t[]> reversed(new (std::nothrow) std::uint32_t[sub]);
  if (!reversed || !twiddles_.Allocate(twiddleCount) || !work_.Allocate(2 * n)) {
    Free();
    return kOutOfMemory;
  }

  for (std::size_t i = 0; i < sub; ++i) {
    std::size_t r = 0;
    for (int b = 0; b < log2sub; ++b) r |= ((i >> b) & 1u) << (log2sub - 1 - b);
    reversed[i] = static_cast<std::uint32_t>(r);
  }
  T* tw = twiddles_.get();
  for (std::size_t h = firstQuarter; h < sub; h *= 4) {
    for (std::size_t j = 0; j < h; ++j) {
      tw = StoreTwiddle(tw, 2 * j, 4 * h, lanes);
      tw = StoreTwiddle(tw, j, 4 * h, lanes);
      tw = StoreTwiddle(tw, 3 * j, 4 * h, lanes);
    }
  }
  for (std::size_t k0 = 0; lanes > 1 && k0 < sub; k0 += lanes) {
    for (std::size_t l = 1; l < lanes; ++l) {
      for (std::size_t i = 0; i < lanes; ++i) {
        double re, im;
        Twiddle(l * (k0 + i), n, &re, &im);
        tw[i] = static_cast<T>(re);
        tw[lanes + i] = static_cast<T>(im);
      }
      tw += 2 * lanes;
    }
  }

  reversed_ = std::move(reversed);
  lanes_ = lanes;
  sub_ = sub;
  log2sub_ = log2sub;
  n_ = n;
  return kOk;
}

template <typename T>
void ComplexFft<T>::Free() {
  reversed_.reset();
  twiddles_.Free();
  work_.Free();
  lanes_ = 1;
  sub_ = 0;
  log2sub_ = 0;
  n_ = 0;
}

template <typename T>
void ComplexFft<T>::Forward(T* data) {
  Run<false>(data, data);
}

template <typename T>
void ComplexFft<T>::InverseUnscaled(T* data) {
  Run<true>(data, data);
}

template <typename T>
void ComplexFft<T>::Inverse(T* data) {
  Run<true, true>(data, data, static_cast<T>(1.0 / static_cast<double>(n_)));
}

template <typename T>
template <bool kInverse, bool kScaled>
void ComplexFft<T>::Run(const T* in, T* out, T scale) {
  if (lanes_ == 1)
    RunLanes<OneLane<T>, kInverse, kScaled>(in, out, scale);
  else
    RunLanes<WideLanes<T>, kInverse, kScaled>(in, out, scale);
}

template <typename T>
template <typename Lanes, bool kInverse, bool kScaled>
void ComplexFft<T>::RunLanes(const T* in, T* out, T scale) {
  if (sub_ == 0) return;
  GatherPass<Lanes, kInverse>(in, work_.get(), sub_, log2sub_, reversed_.get());
  const T* tw = Radix4Passes<Lanes, kInverse>(work_.get(), sub_, log2sub_, twiddles_.get());
  JoinPass<Lanes, kInverse, kScaled>(work_.get(), sub_, tw, out, scale);
}

namespace {

// Bins k .. k+L-1 of a packed or half spectrum in lanes 0 .. L-1 of kr, ki,
// and their partners n/2-k .. n/2-k-L+1 (stored from j on, upwards) in
// the same lanes of jr, ji.
template <typename Lanes>
struct BinGroup {
  typename Lanes::V kr, ki, jr, ji;
};

// W^k for the bins k .. k+L-1.
template <typename Lanes>
struct TwiddleGroup {
  typename Lanes::V re, im;
};

template <typename Lanes, typename T>
BinGroup<Lanes> LoadBins(const T* x, std::size_t k, std::size_t j) {
  BinGroup<Lanes> b;
  Lanes::LoadPoints(x + 2 * k, b.kr, b.ki);
  Lanes::LoadPoints(x + 2 * j, b.jr, b.ji);
  b.jr = Lanes::Reverse(b.jr);
  b.ji = Lanes::Reverse(b.ji);
  return b;
}

template <typename Lanes, typename T>
void StoreBins(T* x, std::size_t k, std::size_t j, const BinGroup<Lanes>& b) {
  Lanes::StorePoints(x + 2 * k, b.kr, b.ki);
  Lanes::StorePoints(x + 2 * j, Lanes::Reverse(b.jr), Lanes::Reverse(b.ji));
}

template <typename Lanes, typename T>
TwiddleGroup<Lanes> LoadTwiddles(const T* re, const T* im, std::size_t k) {
  return {Lanes::Load(re + k), Lanes::Load(im + k)};
}

// Half spectrum Z to real spectrum X.
template <typename Lanes, typename V = typename Lanes::V>
BinGroup<Lanes> SplitBins(const BinGroup<Lanes>& z, const TwiddleGroup<Lanes>& w) {
  const V half = Lanes::Splat(0.5f);
  const V er = half * (z.kr + z.jr), ei = half * (z.ki - z.ji);
  const V odr = half * (z.ki + z.ji), odi = half * (z.jr - z.kr);
  const V tr = w.re * odr - w.im * odi;
  const V ti = w.re * odi + w.im * odr;
  return {er + tr, ei + ti, er - tr, ti - ei};
}

// Real spectrum X to half spectrum Z, times `scale`.
template <typename Lanes, typename V = typename Lanes::V>
BinGroup<Lanes> JoinBins(const BinGroup<Lanes>& x, const TwiddleGroup<Lanes>& w, V scale) {
  // 2E = X[k] + conj X[j];  2 W^k O = X[k] - conj X[j]
  const V er = x.kr + x.jr, ei = x.ki - x.ji;
  const V br = x.kr - x.jr, bi = x.ki + x.ji;
  // 2O = conj(W^k) * (X[k] - conj X[j])
  const V odr = br * w.re + bi * w.im;
  const V odi = bi * w.re - br * w.im;
  // Z[k] = E + i O,  Z[j] = conj E + i conj O
  return {(er - odi) * scale, (ei + odr) * scale, (er + odi) * scale, (odr - ei) * scale};
}

template <typename V>
void MultiplyComplex(V& ar, V& ai, V br, V bi) {
  const V r = ar * br - ai * bi;
  ai = ar * bi + ai * br;
  ar = r;
}

template <typename Lanes>
BinGroup<Lanes> MultiplyBins(BinGroup<Lanes> a, const BinGroup<Lanes>& b) {
  MultiplyComplex(a.kr, a.ki, b.kr, b.ki);
  MultiplyComplex(a.jr, a.ji, b.jr, b.ji);
  return a;
}

}  // namespace

// --- real transform ----------------------------------------------------------------
//
// The n reals are read as n/2 complex values z[m] = x[2m] + i x[2m+1], whose
// transform Z gives the spectra of the even and odd samples:
//   E[k] = (Z[k] + conj Z[n/2-k]) / 2,  O[k] = (Z[k] - conj Z[n/2-k]) / 2i
//   X[k] = E[k] + W^k O[k],  X[n/2-k] = conj(E[k] - W^k O[k]),  W = e^(-2 pi i / n)
// Bins k and n/2-k are computed together, in place.

template <typename T>
HResult RealFft<T>::Init(std::size_t n) {
  Free();
  if (!IsPowerOfTwo(n) || n < 2 || n > kMaxFftSize) return kInvalidArg;
  const std::size_t quarter = n / 4;
  const std::size_t stride = (quarter + 4) & ~std::size_t{3};  // whole vectors
  if (!twiddles_.Allocate(2 * stride)) return kOutOfMemory;
  HResult hr = half_.Init(n / 2);
  if (Failed(hr)) {
    Free();
    return hr;
  }
  for (std::size_t k = 0; k <= quarter; ++k) {
    double re, im;
    Twiddle(k, n, &re, &im);
    twiddles_.get()[k] = static_cast<T>(re);
    twiddles_.get()[stride + k] = static_cast<T>(im);
  }
  twiddleStride_ = stride;
  n_ = n;
  return kOk;
}

template <typename T>
void RealFft<T>::Free() {
  half_.Free();
  twiddles_.Free();
  twiddleStride_ = 0;
  n_ = 0;
}

template <typename T>
template <typename Step>
void RealFft<T>::ForEachBinGroup(const Step& step) const {
  const std::size_t h = n_ / 2, mid = h / 2;
  std::size_t k = 1;
  if (half_.lanes_ > 1) {
    using Lanes = WideLanes<T>;
    constexpr std::size_t L = Lanes::kLanes;
    if (mid >= 2 * L) {
      for (; k < L; ++k) step(OneLane<T>(), k, h - k);
      for (; k < mid; k += L) step(Lanes(), k, h - k - (L - 1));
    }
  }
  for (; k <= mid; ++k) step(OneLane<T>(), k, h - k);
}

template <typename T>
void RealFft<T>::Forward(T* x) {
  half_.template Run<false>(x, x);
  const T z0r = x[0], z0i = x[1];
  x[0] = z0r + z0i;
  x[1] = z0r - z0i;
  const T* wre = twiddles_.get();
  const T* wim = wre + twiddleStride_;
  ForEachBinGroup([&](auto lanes, std::size_t k, std::size_t j) {
    using S = decltype(lanes);
    const auto w = LoadTwiddles<S>(wre, wim, k);
    StoreBins<S>(x, k, j, SplitBins<S>(LoadBins<S>(x, k, j), w));
  });
}

template <typename T>
void RealFft<T>::Inverse(T* x) {
  const T scale = static_cast<T>(1.0 / static_cast<double>(n_));
  const T x0 = x[0], xh = x[1];
  x[0] = (x0 + xh) * scale;
  x[1] = (x0 - xh) * scale;
  const T* wre = twiddles_.get();
  const T* wim = wre + twiddleStride_;
  ForEachBinGroup([&](auto lanes, std::size_t k, std::size_t j) {
    using S = decltype(lanes);
    const auto w = LoadTwiddles<S>(wre, wim, k);
    StoreBins<S>(x, k, j, JoinBins<S>(LoadBins<S>(x, k, j), w, S::Splat(scale)));
  });
  half_.template Run<true>(x, x);
}

template <typename T>
void RealFft<T>::Convolve(T* x, const T* spectrum) {
  half_.template Run<false>(x, x);
  const T scale = static_cast<T>(1.0 / static_cast<double>(n_));
  const T z0r = x[0], z0i = x[1];
  const T dc = (z0r + z0i) * spectrum[0], nyquist = (z0r - z0i) * spectrum[1];
  x[0] = (dc + nyquist) * scale;
  x[1] = (dc - nyquist) * scale;
  const T* wre = twiddles_.get();
  const T* wim = wre + twiddleStride_;
  ForEachBinGroup([&](auto lanes, std::size_t k, std::size_t j) {
    using S = decltype(lanes);
    const auto w = LoadTwiddles<S>(wre, wim, k);
    const auto product = MultiplyBins<S>(SplitBins<S>(LoadBins<S>(x, k, j), w), LoadBins<S>(spectrum, k, j));
    StoreBins<S>(x, k, j, JoinBins<S>(product, w, S::Splat(scale)));
  });
  half_.template Run<true>(x, x);
}

template <typename T>
void MultiplyPackedSpectra(T* a, const T* b, std::size_t n) {
  if (n < 2) {
    if (n == 1) a[0] *= b[0];
    return;
  }
  a[0] *= b[0];
  a[1] *= b[1];
  using Lanes = WideLanes<T>;
  using V = typename Lanes::V;
  constexpr std::size_t kStep = 2 * Lanes::kLanes;
  std::size_t i = 2;
  for (; i + kStep <= n; i += kStep) {
    V ar, ai, br, bi;
    Lanes::LoadPoints(a + i, ar, ai);
    Lanes::LoadPoints(b + i, br, bi);
    MultiplyComplex(ar, ai, br, bi);
    Lanes::StorePoints(a + i, ar, ai);
  }
  for (; i < n; i += 2) MultiplyComplex(a[i], a[i + 1], b[i], b[i + 1]);
}

template class ComplexFft<float>;
template class ComplexFft<double>;
template class RealFft<float>;
template class RealFft<double>;
template void MultiplyPackedSpectra<float>(float*, const float*, std::size_t);
template void MultiplyPackedSpectra<double>(double*, const double*, std::size_t);

}  // namespace orlofx

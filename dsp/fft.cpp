#include "dsp/fft.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

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
template <typename T>
void StoreTwiddle(T* out, std::size_t j, std::size_t m) {
  double c, s;
  if ((4 * j) % m == 0) {
    static constexpr double kCos[4] = {1.0, 0.0, -1.0, 0.0};
    static constexpr double kSin[4] = {0.0, 1.0, 0.0, -1.0};
    const std::size_t quarter = (4 * j / m) % 4;
    c = kCos[quarter];
    s = kSin[quarter];
  } else {
    const double angle = kTwoPi * static_cast<double>(j) / static_cast<double>(m);
    c = std::cos(angle);
    s = std::sin(angle);
  }
  out[0] = static_cast<T>(c);
  out[1] = static_cast<T>(-s);
}

// Several butterflies at a time: GCC's vector types hold two doubles or four
// floats in one 16-byte register on targets that have such registers. Other
// targets and compilers take one value at a time.
#if defined(__GNUC__) && (defined(__SSE2__) || defined(__ARM_NEON) || defined(__aarch64__))
template <typename T>
struct Lanes;
template <>
struct Lanes<double> {
  typedef double Vector __attribute__((vector_size(16)));
};
template <>
struct Lanes<float> {
  typedef float Vector __attribute__((vector_size(16)));
};
template <typename T>
using VectorOf = typename Lanes<T>::Vector;
#else
template <typename T>
using VectorOf = T;
#endif

template <typename V, typename T>
inline V Load(const T* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename V, typename T>
inline void Store(T* p, V v) {
  std::memcpy(p, &v, sizeof v);
}

// (ar + i ai) * w, or * conj(w) for the inverse direction.
template <bool kConjugate, typename V>
inline void Rotate(V ar, V ai, V wr, V wi, V& outR, V& outI) {
  if (kConjugate) {
    outR = ar * wr + ai * wi;
    outI = ai * wr - ar * wi;
  } else {
    outR = ar * wr - ai * wi;
    outI = ai * wr + ar * wi;
  }
}

// Two radix-2 stages on the points a, b, c, d (j, j+h, j+2h, j+3h of a
// block of 4h): first (a, b) and (c, d) with w1 = W(2h)^j, then (a, c) with
// w2 = W(4h)^j and (b, d) with w2 turned a quarter (-i forward, +i inverse).
template <bool kInverse, typename V>
inline void Butterfly(V& ar, V& ai, V& br, V& bi, V& cr, V& ci, V& dr, V& di, V w1r, V w1i, V w2r,
                      V w2i) {
  V tr, ti;
  Rotate<kInverse>(br, bi, w1r, w1i, tr, ti);
  const V a1r = ar + tr, a1i = ai + ti;
  const V b1r = ar - tr, b1i = ai - ti;
  Rotate<kInverse>(dr, di, w1r, w1i, tr, ti);
  const V c1r = cr + tr, c1i = ci + ti;
  const V d1r = cr - tr, d1i = ci - ti;
  Rotate<kInverse>(c1r, c1i, w2r, w2i, tr, ti);
  ar = a1r + tr;
  ai = a1i + ti;
  cr = a1r - tr;
  ci = a1i - ti;
  Rotate<kInverse>(d1r, d1i, w2r, w2i, tr, ti);
  const V er = kInverse ? -ti : ti;
  const V ei = kInverse ? tr : -tr;
  br = b1r + er;
  bi = b1i + ei;
  dr = b1r - er;
  di = b1i - ei;
}

// Twiddle values a pass of half-size h keeps: whole groups of `lanes`.
constexpr std::size_t PassTwiddles(std::size_t h, std::size_t lanes) {
  return 4 * ((h + lanes - 1) / lanes) * lanes;
}

}  // namespace

// --- complex transform -----------------------------------------------------------
//
// Iterative decimation in time: the input is scattered in bit-reversed order,
// then the radix-2 stages run in pairs (each pair one pass over the data, the
// "radix-2 squared" form, which keeps the bit-reversed order valid). With an
// odd number of stages the first one, which needs no twiddles, runs alone.

template <typename T>
HResult ComplexFft<T>::Init(std::size_t n) {
  Free();
  if (!IsPowerOfTwo(n) || n > kMaxFftSize) return kInvalidArg;
  const int log2n = Log2(n);

  std::size_t twiddleCount = 0;
  for (std::size_t h = (log2n % 2) ? 2 : 1; h < n; h *= 4) twiddleCount += PassTwiddles(h, kLanes);

  std::unique_ptr<std::uint32_t[]> reversed(new (std::nothrow) std::uint32_t[n]);
  std::unique_ptr<T[]> twiddles(new (std::nothrow) T[twiddleCount + 1]);
  std::unique_ptr<T[]> work(new (std::nothrow) T[2 * std::max(n, kLanes)]());
  if (!reversed || !twiddles || !work) return kOutOfMemory;

  for (std::size_t i = 0; i < n; ++i) {
    std::size_t r = 0;
    for (int b = 0; b < log2n; ++b) r |= ((i >> b) & 1u) << (log2n - 1 - b);
    reversed[i] = static_cast<std::uint32_t>(r);
  }
  T* tw = twiddles.get();
  for (std::size_t h = (log2n % 2) ? 2 : 1; h < n; h *= 4) {
    for (std::size_t j = 0; j < h; ++j) {
      T w[4];
      StoreTwiddle(w, j, 2 * h);
      StoreTwiddle(w + 2, j, 4 * h);
      T* group = tw + 4 * (j & ~(kLanes - 1)) + (j & (kLanes - 1));
      for (int part = 0; part < 4; ++part) group[part * kLanes] = w[part];
    }
    tw += PassTwiddles(h, kLanes);
  }

  reversed_ = std::move(reversed);
  twiddles_ = std::move(twiddles);
  work_ = std::move(work);
  log2n_ = log2n;
  n_ = n;
  return kOk;
}

template <typename T>
void ComplexFft<T>::Free() {
  reversed_.reset();
  twiddles_.reset();
  work_.reset();
  log2n_ = 0;
  n_ = 0;
}

template <typename T>
void ComplexFft<T>::GatherToInterleaved(T* data, T scale) const {
  const T* w = work_.get();
  for (std::size_t i = 0; i < n_; ++i) {
    data[2 * i] = w[ReIndex(i)] * scale;
    data[2 * i + 1] = w[ImIndex(i)] * scale;
  }
}

template <typename T>
void ComplexFft<T>::Forward(T* data) {
  Transform<false>(data);
  GatherToInterleaved(data, T(1));
}

template <typename T>
void ComplexFft<T>::InverseUnscaled(T* data) {
  Transform<true>(data);
  GatherToInterleaved(data, T(1));
}

template <typename T>
void ComplexFft<T>::Inverse(T* data) {
  Transform<true>(data);
  GatherToInterleaved(data, static_cast<T>(1.0 / static_cast<double>(n_)));
}

template <typename T>
template <bool kInverse>
void ComplexFft<T>::Transform(const T* data) {
  using V = VectorOf<T>;
  const std::size_t n = n_;
  T* w = work_.get();
  auto re = [w](std::size_t i) -> T& { return w[ReIndex(i)]; };
  auto im = [w](std::size_t i) -> T& { return w[ImIndex(i)]; };
  if (n < 2) {
    if (n == 1) {
      re(0) = data[0];
      im(0) = data[1];
    }
    return;
  }

  // The first stage(s) on the input in bit-reversed order: the points b,
  // b+1, b+2, b+3 (b a multiple of 4) come from r, r + n/2, r + n/4 and
  // r + 3n/4, r being the reversed index of b.
  const T* tw = twiddles_.get();
  std::size_t h;
  if (log2n_ % 2) {
    for (std::size_t b = 0; b < n; b += 2) {
      const std::size_t r = reversed_[b], s = r + n / 2;
      const T ar = data[2 * r], ai = data[2 * r + 1], br = data[2 * s], bi = data[2 * s + 1];
      re(b) = ar + br;
      im(b) = ai + bi;
      re(b + 1) = ar - br;
      im(b + 1) = ai - bi;
    }
    h = 2;
  } else {
    // Two stages whose twiddles are 1 and -i (forward) or +i (inverse).
    const std::size_t q = n / 4;
    for (std::size_t b = 0; b < n; b += 4) {
      const std::size_t r0 = reversed_[b], r1 = r0 + 2 * q, r2 = r0 + q, r3 = r0 + 3 * q;
      const T p0r = data[2 * r0], p0i = data[2 * r0 + 1], p1r = data[2 * r1],
              p1i = data[2 * r1 + 1];
      const T p2r = data[2 * r2], p2i = data[2 * r2 + 1], p3r = data[2 * r3],
              p3i = data[2 * r3 + 1];
      const T a1r = p0r + p1r, a1i = p0i + p1i;
      const T b1r = p0r - p1r, b1i = p0i - p1i;
      const T c1r = p2r + p3r, c1i = p2i + p3i;
      const T d1r = p2r - p3r, d1i = p2i - p3i;
      const T er = kInverse ? -d1i : d1i;
      const T ei = kInverse ? d1r : -d1r;
      re(b) = a1r + c1r;
      im(b) = a1i + c1i;
      re(b + 2) = a1r - c1r;
      im(b + 2) = a1i - c1i;
      re(b + 1) = b1r + er;
      im(b + 1) = b1i + ei;
      re(b + 3) = b1r - er;
      im(b + 3) = b1i - ei;
    }
    tw += PassTwiddles(1, kLanes);
    h = 4;
  }

  for (; h < n; h *= 4) {
    if (h % kLanes == 0) {
      // A group of kLanes points sits at 2 * (its first index) in work_,
      // real parts first; V takes kStep of them at a time.
      constexpr std::size_t kStep = sizeof(V) / sizeof(T);
      for (std::size_t base = 0; base < n; base += 4 * h) {
        T* p = w + 2 * base;
        for (std::size_t j = 0; j < h; j += kLanes) {
          for (std::size_t lane = 0; lane < kLanes; lane += kStep) {
            T* pa = p + 2 * j + lane;
            T* pb = pa + 2 * h;
            T* pc = pb + 2 * h;
            T* pd = pc + 2 * h;
            const T* t = tw + 4 * j + lane;
            V ar = Load<V>(pa), ai = Load<V>(pa + kLanes);
            V br = Load<V>(pb), bi = Load<V>(pb + kLanes);
            V cr = Load<V>(pc), ci = Load<V>(pc + kLanes);
            V dr = Load<V>(pd), di = Load<V>(pd + kLanes);
            Butterfly<kInverse>(ar, ai, br, bi, cr, ci, dr, di, Load<V>(t), Load<V>(t + kLanes),
                                Load<V>(t + 2 * kLanes), Load<V>(t + 3 * kLanes));
            Store(pa, ar);
            Store(pa + kLanes, ai);
            Store(pb, br);
            Store(pb + kLanes, bi);
            Store(pc, cr);
            Store(pc + kLanes, ci);
            Store(pd, dr);
            Store(pd + kLanes, di);
          }
        }
      }
    } else {
      // Fewer points per block than lanes: one butterfly at a time.
      for (std::size_t base = 0; base < n; base += 4 * h) {
        for (std::size_t j = 0; j < h; ++j) {
          const T* t = tw + 4 * (j & ~(kLanes - 1)) + (j & (kLanes - 1));
          const std::size_t a = base + j, b = a + h, c = b + h, d = c + h;
          T ar = re(a), ai = im(a), br = re(b), bi = im(b);
          T cr = re(c), ci = im(c), dr = re(d), di = im(d);
          Butterfly<kInverse>(ar, ai, br, bi, cr, ci, dr, di, t[0], t[kLanes], t[2 * kLanes],
                              t[3 * kLanes]);
          re(a) = ar;
          im(a) = ai;
          re(b) = br;
          im(b) = bi;
          re(c) = cr;
          im(c) = ci;
          re(d) = dr;
          im(d) = di;
        }
      }
    }
    tw += PassTwiddles(h, kLanes);
  }
}

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
  std::unique_ptr<T[]> twiddles(new (std::nothrow) T[2 * (quarter + 1)]);
  if (!twiddles) return kOutOfMemory;
  HResult hr = half_.Init(n / 2);
  if (Failed(hr)) return hr;
  for (std::size_t k = 0; k <= quarter; ++k) StoreTwiddle(twiddles.get() + 2 * k, k, n);
  twiddles_ = std::move(twiddles);
  n_ = n;
  return kOk;
}

template <typename T>
void RealFft<T>::Free() {
  half_.Free();
  twiddles_.reset();
  n_ = 0;
}

template <typename T>
void RealFft<T>::Forward(T* x) {
  const std::size_t h = n_ / 2;
  half_.template Transform<false>(x);
  const T* z = half_.work_.get();
  using Half = ComplexFft<T>;
  x[0] = z[Half::ReIndex(0)] + z[Half::ImIndex(0)];
  x[1] = z[Half::ReIndex(0)] - z[Half::ImIndex(0)];
  const T half = static_cast<T>(0.5);
  for (std::size_t k = 1; k <= h - k; ++k) {
    const std::size_t j = h - k;
    const T zkr = z[Half::ReIndex(k)], zki = z[Half::ImIndex(k)];
    const T zjr = z[Half::ReIndex(j)], zji = z[Half::ImIndex(j)];
    const T er = half * (zkr + zjr), ei = half * (zki - zji);
    const T odr = half * (zki + zji), odi = half * (zjr - zkr);
    const T wr = twiddles_[2 * k], wi = twiddles_[2 * k + 1];
    const T tr = wr * odr - wi * odi;
    const T ti = wr * odi + wi * odr;
    x[2 * k] = er + tr;
    x[2 * k + 1] = ei + ti;
    x[2 * j] = er - tr;
    x[2 * j + 1] = ti - ei;
  }
}

template <typename T>
void RealFft<T>::Inverse(T* x) {
  const std::size_t h = n_ / 2;
  const T scale = static_cast<T>(1.0 / static_cast<double>(n_));
  const T x0 = x[0], xh = x[1];
  x[0] = (x0 + xh) * scale;
  x[1] = (x0 - xh) * scale;
  for (std::size_t k = 1; k <= h - k; ++k) {
    const std::size_t j = h - k;
    const T xkr = x[2 * k], xki = x[2 * k + 1];
    const T xjr = x[2 * j], xji = x[2 * j + 1];
    // 2E = X[k] + conj X[j];  2 W^k O = X[k] - conj X[j]
    const T er = xkr + xjr, ei = xki - xji;
    const T br = xkr - xjr, bi = xki + xji;
    const T wr = twiddles_[2 * k], wi = twiddles_[2 * k + 1];
    // 2O = conj(W^k) * (X[k] - conj X[j])
    const T odr = br * wr + bi * wi;
    const T odi = bi * wr - br * wi;
    // Z[k] = E + i O,  Z[j] = conj E + i conj O
    x[2 * k] = (er - odi) * scale;
    x[2 * k + 1] = (ei + odr) * scale;
    x[2 * j] = (er + odi) * scale;
    x[2 * j + 1] = (odr - ei) * scale;
  }
  half_.template Transform<true>(x);
  half_.GatherToInterleaved(x, T(1));
}

template <typename T>
void MultiplyPackedSpectra(T* a, const T* b, std::size_t n) {
  if (n < 2) {
    if (n == 1) a[0] *= b[0];
    return;
  }
  a[0] *= b[0];
  a[1] *= b[1];
  for (std::size_t i = 2; i < n; i += 2) {
    const T ar = a[i], ai = a[i + 1];
    a[i] = ar * b[i] - ai * b[i + 1];
    a[i + 1] = ar * b[i + 1] + ai * b[i];
  }
}

template class ComplexFft<float>;
template class ComplexFft<double>;
template class RealFft<float>;
template class RealFft<double>;
template void MultiplyPackedSpectra<float>(float*, const float*, std::size_t);
template void MultiplyPackedSpectra<double>(double*, const double*, std::size_t);

}  // namespace orlofx

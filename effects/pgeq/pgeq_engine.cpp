#include "effects/pgeq/pgeq_engine.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#if defined(__GNUC__) && (defined(__SSE2__) || defined(__x86_64__))
#include <emmintrin.h>
#define ORLOFX_PGEQ_SSE2 1
#else
#define ORLOFX_PGEQ_SSE2 0
#endif

#if defined(__GNUC__)
#define ORLOFX_PGEQ_INLINE __attribute__((always_inline)) inline
#else
#define ORLOFX_PGEQ_INLINE inline
#endif

namespace orlofx {

namespace {

// Memories below 2^-32 are flushed to zero, so a decaying section never
// reaches the slow denormal range even where the processor cannot flush by
// itself; a NaN fails the same test and is flushed too. The test is a mask,
// not a branch: it sits on every recursion. An infinite memory (an overflow
// of huge input) is dropped where the memories are stored back after each
// run (kept, it could silence the section for the rest of the stream); the
// per-frame test leaves it out, as it is the rarest case and costs the most.
constexpr double kFlushBelow = 2.3283064365386963e-10;  // 2^-32

inline double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// A pair of doubles, lane 0 for channel 0 and lane 1 for channel 1: one
// SSE2 register where there is one (GCC's vector arithmetic works on it
// directly), else two doubles.
#if ORLOFX_PGEQ_SSE2
typedef __m128d Pair;
typedef __m128d Loudness;  // the largest value noted in each lane

inline Pair Both(double v) { return _mm_set1_pd(v); }
inline Pair Make(double lane0, double lane1) { return _mm_set_pd(lane1, lane0); }
inline double Lane(Pair p, int lane) { return p[lane]; }

inline Pair Flush(Pair y) {
  const Pair magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), y);
  return _mm_and_pd(y, _mm_cmpge_pd(magnitude, Both(kFlushBelow)));  // false for NaN
}

// One maximum per noted value; the comparison with the quiet level waits
// for the end of the run (noted values are flushed, so never NaN).
inline Loudness NothingLoud() { return Both(-std::numeric_limits<double>::max()); }
inline void Note(Loudness& loud, Pair y) { loud = _mm_max_pd(loud, y); }
inline bool AnyLoud(Loudness loud) {
  return _mm_movemask_pd(_mm_cmpgt_pd(loud, Both(kPgeqQuietLevel))) != 0;
}
#else
struct Pair {
  double lane[2];
};
inline Pair operator+(Pair a, Pair b) { return {{a.lane[0] + b.lane[0], a.lane[1] + b.lane[1]}}; }
inline Pair operator-(Pair a, Pair b) { return {{a.lane[0] - b.lane[0], a.lane[1] - b.lane[1]}}; }
inline Pair operator*(Pair a, Pair b) { return {{a.lane[0] * b.lane[0], a.lane[1] * b.lane[1]}}; }
typedef bool Loudness;

inline Pair Both(double v) { return {{v, v}}; }
inline Pair Make(double lane0, double lane1) { return {{lane0, lane1}}; }
inline double Lane(Pair p, int lane) { return p.lane[lane]; }

inline double Flush(double y) {
  const double a = y < 0 ? -y : y;
  return a >= kFlushBelow ? y : 0.0;  // false for NaN
}
inline Pair Flush(Pair y) { return {{Flush(y.lane[0]), Flush(y.lane[1])}}; }

inline Loudness NothingLoud() { return false; }
inline void Note(Loudness& loud, Pair y) {
  loud = loud || y.lane[0] > kPgeqQuietLevel || y.lane[1] > kPgeqQuietLevel;
}
inline bool AnyLoud(Loudness loud) { return loud; }
#endif

inline Pair LoadPair(const double* p) {
  Pair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void StorePair(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }

struct Band {
  Pair y1, y2, a1, a2, b, g;
};
struct LowStage {
  Pair y1, y2, a1, a2, b, c0, c1;
};
struct HighStage {
  Pair y1, y2, a1, a2, corr, c0, c1;
};

// Memories of both channels as one pair, and back.
template <typename Slot>
Pair Memory(const Slot& left, const Slot& right, double Slot::*field) {
  return Make(left.*field, right.*field);
}

template <typename Slot>
void PutMemory(Pair m, Slot& left, Slot& right, double Slot::*field) {
  left.*field = Finite(Lane(m, 0));
  right.*field = Finite(Lane(m, 1));
}

// The chain for one arrangement of sections, fixed at compile time so that
// every coefficient and memory can live in a register and no test is made
// per frame: kBands band slots, the low shelf of kLowType, the high shelf
// when kHigh.
template <int kBands, int kLowType, bool kHigh>
class Kernel {
 public:
  static constexpr int kLowStages = kLowType != kPgeqShelfOff ? 2 : 0;
  static constexpr int kHighStages = kHigh ? 2 : 0;
  static constexpr int kSections = kBands + kLowStages + kHighStages;

  explicit Kernel(const PgeqChain& chain) {
    const PgeqChannelState& l = chain.channels[0];
    const PgeqChannelState& r = chain.channels[1];
    for (int k = 0; k < kBands; ++k) {
      const PgeqBandSlot& c = l.bands.slots[k];
      band_[k] = {Memory(c, r.bands.slots[k], &PgeqBandSlot::y1),
                  Memory(c, r.bands.slots[k], &PgeqBandSlot::y2),
                  Both(c.a1), Both(c.a2), Both(c.b), Both(c.g)};
    }
    for (int k = 0; k < kLowStages; ++k) {
      const PgeqLowShelfStage& c = l.shelves.low[k];
      low_[k] = {Memory(c, r.shelves.low[k], &PgeqLowShelfStage::y1),
                 Memory(c, r.shelves.low[k], &PgeqLowShelfStage::y2),
                 Both(c.a1), Both(c.a2), Both(c.b), Both(c.c0), Both(c.c1)};
    }
    for (int k = 0; k < kHighStages; ++k) {
      const PgeqHighShelfStage& c = l.shelves.high[k];
      high_[k] = {Memory(c, r.shelves.high[k], &PgeqHighShelfStage::y1),
                  Memory(c, r.shelves.high[k], &PgeqHighShelfStage::y2),
                  Both(c.a1), Both(c.a2), Both(c.corr), Both(c.c0), Both(c.c1)};
    }
    wet_ = Both(chain.wet);
    dry_ = Both(chain.dry);
    // After a frame a section's y2 is the y1 it started with, so the
    // starting y1 is watched too.
    loud_ = NothingLoud();
    if (kBands > 0) Note(loud_, band_[0].y1);
    for (int k = 0; k < kLowStages; ++k) Note(loud_, low_[k].y1);
    for (int k = 0; k < kHighStages; ++k) Note(loud_, high_[k].y1);
  }

  void Keep(PgeqChain& chain) const {
    PgeqChannelState& l = chain.channels[0];
    PgeqChannelState& r = chain.channels[1];
    for (int k = 0; k < kBands; ++k) {
      PutMemory(band_[k].y1, l.bands.slots[k], r.bands.slots[k], &PgeqBandSlot::y1);
      PutMemory(band_[k].y2, l.bands.slots[k], r.bands.slots[k], &PgeqBandSlot::y2);
    }
    for (int k = 0; k < kLowStages; ++k) {
      PutMemory(low_[k].y1, l.shelves.low[k], r.shelves.low[k], &PgeqLowShelfStage::y1);
      PutMemory(low_[k].y2, l.shelves.low[k], r.shelves.low[k], &PgeqLowShelfStage::y2);
    }
    for (int k = 0; k < kHighStages; ++k) {
      PutMemory(high_[k].y1, l.shelves.high[k], r.shelves.high[k], &PgeqHighShelfStage::y1);
      PutMemory(high_[k].y2, l.shelves.high[k], r.shelves.high[k], &PgeqHighShelfStage::y2);
    }
  }

  bool Quiet() const { return !AnyLoud(loud_); }

  void Run(double* io, std::size_t frames) {
    Run(io, frames, std::make_index_sequence<kSections>());
  }

 private:
  // Section s of the chain, in signal order: band slots, low-shelf stages,
  // high-shelf stages.
  template <int S>
  ORLOFX_PGEQ_INLINE Pair Step(Pair x) {
    if constexpr (S < kBands) {
      Band& s = band_[S];
      const Pair y = Flush(s.b * x + s.a1 * s.y1 - s.a2 * s.y2);
      x = x + s.g * (y - s.y1);
      s.y2 = s.y1;
      s.y1 = y;
      if constexpr (S == 0) Note(loud_, y);
      return x;
    } else if constexpr (S < kBands + kLowStages) {
      LowStage& s = low_[S - kBands];
      const Pair y = Flush(s.b * x + s.a1 * s.y1 - s.a2 * s.y2);
      s.y2 = s.y1;
      s.y1 = y;
      Note(loud_, y);
      if constexpr (kLowType == kPgeqShelfBoost) {
        return s.c0 * x + s.c1 * y;
      } else {
        return s.c0 * x + s.c1 * (x - y);
      }
    } else {
      HighStage& s = high_[S - kBands - kLowStages];
      const Pair y = Flush(s.corr * x + s.a1 * s.y1 - s.a2 * s.y2);
      const Pair e = y - Both(2.0) * s.y1 + s.y2;
      s.y2 = s.y1;
      s.y1 = y;
      Note(loud_, y);
      return s.c0 * x + s.c1 * e;
    }
  }

  void Emit(double* io, Pair x) { StorePair(io, x * wet_ + LoadPair(io) * dry_); }

  // Iteration i feeds frame i to section 0 while section s works on frame
  // i - s; sections run last to first, so each takes the value the one
  // before it left in the previous iteration. Only the first and last
  // kSections - 1 iterations, where the pipeline fills and empties, test
  // which sections have a frame.
  template <std::size_t... S>
  void Run(double* io, std::size_t n, std::index_sequence<S...>) {
    constexpr std::size_t K = sizeof...(S);
    if constexpr (K == 0) {
      for (std::size_t i = 0; i < n; ++i) Emit(io + 2 * i, LoadPair(io + 2 * i));
    } else {
      Pair pipe[K + 1] = {};
      auto partly = [&](std::size_t i) {
        if (i < n) pipe[0] = LoadPair(io + 2 * i);
        ((i >= K - 1 - S && i - (K - 1 - S) < n
              ? void(pipe[K - S] = Step<static_cast<int>(K - 1 - S)>(pipe[K - 1 - S]))
              : void()),
         ...);
        if (i >= K - 1) Emit(io + 2 * (i - (K - 1)), pipe[K]);
      };
      std::size_t i = 0;
      for (; i < K - 1; ++i) partly(i);
      for (; i < n; ++i) {
        pipe[0] = LoadPair(io + 2 * i);
        ((pipe[K - S] = Step<static_cast<int>(K - 1 - S)>(pipe[K - 1 - S])), ...);
        Emit(io + 2 * (i - (K - 1)), pipe[K]);
      }
      for (; i < n + K - 1; ++i) partly(i);
    }
  }

  Band band_[kBands > 0 ? kBands : 1];
  LowStage low_[2];
  HighStage high_[2];
  Pair wet_, dry_;
  Loudness loud_;
};

using Runner = bool (*)(PgeqChain&, double*, std::size_t);

template <int kBands, int kLowType, bool kHigh>
bool RunArrangement(PgeqChain& chain, double* io, std::size_t frames) {
  Kernel<kBands, kLowType, kHigh> kernel(chain);
  kernel.Run(io, frames);
  kernel.Keep(chain);
  return kernel.Quiet();
}

// Indexed by low-shelf type, then by whether the high shelf is on.
template <int kBands>
constexpr Runner kArrangements[3][2] = {
    {&RunArrangement<kBands, kPgeqShelfOff, false>, &RunArrangement<kBands, kPgeqShelfOff, true>},
    {&RunArrangement<kBands, kPgeqShelfBoost, false>, &RunArrangement<kBands, kPgeqShelfBoost, true>},
    {&RunArrangement<kBands, kPgeqShelfCut, false>, &RunArrangement<kBands, kPgeqShelfCut, true>},
};

}  // namespace

bool RunPgeqChain(PgeqChain& chain, double* io, std::size_t frames) {
  const PgeqShelfBlock& shelves = chain.channels[0].shelves;
  const int low = shelves.lowType == kPgeqShelfBoost || shelves.lowType == kPgeqShelfCut
                      ? shelves.lowType
                      : kPgeqShelfOff;
  const int high = shelves.highType != kPgeqShelfOff ? 1 : 0;
  switch (chain.activeBands) {
    case 1: return kArrangements<1>[low][high](chain, io, frames);
    case 2: return kArrangements<2>[low][high](chain, io, frames);
    case 3: return kArrangements<3>[low][high](chain, io, frames);
    case 4: return kArrangements<4>[low][high](chain, io, frames);
    default: return kArrangements<0>[low][high](chain, io, frames);
  }
}

void CarryPgeqMemories(const PgeqChain& from, PgeqChain* to) {
  for (int c = 0; c < 2; ++c) {
    const PgeqChannelState& was = from.channels[c];
    PgeqChannelState& now = to->channels[c];
    for (int s = 0; s < to->activeBands; ++s) {
      for (int t = 0; t < from.activeBands; ++t) {
        if (from.slotBand[t] != to->slotBand[s]) continue;
        now.bands.slots[s].y1 = was.bands.slots[t].y1;
        now.bands.slots[s].y2 = was.bands.slots[t].y2;
      }
    }
    if (now.shelves.lowType == was.shelves.lowType) {
      for (int k = 0; k < 2; ++k) {
        now.shelves.low[k].y1 = was.shelves.low[k].y1;
        now.shelves.low[k].y2 = was.shelves.low[k].y2;
      }
    }
    if (now.shelves.highType == was.shelves.highType) {
      for (int k = 0; k < 2; ++k) {
        now.shelves.high[k].y1 = was.shelves.high[k].y1;
        now.shelves.high[k].y2 = was.shelves.high[k].y2;
      }
    }
  }
}

}  // namespace orlofx

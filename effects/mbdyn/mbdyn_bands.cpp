#include "effects/mbdyn/mbdyn_bands.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <type_traits>

namespace orlofx::mbdyn {

namespace {

// The constants the designs were tuned with.
constexpr double kPi = 3.14159265356;
constexpr double kTwoPi = 6.28318530718;

// 1000 Hz at 44.1 kHz: the spacing of the high-pass correction's knots.
constexpr double kKnotSpacing = 0.022675736961451247;
constexpr double kKnotDb[16] = {0, -1, -2, -3, -4, -5, -5, -6, -7, -8, -9, -10, -11, -12, -12, -13};

// 500 Hz at 44.1 kHz: below it the low-shelf corner sits lower.
constexpr double kLowShelfCorner = 0.011337868480725623;
// 80 Hz at 44.1 kHz: below it the notch's peak scale is smaller.
constexpr double kNotchShapeCorner = 0.001814;

// Gains at or below this many dB remove the band entirely.
constexpr double kFullCutDb = -25.0;

// Smallest magnitude a recursion keeps (2^-32); smaller values become 0.
constexpr double kFlush = 2.3283064365386963e-10;

// The threshold stands for -90.3 dB at its minimum.
constexpr double kFloorThreshold = 3.051758e-5;

double ClampFrequency(double f) { return std::min(std::max(f, kMinFrequency), kMaxFrequency); }

double DbToGain40(double g) { return std::pow(10.0, g / 40.0); }

// Also drops what is not finite: a NaN or infinity from the input would
// otherwise stay in the memories for the rest of the stream.
template <typename T>
T Flushed(T y) {
  return std::isfinite(y) && std::fabs(y) >= static_cast<T>(kFlush) ? y : T(0);
}

// The resonator's recursion over n samples. For each it calls
// visit(i, x[i], y, y1, y2) with the new output and the two before it; the
// memories live in registers for the loop and are stored back at its end.
template <typename T, typename Visit>
void Resonate(Section& s, const T* x, std::size_t n, Visit visit) {
  const T b0 = static_cast<T>(s.b0), a1 = static_cast<T>(s.a1), a2 = static_cast<T>(s.a2);
  T y1 = static_cast<T>(s.y1);
  T y2 = static_cast<T>(s.y2);
  for (std::size_t i = 0; i < n; ++i) {
    const T y = Flushed(b0 * x[i] + a1 * y1 - a2 * y2);
    visit(i, x[i], y, y1, y2);
    y2 = y1;
    y1 = y;
  }
  s.y1 = y1;
  s.y2 = y2;
}

// A static filter's output for input x and the resonator's y, y1, y2.
template <SectionKind K, typename T>
T StaticMix(const Section& s, T x, T y, T y1, T y2) {
  if constexpr (K == SectionKind::kLowShelfCut) {
    return x - static_cast<T>(s.c) * y;
  } else if constexpr (K == SectionKind::kLowShelfBoost) {
    return static_cast<T>(s.m) * x + static_cast<T>(s.c) * y;
  } else if constexpr (K == SectionKind::kHighShelf) {
    return static_cast<T>(s.m) * x + static_cast<T>(s.c) * (y - T(2) * y1 + y2);
  } else {
    return x + static_cast<T>(s.c) * (y - y1);
  }
}

// Runs a static filter over x[0..n) in place.
template <typename T>
void RunStaticBlock(Section& s, T* x, std::size_t n) {
  auto run = [&](auto kind) {
    Resonate(s, x, n, [&](std::size_t i, T xi, T y, T y1, T y2) {
      x[i] = StaticMix<decltype(kind)::value>(s, xi, y, y1, y2);
    });
  };
  switch (s.kind) {
    case SectionKind::kNone: return;
    case SectionKind::kLowShelfCut:
      return run(std::integral_constant<SectionKind, SectionKind::kLowShelfCut>{});
    case SectionKind::kLowShelfBoost:
      return run(std::integral_constant<SectionKind, SectionKind::kLowShelfBoost>{});
    case SectionKind::kHighShelf:
      return run(std::integral_constant<SectionKind, SectionKind::kHighShelf>{});
    case SectionKind::kBandNotch:
      return run(std::integral_constant<SectionKind, SectionKind::kBandNotch>{});
  }
}

// The band-notch correction tables (Hz, and the width factor q).
constexpr double kNotchQ[7] = {0, 0.5, 1, 1.5, 2, 3, 101};
constexpr double kNotchTarget[7] = {0, 50, 100, 1000, 5000, 10000, 22050};
constexpr double kNotchMap[7][7] = {
    {2, 73, 141, 1500, 10000, 20000, 44100},   {1.5, 73, 141, 1500, 10000, 20000, 44100},
    {1, 52, 110, 1150, 6500, 16000, 35280},    {1, 52, 110, 1070, 5750, 13000, 28748},
    {1, 52, 104, 1040, 5500, 11000, 24257},    {1, 51, 102, 1030, 5300, 11000, 24257},
    {1, 51, 102, 1030, 5300, 11000, 24257},
};
constexpr double kNotchRate = 44100.0;

// Ratio target / mapped frequency inside `row`, interpolated linearly in f
// between columns c - 1 and c.
double NotchRatio(int row, int c, double f) {
  double m0 = kNotchMap[row][c - 1] / kNotchRate, m1 = kNotchMap[row][c] / kNotchRate;
  double r0 = (kNotchTarget[c - 1] / kNotchRate) / m0;
  double r1 = (kNotchTarget[c] / kNotchRate) / m1;
  if (m1 == m0) return r1;
  return r0 + (r1 - r0) * (f - m0) / (m1 - m0);
}

}  // namespace

void DesignResonator(Section& s, double f, double q) {
  f = ClampFrequency(f);
  double w = kTwoPi * f;
  s.a1 = 2.0 * std::cos(w) * std::exp(-kPi * f / q);
  s.a2 = std::exp(-w / q);
  s.b0 = 1.0 - s.a1 + s.a2;  // unity gain at DC
}

double HighPassGain(double f) {
  f = ClampFrequency(f);
  double position = f / kKnotSpacing;
  int i = std::min(static_cast<int>(position), 14);  // beyond the last knot, the last segment goes on
  double db = kKnotDb[i] + (kKnotDb[i + 1] - kKnotDb[i]) * (position - i);
  return std::pow(10.0, db / 20.0);
}

double NotchFrequency(double q, double f) {
  int r = 0;
  while (r < 6 && kNotchQ[r] < q) ++r;
  if (q <= kNotchQ[0]) r = 0;
  int c = 0;
  while (c < 6 && kNotchMap[r][c] / kNotchRate < f) ++c;
  if (f <= kNotchMap[r][0] / kNotchRate) c = 0;
  if (r == 0 || c == 0) return f;
  double upper = NotchRatio(r, c, f);
  double lower = NotchRatio(r - 1, c, f);
  double ratio = lower + (upper - lower) * (q - kNotchQ[r - 1]) / (kNotchQ[r] - kNotchQ[r - 1]);
  return ratio * f;
}

double NotchShape(double q, double f) {
  double h = f > kNotchShapeCorner ? 0.85 : 0.65;
  return q >= 1.0 ? h / q : h + 0.9 * (1.0 - q);
}

void DesignLowShelfCut(Section& s, double f, double q, double g) {
  DesignResonator(s, f >= kLowShelfCorner ? f / 3.3 : f / 2.2, q);
  s.kind = SectionKind::kLowShelfCut;
  s.m = g <= kFullCutDb ? 0.0 : DbToGain40(g);
  s.c = 1.0 - s.m;
}

void DesignLowShelfBoost(Section& s, double f, double g) {
  DesignResonator(s, f / 1.5, 0.1);
  s.kind = SectionKind::kLowShelfBoost;
  s.m = 1.0;
  s.c = DbToGain40(g) - 1.0;
}

void DesignHighShelf(Section& s, double f, double q, double g) {
  f = std::min(std::max(f, 0.0004), kMaxFrequency);
  double fc = f < 0.125 ? 0.4 * f : f * (0.4 + 1.6 * (f - 0.125));
  DesignResonator(s, fc, q);
  s.b0 = HighPassGain(fc);
  s.kind = SectionKind::kHighShelf;
  s.m = 1.0;
  s.c = g <= kFullCutDb ? -1.0 : DbToGain40(g) - 1.0;
}

void DesignHighShelfBoost(Section& s, double f, double q, double g) {
  DesignResonator(s, f, q);
  s.b0 = HighPassGain(f);
  s.kind = SectionKind::kHighShelf;
  s.m = 1.0;
  s.c = DbToGain40(g) - 1.0;
}

void DesignBandNotch(Section& s, double f, double q, double g) {
  f = ClampFrequency(f);
  double fc = ClampFrequency(NotchFrequency(q, f));
  DesignResonator(s, fc, q);
  s.b0 = std::cos(kPi * fc) * std::sqrt(1.0 - s.a1 + s.a2);
  s.kind = SectionKind::kBandNotch;
  s.m = 1.0;
  s.c = g != 0.0 ? (std::pow(10.0, g / 20.0) - 1.0) * NotchShape(q, fc) : 0.0;
}

double RunStatic(Section& s, double x) {
  RunStaticBlock(s, &x, 1);
  return x;
}

std::int32_t MeterValue(double peak) {
  if (!(peak > 0.0)) return kMbdynThresholdFloor;
  double v = std::trunc(200.0 * std::log10(peak)) - 60.0;
  if (v < kMbdynThresholdFloor) return kMbdynThresholdFloor;
  return v > 0x7fffffff ? 0x7fffffff : static_cast<std::int32_t>(v);
}

HResult MbdynBands::Allocate(std::size_t blockFrames, int channels) {
  if (channels < 1 || channels > 2) return kFail;
  try {
    for (int ch = 0; ch < 2; ++ch) {
      std::size_t size = ch < channels ? blockFrames : 0;
      floatBand_[ch].assign(size, 0.0f);
      doubleBand_[ch].assign(size, 0.0);
    }
  } catch (const std::bad_alloc&) {
    Free();
    return kOutOfMemory;
  }
  channels_ = channels;
  blockFrames_ = blockFrames;
  ResetMeterMaxima();
  return kOk;
}

void MbdynBands::Free() {
  for (int ch = 0; ch < 2; ++ch) {
    std::vector<float>().swap(floatBand_[ch]);
    std::vector<double>().swap(doubleBand_[ch]);
  }
  channels_ = 0;
  blockFrames_ = 0;
}

void MbdynBands::Build(const MbdynParams& p, double fs, bool reset) {
  outputGain_ = std::pow(10.0, p.outputGain / 200.0);
  sync_ = p.syncStereo != 0;
  meters_ = p.enableMeters != 0;
  for (int ch = 0; ch < 2; ++ch) {
    for (int i = 0; i < kMbdynBands; ++i) {
      Band& b = bands_[ch][i];
      if (reset) {
        b.split.Clear();
        b.gainFilter.Clear();
        b.gain = 1.0;
        b.attackMode = false;
        b.peak = 0.0;
      }
      b.active = MbdynBandActive(p, i);
      if (p.bandBypass[i] != 0) continue;  // a bypassed band keeps its old design

      // Dynamics.
      double attack = p.attack[i] / 10000.0, release = p.release[i] / 10000.0;
      b.attackLength = static_cast<std::int64_t>(attack * fs);
      b.releaseLength = static_cast<std::int64_t>(release * fs);
      b.ratio = p.amount[i] / 10.0;
      b.threshold = p.threshold[i] <= kMbdynThresholdFloor ? kFloorThreshold
                                                           : std::pow(10.0, p.threshold[i] / 200.0);
      b.releaseThreshold = 0.85 * b.threshold;
      b.attackCoefficient = attack <= 0.02 ? 1.0 : 1.0 - std::pow(0.1, 0.02 / attack);
      b.releaseCoefficient = release <= 0.02 ? 1.0 : 1.0 - std::pow(0.1, 0.02 / release);

      // The split filter takes the whole band out; the static filter boosts
      // or cuts it.
      b.type = p.type[i];
      double f = p.center[i] / fs;
      double q = 10.0 / p.width[i];
      double g = p.gain[i] / 10.0;
      b.gainSign = g > 0.0 ? 1 : (g < 0.0 ? -1 : 0);
      switch (b.type) {
        case kMbdynLowShelf:
          DesignLowShelfCut(b.split, f, 0.1, kFullCutDb);
          if (g > 0.0) DesignLowShelfBoost(b.gainFilter, f, g);
          if (g < 0.0) DesignLowShelfCut(b.gainFilter, f, 0.1, g);
          break;
        case kMbdynHighShelf:
          DesignHighShelf(b.split, f, 0.3, kFullCutDb);
          if (g > 0.0) DesignHighShelfBoost(b.gainFilter, f, 0.3, g);
          if (g < 0.0) DesignHighShelf(b.gainFilter, f, 0.3, g);
          break;
        default:
          DesignBandNotch(b.split, f, q, kFullCutDb);
          if (g != 0.0) DesignBandNotch(b.gainFilter, f, q, g);
          break;
      }
      if (b.gainSign == 0) b.gainFilter.kind = SectionKind::kNone;
    }
  }
}

template <typename T>
void MbdynBands::SplitBand(Band& b, const T* x, T* s, std::size_t n) {
  Section& sec = b.split;
  T peak = 0;
  auto split = [&](auto band) {
    Resonate(sec, x, n, [&](std::size_t i, T, T y, T y1, T y2) {
      T v;
      if constexpr (decltype(band)::value == kMbdynLowShelf) {
        v = y;
      } else if constexpr (decltype(band)::value == kMbdynHighShelf) {
        v = y - T(2) * y1 + y2;
      } else {
        v = (y1 - y) * static_cast<T>(sec.c);
      }
      s[i] = v;
      peak = std::max(peak, static_cast<T>(std::fabs(v)));
    });
  };
  switch (b.type) {
    case kMbdynLowShelf: split(std::integral_constant<int, kMbdynLowShelf>{}); break;
    case kMbdynHighShelf: split(std::integral_constant<int, kMbdynHighShelf>{}); break;
    default: split(std::integral_constant<int, -1>{}); break;
  }
  b.peak = peak;
}

namespace {

// Steps 2 to 5 of a block for one band: mode, target, smoothing, ramp.
// Returns the target and sets *step.
double GainTarget(Band& b, std::size_t n, double* step) {
  if (b.peak >= b.threshold)
    b.attackMode = true;
  else if (b.peak < b.releaseThreshold)
    b.attackMode = false;

  double v = 1.0;
  if (b.threshold != 0.0 && b.peak != 0.0 && b.ratio != 0.0) {
    v = std::pow(10.0, std::log10(b.peak / b.threshold) / b.ratio) * b.threshold / b.peak;
    v = std::min(v, 1.0);
  }
  if (b.ratio == 1.0) v = 1.0;
  if (b.ratio > 30.0) v *= v;
  if (b.ratio > 40.0) v *= v;
  if (b.ratio == 50.0 && v < 0.5) v = 0.0;

  double k = b.attackMode ? b.attackCoefficient : b.releaseCoefficient;
  std::int64_t length = b.attackMode ? b.attackLength : b.releaseLength;
  double target = k * v + (1.0 - k) * b.gain;
  if (length > static_cast<std::int64_t>(n)) {
    *step = (target - b.gain) / static_cast<double>(n);
  } else if (length > 0) {
    *step = (target - b.gain) / static_cast<double>(length);
  } else {
    b.gain = target;
    *step = 0.0;
  }
  return target;
}

// Step 6: takes the reduced part of the band out of x while the gain ramps.
template <typename T>
double Subtract(double gain, double target, double step, T* const* x, T* const* s, int channels,
                std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    T reduce = static_cast<T>(1.0 - gain);
    for (int ch = 0; ch < channels; ++ch) x[ch][i] -= reduce * s[ch][i];
    if ((step > 0.0 && gain < target) || (step < 0.0 && gain > target)) gain += step;
  }
  return gain;
}

}  // namespace

void MbdynBands::Meter(int band, double peak) {
  if (!meters_) return;
  blockMeter_[band] = MeterValue(peak);
  if (peak > 0.0) meterMax_[band] = std::max(meterMax_[band], blockMeter_[band]);
}

template <typename T>
void MbdynBands::Process(T* const* x, std::size_t n, std::vector<T>* bandBuffers) {
  n = std::min(n, blockFrames_);
  if (n == 0) return;
  T* s[2] = {bandBuffers[0].data(), channels_ > 1 ? bandBuffers[1].data() : nullptr};
  bool linked = sync_ && channels_ == 2;
  for (int i = 0; i < kMbdynBands; ++i) {
    blockMeter_[i] = kMbdynThresholdFloor;
    if (!bands_[0][i].active) continue;
    for (int ch = 0; ch < channels_; ++ch) SplitBand(bands_[ch][i], x[ch], s[ch], n);

    if (linked) {
      Band& left = bands_[0][i];
      Band& right = bands_[1][i];
      left.peak = std::max(left.peak, right.peak);
      double step;
      double target = GainTarget(left, n, &step);
      left.gain = Subtract(left.gain, target, step, x, s, 2, n);
      right.gain = left.gain;
      right.attackMode = left.attackMode;
      Meter(i, left.peak);
    } else {
      double loudest = 0.0;
      for (int ch = 0; ch < channels_; ++ch) {
        Band& b = bands_[ch][i];
        double step;
        double target = GainTarget(b, n, &step);
        b.gain = Subtract(b.gain, target, step, &x[ch], &s[ch], 1, n);
        loudest = std::max(loudest, b.peak);
      }
      Meter(i, loudest);
    }

    for (int ch = 0; ch < channels_; ++ch) {
      Band& b = bands_[ch][i];
      if (b.gainSign == 0) continue;
      RunStaticBlock(b.gainFilter, x[ch], n);
    }
  }
}

void MbdynBands::ProcessBlock(float* const* x, std::size_t n) { Process(x, n, floatBand_); }
void MbdynBands::ProcessBlock(double* const* x, std::size_t n) { Process(x, n, doubleBand_); }

std::int32_t MbdynBands::TakeMeterMaximum(int band) {
  std::int32_t v = meterMax_[band];
  meterMax_[band] = kMbdynThresholdFloor;
  return v;
}

void MbdynBands::ResetMeterMaxima() {
  for (int i = 0; i < kMbdynBands; ++i) {
    meterMax_[i] = kMbdynThresholdFloor;
    blockMeter_[i] = kMbdynThresholdFloor;
  }
}

}  // namespace orlofx::mbdyn

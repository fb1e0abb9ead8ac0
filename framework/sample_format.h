// Sample formats every effect accepts, and the readers and writers that move
// interleaved samples in and out of the processors' per-channel buffers.
//
//   format        reader scale          working precision   writer
//   PCM 8-bit     (byte - 128) / 128    float               x*128 clamp, round, +128
//   PCM 16-bit    value / 32768         float               x*32768 clamp, round
//   PCM 32-bit    value / 2^31          double              x*2^31 clamp, round
//   float 32      as is                 float               as is (no clamp)
//   float 64      as is                 double              as is (no clamp)
//
// Rounding is to nearest with ties to even; there is no dither. A NaN reaching
// a PCM writer is written as silence rather than as an undefined integer.
// A float input sample that is not finite (NaN, infinity) is read as 0: one
// bad sample from a host must not poison a filter's memory or a kernel's
// whole overlap.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

namespace orlofx {

constexpr std::uint16_t kWaveFormatPcm = 1;
constexpr std::uint16_t kWaveFormatIeeeFloat = 3;

enum class SampleFormat { kPcm8, kPcm16, kPcm32, kFloat32, kFloat64 };

enum class Precision { kFloat, kDouble };

// The 18-byte wave format header as the frame stores it (the platform's
// WAVEFORMATEX layout, packed to 2 bytes).
#pragma pack(push, 2)
struct WaveFormat {
  std::uint16_t formatTag;
  std::uint16_t channels;
  std::uint32_t samplesPerSec;
  std::uint32_t avgBytesPerSec;
  std::uint16_t blockAlign;
  std::uint16_t bitsPerSample;
  std::uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "WaveFormat must match WAVEFORMATEX");

// Keeps tag, channels, rate and bits; recomputes the derived fields.
inline WaveFormat Normalised(const WaveFormat& f) {
  WaveFormat n = f;
  n.blockAlign = static_cast<std::uint16_t>((f.bitsPerSample / 8) * f.channels);
  n.avgBytesPerSec = static_cast<std::uint32_t>(n.blockAlign) * f.samplesPerSec;
  n.extraSize = 0;
  return n;
}

inline WaveFormat MakeWaveFormat(SampleFormat fmt, int channels, std::uint32_t rate);

// The accepted (tag, bits) pairs; anything else has no SampleFormat.
inline std::optional<SampleFormat> SampleFormatOf(std::uint16_t tag, std::uint16_t bits) {
  if (tag == kWaveFormatPcm) {
    if (bits == 8) return SampleFormat::kPcm8;
    if (bits == 16) return SampleFormat::kPcm16;
    if (bits == 32) return SampleFormat::kPcm32;
  } else if (tag == kWaveFormatIeeeFloat) {
    if (bits == 32) return SampleFormat::kFloat32;
    if (bits == 64) return SampleFormat::kFloat64;
  }
  return std::nullopt;
}

inline std::optional<SampleFormat> SampleFormatOf(const WaveFormat& f) {
  return SampleFormatOf(f.formatTag, f.bitsPerSample);
}

// A format the processors accept: one of the five pairs, one or two channels.
inline bool IsAcceptedFormat(const WaveFormat& f) {
  return SampleFormatOf(f).has_value() && (f.channels == 1 || f.channels == 2);
}

// The format of a stream whose two pins carry the same accepted format at a
// rate above 0 (the processors write in the input's layout); none otherwise.
inline std::optional<SampleFormat> StreamFormatOf(const WaveFormat& in, const WaveFormat& out) {
  if (!IsAcceptedFormat(in) || in.samplesPerSec == 0 || out.formatTag != in.formatTag ||
      out.bitsPerSample != in.bitsPerSample || out.channels != in.channels ||
      out.samplesPerSec != in.samplesPerSec)
    return std::nullopt;
  return SampleFormatOf(in);
}

constexpr int BytesPerSample(SampleFormat fmt) {
  switch (fmt) {
    case SampleFormat::kPcm8: return 1;
    case SampleFormat::kPcm16: return 2;
    case SampleFormat::kPcm32: return 4;
    case SampleFormat::kFloat32: return 4;
    case SampleFormat::kFloat64: return 8;
  }
  return 0;
}

constexpr Precision WorkingPrecision(SampleFormat fmt) {
  return (fmt == SampleFormat::kPcm32 || fmt == SampleFormat::kFloat64) ? Precision::kDouble
                                                                         : Precision::kFloat;
}

inline WaveFormat MakeWaveFormat(SampleFormat fmt, int channels, std::uint32_t rate) {
  WaveFormat f{};
  f.formatTag = (fmt == SampleFormat::kFloat32 || fmt == SampleFormat::kFloat64)
                    ? kWaveFormatIeeeFloat
                    : kWaveFormatPcm;
  f.channels = static_cast<std::uint16_t>(channels);
  f.samplesPerSec = rate;
  f.bitsPerSample = static_cast<std::uint16_t>(BytesPerSample(fmt) * 8);
  return Normalised(f);
}

namespace sample_io {

template <typename T>
inline T Load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
inline void Store(unsigned char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Rounds to nearest, ties to even, after clamping to [lo, hi]; NaN gives 0.
template <typename T>
inline double ClampRound(T scaled, double lo, double hi) {
  double v = static_cast<double>(scaled);
  if (!(v == v)) return 0.0;
  if (v < lo) return lo;
  if (v > hi) return hi;
  return std::nearbyint(v);
}

}  // namespace sample_io

// One sample of format F from interleaved bytes into working precision T.
template <SampleFormat F, typename T>
inline T ReadSampleAs(const unsigned char* p) {
  using namespace sample_io;
  if constexpr (F == SampleFormat::kPcm8) {
    return static_cast<T>(static_cast<T>(int(p[0]) - 128) * T(0.0078125));
  } else if constexpr (F == SampleFormat::kPcm16) {
    return static_cast<T>(Load<std::int16_t>(p)) * T(3.0517578125e-5);
  } else if constexpr (F == SampleFormat::kPcm32) {
    return static_cast<T>(static_cast<double>(Load<std::int32_t>(p)) * 4.656612873077393e-10);
  } else if constexpr (F == SampleFormat::kFloat32) {
    const float v = Load<float>(p);
    return std::isfinite(v) ? static_cast<T>(v) : T(0);
  } else {
    const double v = Load<double>(p);
    return std::isfinite(v) ? static_cast<T>(v) : T(0);
  }
}

// One sample from working precision T into interleaved bytes of format F.
template <SampleFormat F, typename T>
inline void WriteSampleAs(T x, unsigned char* p) {
  using namespace sample_io;
  if constexpr (F == SampleFormat::kPcm8) {
    p[0] = static_cast<unsigned char>(static_cast<int>(ClampRound(x * T(128), -128.0, 127.0)) + 128);
  } else if constexpr (F == SampleFormat::kPcm16) {
    Store(p, static_cast<std::int16_t>(ClampRound(x * T(32768), -32768.0, 32767.0)));
  } else if constexpr (F == SampleFormat::kPcm32) {
    Store(p, static_cast<std::int32_t>(
                 ClampRound(static_cast<double>(x) * 2147483648.0, -2147483648.0, 2147483647.0)));
  } else if constexpr (F == SampleFormat::kFloat32) {
    Store(p, static_cast<float>(x));
  } else {
    Store(p, static_cast<double>(x));
  }
}

template <SampleFormat F>
using FormatConstant = std::integral_constant<SampleFormat, F>;

// Calls fn(FormatConstant<fmt>{}): the format is chosen once, outside a
// loop, and the loop inside fn sees it as a constant.
template <typename Fn>
inline decltype(auto) WithFormat(SampleFormat fmt, Fn&& fn) {
  switch (fmt) {
    case SampleFormat::kPcm8: return fn(FormatConstant<SampleFormat::kPcm8>{});
    case SampleFormat::kPcm16: return fn(FormatConstant<SampleFormat::kPcm16>{});
    case SampleFormat::kPcm32: return fn(FormatConstant<SampleFormat::kPcm32>{});
    case SampleFormat::kFloat32: return fn(FormatConstant<SampleFormat::kFloat32>{});
    case SampleFormat::kFloat64: break;
  }
  return fn(FormatConstant<SampleFormat::kFloat64>{});
}

template <typename T>
inline T ReadSample(SampleFormat fmt, const unsigned char* p) {
  return WithFormat(fmt, [p](auto f) { return ReadSampleAs<decltype(f)::value, T>(p); });
}

template <typename T>
inline void WriteSample(SampleFormat fmt, T x, unsigned char* p) {
  WithFormat(fmt, [x, p](auto f) { WriteSampleAs<decltype(f)::value, T>(x, p); });
}

namespace sample_io {

// The loops behind ReadFrames and WriteFrames, with the format, the channel
// count (1, 2, or 0 for any) and whether peaks are kept fixed at compile time.
template <SampleFormat F, int Channels, bool KeepPeaks, typename T>
inline void ReadFramesAs(int channelCount, const unsigned char* p, std::size_t frames,
                         T* const* channels, std::size_t offset, double* peaks) {
  constexpr int kStep = BytesPerSample(F);
  const int n = Channels ? Channels : channelCount;
  for (int c = 0; c < n; ++c) {
    T* to = channels[c] + offset;
    const unsigned char* from = p + c * kStep;
    double peak = KeepPeaks ? peaks[c] : 0.0;
    for (std::size_t i = 0; i < frames; ++i, from += n * kStep) {
      const T v = ReadSampleAs<F, T>(from);
      to[i] = v;
      if constexpr (KeepPeaks) peak = std::max(peak, std::fabs(static_cast<double>(v)));
    }
    if constexpr (KeepPeaks) peaks[c] = peak;
  }
}

template <SampleFormat F, int Channels, typename T>
inline void WriteFramesAs(int channelCount, const T* const* channels, std::size_t offset,
                          std::size_t frames, unsigned char* p) {
  constexpr int kStep = BytesPerSample(F);
  const int n = Channels ? Channels : channelCount;
  for (int c = 0; c < n; ++c) {
    const T* from = channels[c] + offset;
    unsigned char* to = p + c * kStep;
    for (std::size_t i = 0; i < frames; ++i, to += n * kStep) WriteSampleAs<F, T>(from[i], to);
  }
}

}  // namespace sample_io

// Reads `frames` interleaved frames into channels[c][offset ...].
// When peaks is given, peaks[c] is raised to the largest |sample| stored.
template <typename T>
inline void ReadFrames(SampleFormat fmt, int channelCount, const void* interleaved,
                       std::size_t frames, T* const* channels, std::size_t offset,
                       double* peaks = nullptr) {
  const auto* p = static_cast<const unsigned char*>(interleaved);
  WithFormat(fmt, [&](auto f) {
    constexpr SampleFormat F = decltype(f)::value;
    using namespace sample_io;
    if (peaks) {
      if (channelCount == 2) ReadFramesAs<F, 2, true>(2, p, frames, channels, offset, peaks);
      else ReadFramesAs<F, 0, true>(channelCount, p, frames, channels, offset, peaks);
    } else {
      if (channelCount == 2) ReadFramesAs<F, 2, false>(2, p, frames, channels, offset, peaks);
      else ReadFramesAs<F, 0, false>(channelCount, p, frames, channels, offset, peaks);
    }
  });
}

// Writes `frames` frames from channels[c][offset ...] as interleaved samples.
template <typename T>
inline void WriteFrames(SampleFormat fmt, int channelCount, const T* const* channels,
                        std::size_t offset, std::size_t frames, void* interleaved) {
  auto* p = static_cast<unsigned char*>(interleaved);
  WithFormat(fmt, [&](auto f) {
    constexpr SampleFormat F = decltype(f)::value;
    if (channelCount == 2) sample_io::WriteFramesAs<F, 2>(2, channels, offset, frames, p);
    else sample_io::WriteFramesAs<F, 0>(channelCount, channels, offset, frames, p);
  });
}

}  // namespace orlofx

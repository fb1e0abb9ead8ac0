// Sample readers and writers: scales, clamping, rounding, interleaving and
// peak tracking for the five accepted formats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "framework/sample_format.h"

namespace orlofx {
namespace {

// The integer a PCM writer puts down for x (8-bit: the unsigned byte).
template <typename T>
long Written(SampleFormat format, T x) {
  unsigned char b[4] = {};
  WriteSample<T>(format, x, b);
  if (format == SampleFormat::kPcm8) return b[0];
  if (format == SampleFormat::kPcm16) return static_cast<std::int16_t>(b[0] | b[1] << 8);
  std::int32_t v;
  std::memcpy(&v, b, 4);
  return v;
}

template <typename T, typename S>
T Read(SampleFormat format, S stored) {
  unsigned char b[sizeof(S)];
  std::memcpy(b, &stored, sizeof(S));
  return ReadSample<T>(format, b);
}

// PCM writers clamp, round half to even and write NaN as silence; both
// pipelines agree.
TEST(SampleWriters, PcmClampsRoundsHalfToEvenAndSilencesNan) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double in;
    long pcm8, pcm16;
  };
  const Case cases[] = {{1.0, 255, 32767},     {-1.0, 0, -32768},        {7.0, 255, 32767},    {-7.0, 0, -32768},
                        {0.0, 128, 0},         {nan, 128, 0},            {0.5 / 128, 128, 128}, {1.5 / 128, 130, 384},
                        {2.5 / 32768, 128, 2}, {3.5 / 32768, 128, 4},    {-2.5 / 32768, 128, -2}};
  for (const Case& c : cases) {
    EXPECT_EQ(Written(SampleFormat::kPcm8, c.in), c.pcm8) << c.in;
    EXPECT_EQ(Written(SampleFormat::kPcm8, static_cast<float>(c.in)), c.pcm8) << c.in;
    EXPECT_EQ(Written(SampleFormat::kPcm16, c.in), c.pcm16) << c.in;
    EXPECT_EQ(Written(SampleFormat::kPcm16, static_cast<float>(c.in)), c.pcm16) << c.in;
  }
  const std::pair<double, long> pcm32[] = {{1.0, std::numeric_limits<std::int32_t>::max()},
                                           {-1.0, std::numeric_limits<std::int32_t>::min()},
                                           {0.5, 1073741824}, {2.5 / 2147483648.0, 2}, {nan, 0}};
  for (const auto& [in, out] : pcm32) EXPECT_EQ(Written(SampleFormat::kPcm32, in), out) << in;
}

TEST(SampleReaders, ScalesMatchTheFormatsAndFloatsPassUnclamped) {
  EXPECT_EQ(Read<float>(SampleFormat::kPcm8, std::uint8_t{0}), -1.0f);
  EXPECT_EQ(Read<float>(SampleFormat::kPcm8, std::uint8_t{255}), 127.0f / 128);
  EXPECT_EQ(Read<float>(SampleFormat::kPcm16, std::int16_t{-32768}), -1.0f);
  EXPECT_EQ(Read<double>(SampleFormat::kPcm32, std::numeric_limits<std::int32_t>::min()), -1.0);
  EXPECT_EQ(Read<double>(SampleFormat::kPcm32, std::int32_t{1}), 4.656612873077393e-10);
  EXPECT_EQ(Read<float>(SampleFormat::kFloat32, 1.5f), 1.5f);
  EXPECT_EQ(Read<double>(SampleFormat::kFloat64, -3.25), -3.25);
}

// Every representable 8- and 16-bit value, and sampled 32-bit and float
// values, survive read then write.
TEST(SampleRoundTrip, EveryValueSurvivesInItsPrecision) {
  for (int v = 0; v < 256; ++v)
    ASSERT_EQ(Written(SampleFormat::kPcm8, Read<float>(SampleFormat::kPcm8, static_cast<std::uint8_t>(v))), v);
  for (int v = -32768; v <= 32767; ++v)
    ASSERT_EQ(Written(SampleFormat::kPcm16, Read<float>(SampleFormat::kPcm16, static_cast<std::int16_t>(v))), v);
  for (std::int32_t v : {std::numeric_limits<std::int32_t>::min(), -123456789, -1, 0, 1, 987654321,
                         std::numeric_limits<std::int32_t>::max()})
    EXPECT_EQ(Written(SampleFormat::kPcm32, Read<double>(SampleFormat::kPcm32, v)), v);
  for (double d : {-2.0, -1e-300, 0.1, 1.0 / 3, 12345.678}) {
    unsigned char out[8];
    WriteSample<double>(SampleFormat::kFloat64, Read<double>(SampleFormat::kFloat64, d), out);
    EXPECT_EQ(std::memcmp(&d, out, 8), 0) << d;
    const float f = static_cast<float>(d);
    WriteSample<float>(SampleFormat::kFloat32, Read<float>(SampleFormat::kFloat32, f), out);
    EXPECT_EQ(std::memcmp(&f, out, 4), 0) << f;
  }
}

TEST(SampleFrames, StereoIsInterleavedChannelZeroFirstAndPeaksTrackEachChannel) {
  const std::int16_t interleaved[] = {1000, -2000, -3000, 500, 200, 100};
  std::vector<float> left(4, 9.0f), right(4, 9.0f);
  float* channels[2] = {left.data(), right.data()};
  double peaks[2] = {0.0, 0.1};
  ReadFrames<float>(SampleFormat::kPcm16, 2, interleaved, 3, channels, 1, peaks);
  EXPECT_EQ(left[0], 9.0f);  // offset respected
  EXPECT_FLOAT_EQ(left[1], 1000.0f / 32768);
  EXPECT_FLOAT_EQ(right[1], -2000.0f / 32768);
  EXPECT_FLOAT_EQ(left[2], -3000.0f / 32768);
  EXPECT_FLOAT_EQ(right[3], 100.0f / 32768);
  EXPECT_DOUBLE_EQ(peaks[0], 3000.0 / 32768);
  EXPECT_DOUBLE_EQ(peaks[1], 0.1);  // a peak is only ever raised
  std::int16_t back[6] = {};
  const float* readBack[2] = {left.data(), right.data()};
  WriteFrames<float>(SampleFormat::kPcm16, 2, readBack, 1, 3, back);
  EXPECT_EQ(std::memcmp(back, interleaved, sizeof back), 0);
}

TEST(WaveFormats, NormalisingRecomputesDerivedFields) {
  WaveFormat f{};
  f.formatTag = kWaveFormatIeeeFloat;
  f.channels = 2;
  f.samplesPerSec = 48000;
  f.bitsPerSample = 64;
  f.blockAlign = 3;
  f.avgBytesPerSec = 7;
  f.extraSize = 22;
  const WaveFormat n = Normalised(f);
  EXPECT_EQ(n.blockAlign, 16);
  EXPECT_EQ(n.avgBytesPerSec, 768000u);
  EXPECT_EQ(n.extraSize, 0);
}

}  // namespace
}  // namespace orlofx

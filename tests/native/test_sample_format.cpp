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

template <typename T>
std::int16_t Write16(T x) {
  unsigned char b[2];
  WriteSample<T>(SampleFormat::kPcm16, x, b);
  std::int16_t v;
  std::memcpy(&v, b, 2);
  return v;
}

template <typename T>
unsigned Write8(T x) {
  unsigned char b[1];
  WriteSample<T>(SampleFormat::kPcm8, x, b);
  return b[0];
}

std::int32_t Write32(double x) {
  unsigned char b[4];
  WriteSample<double>(SampleFormat::kPcm32, x, b);
  std::int32_t v;
  std::memcpy(&v, b, 4);
  return v;
}

// PCM writers clamp, round half to even and write NaN as silence; both
// pipelines agree.
TEST(SampleWriters, PcmClampsRoundsHalfToEvenAndSilencesNan) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double in;
    long pcm8, pcm16;
  };
  const Case cases[] = {{1.0, 255, 32767},          {-1.0, 0, -32768},     {7.0, 255, 32767},
                        {-7.0, 0, -32768},          {0.0, 128, 0},         {nan, 128, 0},
                        {0.5 / 128, 128, 128},      {1.5 / 128, 130, 384}, {2.5 / 32768, 128, 2},
                        {3.5 / 32768, 128, 4},      {-2.5 / 32768, 128, -2}};
  for (const Case& c : cases) {
    EXPECT_EQ(Write8(c.in), c.pcm8) << c.in;
    EXPECT_EQ(Write8(static_cast<float>(c.in)), c.pcm8) << c.in;
    EXPECT_EQ(Write16(c.in), c.pcm16) << c.in;
    EXPECT_EQ(Write16(static_cast<float>(c.in)), c.pcm16) << c.in;
  }
  EXPECT_EQ(Write32(1.0), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(Write32(-1.0), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(Write32(0.5), 1073741824);
  EXPECT_EQ(Write32(2.5 / 2147483648.0), 2);
  EXPECT_EQ(Write32(nan), 0);
}

TEST(SampleWriters, FloatsAreWrittenUnclamped) {
  unsigned char b4[4];
  WriteSample<float>(SampleFormat::kFloat32, 1.5f, b4);
  EXPECT_EQ(ReadSample<float>(SampleFormat::kFloat32, b4), 1.5f);
  unsigned char b8[8];
  WriteSample<double>(SampleFormat::kFloat64, -3.25, b8);
  EXPECT_EQ(ReadSample<double>(SampleFormat::kFloat64, b8), -3.25);
}

TEST(SampleReaders, ScalesMatchTheFormats) {
  unsigned char b[4];
  b[0] = 0;
  EXPECT_EQ(ReadSample<float>(SampleFormat::kPcm8, b), -1.0f);
  b[0] = 255;
  EXPECT_EQ(ReadSample<float>(SampleFormat::kPcm8, b), 127.0f / 128);
  std::int16_t s = -32768;
  std::memcpy(b, &s, 2);
  EXPECT_EQ(ReadSample<float>(SampleFormat::kPcm16, b), -1.0f);
  std::int32_t i = std::numeric_limits<std::int32_t>::min();
  std::memcpy(b, &i, 4);
  EXPECT_EQ(ReadSample<double>(SampleFormat::kPcm32, b), -1.0);
  i = 1;
  std::memcpy(b, &i, 4);
  EXPECT_EQ(ReadSample<double>(SampleFormat::kPcm32, b), 4.656612873077393e-10);
}

// Every representable 8- and 16-bit value survives read then write.
TEST(SampleRoundTrip, EveryPcm8AndPcm16ValueSurvives) {
  for (int v = 0; v < 256; ++v) {
    unsigned char in = static_cast<unsigned char>(v);
    EXPECT_EQ(Write8(ReadSample<float>(SampleFormat::kPcm8, &in)), static_cast<unsigned>(v));
  }
  for (int v = -32768; v <= 32767; ++v) {
    std::int16_t x = static_cast<std::int16_t>(v);
    unsigned char in[2];
    std::memcpy(in, &x, 2);
    ASSERT_EQ(Write16(ReadSample<float>(SampleFormat::kPcm16, in)), v);
  }
}

TEST(SampleRoundTrip, Pcm32AndFloatsSurviveInTheirPrecision) {
  const std::int32_t values[] = {
      std::numeric_limits<std::int32_t>::min(), -123456789, -1, 0, 1, 987654321,
      std::numeric_limits<std::int32_t>::max()};
  for (std::int32_t v : values) {
    unsigned char in[4];
    std::memcpy(in, &v, 4);
    EXPECT_EQ(Write32(ReadSample<double>(SampleFormat::kPcm32, in)), v);
  }
  const double doubles[] = {-2.0, -1e-300, 0.1, 1.0 / 3, 12345.678};
  for (double d : doubles) {
    unsigned char in[8], out[8];
    std::memcpy(in, &d, 8);
    WriteSample<double>(SampleFormat::kFloat64, ReadSample<double>(SampleFormat::kFloat64, in),
                        out);
    EXPECT_EQ(std::memcmp(in, out, 8), 0) << d;
    const float f = static_cast<float>(d);
    std::memcpy(in, &f, 4);
    WriteSample<float>(SampleFormat::kFloat32, ReadSample<float>(SampleFormat::kFloat32, in), out);
    EXPECT_EQ(std::memcmp(in, out, 4), 0) << f;
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
  WaveFormat n = Normalised(f);
  EXPECT_EQ(n.blockAlign, 16);
  EXPECT_EQ(n.avgBytesPerSec, 768000u);
  EXPECT_EQ(n.extraSize, 0);
}

}  // namespace
}  // namespace orlofx

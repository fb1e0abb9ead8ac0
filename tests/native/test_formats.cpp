// Formats on the wire: sample readers and writers (scales, clamping, rounding,
// interleaving, peaks), identifiers, and the persisted settings record (byte
// layout, the two-step load and its refusals, stream errors both ways).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "effects/noisgt/noisgt_params.h"
#include "framework/guid.h"
#include "framework/sample_format.h"
#include "framework/settings_record.h"

namespace orlofx {
namespace {

// The integer a PCM writer puts down for x (8-bit: the unsigned byte).
template <typename T>
long Written(SampleFormat format, T x) {
  unsigned char b[8] = {};
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
  constexpr long kMax32 = std::numeric_limits<std::int32_t>::max(), kMin32 = std::numeric_limits<std::int32_t>::min();
  const std::tuple<double, long, long, long> cases[] = {
      {1.0, 255, 32767, kMax32}, {-1.0, 0, -32768, kMin32}, {7.0, 255, 32767, kMax32}, {-7.0, 0, -32768, kMin32},
      {0.0, 128, 0, 0}, {std::nan(""), 128, 0, 0}, {0.5 / 128, 128, 128, 8388608}, {1.5 / 128, 130, 384, 25165824},
      {2.5 / 32768, 128, 2, 163840}, {3.5 / 32768, 128, 4, 229376}, {-2.5 / 32768, 128, -2, -163840},
      {0.5, 192, 16384, 1073741824}, {2.5 / 2147483648.0, 128, 0, 2}};
  for (const auto& [in, pcm8, pcm16, pcm32] : cases) {
    for (const auto& [format, out] : {std::pair{SampleFormat::kPcm8, pcm8}, {SampleFormat::kPcm16, pcm16}}) {
      EXPECT_EQ(Written(format, in), out) << in;
      EXPECT_EQ(Written(format, static_cast<float>(in)), out) << in;
    }
    EXPECT_EQ(Written(SampleFormat::kPcm32, in), pcm32) << in;
  }
}

// Every representable 8- and 16-bit value, and sampled 32-bit and float
// values, survive read then write.
TEST(SampleRoundTrip, ScalesMatchTheFormatsAndEveryValueSurvivesInItsPrecision) {
  EXPECT_EQ(Read<float>(SampleFormat::kPcm8, std::uint8_t{0}), -1.0f);
  EXPECT_EQ(Read<float>(SampleFormat::kPcm8, std::uint8_t{255}), 127.0f / 128);
  EXPECT_EQ(Read<float>(SampleFormat::kPcm16, std::int16_t{-32768}), -1.0f);
  EXPECT_EQ(Read<double>(SampleFormat::kPcm32, std::numeric_limits<std::int32_t>::min()), -1.0);
  EXPECT_EQ(Read<double>(SampleFormat::kPcm32, std::int32_t{1}), 4.656612873077393e-10);
  EXPECT_EQ(Read<float>(SampleFormat::kFloat32, 1.5f), 1.5f);  // floats pass unclamped
  EXPECT_EQ(Read<double>(SampleFormat::kFloat64, -3.25), -3.25);
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
  WaveFormat f = MakeWaveFormat(SampleFormat::kFloat64, 2, 48000);
  f.blockAlign = 3;
  f.avgBytesPerSec = 7;
  f.extraSize = 22;
  const WaveFormat n = Normalised(f);
  EXPECT_EQ(n.formatTag, kWaveFormatIeeeFloat);
  EXPECT_EQ(n.blockAlign, 16);
  EXPECT_EQ(n.avgBytesPerSec, 768000u);
  EXPECT_EQ(n.extraSize, 0);
}

using Bytes = std::vector<std::uint8_t>;

const Bytes kOwnTagBytes = {0x43, 0x8F, 0xDF, 0xA6, 0xF4, 0xBA, 0xD0, 0x11, 0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12};

// Size, tag and fields, little-endian.
Bytes Record(std::uint32_t size, const Bytes& tag, std::vector<std::int32_t> fields) {
  Bytes b;
  auto put = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
  put(size);
  b.insert(b.end(), tag.begin(), tag.end());
  for (std::int32_t f : fields) put(static_cast<std::uint32_t>(f));
  return b;
}

TEST(Guids, ParseAndPersistedLayoutAndMalformedTextRefused) {
  constexpr Guid g = GuidLiteral("{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912}");
  static_assert(g.data1 == 0xA6DF8F43u && g.data2 == 0xBAF4 && g.data3 == 0x11D0, "fields");
  std::uint8_t bytes[16];
  GuidToBytes(g, bytes);
  EXPECT_EQ(Bytes(bytes, bytes + 16), kOwnTagBytes);
  EXPECT_EQ(GuidFromBytes(bytes), g);
  EXPECT_EQ(GuidToString(g), "{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912}");
  EXPECT_EQ(ParseGuid("{a6df8f43-baf4-11d0-aebc-00a0c9053912}"), g);
  EXPECT_NE(g, kNoisgtOlderTag);
  for (const char* bad : {"", "A6DF8F43-BAF4-11D0-AEBC-00A0C9053912", "{A6DF8F43-BAF4-11D0-AEBC-00A0C905391}",
                          "{A6DF8F43-BAF4-11D0-AEBC-00A0C90539123}", "{A6DF8F43-BAF4-11D0-AEBC-00A0C90539G2}",
                          "{A6DF8F43BBAF4-11D0-AEBC-00A0C905391}", "{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912]"})
    EXPECT_FALSE(ParseGuid(bad).has_value()) << bad;
}

TEST(SettingsRecord, RefusesWrongSizeTagOrLengthAndLeavesFieldsAlone) {
  Bytes otherTag = kOwnTagBytes;
  otherTag[15] ^= 1;
  Bytes longRecord = Record(33, kOwnTagBytes, {1, 2, 3}), trailing = Record(32, kOwnTagBytes, {1, 2, 3});
  longRecord.push_back(0);
  trailing.push_back(0);
  Bytes truncated = Record(32, kOwnTagBytes, {1, 2, 3});
  truncated.resize(28);
  for (const Bytes& r : {longRecord, Record(28, kOwnTagBytes, {1, 2}), Record(32, otherTag, {1, 2, 3}), trailing,
                         truncated, Bytes(kOwnTagBytes.begin(), kOwnTagBytes.begin() + 10), Bytes()}) {
    std::int32_t fields[3] = {7, 8, 9};
    EXPECT_EQ(DecodeRecord(kNoisgtRecord, r.data(), r.size(), fields), kFail) << r.size();
    EXPECT_EQ(fields[0], 7);
    EXPECT_EQ(fields[2], 9);
  }
}

// A stream that fails (or comes up short with `error` kOk or kFalse) at a
// chosen byte offset.
class FaultyStream : public RecordStream {
 public:
  FaultyStream(Bytes bytes, std::size_t faultAt, HResult error) : bytes_(std::move(bytes)), faultAt_(faultAt), error_(error) {}
  HResult Read(void* buffer, std::uint32_t size, std::uint32_t* done) override {
    for (*done = 0; *done < size && pos_ < faultAt_ && pos_ < bytes_.size();) static_cast<std::uint8_t*>(buffer)[(*done)++] = bytes_[pos_++];
    return *done < size ? error_ : kOk;
  }
  HResult Write(const void* buffer, std::uint32_t size, std::uint32_t* done) override {
    for (*done = 0; *done < size && pos_ < faultAt_; ++pos_) bytes_.push_back(static_cast<const std::uint8_t*>(buffer)[(*done)++]);
    return *done < size ? error_ : kOk;
  }
  Bytes bytes_;

 private:
  std::size_t pos_ = 0, faultAt_;
  HResult error_;
};

// Stream errors are returned as they are; short transfers fail. 'h' reads
// the head, 'f' the fields after a good head, 'w' writes a record.
TEST(SettingsRecord, StreamErrorsAreReturnedAndShortTransfersFail) {
  const HResult kStreamError = MakeFailure(0x80030003u);  // an arbitrary storage error
  const Bytes good = Record(32, kOwnTagBytes, {1, 2, 3});
  const std::int32_t values[] = {1, 2, 3};
  const std::tuple<char, std::size_t, HResult, HResult> cases[] = {
      {'h', 10, kStreamError, kStreamError}, {'h', 10, kOk, kFail}, {'f', 24, kStreamError, kStreamError},
      {'f', 24, kFalse, kFail},  // IStream's S_FALSE for a short read
      {'w', 25, kStreamError, kStreamError}, {'w', 5, kOk, kFail}, {'w', 1000, kOk, kOk}};
  for (const auto& [op, faultAt, error, result] : cases) {
    FaultyStream stream(op == 'w' ? Bytes() : good, faultAt, error);
    std::int32_t fields[3] = {};
    ASSERT_EQ(op == 'f' ? ReadRecordHead(stream, kNoisgtRecord) : kOk, kOk);
    const HResult hr = op == 'h' ? ReadRecordHead(stream, kNoisgtRecord)
                       : op == 'f' ? ReadRecordFields(stream, kNoisgtRecord, fields)
                                   : WriteRecord(stream, kNoisgtRecord, values);
    EXPECT_EQ(hr, result) << op << " " << faultAt;
    EXPECT_TRUE(op != 'w' || result != kOk || stream.bytes_ == good);
  }
}

}  // namespace
}  // namespace orlofx

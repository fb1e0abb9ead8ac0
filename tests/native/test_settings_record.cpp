// Identifiers and the persisted settings record: byte layout, the two-step
// load and its refusals, and stream errors on both directions.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effects/noisgt/noisgt_params.h"
#include "framework/guid.h"
#include "framework/settings_record.h"

namespace orlofx {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOwnTagBytes = {0x43, 0x8F, 0xDF, 0xA6, 0xF4, 0xBA, 0xD0, 0x11,
                            0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12};
const Bytes kOlderTagBytes = {0x26, 0x0F, 0x7C, 0xB9, 0x6D, 0x19, 0xD1, 0x11,
                              0xB9, 0x9B, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12};

Bytes Record(std::uint32_t size, const Bytes& tag, std::vector<std::int32_t> fields) {
  Bytes b;
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  b.insert(b.end(), tag.begin(), tag.end());
  for (std::int32_t f : fields)
    for (int i = 0; i < 4; ++i)
      b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(f) >> (8 * i)));
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

// A stream that fails or comes up short at a chosen byte offset.
class FaultyStream : public RecordStream {
 public:
  FaultyStream(Bytes bytes, std::size_t faultAt, HResult error)
      : bytes_(std::move(bytes)), faultAt_(faultAt), error_(error) {}
  HResult Read(void* buffer, std::uint32_t size, std::uint32_t* done) override {
    std::uint32_t n = 0;
    for (auto* out = static_cast<std::uint8_t*>(buffer); n < size && pos_ < faultAt_ && pos_ < bytes_.size();)
      out[n++] = bytes_[pos_++];
    *done = n;
    return n < size ? error_ : kOk;
  }
  HResult Write(const void* buffer, std::uint32_t size, std::uint32_t* done) override {
    std::uint32_t n = 0;
    for (const auto* in = static_cast<const std::uint8_t*>(buffer); n < size && pos_ < faultAt_; ++pos_)
      bytes_.push_back(in[n++]);
    *done = n;
    return n < size ? error_ : kOk;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::size_t pos_ = 0;
  std::size_t faultAt_;
  HResult error_;
};

TEST(SettingsRecord, StreamErrorsAreReturnedAndShortTransfersFail) {
  const HResult kStreamError = MakeFailure(0x80030003u);  // an arbitrary storage error
  Bytes good = Record(32, kOwnTagBytes, {1, 2, 3});
  std::int32_t fields[3] = {};

  FaultyStream headError(good, 10, kStreamError);
  EXPECT_EQ(ReadRecordHead(headError, kNoisgtRecord), kStreamError);
  FaultyStream headShort(good, 10, kOk);  // short read without an error
  EXPECT_EQ(ReadRecordHead(headShort, kNoisgtRecord), kFail);
  FaultyStream fieldError(good, 24, kStreamError);
  ASSERT_EQ(ReadRecordHead(fieldError, kNoisgtRecord), kOk);
  EXPECT_EQ(ReadRecordFields(fieldError, kNoisgtRecord, fields), kStreamError);
  FaultyStream fieldShort(good, 24, kFalse);  // IStream's S_FALSE for a short read
  ASSERT_EQ(ReadRecordHead(fieldShort, kNoisgtRecord), kOk);
  EXPECT_EQ(ReadRecordFields(fieldShort, kNoisgtRecord, fields), kFail);

  const std::int32_t values[] = {1, 2, 3};
  FaultyStream writeError({}, 25, kStreamError);
  EXPECT_EQ(WriteRecord(writeError, kNoisgtRecord, values), kStreamError);
  FaultyStream writeShort({}, 5, kOk);
  EXPECT_EQ(WriteRecord(writeShort, kNoisgtRecord, values), kFail);
  FaultyStream writeAll({}, 1000, kOk);
  EXPECT_EQ(WriteRecord(writeAll, kNoisgtRecord, values), kOk);
  EXPECT_EQ(writeAll.bytes(), good);
}

}  // namespace
}  // namespace orlofx

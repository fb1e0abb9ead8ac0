// The persisted settings record every effect saves and restores.
//
//   offset  size        content
//   0       4           total size in bytes, head included (fixed per effect)
//   4       16          tag GUID (persisted layout, see guid.h)
//   20      size - 20   the effect's fields, signed 32-bit each
//
// Everything is little-endian. Loading is two reads, as a COM stream load
// does it: the head first (wrong size or an unknown tag refuses the record
// before any field is touched), then the fields. The same code serves the
// COM persistence (through a RecordStream over an IStream) and the
// command-line tool (through a MemoryRecordStream over a whole file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "framework/guid.h"
#include "support/result.h"

namespace orlofx {

constexpr std::uint32_t kRecordHeadBytes = 20;

// Largest record any effect has, in fields (the Graphic EQ's 151), with room
// to spare; lets loaders keep fields on the stack.
constexpr std::size_t kMaxRecordFields = 256;

// What one effect's record looks like.
struct RecordLayout {
  std::uint32_t size;     // head included
  Guid tag;               // written by Save, accepted by Load
  const Guid* olderTags;  // further tags Load accepts (may be null)
  std::size_t olderTagCount;

  std::size_t FieldCount() const { return (size - kRecordHeadBytes) / 4; }
  bool Accepts(const Guid& candidate) const;
};

// Byte-stream access with the semantics of IStream::Read and ::Write: a call
// may transfer fewer bytes than asked and say so through *done.
class RecordStream {
 public:
  virtual ~RecordStream() = default;
  virtual HResult Read(void* buffer, std::uint32_t size, std::uint32_t* done) = 0;
  virtual HResult Write(const void* buffer, std::uint32_t size, std::uint32_t* done) = 0;
};

// A stream over bytes in memory: reads from the start, appends on write.
class MemoryRecordStream : public RecordStream {
 public:
  MemoryRecordStream() = default;
  explicit MemoryRecordStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  HResult Read(void* buffer, std::uint32_t size, std::uint32_t* done) override;
  HResult Write(const void* buffer, std::uint32_t size, std::uint32_t* done) override;

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::size_t Remaining() const { return bytes_.size() - position_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// Whole-record encoding: head and fields.
std::vector<std::uint8_t> EncodeRecord(const RecordLayout& layout, const std::int32_t* fields);

// Writes head and fields to the stream. A stream error is returned as it
// came; a short write without an error gives kFail.
HResult WriteRecord(RecordStream& stream, const RecordLayout& layout, const std::int32_t* fields);

// First step of a load: reads the 20-byte head and checks size and tag.
// kFail for a wrong size, an unknown tag or a stream that ends inside the
// head; a stream error is returned as it came.
HResult ReadRecordHead(RecordStream& stream, const RecordLayout& layout);

// The same for a choice of layouts: the head must match one of them (size
// and tag), which *which then names.
HResult ReadRecordHeadOf(RecordStream& stream, const RecordLayout* const* layouts,
                         std::size_t count, const RecordLayout** which);

// Second step: reads layout.FieldCount() fields into `fields`. On any failure
// `fields` is left untouched; a stream that ends early gives kFail.
HResult ReadRecordFields(RecordStream& stream, const RecordLayout& layout, std::int32_t* fields);

// Both steps on a complete record in memory. The buffer must hold exactly one
// record: a shorter or longer buffer is refused with kFail.
HResult DecodeRecord(const RecordLayout& layout, const std::uint8_t* data, std::size_t size,
                     std::int32_t* fields);

}  // namespace orlofx

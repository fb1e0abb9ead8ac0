#include "framework/settings_record.h"

#include <algorithm>
#include <cstring>

namespace orlofx {

namespace {

void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::size_t kMaxFieldBytes = kMaxRecordFields * 4;

// Reads exactly `size` bytes, treating a short read as a failed one.
HResult ReadExactly(RecordStream& stream, void* buffer, std::uint32_t size) {
  std::uint32_t done = 0;
  HResult hr = stream.Read(buffer, size, &done);
  if (Failed(hr)) return hr;
  return done == size ? kOk : kFail;
}

HResult WriteExactly(RecordStream& stream, const void* buffer, std::uint32_t size) {
  std::uint32_t done = 0;
  HResult hr = stream.Write(buffer, size, &done);
  if (Failed(hr)) return hr;
  return done == size ? kOk : kFail;
}

}  // namespace

bool RecordLayout::Accepts(const Guid& candidate) const {
  if (candidate == tag) return true;
  for (std::size_t i = 0; i < olderTagCount; ++i)
    if (candidate == olderTags[i]) return true;
  return false;
}

HResult MemoryRecordStream::Read(void* buffer, std::uint32_t size, std::uint32_t* done) {
  std::size_t n = std::min<std::size_t>(size, Remaining());
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  if (done) *done = static_cast<std::uint32_t>(n);
  return n == size ? kOk : kFalse;
}

HResult MemoryRecordStream::Write(const void* buffer, std::uint32_t size, std::uint32_t* done) {
  const auto* p = static_cast<const std::uint8_t*>(buffer);
  bytes_.insert(bytes_.end(), p, p + size);
  if (done) *done = size;
  return kOk;
}

std::vector<std::uint8_t> EncodeRecord(const RecordLayout& layout, const std::int32_t* fields) {
  std::vector<std::uint8_t> bytes(layout.size);
  PutU32(bytes.data(), layout.size);
  GuidToBytes(layout.tag, bytes.data() + 4);
  for (std::size_t i = 0; i < layout.FieldCount(); ++i)
    PutU32(bytes.data() + kRecordHeadBytes + 4 * i, static_cast<std::uint32_t>(fields[i]));
  return bytes;
}

HResult WriteRecord(RecordStream& stream, const RecordLayout& layout, const std::int32_t* fields) {
  std::vector<std::uint8_t> bytes = EncodeRecord(layout, fields);
  HResult hr = WriteExactly(stream, bytes.data(), kRecordHeadBytes);
  if (Failed(hr)) return hr;
  return WriteExactly(stream, bytes.data() + kRecordHeadBytes,
                      static_cast<std::uint32_t>(bytes.size() - kRecordHeadBytes));
}

HResult ReadRecordHead(RecordStream& stream, const RecordLayout& layout) {
  const RecordLayout* which = nullptr;
  const RecordLayout* const layouts[1] = {&layout};
  return ReadRecordHeadOf(stream, layouts, 1, &which);
}

HResult ReadRecordHeadOf(RecordStream& stream, const RecordLayout* const* layouts,
                         std::size_t count, const RecordLayout** which) {
  std::uint8_t head[kRecordHeadBytes];
  HResult hr = ReadExactly(stream, head, kRecordHeadBytes);
  if (Failed(hr)) return hr;
  const std::uint32_t size = GetU32(head);
  const Guid tag = GuidFromBytes(head + 4);
  for (std::size_t i = 0; i < count; ++i) {
    if (layouts[i]->size == size && layouts[i]->Accepts(tag)) {
      *which = layouts[i];
      return kOk;
    }
  }
  return kFail;
}

HResult ReadRecordFields(RecordStream& stream, const RecordLayout& layout, std::int32_t* fields) {
  const std::size_t count = layout.FieldCount();
  if (count * 4 > kMaxFieldBytes) return kFail;
  std::uint8_t bytes[kMaxFieldBytes];
  HResult hr = ReadExactly(stream, bytes, static_cast<std::uint32_t>(count * 4));
  if (Failed(hr)) return hr;
  for (std::size_t i = 0; i < count; ++i)
    fields[i] = static_cast<std::int32_t>(GetU32(bytes + 4 * i));
  return kOk;
}

HResult DecodeRecord(const RecordLayout& layout, const std::uint8_t* data, std::size_t size,
                     std::int32_t* fields) {
  if (size != layout.size) return kFail;
  MemoryRecordStream stream(std::vector<std::uint8_t>(data, data + size));
  HResult hr = ReadRecordHead(stream, layout);
  if (Failed(hr)) return hr;
  return ReadRecordFields(stream, layout, fields);
}

}  // namespace orlofx

// A class or interface identifier the portable core can hold without the
// platform's GUID type.
//
// The field layout is the platform's: Data1 (32 bits), Data2 and Data3 (16
// bits), Data4 (8 bytes). In the persisted 16-byte form the first three fields
// are little-endian and Data4 follows byte by byte, whatever the host's byte
// order, so records written on one machine load on any other.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlofx {

struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

constexpr std::size_t kGuidBytes = 16;

constexpr bool operator==(const Guid& a, const Guid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}
constexpr bool operator!=(const Guid& a, const Guid& b) { return !(a == b); }

namespace guid_detail {

constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[pos]; false if any is not a hex digit.
constexpr bool ReadHex(std::string_view text, std::size_t pos, int digits, std::uint32_t& out) {
  std::uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int h = HexValue(text[pos + static_cast<std::size_t>(i)]);
    if (h < 0) return false;
    v = (v << 4) | static_cast<std::uint32_t>(h);
  }
  out = v;
  return true;
}

}  // namespace guid_detail

// Parses the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits
// in either case). Anything else, including missing braces, gives nullopt.
constexpr std::optional<Guid> ParseGuid(std::string_view text) {
  using guid_detail::ReadHex;
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-')
    return std::nullopt;
  Guid g{};
  std::uint32_t v = 0;
  if (!ReadHex(text, 1, 8, v)) return std::nullopt;
  g.data1 = v;
  if (!ReadHex(text, 10, 4, v)) return std::nullopt;
  g.data2 = static_cast<std::uint16_t>(v);
  if (!ReadHex(text, 15, 4, v)) return std::nullopt;
  g.data3 = static_cast<std::uint16_t>(v);
  constexpr std::size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, kBytePos[i], 2, v)) return std::nullopt;
    g.data4[i] = static_cast<std::uint8_t>(v);
  }
  return g;
}

// For identifiers written in the source: a malformed literal stops the build
// when used in a constant expression.
constexpr Guid GuidLiteral(std::string_view text) {
  std::optional<Guid> g = ParseGuid(text);
  if (!g) throw "malformed GUID literal";
  return *g;
}

// The persisted 16-byte layout and back.
void GuidToBytes(const Guid& guid, std::uint8_t out[kGuidBytes]);
Guid GuidFromBytes(const std::uint8_t in[kGuidBytes]);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case digits.
std::string GuidToString(const Guid& guid);

}  // namespace orlofx

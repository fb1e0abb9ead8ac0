#include "framework/guid.h"

#include <cstdio>

namespace orlofx {

void GuidToBytes(const Guid& guid, std::uint8_t out[kGuidBytes]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(guid.data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[4 + i] = static_cast<std::uint8_t>(guid.data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[6 + i] = static_cast<std::uint8_t>(guid.data3 >> (8 * i));
  for (int i = 0; i < 8; ++i) out[8 + i] = guid.data4[i];
}

Guid GuidFromBytes(const std::uint8_t in[kGuidBytes]) {
  Guid g{};
  for (int i = 3; i >= 0; --i) g.data1 = (g.data1 << 8) | in[i];
  g.data2 = static_cast<std::uint16_t>(in[4] | (in[5] << 8));
  g.data3 = static_cast<std::uint16_t>(in[6] | (in[7] << 8));
  for (int i = 0; i < 8; ++i) g.data4[i] = in[8 + i];
  return g;
}

std::string GuidToString(const Guid& guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0],
                guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                guid.data4[6], guid.data4[7]);
  return text;
}

}  // namespace orlofx

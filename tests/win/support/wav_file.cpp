#include "tests/win/support/wav_file.h"

#include <cstdio>
#include <cstring>

bool ReadWavFile(const std::string& path, WavFile* wav) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<BYTE> bytes;
  BYTE buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(bytes.data() + 8, "WAVE", 4))
    return false;
  bool haveFormat = false, haveData = false;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    DWORD size;
    std::memcpy(&size, bytes.data() + pos + 4, 4);
    const BYTE* body = bytes.data() + pos + 8;
    size_t available = bytes.size() - pos - 8;
    if (size > available) size = static_cast<DWORD>(available);
    if (!std::memcmp(bytes.data() + pos, "fmt ", 4) && size >= 16) {
      std::memcpy(&wav->format, body, std::min<size_t>(size, sizeof(WAVEFORMATEX)));
      if (wav->format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && size >= 40) {
        // The sub-format's first two bytes hold the plain tag.
        WORD tag;
        std::memcpy(&tag, body + 24, 2);
        wav->format.wFormatTag = tag;
      }
      haveFormat = true;
    } else if (!std::memcmp(bytes.data() + pos, "data", 4)) {
      wav->data.assign(body, body + size);
      haveData = true;
    }
    pos += 8 + size + (size & 1);
  }
  return haveFormat && haveData;
}

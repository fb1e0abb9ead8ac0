// Reads the format and data chunk of a RIFF WAVE file (test side only).
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <string>
#include <vector>

struct WavFile {
  WAVEFORMATEX format = {};
  std::vector<BYTE> data;
};

// False when the file is missing or not a WAVE file with fmt and data chunks.
bool ReadWavFile(const std::string& path, WavFile* wav);

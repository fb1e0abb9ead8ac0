// Writes deterministic test signals as WAV files, for tests that compare the
// Windows filters under Wine with the native command-line tool.
//
//   make_test_wav OUT.wav FORMAT CHANNELS RATE SECONDS
//   FORMAT: pcm8 pcm16 pcm32 float double
//
// The signal alternates tone bursts of rising level with near-silence and a
// little noise, so that gates open and close and dynamics move.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: make_test_wav OUT.wav pcm8|pcm16|pcm32|float|double CHANNELS RATE SECONDS\n");
    return 2;
  }
  const char* format = argv[2];
  int sub = 0;
  if (!std::strcmp(format, "pcm8")) sub = SF_FORMAT_PCM_U8;
  else if (!std::strcmp(format, "pcm16")) sub = SF_FORMAT_PCM_16;
  else if (!std::strcmp(format, "pcm32")) sub = SF_FORMAT_PCM_32;
  else if (!std::strcmp(format, "float")) sub = SF_FORMAT_FLOAT;
  else if (!std::strcmp(format, "double")) sub = SF_FORMAT_DOUBLE;
  else {
    std::fprintf(stderr, "make_test_wav: unknown format %s\n", format);
    return 2;
  }
  SF_INFO info = {};
  info.channels = std::atoi(argv[3]);
  info.samplerate = std::atoi(argv[4]);
  info.format = SF_FORMAT_WAV | sub;
  const double seconds = std::atof(argv[5]);
  const long frames = static_cast<long>(seconds * info.samplerate);
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "make_test_wav: %s\n", sf_strerror(nullptr));
    return 1;
  }
  std::vector<double> data(static_cast<size_t>(frames) * info.channels);
  unsigned noise = 12345u;
  for (long i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / info.samplerate;
    const int burst = static_cast<int>(t / 0.25);
    const bool on = (burst % 2) == 0;
    const double level = on ? 0.05 + 0.12 * (burst % 8) : 0.0;
    for (int c = 0; c < info.channels; ++c) {
      noise = noise * 1664525u + 1013904223u;
      const double n = ((noise >> 8) / 16777216.0 - 0.5) * 0.002;
      const double f = 220.0 * (c + 1);
      data[static_cast<size_t>(i) * info.channels + c] = level * std::sin(2 * M_PI * f * t) + n;
    }
  }
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  sf_writef_double(file, data.data(), frames);
  sf_close(file);
  return 0;
}

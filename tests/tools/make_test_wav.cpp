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
#include <utility>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: make_test_wav OUT.wav pcm8|pcm16|pcm32|float|double CHANNELS RATE SECONDS\n");
    return 2;
  }
  const std::pair<const char*, int> formats[] = {{"pcm8", SF_FORMAT_PCM_U8}, {"pcm16", SF_FORMAT_PCM_16},
                                                 {"pcm32", SF_FORMAT_PCM_32}, {"float", SF_FORMAT_FLOAT},
                                                 {"double", SF_FORMAT_DOUBLE}};
  int sub = 0;
  for (const auto& [name, value] : formats)
    if (!std::strcmp(argv[2], name)) sub = value;
  if (!sub) {
    std::fprintf(stderr, "make_test_wav: unknown format %s\n", argv[2]);
    return 2;
  }
  SF_INFO info = {0, std::atoi(argv[4]), std::atoi(argv[3]), SF_FORMAT_WAV | sub, 0, 0};
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

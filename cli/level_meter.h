// The levels the report gives for one side of a run, input or output, as
// the samples are in the file: sample peak, true peak and integrated loudness
// (EBU R128 through libebur128) over all channels, and how many samples sit
// at full scale (the largest or smallest code of an integer format, a
// magnitude of 1 or more in a float one).
#pragma once

#include <cstddef>
#include <cstdint>

#include <memory>

#include "cli/file_types.h"

namespace orlofx::cli {

struct Levels {
  double peakDbfs;        // -infinity for silence
  double truePeakDbtp;    // -infinity for silence
  double integratedLufs;  // -infinity when every block is gated away (silence, or under 0.4 s)
  std::int64_t clippedSamples;
};

class LevelMeter {
 public:
  // `layout`: how the measured file stores its samples.
  LevelMeter(int channels, int rate, SampleLayout layout);
  ~LevelMeter();
  LevelMeter(const LevelMeter&) = delete;
  LevelMeter& operator=(const LevelMeter&) = delete;

  // Interleaved frames as libsndfile exchanges them: integers left-justified
  // in 32 bits, or floats.
  void Add(const std::int32_t* samples, std::size_t frames);
  void Add(const float* samples, std::size_t frames);
  void Add(const double* samples, std::size_t frames);

  Levels Result() const;

 private:
  template <typename T>
  void CountClipped(const T* samples, std::size_t count);

  struct Loudness;  // libebur128's state
  std::unique_ptr<Loudness> loudness_;
  int channels_;
  SampleLayout layout_;
  std::int64_t clipped_ = 0;
};

}  // namespace orlofx::cli

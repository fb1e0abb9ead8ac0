#include "cli/level_meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace orlofx::cli {

namespace {

double Decibels(double amplitude) {
  return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -std::numeric_limits<double>::infinity();
}

}  // namespace

struct LevelMeter::Loudness {
  ebur128_state* state;
  ~Loudness() {
    if (state) ebur128_destroy(&state);
  }
};

LevelMeter::LevelMeter(int channels, int rate, SampleLayout layout)
    : loudness_(new Loudness{ebur128_init(static_cast<unsigned>(channels),
                                          static_cast<unsigned long>(rate),
                                          EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK)}),
      channels_(channels),
      layout_(layout) {}

LevelMeter::~LevelMeter() = default;

template <typename T>
void LevelMeter::CountClipped(const T* samples, std::size_t count) {
  if constexpr (std::is_same_v<T, std::int32_t>) {
    // The largest and the smallest code of a `bits`-bit integer, left-justified.
    const int shift = 32 - layout_.bits;
    const std::int32_t largest =
        static_cast<std::int32_t>(static_cast<std::uint32_t>((1u << (layout_.bits - 1)) - 1) << shift);
    for (std::size_t i = 0; i < count; ++i)
      clipped_ += samples[i] >= largest || samples[i] == std::numeric_limits<std::int32_t>::min();
  } else {
    for (std::size_t i = 0; i < count; ++i) clipped_ += std::fabs(samples[i]) >= T(1);
  }
}

void LevelMeter::Add(const std::int32_t* samples, std::size_t frames) {
  if (ebur128_state* s = loudness_->state) ebur128_add_frames_int(s, samples, frames);
  CountClipped(samples, frames * channels_);
}

void LevelMeter::Add(const float* samples, std::size_t frames) {
  if (ebur128_state* s = loudness_->state) ebur128_add_frames_float(s, samples, frames);
  CountClipped(samples, frames * channels_);
}

void LevelMeter::Add(const double* samples, std::size_t frames) {
  if (ebur128_state* s = loudness_->state) ebur128_add_frames_double(s, samples, frames);
  CountClipped(samples, frames * channels_);
}

Levels LevelMeter::Result() const {
  double peak = 0.0, truePeak = 0.0;
  double loudness = -std::numeric_limits<double>::infinity();
  if (ebur128_state* state = loudness_->state) {
    for (int c = 0; c < channels_; ++c) {
      double v = 0.0;
      if (ebur128_sample_peak(state, static_cast<unsigned>(c), &v) == EBUR128_SUCCESS)
        peak = std::max(peak, v);
      if (ebur128_true_peak(state, static_cast<unsigned>(c), &v) == EBUR128_SUCCESS)
        truePeak = std::max(truePeak, v);
    }
    if (ebur128_loudness_global(state, &loudness) != EBUR128_SUCCESS)
      loudness = -std::numeric_limits<double>::infinity();
  }
  return Levels{Decibels(peak), Decibels(truePeak), loudness, clipped_};
}

}  // namespace orlofx::cli

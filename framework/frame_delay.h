// The frame handling of the block-based effects (the Noise Gate and the two
// dynamics effects): interleaved input is read into planar frame buffers of
// float or double; a full frame is handed to the effect's frame processor,
// then written out; a frame is emptied completely before the next is
// filled, so delivery lags one frame while the samples themselves are not
// shifted. The drain processes and delivers the last, partial frame.
//
//   in ──ReadFrames──► frame buffers ──process(buffers, n)──► WriteFrames ──► out
//
// Bypass copies the input to the output byte for byte, after first letting
// out whatever is held (a processed frame as it is, a partly filled one
// unprocessed) so that nothing is lost or reordered.
//
// Allocate is the only place that allocates; Run and RunBypass never do.
//
// GlideGain spreads a level setting that changed between two frames over
// the next frame, so that the change never reaches the audio as a step.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "framework/processor.h"
#include "framework/sample_format.h"
#include "support/result.h"

namespace orlofx {

// Multiplies x[0..n) by a gain moving linearly from `from` (the gain before
// the frame) to `to`, which the last sample takes exactly: a ramp of one
// frame (at most 20 ms) instead of a step.
template <typename T>
void GlideGain(T* x, std::uint32_t n, double from, double to) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const double w = static_cast<double>(i + 1) / n;
    x[i] = static_cast<T>(static_cast<double>(x[i]) * (from * (1.0 - w) + to * w));
  }
}

class DelayedFrames {
 public:
  // Buffers of `capacity` samples (at least `frameLength`) per channel in
  // the working precision of `format`. kOutOfMemory leaves nothing held.
  HResult Allocate(SampleFormat format, int channels, std::uint32_t frameLength,
                   std::uint32_t capacity) {
    Free();
    format_ = format;
    precision_ = WorkingPrecision(format);
    channels_ = channels;
    frameBytes_ = static_cast<std::uint32_t>(BytesPerSample(format) * channels);
    fullFrameLength_ = std::max<std::uint32_t>(frameLength, 1);
    capacity = std::max(capacity, fullFrameLength_);
    for (int c = 0; c < channels; ++c) {
      bool ok;
      if (precision_ == Precision::kDouble) {
        doubles_[c].reset(new (std::nothrow) double[capacity]());
        ok = doubles_[c] != nullptr;
      } else {
        floats_[c].reset(new (std::nothrow) float[capacity]());
        ok = floats_[c] != nullptr;
      }
      if (!ok) {
        Free();
        return kOutOfMemory;
      }
    }
    Reset();
    return kOk;
  }

  void Free() {
    for (int c = 0; c < 2; ++c) {
      floats_[c].reset();
      doubles_[c].reset();
    }
  }

  // Drops what is held (start of streaming, discontinuity).
  void Reset() {
    frameLength_ = fullFrameLength_;
    fillIndex_ = 0;
    outputIndex_ = 0;
    frameReady_ = false;
  }

  Precision WorkingPrecisionOf() const { return precision_; }
  std::uint32_t FrameLength() const { return fullFrameLength_; }
  // Frames taken from the input and given to the output by the last run.
  std::uint32_t Consumed() const { return consumed_; }
  std::uint32_t Produced() const { return produced_; }
  // Samples of the frame being filled (0 when nothing is held unprocessed).
  std::uint32_t Filled() const { return frameReady_ ? 0 : fillIndex_; }

  template <typename T>
  T* Buffer(int channel) {
    if constexpr (sizeof(T) == sizeof(double))
      return doubles_[channel].get();
    else
      return floats_[channel].get();
  }

  // One processing call in working precision T. `process(T* const* frame,
  // std::uint32_t n)` runs on each completed frame in place. `peaks`, when
  // given, is raised per channel to the largest |sample| read and cleared
  // once the frame it measured has been written out. Returns
  // kProcessFinished when nothing was pending and no input remained.
  template <typename T, typename ProcessFrame>
  HResult Run(const unsigned char* in, std::uint32_t inCount, unsigned char* out,
              std::uint32_t outCount, bool drain, double* peaks, ProcessFrame&& process) {
    consumed_ = 0;
    produced_ = 0;
    if (inCount == 0 && !frameReady_ && fillIndex_ == 0) return kProcessFinished;
    T* buffers[2] = {Buffer<T>(0), Buffer<T>(1)};
    for (;;) {
      if (frameReady_) {
        if (!WritePending<T>(out, outCount, peaks)) return kProcessProgress;
        // A frame is emptied before the next is filled: nothing else is held.
        if (drain) return kProcessFinished;
      }
      const std::uint32_t n = std::min(frameLength_ - fillIndex_, inCount - consumed_);
      if (n > 0)
        ReadFrames<T>(format_, channels_, in + static_cast<std::size_t>(consumed_) * frameBytes_,
                      n, buffers, fillIndex_, peaks);
      fillIndex_ += n;
      consumed_ += n;
      if (fillIndex_ < frameLength_) {
        if (!drain) return kProcessProgress;
        if (fillIndex_ == 0) return kProcessFinished;
        frameLength_ = fillIndex_;  // the last frame of the stream is short
      }
      process(static_cast<T* const*>(buffers), frameLength_);
      frameReady_ = true;
    }
  }

  HResult RunBypass(const unsigned char* in, std::uint32_t inCount, unsigned char* out,
                    std::uint32_t outCount, bool drain) {
    consumed_ = 0;
    produced_ = 0;
    if (!frameReady_ && fillIndex_ > 0) {
      frameLength_ = fillIndex_;
      frameReady_ = true;
    }
    if (frameReady_) {
      const bool done = precision_ == Precision::kDouble
                            ? WritePending<double>(out, outCount, nullptr)
                            : WritePending<float>(out, outCount, nullptr);
      if (!done) return kProcessProgress;
      if (drain) return kProcessFinished;
    }
    if (inCount == 0 && produced_ == 0) return kProcessFinished;
    const std::uint32_t n = std::min(inCount, outCount - produced_);
    if (n > 0)
      std::memcpy(out + static_cast<std::size_t>(produced_) * frameBytes_, in,
                  static_cast<std::size_t>(n) * frameBytes_);
    consumed_ += n;
    produced_ += n;
    return kProcessProgress;
  }

 private:
  template <typename T>
  bool WritePending(unsigned char* out, std::uint32_t outCount, double* peaks) {
    const std::uint32_t n = std::min(frameLength_ - outputIndex_, outCount - produced_);
    if (n > 0) {
      const T* buffers[2] = {Buffer<T>(0), Buffer<T>(1)};
      WriteFrames<T>(format_, channels_, buffers, outputIndex_, n,
                     out + static_cast<std::size_t>(produced_) * frameBytes_);
    }
    outputIndex_ += n;
    produced_ += n;
    if (outputIndex_ < frameLength_) return false;
    if (peaks) std::fill(peaks, peaks + channels_, 0.0);
    outputIndex_ = 0;
    fillIndex_ = 0;
    frameReady_ = false;
    frameLength_ = fullFrameLength_;
    return true;
  }

  SampleFormat format_ = SampleFormat::kPcm16;
  Precision precision_ = Precision::kFloat;
  int channels_ = 0;
  std::uint32_t frameBytes_ = 0;
  std::uint32_t fullFrameLength_ = 1;
  std::uint32_t frameLength_ = 1;  // shortened for the drained last frame
  std::uint32_t fillIndex_ = 0;
  std::uint32_t outputIndex_ = 0;
  bool frameReady_ = false;
  std::uint32_t consumed_ = 0;
  std::uint32_t produced_ = 0;
  std::unique_ptr<float[]> floats_[2];
  std::unique_ptr<double[]> doubles_[2];
};

}  // namespace orlofx

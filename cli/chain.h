// Effects run one after another in one pass over a file.
//
//   reader ──► stage 1 ──► stage 2 ──► ... ──► writer
//
// Every stage takes and gives interleaved frames of one sample format (the
// float or double the processors work in, or the file's own format for a
// single effect that takes it as it is). A stage holds one instance of its
// effect for mono and stereo, and one mono instance per channel for more
// channels. Whatever an effect holds back is drained at the end and passed
// on, so each stage gives as many frames as it takes, aligned with them: the
// result is that of running the effects one after another through files of
// the working format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "cli/at_option.h"
#include "cli/effect_registry.h"
#include "framework/processor.h"

namespace orlofx::cli {

// Bytes that a resize leaves as they come: every byte of the room made for
// an effect's output is written by the effect before it is read, so zero
// filling it on every call was wasted work.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    if constexpr (sizeof...(Args) == 0) {
      ::new (static_cast<void*>(p)) U;
    } else {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  }
};
using ByteBuffer = std::vector<unsigned char, UninitialisedAllocator<unsigned char>>;

class ChainStage {
 public:
  // `instances`: one for up to two channels, else one per channel, each
  // configured alike; `changes`: placed on the input's frames.
  ChainStage(const EffectEntry& effect, std::vector<std::unique_ptr<EffectProcessor>> instances,
             std::vector<TimedChange> changes, int channels);
  ~ChainStage();
  ChainStage(const ChainStage&) = delete;
  ChainStage& operator=(const ChainStage&) = delete;

  // Prepares every instance for `format` at `rate`; the first refusal.
  HResult Prepare(SampleFormat format, std::uint32_t rate);

  // Processes `frames` frames. *out and *given: the frames the stage gives
  // now, valid until its next call.
  HResult Push(const unsigned char* in, std::uint32_t frames, const unsigned char** out,
               std::size_t* given);
  // After the last Push: the changes placed at the end, then everything the
  // instances still hold.
  HResult Drain(const unsigned char** out, std::size_t* given);

  const EffectEntry& effect() const { return effect_; }
  EffectProcessor& first() const { return *instances_.front().fx; }
  std::int64_t consumed() const { return consumed_; }
  std::int64_t given() const { return given_; }
  // The most frames the stage held back at once.
  std::int64_t latency() const { return latency_; }

 private:
  struct Instance {
    std::unique_ptr<EffectProcessor> fx;
    ByteBuffer input;                   // its channel, for a mono instance of many
    ByteBuffer output;                  // given by the effect, not yet passed on
    std::size_t start = 0;              // bytes of `output` already passed on
  };

  HResult ApplyDueChanges(std::int64_t position);
  HResult Run(Instance& instance, int mode, const unsigned char* in, std::uint32_t frames);
  void Give(const unsigned char** out, std::size_t* given);

  const EffectEntry& effect_;
  std::vector<Instance> instances_;
  std::vector<TimedChange> changes_;
  ChangeCursor cursor_;
  int channels_;
  int instanceChannels_;
  std::size_t sampleBytes_ = 0;
  ByteBuffer interleaved_;
  std::int64_t consumed_ = 0;
  std::int64_t given_ = 0;
  std::int64_t latency_ = 0;
};

// The stages and where their result goes. Failures come back as the exit
// status, the message printed.
class Chain {
 public:
  using Sink = std::function<bool(const unsigned char* frames, std::size_t count)>;

  Chain(std::vector<std::unique_ptr<ChainStage>> stages, Sink sink)
      : stages_(std::move(stages)), sink_(std::move(sink)) {}

  int Push(const unsigned char* frames, std::uint32_t count);
  // Drains the stages in order, each one's tail through the stages after it.
  int Finish();

  const std::vector<std::unique_ptr<ChainStage>>& stages() const { return stages_; }

 private:
  int PushFrom(std::size_t stage, const unsigned char* frames, std::size_t count);

  std::vector<std::unique_ptr<ChainStage>> stages_;
  Sink sink_;
};

}  // namespace orlofx::cli

// The checks of the record fuzz target, shared with the native test that
// replays the seed corpus and past findings (tests/native/
// test_robustness_corpus.cpp).
//
// Input: "<effect name>\n", two control bytes, then the stream's bytes.
//   control 0: read pattern (bit 0: short reads; bits 1..3: their size - 1)
//   control 1: the read call (1-based) that fails with a stream error; 0: none
//
// Checked for every input: a refused load changes no setting; an accepted
// one leaves settings that survive save and load unchanged; the settings,
// whatever they are, stream finite audio for finite input; a failing save
// leaves the dirty flag as it was.
//
// ORLOFX_FUZZ_CHECK(cond) must be defined before this header is included;
// it reports a violation and returns from the (void) check.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/effect_registry.h"
#include "framework/settings_record.h"
#include "fuzz/fuzz_support.h"

namespace orlofx::fuzz {

constexpr HResult kStreamReadFault = static_cast<HResult>(0x8003001E);  // a read fault

class HostileStream : public RecordStream {
 public:
  HostileStream(const std::uint8_t* data, std::size_t size, std::uint8_t pattern, std::uint8_t failAt)
      : data_(data), size_(size), pattern_(pattern), failAt_(failAt) {}
  HResult Read(void* buffer, std::uint32_t size, std::uint32_t* done) override {
    if (done) *done = 0;
    if (failAt_ != 0 && ++calls_ == failAt_) return kStreamReadFault;
    std::size_t n = std::min<std::size_t>(pattern_ & 1 ? 1 + ((pattern_ >> 1) & 7) : size, size);
    n = std::min(n, size_ - position_);
    if (n) std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    if (done) *done = static_cast<std::uint32_t>(n);
    return n < size ? kFalse : kOk;
  }
  HResult Write(const void*, std::uint32_t, std::uint32_t* done) override {
    if (done) *done = 0;
    return kStreamReadFault;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_, position_ = 0;
  std::uint8_t pattern_, failAt_;
  int calls_ = 0;
};

inline std::vector<std::int32_t> Fields(const EffectProcessor& fx) {
  std::vector<std::int32_t> f(kMaxRecordFields, 0);
  fx.GetFields(f.data());
  f.resize(fx.FieldCount());
  return f;
}

// Finite input through the current settings must give finite output, and
// the drain must end.
inline void StreamsFinite(EffectProcessor& fx) {
  const WaveFormat wf = MakeWaveFormat(SampleFormat::kFloat32, 2, 44100);
  ORLOFX_FUZZ_CHECK(Succeeded(fx.Prepare(wf, wf)));
  std::vector<float> in(2 * 3000), out(2 * 4096);
  for (std::size_t i = 0; i < in.size(); ++i)
    in[i] = static_cast<float>(0.5 * std::sin(0.05 * i) + ((i / 400) % 2 ? 0.3 : -0.3));
  for (std::uint32_t at = 0, calls = 0;; ++calls) {
    ORLOFX_FUZZ_CHECK(calls < 10000);
    const bool drain = at == 3000;
    std::uint32_t inFrames = 3000 - at, outFrames = 4096;
    const HResult hr = drain ? fx.Process(kProcessDrain, nullptr, nullptr, out.data(), &outFrames)
                             : fx.Process(kProcessOrdinary, in.data() + 2 * at, &inFrames, out.data(), &outFrames);
    ORLOFX_FUZZ_CHECK(Succeeded(hr));
    ORLOFX_FUZZ_CHECK(drain || inFrames > 0 || outFrames > 0);
    for (std::uint32_t i = 0; i < 2 * outFrames; ++i) ORLOFX_FUZZ_CHECK(std::isfinite(out[i]));
    if (drain && hr == kProcessFinished) break;
    if (!drain) at += inFrames;
  }
  fx.Release();
}

inline void CheckRecordInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  const cli::EffectEntry& entry = PickEffect(data, size, &at);
  if (size - at < 2) return;
  const std::uint8_t pattern = data[at], failAt = data[at + 1];
  at += 2;

  std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(entry);
  const std::vector<std::int32_t> before = Fields(*fx);
  HostileStream stream(data + at, size - at, pattern, failAt);
  const HResult hr = fx->LoadRecord(stream);
  const std::vector<std::int32_t> after = Fields(*fx);
  if (Failed(hr)) {
    ORLOFX_FUZZ_CHECK(after == before);
    return;
  }

  // What was accepted is a fixed point of save and load.
  MemoryRecordStream saved;
  ORLOFX_FUZZ_CHECK(fx->SaveRecord(saved, true) == kOk);
  ORLOFX_FUZZ_CHECK(saved.Bytes().size() == fx->Record().size);
  std::unique_ptr<EffectProcessor> copy = cli::CreateEffect(entry);
  MemoryRecordStream back(saved.Bytes());
  ORLOFX_FUZZ_CHECK(copy->LoadRecord(back) == kOk);
  ORLOFX_FUZZ_CHECK(Fields(*copy) == after);

  // A save that fails leaves `dirty` as it was.
  fx->SetFields(after.data());
  const bool dirty = fx->IsDirty();
  HostileStream sink(nullptr, 0, 0, 0);
  ORLOFX_FUZZ_CHECK(Failed(fx->SaveRecord(sink, true)));
  ORLOFX_FUZZ_CHECK(fx->IsDirty() == dirty);

  StreamsFinite(*fx);
}

}  // namespace orlofx::fuzz

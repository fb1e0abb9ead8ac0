#include "cli/chain.h"

#include <algorithm>
#include <cstring>

#include "cli/automate_option.h"
#include "cli/cli_text.h"
#include "cli/commands.h"

namespace orlofx::cli {

namespace {
// Room offered for output in one processing call.
constexpr std::uint32_t kCallFrames = 8192;
}  // namespace

ChainStage::ChainStage(const EffectEntry& effect,
                       std::vector<std::unique_ptr<EffectProcessor>> instances,
                       std::vector<TimedChange> changes, int channels)
    : effect_(effect),
      changes_(std::move(changes)),
      cursor_(&changes_),
      channels_(channels),
      instanceChannels_(instances.size() > 1 ? 1 : channels) {
  for (auto& fx : instances) instances_.push_back(Instance{std::move(fx), {}, {}, 0});
}

ChainStage::~ChainStage() {
  for (Instance& instance : instances_) instance.fx->Release();
}

HResult ChainStage::Prepare(SampleFormat format, std::uint32_t rate) {
  sampleBytes_ = static_cast<std::size_t>(BytesPerSample(format));
  const WaveFormat wave = MakeWaveFormat(format, instanceChannels_, rate);
  for (Instance& instance : instances_) {
    instance.fx->SetFormats(&wave, &wave);
    DesignOnTheProcessingThread(*instance.fx);
    const HResult hr = instance.fx->Prepare(wave, wave);
    if (Failed(hr)) return hr;
  }
  return kOk;
}

HResult ChainStage::ApplyDueChanges(std::int64_t position) {
  while (const SettingChange* change = cursor_.NextDue(position)) {
    for (Instance& instance : instances_) {
      const HResult hr = ApplyChange(*instance.fx, effect_, *change);
      if (Failed(hr)) return hr;
    }
  }
  return kOk;
}

// Offers `frames` frames (or, for a drain, none) until the effect has taken
// them all (or has given all it holds), collecting what it gives.
HResult ChainStage::Run(Instance& instance, int mode, const unsigned char* in,
                        std::uint32_t frames) {
  const std::size_t frameBytes = sampleBytes_ * instanceChannels_;
  std::uint32_t done = 0;
  for (;;) {
    const std::size_t held = instance.output.size();
    instance.output.resize(held + std::size_t{kCallFrames} * frameBytes);
    std::uint32_t taken = frames - done, made = kCallFrames;
    const HResult hr =
        mode == kProcessDrain
            ? instance.fx->Process(kProcessDrain, nullptr, nullptr, instance.output.data() + held,
                                   &made)
            // Automatable effects take their input in the stretches their
            // envelopes allow.
            : ProcessInStretches(*instance.fx, AutomationOf(*instance.fx), mode,
                                 in + std::size_t{done} * frameBytes, &taken,
                                 instance.output.data() + held, &made);
    instance.output.resize(held + std::size_t{made} * frameBytes);
    if (Failed(hr)) return hr;
    if (mode == kProcessDrain) {
      if (hr == kProcessFinished) return kOk;
      if (made == 0) return kFail;  // stalled
      continue;
    }
    if (taken == 0 && made == 0) return kFail;  // stalled
    done += taken;
    if (done == frames) return kOk;
  }
}

void ChainStage::Give(const unsigned char** out, std::size_t* given) {
  const std::size_t frameBytes = sampleBytes_ * instanceChannels_;
  std::size_t frames = SIZE_MAX;
  for (const Instance& instance : instances_)
    frames = std::min(frames, (instance.output.size() - instance.start) / frameBytes);
  if (instances_.size() == 1) {
    Instance& only = instances_.front();
    *out = only.output.data() + only.start;
    only.start += frames * frameBytes;
  } else {
    // One mono instance per channel: weave the channels back together.
    interleaved_.resize(frames * sampleBytes_ * channels_);
    for (int c = 0; c < channels_; ++c) {
      Instance& instance = instances_[static_cast<std::size_t>(c)];
      for (std::size_t i = 0; i < frames; ++i)
        std::memcpy(&interleaved_[(i * channels_ + c) * sampleBytes_],
                    &instance.output[instance.start + i * sampleBytes_], sampleBytes_);
      instance.start += frames * sampleBytes_;
    }
    *out = interleaved_.data();
  }
  *given = frames;
  given_ += static_cast<std::int64_t>(frames);
}

HResult ChainStage::Push(const unsigned char* in, std::uint32_t frames, const unsigned char** out,
                         std::size_t* given) {
  // What was passed on last time is no longer needed.
  for (Instance& instance : instances_) {
    instance.output.erase(instance.output.begin(),
                          instance.output.begin() + static_cast<std::ptrdiff_t>(instance.start));
    instance.start = 0;
  }
  const std::size_t frameBytes = sampleBytes_ * channels_;
  std::uint32_t offset = 0;
  while (offset < frames) {
    const std::int64_t position = consumed_ + offset;
    HResult hr = ApplyDueChanges(position);
    if (Failed(hr)) return hr;
    // A change due inside this stretch splits the processing call there.
    const std::uint32_t n = cursor_.Limit(position, frames - offset);
    const unsigned char* stretch = in + std::size_t{offset} * frameBytes;
    for (std::size_t k = 0; k < instances_.size(); ++k) {
      Instance& instance = instances_[k];
      const unsigned char* source = stretch;
      if (instances_.size() > 1) {
        instance.input.resize(std::size_t{n} * sampleBytes_);
        for (std::uint32_t i = 0; i < n; ++i)
          std::memcpy(&instance.input[i * sampleBytes_], stretch + i * frameBytes + k * sampleBytes_,
                      sampleBytes_);
        source = instance.input.data();
      }
      hr = Run(instance, kProcessOrdinary, source, n);
      if (Failed(hr)) return hr;
    }
    offset += n;
  }
  consumed_ += frames;
  Give(out, given);
  latency_ = std::max(latency_, consumed_ - given_);
  return kOk;
}

HResult ChainStage::Drain(const unsigned char** out, std::size_t* given) {
  for (Instance& instance : instances_) {
    instance.output.erase(instance.output.begin(),
                          instance.output.begin() + static_cast<std::ptrdiff_t>(instance.start));
    instance.start = 0;
  }
  HResult hr = ApplyDueChanges(consumed_);
  if (Failed(hr)) return hr;
  for (Instance& instance : instances_) {
    hr = Run(instance, kProcessDrain, nullptr, 0);
    if (Failed(hr)) return hr;
  }
  Give(out, given);
  return kOk;
}

// --- the chain ---------------------------------------------------------------------

int Chain::PushFrom(std::size_t stage, const unsigned char* frames, std::size_t count) {
  for (; stage < stages_.size(); ++stage) {
    if (count == 0) return kExitOk;
    const HResult hr = stages_[stage]->Push(frames, static_cast<std::uint32_t>(count), &frames,
                                            &count);
    if (Failed(hr)) return Failure(Text(text::kProcessingError, {HResultText(hr)}));
  }
  if (count > 0 && !sink_(frames, count)) return kExitFailure;
  return kExitOk;
}

int Chain::Push(const unsigned char* frames, std::uint32_t count) { return PushFrom(0, frames, count); }

int Chain::Finish() {
  for (std::size_t stage = 0; stage < stages_.size(); ++stage) {
    ChainStage& s = *stages_[stage];
    const unsigned char* tail = nullptr;
    std::size_t count = 0;
    const HResult hr = s.Drain(&tail, &count);
    if (Failed(hr)) return Failure(Text(text::kProcessingError, {HResultText(hr)}));
    if (int status = PushFrom(stage + 1, tail, count); status != kExitOk) return status;
    if (s.given() != s.consumed())
      return Failure(Text(text::kLengthMismatch,
                          {std::to_string(s.given()), std::to_string(s.consumed())}));
  }
  return kExitOk;
}

}  // namespace orlofx::cli

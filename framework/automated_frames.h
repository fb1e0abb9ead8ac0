// The automated frame the two dynamics effects share: settings in
// EffectSettings, the automatable values in AutomationParams (the record's
// automatable fields are always read from them), audio in 20 ms frames of
// DelayedFrames, and the streaming notifications.
//
//   Prepare ──PrepareFrames (formats, frames)──► BeginStreaming, effect's set-up ──► StartStreaming
//   Render  ──effect's rebuild / reset──► RunFrames (bypass or frames) ──► counts
//   Release ──StopStreaming
//
// A host's value that changes something marks the settings changed and
// posts code 0; envelope playback marks them changed without dirtying them.
#pragma once

#include <cstdint>
#include <optional>

#include "framework/automation.h"
#include "framework/effect_settings.h"
#include "framework/frame_delay.h"

namespace orlofx {

// Notification codes of the dynamics effects (besides 100).
constexpr std::uint16_t kNotifyAutomationSet = 0;
constexpr std::uint16_t kNotifyStreamingStarted = 101;
constexpr std::uint16_t kNotifyStreamingStopped = 102;

template <typename Params>
class AutomatedFrames : public EffectSettings<Params>, public AutomationParams {
 public:
  HResult SetParam(std::uint32_t index, float value) override {
    const HResult hr = AutomationParams::SetParam(index, value);
    if (hr == kOk) {
      this->MarkChanged();
      this->Notify(kNotifyAutomationSet);
    }
    return hr;
  }

  void OnAutomationChanged(std::uint32_t /*flags*/) override {
    // Envelope playback is not an edit: the record is re-read, not dirtied.
    ScopedLock lock(this->paramLock_);
    this->changed_ = true;
  }

 protected:
  AutomatedFrames(int notificationSlots, const typename EffectSettings<Params>::Tables& tables,
                  const AutomationParamDesc* automation, std::uint32_t automationCount)
      : EffectSettings<Params>(notificationSlots, tables),
        AutomationParams(automation, automationCount) {}

  bool Prepared() const override { return prepared_; }

  // Frees what a stream held, checks that both pins carry the same format
  // (the writer works in the input's layout) and allocates frames of 20 ms
  // in buffers of `capacity` samples (at least a frame). kFail for a format
  // refused, else the allocation's result.
  HResult PrepareFrames(const WaveFormat& in, const WaveFormat& out, double capacitySeconds) {
    this->Release();
    const std::optional<SampleFormat> format = StreamFormatOf(in, out);
    if (!format) return kFail;
    channelCount_ = in.channels;
    rate_ = in.samplesPerSec;
    return frames_.Allocate(*format, channelCount_, static_cast<std::uint32_t>(rate_ * 0.02),
                            static_cast<std::uint32_t>(rate_ * capacitySeconds));
  }

  // After the effect's own set-up (BeginStreaming included): the pages hear
  // of the stream.
  void StartStreaming() {
    prepared_ = true;
    this->Notify(kNotifyStreamingStarted);
  }

  void StopStreaming() {
    frames_.Free();
    if (!prepared_) return;
    prepared_ = false;
    ResetForStop();
    this->Notify(kNotifyStreamingStopped);
  }

  // One call through the frames: bypassed, or with `process(T* const* x,
  // std::uint32_t n)` on every completed frame in the working precision.
  template <typename ProcessFrame>
  HResult RunFrames(const ProcessCall& call, bool bypass, double* peaks, ProcessFrame&& process,
                    std::uint32_t* consumed, std::uint32_t* produced) {
    HResult hr;
    if (bypass)
      hr = frames_.RunBypass(call.in, call.inCount, call.out, call.outCount, call.Drain());
    else if (frames_.WorkingPrecisionOf() == Precision::kDouble)
      hr = frames_.template Run<double>(call.in, call.inCount, call.out, call.outCount,
                                        call.Drain(), peaks, process);
    else
      hr = frames_.template Run<float>(call.in, call.inCount, call.out, call.outCount,
                                       call.Drain(), peaks, process);
    *consumed = frames_.Consumed();
    *produced = frames_.Produced();
    return hr;
  }

  void OnPropertyEdited() override { this->MarkChanged(); }
  void ReadShared(Params* p) const override { GetAllProps(p, sizeof *p); }
  void WriteShared(const Params& clamped) override { SetAllProps(&clamped, sizeof clamped); }

  int channelCount_ = 0;
  std::uint32_t rate_ = 0;
  DelayedFrames frames_;

 private:
  bool prepared_ = false;
};

}  // namespace orlofx

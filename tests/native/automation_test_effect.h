// A small automatable effect for the automation tests: a gain in tenths of a
// dB (parameter 0, "Output Gain", -25..25 dB) and a mute switch (parameter
// 1), both automatable, applied sample by sample to 32-bit float audio with
// the values in force at the start of each stretch. It consumes at most as
// many frames as the output has room for, so a test can make it leave part
// of a stretch unconsumed. Shared by the native and the Windows tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "framework/automation.h"
#include "framework/processor.h"

namespace orlofx::testing {

struct RideParams {
  std::int32_t gain;  // tenths of a dB
  std::int32_t mute;  // 0 or 1
};

// Labels and units from the string table ("Output Gain" in "dB", "Bypass").
inline constexpr AutomationParamDesc kRideAutomation[] = {
    {AutomationType::kFloat, kCapsFloat, -25.0f, 25.0f, 0.0f, 1u, 250, -250, PropertyKind::kScaledInteger, 0, 7097, 7141, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 0.0f, 2u, 1, 0, PropertyKind::kSwitch, 4, 7098, -1, -1},
};

inline constexpr ParameterDescriptor kRideFields[] = {
    {"gain", ParameterUnit::kTenthsDecibel, -250, 250, 0, 0},
    {"mute", ParameterUnit::kNone, 0, 1, 0, 0},
};

class RideEffect : public EffectProcessor, public AutomationParams {
 public:
  RideEffect() : EffectProcessor(2), AutomationParams(kRideAutomation, 2) {}

  HResult Prepare(const WaveFormat& in, const WaveFormat&) override {
    if (!IsAcceptedFormat(in) || SampleFormatOf(in) != SampleFormat::kFloat32) return kFail;
    channels_ = in.channels;
    BeginStreaming(in.samplesPerSec);
    return kOk;
  }
  void Release() override { ResetForStop(); }

  bool Prepared() const override { return true; }
  HResult Render(const ProcessCall& call, std::uint32_t* consumed, std::uint32_t* produced) override {
    if (call.Drain()) return kProcessFinished;
    {
      ScopedLock hold(paramLock_);
      if (changed_) {
        changed_ = false;
        RideParams p = {};
        GetAllProps(&p, sizeof p);
        gainFactor_ = p.mute ? 0.0f : static_cast<float>(std::pow(10.0, p.gain / 200.0));
      }
    }
    const std::uint32_t n = call.inCount < call.outCount ? call.inCount : call.outCount;
    const auto* src = reinterpret_cast<const float*>(call.in);
    auto* dst = reinterpret_cast<float*>(call.out);
    for (std::uint32_t i = 0; i < n * channels_; ++i) dst[i] = src[i] * gainFactor_;
    *consumed = *produced = lastOffered = n;
    return kProcessProgress;
  }

  ParameterTable Parameters() const override { return MakeParameterTable(kRideFields); }
  const RecordLayout& Record() const override {
    static const RecordLayout layout = {28, Guid{}, nullptr, 0};
    return layout;
  }
  HResult GetFields(std::int32_t* fields) const override {
    RideParams p = {};
    GetAllProps(&p, sizeof p);
    ParamsToFields(p, fields);
    return kOk;
  }
  HResult SetFields(const std::int32_t* fields) override {
    RideParams p = ParamsFromFields<RideParams>(fields);
    p = {Clamp(kRideFields[0], p.gain), Clamp(kRideFields[1], p.mute)};
    SetAllProps(&p, sizeof p);
    MarkChanged();
    return kOk;
  }
  int PresetCount() const override { return 1; }
  int PresetNameId(int index) const override { return index == 0 ? 1 : 0; }

  void OnAutomationChanged(std::uint32_t flags) override {
    changeFlags |= flags;
    MarkChanged();
  }

  std::uint32_t changeFlags = 0;
  std::uint32_t lastOffered = 0;

 protected:
  void PresetFields(int, std::int32_t* fields) const override { ParamsToFields(RideParams{0, 0}, fields); }

 private:
  void MarkChanged() {
    ScopedLock hold(paramLock_);
    changed_ = true;
    dirty_ = true;
  }
  unsigned channels_ = 1;
  float gainFactor_ = 1.0f;
};

}  // namespace orlofx::testing

// Noise Gate processor: silences audio while its block peak stays below a
// threshold.
//
//   input frames ──reader──► block buffers (20 ms), block peaks
//                                 │
//                 louder channel ─┴─► level P ─► gate state machine
//                                                     │
//   output frames ◄─writer── block × gain ramp (once per block)
//
// The block handling (one-block delay, drain of the last partial block) is
// DelayedFrames, as for the dynamics effects: output leaves only when a
// block is complete, so delivery lags by up to one block; the samples
// themselves are not shifted (output frame k is input frame k times its
// gain). The block peaks last until their block has been written out, so a
// block dropped by a discontinuity still counts toward the next one's level.
//
// Sample rates under 50 Hz would give an empty 20 ms block: the block is then
// one frame long. A rate of 0 is refused by Prepare.
#pragma once

#include <cstdint>

#include "effects/noisgt/noisgt_params.h"
#include "framework/effect_settings.h"
#include "framework/frame_delay.h"

namespace orlofx {

class CAkNoisgtTransform : public EffectSettings<NoisgtParams> {
 public:
  enum class GateState : int { kClosed = 0, kOpening = 2, kOpen = 3, kHolding = 4 };

  CAkNoisgtTransform();
  ~CAkNoisgtTransform() override;

  // --- the effect's property interface --------------------------------------
  // Getters fill 32-bit values; setters clamp silently and always succeed.
  // GetParams/SetParams (the whole record) come from EffectSettings.
  ORLOFX_SETTING(Attack, kNoisgtAttack)
  ORLOFX_SETTING(Release, kNoisgtRelease)
  ORLOFX_SETTING(Threshold, kNoisgtThreshold)

  // --- EffectProcessor --------------------------------------------------------
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override;
  void Release() override;

  // --- stream read-outs (streaming thread only) ------------------------------
  GateState State() const { return state_; }
  double CurrentGain() const { return currentGain_; }
  std::uint32_t BlockLength() const { return frames_.FrameLength(); }

 protected:
  bool Prepared() const override { return prepared_; }
  HResult Render(const ProcessCall& call, std::uint32_t* consumed,
                 std::uint32_t* produced) override;

 private:
  // The gain applied to one block: a hold value, optionally preceded by a
  // ramp of `length` frames (stepped or continuous).
  struct GainPlan {
    double holdNumerator;  // trunc(1000 * g1): hold gain in thousandths
    std::int64_t length;   // ramp frames; 0 = the whole block holds
    bool stepped;
    double g0;
    double stepsPerUnit;  // S of the stepped ramp
    double stepBase;      // trunc(g0 * S)
    double direction;     // +1 or -1
    double step;          // continuous ramp increment per frame
  };

  void ComputeCoefficients(const NoisgtParams& snapshot);
  void ResetStream();
  void StepStateMachine(double level, std::int64_t frames);
  GainPlan StepGain(double level, std::int64_t frames);
  template <typename T>
  void ProcessBlock(T* const* x, std::uint32_t n);
  template <typename T>
  static void ApplyGain(const GainPlan& plan, T* x, std::int64_t frames);

  // Stream format and sizes, fixed by Prepare.
  bool prepared_ = false;
  int channels_ = 0;
  std::uint32_t rate_ = 0;
  std::int64_t holdLength_ = 0;

  // Derived from the settings snapshot.
  std::int64_t attackLength_ = 0;
  std::int64_t releaseLength_ = 0;
  double openThreshold_ = 1.0;
  double closeThreshold_ = 0.85;
  double attackCoef_ = 0.0;
  double releaseCoef_ = 0.0;
  double openCoef_ = 0.0;
  bool coefficientsValid_ = false;

  // Gate and block state.
  GateState state_ = GateState::kClosed;
  std::int64_t openingCount_ = 0;
  std::int64_t holdingCount_ = 0;
  double currentGain_ = 0.0;
  double peaks_[2] = {0.0, 0.0};
  bool hasRun_ = false;
  DelayedFrames frames_;
};

}  // namespace orlofx

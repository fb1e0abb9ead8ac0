#include "effects/noisgt/noisgt_transform.h"

#include <algorithm>
#include <cmath>

namespace orlofx {

namespace {

// Fixed for this effect; the gain law below is the general one the dynamics
// effects share, and these constants reduce it to a plain gate.
constexpr double kTargetGain = 1.0;
constexpr double kFloorGain = 0.0;
constexpr double kMaximumGain = 1.0;
constexpr double kOutputGain = 1.0;
constexpr double kLevelFloor = 3.0517e-5;
constexpr double kRatio = 1.0;

// Threshold used for the -Inf. setting: one 16-bit step (-90.3 dB).
constexpr double kFloorThreshold = 3.0517e-5;
// The close threshold sits about 1.41 dB under the open one, so a level
// hovering at the threshold does not chatter.
constexpr double kHysteresis = 0.85;
// Gains this small are silence (about -74 dB) and snap to zero.
constexpr double kSilentGain = 0.0002;
constexpr double kLargestGain = 5000.0;
// Gains closer than this are held instead of ramped.
constexpr double kRampThreshold = 0.0005;

}  // namespace

CAkNoisgtTransform::CAkNoisgtTransform()
    : EffectSettings(2, {kNoisgtParameters, kNoisgtRecord, kNoisgtPresets, kNoisgtPresetCount,
                         ClampNoisgtParams}) {}

CAkNoisgtTransform::~CAkNoisgtTransform() = default;

// --- stream set-up ------------------------------------------------------------

HResult CAkNoisgtTransform::Prepare(const WaveFormat& in, const WaveFormat& out) {
  Release();
  const std::optional<SampleFormat> format = StreamFormatOf(in, out);
  if (!format) return kFail;

  channels_ = in.channels;
  rate_ = in.samplesPerSec;
  holdLength_ = static_cast<std::int64_t>(rate_ * 0.004);

  const NoisgtParams snapshot = TakeSnapshot();
  // A new stream must not inherit the level of a block left unfinished when
  // the last one stopped.
  peaks_[0] = peaks_[1] = 0.0;
  ComputeCoefficients(snapshot);
  ResetStream();
  coefficientsValid_ = true;

  const HResult hr = frames_.Allocate(*format, channels_, static_cast<std::uint32_t>(rate_ * 0.02),
                                      static_cast<std::uint32_t>(rate_ * 0.03));
  if (Failed(hr)) return hr;
  hasRun_ = false;
  prepared_ = true;
  return kOk;
}

void CAkNoisgtTransform::Release() {
  frames_.Free();
  prepared_ = false;
}

void CAkNoisgtTransform::ComputeCoefficients(const NoisgtParams& snapshot) {
  // The record is clamped by every setter; clamping again covers the zeroed
  // record of a processor no preset has been applied to yet.
  const NoisgtParams p = ClampNoisgtParams(snapshot);
  attackLength_ = static_cast<std::int64_t>(p.attack / 1000.0 * rate_);
  releaseLength_ = static_cast<std::int64_t>(p.release / 1000.0 * rate_);
  openThreshold_ =
      p.threshold == kNoisgtThresholdFloor ? kFloorThreshold : std::pow(10.0, p.threshold / 200.0);
  closeThreshold_ = openThreshold_ * kHysteresis;
  // Per 20 ms block, the gain covers 90 % of the remaining distance in
  // `attack` (or `release`) milliseconds.
  attackCoef_ = 1.0 - std::pow(0.1, 20.0 / p.attack);
  releaseCoef_ = 1.0 - std::pow(0.1, 20.0 / p.release);
  openCoef_ = 1.0 - std::pow(0.1, 4.0 / 3.0);

  // A level inside the new hysteresis band closes the gate.
  auto inBand = [this](double peak) { return peak >= closeThreshold_ && peak <= openThreshold_; };
  if (inBand(peaks_[0])) state_ = GateState::kClosed;
  if (channels_ == 2 && inBand(peaks_[1])) state_ = GateState::kClosed;
}

void CAkNoisgtTransform::ResetStream() {
  currentGain_ = kFloorGain;
  state_ = GateState::kClosed;
  frames_.Reset();
}

// --- processing -----------------------------------------------------------------

HResult CAkNoisgtTransform::Render(const ProcessCall& call, std::uint32_t* consumed,
                                   std::uint32_t* produced) {
  bool changed;
  const NoisgtParams snapshot = TakeSnapshot(&changed);
  const bool discontinuity = call.Discontinuity();
  if (changed || !coefficientsValid_ || (discontinuity && hasRun_)) {
    ComputeCoefficients(snapshot);
    coefficientsValid_ = true;
    // A break in the stream drops the block in progress; its peak is kept
    // and counts toward the next block's level.
    if (discontinuity) ResetStream();
  }
  hasRun_ = true;

  HResult hr;
  if (frames_.WorkingPrecisionOf() == Precision::kDouble)
    hr = frames_.Run<double>(call.in, call.inCount, call.out, call.outCount, call.Drain(), peaks_,
                             [this](double* const* x, std::uint32_t n) { ProcessBlock(x, n); });
  else
    hr = frames_.Run<float>(call.in, call.inCount, call.out, call.outCount, call.Drain(), peaks_,
                            [this](float* const* x, std::uint32_t n) { ProcessBlock(x, n); });
  *consumed = frames_.Consumed();
  *produced = frames_.Produced();
  return hr;
}

template <typename T>
void CAkNoisgtTransform::ProcessBlock(T* const* x, std::uint32_t n) {
  // Stereo link: the louder channel decides for both.
  if (channels_ == 2 && peaks_[0] < peaks_[1]) peaks_[0] = peaks_[1];
  const double level = peaks_[0];
  StepStateMachine(level, n);
  const GainPlan plan = StepGain(level, n);
  for (int c = 0; c < channels_; ++c) ApplyGain<T>(plan, x[c], n);
}

// Counts start at the size of the block a state was entered in and grow by
// one block per later block. The hold (4 ms) is shorter than a block, so
// Holding lasts one block unless the level comes back.
void CAkNoisgtTransform::StepStateMachine(double level, std::int64_t frames) {
  switch (state_) {
    case GateState::kClosed:
      if (level >= openThreshold_) {
        state_ = GateState::kOpening;
        openingCount_ = frames;
      }
      break;
    case GateState::kOpening:
      openingCount_ += frames;
      if (closeThreshold_ >= level) {
        state_ = GateState::kClosed;
      } else if (openingCount_ >= attackLength_) {
        state_ = GateState::kOpen;
      }
      break;
    case GateState::kOpen:
      if (closeThreshold_ >= level) {
        state_ = GateState::kHolding;
        holdingCount_ = frames;
      }
      break;
    case GateState::kHolding:
      holdingCount_ += frames;
      if (level >= openThreshold_) {
        state_ = GateState::kOpen;
      } else if (holdingCount_ >= holdLength_) {
        state_ = GateState::kClosed;
      }
      break;
  }
}

CAkNoisgtTransform::GainPlan CAkNoisgtTransform::StepGain(double level, std::int64_t frames) {
  double target = kFloorGain;
  if (kLevelFloor != 0.0 && level != 0.0 && kRatio != 0.0)
    target = std::pow(10.0, std::log10(level / kLevelFloor) / kRatio) * kLevelFloor / level;
  target = std::min(target, kMaximumGain);
  if (kRatio == 1.0) target = kTargetGain;

  const double g = currentGain_;
  double next = g;
  std::int64_t ramp = 0;
  switch (state_) {
    case GateState::kClosed:
      next = (1.0 - releaseCoef_) * g + releaseCoef_ * kFloorGain;
      ramp = releaseLength_;
      break;
    case GateState::kOpening:
      next = (1.0 - attackCoef_) * g + attackCoef_ * target;
      ramp = attackLength_;
      break;
    case GateState::kOpen:
      next = (1.0 - openCoef_) * g + openCoef_ * target;
      ramp = attackLength_;
      break;
    case GateState::kHolding:
      next = (1.0 - releaseCoef_) * g + releaseCoef_ * target;
      ramp = releaseLength_;
      break;
  }
  next = std::min(next, kMaximumGain);

  const double g0 = kOutputGain * g;
  double g1 = kOutputGain * next;
  currentGain_ = next;
  if (g1 < kSilentGain) {
    currentGain_ = 0.0;
    g1 = 0.0;
  } else if (g1 > kLargestGain) {
    currentGain_ = kLargestGain;
    g1 = kLargestGain;
  }

  GainPlan plan{};
  plan.holdNumerator = std::trunc(1000.0 * g1);
  plan.g0 = g0;
  plan.direction = g1 > g0 ? 1.0 : -1.0;
  if (std::fabs(g0 - g1) < kRampThreshold) return plan;  // hold only

  // A ramp longer than the block fills the whole block.
  const std::int64_t length = std::min(ramp, frames);
  plan.length = length;
  const double steps = std::trunc(static_cast<double>(length) / std::fabs(g1 - g0));
  // Stepped ramps move in whole 1/S steps; with fewer than one step per unit
  // of gain (which would divide by zero) the ramp is continuous instead.
  if (steps >= 1.0) {
    plan.stepped = true;
    plan.stepsPerUnit = steps;
    plan.stepBase = std::trunc(g0 * steps);
  } else if (length > 0) {
    plan.step = (g1 - g0) / static_cast<double>(length);
  }
  return plan;
}

template <typename T>
void CAkNoisgtTransform::ApplyGain(const GainPlan& plan, T* x, std::int64_t frames) {
  std::int64_t i = 0;
  if (plan.stepped) {
    for (; i < plan.length; ++i)
      x[i] = static_cast<T>(static_cast<double>(x[i]) *
                            (plan.stepBase + static_cast<double>(i) * plan.direction) /
                            plan.stepsPerUnit);
  } else {
    double gain = plan.g0;
    for (; i < plan.length; ++i) {
      x[i] = static_cast<T>(static_cast<double>(x[i]) * gain);
      gain += plan.step;
    }
  }
  for (; i < frames; ++i)
    x[i] = static_cast<T>(static_cast<double>(x[i]) * plan.holdNumerator / 1000.0);
}

}  // namespace orlofx

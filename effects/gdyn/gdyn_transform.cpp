#include "effects/gdyn/gdyn_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>


namespace orlofx {

namespace {

// One 16-bit step: quieter peaks count as the floor of the table.
constexpr double kQuietestPeak = 3.051758e-5;
constexpr double kMaximumGain = 50.0;
// Targets this small are silence (about -74 dB) and snap to zero.
constexpr double kSilentGain = 0.0002;
constexpr double kLargestGain = 5000.0;
// Auto gain leaves a little headroom under full scale.
constexpr double kAutoGainHeadroom = 0.98;


// Per 20 ms frame the gain covers the fraction k of the way to its target,
// so that after `seconds` 90 % of the way is covered; times up to one frame
// reach the target within the frame.
double Coefficient(double seconds) {
  return seconds <= 0.02 ? 1.0 : 1.0 - std::pow(0.1, 0.02 / seconds);
}

double OutputGainOf(const AkGdynProps& p) {
  return std::pow(10.0, p.outputGain / 200.0) * (p.autoGain ? kAutoGainHeadroom : 1.0);
}

}  // namespace

CAkGdynTransform::CAkGdynTransform()
    : AutomatedFrames(2,
                      {GdynParameters(), kGdynRecord, kGdynPresets, kGdynPresetCount,
                       ClampGdynProps},
                      kGdynAutomation, kGdynParamCount) {}

CAkGdynTransform::~CAkGdynTransform() = default;

// --- settings -----------------------------------------------------------------

void CAkGdynTransform::ReadShared(AkGdynProps* p) const {
  GetAllProps(p, sizeof *p);
  p->threshold = GdynCurveThreshold(p->points, p->pointCount);
  p->ratio = GdynCurveRatio(p->points, p->pointCount);
}

HResult CAkGdynTransform::SetPoints(const GdynPoint* points, std::int32_t count) {
  const std::int32_t given = ClampTo(count, 0, kGdynMaxPoints);
  if (given > 0 && !points) return kPointer;
  ScopedLock lock(paramLock_);
  for (std::int32_t i = 0; i < given; ++i) {
    params_.points[i].x = ClampTo(points[i].x, kGdynLevelFloor, 0);
    params_.points[i].y = ClampTo(points[i].y, kGdynLevelFloor, 0);
  }
  params_.pointCount = ClampTo(count, kGdynMinPoints, kGdynMaxPoints);
  changed_ = true;
  dirty_ = true;
  return kOk;
}

HResult CAkGdynTransform::GetPoints(GdynPoint* points, std::int32_t* count) const {
  if (!points || !count) return kPointer;
  ScopedLock lock(paramLock_);
  std::copy(std::begin(params_.points), std::end(params_.points), points);
  *count = params_.pointCount;
  return kOk;
}

HResult CAkGdynTransform::GetCurveRatio(std::int32_t* ratio) const {
  if (!ratio) return kPointer;
  ScopedLock lock(paramLock_);
  *ratio = GdynCurveRatio(params_.points, params_.pointCount);
  return kOk;
}

HResult CAkGdynTransform::GetCurveThreshold(std::int32_t* threshold) const {
  if (!threshold) return kPointer;
  ScopedLock lock(paramLock_);
  *threshold = GdynCurveThreshold(params_.points, params_.pointCount);
  return kOk;
}

// The older record is the current one without its last field, bypass.
const RecordLayout* CAkGdynTransform::OlderRecord() const {
  static const RecordLayout kOlder = {kGdynOlderRecordBytes, kGdynOlderTag, nullptr, 0};
  return &kOlder;
}

// --- stream set-up ------------------------------------------------------------

HResult CAkGdynTransform::Prepare(const WaveFormat& in, const WaveFormat& out) {
  const HResult hr = PrepareFrames(in, out, 0.03);
  if (Failed(hr)) return hr;
  BeginStreaming(static_cast<double>(rate_));
  Rebuild(TakeSnapshot());
  ResetStream();
  StartStreaming();
  return kOk;
}

void CAkGdynTransform::Release() { StopStreaming(); }

void CAkGdynTransform::Rebuild(const AkGdynProps& settings) {
  // Setters keep the record clamped; clamping again covers a record no
  // preset has been applied to yet.
  const AkGdynProps p = ClampGdynProps(settings);
  const double fs = static_cast<double>(rate_);
  const double attack = p.attack / 10000.0;
  const double release = p.release / 10000.0;
  attackLength_ = static_cast<std::int64_t>(attack * fs);
  releaseLength_ = static_cast<std::int64_t>(release * fs);
  threshold_ = std::pow(10.0, GdynBendPoint(p.points, p.pointCount) / 200.0);
  attackCoef_ = Coefficient(attack);
  releaseCoef_ = Coefficient(release);
  outputGain_ = OutputGainOf(p);
  sync_ = p.syncStereo != 0;
  bypass_ = p.bypass != 0;
  GdynGainTable(p.points, p.pointCount, p.autoGain != 0, table_);
}

void CAkGdynTransform::ResetStream() {
  for (ChannelState& c : channels_) c = ChannelState{};
  peaks_[0] = peaks_[1] = 0.0;
  appliedOutputGain_ = outputGain_;
  frames_.Reset();
}

// --- processing -----------------------------------------------------------------

HResult CAkGdynTransform::Render(const ProcessCall& call, std::uint32_t* consumed,
                                 std::uint32_t* produced) {
  if (IsChanged()) Rebuild(TakeSnapshot());
  // A break in the stream: what was held belongs to the audio before it.
  if (call.Discontinuity()) ResetStream();
  // A partly filled frame leaves unprocessed: its peaks are void.
  if (bypass_ && frames_.Filled() > 0) peaks_[0] = peaks_[1] = 0.0;
  return RunFrames(
      call, bypass_, peaks_, [this](auto* const* x, std::uint32_t n) { ProcessFrame(x, n); },
      consumed, produced);
}

template <typename T>
void CAkGdynTransform::ProcessFrame(T* const* x, std::uint32_t n) {
  T* left = x[0];
  if (channelCount_ == 1) {
    ApplyFrameGain<T>(channels_[0], peaks_[0], left, nullptr, n);
  } else if (sync_) {
    ApplyFrameGain<T>(channels_[0], std::max(peaks_[0], peaks_[1]), left, x[1], n);
    // Both channels carry the shared state, so turning sync off continues
    // from where the linked gain was.
    channels_[1] = channels_[0];
  } else {
    ApplyFrameGain<T>(channels_[0], peaks_[0], left, nullptr, n);
    ApplyFrameGain<T>(channels_[1], peaks_[1], x[1], nullptr, n);
  }
  peaks_[0] = peaks_[1] = 0.0;
  if (appliedOutputGain_ != outputGain_) {
    // The frame's ramps were laid out with the new output gain; this scales
    // their start back to the old one and lets it reach the new one by the
    // frame's end.
    for (int c = 0; c < channelCount_; ++c)
      GlideGain<T>(x[c], n, appliedOutputGain_ / outputGain_, 1.0);
    appliedOutputGain_ = outputGain_;
  }
}

template <typename T>
void CAkGdynTransform::ApplyFrameGain(ChannelState& state, double peak, T* a, T* b,
                                      std::uint32_t n) {
  state.mode = peak >= threshold_ ? Mode::kAttack : Mode::kRelease;
  double level = peak >= kQuietestPeak ? 200.0 * std::log10(peak) : kGdynLevelFloor;
  level = std::min(std::max(level, static_cast<double>(kGdynLevelFloor)), 0.0);
  const double g = GdynTableGain(table_, level);

  const bool attack = state.mode == Mode::kAttack;
  const double k = attack ? attackCoef_ : releaseCoef_;
  const std::int64_t ramp = attack ? attackLength_ : releaseLength_;
  const double next = std::min(k * g + (1.0 - k) * state.gain, kMaximumGain);

  double s = state.gain * outputGain_;
  double t = next * outputGain_;
  state.gain = next;
  if (t < kSilentGain) {
    t = 0.0;
    state.gain = 0.0;
  }
  if (t > kLargestGain) {
    t = kLargestGain;
    state.gain = kLargestGain;
  }

  double d = 0.0;
  if (ramp > static_cast<std::int64_t>(n))
    d = (t - s) / n;
  else if (ramp > 0)
    d = (t - s) / static_cast<double>(ramp);
  else
    s = t;

  for (std::uint32_t i = 0; i < n; ++i) {
    a[i] = static_cast<T>(static_cast<double>(a[i]) * s);
    if (b) b[i] = static_cast<T>(static_cast<double>(b[i]) * s);
    // The ramp stops at its target rather than stepping past it.
    if (d > 0.0 && s < t)
      s = std::min(s + d, t);
    else if (d < 0.0 && s > t)
      s = std::max(s + d, t);
  }
}

// --- the static transfer curve ----------------------------------------------------

HResult CAkGdynTransform::ResponseAt(double /*fs*/, const double* x, std::size_t count,
                                     double* y) const {
  if (count > 0 && (!x || !y)) return kPointer;
  const AkGdynProps p = ClampGdynProps(Current());
  double table[kGdynTableSize];
  GdynGainTable(p.points, p.pointCount, p.autoGain != 0, table);
  const double outputGain = OutputGainOf(p);
  for (std::size_t i = 0; i < count; ++i) {
    // The settled gain for a steady level: what the smoothing converges to.
    const double g = std::min(GdynTableGain(table, 10.0 * x[i]), kMaximumGain);
    const double total = std::min(g * outputGain, kLargestGain);
    y[i] = total < kSilentGain ? -std::numeric_limits<double>::infinity()
                               : x[i] + 20.0 * std::log10(total);
  }
  return kOk;
}

}  // namespace orlofx

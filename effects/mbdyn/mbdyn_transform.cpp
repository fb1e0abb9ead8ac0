#include "effects/mbdyn/mbdyn_transform.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

constexpr std::int32_t kMeterFloor = kMbdynThresholdFloor;

bool IsBandThreshold(std::uint32_t param) {
  return param < 4 * kMbdynParamsPerBand && param % kMbdynParamsPerBand == kMbdynParamThreshold;
}

int BandIndex(std::int32_t band) { return std::min(std::max(band, 1), kMbdynBands) - 1; }

}  // namespace

CAkMbdynTransform::CAkMbdynTransform()
    : AutomatedFrames(4,
                      {kMbdynParameters, kMbdynRecord, kMbdynPresets, kMbdynPresetCount,
                       ClampMbdynParams},
                      kMbdynAutomation, kMbdynParamCount) {
  for (int b = 0; b < kMbdynBands; ++b) meterLevel_[b] = meterPeak_[b] = captured_[b] = kMeterFloor;
}

CAkMbdynTransform::~CAkMbdynTransform() = default;

// --- settings -------------------------------------------------------------------

void CAkMbdynTransform::NotifyThresholds(bool on) {
  for (int b = 0; b < kMbdynBands; ++b)
    SetNotify(b * kMbdynParamsPerBand + kMbdynParamThreshold, on);
}

void CAkMbdynTransform::Stored(const MbdynParams& before, const MbdynParams& after) {
  if (before.captureThreshold != after.captureThreshold)
    NotifyThresholds(after.captureThreshold == 0);
}

HResult CAkMbdynTransform::SetEnableMeters(std::int32_t value) {
  return SetField(kMbdynEnableMeters, value != 0 ? 1 : 0);
}

HResult CAkMbdynTransform::SetCaptureThreshold(std::int32_t value) {
  if (StoreField(kMbdynCaptureThreshold, value != 0 ? 1 : 0)) NotifyThresholds(value == 0);
  return kOk;
}

HResult CAkMbdynTransform::GetVisiblePage(std::int32_t* page) const {
  if (!page) return kPointer;
  ScopedLock lock(paramLock_);
  *page = visiblePage_;
  return kOk;
}

HResult CAkMbdynTransform::SetVisiblePage(std::int32_t page) {
  ScopedLock lock(paramLock_);
  visiblePage_ = std::min(std::max(page, 0), 2);
  return kOk;
}

HResult CAkMbdynTransform::GetDisplayWord(int group, std::int32_t band,
                                          std::int32_t* value) const {
  if (!value) return kPointer;
  if (group != 0 && group != 1) return kInvalidArg;
  ScopedLock lock(paramLock_);
  *value = params_.display[4 * group + BandIndex(band)];
  return kOk;
}

HResult CAkMbdynTransform::SetDisplayWord(int group, std::int32_t band, std::int32_t value) {
  if (group != 0 && group != 1) return kInvalidArg;
  ScopedLock lock(paramLock_);
  params_.display[4 * group + BandIndex(band)] = value;
  dirty_ = true;
  return kOk;
}

HResult CAkMbdynTransform::GetMeterSource(std::int32_t band, std::int32_t* source) const {
  if (!source) return kPointer;
  ScopedLock lock(meterLock_);
  *source = meterSource_[BandIndex(band)];
  return kOk;
}

HResult CAkMbdynTransform::SetMeterSource(std::int32_t band, std::int32_t source) {
  ScopedLock lock(meterLock_);
  meterSource_[BandIndex(band)] = source != 0 ? 1 : 0;
  return kOk;
}

HResult CAkMbdynTransform::TakeMeterMaximum(std::int32_t band, std::int32_t* value) {
  if (!value) return kPointer;
  ScopedLock lock(meterLock_);
  const int b = BandIndex(band);
  *value = meterPeak_[b];
  meterPeak_[b] = kMeterFloor;
  return kOk;
}

HResult CAkMbdynTransform::GetMeterLevel(std::int32_t band, std::int32_t* value) const {
  if (!value) return kPointer;
  ScopedLock lock(meterLock_);
  *value = meterLevel_[BandIndex(band)];
  return kOk;
}

HResult CAkMbdynTransform::GetMeterAt(std::int64_t time, MbdynMeterSnapshot* snapshot) const {
  if (!snapshot) return kPointer;
  ScopedLock lock(meterLock_);
  if (ringCount_ == 0) {
    snapshot->time = 0;
    std::fill(std::begin(snapshot->values), std::end(snapshot->values), kMeterFloor);
    return kFalse;
  }
  // Newest first; stop at the first entry not later than `time`.
  int index = 0;
  for (int age = 0; age < ringCount_; ++age) {
    index = (ringNext_ - 1 - age + kMbdynMeterRingSize) % kMbdynMeterRingSize;
    if (ring_[index].time <= time) break;
  }
  *snapshot = ring_[index];
  return kOk;
}

HResult CAkMbdynTransform::GetMeterHistory(std::int32_t age, MbdynMeterSnapshot* snapshot) const {
  if (!snapshot) return kPointer;
  ScopedLock lock(meterLock_);
  if (age < 0 || age >= ringCount_) return kFalse;
  *snapshot = ring_[(ringNext_ - 1 - age + kMbdynMeterRingSize) % kMbdynMeterRingSize];
  return kOk;
}

std::int32_t CAkMbdynTransform::CapturedMaximum(int band) const {
  ScopedLock lock(meterLock_);
  return captured_[BandIndex(band + 1)];
}

HResult CAkMbdynTransform::ResetMeterMaxima() {
  ScopedLock lock(meterLock_);
  for (std::int32_t& v : captured_) v = kMeterFloor;
  return kOk;
}

HResult CAkMbdynTransform::ApplyCapturedThresholds(std::int32_t* changed) {
  if (!changed) return kPointer;
  *changed = 0;
  std::int32_t page;
  GetVisiblePage(&page);
  if (page != 1 && page != 2) return kOk;
  const MbdynParams p = Current();
  for (int b = 2 * (page - 1); b < 2 * page; ++b) {
    if (!MbdynBandActive(p, b)) continue;
    const std::uint32_t param = b * kMbdynParamsPerBand + kMbdynParamThreshold;
    std::int32_t threshold = 0;
    GetParamProp(param, &threshold);
    const std::int32_t maximum = CapturedMaximum(b);
    if (threshold != maximum) {
      SetParamProp(param, maximum);
      *changed = 1;
    }
  }
  return kOk;
}

HResult CAkMbdynTransform::SetParam(std::uint32_t index, float value) {
  if (IsBandThreshold(index)) {
    std::int32_t capture = 0;
    GetCaptureThreshold(&capture);
    // The page owns the thresholds while it captures them.
    if (capture) return kOk;
  }
  return AutomatedFrames::SetParam(index, value);
}

// --- streaming ------------------------------------------------------------------

HResult CAkMbdynTransform::Prepare(const WaveFormat& in, const WaveFormat& out) {
  HResult hr = PrepareFrames(in, out, 0.02);
  if (Succeeded(hr)) hr = bands_.Allocate(frames_.FrameLength(), channelCount_);
  if (Failed(hr)) {
    frames_.Free();
    bands_.Free();
    return hr;
  }
  BeginStreaming(static_cast<double>(rate_));
  Rebuild(TakeSnapshot(), true);
  {
    ScopedLock lock(meterLock_);
    ringNext_ = ringCount_ = 0;
    for (int b = 0; b < kMbdynBands; ++b) meterLevel_[b] = kMeterFloor;
  }
  blockStart_ = 0;
  StartStreaming();
  return kOk;
}

void CAkMbdynTransform::Release() {
  bands_.Free();
  StopStreaming();
}

void CAkMbdynTransform::Rebuild(const MbdynParams& p, bool reset) {
  const MbdynParams c = ClampMbdynParams(p);
  current_ = c;
  bands_.Build(c, static_cast<double>(rate_), reset);
  bypass_ = c.bypass != 0;
  meters_ = c.enableMeters != 0;
  if (reset) {
    frames_.Reset();
    appliedOutputGain_ = bands_.OutputGain();
  }
}

HResult CAkMbdynTransform::Render(const ProcessCall& call, std::uint32_t* consumed,
                                  std::uint32_t* produced) {
  // A break in the stream: what was held belongs to the audio before it.
  if (call.Discontinuity())
    Rebuild(TakeSnapshot(), true);
  else if (IsChanged())
    Rebuild(TakeSnapshot(), false);

  return RunFrames(
      call, bypass_, nullptr, [this](auto* const* x, std::uint32_t n) { ProcessBlock(x, n); },
      consumed, produced);
}

bool CAkMbdynTransform::BandStatesFinite() const {
  for (int c = 0; c < channelCount_; ++c)
    for (int b = 0; b < kMbdynBands; ++b) {
      const mbdyn::Band& band = bands_.BandOf(c, b);
      if (!std::isfinite(band.gain) || !std::isfinite(band.split.y1) ||
          !std::isfinite(band.split.y2) || !std::isfinite(band.gainFilter.y1) ||
          !std::isfinite(band.gainFilter.y2))
        return false;
    }
  return true;
}

template <typename T>
void CAkMbdynTransform::ProcessBlock(T* const* x, std::uint32_t n) {
  bands_.ProcessBlock(x, n);
  // A NaN or infinity in the input would stay in the recursions for good:
  // the bands start afresh instead, so the stream recovers once the input
  // is clean again.
  if (!BandStatesFinite()) bands_.Build(current_, static_cast<double>(rate_), true);
  // The output gain belongs to the output stage: after the bands, before
  // the writer's clamp and rounding.
  const double gain = bands_.OutputGain();
  if (gain != appliedOutputGain_) {
    for (int c = 0; c < channelCount_; ++c) GlideGain<T>(x[c], n, appliedOutputGain_, gain);
    appliedOutputGain_ = gain;
  } else if (gain != 1.0) {
    for (int c = 0; c < channelCount_; ++c)
      for (std::uint32_t i = 0; i < n; ++i)
        x[c][i] = static_cast<T>(static_cast<double>(x[c][i]) * gain);
  }
  RecordMeters(n);
}

void CAkMbdynTransform::RecordMeters(std::uint32_t n) {
  const std::uint64_t start = blockStart_;
  blockStart_ += n;
  if (!meters_) return;
  MbdynMeterSnapshot entry;
  entry.time = static_cast<std::int64_t>(static_cast<double>(start) * kTimeUnitsPerSecond /
                                         static_cast<double>(rate_) +
                                         0.5);
  ScopedLock lock(meterLock_);
  for (int b = 0; b < kMbdynBands; ++b) {
    const std::int32_t input = bands_.BlockMeter(b);
    std::int32_t shown = input;
    if (meterSource_[b] != 0 && input > kMeterFloor) {
      // What is left of the band after its reduction.
      double loudest = 0.0;
      for (int c = 0; c < channelCount_; ++c) {
        const mbdyn::Band& band = bands_.BandOf(c, b);
        loudest = std::max(loudest, band.peak * band.gain);
      }
      shown = mbdyn::MeterValue(loudest);
    }
    meterLevel_[b] = shown;
    entry.values[b] = shown;
    meterPeak_[b] = std::max(meterPeak_[b], shown);
    // Capture compares with the band's own level, whatever the meter shows.
    captured_[b] = std::max(captured_[b], input);
  }
  ring_[ringNext_] = entry;
  ringNext_ = (ringNext_ + 1) % kMbdynMeterRingSize;
  ringCount_ = std::min(ringCount_ + 1, kMbdynMeterRingSize);
}

// --- the static response ------------------------------------------------------------

HResult CAkMbdynTransform::ResponseAt(double fs, const double* x, std::size_t count,
                                      double* y) const {
  if (count > 0 && (!x || !y)) return kPointer;
  if (!(fs > 0.0)) return kInvalidArg;
  const MbdynParams p = ClampMbdynParams(Current());
  mbdyn::MbdynBands bands;
  if (Failed(bands.Allocate(1, 1))) return kOutOfMemory;
  bands.Build(p, fs, true);

  // The impulse response of the static filters in their processing order;
  // the narrowest section (q 10 / 3 at 50 Hz) has died away long before the
  // end of it.
  constexpr std::size_t kLength = 1 << 16;
  std::vector<double> h;
  try {
    h.assign(kLength, 0.0);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  h[0] = 1.0;
  for (int b = 0; b < kMbdynBands; ++b) {
    const mbdyn::Band& band = bands.BandOf(0, b);
    if (!band.active || band.gainSign == 0) continue;
    mbdyn::Section s = band.gainFilter;
    s.Clear();
    for (double& v : h) v = mbdyn::RunStatic(s, v);
  }
  const double outputDb = p.outputGain / 10.0;
  for (std::size_t i = 0; i < count; ++i) {
    const double w = 2.0 * 3.14159265358979323846 * x[i] / fs;
    double re = 0.0, im = 0.0;
    for (std::size_t n = 0; n < kLength; ++n) {
      re += h[n] * std::cos(w * static_cast<double>(n));
      im -= h[n] * std::sin(w * static_cast<double>(n));
    }
    y[i] = 10.0 * std::log10(re * re + im * im) + outputDb;
  }
  return kOk;
}

}  // namespace orlofx

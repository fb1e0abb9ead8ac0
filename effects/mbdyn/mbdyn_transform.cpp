#include "effects/mbdyn/mbdyn_transform.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

constexpr std::uint32_t kRecordBodyBytes = sizeof(MbdynParams);
constexpr std::int32_t kMeterFloor = kMbdynThresholdFloor;

constexpr std::uint32_t Offset(std::size_t groupOffset, int band) {
  return static_cast<std::uint32_t>(groupOffset + 4 * band);
}

constexpr AutomationParamDesc Float(float lo, float hi, float neutral, std::int32_t propLo,
                                    std::int32_t propHi, std::uint32_t offset, int label,
                                    int unit) {
  return {AutomationType::kFloat, kCapsFloat, lo, hi, neutral, 1, propHi, propLo,
          PropertyKind::kScaledInteger, offset, label, unit, -1};
}

constexpr AutomationParamDesc Switch(std::uint32_t offset, int label) {
  return {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 0.0f, 1, 1, 0,
          PropertyKind::kSwitch, offset, label, -1, -1};
}

// Parameter 10 b + k of band b, in the order of MbdynBandParam.
constexpr AutomationParamDesc BandParam(int b, int k) {
  const int label = sid::kParamBandFirst + 10 * b + k;
  switch (k) {
    case kMbdynParamThreshold:
      return Float(-60.0f, 0.0f, 0.0f, kMbdynThresholdFloor, 0,
                   Offset(offsetof(MbdynParams, threshold), b), label, sid::kUnitDecibels);
    case kMbdynParamAmount:
      return Float(1.0f, 50.0f, 1.0f, 10, 500, Offset(offsetof(MbdynParams, amount), b), label,
                   -1);
    case kMbdynParamGain:
      return Float(-25.0f, 25.0f, 0.0f, -250, 250, Offset(offsetof(MbdynParams, gain), b), label,
                   sid::kUnitDecibels);
    case kMbdynParamAttack:
      return Float(0.0f, 500.0f, 250.0f, 0, 5000, Offset(offsetof(MbdynParams, attack), b), label,
                   sid::kUnitMilliseconds);
    case kMbdynParamRelease:
      return Float(0.0f, 5000.0f, 2500.0f, 0, 50000, Offset(offsetof(MbdynParams, release), b),
                   label, sid::kUnitMilliseconds);
    case kMbdynParamType:
      return {AutomationType::kEnum, kCapsSwitch, 0.0f, 2.0f, 1.0f, 1, 2, 0,
              PropertyKind::kSwitch, Offset(offsetof(MbdynParams, type), b), label, -1,
              sid::kBandTypeValues};
    case kMbdynParamCenter:
      return Float(50.0f, 15000.0f, 1000.0f, 50, 15000, Offset(offsetof(MbdynParams, center), b),
                   label, sid::kUnitHertz);
    case kMbdynParamWidth:
      return Float(0.3f, 3.0f, 1.0f, 3, 30, Offset(offsetof(MbdynParams, width), b), label,
                   sid::kUnitOctaves);
    case kMbdynParamBandBypass:
      return Switch(Offset(offsetof(MbdynParams, bandBypass), b), label);
    default:
      return Switch(Offset(offsetof(MbdynParams, solo), b), label);
  }
}

#define ORLOFX_MBDYN_BAND(b)                                                                \
  BandParam(b, 0), BandParam(b, 1), BandParam(b, 2), BandParam(b, 3), BandParam(b, 4),      \
      BandParam(b, 5), BandParam(b, 6), BandParam(b, 7), BandParam(b, 8), BandParam(b, 9)


bool IsBandThreshold(std::uint32_t param) {
  return param < 4 * kMbdynParamsPerBand && param % kMbdynParamsPerBand == kMbdynParamThreshold;
}

int BandIndex(std::int32_t band) { return std::min(std::max(band, 1), kMbdynBands) - 1; }

}  // namespace

const AutomationParamDesc kMbdynAutomation[kMbdynParamCount] = {
    ORLOFX_MBDYN_BAND(0),
    ORLOFX_MBDYN_BAND(1),
    ORLOFX_MBDYN_BAND(2),
    ORLOFX_MBDYN_BAND(3),
    Switch(offsetof(MbdynParams, syncStereo), sid::kParamStereoSyncChannels),
    Float(-25.0f, 25.0f, 0.0f, -250, 250, offsetof(MbdynParams, outputGain),
          sid::kParamOutputGain, sid::kUnitDecibels),
    Switch(offsetof(MbdynParams, bypass), sid::kParamBypass),
};

#undef ORLOFX_MBDYN_BAND

CAkMbdynTransform::CAkMbdynTransform()
    : EffectProcessor(4), AutomationParams(kMbdynAutomation, kMbdynParamCount) {
  for (int b = 0; b < kMbdynBands; ++b) meterLevel_[b] = meterPeak_[b] = captured_[b] = kMeterFloor;
}

CAkMbdynTransform::~CAkMbdynTransform() = default;

// --- settings -------------------------------------------------------------------

void CAkMbdynTransform::MarkChanged() {
  ScopedLock lock(paramLock_);
  changed_ = true;
  dirty_ = true;
}

MbdynParams CAkMbdynTransform::Snapshot(bool clearChanged) const {
  MbdynParams p;
  {
    ScopedLock lock(paramLock_);
    p = props_;
    if (clearChanged) const_cast<CAkMbdynTransform*>(this)->changed_ = false;
  }
  // The automation lock is taken only after the parameter lock is released.
  GetAllProps(&p, sizeof p);
  return p;
}

HResult CAkMbdynTransform::GetAllSettings(MbdynParams* props) const {
  if (!props) return kPointer;
  *props = Snapshot(false);
  return kOk;
}

HResult CAkMbdynTransform::SetAllSettings(const MbdynParams* props) {
  if (!props) return kPointer;
  const MbdynParams c = ClampMbdynParams(*props);
  SetAllProps(&c, sizeof c);
  bool captureChanged;
  {
    ScopedLock lock(paramLock_);
    std::copy(std::begin(props->display), std::end(props->display), std::begin(props_.display));
    props_.enableMeters = c.enableMeters;
    captureChanged = props_.captureThreshold != c.captureThreshold;
    props_.captureThreshold = c.captureThreshold;
    changed_ = true;
    dirty_ = true;
  }
  if (captureChanged)
    for (int b = 0; b < kMbdynBands; ++b)
      SetNotify(b * kMbdynParamsPerBand + kMbdynParamThreshold, c.captureThreshold == 0);
  return kOk;
}

HResult CAkMbdynTransform::GetEnableMeters(std::int32_t* value) const {
  if (!value) return kPointer;
  ScopedLock lock(paramLock_);
  *value = props_.enableMeters;
  return kOk;
}

HResult CAkMbdynTransform::SetEnableMeters(std::int32_t value) {
  const std::int32_t v = value != 0 ? 1 : 0;
  ScopedLock lock(paramLock_);
  if (props_.enableMeters != v) {
    props_.enableMeters = v;
    changed_ = true;
    dirty_ = true;
  }
  return kOk;
}

HResult CAkMbdynTransform::GetCaptureThreshold(std::int32_t* value) const {
  if (!value) return kPointer;
  ScopedLock lock(paramLock_);
  *value = props_.captureThreshold;
  return kOk;
}

HResult CAkMbdynTransform::SetCaptureThreshold(std::int32_t value) {
  const std::int32_t v = value != 0 ? 1 : 0;
  {
    ScopedLock lock(paramLock_);
    if (props_.captureThreshold == v) return kOk;
    props_.captureThreshold = v;
  }
  for (int b = 0; b < kMbdynBands; ++b)
    SetNotify(b * kMbdynParamsPerBand + kMbdynParamThreshold, v == 0);
  MarkChanged();
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
  *value = props_.display[4 * group + BandIndex(band)];
  return kOk;
}

HResult CAkMbdynTransform::SetDisplayWord(int group, std::int32_t band, std::int32_t value) {
  if (group != 0 && group != 1) return kInvalidArg;
  ScopedLock lock(paramLock_);
  props_.display[4 * group + BandIndex(band)] = value;
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
  const MbdynParams p = Snapshot(false);
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
  const HResult hr = AutomationParams::SetParam(index, value);
  if (hr == kOk) {
    MarkChanged();
    Notify(kMbdynNotifyAutomationSet);
  }
  return hr;
}

void CAkMbdynTransform::OnAutomationChanged(std::uint32_t /*flags*/) {
  // Envelope playback is not an edit: the record is re-read, not dirtied.
  ScopedLock lock(paramLock_);
  changed_ = true;
}

HResult CAkMbdynTransform::GetFields(std::int32_t* fields) const {
  if (!fields) return kPointer;
  ParamsToFields(Snapshot(false), fields);
  return kOk;
}

HResult CAkMbdynTransform::SetFields(const std::int32_t* fields) {
  if (!fields) return kPointer;
  const MbdynParams p = ParamsFromFields<MbdynParams>(fields);
  return SetAllSettings(&p);
}

int CAkMbdynTransform::PresetNameId(int index) const {
  return index >= 0 && index < kMbdynPresetCount ? kMbdynPresets[index].nameId : 0;
}

void CAkMbdynTransform::PresetFields(int index, std::int32_t* fields) const {
  ParamsToFields(kMbdynPresets[index].body, fields);
}

// --- streaming ------------------------------------------------------------------

HResult CAkMbdynTransform::Prepare(const WaveFormat& in, const WaveFormat& out) {
  Release();
  const std::optional<SampleFormat> format = SampleFormatOf(in);
  // The writer works in the input's layout, so the output must match it.
  if (!format || !IsAcceptedFormat(in) || in.samplesPerSec == 0 || out.formatTag != in.formatTag ||
      out.bitsPerSample != in.bitsPerSample || out.channels != in.channels ||
      out.samplesPerSec != in.samplesPerSec)
    return kFail;

  format_ = *format;
  channelCount_ = in.channels;
  rate_ = in.samplesPerSec;
  const auto blockLength = static_cast<std::uint32_t>(rate_ * 0.02);
  HResult hr = frames_.Allocate(format_, channelCount_, blockLength, blockLength);
  if (Succeeded(hr)) hr = bands_.Allocate(frames_.FrameLength(), channelCount_);
  if (Failed(hr)) {
    frames_.Free();
    bands_.Free();
    return hr;
  }
  BeginStreaming(static_cast<double>(rate_));
  Rebuild(Snapshot(true), true);
  {
    ScopedLock lock(meterLock_);
    ringNext_ = ringCount_ = 0;
    for (int b = 0; b < kMbdynBands; ++b) meterLevel_[b] = kMeterFloor;
  }
  blockStart_ = 0;
  prepared_ = true;
  Notify(kMbdynNotifyStreamingStarted);
  return kOk;
}

void CAkMbdynTransform::Release() {
  frames_.Free();
  bands_.Free();
  if (!prepared_) return;
  prepared_ = false;
  ResetForStop();
  Notify(kMbdynNotifyStreamingStopped);
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
  const bool drain = call.Drain();
  bool changed;
  {
    ScopedLock lock(paramLock_);
    changed = changed_;
  }
  // A break in the stream: what was held belongs to the audio before it.
  if (call.Discontinuity())
    Rebuild(Snapshot(true), true);
  else if (changed)
    Rebuild(Snapshot(true), false);

  const unsigned char* src = call.in;
  unsigned char* dst = call.out;
  const std::uint32_t inCount = call.inCount;
  const std::uint32_t outCount = call.outCount;
  HResult hr;
  if (bypass_) {
    hr = frames_.RunBypass(src, inCount, dst, outCount, drain);
  } else if (frames_.WorkingPrecisionOf() == Precision::kDouble) {
    hr = frames_.Run<double>(src, inCount, dst, outCount, drain, nullptr,
                             [this](double* const* x, std::uint32_t n) { ProcessBlock(x, n); });
  } else {
    hr = frames_.Run<float>(src, inCount, dst, outCount, drain, nullptr,
                            [this](float* const* x, std::uint32_t n) { ProcessBlock(x, n); });
  }
  *consumed = frames_.Consumed();
  *produced = frames_.Produced();
  return hr;
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
  const MbdynParams p = ClampMbdynParams(Snapshot(false));
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

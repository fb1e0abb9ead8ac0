#include "framework/automation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace orlofx {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Entered marks of a stored segment: stored, evaluated inside, and passed
// with its end value applied.
constexpr std::uint32_t kSegmentStored = 0;
constexpr std::uint32_t kSegmentEntered = 1;
constexpr std::uint32_t kSegmentFinished = 2;

std::int64_t RoundTime(double units) { return static_cast<std::int64_t>(units + 0.5); }

float ClampToRange(const AutomationParamDesc& d, double v) {
  if (v < d.minimum) return d.minimum;
  if (v > d.maximum) return d.maximum;
  return static_cast<float>(v);
}

}  // namespace

SegmentPoint EvaluateSegment(const EnvelopeSegment& s, std::int64_t t) {
  const double d = static_cast<double>(s.end - s.start) / kTimeUnitsPerSecond;
  const double f = d > 0 ? (static_cast<double>(t - s.start) / kTimeUnitsPerSecond) / d : 0.0;
  const double start = s.startValue;
  const double D = static_cast<double>(s.endValue) - start;
  SegmentPoint p = {start, 0.0, 0.0};
  if (d <= 0) return p;
  switch (s.curve) {
    case kCurveLinear:
      p.value = start + D * f;
      p.slope = D / d;
      break;
    case kCurveSquare:
      p.value = start + D * f * f;
      p.slope = (2 * f + 1 / d) * D / d;
      p.curvature = 2 * D / (d * d);
      break;
    case kCurveInvSquare: {
      const double Dp = -D, fp = f - 1;
      p.value = s.endValue - D * (1 - f) * (1 - f);
      p.slope = (2 * fp + 1 / d) * Dp / d;
      p.curvature = 2 * Dp / (d * d);
      break;
    }
    case kCurveSine:
      // Half a cosine period: flat at both ends, steepest in the middle.
      p.value = start + D * (1 - std::cos(kPi * f)) / 2;
      p.slope = D * kPi * std::sin(kPi * f) / (2 * d);
      p.curvature = D * kPi * kPi * std::cos(kPi * f) / (2 * d * d);
      break;
    default:  // jump and anything unknown hold the start value
      break;
  }
  return p;
}

AutomationParams::AutomationParams(const AutomationParamDesc* table, std::uint32_t count)
    : table_(table), count_(count) {
  states_ = new (std::nothrow) State[count ? count : 1];
  if (!states_ || !table) {
    initResult_ = states_ ? kPointer : kOutOfMemory;
    delete[] states_;
    states_ = nullptr;
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) states_[i].value = table[i].neutral;
}

AutomationParams::~AutomationParams() { delete[] states_; }

const AutomationParamDesc* AutomationParams::Desc(std::uint32_t index) const {
  return ValidIndex(index) ? &table_[index] : nullptr;
}

void AutomationParams::SetListener(AutomationListener* listener) {
  ScopedLock hold(lock_);
  listener_ = listener;
}

AutomationListener* AutomationParams::CurrentListener() const {
  ScopedLock hold(lock_);
  return listener_;
}

// --- host operations ------------------------------------------------------------

HResult AutomationParams::GetParam(std::uint32_t index, float* value) const {
  if (!value) return kPointer;
  if (!ValidIndex(index)) return states_ ? kInvalidArg : kUnexpected;
  ScopedLock hold(lock_);
  *value = states_[index].value;
  return kOk;
}

HResult AutomationParams::SetParam(std::uint32_t index, float value) {
  if (!ValidIndex(index)) return states_ ? kInvalidArg : kUnexpected;
  const AutomationParamDesc& d = table_[index];
  ScopedLock hold(lock_);
  if (streaming_ && states_[index].inForce) return kFalse;
  if (!std::isfinite(value) || value < d.minimum || value > d.maximum) return kInvalidArg;
  return StoreValue(index, value) ? kOk : kFalse;
}

HResult AutomationParams::AddEnvelope(std::uint32_t index, std::uint32_t count,
                                      const EnvelopeSegment* segments) {
  if (!segments) return kPointer;
  if (!ValidIndex(index)) return states_ ? kInvalidArg : kUnexpected;
  if (count == 0) return kInvalidArg;
  // A host's values are untrusted: one bad segment refuses the whole call
  // before anything is touched.
  for (std::uint32_t i = 0; i < count; ++i) {
    const EnvelopeSegment& s = segments[i];
    if (!std::isfinite(s.startValue) || !std::isfinite(s.endValue) || s.end < s.start)
      return kInvalidArg;
  }
  ScopedLock hold(lock_);
  State& state = states_[index];
  for (std::uint32_t i = 0; i < count; ++i) {
    const EnvelopeSegment& s = segments[i];
    // An empty span is never in force; storing it would only blur the order.
    if (s.end == s.start) continue;
    RemoveOverlapping(state, s.start, s.end);
    std::size_t at = 0;
    while (at < state.envelope.size() && state.envelope[at].segment.start < s.start) ++at;
    try {
      state.envelope.insert(state.envelope.begin() + static_cast<std::ptrdiff_t>(at),
                            StoredSegment{s, kSegmentStored});
    } catch (const std::bad_alloc&) {
      return kOutOfMemory;
    }
  }
  return kOk;
}

void AutomationParams::RemoveOverlapping(State& state, std::int64_t start, std::int64_t end) {
  std::vector<StoredSegment>& env = state.envelope;
  std::size_t first = 0;
  while (first < env.size() && env[first].segment.end <= start) ++first;
  std::size_t last = first;
  while (last < env.size() && env[last].segment.start < end) ++last;
  env.erase(env.begin() + static_cast<std::ptrdiff_t>(first),
            env.begin() + static_cast<std::ptrdiff_t>(last));
}

HResult AutomationParams::FlushEnvelope(std::uint32_t index, std::int64_t start, std::int64_t end) {
  if (!states_) return kUnexpected;
  if (index != kAllParameters && index >= count_) return kInvalidArg;
  ScopedLock hold(lock_);
  for (std::uint32_t i = 0; i < count_; ++i)
    if (index == kAllParameters || index == i) RemoveOverlapping(states_[i], start, end);
  return kOk;
}

std::size_t AutomationParams::SegmentCount(std::uint32_t index) const {
  if (!ValidIndex(index)) return 0;
  ScopedLock hold(lock_);
  return states_[index].envelope.size();
}

bool AutomationParams::GetSegment(std::uint32_t index, std::size_t position,
                                  EnvelopeSegment* segment) const {
  if (!ValidIndex(index) || !segment) return false;
  ScopedLock hold(lock_);
  const std::vector<StoredSegment>& env = states_[index].envelope;
  if (position >= env.size()) return false;
  *segment = env[position].segment;
  return true;
}

// --- bridge to the record -----------------------------------------------------------

float AutomationParams::FromProperty(std::uint32_t index, const void* prop) const {
  const AutomationParamDesc& d = table_[index];
  double p;
  if (d.kind == PropertyKind::kScaledFloat) {
    float f;
    std::memcpy(&f, prop, sizeof f);
    p = f;
  } else {
    std::int32_t n;
    std::memcpy(&n, prop, sizeof n);
    p = n;
  }
  const double span = static_cast<double>(d.propertyMaximum) - d.propertyMinimum;
  const double v = span != 0 ? p * (static_cast<double>(d.maximum) - d.minimum) / span : d.minimum;
  return ClampToRange(d, std::isnan(v) ? d.minimum : v);
}

void AutomationParams::ToProperty(std::uint32_t index, float value, void* prop) const {
  const AutomationParamDesc& d = table_[index];
  const double range = static_cast<double>(d.maximum) - d.minimum;
  const double product =
      range != 0 ? value * (static_cast<double>(d.propertyMaximum) - d.propertyMinimum) / range
                 : 0.0;
  if (d.kind == PropertyKind::kScaledFloat) {
    const float f = static_cast<float>(product);
    std::memcpy(prop, &f, sizeof f);
    return;
  }
  double rounded = product > 0 ? product + 0.5 : product - 0.5;
  if (rounded > 2147483647.0) rounded = 2147483647.0;
  if (rounded < -2147483648.0) rounded = -2147483648.0;
  const std::int32_t n = static_cast<std::int32_t>(rounded);  // truncates toward zero
  std::memcpy(prop, &n, sizeof n);
}

bool AutomationParams::StoreValue(std::uint32_t index, float value) {
  State& s = states_[index];
  if (s.value == value) return false;
  s.value = value;
  return true;
}

void AutomationParams::ReportChange(std::uint32_t index, float value, bool bracket) {
  bool captured, notifyOff;
  AutomationListener* listener;
  {
    ScopedLock hold(lock_);
    captured = states_[index].captured;
    notifyOff = states_[index].notifyOff;
    listener = listener_;
  }
  if (!listener || notifyOff) return;
  const bool brackets = bracket && !captured;
  if (brackets) listener->ParamsBeginCapture(index);
  listener->ParamsChanged(index, value);
  if (brackets) listener->ParamsEndCapture(index);
}

int AutomationParams::SetPropValue(std::uint32_t index, const void* prop) {
  if (!ValidIndex(index) || !prop) return 1;
  const float value = FromProperty(index, prop);
  {
    ScopedLock hold(lock_);
    if (!StoreValue(index, value)) return 1;
  }
  ReportChange(index, value, true);
  return 0;
}

void AutomationParams::GetPropValue(std::uint32_t index, void* prop) const {
  if (!ValidIndex(index) || !prop) return;
  float value;
  {
    ScopedLock hold(lock_);
    value = states_[index].value;
  }
  ToProperty(index, value, prop);
}

std::int32_t AutomationParams::GetPropInt(std::uint32_t index) const {
  std::int32_t n = 0;
  if (ValidIndex(index) && table_[index].kind != PropertyKind::kScaledFloat) GetPropValue(index, &n);
  return n;
}

HResult AutomationParams::GetNormalizedValue(std::uint32_t index, float* normalized) const {
  if (!normalized) return kPointer;
  if (!ValidIndex(index)) return states_ ? kInvalidArg : kUnexpected;
  const AutomationParamDesc& d = table_[index];
  ScopedLock hold(lock_);
  const double range = static_cast<double>(d.maximum) - d.minimum;
  *normalized = range != 0 ? static_cast<float>((states_[index].value - d.minimum) / range) : 0.0f;
  return kOk;
}

HResult AutomationParams::SetNormalizedValue(std::uint32_t index, float normalized) {
  if (!ValidIndex(index)) return states_ ? kInvalidArg : kUnexpected;
  if (!std::isfinite(normalized)) return kInvalidArg;
  const AutomationParamDesc& d = table_[index];
  const double n = normalized < 0 ? 0.0 : (normalized > 1 ? 1.0 : normalized);
  const float value = ClampToRange(d, d.minimum + (static_cast<double>(d.maximum) - d.minimum) * n);
  {
    ScopedLock hold(lock_);
    if (!StoreValue(index, value)) return kFalse;
  }
  ReportChange(index, value, false);
  return kOk;
}

int AutomationParams::BeginCapture(std::uint32_t index) {
  if (!ValidIndex(index)) return 1;
  AutomationListener* listener;
  {
    ScopedLock hold(lock_);
    State& s = states_[index];
    if (s.captured) return 1;
    s.captured = true;
    listener = s.notifyOff ? nullptr : listener_;
  }
  if (listener) listener->ParamsBeginCapture(index);
  return 0;
}

int AutomationParams::EndCapture(std::uint32_t index) {
  if (!ValidIndex(index)) return 1;
  AutomationListener* listener;
  {
    ScopedLock hold(lock_);
    State& s = states_[index];
    if (!s.captured) return 1;
    s.captured = false;
    s.released = true;
    listener = s.notifyOff ? nullptr : listener_;
  }
  if (listener) listener->ParamsEndCapture(index);
  return 0;
}

bool AutomationParams::IsUserControlled(std::uint32_t index) const {
  if (!ValidIndex(index)) return false;
  ScopedLock hold(lock_);
  return !(streaming_ && states_[index].inForce);
}

HResult AutomationParams::SetNotify(std::uint32_t index, bool enable) {
  if (!states_) return kUnexpected;
  if (index != kAllParameters && index >= count_) return kInvalidArg;
  HResult result = kFalse;
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (index != kAllParameters && index != i) continue;
    if (!enable) EndCapture(i);
    ScopedLock hold(lock_);
    State& s = states_[i];
    result = s.notifyOff == !enable ? kFalse : kOk;
    s.notifyOff = !enable;
  }
  return result;
}

void AutomationParams::GetAllProps(void* record, std::size_t recordBytes) const {
  if (!states_ || !record) return;
  for (std::uint32_t i = 0; i < count_; ++i)
    if (table_[i].recordOffset + 4u <= recordBytes)
      GetPropValue(i, static_cast<unsigned char*>(record) + table_[i].recordOffset);
}

void AutomationParams::SetAllProps(const void* record, std::size_t recordBytes) {
  if (!states_ || !record) return;
  for (std::uint32_t i = 0; i < count_; ++i) BeginCapture(i);
  for (std::uint32_t i = 0; i < count_; ++i)
    if (table_[i].recordOffset + 4u <= recordBytes)
      SetPropValue(i, static_cast<const unsigned char*>(record) + table_[i].recordOffset);
  // Every capture ends, also one the user held before: the host sees one
  // closed bracket per parameter around the whole record.
  for (std::uint32_t i = 0; i < count_; ++i) {
    AutomationListener* listener;
    {
      ScopedLock hold(lock_);
      State& s = states_[i];
      s.captured = false;
      s.released = true;
      listener = s.notifyOff ? nullptr : listener_;
    }
    if (listener) listener->ParamsEndCapture(i);
  }
}

// --- streaming -------------------------------------------------------------------------

void AutomationParams::BeginStreaming(double sampleRate) {
  ScopedLock hold(lock_);
  streaming_ = true;
  seedTime_ = 0;
  position_ = 0;
  ForgetEnteredSegments();
  if (sampleRate > 0 && std::isfinite(sampleRate)) {
    samplesPerTimeUnit_ = sampleRate / kTimeUnitsPerSecond;
    timeUnitsPerSample_ = kTimeUnitsPerSecond / sampleRate;
  } else {
    samplesPerTimeUnit_ = timeUnitsPerSample_ = 0.0;
  }
}

void AutomationParams::ResetForStop() {
  ScopedLock hold(lock_);
  streaming_ = false;
  for (std::uint32_t i = 0; states_ && i < count_; ++i) states_[i].inForce = false;
}

bool AutomationParams::Streaming() const {
  ScopedLock hold(lock_);
  return streaming_;
}

std::int64_t AutomationParams::StreamTimeLocked() const {
  return seedTime_ + RoundTime(static_cast<double>(position_) * timeUnitsPerSample_);
}

std::int64_t AutomationParams::StreamTime() const {
  ScopedLock hold(lock_);
  return StreamTimeLocked();
}

void AutomationParams::SetStreamTime(std::int64_t time) {
  ScopedLock hold(lock_);
  seedTime_ = time;
  position_ = 0;
  ForgetEnteredSegments();
}

void AutomationParams::ForgetEnteredSegments() {
  // A replay or a seek may land in any segment again: each is entered anew.
  for (std::uint32_t i = 0; states_ && i < count_; ++i)
    for (StoredSegment& seg : states_[i].envelope) seg.entered = kSegmentStored;
}

void AutomationParams::GiveBack(std::uint32_t samples) {
  ScopedLock hold(lock_);
  position_ -= samples;
}

int AutomationParams::Evaluate(State& s, const AutomationParamDesc& d, std::int64_t t,
                               std::int64_t* timeToEnd) {
  s.inForce = false;
  // The user holds it: it is the user's, not the envelope's, until released.
  if (s.captured) return 0;
  const std::vector<StoredSegment>& env = s.envelope;
  const std::size_t n = env.size();
  int result = 0;
  if (n == 0) {
    if (s.slope != 0 || s.curvature != 0) {
      s.slope = s.curvature = 0;
      result = kEvalChanged;
    }
  } else {
    // j = the last segment starting at or before t (n when none), found from
    // the remembered one: steady playback needs one step.
    std::size_t j = s.cursor < n ? s.cursor : 0;
    if (env[j].segment.start <= t) {
      while (j + 1 < n && env[j + 1].segment.start <= t) ++j;
    } else {
      while (j > 0 && env[j].segment.start > t) --j;
      if (env[j].segment.start > t) j = n;
    }
    if (j < n && t < env[j].segment.end) {
      StoredSegment& seg = s.envelope[j];
      s.cursor = j;
      *timeToEnd = seg.segment.end - t;
      s.inForce = true;
      const SegmentPoint p = EvaluateSegment(seg.segment, t);
      const float value = ClampToRange(d, p.value);
      // Held values are reported once, and again whenever the value in
      // force is not theirs (a user's edit in between).
      const bool steady = seg.entered != kSegmentStored && p.slope == 0 && p.curvature == 0 &&
                          value == s.value;
      seg.entered = kSegmentEntered;
      s.value = value;
      s.slope = p.slope;
      s.curvature = p.curvature;
      result = kEvalTimeLimit | (steady ? 0 : kEvalChanged);
    } else {
      s.cursor = j < n ? j : 0;
      if (s.slope != 0 || s.curvature != 0) result = kEvalChanged;
      s.slope = s.curvature = 0;
      // Leaving a segment lands on its end value, so a ramp ends where the
      // host asked and not at its last 20 ms evaluation.
      if (j < n && env[j].entered == kSegmentEntered) {
        StoredSegment& seg = s.envelope[j];
        seg.entered = kSegmentFinished;
        s.value = ClampToRange(d, seg.segment.endValue);
        result = kEvalChanged;
      }
      // The next segment's start is a change point too.
      const std::size_t next = j < n ? j + 1 : 0;
      if (next < n) {
        *timeToEnd = env[next].segment.start - t;
        result |= kEvalTimeLimit;
      }
    }
  }
  if (result & kEvalChanged) {
    s.released = false;
  } else if (!s.inForce && s.released) {
    s.released = false;
    result |= kEvalChanged;
  }
  return result;
}

std::uint32_t AutomationParams::UpdateForBlock(std::uint32_t samples, std::uint32_t* changeFlags) {
  std::uint32_t flags = 0;
  std::uint32_t result = samples;
  {
    ScopedLock hold(lock_);
    if (!states_ || timeUnitsPerSample_ <= 0) return samples;
    const std::int64_t t = StreamTimeLocked();
    std::int64_t limit = RoundTime(samples * timeUnitsPerSample_);
    bool anySegment = false;
    for (std::uint32_t i = 0; i < count_; ++i) {
      anySegment = anySegment || !states_[i].envelope.empty();
      std::int64_t toEnd = 0;
      const int r = Evaluate(states_[i], table_[i], t, &toEnd);
      if ((r & kEvalTimeLimit) && toEnd < limit) limit = toEnd;
      if (r & kEvalChanged) flags |= table_[i].changeMask;
    }
    if (!anySegment) {
      // Nothing can change inside the block: it is one stretch.
      position_ += samples;
      if (changeFlags) *changeFlags |= flags;
      return samples;
    }
    if (limit > kMaxStretchTime) limit = kMaxStretchTime;
    std::int64_t stretch = RoundTime(static_cast<double>(limit) * samplesPerTimeUnit_);
    if (stretch < 1) stretch = 1;  // a change closer than one sample still waits for one
    if (samples > 0 && stretch > samples) stretch = samples;
    result = static_cast<std::uint32_t>(stretch);
    // The stream time follows the samples handed out, so rounding of one
    // stretch never piles up over a long stream.
    position_ += result;
  }
  if (changeFlags) *changeFlags |= flags;
  return result;
}

HResult ProcessInStretches(EffectProcessor& fx, AutomationParams* automation, int mode,
                           const void* in, std::uint32_t* inFrames, void* out,
                           std::uint32_t* outFrames) {
  if (!automation || mode == kProcessDrain || !inFrames || *inFrames == 0)
    return fx.Process(mode, in, inFrames, out, outFrames);
  std::uint32_t flags = 0;
  const std::uint32_t granted = automation->UpdateForBlock(*inFrames, &flags);
  if (flags) automation->OnAutomationChanged(flags);
  std::uint32_t offered = granted < *inFrames ? granted : *inFrames;
  const HResult hr = fx.Process(mode, in, &offered, out, outFrames);
  if (Failed(hr)) offered = 0;
  if (offered < granted) automation->GiveBack(granted - offered);
  *inFrames = offered;
  return hr;
}

HResult AutomationParams::GetParamProp(std::uint32_t param, std::int32_t* value) const {
  if (!value) return kPointer;
  if (!Desc(param)) return kInvalidArg;
  *value = GetPropInt(param);
  return kOk;
}

HResult AutomationParams::SetParamProp(std::uint32_t param, std::int32_t value) {
  const AutomationParamDesc* d = Desc(param);
  if (!d) return kInvalidArg;
  const std::int32_t clamped = std::min(std::max(value, d->propertyMinimum), d->propertyMaximum);
  if (SetPropInt(param, clamped) == 0) OnPropertyEdited();
  return kOk;
}

HResult AutomationParams::BeginParamEdit(std::uint32_t param) {
  if (!Desc(param)) return kInvalidArg;
  BeginCapture(param);
  return kOk;
}

HResult AutomationParams::EndParamEdit(std::uint32_t param) {
  if (!Desc(param)) return kInvalidArg;
  EndCapture(param);
  OnPropertyEdited();
  return kOk;
}

HResult AutomationParams::IsParamEditable(std::uint32_t param) const {
  if (!Desc(param)) return kInvalidArg;
  return IsUserControlled(param) ? kOk : kFalse;
}

}  // namespace orlofx

#include "effects/pgeq/pgeq_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orlofx {

namespace {

// Memories below 2^-32 are flushed to zero, so a decaying section never
// reaches the slow denormal range. A memory that is not finite (a NaN or an
// infinity in the input) is dropped as well: kept, it would silence the
// section for the rest of the stream.
constexpr double kFlushBelow = 2.3283064365386963e-10;  // 2^-32
constexpr double kLargest = std::numeric_limits<double>::max();

inline double Flush(double y) {
  const double a = std::fabs(y);
  return a >= kFlushBelow && a <= kLargest ? y : 0.0;  // false for NaN
}

// A memory at or below this counts as quiet for the drain of the float
// interface.
constexpr double kQuietLevel = 1e-5;

template <SampleFormat F>
inline double Load(const unsigned char* p) {
  if constexpr (F == SampleFormat::kPcm16) {
    return static_cast<double>(sample_io::Load<std::int16_t>(p));  // raw units
  } else {
    return ReadSample<double>(F, p);
  }
}

template <SampleFormat F>
inline void Store(unsigned char* p, double y) {
  if constexpr (F == SampleFormat::kPcm16) {
    // Truncated toward zero, not rounded.
    double v = y == y ? std::trunc(y) : 0.0;
    v = std::min(std::max(v, -32768.0), 32767.0);
    sample_io::Store(p, static_cast<std::int16_t>(v));
  } else {
    WriteSample<double>(F, y, p);
  }
}

}  // namespace

CAkPgeqTransform::CAkPgeqTransform() : EffectProcessor(2) {}

CAkPgeqTransform::~CAkPgeqTransform() = default;

// --- settings -----------------------------------------------------------------

HResult CAkPgeqTransform::GetParams(PgeqParams* params) const {
  if (!params) return kPointer;
  ScopedLock lock(paramLock_);
  *params = params_;
  return kOk;
}

HResult CAkPgeqTransform::SetParams(const PgeqParams* params) {
  if (!params) return kPointer;
  ScopedLock lock(paramLock_);
  params_ = ClampPgeqParams(*params);
  changed_ = true;
  dirty_ = true;
  return kOk;
}

HResult CAkPgeqTransform::GetField(std::int32_t PgeqParams::*field, std::int32_t* value) const {
  if (!value) return kPointer;
  ScopedLock lock(paramLock_);
  *value = params_.*field;
  return kOk;
}

HResult CAkPgeqTransform::SetField(std::int32_t PgeqParams::*field, PgeqField index,
                                   std::int32_t value) {
  const std::int32_t clamped = Clamp(kPgeqParameters.items[index], value);
  ScopedLock lock(paramLock_);
  if (params_.*field != clamped) {
    params_.*field = clamped;
    changed_ = true;
    dirty_ = true;
  }
  return kOk;
}

HResult CAkPgeqTransform::GetBandField(std::int32_t (PgeqParams::*field)[kPgeqBands], int band,
                                       std::int32_t* value) const {
  if (!value) return kPointer;
  if (band < 0 || band >= kPgeqBands) return kInvalidArg;
  ScopedLock lock(paramLock_);
  *value = (params_.*field)[band];
  return kOk;
}

HResult CAkPgeqTransform::SetBandField(std::int32_t (PgeqParams::*field)[kPgeqBands],
                                       PgeqField first, int band, std::int32_t value) {
  if (band < 0 || band >= kPgeqBands) return kInvalidArg;
  const std::int32_t clamped = Clamp(kPgeqParameters.items[first + band], value);
  ScopedLock lock(paramLock_);
  std::int32_t& slot = (params_.*field)[band];
  if (slot != clamped) {
    slot = clamped;
    changed_ = true;
    dirty_ = true;
  }
  return kOk;
}

HResult CAkPgeqTransform::GetDryOut(std::int32_t* v) const { return GetField(&PgeqParams::dryOut, v); }
HResult CAkPgeqTransform::SetDryOut(std::int32_t v) {
  return SetField(&PgeqParams::dryOut, kPgeqDryOut, v);
}
HResult CAkPgeqTransform::GetWetOut(std::int32_t* v) const { return GetField(&PgeqParams::wetOut, v); }
HResult CAkPgeqTransform::SetWetOut(std::int32_t v) {
  return SetField(&PgeqParams::wetOut, kPgeqWetOut, v);
}
HResult CAkPgeqTransform::GetBandGain(int band, std::int32_t* v) const {
  return GetBandField(&PgeqParams::gain, band, v);
}
HResult CAkPgeqTransform::SetBandGain(int band, std::int32_t v) {
  return SetBandField(&PgeqParams::gain, kPgeqGain1, band, v);
}
HResult CAkPgeqTransform::GetBandWidth(int band, std::int32_t* v) const {
  return GetBandField(&PgeqParams::width, band, v);
}
HResult CAkPgeqTransform::SetBandWidth(int band, std::int32_t v) {
  return SetBandField(&PgeqParams::width, kPgeqWidth1, band, v);
}
HResult CAkPgeqTransform::GetBandCenter(int band, std::int32_t* v) const {
  return GetBandField(&PgeqParams::center, band, v);
}
HResult CAkPgeqTransform::SetBandCenter(int band, std::int32_t v) {
  return SetBandField(&PgeqParams::center, kPgeqCenter1, band, v);
}
HResult CAkPgeqTransform::GetLowShelfEnable(std::int32_t* v) const {
  return GetField(&PgeqParams::lowShelfEnable, v);
}
HResult CAkPgeqTransform::SetLowShelfEnable(std::int32_t v) {
  return SetField(&PgeqParams::lowShelfEnable, kPgeqLowShelfEnable, v);
}
HResult CAkPgeqTransform::GetHighShelfEnable(std::int32_t* v) const {
  return GetField(&PgeqParams::highShelfEnable, v);
}
HResult CAkPgeqTransform::SetHighShelfEnable(std::int32_t v) {
  return SetField(&PgeqParams::highShelfEnable, kPgeqHighShelfEnable, v);
}
HResult CAkPgeqTransform::GetLowShelfFrequency(std::int32_t* v) const {
  return GetField(&PgeqParams::lowShelfFrequency, v);
}
HResult CAkPgeqTransform::SetLowShelfFrequency(std::int32_t v) {
  return SetField(&PgeqParams::lowShelfFrequency, kPgeqLowShelfFrequency, v);
}
HResult CAkPgeqTransform::GetHighShelfFrequency(std::int32_t* v) const {
  return GetField(&PgeqParams::highShelfFrequency, v);
}
HResult CAkPgeqTransform::SetHighShelfFrequency(std::int32_t v) {
  return SetField(&PgeqParams::highShelfFrequency, kPgeqHighShelfFrequency, v);
}
HResult CAkPgeqTransform::GetLowShelfGain(std::int32_t* v) const {
  return GetField(&PgeqParams::lowShelfGain, v);
}
HResult CAkPgeqTransform::SetLowShelfGain(std::int32_t v) {
  return SetField(&PgeqParams::lowShelfGain, kPgeqLowShelfGain, v);
}
HResult CAkPgeqTransform::GetHighShelfGain(std::int32_t* v) const {
  return GetField(&PgeqParams::highShelfGain, v);
}
HResult CAkPgeqTransform::SetHighShelfGain(std::int32_t v) {
  return SetField(&PgeqParams::highShelfGain, kPgeqHighShelfGain, v);
}
HResult CAkPgeqTransform::GetHighlightBand(std::int32_t* v) const {
  return GetField(&PgeqParams::highlightBand, v);
}
HResult CAkPgeqTransform::SetHighlightBand(std::int32_t v) {
  const std::uint32_t asUnsigned = static_cast<std::uint32_t>(v);
  const std::int32_t stored = static_cast<std::int32_t>(
      std::min<std::uint32_t>(asUnsigned, static_cast<std::uint32_t>(kPgeqNoHighlight)));
  ScopedLock lock(paramLock_);
  if (params_.highlightBand != stored) {
    params_.highlightBand = stored;
    changed_ = true;
    dirty_ = true;
  }
  return kOk;
}

HResult CAkPgeqTransform::GetFields(std::int32_t* fields) const {
  if (!fields) return kPointer;
  PgeqParams p;
  GetParams(&p);
  ParamsToFields(p, fields);
  return kOk;
}

HResult CAkPgeqTransform::SetFields(const std::int32_t* fields) {
  if (!fields) return kPointer;
  PgeqParams p = ParamsFromFields<PgeqParams>(fields);
  return SetParams(&p);
}

int CAkPgeqTransform::PresetNameId(int index) const {
  return index >= 0 && index < kPgeqPresetCount ? kPgeqPresets[index].nameId : 0;
}

void CAkPgeqTransform::PresetFields(int index, std::int32_t* fields) const {
  ParamsToFields(kPgeqPresets[index].body, fields);
}

// --- stream set-up ------------------------------------------------------------

HResult CAkPgeqTransform::Prepare(const WaveFormat& in, const WaveFormat& out) {
  // One buffer serves as input and output, so both sides must agree.
  if (out.formatTag != in.formatTag || out.bitsPerSample != in.bitsPerSample ||
      out.channels != in.channels || out.samplesPerSec != in.samplesPerSec)
    return kFail;
  return Start(in);
}

HResult CAkPgeqTransform::Start(const WaveFormat& format) {
  prepared_ = false;
  const std::optional<SampleFormat> sample = SampleFormatOf(format);
  if (!sample || !IsAcceptedFormat(format) || format.samplesPerSec == 0) return kFail;
  format_ = *sample;
  channelCount_ = format.channels;
  rate_ = format.samplesPerSec;

  PgeqParams snapshot;
  bool changed;
  TakeSnapshot(&snapshot, &changed);
  Design(snapshot, true);
  ranSinceStart_ = false;
  quiet_ = false;
  prepared_ = true;
  return kOk;
}

void CAkPgeqTransform::Release() { prepared_ = false; }

HResult CAkPgeqTransform::Init(int channels, std::uint32_t rate) {
  WaveFormat f{};
  f.formatTag = kWaveFormatIeeeFloat;
  f.channels = static_cast<std::uint16_t>(channels);
  f.samplesPerSec = rate;
  f.bitsPerSample = 32;
  f = Normalised(f);
  SetFormats(&f, &f);
  return Start(f);
}

void CAkPgeqTransform::Stop() { Release(); }

bool CAkPgeqTransform::IsChanged() const {
  ScopedLock lock(paramLock_);
  return changed_;
}

HResult CAkPgeqTransform::Update(bool reset) {
  PgeqParams snapshot;
  bool changed;
  TakeSnapshot(&snapshot, &changed);
  if (!changed && !reset) return kFalse;
  Design(snapshot, reset);
  return kOk;
}

void CAkPgeqTransform::TakeSnapshot(PgeqParams* snapshot, bool* changed) {
  ScopedLock lock(paramLock_);
  *snapshot = params_;
  *changed = changed_;
  changed_ = false;
}

void CAkPgeqTransform::Design(const PgeqParams& snapshot, bool clearMemory) {
  // The record is clamped by every setter; clamping again covers the zeroed
  // record of a processor no preset has been applied to yet.
  const PgeqParams p = ClampPgeqParams(snapshot);
  const double rate = rate_ > 0 ? static_cast<double>(rate_) : 44100.0;

  wet_ = std::pow(10.0, p.wetOut / 200.0);
  dry_ = p.dryOut == kPgeqLevelFloor ? 0.0 : std::pow(10.0, p.dryOut / 200.0);

  const PgeqCorrectionTable table;
  PgeqBandBlock designed{};
  int slot = 0;
  for (int k = 0; k < kPgeqBands; ++k) {
    if (p.gain[k] == 0) continue;  // a band at 0 dB is off and takes no slot
    DesignBand(table, p.gain[k], p.width[k], p.center[k] / rate, &designed.slots[slot]);
    ++slot;
  }
  activeBands_ = slot;

  PgeqShelfBlock shelves;
  DesignShelves(p, rate, &shelves);

  // Every channel runs channel 0's coefficients. The band memories stay with
  // their slot and channel unless cleared: a channel must not continue from
  // another channel's history. Unused slots hold no memory.
  for (ChannelState& ch : channels_) {
    for (int s = 0; s < kPgeqBands; ++s) {
      PgeqBandSlot& target = ch.bands.slots[s];
      const bool keep = !clearMemory && s < activeBands_;
      const double y1 = keep ? target.y1 : 0.0;
      const double y2 = keep ? target.y2 : 0.0;
      target = designed.slots[s];
      target.y1 = y1;
      target.y2 = y2;
    }
    ch.shelves = shelves;
  }
  designValid_ = true;
}

// --- processing -----------------------------------------------------------------

HResult CAkPgeqTransform::Process(int mode, const void* in, std::uint32_t* inFrames, void* out,
                                  std::uint32_t* outFrames) {
  auto report = [&](std::uint32_t consumed, std::uint32_t produced) {
    if (inFrames) *inFrames = consumed;
    if (outFrames) *outFrames = produced;
  };
  if (mode != kProcessDiscontinuity && mode != kProcessOrdinary && mode != kProcessDrain) {
    report(0, 0);
    return kInvalidArg;
  }
  if (!prepared_) {
    report(0, 0);
    return kUnexpected;
  }
  // Nothing is ever held back.
  if (mode == kProcessDrain) {
    report(0, 0);
    return kProcessFinished;
  }
  const std::uint32_t offered = inFrames ? *inFrames : 0;
  const std::uint32_t room = outFrames ? *outFrames : 0;
  const std::uint32_t frames = std::min(offered, room);
  if (frames > 0 && (!in || !out)) {
    report(0, 0);
    return kPointer;
  }
  RunBuffer(static_cast<const unsigned char*>(in), static_cast<unsigned char*>(out), frames,
            mode == kProcessDiscontinuity);
  report(frames, frames);
  return kProcessProgress;
}

HResult CAkPgeqTransform::ProcessFloat(float* samples, std::uint32_t frames, bool drain) {
  if (!prepared_ || format_ != SampleFormat::kFloat32) return kUnexpected;
  if (drain && quiet_) return kProcessFinished;
  if (frames > 0 && !samples) return kPointer;
  auto* bytes = reinterpret_cast<unsigned char*>(samples);
  RunBuffer(bytes, bytes, frames, false);
  return kOk;
}

void CAkPgeqTransform::RunBuffer(const unsigned char* in, unsigned char* out,
                                 std::uint32_t frames, bool discontinuity) {
  PgeqParams snapshot;
  bool changed;
  TakeSnapshot(&snapshot, &changed);
  // The first buffer of a stream usually carries the mark; the stream start
  // has just designed with clear memories, so it needs nothing more.
  const bool breakInStream = discontinuity && ranSinceStart_;
  if (changed || !designValid_ || breakInStream) Design(snapshot, discontinuity);
  ranSinceStart_ = true;
  if (frames == 0) return;

  bool allQuiet = true;
  for (int c = 0; c < channelCount_; ++c) {
    ChannelState& state = channels_[c];
    bool quiet = false;
    switch (format_) {
      case SampleFormat::kPcm8:
        quiet = RunChannel<SampleFormat::kPcm8>(state, in, out, frames, c);
        break;
      case SampleFormat::kPcm16:
        quiet = RunChannel<SampleFormat::kPcm16>(state, in, out, frames, c);
        break;
      case SampleFormat::kPcm32:
        quiet = RunChannel<SampleFormat::kPcm32>(state, in, out, frames, c);
        break;
      case SampleFormat::kFloat32:
        quiet = RunChannel<SampleFormat::kFloat32>(state, in, out, frames, c);
        break;
      case SampleFormat::kFloat64:
        quiet = RunChannel<SampleFormat::kFloat64>(state, in, out, frames, c);
        break;
    }
    allQuiet = allQuiet && quiet;
  }
  // Only 32-bit float buffers are watched; the drain asks about the latest
  // buffer, so a quiet stretch earlier in the stream does not cut a tail.
  quiet_ = format_ == SampleFormat::kFloat32 && allQuiet;
}

inline double CAkPgeqTransform::Filter(ChannelState& s, double x) const {
  for (int k = 0; k < activeBands_; ++k) {
    PgeqBandSlot& b = s.bands.slots[k];
    const double y = Flush(b.b * x + b.a1 * b.y1 - b.a2 * b.y2);
    x += b.g * (y - b.y1);
    b.y2 = b.y1;
    b.y1 = y;
  }
  if (s.shelves.lowType != kPgeqShelfOff) {
    const bool boost = s.shelves.lowType == kPgeqShelfBoost;
    for (PgeqLowShelfStage& st : s.shelves.low) {
      const double y = Flush(st.b * x + st.a1 * st.y1 - st.a2 * st.y2);
      st.y2 = st.y1;
      st.y1 = y;
      x = boost ? st.c0 * x + st.c1 * y : st.c0 * x + st.c1 * (x - y);
    }
  }
  if (s.shelves.highType != kPgeqShelfOff) {
    for (PgeqHighShelfStage& st : s.shelves.high) {
      const double y = Flush(st.corr * x + st.a1 * st.y1 - st.a2 * st.y2);
      const double e = y - 2.0 * st.y1 + st.y2;
      st.y2 = st.y1;
      st.y1 = y;
      x = st.c0 * x + st.c1 * e;
    }
  }
  return x;
}

// Runs one channel of the interleaved buffer; for 32-bit float, says whether
// every watched memory stayed quiet after every sample.
template <SampleFormat F>
bool CAkPgeqTransform::RunChannel(ChannelState& state, const unsigned char* in,
                                  unsigned char* out, std::uint32_t frames, int channel) {
  constexpr std::size_t kSampleBytes = static_cast<std::size_t>(BytesPerSample(F));
  const std::size_t stride = kSampleBytes * static_cast<std::size_t>(channelCount_);
  const unsigned char* src = in + kSampleBytes * static_cast<std::size_t>(channel);
  unsigned char* dst = out + kSampleBytes * static_cast<std::size_t>(channel);
  const double wet = wet_;
  const double dry = dry_;
  bool quiet = true;
  for (std::uint32_t i = 0; i < frames; ++i, src += stride, dst += stride) {
    const double input = Load<F>(src);
    const double x = Filter(state, input);
    Store<F>(dst, x * wet + input * dry);
    if constexpr (F == SampleFormat::kFloat32) {
      const PgeqBandSlot& first = state.bands.slots[0];
      const PgeqShelfBlock& sh = state.shelves;
      // A negative memory counts as quiet, as the test has always read.
      quiet = quiet && first.y1 <= kQuietLevel && first.y2 <= kQuietLevel &&
              sh.low[0].y1 <= kQuietLevel && sh.low[0].y2 <= kQuietLevel &&
              sh.low[1].y1 <= kQuietLevel && sh.low[1].y2 <= kQuietLevel &&
              sh.high[0].y1 <= kQuietLevel && sh.high[0].y2 <= kQuietLevel &&
              sh.high[1].y1 <= kQuietLevel && sh.high[1].y2 <= kQuietLevel;
    }
  }
  return quiet;
}

}  // namespace orlofx

#include "effects/pgeq/pgeq_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/float_environment.h"

namespace orlofx {

namespace {

// The fade from the old design to the new one after a change while audio
// plays: long enough to hide the switch, short enough to follow a slider.
constexpr double kFadeSeconds = 0.01;

// Whether two records sound alike: all but the highlighted band, which only
// the page reads.
bool SameSound(const PgeqParams& a, const PgeqParams& b) {
  PgeqParams x = a, y = b;
  x.highlightBand = y.highlightBand = 0;
  return std::memcmp(&x, &y, sizeof x) == 0;
}

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

CAkPgeqTransform::CAkPgeqTransform()
    : EffectSettings(2,
                     {kPgeqParameters, kPgeqRecord, kPgeqPresets, kPgeqPresetCount, ClampPgeqParams},
                     FrameRule::kInPlace) {}

CAkPgeqTransform::~CAkPgeqTransform() = default;

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

  const PgeqParams snapshot = TakeSnapshot();
  Restart(snapshot);
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

HResult CAkPgeqTransform::Update(bool reset) {
  bool changed;
  const PgeqParams snapshot = TakeSnapshot(&changed);
  if (!changed && !reset) return kFalse;
  if (reset) {
    Restart(snapshot);
  } else {
    Change(snapshot);
  }
  return kOk;
}

void CAkPgeqTransform::Design(const PgeqParams& snapshot, bool clearMemory) {
  // The record is clamped by every setter; clamping again covers the zeroed
  // record of a processor no preset has been applied to yet.
  const PgeqParams p = ClampPgeqParams(snapshot);
  const double rate = rate_ > 0 ? static_cast<double>(rate_) : 44100.0;

  PgeqChain next{};
  next.wet = std::pow(10.0, p.wetOut / 200.0);
  next.dry = p.dryOut == kPgeqLevelFloor ? 0.0 : std::pow(10.0, p.dryOut / 200.0);

  const PgeqCorrectionTable table;
  PgeqChannelState& designed = next.channels[0];
  int slot = 0;
  for (int k = 0; k < kPgeqBands; ++k) {
    if (p.gain[k] == 0) continue;  // a band at 0 dB is off and takes no slot
    DesignBand(table, p.gain[k], p.width[k], p.center[k] / rate, &designed.bands.slots[slot]);
    next.slotBand[slot] = k;
    ++slot;
  }
  next.activeBands = slot;
  DesignShelves(p, rate, &designed.shelves);

  // Every channel runs channel 0's coefficients, with its own memories: a
  // channel must not continue from another channel's history.
  next.channels[1] = next.channels[0];
  if (!clearMemory) CarryPgeqMemories(chain_, &next);
  chain_ = next;
  designed_ = snapshot;
  designValid_ = true;
}

void CAkPgeqTransform::Restart(const PgeqParams& snapshot) {
  Design(snapshot, true);
  changePending_ = false;
  fadeLength_ = 0;
  playing_ = false;
}

void CAkPgeqTransform::Change(const PgeqParams& snapshot) {
  pending_ = snapshot;
  changePending_ = true;
  ApplyPendingChange();
}

void CAkPgeqTransform::ApplyPendingChange() {
  if (!changePending_ || Fading()) return;
  changePending_ = false;
  if (SameSound(pending_, designed_)) return;
  if (playing_) {
    fadingOut_ = chain_;
    fadeLength_ = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(rate_ * kFadeSeconds));
    fadePosition_ = 0;
  }
  Design(pending_, false);
}

// --- processing -----------------------------------------------------------------

HResult CAkPgeqTransform::Render(const ProcessCall& call, std::uint32_t* consumed,
                                 std::uint32_t* produced) {
  RunBuffer(call.in, call.out, call.inCount, call.Discontinuity());
  *consumed = *produced = call.inCount;
  return kProcessProgress;
}

HResult CAkPgeqTransform::ProcessFloat(float* samples, std::uint32_t frames, bool drain) {
  ScopedFlushSubnormals flush;
  if (!prepared_ || format_ != SampleFormat::kFloat32) return kUnexpected;
  if (drain && quiet_) return kProcessFinished;
  if (frames > 0 && !samples) return kPointer;
  auto* bytes = reinterpret_cast<unsigned char*>(samples);
  RunBuffer(bytes, bytes, frames, false);
  return kOk;
}

void CAkPgeqTransform::RunBuffer(const unsigned char* in, unsigned char* out,
                                 std::uint32_t frames, bool discontinuity) {
  bool changed;
  const PgeqParams snapshot = TakeSnapshot(&changed);
  // The first buffer of a stream usually carries the mark; the stream start
  // has just designed with clear memories, so it needs nothing more.
  const bool breakInStream = discontinuity && ranSinceStart_;
  if (!designValid_ || breakInStream) {
    Restart(snapshot);
  } else if (changed) {
    Change(snapshot);
  }
  ranSinceStart_ = true;
  if (frames == 0) return;

  bool quiet = false;
  switch (format_) {
    case SampleFormat::kPcm8: quiet = RunFrames<SampleFormat::kPcm8>(in, out, frames); break;
    case SampleFormat::kPcm16: quiet = RunFrames<SampleFormat::kPcm16>(in, out, frames); break;
    case SampleFormat::kPcm32: quiet = RunFrames<SampleFormat::kPcm32>(in, out, frames); break;
    case SampleFormat::kFloat32: quiet = RunFrames<SampleFormat::kFloat32>(in, out, frames); break;
    case SampleFormat::kFloat64: quiet = RunFrames<SampleFormat::kFloat64>(in, out, frames); break;
  }
  playing_ = true;
  // Only 32-bit float buffers are watched; the drain asks about the latest
  // buffer, so a quiet stretch earlier in the stream does not cut a tail,
  // nor does a fade still running.
  quiet_ = format_ == SampleFormat::kFloat32 && quiet && !Fading();
}

// Runs the interleaved frames block by block; says whether every watched
// memory stayed quiet.
template <SampleFormat F>
bool CAkPgeqTransform::RunFrames(const unsigned char* in, unsigned char* out,
                                 std::uint32_t frames) {
  constexpr std::size_t kSampleBytes = static_cast<std::size_t>(BytesPerSample(F));
  const bool stereo = channelCount_ == 2;
  const std::size_t stride = kSampleBytes * static_cast<std::size_t>(channelCount_);
  bool quiet = true;
  std::uint32_t done = 0;
  while (done < frames) {
    // A change that waited for the previous fade starts where that fade ends.
    ApplyPendingChange();
    std::uint32_t n = std::min(kBlockFrames, frames - done);
    if (Fading()) n = std::min(n, fadeLength_ - fadePosition_);

    const unsigned char* src = in + stride * done;
    for (std::uint32_t i = 0; i < n; ++i, src += stride) {
      block_[2 * i] = Load<F>(src);
      block_[2 * i + 1] = stereo ? Load<F>(src + kSampleBytes) : 0.0;
    }
    quiet = RunBlock(n) && quiet;
    unsigned char* dst = out + stride * done;
    for (std::uint32_t i = 0; i < n; ++i, dst += stride) {
      Store<F>(dst, block_[2 * i]);
      if (stereo) Store<F>(dst + kSampleBytes, block_[2 * i + 1]);
    }
    done += n;
  }
  return quiet;
}

// Runs block_ through the design, and through the previous one while the
// output fades from it.
bool CAkPgeqTransform::RunBlock(std::uint32_t frames) {
  if (!Fading()) return RunPgeqChain(chain_, block_, frames);

  std::memcpy(fadingBlock_, block_, sizeof(double) * 2 * frames);
  RunPgeqChain(fadingOut_, fadingBlock_, frames);
  const bool quiet = RunPgeqChain(chain_, block_, frames);
  const double step = 1.0 / fadeLength_;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double w = (fadePosition_ + i + 1) * step;
    for (int c = 0; c < 2; ++c) {
      const double from = fadingBlock_[2 * i + c];
      block_[2 * i + c] = from + (block_[2 * i + c] - from) * w;
    }
  }
  fadePosition_ += frames;
  if (fadePosition_ >= fadeLength_) fadeLength_ = 0;
  return quiet;
}

}  // namespace orlofx

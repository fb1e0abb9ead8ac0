// Paragraphic EQ processor: four resonant bands, a low and a high shelf and a
// dry/wet mix, run sample by sample in double precision, in place, with no
// latency.
//
//   input ─┬─► active band slots ─► low shelf ×2 ─► high shelf ×2 ─► ·wet ─┬─► output
//          └──────────────────────────► ·dry ────────────────────────────┘
//
// 16-bit PCM runs in raw integer units and leaves truncated toward zero;
// the other formats use the usual sample scales. Coefficients are redesigned
// at the start of a buffer when the settings changed, when no design exists
// yet, or when a discontinuity arrives after the first buffer of a stream;
// only a discontinuity (or an explicit reset) clears the memories.
// Channel 1 always runs the coefficients designed for channel 0.
//
// A change while audio plays must not click. The new design takes over the
// memories that still fit it (a band keeps its own wherever its slot moves,
// a shelf keeps its stages' while it stays a cut or a boost), and the output
// fades from the old design, still running, to the new one over 10 ms. A
// change that arrives during a fade waits for its end. A change that leaves
// the sound alone (the highlighted band) redesigns nothing.
//
// Process is the frame's entry: input and output may be the same buffer
// (the in-place filter passes its sample twice); every frame offered is
// consumed and produced at once, and the drain has nothing to deliver.
// ProcessFloat and its companions serve the float transform interface.
#pragma once

#include <cstdint>

#include "effects/pgeq/pgeq_design.h"
#include "effects/pgeq/pgeq_engine.h"
#include "effects/pgeq/pgeq_params.h"
#include "framework/effect_settings.h"

namespace orlofx {

class CAkPgeqTransform : public EffectSettings<PgeqParams> {
 public:
  CAkPgeqTransform();
  ~CAkPgeqTransform() override;

  // --- the effect's property interface --------------------------------------
  // Getters fill 32-bit values; setters clamp silently, store a differing
  // value and set `changed` and `dirty`. Band indices are 0..3; another
  // index gives kInvalidArg. GetParams/SetParams (the whole record, whose
  // setter clamps the highlighted band only from above) come from
  // EffectSettings.
  ORLOFX_SETTING(DryOut, kPgeqDryOut)
  ORLOFX_SETTING(WetOut, kPgeqWetOut)
  HResult GetBandGain(int band, std::int32_t* v) const { return GetBand(kPgeqGain1, band, v); }
  HResult SetBandGain(int band, std::int32_t v) { return SetBand(kPgeqGain1, band, v); }
  HResult GetBandWidth(int band, std::int32_t* v) const { return GetBand(kPgeqWidth1, band, v); }
  HResult SetBandWidth(int band, std::int32_t v) { return SetBand(kPgeqWidth1, band, v); }
  HResult GetBandCenter(int band, std::int32_t* v) const { return GetBand(kPgeqCenter1, band, v); }
  HResult SetBandCenter(int band, std::int32_t v) { return SetBand(kPgeqCenter1, band, v); }
  ORLOFX_SETTING(LowShelfEnable, kPgeqLowShelfEnable)
  ORLOFX_SETTING(HighShelfEnable, kPgeqHighShelfEnable)
  ORLOFX_SETTING(LowShelfFrequency, kPgeqLowShelfFrequency)
  ORLOFX_SETTING(HighShelfFrequency, kPgeqHighShelfFrequency)
  ORLOFX_SETTING(LowShelfGain, kPgeqLowShelfGain)
  ORLOFX_SETTING(HighShelfGain, kPgeqHighShelfGain)
  // Takes the value as unsigned: anything above 4, a negative value too,
  // means no highlighted band.
  ORLOFX_SETTING(HighlightBand, kPgeqHighlightBand)

  // --- the float transform interface ----------------------------------------
  // Streams 32-bit float audio without a filter: Init starts as the filter's
  // stream start does, ProcessFloat runs buffers in place (never as a
  // discontinuity), Stop ends the stream.
  HResult Init(int channels, std::uint32_t rate);
  // kProcessFinished without touching the buffer when `drain` is set and the
  // last buffer left every channel quiet; else kOk.
  HResult ProcessFloat(float* samples, std::uint32_t frames, bool drain);
  void Stop();
  // IsChanged (EffectSettings): whether the settings changed since the last
  // snapshot (not cleared).
  // Takes a snapshot; kFalse when nothing changed and no reset is asked,
  // else redesigns (clearing the memories on reset) and gives kOk.
  HResult Update(bool reset);

  // --- EffectProcessor --------------------------------------------------------
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override;
  void Release() override;

  // --- stream read-outs (streaming thread only) ------------------------------
  const PgeqBandBlock& Bands(int channel) const { return chain_.channels[channel].bands; }
  const PgeqShelfBlock& Shelves(int channel) const { return chain_.channels[channel].shelves; }
  int ActiveBands() const { return chain_.activeBands; }
  double WetGain() const { return chain_.wet; }
  double DryGain() const { return chain_.dry; }
  bool Quiet() const { return quiet_; }
  bool Prepared() const override { return prepared_; }

 protected:
  HResult Render(const ProcessCall& call, std::uint32_t* consumed,
                 std::uint32_t* produced) override;

 private:
  // Frames converted to double at a time, both channels side by side.
  static constexpr std::uint32_t kBlockFrames = 256;

  HResult GetBand(PgeqField first, int band, std::int32_t* value) const {
    if (!value) return kPointer;
    return band < 0 || band >= kPgeqBands ? kInvalidArg : GetField(first + band, value);
  }
  HResult SetBand(PgeqField first, int band, std::int32_t value) {
    return band < 0 || band >= kPgeqBands ? kInvalidArg : SetField(first + band, value);
  }
  HResult Start(const WaveFormat& format);
  void Design(const PgeqParams& snapshot, bool clearMemory);
  // Designs afresh with cleared memories: nothing fades.
  void Restart(const PgeqParams& snapshot);
  // Takes a changed snapshot over, now or once the running fade ends.
  void Change(const PgeqParams& snapshot);
  void ApplyPendingChange();
  bool Fading() const { return fadeLength_ > 0; }
  void RunBuffer(const unsigned char* in, unsigned char* out, std::uint32_t frames,
                 bool discontinuity);
  template <SampleFormat F>
  bool RunFrames(const unsigned char* in, unsigned char* out, std::uint32_t frames);
  bool RunBlock(std::uint32_t frames);

  // Stream, fixed by Prepare or Init.
  bool prepared_ = false;
  SampleFormat format_ = SampleFormat::kFloat32;
  int channelCount_ = 0;
  std::uint32_t rate_ = 0;

  // Design and memories (streaming thread).
  bool designValid_ = false;
  bool ranSinceStart_ = false;  // a buffer has been processed since the stream started
  bool playing_ = false;        // frames have run since the memories were cleared
  bool quiet_ = false;
  PgeqParams designed_{};       // the settings chain_ was designed from
  PgeqChain chain_{};
  bool changePending_ = false;  // pending_ waits for the running fade to end
  PgeqParams pending_{};
  PgeqChain fadingOut_{};       // the previous design, while the output fades from it
  std::uint32_t fadeLength_ = 0;  // 0: no fade running
  std::uint32_t fadePosition_ = 0;
  double block_[2 * kBlockFrames] = {};
  double fadingBlock_[2 * kBlockFrames] = {};
};

}  // namespace orlofx

// Parametric EQ processor: one shelf, band-pass or band-notch/boost section
// and an output gain, realised as an FIR kernel designed from a target curve
// (pmeq_target.h) and applied by overlap-add FFT convolution (dsp/).
//
// Output leaves in blocks of N/2 frames (N = 256, 1024 or 4096 by the
// accuracy), so delivery lags by up to one block; output frame j is always
// the filtered input frame j, and the drain delivers exactly the frames
// still held.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/fir_engine.h"
#include "effects/pmeq/pmeq_params.h"
#include "effects/pmeq/pmeq_target.h"
#include "framework/processor.h"
#include "framework/response.h"

namespace orlofx {

class CAkPmeqTransform : public EffectProcessor,
                         public ResponseProvider,
                         private FirSettingsSource {
 public:
  CAkPmeqTransform();
  ~CAkPmeqTransform() override;

  // --- the effect's property interface --------------------------------------
  // Getters fill 32-bit values; setters clamp silently and always succeed.
  HResult GetParams(PmeqParams* params) const;
  // Stores the record, sets `changed`, `restart` and `dirty` (also for equal
  // values), then clamps frequency, width and amount.
  HResult SetParams(const PmeqParams* params);
  HResult GetFilterType(std::int32_t* value) const;
  HResult SetFilterType(std::int32_t value);  // not clamped
  HResult GetAccuracy(std::int32_t* value) const;
  HResult SetAccuracy(std::int32_t value);  // not clamped; a change asks for a new FFT size
  HResult GetFrequency(std::int32_t* value) const;
  HResult SetFrequency(std::int32_t value);
  HResult GetWidth(std::int32_t* value) const;
  HResult SetWidth(std::int32_t value);
  HResult GetAmount(std::int32_t* value) const;
  HResult SetAmount(std::int32_t value);
  HResult GetOutputGain(std::int32_t* value) const;
  HResult SetOutputGain(std::int32_t value);  // clamped to -600..200

  // --- EffectProcessor --------------------------------------------------------
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override;
  void Release() override;
  ParameterTable Parameters() const override { return kPmeqParameters; }
  const RecordLayout& Record() const override { return kPmeqRecord; }
  HResult GetFields(std::int32_t* fields) const override;
  HResult SetFields(const std::int32_t* fields) override;
  int PresetCount() const override { return kPmeqPresetCount; }
  int PresetNameId(int index) const override;

  // --- ResponseProvider -------------------------------------------------------
  // The magnitude response in dB of the kernel the current settings build
  // at sample rate fs (the output gain included).
  ResponseAxis ResponseKind() const override { return ResponseAxis::kFrequency; }
  HResult ResponseAt(double fs, const double* x, std::size_t count, double* y) const override {
    return MagnitudeResponseDb(fs, x, count, y);
  }
  HResult MagnitudeResponseDb(double fs, const double* frequencies, std::size_t count,
                              double* db) const;

  // The streaming engine: kernel read-outs and the single-processor rule.
  FirEngine& Engine() { return engine_; }

 protected:
  bool Prepared() const override { return engine_.Prepared(); }
  HResult Render(const ProcessCall& call, std::uint32_t* consumed,
                 std::uint32_t* produced) override;
  void PresetFields(int index, std::int32_t* fields) const override;

 private:
  void TakeSnapshot(std::int32_t* fields, bool* changed, bool* restart) override;
  HResult GetField(std::int32_t PmeqParams::*field, std::int32_t* value) const;
  HResult StoreField(std::int32_t PmeqParams::*field, std::int32_t value, bool restart);

  // Settings, under paramLock_.
  PmeqParams params_{};
  bool restart_ = true;  // the next snapshot looks for a new FFT size

  FirEngine engine_;
};

}  // namespace orlofx

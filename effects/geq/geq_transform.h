// Graphic EQ processor: a gain envelope drawn over frequency (up to 64
// points, 20 Hz to 20480 Hz), realised as an FIR kernel designed from the
// envelope (geq_target.h) and applied by overlap-add FFT convolution (dsp/),
// with the output gain applied as samples leave.
//
// The engine is the Parametric EQ's; the differences are the design, the
// leaving gain, six notification slots, and that a break in the stream
// drops the partly filled block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/fir_engine.h"
#include "effects/geq/geq_params.h"
#include "effects/geq/geq_target.h"
#include "framework/processor.h"
#include "framework/response.h"

namespace orlofx {

// The rate GetSampleRate reports while no input format is known.
constexpr std::uint32_t kGeqDefaultSampleRate = 44100;

class CAkGeqTransform : public EffectProcessor,
                        public ResponseProvider,
                        private FirSettingsSource {
 public:
  CAkGeqTransform();
  ~CAkGeqTransform() override;

  // --- the effect's property interface --------------------------------------
  HResult GetParams(GeqParams* params) const;
  // Stores the record, sets `changed`, `restart` and `dirty`, and clamps
  // (see ClampGeqParams).
  HResult SetParams(const GeqParams* params);
  // band 0..19 (the interface's band 1 .. band 20); kInvalidArg otherwise.
  HResult GetBandGain(int band, std::int32_t* value) const;
  HResult SetBandGain(int band, std::int32_t value);  // clamped to -480..240
  HResult GetAccuracy(std::int32_t* value) const;
  HResult SetAccuracy(std::int32_t value);  // not clamped; a change asks for a new FFT size
  HResult GetPointCount(std::int32_t* value) const;
  HResult SetPointCount(std::int32_t value);  // clamped to 2..64; a change asks for a new FFT size
  HResult GetOutputGain(std::int32_t* value) const;
  HResult SetOutputGain(std::int32_t value);  // clamped to -600..200
  // The input format's rate, 44100 while the input has no format.
  HResult GetSampleRate(std::uint32_t* rate) const;
  // Copies `count` points and stores the count; values are kept as given.
  // A count above 64 is taken as 64 (the record holds no more); a count
  // below 2 is refused with kInvalidArg and changes nothing (a curve needs
  // two points).
  HResult SetEnvelope(const GeqPoint* points, std::uint32_t count);
  // Copies the points in use (up to 64) and their count.
  HResult GetEnvelope(GeqPoint* points, std::uint32_t* count) const;

  // --- EffectProcessor --------------------------------------------------------
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override;
  void Release() override;
  ParameterTable Parameters() const override { return GeqParameters(); }
  const RecordLayout& Record() const override { return kGeqRecord; }
  HResult GetFields(std::int32_t* fields) const override;
  HResult SetFields(const std::int32_t* fields) override;
  int PresetCount() const override { return kGeqPresetCount; }
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
  HResult GetField(std::int32_t GeqParams::*field, std::int32_t* value) const;
  HResult StoreField(std::int32_t GeqParams::*field, std::int32_t value, bool restart);

  // Settings, under paramLock_.
  GeqParams params_{};
  bool restart_ = true;  // the next snapshot looks for a new FFT size

  FirEngine engine_;
};

}  // namespace orlofx

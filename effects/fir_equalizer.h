// The front end the two FIR equalisers (Parametric EQ, Graphic EQ) share
// above the FIR engine. It owns the engine and everything the two do alike:
// the settings record under the parameter lock with its `restart` flag (a
// new FFT size is due), the whole-record and field-by-index get and set,
// presets, the parameter snapshot the engine takes, the streaming entry
// (prepare, process, release) and the magnitude response. The engine makes
// the kernel changes and the leaving-gain ramp. An effect adds only its
// record's named getters and setters and its target designer (the
// FirDesignRules it passes in).
//
// It lives in effects/ rather than dsp/ because it is an effect processor
// (record, presets, notifications); dsp/ knows no settings records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dsp/fir_engine.h"
#include "framework/float_environment.h"
#include "framework/parameters.h"
#include "framework/processor.h"
#include "framework/response.h"
#include "framework/settings_record.h"

namespace orlofx {

// What tells one FIR equaliser from the other, besides its named setters.
template <typename Params>
struct FirEqualizerSetup {
  int notificationSlots;
  const FirDesignRules& rules;
  ParameterTable parameters;
  const RecordLayout& record;
  const PresetRow<Params>* presets;
  int presetCount;
  // What the whole-record setter stores for a record it is given.
  Params (*clamp)(const Params&);
};

template <typename Params>
class FirEqualizer : public EffectProcessor, public ResponseProvider, private FirSettingsSource {
 public:
  // --- the whole record ------------------------------------------------------
  HResult GetParams(Params* params) const {
    if (!params) return kPointer;
    ScopedLock lock(paramLock_);
    *params = params_;
    return kOk;
  }
  // Stores the record clamped and sets `changed`, `restart` and `dirty`,
  // also for a record equal to the one held.
  HResult SetParams(const Params* params) {
    if (!params) return kPointer;
    ScopedLock lock(paramLock_);
    params_ = setup_.clamp(*params);
    changed_ = true;
    restart_ = true;
    dirty_ = true;
    return kOk;
  }

  // --- EffectProcessor ---------------------------------------------------------
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override {
    return engine_.Prepare(in, out);
  }
  void Release() override { engine_.Release(); }
  HResult Process(int mode, const void* in, std::uint32_t* inFrames, void* out,
                  std::uint32_t* outFrames) override {
    ScopedFlushSubnormals flush;
    return engine_.Process(mode, in, inFrames, out, outFrames);
  }
  ParameterTable Parameters() const override { return setup_.parameters; }
  const RecordLayout& Record() const override { return setup_.record; }
  HResult GetFields(std::int32_t* fields) const override {
    if (!fields) return kPointer;
    ScopedLock lock(paramLock_);
    ParamsToFields(params_, fields);
    return kOk;
  }
  HResult SetFields(const std::int32_t* fields) override {
    if (!fields) return kPointer;
    const Params p = ParamsFromFields<Params>(fields);
    return SetParams(&p);
  }
  int PresetCount() const override { return setup_.presetCount; }
  int PresetNameId(int index) const override {
    return index >= 0 && index < setup_.presetCount ? setup_.presets[index].nameId : 0;
  }

  // --- ResponseProvider ----------------------------------------------------------
  // The magnitude response in dB of the kernel the current settings build
  // at sample rate fs (the output gain included).
  ResponseAxis ResponseKind() const override { return ResponseAxis::kFrequency; }
  HResult ResponseAt(double fs, const double* x, std::size_t count, double* y) const override {
    return MagnitudeResponseDb(fs, x, count, y);
  }
  HResult MagnitudeResponseDb(double fs, const double* frequencies, std::size_t count,
                              double* db) const {
    std::int32_t fields[FieldCountOf<Params>()];
    GetFields(fields);
    return FirResponseDb(setup_.rules, fields, fs, frequencies, count, db);
  }

  // The streaming engine: kernel read-outs and the single-processor rule.
  FirEngine& Engine() { return engine_; }

 protected:
  explicit FirEqualizer(const FirEqualizerSetup<Params>& setup)
      : EffectProcessor(setup.notificationSlots), setup_(setup), engine_(setup.rules, *this) {}
  ~FirEqualizer() override = default;

  // Record field `index` (in record order, as the descriptor table counts).
  HResult GetField(int index, std::int32_t* value) const {
    if (!value) return kPointer;
    ScopedLock lock(paramLock_);
    std::memcpy(value, FieldAddress(index), sizeof *value);
    return kOk;
  }
  // Stores field `index` as given; a change sets `changed` and `dirty`, and
  // `restart` for a field whose change needs a new FFT size.
  HResult StoreField(int index, std::int32_t value, bool restart = false) {
    ScopedLock lock(paramLock_);
    std::int32_t held;
    std::memcpy(&held, FieldAddress(index), sizeof held);
    if (held != value) {
      std::memcpy(FieldAddress(index), &value, sizeof value);
      changed_ = true;
      dirty_ = true;
      if (restart) restart_ = true;
    }
    return kOk;
  }
  // The same within the field's descriptor range.
  HResult StoreClamped(int index, std::int32_t value, bool restart = false) {
    return StoreField(index, Clamp(setup_.parameters.items[index], value), restart);
  }

  void PresetFields(int index, std::int32_t* fields) const override {
    ParamsToFields(setup_.presets[index].body, fields);
  }

  // Settings, under paramLock_.
  Params params_{};

 private:
  void TakeSnapshot(std::int32_t* fields, bool* changed, bool* restart) override {
    ScopedLock lock(paramLock_);
    ParamsToFields(params_, fields);
    *changed = changed_;
    *restart = restart_;
    changed_ = false;
    restart_ = false;
  }
  unsigned char* FieldAddress(int index) {
    return reinterpret_cast<unsigned char*>(&params_) + 4 * static_cast<std::size_t>(index);
  }
  const unsigned char* FieldAddress(int index) const {
    return reinterpret_cast<const unsigned char*>(&params_) + 4 * static_cast<std::size_t>(index);
  }

  const FirEqualizerSetup<Params> setup_;
  bool restart_ = true;  // under paramLock_: the next snapshot looks for a new FFT size
  FirEngine engine_;
};

}  // namespace orlofx

// The front end the two FIR equalisers (Parametric EQ, Graphic EQ) share
// above the FIR engine. It owns the engine and what the two do alike on the
// streaming side: preparation and release, the rendering of each checked
// call, the parameter snapshot the engine takes, and the magnitude response
// of the kernel the settings build. The engine makes the kernel changes and
// the leaving-gain ramp; EffectSettings keeps the record. An effect adds its
// record's named getters and setters and its target designer (the
// FirDesignRules it passes in).
//
// It lives in effects/ rather than dsp/ because it is an effect processor
// (settings record, presets, notifications); dsp/ knows no settings records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/fir_engine.h"
#include "framework/effect_settings.h"
#include "framework/response.h"

namespace orlofx {

template <typename Params>
class FirEqualizer : public EffectSettings<Params>,
                     public ResponseProvider,
                     private FirSettingsSource {
  using Settings = EffectSettings<Params>;

 public:
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override {
    return engine_.Prepare(in, out);
  }
  void Release() override { engine_.Release(); }

  // The magnitude response in dB of the kernel the current settings build
  // at sample rate fs (the output gain included).
  ResponseAxis ResponseKind() const override { return ResponseAxis::kFrequency; }
  HResult ResponseAt(double fs, const double* x, std::size_t count, double* y) const override {
    return MagnitudeResponseDb(fs, x, count, y);
  }
  HResult MagnitudeResponseDb(double fs, const double* frequencies, std::size_t count,
                              double* db) const {
    std::int32_t fields[Settings::kFieldCount];
    ParamsToFields(Settings::Current(), fields);
    return FirResponseDb(engine_.Rules(), fields, fs, frequencies, count, db);
  }

  // The streaming engine: kernel read-outs and the single-processor rule.
  FirEngine& Engine() { return engine_; }

 protected:
  FirEqualizer(int notificationSlots, const typename Settings::Tables& tables,
               const FirDesignRules& rules)
      : Settings(notificationSlots, tables), engine_(rules, *this) {}

  bool Prepared() const override { return engine_.Prepared(); }
  HResult Render(const ProcessCall& call, std::uint32_t* consumed,
                 std::uint32_t* produced) override {
    return engine_.Render(call, consumed, produced);
  }

 private:
  void SnapshotFields(std::int32_t* fields, bool* changed, bool* restart) override {
    ParamsToFields(Settings::TakeSnapshot(changed, restart), fields);
  }

  FirEngine engine_;
};

}  // namespace orlofx

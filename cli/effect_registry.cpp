#include "cli/effect_registry.h"

#include <vector>

#include "cli/cli_text.h"
#include "effects/gdyn/gdyn_transform.h"
#include "effects/geq/geq_bands.h"
#include "effects/geq/geq_transform.h"
#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/noisgt/noisgt_transform.h"
#include "effects/pgeq/pgeq_transform.h"
#include "effects/pmeq/pmeq_transform.h"
#include "support/strings/string_ids.h"

namespace orlofx::cli {

namespace {

template <typename Processor>
std::unique_ptr<EffectProcessor> Create() {
  return std::make_unique<Processor>();
}

// The automatable parameter kept in record field `field`, set through the
// operation the effect's property interface offers for it.
HResult SetAutomatable(AutomationParams& automation, std::size_t field, std::int32_t value) {
  for (std::uint32_t i = 0; i < automation.ParamCount(); ++i)
    if (automation.Desc(i)->recordOffset == field * sizeof(std::int32_t))
      return automation.SetParamProp(i, value);
  return kNotImplemented;
}

HResult SetNoiseGate(EffectProcessor& fx, std::size_t field, std::int32_t value) {
  auto& gate = static_cast<CAkNoisgtTransform&>(fx);
  switch (field) {
    case kNoisgtAttack: return gate.SetAttack(value);
    case kNoisgtRelease: return gate.SetRelease(value);
    case kNoisgtThreshold: return gate.SetThreshold(value);
    default: return kNotImplemented;
  }
}

HResult SetParametricEq(EffectProcessor& fx, std::size_t field, std::int32_t value) {
  auto& eq = static_cast<CAkPmeqTransform&>(fx);
  switch (field) {
    case kPmeqFilterType: return eq.SetFilterType(value);
    case kPmeqFrequency: return eq.SetFrequency(value);
    case kPmeqWidth: return eq.SetWidth(value);
    case kPmeqAmount: return eq.SetAmount(value);
    case kPmeqOutputGain: return eq.SetOutputGain(value);
    case kPmeqAccuracy: return eq.SetAccuracy(value);
    default: return kNotImplemented;
  }
}

HResult SetParagraphicEq(EffectProcessor& fx, std::size_t field, std::int32_t value) {
  auto& eq = static_cast<CAkPgeqTransform&>(fx);
  switch (field) {
    case kPgeqDryOut: return eq.SetDryOut(value);
    case kPgeqWetOut: return eq.SetWetOut(value);
    case kPgeqLowShelfEnable: return eq.SetLowShelfEnable(value);
    case kPgeqHighShelfEnable: return eq.SetHighShelfEnable(value);
    case kPgeqLowShelfFrequency: return eq.SetLowShelfFrequency(value);
    case kPgeqHighShelfFrequency: return eq.SetHighShelfFrequency(value);
    case kPgeqLowShelfGain: return eq.SetLowShelfGain(value);
    case kPgeqHighShelfGain: return eq.SetHighShelfGain(value);
    case kPgeqHighlightBand: return eq.SetHighlightBand(value);
    default: break;
  }
  if (field >= kPgeqGain1 && field < kPgeqGain1 + 4u)
    return eq.SetBandGain(static_cast<int>(field) - kPgeqGain1, value);
  if (field >= kPgeqWidth1 && field < kPgeqWidth1 + 4u)
    return eq.SetBandWidth(static_cast<int>(field) - kPgeqWidth1, value);
  if (field >= kPgeqCenter1 && field < kPgeqCenter1 + 4u)
    return eq.SetBandCenter(static_cast<int>(field) - kPgeqCenter1, value);
  return kNotImplemented;
}

// A band fader: the band's gain, read back as the effect keeps it, then the
// envelope reshaped around the band.
HResult MoveGraphicEqFader(CAkGeqTransform& eq, int band, std::int32_t gain) {
  HResult hr = eq.SetBandGain(band, gain);
  if (Failed(hr)) return hr;
  std::int32_t accepted = gain;
  eq.GetBandGain(band, &accepted);
  GeqPoint points[kGeqMaxPoints];
  std::uint32_t count = 0;
  hr = eq.GetEnvelope(points, &count);
  if (Failed(hr)) return hr;
  // The 10-band page shows the even-numbered bands (1-based), the 20-band
  // page every band.
  const GeqFaderPage page = band % 2 == 1 ? GeqFaderPage::kTenBand : GeqFaderPage::kTwentyBand;
  const GeqEnvelope edited = GeqEditBand(points, count, band, accepted, page);
  return eq.SetEnvelope(edited.data(), static_cast<std::uint32_t>(edited.size()));
}

HResult SetGraphicEq(EffectProcessor& fx, std::size_t field, std::int32_t value) {
  auto& eq = static_cast<CAkGeqTransform&>(fx);
  if (field >= kGeqFirstBand && field < kGeqFirstBand + std::size_t{kGeqBandCount})
    return MoveGraphicEqFader(eq, static_cast<int>(field) - kGeqFirstBand, value);
  switch (field) {
    case kGeqAccuracy: return eq.SetAccuracy(value);
    case kGeqOutputGain: return eq.SetOutputGain(value);
    default: return kNotImplemented;
  }
}

// The envelope page: the envelope, then the band gains the fader pages read
// from it.
HResult SetGraphicEqPoints(EffectProcessor& fx, const std::int32_t* xy, std::size_t count) {
  auto& eq = static_cast<CAkGeqTransform&>(fx);
  std::vector<GeqPoint> points(count);
  for (std::size_t i = 0; i < count; ++i) points[i] = GeqPoint{xy[2 * i], xy[2 * i + 1]};
  HResult hr = eq.SetEnvelope(points.data(), static_cast<std::uint32_t>(count));
  const auto gains = GeqBandGainsOf(points.data(), count);
  for (int band = 0; band < kGeqBandCount && Succeeded(hr); ++band)
    hr = eq.SetBandGain(band, gains[static_cast<std::size_t>(band)]);
  return hr;
}

HResult SetGraphicDynamics(EffectProcessor& fx, std::size_t field, std::int32_t value) {
  auto& dynamics = static_cast<CAkGdynTransform&>(fx);
  switch (field) {
    case kGdynThreshold: return dynamics.SetThreshold(value);
    case kGdynRatio: return dynamics.SetRatio(value);
    default: return SetAutomatable(dynamics, field, value);
  }
}

HResult SetGraphicDynamicsPoints(EffectProcessor& fx, const std::int32_t* xy, std::size_t count) {
  std::vector<GdynPoint> points(count);
  for (std::size_t i = 0; i < count; ++i) points[i] = GdynPoint{xy[2 * i], xy[2 * i + 1]};
  return static_cast<CAkGdynTransform&>(fx).SetPoints(points.data(),
                                                      static_cast<std::int32_t>(count));
}

HResult SetMultiBandDynamics(EffectProcessor& fx, std::size_t field, std::int32_t value) {
  auto& dynamics = static_cast<CAkMbdynTransform&>(fx);
  if (field >= kMbdynDisplay && field < kMbdynDisplay + 8u) {
    const int word = static_cast<int>(field) - kMbdynDisplay;
    return dynamics.SetDisplayWord(word / kMbdynBands, word % kMbdynBands + 1, value);
  }
  switch (field) {
    case kMbdynEnableMeters: return dynamics.SetEnableMeters(value);
    case kMbdynCaptureThreshold: return dynamics.SetCaptureThreshold(value);
    default: return SetAutomatable(dynamics, field, value);
  }
}

const EffectEntry kEffects[] = {
    {"noise-gate", 1014, &Create<CAkNoisgtTransform>, &SetNoiseGate, nullptr, 0},
    {"parametric-eq", sid::kParametricEqName, &Create<CAkPmeqTransform>, &SetParametricEq,
     nullptr, 0},
    {"graphic-eq", sid::kGraphicEqName, &Create<CAkGeqTransform>, &SetGraphicEq,
     &SetGraphicEqPoints, text::kGraphicEqViewsNote},
    {"graphic-dynamics", sid::kGraphicDynamicsName, &Create<CAkGdynTransform>,
     &SetGraphicDynamics, &SetGraphicDynamicsPoints, 0},
    {"paragraphic-eq", sid::kParagraphicEqName, &Create<CAkPgeqTransform>, &SetParagraphicEq,
     nullptr, 0},
    {"multiband-dynamics", sid::kMultiBandDynamicsName, &Create<CAkMbdynTransform>,
     &SetMultiBandDynamics, nullptr, 0},
};

}  // namespace

EffectList Effects() { return EffectList{kEffects, sizeof(kEffects) / sizeof(kEffects[0])}; }

const EffectEntry* FindEffect(std::string_view name) {
  for (const EffectEntry& e : Effects())
    if (name == e.name) return &e;
  return nullptr;
}

std::unique_ptr<EffectProcessor> CreateEffect(const EffectEntry& entry) {
  std::unique_ptr<EffectProcessor> effect = entry.create();
  effect->ApplyPreset(0);
  return effect;
}

void DesignOnTheProcessingThread(EffectProcessor& fx) {
  if (auto* eq = dynamic_cast<CAkPmeqTransform*>(&fx)) eq->Engine().SetSingleProcessorRule(true);
  if (auto* eq = dynamic_cast<CAkGeqTransform*>(&fx)) eq->Engine().SetSingleProcessorRule(true);
}

HResult SetSetting(EffectProcessor& fx, const EffectEntry& entry, std::size_t field,
                   std::int32_t value) {
  const HResult hr = entry.setSetting(fx, field, value);
  if (hr != kNotImplemented) return hr;
  std::int32_t fields[kMaxRecordFields];
  fx.GetFields(fields);
  fields[field] = value;
  return fx.SetFields(fields);
}

HResult SetPoints(EffectProcessor& fx, const EffectEntry& entry, const std::int32_t* xy,
                  std::size_t count) {
  return entry.setPoints ? entry.setPoints(fx, xy, count) : kNotImplemented;
}

}  // namespace orlofx::cli

#include "cli/effect_registry.h"

#include "effects/gdyn/gdyn_transform.h"
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

const EffectEntry kEffects[] = {
    {"noise-gate", 1014, &Create<CAkNoisgtTransform>},
    {"parametric-eq", sid::kParametricEqName, &Create<CAkPmeqTransform>},
    {"graphic-eq", sid::kGraphicEqName, &Create<CAkGeqTransform>},
    {"graphic-dynamics", sid::kGraphicDynamicsName, &Create<CAkGdynTransform>},
    {"paragraphic-eq", sid::kParagraphicEqName, &Create<CAkPgeqTransform>},
    {"multiband-dynamics", sid::kMultiBandDynamicsName, &Create<CAkMbdynTransform>},
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

}  // namespace orlofx::cli

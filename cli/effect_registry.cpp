#include "cli/effect_registry.h"

#include "effects/noisgt/noisgt_transform.h"

namespace orlofx::cli {

namespace {

template <typename Processor>
std::unique_ptr<EffectProcessor> Create() {
  return std::make_unique<Processor>();
}

const EffectEntry kEffects[] = {
    {"noise-gate", 1014, &Create<CAkNoisgtTransform>},
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

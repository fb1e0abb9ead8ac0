// The effects the command-line tool offers. Adding an effect is one row in
// effect_registry.cpp: everything else (settings descriptors, presets, the
// record layout, processing) the tool reads from the processor itself.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "framework/processor.h"

namespace orlofx::cli {

struct EffectEntry {
  const char* name;   // on the command line, e.g. "noise-gate"
  int displayNameId;  // string id of the display name
  std::unique_ptr<EffectProcessor> (*create)();
};

struct EffectList {
  const EffectEntry* items;
  std::size_t count;
  const EffectEntry* begin() const { return items; }
  const EffectEntry* end() const { return items + count; }
};

EffectList Effects();
const EffectEntry* FindEffect(std::string_view name);

// A processor with the settings a new filter has: preset 0.
std::unique_ptr<EffectProcessor> CreateEffect(const EffectEntry& entry);

}  // namespace orlofx::cli

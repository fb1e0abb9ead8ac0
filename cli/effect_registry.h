// The effects the command-line tool offers. Adding an effect is one row in
// effect_registry.cpp: everything else (settings descriptors, presets, the
// record layout, processing) the tool reads from the processor itself; the
// row adds only the effect's own setters, so that the tool changes a setting
// the way the effect's property page does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "framework/processor.h"

namespace orlofx::cli {

struct EffectEntry {
  const char* name;   // on the command line, e.g. "noise-gate"
  int displayNameId;  // string id of the display name
  std::unique_ptr<EffectProcessor> (*create)();
  // The effect's own setter of record field `field` (one that is set on its
  // own), called on a processor this row created; kNotImplemented for a
  // field without one.
  HResult (*setSetting)(EffectProcessor& fx, std::size_t field, std::int32_t value);
  // The setter of the effect's point list: `count` points as x, y, x, y...;
  // null for an effect without a list.
  HResult (*setPoints)(EffectProcessor& fx, const std::int32_t* xy, std::size_t count);
  // String id of a note `info` gives about the settings; 0 for none.
  int infoNoteId;
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

// For a file rather than a live stream: an effect that designs its filters
// on a worker thread designs them on the processing thread instead, so that
// a change made while the file plays takes effect at the same frame on every
// run and machine. Call before Prepare.
void DesignOnTheProcessingThread(EffectProcessor& fx);

// Sets one setting through the effect's own setter, or through its
// whole-record setter where it has none. For the Graphic EQ a band gain is
// a fader move: it reshapes the envelope around the band as the fader page
// does (the 10-band page for the bands it shows, the 20-band page for the
// others), so the sound follows.
HResult SetSetting(EffectProcessor& fx, const EffectEntry& entry, std::size_t field,
                   std::int32_t value);

// Sets the point list (`count` points as x, y, x, y...) through the
// effect's own setter.
HResult SetPoints(EffectProcessor& fx, const EffectEntry& entry, const std::int32_t* xy,
                  std::size_t count);

}  // namespace orlofx::cli

// The settings options of an effect: --preset, --set and --record, applied
// before the audio starts, and the same changes made while the file plays
// (--at, cli/at_option.h).
//
// An option is first read and checked into a SettingChange, with nothing
// changed yet; applying it is then a call of the setter the effect's property
// page would call: the setting's own setter for --set (the point list's for
// a list), the preset call for --preset, the stream load for --record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/effect_registry.h"
#include "framework/processor.h"

namespace orlofx::cli {

struct SettingChange {
  enum class Kind { kSetting, kPoints, kPreset, kRecord };
  Kind kind = Kind::kSetting;
  std::size_t field = 0;             // kSetting: the record field
  std::int32_t value = 0;            // kSetting: the value, clamped; kPreset: the preset's index
  std::vector<std::int32_t> points;  // kPoints: x, y, x, y, ...
  std::vector<std::uint8_t> record;  // kRecord: the file's bytes, checked
};

// Each reads one option's value for `fx`. kExitOk with *change filled, or,
// after printing what is wrong, the exit status (kExitUsage for a mistake on
// the command line, kExitFailure for a file that cannot be used). A value out
// of range is clamped with a warning.
int ParsePresetOption(const EffectProcessor& fx, const std::string& value, SettingChange* change);
// A setting that chooses one of a few takes its value's name too.
int ParseSetOption(const EffectProcessor& fx, const EffectEntry& effect,
                   const std::string& assignment, SettingChange* change);
int ParseRecordOption(const EffectProcessor& fx, const EffectEntry& effect,
                      const std::string& path, SettingChange* change);

// Makes the change through the effect's own setter.
HResult ApplyChange(EffectProcessor& fx, const EffectEntry& effect, const SettingChange& change);

}  // namespace orlofx::cli

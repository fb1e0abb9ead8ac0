// --at: a change of settings while the file plays, as a property page makes
// one while the host streams.
//
//   --at <seconds>:<setting>=<value>     the setting's own setter
//   --at <seconds>:points=<x:y,...>      the point list's setter
//   --at <seconds>:preset=<number|name>  the preset, through the whole-record setter
//   --at <seconds>:record=<file.rec>     a saved record, through the stream load
//
// The processing call is split at input frame round(seconds × rate) and the
// setter called between the two halves. Changes are given in time order; the
// value is read and checked before any audio is processed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/effect_registry.h"
#include "cli/setting_options.h"
#include "framework/processor.h"

namespace orlofx::cli {

struct TimedChange {
  std::string given;       // the option's value as written, for messages
  double seconds = 0.0;
  std::int64_t frame = 0;  // set by PlaceTimedChanges
  SettingChange change;
};

// Reads one option value for `fx`. kExitOk, or the exit status after the
// message has been printed (nothing is changed either way).
int ParseAtOption(const EffectProcessor& fx, const EffectEntry& effect, const std::string& value,
                  TimedChange* change);

// Places the changes on the input's frames: each at round(seconds × rate),
// within the input (frame 0 to `frames`) and not before the change given
// before it. kExitOk, or kExitUsage after naming the change that is not.
int PlaceTimedChanges(std::vector<TimedChange>* changes, int rate, std::int64_t frames);

// Walks the placed changes along the input as the effect consumes it.
class ChangeCursor {
 public:
  explicit ChangeCursor(const std::vector<TimedChange>* changes) : changes_(changes) {}
  // The next change placed at or before input frame `position` and not
  // taken yet (in the order given), or null.
  const SettingChange* NextDue(std::int64_t position);
  // How many of `offered` frames from `position` on one processing call may
  // take: the call ends where the next change is due.
  std::uint32_t Limit(std::int64_t position, std::uint32_t offered) const;

 private:
  const std::vector<TimedChange>* changes_;
  std::size_t next_ = 0;
};

// The option's lines of the usage text.
void PrintAtUsage(std::FILE* to);

}  // namespace orlofx::cli

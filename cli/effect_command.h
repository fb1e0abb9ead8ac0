// The command line of the commands that take effects:
//
//   <effect> [settings options] [then <effect> [settings options]]... operands
//
// Settings options belong to the effect they follow: --preset, --set,
// --record, --automate, --at ("--option value" or "--option=value"). A
// command may also take options of its own anywhere ("globals"). "--" ends
// the options; "then" starts the next effect where the command runs chains.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/at_option.h"
#include "cli/effect_registry.h"

namespace orlofx::cli {

struct SettingAction {
  enum class Kind { kPreset, kSet, kRecord, kAutomate, kAt } kind;
  std::string value;
};

struct EffectCommand {
  const EffectEntry* effect = nullptr;
  std::vector<SettingAction> actions;
};

struct GlobalOption {
  const char* name;  // "--json"
  bool takesValue;
};

struct CommandLine {
  std::vector<EffectCommand> effects;
  std::vector<std::string> operands;
  std::map<std::string, std::string> globals;  // name -> value ("" for a flag)
};

// Reads `args` (the first is the first effect's name). kExitOk, or
// kExitUsage after printing the mistake (with a suggestion for a misspelt
// effect or option).
int ParseCommandLine(const std::vector<std::string>& args, bool chains,
                     const std::vector<GlobalOption>& globals, CommandLine* line);

// What to do with --at options.
enum class TimedOptions {
  kRefused,  // a command without audio: a usage error
  kRead,     // read and checked into *timed
  kSkipped,  // already read for another instance of the same effect
};

// Applies the settings options of `command` to `fx` in the order given.
// kExitOk, or the exit status after the message has been printed.
int ApplyActions(EffectProcessor& fx, const EffectCommand& command, TimedOptions timedOptions,
                 std::vector<TimedChange>* timed);

}  // namespace orlofx::cli

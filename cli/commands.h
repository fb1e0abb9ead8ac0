// The tool's commands:
//
//   orlofx --help | --version | list
//   orlofx info <effect>          settings with units, ranges and defaults
//   orlofx presets <effect>
//   orlofx process <effect> [options] <input.wav> <output.wav>
//   orlofx record <effect> [options] <output.rec>
//
// Settings options (--preset, --set, --record, --automate) apply in the
// order given, starting from preset 0, the settings of a newly created
// effect; --at options change settings while the file plays (process only).
// --lang <language> (or --language) may appear anywhere and is taken first;
// without it the locale environment (LC_ALL, LC_MESSAGES, LANG) chooses.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/effect_registry.h"

namespace orlofx::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a file or processing problem
constexpr int kExitUsage = 2;    // the command line itself is wrong

int Run(std::vector<std::string> args);

// For commands kept in files of their own (response_command.cpp): parses
// "<command> <effect> [settings options] operands..." and creates the effect
// with the settings options applied. kExitOk, or the exit status after the
// message has been printed.
int CreateConfiguredEffect(const std::vector<std::string>& args, const EffectEntry** effect,
                           std::unique_ptr<EffectProcessor>* fx,
                           std::vector<std::string>* operands);

}  // namespace orlofx::cli

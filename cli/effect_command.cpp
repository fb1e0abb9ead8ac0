#include "cli/effect_command.h"

#include "cli/automate_option.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/setting_options.h"
#include "cli/suggest.h"

namespace orlofx::cli {

namespace {

struct SettingOption {
  const char* name;
  SettingAction::Kind kind;
};

constexpr SettingOption kSettingOptions[] = {
    {"--preset", SettingAction::Kind::kPreset},     {"--set", SettingAction::Kind::kSet},
    {"--record", SettingAction::Kind::kRecord},     {"--automate", SettingAction::Kind::kAutomate},
    {"--at", SettingAction::Kind::kAt},
};

const EffectEntry* FindEffectOrSay(const std::string& name, int* status) {
  const EffectEntry* effect = FindEffect(name);
  if (!effect) {
    std::vector<std::string> names;
    for (const EffectEntry& e : Effects()) names.push_back(e.name);
    *status = UsageError(WithSuggestion(Text(text::kUnknownEffect, {name}), name, names));
  }
  return effect;
}

}  // namespace

int ParseCommandLine(const std::vector<std::string>& args, bool chains,
                     const std::vector<GlobalOption>& globals, CommandLine* line) {
  bool optionsEnded = false;
  int status = kExitOk;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // The command's own options may come before the first effect as well.
    const bool leadingOption = line->effects.empty() && arg.size() > 2 && arg.compare(0, 2, "--") == 0;
    const bool then = chains && !optionsEnded && arg == "then" && !line->effects.empty();
    if ((line->effects.empty() && !leadingOption) || then) {
      if (then && ++i == args.size()) return UsageError(Text(text::kMissingArgument, {"<effect>"}));
      const EffectEntry* effect = FindEffectOrSay(args[i], &status);
      if (!effect) return status;
      line->effects.push_back(EffectCommand{effect, {}});
      continue;
    }
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      line->operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string option = arg.substr(0, eq);
    const SettingOption* setting = nullptr;
    for (const SettingOption& o : kSettingOptions)
      if (option == o.name) setting = &o;
    const GlobalOption* global = nullptr;
    for (const GlobalOption& g : globals)
      if (option == g.name) global = &g;
    // A settings option belongs to the effect before it.
    if (setting && line->effects.empty())
      return UsageError(Text(text::kMissingArgument, {"<effect>"}));
    if (!setting && !global) {
      std::vector<std::string> known;
      for (const SettingOption& o : kSettingOptions) known.push_back(o.name);
      for (const GlobalOption& g : globals) known.push_back(g.name);
      known.push_back("--lang");
      return UsageError(WithSuggestion(Text(text::kUnknownOption, {arg}), option, known));
    }
    std::string value;
    if (global && !global->takesValue) {
      if (eq != std::string::npos) return UsageError(Text(text::kOptionTakesNoValue, {option}));
    } else if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return UsageError(Text(text::kMissingArgument, {option}));
    }
    if (global)
      line->globals[option] = value;
    else
      line->effects.back().actions.push_back(SettingAction{setting->kind, value});
  }
  if (line->effects.empty()) return UsageError(Text(text::kMissingArgument, {"<effect>"}));
  return kExitOk;
}

int ApplyActions(EffectProcessor& fx, const EffectCommand& command, TimedOptions timedOptions,
                 std::vector<TimedChange>* timed) {
  const EffectEntry& effect = *command.effect;
  for (const SettingAction& action : command.actions) {
    SettingChange change;
    int status = kExitOk;
    switch (action.kind) {
      case SettingAction::Kind::kPreset:
        status = ParsePresetOption(fx, action.value, &change);
        break;
      case SettingAction::Kind::kSet:
        status = ParseSetOption(fx, effect, action.value, &change);
        break;
      case SettingAction::Kind::kRecord:
        status = ParseRecordOption(fx, effect, action.value, &change);
        break;
      case SettingAction::Kind::kAutomate:
        status = ApplyAutomate(fx, effect.name, action.value);
        if (status != kExitOk) return status;
        continue;
      case SettingAction::Kind::kAt:
        if (timedOptions == TimedOptions::kRefused)
          return UsageError(Text(text::kAtOnlyWhileProcessing));
        if (timedOptions == TimedOptions::kSkipped) continue;
        timed->emplace_back();
        status = ParseAtOption(fx, effect, action.value, &timed->back());
        if (status != kExitOk) return status;
        continue;
    }
    if (status != kExitOk) return status;
    if (const HResult hr = ApplyChange(fx, effect, change); Failed(hr))
      return Failure(Text(text::kProcessingError, {HResultText(hr)}));
  }
  return kExitOk;
}

}  // namespace orlofx::cli

#include "cli/commands.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cli/at_option.h"
#include "cli/automate_option.h"
#include "cli/cli_text.h"
#include "cli/effect_command.h"
#include "cli/effect_registry.h"
#include "cli/output_file.h"
#include "cli/point_list_option.h"
#include "cli/process_command.h"
#include "cli/response_command.h"
#include "cli/suggest.h"
#include "cli/value_names.h"
#include "support/strings.h"
#include "support/version.h"

namespace orlofx::cli {

namespace {

std::string UnitText(ParameterUnit unit) {
  switch (unit) {
    case ParameterUnit::kMilliseconds:
      return Text(text::kUnitMilliseconds);
    case ParameterUnit::kTenthsDecibel:
      return Text(text::kUnitTenthsDecibel);
    case ParameterUnit::kHertz:
      return Text(text::kUnitHertz);
    case ParameterUnit::kTenthsOctave:
      return Text(text::kUnitTenthsOctave);
    case ParameterUnit::kTenthsMillisecond:
      return Text(text::kUnitTenthsMillisecond);
    case ParameterUnit::kTenthsRatio:
      return Text(text::kUnitTenthsRatio);
    case ParameterUnit::kNone:
      break;
  }
  return std::string();
}

// --- commands ------------------------------------------------------------------

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "%s\n", Text(text::kUsage).c_str());
  for (int id = text::kUsageFirstLine; id <= text::kUsageLastLine; ++id)
    std::fprintf(to, "%s\n", Text(id).c_str());
  PrintResponseUsage(to);
  std::fprintf(to, "%s\n", Text(text::kOptions).c_str());
  for (int id = text::kOptionsFirstLine; id <= text::kOptionsLastLine; ++id)
    std::fprintf(to, "%s\n", Text(id).c_str());
  PrintAutomateUsage(to);
  PrintAtUsage(to);
  PrintProcessUsage(to);
}

void PrintPresets(const EffectProcessor& fx, const char* indent) {
  for (int i = 0; i < fx.PresetCount(); ++i)
    std::printf("%s%2d  %s\n", indent, i, LoadString(fx.PresetNameId(i)));
}

int List() {
  int width = 0;
  for (const EffectEntry& e : Effects()) width = std::max(width, static_cast<int>(std::strlen(e.name)));
  for (const EffectEntry& e : Effects()) {
    std::printf("%-*s  %s\n", width, e.name, LoadString(e.displayNameId));
    PrintPresets(*CreateEffect(e), "    ");
  }
  return kExitOk;
}

int Presets(const EffectEntry& e) {
  PrintPresets(*CreateEffect(e), "");
  return kExitOk;
}

int Info(const EffectEntry& e) {
  std::unique_ptr<EffectProcessor> fx = CreateEffect(e);
  std::printf("%s: %s\n", e.name, LoadString(e.displayNameId));
  PrintLine(Text(text::kSettingsHeading));
  const ParameterTable table = fx->Parameters();
  int width = 12;
  for (std::size_t i = 0; i < table.count; ++i)
    width = std::max(width, static_cast<int>(std::strlen(table.items[i].name)));
  for (std::size_t i = 0; i < table.count; ++i) {
    const ParameterDescriptor& d = table.items[i];
    if (!table.Single(i)) continue;  // shown with its point list below
    std::printf("  %-*s %s\n", width, d.name,
                Text(text::kRangeLine, {std::to_string(d.minimum), std::to_string(d.maximum),
                                        UnitText(d.unit), std::to_string(d.defaultValue)})
                    .c_str());
    const ValueNames names = NamesOfValues(e.name, d);
    if (names.count) std::printf("  %-*s   %s\n", width, "", ValueNameList(names).c_str());
  }
  std::int32_t presetFields[kMaxRecordFields];
  fx->GetFields(presetFields);
  for (std::size_t l = 0; l < table.pointListCount; ++l)
    std::printf("  %-*s %s\n", width, table.pointLists[l].name,
                PointListInfo(table.pointLists[l], presetFields).c_str());
  if (e.infoNoteId) PrintLine(Text(e.infoNoteId));
  PrintAutomatable(*fx);
  PrintLine(
      Text(text::kRecordLine, {std::to_string(fx->Record().size), GuidToString(fx->Record().tag)}));
  PrintLine(Text(text::kPresetsHeading));
  PrintPresets(*fx, "  ");
  return kExitOk;
}

int WriteRecord(const std::vector<std::string>& args) {
  const EffectEntry* effect = nullptr;
  std::unique_ptr<EffectProcessor> fx;
  std::vector<std::string> operands;
  if (int status = CreateConfiguredEffect(args, &effect, &fx, &operands); status != kExitOk)
    return status;
  if (operands.empty()) return UsageError(Text(text::kMissingArgument, {"<output.rec>"}));
  if (operands.size() > 1) return UsageError(Text(text::kTooManyArguments, {operands[1]}));

  MemoryRecordStream record;
  const HResult hr = fx->SaveRecord(record, true);
  if (Failed(hr)) return Failure(Text(text::kProcessingError, {HResultText(hr)}));
  std::string message;
  OutputFile output;
  if (!output.Create(operands[0], &message) ||
      !output.WriteAll(record.Bytes().data(), record.Bytes().size(), &message) ||
      !output.Commit(&message))
    return Failure(message);
  return kExitOk;
}

// Takes every "--lang <language>" (also "--lang=<language>", and the older
// spelling --language) out of args and sets the language of texts; without
// one, the locale environment chooses.
int TakeLanguage(std::vector<std::string>* args) {
  // First the environment's choice, so that a mistake in the option is
  // reported in the user's language already.
  SetLanguage(LanguageFromEnvironment(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                      std::getenv("LANG")));
  for (std::size_t i = 0; i < args->size();) {
    const std::string& arg = (*args)[i];
    if (arg == "--") break;
    std::string option = arg.substr(0, arg.find('='));
    if (option != "--lang" && option != "--language") {
      ++i;
      continue;
    }
    std::string value;
    std::size_t used = 1;
    if (option.size() < arg.size()) {
      value = arg.substr(option.size() + 1);
    } else if (i + 1 < args->size()) {
      value = (*args)[i + 1];
      used = 2;
    } else {
      return UsageError(Text(text::kMissingArgument, {option}));
    }
    const int id = LanguageFromName(value);
    if (id < 0) return UsageError(Text(text::kUnknownLanguage, {value}));
    SetLanguage(id);
    args->erase(args->begin() + static_cast<std::ptrdiff_t>(i),
                args->begin() + static_cast<std::ptrdiff_t>(i + used));
  }
  return kExitOk;
}

}  // namespace

int Run(std::vector<std::string> args) {
  if (int status = TakeLanguage(&args); status != kExitOk) return status;
  if (args.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (command == "--version") {
    std::printf("orlofx %s\n", VersionString());
    return kExitOk;
  }
  if (command == "list") {
    if (args.size() > 1) return UsageError(Text(text::kTooManyArguments, {args[1]}));
    return List();
  }
  if (command == "info" || command == "presets") {
    if (args.size() < 2) return UsageError(Text(text::kMissingArgument, {"<effect>"}));
    CommandLine line;
    if (int status = ParseCommandLine({args.begin() + 1, args.end()}, false, {}, &line);
        status != kExitOk)
      return status;
    if (!line.operands.empty() || !line.effects.front().actions.empty())
      return UsageError(Text(text::kTooManyArguments, {args[2]}));
    const EffectEntry& effect = *line.effects.front().effect;
    return command == "info" ? Info(effect) : Presets(effect);
  }
  if (command == "response") return Response(args);
  if (command == "process") return Process({args.begin() + 1, args.end()});
  if (command == "record") return WriteRecord(args);
  const std::vector<std::string> commands = {"list",    "info",   "presets", "process",
                                             "record", "response", "--help", "--version"};
  return UsageError(WithSuggestion(Text(text::kUnknownCommand, {command}), command, commands));
}

int CreateConfiguredEffect(const std::vector<std::string>& args, const EffectEntry** effect,
                           std::unique_ptr<EffectProcessor>* fx,
                           std::vector<std::string>* operands) {
  CommandLine line;
  if (int status = ParseCommandLine({args.begin() + 1, args.end()}, false, {}, &line);
      status != kExitOk)
    return status;
  *fx = CreateEffect(*line.effects.front().effect);
  if (int status = ApplyActions(**fx, line.effects.front(), TimedOptions::kRefused, nullptr);
      status != kExitOk)
    return status;
  *effect = line.effects.front().effect;
  *operands = line.operands;
  return kExitOk;
}

}  // namespace orlofx::cli

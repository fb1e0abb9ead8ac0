#include "cli/commands.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "cli/at_option.h"
#include "cli/automate_option.h"
#include "cli/cli_text.h"
#include "cli/effect_registry.h"
#include "cli/output_file.h"
#include "cli/point_list_option.h"
#include "cli/progress.h"
#include "cli/response_command.h"
#include "cli/setting_options.h"
#include "cli/sound_file.h"
#include "support/number_format.h"
#include "support/strings.h"
#include "support/version.h"

namespace orlofx::cli {

namespace {

struct SettingAction {
  enum class Kind { kPreset, kSet, kRecord, kAutomate, kAt } kind;
  std::string value;
};

struct EffectCommand {
  const EffectEntry* effect = nullptr;
  std::vector<SettingAction> actions;
  std::vector<std::string> operands;
};

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

// Applies the settings options in the order given; the --at options are
// read and checked into *timed (null where the command has no audio to
// time them by).
int ApplyActions(EffectProcessor& fx, const EffectCommand& command,
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
        status = ParseSetOption(fx, action.value, &change);
        break;
      case SettingAction::Kind::kRecord:
        status = ParseRecordOption(fx, effect, action.value, &change);
        break;
      case SettingAction::Kind::kAutomate:
        status = ApplyAutomate(fx, effect.name, action.value);
        if (status != kExitOk) return status;
        continue;
      case SettingAction::Kind::kAt:
        if (!timed) return UsageError(Text(text::kAtOnlyWhileProcessing));
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

// "<effect> [--preset X] [--set F=V] [--record FILE] operands..." with
// "--option value" or "--option=value"; "--" ends the options.
int ParseEffectCommand(const std::vector<std::string>& args, EffectCommand* command) {
  if (args.size() < 2) return UsageError(Text(text::kMissingArgument, {"<effect>"}));
  command->effect = FindEffect(args[1]);
  if (!command->effect) return UsageError(Text(text::kUnknownEffect, {args[1]}));
  bool optionsEnded = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      command->operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string option = arg.substr(0, eq);
    SettingAction::Kind kind;
    if (option == "--preset") {
      kind = SettingAction::Kind::kPreset;
    } else if (option == "--set") {
      kind = SettingAction::Kind::kSet;
    } else if (option == "--record") {
      kind = SettingAction::Kind::kRecord;
    } else if (option == "--automate") {
      kind = SettingAction::Kind::kAutomate;
    } else if (option == "--at") {
      kind = SettingAction::Kind::kAt;
    } else {
      return UsageError(Text(text::kUnknownCommand, {arg}));
    }
    std::string value;
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return UsageError(Text(text::kMissingArgument, {option}));
    }
    command->actions.push_back(SettingAction{kind, value});
  }
  return kExitOk;
}

// --- audio ---------------------------------------------------------------------

// Streams the whole input through the effect as the filter frame does:
// every read is offered until it is used up, then the drain flushes what
// the effect holds back. A timed change splits the call at its frame.
template <typename Sample>
int Pump(EffectProcessor& fx, const EffectEntry& effect, const std::vector<TimedChange>& changes,
         SoundFile& in, SoundFile& out, int channels) {
  constexpr std::uint32_t kChunk = 8192;
  ChangeCursor cursor(changes);
  auto applyDue = [&](std::int64_t position) {
    const HResult hr = cursor.ApplyDue(fx, effect, position);
    return Failed(hr) ? Failure(Text(text::kProcessingError, {HResultText(hr)})) : kExitOk;
  };
  std::vector<Sample> source(static_cast<std::size_t>(kChunk) * channels);
  std::vector<Sample> sink(static_cast<std::size_t>(kChunk) * channels);
  std::int64_t consumedTotal = 0, producedTotal = 0;
  Progress progress(in.info().frames, in.info().samplerate);

  auto deliver = [&](std::uint32_t frames) {
    if (frames == 0) return true;
    if (WriteFrames(out.handle(), sink.data(), frames, channels) != frames) return false;
    producedTotal += frames;
    return true;
  };
  auto writeFailure = [&] {
    return Failure(Text(text::kCannotWrite, {out.path(), sf_strerror(out.handle())}));
  };

  for (;;) {
    const std::int64_t got = ReadFrames(in.handle(), source.data(), kChunk, channels);
    if (got <= 0) break;
    std::uint32_t offset = 0, remaining = static_cast<std::uint32_t>(got);
    while (remaining > 0) {
      const std::int64_t position = consumedTotal + offset;
      if (int status = applyDue(position); status != kExitOk) return status;
      std::uint32_t inFrames = cursor.Limit(position, remaining), outFrames = kChunk;
      // Automatable effects take their input in the stretches their envelopes allow.
      const HResult hr = ProcessInStretches(fx, AutomationOf(fx), kProcessOrdinary,
                                            source.data() + std::size_t{offset} * channels,
                                            &inFrames, sink.data(), &outFrames);
      if (Failed(hr) || (inFrames == 0 && outFrames == 0))
        return Failure(Text(text::kProcessingError, {HResultText(hr)}));
      if (!deliver(outFrames)) return writeFailure();
      offset += inFrames;
      remaining -= inFrames;
    }
    consumedTotal += got;
    progress.Update(consumedTotal);
  }
  if (sf_error(in.handle()) != SF_ERR_NO_ERROR)
    return Failure(Text(text::kCannotRead, {in.path(), sf_strerror(in.handle())}));
  if (int status = applyDue(consumedTotal); status != kExitOk) return status;

  for (;;) {
    std::uint32_t outFrames = kChunk;
    const HResult hr = fx.Process(kProcessDrain, nullptr, nullptr, sink.data(), &outFrames);
    if (Failed(hr)) return Failure(Text(text::kProcessingError, {HResultText(hr)}));
    if (!deliver(outFrames)) return writeFailure();
    if (hr == kProcessFinished) break;
    if (outFrames == 0) return Failure(Text(text::kProcessingError, {HResultText(hr)}));
  }
  progress.Finish();
  if (producedTotal != consumedTotal)
    return Failure(Text(text::kLengthMismatch,
                        {std::to_string(producedTotal), std::to_string(consumedTotal)}));
  return kExitOk;
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
  }
  std::int32_t presetFields[kMaxRecordFields];
  fx->GetFields(presetFields);
  for (std::size_t l = 0; l < table.pointListCount; ++l)
    std::printf("  %-*s %s\n", width, table.pointLists[l].name,
                PointListInfo(table.pointLists[l], presetFields).c_str());
  PrintAutomatable(*fx);
  PrintLine(
      Text(text::kRecordLine, {std::to_string(fx->Record().size), GuidToString(fx->Record().tag)}));
  PrintLine(Text(text::kPresetsHeading));
  PrintPresets(*fx, "  ");
  return kExitOk;
}

int ProcessFile(const EffectCommand& command) {
  if (command.operands.size() < 2)
    return UsageError(
        Text(text::kMissingArgument, {command.operands.empty() ? "<input.wav>" : "<output.wav>"}));
  if (command.operands.size() > 2)
    return UsageError(Text(text::kTooManyArguments, {command.operands[2]}));
  const std::string& inputPath = command.operands[0];
  const std::string& outputPath = command.operands[1];

  std::unique_ptr<EffectProcessor> fx = CreateEffect(*command.effect);
  std::vector<TimedChange> changes;
  if (int status = ApplyActions(*fx, command, &changes); status != kExitOk) return status;

  std::string message;
  SoundFile input;
  if (!input.OpenForReading(inputPath, &message)) return Failure(message);
  const std::optional<WaveFormat> format = input.AcceptedFormat(&message);
  if (!format) return Failure(message);
  if (int status = PlaceTimedChanges(&changes, input.info().samplerate, input.info().frames);
      status != kExitOk)
    return status;
  fx->SetFormats(&*format, &*format);
  DesignOnTheProcessingThread(*fx);
  if (Failed(fx->Prepare(*format, *format)))
    return Failure(Text(text::kFormatRefused, {inputPath}));

  OutputFile output;  // declared before the sound file, so it is discarded after it closes
  if (!output.Create(outputPath, &message)) return Failure(message);
  SoundFile sink;
  if (!sink.OpenForWriting(output.TakeDescriptor(), outputPath, input.info().format,
                           input.info().channels, input.info().samplerate, &message))
    return Failure(message);

  int status = kExitOk;
  const int channels = format->channels;
  switch (*SampleFormatOf(*format)) {
    case SampleFormat::kPcm8:
      status = Pump<std::uint8_t>(*fx, *command.effect, changes, input, sink, channels);
      break;
    case SampleFormat::kPcm16:
      status = Pump<std::int16_t>(*fx, *command.effect, changes, input, sink, channels);
      break;
    case SampleFormat::kPcm32:
      status = Pump<std::int32_t>(*fx, *command.effect, changes, input, sink, channels);
      break;
    case SampleFormat::kFloat32:
      status = Pump<float>(*fx, *command.effect, changes, input, sink, channels);
      break;
    case SampleFormat::kFloat64:
      status = Pump<double>(*fx, *command.effect, changes, input, sink, channels);
      break;
  }
  fx->Release();
  if (status != kExitOk) return status;
  if (!sink.Close(&message) || !output.Commit(&message)) return Failure(message);
  const auto frames = static_cast<long>(input.info().frames);
  const long rate = input.info().samplerate;
  PrintLine(Text(text::kProcessedSummary,
                 {command.effect->name, FormatInteger(frames, true),
                  FormatLevel(rate > 0 ? frames * 100 / rate : 0, 2, 0, ""),
                  FormatInteger(rate, true), outputPath}));
  return kExitOk;
}

int WriteRecord(const EffectCommand& command) {
  if (command.operands.empty()) return UsageError(Text(text::kMissingArgument, {"<output.rec>"}));
  if (command.operands.size() > 1)
    return UsageError(Text(text::kTooManyArguments, {command.operands[1]}));
  std::unique_ptr<EffectProcessor> fx = CreateEffect(*command.effect);
  if (int status = ApplyActions(*fx, command, nullptr); status != kExitOk) return status;

  MemoryRecordStream record;
  const HResult hr = fx->SaveRecord(record, true);
  if (Failed(hr)) return Failure(Text(text::kProcessingError, {HResultText(hr)}));
  std::string message;
  OutputFile output;
  if (!output.Create(command.operands[0], &message) ||
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
    if (args.size() > 2) return UsageError(Text(text::kTooManyArguments, {args[2]}));
    const EffectEntry* effect = FindEffect(args[1]);
    if (!effect) return UsageError(Text(text::kUnknownEffect, {args[1]}));
    return command == "info" ? Info(*effect) : Presets(*effect);
  }
  if (command == "response") return Response(args);
  if (command == "process" || command == "record") {
    EffectCommand parsed;
    if (int status = ParseEffectCommand(args, &parsed); status != kExitOk) return status;
    return command == "process" ? ProcessFile(parsed) : WriteRecord(parsed);
  }
  return UsageError(Text(text::kUnknownCommand, {command}));
}

int CreateConfiguredEffect(const std::vector<std::string>& args, const EffectEntry** effect,
                           std::unique_ptr<EffectProcessor>* fx,
                           std::vector<std::string>* operands) {
  EffectCommand parsed;
  if (int status = ParseEffectCommand(args, &parsed); status != kExitOk) return status;
  *fx = CreateEffect(*parsed.effect);
  if (int status = ApplyActions(**fx, parsed, nullptr); status != kExitOk) return status;
  *effect = parsed.effect;
  *operands = parsed.operands;
  return kExitOk;
}

}  // namespace orlofx::cli

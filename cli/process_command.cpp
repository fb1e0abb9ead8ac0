#include "cli/process_command.h"

#include <chrono>
#include <memory>
#include <optional>

#include "cli/chain.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/effect_command.h"
#include "cli/file_types.h"
#include "cli/level_meter.h"
#include "cli/output_file.h"
#include "cli/progress.h"
#include "cli/report.h"
#include "cli/sound_file.h"
#include "cli/suggest.h"
#include "support/number_format.h"

namespace orlofx::cli {

namespace {

constexpr std::uint32_t kChunk = 8192;

const std::vector<GlobalOption> kOptions = {
    {"--type", true}, {"--format", true}, {"--json", true}, {"--stats", false}, {"--quiet", false},
};

struct Plan {
  std::string input;
  std::string output;
  std::string json;  // "" none, "-" standard output
  const FileType* type = nullptr;
  bool typeNamed = false;
  std::optional<int> subtype;
  bool stats = false;
  bool quiet = false;
};

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t comma; (comma = list.find(", ", start)) != std::string::npos; start = comma + 2)
    items.push_back(list.substr(start, comma - start));
  items.push_back(list.substr(start));
  return items;
}

int ReadPlan(const CommandLine& line, Plan* plan) {
  if (line.operands.size() < 2)
    return UsageError(
        Text(text::kMissingArgument, {line.operands.empty() ? "<input>" : "<output>"}));
  if (line.operands.size() > 2)
    return UsageError(Text(text::kTooManyArguments, {line.operands[2]}));
  plan->input = line.operands[0];
  plan->output = line.operands[1];
  auto global = [&](const char* name) -> const std::string* {
    const auto found = line.globals.find(name);
    return found == line.globals.end() ? nullptr : &found->second;
  };
  plan->stats = global("--stats") != nullptr;
  plan->quiet = global("--quiet") != nullptr;
  if (const std::string* json = global("--json")) {
    if (json->empty()) return UsageError(Text(text::kMissingArgument, {"--json"}));
    if (*json == "-" && plan->output == "-") return UsageError(Text(text::kJsonNeedsFile));
    plan->json = *json;
  }
  if (const std::string* type = global("--type")) {
    plan->type = FileTypeNamed(*type);
    plan->typeNamed = true;
    if (!plan->type)
      return UsageError(WithSuggestion(Text(text::kUnknownFileType, {*type, FileTypeNames()}),
                                       *type, Split(FileTypeNames())));
  } else if (plan->output == "-") {
    plan->type = FileTypeNamed("wav");
  } else {
    plan->type = FileTypeOfPath(plan->output);
    if (!plan->type)
      return UsageError(Text(text::kUnknownExtension, {plan->output, FileTypeNames()}));
  }
  if (const std::string* format = global("--format")) {
    plan->subtype = SubtypeNamed(*format, plan->type->major);
    if (!plan->subtype)
      return UsageError(WithSuggestion(Text(text::kUnknownSampleFormat, {*format, SubtypeNames()}),
                                       *format, Split(SubtypeNames())));
  }
  return kExitOk;
}

// The file's own sample format where the effects take it as it is.
std::optional<SampleFormat> NativeFormat(int sfFormat) {
  switch (sfFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8: return SampleFormat::kPcm8;
    case SF_FORMAT_PCM_16: return SampleFormat::kPcm16;
    case SF_FORMAT_PCM_32: return SampleFormat::kPcm32;
    case SF_FORMAT_FLOAT: return SampleFormat::kFloat32;
    case SF_FORMAT_DOUBLE: return SampleFormat::kFloat64;
    default: return std::nullopt;
  }
}

SampleFormat WorkingFormat(std::size_t effects, const SF_INFO& in, int outFormat) {
  const bool same = (in.format & SF_FORMAT_SUBMASK) == (outFormat & SF_FORMAT_SUBMASK);
  if (effects == 1 && in.channels <= 2 && same)
    if (const std::optional<SampleFormat> native = NativeFormat(in.format)) return *native;
  const SampleLayout layout = LayoutOf(in.format);
  const bool wide = layout.kind == SampleKind::kDouble ||
                    (layout.kind == SampleKind::kInteger && layout.bits > 24);
  return wide ? SampleFormat::kFloat64 : SampleFormat::kFloat32;
}

// A stage of the chain: `first`, the effect with its settings applied, and
// beyond stereo a mono instance more, set alike, for every further channel.
int BuildStage(const EffectCommand& command, std::unique_ptr<EffectProcessor> first,
               std::vector<TimedChange> changes, const SF_INFO& in,
               std::unique_ptr<ChainStage>* stage) {
  std::vector<std::unique_ptr<EffectProcessor>> instances;
  instances.push_back(std::move(first));
  QuietWarnings quiet;  // said once already
  for (int c = 1; in.channels > 2 && c < in.channels; ++c) {
    instances.push_back(CreateEffect(*command.effect));
    if (int status = ApplyActions(*instances.back(), command, TimedOptions::kSkipped, nullptr);
        status != kExitOk)
      return status;
  }
  *stage = std::make_unique<ChainStage>(*command.effect, std::move(instances), std::move(changes),
                                        in.channels);
  return kExitOk;
}

// The input's speaker positions, where it names them, for the output.
void CopyChannelMap(const SoundFile& from, const SoundFile& to) {
  std::vector<int> map(static_cast<std::size_t>(from.info().channels));
  const int bytes = static_cast<int>(map.size() * sizeof(int));
  if (sf_command(from.handle(), SFC_GET_CHANNEL_MAP_INFO, map.data(), bytes) == SF_TRUE)
    sf_command(to.handle(), SFC_SET_CHANNEL_MAP_INFO, map.data(), bytes);
}

SideReport Side(const std::string& path, const SF_INFO& info, std::int64_t frames,
                const LevelMeter* meter) {
  return SideReport{path, info.format, info.channels, info.samplerate, frames,
                    meter ? meter->Result() : Levels{}};
}

int WriteReport(const std::string& path, const std::string& json) {
  if (path == "-") {
    std::fwrite(json.data(), 1, json.size(), stdout);
    return kExitOk;
  }
  std::string message;
  OutputFile file;
  if (!file.Create(path, &message) || !file.WriteAll(json.data(), json.size(), &message) ||
      !file.Commit(&message))
    return Failure(message);
  return kExitOk;
}

// "<effects>: <frames> frames (<seconds> s at <rate> Hz) written to <output>",
// on standard error when standard output carries the audio or the report.
void PrintSummary(const CommandLine& line, const Plan& plan, std::int64_t frames, long rate) {
  std::string names;
  for (const EffectCommand& command : line.effects)
    names += (names.empty() ? "" : ", ") + std::string(command.effect->name);
  const std::string summary =
      Text(text::kProcessedSummary,
           {names, FormatInteger(static_cast<long>(frames), true),
            FormatLevel(rate > 0 ? static_cast<long>(frames * 100 / rate) : 0, 2, 0, ""),
            FormatInteger(rate, true), plan.output});
  std::fprintf(plan.output == "-" || plan.json == "-" ? stderr : stdout, "%s\n", summary.c_str());
}

}  // namespace

int Process(const std::vector<std::string>& args) {
  const auto started = std::chrono::steady_clock::now();
  CommandLine line;
  if (int status = ParseCommandLine(args, true, kOptions, &line); status != kExitOk) return status;
  Plan plan;
  if (int status = ReadPlan(line, &plan); status != kExitOk) return status;

  // Every effect's settings first, so that a mistake is told before any file
  // is touched.
  const std::size_t count = line.effects.size();
  std::vector<std::unique_ptr<EffectProcessor>> firsts(count);
  std::vector<std::vector<TimedChange>> changes(count);
  for (std::size_t i = 0; i < count; ++i) {
    firsts[i] = CreateEffect(*line.effects[i].effect);
    if (int status = ApplyActions(*firsts[i], line.effects[i], TimedOptions::kRead, &changes[i]);
        status != kExitOk)
      return status;
  }

  std::string message;
  SoundFile input;
  if (!input.OpenForReading(plan.input, &message)) return Failure(message);
  const SF_INFO in = input.info();
  for (std::vector<TimedChange>& c : changes)
    if (int status = PlaceTimedChanges(&c, in.samplerate, in.frames); status != kExitOk)
      return status;
  const int outFormat = ChooseOutputFormat(*plan.type, plan.typeNamed, plan.subtype, in, &message);
  if (outFormat < 0) return Failure(message);
  const SampleFormat working = WorkingFormat(count, in, outFormat);

  RunReport report;
  std::vector<std::unique_ptr<ChainStage>> stages;
  for (std::size_t i = 0; i < count; ++i) {
    report.chain.push_back(
        StageReport{line.effects[i].effect->name, SettingsJson(*firsts[i]), changes[i], 0});
    std::unique_ptr<ChainStage> stage;
    if (int status =
            BuildStage(line.effects[i], std::move(firsts[i]), std::move(changes[i]), in, &stage);
        status != kExitOk)
      return status;
    if (Failed(stage->Prepare(working, static_cast<std::uint32_t>(in.samplerate))))
      return Failure(Text(text::kFormatRefused, {plan.input}));
    stages.push_back(std::move(stage));
  }

  OutputFile output;  // declared before the sound file, so it is discarded after it closes
  if (!output.Create(plan.output, &message)) return Failure(message);
  SoundFile sink;
  if (!sink.OpenForWriting(output.TakeDescriptor(), plan.output, outFormat, in.channels,
                           in.samplerate, &message))
    return Failure(message);
  CopyChannelMap(input, sink);

  const bool measured = !plan.json.empty() || plan.stats;
  std::unique_ptr<LevelMeter> inMeter, outMeter;
  if (measured) {
    inMeter = std::make_unique<LevelMeter>(in.channels, in.samplerate, input.layout());
    outMeter = std::make_unique<LevelMeter>(in.channels, in.samplerate, sink.layout());
  }
  FrameReader reader(input, working, kChunk, inMeter.get());
  FrameWriter writer(sink, working, kChunk, outMeter.get());
  std::int64_t read = 0, written = 0;
  Chain chain(std::move(stages), [&](const unsigned char* frames, std::size_t n) {
    if (!writer.Write(frames, static_cast<std::uint32_t>(n))) {
      Failure(Text(text::kCannotWrite, {plan.output, sf_strerror(sink.handle())}));
      return false;
    }
    written += static_cast<std::int64_t>(n);
    return true;
  });

  std::vector<unsigned char> buffer(std::size_t{kChunk} * in.channels * BytesPerSample(working));
  Progress progress(in.frames, in.samplerate, !plan.quiet);
  while (const std::uint32_t n = reader.Read(buffer.data())) {
    if (int status = chain.Push(buffer.data(), n); status != kExitOk) return status;
    read += n;
    progress.Update(read);
  }
  if (sf_error(input.handle()) != SF_ERR_NO_ERROR)
    return Failure(Text(text::kCannotRead, {plan.input, sf_strerror(input.handle())}));
  if (int status = chain.Finish(); status != kExitOk) return status;
  progress.Finish();
  if (written != read)
    return Failure(Text(text::kLengthMismatch, {std::to_string(written), std::to_string(read)}));
  if (!sink.Close(&message) || !output.Commit(&message)) return Failure(message);

  for (std::size_t i = 0; i < count; ++i) report.chain[i].latencyFrames = chain.stages()[i]->latency();
  report.input = Side(plan.input, in, read, inMeter.get());
  report.output = Side(plan.output, sink.info(), written, outMeter.get());
  report.output.sfFormat = outFormat;
  report.secondsTaken =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (!plan.json.empty())
    if (int status = WriteReport(plan.json, ReportJson(report)); status != kExitOk) return status;
  if (plan.stats) std::fprintf(stderr, "%s\n", StatsLine(report).c_str());
  if (!plan.quiet) PrintSummary(line, plan, read, in.samplerate);
  return kExitOk;
}

void PrintProcessUsage(std::FILE* to) {
  for (int id = text::kProcessUsage; id <= text::kProcessUsageLast; ++id)
    std::fprintf(to, "%s\n",
                 Text(id, {id == text::kFormatUsageLine ? SubtypeNames() : FileTypeNames()}).c_str());
}

}  // namespace orlofx::cli

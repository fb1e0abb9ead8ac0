#include "cli/report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/cli_text.h"
#include "cli/file_types.h"
#include "framework/settings_record.h"
#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx::cli {

namespace {

// Shortest text that reads back as the same double, '.' whatever the
// locale; null for what JSON has no number for.
std::string Number(double v) {
  if (!std::isfinite(v)) return "null";
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return ec == std::errc() ? std::string(buffer, end) : "null";
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (const unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string SideJson(const SideReport& side) {
  const Levels& l = side.levels;
  return "{\"path\": " + Quoted(side.path) + ", \"type\": " + Quoted(TypeNameOf(side.sfFormat)) +
         ", \"format\": " + Quoted(LibraryFormatName(side.sfFormat & SF_FORMAT_SUBMASK)) +
         ", \"channels\": " + std::to_string(side.channels) +
         ", \"rate\": " + std::to_string(side.rate) + ", \"frames\": " + std::to_string(side.frames) +
         ", \"seconds\": " + Number(side.rate > 0 ? static_cast<double>(side.frames) / side.rate : 0.0) +
         ", \"peak_dbfs\": " + Number(l.peakDbfs) + ", \"true_peak_dbtp\": " + Number(l.truePeakDbtp) +
         ", \"integrated_lufs\": " + Number(l.integratedLufs) +
         ", \"clipped_samples\": " + std::to_string(l.clippedSamples) + "}";
}

// A level in tenths, in the locale's layout; "-Inf." for silence.
std::string LevelText(double db) {
  if (!std::isfinite(db)) return LoadString(sid::kLevelMinusInfinity);
  return FormatLevel(std::lround(db * 10.0), 1, 0, nullptr);
}

}  // namespace

std::string SettingsJson(const EffectProcessor& fx) {
  std::int32_t fields[kMaxRecordFields];
  fx.GetFields(fields);
  const ParameterTable table = fx.Parameters();
  std::string json = "{";
  for (std::size_t i = 0; i < table.count; ++i) {
    if (!table.Single(i)) continue;
    json += (json.size() > 1 ? ", " : "") + Quoted(table.items[i].name) + ": " +
            std::to_string(fields[i]);
  }
  for (std::size_t l = 0; l < table.pointListCount; ++l) {
    const PointListDescriptor& list = table.pointLists[l];
    const std::int32_t count =
        std::min(std::max(fields[list.countField], list.minCount), list.maxCount);
    std::string points;
    for (std::int32_t p = 0; p < count; ++p)
      points += (p ? ", [" : "[") + std::to_string(fields[list.firstField + 2 * p]) + ", " +
                std::to_string(fields[list.firstField + 2 * p + 1]) + "]";
    json += (json.size() > 1 ? ", " : "") + Quoted(list.name) + ": [" + points + "]";
  }
  return json + "}";
}

std::string ReportJson(const RunReport& report) {
  std::string chain;
  for (const StageReport& stage : report.chain) {
    std::string changes;
    for (const TimedChange& c : stage.changes)
      changes += (changes.empty() ? "{\"seconds\": " : ", {\"seconds\": ") + Number(c.seconds) +
                 ", \"change\": " + Quoted(c.given.substr(c.given.find(':') + 1)) + "}";
    const double rate = report.input.rate > 0 ? report.input.rate : 1;
    chain += (chain.empty() ? "" : ",\n    ") + std::string("{\"effect\": ") + Quoted(stage.effect) +
             ", \"settings\": " + stage.settingsJson + ", \"changes\": [" + changes +
             "], \"latency_frames\": " + std::to_string(stage.latencyFrames) +
             ", \"latency_seconds\": " + Number(static_cast<double>(stage.latencyFrames) / rate) + "}";
  }
  return "{\n  \"input\": " + SideJson(report.input) + ",\n  \"output\": " +
         SideJson(report.output) + ",\n  \"chain\": [\n    " + chain +
         "\n  ],\n  \"seconds_taken\": " + Number(report.secondsTaken) + "\n}\n";
}

std::string StatsLine(const RunReport& report) {
  const Levels& in = report.input.levels;
  const Levels& out = report.output.levels;
  return Text(text::kStatsLine,
              {LevelText(in.peakDbfs), LevelText(in.truePeakDbtp), LevelText(in.integratedLufs),
               FormatInteger(static_cast<long>(in.clippedSamples), true), LevelText(out.peakDbfs),
               LevelText(out.truePeakDbtp), LevelText(out.integratedLufs),
               FormatInteger(static_cast<long>(out.clippedSamples), true),
               FormatLevel(std::lround(report.secondsTaken * 100.0), 2, 0, nullptr)});
}

}  // namespace orlofx::cli

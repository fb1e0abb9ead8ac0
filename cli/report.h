// The report of a processing run: --json writes it as a JSON object, --stats
// as one line for people.
//
//   {"input": {side}, "output": {side},
//    "chain": [{"effect": name, "settings": {name: value, points: [[x, y], ...]},
//               "changes": [{"seconds": s, "change": "setting=value"}],
//               "latency_frames": n, "latency_seconds": s}, ...],
//    "seconds_taken": s}
//   side: {"path", "type", "format", "channels", "rate", "frames", "seconds",
//          "peak_dbfs", "true_peak_dbtp", "integrated_lufs", "clipped_samples"}
//
// Levels of silence, which have no decibel value, are null. A stage's latency
// is the most input it held back at once; it is drained at the end, so the
// output stays aligned with the input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/at_option.h"
#include "cli/level_meter.h"
#include "framework/processor.h"

namespace orlofx::cli {

struct SideReport {
  std::string path;
  int sfFormat = 0;
  int channels = 0;
  int rate = 0;
  std::int64_t frames = 0;
  Levels levels{};
};

struct StageReport {
  std::string effect;
  std::string settingsJson;  // SettingsJson() of the effect before the file started
  std::vector<TimedChange> changes;
  std::int64_t latencyFrames = 0;
};

struct RunReport {
  SideReport input;
  SideReport output;
  std::vector<StageReport> chain;
  double secondsTaken = 0.0;
};

// The effect's settings as a JSON object: every setting set on its own, and
// each point list as an array of [x, y].
std::string SettingsJson(const EffectProcessor& fx);

std::string ReportJson(const RunReport& report);
// The levels in and out and the time, in the current language and locale.
std::string StatsLine(const RunReport& report);

}  // namespace orlofx::cli

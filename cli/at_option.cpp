#include "cli/at_option.h"

#include <charconv>
#include <cmath>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "support/number_format.h"

namespace orlofx::cli {

int ParseAtOption(const EffectProcessor& fx, const EffectEntry& effect, const std::string& value,
                  TimedChange* change) {
  const std::size_t colon = value.find(':');
  const std::size_t eq = value.find('=', colon == std::string::npos ? 0 : colon);
  if (colon == std::string::npos || colon == 0 || eq == std::string::npos)
    return UsageError(Text(text::kAtSyntax, {value}));
  double seconds = 0.0;
  const char* first = value.data();
  const char* last = value.data() + colon;
  const auto [end, ec] = std::from_chars(first, last, seconds, std::chars_format::fixed);
  if (ec != std::errc() || end != last || !std::isfinite(seconds))
    return UsageError(Text(text::kAtSyntax, {value}));
  change->given = value;
  change->seconds = seconds;

  const std::string what = value.substr(colon + 1, eq - colon - 1);
  const std::string given = value.substr(eq + 1);
  if (what == "preset") return ParsePresetOption(fx, given, &change->change);
  if (what == "record") return ParseRecordOption(fx, effect, given, &change->change);
  return ParseSetOption(fx, effect, value.substr(colon + 1), &change->change);
}

int PlaceTimedChanges(std::vector<TimedChange>* changes, int rate, std::int64_t frames) {
  const TimedChange* before = nullptr;
  for (TimedChange& c : *changes) {
    const double frame = std::round(c.seconds * rate);
    if (!(c.seconds >= 0.0) || frame > static_cast<double>(frames)) {
      const long hundredths = rate > 0 ? static_cast<long>(frames * 100 / rate) : 0;
      return UsageError(Text(text::kAtOutsideInput, {c.given, FormatLevel(hundredths, 2, 0, "")}));
    }
    c.frame = static_cast<std::int64_t>(frame);
    if (before && c.seconds < before->seconds)
      return UsageError(Text(text::kAtOutOfOrder, {c.given, before->given}));
    before = &c;
  }
  return kExitOk;
}

const SettingChange* ChangeCursor::NextDue(std::int64_t position) {
  if (next_ == changes_->size() || (*changes_)[next_].frame > position) return nullptr;
  return &(*changes_)[next_++].change;
}

std::uint32_t ChangeCursor::Limit(std::int64_t position, std::uint32_t offered) const {
  if (next_ == changes_->size()) return offered;
  const std::int64_t until = (*changes_)[next_].frame - position;
  return until < offered ? static_cast<std::uint32_t>(until) : offered;
}

void PrintAtUsage(std::FILE* to) {
  for (int id = text::kAtUsage; id <= text::kAtUsageLast; ++id)
    std::fprintf(to, "%s\n", Text(id).c_str());
}

}  // namespace orlofx::cli

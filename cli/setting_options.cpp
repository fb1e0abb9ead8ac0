#include "cli/setting_options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/point_list_option.h"
#include "cli/suggest.h"
#include "cli/value_names.h"
#include "support/strings.h"

namespace orlofx::cli {

namespace {

// A whole decimal number with an optional sign. Digits beyond the 64-bit
// range saturate, so that an absurd value is clamped like any other.
std::optional<std::int64_t> ParseWhole(const std::string& s) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < s.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return std::nullopt;
    const int digit = s[i] - '0';
    value = value > (INT64_MAX - digit) / 10 ? INT64_MAX : value * 10 + digit;
  }
  return negative ? -value : value;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// A preset by number, or by name in the current language or in English.
int FindPreset(const EffectProcessor& fx, const std::string& wanted) {
  if (std::optional<std::int64_t> n = ParseWhole(wanted))
    return *n >= 0 && *n < fx.PresetCount() ? static_cast<int>(*n) : -1;
  for (int i = 0; i < fx.PresetCount(); ++i) {
    const int id = fx.PresetNameId(i);
    const char* english = StringInTable(kLanguageEnglish, id);
    if (EqualsIgnoringCase(wanted, LoadString(id)) ||
        (english && EqualsIgnoringCase(wanted, english)))
      return i;
  }
  return -1;
}

// What a setting may be called: the settings set on their own and the point
// lists.
std::vector<std::string> SettingNames(const ParameterTable& table) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < table.count; ++i)
    if (table.Single(i)) names.push_back(table.items[i].name);
  for (std::size_t l = 0; l < table.pointListCount; ++l) names.push_back(table.pointLists[l].name);
  return names;
}

}  // namespace

int ParsePresetOption(const EffectProcessor& fx, const std::string& value, SettingChange* change) {
  const int index = FindPreset(fx, value);
  if (index < 0) {
    std::vector<std::string> names;
    for (int i = 0; i < fx.PresetCount(); ++i) names.push_back(LoadString(fx.PresetNameId(i)));
    return UsageError(WithSuggestion(Text(text::kUnknownPreset, {value}), value, names));
  }
  change->kind = SettingChange::Kind::kPreset;
  change->value = index;
  return kExitOk;
}

int ParseSetOption(const EffectProcessor& fx, const EffectEntry& effect,
                   const std::string& assignment, SettingChange* change) {
  const std::size_t eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0) return UsageError(Text(text::kSetSyntax, {assignment}));
  const std::string name = assignment.substr(0, eq), given = assignment.substr(eq + 1);
  const ParameterTable table = fx.Parameters();
  if (const PointListDescriptor* list = table.FindPointList(name.c_str())) {
    change->kind = SettingChange::Kind::kPoints;
    return ParsePointListOption(fx, *list, given, &change->points);
  }
  const int index = table.Find(name.c_str());
  if (index < 0)
    return UsageError(
        WithSuggestion(Text(text::kUnknownSetting, {name}), name, SettingNames(table)));
  const ParameterDescriptor& d = table.items[index];
  const ValueNames names = NamesOfValues(effect.name, d);
  std::optional<std::int64_t> value = ParseWhole(given);
  if (!value) value = ValueNamed(names, given);
  if (!value) {
    const std::string message = Text(text::kInvalidValue, {assignment});
    return UsageError(names.count ? message + Text(text::kValueNamesAre, {ValueNameList(names)})
                                  : message);
  }

  // The tool keeps every value within the range it names in its warning.
  const std::int32_t used = ClampTo(*value, d.minimum, d.maximum);
  if (used != *value)
    PrintWarning(Text(text::kValueClamped, {name, given, std::to_string(d.minimum),
                                            std::to_string(d.maximum), std::to_string(used)}));
  change->kind = SettingChange::Kind::kSetting;
  change->field = static_cast<std::size_t>(index);
  change->value = used;
  return kExitOk;
}

// Reads a saved record and makes the same checks as the effect's stream
// load, so that the message can say what is wrong with a file refused.
int ParseRecordOption(const EffectProcessor& fx, const EffectEntry& effect,
                      const std::string& path, SettingChange* change) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return Failure(Text(text::kCannotRead, {path, std::strerror(errno)}));
  // One byte more than the longest record is enough to know the file is too long.
  const RecordLayout* older = fx.OlderRecord();
  std::vector<std::uint8_t> bytes(std::max(fx.Record().size, older ? older->size : 0u) + 1);
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool readError = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (readError) return Failure(Text(text::kCannotRead, {path, std::strerror(error)}));
  bytes.resize(got);
  const RecordLayout& layout = older && got == older->size ? *older : fx.Record();

  const std::string name = effect.name;
  if (got < kRecordHeadBytes) return Failure(Text(text::kRecordTooShort, {path, name}));
  MemoryRecordStream probe(bytes);
  if (Failed(ReadRecordHead(probe, layout)))
    return Failure(Text(text::kRecordWrongHead, {path, name}));
  if (got < layout.size) return Failure(Text(text::kRecordTooShort, {path, name}));
  if (got > layout.size) return Failure(Text(text::kRecordTooLong, {path, name}));
  change->kind = SettingChange::Kind::kRecord;
  change->record = std::move(bytes);
  return kExitOk;
}

HResult ApplyChange(EffectProcessor& fx, const EffectEntry& effect, const SettingChange& change) {
  switch (change.kind) {
    case SettingChange::Kind::kSetting:
      return SetSetting(fx, effect, change.field, change.value);
    case SettingChange::Kind::kPoints:
      return SetPoints(fx, effect, change.points.data(), change.points.size() / 2);
    case SettingChange::Kind::kPreset:
      return fx.ApplyPreset(change.value);
    case SettingChange::Kind::kRecord: {
      MemoryRecordStream stream(change.record);
      return fx.LoadRecord(stream);
    }
  }
  return kInvalidArg;
}

}  // namespace orlofx::cli

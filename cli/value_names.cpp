#include "cli/value_names.h"

#include <cctype>
#include <cstring>

#include "cli/cli_text.h"
#include "support/strings.h"

namespace orlofx::cli {

namespace {

constexpr int kFilterTypes[] = {text::kValueLowShelf, text::kValueHighShelf, text::kValueBandPass,
                                text::kValueBandNotch};
constexpr int kBandTypes[] = {text::kValueLowShelf, text::kValueBandNotch, text::kValueHighShelf};
constexpr int kAccuracies[] = {text::kValueLow, text::kValueMedium, text::kValueHigh};
constexpr int kSwitch[] = {text::kValueOff, text::kValueOn};

struct Row {
  const char* effect;
  const char* setting;  // the name, or its end after '_' for per-band settings
  const int* ids;
  int count;
};

constexpr Row kRows[] = {
    {"parametric-eq", "type", kFilterTypes, 4},
    {"parametric-eq", "accuracy", kAccuracies, 3},
    {"graphic-eq", "accuracy", kAccuracies, 3},
    {"multiband-dynamics", "type", kBandTypes, 3},
};

bool NamedLike(const char* name, const char* setting) {
  const char* underscore = std::strrchr(name, '_');
  return std::strcmp(name, setting) == 0 ||
         (underscore && std::strncmp(name, "band", 4) == 0 && std::strcmp(underscore + 1, setting) == 0);
}

// Lower case, without blanks, '-' and '_': "Band-pass" and "bandpass" meet.
std::string Folded(const char* text) {
  std::string folded;
  for (const char* p = text; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == ' ' || c == '-' || c == '_') continue;
    folded += static_cast<char>(std::tolower(c));
  }
  return folded;
}

}  // namespace

ValueNames NamesOfValues(const char* effect, const ParameterDescriptor& setting) {
  for (const Row& row : kRows)
    if (std::strcmp(effect, row.effect) == 0 && NamedLike(setting.name, row.setting))
      return ValueNames{row.ids, row.count};
  if (setting.unit == ParameterUnit::kNone && setting.minimum == 0 && setting.maximum == 1)
    return ValueNames{kSwitch, 2};
  return ValueNames{};
}

std::optional<int> ValueNamed(const ValueNames& names, const std::string& given) {
  const std::string wanted = Folded(given.c_str());
  if (wanted.empty()) return std::nullopt;
  for (int i = 0; i < names.count; ++i) {
    const char* english = StringInTable(kLanguageEnglish, names.ids[i]);
    if (wanted == Folded(LoadString(names.ids[i])) || (english && wanted == Folded(english)))
      return i;
  }
  return std::nullopt;
}

std::string ValueNameList(const ValueNames& names) {
  std::string list;
  for (int i = 0; i < names.count; ++i)
    list += (i ? ", " : "") + std::to_string(i) + " " + LoadString(names.ids[i]);
  return list;
}

}  // namespace orlofx::cli

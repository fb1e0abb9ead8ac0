#include "support/number_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>

#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

struct TestLocale {
  std::mutex mutex;
  std::optional<NumberLocale> locale;
};

TestLocale& TestLocaleState() {
  static TestLocale state;
  return state;
}

std::optional<NumberLocale> TestLocaleCopy() {
  TestLocale& state = TestLocaleState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.locale;
}

// "-12.345" for (-12345, 3): the magnitude is taken unsigned so that the most
// negative long has one too.
std::string PlainNumber(long value, int decimals) {
  unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  std::string digits = std::to_string(magnitude);
  if (decimals > 0) {
    std::size_t width = static_cast<std::size_t>(decimals) + 1;
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
  }
  return value < 0 ? "-" + digits : digits;
}

bool LayOut(const std::string& plain, int decimals, bool grouping, std::string* out) {
  std::optional<NumberLocale> test = TestLocaleCopy();
  return PlatformLayOutNumber(plain, decimals, grouping, test ? &*test : nullptr, out);
}

// Length of `what` when text continues with it at pos, else 0.
std::size_t MatchAt(const std::string& text, std::size_t pos, const std::string& what) {
  if (what.empty() || text.compare(pos, what.size(), what) != 0) return 0;
  return what.size();
}

// Users type an ordinary space where the locale groups with a no-break one.
const char* const kSpaces[] = {" ", "\xC2\xA0", "\xE2\x80\xAF"};  // U+0020, U+00A0, U+202F

bool IsSpace(const std::string& separator) {
  return std::any_of(std::begin(kSpaces), std::end(kSpaces),
                     [&](const char* s) { return separator == s; });
}

std::size_t MatchSpaceAt(const std::string& text, std::size_t pos) {
  for (const char* s : kSpaces)
    if (std::size_t n = MatchAt(text, pos, s)) return n;
  return 0;
}

}  // namespace

std::string FormatLevel(long value, int decimals, long floor, const char* suffix) {
  if (floor != 0 && value <= floor) return LoadString(sid::kLevelMinusInfinity);
  decimals = std::clamp(decimals, 0, 9);
  std::string text;
  if (!LayOut(PlainNumber(value, decimals), decimals, true, &text))
    return LoadString(sid::kValueError);
  if (suffix) text += suffix;
  return text;
}

std::string FormatInteger(long value, bool grouping) {
  std::string text;
  if (!LayOut(PlainNumber(value, 0), 0, grouping, &text)) return LoadString(sid::kValueError);
  return text;
}

long ParseInteger(const std::string& text) {
  const NumberLocale locale = CurrentNumberLocale();
  const bool spaceGroups = IsSpace(locale.groupSeparator);

  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;

  // What was taken, normalised to ASCII minus, digits and point.
  std::string taken;
  while (pos < text.size()) {
    const char c = text[pos];
    std::size_t n = 0;
    if (c >= '0' && c <= '9') {
      taken += c;
      n = 1;
    } else if (c == '-' || (n = MatchAt(text, pos, locale.negativeSign)) != 0) {
      taken += '-';
      n = n ? n : 1;
    } else if ((n = MatchAt(text, pos, locale.decimalSeparator)) != 0) {
      taken += '.';
    } else if ((n = MatchAt(text, pos, locale.groupSeparator)) != 0 ||
               (spaceGroups && (n = MatchSpaceAt(text, pos)) != 0)) {
      // dropped
    } else {
      break;
    }
    pos += n;
  }

  std::size_t i = 0;
  bool negative = false;
  if (i < taken.size() && taken[i] == '-') {
    negative = true;
    ++i;
  }
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;  // |INT32_MIN|
  std::uint64_t magnitude = 0;
  for (; i < taken.size() && taken[i] >= '0' && taken[i] <= '9'; ++i)
    magnitude = std::min<std::uint64_t>(magnitude * 10 + static_cast<unsigned>(taken[i] - '0'), kLimit);
  // Locales that write the sign after the number.
  if (!negative && i > 0 && !taken.empty() && taken.back() == '-' &&
      taken.find('-') == taken.size() - 1)
    negative = true;

  if (negative && magnitude > 0) return -static_cast<long>(magnitude - 1) - 1;  // no overflow at 2^31
  return static_cast<long>(std::min<std::uint64_t>(magnitude, kLimit - 1));
}

NumberLocale NumberLocaleFor(int langId) {
  NumberLocale locale;  // en-US, also ja-JP
  switch (langId & 0x3FF) {
    case 0x07:  // German
      locale.decimalSeparator = ",";
      locale.groupSeparator = ".";
      break;
    case 0x0C:  // French
      locale.decimalSeparator = ",";
      locale.groupSeparator = "\xE2\x80\xAF";  // U+202F NARROW NO-BREAK SPACE
      break;
    default:
      break;
  }
  return locale;
}

int LanguageOfLocaleName(const char* name) {
  if (!name) return kLanguageEnglish;
  struct Prefix {
    const char* code;
    int langId;
  };
  static const Prefix kPrefixes[] = {
      {"de", kLanguageGerman}, {"fr", kLanguageFrench}, {"ja", kLanguageJapanese}};
  for (const Prefix& p : kPrefixes) {
    if (std::strncmp(name, p.code, 2) != 0) continue;
    const char next = name[2];
    if (next == '\0' || next == '_' || next == '.' || next == '@' || next == '-') return p.langId;
  }
  return kLanguageEnglish;
}

std::string LayOutNumber(const std::string& plain, bool grouping, const NumberLocale& locale) {
  std::size_t pos = 0;
  const bool negative = !plain.empty() && plain[0] == '-';
  if (negative) pos = 1;
  const std::size_t point = plain.find('.', pos);
  const std::string whole = plain.substr(pos, point == std::string::npos ? std::string::npos : point - pos);

  std::string text = negative ? locale.negativeSign : std::string();
  const std::size_t group = grouping && locale.groupSize > 0 ? static_cast<std::size_t>(locale.groupSize) : 0;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (group && i > 0 && (whole.size() - i) % group == 0) text += locale.groupSeparator;
    text += whole[i];
  }
  if (point != std::string::npos) text += locale.decimalSeparator + plain.substr(point + 1);
  return text;
}

NumberLocale CurrentNumberLocale() {
  if (std::optional<NumberLocale> test = TestLocaleCopy()) return *test;
  return UserNumberLocale();
}

void SetNumberLocaleForTesting(const NumberLocale* locale) {
  TestLocale& state = TestLocaleState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (locale) state.locale = *locale;
  else state.locale.reset();
}

}  // namespace orlofx

// Texts and numbers: the string tables (English, the translations' consistency,
// language choice by id, name and locale, lookups racing a switch, every id the
// sources name), value texts and typed-number parsing in the shipped locales.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {
namespace {

// --- string tables -------------------------------------------------------------------------

namespace fs = std::filesystem;

constexpr int kEn = kLanguageEnglish, kDe = kLanguageGerman, kFr = kLanguageFrench, kJa = kLanguageJapanese;

// Puts the language and the number locale back after each test.
class StringsTest : public ::testing::Test {
 protected:
  void SetUp() override { UseLocaleOf(kEn); }
  void TearDown() override {
    SetNumberLocaleForTesting(nullptr);
    SetLanguage(kEn);
  }
  static void UseLocaleOf(int langId) {
    const NumberLocale locale = NumberLocaleFor(langId);
    SetNumberLocaleForTesting(&locale);
  }
};
using NumberFormatTest = StringsTest;

// A text's printf conversions in order ("s", "d", ..., "%%" left out), then
// "&" and its count of accelerator marks (a doubled one shows an ampersand).
std::string Shape(const char* text) {
  std::string conversions;
  int accelerators = 0;
  for (const char* p = text; *p; ++p) {
    if (*p == '&') accelerators += p[1] == '&' ? (++p, 0) : 1;
    if (*p != '%' || *++p == '%') continue;
    while (*p && std::strchr("-+ #0123456789.hlLzjt", *p)) ++p;
    if (!*p) break;
    conversions += *p;
  }
  return conversions + "&" + std::to_string(accelerators);
}

// Number of UTF-16 code units, or -1 when text is not valid UTF-8.
int Utf16Length(const char* text) {
  int units = 0;
  for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    const int extra = *p < 0x80 ? 0 : (*p & 0xE0) == 0xC0 ? 1 : (*p & 0xF0) == 0xE0 ? 2 : (*p & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) return -1;
    unsigned long code = *p++ & (0x7F >> extra);
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return -1;
      code = (code << 6) | (*p & 0x3F);
    }
    static const unsigned long kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return -1;
    units += code > 0xFFFF ? 2 : 1;
  }
  return units;
}

// Every language holds every id of English as valid text; automation labels
// and units fit their 32-character fields; translations keep English's
// conversions (a caller fills them in English's order), accelerators and
// value-list lengths.
TEST_F(StringsTest, EveryLanguageHoldsEveryIdAsValidTextConsistentWithEnglish) {
  const std::vector<int> ids = StringIds();
  ASSERT_GT(ids.size(), 100u);
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  for (int id : ids) {
    const bool known = (id >= 1001 && id <= 7145) || (id >= 7200 && id <= 7549) || (id >= 9000 && id <= 9499) ||
                       (id >= 48000 && id <= 48999);
    EXPECT_TRUE(known) << id;
    const char* english = StringInTable(kLanguageEnglish, id);
    for (int lang : {kLanguageEnglish, kLanguageGerman, kLanguageFrench, kLanguageJapanese}) {
      SCOPED_TRACE(testing::Message() << "language " << lang << ", id " << id);
      ASSERT_TRUE(HasString(lang, id));
      const char* text = StringInTable(lang, id);
      const int units = Utf16Length(text);
      EXPECT_GT(units, 0) << "empty or not UTF-8: " << text;
      EXPECT_TRUE(id < sid::kParamAttack || id > sid::kUnitOctaves || units <= 31) << text;
      EXPECT_EQ(Shape(text), Shape(english)) << text;
      EXPECT_TRUE(id != sid::kBandTypeValues || std::count(text, text + std::strlen(text), ',') == 2) << text;
    }
  }
}

TEST_F(StringsTest, TheTextsThePagesShow) {
  const std::pair<int, const char*> texts[] = {
      {sid::kPresets, "Presets"}, {sid::kHelp, "Help"}, {sid::kAboutMenu, "About..."}, {sid::kAboutButton, "About"},
      {sid::kHelpButton, "?"}, {sid::kNoiseGateName, "Orlo Noise Gate"}, {sid::kNoiseGateTitle, "Noise Gate"},
      {sid::kPresetDefault, "(Default)"}, {sid::kPresetDefaultAll, "Default all parameters"}, {sid::kValueError, "Err."},
      {sid::kLevelMinusInfinity, "-Inf."}, {sid::kMeterMinusInfinity, "-Inf."}, {sid::kMeterClip, "Clip"},
      {sid::kMeterPlusInfinity, "+Inf."}, {sid::kCutoffFrequencyLabel, "Cutoff &frequency (%s to %s Hz):"},
      {sid::kGraphicEqReadout, "%s Hz, %s dB"}, {sid::kBandTypeValues, "Low-shelf,Band-notch,High-shelf"},
      // Multi-Band parameter i < 40 of band i / 10 + 1.
      {sid::kParamBandFirst + 5, "Band 1 Type"}, {sid::kParamBandFirst + 39, "Band 4 Solo"}};
  for (const auto& [id, text] : texts) EXPECT_STREQ(LoadString(id), text) << id;
  for (int id : {sid::kNoiseGateName, sid::kGraphicDynamicsName, sid::kMultiBandDynamicsName, sid::kParametricEqName,
                 sid::kParagraphicEqName, sid::kGraphicEqName})
    EXPECT_EQ(std::string(LoadString(id)).rfind("Orlo ", 0), 0u) << id;
}

// Languages match by primary language; one without a table is remembered
// as given and reads English; unknown ids give empty text or the fallback.
TEST_F(StringsTest, LanguagesSwitchLaterLookupsAndUnknownOnesReadEnglish) {
  for (const auto& [set, table] : {std::pair{kLanguageGerman, kLanguageGerman}, {0, kLanguageEnglish}, {kLanguageJapanese, kLanguageJapanese},
                                   {kLanguageFrench, kLanguageFrench}, {2055, kLanguageGerman}, {1049, kLanguageEnglish}}) {
    EXPECT_EQ(SetLanguage(set), kOk);
    EXPECT_EQ(CurrentLanguage(), set ? set : kLanguageEnglish);
    EXPECT_STREQ(LoadString(sid::kPresetDefault), StringInTable(table, sid::kPresetDefault)) << set;
  }
  EXPECT_STRNE(StringInTable(kLanguageGerman, sid::kPresetDefault), "(Default)");
  EXPECT_FALSE(HasString(1049, sid::kHelp));
  EXPECT_TRUE(HasString(0, sid::kHelp));
  SetLanguage(kLanguageEnglish);
  ASSERT_FALSE(HasString(kLanguageEnglish, 12345));
  EXPECT_STREQ(LoadString(12345), "");
  EXPECT_EQ(LoadStringOr(12345, "fallback"), "fallback");
  EXPECT_EQ(LoadStringOr(12345, nullptr), "");
  EXPECT_EQ(LoadStringOr(sid::kPresetDefault, "fallback"), "(Default)");
  EXPECT_EQ(StringInTable(kLanguageGerman, 12345), nullptr);
  for (int lang : {0x0401, 0x0801, 0x040D, 0x0420, 0x0429}) EXPECT_TRUE(IsRightToLeftLanguage(lang)) << lang;
  for (int lang : {0, kLanguageEnglish, kLanguageGerman, kLanguageFrench, kLanguageJapanese}) EXPECT_FALSE(IsRightToLeftLanguage(lang)) << lang;
}

TEST(LanguageNames, CodesLocaleNamesNumbersAndTheLocaleVariablesGiveTheLanguage) {
  const std::pair<const char*, int> names[] = {
      {"en", 1033}, {"de", 1031}, {"fr", 1036}, {"ja", 1041}, {"de-DE", 1031}, {"de_DE.UTF-8", 1031},
      {"de_AT", 1031}, {"fr_CA@euro", 1036}, {"FR-fr", 1036}, {"ja_JP.eucJP", 1041}, {"en_GB.UTF-8", 1033},
      {"C", 1033}, {"POSIX", 1033}, {"C.UTF-8", 1033}, {"1031", 1031}, {"2055", 2055}, {"0", 0}, {"65535", 65535},
      // Languages without texts and malformed names are refused, not guessed.
      {"", -1}, {"es", -1}, {"es_ES.UTF-8", -1}, {"klingon", -1}, {"65536", -1}, {"123456", -1}, {"-1", -1},
      {"1031x", -1}, {"d", -1}, {"_DE", -1},
  };
  for (const auto& [name, language] : names) EXPECT_EQ(LanguageFromName(name), language) << name;
  // The first set variable decides; empty counts as unset; "C" decides
  // (English) even over a later German; a language without texts reads English.
  using V = const char*;
  const std::tuple<V, V, V, int> variables[] = {
      {nullptr, nullptr, nullptr, 1033}, {nullptr, nullptr, "de_DE.UTF-8", 1031}, {nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", 1036},
      {"ja_JP.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8", 1041}, {"", "", "fr_FR", 1036}, {"C", nullptr, "de_DE.UTF-8", 1033},
      {"POSIX", "de_DE", nullptr, 1033}, {nullptr, nullptr, "es_ES.UTF-8", 1033}};
  for (const auto& [all, messages, lang, language] : variables)
    EXPECT_EQ(LanguageFromEnvironment(all, messages, lang), language) << all << messages << lang;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// "constexpr int kName = 1234;" lines of a header.
std::map<std::string, int> NamedIds(const fs::path& header) {
  std::map<std::string, int> ids;
  const std::string text = ReadAll(header);
  static const std::regex line(R"(constexpr\s+int\s+(k\w+)\s*=\s*(\d+)\s*;)");
  for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) ids[(*it)[1]] = std::stoi((*it)[2]);
  return ids;
}

// Every named id (used or not) and every literal id the sources load.
TEST(StringIdsInCode, EveryIdTheSourcesNameOrPassIsInEnglish) {
  const fs::path root = ORLOFX_SOURCE_DIR;
  std::map<std::string, int> ids = NamedIds(root / "support/strings/string_ids.h");
  ASSERT_GT(ids.size(), 40u);
  const std::map<std::string, int> cliText = NamedIds(root / "cli/cli_text.h");
  ASSERT_GT(cliText.size(), 20u);
  for (const auto& [name, id] : cliText) ids["text::" + name] = id;
  static const std::regex literal(R"(\bLoadString(?:Or|W|A)?\s*\(\s*(\d+)\s*[,)])");
  for (const char* folder : {"support", "framework", "dsp", "effects", "ui", "module", "cli"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string source = ReadAll(entry.path());
      for (std::sregex_iterator it(source.begin(), source.end(), literal), end; it != end; ++it)
        ids[fs::relative(entry.path(), root).string() + ": " + (*it)[0].str()] = std::stoi((*it)[1]);
    }
  }
  std::string problems;
  for (const auto& [where, id] : ids)
    if (!HasString(kLanguageEnglish, id)) problems += where + " = " + std::to_string(id) + "\n";
  EXPECT_EQ(problems, "");
}

// --- numbers -------------------------------------------------------------------------------

constexpr long kInt32Max = 2147483647L, kInt32Min = -kInt32Max - 1;
const std::string kNarrowNbsp = "\xE2\x80\xAF";  // U+202F

// 'l' a level, 'g' a grouped and 'i' a plain integer written (and read
// back), 'p' typed text read.
struct NumberText {
  int lang;
  char kind;
  long value;
  std::string text;
  int decimals = 1;
  long floor = 0;
  const char* suffix = " dB";
};

TEST_F(NumberFormatTest, LevelsAndIntegersInEachLocalesLayoutAndTypedTextReadWithItsSeparators) {
  const NumberText rows[] = {
      // At or below the floor: minus infinity without suffix; a floor of 0 means none.
      {kEn, 'l', -800, "-Inf.", 1, -800}, {kEn, 'l', -801, "-Inf.", 1, -800}, {kEn, 'l', LONG_MIN, "-Inf.", 1, -800},
      {kEn, 'l', -799, "-79.9 dB", 1, -800}, {kEn, 'l', -800, "-80.0 dB"}, {kEn, 'l', 0, "0.0 dB"},
      // The sign stays when the whole part is zero; exactly the asked decimals, up to nine.
      {kEn, 'l', -5, "-0.5 dB"}, {kEn, 'l', -1, "-0.001", 3, 0, ""}, {kEn, 'l', 7, "0.07 dB", 2, -800},
      {kEn, 'l', 123456789, "123,456,789", 0, 0, ""}, {kEn, 'l', -123456789, "-12,345,678.9", 1, 0, ""},
      {kEn, 'l', -123456789, "-12,345.6789", 4, 0, ""}, {kEn, 'l', 123456789, "123.456789", 6, 0, ""},
      {kEn, 'l', -123456789, "-0.123456789", 9, 0, ""}, {kEn, 'l', 123456789, "0.123456789", 10, 0, ""},
      {kEn, 'l', 123456789, "123,456,789", -1, 0, ""}, {kEn, 'l', kInt32Min, "-2.147483648", 9, 0, nullptr},
      {kDe, 'l', -799, "-79,9 dB", 1, -800}, {kDe, 'l', 12345, "1.234,5", 1, 0, ""},
      {kFr, 'l', -799, "-79,9 dB", 1, -800}, {kJa, 'l', -799, "-79.9 dB", 1, -800},
      {kEn, 'g', 5000, "5,000"}, {kEn, 'i', 5000, "5000"}, {kEn, 'g', 0, "0"}, {kEn, 'g', 999, "999"},
      {kEn, 'g', -1000, "-1,000"}, {kEn, 'g', -999999, "-999,999"}, {kEn, 'g', 1234567, "1,234,567"},
      {kEn, 'g', kInt32Min, "-2,147,483,648"}, {kEn, 'i', kInt32Max, "2147483647"}, {kDe, 'g', 5000, "5.000"},
      {kDe, 'g', -1234567, "-1.234.567"}, {kDe, 'i', kInt32Min, "-2147483648"}, {kFr, 'g', 5000, "5" + kNarrowNbsp + "000"},
      {kFr, 'g', -1000, "-1" + kNarrowNbsp + "000"}, {kJa, 'g', 5000, "5,000"}, {kJa, 'g', -123456, "-123,456"},
      {kFr, 'g', kInt32Max, "2" + kNarrowNbsp + "147" + kNarrowNbsp + "483" + kNarrowNbsp + "647"},
      {kEn, 'p', 5000, "5,000"}, {kEn, 'p', 0, "abc"}, {kEn, 'p', 0, ""}, {kEn, 'p', 42, "   42"}, {kEn, 'p', -17, "\t-17"},
      {kEn, 'p', 12, "12.9"}, {kEn, 'p', -12, "-12.9"}, {kEn, 'p', 0, "-0.5"}, {kEn, 'p', 0, "-"}, {kEn, 'p', 0, "-0"},
      {kEn, 'p', 42, "42abc"}, {kEn, 'p', 4, "4 2"}, {kEn, 'p', 123, "1,2,3"}, {kEn, 'p', 5, "0005"},
      {kEn, 'p', 5000, "5,000.75 ms"}, {kEn, 'p', 0, "+5"}, {kEn, 'p', 0, "--5"}, {kEn, 'p', 5, "5-3"},
      {kEn, 'p', -5, "5-"}, {kEn, 'p', -12, "12.5-"}, {kEn, 'p', 0, ".9"}, {kEn, 'p', 0, "x12"},
      {kEn, 'p', kInt32Max, "2147483648"}, {kEn, 'p', kInt32Min, "-2147483649"}, {kEn, 'p', kInt32Max, std::string(400, '9')},
      {kEn, 'p', kInt32Min, "-" + std::string(400, '9') + ".5"}, {kEn, 'p', kInt32Max, "99,999,999,999,999,999,999"},
      {kDe, 'p', -5000, "-5.000"}, {kDe, 'p', 12, "12,9"}, {kDe, 'p', 5, "5,000"}, {kFr, 'p', 5000, "5\xC2\xA0" "000"},
      {kFr, 'p', 5000, "5 000"}, {kFr, 'p', -12, "-12,9"}, {kFr, 'p', 5, "5.000"},  // a point is no separator in French
  };
  for (const NumberText& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.lang << " " << r.kind << " \"" << r.text << '"');
    UseLocaleOf(r.lang);
    if (r.kind == 'l') {
      EXPECT_EQ(FormatLevel(r.value, r.decimals, r.floor, r.suffix), r.text);
      continue;
    }
    EXPECT_EQ(ParseInteger(r.text), r.value);
    if (r.kind == 'p') continue;
    EXPECT_EQ(FormatInteger(r.value, r.kind == 'g'), r.text);
    EXPECT_EQ(ParseInteger(FormatLevel(r.value, 1, 0, " dB")), r.value / 10);
  }
  SetLanguage(kJa);  // minus infinity follows the interface language
  EXPECT_STREQ(FormatLevel(-800, 1, -800, " dB").c_str(), LoadString(48378));
  // A locale sign other than the hyphen is written and read, the hyphen read too.
  NumberLocale minus = NumberLocaleFor(kEn);
  minus.negativeSign = "\xE2\x88\x92";  // U+2212 MINUS SIGN
  SetNumberLocaleForTesting(&minus);
  EXPECT_EQ(ParseInteger("\xE2\x88\x92" "1,500"), -1500);
  EXPECT_EQ(ParseInteger("-1,500"), -1500);
  EXPECT_EQ(FormatInteger(-1500, true), "\xE2\x88\x92" "1,500");
}

// Sets (or with nullptr clears) an environment variable.
void SetVariable(const char* name, const char* value) {
  if (value) setenv(name, value, 1);
  else unsetenv(name);
}

TEST_F(NumberFormatTest, TheUserLocaleComesFromTheEnvironmentInPosixOrderUnlessATestOneIsSet) {
  const std::pair<const char*, int> names[] = {
      {"de_DE.UTF-8", kDe}, {"de", kDe}, {"fr_CA", kFr}, {"ja_JP.eucJP", kJa}, {"en_GB.UTF-8", kEn},
      {"dev_IN", kEn}, {"C.UTF-8", kEn}, {"", kEn}, {nullptr, kEn}};
  for (const auto& [name, lang] : names) EXPECT_EQ(LanguageOfLocaleName(name), lang) << (name ? name : "null");
  const char* variables[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
  std::vector<std::optional<std::string>> saved;
  for (const char* name : variables) saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
  SetVariable("LC_ALL", "de_DE.UTF-8");
  SetVariable("LC_NUMERIC", "fr_FR.UTF-8");
  SetVariable("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(CurrentNumberLocale().decimalSeparator, ".");  // the test locale wins
  SetNumberLocaleForTesting(nullptr);
  EXPECT_EQ(FormatInteger(5000, true), "5.000");
  SetVariable("LC_ALL", nullptr);
  EXPECT_EQ(FormatInteger(5000, true), "5" + kNarrowNbsp + "000");
  EXPECT_EQ(ParseInteger("5 000"), 5000);
  SetVariable("LC_NUMERIC", "");
  SetVariable("LANG", "de_AT");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79,9 dB");
  SetVariable("LANG", nullptr);
  EXPECT_EQ(FormatInteger(5000, true), "5,000");
  for (int i = 0; i < 3; ++i) SetVariable(variables[i], saved[i] ? saved[i]->c_str() : nullptr);
}

}  // namespace
}  // namespace orlofx

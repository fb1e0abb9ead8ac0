// Texts and numbers: the string tables (English, the translations' consistency,
// language choice by id, name and locale, lookups racing a switch, every id the
// sources name), value texts and typed-number parsing in the shipped locales.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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
#include <thread>
#include <vector>

#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {
namespace {

// --- string tables -------------------------------------------------------------------------

namespace fs = std::filesystem;

class StringsTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLanguage(kLanguageEnglish); }
};

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

// Readers on other threads always get a whole text of one of the two
// languages while the language flips under them.
TEST_F(StringsTest, LookupsDuringLanguageSwitchesSeeOneLanguageOrTheOther) {
  const char* english = StringInTable(kLanguageEnglish, sid::kPresetDefault);
  const char* german = StringInTable(kLanguageGerman, sid::kPresetDefault);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  auto read = [&] {
    for (const char* text; !stop.load();) wrong += (text = LoadString(sid::kPresetDefault)) != english && text != german;
  };
  std::thread first(read), second(read);
  for (int i = 0; i < 20000; ++i) SetLanguage(i % 2 ? kLanguageGerman : kLanguageEnglish);
  stop.store(true);
  first.join();
  second.join();
  EXPECT_EQ(wrong.load(), 0);
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
  struct Case {
    const char *all, *messages, *lang;
    int language;
  };
  for (const Case& c : {Case{nullptr, nullptr, nullptr, 1033}, Case{nullptr, nullptr, "de_DE.UTF-8", 1031},
                        Case{nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", 1036},
                        Case{"ja_JP.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8", 1041}, Case{"", "", "fr_FR", 1036},
                        Case{"C", nullptr, "de_DE.UTF-8", 1033}, Case{"POSIX", "de_DE", nullptr, 1033},
                        Case{nullptr, nullptr, "es_ES.UTF-8", 1033}})
    EXPECT_EQ(LanguageFromEnvironment(c.all, c.messages, c.lang), c.language) << c.all << c.messages << c.lang;
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
  for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
    ids[(*it)[1]] = std::stoi((*it)[2]);
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
      for (auto it = std::sregex_iterator(source.begin(), source.end(), literal); it != std::sregex_iterator(); ++it)
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
constexpr int kEn = kLanguageEnglish, kDe = kLanguageGerman, kFr = kLanguageFrench, kJa = kLanguageJapanese;

class NumberFormatTest : public ::testing::Test {
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

TEST_F(NumberFormatTest, LevelsAndIntegersInEachLocalesLayout) {
  struct Level {
    int lang;
    long value;
    int decimals;
    long floor;
    const char* suffix;
    std::string text;
  };
  const Level levels[] = {
      // At or below the floor: minus infinity without suffix; a floor of 0 means none.
      {kEn, -800, 1, -800, " dB", "-Inf."}, {kEn, -801, 1, -800, " dB", "-Inf."},
      {kEn, LONG_MIN, 1, -800, " dB", "-Inf."}, {kEn, -799, 1, -800, " dB", "-79.9 dB"},
      {kEn, -800, 1, 0, " dB", "-80.0 dB"}, {kEn, 0, 1, 0, " dB", "0.0 dB"},
      // The sign stays when the whole part is zero.
      {kEn, -5, 1, 0, " dB", "-0.5 dB"}, {kEn, -1, 3, 0, "", "-0.001"}, {kEn, 7, 2, -800, " dB", "0.07 dB"},
      // Exactly the asked decimals, up to nine.
      {kEn, 123456789, 0, 0, "", "123,456,789"}, {kEn, -123456789, 1, 0, "", "-12,345,678.9"},
      {kEn, -123456789, 4, 0, "", "-12,345.6789"}, {kEn, 123456789, 6, 0, "", "123.456789"},
      {kEn, -123456789, 9, 0, "", "-0.123456789"}, {kEn, 123456789, 10, 0, "", "0.123456789"},
      {kEn, 123456789, -1, 0, "", "123,456,789"},
      {kEn, kInt32Min, 9, 0, nullptr, "-2.147483648"},
      {kDe, -799, 1, -800, " dB", "-79,9 dB"}, {kDe, 12345, 1, 0, "", "1.234,5"},
      {kFr, -799, 1, -800, " dB", "-79,9 dB"}, {kJa, -799, 1, -800, " dB", "-79.9 dB"},
  };
  for (const Level& c : levels) {
    UseLocaleOf(c.lang);
    EXPECT_EQ(FormatLevel(c.value, c.decimals, c.floor, c.suffix), c.text) << c.value << "/" << c.decimals;
  }
  struct Integer {
    int lang;
    long value;
    bool grouped;
    std::string text;
  };
  const Integer integers[] = {
      {kEn, 5000, true, "5,000"}, {kEn, 5000, false, "5000"}, {kEn, 0, true, "0"}, {kEn, 999, true, "999"},
      {kEn, -1000, true, "-1,000"}, {kEn, -999999, true, "-999,999"}, {kEn, 1234567, true, "1,234,567"},
      {kEn, kInt32Min, true, "-2,147,483,648"}, {kEn, kInt32Max, false, "2147483647"},
      {kDe, 5000, true, "5.000"}, {kDe, -1234567, true, "-1.234.567"}, {kDe, kInt32Min, false, "-2147483648"},
      {kFr, 5000, true, "5" + kNarrowNbsp + "000"}, {kFr, -1000, true, "-1" + kNarrowNbsp + "000"},
      {kFr, kInt32Max, true, "2" + kNarrowNbsp + "147" + kNarrowNbsp + "483" + kNarrowNbsp + "647"},
      {kJa, 5000, true, "5,000"}, {kJa, -123456, true, "-123,456"},
  };
  for (const Integer& c : integers) {
    UseLocaleOf(c.lang);
    EXPECT_EQ(FormatInteger(c.value, c.grouped), c.text) << c.lang << " " << c.value;
    EXPECT_EQ(ParseInteger(c.text), c.value) << c.text;  // what the pages write reads back
    EXPECT_EQ(ParseInteger(FormatLevel(c.value, 1, 0, " dB")), c.value / 10) << c.text;
  }
  SetLanguage(kJa);  // minus infinity follows the interface language
  EXPECT_STREQ(FormatLevel(-800, 1, -800, " dB").c_str(), LoadString(48378));
}

TEST_F(NumberFormatTest, ParsesTypedIntegersWithTheLocaleSeparatorsAndSaturates) {
  struct Case {
    int lang;
    std::string text;
    long value;
  };
  const Case cases[] = {
      {kEn, "5,000", 5000}, {kEn, "5000", 5000}, {kEn, "abc", 0}, {kEn, "", 0}, {kEn, "   42", 42},
      {kEn, "\t-17", -17}, {kEn, "12.9", 12}, {kEn, "-12.9", -12}, {kEn, "-0.5", 0}, {kEn, "-", 0}, {kEn, "-0", 0},
      {kEn, "42abc", 42}, {kEn, "4 2", 4}, {kEn, "1,2,3", 123}, {kEn, "0005", 5}, {kEn, "5,000.75 ms", 5000},
      {kEn, "+5", 0}, {kEn, "--5", 0}, {kEn, "5-3", 5}, {kEn, "5-", -5}, {kEn, "12.5-", -12}, {kEn, ".9", 0},
      {kEn, "x12", 0}, {kEn, "2147483647", kInt32Max}, {kEn, "2147483648", kInt32Max},
      {kEn, "-2147483648", kInt32Min}, {kEn, "-2147483649", kInt32Min}, {kEn, std::string(400, '9'), kInt32Max},
      {kEn, "-" + std::string(400, '9') + ".5", kInt32Min}, {kEn, "99,999,999,999,999,999,999", kInt32Max},
      {kDe, "-5.000", -5000}, {kDe, "1.234.567", 1234567}, {kDe, "12,9", 12}, {kDe, "5,000", 5},
      {kFr, "5" + kNarrowNbsp + "000", 5000}, {kFr, "5\xC2\xA0" "000", 5000}, {kFr, "5 000", 5000},
      {kFr, "-12,9", -12}, {kFr, "5.000", 5},  // a point is no separator in French
  };
  for (const Case& c : cases) {
    UseLocaleOf(c.lang);
    EXPECT_EQ(ParseInteger(c.text), c.value) << c.lang << " \"" << c.text << '"';
  }
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

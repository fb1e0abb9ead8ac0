// String tables: the English reference and the texts the pages show, the
// translations' consistency with English, language choice by id, by name
// and from the locale, lookups racing a language switch, and every string
// id the sources name being in English.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {
namespace {

namespace fs = std::filesystem;

class StringsTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLanguage(kLanguageEnglish); }
};

// The conversions of a printf format in order ("s", "d", ...), "%%" left out.
std::string Conversions(const char* format) {
  std::string result;
  for (const char* p = format; *p; ++p) {
    if (*p != '%' || *++p == '%') continue;
    while (*p && std::strchr("-+ #0123456789.hlLzjt", *p)) ++p;
    if (!*p) break;
    result += *p;
  }
  return result;
}

// Accelerator marks: single "&" (a doubled one shows an ampersand).
int Accelerators(const char* text) {
  int count = 0;
  for (const char* p = text; *p; ++p)
    if (*p == '&') count += p[1] == '&' ? (++p, 0) : 1;
  return count;
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
      if (id >= sid::kParamAttack && id <= sid::kUnitOctaves) {
        EXPECT_LE(units, 31) << text;
      }
      EXPECT_EQ(Conversions(text), Conversions(english)) << text;
      EXPECT_EQ(Accelerators(text), Accelerators(english)) << text;
      if (id == sid::kBandTypeValues) {
        EXPECT_EQ(std::count(text, text + std::strlen(text), ','), 2) << text;
      }
    }
  }
}

TEST_F(StringsTest, TheTextsThePagesShow) {
  const std::pair<int, const char*> texts[] = {
      {sid::kPresets, "Presets"}, {sid::kHelp, "Help"}, {sid::kAboutMenu, "About..."}, {sid::kAboutButton, "About"},
      {sid::kHelpButton, "?"}, {sid::kNoiseGateName, "Orlo Noise Gate"}, {sid::kNoiseGateTitle, "Noise Gate"},
      {sid::kPresetDefault, "(Default)"}, {sid::kPresetDefaultAll, "Default all parameters"},
      {sid::kLevelMinusInfinity, "-Inf."}, {sid::kMeterMinusInfinity, "-Inf."}, {sid::kValueError, "Err."},
      {sid::kMeterClip, "Clip"}, {sid::kMeterPlusInfinity, "+Inf."},
      {sid::kCutoffFrequencyLabel, "Cutoff &frequency (%s to %s Hz):"}, {sid::kGraphicEqReadout, "%s Hz, %s dB"},
      // Multi-Band parameter i < 40 of band i / 10 + 1.
      {sid::kParamBandFirst + 5, "Band 1 Type"}, {sid::kParamBandFirst + 39, "Band 4 Solo"},
      {sid::kBandTypeValues, "Low-shelf,Band-notch,High-shelf"},
  };
  for (const auto& [id, text] : texts) EXPECT_STREQ(LoadString(id), text) << id;
  for (int id : {sid::kNoiseGateName, sid::kGraphicDynamicsName, sid::kMultiBandDynamicsName, sid::kParametricEqName,
                 sid::kParagraphicEqName, sid::kGraphicEqName})
    EXPECT_EQ(std::string(LoadString(id)).rfind("Orlo ", 0), 0u) << id;
}

// Languages match by primary language; one without a table is remembered
// as given and reads English; unknown ids give empty text or the fallback.
TEST_F(StringsTest, LanguagesSwitchLaterLookupsAndUnknownOnesReadEnglish) {
  struct Case {
    int set, current, table;
  };
  for (const Case c : {Case{kLanguageGerman, kLanguageGerman, kLanguageGerman}, Case{0, kLanguageEnglish, kLanguageEnglish},
                       Case{kLanguageJapanese, kLanguageJapanese, kLanguageJapanese},
                       Case{kLanguageFrench, kLanguageFrench, kLanguageFrench}, Case{2055, 2055, kLanguageGerman},
                       Case{1049, 1049, kLanguageEnglish}}) {
    EXPECT_EQ(SetLanguage(c.set), kOk);
    EXPECT_EQ(CurrentLanguage(), c.current);
    EXPECT_STREQ(LoadString(sid::kPresetDefault), StringInTable(c.table, sid::kPresetDefault)) << c.set;
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
  for (int lang : {0, kLanguageEnglish, kLanguageGerman, kLanguageFrench, kLanguageJapanese})
    EXPECT_FALSE(IsRightToLeftLanguage(lang)) << lang;
}

// Readers on other threads always get a whole text of one of the two
// languages while the language flips under them.
TEST_F(StringsTest, LookupsDuringLanguageSwitchesSeeOneLanguageOrTheOther) {
  const char* english = StringInTable(kLanguageEnglish, sid::kPresetDefault);
  const char* german = StringInTable(kLanguageGerman, sid::kPresetDefault);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r)
    readers.emplace_back([&] {
      while (!stop.load()) {
        const char* text = LoadString(sid::kPresetDefault);
        if (text != english && text != german) wrong.fetch_add(1);
      }
    });
  for (int i = 0; i < 20000; ++i) SetLanguage(i % 2 ? kLanguageGerman : kLanguageEnglish);
  stop.store(true);
  for (std::thread& t : readers) t.join();
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

TEST(StringIdsInCode, EveryIdTheSourcesNameOrPassIsInEnglish) {
  const fs::path root = ORLOFX_SOURCE_DIR;
  const std::map<std::string, int> sid = NamedIds(root / "support/strings/string_ids.h");
  const std::map<std::string, int> cliText = NamedIds(root / "cli/cli_text.h");
  ASSERT_GT(sid.size(), 40u);
  ASSERT_GT(cliText.size(), 20u);
  static const std::regex named(R"(\b(sid|text)::(k\w+))");
  static const std::regex literal(R"(\bLoadString(?:Or|W|A)?\s*\(\s*(\d+)\s*[,)])");
  std::string problems;
  int seen = 0;
  auto check = [&](const std::string& where, int id) {
    ++seen;
    if (!HasString(kLanguageEnglish, id)) problems += where + " = " + std::to_string(id) + "\n";
  };
  for (const char* folder : {"support", "framework", "dsp", "effects", "ui", "module", "cli"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string source = ReadAll(entry.path());
      const std::string where = fs::relative(entry.path(), root).string() + ": ";
      for (auto it = std::sregex_iterator(source.begin(), source.end(), named); it != std::sregex_iterator(); ++it) {
        const auto& table = (*it)[1] == "sid" ? sid : cliText;
        // Another namespace's constant of the same spelling is not an id.
        if (const auto found = table.find((*it)[2]); found != table.end()) check(where + (*it)[0].str(), found->second);
      }
      for (auto it = std::sregex_iterator(source.begin(), source.end(), literal); it != std::sregex_iterator(); ++it)
        check(where + (*it)[0].str(), std::stoi((*it)[1]));
    }
  }
  // The named constants themselves, used or not.
  for (const auto* table : {&sid, &cliText})
    for (const auto& [name, id] : *table) check("named " + name, id);
  EXPECT_GT(seen, 50);
  EXPECT_EQ(problems, "");
}

}  // namespace
}  // namespace orlofx

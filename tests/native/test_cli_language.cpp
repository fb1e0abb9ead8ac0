// The language of texts: names users give (--lang, locale variables), the
// tool following them, and every string id the code names being in English.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/strings.h"

namespace orlofx {
namespace {

namespace fs = std::filesystem;

TEST(LanguageNames, CodesLocaleNamesAndNumbersGiveTheLanguage) {
  struct Case {
    const char* name;
    int language;
  };
  const Case cases[] = {
      {"en", 1033},          {"de", 1031},          {"fr", 1036},         {"ja", 1041},
      {"de-DE", 1031},       {"de_DE.UTF-8", 1031}, {"de_AT", 1031},      {"fr_CA@euro", 1036},
      {"FR-fr", 1036},       {"ja_JP.eucJP", 1041}, {"en_GB.UTF-8", 1033}, {"C", 1033},
      {"POSIX", 1033},       {"C.UTF-8", 1033},     {"1031", 1031},       {"2055", 2055},
      {"0", 0},              {"65535", 65535},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageFromName(c.name), c.language) << c.name;
  // Languages without texts and malformed names are refused, not guessed.
  for (const char* name : {"", "es", "es_ES.UTF-8", "klingon", "65536", "123456", "-1", "1031x", "d", "_DE"})
    EXPECT_EQ(LanguageFromName(name), -1) << name;
}

TEST(LanguageNames, TheFirstSetLocaleVariableDecides) {
  EXPECT_EQ(LanguageFromEnvironment(nullptr, nullptr, nullptr), 1033);
  EXPECT_EQ(LanguageFromEnvironment(nullptr, nullptr, "de_DE.UTF-8"), 1031);
  EXPECT_EQ(LanguageFromEnvironment(nullptr, "fr_FR.UTF-8", "de_DE.UTF-8"), 1036);
  EXPECT_EQ(LanguageFromEnvironment("ja_JP.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8"), 1041);
  // Empty counts as unset; "C" decides (English) even over a later German.
  EXPECT_EQ(LanguageFromEnvironment("", "", "fr_FR"), 1036);
  EXPECT_EQ(LanguageFromEnvironment("C", nullptr, "de_DE.UTF-8"), 1033);
  EXPECT_EQ(LanguageFromEnvironment("POSIX", "de_DE", nullptr), 1033);
  // A language the module has no texts for reads English.
  EXPECT_EQ(LanguageFromEnvironment(nullptr, nullptr, "es_ES.UTF-8"), 1033);
}

// --- the tool ------------------------------------------------------------------------------

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}


// --- every id the code names -------------------------------------------------------------

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
  std::vector<std::string> problems;
  int seen = 0;
  for (const char* folder : {"support", "framework", "dsp", "effects", "ui", "module", "cli"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string source = ReadAll(entry.path());
      const std::string where = fs::relative(entry.path(), root).string();
      for (auto it = std::sregex_iterator(source.begin(), source.end(), named); it != std::sregex_iterator(); ++it) {
        const auto& table = (*it)[1] == "sid" ? sid : cliText;
        const auto found = table.find((*it)[2]);
        if (found == table.end()) continue;  // another namespace's constant of the same spelling
        ++seen;
        if (!HasString(kLanguageEnglish, found->second))
          problems.push_back(where + ": " + std::string((*it)[0]) + " = " + std::to_string(found->second));
      }
      for (auto it = std::sregex_iterator(source.begin(), source.end(), literal); it != std::sregex_iterator();
           ++it) {
        ++seen;
        const int id = std::stoi((*it)[1]);
        if (!HasString(kLanguageEnglish, id)) problems.push_back(where + ": LoadString(" + std::to_string(id) + ")");
      }
    }
  }
  // The named constants themselves, used or not.
  for (const auto* table : {&sid, &cliText})
    for (const auto& entry : *table)
      if (!HasString(kLanguageEnglish, entry.second))
        problems.push_back("named " + entry.first + " = " + std::to_string(entry.second));
  EXPECT_GT(seen, 50);
  std::string list;
  for (const std::string& p : problems) list += p + "\n";
  EXPECT_TRUE(problems.empty()) << list;
}

}  // namespace
}  // namespace orlofx

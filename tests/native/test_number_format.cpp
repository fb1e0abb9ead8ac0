// Value texts and typed-number parsing in the locales the module ships.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/number_format.h"
#include "support/strings.h"

namespace orlofx {
namespace {

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
      {kEn, 123456789, 2, 0, "", "1,234,567.89"}, {kEn, 123456789, 3, 0, "", "123,456.789"},
      {kEn, -123456789, 4, 0, "", "-12,345.6789"}, {kEn, 123456789, 5, 0, "", "1,234.56789"},
      {kEn, 123456789, 6, 0, "", "123.456789"}, {kEn, 123456789, 7, 0, "", "12.3456789"},
      {kEn, 123456789, 8, 0, "", "1.23456789"}, {kEn, -123456789, 9, 0, "", "-0.123456789"},
      {kEn, 123456789, 10, 0, "", "0.123456789"}, {kEn, 123456789, -1, 0, "", "123,456,789"},
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
      {kDe, 5000, true, "5.000"}, {kDe, -1234567, true, "-1.234.567"}, {kFr, 5000, true, "5" + kNarrowNbsp + "000"},
      {kJa, 5000, true, "5,000"},
  };
  for (const Integer& c : integers) {
    UseLocaleOf(c.lang);
    EXPECT_EQ(FormatInteger(c.value, c.grouped), c.text) << c.lang << " " << c.value;
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

// What the pages write, ParseInteger reads back in every shipped locale.
TEST_F(NumberFormatTest, ParsingWhatWasFormattedGivesTheValueBack) {
  for (int lang : {kEn, kDe, kFr, kJa}) {
    UseLocaleOf(lang);
    for (long v : {0L, 1L, -1L, 999L, 1000L, -1000L, 123456L, -5000L, kInt32Max, kInt32Min}) {
      EXPECT_EQ(ParseInteger(FormatInteger(v, true)), v) << lang << " " << v;
      EXPECT_EQ(ParseInteger(FormatInteger(v, false)), v) << lang << " " << v;
      EXPECT_EQ(ParseInteger(FormatLevel(v, 1, 0, " dB")), v / 10) << lang << " " << v;
    }
  }
}

// Sets or clears environment variables for one test and puts them back.
class ScopedEnvironment {
 public:
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Apply(it->first, it->second);
  }
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    Apply(name, value ? std::optional<std::string>(value) : std::nullopt);
  }

 private:
  static void Apply(const std::string& name, const std::optional<std::string>& value) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(NumberFormatTest, TheUserLocaleComesFromTheEnvironmentInPosixOrderUnlessATestOneIsSet) {
  const std::pair<const char*, int> names[] = {
      {"de_DE.UTF-8", kDe}, {"de", kDe}, {"fr_CA", kFr}, {"ja_JP.eucJP", kJa}, {"en_GB.UTF-8", kEn},
      {"dev_IN", kEn}, {"C.UTF-8", kEn}, {"", kEn}, {nullptr, kEn}};
  for (const auto& [name, lang] : names) EXPECT_EQ(LanguageOfLocaleName(name), lang) << (name ? name : "null");
  ScopedEnvironment env;
  env.Set("LC_ALL", "de_DE.UTF-8");
  env.Set("LC_NUMERIC", "fr_FR.UTF-8");
  env.Set("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(CurrentNumberLocale().decimalSeparator, ".");  // the test locale wins
  SetNumberLocaleForTesting(nullptr);
  EXPECT_EQ(FormatInteger(5000, true), "5.000");
  env.Set("LC_ALL", nullptr);
  EXPECT_EQ(FormatInteger(5000, true), "5" + kNarrowNbsp + "000");
  EXPECT_EQ(ParseInteger("5 000"), 5000);
  env.Set("LC_NUMERIC", "");
  env.Set("LANG", "de_AT");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79,9 dB");
  env.Set("LANG", nullptr);
  EXPECT_EQ(FormatInteger(5000, true), "5,000");
}

}  // namespace
}  // namespace orlofx

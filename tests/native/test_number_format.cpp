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

constexpr long kInt32Max = 2147483647L;
constexpr long kInt32Min = -kInt32Max - 1;

const char* const kNarrowNbsp = "\xE2\x80\xAF";  // U+202F

class NumberFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { UseLocaleOf(kLanguageEnglish); }
  void TearDown() override {
    SetNumberLocaleForTesting(nullptr);
    SetLanguage(kLanguageEnglish);
  }
  static void UseLocaleOf(int langId) {
    const NumberLocale locale = NumberLocaleFor(langId);
    SetNumberLocaleForTesting(&locale);
  }
};

TEST_F(NumberFormatTest, LevelsAtOrBelowTheFloorShowMinusInfinityWithoutSuffix) {
  EXPECT_EQ(FormatLevel(-800, 1, -800, " dB"), "-Inf.");
  EXPECT_EQ(FormatLevel(-801, 1, -800, " dB"), "-Inf.");
  EXPECT_EQ(FormatLevel(LONG_MIN, 1, -800, " dB"), "-Inf.");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79.9 dB");
  // A floor of 0 means none.
  EXPECT_EQ(FormatLevel(-800, 1, 0, " dB"), "-80.0 dB");
  EXPECT_EQ(FormatLevel(0, 1, 0, " dB"), "0.0 dB");
}

TEST_F(NumberFormatTest, LevelsKeepTheSignWhenTheWholePartIsZero) {
  EXPECT_EQ(FormatLevel(-5, 1, 0, " dB"), "-0.5 dB");
  EXPECT_EQ(FormatLevel(-1, 3, 0, ""), "-0.001");
  EXPECT_EQ(FormatLevel(7, 2, -800, " dB"), "0.07 dB");
}

TEST_F(NumberFormatTest, LevelsShowExactlyTheAskedDecimalsUpToNine) {
  struct Case {
    int decimals;
    const char* positive;
    const char* negative;
  };
  const Case cases[] = {
      {0, "123,456,789", "-123,456,789"}, {1, "12,345,678.9", "-12,345,678.9"},
      {2, "1,234,567.89", "-1,234,567.89"}, {3, "123,456.789", "-123,456.789"},
      {4, "12,345.6789", "-12,345.6789"}, {5, "1,234.56789", "-1,234.56789"},
      {6, "123.456789", "-123.456789"},   {7, "12.3456789", "-12.3456789"},
      {8, "1.23456789", "-1.23456789"},   {9, "0.123456789", "-0.123456789"},
      {10, "0.123456789", "-0.123456789"}, {-1, "123,456,789", "-123,456,789"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatLevel(123456789, c.decimals, 0, ""), c.positive) << c.decimals;
    EXPECT_EQ(FormatLevel(-123456789, c.decimals, 0, ""), c.negative) << c.decimals;
  }
  EXPECT_EQ(FormatLevel(kInt32Min, 9, 0, nullptr), "-2.147483648");
}

TEST_F(NumberFormatTest, IntegersAreGroupedOnlyWhenAsked) {
  EXPECT_EQ(FormatInteger(5000, true), "5,000");
  EXPECT_EQ(FormatInteger(5000, false), "5000");
  EXPECT_EQ(FormatInteger(0, true), "0");
  EXPECT_EQ(FormatInteger(999, true), "999");
  EXPECT_EQ(FormatInteger(1000, true), "1,000");
  EXPECT_EQ(FormatInteger(-1000, true), "-1,000");
  EXPECT_EQ(FormatInteger(-999999, true), "-999,999");
  EXPECT_EQ(FormatInteger(1234567, true), "1,234,567");
  EXPECT_EQ(FormatInteger(kInt32Min, true), "-2,147,483,648");
  EXPECT_EQ(FormatInteger(kInt32Max, false), "2147483647");
}

TEST_F(NumberFormatTest, GermanFrenchAndJapaneseLayouts) {
  UseLocaleOf(kLanguageGerman);
  EXPECT_EQ(FormatInteger(5000, true), "5.000");
  EXPECT_EQ(FormatInteger(-1234567, true), "-1.234.567");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79,9 dB");
  EXPECT_EQ(FormatLevel(12345, 1, 0, ""), "1.234,5");

  UseLocaleOf(kLanguageFrench);
  EXPECT_EQ(FormatInteger(5000, true), std::string("5") + kNarrowNbsp + "000");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79,9 dB");

  UseLocaleOf(kLanguageJapanese);
  EXPECT_EQ(FormatInteger(5000, true), "5,000");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79.9 dB");
}

TEST_F(NumberFormatTest, MinusInfinityFollowsTheInterfaceLanguage) {
  SetLanguage(kLanguageJapanese);
  EXPECT_STREQ(FormatLevel(-800, 1, -800, " dB").c_str(), LoadString(48378));
}

TEST_F(NumberFormatTest, ParsesTypedIntegersInEnglish) {
  struct Case {
    const char* text;
    long value;
  };
  const Case cases[] = {
      {"5,000", 5000},      {"5000", 5000},     {"abc", 0},       {"", 0},
      {"   42", 42},        {"\t-17", -17},     {"12.9", 12},     {"-12.9", -12},
      {"-0.5", 0},          {"-", 0},           {"-0", 0},        {"42abc", 42},
      {"4 2", 4},           {"1,2,3", 123},     {"0005", 5},      {"5,000.75 ms", 5000},
      {"+5", 0},            {"--5", 0},         {"5-3", 5},       {"5-", -5},
      {"12.5-", -12},       {".9", 0},          {"x12", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST_F(NumberFormatTest, HugeDigitStringsSaturateAtTheThirtyTwoBitRange) {
  EXPECT_EQ(ParseInteger("2147483647"), kInt32Max);
  EXPECT_EQ(ParseInteger("2147483648"), kInt32Max);
  EXPECT_EQ(ParseInteger("-2147483648"), kInt32Min);
  EXPECT_EQ(ParseInteger("-2147483649"), kInt32Min);
  EXPECT_EQ(ParseInteger(std::string(400, '9')), kInt32Max);
  EXPECT_EQ(ParseInteger("-" + std::string(400, '9') + ".5"), kInt32Min);
  EXPECT_EQ(ParseInteger("99,999,999,999,999,999,999"), kInt32Max);
}

TEST_F(NumberFormatTest, ParsesWithTheLocaleSeparators) {
  UseLocaleOf(kLanguageGerman);
  EXPECT_EQ(ParseInteger("-5.000"), -5000);
  EXPECT_EQ(ParseInteger("1.234.567"), 1234567);
  EXPECT_EQ(ParseInteger("12,9"), 12);
  EXPECT_EQ(ParseInteger("5,000"), 5);

  UseLocaleOf(kLanguageFrench);
  EXPECT_EQ(ParseInteger(std::string("5") + kNarrowNbsp + "000"), 5000);
  EXPECT_EQ(ParseInteger("5\xC2\xA0" "000"), 5000);
  EXPECT_EQ(ParseInteger("5 000"), 5000);  // typed with an ordinary space
  EXPECT_EQ(ParseInteger("-12,9"), -12);
  EXPECT_EQ(ParseInteger("5.000"), 5);  // a point is no separator in French
}

TEST_F(NumberFormatTest, ALocaleSignOtherThanHyphenIsTakenToo) {
  NumberLocale locale = NumberLocaleFor(kLanguageEnglish);
  locale.negativeSign = "\xE2\x88\x92";  // U+2212 MINUS SIGN
  SetNumberLocaleForTesting(&locale);
  EXPECT_EQ(ParseInteger("\xE2\x88\x92" "1,500"), -1500);
  EXPECT_EQ(ParseInteger("-1,500"), -1500);
  EXPECT_EQ(FormatInteger(-1500, true), "\xE2\x88\x92" "1,500");
}

// What the pages write, ParseInteger reads back in every shipped locale.
TEST_F(NumberFormatTest, ParsingWhatWasFormattedGivesTheValueBack) {
  const long values[] = {0, 1, -1, 999, 1000, -1000, 123456, -5000, kInt32Max, kInt32Min};
  for (int lang : {kLanguageEnglish, kLanguageGerman, kLanguageFrench, kLanguageJapanese}) {
    UseLocaleOf(lang);
    for (long v : values) {
      EXPECT_EQ(ParseInteger(FormatInteger(v, true)), v) << lang << " " << v;
      EXPECT_EQ(ParseInteger(FormatInteger(v, false)), v) << lang << " " << v;
      EXPECT_EQ(ParseInteger(FormatLevel(v, 1, 0, " dB")), v / 10) << lang << " " << v;
    }
  }
}

TEST_F(NumberFormatTest, LocaleNamesMapToLanguages) {
  EXPECT_EQ(LanguageOfLocaleName("de_DE.UTF-8"), kLanguageGerman);
  EXPECT_EQ(LanguageOfLocaleName("de"), kLanguageGerman);
  EXPECT_EQ(LanguageOfLocaleName("fr_CA"), kLanguageFrench);
  EXPECT_EQ(LanguageOfLocaleName("ja_JP.eucJP"), kLanguageJapanese);
  EXPECT_EQ(LanguageOfLocaleName("en_GB.UTF-8"), kLanguageEnglish);
  EXPECT_EQ(LanguageOfLocaleName("dev_IN"), kLanguageEnglish);
  EXPECT_EQ(LanguageOfLocaleName("C.UTF-8"), kLanguageEnglish);
  EXPECT_EQ(LanguageOfLocaleName(""), kLanguageEnglish);
  EXPECT_EQ(LanguageOfLocaleName(nullptr), kLanguageEnglish);
}

// Sets or clears environment variables for one test and puts them back.
class ScopedEnvironment {
 public:
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Apply(it->name, it->value);
  }
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    Apply(name, value ? std::optional<std::string>(value) : std::nullopt);
  }

 private:
  struct Saved {
    std::string name;
    std::optional<std::string> value;
  };
  static void Apply(const std::string& name, const std::optional<std::string>& value) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
  }
  std::vector<Saved> saved_;
};

TEST_F(NumberFormatTest, TheUserLocaleComesFromTheEnvironmentInPosixOrder) {
  SetNumberLocaleForTesting(nullptr);
  ScopedEnvironment env;
  env.Set("LC_ALL", "de_DE.UTF-8");
  env.Set("LC_NUMERIC", "fr_FR.UTF-8");
  env.Set("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(FormatInteger(5000, true), "5.000");

  env.Set("LC_ALL", nullptr);
  EXPECT_EQ(FormatInteger(5000, true), std::string("5") + kNarrowNbsp + "000");
  EXPECT_EQ(ParseInteger("5 000"), 5000);

  env.Set("LC_NUMERIC", "");
  env.Set("LANG", "de_AT");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79,9 dB");

  env.Set("LANG", nullptr);
  EXPECT_EQ(FormatInteger(5000, true), "5,000");
}

TEST_F(NumberFormatTest, TheTestLocaleOverridesTheEnvironmentUntilCleared) {
  ScopedEnvironment env;
  env.Set("LC_ALL", "de_DE.UTF-8");
  UseLocaleOf(kLanguageEnglish);
  EXPECT_EQ(CurrentNumberLocale().decimalSeparator, ".");
  SetNumberLocaleForTesting(nullptr);
  EXPECT_EQ(CurrentNumberLocale().decimalSeparator, ",");
}

}  // namespace
}  // namespace orlofx

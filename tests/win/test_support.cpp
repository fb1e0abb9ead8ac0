// Number texts and string lookup through the Win32 layer: GetNumberFormatW
// and GetLocaleInfoW for the user's locale (the test runner pins it to the C
// locale, which Windows formats as US English), UTF-16 conversion, and the
// LoadString name that <windows.h> turns into a macro.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"

namespace orlofx {
namespace {

class SupportTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetNumberLocaleForTesting(nullptr);
    SetLanguage(kLanguageEnglish);
  }
  // 0: the user's locale as the platform reports it.
  static void UseLocaleOf(int langId) {
    static NumberLocale locale;
    locale = NumberLocaleFor(langId);
    SetNumberLocaleForTesting(langId ? &locale : nullptr);
  }
};

TEST_F(SupportTest, NumbersAreFormattedAndParsedInTheLocalesLayout) {
  const NumberLocale user = UserNumberLocale();
  EXPECT_EQ(user.decimalSeparator + user.groupSeparator + user.negativeSign + std::to_string(user.groupSize), ".,-3");
  const struct {
    int lang;  // 0: the user's
    long value;
    int decimals;  // -1: an integer, grouped
    const char* text;
  } cases[] = {{0, -800, 1, "-Inf."},     {0, -799, 1, "-79.9 dB"},         {0, 0, 1, "0.0 dB"},
               {0, 123456789, 3, "123,456.789 dB"}, {0, -2147483647L - 1, 9, "-2.147483648 dB"},
               {0, -2147483647L - 1, -1, "-2,147,483,648"}, {0, 999, -1, "999"},
               {kLanguageGerman, 5000, -1, "5.000"},   {kLanguageGerman, 12345, 1, "1.234,5 dB"},
               {kLanguageFrench, -5000, -1, "-5\xE2\x80\xAF" "000"}};
  for (const auto& c : cases) {
    UseLocaleOf(c.lang);
    const long floor = c.value == -800 ? -800 : 0;  // shown as "-Inf."
    EXPECT_EQ(c.decimals < 0 ? FormatInteger(c.value, true) : FormatLevel(c.value, c.decimals, floor, " dB"), c.text);
    EXPECT_EQ(c.decimals < 0 ? FormatIntegerW(c.value, true) : FormatLevelW(c.value, c.decimals, floor, L" dB"),
              Utf8ToWide(c.text));
    EXPECT_TRUE(c.decimals >= 0 || ParseInteger(c.text) == c.value) << c.text;  // integers read back
  }
  UseLocaleOf(0);
  EXPECT_EQ(FormatInteger(5000, false), "5000");
  for (const auto& [text, value] : {std::pair<const char*, long>{"abc", 0}, {"  -17", -17}, {"12.9", 12},
                                    {"99999999999999999999", 2147483647L}, {"-99999999999999999999", -2147483647L - 1}})
    EXPECT_EQ(ParseInteger(text), value) << text;
  UseLocaleOf(kLanguageFrench);
  EXPECT_EQ(ParseInteger("5 000"), 5000);
}

TEST_F(SupportTest, TextsConvertBothWaysAndComeWideFromTheStringTables) {
  const std::string utf8 = "\xC3\xA9 \xE3\x83\x97 \xF0\x9F\x8E\xB5";  // é, プ, U+1F3B5
  EXPECT_EQ(Utf8ToWide(utf8), L"\u00E9 \u30D7 \U0001F3B5");
  EXPECT_EQ(WideToUtf8(Utf8ToWide(utf8)), utf8);
  EXPECT_STREQ(LoadString(sid::kPresetDefault), "(Default)");  // through the LoadStringW spelling of <windows.h>
  SetLanguage(kLanguageJapanese);
  EXPECT_EQ(LoadWideString(sid::kPresets), L"\u30D7\u30EA\u30BB\u30C3\u30C8");
  SetLanguage(0);
  EXPECT_EQ(CurrentLanguage(), kLanguageEnglish);  // 0 is English
}

}  // namespace
}  // namespace orlofx

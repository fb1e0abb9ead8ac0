// String lookup and number texts through the Win32 layer: GetNumberFormatW
// and GetLocaleInfoW for the user's locale (the test runner pins it to the
// C locale, which Windows formats as US English), UTF-16 conversion, and the
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
  static void UseLocaleOf(int langId) {
    const NumberLocale locale = NumberLocaleFor(langId);
    SetNumberLocaleForTesting(&locale);
  }
};

TEST_F(SupportTest, UserLocaleIsReadFromThePlatform) {
  const NumberLocale locale = UserNumberLocale();
  EXPECT_EQ(locale.decimalSeparator, ".");
  EXPECT_EQ(locale.groupSeparator, ",");
  EXPECT_EQ(locale.groupSize, 3);
  EXPECT_EQ(locale.negativeSign, "-");
}

TEST_F(SupportTest, LevelsThroughGetNumberFormat) {
  EXPECT_EQ(FormatLevel(-800, 1, -800, " dB"), "-Inf.");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79.9 dB");
  EXPECT_EQ(FormatLevel(-5, 1, 0, " dB"), "-0.5 dB");
  EXPECT_EQ(FormatLevel(0, 1, 0, " dB"), "0.0 dB");
  EXPECT_EQ(FormatLevel(123456789, 0, 0, nullptr), "123,456,789");
  EXPECT_EQ(FormatLevel(123456789, 3, 0, ""), "123,456.789");
  EXPECT_EQ(FormatLevel(-123456789, 9, 0, ""), "-0.123456789");
  EXPECT_EQ(FormatLevel(-2147483647L - 1, 9, 0, ""), "-2.147483648");
}

TEST_F(SupportTest, IntegersThroughGetNumberFormat) {
  EXPECT_EQ(FormatInteger(5000, true), "5,000");
  EXPECT_EQ(FormatInteger(5000, false), "5000");
  EXPECT_EQ(FormatInteger(-1234567, true), "-1,234,567");
  EXPECT_EQ(FormatInteger(999, true), "999");
  EXPECT_EQ(FormatInteger(0, true), "0");
  EXPECT_EQ(FormatInteger(-2147483647L - 1, true), "-2,147,483,648");
}

TEST_F(SupportTest, ParsingWithThePlatformSeparators) {
  EXPECT_EQ(ParseInteger("5,000"), 5000);
  EXPECT_EQ(ParseInteger("abc"), 0);
  EXPECT_EQ(ParseInteger("  -17"), -17);
  EXPECT_EQ(ParseInteger("12.9"), 12);
  EXPECT_EQ(ParseInteger("99999999999999999999"), 2147483647L);
  EXPECT_EQ(ParseInteger("-99999999999999999999"), -2147483647L - 1);
  for (long v : {0L, -1L, 1000L, -5000L, 2147483647L, -2147483647L - 1})
    EXPECT_EQ(ParseInteger(FormatInteger(v, true)), v) << v;
}

TEST_F(SupportTest, OtherLocalesThroughGetNumberFormat) {
  UseLocaleOf(kLanguageGerman);
  EXPECT_EQ(FormatInteger(5000, true), "5.000");
  EXPECT_EQ(FormatLevel(-799, 1, -800, " dB"), "-79,9 dB");
  EXPECT_EQ(FormatLevel(12345, 1, 0, ""), "1.234,5");
  EXPECT_EQ(ParseInteger("-5.000"), -5000);

  UseLocaleOf(kLanguageFrench);
  EXPECT_EQ(FormatInteger(5000, true), "5\xE2\x80\xAF" "000");
  EXPECT_EQ(ParseInteger("5 000"), 5000);
}

TEST_F(SupportTest, WideForms) {
  EXPECT_EQ(FormatLevelW(-799, 1, -800, L" dB"), L"-79.9 dB");
  EXPECT_EQ(FormatLevelW(-800, 1, -800, L" dB"), L"-Inf.");
  EXPECT_EQ(FormatLevelW(250, 1, 0, nullptr), L"25.0");
  EXPECT_EQ(FormatIntegerW(5000, true), L"5,000");
  EXPECT_EQ(ParseIntegerW(L"5,000"), 5000);
  UseLocaleOf(kLanguageFrench);
  EXPECT_EQ(ParseIntegerW(L"5\u202F000"), 5000);
  EXPECT_EQ(FormatIntegerW(-5000, true), L"-5\u202F000");
}

TEST_F(SupportTest, Utf8AndUtf16ConvertBothWays) {
  const std::string utf8 = "\xC3\xA9 \xE3\x83\x97 \xF0\x9F\x8E\xB5";  // é, プ, U+1F3B5
  const std::wstring utf16 = L"\u00E9 \u30D7 \U0001F3B5";
  EXPECT_EQ(Utf8ToWide(utf8), utf16);
  EXPECT_EQ(WideToUtf8(utf16), utf8);
  EXPECT_EQ(Utf8ToWide(""), L"");
  EXPECT_EQ(WideToUtf8(L""), "");
}

TEST_F(SupportTest, StringLookupInEveryLanguage) {
  // <windows.h> is included above, so this call goes through the LoadStringW
  // spelling that strings.h provides.
  EXPECT_STREQ(LoadString(sid::kPresetDefault), "(Default)");
  EXPECT_EQ(LoadWideString(sid::kPresets), L"Presets");
  EXPECT_EQ(LoadWideString(12345), L"");

  SetLanguage(kLanguageJapanese);
  EXPECT_EQ(LoadWideString(sid::kPresets), L"\u30D7\u30EA\u30BB\u30C3\u30C8");
  SetLanguage(kLanguageGerman);
  EXPECT_EQ(LoadWideString(sid::kHelp), L"Hilfe");
  EXPECT_EQ(LoadWideString(sid::kCliUnknownEffect), L"unbekannter Effekt: %s");
  SetLanguage(0);
  EXPECT_EQ(CurrentLanguage(), kLanguageEnglish);
  EXPECT_EQ(LoadWideString(sid::kHelp), L"Help");
}

}  // namespace
}  // namespace orlofx

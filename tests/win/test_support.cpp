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
  EXPECT_EQ(user.decimalSeparator + user.groupSeparator + user.negativeSign, ".,-");
  EXPECT_EQ(user.groupSize, 3);
  const struct {
    int lang;
    long value;
    int decimals;  // -1: an integer, grouped
    const char* text;
  } formats[] = {{0, -800, 1, "-Inf."},         {0, -799, 1, "-79.9 dB"},
                 {0, -5, 1, "-0.5 dB"},         {0, 0, 1, "0.0 dB"},
                 {0, 123456789, 3, "123,456.789 dB"}, {0, -123456789, 9, "-0.123456789 dB"},
                 {0, -2147483647L - 1, 9, "-2.147483648 dB"}, {0, -2147483647L - 1, -1, "-2,147,483,648"},
                 {0, 5000, -1, "5,000"},        {0, 999, -1, "999"},
                 {kLanguageGerman, 5000, -1, "5.000"}, {kLanguageGerman, -799, 1, "-79,9 dB"},
                 {kLanguageGerman, 12345, 1, "1.234,5 dB"}, {kLanguageFrench, 5000, -1, "5\xE2\x80\xAF" "000"}};
  for (const auto& f : formats) {
    UseLocaleOf(f.lang);
    const long floor = f.value == -800 ? -800 : 0;  // shown as "-Inf."
    EXPECT_EQ(f.decimals < 0 ? FormatInteger(f.value, true) : FormatLevel(f.value, f.decimals, floor, " dB"), f.text);
    if (f.decimals < 0) {
      EXPECT_EQ(ParseInteger(f.text), f.value) << f.text;
      EXPECT_EQ(FormatIntegerW(f.value, true), Utf8ToWide(f.text));
    } else {
      EXPECT_EQ(FormatLevelW(f.value, f.decimals, floor, L" dB"), Utf8ToWide(f.text));
    }
  }
  UseLocaleOf(0);
  EXPECT_EQ(FormatInteger(5000, false), "5000");
  const struct {
    const char* text;
    long value;
  } parses[] = {{"abc", 0}, {"  -17", -17}, {"12.9", 12}, {"99999999999999999999", 2147483647L},
                {"-99999999999999999999", -2147483647L - 1}};
  for (const auto& p : parses) EXPECT_EQ(ParseInteger(p.text), p.value) << p.text;
  UseLocaleOf(kLanguageFrench);
  EXPECT_EQ(ParseInteger("5 000"), 5000);
}

TEST_F(SupportTest, TextsConvertBothWaysAndAreLookedUpInEachLanguage) {
  const std::string utf8 = "\xC3\xA9 \xE3\x83\x97 \xF0\x9F\x8E\xB5";  // é, プ, U+1F3B5
  const std::wstring utf16 = L"\u00E9 \u30D7 \U0001F3B5";
  EXPECT_EQ(Utf8ToWide(utf8), utf16);
  EXPECT_EQ(WideToUtf8(utf16), utf8);
  EXPECT_EQ(Utf8ToWide(""), L"");
  // <windows.h> is included above: this goes through the LoadStringW spelling.
  EXPECT_STREQ(LoadString(sid::kPresetDefault), "(Default)");
  const struct {
    int lang;
    int id;
    const wchar_t* text;
  } lookups[] = {{kLanguageEnglish, sid::kPresets, L"Presets"},
                 {kLanguageEnglish, 12345, L""},
                 {kLanguageJapanese, sid::kPresets, L"\u30D7\u30EA\u30BB\u30C3\u30C8"},
                 {kLanguageGerman, sid::kHelp, L"Hilfe"},
                 {kLanguageGerman, sid::kCliUnknownEffect, L"unbekannter Effekt: %s"},
                 {0, sid::kHelp, L"Help"}};
  for (const auto& l : lookups) {
    SetLanguage(l.lang);
    EXPECT_EQ(LoadWideString(l.id), l.text) << l.lang << " " << l.id;
  }
  EXPECT_EQ(CurrentLanguage(), kLanguageEnglish);  // 0 is English
}

}  // namespace
}  // namespace orlofx

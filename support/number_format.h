// Locale-aware value texts for the property pages and the command-line tool.
//
// Values are integers in the effects' own units (tenths of a dB, ms, Hz).
// The portable part builds a plain layout ("-1234.5": ASCII minus, digits,
// point) and hands it to the platform, which applies the user's locale: the
// Windows build through GetNumberFormatW, the native build through the rules
// of NumberLocaleFor for the language named by the environment.
#pragma once

#include <string>

namespace orlofx {

// What a locale's number layout needs. Texts are UTF-8.
struct NumberLocale {
  std::string decimalSeparator = ".";
  std::string groupSeparator = ",";
  int groupSize = 3;  // digits per group, repeated; 0 means never grouped
  std::string negativeSign = "-";
};

// value / 10^decimals with `decimals` fraction digits (0 to 9; more read as 9)
// in the locale's layout, grouped, followed by suffix (null: none). When floor
// is non-zero and value <= floor the text is "-Inf." (string 48378) without
// suffix. When the platform cannot lay out the number, "Err." (48377).
std::string FormatLevel(long value, int decimals, long floor, const char* suffix);

// The integer in the locale's layout, with digit grouping when asked.
std::string FormatInteger(long value, bool grouping);

// Reads an integer that a user typed, the inverse of FormatInteger and
// FormatLevel with 0 decimals: leading blanks (space, tab) are skipped; then
// negative signs, digits, group separators (dropped) and decimal separators
// (read as a point) are taken up to the first other character, and the
// integer part of what was taken is the result, truncated toward zero (0 when
// nothing was taken). The sign counts when it leads or trails the number.
// ASCII '-' is always a negative sign; where the locale groups with a space of
// any kind, any of space, U+00A0 and U+202F is a group separator. Digit
// strings too long for 32 bits saturate at INT32_MIN or INT32_MAX, on every
// platform alike.
long ParseInteger(const std::string& text);

// Layout rules of the languages the module ships, by language id (matched by
// primary language; others get en-US): en-US "1,234.5"; de-DE "1.234,5";
// fr-FR "1 234,5" with U+202F NARROW NO-BREAK SPACE, as Windows 10 and later
// group French numbers; ja-JP as en-US.
NumberLocale NumberLocaleFor(int langId);

// The language id named by a POSIX locale name such as "de_DE.UTF-8": 1031
// for de, 1036 for fr, 1041 for ja, otherwise (also "C", "POSIX", "" and
// null) 1033.
int LanguageOfLocaleName(const char* name);

// Lays out plain ("-1234.5": optional ASCII minus, digits, optional point and
// fraction digits) with the separators of locale, grouped when asked.
std::string LayOutNumber(const std::string& plain, bool grouping, const NumberLocale& locale);

// The locale that the functions above apply: the one set for testing, or
// else the user's.
NumberLocale CurrentNumberLocale();

// Replaces the user's locale with a copy of *locale for all later calls; null
// restores the user's. For tests, which must not depend on the machine.
void SetNumberLocaleForTesting(const NumberLocale* locale);

// --- implemented once per platform (support/native/, support/win/) ---------

// The user's default number locale.
NumberLocale UserNumberLocale();

// Lays out plain (as for LayOutNumber, with exactly `decimals` fraction
// digits) in the user's locale, or with the separators of *override when it is
// not null. False when the platform fails; *out is then unspecified.
bool PlatformLayOutNumber(const std::string& plain, int decimals, bool grouping,
                          const NumberLocale* override, std::string* out);

}  // namespace orlofx

// Number layout of the Windows build: the user's default locale through
// GetLocaleInfoW and GetNumberFormatW.
#include <windows.h>

#include <algorithm>

#include "support/number_format.h"
#include "support/win/wide_text.h"

namespace orlofx {

namespace {

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t buffer[16];  // the separators hold at most 4 characters, the grouping 10
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16);
  return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : fallback;
}

UINT LocaleNumber(LCTYPE type, UINT fallback) {
  DWORD value = 0;
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type | LOCALE_RETURN_NUMBER,
                                    reinterpret_cast<LPWSTR>(&value), sizeof(value) / sizeof(wchar_t));
  return length > 0 ? value : fallback;
}

// LOCALE_SGROUPING lists group sizes from the right ("3;0", "3;2;0"; a final 0
// repeats the last size); NUMBERFMT wants the same digits as one number, where
// a missing final 0 becomes a trailing 0 ("3" -> 30, "3;0" -> 3, "3;2;0" -> 32).
UINT NumberFmtGrouping(const std::wstring& sgrouping) {
  UINT value = 0;
  wchar_t last = L'\0';
  for (wchar_t c : sgrouping) {
    if (c < L'0' || c > L'9') continue;
    value = value * 10 + static_cast<UINT>(c - L'0');
    last = c;
  }
  if (last == L'0') value /= 10;
  else value *= 10;
  return value;
}

int FirstGroupSize(const std::wstring& sgrouping) {
  return !sgrouping.empty() && sgrouping[0] >= L'0' && sgrouping[0] <= L'9' ? sgrouping[0] - L'0' : 3;
}

}  // namespace

NumberLocale UserNumberLocale() {
  NumberLocale locale;
  locale.decimalSeparator = WideToUtf8(LocaleText(LOCALE_SDECIMAL, L"."));
  locale.groupSeparator = WideToUtf8(LocaleText(LOCALE_STHOUSAND, L","));
  locale.groupSize = FirstGroupSize(LocaleText(LOCALE_SGROUPING, L"3;0"));
  locale.negativeSign = WideToUtf8(LocaleText(LOCALE_SNEGATIVESIGN, L"-"));
  return locale;
}

bool PlatformLayOutNumber(const std::string& plain, int decimals, bool grouping,
                          const NumberLocale* override, std::string* out) {
  std::wstring decimalSeparator, groupSeparator;
  NUMBERFMTW format = {};
  format.NumDigits = static_cast<UINT>(std::clamp(decimals, 0, 9));
  if (override) {
    decimalSeparator = Utf8ToWide(override->decimalSeparator);
    groupSeparator = Utf8ToWide(override->groupSeparator);
    format.LeadingZero = 1;
    format.Grouping = static_cast<UINT>(std::clamp(override->groupSize, 0, 9));
    format.NegativeOrder = 1;  // "-1.1"
  } else {
    decimalSeparator = LocaleText(LOCALE_SDECIMAL, L".");
    groupSeparator = LocaleText(LOCALE_STHOUSAND, L",");
    format.LeadingZero = LocaleNumber(LOCALE_ILZERO, 1);
    format.Grouping = NumberFmtGrouping(LocaleText(LOCALE_SGROUPING, L"3;0"));
    format.NegativeOrder = LocaleNumber(LOCALE_INEGNUMBER, 1);
  }
  if (!grouping) format.Grouping = 0;
  format.lpDecimalSep = decimalSeparator.data();
  format.lpThousandSep = groupSeparator.data();

  const std::wstring value = Utf8ToWide(plain);
  wchar_t buffer[128];
  const int length = GetNumberFormatW(LOCALE_USER_DEFAULT, 0, value.c_str(), &format, buffer, 128);
  if (length <= 0) return false;
  *out = WideToUtf8(std::wstring(buffer, static_cast<std::size_t>(length - 1)));
  return true;
}

}  // namespace orlofx

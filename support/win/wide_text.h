// UTF-16 forms of the support texts, for the Win32 calls of the pages.
//
// The portable core speaks UTF-8; windows, menus and COM take UTF-16. These
// convert at that border and offer the string and number texts directly in
// the form SetDlgItemTextW and friends want.
#pragma once

#include <string>

namespace orlofx {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// LoadString(id) as UTF-16 ("" for an unknown id).
std::wstring LoadWideString(int id);

// FormatLevel, FormatInteger and ParseInteger (support/number_format.h) on
// UTF-16 text.
std::wstring FormatLevelW(long value, int decimals, long floor, const wchar_t* suffix);
std::wstring FormatIntegerW(long value, bool grouping);
long ParseIntegerW(const std::wstring& text);

}  // namespace orlofx

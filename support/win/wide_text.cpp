#include "support/win/wide_text.h"

#include <windows.h>

#include "support/number_format.h"
#include "support/strings.h"

namespace orlofx {

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

// <windows.h> turns LoadString into LoadStringW here; strings.h declares both.
std::wstring LoadWideString(int id) { return Utf8ToWide(LoadString(id)); }

std::wstring FormatLevelW(long value, int decimals, long floor, const wchar_t* suffix) {
  const std::string narrowSuffix = suffix ? WideToUtf8(suffix) : std::string();
  return Utf8ToWide(FormatLevel(value, decimals, floor, suffix ? narrowSuffix.c_str() : nullptr));
}

std::wstring FormatIntegerW(long value, bool grouping) {
  return Utf8ToWide(FormatInteger(value, grouping));
}

long ParseIntegerW(const std::wstring& text) { return ParseInteger(WideToUtf8(text)); }

}  // namespace orlofx

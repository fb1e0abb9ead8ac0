// Number layout of the native build: the rules of NumberLocaleFor for the
// language that the environment's locale names.
#include <cstdlib>

#include "support/number_format.h"

namespace orlofx {

namespace {
// POSIX precedence: LC_ALL overrides LC_NUMERIC, which overrides LANG.
const char* NumericLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return nullptr;
}
}  // namespace

NumberLocale UserNumberLocale() { return NumberLocaleFor(LanguageOfLocaleName(NumericLocaleName())); }

bool PlatformLayOutNumber(const std::string& plain, int /*decimals*/, bool grouping,
                          const NumberLocale* override, std::string* out) {
  *out = LayOutNumber(plain, grouping, override ? *override : UserNumberLocale());
  return true;
}

}  // namespace orlofx

// The module's string tables and the choice of user-interface language.
//
// Texts are UTF-8, compiled into the module as constant tables, one per
// language (support/strings/strings_<language id>.inc). A lookup takes the
// table of the language in force and falls back to English for an id that
// the language does not translate. The tables never change and the language
// is one atomic value, so lookups are safe from any thread while the user
// interface switches the language; nothing is cached, so a switch affects
// every later lookup at once.
//
// Named ids for code live in support/strings/string_ids.h.
#pragma once

#include <string>
#include <vector>

#include "support/result.h"

// <windows.h> defines LoadString as LoadStringW or LoadStringA. The macro is
// set aside while the declarations below are read, and the two spellings it
// produces are declared as well, so that a call written LoadString(id) reaches
// the same function whether or not the caller's file includes <windows.h>.
// (Inside namespace orlofx the Win32 function must then be named ::LoadStringW.)
#pragma push_macro("LoadString")
#undef LoadString

namespace orlofx {

constexpr int kLanguageEnglish = 1033;   // en-US
constexpr int kLanguageGerman = 1031;    // de-DE
constexpr int kLanguageFrench = 1036;    // fr-FR
constexpr int kLanguageJapanese = 1041;  // ja-JP

// The language id in force, as last given to SetLanguage (1033 until then).
int CurrentLanguage();

// Makes langId the language of all later lookups; 0 means 1033. Languages are
// matched by their primary language, so any German sublanguage (for example
// 2055, de-CH) reads the German table. A language without a table reads
// English but is remembered as given. Always kOk.
HResult SetLanguage(int langId);

// True for the languages written right to left (Arabic, Hebrew, Urdu, Farsi),
// for which the Windows shell switches the process layout.
bool IsRightToLeftLanguage(int langId);

// The language id that a user's language name stands for: a number ("1031",
// any id up to 0xFFFF), a language code ("de", "fr", "ja", "en") with or
// without a region, encoding and modifier as locale names carry them
// ("de-DE", "de_DE.UTF-8", "fr_CA@euro"; matched without regard to case), or
// "C"/"POSIX", which mean English. The region does not choose texts, so a
// code gives its language's main id (1031, 1036, 1041, 1033). -1 for
// anything else, including languages the module has no texts for.
int LanguageFromName(const std::string& name);

// The language the locale environment asks for, as POSIX reads it: the first
// of LC_ALL, LC_MESSAGES and LANG that is set and not empty decides (any may
// be null). English when none is set or the one that decides names no
// language of the module.
int LanguageFromEnvironment(const char* lcAll, const char* lcMessages, const char* lang);

// The text of id in the current language, or in English when the language has
// no translation for it. Never null: an id that no table holds gives "".
// The pointer stays valid for the life of the process.
const char* LoadString(int id);

// As LoadString, but fallback (may be null, read as "") for an unknown id.
std::string LoadStringOr(int id, const char* fallback);

// Every id of the English table, ascending. English holds every id.
std::vector<int> StringIds();

// Whether the table of langId (matched by primary language, 0 meaning 1033)
// holds id itself, without falling back. False for a language without a table.
bool HasString(int langId, int id);

// The text of id in the table of langId itself, or null when there is no such
// table or it does not hold id.
const char* StringInTable(int langId, int id);

#ifdef _WIN32
inline const char* LoadStringW(int id) { return LoadString(id); }
inline const char* LoadStringA(int id) { return LoadString(id); }
#endif

}  // namespace orlofx

#pragma pop_macro("LoadString")

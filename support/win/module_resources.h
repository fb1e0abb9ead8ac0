// Finding a module's dialogs and menus in the user-interface language that
// the host chose (IAkTranslationInfo::SetLanguage), not in the thread's.
#pragma once

#include <windows.h>

namespace orlofx {

// The languages to try for `language`, best first: the language itself, its
// primary language's default sublanguage (de-CH finds de-DE), then US
// English. Returns how many of `out` (room for 3) were filled.
int ResourceLanguages(LANGID language, LANGID out[3]);

// Resource `name` of `type` in `module` in the current language (orlofx::
// CurrentLanguage()), falling back as ResourceLanguages says and last to
// whatever language the module has; null when the module has none.
HRSRC FindModuleResource(HMODULE module, LPCWSTR type, LPCWSTR name);

// The menu resource `id` of `module` in the current language, as
// LoadMenuW would load it; null when there is none.
HMENU LoadModuleMenu(HMODULE module, int id);

}  // namespace orlofx

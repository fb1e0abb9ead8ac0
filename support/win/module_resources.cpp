#include "support/win/module_resources.h"

#include "support/strings.h"

#pragma push_macro("LoadString")
#undef LoadString

namespace orlofx {

int ResourceLanguages(LANGID language, LANGID out[3]) {
  const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const LANGID primaryDefault = MAKELANGID(PRIMARYLANGID(language), SUBLANG_DEFAULT);
  int count = 0;
  out[count++] = language;
  if (primaryDefault != language) out[count++] = primaryDefault;
  if (english != language && english != primaryDefault) out[count++] = english;
  return count;
}

HRSRC FindModuleResource(HMODULE module, LPCWSTR type, LPCWSTR name) {
  if (!module) return nullptr;
  LANGID languages[3];
  const int count = ResourceLanguages(static_cast<LANGID>(CurrentLanguage()), languages);
  for (int i = 0; i < count; ++i) {
    if (HRSRC found = FindResourceExW(module, type, name, languages[i])) return found;
  }
  // A resource that exists in one other language only still beats none.
  return FindResourceW(module, name, type);
}

HMENU LoadModuleMenu(HMODULE module, int id) {
  HRSRC found = FindModuleResource(module, MAKEINTRESOURCEW(4) /* RT_MENU */,
                                   MAKEINTRESOURCEW(static_cast<WORD>(id)));
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* menu = loaded ? LockResource(loaded) : nullptr;
  return menu ? LoadMenuIndirectW(menu) : nullptr;
}

}  // namespace orlofx

#pragma pop_macro("LoadString")

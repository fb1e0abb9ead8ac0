// The six custom control classes that the property pages are built from,
// registered while the module is loaded.
#pragma once

#include <windows.h>

namespace orlofx {

// Registers every class for `module` (application-global, so that dialogs
// created from any module find them). A class that cannot be registered is
// skipped: only the dialogs that use it fail to open later.
void RegisterControlClasses(HINSTANCE module, HINSTANCE resourceModule);
// Unregisters the classes that RegisterControlClasses registered.
void UnregisterControlClasses(HINSTANCE module);

}  // namespace orlofx

// Start-up and shut-down of the module's support services: the process error
// mode and the modules that code and resources are taken from.
#pragma once

#include <windows.h>

namespace orlofx {

// Called first at process attach. Returns false when the module must not be
// loaded.
bool StartSupportLibrary(HINSTANCE module);
// Called at process detach; harmless when start-up did not run or failed.
void StopSupportLibrary();

// This module while it is loaded, else null.
HINSTANCE ModuleInstance();
// The module that dialogs, menus, bitmaps and cursors are loaded from: this
// module, which carries the resources of every language.
HINSTANCE ResourceModule();

}  // namespace orlofx

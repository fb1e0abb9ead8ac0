// Kept apart from BaseDllEntry so that code needing only the module instance
// does not pull in the class table.
#include "framework/win/baseclasses/dll_entry.h"

HINSTANCE g_hInst = nullptr;
DWORD g_amPlatform = 0;

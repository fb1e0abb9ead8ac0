// Module start-up and shut-down on behalf of DllMain.
#pragma once

#include <windows.h>

// The module instance (set at process attach) and the platform identifier
// reported by GetVersionExW (1 when the call fails).
extern HINSTANCE g_hInst;
extern DWORD g_amPlatform;

// Process attach: disables thread notifications, records the instance and
// the platform, and calls every table entry's initialisation routine with
// TRUE. Process detach: calls them with FALSE. Returns TRUE.
BOOL WINAPI BaseDllEntry(HINSTANCE hInstance, DWORD dwReason);

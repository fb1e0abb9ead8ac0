// Level meter.
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kMeterClassName[] = L"tovra2Bld314MeterClass";

LRESULT CALLBACK MeterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The resource (language) module holding the meter's menu and help strings,
// recorded when the class is registered; null after unregistration.
void SetMeterResourceModule(HINSTANCE module);
HINSTANCE MeterResourceModule();

}  // namespace orlofx

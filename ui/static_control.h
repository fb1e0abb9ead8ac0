// Static text or bitmap that can also act as a keyboard-reachable link.
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kStaticClassName[] = L"tovra2Bld314StaticClass";

LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The module-wide 50 % checkerboard brush (8 x 8 pixels, rows 0x55 and 0xAA)
// for dithered drawing. The module creates it when it registers the class
// and deletes it when it unregisters it; in between StaticPatternBrush()
// returns it (null before, after, or when GDI was out of resources).
HBRUSH CreateStaticPatternBrush();
void DeleteStaticPatternBrush();
HBRUSH StaticPatternBrush();

}  // namespace orlofx

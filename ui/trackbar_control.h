// Horizontal or vertical one-thumb slider.
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kTrackbarClassName[] = L"tovra2Bld314TrackbarClass";

LRESULT CALLBACK TrackbarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orlofx

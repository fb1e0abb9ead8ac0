// Vertical level fader with one or two thumbs (the pages' level sliders).
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kFaderClassName[] = L"tovra2Bld314FaderClass";

LRESULT CALLBACK FaderWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orlofx

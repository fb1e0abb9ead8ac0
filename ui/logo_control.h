// The banner across the top of every page: logo, effect name, small buttons.
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kLogoClassName[] = L"tovra2Bld314LogoClass";

LRESULT CALLBACK LogoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Bitmap resource ids of the logo, drawn normally and while hovered; set once
// at module start-up.
void SetLogoBitmaps(int normalId, int hoverId);
int LogoBitmapId();
int LogoHoverBitmapId();

}  // namespace orlofx

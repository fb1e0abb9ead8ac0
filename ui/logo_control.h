// The banner across the top of every page: logo, effect name, small buttons.
#pragma once

#include <windows.h>

#include <string>

namespace orlofx {

inline constexpr wchar_t kLogoClassName[] = L"tovra2Bld314LogoClass";

LRESULT CALLBACK LogoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Messages.
constexpr UINT LGM_RESET = 1536;        // remove all buttons; returns 1
constexpr UINT LGM_ADDBUTTON = 1537;    // LOWORD(wParam) command, lParam text (wide); HIWORD(wParam) repaints
constexpr UINT kLogoTitleClick = 1538;  // wParam non-zero: a title click posts the logo's id
constexpr UINT kLogoAddImageButton = 1539;  // wParam command, lParam image index
constexpr UINT kLogoSetImages = 1540;       // 1540 normal, 1541 hot, 1542 disabled (wParam HIMAGELIST)
constexpr UINT kLogoSetDisabled = 1543;     // button with command wParam: disabled (lParam) or normal; 1 if found
constexpr UINT kLogoSetEnabled = 1544;      // button with command wParam: enabled flag = lParam; 1 if found

// The timer that watches the pointer leave while something is hovered.
constexpr UINT_PTR kLogoHoverTimer = 51;
constexpr UINT kLogoHoverPeriod = 130;

// Where a click on the title leads while the title-click flag is off.
// Whether `address` leads nowhere: empty, or its host in the reserved
// .example domain (as placeholders are written).
bool IsPlaceholderAddress(const std::wstring& address);
// The maker's web site (string 7454), or "" while that is a placeholder.
std::wstring MakerSiteAddress();

// The home page's path and query on the maker's site (string 7454).
inline constexpr wchar_t kMakerHomePagePath[] = L"productinfo.asp?Place=Home";

// Bitmap resource ids of the logo, drawn normally and while hovered; set once
// at module start-up.
void SetLogoBitmaps(int normalId, int hoverId);
int LogoBitmapId();
int LogoHoverBitmapId();

}  // namespace orlofx

// Static text or bitmap that can also act as a keyboard-reachable link.
#pragma once

#include <windows.h>

#include <cstddef>

namespace orlofx {

inline constexpr wchar_t kStaticClassName[] = L"tovra2Bld314StaticClass";

LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Messages.
constexpr UINT kStaticLoadBitmap = 1546;  // wParam module (0: the window's), lParam name; returns loaded
constexpr UINT kStaticSetBitmap = 1547;   // lParam HBITMAP, owned from now on
constexpr UINT kStaticSetDib = 1548;      // lParam packed device-independent bitmap, copied
constexpr UINT kStaticSetColours = 1549;  // wParam text colour, lParam background colour

// Style bits.
constexpr DWORD kStaticLink = 0x0010;     // a hyperlink: cursor, click, Space, Tab
constexpr DWORD kStaticHitTest = 0x0040;  // takes the mouse (else transparent to it)

// WM_NOTIFY code sent to the parent when a link is activated.
constexpr UINT kStaticLinkNotify = static_cast<UINT>(-105);

// Size in bytes of a packed device-independent bitmap (header, colour table,
// bits), or false when the header is not one we draw. A missing colour
// count means 2^bits up to 8 bits; a missing image size is computed with
// rows padded to 4 bytes.
bool PackedDibSize(const BITMAPINFOHEADER* header, std::size_t* size);
std::size_t PackedDibBitsOffset(const BITMAPINFOHEADER* header);

// The module-wide 50 % checkerboard brush (8 x 8 pixels, rows 0x55 and 0xAA)
// for dithered drawing. The module creates it when it registers the class
// and deletes it when it unregisters it; in between StaticPatternBrush()
// returns it (null before, after, or when GDI was out of resources).
HBRUSH CreateStaticPatternBrush();
void DeleteStaticPatternBrush();
HBRUSH StaticPatternBrush();

}  // namespace orlofx

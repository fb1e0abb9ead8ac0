// What a window shows, read back as pixels, and saved as a PNG file so that
// a test run leaves pictures of the controls and pages for a person to see.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

// Captures the client area of `window` (children included, repainted first)
// and writes it to <folder of the test program>/../captures/<name>.png.
// False when the window has no client area, shows one colour only (it
// painted nothing) or the file cannot be written.
bool SaveWindowPng(HWND window, const char* name);

// What a control paints, read back: `draw` paints into a width x height
// surface (PrintClient: the window's own WM_PRINTCLIENT painting).
struct Painted {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Painted PaintInto(int width, int height, const std::function<void(HDC)>& draw);
Painted PrintClient(HWND window, UINT flags = PRF_CLIENT);

namespace capture {

// Reads the client area of `window` into `rgb` (top row first, 3 bytes a
// pixel). The window must be visible: the pixels come from its surface.
bool CaptureClientRgb(HWND window, int* width, int* height, std::vector<std::uint8_t>* rgb);

}  // namespace capture

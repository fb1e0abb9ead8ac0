// Saves what a window shows as a PNG file, so that a test run leaves pictures
// of the controls and pages behind for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Captures the client area of `window` (children included) and writes it to
// <folder of the test program>/../captures/<name>.png, creating the folder.
// Repaints the window first. Returns false when the window has no client
// area, shows one colour only (it painted nothing) or the file cannot be
// written.
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

// The pieces, exposed for tests of their own.
namespace capture {

// Encodes 8-bit RGB pixels (rows top to bottom, 3 bytes per pixel, no
// padding) as a PNG with stored (uncompressed) deflate blocks.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::uint8_t* rgb);

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

// Reads the client area of `window` into `rgb` (top row first). The window
// must be visible: the pixels come from what it painted on its surface.
bool CaptureClientRgb(HWND window, int* width, int* height, std::vector<std::uint8_t>* rgb);

// The full path SaveWindowPng writes for `name`.
std::wstring CapturePath(const char* name);

}  // namespace capture

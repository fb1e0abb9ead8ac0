// Placeholder window procedure (the control's behaviour arrives with the
// control) and the checkerboard brush it draws with.
#include "ui/static_control.h"

namespace orlofx {

namespace {
// The bitmap lives as long as the brush made from it.
HBITMAP g_patternBitmap = nullptr;
HBRUSH g_patternBrush = nullptr;
}  // namespace

HBRUSH CreateStaticPatternBrush() {
  if (g_patternBrush) return g_patternBrush;
  // Monochrome bitmap rows are padded to 16 bits: the low byte of each word
  // holds the row's eight pixels.
  static const WORD kRows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  g_patternBitmap = CreateBitmap(8, 8, 1, 1, kRows);
  if (!g_patternBitmap) return nullptr;
  g_patternBrush = CreatePatternBrush(g_patternBitmap);
  if (!g_patternBrush) {
    DeleteObject(g_patternBitmap);
    g_patternBitmap = nullptr;
  }
  return g_patternBrush;
}

void DeleteStaticPatternBrush() {
  if (g_patternBrush) DeleteObject(g_patternBrush);
  if (g_patternBitmap) DeleteObject(g_patternBitmap);
  g_patternBrush = nullptr;
  g_patternBitmap = nullptr;
}

HBRUSH StaticPatternBrush() { return g_patternBrush; }

LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

// Lengths the controls are drawn with, designed at 96 dots per inch and
// scaled to the DPI a window is drawn at, as dialog units scale the dialogs
// around them (a 20-pixel fader cap is 30 pixels at 144 DPI).
#pragma once

#include <windows.h>

namespace orlofx {

constexpr int kDesignDpi = 96;

// The DPI of `window`'s device context (LOGPIXELSY), or 96 when it cannot be
// read.
int WindowDpi(HWND window);

// `pixels` at 96 DPI, at `dpi`; at least 1 when `pixels` is.
inline int ScaleToDpi(int pixels, int dpi) {
  const int scaled = MulDiv(pixels, dpi, kDesignDpi);
  return pixels > 0 && scaled < 1 ? 1 : scaled;
}

}  // namespace orlofx

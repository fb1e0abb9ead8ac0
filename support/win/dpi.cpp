#include "support/win/dpi.h"

namespace orlofx {

int WindowDpi(HWND window) {
  HDC dc = GetDC(window);
  if (!dc) return kDesignDpi;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(window, dc);
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace orlofx

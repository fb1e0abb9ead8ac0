// Placeholder: registered at load; the banner behaviour arrives with the control.
#include "ui/logo_control.h"

namespace orlofx {

namespace {
int g_bitmapId = 0;
int g_hoverBitmapId = 0;
}  // namespace

void SetLogoBitmaps(int normalId, int hoverId) {
  g_bitmapId = normalId;
  g_hoverBitmapId = hoverId;
}
int LogoBitmapId() { return g_bitmapId; }
int LogoHoverBitmapId() { return g_hoverBitmapId; }

LRESULT CALLBACK LogoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

// Placeholder: registered at load; the slider behaviour arrives with the control.
#include "ui/trackbar_control.h"

namespace orlofx {

LRESULT CALLBACK TrackbarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

// Placeholder: the class is registered at load so that page dialogs can be
// created; the fader's own behaviour arrives with the control itself.
#include "ui/fader_control.h"

namespace orlofx {

LRESULT CALLBACK FaderWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

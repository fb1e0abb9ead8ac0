// Placeholder: registered at load; the graph behaviour arrives with the control.
#include "ui/envelope_control.h"

namespace orlofx {

LRESULT CALLBACK EnvelopeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

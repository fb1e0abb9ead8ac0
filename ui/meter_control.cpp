// Placeholder: registered at load; the meter behaviour arrives with the control.
#include "ui/meter_control.h"

namespace orlofx {

namespace {
HINSTANCE g_resourceModule = nullptr;
}  // namespace

void SetMeterResourceModule(HINSTANCE module) { g_resourceModule = module; }
HINSTANCE MeterResourceModule() { return g_resourceModule; }

LRESULT CALLBACK MeterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

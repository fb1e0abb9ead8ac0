#include "module/window_classes.h"

#include "module/activation_context.h"
#include "ui/envelope_control.h"
#include "ui/fader_control.h"
#include "ui/logo_control.h"
#include "ui/meter_control.h"
#include "ui/static_control.h"
#include "ui/trackbar_control.h"

namespace orlofx {

namespace {

constexpr UINT kControlClassStyle = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;

// The controls keep their instance data behind pointers in the window extra
// bytes, so the room is counted in pointers (4 bytes each on 32-bit hosts).
constexpr int kPointer = static_cast<int>(sizeof(LONG_PTR));

enum class Extra { kNone, kPatternBrush, kResourceModule };

struct ControlClass {
  const wchar_t* name;
  WNDPROC procedure;
  int windowExtra;
  const wchar_t* cursor;  // a system cursor, or null when the control sets its own
  int backgroundColour;   // COLOR_* index, or -1 for none
  Extra extra;
};

const ControlClass kClasses[] = {
    {kFaderClassName, FaderWndProc, kPointer, nullptr, COLOR_BTNFACE, Extra::kNone},
    {kTrackbarClassName, TrackbarWndProc, kPointer, IDC_ARROW, COLOR_BTNFACE, Extra::kNone},
    {kMeterClassName, MeterWndProc, 0, IDC_ARROW, -1, Extra::kResourceModule},
    {kStaticClassName, StaticWndProc, 2 * kPointer, IDC_ARROW, COLOR_WINDOW, Extra::kPatternBrush},
    {kEnvelopeClassName, EnvelopeWndProc, kPointer, IDC_ARROW, COLOR_WINDOW, Extra::kNone},
    {kLogoClassName, LogoWndProc, kPointer, IDC_ARROW, COLOR_WINDOW, Extra::kNone},
};
constexpr int kClassCount = sizeof(kClasses) / sizeof(kClasses[0]);

// Which classes this module registered: another copy of the module (or a
// different version) loaded into the same process may own a name already.
bool g_registered[kClassCount] = {};

ModuleActivationContext g_activation;

}  // namespace

void RegisterControlClasses(HINSTANCE module, HINSTANCE resourceModule) {
  g_activation.Create(module);
  ActivationScope scope(g_activation);
  for (int i = 0; i < kClassCount; ++i) {
    const ControlClass& cls = kClasses[i];
    if (cls.extra == Extra::kPatternBrush) CreateStaticPatternBrush();
    if (cls.extra == Extra::kResourceModule) SetMeterResourceModule(resourceModule);

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = kControlClassStyle;
    wc.lpfnWndProc = cls.procedure;
    wc.cbWndExtra = cls.windowExtra;
    wc.hInstance = module;
    wc.hCursor = cls.cursor ? LoadCursorW(nullptr, cls.cursor) : nullptr;
    wc.hbrBackground =
        cls.backgroundColour < 0
            ? nullptr
            : reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(cls.backgroundColour + 1));
    wc.lpszClassName = cls.name;
    g_registered[i] = RegisterClassExW(&wc) != 0;
  }
}

void UnregisterControlClasses(HINSTANCE module) {
  {
    ActivationScope scope(g_activation);
    for (int i = 0; i < kClassCount; ++i) {
      const ControlClass& cls = kClasses[i];
      if (g_registered[i]) UnregisterClassW(cls.name, module);
      g_registered[i] = false;
      if (cls.extra == Extra::kPatternBrush) DeleteStaticPatternBrush();
      if (cls.extra == Extra::kResourceModule) SetMeterResourceModule(nullptr);
    }
  }
  g_activation.Release();
}

}  // namespace orlofx

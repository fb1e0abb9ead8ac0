// Level meter: bars of linear sample levels on a decibel scale, with held
// peaks and valleys, a clip indicator and its own menu (resource 162).
//
// The meter has no timer: the page feeds levels and hold times are measured
// against the tick count when the meter paints.
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kMeterClassName[] = L"tovra2Bld314MeterClass";

enum MeterMessage : UINT {
  kMeterGetLevels = 1546,       // HIWORD(wParam) n, lParam array (n = 0: returns channel 0)
  kMeterGetFullScale = 1547,
  kMeterSetLevels = 1548,       // LOWORD(wParam) redraw, HIWORD n, lParam array or level
  kMeterSetFullScale = 1549,    // HIWORD(wParam) bit 0 float mode, lParam full scale
  kMeterGetRange = 1550,
  kMeterSetRange = 1551,
  kMeterGetOptions = 1552,
  kMeterSetOptions = 1553,      // LOWORD(wParam) bits, lParam set (non-zero) or clear
  kMeterGetChannels = 1554,
  kMeterSetChannels = 1555,
  kMeterGetLabelFormat = 1556,  // wParam buffer size in characters, lParam wchar_t*
  kMeterSetLabelFormat = 1557,  // HIWORD(wParam) bit 0 label mode, lParam const wchar_t*
  kMeterGetClipHolds = 1558,
  kMeterSetClipHolds = 1559,
  kMeterResetClip = 1560,
  kMeterResetPeaks = 1561,
  kMeterLabelThickness = 1562,
  kMeterSetPair = 1563,
  kMeterGetRect = 1564,         // LOWORD(wParam) 2, HIWORD bar: lParam LONG[4]
  kMeterSetLinked = 1565,
  kMeterSetExactOverflow = 1566,
};

// Menu commands of resource 162.
enum MeterCommand : UINT {
  kMeterCmdResetClip = 40011,
  kMeterCmdShowLabels = 40010,
  kMeterCmdHoldPeaks = 40012,
  kMeterCmdHoldValleys = 40013,
};
inline constexpr int kMeterMenuResource = 162;

// WM_NOTIFY codes sent to the owner.
inline constexpr UINT kMeterNotifyRangeChanged = 1646;
inline constexpr UINT kMeterNotifyMenuSelect = static_cast<UINT>(-103);

// WM_NOTIFY kMeterNotifyMenuSelect: a meter menu item was highlighted.
struct MeterMenuSelect {
  NMHDR header;
  UINT item;
  UINT flags;
  HMENU menu;
  const wchar_t* help;  // the item's help text, or null
};

LRESULT CALLBACK MeterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The resource (language) module holding the meter's menu and help strings,
// recorded when the class is registered; null after unregistration.
void SetMeterResourceModule(HINSTANCE module);
HINSTANCE MeterResourceModule();

// Test seams. The tick source defaults to GetTickCount; the menu tracker to
// TrackPopupMenu with TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY at the
// screen point (x, y), returning the chosen command or 0. Null restores each.
using MeterTickSource = DWORD (*)();
using MeterMenuTracker = UINT (*)(HMENU popup, HWND meter, int x, int y);
void SetMeterTickSource(MeterTickSource source);
void SetMeterMenuTracker(MeterMenuTracker tracker);

}  // namespace orlofx

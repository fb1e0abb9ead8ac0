// Envelope graph: an editable curve of points.
//
// Messages (WM_USER + 512 on) are listed in EnvelopeMessage. The control
// posts its notifications to the windows given by kEnvSetNotifyWindow,
// kEnvSetTrackingWindow and kEnvSetEndWindow; their numbers are those of the
// messages that set the receivers:
//   kEnvNotifyChanged (1554)  lParam = (point index << 16) | selection start
//                             (-1 as 0xFFFF), or for a selection drag or
//                             Ctrl+arrow move (last << 16) | first; -1 when a
//                             drag was cancelled with Escape
//   kEnvNotifyTracking (1560) lParam = (y << 16) | (x & 0xFFFF), the values
//                             under the pointer
//   kEnvNotifyEnd (1571)      lParam = the end x after the end was dragged
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kEnvelopeClassName[] = L"tovra2Bld314EnvelopeClass";

enum EnvelopeMessage : UINT {
  kEnvReset = 1536,            // wParam redraw
  kEnvSetCapacity = 1537,      // wParam capacity, lParam redraw
  kEnvGetCapacity = 1538,
  kEnvGetPoints = 1539,        // wParam count, lParam EnvelopePoint*
  kEnvSetPoints = 1540,        // wParam count, lParam const EnvelopePoint*
  kEnvGetYMin = 1542,
  kEnvSetYMin = 1543,          // wParam redraw, lParam value
  kEnvGetYMax = 1544,
  kEnvSetYMax = 1545,
  kEnvGetXMin = 1546,
  kEnvSetXMin = 1547,
  kEnvGetXMax = 1548,
  kEnvSetXMax = 1549,
  kEnvSetBackground = 1550,    // lParam HBITMAP, owned by the control from then on
  kEnvSetMinimumCount = 1551,  // wParam redraw, lParam minimum
  kEnvGetMinimumCount = 1552,
  kEnvLockPoint = 1553,        // wParam lock, lParam index
  kEnvSetNotifyWindow = 1554,  // wParam suppress during drags, lParam window
  kEnvXToPixel = 1555,         // lParam x value -> client x
  kEnvPixelToX = 1556,         // lParam client x -> x value
  kEnvYToPixel = 1557,         // lParam y value -> client y
  kEnvPixelToY = 1558,         // lParam client y -> y value
  kEnvQueryPoint = 1559,       // wParam index, lParam EnvelopePoint* or null:
                               // -1 for no such point, else 1 | 2 locked | 4 selected
  kEnvSetTrackingWindow = 1560,
  kEnvSetLineColour = 1561,    // lParam: colour (below 16: index of the 16 basic colours)
  kEnvSetPointColour = 1562,
  kEnvSetBackgroundColour = 1563,
  kEnvSetGridColour = 1564,
  kEnvSetMarkerColour = 1565,
  kEnvSetGrid = 1566,          // wParam: draw the grid
  kEnvSetReadOnly = 1567,
  kEnvLayout = 1568,
  kEnvSetFreeEnd = 1569,       // wParam on
  kEnvSetEndX = 1570,          // lParam end x
  kEnvSetEndWindow = 1571,
  kEnvGetEndX = 1572,          // lParam int32_t*
};

inline constexpr UINT kEnvNotifyChanged = 1554;
inline constexpr UINT kEnvNotifyTracking = 1560;
inline constexpr UINT kEnvNotifyEnd = 1571;

LRESULT CALLBACK EnvelopeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Test seam: every refusal of the control sounds MessageBeep(0) through this
// function; a test may put a counter in its place (null restores the beep).
using EnvelopeBeepFunction = void (*)(UINT type);
void SetEnvelopeBeepFunction(EnvelopeBeepFunction beep);

}  // namespace orlofx

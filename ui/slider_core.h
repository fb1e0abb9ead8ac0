// What the fader and the trackbar share: their messages, their notifications
// and one window procedure that handles input, range and position for both.
// Each control's own file draws it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "support/win/dpi.h"
#include "framework/controls/taper.h"

namespace orlofx {

// ---- messages ---------------------------------------------------------------
constexpr UINT SLM_GETPOS = 1546;
constexpr UINT SLM_GETMIN = 1547;
constexpr UINT SLM_GETMAX = 1548;
constexpr UINT SLM_SETRANGE = 1549;  // lParam: LOWORD minimum, HIWORD maximum (signed)
constexpr UINT SLM_SETMIN = 1550;
constexpr UINT SLM_SETMAX = 1551;
constexpr UINT SLM_SETPOS = 1552;
constexpr UINT SLM_SETDEFAULT = 1553;
constexpr UINT SLM_GETTRAVEL = 1566;       // (channel start << 16) | travel in pixels
constexpr UINT SLM_SETVALUEBAR = 1567;     // trackbar: fill the channel up to the thumb
constexpr UINT SLM_SETHIDETICKS = 1568;    // trackbar: hide the tick marks
constexpr UINT SLM_SETBKCOLOR = 1575;
constexpr UINT SLM_GETBKCOLOR = 1576;
constexpr UINT SLM_SETCALLBACKDATA = 1577;
constexpr UINT SLM_GETCALLBACKDATA = 1578;
constexpr UINT SLM_SETTHUMBIMAGES = 1579;  // trackbar; the fader's is 1589
constexpr UINT SLM_SETUP = 1581;           // fader: whole set-up from a FaderSetup
constexpr UINT SLM_SETACTIVETHUMBS = 1582; // fader
constexpr UINT SLM_SETPOSEX = 1583;        // fader: HIWORD(wParam) thumb from 1
constexpr UINT SLM_GETPOSEX = 1584;        // fader
constexpr UINT SLM_SETOWNERNOTIFY = 1585;  // fader
constexpr UINT SLM_GETOWNERNOTIFY = 1586;
constexpr UINT SLM_SETNOREPAINT = 1587;    // fader
constexpr UINT SLM_GETNOREPAINT = 1588;
constexpr UINT SLM_SETFADERIMAGES = 1589;
constexpr UINT kControllerFirst = 32522;   // external controller input
constexpr UINT kControllerLast = 32526;

// ---- style bits -------------------------------------------------------------
constexpr DWORD kSliderVertical = 0x0001;
constexpr DWORD kSliderFocusCaret = 0x0002;    // trackbar
constexpr DWORD kSliderNoFocusOnClick = 0x0008;
constexpr DWORD kSliderOctaveTaper = 0x0040;   // trackbar, with kSliderTapered
constexpr DWORD kFaderTwoThumbs = 0x0040;      // fader
constexpr DWORD kSliderTapered = 0x0080;
constexpr DWORD kSliderThumbShape = 0x0700;    // trackbar: 0x0100, 0x0200, 0x0400
constexpr DWORD kSliderTicks = 0x3000;         // trackbar
constexpr DWORD kTrackbarNoRepaint = 0x4000;   // trackbar
constexpr DWORD kFaderOwnerNotify = 0x4000;    // fader: WM_COMMAND code 3 on press
constexpr DWORD kTrackbarOwnerNotify = 0x8000; // trackbar: WM_COMMAND codes 1, 3, 4

// ---- notifications ----------------------------------------------------------
// Scroll codes in LOWORD(wParam) of WM_HSCROLL / WM_VSCROLL.
enum SliderCode {
  kSliderLineUp = 0,
  kSliderLineDown = 1,
  kSliderPageUp = 2,
  kSliderPageDown = 3,
  kSliderThumbPosition = 4,
  kSliderThumbTrack = 5,
  kSliderTop = 6,
  kSliderBottom = 7,
  kSliderEndScroll = 8,
  kSliderPress = 9,
};

constexpr UINT kSliderKeyNotify = static_cast<UINT>(-102);       // NMSLIDERKEY
constexpr UINT kFaderThumbsNotify = static_cast<UINT>(-104);     // NMFADERTHUMBS
constexpr UINT kControllerNotify = static_cast<UINT>(-108);      // NMCONTROLLER

struct NMSLIDERKEY {
  NMHDR hdr;
  UINT virtualKey;
  UINT repeatCount;
  UINT keyFlags;  // HIWORD of the key message's lParam
};

struct NMFADERTHUMBS {
  NMHDR hdr;
  LPARAM callbackData;
  int thumbCount;
  UINT thumbMask;  // bit 0 thumb 1, bit 1 thumb 2
  int scrollCode;
  const LONG* positions;  // one per thumb
};

struct NMCONTROLLER {
  NMHDR hdr;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Record of SLM_SETUP.
struct FaderSetup {
  LONG minimum;
  LONG maximum;
  LONG defaultValue;
  LONG displayValue;
  LONG pageStep;  // 0: a tenth of the range
  DWORD style;
  DWORD styleMask;  // which style bits `style` replaces
  LONG positions[2];
};

// Called for every change: (control, id, callback data, scroll code, value).
using SliderCallback = void (*)(HWND control, int id, LPARAM data, int code, LONG value);

// ---- shared implementation ---------------------------------------------------
namespace slider_detail {

enum class Kind { kTrackbar, kFader };

struct Slider {
  HWND window = nullptr;
  HWND owner = nullptr;  // creating parent when it differs from the parent
  int id = 0;
  DWORD style = 0;
  Kind kind = Kind::kTrackbar;
  SliderMapping map;
  LONG defaultValue = 50;
  LONG position[2] = {50, 50};
  int thumbCount = 1;
  UINT activeMask = 1;
  int focusThumb = 0;
  LONG pageStep = 0;
  LONG displayValue = 0;

  // Geometry: along the travel, pixels run from channelStart to channelEnd;
  // a value's thumb centre sits `margin` inside them, offset by its pixel.
  RECT client = {};
  int channelStart = 0;
  int channelEnd = 0;
  int thumbLength = 12;  // along the travel
  int thumbAcross = 18;
  int dpi = 96;  // of the window: the sizes above and the drawing scale with it

  // Tracking.
  int tracking = -1;  // -1 idle, kSliderPageUp / kSliderPageDown, or 5 (thumb)
  UINT dragMask = 0;
  int dragThumb = 0;  // the thumb whose value the drag reports
  LONG pressValue[2] = {};
  LONG lastSent = 0;
  int grabOffset = 0;  // thumb centre minus pointer, along the travel
  POINT lastPointer = {};
  LONG lastTime = 0;
  bool warpPending = false;
  POINT warpPoint = {};
  bool hot = false;  // pointer over the pressed channel part
  bool timer = false;
  bool rightConsumed = false;

  bool hasCaret = false;
  bool valueBar = false;
  bool hideTicks = false;
  bool noRepaint = false;
  bool ownerNotify = false;
  COLORREF background = 0;
  SliderCallback callback = nullptr;
  LPARAM callbackData = 0;
  HIMAGELIST images[3] = {};
  int imageSize[4] = {};

  HBITMAP cache = nullptr;  // fader's off-screen bitmap
  SIZE cacheSize = {};

  bool Vertical() const { return kind == Kind::kFader || (style & kSliderVertical); }
  // A length designed at 96 DPI, at this control's DPI.
  int Scaled(int pixels) const { return ScaleToDpi(pixels, dpi); }
  bool TwoThumbs() const { return thumbCount == 2; }
};

Slider* From(HWND window);
LRESULT SliderProc(Kind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Along-travel coordinate of a value's thumb centre.
int ThumbCentre(const Slider& s, LONG value);
// Rectangle of thumb `index` (fader: its half of the cap on a two-thumb fader).
RECT ThumbRect(const Slider& s, int index);
// Whether thumb `index` shows the keyboard focus (the control has it, is
// enabled, and the thumb is one the keyboard moves), and the ring that shows
// it: two pixels (at 96 DPI) of the selection colour just inside the thumb.
bool FocusShown(const Slider& s, int index);
void DrawFocusRing(const Slider& s, HDC dc, const RECT& thumb);
// Tick positions (along the travel): minimum, zero or the middle, maximum.
void TickCentres(const Slider& s, int out[3]);

// Drawing, one per control, into `dc` covering the client area.
void PaintTrackbar(Slider& s, HDC dc);
void PaintFader(Slider& s, HDC dc);

}  // namespace slider_detail

}  // namespace orlofx

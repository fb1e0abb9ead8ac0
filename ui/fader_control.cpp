// The level fader: vertical, one or two thumbs on one cap. Input, range and
// notifications live in slider_core.cpp; this file draws it.
#include "ui/fader_control.h"

#include <commctrl.h>

#include <initializer_list>

#include "ui/slider_core.h"
#include "ui/static_control.h"

namespace orlofx {

namespace slider_detail {

namespace {

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

BYTE Half(BYTE c) { return static_cast<BYTE>(c / 2); }
BYTE TowardWhite(BYTE c) { return static_cast<BYTE>((c + 255) / 2); }

// The cap of one thumb: framed, filled line by line from a light top to a
// dark bottom, with a line across at the value's exact height.
void DrawCap(const Slider& s, HDC dc, const RECT& r, int centre, bool manyColours, bool active) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (!IsWindowEnabled(s.window)) {
    // Disabled: a flat cap dithered with the face colour, no value mark.
    RECT body = r;
    Fill(dc, body, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &body, BDR_RAISEDINNER, BF_RECT);
    if (StaticPatternBrush()) {
      InflateRect(&body, -2, -2);
      SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      FillRect(dc, &body, StaticPatternBrush());
    }
    return;
  }
  if (manyColours) {
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW), light = GetSysColor(COLOR_3DHIGHLIGHT);
    const int r0 = TowardWhite(GetRValue(light)), g0 = TowardWhite(GetGValue(light)), b0 = TowardWhite(GetBValue(light));
    const int r1 = Half(GetRValue(shadow)), g1 = Half(GetGValue(shadow)), b1 = Half(GetBValue(shadow));
    const int h = r.bottom - r.top;
    for (int y = r.top; y < r.bottom; ++y) {
      const int k = y - r.top;
      const COLORREF c = RGB(r0 + (r1 - r0) * k / h, g0 + (g1 - g0) * k / h, b0 + (b1 - b0) * k / h);
      RECT line = {r.left, y, r.right, y + 1};
      Fill(dc, line, c);
    }
    HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
    FrameRect(dc, &r, frame);
    DeleteObject(frame);
  } else {
    RECT body = r;
    Fill(dc, body, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
  }
  // The value mark; drawn in the highlight colour on the thumbs that the
  // keyboard moves, so that a two-thumb fader shows its active side.
  const COLORREF mark = active && s.TwoThumbs() ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_WINDOWTEXT);
  RECT line = {r.left + 2, centre, r.right - 2, centre + 1};
  Fill(dc, line, mark);
}

}  // namespace

void PaintFader(Slider& s, HDC dc) {
  Fill(dc, s.client, s.background);
  const int centreX = s.client.right / 2;

  // Groove, 4 pixels wide (at 96 DPI), the length of the travel.
  const int halfGroove = s.Scaled(2);
  RECT groove = {centreX - halfGroove, s.channelStart, centreX + halfGroove, s.channelEnd};
  Fill(dc, groove, GetSysColor(COLOR_3DDKSHADOW));
  DrawEdge(dc, &groove, BDR_SUNKENOUTER, BF_RECT);
  if ((s.tracking == kSliderPageUp || s.tracking == kSliderPageDown) && s.hot) {
    RECT side = groove;
    InflateRect(&side, -1, 0);
    int top = s.client.bottom, bottom = 0;
    for (int i = 0; i < s.thumbCount; ++i) {
      const RECT r = ThumbRect(s, i);
      if (r.top < top) top = r.top;
      if (r.bottom > bottom) bottom = r.bottom;
    }
    if (s.tracking == kSliderPageUp) side.bottom = top;
    else side.top = bottom;
    Fill(dc, side, GetSysColor(COLOR_HIGHLIGHT));
  }

  // Scale marks across the fader at the minimum, 0 (or the middle) and the
  // maximum, each side of the groove; the caps cover them when they pass.
  int ticks[3];
  TickCentres(s, ticks);
  for (int y : ticks) {
    RECT a = {2, y, centreX - 2 * halfGroove, y + 1};
    RECT b = {centreX + 2 * halfGroove, y, s.client.right - 2, y + 1};
    for (RECT r : {a, b}) {
      if (r.right <= r.left) continue;
      Fill(dc, r, GetSysColor(COLOR_3DSHADOW));
      OffsetRect(&r, 0, 1);
      Fill(dc, r, GetSysColor(COLOR_3DHIGHLIGHT));
    }
  }

  const bool manyColours = GetDeviceCaps(dc, NUMCOLORS) == -1;
  for (int i = 0; i < s.thumbCount; ++i) {
    const RECT r = ThumbRect(s, i);
    if (s.images[0]) {
      HIMAGELIST list = !IsWindowEnabled(s.window) ? s.images[2] : s.tracking == 5 ? s.images[1] : s.images[0];
      if (!list) list = s.images[0];
      ImageList_Draw(list, 0, dc, r.left, r.top, ILD_TRANSPARENT);
      continue;
    }
    DrawCap(s, dc, r, ThumbCentre(s, s.position[i]), manyColours, (s.activeMask & (1u << i)) != 0);
    // The ring also marks the thumbs a drag holds (a fader may be made not
    // to take the focus on a click).
    if (FocusShown(s, i) || (s.tracking == 5 && (s.dragMask & (1u << i)))) DrawFocusRing(s, dc, r);
  }
}

}  // namespace slider_detail

LRESULT CALLBACK FaderWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return slider_detail::SliderProc(slider_detail::Kind::kFader, window, message, wParam, lParam);
}

}  // namespace orlofx

// The trackbar: a one-thumb slider, horizontal or vertical. Input, range and
// notifications live in slider_core.cpp; this file draws it.
#include "ui/trackbar_control.h"

#include <commctrl.h>

#include "ui/slider_core.h"
#include "ui/static_control.h"

namespace orlofx {

namespace slider_detail {

namespace {

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// Rectangle of the channel groove, 3 pixels across, centred.
RECT Groove(const Slider& s) {
  const int across = s.Vertical() ? s.client.right : s.client.bottom;
  const int width = s.Scaled(3);
  const int a0 = (across - width) / 2;
  if (s.Vertical()) return {a0, s.channelStart, a0 + width, s.channelEnd};
  return {s.channelStart, a0, s.channelEnd, a0 + width};
}

void DrawTicks(const Slider& s, HDC dc) {
  int centres[3];
  TickCentres(s, centres);
  const RECT thumb = ThumbRect(s, 0);
  const int across = s.Vertical() ? s.client.right : s.client.bottom;
  const int near0 = s.Vertical() ? thumb.left : thumb.top;
  const int far0 = s.Vertical() ? thumb.right : thumb.bottom;
  // Four pixels beside the thumb's reach, or at the edges when it fills the
  // control.
  int a[2][2] = {{near0 - 5, near0 - 1}, {far0 + 1, far0 + 5}};
  if (a[0][0] < 0) a[0][0] = 0, a[0][1] = 4;
  if (a[1][1] > across) a[1][0] = across - 4, a[1][1] = across;
  const COLORREF dark = GetSysColor(COLOR_WINDOWFRAME), light = GetSysColor(COLOR_3DHIGHLIGHT);
  for (int c : centres) {
    for (auto& side : a) {
      if (s.Vertical()) {
        Line(dc, side[0], c, side[1], c, dark);
        Line(dc, side[0], c + 1, side[1], c + 1, light);
      } else {
        Line(dc, c, side[0], c, side[1], dark);
        Line(dc, c + 1, side[0], c + 1, side[1], light);
      }
    }
  }
}

void DrawThumb(const Slider& s, HDC dc, bool enabled) {
  const RECT r = ThumbRect(s, 0);
  const bool tracking = s.tracking == 5;
  if (s.images[0]) {
    HIMAGELIST list = !enabled ? s.images[2] : tracking ? s.images[1] : s.images[0];
    if (!list) list = s.images[0];
    ImageList_Draw(list, s.Vertical() ? 0 : 1, dc, r.left, r.top, ILD_TRANSPARENT);
    return;
  }
  const COLORREF face = GetSysColor(tracking ? COLOR_3DLIGHT : COLOR_BTNFACE);
  const DWORD shape = s.style & kSliderThumbShape;
  RECT body = r;
  if (shape == 0x0400) {
    // Slim thumb: half as wide across the travel.
    const int quarter = (s.Vertical() ? r.right - r.left : r.bottom - r.top) / 4;
    if (s.Vertical()) body.left += quarter, body.right -= quarter;
    else body.top += quarter, body.bottom -= quarter;
  }
  if (shape == 0x0100 || shape == 0x0200) {
    // Pointed thumb: the point faces the ticks' side below/right (0x0100)
    // or above/left (0x0200).
    POINT p[5];
    const int tip = (s.Vertical() ? r.right - r.left : r.bottom - r.top) / 3;
    if (!s.Vertical()) {
      const int mid = (r.left + r.right) / 2;
      if (shape == 0x0100) {
        p[0] = {r.left, r.top}; p[1] = {r.right - 1, r.top}; p[2] = {r.right - 1, r.bottom - 1 - tip};
        p[3] = {mid, r.bottom - 1}; p[4] = {r.left, r.bottom - 1 - tip};
      } else {
        p[0] = {mid, r.top}; p[1] = {r.right - 1, r.top + tip}; p[2] = {r.right - 1, r.bottom - 1};
        p[3] = {r.left, r.bottom - 1}; p[4] = {r.left, r.top + tip};
      }
    } else {
      const int mid = (r.top + r.bottom) / 2;
      if (shape == 0x0100) {
        p[0] = {r.left, r.top}; p[1] = {r.right - 1 - tip, r.top}; p[2] = {r.right - 1, mid};
        p[3] = {r.right - 1 - tip, r.bottom - 1}; p[4] = {r.left, r.bottom - 1};
      } else {
        p[0] = {r.left, mid}; p[1] = {r.left + tip, r.top}; p[2] = {r.right - 1, r.top};
        p[3] = {r.right - 1, r.bottom - 1}; p[4] = {r.left + tip, r.bottom - 1};
      }
    }
    HBRUSH brush = CreateSolidBrush(face);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME));
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Polygon(dc, p, 5);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
  } else {
    Fill(dc, body, face);
    DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
  }
  if (!enabled && StaticPatternBrush()) {
    // Disabled: the thumb's face dithered with the background.
    RECT inner = body;
    InflateRect(&inner, -2, -2);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
    SetBkColor(dc, face);
    FillRect(dc, &inner, StaticPatternBrush());
  }
  if (FocusShown(s, 0)) DrawFocusRing(s, dc, body);
}

}  // namespace

void PaintTrackbar(Slider& s, HDC dc) {
  HWND target = s.owner ? s.owner : GetParent(s.window);
  HBRUSH brush = target ? reinterpret_cast<HBRUSH>(SendMessageW(
                              target, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(s.window)))
                        : nullptr;
  if (brush) FillRect(dc, &s.client, brush);
  else Fill(dc, s.client, s.background);

  const bool enabled = IsWindowEnabled(s.window) != FALSE;
  RECT groove = Groove(s);
  Fill(dc, groove, GetSysColor(COLOR_WINDOW));
  DrawEdge(dc, &groove, BDR_SUNKENOUTER, BF_RECT);
  if (s.valueBar && enabled) {
    // The channel filled from the minimum up to the thumb.
    RECT bar = groove;
    const int centre = ThumbCentre(s, s.position[0]);
    if (s.Vertical()) bar.top = centre;
    else bar.right = centre;
    InflateRect(&bar, s.Vertical() ? -1 : 0, s.Vertical() ? 0 : -1);
    Fill(dc, bar, GetSysColor(COLOR_HIGHLIGHT));
  }
  if (s.tracking == kSliderPageUp || s.tracking == kSliderPageDown) {
    if (s.hot) {
      // The pressed side of the channel, darkened while it repeats.
      RECT side = groove;
      const int centre = ThumbCentre(s, s.position[0]);
      if (s.tracking == kSliderPageUp) (s.Vertical() ? side.bottom : side.right) = centre;
      else (s.Vertical() ? side.top : side.left) = centre;
      Fill(dc, side, GetSysColor(COLOR_3DDKSHADOW));
    }
  }
  if ((s.style & kSliderTicks) && !s.hideTicks) DrawTicks(s, dc);
  DrawThumb(s, dc, enabled);
}

}  // namespace slider_detail

LRESULT CALLBACK TrackbarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return slider_detail::SliderProc(slider_detail::Kind::kTrackbar, window, message, wParam, lParam);
}

}  // namespace orlofx

// The envelope graph window: input, notifications and painting around
// EnvelopeModel, which holds the points and the editing rules.
#include "ui/envelope_control.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <new>
#include <vector>

#include "support/win/accessible.h"
#include "support/win/dpi.h"
#include "support/win/wide_text.h"
#include "framework/controls/envelope_model.h"

namespace orlofx {

namespace {

constexpr int kMargin = 4;             // graph area inset, so edge handles stay visible
constexpr int kHandle = 3;             // half size of a drawn point handle
constexpr int kInsertOffsetX = 10;     // where Insert puts a point, from the last selected
constexpr int kModuleCursorPoint = 4;  // cursors of the module's resources
constexpr int kModuleCursorLine = 5;

// Colours below 16 name one of the 16 basic display colours.
const COLORREF kBasicColours[16] = {
    RGB(0, 0, 0),     RGB(0, 0, 128),   RGB(0, 128, 0),   RGB(0, 128, 128),
    RGB(128, 0, 0),   RGB(128, 0, 128), RGB(128, 128, 0), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(0, 0, 255), RGB(0, 255, 0),   RGB(0, 255, 255),
    RGB(255, 0, 0),   RGB(255, 0, 255), RGB(255, 255, 0), RGB(255, 255, 255)};

COLORREF ColourOf(LPARAM value) {
  if (value >= 0 && value < 16) return kBasicColours[value];
  return static_cast<COLORREF>(value) & 0x00FFFFFF;
}

EnvelopeBeepFunction g_beep = nullptr;

void Beep() {
  if (g_beep)
    g_beep(0);
  else
    MessageBeep(0);
}

LPARAM Pack(int high, int low) {
  return static_cast<LPARAM>(static_cast<LONG>(
      (static_cast<DWORD>(high & 0xFFFF) << 16) | static_cast<DWORD>(low & 0xFFFF)));
}

enum class Drag { kNone, kPoint, kSelection, kEnd, kBand };

struct Envelope {
  HWND window = nullptr;
  EnvelopeModel model;
  HFONT font = nullptr;
  HWND notify = nullptr;
  HWND tracking = nullptr;
  HWND endWindow = nullptr;
  bool suppressDuringDrag = false;
  bool readOnly = false;
  bool grid = false;
  bool focused = false;
  COLORREF line = RGB(0, 0, 255);
  COLORREF point = RGB(0, 0, 128);
  COLORREF gridColour = RGB(192, 192, 192);
  COLORREF marker = RGB(255, 0, 0);
  HBITMAP background = nullptr;
  HBRUSH backgroundBrush = nullptr;  // own brush from 1563, else the class brush

  Drag drag = Drag::kNone;
  int dragIndex = -1;
  POINT press = {};
  POINT bandEnd = {};
  int32_t dragEndX = 0;
  std::vector<EnvelopePoint> pressCopy;  // the points at the press, for Escape
  int dpi = 96;  // of the window: margins, handles and hit distances scale with it
};

Envelope* From(HWND window) { return reinterpret_cast<Envelope*>(GetWindowLongPtrW(window, 0)); }

// The graph's value as a reader hears it: how many points the curve has.
std::wstring AccessibleValue(HWND window) {
  const Envelope* e = From(window);
  return e ? FormatIntegerW(static_cast<long>(e->model.Count()), true) : std::wstring();
}

void Layout(Envelope& e) {
  RECT rc;
  GetClientRect(e.window, &rc);
  const int margin = ScaleToDpi(kMargin, e.dpi);
  e.model.SetArea(rc.left + margin, rc.top + margin, rc.right - margin, rc.bottom - margin);
  e.model.SetHitReach(ScaleToDpi(EnvelopeModel::kHitRadius, e.dpi), ScaleToDpi(EnvelopeModel::kEndReach, e.dpi));
}

void Redraw(Envelope& e) { InvalidateRect(e.window, nullptr, FALSE); }

void PostChanged(Envelope& e, LPARAM packed) {
  if (e.notify) PostMessageW(e.notify, kEnvNotifyChanged, 0, packed);
}

LPARAM PackPoint(const Envelope& e, int index) {
  return Pack(index, e.model.SelectionFirst());
}

LPARAM PackSelection(const Envelope& e) {
  return Pack(e.model.SelectionLast(), e.model.SelectionFirst());
}

HCURSOR ModuleCursor(const Envelope& e, int id, const wchar_t* fallback) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(e.window, GCLP_HMODULE));
  HCURSOR cursor = LoadCursorW(module, MAKEINTRESOURCEW(id));
  return cursor ? cursor : LoadCursorW(nullptr, fallback);
}

void BeginDrag(Envelope& e, Drag drag, int x, int y) {
  e.drag = drag;
  e.press = {x, y};
  e.bandEnd = e.press;
  e.pressCopy = e.model.Points();
  e.dragEndX = e.model.EndX();
  SetCapture(e.window);
}

void EndDragState(Envelope& e) {
  e.drag = Drag::kNone;
  e.dragIndex = -1;
  e.pressCopy.clear();
  if (GetCapture() == e.window) ReleaseCapture();
}

void CancelDrag(Envelope& e) {
  if (e.drag == Drag::kPoint || e.drag == Drag::kSelection) e.model.Restore(e.pressCopy);
  EndDragState(e);
  PostChanged(e, -1);
  Redraw(e);
}

// --- mouse -----------------------------------------------------------------------

void OnLeftPress(Envelope& e, int x, int y, bool doubleClick) {
  SetFocus(e.window);
  if (e.readOnly) {
    Beep();
    return;
  }
  if (e.drag != Drag::kNone) return;
  EnvelopeModel& m = e.model;
  const int hit = m.HitPoint(x, y);
  if (hit >= 0) {
    if (doubleClick) {
      if (m.Delete(static_cast<uint32_t>(hit)) == DeleteResult::kDeleted) {
        PostChanged(e, PackPoint(e, hit));
        Redraw(e);
      } else {
        Beep();
      }
    } else if (m.Selected(static_cast<uint32_t>(hit))) {
      BeginDrag(e, Drag::kSelection, x, y);
      SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
    } else if (m.IsLocked(static_cast<uint32_t>(hit))) {
      Beep();
    } else {
      m.ClearSelection();
      BeginDrag(e, Drag::kPoint, x, y);
      e.dragIndex = hit;
      SetCursor(ModuleCursor(e, kModuleCursorPoint, IDC_HAND));
      Redraw(e);
    }
    return;
  }
  if (m.HitEnd(x, y)) {
    BeginDrag(e, Drag::kEnd, x, y);
    SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
    return;
  }
  const int segment = m.HitLine(x, y);
  if (segment < 0) {
    m.ClearSelection();
    BeginDrag(e, Drag::kBand, x, y);
    Redraw(e);
    return;
  }
  if (m.MinimumCount() == m.Capacity()) {
    // A fixed number of points: the line picks its segment instead.
    m.Select(segment - 1, segment);
    Redraw(e);
    return;
  }
  const int added = m.InsertAtPixel(x, y);
  if (added < 0) {
    Beep();
    return;
  }
  PostChanged(e, PackPoint(e, added));
  // The new point follows the pointer until the button comes up.
  BeginDrag(e, Drag::kPoint, x, y);
  e.dragIndex = added;
  Redraw(e);
}

void OnMouseMove(Envelope& e, int x, int y) {
  EnvelopeModel& m = e.model;
  const EnvelopeGeometry& g = m.Geometry();
  if (e.tracking)
    PostMessageW(e.tracking, kEnvNotifyTracking, 0, Pack(g.ValueY(y), g.ValueX(x)));
  switch (e.drag) {
    case Drag::kNone:
      return;
    case Drag::kPoint:
      m.MovePointToPixel(static_cast<uint32_t>(e.dragIndex), x, y);
      if (!e.suppressDuringDrag) PostChanged(e, PackPoint(e, e.dragIndex));
      break;
    case Drag::kSelection:
      m.MoveSelection(e.pressCopy, g.DeltaX(x - e.press.x), g.DeltaY(y - e.press.y));
      if (!e.suppressDuringDrag) PostChanged(e, PackSelection(e));
      break;
    case Drag::kEnd: {
      const int32_t lo = m.XMin() + 1;
      e.dragEndX = std::max(lo, g.ValueX(x));
      break;
    }
    case Drag::kBand:
      e.bandEnd = {x, y};
      break;
  }
  Redraw(e);
}

void OnLeftRelease(Envelope& e) {
  if (e.readOnly) {
    Beep();
    return;
  }
  EnvelopeModel& m = e.model;
  switch (e.drag) {
    case Drag::kNone:
      return;
    case Drag::kPoint:
      PostChanged(e, PackPoint(e, e.dragIndex));
      break;
    case Drag::kSelection:
      PostChanged(e, PackSelection(e));
      break;
    case Drag::kEnd: {
      const uint32_t before = m.Count();
      const int32_t end = m.SetEndX(e.dragEndX);
      if (m.Count() != before) PostChanged(e, Pack(static_cast<int>(m.Count()) - 1, m.SelectionFirst()));
      if (e.endWindow) PostMessageW(e.endWindow, kEnvNotifyEnd, 0, static_cast<LPARAM>(end));
      break;
    }
    case Drag::kBand:
      m.SelectInRect(e.press.x, e.press.y, e.bandEnd.x, e.bandEnd.y);
      break;
  }
  EndDragState(e);
  Redraw(e);
}

void OnRightPress(Envelope& e, int x, int y) {
  if (e.readOnly || e.drag != Drag::kNone) {
    Beep();
    return;
  }
  const int hit = e.model.HitPoint(x, y);
  if (hit >= 0 && e.model.Delete(static_cast<uint32_t>(hit)) == DeleteResult::kDeleted) {
    PostChanged(e, PackPoint(e, hit));
    Redraw(e);
    return;
  }
  Beep();
}

HCURSOR CursorAt(Envelope& e, int x, int y) {
  switch (e.drag) {
    case Drag::kSelection:
      return LoadCursorW(nullptr, IDC_SIZEALL);
    case Drag::kEnd:
      return LoadCursorW(nullptr, IDC_SIZEWE);
    case Drag::kPoint:
      return ModuleCursor(e, kModuleCursorPoint, IDC_HAND);
    default:
      break;
  }
  const int hit = e.model.HitPoint(x, y);
  if (hit >= 0) {
    return e.model.IsLocked(static_cast<uint32_t>(hit))
               ? LoadCursorW(nullptr, IDC_ARROW)
               : ModuleCursor(e, kModuleCursorPoint, IDC_HAND);
  }
  // In the order a press takes them: a point, the end handle, the line.
  if (e.model.HitEnd(x, y)) return LoadCursorW(nullptr, IDC_SIZEWE);
  if (e.model.HitLine(x, y) >= 0) return ModuleCursor(e, kModuleCursorLine, IDC_CROSS);
  return LoadCursorW(nullptr, IDC_ARROW);
}

// --- keyboard --------------------------------------------------------------------

bool KeyDown(int key) { return GetKeyState(key) < 0; }

// Fine placement during a mouse drag: the pointer moves one pixel and the drag
// follows at once (the system's own mouse-move message, if any, repeats it).
void NudgePointer(Envelope& e, int dx, int dy) {
  POINT pt;
  GetCursorPos(&pt);
  ScreenToClient(e.window, &pt);
  RECT rc;
  GetClientRect(e.window, &rc);
  pt.x = std::min<LONG>(std::max<LONG>(pt.x + dx, rc.left), rc.right - 1);
  pt.y = std::min<LONG>(std::max<LONG>(pt.y + dy, rc.top), rc.bottom - 1);
  POINT screen = pt;
  ClientToScreen(e.window, &screen);
  SetCursorPos(screen.x, screen.y);
  OnMouseMove(e, pt.x, pt.y);
}

void MoveSelectionByStep(Envelope& e, int sx, int sy) {
  EnvelopeModel& m = e.model;
  if (!m.HasSelection()) {
    Beep();
    return;
  }
  const EnvelopeGeometry& g = m.Geometry();
  const std::vector<EnvelopePoint> from = m.Points();
  if (m.MoveSelection(from, sx * g.StepX(), sy * g.StepY())) {
    Redraw(e);
    PostChanged(e, PackSelection(e));
  } else {
    Beep();
  }
}

void OnKey(Envelope& e, WPARAM key, LPARAM lParam) {
  EnvelopeModel& m = e.model;
  const bool ctrl = KeyDown(VK_CONTROL);
  const bool shift = KeyDown(VK_SHIFT);
  const int last = static_cast<int>(m.Count()) - 1;

  // Leaving the control and handing Escape on work even when it is read-only.
  if (key == VK_TAB && !ctrl) {
    PostMessageW(GetParent(e.window), WM_NEXTDLGCTL, shift ? 1 : 0, 0);
    return;
  }
  if (key == VK_ESCAPE) {
    if (e.drag != Drag::kNone)
      CancelDrag(e);
    else
      PostMessageW(GetParent(e.window), WM_KEYDOWN, key, lParam);
    return;
  }
  if (e.readOnly) {
    Beep();
    return;
  }
  if (e.drag != Drag::kNone) {
    switch (key) {
      case VK_LEFT: NudgePointer(e, -1, 0); break;
      case VK_RIGHT: NudgePointer(e, 1, 0); break;
      case VK_UP: NudgePointer(e, 0, -1); break;
      case VK_DOWN: NudgePointer(e, 0, 1); break;
      default: break;
    }
    return;
  }
  switch (key) {
    case VK_TAB: {  // with Ctrl: step through single points
      int next;
      if (!m.HasSelection())
        next = shift ? last : 0;
      else if (shift)
        next = m.SelectionFirst() == 0 ? last : m.SelectionFirst() - 1;
      else
        next = m.SelectionFirst() >= last ? 0 : m.SelectionFirst() + 1;
      m.Select(next, next);
      Redraw(e);
      break;
    }
    case 'A':
      if (!ctrl) break;
      if (shift)
        m.ClearSelection();
      else
        m.Select(0, last);
      Redraw(e);
      break;
    case VK_HOME:
    case VK_END:
      if (shift && m.HasSelection()) {
        m.ExtendSelectionTo(key == VK_HOME ? 0 : last);
        Redraw(e);
      }
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
      const int sx = key == VK_LEFT ? -1 : key == VK_RIGHT ? 1 : 0;
      const int sy = key == VK_DOWN ? -1 : key == VK_UP ? 1 : 0;
      if (ctrl) {
        MoveSelectionByStep(e, sx, sy);
      } else if (shift && sx != 0 && m.HasSelection()) {
        m.ExtendSelection(sx);
        Redraw(e);
      }
      break;
    }
    case VK_INSERT: {
      if (!m.HasSelection()) {
        Beep();
        break;
      }
      const EnvelopePoint p = m.Points()[static_cast<size_t>(m.SelectionLast())];
      const EnvelopeGeometry& g = m.Geometry();
      const int added = m.InsertAtPixel(g.PixelX(p.x) + kInsertOffsetX, g.PixelY(p.y) - 1);
      if (added < 0) {
        Beep();
        break;
      }
      m.ExtendSelectionTo(added);
      PostChanged(e, PackPoint(e, added));
      Redraw(e);
      break;
    }
    case VK_DELETE: {
      const int first = m.SelectionFirst();
      if (!m.DeleteSelection()) {
        Beep();
        break;
      }
      PostChanged(e, PackPoint(e, first));
      Redraw(e);
      break;
    }
    default:
      break;
  }
}

// --- painting --------------------------------------------------------------------

void Paint(Envelope& e, HDC target) {
  RECT rc;
  GetClientRect(e.window, &rc);
  const int width = std::max<LONG>(1, rc.right), height = std::max<LONG>(1, rc.bottom);
  HDC dc = CreateCompatibleDC(target);
  HBITMAP buffer = CreateCompatibleBitmap(target, width, height);
  if (!dc || !buffer) {
    if (buffer) DeleteObject(buffer);
    if (dc) DeleteDC(dc);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(dc, buffer);
  const EnvelopeModel& m = e.model;
  const EnvelopeGeometry& g = m.Geometry();
  const bool enabled = IsWindowEnabled(e.window) != FALSE;

  HBRUSH brush = e.backgroundBrush;
  if (!brush) brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(e.window, GCLP_HBRBACKGROUND));
  if (!brush) brush = GetSysColorBrush(COLOR_WINDOW);
  FillRect(dc, &rc, brush);
  if (e.background) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, e.background);
    BITMAP info = {};
    GetObjectW(e.background, sizeof(info), &info);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, g.left, g.top, g.right - g.left, g.bottom - g.top, source, 0, 0, info.bmWidth,
               info.bmHeight, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
  if (e.grid) {
    HPEN pen = CreatePen(PS_DOT, 1, e.gridColour);
    HGDIOBJ old = SelectObject(dc, pen);
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i <= 4; ++i) {
      const int x = g.left + (g.right - 1 - g.left) * i / 4;
      const int y = g.top + (g.bottom - 1 - g.top) * i / 4;
      MoveToEx(dc, x, g.top, nullptr);
      LineTo(dc, x, g.bottom);
      MoveToEx(dc, g.left, y, nullptr);
      LineTo(dc, g.right, y);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
  }

  const std::vector<EnvelopePoint>& pts = m.Points();
  std::vector<POINT> pixels(pts.size());
  for (size_t i = 0; i < pts.size(); ++i) pixels[i] = {g.PixelX(pts[i].x), g.PixelY(pts[i].y)};

  const COLORREF lineColour = enabled ? e.line : GetSysColor(COLOR_GRAYTEXT);
  const COLORREF pointColour = enabled ? e.point : GetSysColor(COLOR_GRAYTEXT);
  HPEN linePen = CreatePen(PS_SOLID, 2, lineColour);
  HGDIOBJ oldPen = SelectObject(dc, linePen);
  Polyline(dc, pixels.data(), static_cast<int>(pixels.size()));

  if (m.FreeEnd()) {
    const int32_t endX = e.drag == Drag::kEnd ? e.dragEndX : m.EndX();
    HPEN endPen = CreatePen(PS_DASH, 1, lineColour);
    SelectObject(dc, endPen);
    SetBkMode(dc, TRANSPARENT);
    const int x = g.PixelX(endX);
    MoveToEx(dc, x, g.top, nullptr);
    LineTo(dc, x, g.bottom);
    SelectObject(dc, linePen);
    DeleteObject(endPen);
  }

  HPEN pointPen = CreatePen(PS_SOLID, 1, pointColour);
  HBRUSH pointBrush = CreateSolidBrush(pointColour);
  SelectObject(dc, pointPen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  const int handle = ScaleToDpi(kHandle, e.dpi);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const POINT p = pixels[i];
    // Locked points are filled: they cannot be taken.
    SelectObject(dc, m.IsLocked(static_cast<uint32_t>(i)) ? pointBrush : GetStockObject(WHITE_BRUSH));
    Rectangle(dc, p.x - handle, p.y - handle, p.x + handle + 1, p.y + handle + 1);
  }
  HBRUSH markerBrush = CreateSolidBrush(e.marker);
  for (const EnvelopeModel::Marker& mk : m.Markers()) {
    if (mk.point >= pixels.size()) continue;
    const POINT p = pixels[mk.point];
    RECT tick = {p.x - 1, p.y + handle + 2, p.x + 2, p.y + handle + 7};
    FillRect(dc, &tick, markerBrush);
  }

  if (e.focused) {
    RECT focus = rc;
    InflateRect(&focus, -1, -1);
    DrawFocusRect(dc, &focus);
  }

  // The selection is inverted over everything else, so that drawing it a
  // second time takes it away again.
  if (m.HasSelection()) {
    HPEN invert = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    SelectObject(dc, invert);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int oldRop = SetROP2(dc, R2_NOT);
    for (int i = m.SelectionFirst(); i <= m.SelectionLast(); ++i) {
      const POINT p = pixels[static_cast<size_t>(i)];
      Rectangle(dc, p.x - handle - 2, p.y - handle - 2, p.x + handle + 3, p.y + handle + 3);
    }
    SetROP2(dc, oldRop);
    SelectObject(dc, pointPen);
    DeleteObject(invert);
  }
  if (e.drag == Drag::kBand) {
    RECT band = {std::min(e.press.x, e.bandEnd.x), std::min(e.press.y, e.bandEnd.y),
                 std::max(e.press.x, e.bandEnd.x) + 1, std::max(e.press.y, e.bandEnd.y) + 1};
    DrawFocusRect(dc, &band);
  }

  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(markerBrush);
  DeleteObject(pointBrush);
  DeleteObject(pointPen);
  DeleteObject(linePen);
  BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBitmap);
  DeleteObject(buffer);
  DeleteDC(dc);
}

// --- messages ----------------------------------------------------------------------

LRESULT SetRange(Envelope& e, UINT message, WPARAM wParam, LPARAM lParam) {
  EnvelopeModel& m = e.model;
  const int32_t v = static_cast<int32_t>(lParam);
  switch (message) {
    case kEnvSetYMin: m.SetRangeY(v, m.YMax()); break;
    case kEnvSetYMax: m.SetRangeY(m.YMin(), v); break;
    case kEnvSetXMin: m.SetRangeX(v, m.XMax()); break;
    default: m.SetRangeX(m.XMin(), v); break;
  }
  if (wParam) Redraw(e);
  return v;
}

bool SetColour(Envelope& e, COLORREF& slot, LPARAM value) {
  const COLORREF c = ColourOf(value);
  if (c == slot) return false;
  slot = c;
  Redraw(e);
  return true;
}

LRESULT ControlMessage(Envelope& e, UINT message, WPARAM wParam, LPARAM lParam) {
  EnvelopeModel& m = e.model;
  const EnvelopeGeometry& g = m.Geometry();
  switch (message) {
    case kEnvReset:
      m.Reset();
      if (wParam) Redraw(e);
      return 1;
    case kEnvSetCapacity:
      if (!m.SetCapacity(static_cast<uint32_t>(wParam))) return 0;
      if (lParam) Redraw(e);
      return static_cast<LRESULT>(m.Capacity());
    case kEnvGetCapacity:
      return static_cast<LRESULT>(m.Capacity());
    case kEnvGetPoints: {
      auto* out = reinterpret_cast<EnvelopePoint*>(lParam);
      if (!out) return 0;
      const uint32_t n = std::min<uint32_t>(m.Count(), static_cast<uint32_t>(std::min<WPARAM>(wParam, 0xFFFFFFFFu)));
      std::copy(m.Points().begin(), m.Points().begin() + n, out);
      return static_cast<LRESULT>(n);
    }
    case kEnvSetPoints: {
      if (wParam > EnvelopeModel::kMaxCapacity) return 0;
      const uint32_t n =
          m.SetPoints(reinterpret_cast<const EnvelopePoint*>(lParam), static_cast<uint32_t>(wParam));
      if (n) Redraw(e);
      return static_cast<LRESULT>(n);
    }
    case kEnvGetYMin: return m.YMin();
    case kEnvGetYMax: return m.YMax();
    case kEnvGetXMin: return m.XMin();
    case kEnvGetXMax: return m.XMax();
    case kEnvSetYMin:
    case kEnvSetYMax:
    case kEnvSetXMin:
    case kEnvSetXMax:
      return SetRange(e, message, wParam, lParam);
    case kEnvSetBackground:
      if (e.background) DeleteObject(e.background);
      e.background = reinterpret_cast<HBITMAP>(lParam);
      Redraw(e);
      return 1;
    case kEnvSetMinimumCount:
      if (lParam < 0 || !m.SetMinimumCount(static_cast<uint32_t>(lParam))) return 0;
      if (wParam) Redraw(e);
      return static_cast<LRESULT>(m.MinimumCount());
    case kEnvGetMinimumCount:
      return static_cast<LRESULT>(m.MinimumCount());
    case kEnvLockPoint:
      if (lParam < 0 || !m.Lock(static_cast<uint32_t>(lParam), wParam != 0)) return 0;
      Redraw(e);
      return 1;
    case kEnvSetNotifyWindow:
      e.notify = reinterpret_cast<HWND>(lParam);
      e.suppressDuringDrag = wParam != 0;
      return 1;
    case kEnvXToPixel: return g.PixelX(static_cast<int32_t>(lParam));
    case kEnvPixelToX: return g.ValueX(static_cast<int>(lParam));
    case kEnvYToPixel: return g.PixelY(static_cast<int32_t>(lParam));
    case kEnvPixelToY: return g.ValueY(static_cast<int>(lParam));
    case kEnvQueryPoint: {
      if (wParam >= m.Count()) return -1;
      const uint32_t i = static_cast<uint32_t>(wParam);
      if (auto* out = reinterpret_cast<EnvelopePoint*>(lParam)) *out = m.Points()[i];
      return 1 | (m.IsLocked(i) ? 2 : 0) | (m.Selected(i) ? 4 : 0);
    }
    case kEnvSetTrackingWindow:
      e.tracking = reinterpret_cast<HWND>(lParam);
      return 1;
    case kEnvSetLineColour: return SetColour(e, e.line, lParam);
    case kEnvSetPointColour: return SetColour(e, e.point, lParam);
    case kEnvSetGridColour: return SetColour(e, e.gridColour, lParam);
    case kEnvSetMarkerColour: return SetColour(e, e.marker, lParam);
    case kEnvSetBackgroundColour: {
      // The brush belongs to this control only: replacing the class brush
      // would repaint (and, when deleted, break) every other graph.
      HBRUSH brush = CreateSolidBrush(ColourOf(lParam));
      if (!brush) return 0;
      if (e.backgroundBrush) DeleteObject(e.backgroundBrush);
      e.backgroundBrush = brush;
      Redraw(e);
      return 1;
    }
    case kEnvSetGrid:
      if (e.grid != (wParam != 0)) {
        e.grid = wParam != 0;
        Redraw(e);
      }
      return 1;
    case kEnvSetReadOnly:
      e.readOnly = wParam != 0;
      return 1;
    case kEnvLayout:
      Layout(e);
      Redraw(e);
      return 1;
    case kEnvSetFreeEnd:
      m.SetFreeEnd(wParam != 0);
      Redraw(e);
      return 1;
    case kEnvSetEndX: {
      const int32_t end = m.SetEndX(static_cast<int32_t>(lParam));
      Redraw(e);
      return end;
    }
    case kEnvSetEndWindow:
      e.endWindow = reinterpret_cast<HWND>(lParam);
      return 1;
    case kEnvGetEndX:
      if (auto* out = reinterpret_cast<int32_t*>(lParam)) *out = m.EndX();
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void SetEnvelopeBeepFunction(EnvelopeBeepFunction beep) { g_beep = beep; }

LRESULT CALLBACK EnvelopeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Envelope* e = From(window);
  if (message == WM_NCCREATE) {
    e = new (std::nothrow) Envelope;
    if (!e) return FALSE;
    e->window = window;
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(e));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (!e) return DefWindowProcW(window, message, wParam, lParam);
  if (message >= kEnvReset && message <= kEnvGetEndX) return ControlMessage(*e, message, wParam, lParam);

  switch (message) {
    case WM_CREATE:
      e->dpi = WindowDpi(window);
      Layout(*e);
      return 0;
    case WM_NCDESTROY:
      if (e->background) DeleteObject(e->background);
      if (e->backgroundBrush) DeleteObject(e->backgroundBrush);
      SetWindowLongPtrW(window, 0, 0);
      delete e;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_SIZE:
      Layout(*e);
      Redraw(*e);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painting covers everything from its own buffer
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (dc) Paint(*e, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(*e, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnLeftPress(*e, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(*e, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnLeftRelease(*e);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      OnRightPress(*e, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_RBUTTONUP:
      if (e->readOnly) Beep();
      return 0;  // consumed: no context menu over the graph
    case WM_CAPTURECHANGED:
      if (e->drag != Drag::kNone && reinterpret_cast<HWND>(lParam) != window) CancelDrag(*e);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(window, &pt);
        SetCursor(CursorAt(*e, pt.x, pt.y));
        return TRUE;
      }
      break;
    case WM_KEYDOWN:
      OnKey(*e, wParam, lParam);
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT object = AnswerGetObject(window, wParam, lParam, {ROLE_SYSTEM_CHART, AccessibleValue}))
        return object;
      break;
    case WM_GETDLGCODE: {
      if (!e->focused) return DLGC_WANTTAB;
      // Enter and Escape belong to the dialog (its default and cancel
      // buttons: OK and Cancel of a property frame) unless a drag is under
      // way, which Escape takes back. Letters stay with the graph (Ctrl+A),
      // never a jump to another control's access key.
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      const bool dialogKey = msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) &&
                             (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
      if (dialogKey && e->drag == Drag::kNone) return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
      return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
    }
    case WM_SETFOCUS:
      e->focused = true;
      Redraw(*e);
      return 0;
    case WM_KILLFOCUS:
      e->focused = false;
      Redraw(*e);
      return 0;
    case WM_ENABLE:
      Redraw(*e);
      return 0;
    case WM_SETFONT:
      e->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) Redraw(*e);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(e->font);
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

#include "ui/slider_core.h"

#include <oleacc.h>
#include <windowsx.h>

#include <new>

#include "support/win/accessible.h"
#include "support/win/wide_text.h"

namespace orlofx {
namespace slider_detail {

namespace {

constexpr UINT_PTR kRepeatTimer = 42;
constexpr UINT kRepeatPeriod = 250;
constexpr int kMargin = 1;
constexpr int kThumbPart = 5;  // tracking part of a thumb drag

// Fader cap size.
constexpr int kCapLength = 20;
constexpr int kCapWidth = 44;

// The default callback: scroll messages, as a scroll bar sends them.
void SendScroll(HWND control, int /*id*/, LPARAM /*data*/, int code, LONG value) {
  Slider* s = From(control);
  if (!s) return;
  HWND target = s->owner ? s->owner : GetParent(control);
  if (!target) return;
  SendMessageW(target, s->Vertical() ? WM_VSCROLL : WM_HSCROLL,
               MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(value)),
               reinterpret_cast<LPARAM>(control));
}

HWND Target(const Slider& s) { return s.owner ? s.owner : GetParent(s.window); }

bool CtrlDown() { return GetKeyState(VK_CONTROL) < 0; }

UINT AllThumbs(const Slider& s) { return s.TwoThumbs() ? 3u : 1u; }

int LowestThumb(UINT mask) { return (mask & 1) ? 0 : 1; }

TaperTable TableOf(const Slider& s) {
  if (!(s.style & kSliderTapered)) return TaperTable::kNone;
  if (s.kind == Kind::kTrackbar && (s.style & kSliderOctaveTaper)) return TaperTable::kOctave;
  return TaperTable::kLevel;
}

void Layout(Slider& s) {
  GetClientRect(s.window, &s.client);
  const int width = s.client.right, height = s.client.bottom;
  const int along = s.Vertical() ? height : width;
  const int across = s.Vertical() ? width : height;
  if (s.kind == Kind::kFader) {
    s.thumbLength = s.Scaled(kCapLength);
    const int capWidth = s.Scaled(kCapWidth);
    s.thumbAcross = across - 4 < capWidth ? across - 4 : capWidth;
  } else {
    s.thumbLength = s.Scaled(12);
    int maxAcross = s.Scaled(18);
    // Leave room for the tick marks beside the thumb when there is some.
    if ((s.style & kSliderTicks) && across >= s.Scaled(20))
      maxAcross = across - s.Scaled(10) < maxAcross ? across - s.Scaled(10) : maxAcross;
    s.thumbAcross = across < maxAcross ? across : maxAcross;
    if (s.images[0]) {
      const int length = s.Vertical() ? s.imageSize[1] : s.imageSize[2];
      const int wide = s.Vertical() ? s.imageSize[2] : s.imageSize[1];
      if (length > 0) s.thumbLength = length;
      if (wide > 0) s.thumbAcross = wide < across ? wide : across;
    }
  }
  if (s.thumbAcross < 1) s.thumbAcross = 1;
  s.channelStart = s.thumbLength / 2;
  s.channelEnd = along - s.thumbLength / 2;
  int travel = s.channelEnd - s.channelStart - 2 * kMargin - 1;
  s.map.SetTravel(travel);
}

// Pixel offset along the travel (0 at the minimum) of an along-coordinate.
int OffsetOf(const Slider& s, int along) {
  return s.Vertical() ? s.channelEnd - kMargin - 1 - along : along - s.channelStart - kMargin;
}

int AlongOf(const Slider& s, POINT p) { return s.Vertical() ? p.y : p.x; }

void Repaint(Slider& s, bool now) {
  InvalidateRect(s.window, nullptr, FALSE);
  if (now) UpdateWindow(s.window);
}

bool RepaintsOnValue(const Slider& s) {
  if (s.noRepaint) return false;
  return !(s.kind == Kind::kTrackbar && (s.style & kTrackbarNoRepaint));
}

void PlaceCaret(Slider& s) {
  if (!s.hasCaret) return;
  RECT r = ThumbRect(s, s.focusThumb);
  SetCaretPos(r.left + 2, r.top + 2);
}

bool WantsCaret(const Slider& s) {
  return s.kind == Kind::kFader || (s.style & kSliderFocusCaret);
}

// The caret marks where the keyboard works for tools that follow it (a
// magnifier, a screen reader) but stays hidden: a grey caret over the thumb
// looked like the dithered thumb of a disabled control. Focus shows as a
// ring in the selection colour that the drawing adds (FocusShown).
void CreateFocusCaret(Slider& s) {
  if (!WantsCaret(s) || GetFocus() != s.window) return;
  RECT r = ThumbRect(s, s.focusThumb);
  const int w = r.right - r.left - 4, h = r.bottom - r.top - 4;
  if (w <= 0 || h <= 0) return;
  if (CreateCaret(s.window, nullptr, w, h)) {
    s.hasCaret = true;
    PlaceCaret(s);
  }
}

// The value as the page shows it (its value text or edit box), else the
// position.
std::wstring AccessibleValue(HWND window) {
  if (auto shown = static_cast<HWND>(GetPropW(window, kValueWindowProperty))) {
    wchar_t text[64] = {};
    GetWindowTextW(shown, text, 64);
    return text;
  }
  const Slider* s = From(window);
  return s ? FormatIntegerW(s->position[0], true) : std::wstring();
}

// Sets thumb `index` and says whether its pixel moved.
bool StoreThumb(Slider& s, int index, LONG value) {
  const int before = ThumbCentre(s, s.position[index]);
  s.position[index] = value;
  return ThumbCentre(s, value) != before;
}

// Value changes the control makes by itself (drag, digit, double-click).
void MoveThumbs(Slider& s, UINT mask, const LONG* values) {
  bool moved = false;
  for (int i = 0; i < s.thumbCount; ++i) {
    if (mask & (1u << i)) moved |= StoreThumb(s, i, s.map.Clamp(values[i]));
  }
  PlaceCaret(s);
  if (moved && RepaintsOnValue(s)) Repaint(s, true);
}

void OwnerCommand(Slider& s, int code) {
  const bool wanted = s.kind == Kind::kTrackbar
                          ? (s.style & kTrackbarOwnerNotify) != 0
                          : (code == 3 && ((s.style & kFaderOwnerNotify) || s.ownerNotify));
  if (!wanted) return;
  HWND target = Target(s);
  if (target) {
    SendMessageW(target, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(s.id), static_cast<WORD>(code)),
                 reinterpret_cast<LPARAM>(s.window));
  }
}

// Every change is reported here: through the callback, or for a two-thumb
// fader as one WM_NOTIFY that names the thumbs concerned.
void Notify(Slider& s, int code, LONG value, UINT mask) {
  if (s.TwoThumbs()) {
    HWND target = Target(s);
    if (!target) return;
    NMFADERTHUMBS n = {};
    n.hdr.hwndFrom = s.window;
    n.hdr.idFrom = static_cast<UINT_PTR>(s.id);
    n.hdr.code = kFaderThumbsNotify;
    n.callbackData = s.callbackData;
    n.thumbCount = s.thumbCount;
    n.thumbMask = mask;
    n.scrollCode = code;
    n.positions = s.position;
    SendMessageW(target, WM_NOTIFY, static_cast<WPARAM>(s.id), reinterpret_cast<LPARAM>(&n));
    return;
  }
  if (s.callback) s.callback(s.window, s.id, s.callbackData, code, value);
}

// The two-thumb fader moves its thumbs itself, with the arithmetic a page
// uses for a single fader.
LONG FaderStep(const Slider& s, int code, LONG position) {
  const LONG minimum = s.map.Minimum(), maximum = s.map.Maximum();
  LONG page = s.pageStep > 0 ? s.pageStep : AutomaticPageStep(minimum, maximum);
  const bool ctrl = CtrlDown();
  if (ctrl) page *= 10;
  std::int64_t v = position;
  switch (code) {
    case kSliderLineUp: v += 1; break;
    case kSliderLineDown: v -= 1; break;
    case kSliderPageUp: v += page; break;
    case kSliderPageDown: v -= page; break;
    case kSliderBottom: v = minimum; break;
    case kSliderTop: v = (ctrl || maximum < 1 || minimum >= 0) ? maximum : 0; break;
    default: break;
  }
  return s.map.Clamp(v);
}

// A step code from a key, the wheel or a page press.
void Step(Slider& s, int code, UINT mask) {
  if (s.TwoThumbs()) {
    LONG values[2] = {s.position[0], s.position[1]};
    for (int i = 0; i < 2; ++i) {
      if (mask & (1u << i)) values[i] = FaderStep(s, code, values[i]);
    }
    MoveThumbs(s, mask, values);
  }
  Notify(s, code, 0, mask);
}

// Which part of the control lies under `p`: a thumb (with the thumbs it
// moves and the one it reports), the channel before or after it, or -1.
int HitTest(const Slider& s, POINT p, UINT* mask, int* thumb) {
  *mask = 0;
  *thumb = 0;
  if (!PtInRect(&s.client, p)) return -1;
  if (!s.TwoThumbs()) {
    RECT r = ThumbRect(s, 0);
    *mask = 1;
    if (PtInRect(&r, p)) return kThumbPart;
    const int along = AlongOf(s, p);
    const int centre = ThumbCentre(s, s.position[0]);
    return along < centre ? kSliderPageUp : kSliderPageDown;
  }
  // Two-thumb fader: the outer thirds of the cap move one channel, the
  // middle third both.
  const RECT left = ThumbRect(s, 0), right = ThumbRect(s, 1);
  const int capLeft = left.left, capRight = right.right;
  const int third = (capRight - capLeft) / 3;
  for (int i = 0; i < 2; ++i) {
    const RECT r = i == 0 ? left : right;
    if (!PtInRect(&r, p)) continue;
    *thumb = i;
    if (p.x < capLeft + third) *mask = 1;
    else if (p.x >= capRight - third) *mask = 2;
    else *mask = 3;
    if (*mask != 3) *thumb = *mask == 1 ? 0 : 1;
    return kThumbPart;
  }
  *mask = s.activeMask;
  const int top = left.top < right.top ? left.top : right.top;
  const int bottom = left.bottom > right.bottom ? left.bottom : right.bottom;
  if (p.y < top) return kSliderPageUp;
  if (p.y >= bottom) return kSliderPageDown;
  return -1;
}

void SetRangeValues(Slider& s, LONG minimum, LONG maximum, bool repaint) {
  s.map.SetRange(minimum, maximum, TableOf(s));
  minimum = s.map.Minimum();
  maximum = s.map.Maximum();
  // A range that spans 0 defaults to 0; one from below up to 0 (levels with
  // a floor) defaults to its floor; others to the middle.
  if (minimum < 0 && maximum > 0) s.defaultValue = 0;
  else if (minimum < 0 && maximum == 0) s.defaultValue = minimum;
  else s.defaultValue = static_cast<LONG>((static_cast<std::int64_t>(minimum) + maximum) / 2);
  for (int i = 0; i < s.thumbCount; ++i) s.position[i] = s.map.Clamp(s.position[i]);
  PlaceCaret(s);
  if (repaint) Repaint(s, true);
}

void StopTimer(Slider& s) {
  if (s.timer) KillTimer(s.window, kRepeatTimer);
  s.timer = false;
}

void EndTracking(Slider& s) {
  if (s.tracking < 0) return;
  const int part = s.tracking;
  const UINT mask = s.dragMask;
  s.tracking = -1;
  s.hot = false;
  s.warpPending = false;
  if (GetCapture() == s.window) ReleaseCapture();
  if (part == kThumbPart) Notify(s, kSliderThumbPosition, s.lastSent, mask);
  StopTimer(s);
  Notify(s, kSliderEndScroll, 0, mask);
  OwnerCommand(s, 4);
  PlaceCaret(s);
  Repaint(s, true);
}

// Escape during a drag: the values held at the press come back first, so an
// owner that reads the position on the closing codes sees them.
void CancelTracking(Slider& s) {
  MoveThumbs(s, AllThumbs(s), s.pressValue);
  s.lastSent = s.position[s.dragThumb];
  EndTracking(s);
}

void Press(Slider& s, POINT p) {
  if (!IsWindowEnabled(s.window) || s.tracking >= 0) return;
  if (!(s.style & kSliderNoFocusOnClick) && GetFocus() != s.window) SetFocus(s.window);
  UINT mask = 0;
  int thumb = 0;
  const int part = HitTest(s, p, &mask, &thumb);
  if (part < 0) return;
  s.pressValue[0] = s.position[0];
  s.pressValue[1] = s.position[1];
  s.dragMask = mask;
  s.dragThumb = thumb;
  if (part == kThumbPart) {
    s.grabOffset = ThumbCentre(s, s.position[thumb]) - AlongOf(s, p);
    s.lastPointer = p;
    s.lastTime = GetMessageTime();
    s.lastSent = s.position[thumb];
  }
  SetCapture(s.window);
  s.tracking = part;
  s.hot = true;
  Notify(s, kSliderPress, 0, mask);
  OwnerCommand(s, 3);
  Repaint(s, true);
  if (part != kThumbPart) {
    Step(s, part, mask);
    s.timer = SetTimer(s.window, kRepeatTimer, kRepeatPeriod, nullptr) != 0;
  }
}

// A held page press repeats only while the pointer stays on its side.
void Repeat(Slider& s) {
  if (s.tracking != kSliderPageUp && s.tracking != kSliderPageDown) return;
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(s.window, &p);
  UINT mask = 0;
  int thumb = 0;
  const bool over = HitTest(s, p, &mask, &thumb) == s.tracking;
  if (over != s.hot) {
    s.hot = over;
    Repaint(s, true);
  }
  if (over) Step(s, s.tracking, s.dragMask);
}

void Drag(Slider& s, POINT p, bool fine) {
  if (s.warpPending) {
    s.warpPending = false;
    // The pointer we put back onto the thumb: nothing moved.
    if (p.x == s.warpPoint.x && p.y == s.warpPoint.y) return;
  }
  if (s.tracking != kThumbPart) {
    if (s.tracking >= 0) {
      UINT mask = 0;
      int thumb = 0;
      const bool over = HitTest(s, p, &mask, &thumb) == s.tracking;
      if (over != s.hot) {
        s.hot = over;
        Repaint(s, true);
      }
    }
    return;
  }
  const int thumb = s.dragThumb;
  LONG value;
  if (fine) {
    int moved = AlongOf(s, p) - AlongOf(s, s.lastPointer);
    if (s.Vertical()) moved = -moved;  // up is more
    if (moved == 0) return;
    // One unit per two pixels, a part-step counting as a whole one.
    const int units = moved > 0 ? (moved + 1) / 2 : -((1 - moved) / 2);
    value = s.map.Clamp(static_cast<std::int64_t>(s.position[thumb]) + units);
  } else {
    // Several values may share the thumb's pixel: a move across the travel
    // alone must not snap the value to another of them.
    if (AlongOf(s, p) == AlongOf(s, s.lastPointer)) {
      s.lastPointer = p;
      return;
    }
    value = s.map.ValueAt(OffsetOf(s, AlongOf(s, p) + s.grabOffset));
  }
  s.lastPointer = p;
  s.lastTime = GetMessageTime();
  if (value != s.lastSent) {
    // Thumbs moved together keep their distance.
    LONG values[2] = {s.position[0], s.position[1]};
    const std::int64_t delta = static_cast<std::int64_t>(value) - s.pressValue[thumb];
    for (int i = 0; i < s.thumbCount; ++i) {
      if (s.dragMask & (1u << i)) values[i] = s.map.Clamp(s.pressValue[i] + delta);
    }
    values[thumb] = value;
    MoveThumbs(s, s.dragMask, values);
    s.lastSent = value;
    Notify(s, kSliderThumbTrack, value, s.dragMask);
  }
  if (fine) {
    // Put the pointer back where the thumb is, so that fine moves never run
    // out of screen.
    POINT back = p;
    const int along = ThumbCentre(s, s.position[thumb]) - s.grabOffset;
    (s.Vertical() ? back.y : back.x) = along;
    s.lastPointer = back;
    if (back.x != p.x || back.y != p.y) {
      s.warpPoint = back;
      s.warpPending = true;
      POINT screen = back;
      ClientToScreen(s.window, &screen);
      SetCursorPos(screen.x, screen.y);
    }
  }
}

void DoubleClick(Slider& s, POINT p) {
  if (!IsWindowEnabled(s.window)) return;
  UINT mask = 0;
  int thumb = 0;
  const int part = HitTest(s, p, &mask, &thumb);
  if (part != kThumbPart) {
    Press(s, p);  // the second click of a double-click on the channel
    return;
  }
  LONG values[2] = {s.defaultValue, s.defaultValue};
  UINT moved = AllThumbs(s);
  if (s.TwoThumbs() && mask != 3) {
    // One channel's part links the other channel to it.
    const int own = mask == 1 ? 0 : 1;
    values[0] = values[1] = s.position[own];
  }
  if (!s.TwoThumbs()) moved = 1;
  MoveThumbs(s, moved, values);
  Notify(s, kSliderThumbPosition, s.position[0], moved);
}

UINT KeyCode(const Slider& s, UINT key) {
  if (s.kind == Kind::kFader) {
    switch (key) {
      case VK_UP: case VK_RIGHT: case VK_F9: return kSliderLineUp;
      case VK_DOWN: case VK_LEFT: case VK_F3: return kSliderLineDown;
      case VK_PRIOR: return kSliderPageUp;
      case VK_NEXT: return kSliderPageDown;
      case VK_HOME: return kSliderTop;
      case VK_END: return kSliderBottom;
      default: return 0xFFFF;
    }
  }
  const bool vertical = s.Vertical();
  switch (key) {
    case VK_LEFT: case VK_F3: return kSliderLineUp;
    case VK_RIGHT: case VK_F9: return kSliderLineDown;
    case VK_UP: return vertical ? kSliderLineUp : kSliderLineDown;
    case VK_DOWN: return vertical ? kSliderLineDown : kSliderLineUp;
    case VK_PRIOR: return vertical ? kSliderPageUp : kSliderPageDown;
    case VK_NEXT: return vertical ? kSliderPageDown : kSliderPageUp;
    case VK_HOME: return kSliderTop;
    case VK_END: return kSliderBottom;
    default: return 0xFFFF;
  }
}

void PassKey(Slider& s, WPARAM key, LPARAM flags) {
  HWND target = Target(s);
  if (!target) return;
  NMSLIDERKEY n = {};
  n.hdr.hwndFrom = s.window;
  n.hdr.idFrom = static_cast<UINT_PTR>(s.id);
  n.hdr.code = kSliderKeyNotify;
  n.virtualKey = static_cast<UINT>(key);
  n.repeatCount = LOWORD(flags);
  n.keyFlags = HIWORD(flags);
  SendMessageW(target, WM_NOTIFY, static_cast<WPARAM>(s.id), reinterpret_cast<LPARAM>(&n));
}

void KeyDown(Slider& s, WPARAM key, LPARAM flags) {
  if (s.tracking >= 0) {
    if (key == VK_ESCAPE) CancelTracking(s);
    return;
  }
  if (!IsWindowEnabled(s.window)) return;
  const UINT code = KeyCode(s, static_cast<UINT>(key));
  const UINT mask = s.kind == Kind::kFader ? s.activeMask : 1u;
  if (code != 0xFFFF) {
    Step(s, static_cast<int>(code), mask);
    return;
  }
  if (key >= '0' && key <= '9') {
    const LONG value = DigitValue(s.map.Minimum(), s.map.Maximum(), static_cast<int>(key - '0'));
    const LONG values[2] = {value, value};
    MoveThumbs(s, mask, values);
    Notify(s, kSliderThumbPosition, value, mask);
    return;
  }
  if (key == VK_CLEAR || (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)) return;
  if (s.TwoThumbs()) {
    UINT chosen = 0;
    switch (key) {
      case 'L': chosen = 1; break;
      case 'R': chosen = 2; break;
      case 'B': case 'C': case 'G': case 'S': chosen = 3; break;
      default: break;
    }
    if (chosen) {
      s.activeMask = chosen;
      s.focusThumb = LowestThumb(chosen);
      if (s.hasCaret) {
        DestroyCaret();
        s.hasCaret = false;
        CreateFocusCaret(s);
      }
      Repaint(s, true);
      return;
    }
  }
  PassKey(s, key, flags);
}

void KeyUp(Slider& s, WPARAM key) {
  if (s.tracking >= 0 || !IsWindowEnabled(s.window)) return;
  if (KeyCode(s, static_cast<UINT>(key)) == 0xFFFF) return;
  Notify(s, kSliderEndScroll, 0, s.kind == Kind::kFader ? s.activeMask : 1u);
}

void Wheel(Slider& s, WPARAM wParam) {
  if (!IsWindowEnabled(s.window) || s.tracking >= 0) return;
  const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
  const int steps = (delta < 0 ? -delta : delta) / 120;
  const bool ctrl = (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0;
  const bool more = delta > 0;  // turned away from the user
  int code;
  if (s.Vertical()) code = ctrl ? (more ? kSliderLineUp : kSliderLineDown) : (more ? kSliderPageUp : kSliderPageDown);
  else code = ctrl ? (more ? kSliderLineDown : kSliderLineUp) : (more ? kSliderPageDown : kSliderPageUp);
  const UINT mask = s.kind == Kind::kFader ? s.activeMask : 1u;
  for (int i = 0; i < steps; ++i) Step(s, code, mask);
  Notify(s, kSliderEndScroll, 0, mask);
}

void PassController(Slider& s, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND target = Target(s);
  if (!target) return;
  NMCONTROLLER n = {};
  n.hdr.hwndFrom = s.window;
  n.hdr.idFrom = static_cast<UINT_PTR>(s.id);
  n.hdr.code = kControllerNotify;
  n.message = message;
  n.wParam = wParam;
  n.lParam = lParam;
  SendMessageW(target, WM_NOTIFY, static_cast<WPARAM>(s.id), reinterpret_cast<LPARAM>(&n));
}

// Over the thumb-1 part cursor 27, over the thumb-2 part cursor 28.
bool SetFaderCursor(Slider& s) {
  HCURSOR cursor = nullptr;
  if (s.TwoThumbs()) {
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(s.window, &p);
    UINT mask = 0;
    int thumb = 0;
    if (s.tracking == kThumbPart) mask = s.dragMask;
    else if (HitTest(s, p, &mask, &thumb) != kThumbPart) mask = 0;
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(s.window, GCLP_HMODULE));
    if (mask == 1) cursor = LoadCursorW(module, MAKEINTRESOURCEW(27));
    if (mask == 2) cursor = LoadCursorW(module, MAKEINTRESOURCEW(28));
  }
  SetCursor(cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW));
  return true;
}

void PaintTo(Slider& s, HDC target) {
  // Off-screen first, one copy to the screen: no flicker while dragging.
  const int w = s.client.right, h = s.client.bottom;
  if (w <= 0 || h <= 0) return;
  HDC memory = CreateCompatibleDC(target);
  HBITMAP bitmap = nullptr;
  bool cached = false;
  if (s.kind == Kind::kFader) {
    if (!s.cache || s.cacheSize.cx != w || s.cacheSize.cy != h) {
      if (s.cache) DeleteObject(s.cache);
      s.cache = CreateCompatibleBitmap(target, w, h);
      s.cacheSize = {w, h};
    }
    bitmap = s.cache;
    cached = true;
  } else {
    bitmap = CreateCompatibleBitmap(target, w, h);
  }
  if (!memory || !bitmap) {
    if (memory) DeleteDC(memory);
    if (bitmap && !cached) DeleteObject(bitmap);
    // Out of GDI resources: draw straight onto the screen.
    if (s.kind == Kind::kFader) PaintFader(s, target);
    else PaintTrackbar(s, target);
    return;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  if (s.kind == Kind::kFader) PaintFader(s, memory);
  else PaintTrackbar(s, memory);
  BitBlt(target, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  if (!cached) DeleteObject(bitmap);
}

LONG Flag(bool* flag, WPARAM wParam, LPARAM lParam, Slider& s) {
  *flag = (lParam & 1) != 0;
  Layout(s);
  if (wParam) Repaint(s, true);
  return *flag ? -1 : 0;
}

LONG SetPosMessage(Slider& s, WPARAM wParam, LPARAM lParam) {
  const LONG value = s.map.Clamp(static_cast<LONG>(lParam));
  const bool moved = StoreThumb(s, 0, value);
  PlaceCaret(s);
  // wParam 0: the thumb moves for the next paint, nothing is drawn now.
  if (moved && wParam && RepaintsOnValue(s)) Repaint(s, true);
  return s.position[0];
}

LONG SetPosEx(Slider& s, WPARAM wParam, LPARAM lParam) {
  const int thumb = HIWORD(wParam);
  bool moved = false;
  if (thumb == 0) {
    const LONG* values = reinterpret_cast<const LONG*>(lParam);
    if (!values) return s.position[0];
    for (int i = 0; i < s.thumbCount; ++i) moved |= StoreThumb(s, i, s.map.Clamp(values[i]));
  } else if (thumb <= s.thumbCount) {
    moved = StoreThumb(s, thumb - 1, s.map.Clamp(static_cast<LONG>(lParam)));
  } else {
    return 0;
  }
  PlaceCaret(s);
  if (moved && LOWORD(wParam) && RepaintsOnValue(s)) Repaint(s, true);
  return s.position[thumb == 0 ? 0 : thumb - 1];
}

void Setup(Slider& s, const FaderSetup* setup) {
  if (!setup) return;
  s.style = (s.style & ~setup->styleMask) | (setup->style & setup->styleMask);
  const int count = (s.style & kFaderTwoThumbs) ? 2 : 1;
  if (count != s.thumbCount) s.activeMask = count == 2 ? 3u : 1u;  // a new pair starts linked
  s.thumbCount = count;
  s.focusThumb = LowestThumb(s.activeMask);
  s.map.SetRange(setup->minimum, setup->maximum, TableOf(s));
  s.defaultValue = s.map.Clamp(setup->defaultValue);
  s.displayValue = setup->displayValue;
  s.pageStep = setup->pageStep;
  for (int i = 0; i < 2; ++i) s.position[i] = s.map.Clamp(setup->positions[i]);
  Layout(s);
  PlaceCaret(s);
  Repaint(s, true);
}

}  // namespace

Slider* From(HWND window) { return reinterpret_cast<Slider*>(GetWindowLongPtrW(window, 0)); }

int ThumbCentre(const Slider& s, LONG value) {
  const int p = s.map.PixelOf(value);
  return s.Vertical() ? s.channelEnd - kMargin - 1 - p : s.channelStart + kMargin + p;
}

bool FocusShown(const Slider& s, int index) {
  if (!WantsCaret(s) || GetFocus() != s.window || !IsWindowEnabled(s.window)) return false;
  return s.TwoThumbs() ? (s.activeMask & (1u << index)) != 0 : index == 0;
}

void DrawFocusRing(const Slider& s, HDC dc, const RECT& thumb) {
  HBRUSH ring = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
  if (!ring) return;
  RECT r = thumb;
  for (int i = 0; i < s.Scaled(2); ++i) {
    FrameRect(dc, &r, ring);
    InflateRect(&r, -1, -1);
  }
  DeleteObject(ring);
}

RECT ThumbRect(const Slider& s, int index) {
  const int centre = ThumbCentre(s, s.position[index]);
  const int along0 = centre - s.thumbLength / 2;
  const int along1 = along0 + s.thumbLength;
  const int across = s.Vertical() ? s.client.right : s.client.bottom;
  int across0 = (across - s.thumbAcross) / 2;
  int across1 = across0 + s.thumbAcross;
  if (s.TwoThumbs()) {
    const int middle = across0 + s.thumbAcross / 2;
    if (index == 0) across1 = middle;
    else across0 = middle;
  }
  RECT r;
  if (s.Vertical()) r = {across0, along0, across1, along1};
  else r = {along0, across0, along1, across1};
  return r;
}

void TickCentres(const Slider& s, int out[3]) {
  const LONG minimum = s.map.Minimum(), maximum = s.map.Maximum();
  const LONG middle = (minimum <= 0 && maximum >= 0)
                          ? 0
                          : static_cast<LONG>((static_cast<std::int64_t>(minimum) + maximum) / 2);
  out[0] = ThumbCentre(s, minimum);
  out[1] = ThumbCentre(s, middle);
  out[2] = ThumbCentre(s, maximum);
}

LRESULT SliderProc(Kind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Slider* s = From(window);
  if (message == WM_CREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    s = new (std::nothrow) Slider;
    if (!s) return -1;
    s->window = window;
    s->kind = kind;
    s->id = static_cast<int>(reinterpret_cast<INT_PTR>(create->hMenu));
    s->owner = create->hwndParent != GetParent(window) ? create->hwndParent : nullptr;
    s->style = static_cast<DWORD>(create->style);
    if (kind == Kind::kFader) s->style |= kSliderVertical;
    s->thumbCount = (kind == Kind::kFader && (s->style & kFaderTwoThumbs)) ? 2 : 1;
    s->activeMask = AllThumbs(*s);
    s->background = GetSysColor(COLOR_BTNFACE);
    s->dpi = WindowDpi(window);
    s->callback = SendScroll;
    s->callbackData = reinterpret_cast<LPARAM>(create->lpCreateParams);
    s->map.SetRange(0, 100, TableOf(*s));
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(s));
    Layout(*s);
    return 0;
  }
  if (!s) return DefWindowProcW(window, message, wParam, lParam);
  if (message >= kControllerFirst && message <= kControllerLast) {
    // No controller support in this build: the owner may route it elsewhere.
    PassController(*s, message, wParam, lParam);
    return 0;
  }
  const bool fader = kind == Kind::kFader;
  switch (message) {
    case WM_DESTROY:
      RemovePropW(window, kValueWindowProperty);
      RemovePropW(window, kLabelWindowProperty);
      StopTimer(*s);
      if (s->hasCaret) DestroyCaret();
      if (s->cache) DeleteObject(s->cache);
      SetWindowLongPtrW(window, 0, 0);
      delete s;
      return 0;
    case WM_SIZE:
      Layout(*s);
      PlaceCaret(*s);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painting covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      PaintTo(*s, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintTo(*s, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ENABLE:
      if (!wParam) EndTracking(*s);
      Repaint(*s, false);
      return 0;
    case WM_GETDLGCODE:
      return GetCapture() == window ? DLGC_WANTALLKEYS : DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      CreateFocusCaret(*s);
      Repaint(*s, false);
      if (!fader) OwnerCommand(*s, 1);
      return 0;
    case WM_KILLFOCUS:
      if (s->hasCaret) DestroyCaret();
      s->hasCaret = false;
      Repaint(*s, false);
      return 0;
    case WM_SETCURSOR:
      if (fader && LOWORD(lParam) == HTCLIENT) return SetFaderCursor(*s);
      break;
    case WM_LBUTTONDOWN:
      Press(*s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_LBUTTONDBLCLK:
      DoubleClick(*s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSEMOVE:
      if (s->tracking >= 0) {
        Drag(*s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)},
             (wParam & (MK_CONTROL | MK_RBUTTON)) != 0);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->tracking >= 0) EndTracking(*s);
      return 0;
    case WM_RBUTTONDOWN:
      // During a drag the right button only switches fine mode.
      if (s->tracking >= 0) {
        s->rightConsumed = true;
        return 0;
      }
      break;
    case WM_RBUTTONUP:
      if (s->rightConsumed) {
        s->rightConsumed = false;
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kRepeatTimer) {
        Repeat(*s);
        return 0;
      }
      break;
    case WM_CANCELMODE:
      EndTracking(*s);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window) EndTracking(*s);
      return 0;
    case WM_KEYDOWN:
      KeyDown(*s, wParam, lParam);
      return 0;
    case WM_KEYUP:
      KeyUp(*s, wParam);
      return 0;
    case WM_MOUSEWHEEL:
      Wheel(*s, wParam);
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT object = AnswerGetObject(window, wParam, lParam, {ROLE_SYSTEM_SLIDER, AccessibleValue}))
        return object;
      break;

    case SLM_GETPOS:
      return s->position[0];
    case SLM_GETMIN:
      return s->map.Minimum();
    case SLM_GETMAX:
      return s->map.Maximum();
    case SLM_SETRANGE:
      SetRangeValues(*s, static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)), wParam != 0);
      return 0;
    case SLM_SETMIN:
      SetRangeValues(*s, static_cast<LONG>(lParam), s->map.Maximum(), wParam != 0);
      return 0;
    case SLM_SETMAX:
      SetRangeValues(*s, s->map.Minimum(), static_cast<LONG>(lParam), wParam != 0);
      return 0;
    case SLM_SETPOS:
      return SetPosMessage(*s, fader ? 1 : wParam, lParam);
    case SLM_SETDEFAULT:
      s->defaultValue = s->map.Clamp(static_cast<LONG>(lParam));
      return s->defaultValue;
    case SLM_SETBKCOLOR:
      s->background = static_cast<COLORREF>(lParam);
      Repaint(*s, false);
      return 0;
    case SLM_GETBKCOLOR:
      return static_cast<LRESULT>(s->background);
    case SLM_SETCALLBACKDATA:
      s->callbackData = lParam;
      return 0;
    case SLM_GETCALLBACKDATA:
      return s->callbackData;
    default:
      break;
  }
  if (message == SLM_GETTRAVEL) {
    // The fader answers too, so that its owner can place things beside the travel.
    return (static_cast<LRESULT>(s->channelStart) << 16) | s->map.Travel();
  }
  if (!fader) {
    switch (message) {
      case SLM_SETVALUEBAR:
        return Flag(&s->valueBar, wParam, lParam, *s);
      case SLM_SETHIDETICKS:
        return Flag(&s->hideTicks, wParam, lParam, *s);
      case SLM_SETTHUMBIMAGES: {
        const HIMAGELIST* lists = reinterpret_cast<const HIMAGELIST*>(wParam);
        const int* sizes = reinterpret_cast<const int*>(lParam);
        for (int i = 0; i < 3; ++i) s->images[i] = lists ? lists[i] : nullptr;
        for (int i = 0; i < 4; ++i) s->imageSize[i] = sizes ? sizes[i] : 0;
        Layout(*s);
        Repaint(*s, true);
        return 0;
      }
      default:
        break;
    }
  } else {
    switch (message) {
      case SLM_SETFADERIMAGES: {
        const HIMAGELIST* lists = reinterpret_cast<const HIMAGELIST*>(wParam);
        const int* sizes = reinterpret_cast<const int*>(lParam);
        for (int i = 0; i < 3; ++i) s->images[i] = lists ? lists[i] : nullptr;
        for (int i = 0; i < 4; ++i) s->imageSize[i] = sizes ? sizes[i] : 0;
        Repaint(*s, true);
        return 0;
      }
      case SLM_SETUP:
        Setup(*s, reinterpret_cast<const FaderSetup*>(lParam));
        return 0;
      case SLM_SETACTIVETHUMBS: {
        UINT mask = static_cast<UINT>(wParam) & AllThumbs(*s);
        s->activeMask = mask ? mask : 1u;
        s->focusThumb = LowestThumb(s->activeMask);
        if (s->hasCaret) {
          DestroyCaret();
          s->hasCaret = false;
          CreateFocusCaret(*s);
        }
        Repaint(*s, true);
        return 0;
      }
      case SLM_SETPOSEX:
        return SetPosEx(*s, wParam, lParam);
      case SLM_GETPOSEX: {
        const int thumb = HIWORD(wParam);
        if (thumb == 0) {
          LONG* out = reinterpret_cast<LONG*>(lParam);
          if (out) {
            for (int i = 0; i < s->thumbCount; ++i) out[i] = s->position[i];
          }
          return 0;
        }
        return thumb <= s->thumbCount ? s->position[thumb - 1] : 0;
      }
      case SLM_SETOWNERNOTIFY:
        s->ownerNotify = lParam != 0;
        return s->ownerNotify ? -1 : 0;
      case SLM_GETOWNERNOTIFY:
        return s->ownerNotify ? -1 : 0;
      case SLM_SETNOREPAINT:
        s->noRepaint = lParam != 0;
        return s->noRepaint ? -1 : 0;
      case SLM_GETNOREPAINT:
        return s->noRepaint ? -1 : 0;
      default:
        break;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace slider_detail
}  // namespace orlofx

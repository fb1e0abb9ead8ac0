// The level meter window: messages, layout, painting and the meter menu
// around MeterModel, which holds the levels and the rules for them.
#include "ui/meter_control.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "support/strings.h"
#include "support/win/accessible.h"
#include "support/win/module_resources.h"
#include "framework/controls/meter_model.h"

namespace orlofx {

namespace {

HINSTANCE g_resourceModule = nullptr;
MeterTickSource g_tickSource = nullptr;
MeterMenuTracker g_menuTracker = nullptr;

// State bits.
constexpr uint32_t kStateVertical = 0x0001;
constexpr uint32_t kStateFloat = 0x0002;
constexpr uint32_t kStateHighColour = 0x0004;
constexpr uint32_t kStateLabelMode = 0x0100;
constexpr uint32_t kStateLinked = 0x0400;    // a clip click resets every channel
constexpr uint32_t kStateExact = 0x0800;     // float overflow reads "Clip"

constexpr wchar_t kWidestLabel[] = L" -00.0";
constexpr int kBarGap = 2;

const COLORREF kBarBack = RGB(0, 40, 0);
const COLORREF kBarLow = RGB(0, 200, 0);
const COLORREF kBarHigh = RGB(230, 210, 0);
const COLORREF kBarTop = RGB(230, 0, 0);
const COLORREF kBarInverted = RGB(240, 130, 0);
const COLORREF kPeakMarker = RGB(255, 255, 255);
const COLORREF kValleyMarker = RGB(0, 230, 230);
const COLORREF kClipBack = RGB(56, 56, 56);
const COLORREF kClipLit = RGB(210, 0, 0);

DWORD Now() { return g_tickSource ? g_tickSource() : GetTickCount(); }

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr,
                        nullptr);
  return out;
}

struct Meter {
  HWND window = nullptr;
  HWND owner = nullptr;  // creating parent when it differs from the parent
  int id = 0;
  uint32_t state = kStateLabelMode;
  HFONT font = nullptr;
  MeterModel model;
  std::wstring labelFormat = L"$.1f";
  LONG pairs[2][2] = {};
  bool fitting = false;  // inside our own SetWindowPos for option 0x0080
};

struct Layout {
  bool vertical = false;
  RECT bars = {};
  RECT clipBand = {};
  RECT labels = {};
  int labelWidth = 0;  // width of the widest label
  int fontHeight = 0;
};

Meter* From(HWND window) { return reinterpret_cast<Meter*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

HWND Owner(const Meter& m) { return m.owner ? m.owner : GetParent(m.window); }

HFONT FontOf(const Meter& m) {
  return m.font ? m.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void Redraw(Meter& m) { InvalidateRect(m.window, nullptr, FALSE); }

SIZE TextSize(HDC dc, const wchar_t* text, int length) {
  SIZE size = {};
  GetTextExtentPoint32W(dc, text, length, &size);
  return size;
}

Layout ComputeLayout(const Meter& m) {
  Layout l;
  RECT rc;
  GetClientRect(m.window, &rc);
  const uint16_t opt = m.model.options;
  l.vertical = (opt & kMeterVertical) ||
               ((opt & kMeterOrientByShape) && rc.bottom - rc.top > rc.right - rc.left);
  HDC dc = GetDC(m.window);
  HGDIOBJ old = SelectObject(dc, FontOf(m));
  const SIZE widest = TextSize(dc, kWidestLabel, static_cast<int>(wcslen(kWidestLabel)));
  SelectObject(dc, old);
  ReleaseDC(m.window, dc);
  l.labelWidth = widest.cx + 4;
  l.fontHeight = widest.cy;

  l.bars = rc;
  if (l.vertical) {
    if (opt & kMeterClipIndicator) {
      l.clipBand = {rc.left, rc.top, rc.right, rc.top + l.fontHeight + 4};
      l.bars.top = l.clipBand.bottom;
    }
    if (opt & kMeterShowLabels) {
      l.labels = {rc.left, l.bars.top, rc.left + l.labelWidth, rc.bottom};
      l.bars.left = l.labels.right;
      // A single bar's readout may use the room above the labels as well:
      // a bar is often narrower than "-Inf." or "-18.1".
      if (m.model.ChannelCount() > 1) l.clipBand.left = l.bars.left;
    }
    // Room for half a label above 0 dB and below the bottom.
    if (opt & kMeterShowLabels) {
      const int half = l.fontHeight / 2;
      // Keep the 0 dB label off the readout band where the band covers it.
      if (!(opt & kMeterClipIndicator) || m.model.ChannelCount() == 1) l.bars.top += half;
      l.bars.bottom -= half;
      l.labels.top = rc.top;
    }
  } else {
    if (opt & kMeterClipIndicator) {
      l.clipBand = {rc.right - l.labelWidth, rc.top, rc.right, rc.bottom};
      l.bars.right = l.clipBand.left;
    }
    if (opt & kMeterShowLabels) {
      l.labels = {rc.left, rc.bottom - l.fontHeight - 2, l.bars.right, rc.bottom};
      l.bars.bottom = l.labels.top;
      l.clipBand.bottom = l.bars.bottom;
      const int half = l.labelWidth / 2;
      l.bars.left += half;
      if (!(opt & kMeterClipIndicator)) l.bars.right -= half;
    }
  }
  if (l.bars.right < l.bars.left + 1) l.bars.right = l.bars.left + 1;
  if (l.bars.bottom < l.bars.top + 1) l.bars.bottom = l.bars.top + 1;
  return l;
}

RECT BarRect(const Meter& m, const Layout& l, int channel) {
  const int n = m.model.ChannelCount();
  RECT r = l.bars;
  if (l.vertical) {
    const int w = l.bars.right - l.bars.left;
    r.left = l.bars.left + channel * w / n;
    r.right = l.bars.left + (channel + 1) * w / n - (channel + 1 < n ? kBarGap : 0);
  } else {
    const int h = l.bars.bottom - l.bars.top;
    r.top = l.bars.top + channel * h / n;
    r.bottom = l.bars.top + (channel + 1) * h / n - (channel + 1 < n ? kBarGap : 0);
  }
  if (r.right <= r.left) r.right = r.left + 1;
  if (r.bottom <= r.top) r.bottom = r.top + 1;
  return r;
}

// The clip indicator's part for one channel, in line with its bar (a single
// bar has the whole band).
RECT ClipRect(const Meter& m, const Layout& l, int channel) {
  const RECT bar = BarRect(m, l, channel);
  RECT r = l.clipBand;
  if (m.model.ChannelCount() == 1) return r;
  if (l.vertical) {
    r.left = bar.left;
    r.right = bar.right;
  } else {
    r.top = bar.top;
    r.bottom = bar.bottom;
  }
  return r;
}

// Position along the scale of a fraction (0 bottom, 1 at 0 dB).
int ScalePixel(const Layout& l, double fraction) {
  if (l.vertical) {
    const int h = l.bars.bottom - l.bars.top;
    return l.bars.bottom - static_cast<int>(std::lround(fraction * h));
  }
  const int w = l.bars.right - l.bars.left;
  return l.bars.left + static_cast<int>(std::lround(fraction * w));
}

void FillPart(HDC dc, const Layout& l, const RECT& bar, int from, int to, COLORREF colour) {
  RECT r = bar;
  if (l.vertical) {
    r.top = std::min(from, to);
    r.bottom = std::max(from, to);
  } else {
    r.left = std::min(from, to);
    r.right = std::max(from, to);
  }
  if (r.right <= r.left || r.bottom <= r.top) return;
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void DrawMarker(HDC dc, const Layout& l, const RECT& bar, double fraction, COLORREF colour) {
  const int at = ScalePixel(l, fraction);
  // Two pixels thick, kept inside the bar at both ends.
  if (l.vertical) {
    const int y = std::min<int>(std::max<int>(at - 1, bar.top), bar.bottom - 2);
    FillPart(dc, l, bar, y, y + 2, colour);
  } else {
    const int x = std::min<int>(std::max<int>(at - 1, bar.left), bar.right - 2);
    FillPart(dc, l, bar, x, x + 2, colour);
  }
}

void DrawBar(Meter& m, HDC dc, const Layout& l, int channel) {
  const MeterModel& model = m.model;
  const MeterChannel& c = model.Channel(channel);
  const RECT bar = BarRect(m, l, channel);
  const int bottom = l.vertical ? bar.bottom : bar.left;
  const int top = l.vertical ? bar.top : bar.right;
  FillPart(dc, l, bar, bottom, top, kBarBack);
  const int level = ScalePixel(l, model.Fraction(c.current));
  if (model.Inverted()) {
    FillPart(dc, l, bar, level, top, kBarInverted);
  } else {
    const double bottomDb = model.BottomDecibels();
    const int high = ScalePixel(l, std::max(0.0, (-6.0 - bottomDb) / -bottomDb));
    const int clip = ScalePixel(l, std::max(0.0, (-1.0 - bottomDb) / -bottomDb));
    auto clampToLevel = [&](int p) {
      return l.vertical ? std::max(p, level) : std::min(p, level);
    };
    FillPart(dc, l, bar, bottom, clampToLevel(high), kBarLow);
    FillPart(dc, l, bar, clampToLevel(high), clampToLevel(clip), kBarHigh);
    FillPart(dc, l, bar, clampToLevel(clip), level, kBarTop);
  }
  if (model.options & kMeterHoldPeaks) DrawMarker(dc, l, bar, model.Fraction(c.peak), kPeakMarker);
  if (model.options & kMeterHoldValleys)
    DrawMarker(dc, l, bar, model.Fraction(c.valley), kValleyMarker);
}

void DrawClipIndicator(Meter& m, HDC dc, const Layout& l, int channel) {
  const MeterModel& model = m.model;
  const MeterChannel& c = model.Channel(channel);
  RECT r = ClipRect(m, l, channel);
  const bool lit = model.Inverted() ? false : c.clip > model.MaximumLevel();
  SetBkColor(dc, lit ? kClipLit : kClipBack);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  const std::wstring text = Widen(
      model.ClipReadout(c.clip, Narrow(m.labelFormat), (m.state & kStateExact) == 0));
  // A readout is never cut ("-In" for "-Inf." says nothing): one wider than
  // its band is drawn in a smaller face of the same font.
  HFONT smaller = nullptr;
  const int room = r.right - r.left - 2;
  const int width = TextSize(dc, text.c_str(), static_cast<int>(text.size())).cx;
  if (width > room && room > 0) {
    LOGFONTW face = {};
    if (GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof face, &face) == sizeof face) {
      TEXTMETRICW metrics = {};
      GetTextMetricsW(dc, &metrics);
      face.lfHeight = -std::max<LONG>(1, MulDiv(metrics.tmHeight - metrics.tmInternalLeading, room, width));
      face.lfWidth = 0;
      smaller = CreateFontIndirectW(&face);
    }
  }
  HGDIOBJ previous = smaller ? SelectObject(dc, smaller) : nullptr;
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SetBkMode(dc, OPAQUE);
  if (smaller) {
    SelectObject(dc, previous);
    DeleteObject(smaller);
  }
}

void DrawLabels(Meter& m, HDC dc, const Layout& l) {
  const MeterModel& model = m.model;
  const double bottom = model.BottomDecibels();
  const int extent = l.vertical ? l.bars.bottom - l.bars.top : l.bars.right - l.bars.left;
  const int labelSize = l.vertical ? l.fontHeight : l.labelWidth;
  if (extent <= 0 || labelSize <= 0) return;
  // The smallest step that leaves room between labels.
  static const double kSteps[] = {1, 2, 3, 6, 12, 18, 24, 30, 42, 60};
  double step = kSteps[sizeof(kSteps) / sizeof(kSteps[0]) - 1];
  for (double s : kSteps) {
    if (s / -bottom * extent >= labelSize * 1.4) {
      step = s;
      break;
    }
  }
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  SetBkMode(dc, TRANSPARENT);
  const std::string format = Narrow(m.labelFormat);
  for (double db = 0; db >= bottom - 1e-9; db -= step) {
    const int at = ScalePixel(l, (db - bottom) / -bottom);
    const std::wstring text = Widen(FormatMeterLabel(format, db));
    RECT r = l.labels;
    UINT flags = DT_SINGLELINE | DT_NOPREFIX;
    if (l.vertical) {
      r.top = at - l.fontHeight / 2;
      r.bottom = r.top + l.fontHeight;
      r.right -= 2;
      flags |= DT_RIGHT;
    } else {
      r.left = at - l.labelWidth / 2;
      r.right = r.left + l.labelWidth;
      flags |= DT_CENTER;
    }
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
  }
  SetBkMode(dc, OPAQUE);
}

void Paint(Meter& m, HDC target) {
  m.model.UpdateHolds(Now());
  RECT rc;
  GetClientRect(m.window, &rc);
  const int width = std::max<LONG>(1, rc.right), height = std::max<LONG>(1, rc.bottom);
  HDC dc = CreateCompatibleDC(target);
  HBITMAP buffer = CreateCompatibleBitmap(target, width, height);
  if (!dc || !buffer) {
    if (buffer) DeleteObject(buffer);
    if (dc) DeleteDC(dc);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(dc, buffer);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(m));
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  const Layout l = ComputeLayout(m);
  for (int i = 0; i < m.model.ChannelCount(); ++i) {
    DrawBar(m, dc, l, i);
    if (m.model.options & kMeterClipIndicator) DrawClipIndicator(m, dc, l, i);
  }
  if (m.model.options & kMeterShowLabels) DrawLabels(m, dc, l);
  // A meter that the keyboard reaches (a tab stop, for its menu) shows when
  // it has the focus.
  if (GetFocus() == m.window) DrawFocusRect(dc, &rc);
  BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(buffer);
  DeleteDC(dc);
}

// --- levels -----------------------------------------------------------------------

double LevelFromBits(const Meter& m, int32_t bits) {
  if (m.model.FloatMode()) {
    float f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
  }
  return bits;
}

int32_t BitsFromLevel(const Meter& m, double level) {
  if (m.model.FloatMode()) {
    const float f = static_cast<float>(level);
    int32_t bits;
    std::memcpy(&bits, &f, sizeof(bits));
    return bits;
  }
  return static_cast<int32_t>(std::min(2147483647.0, std::max(-2147483648.0, level)));
}

LRESULT GetValues(Meter& m, WPARAM wParam, LPARAM lParam, bool clip) {
  const int n = HIWORD(wParam);
  auto value = [&](int i) {
    const MeterChannel& c = m.model.Channel(i);
    return BitsFromLevel(m, clip ? c.clip : c.current);
  };
  if (n == 0) return value(0);
  auto* out = reinterpret_cast<int32_t*>(lParam);
  if (!out) return 0;
  const int count = std::min(n, m.model.ChannelCount());
  for (int i = 0; i < count; ++i) out[i] = value(i);
  return count;
}

LRESULT SetValues(Meter& m, WPARAM wParam, LPARAM lParam, bool clip) {
  const int n = HIWORD(wParam);
  auto apply = [&](int i, int32_t bits) {
    const double v = LevelFromBits(m, bits);
    if (clip)
      m.model.SetClipHold(i, v);
    else
      m.model.SetLevel(i, v);
  };
  int count = 1;
  if (n == 0) {
    apply(0, static_cast<int32_t>(lParam));
  } else {
    const auto* in = reinterpret_cast<const int32_t*>(lParam);
    if (!in) return 0;
    count = std::min(n, m.model.ChannelCount());
    for (int i = 0; i < count; ++i) apply(i, in[i]);
  }
  if (LOWORD(wParam)) Redraw(m);
  return count;
}

// --- menu ---------------------------------------------------------------------------

void NotifyOwner(Meter& m, UINT code) {
  NMHDR header = {};
  header.hwndFrom = m.window;
  header.idFrom = static_cast<UINT_PTR>(m.id);
  header.code = code;
  SendMessageW(Owner(m), WM_NOTIFY, static_cast<WPARAM>(m.id), reinterpret_cast<LPARAM>(&header));
}

void ResetClipAll(Meter& m) {
  for (int i = 0; i < m.model.ChannelCount(); ++i) m.model.ResetClip(i);
  Redraw(m);
}

void ToggleOption(Meter& m, uint16_t bit) {
  m.model.options ^= bit;
  Redraw(m);
}

// Returns whether the meter handled the command itself.
bool MenuCommand(Meter& m, UINT id) {
  switch (id) {
    case kMeterCmdResetClip:
      ResetClipAll(m);
      return true;
    case kMeterCmdShowLabels:
      ToggleOption(m, kMeterShowLabels);
      return true;
    case kMeterCmdHoldPeaks:
      ToggleOption(m, kMeterHoldPeaks);
      return true;
    case kMeterCmdHoldValleys:
      ToggleOption(m, kMeterHoldValleys);
      return true;
    default:
      break;
  }
  int32_t ratio = -1;
  if (id == static_cast<UINT>(kMeterWholeRange)) ratio = 0;
  for (const MeterRangeItem& item : kMeterRangeItems)
    if (static_cast<UINT>(item.id) == id) ratio = item.ratio;
  if (ratio < 0) return false;
  m.model.SetRange(ratio == 0 ? 0 : m.model.RangeForChoice(ratio));
  Redraw(m);
  NotifyOwner(m, kMeterNotifyRangeChanged);
  return true;
}

void PrepareMenu(const Meter& m, HMENU popup) {
  const MeterModel& model = m.model;
  if (!(model.options & kMeterClipIndicator)) {
    const int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
      if (GetMenuItemID(popup, i) == kMeterCmdResetClip) {
        DeleteMenu(popup, i, MF_BYPOSITION);
        // The separator that followed the item.
        if (i < GetMenuItemCount(popup) && (GetMenuState(popup, i, MF_BYPOSITION) & MF_SEPARATOR))
          DeleteMenu(popup, i, MF_BYPOSITION);
        break;
      }
    }
  }
  for (const MeterRangeItem& item : kMeterRangeItems)
    if (!model.RangeItemOffered(item.ratio)) DeleteMenu(popup, item.id, MF_BYCOMMAND);
  const int checked = model.CheckedRangeItem();
  if (checked) CheckMenuRadioItem(popup, 40001, 40008, checked, MF_BYCOMMAND);
  CheckMenuItem(popup, kMeterCmdShowLabels,
                MF_BYCOMMAND | ((model.options & kMeterShowLabels) ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(popup, kMeterCmdHoldPeaks,
                MF_BYCOMMAND | ((model.options & kMeterHoldPeaks) ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(popup, kMeterCmdHoldValleys,
                MF_BYCOMMAND | ((model.options & kMeterHoldValleys) ? MF_CHECKED : MF_UNCHECKED));
}

// What the meter's readouts show, channel after channel ("-18.1, Clip").
std::wstring AccessibleValue(HWND window) {
  const Meter* m = From(window);
  if (!m) return std::wstring();
  std::wstring value;
  for (int i = 0; i < m->model.ChannelCount(); ++i) {
    if (i > 0) value += L", ";
    value += Widen(m->model.ClipReadout(m->model.Channel(i).clip, Narrow(m->labelFormat),
                                         (m->state & kStateExact) == 0));
  }
  return value;
}

bool IsMenuKey(WPARAM key) {
  return key == VK_APPS || (key == VK_F10 && GetKeyState(VK_SHIFT) < 0);
}

UINT TrackMenu(HMENU popup, HWND meter, int x, int y) {
  if (g_menuTracker) return g_menuTracker(popup, meter, x, y);
  return static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y,
                                          0, meter, nullptr));
}

void ShowMenu(Meter& m, LPARAM at) {
  POINT pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (at == -1) {  // from the keyboard
    pt = {16, 16};
    ClientToScreen(m.window, &pt);
  }
  // In the host's language (SetLanguage), not the thread's.
  HMENU menu = LoadModuleMenu(g_resourceModule, kMeterMenuResource);
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  if (popup) {
    PrepareMenu(m, popup);
    const UINT chosen = TrackMenu(popup, m.window, pt.x, pt.y);
    if (chosen && !MenuCommand(m, chosen))
      SendMessageW(Owner(m), WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
  }
  DestroyMenu(menu);
}

void ForwardMenuSelect(Meter& m, WPARAM wParam, LPARAM lParam) {
  MeterMenuSelect notify = {};
  notify.header.hwndFrom = m.window;
  notify.header.idFrom = static_cast<UINT_PTR>(m.id);
  notify.header.code = kMeterNotifyMenuSelect;
  notify.item = LOWORD(wParam);
  notify.flags = HIWORD(wParam);
  notify.menu = reinterpret_cast<HMENU>(lParam);
  std::wstring help;
  if (!(notify.flags & MF_POPUP) && notify.item != 0) {
    help = Widen(LoadStringOr(static_cast<int>(notify.item), nullptr));
    if (!help.empty()) notify.help = help.c_str();
  }
  SendMessageW(Owner(m), WM_NOTIFY, static_cast<WPARAM>(m.id), reinterpret_cast<LPARAM>(&notify));
}

// --- the rest of the messages ----------------------------------------------------------

int LabelThickness(const Meter& m) { return ComputeLayout(m).labelWidth; }

// With option 0x0080 the bars are made at least as thick as the labels need.
void FitToLabels(Meter& m) {
  if (!(m.model.options & kMeterFitLabels) || m.fitting) return;
  RECT rc;
  GetClientRect(m.window, &rc);
  const bool vertical = ComputeLayout(m).vertical;
  const int need = LabelThickness(m);
  const int have = vertical ? rc.right : rc.bottom;
  if (have >= need) return;
  RECT outer;
  GetWindowRect(m.window, &outer);
  m.fitting = true;
  SetWindowPos(m.window, nullptr, 0, 0, outer.right - outer.left + (vertical ? need - have : 0),
               outer.bottom - outer.top + (vertical ? 0 : need - have),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m.fitting = false;
}

bool OverClipIndicator(const Meter& m, POINT client) {
  if (!(m.model.options & kMeterClipIndicator)) return false;
  const Layout l = ComputeLayout(m);
  return PtInRect(&l.clipBand, client) != FALSE;
}

void ClipClick(Meter& m, POINT client) {
  const Layout l = ComputeLayout(m);
  if (!PtInRect(&l.clipBand, client)) return;
  if (m.state & kStateLinked) {
    ResetClipAll(m);
    return;
  }
  const int n = m.model.ChannelCount();
  const int offset = l.vertical ? client.x - l.bars.left : client.y - l.bars.top;
  const int extent = l.vertical ? l.bars.right - l.bars.left : l.bars.bottom - l.bars.top;
  const int channel = std::min(n - 1, std::max(0, offset * n / std::max(1, extent)));
  m.model.ResetClip(channel);
  Redraw(m);
}

void RefreshColours(Meter& m) {
  HDC dc = GetDC(m.window);
  const bool high = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) > 8;
  ReleaseDC(m.window, dc);
  m.state = high ? (m.state | kStateHighColour) : (m.state & ~kStateHighColour);
  m.state = ComputeLayout(m).vertical ? (m.state | kStateVertical) : (m.state & ~kStateVertical);
}

LRESULT ControlMessage(Meter& m, UINT message, WPARAM wParam, LPARAM lParam) {
  MeterModel& model = m.model;
  switch (message) {
    case kMeterGetLevels:
      return GetValues(m, wParam, lParam, false);
    case kMeterGetFullScale:
      if (auto* out = reinterpret_cast<int32_t*>(lParam)) {
        if (model.FloatMode()) {
          const float reciprocal = 1.0f / static_cast<float>(model.FullScale());
          std::memcpy(out, &reciprocal, sizeof(reciprocal));
        } else {
          *out = model.FullScale();
        }
      }
      if (auto* mode = reinterpret_cast<int32_t*>(wParam)) *mode = model.FloatMode() ? -1 : 0;
      return model.FullScale();
    case kMeterSetLevels:
      return SetValues(m, wParam, lParam, false);
    case kMeterSetFullScale: {
      const bool floatMode = (HIWORD(wParam) & 1) != 0;
      const int32_t fs = model.SetFullScale(static_cast<int32_t>(lParam), floatMode);
      m.state = floatMode ? (m.state | kStateFloat) : (m.state & ~kStateFloat);
      if (LOWORD(wParam)) Redraw(m);
      return fs;
    }
    case kMeterGetRange:
      return model.Range();
    case kMeterSetRange:
      model.SetRange(static_cast<int32_t>(lParam));
      if (LOWORD(wParam)) Redraw(m);
      return model.Range();
    case kMeterGetOptions:
      return model.options;
    case kMeterSetOptions:
      if (lParam)
        model.options |= LOWORD(wParam);
      else
        model.options &= static_cast<uint16_t>(~LOWORD(wParam));
      RefreshColours(m);
      FitToLabels(m);
      Redraw(m);
      return model.options;
    case kMeterGetChannels:
      return model.ChannelCount();
    case kMeterSetChannels:
      model.SetChannelCount(static_cast<int>(lParam));
      if (LOWORD(wParam)) Redraw(m);
      return model.ChannelCount();
    case kMeterGetLabelFormat: {
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      if (!out || wParam == 0) return 0;
      const size_t n = std::min<size_t>(m.labelFormat.size(), wParam - 1);
      std::copy(m.labelFormat.begin(), m.labelFormat.begin() + n, out);
      out[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case kMeterSetLabelFormat: {
      if (const auto* in = reinterpret_cast<const wchar_t*>(lParam)) {
        std::wstring format(in, wcsnlen(in, 15));
        m.labelFormat = format;
      }
      m.state = (HIWORD(wParam) & 1) ? (m.state | kStateLabelMode) : (m.state & ~kStateLabelMode);
      if (LOWORD(wParam)) Redraw(m);
      return 1;
    }
    case kMeterGetClipHolds:
      return GetValues(m, wParam, lParam, true);
    case kMeterSetClipHolds:
      return SetValues(m, wParam, lParam, true);
    case kMeterResetClip:
      ResetClipAll(m);
      return 1;
    case kMeterResetPeaks:
      model.ResetPeaks();
      if (LOWORD(wParam)) Redraw(m);
      return 1;
    case kMeterLabelThickness:
      return LabelThickness(m);
    case kMeterSetPair: {
      LONG* slot = m.pairs[LOWORD(wParam) == 0 ? 0 : 1];
      slot[0] = static_cast<LONG>(lParam);
      slot[1] = HIWORD(wParam);
      return 1;
    }
    case kMeterGetRect: {
      auto* out = reinterpret_cast<LONG*>(lParam);
      const int bar = HIWORD(wParam);
      if (LOWORD(wParam) != 2 || !out || bar >= model.ChannelCount()) return 0;
      const RECT r = BarRect(m, ComputeLayout(m), bar);
      out[0] = r.left;
      out[1] = r.top;
      out[2] = r.right;
      out[3] = r.bottom;
      return 1;
    }
    case kMeterSetLinked: {
      const LRESULT previous = (m.state & kStateLinked) ? -1 : 0;
      m.state = (lParam & 1) ? (m.state | kStateLinked) : (m.state & ~kStateLinked);
      return previous;
    }
    case kMeterSetExactOverflow:
      m.state = lParam == 0 ? (m.state | kStateExact) : (m.state & ~kStateExact);
      Redraw(m);
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void SetMeterResourceModule(HINSTANCE module) { g_resourceModule = module; }
HINSTANCE MeterResourceModule() { return g_resourceModule; }
void SetMeterTickSource(MeterTickSource source) { g_tickSource = source; }
void SetMeterMenuTracker(MeterMenuTracker tracker) { g_menuTracker = tracker; }

LRESULT CALLBACK MeterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Meter* m = From(window);
  if (message == WM_CREATE) {
    m = new (std::nothrow) Meter;
    if (!m) return -1;
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    m->window = window;
    m->id = GetDlgCtrlID(window);
    m->owner = cs->hwndParent != GetParent(window) ? cs->hwndParent : nullptr;
    m->model.options = LOWORD(cs->style);
    m->model.SetFullScale(32768, false);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m));
    RefreshColours(*m);
    return 0;
  }
  if (!m) return DefWindowProcW(window, message, wParam, lParam);
  if (message >= kMeterGetLevels && message <= kMeterSetExactOverflow)
    return ControlMessage(*m, message, wParam, lParam);

  switch (message) {
    case WM_DESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete m;
      return 0;
    case WM_SIZE:
      RefreshColours(*m);
      FitToLabels(*m);
      Redraw(*m);
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      RefreshColours(*m);
      Redraw(*m);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (dc) Paint(*m, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(*m, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETFONT:
      m->font = reinterpret_cast<HFONT>(wParam);
      FitToLabels(*m);
      if (LOWORD(lParam)) Redraw(*m);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(m->font);
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_NCHITTEST: {
      if (m->model.options & kMeterOwnMenu) return HTCLIENT;
      POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(window, &pt);
      return OverClipIndicator(*m, pt) ? HTCLIENT : HTTRANSPARENT;
    }
    case WM_LBUTTONDOWN:
      if (m->model.options & kMeterClipIndicator) ClipClick(*m, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;  // and on to the default handling
    case WM_CONTEXTMENU:
      if ((m->model.options & kMeterOwnMenu) && reinterpret_cast<HWND>(wParam) == window) {
        ShowMenu(*m, lParam);
        return 0;
      }
      return SendMessageW(Owner(*m), WM_CONTEXTMENU, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Redraw(*m);
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT object = AnswerGetObject(window, wParam, lParam, {ROLE_SYSTEM_PROGRESSBAR, AccessibleValue}))
        return object;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // The menu key and Shift+F10 open the menu of a focused meter, as a
      // right click does, at its keyboard place; their key-up is taken too,
      // so that the default handling opens no second one.
      if (IsMenuKey(wParam)) {
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), -1);
        return 0;
      }
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (wParam == VK_APPS || wParam == VK_F10) return 0;
      break;
    case WM_COMMAND:
      if (lParam == 0 && MenuCommand(*m, LOWORD(wParam))) return 0;
      return SendMessageW(Owner(*m), WM_COMMAND, wParam, lParam);
    case WM_MENUSELECT:
      if (m->model.options & kMeterOwnMenu) ForwardMenuSelect(*m, wParam, lParam);
      return 0;
    case WM_ENTERIDLE:
      return SendMessageW(Owner(*m), WM_ENTERIDLE, wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

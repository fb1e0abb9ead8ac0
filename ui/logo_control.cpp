// The logo bar: the maker's logo at the left, the effect's name in a title
// box, and small buttons at the right whose clicks reach the parent as
// WM_COMMAND.
#include "ui/logo_control.h"

#include <windowsx.h>
#include <commctrl.h>
#include <shellapi.h>
#include <vfw.h>

#include <cwchar>
#include <new>
#include <vector>

#include "support/strings/string_ids.h"
#include "support/win/dpi.h"
#include "support/win/wide_text.h"
#include "ui/static_control.h"

namespace orlofx {

namespace {

int g_bitmapId = 0;
int g_hoverBitmapId = 0;

constexpr COLORREF kGrey = RGB(150, 150, 150);
constexpr COLORREF kDisabledText = RGB(210, 210, 210);
constexpr int kMaxButtonText = 63;

// Items under the pointer.
constexpr int kNoItem = -1;
constexpr int kLogoItem = 0;
constexpr int kTitleItem = 1;
constexpr int kFirstButtonItem = 2;

struct LogoButton {
  int kind = 1;  // 0 image, 1 text
  int command = 0;
  wchar_t text[kMaxButtonText + 1] = {};
  int image = 0;
  RECT rect = {};
  int state = 0;  // 0 normal, 2 disabled
  bool enabled = true;
  bool pressed = false;
  int imageTop = 0;  // image buttons: margin that centres the image
};

struct Logo {
  HWND window = nullptr;
  int hovered = kNoItem;
  const BITMAPINFOHEADER* bitmaps[2] = {};  // normal, hover; in the module's resources
  HDRAWDIB drawDib = nullptr;
  bool titleClick = false;
  HIMAGELIST images[3] = {};
  std::vector<LogoButton> buttons;
  int pressed = kNoItem;
  bool timer = false;
  RECT logoRect = {};
  int dpi = 96;  // of the window: the logo and the buttons' spacing scale with it
  RECT titleRect = {};
  HFONT titleFont = nullptr;
  HFONT buttonFont = nullptr;  // from WM_SETFONT, not owned
};

Logo* From(HWND window) { return reinterpret_cast<Logo*>(GetWindowLongPtrW(window, 0)); }

// The bitmap resource as a packed DIB, when it is one with a 40-byte header.
const BITMAPINFOHEADER* LoadPackedDib(HINSTANCE module, int id) {
  if (!id) return nullptr;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const auto* header = loaded ? static_cast<const BITMAPINFOHEADER*>(LockResource(loaded)) : nullptr;
  if (!header || SizeofResource(module, found) < sizeof(BITMAPINFOHEADER)) return nullptr;
  if (header->biSize != sizeof(BITMAPINFOHEADER)) return nullptr;
  std::size_t size = 0;
  if (!PackedDibSize(header, &size) || size > SizeofResource(module, found)) return nullptr;
  return header;
}

int DibHeight(const BITMAPINFOHEADER* dib) { return dib->biHeight < 0 ? -dib->biHeight : dib->biHeight; }

HFONT ButtonFont(const Logo& l) {
  return l.buttonFont ? l.buttonFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void MakeTitleFont(Logo& l) {
  if (l.titleFont) DeleteObject(l.titleFont);
  LOGFONTW lf = {};
  GetObjectW(ButtonFont(l), sizeof(lf), &lf);
  lf.lfWeight = FW_BOLD;
  l.titleFont = CreateFontIndirectW(&lf);
}

void ImageSize(const Logo& l, int* w, int* h) {
  *w = *h = 0;
  if (l.images[0]) ImageList_GetIconSize(l.images[0], w, h);
}

// Buttons from the right edge inward (the last added rightmost), the logo at
// the left, the title box between them.
void Layout(Logo& l) {
  RECT client;
  GetClientRect(l.window, &client);
  const int height = client.bottom;
  l.logoRect = {0, 0, 0, 0};
  // The logo at the window's DPI, as the bar's height in dialog units is.
  if (l.bitmaps[0]) {
    l.logoRect = {0, 0, ScaleToDpi(static_cast<int>(l.bitmaps[0]->biWidth), l.dpi),
                  ScaleToDpi(DibHeight(l.bitmaps[0]), l.dpi)};
  }

  HDC dc = GetDC(l.window);
  HGDIOBJ old = SelectObject(dc, ButtonFont(l));
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  const int gap = ScaleToDpi(2, l.dpi);
  int right = client.right - gap;
  for (auto it = l.buttons.rbegin(); it != l.buttons.rend(); ++it) {
    LogoButton& b = *it;
    int w = 0, h = 0;
    if (b.kind == 1) {
      SIZE size = {};
      GetTextExtentPoint32W(dc, b.text, static_cast<int>(wcslen(b.text)), &size);
      w = size.cx + ScaleToDpi(8, l.dpi);
      h = tm.tmHeight + ScaleToDpi(4, l.dpi);
    } else {
      ImageSize(l, &w, &h);
    }
    if (h > height - gap) h = height - gap;
    if (h < 0) h = 0;
    const int top = (height - h) / 2;
    b.rect = {right - w, top, right, top + h};
    b.imageTop = top;
    right -= w + gap;
  }
  SelectObject(dc, old);
  ReleaseDC(l.window, dc);

  l.titleRect = {l.logoRect.right, 0, right, height};
  if (l.titleRect.right <= l.titleRect.left) l.titleRect = {0, 0, 0, 0};
}

int ItemAt(const Logo& l, POINT p) {
  for (std::size_t i = 0; i < l.buttons.size(); ++i) {
    if (PtInRect(&l.buttons[i].rect, p)) return kFirstButtonItem + static_cast<int>(i);
  }
  if (PtInRect(&l.logoRect, p)) return kLogoItem;
  if (GetWindowTextLengthW(l.window) > 0 && PtInRect(&l.titleRect, p)) return kTitleItem;
  return kNoItem;
}

LogoButton* ButtonOf(Logo& l, int item) {
  const int index = item - kFirstButtonItem;
  if (index < 0 || index >= static_cast<int>(l.buttons.size())) return nullptr;
  return &l.buttons[static_cast<std::size_t>(index)];
}

LogoButton* ButtonByCommand(Logo& l, int command) {
  for (LogoButton& b : l.buttons) {
    if (b.command == command) return &b;
  }
  return nullptr;
}

bool Usable(const LogoButton& b) { return b.enabled && b.state != 2; }

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void DrawButton(const Logo& l, HDC dc, const LogoButton& b, int item) {
  RECT r = b.rect;
  if (b.kind == 0) {
    HIMAGELIST list = b.state == 2 ? l.images[2] : (b.pressed || l.hovered == item) ? l.images[1] : l.images[0];
    if (!list) list = l.images[0];
    if (list) ImageList_Draw(list, b.image, dc, r.left, b.imageTop, ILD_TRANSPARENT);
    return;
  }
  Fill(dc, r, kGrey);
  // One-pixel raised edge, swapped while pressed.
  const COLORREF light = b.pressed ? RGB(0, 0, 0) : RGB(255, 255, 255);
  const COLORREF dark = b.pressed ? RGB(255, 255, 255) : RGB(0, 0, 0);
  RECT edge = {r.left, r.top, r.right, r.top + 1};
  Fill(dc, edge, light);
  edge = {r.left, r.top, r.left + 1, r.bottom};
  Fill(dc, edge, light);
  edge = {r.left, r.bottom - 1, r.right, r.bottom};
  Fill(dc, edge, dark);
  edge = {r.right - 1, r.top, r.right, r.bottom};
  Fill(dc, edge, dark);
  if (!Usable(b) && StaticPatternBrush()) {
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, kGrey);
    FillRect(dc, &inner, StaticPatternBrush());
  }
  HGDIOBJ old = SelectObject(dc, ButtonFont(l));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Usable(b) ? RGB(255, 255, 255) : kDisabledText);
  if (b.pressed) OffsetRect(&r, 1, 1);
  DrawTextW(dc, b.text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

void Paint(Logo& l, HDC dc) {
  RECT client;
  GetClientRect(l.window, &client);
  Fill(dc, client, GetSysColor(COLOR_BTNFACE));
  const BITMAPINFOHEADER* dib = l.bitmaps[l.hovered == kLogoItem && l.bitmaps[1] ? 1 : 0];
  if (dib && l.drawDib) {
    const BYTE* bits = reinterpret_cast<const BYTE*>(dib) + PackedDibBitsOffset(dib);
    DrawDibDraw(l.drawDib, dc, 0, 0, ScaleToDpi(dib->biWidth, l.dpi), ScaleToDpi(DibHeight(dib), l.dpi),
                const_cast<BITMAPINFOHEADER*>(dib), const_cast<BYTE*>(bits), 0, 0, dib->biWidth, DibHeight(dib), 0);
  }
  const int length = GetWindowTextLengthW(l.window);
  if (length > 0 && l.titleRect.right > l.titleRect.left) {
    RECT box = l.titleRect;
    InflateRect(&box, 0, -1);
    box.left += 2;
    Fill(dc, box, kGrey);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FrameRect(dc, &box, white);
    DeleteObject(white);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
    GetWindowTextW(l.window, text.data(), length + 1);
    RECT r = box;
    r.left += 4;
    HGDIOBJ old = SelectObject(dc, l.titleFont ? l.titleFont : ButtonFont(l));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, text.data(), length, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
  }
  for (std::size_t i = 0; i < l.buttons.size(); ++i)
    DrawButton(l, dc, l.buttons[i], kFirstButtonItem + static_cast<int>(i));
}

void PaintBuffered(Logo& l, HDC target) {
  RECT client;
  GetClientRect(l.window, &client);
  HDC memory = CreateCompatibleDC(target);
  HBITMAP bitmap = memory ? CreateCompatibleBitmap(target, client.right, client.bottom) : nullptr;
  if (!bitmap) {
    if (memory) DeleteDC(memory);
    Paint(l, target);
    return;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  Paint(l, memory);
  BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

void Hover(Logo& l, int item) {
  if (item == l.hovered) return;
  l.hovered = item;
  InvalidateRect(l.window, nullptr, FALSE);
}

void StopTimer(Logo& l) {
  if (l.timer) KillTimer(l.window, kLogoHoverTimer);
  l.timer = false;
}

void Release(Logo& l, POINT p) {
  const int pressed = l.pressed;
  l.pressed = kNoItem;
  for (LogoButton& b : l.buttons) b.pressed = false;
  if (GetCapture() == l.window) ReleaseCapture();
  if (pressed != kNoItem && ItemAt(l, p) == pressed) {
    HWND parent = GetParent(l.window);
    if (LogoButton* b = ButtonOf(l, pressed)) {
      if (Usable(*b) && parent) {
        PostMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(b->command), 0),
                     reinterpret_cast<LPARAM>(l.window));
      }
    } else if (pressed == kTitleItem) {
      if (l.titleClick) {
        if (parent) {
          PostMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(l.window)), 0),
                       reinterpret_cast<LPARAM>(l.window));
        }
      } else {
        // The maker's home page, when the site has a real address.
        const std::wstring site = MakerSiteAddress();
        if (!site.empty()) {
          const std::wstring page = site + (site.back() == L'/' ? L"" : L"/") + kMakerHomePagePath;
          ShellExecuteW(l.window, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        }
      }
    }
  }
  Hover(l, kNoItem);
  StopTimer(l);
  InvalidateRect(l.window, nullptr, FALSE);
}

}  // namespace

bool IsPlaceholderAddress(const std::wstring& address) {
  // The host: after "//", up to the next "/", ":" or the end.
  const size_t start = address.find(L"//");
  const size_t from = start == std::wstring::npos ? 0 : start + 2;
  const size_t end = address.find_first_of(L"/:", from);
  std::wstring host = address.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from);
  if (host.empty()) return true;
  CharLowerBuffW(&host[0], static_cast<DWORD>(host.size()));
  static const std::wstring kReserved = L".example";
  return host == kReserved.substr(1) ||
         (host.size() > kReserved.size() &&
          host.compare(host.size() - kReserved.size(), kReserved.size(), kReserved) == 0);
}

std::wstring MakerSiteAddress() {
  const std::wstring address = LoadWideString(sid::kMakerSite);
  return IsPlaceholderAddress(address) ? std::wstring() : address;
}

void SetLogoBitmaps(int normalId, int hoverId) {
  g_bitmapId = normalId;
  g_hoverBitmapId = hoverId;
}
int LogoBitmapId() { return g_bitmapId; }
int LogoHoverBitmapId() { return g_hoverBitmapId; }

LRESULT CALLBACK LogoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Logo* l = From(window);
  if (message == WM_CREATE) {
    l = new (std::nothrow) Logo;
    if (!l) return -1;
    l->window = window;
    l->dpi = WindowDpi(window);
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(window, GCLP_HMODULE));
    l->bitmaps[0] = LoadPackedDib(module, g_bitmapId);
    l->bitmaps[1] = LoadPackedDib(module, g_hoverBitmapId);
    l->drawDib = DrawDibOpen();
    HWND parent = GetParent(window);
    if (parent) l->buttonFont = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    MakeTitleFont(*l);
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(l));
    Layout(*l);
    return 0;
  }
  if (!l) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      StopTimer(*l);
      if (l->drawDib) DrawDibClose(l->drawDib);
      if (l->titleFont) DeleteObject(l->titleFont);
      SetWindowLongPtrW(window, 0, 0);
      delete l;
      return 0;
    case WM_SIZE:
      Layout(*l);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      Layout(*l);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    case WM_SETFONT:
      l->buttonFont = reinterpret_cast<HFONT>(wParam);
      MakeTitleFont(*l);
      Layout(*l);
      if (LOWORD(lParam)) InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(l->buttonFont);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      PaintBuffered(*l, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintBuffered(*l, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_MOUSEMOVE:
      if (!l->timer) l->timer = SetTimer(window, kLogoHoverTimer, kLogoHoverPeriod, nullptr) != 0;
      Hover(*l, ItemAt(*l, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
      return 0;
    case WM_TIMER:
      if (wParam == kLogoHoverTimer) {
        // The pointer may have left the bar without a last mouse move here,
        // or be over another window on top of it.
        POINT screen;
        GetCursorPos(&screen);
        POINT p = screen;
        ScreenToClient(window, &p);
        const int item = WindowFromPoint(screen) == window ? ItemAt(*l, p) : kNoItem;
        Hover(*l, item);
        if (item == kNoItem && l->pressed == kNoItem) StopTimer(*l);
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(window, &p);
        const LogoButton* b = ButtonOf(*l, ItemAt(*l, p));
        HCURSOR cursor = nullptr;
        if (b && Usable(*b)) {
          HINSTANCE module = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(window, GCLP_HMODULE));
          cursor = LoadCursorW(module, MAKEINTRESOURCEW(4));
        }
        SetCursor(cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetCapture(window);
      const int item = ItemAt(*l, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      l->pressed = item;
      if (LogoButton* b = ButtonOf(*l, item)) {
        if (Usable(*b)) {
          b->pressed = true;
          InvalidateRect(window, nullptr, FALSE);
        }
      }
      return 0;
    }
    case WM_LBUTTONUP:
      Release(*l, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window && l->pressed != kNoItem) {
        l->pressed = kNoItem;
        for (LogoButton& b : l->buttons) b.pressed = false;
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;

    case LGM_RESET:
      l->buttons.clear();
      l->pressed = kNoItem;
      l->hovered = kNoItem;
      Layout(*l);
      InvalidateRect(window, nullptr, FALSE);
      return 1;
    case LGM_ADDBUTTON:
    case kLogoAddImageButton: {
      LogoButton b;
      if (message == LGM_ADDBUTTON) {
        b.kind = 1;
        b.command = LOWORD(wParam);
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        if (text) wcsncpy(b.text, text, kMaxButtonText);
        b.text[kMaxButtonText] = 0;
      } else {
        b.kind = 0;
        b.command = static_cast<int>(wParam);
        b.image = static_cast<int>(lParam);
      }
      try {
        l->buttons.push_back(b);
      } catch (const std::bad_alloc&) {
        return 0;
      }
      Layout(*l);
      if (message == kLogoAddImageButton || HIWORD(wParam)) InvalidateRect(window, nullptr, FALSE);
      return 1;
    }
    case kLogoTitleClick:
      l->titleClick = wParam != 0;
      return 0;
    case kLogoSetImages:
    case kLogoSetImages + 1:
    case kLogoSetImages + 2: {
      HIMAGELIST list = reinterpret_cast<HIMAGELIST>(wParam);
      if (list) ImageList_SetBkColor(list, kGrey);
      l->images[message - kLogoSetImages] = list;
      Layout(*l);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    }
    case kLogoSetDisabled:
    case kLogoSetEnabled: {
      LogoButton* b = ButtonByCommand(*l, static_cast<int>(wParam));
      if (!b) return 0;
      if (message == kLogoSetDisabled) b->state = lParam ? 2 : 0;
      else b->enabled = lParam != 0;
      InvalidateRect(window, nullptr, FALSE);
      return 1;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

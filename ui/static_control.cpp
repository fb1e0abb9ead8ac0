// Static text or bitmap that can also act as a keyboard-reachable link, and
// the checkerboard brush it draws with.
#include "ui/static_control.h"

#include <windowsx.h>
#include <vfw.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "support/win/dpi.h"

namespace orlofx {

namespace {

// The bitmap lives as long as the brush made from it.
HBITMAP g_patternBitmap = nullptr;
HBRUSH g_patternBrush = nullptr;

// Instance data lives in the second pointer of the window extra bytes.
constexpr int kInstanceSlot = static_cast<int>(sizeof(LONG_PTR));

struct StaticControl {
  HWND window = nullptr;
  HBITMAP bitmap = nullptr;  // owned
  BITMAPINFOHEADER* dib = nullptr;  // owned packed copy
  HDRAWDIB drawDib = nullptr;
  HPALETTE palette = nullptr;
  COLORREF colours[2] = {};
  bool coloursSet = false;
  RECT hot = {};  // the link text
  HFONT font = nullptr;
  bool pressed = false;
};

StaticControl* From(HWND window) {
  return reinterpret_cast<StaticControl*>(GetWindowLongPtrW(window, kInstanceSlot));
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }
bool IsLink(HWND window) { return (StyleOf(window) & kStaticLink) != 0; }

void FreeDib(StaticControl& s) {
  if (s.drawDib) DrawDibClose(s.drawDib);
  if (s.palette) DeleteObject(s.palette);
  std::free(s.dib);
  s.drawDib = nullptr;
  s.palette = nullptr;
  s.dib = nullptr;
}

void TakeBitmap(StaticControl& s, HBITMAP bitmap) {
  if (s.bitmap && s.bitmap != bitmap) DeleteObject(s.bitmap);
  s.bitmap = bitmap;
  InvalidateRect(s.window, nullptr, TRUE);
}

bool TakeDib(StaticControl& s, const BITMAPINFOHEADER* source) {
  std::size_t size = 0;
  if (!source || !PackedDibSize(source, &size)) return false;
  auto* copy = static_cast<BITMAPINFOHEADER*>(std::malloc(size));
  if (!copy) return false;
  std::memcpy(copy, source, size);
  FreeDib(s);
  s.dib = copy;
  s.drawDib = DrawDibOpen();
  if (copy->biBitCount <= 8) {
    // The bitmap's own colours, for displays with a palette.
    const DWORD count = copy->biClrUsed ? copy->biClrUsed : (1u << copy->biBitCount);
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(copy) + copy->biSize);
    auto* log = static_cast<LOGPALETTE*>(std::malloc(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY)));
    if (log) {
      log->palVersion = 0x300;
      log->palNumEntries = static_cast<WORD>(count);
      for (DWORD i = 0; i < count; ++i) {
        log->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
      }
      s.palette = CreatePalette(log);
      std::free(log);
    }
    if (s.drawDib && s.palette) DrawDibSetPalette(s.drawDib, s.palette);
  }
  InvalidateRect(s.window, nullptr, TRUE);
  return true;
}

bool LoadBitmapResource(StaticControl& s, HINSTANCE module, const wchar_t* name) {
  if (!module) module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(s.window, GWLP_HINSTANCE));
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  FreeDib(s);
  TakeBitmap(s, bitmap);
  return true;
}

// "#name" or "#123" names a bitmap resource of the window's instance.
void LoadFromText(StaticControl& s, const wchar_t* text) {
  if (!text || text[0] != L'#' || !text[1]) return;
  const wchar_t* name = text + 1;
  bool digits = true;
  unsigned long number = 0;
  for (const wchar_t* c = name; *c; ++c) {
    if (*c < L'0' || *c > L'9' || number > 0xFFFF) {
      digits = false;
      break;
    }
    number = number * 10 + static_cast<unsigned long>(*c - L'0');
  }
  if (digits && number <= 0xFFFF) {
    LoadBitmapResource(s, nullptr, MAKEINTRESOURCEW(static_cast<WORD>(number)));
  } else {
    LoadBitmapResource(s, nullptr, name);
  }
}

void Notify(HWND window) {
  HWND parent = GetParent(window);
  if (!parent) return;
  NMHDR n = {};
  n.hwndFrom = window;
  n.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
  n.code = kStaticLinkNotify;
  SendMessageW(parent, WM_NOTIFY, n.idFrom, reinterpret_cast<LPARAM>(&n));
}

HFONT FontOf(const StaticControl& s) {
  return s.font ? s.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Measures the text as painted: the link's hot rectangle.
RECT TextRect(StaticControl& s, HDC dc, const wchar_t* text, int length, UINT format) {
  RECT client;
  GetClientRect(s.window, &client);
  RECT r = client;
  HGDIOBJ old = SelectObject(dc, FontOf(s));
  DrawTextW(dc, text, length, &r, format | DT_CALCRECT);
  SelectObject(dc, old);
  const int w = r.right - r.left;
  if (format & DT_CENTER) r.left = (client.right - w) / 2;
  else if (format & DT_RIGHT) r.left = client.right - w;
  else r.left = 0;
  r.right = r.left + w;
  if (r.right > client.right) r.right = client.right;
  return r;
}

UINT TextFormat(HWND window) {
  const DWORD style = StyleOf(window);
  const DWORD kind = style & 0x000F;
  UINT format = DT_NOPREFIX;
  if (kind == SS_CENTER) format |= DT_CENTER;
  else if (kind == SS_RIGHT) format |= DT_RIGHT;
  return format | ((style & kStaticLink) ? DT_SINGLELINE : DT_WORDBREAK);
}

void Paint(StaticControl& s, HDC dc) {
  RECT client;
  GetClientRect(s.window, &client);
  const DWORD style = StyleOf(s.window);
  HWND parent = GetParent(s.window);
  const bool transparent = (GetWindowLongW(s.window, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0;
  if (!transparent) {
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageW(parent, WM_CTLCOLORSTATIC,
                                                                  reinterpret_cast<WPARAM>(dc),
                                                                  reinterpret_cast<LPARAM>(s.window)))
                          : nullptr;
    if (!brush && s.coloursSet) {
      SetBkColor(dc, s.colours[1]);
      ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    } else {
      FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_WINDOW));
    }
  }
  RECT inside = client;
  const DWORD kind = style & 0x000F;
  if (kind >= 4 && kind <= 9) {
    FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&inside, -1, -1);
  }

  // Pictures are drawn at the window's DPI, as the dialog around them is
  // (a 128 x 64 picture takes 192 x 96 pixels at 144 DPI).
  const int dpi = WindowDpi(s.window);
  if (s.dib && s.drawDib) {
    const BYTE* bits = reinterpret_cast<const BYTE*>(s.dib) + PackedDibBitsOffset(s.dib);
    const int width = s.dib->biWidth, height = s.dib->biHeight < 0 ? -s.dib->biHeight : s.dib->biHeight;
    DrawDibDraw(s.drawDib, dc, inside.left, inside.top, ScaleToDpi(width, dpi), ScaleToDpi(height, dpi), s.dib,
                const_cast<BYTE*>(bits), 0, 0, width, height, 0);
    return;
  }
  if (s.bitmap) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, s.bitmap);
    BITMAP info = {};
    GetObjectW(s.bitmap, sizeof(info), &info);
    if (dpi == kDesignDpi) {
      BitBlt(dc, inside.left, inside.top, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    } else {
      SetStretchBltMode(dc, HALFTONE);
      StretchBlt(dc, inside.left, inside.top, ScaleToDpi(info.bmWidth, dpi), ScaleToDpi(info.bmHeight, dpi), memory,
                 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    return;
  }

  const int length = GetWindowTextLengthW(s.window);
  if (length <= 0) return;
  auto* text = new (std::nothrow) wchar_t[static_cast<std::size_t>(length) + 1];
  if (!text) return;
  GetWindowTextW(s.window, text, length + 1);
  const bool link = (style & kStaticLink) != 0;
  const UINT format = TextFormat(s.window);
  s.hot = TextRect(s, dc, text, length, format);

  HFONT underlined = nullptr;
  HFONT font = FontOf(s);
  if (link) {
    LOGFONTW lf = {};
    GetObjectW(font, sizeof(lf), &lf);
    lf.lfUnderline = TRUE;
    underlined = CreateFontIndirectW(&lf);
    if (underlined) font = underlined;
  }
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  COLORREF colour = s.coloursSet ? s.colours[0] : GetSysColor(COLOR_WINDOWTEXT);
  if (link && !s.coloursSet) colour = RGB(0, 0, 204);
  if (!IsWindowEnabled(s.window)) colour = GetSysColor(COLOR_GRAYTEXT);
  SetTextColor(dc, colour);
  RECT r = inside;
  DrawTextW(dc, text, length, &r, format);
  SelectObject(dc, oldFont);
  if (underlined) DeleteObject(underlined);
  if (link && GetFocus() == s.window) {
    RECT focus = s.hot;
    InflateRect(&focus, 1, 0);
    DrawFocusRect(dc, &focus);
  }
  delete[] text;
}

void PaintBuffered(StaticControl& s, HDC target) {
  RECT client;
  GetClientRect(s.window, &client);
  // A transparent static leaves what lies under it alone, so it paints
  // straight onto its window: a buffer would start black and copy that over.
  const bool transparent = (GetWindowLongW(s.window, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0;
  if (s.dib || transparent || client.right <= 0 || client.bottom <= 0) {
    Paint(s, target);
    return;
  }
  HDC memory = CreateCompatibleDC(target);
  HBITMAP bitmap = memory ? CreateCompatibleBitmap(target, client.right, client.bottom) : nullptr;
  if (!bitmap) {
    if (memory) DeleteDC(memory);
    Paint(s, target);
    return;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  Paint(s, memory);
  BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

// The link text's rectangle as the control paints it.
bool OverText(StaticControl& s, POINT p) {
  const int length = GetWindowTextLengthW(s.window);
  if (length <= 0) return false;
  auto* text = new (std::nothrow) wchar_t[static_cast<std::size_t>(length) + 1];
  if (!text) return false;
  GetWindowTextW(s.window, text, length + 1);
  HDC dc = GetDC(s.window);
  s.hot = TextRect(s, dc, text, length, TextFormat(s.window));
  ReleaseDC(s.window, dc);
  delete[] text;
  return PtInRect(&s.hot, p) != FALSE;
}

}  // namespace

bool PackedDibSize(const BITMAPINFOHEADER* header, std::size_t* size) {
  if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > 1024) return false;
  const int bits = header->biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const std::int64_t width = header->biWidth;
  const std::int64_t height = header->biHeight < 0 ? -static_cast<std::int64_t>(header->biHeight) : header->biHeight;
  if (width <= 0 || width > 32767 || height <= 0 || height > 32767) return false;
  if (header->biClrUsed > 256) return false;
  // Everything in 64 bits: a 32767 x 32767 32-bit header alone asks for 4 GB,
  // which wraps a 32-bit size_t to a small allocation that drawing would
  // then read far beyond. No picture of a page comes near the cap.
  constexpr std::uint64_t kLargestDib = 64u << 20;
  const std::uint64_t offset = PackedDibBitsOffset(header);
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
  std::uint64_t image = header->biSizeImage;
  const bool uncompressed = header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS;
  if (!uncompressed && image == 0) return false;  // compressed data must state its size
  if (uncompressed) {
    // Uncompressed rows are 4-byte aligned; never trust a smaller stated size.
    if (image < stride * static_cast<std::uint64_t>(height)) image = stride * static_cast<std::uint64_t>(height);
  }
  if (offset + image > kLargestDib) return false;
  *size = static_cast<std::size_t>(offset + image);
  return true;
}

std::size_t PackedDibBitsOffset(const BITMAPINFOHEADER* header) {
  DWORD colours = header->biClrUsed;
  if (colours == 0 && header->biBitCount <= 8) colours = 1u << header->biBitCount;
  std::size_t offset = header->biSize + colours * sizeof(RGBQUAD);
  if (header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * sizeof(DWORD);
  return offset;
}

HBRUSH CreateStaticPatternBrush() {
  if (g_patternBrush) return g_patternBrush;
  // Monochrome bitmap rows are padded to 16 bits: the low byte of each word
  // holds the row's eight pixels.
  static const WORD kRows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  g_patternBitmap = CreateBitmap(8, 8, 1, 1, kRows);
  if (!g_patternBitmap) return nullptr;
  g_patternBrush = CreatePatternBrush(g_patternBitmap);
  if (!g_patternBrush) {
    DeleteObject(g_patternBitmap);
    g_patternBitmap = nullptr;
  }
  return g_patternBrush;
}

void DeleteStaticPatternBrush() {
  if (g_patternBrush) DeleteObject(g_patternBrush);
  if (g_patternBitmap) DeleteObject(g_patternBitmap);
  g_patternBrush = nullptr;
  g_patternBitmap = nullptr;
}

HBRUSH StaticPatternBrush() { return g_patternBrush; }

LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  StaticControl* s = From(window);
  if (message == WM_CREATE) {
    s = new (std::nothrow) StaticControl;
    if (!s) return -1;
    s->window = window;
    SetWindowLongPtrW(window, kInstanceSlot, reinterpret_cast<LONG_PTR>(s));
    LoadFromText(*s, reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName);
    return 0;
  }
  if (!s) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      FreeDib(*s);
      if (s->bitmap) DeleteObject(s->bitmap);
      SetWindowLongPtrW(window, kInstanceSlot, 0);
      delete s;
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      PaintBuffered(*s, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintBuffered(*s, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      LoadFromText(*s, reinterpret_cast<const wchar_t*>(lParam));
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_NCHITTEST:
      return (StyleOf(window) & kStaticHitTest) ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE: {
      if (!IsLink(window)) return DLGC_STATIC;
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg && msg->message == WM_KEYDOWN) {
        if (msg->wParam == VK_RETURN) return DLGC_STATIC;
        if (msg->wParam == VK_ESCAPE && GetCapture() != window) return DLGC_STATIC;
      }
      return DLGC_STATIC | DLGC_WANTALLKEYS;
    }
    case WM_SETCURSOR:
      if (IsLink(window) && LOWORD(lParam) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(window, &p);
        if (OverText(*s, p)) {
          HINSTANCE module = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(window, GCLP_HMODULE));
          HCURSOR hand = LoadCursorW(module, MAKEINTRESOURCEW(4));
          SetCursor(hand ? hand : LoadCursorW(nullptr, IDC_ARROW));
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (IsLink(window) && OverText(*s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
        s->pressed = true;
        SetCapture(window);
        if (GetFocus() != window) SetFocus(window);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->pressed) {
        s->pressed = false;
        if (GetCapture() == window) ReleaseCapture();
        if (OverText(*s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) Notify(window);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window) s->pressed = false;
      return 0;
    case WM_KEYDOWN:
      if (!IsLink(window)) break;
      if (wParam == VK_SPACE) {
        Notify(window);
        return 0;
      }
      if (wParam == VK_TAB) {
        PostMessageW(GetParent(window), WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case kStaticLoadBitmap:
      return LoadBitmapResource(*s, reinterpret_cast<HINSTANCE>(wParam),
                                reinterpret_cast<const wchar_t*>(lParam))
                 ? 1
                 : 0;
    case kStaticSetBitmap:
      FreeDib(*s);
      TakeBitmap(*s, reinterpret_cast<HBITMAP>(lParam));
      return lParam != 0;
    case kStaticSetDib:
      return TakeDib(*s, reinterpret_cast<const BITMAPINFOHEADER*>(lParam)) ? 1 : 0;
    case kStaticSetColours:
      s->colours[0] = static_cast<COLORREF>(wParam);
      s->colours[1] = static_cast<COLORREF>(lParam);
      s->coloursSet = true;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orlofx

// A window that owns custom controls the way a page does: it records what
// they send or post to it (with a slider's position when the message
// arrived) and answers sliders' scroll codes with the pages' scroll
// arithmetic. One per test, topmost, so that hit tests reach it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/win/support/capture.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "ui/fader_control.h"
#include "ui/page_frame.h"
#include "ui/slider_core.h"

namespace control_test {

struct Event {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  int code;          // scroll code (two-thumb fader too), WM_NOTIFY code or HIWORD of a command
  LONG value;        // value of a scroll message
  LONG position;     // a slider's position when the message arrived
  LONG thumbs[2];    // two-thumb notifications: the positions handed over
  UINT mask;         // two-thumb notifications: the thumbs concerned
  unsigned char notify[64];  // WM_NOTIFY: the notification as sent
};

struct OwnerState {
  std::vector<Event> events;
  bool answer = true;            // set scroll results back, as a page does
  HBRUSH dialogBrush = nullptr;  // answer to WM_CTLCOLORDLG, when set
};
inline OwnerState& State() {
  static OwnerState state;
  return state;
}
inline std::vector<Event>& Events() { return State().events; }
inline void Clear() { Events().clear(); }

inline LONG Pos(HWND slider) { return static_cast<LONG>(SendMessageW(slider, orlofx::SLM_GETPOS, 0, 0)); }

inline LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Event e = {message, wParam, lParam, 0, 0, 0, {}, 0, {}};
  switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
      HWND control = reinterpret_cast<HWND>(lParam);
      e.code = LOWORD(wParam);
      e.value = static_cast<SHORT>(HIWORD(wParam));
      e.position = Pos(control);
      Events().push_back(e);
      if (!State().answer) return 0;
      wchar_t name[64] = {};
      GetClassNameW(control, name, 64);
      const orlofx::SliderState s = orlofx::ReadSlider(control);
      const bool ctrl = GetKeyState(VK_CONTROL) < 0;
      const LONG value = lstrcmpW(name, orlofx::kFaderClassName) == 0
                             ? orlofx::FaderScrollValue(s, e.code, 1, 0, ctrl)
                             : orlofx::TrackbarScrollValue(s, e.code, 1, 0, message == WM_VSCROLL, ctrl);
      SendMessageW(control, orlofx::SLM_SETPOS, 1, value);
      return 0;
    }
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      e.code = static_cast<int>(header->code);
      std::memcpy(e.notify, header, sizeof(e.notify));
      if (header->code == orlofx::kFaderThumbsNotify) {
        const auto* n = reinterpret_cast<const orlofx::NMFADERTHUMBS*>(lParam);
        e.code = n->scrollCode;
        e.mask = n->thumbMask;
        for (int i = 0; i < n->thumbCount && i < 2; ++i) e.thumbs[i] = n->positions[i];
      } else {
        e.position = Pos(header->hwndFrom);
      }
      Events().push_back(e);
      return 0;
    }
    case WM_CTLCOLORDLG:
      if (State().dialogBrush) return reinterpret_cast<LRESULT>(State().dialogBrush);
      break;
    case WM_COMMAND:
      e.code = HIWORD(wParam);
      Events().push_back(e);
      return 0;
    case WM_CONTEXTMENU:
    case WM_NEXTDLGCTL:
    case WM_KEYDOWN:
    case 1554:  // the envelope graph's changes, tracking and end
    case 1560:
    case 1571:
      Events().push_back(e);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The events of one message, or the scroll codes (sliders' and two-thumb
// notifications') when `message` is 0.
inline std::vector<Event> Of(UINT message) {
  std::vector<Event> out;
  for (const Event& e : Events())
    if (e.message == message) out.push_back(e);
  return out;
}
inline std::vector<int> Codes() {
  std::vector<int> codes;
  for (const Event& e : Events()) {
    const bool thumbs = e.message == WM_NOTIFY && e.mask != 0;
    if (e.message == WM_HSCROLL || e.message == WM_VSCROLL || thumbs) codes.push_back(e.code);
  }
  return codes;
}

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

inline LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
inline LPARAM At(POINT p) { return At(p.x, p.y); }

inline void SetKeys(bool ctrl, bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
  keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
}

// A key pressed and released on `control`, with Ctrl and Shift as given.
inline void Key(HWND control, UINT key, bool ctrl = false, bool shift = false) {
  SetKeys(ctrl, shift);
  SendMessageW(control, WM_KEYDOWN, key, 1);
  SendMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  SetKeys(false, false);
}

// Moves the real pointer to a point of `window`'s client area (controls read
// it on timer ticks and for their cursors) and waits until it is there.
inline void PointerTo(HWND window, POINT p) {
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  for (int i = 0; i < 200; ++i) {
    POINT now;
    GetCursorPos(&now);
    if (now.x == p.x && now.y == p.y) break;
    Sleep(10);
  }
}
inline void PointerAway() { PointerTo(GetDesktopWindow(), {1200, 1000}); }

// The screen's DPI and a length designed at 96 DPI at it.
inline int Dpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}
inline int Scaled(int pixels) { return MulDiv(pixels, Dpi(), 96); }

// Loads the module (which registers the control classes) and opens an owner.
class OwnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"orlofxControlTestOwner";
    RegisterClassW(&wc);
    owner_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"controls", WS_POPUP | WS_VISIBLE, 40, 40,
                             Scaled(520), Scaled(360), nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner_, nullptr);
    PointerAway();
    State() = OwnerState();
    SetKeys(false, false);
    Pump();
  }
  void TearDown() override {
    SetKeys(false, false);
    if (owner_) DestroyWindow(owner_);
    Pump();
  }

  HWND Create(const wchar_t* className, DWORD style, RECT r, int id = 100, const wchar_t* text = L"",
              HINSTANCE instance = GetModuleHandleW(nullptr)) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, owner_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    EXPECT_NE(control, nullptr);
    UpdateWindow(owner_);
    return control;
  }

  ModuleUnderTest module_;
  HWND owner_ = nullptr;
};

}  // namespace control_test

// A window that owns custom controls as a page does: it records what they
// send or post to it (with a slider's position when it arrived) and answers
// sliders' scroll codes with the pages' scroll arithmetic. Topmost, so that
// hit tests and the real pointer reach it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "tests/win/support/capture.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "ui/fader_control.h"
#include "ui/page_frame.h"

namespace control_test {

struct Event {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  int code;       // scroll code, WM_NOTIFY code or command code
  LONG value;     // of a scroll message
  LONG position;  // a slider's when the message arrived
  unsigned char notify[64];  // WM_NOTIFY: the notification as sent
};

struct OwnerState {
  std::vector<Event> events;
  bool answer = true;            // set scroll results back, as a page does
  HBRUSH dialogBrush = nullptr;  // answer to WM_CTLCOLORDLG, when set
};
inline OwnerState& State() { static OwnerState state; return state; }
inline std::vector<Event>& Events() { return State().events; }
inline void Clear() { Events().clear(); }
inline LONG Pos(HWND slider) { return static_cast<LONG>(SendMessageW(slider, orlofx::SLM_GETPOS, 0, 0)); }

inline LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Event e = {message, wParam, lParam, HIWORD(wParam), 0, 0, {}};
  if (message == WM_HSCROLL || message == WM_VSCROLL) {
    HWND slider = reinterpret_cast<HWND>(lParam);
    e.code = LOWORD(wParam);
    e.value = static_cast<SHORT>(HIWORD(wParam));
    e.position = Pos(slider);
    Events().push_back(e);
    wchar_t name[64] = {};
    GetClassNameW(slider, name, 64);
    const orlofx::SliderState s = orlofx::ReadSlider(slider);
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (State().answer) {
      SendMessageW(slider, orlofx::SLM_SETPOS, 1,
                   lstrcmpW(name, orlofx::kFaderClassName) == 0
                       ? orlofx::FaderScrollValue(s, e.code, 1, 0, ctrl)
                       : orlofx::TrackbarScrollValue(s, e.code, 1, 0, message == WM_VSCROLL, ctrl));
    }
    return 0;
  }
  if (message == WM_NOTIFY) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    e.code = static_cast<int>(header->code);
    std::memcpy(e.notify, header, sizeof(e.notify));
  }
  if (message == WM_CTLCOLORDLG && State().dialogBrush) return reinterpret_cast<LRESULT>(State().dialogBrush);
  // Commands, menus, focus moves, keys and the envelope graph's notifications.
  for (UINT recorded : {UINT{WM_NOTIFY}, UINT{WM_COMMAND}, UINT{WM_CONTEXTMENU}, UINT{WM_NEXTDLGCTL}, UINT{WM_KEYDOWN},
                        1554u, 1560u, 1571u}) {
    if (message != recorded) continue;
    Events().push_back(e);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

inline std::vector<Event> Of(UINT message) {
  std::vector<Event> out;
  std::copy_if(Events().begin(), Events().end(), std::back_inserter(out), [&](const Event& e) { return e.message == message; });
  return out;
}
inline std::vector<int> Codes() {  // of the scroll messages
  std::vector<int> codes;
  for (const Event& e : Events())
    if (e.message == WM_HSCROLL || e.message == WM_VSCROLL) codes.push_back(e.code);
  return codes;
}

inline void Pump() {
  for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
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
// A key pressed and released on `control` with Ctrl and Shift as given.
inline void Key(HWND control, UINT key, bool ctrl = false, bool shift = false) {
  SetKeys(ctrl, shift);
  SendMessageW(control, WM_KEYDOWN, key, 1);
  SendMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  SetKeys(false, false);
}

// Moves the real pointer (which controls read on timer ticks and for their
// cursors) to a point of `window` and waits until it is there.
inline void PointerTo(HWND window, POINT p) {
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  POINT now = {};
  for (int i = 0; i < 200 && GetCursorPos(&now) && (now.x != p.x || now.y != p.y); ++i) Sleep(10);
}
inline void PointerAway() { PointerTo(GetDesktopWindow(), {1200, 1000}); }

// A length designed at 96 DPI at the screen's DPI, as the controls scale.
inline int Scaled(int pixels) {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return MulDiv(pixels, dpi, 96);
}

// Registers a control class with this program's copy of its procedure, so
// that the test seams reach it (ahead of the module's global class).
inline bool RegisterHere(const wchar_t* name, WNDPROC proc, int extra, HBRUSH brush) {
  WNDCLASSW wc = {CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, proc, 0, extra, GetModuleHandleW(nullptr), nullptr,
                  LoadCursorW(nullptr, IDC_ARROW), brush, nullptr, name};
  return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Loads the module (which registers the control classes) and opens an owner.
class OwnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    WNDCLASSW wc = {CS_DBLCLKS, OwnerProc, 0, 0, GetModuleHandleW(nullptr), nullptr, LoadCursorW(nullptr, IDC_ARROW),
                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr, L"orlofxControlTestOwner"};
    RegisterClassW(&wc);
    owner_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 40, 40, Scaled(520),
                             Scaled(360), nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner_, nullptr);
    PointerAway();
    State() = OwnerState();
    SetKeys(false, false);
    Pump();
  }
  void TearDown() override {
    if (owner_) DestroyWindow(owner_);
    Pump();
  }
  HWND Create(const wchar_t* className, DWORD style, RECT r, int id = 100, const wchar_t* text = L"",
              HINSTANCE instance = GetModuleHandleW(nullptr)) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, owner_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
    EXPECT_NE(control, nullptr);
    UpdateWindow(owner_);
    return control;
  }

  ModuleUnderTest module_;
  HWND owner_ = nullptr;
};

}  // namespace control_test

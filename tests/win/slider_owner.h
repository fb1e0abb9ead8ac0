// A test window that owns sliders the way a page does: it records every
// notification they send (with the slider's position at that moment) and
// answers scroll codes with the pages' own scroll arithmetic.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/win/support/capture.h"
#include "tests/win/support/module_under_test.h"
#include "ui/fader_control.h"
#include "ui/page_frame.h"
#include "ui/slider_core.h"
#include "ui/trackbar_control.h"

namespace slider_test {

struct Event {
  UINT message;      // WM_HSCROLL, WM_VSCROLL, WM_NOTIFY, WM_COMMAND, WM_CONTEXTMENU
  int code;          // scroll code, notify code or command code
  LONG value;        // value carried by a scroll message (signed 16 bits)
  LONG position;     // the control's position when the message arrived
  UINT mask;         // two-thumb notifications: thumbs concerned
  LONG positions[2]; // two-thumb notifications: positions handed over
  UINT key;          // key notifications: virtual key
  UINT repeat;
  WPARAM wParam;     // controller notifications
  LPARAM lParam;
  UINT passed;       // controller notifications: the message passed on
};

struct OwnerState {
  std::vector<Event> events;
  long page = 0;        // page step the owner uses (0: a tenth of the range)
  bool answer = true;   // apply the scroll arithmetic
  HBRUSH dialogBrush = nullptr;  // answer to WM_CTLCOLORDLG, when set
};

inline OwnerState& State() {
  static OwnerState state;
  return state;
}

inline bool IsFader(HWND control) {
  wchar_t name[64] = {};
  GetClassNameW(control, name, 64);
  return lstrcmpW(name, orlofx::kFaderClassName) == 0;
}

inline LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  OwnerState& state = State();
  switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
      HWND control = reinterpret_cast<HWND>(lParam);
      Event e = {};
      e.message = message;
      e.code = LOWORD(wParam);
      e.value = static_cast<SHORT>(HIWORD(wParam));
      e.position = static_cast<LONG>(SendMessageW(control, orlofx::SLM_GETPOS, 0, 0));
      state.events.push_back(e);
      if (state.answer) {
        const orlofx::SliderState s = orlofx::ReadSlider(control);
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        if (IsFader(control)) {
          SendMessageW(control, orlofx::SLM_SETPOSEX, MAKEWPARAM(1, 1),
                       orlofx::FaderScrollValue(s, e.code, 1, state.page, ctrl));
        } else {
          SendMessageW(control, orlofx::SLM_SETPOS, 1,
                       orlofx::TrackbarScrollValue(s, e.code, 1, state.page, message == WM_VSCROLL, ctrl));
        }
      }
      return 0;
    }
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      Event e = {};
      e.message = message;
      e.code = static_cast<int>(header->code);
      e.position = static_cast<LONG>(SendMessageW(header->hwndFrom, orlofx::SLM_GETPOS, 0, 0));
      if (header->code == orlofx::kFaderThumbsNotify) {
        const auto* n = reinterpret_cast<const orlofx::NMFADERTHUMBS*>(lParam);
        e.mask = n->thumbMask;
        e.value = n->scrollCode;
        for (int i = 0; i < n->thumbCount && i < 2; ++i) e.positions[i] = n->positions[i];
      } else if (header->code == orlofx::kSliderKeyNotify) {
        const auto* n = reinterpret_cast<const orlofx::NMSLIDERKEY*>(lParam);
        e.key = n->virtualKey;
        e.repeat = n->repeatCount;
      } else if (header->code == orlofx::kControllerNotify) {
        const auto* n = reinterpret_cast<const orlofx::NMCONTROLLER*>(lParam);
        e.passed = n->message;
        e.wParam = n->wParam;
        e.lParam = n->lParam;
      }
      state.events.push_back(e);
      return 0;
    }
    case WM_CTLCOLORDLG:
      if (state.dialogBrush) return reinterpret_cast<LRESULT>(state.dialogBrush);
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_COMMAND:
    case WM_CONTEXTMENU: {
      Event e = {};
      e.message = message;
      e.code = message == WM_COMMAND ? HIWORD(wParam) : 0;
      state.events.push_back(e);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Scroll codes received since the last Clear, in order.
inline std::vector<int> Codes() {
  std::vector<int> codes;
  for (const Event& e : State().events) {
    if (e.message == WM_HSCROLL || e.message == WM_VSCROLL) codes.push_back(e.code);
  }
  return codes;
}

inline void Clear() { State().events.clear(); }

inline void SetCtrl(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  keys[VK_LCONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

inline void SetShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  keys[VK_LSHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

inline LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Moves the real pointer to a point of `window`'s client area (the controls
// read it on timer ticks and for their cursors).
inline void PointerTo(HWND window, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  // The display may take a moment to report the new position back.
  for (int i = 0; i < 200; ++i) {
    POINT now;
    GetCursorPos(&now);
    if (now.x == p.x && now.y == p.y) break;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    Sleep(10);
  }
}

inline void Key(HWND control, UINT key) {
  SendMessageW(control, WM_KEYDOWN, key, 1);
  SendMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// Loads the module (which registers the classes) and opens an owner window.
class OwnerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"orlofxSliderTestOwner";
    RegisterClassW(&wc);
    owner_ = CreateWindowExW(0, wc.lpszClassName, L"sliders", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 520,
                             360, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner_, nullptr);
    // Keep the real pointer away from the controls unless a test puts it there.
    PointerTo(GetDesktopWindow(), 1200, 1000);
    State() = OwnerState();
    SetCtrl(false);
    SetShift(false);
    Pump();
  }
  void TearDown() override {
    SetCtrl(false);
    SetShift(false);
    if (owner_) DestroyWindow(owner_);
    Pump();
  }

  HWND Create(const wchar_t* className, DWORD style, int x, int y, int w, int h, int id = 100) {
    HWND control = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, owner_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    EXPECT_NE(control, nullptr);
    UpdateWindow(owner_);
    return control;
  }

  ModuleUnderTest module_;
  HWND owner_ = nullptr;
};

inline LONG Pos(HWND control) { return static_cast<LONG>(SendMessageW(control, orlofx::SLM_GETPOS, 0, 0)); }

inline void SetRange(HWND control, LONG minimum, LONG maximum) {
  SendMessageW(control, orlofx::SLM_SETMIN, 0, minimum);
  SendMessageW(control, orlofx::SLM_SETMAX, 0, maximum);
}

}  // namespace slider_test

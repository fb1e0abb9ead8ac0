// The trackbar (horizontal and vertical) and the fader share one contract:
// range and default, keys, wheel, drags, notifications, focus and painting.
// A thumb is found as a user finds it, by where a press grabs it.
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <utility>

#include "support/win/accessible.h"
#include "tests/win/control_owner.h"
#include "ui/trackbar_control.h"

using namespace control_test;
using namespace orlofx;

namespace {

struct Kind {
  const char* name;
  const wchar_t* className;
  DWORD style;
  bool vertical, fader;
  int thumbLength;  // along the travel, at 96 DPI
};
const Kind kKinds[] = {{"Trackbar", kTrackbarClassName, 0, false, false, 12},
                       {"VerticalTrackbar", kTrackbarClassName, kSliderVertical, true, false, 12},
                       {"Fader", kFaderClassName, kSliderVertical, true, true, 20}};
void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }
std::string KindName(const ::testing::TestParamInfo<Kind>& kind) { return kind.param.name; }

struct Span {
  int first = -1, last = -1;
  int Centre() const { return (first + last) / 2; }
  int Length() const { return last - first + 1; }
};

class SliderTest : public OwnerTest, public ::testing::WithParamInterface<Kind> {
 protected:
  HWND Make(DWORD style = 0) {
    const Kind& k = GetParam();
    const int across = Scaled(k.fader ? 48 : 24), along = Scaled(k.vertical ? 220 : 212);
    return s_ = Create(k.className, k.style | style, k.vertical ? RECT{20, 20, 20 + across, 20 + along}
                                                                : RECT{20, 20, 20 + along, 20 + across});
  }
  bool Vertical() const { return GetParam().vertical; }
  int Up() const { return Vertical() ? -1 : 1; }  // pixels toward the maximum
  RECT Client() const {
    RECT rc;
    GetClientRect(s_, &rc);
    return rc;
  }
  int Length() const { return Vertical() ? Client().bottom : Client().right; }
  // A point `along` the travel, `eighths` of the way across.
  POINT P(int along, int eighths = 4) const {
    return Vertical() ? POINT{Client().right * eighths / 8, along} : POINT{along, Client().bottom * eighths / 8};
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(s_, message, wParam, lParam); }
  void Mouse(UINT message, POINT p, WPARAM keys = MK_LBUTTON) { Send(message, keys, At(p)); }
  void SetRange(LONG minimum, LONG maximum) {
    Send(SLM_SETMIN, 0, minimum);
    Send(SLM_SETMAX, 0, maximum);
  }
  int Travel() { return static_cast<int>(Send(SLM_GETTRAVEL, 0, 0) & 0xFFFF); }
  // A slider over [minimum, maximum] (maximum -1: one value per pixel) at
  // `position`; returns where its thumb is.
  int Start(LONG minimum, LONG maximum, LONG position, DWORD style = 0) {
    Make(style);
    SetRange(minimum, maximum < 0 ? Travel() : maximum);
    Send(SLM_SETPOS, 1, position);
    return Thumb().Centre();
  }
  // Where a press grabs the thumb (probed on the hidden control, so that
  // the presses paint nothing).
  Span Thumb() {
    const bool answer = State().answer;
    State().answer = false;
    ShowWindow(s_, SW_HIDE);
    auto grabs = [&](int along) {
      Clear();
      Mouse(WM_LBUTTONDOWN, P(along));
      const bool grabbed = Codes() == std::vector<int>({kSliderPress});
      Mouse(WM_LBUTTONUP, P(along), 0);
      return grabbed;
    };
    Span span;
    for (int along = 0; along < Length() && span.first < 0; along += 4)
      if (grabs(along)) span.first = span.last = along;
    while (span.first > 0 && grabs(span.first - 1)) --span.first;
    while (span.last >= 0 && grabs(span.last + 1)) ++span.last;
    ShowWindow(s_, SW_SHOWNA);
    State().answer = answer;
    Clear();
    return span;
  }
  std::vector<LONG> Values() {
    std::vector<LONG> values;
    for (const Event& e : Events()) values.push_back(e.value);
    return values;
  }

  HWND s_ = nullptr;
};

TEST_P(SliderTest, RangeChoosesTheDefaultThatDoubleClickRestores) {
  Make();
  const struct {
    LONG minimum, maximum, given, expected;  // given 1: no default sent
  } cases[] = {{-800, 0, 1, -800}, {-800, 0, -100, -100}, {-250, 250, 1, 0}, {10, 30, 1, 20}, {10, 30, 99, 30}};
  for (const auto& c : cases) {
    SetRange(c.minimum, c.maximum);
    if (c.given != 1) {
      EXPECT_EQ(Send(SLM_SETDEFAULT, 0, c.given), c.expected);  // clamped
    }
    EXPECT_EQ(Send(SLM_SETPOS, 1, c.maximum + 5), c.maximum);  // clamped too
    Mouse(WM_LBUTTONDBLCLK, P(Thumb().Centre()));
    EXPECT_EQ(Pos(s_), c.expected) << c.minimum << ".." << c.maximum;
    EXPECT_EQ(Codes(), std::vector<int>({kSliderThumbPosition}));
    EXPECT_EQ(Values(), std::vector<LONG>({c.expected}));
  }
  // A double-click on the channel is a page press, not a reset.
  const POINT channel = P(Thumb().Centre() - Up() * Scaled(30));
  Mouse(WM_LBUTTONDBLCLK, channel);
  Mouse(WM_LBUTTONUP, channel, 0);
  EXPECT_EQ(Codes(), std::vector<int>({kSliderPress, Vertical() ? kSliderPageDown : kSliderPageUp, kSliderEndScroll}));
}

// Keys and wheel notches send their codes and end with code 8; the owner
// moves by them. Wheel turns under a notch send only code 8.
TEST_P(SliderTest, KeysAndTheWheelSendTheirCodesAndTheOwnerMovesByThem) {
  Make();
  SetRange(-250, 250);
  const int kind = GetParam().fader ? 2 : Vertical() ? 1 : 0;
  constexpr UINT K = WM_KEYDOWN, W = WM_MOUSEWHEEL;
  const struct {
    UINT message, input;  // a key, or a wheel turn (positive: away from the user)
    bool ctrl;
    int code[3], repeats;  // horizontal trackbar, vertical trackbar, fader
    LONG value[3];         // from 100, by the pages' arithmetic (a page is 50 here)
  } cases[] = {{K, VK_LEFT, false, {0, 0, 1}, 1, {99, 101, 99}}, {K, VK_F3, false, {0, 0, 1}, 1, {99, 101, 99}},
               {K, VK_RIGHT, false, {1, 1, 0}, 1, {101, 99, 101}}, {K, VK_F9, false, {1, 1, 0}, 1, {101, 99, 101}},
               {K, VK_UP, false, {1, 0, 0}, 1, {101, 101, 101}}, {K, VK_DOWN, false, {0, 1, 1}, 1, {99, 99, 99}},
               {K, VK_PRIOR, false, {3, 2, 2}, 1, {150, 150, 150}}, {K, VK_NEXT, false, {2, 3, 3}, 1, {50, 50, 50}},
               {K, VK_HOME, false, {6, 6, 6}, 1, {-250, 250, 0}}, {K, VK_HOME, true, {6, 6, 6}, 1, {-250, 250, 250}},
               {K, VK_END, false, {7, 7, 7}, 1, {250, -250, -250}}, {W, 60, false, {}, 0, {100, 100, 100}},
               {W, static_cast<UINT>(-119), false, {}, 0, {100, 100, 100}}, {W, 240, false, {3, 2, 2}, 2, {200, 200, 200}},
               {W, static_cast<UINT>(-360), true, {0, 1, 1}, 3, {97, 97, 97}}};
  for (const auto& c : cases) {
    Send(SLM_SETPOS, 1, 100);
    Clear();
    SetKeys(c.ctrl, false);
    if (c.message == WM_KEYDOWN) Key(s_, c.input, c.ctrl);
    else Send(WM_MOUSEWHEEL, MAKEWPARAM(c.ctrl ? MK_CONTROL : 0, static_cast<WORD>(c.input)), 0);
    SetKeys(false, false);
    std::vector<int> codes(c.repeats, c.code[kind]);
    codes.push_back(kSliderEndScroll);
    EXPECT_EQ(Codes(), codes) << c.message << " " << static_cast<int>(c.input);
    EXPECT_EQ(Pos(s_), c.value[kind]) << c.message << " " << static_cast<int>(c.input);
  }
  // Digits jump to tenths of the range in integers: 1 + 499 * 5 / 10.
  SetRange(1, 500);
  for (const auto& [digit, value] : {std::pair<UINT, LONG>{'5', 250}, {'0', 1}, {'9', 450}}) {
    Clear();
    Send(WM_KEYDOWN, digit, 1);
    EXPECT_EQ(Pos(s_), value);
    EXPECT_EQ(Codes(), std::vector<int>({kSliderThumbPosition}));
    EXPECT_EQ(Values(), std::vector<LONG>({value}));
  }
  // The keypad's digits and Clear are ignored; other keys (letters too, on
  // one thumb) go to the owner.
  Clear();
  for (UINT key : {VK_NUMPAD5, VK_CLEAR}) Send(WM_KEYDOWN, key, 1);
  Send(WM_KEYDOWN, 'L', 3);
  ASSERT_EQ(Events().size(), 1u);
  const auto* key = reinterpret_cast<const NMSLIDERKEY*>(Events()[0].notify);
  EXPECT_EQ(key->hdr.code, kSliderKeyNotify);
  EXPECT_EQ(key->virtualKey + key->repeatCount, static_cast<UINT>('L') + 3);
}

TEST_P(SliderTest, DragTracksThePointerAndEscapeOrCancelEndsIt) {
  const int grab = Start(0, -1, 40) + 3;  // one value per pixel, grabbed off-centre
  State().answer = false;
  Mouse(WM_LBUTTONDOWN, P(grab));
  EXPECT_EQ(GetCapture(), s_);
  EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
  Mouse(WM_MOUSEMOVE, P(grab + 25 * Up()));
  EXPECT_EQ(Pos(s_), 65);
  Mouse(WM_MOUSEMOVE, P(grab + 25 * Up(), 40));  // far off to the side: only along counts
  Mouse(WM_MOUSEMOVE, P(grab - 500 * Up()));
  EXPECT_EQ(Pos(s_), 0);
  const POINT end = P(grab + 10 * Up());
  Mouse(WM_MOUSEMOVE, end);
  Mouse(WM_RBUTTONDOWN, end, MK_LBUTTON | MK_RBUTTON);  // the right button is only a modifier: no menu
  Mouse(WM_RBUTTONUP, end);
  Mouse(WM_LBUTTONUP, end, 0);
  EXPECT_EQ(Pos(s_), 50);
  EXPECT_NE(GetCapture(), s_);
  EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
  EXPECT_EQ(Codes(), std::vector<int>({9, 5, 5, 5, 4, 8}));
  EXPECT_EQ(Values(), std::vector<LONG>({0, 65, 0, 50, 50, 0}));
  Mouse(WM_RBUTTONDOWN, end, MK_RBUTTON);  // outside a drag it reaches the owner's menu
  Mouse(WM_RBUTTONUP, end, 0);
  EXPECT_EQ(Events().back().message, static_cast<UINT>(WM_CONTEXTMENU));

  // Escape puts the value at the press back before the closing codes;
  // cancel mode ends a drag where it is.
  for (UINT ending : {UINT{WM_KEYDOWN}, UINT{WM_CANCELMODE}}) {
    Send(SLM_SETPOS, 1, 50);
    const int at = Thumb().Centre();
    Mouse(WM_LBUTTONDOWN, P(at));
    Mouse(WM_MOUSEMOVE, P(at + 20 * Up()));
    ASSERT_EQ(Pos(s_), 70);
    Clear();
    Send(ending, VK_ESCAPE, 1);
    const LONG expected = ending == WM_KEYDOWN ? 50 : 70;
    EXPECT_EQ(Codes(), std::vector<int>({4, 8}));
    EXPECT_EQ(Values(), std::vector<LONG>({expected, 0}));
    for (const Event& e : Events()) EXPECT_EQ(e.position, expected);
    EXPECT_NE(GetCapture(), s_);
  }
}

TEST_P(SliderTest, FineDragMovesOneUnitPerTwoPixelsAndPutsThePointerBack) {
  const int at = Start(0, 10000, 5000);  // far more values than pixels
  State().answer = false;
  PointerTo(s_, P(at));
  Mouse(WM_LBUTTONDOWN, P(at));
  const struct {
    int pixels;
    WPARAM keys;
    LONG value;
  } moves[] = {{5, MK_CONTROL, 5003}, {-1, MK_CONTROL, 5002}, {4, MK_RBUTTON, 5004}};  // halves away from zero
  for (const auto& m : moves) {
    Mouse(WM_MOUSEMOVE, P(at + m.pixels * Up()), MK_LBUTTON | m.keys);  // from the thumb, where the pointer went back
    EXPECT_EQ(Pos(s_), m.value);
  }
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(s_, &cursor);
  EXPECT_EQ(Vertical() ? cursor.y : cursor.x, at);  // the thumb has not moved a pixel
  Mouse(WM_LBUTTONUP, P(at), 0);
  EXPECT_EQ(Pos(s_), 5004);
  PointerAway();
}

TEST_P(SliderTest, HeldPagePressRepeatsWhileThePointerStaysOnItsSide) {
  const int thumb = Start(0, 100, 80);
  const POINT below = P(thumb - Up() * Travel() * 7 / 10);  // where about 10 is
  PointerTo(s_, below);
  Mouse(WM_LBUTTONDOWN, below);
  EXPECT_EQ(Codes(), std::vector<int>({9, Vertical() ? kSliderPageDown : kSliderPageUp}));
  EXPECT_EQ(Pos(s_), 70);
  // The press armed the repeat timer; the test sends its ticks itself, so the
  // real one is put off beyond the test (on a slow machine it would page too).
  ASSERT_TRUE(KillTimer(s_, 42));
  SetTimer(s_, 42, 600000, nullptr);
  Send(WM_TIMER, 42, 0);
  Send(WM_TIMER, 42, 0);
  EXPECT_EQ(Pos(s_), 50);
  for (const POINT p : {P(thumb + Up() * 10), P(Length() / 2, 40)}) {  // past the thumb, off the control
    PointerTo(s_, p);
    Mouse(WM_MOUSEMOVE, p);
    Send(WM_TIMER, 42, 0);
    EXPECT_EQ(Pos(s_), 50);
  }
  PointerTo(s_, below);  // back: it pages on until the thumb is under the pointer
  for (int i = 0; i < 10; ++i) Send(WM_TIMER, 42, 0);
  const LONG reached = Pos(s_);
  EXPECT_LT(reached, 50);
  EXPECT_GT(reached, 0);
  Mouse(WM_LBUTTONUP, below, 0);
  const std::vector<int> codes = Codes();
  EXPECT_EQ(codes.back(), kSliderEndScroll);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), kSliderThumbPosition), 0);
  EXPECT_FALSE(KillTimer(s_, 42));  // gone with the release
  const Span now = Thumb();
  EXPECT_LE(now.first, Vertical() ? below.y : below.x);
  EXPECT_GE(now.last, Vertical() ? below.y : below.x);
  PointerAway();
}

TEST_P(SliderTest, DisabledSliderIgnoresInputAndControllerInputGoesToTheOwner) {
  const int at = Start(0, 100, 30);
  EnableWindow(s_, FALSE);
  for (UINT m : {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK}) Mouse(m, P(at + 40 * Up()));
  Key(s_, VK_RIGHT);
  Send(WM_KEYDOWN, '7', 1);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(Pos(s_), 30);
  Send(kControllerFirst, 7, 1234);  // no controller here: passed on
  ASSERT_EQ(Events().size(), 1u);
  EXPECT_EQ(reinterpret_cast<const NMCONTROLLER*>(Events()[0].notify)->hdr.code, kControllerNotify);
  EXPECT_EQ(reinterpret_cast<const NMCONTROLLER*>(Events()[0].notify)->lParam, 1234);
}

// The focus shows as a ring of the selection colour on the thumb and
// nothing else changes (a grey caret over it looked disabled); a disabled
// slider shows none. The thumb scales with the screen's DPI; the hidden
// caret covers it inset by 2 pixels, for tools that follow the caret.
TEST_P(SliderTest, FocusRingsTheThumbInTheSelectionColourOnly) {
  Make(kSliderFocusCaret);
  SetRange(-250, 250);
  const Span thumb = Thumb();
  EXPECT_EQ(thumb.Length(), Scaled(GetParam().thumbLength));
  SetFocus(owner_);
  const COLORREF selection = GetSysColor(COLOR_HIGHLIGHT);
  const Painted plain = PrintClient(s_);
  SetFocus(s_);
  const Painted focused = PrintClient(s_);
  POINT caret = {};
  EXPECT_TRUE(GetCaretPos(&caret));
  EXPECT_EQ(Vertical() ? caret.y : caret.x, thumb.first + 2);
  int ring = 0, other = 0;
  for (size_t i = 0; i < plain.pixels.size(); ++i) {
    EXPECT_NE(plain.pixels[i], selection);
    if (focused.pixels[i] != plain.pixels[i]) (focused.pixels[i] == selection ? ring : other)++;
  }
  EXPECT_GE(ring, 4 * Scaled(GetParam().thumbLength));
  EXPECT_EQ(other, 0);
  EXPECT_TRUE(SaveWindowPng(s_, GetParam().fader ? "fader_focused" : Vertical() ? "trackbar_v_focused" : "trackbar_focused"));
  EnableWindow(s_, FALSE);
  const Painted disabled = PrintClient(s_);
  EXPECT_EQ(std::count(disabled.pixels.begin(), disabled.pixels.end(), selection), 0);
}

TEST_P(SliderTest, ScreenReadersHearTheLabelAndTheValueShown) {
  Make();
  SetRange(0, 5000);
  Send(SLM_SETPOS, 1, 1234);
  AccessibleText heard;
  ASSERT_TRUE(ReadAccessible(s_, &heard));
  EXPECT_EQ(heard.role, ROLE_SYSTEM_SLIDER);
  EXPECT_EQ(heard.value, L"1,234");
  SetPropW(s_, kLabelWindowProperty, Create(L"STATIC", 0, {300, 20, 400, 40}, 101, L"&Threshold level"));
  SetPropW(s_, kValueWindowProperty, Create(L"STATIC", 0, {300, 50, 400, 70}, 102, L"-12.3 dB"));
  ASSERT_TRUE(ReadAccessible(s_, &heard));
  EXPECT_EQ(heard.name, L"Threshold level");
  EXPECT_EQ(heard.value, L"-12.3 dB");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SliderTest, ::testing::ValuesIn(kKinds), KindName);

// ---- what one kind has alone ------------------------------------------------

class TrackbarTest : public SliderTest {};

// The thumb sits by the octave taper (1 kHz is 5.6 of the 10 octaves from
// 20 Hz up); the background is the owner's dialog brush.
TEST_P(TrackbarTest, TaperPlacesTheThumbAndTheOwnerPaintsTheBackground) {
  State().dialogBrush = CreateSolidBrush(RGB(200, 40, 40));
  const int at = Start(20, 20000, 1000, kSliderTapered | kSliderOctaveTaper);
  EXPECT_EQ(PrintClient(s_).At(1, 1), RGB(200, 40, 40));
  DeleteObject(std::exchange(State().dialogBrush, nullptr));
  EXPECT_NEAR(Vertical() ? Length() - at : at, Length() * 0.56, Scaled(12));
}

INSTANTIATE_TEST_SUITE_P(Kinds, TrackbarTest, ::testing::ValuesIn(kKinds, kKinds + 2), KindName);

}  // namespace

// The trackbar (horizontal and vertical) and the fader share one contract:
// range and default, keys, wheel, drags, notifications, focus and painting.
// Thumbs are found as a user finds them, by where a press grabs one.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include <oleacc.h>

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
  bool vertical;
  bool fader;
  int thumbLength;  // along the travel, at 96 DPI
};
const Kind kKinds[] = {{"Trackbar", kTrackbarClassName, 0, false, false, 12},
                       {"VerticalTrackbar", kTrackbarClassName, kSliderVertical, true, false, 12},
                       {"Fader", kFaderClassName, kSliderVertical, true, true, 20}};

struct Span {
  int first = -1, last = -1;
  int Centre() const { return (first + last) / 2; }
};

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }
std::string KindName(const ::testing::TestParamInfo<Kind>& kind) { return kind.param.name; }

class SliderTest : public OwnerTest, public ::testing::WithParamInterface<Kind> {
 protected:
  HWND Make(DWORD style = 0, int x = 20) {
    const Kind& k = GetParam();
    const int across = Scaled(k.fader ? 48 : 24), along = Scaled(k.vertical ? 220 : 212);
    s_ = Create(k.className, k.style | style,
                k.vertical ? RECT{x, 20, x + across, 20 + along} : RECT{x, 20, x + along, 20 + across});
    return s_;
  }
  bool Vertical() const { return GetParam().vertical; }
  int Up() const { return Vertical() ? -1 : 1; }  // pixels toward the maximum
  int Length() const {
    RECT rc;
    GetClientRect(s_, &rc);
    return Vertical() ? rc.bottom : rc.right;
  }
  // A point `along` the travel, `eighths` of the way across.
  POINT P(int along, int eighths = 4) const {
    RECT rc;
    GetClientRect(s_, &rc);
    return Vertical() ? POINT{rc.right * eighths / 8, along} : POINT{along, rc.bottom * eighths / 8};
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(s_, message, wParam, lParam); }
  void Mouse(UINT message, POINT p, WPARAM keys = MK_LBUTTON) { Send(message, keys, At(p)); }
  void SetRange(LONG minimum, LONG maximum) {
    Send(SLM_SETMIN, 0, minimum);
    Send(SLM_SETMAX, 0, maximum);
  }
  int Travel() { return static_cast<int>(Send(SLM_GETTRAVEL, 0, 0) & 0xFFFF); }
  // The pixels along the travel where a press grabs the thumb (hidden
  // meanwhile, so that the presses paint nothing).
  Span Thumb(int eighths = 4) {
    const bool answer = State().answer;
    State().answer = false;
    LONG saved[2] = {Pos(s_), Pos(s_)};
    if (GetParam().fader) Send(SLM_GETPOSEX, 0, reinterpret_cast<LPARAM>(saved));
    ShowWindow(s_, SW_HIDE);
    auto grabs = [&](int along) {
      Clear();
      Mouse(WM_LBUTTONDOWN, P(along, eighths));
      const bool grabbed = Codes() == std::vector<int>({kSliderPress});
      Mouse(WM_LBUTTONUP, P(along, eighths), 0);
      // A two-thumb fader pages its thumbs itself.
      if (GetParam().fader) Send(SLM_SETPOSEX, 0, reinterpret_cast<LPARAM>(saved));
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
      EXPECT_EQ(Send(SLM_SETDEFAULT, 0, c.given), c.expected);
    }
    EXPECT_EQ(Send(SLM_SETPOS, 1, c.maximum + 5), c.maximum);  // positions are clamped as well
    Clear();
    Mouse(WM_LBUTTONDBLCLK, P(Thumb().Centre()));
    EXPECT_EQ(Pos(s_), c.expected) << c.minimum << ".." << c.maximum;
    ASSERT_EQ(Codes(), std::vector<int>({kSliderThumbPosition}));
    EXPECT_EQ(Events().back().value, c.expected);
  }
  // A double-click on the channel is a page press, not a reset.
  const Span thumb = Thumb();
  Clear();
  const POINT channel = P(thumb.Centre() - Up() * Scaled(30));
  Mouse(WM_LBUTTONDBLCLK, channel);
  Mouse(WM_LBUTTONUP, channel, 0);
  EXPECT_EQ(Codes(), std::vector<int>({kSliderPress, Vertical() ? kSliderPageDown : kSliderPageUp, kSliderEndScroll}));
}

TEST_P(SliderTest, KeysSendTheirCodesAndTheOwnerMovesByThem) {
  Make();
  SetRange(-250, 250);
  const int kind = GetParam().fader ? 2 : Vertical() ? 1 : 0;
  const struct {
    UINT key;
    bool ctrl;
    int code[3];    // horizontal trackbar, vertical trackbar, fader
    LONG value[3];  // from 100, with the pages' arithmetic (a page is 50 here)
  } cases[] = {{VK_LEFT, false, {0, 0, 1}, {99, 101, 99}},      {VK_F3, false, {0, 0, 1}, {99, 101, 99}},
               {VK_RIGHT, false, {1, 1, 0}, {101, 99, 101}},    {VK_F9, false, {1, 1, 0}, {101, 99, 101}},
               {VK_UP, false, {1, 0, 0}, {101, 101, 101}},      {VK_DOWN, false, {0, 1, 1}, {99, 99, 99}},
               {VK_PRIOR, false, {3, 2, 2}, {150, 150, 150}},   {VK_NEXT, false, {2, 3, 3}, {50, 50, 50}},
               {VK_HOME, false, {6, 6, 6}, {-250, 250, 0}},     {VK_HOME, true, {6, 6, 6}, {-250, 250, 250}},
               {VK_END, false, {7, 7, 7}, {250, -250, -250}}};
  for (const auto& c : cases) {
    Send(SLM_SETPOS, 1, 100);
    Clear();
    Key(s_, c.key, c.ctrl);
    EXPECT_EQ(Codes(), std::vector<int>({c.code[kind], kSliderEndScroll})) << "key " << c.key;
    EXPECT_EQ(Pos(s_), c.value[kind]) << "key " << c.key;
  }
  // Digits jump to tenths of the range in integers: 1 + 499 * 5 / 10.
  SetRange(1, 500);
  for (const auto& [digit, value] : {std::pair<UINT, LONG>{'5', 250}, {'0', 1}, {'9', 450}}) {
    Clear();
    Send(WM_KEYDOWN, digit, 1);
    EXPECT_EQ(Pos(s_), value);
    ASSERT_EQ(Codes(), std::vector<int>({kSliderThumbPosition}));
    EXPECT_EQ(Events().back().value, value);
  }
  // The keypad's digits and Clear are ignored; other keys (letters too, on
  // one thumb) go to the owner.
  Clear();
  Send(WM_KEYDOWN, VK_NUMPAD5, 1);
  Send(WM_KEYDOWN, VK_CLEAR, 1);
  EXPECT_TRUE(Events().empty());
  Send(WM_KEYDOWN, 'L', 3);
  ASSERT_EQ(Events().size(), 1u);
  const auto* key = reinterpret_cast<const NMSLIDERKEY*>(Events()[0].notify);
  EXPECT_EQ(key->hdr.code, kSliderKeyNotify);
  EXPECT_EQ(key->virtualKey, static_cast<UINT>('L'));
  EXPECT_EQ(key->repeatCount, 3u);
}

TEST_P(SliderTest, WheelStepsByWholeNotchesTowardTheMaximumWhenTurnedAway) {
  Make();
  SetRange(0, 100);
  Send(SLM_SETPOS, 1, 50);
  const int more = Vertical() ? kSliderPageUp : kSliderPageDown;
  const int lessLine = Vertical() ? kSliderLineDown : kSliderLineUp;
  const struct {
    WPARAM wParam;
    std::vector<int> codes;
    LONG value;
  } cases[] = {{MAKEWPARAM(0, 60), {kSliderEndScroll}, 50},
               {MAKEWPARAM(0, static_cast<WORD>(-119)), {kSliderEndScroll}, 50},
               {MAKEWPARAM(0, 240), {more, more, kSliderEndScroll}, 70},
               {MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-360)), {lessLine, lessLine, lessLine, kSliderEndScroll}, 67}};
  for (const auto& c : cases) {
    Clear();
    Send(WM_MOUSEWHEEL, c.wParam, 0);
    EXPECT_EQ(Codes(), c.codes);
    EXPECT_EQ(Pos(s_), c.value);
  }
}

TEST_P(SliderTest, DragTracksThePointerAndEscapeOrCancelEndsIt) {
  Make();
  SetRange(0, Travel());  // one value per pixel
  Send(SLM_SETPOS, 1, 40);
  const int grab = Thumb().Centre() + 3;  // off-centre
  State().answer = false;
  Mouse(WM_LBUTTONDOWN, P(grab));
  EXPECT_EQ(GetCapture(), s_);
  EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
  Mouse(WM_MOUSEMOVE, P(grab + 25 * Up()));
  EXPECT_EQ(Pos(s_), 65);
  Mouse(WM_MOUSEMOVE, P(grab + 25 * Up(), 40));  // far off to the side: only along counts
  Mouse(WM_MOUSEMOVE, P(grab - 500 * Up()));
  EXPECT_EQ(Pos(s_), 0);
  Mouse(WM_MOUSEMOVE, P(grab + 10 * Up()));
  // The right button during a drag is only a modifier: no menu.
  Mouse(WM_RBUTTONDOWN, P(grab + 10 * Up()), MK_LBUTTON | MK_RBUTTON);
  Mouse(WM_RBUTTONUP, P(grab + 10 * Up()));
  Mouse(WM_LBUTTONUP, P(grab + 10 * Up()), 0);
  EXPECT_EQ(Pos(s_), 50);
  EXPECT_NE(GetCapture(), s_);
  EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
  EXPECT_EQ(Codes(), std::vector<int>({9, 5, 5, 5, 4, 8}));
  std::vector<LONG> values;
  for (const Event& e : Events()) values.push_back(e.value);
  EXPECT_EQ(values, std::vector<LONG>({0, 65, 0, 50, 50, 0}));
  // Outside a drag the right button reaches the owner's menu.
  Mouse(WM_RBUTTONDOWN, P(grab), MK_RBUTTON);
  Mouse(WM_RBUTTONUP, P(grab), 0);
  EXPECT_EQ(Events().back().message, static_cast<UINT>(WM_CONTEXTMENU));

  // Escape puts the value at the press back before the closing codes.
  const int at = Thumb().Centre();
  Mouse(WM_LBUTTONDOWN, P(at));
  Mouse(WM_MOUSEMOVE, P(at + 20 * Up()));
  ASSERT_EQ(Pos(s_), 70);
  Clear();
  Send(WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(Codes(), std::vector<int>({4, 8}));
  for (const Event& e : Events()) EXPECT_EQ(e.position, 50);
  EXPECT_EQ(Events().front().value, 50);
  EXPECT_NE(GetCapture(), s_);
  // Cancel mode ends a drag where it is.
  Mouse(WM_LBUTTONDOWN, P(at));
  Mouse(WM_MOUSEMOVE, P(at + 20 * Up()));
  Clear();
  Send(WM_CANCELMODE, 0, 0);
  EXPECT_EQ(Codes(), std::vector<int>({4, 8}));
  EXPECT_EQ(Pos(s_), 70);
  EXPECT_NE(GetCapture(), s_);
}

TEST_P(SliderTest, FineDragMovesOneUnitPerTwoPixelsAndPutsThePointerBack) {
  Make();
  SetRange(0, 10000);  // far more values than pixels
  Send(SLM_SETPOS, 1, 5000);
  const int at = Thumb().Centre();
  State().answer = false;
  PointerTo(s_, P(at));
  Mouse(WM_LBUTTONDOWN, P(at));
  Mouse(WM_MOUSEMOVE, P(at + 5 * Up()), MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(Pos(s_), 5003);  // 2.5 units, away from zero
  Mouse(WM_MOUSEMOVE, P(at - Up()), MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(Pos(s_), 5002);
  Mouse(WM_MOUSEMOVE, P(at + 4 * Up()), MK_LBUTTON | MK_RBUTTON);  // the right button is fine mode too
  EXPECT_EQ(Pos(s_), 5004);
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(s_, &cursor);
  EXPECT_EQ(Vertical() ? cursor.y : cursor.x, at);  // back on the thumb, which has not moved a pixel
  Mouse(WM_LBUTTONUP, P(at), 0);
  EXPECT_EQ(Pos(s_), 5004);
  PointerAway();
}

TEST_P(SliderTest, HeldPagePressRepeatsWhileThePointerStaysOnItsSide) {
  Make();
  SetRange(0, 100);
  Send(SLM_SETPOS, 1, 80);
  const int thumb = Thumb().Centre();
  const POINT below = P(thumb - Up() * Travel() * 7 / 10);  // where about 10 is
  PointerTo(s_, below);
  Clear();
  Mouse(WM_LBUTTONDOWN, below);
  EXPECT_EQ(Codes(), std::vector<int>({9, Vertical() ? kSliderPageDown : kSliderPageUp}));
  EXPECT_EQ(Pos(s_), 70);
  Send(WM_TIMER, 42, 0);
  Send(WM_TIMER, 42, 0);
  EXPECT_EQ(Pos(s_), 50);
  // Past the thumb, or off the control: the ticks do nothing.
  for (const POINT p : {P(thumb + Up() * 10), P(Length() / 2, 40)}) {
    PointerTo(s_, p);
    Mouse(WM_MOUSEMOVE, p);
    Send(WM_TIMER, 42, 0);
    EXPECT_EQ(Pos(s_), 50);
  }
  // Back on the pressed side it pages on until the thumb is under the pointer.
  PointerTo(s_, below);
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
  const int pointer = Vertical() ? below.y : below.x;
  EXPECT_LE(std::min(now.first, now.last), pointer + 1);
  EXPECT_GE(std::max(now.first, now.last), pointer - 1);
  PointerAway();
}

TEST_P(SliderTest, DisabledSliderIgnoresInputAndControllerInputGoesToTheOwner) {
  Make();
  SetRange(0, 100);
  Send(SLM_SETPOS, 1, 30);
  const int at = Thumb().Centre();
  EnableWindow(s_, FALSE);
  Mouse(WM_LBUTTONDOWN, P(at));
  Mouse(WM_MOUSEMOVE, P(at + 40 * Up()));
  Mouse(WM_LBUTTONUP, P(at + 40 * Up()), 0);
  Mouse(WM_LBUTTONDBLCLK, P(at));
  Key(s_, VK_RIGHT);
  Send(WM_KEYDOWN, '7', 1);
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(Pos(s_), 30);

  Send(kControllerFirst, 7, 1234);
  Send(kControllerLast, 8, 99);
  const std::vector<Event> passed = Of(WM_NOTIFY);
  ASSERT_EQ(passed.size(), 2u);
  const auto* first = reinterpret_cast<const NMCONTROLLER*>(passed[0].notify);
  EXPECT_EQ(first->hdr.code, kControllerNotify);
  EXPECT_EQ(first->message, kControllerFirst);
  EXPECT_EQ(first->wParam, 7u);
  EXPECT_EQ(first->lParam, 1234);
  EXPECT_EQ(reinterpret_cast<const NMCONTROLLER*>(passed[1].notify)->message, kControllerLast);
}

// The owner hears of focus (trackbar), press and release when asked; a
// trackbar's caret covers its thumb inset by 2 pixels for tools that follow it.
TEST_P(SliderTest, OwnerNotificationsAndTheFocusCaret) {
  const bool fader = GetParam().fader;
  Make(fader ? kFaderOwnerNotify : kTrackbarOwnerNotify | kSliderFocusCaret);
  const Span thumb = Thumb();
  SetFocus(owner_);
  Clear();
  SetFocus(s_);
  Mouse(WM_LBUTTONDOWN, P(thumb.Centre()));
  Mouse(WM_LBUTTONUP, P(thumb.Centre()), 0);
  std::vector<int> commands;
  for (const Event& e : Of(WM_COMMAND)) commands.push_back(e.code);
  EXPECT_EQ(commands, fader ? std::vector<int>({3}) : std::vector<int>({1, 3, 4}));
  if (fader) return;
  POINT caret = {};
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_EQ(Vertical() ? caret.y : caret.x, std::min(thumb.first, thumb.last) + 2);
}

// The focus shows as a ring of the selection colour on the thumb and
// nothing else changes (a grey caret over it looked like a disabled
// control); a disabled slider shows none. The thumb's length scales with
// the screen's DPI.
TEST_P(SliderTest, FocusRingsTheThumbInTheSelectionColourOnly) {
  Make(kSliderFocusCaret);
  SetRange(-250, 250);
  const Span thumb = Thumb();
  EXPECT_EQ(std::abs(thumb.last - thumb.first) + 1, Scaled(GetParam().thumbLength));
  SetFocus(owner_);
  const COLORREF selection = GetSysColor(COLOR_HIGHLIGHT);
  const Painted plain = PrintClient(s_);
  SetFocus(s_);
  ASSERT_EQ(GetFocus(), s_);
  const Painted focused = PrintClient(s_);
  int ring = 0, other = 0;
  for (size_t i = 0; i < plain.pixels.size(); ++i) {
    EXPECT_NE(plain.pixels[i], selection);
    if (focused.pixels[i] == plain.pixels[i]) continue;
    (focused.pixels[i] == selection ? ring : other)++;
  }
  EXPECT_GE(ring, 4 * Scaled(GetParam().thumbLength));
  EXPECT_EQ(other, 0);
  EXPECT_TRUE(SaveWindowPng(s_, GetParam().fader ? "fader_focused" : "trackbar_focused"));
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
  HWND label = Create(L"STATIC", 0, {300, 20, 400, 40}, 101, L"&Threshold level");
  HWND shown = Create(L"STATIC", 0, {300, 50, 400, 70}, 102, L"-12.3 dB");
  SetPropW(s_, kLabelWindowProperty, label);
  SetPropW(s_, kValueWindowProperty, shown);
  ASSERT_TRUE(ReadAccessible(s_, &heard));
  EXPECT_EQ(heard.name, L"Threshold level");
  EXPECT_EQ(heard.value, L"-12.3 dB");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SliderTest, ::testing::ValuesIn(kKinds),
                         KindName);

// ---- what only one kind has -------------------------------------------------

class TrackbarTest : public SliderTest {};

TEST_P(TrackbarTest, OctaveTaperedDragCoversTheRangeInOrder) {
  Make(kSliderTapered | kSliderOctaveTaper);
  SetRange(20, 20000);
  Send(SLM_SETPOS, 1, 1000);
  const int at = Thumb().Centre();
  EXPECT_GT(Vertical() ? Length() - at : at, Length() / 2);  // 1 kHz is 5.6 of the 10 octaves up
  State().answer = false;
  Mouse(WM_LBUTTONDOWN, P(at));
  LONG last = Pos(s_);
  for (int step = 0; step < Length() / 3 + 2; ++step) {
    Mouse(WM_MOUSEMOVE, P(at + 3 * step * Up()));
    EXPECT_GE(Pos(s_), last);
    last = Pos(s_);
  }
  EXPECT_EQ(last, 20000);
  for (int step = 0; step < Length() / 3 + 2; ++step) {
    Mouse(WM_MOUSEMOVE, P(Vertical() ? 3 * step : Length() - 3 * step));
    EXPECT_LE(Pos(s_), last);
    last = Pos(s_);
  }
  EXPECT_EQ(last, 20);
  Mouse(WM_LBUTTONUP, P(0), 0);
}

TEST_P(TrackbarTest, PaintsTheOwnersBackgroundAndAnImageThumbOfItsLength) {
  HBRUSH red = CreateSolidBrush(RGB(200, 40, 40));
  State().dialogBrush = red;
  Make();
  EXPECT_EQ(PrintClient(s_).At(1, 1), RGB(200, 40, 40));
  State().dialogBrush = nullptr;
  DeleteObject(red);

  const int before = Travel();
  HIMAGELIST lists[3] = {};
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -20, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const std::vector<DWORD> bits(40 * 20, 0x00A000);  // two images: horizontal controls draw the second
  HDC screen = GetDC(nullptr);
  HBITMAP strip = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (HIMAGELIST& list : lists) {
    list = ImageList_Create(20, 20, ILC_COLOR24, 2, 0);
    ImageList_Add(list, strip, nullptr);
  }
  const int sizes[4] = {0, 20, 20, 0};  // along the travel: the second value vertical, the third horizontal
  Send(SLM_SETTHUMBIMAGES, reinterpret_cast<WPARAM>(lists), reinterpret_cast<LPARAM>(sizes));
  EXPECT_EQ(Travel(), before - (20 - Scaled(12)));
  SetRange(0, 100);
  Send(SLM_SETPOS, 1, 50);
  const Span thumb = Thumb();
  EXPECT_EQ(std::abs(thumb.last - thumb.first) + 1, 20);
  const POINT centre = P(thumb.Centre());
  EXPECT_EQ(PrintClient(s_).At(centre.x, centre.y), RGB(0, 160, 0));
  EXPECT_TRUE(SaveWindowPng(s_, Vertical() ? "trackbar_image_thumb_vertical" : "trackbar_image_thumb"));
  DestroyWindow(s_);
  for (HIMAGELIST list : lists) ImageList_Destroy(list);
  DeleteObject(strip);
}

// Flags set by message answer -1 when set and 0 when cleared; stored values
// read back.
TEST_P(TrackbarTest, FlagAndValueMessagesReadBack) {
  Make();
  for (UINT set : {SLM_SETVALUEBAR, SLM_SETHIDETICKS}) {
    EXPECT_EQ(Send(set, 1, 1), -1);
    EXPECT_EQ(Send(set, 0, 0), 0);
  }
  EXPECT_EQ(Send(SLM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(GetSysColor(COLOR_BTNFACE)));
  Send(SLM_SETBKCOLOR, 0, RGB(10, 20, 30));
  EXPECT_EQ(Send(SLM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(RGB(10, 20, 30)));
  Send(SLM_SETCALLBACKDATA, 0, 77);
  EXPECT_EQ(Send(SLM_GETCALLBACKDATA, 0, 0), 77);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TrackbarTest, ::testing::ValuesIn(kKinds, kKinds + 2),
                         KindName);

class FaderTest : public SliderTest {
 protected:
  LONG Value(int n) { return static_cast<LONG>(Send(SLM_GETPOSEX, MAKEWPARAM(0, n), 0)); }
  void SetThumbs(LONG first, LONG second) {
    const LONG both[2] = {first, second};
    Send(SLM_SETPOSEX, MAKEWPARAM(1, 0), reinterpret_cast<LPARAM>(both));
  }
  std::vector<Event> Thumbs() {
    std::vector<Event> out;
    for (const Event& e : Of(WM_NOTIFY))
      if (e.mask) out.push_back(e);
    return out;
  }
};

TEST_P(FaderTest, TwoThumbsStepTogetherOrAsTheLettersChoose) {
  Make(kFaderTwoThumbs);
  SetRange(-800, 0);
  SetThumbs(-300, -500);
  LONG both[2] = {};
  Send(SLM_GETPOSEX, 0, reinterpret_cast<LPARAM>(both));
  EXPECT_EQ(both[0], -300);
  EXPECT_EQ(both[1], -500);
  EXPECT_EQ(Pos(s_), -300);
  const struct {
    UINT letter;  // 0: none, else chosen first
    UINT key;
    LONG first, second;
    UINT mask;
  } cases[] = {{0, VK_UP, -299, -499, 3},          // both at first; the control steps them itself
               {'L', VK_PRIOR, -219, -499, 1},     // page (800 + 5) / 10
               {'R', VK_DOWN, -219, -500, 2},
               {'S', '5', -400, -400, 3}};
  for (const auto& c : cases) {
    if (c.letter) Key(s_, c.letter);
    Clear();
    Send(WM_KEYDOWN, c.key, 1);
    EXPECT_EQ(Value(1), c.first);
    EXPECT_EQ(Value(2), c.second);
    EXPECT_TRUE(Of(WM_VSCROLL).empty());  // two thumbs notify, they do not scroll
    ASSERT_EQ(Thumbs().size(), 1u);
    EXPECT_EQ(Thumbs()[0].mask, c.mask);
    EXPECT_EQ(Thumbs()[0].thumbs[0], c.first);
    EXPECT_EQ(Thumbs()[0].thumbs[1], c.second);
  }
  // The active set can also be given by message; 0 means the first thumb.
  Send(SLM_SETACTIVETHUMBS, 2, 0);
  Key(s_, VK_UP);
  EXPECT_EQ(Value(1), -400);
  EXPECT_EQ(Value(2), -399);
  Send(SLM_SETACTIVETHUMBS, 0, 0);
  Key(s_, VK_UP);
  EXPECT_EQ(Value(1), -399);
}

// The cap's outer parts move one thumb, its middle both; the cursor says
// which, and a double-click links the other thumb to the part's or resets.
TEST_P(FaderTest, EachPartOfTheCapMovesItsThumbs) {
  Make(kFaderTwoThumbs);
  SetRange(0, Travel());  // one value per pixel
  Send(SLM_SETDEFAULT, 0, 100);
  HMODULE module = module_.Handle();
  const struct {
    int eighths;
    HCURSOR cursor;
    LONG dragged[2];  // from 40, 40 after a drag 10 pixels up
    LONG linked[2];   // after a double-click from 60, 20
  } cases[] = {{1, LoadCursorW(module, MAKEINTRESOURCEW(27)), {50, 40}, {60, 60}},
               {7, LoadCursorW(module, MAKEINTRESOURCEW(28)), {40, 50}, {20, 20}},
               {4, LoadCursorW(nullptr, IDC_ARROW), {50, 50}, {100, 100}}};
  for (const auto& c : cases) {
    SetThumbs(40, 40);
    const int y = Thumb(c.eighths).Centre();
    PointerTo(s_, P(y, c.eighths));
    EXPECT_TRUE(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(s_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), c.cursor) << c.eighths;
    Clear();
    Mouse(WM_LBUTTONDOWN, P(y, c.eighths));
    Mouse(WM_MOUSEMOVE, P(y - 10, c.eighths));
    Mouse(WM_LBUTTONUP, P(y - 10, c.eighths), 0);
    EXPECT_EQ(Value(1), c.dragged[0]) << c.eighths;
    EXPECT_EQ(Value(2), c.dragged[1]) << c.eighths;
    EXPECT_EQ(Codes(), std::vector<int>({9, 5, 4, 8}));
    // Escape puts both back.
    Mouse(WM_LBUTTONDOWN, P(y - 10, c.eighths));
    Mouse(WM_MOUSEMOVE, P(y - 30, c.eighths));
    Send(WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(Value(1), c.dragged[0]);
    EXPECT_EQ(Value(2), c.dragged[1]);

    SetThumbs(60, 20);
    Clear();
    const int at = Thumb(c.eighths).Centre();
    Mouse(WM_LBUTTONDBLCLK, P(at, c.eighths));
    EXPECT_EQ(Value(1), c.linked[0]) << c.eighths;
    EXPECT_EQ(Value(2), c.linked[1]) << c.eighths;
    ASSERT_EQ(Thumbs().size(), 1u);
    EXPECT_EQ(Thumbs()[0].code, kSliderThumbPosition);
    EXPECT_EQ(Thumbs()[0].mask, 3u);
  }
  PointerAway();
}

TEST_P(FaderTest, SetupRecordReplacesRangeStyleAndPositions) {
  Make();
  FaderSetup setup = {};
  setup.minimum = -600;
  setup.maximum = 60;
  setup.defaultValue = 500;  // clamped
  setup.pageStep = 30;
  setup.style = setup.styleMask = kFaderTwoThumbs;
  setup.positions[0] = -10;
  setup.positions[1] = -900;  // clamped
  Send(SLM_SETUP, 0, reinterpret_cast<LPARAM>(&setup));
  EXPECT_EQ(Send(SLM_GETMIN, 0, 0), -600);
  EXPECT_EQ(Send(SLM_GETMAX, 0, 0), 60);
  EXPECT_EQ(Value(1), -10);
  EXPECT_EQ(Value(2), -600);
  Key(s_, VK_PRIOR);  // two thumbs now, stepped by the given page
  EXPECT_EQ(Value(1), 20);
  EXPECT_EQ(Value(2), -570);
  Mouse(WM_LBUTTONDBLCLK, P(Thumb().Centre()));
  EXPECT_EQ(Value(1), 60);
  EXPECT_EQ(Value(2), 60);
  for (const auto& [set, get] : {std::pair<UINT, UINT>{SLM_SETNOREPAINT, SLM_GETNOREPAINT},
                                 {SLM_SETOWNERNOTIFY, SLM_GETOWNERNOTIFY}}) {
    EXPECT_EQ(Send(set, 0, 1), -1);
    EXPECT_EQ(Send(get, 0, 0), -1);
    EXPECT_EQ(Send(set, 0, 0), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, FaderTest, ::testing::Values(kKinds[2]),
                         KindName);

}  // namespace

// The trackbar driven as a user drives it: clicks, drags, keys and the wheel
// at computed pixel positions, with an owner that answers like a page.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "tests/win/slider_owner.h"

using namespace slider_test;
using orlofx::SLM_GETTRAVEL;
using orlofx::SLM_SETDEFAULT;
using orlofx::SLM_SETPOS;

namespace {

constexpr DWORD kHorizontal = 0;
constexpr DWORD kVertical = orlofx::kSliderVertical;

struct Geometry {
  int start;
  int travel;
};

Geometry GeometryOf(HWND control) {
  const LRESULT g = SendMessageW(control, SLM_GETTRAVEL, 0, 0);
  return {static_cast<int>(g >> 16), static_cast<int>(g & 0xFFFF)};
}

// Pixel of a value's thumb centre along the travel (linear controls).
int Centre(HWND control, LONG value, bool vertical) {
  const Geometry g = GeometryOf(control);
  const LONG minimum = static_cast<LONG>(SendMessageW(control, orlofx::SLM_GETMIN, 0, 0));
  const LONG maximum = static_cast<LONG>(SendMessageW(control, orlofx::SLM_GETMAX, 0, 0));
  const int p = static_cast<int>(static_cast<long long>(value - minimum) * g.travel / (maximum - minimum));
  return vertical ? g.start + g.travel + 1 - p : g.start + 1 + p;
}

class TrackbarTest : public OwnerFixture {
 protected:
  HWND Trackbar(DWORD style, int w = 212, int h = 24) {
    return Create(orlofx::kTrackbarClassName, style, 20, 20, w, h);
  }
};

TEST_F(TrackbarTest, RangeChangesChooseTheDefaultAndDoubleClickRestoresIt) {
  HWND t = Trackbar(kHorizontal);
  const int y = 12;
  // -800..0 (a level with a floor): the default is the floor.
  SetRange(t, -800, 0);
  SendMessageW(t, SLM_SETPOS, 1, -300);
  SendMessageW(t, WM_LBUTTONDBLCLK, MK_LBUTTON, At(Centre(t, -300, false), y));
  EXPECT_EQ(Pos(t), -800);
  ASSERT_EQ(Codes(), std::vector<int>({4}));
  EXPECT_EQ(State().events.back().value, -800);

  // The page's default comes last and wins.
  EXPECT_EQ(SendMessageW(t, SLM_SETDEFAULT, 0, -100), -100);
  Clear();
  SendMessageW(t, WM_LBUTTONDBLCLK, MK_LBUTTON, At(Centre(t, -800, false), y));
  EXPECT_EQ(Pos(t), -100);
  EXPECT_EQ(State().events.back().value, -100);

  // A range across 0 defaults to 0, one above 0 to its middle.
  SetRange(t, -250, 250);
  SendMessageW(t, WM_LBUTTONDBLCLK, MK_LBUTTON, At(Centre(t, Pos(t), false), y));
  EXPECT_EQ(Pos(t), 0);
  SetRange(t, 10, 30);
  SendMessageW(t, WM_LBUTTONDBLCLK, MK_LBUTTON, At(Centre(t, Pos(t), false), y));
  EXPECT_EQ(Pos(t), 20);
  // The default is clamped to the range, as positions are.
  EXPECT_EQ(SendMessageW(t, SLM_SETDEFAULT, 0, 99), 30);
  EXPECT_EQ(SendMessageW(t, SLM_SETPOS, 1, -5), 10);
  EXPECT_EQ(Pos(t), 10);
  EXPECT_TRUE(SaveWindowPng(t, "trackbar_plain"));
}

TEST_F(TrackbarTest, DigitKeysJumpToTenthsOfTheRange) {
  HWND t = Trackbar(kHorizontal);
  SetRange(t, 1, 500);
  SendMessageW(t, WM_KEYDOWN, '5', 1);
  EXPECT_EQ(Pos(t), 250);  // 1 + 499 * 5 / 10 in integers
  ASSERT_EQ(Codes(), std::vector<int>({4}));
  EXPECT_EQ(State().events.back().value, 250);
  SendMessageW(t, WM_KEYDOWN, '0', 1);
  EXPECT_EQ(Pos(t), 1);
  SendMessageW(t, WM_KEYDOWN, '9', 1);
  EXPECT_EQ(Pos(t), 450);

  // The keypad's digits and Clear are ignored; other keys go to the owner.
  Clear();
  SendMessageW(t, WM_KEYDOWN, VK_NUMPAD5, 1);
  SendMessageW(t, WM_KEYDOWN, VK_CLEAR, 1);
  EXPECT_TRUE(State().events.empty());
  EXPECT_EQ(Pos(t), 450);
  SendMessageW(t, WM_KEYDOWN, 'A', 3);
  ASSERT_EQ(State().events.size(), 1u);
  EXPECT_EQ(State().events[0].code, static_cast<int>(orlofx::kSliderKeyNotify));
  EXPECT_EQ(State().events[0].key, static_cast<UINT>('A'));
  EXPECT_EQ(State().events[0].repeat, 3u);
}

TEST_F(TrackbarTest, NavigationKeysSendTheirCodesAndEndScrollOnRelease) {
  struct Case {
    UINT key;
    int horizontal;
    int vertical;
  };
  const Case cases[] = {{VK_LEFT, 0, 0},  {VK_F3, 0, 0},    {VK_RIGHT, 1, 1}, {VK_F9, 1, 1},
                        {VK_UP, 1, 0},    {VK_DOWN, 0, 1},  {VK_PRIOR, 3, 2}, {VK_NEXT, 2, 3},
                        {VK_HOME, 6, 6},  {VK_END, 7, 7}};
  HWND h = Trackbar(kHorizontal);
  HWND v = Create(orlofx::kTrackbarClassName, kVertical, 260, 20, 24, 200, 101);
  for (const Case& c : cases) {
    for (HWND control : {h, v}) {
      Clear();
      Key(control, c.key);
      const int expected = control == h ? c.horizontal : c.vertical;
      EXPECT_EQ(Codes(), std::vector<int>({expected, 8})) << "key " << c.key;
    }
  }
  // The owner's arithmetic turns them into values: vertical Home is the top.
  SetRange(v, 0, 100);
  Key(v, VK_HOME);
  EXPECT_EQ(Pos(v), 100);
  Key(v, VK_DOWN);
  EXPECT_EQ(Pos(v), 99);
  Key(h, VK_HOME);
  EXPECT_EQ(Pos(h), 0);
  Key(h, VK_UP);
  EXPECT_EQ(Pos(h), 1);
}

TEST_F(TrackbarTest, CtrlPageUpMovesByTenPages) {
  HWND t = Trackbar(kHorizontal);
  SetRange(t, 1, 5000);
  State().page = 100;
  SendMessageW(t, SLM_SETPOS, 1, 2000);
  Key(t, VK_PRIOR);
  EXPECT_EQ(Pos(t), 2100);
  SetCtrl(true);
  Key(t, VK_PRIOR);
  EXPECT_EQ(Pos(t), 3100);
  Key(t, VK_NEXT);
  EXPECT_EQ(Pos(t), 2100);
}

TEST_F(TrackbarTest, WheelStepsByNotchesAndAlwaysEndsScroll) {
  HWND t = Trackbar(kHorizontal);
  SetRange(t, 0, 100);
  SendMessageW(t, SLM_SETPOS, 1, 50);
  SendMessageW(t, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0);
  EXPECT_EQ(Codes(), std::vector<int>({8}));
  EXPECT_EQ(Pos(t), 50);
  SendMessageW(t, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-119)), 0);
  EXPECT_EQ(Codes(), std::vector<int>({8, 8}));

  // Away from the user: more. Two notches, two pages.
  Clear();
  SendMessageW(t, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0);
  EXPECT_EQ(Codes(), std::vector<int>({3, 3, 8}));
  EXPECT_EQ(Pos(t), 70);
  // With Ctrl, lines; toward the user, less.
  Clear();
  SendMessageW(t, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-360)), 0);
  EXPECT_EQ(Codes(), std::vector<int>({0, 0, 0, 8}));
  EXPECT_EQ(Pos(t), 67);

  HWND v = Create(orlofx::kTrackbarClassName, kVertical, 260, 20, 24, 200, 101);
  SendMessageW(v, SLM_SETPOS, 1, 50);
  Clear();
  SendMessageW(v, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(Codes(), std::vector<int>({2, 8}));
  EXPECT_EQ(Pos(v), 60);
}

TEST_F(TrackbarTest, DragFollowsThePointerAndReportsTrackThenPosition) {
  HWND t = Trackbar(kHorizontal);
  // One value per pixel, so positions can be read straight off the pointer.
  const Geometry g = GeometryOf(t);
  ASSERT_GT(g.travel, 100);
  SetRange(t, 0, g.travel);
  SendMessageW(t, SLM_SETPOS, 1, 40);
  State().answer = false;
  const int x = Centre(t, 40, false);
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(x + 3, 12));  // grabbed off-centre
  EXPECT_EQ(GetCapture(), t);
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(x + 3 + 25, 12));
  EXPECT_EQ(Pos(t), 65);
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(x + 3 + 25, 40));  // off the control: only along counts
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(-50, 12));
  EXPECT_EQ(Pos(t), 0);
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(x + 3 + 10, 12));
  SendMessageW(t, WM_LBUTTONUP, 0, At(x + 3 + 10, 12));
  EXPECT_EQ(Pos(t), 50);
  EXPECT_NE(GetCapture(), t);
  EXPECT_EQ(Codes(), std::vector<int>({9, 5, 5, 5, 4, 8}));
  const std::vector<Event>& e = State().events;
  EXPECT_EQ(e[1].value, 65);
  EXPECT_EQ(e[2].value, 0);
  EXPECT_EQ(e[3].value, 50);
  EXPECT_EQ(e[4].value, 50);
}

TEST_F(TrackbarTest, FineDragMovesOneUnitPerTwoPixels) {
  HWND t = Trackbar(kHorizontal);
  SetRange(t, 0, 10000);  // far more values than pixels
  SendMessageW(t, SLM_SETPOS, 1, 5000);
  State().answer = false;
  const int x = Centre(t, 5000, false);
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(x, 12));
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, At(x + 5, 12));
  EXPECT_EQ(Pos(t), 5003);  // 5 pixels: 2.5 units, away from zero
  // The pointer was put back onto the thumb, so the next move counts from there.
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, At(x - 1, 12));
  EXPECT_EQ(Pos(t), 5002);
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, At(x + 4, 12));
  EXPECT_EQ(Pos(t), 5004);
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(t, &cursor);
  EXPECT_EQ(cursor.x, x);  // back on the thumb, which has not moved a pixel
  // The right button during the drag is only a modifier: no context menu.
  SendMessageW(t, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, At(x, 12));
  SendMessageW(t, WM_RBUTTONUP, MK_LBUTTON, At(x, 12));
  SendMessageW(t, WM_LBUTTONUP, 0, At(x, 12));
  for (const Event& e : State().events) EXPECT_NE(e.message, static_cast<UINT>(WM_CONTEXTMENU));
  EXPECT_EQ(Pos(t), 5004);
}

TEST_F(TrackbarTest, EscapeRestoresThePreDragValueBeforeTheClosingCodes) {
  HWND t = Trackbar(kHorizontal);
  SetRange(t, 0, 100);
  SendMessageW(t, SLM_SETPOS, 1, 30);
  const int x = Centre(t, 30, false);
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(x, 12));
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(x + 60, 12));
  ASSERT_GT(Pos(t), 50);
  Clear();
  EXPECT_EQ(SendMessageW(t, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
  SendMessageW(t, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(Pos(t), 30);
  EXPECT_NE(GetCapture(), t);
  ASSERT_EQ(Codes(), std::vector<int>({4, 8}));
  for (const Event& e : State().events) EXPECT_EQ(e.position, 30);
  EXPECT_EQ(State().events[0].value, 30);
  EXPECT_EQ(SendMessageW(t, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);

  // Cancel mode ends a drag where it is.
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(x, 12));
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(x + 20, 12));
  const LONG dragged = Pos(t);
  Clear();
  SendMessageW(t, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(Codes(), std::vector<int>({4, 8}));
  EXPECT_EQ(Pos(t), dragged);
  EXPECT_NE(GetCapture(), t);
}

TEST_F(TrackbarTest, HeldPagePressRepeatsOnlyWhileThePointerStaysOnItsSide) {
  HWND t = Trackbar(kHorizontal);
  SetRange(t, 0, 100);
  SendMessageW(t, SLM_SETPOS, 1, 80);
  const int left = Centre(t, 10, false) - 8;  // left of where the thumb can get to for a while
  PointerTo(t, left, 12);
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(left, 12));
  EXPECT_EQ(Codes(), std::vector<int>({9, 2}));
  EXPECT_EQ(Pos(t), 70);
  // The repeat timer runs; each tick pages again.
  SendMessageW(t, WM_TIMER, 42, 0);
  SendMessageW(t, WM_TIMER, 42, 0);
  EXPECT_EQ(Pos(t), 50);

  // Pointer over the other side of the thumb: ticks do nothing.
  const int right = Centre(t, 50, false) + 30;
  PointerTo(t, right, 12);
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(right, 12));
  SendMessageW(t, WM_TIMER, 42, 0);
  SendMessageW(t, WM_TIMER, 42, 0);
  EXPECT_EQ(Pos(t), 50);
  // Off the control altogether: nothing either.
  PointerTo(t, left, 80);
  SendMessageW(t, WM_TIMER, 42, 0);
  EXPECT_EQ(Pos(t), 50);
  // Back on the pressed side it resumes, until the thumb reaches the pointer.
  PointerTo(t, left, 12);
  for (int i = 0; i < 10; ++i) SendMessageW(t, WM_TIMER, 42, 0);
  const LONG reached = Pos(t);
  EXPECT_LT(reached, 50);
  EXPECT_LE(Centre(t, reached, false) - 6, left);  // the thumb got under or past the pointer
  SendMessageW(t, WM_TIMER, 42, 0);
  EXPECT_EQ(Pos(t), reached);
  SendMessageW(t, WM_LBUTTONUP, 0, At(left, 12));
  const std::vector<int> codes = Codes();
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.back(), 8);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 4), 0);  // no thumb position for a page press
  // The timer is gone with the release.
  EXPECT_FALSE(KillTimer(t, 42));
}

TEST_F(TrackbarTest, OwnerNotificationStyleReportsFocusPressAndRelease) {
  HWND t = Trackbar(orlofx::kTrackbarOwnerNotify | orlofx::kSliderFocusCaret);
  SetRange(t, 0, 100);
  SetFocus(t);
  ASSERT_EQ(GetFocus(), t);
  POINT caret = {};
  ASSERT_TRUE(GetCaretPos(&caret));
  // The caret (hidden: the thumb shows the focus) covers the thumb inset by
  // 2 pixels, for tools that follow it.
  EXPECT_EQ(caret.x, Centre(t, Pos(t), false) - 6 + 2);
  const int x = Centre(t, Pos(t), false);
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(x, 12));
  SendMessageW(t, WM_LBUTTONUP, 0, At(x, 12));
  std::vector<int> commands;
  for (const Event& e : State().events) {
    if (e.message == WM_COMMAND) commands.push_back(e.code);
  }
  EXPECT_EQ(commands, std::vector<int>({1, 3, 4}));
}

TEST_F(TrackbarTest, DisabledTrackbarIgnoresInput) {
  HWND t = Trackbar(orlofx::kSliderTicks);
  SetRange(t, 0, 100);
  SendMessageW(t, SLM_SETPOS, 1, 30);
  EnableWindow(t, FALSE);
  const int x = Centre(t, 30, false);
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(x, 12));
  SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(x + 40, 12));
  SendMessageW(t, WM_LBUTTONUP, 0, At(x + 40, 12));
  Key(t, VK_RIGHT);
  SendMessageW(t, WM_KEYDOWN, '7', 1);
  SendMessageW(t, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_TRUE(State().events.empty());
  EXPECT_EQ(Pos(t), 30);
  EXPECT_TRUE(SaveWindowPng(t, "trackbar_disabled"));
}

TEST_F(TrackbarTest, ControllerInputIsPassedToTheOwner) {
  HWND t = Trackbar(kHorizontal);
  SendMessageW(t, 32522, 7, 1234);
  SendMessageW(t, 32526, 8, 99);
  ASSERT_EQ(State().events.size(), 2u);
  EXPECT_EQ(State().events[0].code, static_cast<int>(orlofx::kControllerNotify));
  EXPECT_EQ(State().events[0].passed, 32522u);
  EXPECT_EQ(State().events[0].wParam, 7u);
  EXPECT_EQ(State().events[0].lParam, 1234);
  EXPECT_EQ(State().events[1].passed, 32526u);
}

TEST_F(TrackbarTest, TaperedDragCoversTheRangeInOrder) {
  HWND t = Trackbar(orlofx::kSliderTapered | orlofx::kSliderOctaveTaper);
  SetRange(t, 20, 20000);
  State().answer = false;
  SendMessageW(t, SLM_SETPOS, 1, 1000);
  const Geometry g = GeometryOf(t);
  // Find the thumb by pressing along the control until a drag starts.
  int x = -1;
  for (int probe = 0; probe < 212 && x < 0; ++probe) {
    Clear();
    SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(probe, 12));
    const std::vector<int> codes = Codes();
    SendMessageW(t, WM_LBUTTONUP, 0, At(probe, 12));
    SendMessageW(t, SLM_SETPOS, 1, 1000);
    if (codes == std::vector<int>({9})) x = probe + 6;  // left edge found: the centre is 6 further
  }
  ASSERT_GT(x, 0);
  // 1 kHz sits well past the middle of 20 Hz..20 kHz in octaves (5.6 of 10).
  EXPECT_GT(x - g.start, g.travel / 2);
  SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, At(x, 12));
  LONG last = Pos(t);
  for (int px = x; px < 212; px += 3) {
    SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(px, 12));
    EXPECT_GE(Pos(t), last);
    last = Pos(t);
  }
  EXPECT_EQ(last, 20000);
  for (int px = 211; px >= -5; px -= 3) {
    SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, At(px, 12));
    EXPECT_LE(Pos(t), last);
    last = Pos(t);
  }
  EXPECT_EQ(last, 20);
  SendMessageW(t, WM_LBUTTONUP, 0, At(0, 12));
}

// The control's own painting, read back.
COLORREF PaintedPixel(HWND control, int x, int y) { return PrintClient(control).At(x, y); }

TEST_F(TrackbarTest, BackgroundComesFromTheOwnersDialogBrush) {
  HBRUSH brush = CreateSolidBrush(RGB(200, 40, 40));
  State().dialogBrush = brush;
  HWND t = Trackbar(kHorizontal, 212, 40);
  EXPECT_EQ(PaintedPixel(t, 1, 1), RGB(200, 40, 40));
  EXPECT_TRUE(SaveWindowPng(t, "trackbar_owner_brush"));
  DestroyWindow(t);
  State().dialogBrush = nullptr;
  DeleteObject(brush);
}

TEST_F(TrackbarTest, ImageListThumbSetsTheThumbLengthAndIsDrawn) {
  HWND t = Trackbar(kHorizontal);
  const Geometry before = GeometryOf(t);
  HIMAGELIST lists[3] = {};
  for (HIMAGELIST& list : lists) list = ImageList_Create(20, 18, ILC_COLOR24, 2, 0);
  HDC screen = GetDC(t);
  HBITMAP strip = CreateCompatibleBitmap(screen, 40, 18);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, strip);
  RECT all = {0, 0, 40, 18};
  HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
  FillRect(dc, &all, green);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(t, screen);
  for (HIMAGELIST list : lists) ImageList_Add(list, strip, nullptr);
  // Horizontal: the third size value is the length along the travel.
  const int sizes[4] = {0, 18, 20, 0};
  SendMessageW(t, orlofx::SLM_SETTHUMBIMAGES, reinterpret_cast<WPARAM>(lists), reinterpret_cast<LPARAM>(sizes));
  const Geometry after = GeometryOf(t);
  EXPECT_EQ(after.travel, before.travel - (20 - 12));
  SetRange(t, 0, 100);
  SendMessageW(t, SLM_SETPOS, 1, 50);
  EXPECT_EQ(PaintedPixel(t, Centre(t, 50, false), 12), RGB(0, 160, 0));
  EXPECT_TRUE(SaveWindowPng(t, "trackbar_image_thumb"));
  DestroyWindow(t);
  for (HIMAGELIST list : lists) ImageList_Destroy(list);
  DeleteObject(strip);
  DeleteObject(green);
}

TEST_F(TrackbarTest, DisplayFlagsReportTheirState) {
  HWND t = Trackbar(orlofx::kSliderTicks);
  EXPECT_EQ(SendMessageW(t, orlofx::SLM_SETVALUEBAR, 1, 1), -1);
  EXPECT_EQ(SendMessageW(t, orlofx::SLM_SETVALUEBAR, 0, 0), 0);
  EXPECT_EQ(SendMessageW(t, orlofx::SLM_SETHIDETICKS, 1, 3), -1);
  EXPECT_EQ(SendMessageW(t, orlofx::SLM_SETHIDETICKS, 1, 2), 0);
}

}  // namespace

// The fader, one and two thumbs, driven as a user drives it.
#include <cstdint>
#include <vector>

#include "tests/win/slider_owner.h"

using namespace slider_test;
using orlofx::SLM_GETPOSEX;
using orlofx::SLM_SETDEFAULT;
using orlofx::SLM_SETPOSEX;

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 220;
// The cap is 44 pixels wide, centred: a two-thumb fader's left thumb owns
// x 2..23, the right one 24..45; the outer thirds move one thumb only.
constexpr int kLeftPartX = 6;
constexpr int kCommonX = 22;
constexpr int kRightPartX = 42;

int CentreY(HWND fader, LONG value) {
  const LRESULT g = SendMessageW(fader, orlofx::SLM_GETTRAVEL, 0, 0);
  const int start = static_cast<int>(g >> 16), travel = static_cast<int>(g & 0xFFFF);
  const LONG minimum = static_cast<LONG>(SendMessageW(fader, orlofx::SLM_GETMIN, 0, 0));
  const LONG maximum = static_cast<LONG>(SendMessageW(fader, orlofx::SLM_GETMAX, 0, 0));
  const int p = static_cast<int>(static_cast<long long>(value - minimum) * travel / (maximum - minimum));
  return start + travel + 1 - p;
}

int Travel(HWND fader) { return static_cast<int>(SendMessageW(fader, orlofx::SLM_GETTRAVEL, 0, 0) & 0xFFFF); }

LONG Thumb(HWND fader, int thumb) {
  return static_cast<LONG>(SendMessageW(fader, SLM_GETPOSEX, MAKEWPARAM(0, thumb), 0));
}

void SetThumbs(HWND fader, LONG first, LONG second) {
  const LONG both[2] = {first, second};
  SendMessageW(fader, SLM_SETPOSEX, MAKEWPARAM(1, 0), reinterpret_cast<LPARAM>(both));
}

// The two-thumb notifications since the last Clear.
std::vector<Event> ThumbEvents() {
  std::vector<Event> events;
  for (const Event& e : State().events) {
    if (e.message == WM_NOTIFY && e.code == static_cast<int>(orlofx::kFaderThumbsNotify)) events.push_back(e);
  }
  return events;
}

class FaderTest : public OwnerFixture {
 protected:
  HWND Fader(DWORD style = 0, int x = 20) {
    return Create(orlofx::kFaderClassName, orlofx::kSliderVertical | style, x, 20, kWidth, kHeight);
  }
};

TEST_F(FaderTest, FloorRangeDefaultsToTheFloorUntilThePageSetsOne) {
  HWND f = Fader();
  SetRange(f, -800, 0);
  SendMessageW(f, orlofx::SLM_SETPOS, 1, -300);
  SendMessageW(f, WM_LBUTTONDBLCLK, MK_LBUTTON, At(kCommonX, CentreY(f, -300)));
  EXPECT_EQ(Pos(f), -800);
  ASSERT_EQ(Codes(), std::vector<int>({4}));
  EXPECT_EQ(State().events.back().value, -800);
  SendMessageW(f, SLM_SETDEFAULT, 0, -100);
  SendMessageW(f, WM_LBUTTONDBLCLK, MK_LBUTTON, At(kCommonX, CentreY(f, -800)));
  EXPECT_EQ(Pos(f), -100);
  // A double-click beside the cap is a page press, not a reset.
  Clear();
  SendMessageW(f, WM_LBUTTONDBLCLK, MK_LBUTTON, At(kCommonX, 2));
  SendMessageW(f, WM_LBUTTONUP, 0, At(kCommonX, 2));
  EXPECT_EQ(Codes(), std::vector<int>({9, 2, 8}));
  EXPECT_EQ(Pos(f), -20);  // up by the automatic page, 80
}

TEST_F(FaderTest, KeysStepUpwardAndHomeGoesToZeroOnARangeAcrossIt) {
  HWND f = Fader();
  SetRange(f, -250, 250);
  SendMessageW(f, orlofx::SLM_SETPOS, 1, 100);
  Key(f, VK_HOME);
  EXPECT_EQ(Pos(f), 0);
  SetCtrl(true);
  Key(f, VK_HOME);
  EXPECT_EQ(Pos(f), 250);
  SetCtrl(false);
  Key(f, VK_END);
  EXPECT_EQ(Pos(f), -250);
  Key(f, VK_UP);
  EXPECT_EQ(Pos(f), -249);
  Key(f, VK_PRIOR);
  EXPECT_EQ(Pos(f), -199);  // page (500 + 5) / 10

  const struct {
    UINT key;
    int code;
  } keys[] = {{VK_UP, 0},    {VK_RIGHT, 0}, {VK_F9, 0},   {VK_DOWN, 1}, {VK_LEFT, 1},
              {VK_F3, 1},    {VK_PRIOR, 2}, {VK_NEXT, 3}, {VK_HOME, 6}, {VK_END, 7}};
  for (const auto& k : keys) {
    Clear();
    Key(f, k.key);
    EXPECT_EQ(Codes(), std::vector<int>({k.code, 8})) << "key " << k.key;
  }
  // The wheel turned away from the user raises the fader by a page.
  SendMessageW(f, orlofx::SLM_SETPOS, 1, 0);
  Clear();
  SendMessageW(f, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(Codes(), std::vector<int>({2, 8}));
  EXPECT_EQ(Pos(f), 50);
}

TEST_F(FaderTest, DragUpRaisesAndEscapeRestores) {
  HWND f = Fader();
  SetRange(f, 0, Travel(f));  // one value per pixel
  SendMessageW(f, orlofx::SLM_SETPOS, 1, 40);
  State().answer = false;
  const int y = CentreY(f, 40);
  SendMessageW(f, WM_LBUTTONDOWN, MK_LBUTTON, At(kCommonX, y));
  SendMessageW(f, WM_MOUSEMOVE, MK_LBUTTON, At(kCommonX, y - 25));
  EXPECT_EQ(Pos(f), 65);
  SendMessageW(f, WM_MOUSEMOVE, MK_LBUTTON, At(kCommonX, y + 500));
  EXPECT_EQ(Pos(f), 0);
  // A right press during the drag opens no menu...
  SendMessageW(f, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, At(kCommonX, y));
  SendMessageW(f, WM_RBUTTONUP, MK_LBUTTON, At(kCommonX, y));
  SendMessageW(f, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(Pos(f), 40);
  EXPECT_EQ(Codes(), std::vector<int>({9, 5, 5, 4, 8}));
  EXPECT_EQ(State().events.back().position, 40);
  for (const Event& e : State().events) EXPECT_NE(e.message, static_cast<UINT>(WM_CONTEXTMENU));
  // ...while outside a drag the right button reaches the page's menu.
  SendMessageW(f, WM_RBUTTONDOWN, MK_RBUTTON, At(kCommonX, y));
  SendMessageW(f, WM_RBUTTONUP, 0, At(kCommonX, y));
  EXPECT_EQ(State().events.back().message, static_cast<UINT>(WM_CONTEXTMENU));
}

TEST_F(FaderTest, TwoThumbsMoveByLetterChosenSides) {
  HWND f = Fader(orlofx::kFaderTwoThumbs);
  SetRange(f, -800, 0);
  SetThumbs(f, -300, -500);
  LONG both[2] = {};
  SendMessageW(f, SLM_GETPOSEX, 0, reinterpret_cast<LPARAM>(both));
  EXPECT_EQ(both[0], -300);
  EXPECT_EQ(both[1], -500);
  EXPECT_EQ(Pos(f), -300);

  // Both thumbs active: the control steps them itself and names them.
  Key(f, VK_UP);
  EXPECT_EQ(Thumb(f, 1), -299);
  EXPECT_EQ(Thumb(f, 2), -499);
  EXPECT_TRUE(Codes().empty());  // a two-thumb fader notifies, it does not scroll
  std::vector<Event> n = ThumbEvents();
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[0].value, 0);
  EXPECT_EQ(n[0].mask, 3u);
  EXPECT_EQ(n[0].positions[0], -299);
  EXPECT_EQ(n[1].value, 8);

  Clear();
  Key(f, 'L');
  Key(f, VK_PRIOR);
  EXPECT_EQ(Thumb(f, 1), -219);  // page (800 + 5) / 10
  EXPECT_EQ(Thumb(f, 2), -499);
  ASSERT_FALSE(ThumbEvents().empty());
  EXPECT_EQ(ThumbEvents()[0].mask, 1u);
  Key(f, 'R');
  Key(f, VK_DOWN);
  EXPECT_EQ(Thumb(f, 1), -219);
  EXPECT_EQ(Thumb(f, 2), -500);
  Key(f, 'S');
  SendMessageW(f, WM_KEYDOWN, '5', 1);
  EXPECT_EQ(Thumb(f, 1), -400);
  EXPECT_EQ(Thumb(f, 2), -400);

  // The active set can also be given by message; 0 means the first thumb.
  SendMessageW(f, orlofx::SLM_SETACTIVETHUMBS, 2, 0);
  Key(f, VK_UP);
  EXPECT_EQ(Thumb(f, 1), -400);
  EXPECT_EQ(Thumb(f, 2), -399);
  SendMessageW(f, orlofx::SLM_SETACTIVETHUMBS, 0, 0);
  Key(f, VK_UP);
  EXPECT_EQ(Thumb(f, 1), -399);
  EXPECT_EQ(Thumb(f, 2), -399);
  // Letters mean nothing to a one-thumb fader: they go to the owner.
  HWND single = Fader(0, 100);
  Clear();
  SendMessageW(single, WM_KEYDOWN, 'L', 1);
  ASSERT_EQ(State().events.size(), 1u);
  EXPECT_EQ(State().events[0].code, static_cast<int>(orlofx::kSliderKeyNotify));
}

TEST_F(FaderTest, TwoThumbDoubleClickLinksOrResets) {
  HWND f = Fader(orlofx::kFaderTwoThumbs);
  SetRange(f, -800, 0);
  SendMessageW(f, SLM_SETDEFAULT, 0, -100);
  SetThumbs(f, -300, -500);
  // The left thumb's own part: the right thumb takes the left one's value.
  SendMessageW(f, WM_LBUTTONDBLCLK, MK_LBUTTON, At(kLeftPartX, CentreY(f, -300)));
  EXPECT_EQ(Thumb(f, 1), -300);
  EXPECT_EQ(Thumb(f, 2), -300);
  ASSERT_EQ(ThumbEvents().size(), 1u);
  EXPECT_EQ(ThumbEvents()[0].value, 4);
  EXPECT_EQ(ThumbEvents()[0].mask, 3u);
  // The right thumb's own part, the other way round.
  SetThumbs(f, -300, -500);
  SendMessageW(f, WM_LBUTTONDBLCLK, MK_LBUTTON, At(kRightPartX, CentreY(f, -500)));
  EXPECT_EQ(Thumb(f, 1), -500);
  EXPECT_EQ(Thumb(f, 2), -500);
  // The common part resets both.
  SetThumbs(f, -300, -500);
  SendMessageW(f, WM_LBUTTONDBLCLK, MK_LBUTTON, At(kCommonX, CentreY(f, -300)));
  EXPECT_EQ(Thumb(f, 1), -100);
  EXPECT_EQ(Thumb(f, 2), -100);
}

TEST_F(FaderTest, TwoThumbDragMovesThePartsThumbs) {
  HWND f = Fader(orlofx::kFaderTwoThumbs);
  SetRange(f, 0, Travel(f));
  SetThumbs(f, 60, 40);
  // The left part moves the left thumb only.
  int y = CentreY(f, 60);
  SendMessageW(f, WM_LBUTTONDOWN, MK_LBUTTON, At(kLeftPartX, y));
  SendMessageW(f, WM_MOUSEMOVE, MK_LBUTTON, At(kLeftPartX, y - 10));
  SendMessageW(f, WM_LBUTTONUP, 0, At(kLeftPartX, y - 10));
  EXPECT_EQ(Thumb(f, 1), 70);
  EXPECT_EQ(Thumb(f, 2), 40);
  std::vector<Event> n = ThumbEvents();
  ASSERT_EQ(n.size(), 4u);  // press, track, position, end
  EXPECT_EQ(n[0].value, 9);
  EXPECT_EQ(n[1].value, 5);
  EXPECT_EQ(n[1].mask, 1u);
  EXPECT_EQ(n[2].value, 4);
  EXPECT_EQ(n[3].value, 8);

  // The common part moves both, keeping their distance, and Escape puts
  // both back.
  y = CentreY(f, 40);
  SendMessageW(f, WM_LBUTTONDOWN, MK_LBUTTON, At(kCommonX + 4, y));
  SendMessageW(f, WM_MOUSEMOVE, MK_LBUTTON, At(kCommonX + 4, y - 20));
  EXPECT_EQ(Thumb(f, 1), 90);
  EXPECT_EQ(Thumb(f, 2), 60);
  SendMessageW(f, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(Thumb(f, 1), 70);
  EXPECT_EQ(Thumb(f, 2), 40);
}

TEST_F(FaderTest, CursorShowsWhichThumbsThePartMoves) {
  HWND f = Fader(orlofx::kFaderTwoThumbs);
  SetRange(f, -800, 0);
  SetThumbs(f, -200, -200);
  HMODULE module = module_.Handle();
  const struct {
    int x;
    HCURSOR expected;
  } parts[] = {{kLeftPartX, LoadCursorW(module, MAKEINTRESOURCEW(27))},
               {kRightPartX, LoadCursorW(module, MAKEINTRESOURCEW(28))},
               {kCommonX, LoadCursorW(nullptr, IDC_ARROW)}};
  ASSERT_NE(parts[0].expected, nullptr);
  ASSERT_NE(parts[1].expected, nullptr);
  for (const auto& part : parts) {
    PointerTo(f, part.x, CentreY(f, -200));
    EXPECT_TRUE(SendMessageW(f, WM_SETCURSOR, reinterpret_cast<WPARAM>(f), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), part.expected) << "x " << part.x;
  }
  HWND single = Fader(0, 100);
  PointerTo(single, kLeftPartX, CentreY(single, Pos(single)));
  SendMessageW(single, WM_SETCURSOR, reinterpret_cast<WPARAM>(single), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  PointerTo(GetDesktopWindow(), 1200, 1000);
}

TEST_F(FaderTest, MessagesKeepTheirValues) {
  HWND f = Fader();
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(GetSysColor(COLOR_BTNFACE)));
  SendMessageW(f, orlofx::SLM_SETBKCOLOR, 0, RGB(10, 20, 30));
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(RGB(10, 20, 30)));
  SendMessageW(f, orlofx::SLM_SETCALLBACKDATA, 0, 77);
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_GETCALLBACKDATA, 0, 0), 77);
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_SETNOREPAINT, 0, 1), -1);
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_GETNOREPAINT, 0, 0), -1);
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_SETNOREPAINT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_GETOWNERNOTIFY, 0, 0), 0);
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_SETOWNERNOTIFY, 0, 1), -1);
  // With the flag the owner hears of the press.
  SendMessageW(f, WM_LBUTTONDOWN, MK_LBUTTON, At(kCommonX, CentreY(f, Pos(f))));
  SendMessageW(f, WM_LBUTTONUP, 0, At(kCommonX, CentreY(f, Pos(f))));
  bool pressed = false;
  for (const Event& e : State().events) pressed |= e.message == WM_COMMAND && e.code == 3;
  EXPECT_TRUE(pressed);
  // SLM_SETPOS clamps, so the fader never reports a value outside its range.
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_SETPOS, 1, 500), 100);
  EXPECT_EQ(SendMessageW(f, SLM_SETPOSEX, MAKEWPARAM(1, 1), -9), 0);
  EXPECT_EQ(SendMessageW(f, SLM_SETPOSEX, MAKEWPARAM(1, 2), 5), 0);  // no second thumb
}

TEST_F(FaderTest, SetupRecordReplacesRangeStyleAndPositions) {
  HWND f = Fader();
  orlofx::FaderSetup setup = {};
  setup.minimum = -600;
  setup.maximum = 60;
  setup.defaultValue = 500;  // clamped
  setup.pageStep = 30;
  setup.style = orlofx::kFaderTwoThumbs;
  setup.styleMask = orlofx::kFaderTwoThumbs;
  setup.positions[0] = -10;
  setup.positions[1] = -900;  // clamped
  SendMessageW(f, orlofx::SLM_SETUP, 0, reinterpret_cast<LPARAM>(&setup));
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_GETMIN, 0, 0), -600);
  EXPECT_EQ(SendMessageW(f, orlofx::SLM_GETMAX, 0, 0), 60);
  EXPECT_EQ(Thumb(f, 1), -10);
  EXPECT_EQ(Thumb(f, 2), -600);
  // Two thumbs now, stepped by the given page.
  Key(f, VK_PRIOR);
  EXPECT_EQ(Thumb(f, 1), 20);
  EXPECT_EQ(Thumb(f, 2), -570);
  SendMessageW(f, WM_LBUTTONDBLCLK, MK_LBUTTON, At(kCommonX, CentreY(f, 20)));
  EXPECT_EQ(Thumb(f, 1), 60);
  EXPECT_EQ(Thumb(f, 2), 60);
}

// Focus shows as a ring of the selection colour on the cap, and nothing
// else changes on it (no grey caret over it, which looked like the dithered
// cap of a disabled fader); a disabled fader shows no ring.
TEST_F(FaderTest, FocusRingsTheCapAndCannotBeTakenForDisabled) {
  HWND f = Fader();
  SetRange(f, -250, 250);
  struct Shot {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    COLORREF At(int x, int y) const {
      const std::uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      return RGB(p[0], p[1], p[2]);
    }
  };
  auto shoot = [&] {
    Shot shot;
    EXPECT_TRUE(capture::CaptureClientRgb(f, &shot.width, &shot.height, &shot.rgb));
    return shot;
  };
  const COLORREF selection = GetSysColor(COLOR_HIGHLIGHT);
  auto ring = [&](const Shot& shot) {
    int n = 0;
    for (int y = 0; y < shot.height; ++y)
      for (int x = 0; x < shot.width; ++x) n += shot.At(x, y) == selection;
    return n;
  };
  const Shot plain = shoot();
  SetFocus(f);
  ASSERT_EQ(GetFocus(), f);
  const Shot focused = shoot();
  // The 44 x 20 cap, centred on the value 0 in the middle of the travel.
  const int top = CentreY(f, 0) - 10, left = (kWidth - 44) / 2;
  EXPECT_EQ(ring(plain), 0);
  EXPECT_GE(ring(focused), 2 * (44 + 20) * 2 - 16);  // two pixels all round
  int changedInside = 0;
  for (int y = top + 2; y < top + 18; ++y)
    for (int x = left + 2; x < left + 42; ++x) changedInside += focused.At(x, y) != plain.At(x, y);
  EXPECT_EQ(changedInside, 0);
  EnableWindow(f, FALSE);
  EXPECT_EQ(ring(shoot()), 0);
}

}  // namespace

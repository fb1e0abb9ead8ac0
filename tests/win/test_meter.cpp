// The level meter driven through its messages, its menu (through the
// tracking seam, which sees the prepared popup and answers with a choice)
// and its painting, read back as pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "framework/controls/meter_model.h"
#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"
#include "tests/win/support/capture.h"
#include "ui/meter_control.h"

namespace {

// --- the owner and the menu seam -----------------------------------------------------

struct Received {
  std::vector<NMHDR> notifies;
  std::vector<UINT> menuSelectItems;
  std::vector<WPARAM> commands;
  int contextMenus = 0;
};
Received g_received;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      g_received.notifies.push_back(*header);
      if (header->code == orlofx::kMeterNotifyMenuSelect)
        g_received.menuSelectItems.push_back(reinterpret_cast<const orlofx::MeterMenuSelect*>(lParam)->item);
      return 0;
    }
    case WM_COMMAND:
      g_received.commands.push_back(wParam);
      return 0;
    case WM_CONTEXTMENU:
      ++g_received.contextMenus;
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// What the meter put into its popup, seen by the tracking seam.
struct MenuSeen {
  bool shown = false;
  std::map<UINT, UINT> state;  // item id -> GetMenuState flags
  std::map<UINT, bool> radio;
  UINT firstItem = 0;
  int x = 0, y = 0;
  bool Has(UINT id) const { return state.count(id) != 0; }
  bool Checked(UINT id) const { return Has(id) && (state.at(id) & MF_CHECKED); }
};
MenuSeen g_menu;
UINT g_choice = 0;

UINT SeeMenu(HMENU popup, HWND, int x, int y) {
  g_menu = MenuSeen();
  g_menu.shown = true;
  g_menu.x = x;
  g_menu.y = y;
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(popup, i);
    if (i == 0) g_menu.firstItem = (GetMenuState(popup, 0, MF_BYPOSITION) & MF_SEPARATOR) ? 0 : id;
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    g_menu.state[id] = GetMenuState(popup, id, MF_BYCOMMAND);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(popup, id, FALSE, &info);
    g_menu.radio[id] = (info.fType & MFT_RADIOCHECK) != 0;
  }
  return g_choice;
}

bool g_timerFired = false;
void CALLBACK EndMenuOnTimer(HWND, UINT, UINT_PTR, DWORD) {
  g_timerFired = true;
  EndMenu();
}

DWORD g_now = 1000;
DWORD FakeTicks() { return g_now; }

HMODULE ResourceModule() {
  static HMODULE module = LoadLibraryExW(L"orlofx.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  return module;
}

void RegisterClasses() {
  static bool done = [] {
    WNDCLASSW owner = {};
    owner.lpfnWndProc = OwnerProc;
    owner.hInstance = GetModuleHandleW(nullptr);
    owner.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    owner.lpszClassName = L"h12MeterOwner";
    RegisterClassW(&owner);
    WNDCLASSW meter = {};
    meter.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    meter.lpfnWndProc = orlofx::MeterWndProc;
    meter.hInstance = GetModuleHandleW(nullptr);
    meter.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    meter.lpszClassName = orlofx::kMeterClassName;
    return RegisterClassW(&meter) != 0;
  }();
  ASSERT_TRUE(done);
}

constexpr DWORD kStereoMeter = 0x06BD;
constexpr DWORD kGainReductionMeter = 0x051F;

class MeterTest : public ::testing::Test {
 protected:
  // One owner for the suite: top-level windows are slow to come and go.
  static void SetUpTestSuite() {
    RegisterClasses();
    // Topmost: windows the program's other control tests leave behind must
    // not cover it for the hit tests.
    sharedOwner_ = CreateWindowExW(WS_EX_TOPMOST, L"h12MeterOwner", L"Meters",
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 420, 300, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  }
  static void TearDownTestSuite() {
    if (sharedOwner_) DestroyWindow(sharedOwner_);
    sharedOwner_ = nullptr;
  }
  void SetUp() override {
    RegisterClasses();
    ASSERT_NE(ResourceModule(), nullptr);
    orlofx::SetMeterResourceModule(ResourceModule());
    orlofx::SetMeterMenuTracker(SeeMenu);
    orlofx::SetMeterTickSource(FakeTicks);
    g_received = Received();
    g_menu = MenuSeen();
    g_choice = 0;
    g_now = 1000;
    owner_ = sharedOwner_;
    ASSERT_NE(owner_, nullptr);
    meter_ = Make(kStereoMeter, 10, 10, 90, 220, 1001);
    ASSERT_NE(meter_, nullptr);
    Send(orlofx::kMeterSetChannels, 0, 2);
  }
  void TearDown() override {
    orlofx::SetMeterMenuTracker(nullptr);
    orlofx::SetMeterTickSource(nullptr);
    for (HWND child : made_) DestroyWindow(child);
  }

  HWND Make(DWORD options, int x, int y, int w, int h, int id) {
    HWND made = CreateWindowExW(0, orlofx::kMeterClassName, L"", WS_CHILD | WS_VISIBLE | options, x, y, w, h,
                                owner_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (made) made_.push_back(made);
    return made;
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(meter_, message, wParam, lParam); }
  void ShowMenu() {
    RECT rc;
    GetWindowRect(meter_, &rc);
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(meter_), MAKELPARAM(rc.left + 5, rc.top + 5));
  }
  void SetOption(WORD bits, bool on) { Send(orlofx::kMeterSetOptions, bits, on ? 1 : 0); }
  RECT Bar(int i) {
    LONG r[4] = {};
    EXPECT_EQ(Send(orlofx::kMeterGetRect, MAKEWPARAM(2, i), reinterpret_cast<LPARAM>(r)), 1);
    return {r[0], r[1], r[2], r[3]};
  }
  std::vector<int32_t> Values(UINT message) {
    std::vector<int32_t> v(6, -7);
    const LRESULT n = Send(message, MAKEWPARAM(0, 6), reinterpret_cast<LPARAM>(v.data()));
    v.resize(static_cast<size_t>(n));
    return v;
  }
  void SetLevels(std::vector<int32_t> v, UINT message = orlofx::kMeterSetLevels) {
    Send(message, MAKEWPARAM(0, v.size()), reinterpret_cast<LPARAM>(v.data()));
  }
  int RangeNotifications() {
    int n = 0;
    for (const NMHDR& h : g_received.notifies) {
      if (h.code == orlofx::kMeterNotifyRangeChanged) {
        EXPECT_EQ(h.hwndFrom, meter_);
        EXPECT_EQ(h.idFrom, 1001u);
        ++n;
      }
    }
    return n;
  }

  static HWND sharedOwner_;
  HWND owner_ = nullptr;
  HWND meter_ = nullptr;
  std::vector<HWND> made_;
};
HWND MeterTest::sharedOwner_ = nullptr;

// The client area as the control paints it (each call is one paint).
using Picture = Painted;
Picture Render(HWND window) { return PrintClient(window); }

// Rows of a vertical bar's middle column that differ between two pictures.
std::vector<int> DifferingRows(const Picture& a, const Picture& b, const RECT& bar) {
  std::vector<int> rows;
  const int x = (bar.left + bar.right) / 2;
  for (int y = bar.top; y < bar.bottom; ++y)
    if (a.At(x, y) != b.At(x, y)) rows.push_back(y);
  return rows;
}

// --- the menu -------------------------------------------------------------------------

// A meter that is a tab stop is reached with Tab in a dialog, and its menu
// opens from the keyboard as from the mouse: the menu key or Shift+F10 on
// the focused meter, at its keyboard place (16, 16); the keys' release
// opens no second menu.
TEST_F(MeterTest, TheMenuOpensFromTheKeyboardOnAFocusedMeter) {
  HWND frame = CreateWindowExW(WS_EX_CONTROLPARENT, WC_DIALOG, L"frame", WS_POPUP | WS_VISIBLE, 80, 80, 300, 260,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(frame, nullptr);
  HWND button = CreateWindowExW(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 80, 24, frame,
                                reinterpret_cast<HMENU>(IDOK), GetModuleHandleW(nullptr), nullptr);
  HWND meter = CreateWindowExW(0, orlofx::kMeterClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | kStereoMeter,
                               10, 40, 60, 200, frame, reinterpret_cast<HMENU>(1002), GetModuleHandleW(nullptr),
                               nullptr);
  ASSERT_NE(meter, nullptr);
  SetFocus(button);
  MSG tab = {button, WM_KEYDOWN, VK_TAB, 1, 0, {}};
  EXPECT_TRUE(IsDialogMessageW(frame, &tab));
  EXPECT_EQ(GetFocus(), meter);

  POINT place = {16, 16};
  ClientToScreen(meter, &place);
  SendMessageW(meter, WM_KEYDOWN, VK_APPS, 1);
  EXPECT_TRUE(g_menu.shown);
  EXPECT_EQ(g_menu.x, place.x);
  EXPECT_EQ(g_menu.y, place.y);
  g_menu = MenuSeen();
  SendMessageW(meter, WM_KEYUP, VK_APPS, 0xC0000001);
  EXPECT_FALSE(g_menu.shown);

  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(meter, WM_SYSKEYDOWN, VK_F10, 1);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_TRUE(g_menu.shown);
  EXPECT_EQ(g_menu.x, place.x);
  // F10 alone is the window menu's key, not the meter's.
  g_menu = MenuSeen();
  SendMessageW(meter, WM_SYSKEYDOWN, VK_F10, 1);
  EXPECT_FALSE(g_menu.shown);
  DestroyWindow(frame);
}

TEST_F(MeterTest, ChoosingARangeChecksItAndTellsTheOwner) {
  g_choice = 40004;  // "-&60 to 0 dB"
  ShowMenu();
  EXPECT_EQ(Send(orlofx::kMeterGetRange, 0, 0), 1024);
  EXPECT_EQ(RangeNotifications(), 1);
  g_choice = 0;
  ShowMenu();
  EXPECT_TRUE(g_menu.Checked(40004));
  EXPECT_FALSE(g_menu.Checked(40006));
  EXPECT_EQ(RangeNotifications(), 1);  // dismissing the menu changes nothing

  // The full-scale item is the whole range again.
  g_choice = 40006;
  ShowMenu();
  EXPECT_EQ(Send(orlofx::kMeterGetRange, 0, 0), 0);
  EXPECT_EQ(RangeNotifications(), 2);
  // The same commands arrive as WM_COMMAND too.
  Send(WM_COMMAND, 40002, 0);
  EXPECT_EQ(Send(orlofx::kMeterGetRange, 0, 0), 16);
  EXPECT_EQ(RangeNotifications(), 3);
}

TEST_F(MeterTest, ResetClipItemGoesWithTheIndicator) {
  SetOption(orlofx::kMeterClipIndicator, false);
  ShowMenu();
  EXPECT_FALSE(g_menu.Has(orlofx::kMeterCmdResetClip));
  EXPECT_EQ(g_menu.firstItem, 40001u);  // its separator went too
  SetOption(orlofx::kMeterClipIndicator, true);
  ShowMenu();
  EXPECT_EQ(g_menu.firstItem, static_cast<UINT>(orlofx::kMeterCmdResetClip));
}

TEST_F(MeterTest, ToggleItemsFollowTheOptions) {
  ShowMenu();
  EXPECT_TRUE(g_menu.Checked(orlofx::kMeterCmdShowLabels));
  EXPECT_TRUE(g_menu.Checked(orlofx::kMeterCmdHoldPeaks));
  EXPECT_FALSE(g_menu.Checked(orlofx::kMeterCmdHoldValleys));
  g_choice = orlofx::kMeterCmdHoldValleys;
  ShowMenu();
  g_choice = orlofx::kMeterCmdHoldPeaks;
  ShowMenu();
  const LRESULT options = Send(orlofx::kMeterGetOptions, 0, 0);
  EXPECT_EQ(options & orlofx::kMeterHoldValleys, orlofx::kMeterHoldValleys);
  EXPECT_EQ(options & orlofx::kMeterHoldPeaks, 0);
  g_choice = 0;
  ShowMenu();
  EXPECT_TRUE(g_menu.Checked(orlofx::kMeterCmdHoldValleys));
  EXPECT_FALSE(g_menu.Checked(orlofx::kMeterCmdHoldPeaks));
  EXPECT_EQ(RangeNotifications(), 0);
}

TEST_F(MeterTest, OtherCommandsAndMenuSelectionGoToTheOwner) {
  Send(WM_COMMAND, 41234, 0);
  ASSERT_EQ(g_received.commands.size(), 1u);
  EXPECT_EQ(LOWORD(g_received.commands[0]), 41234);
  HMENU menu = CreatePopupMenu();
  Send(WM_MENUSELECT, MAKEWPARAM(40004, MF_STRING), reinterpret_cast<LPARAM>(menu));
  DestroyMenu(menu);
  ASSERT_EQ(g_received.menuSelectItems.size(), 1u);
  EXPECT_EQ(g_received.menuSelectItems[0], 40004u);
}

TEST_F(MeterTest, RealPopupCanBeDismissed) {
  // The real TrackPopupMenu: a timer ends the menu loop, which returns 0.
  orlofx::SetMeterMenuTracker(nullptr);
  g_timerFired = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, EndMenuOnTimer);
  ShowMenu();
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_timerFired);
  EXPECT_EQ(Send(orlofx::kMeterGetRange, 0, 0), 0);
  EXPECT_EQ(RangeNotifications(), 0);
}

// --- levels and holds ----------------------------------------------------------------------

TEST_F(MeterTest, OverloadShowsAFullBarAndHoldsTheClip) {
  Send(orlofx::kMeterSetChannels, 0, 1);
  SetOption(orlofx::kMeterHoldPeaks, false);
  const RECT bar = Bar(0);
  const Picture empty = Render(meter_);
  Send(orlofx::kMeterSetLevels, 0, 40000);
  EXPECT_EQ(Send(orlofx::kMeterGetLevels, 0, 0), 32767);
  EXPECT_EQ(Send(orlofx::kMeterGetClipHolds, 0, 0), 40000);
  const Picture full = Render(meter_);
  EXPECT_EQ(DifferingRows(empty, full, bar).size(), static_cast<size_t>(bar.bottom - bar.top));
  // Half the scale fills about half the bar (the scale's bottom is 1/32768).
  Send(orlofx::kMeterSetLevels, 0, static_cast<LPARAM>(std::lround(32768 / std::sqrt(32768.0))));
  const size_t half = DifferingRows(empty, Render(meter_), bar).size();
  EXPECT_NEAR(static_cast<double>(half), (bar.bottom - bar.top) / 2.0, 2.0);
  EXPECT_EQ(Send(orlofx::kMeterGetClipHolds, 0, 0), 40000);
  // A lower overload keeps the higher clip hold; a negative level resets it.
  Send(orlofx::kMeterSetLevels, 0, 35000);
  EXPECT_EQ(Send(orlofx::kMeterGetClipHolds, 0, 0), 40000);
  Send(orlofx::kMeterSetLevels, 0, -1);
  EXPECT_EQ(Send(orlofx::kMeterGetClipHolds, 0, 0), 0);
  EXPECT_EQ(Send(orlofx::kMeterGetLevels, 0, 0), 0);
}

TEST_F(MeterTest, ChannelCountsAndArraysAreBounded) {
  EXPECT_EQ(Send(orlofx::kMeterSetChannels, 0, 9), 6);
  EXPECT_EQ(Send(orlofx::kMeterGetChannels, 0, 0), 6);
  Send(orlofx::kMeterSetChannels, 0, 2);
  std::vector<int32_t> ten(10, 1234);
  EXPECT_EQ(Send(orlofx::kMeterSetLevels, MAKEWPARAM(0, 10), reinterpret_cast<LPARAM>(ten.data())), 2);
  std::vector<int32_t> out(10, -7);
  EXPECT_EQ(Send(orlofx::kMeterGetLevels, MAKEWPARAM(0, 10), reinterpret_cast<LPARAM>(out.data())), 2);
  EXPECT_EQ(out[1], 1234);
  EXPECT_EQ(out[2], -7);
  SetLevels({-5, 3000}, orlofx::kMeterSetClipHolds);
  EXPECT_EQ(Values(orlofx::kMeterGetClipHolds), (std::vector<int32_t>{0, 3000}));
}

TEST_F(MeterTest, FullScaleAndFloatMode) {
  EXPECT_EQ(Send(orlofx::kMeterSetFullScale, 0, 0), 1);
  int32_t fs = 0, mode = 5;
  Send(orlofx::kMeterGetFullScale, reinterpret_cast<WPARAM>(&mode), reinterpret_cast<LPARAM>(&fs));
  EXPECT_EQ(fs, 1);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(Send(orlofx::kMeterSetFullScale, MAKEWPARAM(0, 1), 65536), 65536);
  Send(orlofx::kMeterGetFullScale, reinterpret_cast<WPARAM>(&mode), reinterpret_cast<LPARAM>(&fs));
  float reciprocal;
  std::memcpy(&reciprocal, &fs, sizeof(reciprocal));
  EXPECT_FLOAT_EQ(reciprocal, 1.0f / 65536);
  EXPECT_EQ(mode, -1);
  auto bits = [](float f) {
    int32_t b;
    std::memcpy(&b, &f, sizeof(b));
    return b;
  };
  Send(orlofx::kMeterSetLevels, 0, bits(0.5f));
  EXPECT_EQ(Send(orlofx::kMeterGetLevels, 0, 0), bits(0.5f));
  Send(orlofx::kMeterSetLevels, 0, bits(1.5f));
  EXPECT_EQ(Send(orlofx::kMeterGetLevels, 0, 0), bits(1.0f));
  EXPECT_EQ(Send(orlofx::kMeterGetClipHolds, 0, 0), bits(1.5f));
}

TEST_F(MeterTest, LabelFormatIsKeptToFifteenCharacters) {
  wchar_t buffer[32] = {};
  EXPECT_EQ(Send(orlofx::kMeterGetLabelFormat, 32, reinterpret_cast<LPARAM>(buffer)), 4);
  EXPECT_STREQ(buffer, L"$.1f");
  Send(orlofx::kMeterSetLabelFormat, MAKEWPARAM(1, 1), reinterpret_cast<LPARAM>(L"$.2f dB and much more text"));
  EXPECT_EQ(Send(orlofx::kMeterGetLabelFormat, 32, reinterpret_cast<LPARAM>(buffer)), 15);
  EXPECT_EQ(std::wstring(buffer), std::wstring(L"$.2f dB and much more text").substr(0, 15));
  EXPECT_EQ(Send(orlofx::kMeterGetLabelFormat, 3, reinterpret_cast<LPARAM>(buffer)), 2);
  EXPECT_STREQ(buffer, L"$.");
}

// --- mouse --------------------------------------------------------------------------------------

TEST_F(MeterTest, WithoutItsOwnMenuClicksPassThrough) {
  SetOption(orlofx::kMeterOwnMenu | orlofx::kMeterClipIndicator, false);
  const RECT bar = Bar(0);
  POINT inside = {(bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2};
  ClientToScreen(meter_, &inside);
  EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)), HTTRANSPARENT);
  EXPECT_EQ(WindowFromPoint(inside), owner_);
  Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(meter_), MAKELPARAM(inside.x, inside.y));
  EXPECT_FALSE(g_menu.shown);
  EXPECT_EQ(g_received.contextMenus, 1);

  SetOption(orlofx::kMeterOwnMenu, true);
  EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)), HTCLIENT);
  EXPECT_EQ(WindowFromPoint(inside), meter_);

  // The clip indicator alone takes clicks on itself only.
  SetOption(orlofx::kMeterOwnMenu, false);
  SetOption(orlofx::kMeterClipIndicator, true);
  POINT clip = {(bar.left + bar.right) / 2, 2};
  ClientToScreen(meter_, &clip);
  EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(clip.x, clip.y)), HTCLIENT);
  const RECT below = Bar(0);
  POINT low = {(below.left + below.right) / 2, below.bottom - 3};
  ClientToScreen(meter_, &low);
  EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(low.x, low.y)), HTTRANSPARENT);
}

TEST_F(MeterTest, ClickingTheClipIndicatorResetsItsChannel) {
  SetLevels({1000, 2000});
  SetLevels({30000, 31000}, orlofx::kMeterSetClipHolds);
  const RECT right = Bar(1);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((right.left + right.right) / 2, 2));
  EXPECT_EQ(Values(orlofx::kMeterGetClipHolds), (std::vector<int32_t>{30000, 2000}));
  // Below the indicator a click does nothing to the holds.
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((right.left + right.right) / 2, right.bottom - 2));
  EXPECT_EQ(Values(orlofx::kMeterGetClipHolds), (std::vector<int32_t>{30000, 2000}));
  // Linked: any channel's indicator resets them all.
  SetLevels({30000, 31000}, orlofx::kMeterSetClipHolds);
  EXPECT_EQ(Send(orlofx::kMeterSetLinked, 0, 1), 0);
  const RECT left = Bar(0);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((left.left + left.right) / 2, 2));
  EXPECT_EQ(Values(orlofx::kMeterGetClipHolds), (std::vector<int32_t>{1000, 2000}));
  EXPECT_EQ(Send(orlofx::kMeterSetLinked, 0, 0), -1);
  // And the menu item resets every channel.
  SetLevels({30000, 31000}, orlofx::kMeterSetClipHolds);
  g_choice = orlofx::kMeterCmdResetClip;
  ShowMenu();
  EXPECT_EQ(Values(orlofx::kMeterGetClipHolds), (std::vector<int32_t>{1000, 2000}));
}

TEST_F(MeterTest, OrientationFollowsTheOptionsAndTheShape) {
  HWND wide = Make(0x0800 | 0x0010, 120, 10, 200, 30, 1002);
  HWND tall = Make(0x0800 | 0x0010, 120, 50, 30, 200, 1003);
  LONG w[4] = {}, t[4] = {};
  SendMessageW(wide, orlofx::kMeterGetRect, MAKEWPARAM(2, 0), reinterpret_cast<LPARAM>(w));
  SendMessageW(tall, orlofx::kMeterGetRect, MAKEWPARAM(2, 0), reinterpret_cast<LPARAM>(t));
  EXPECT_GT(w[2] - w[0], w[3] - w[1]);  // horizontal: the clip band at the right
  EXPECT_LT(w[2], 200);
  EXPECT_GT(t[3] - t[1], t[2] - t[0]);  // vertical: the clip band on top
  EXPECT_GT(t[1], 0);
  // Option 0x0080 widens a too-narrow vertical meter to the labels' need.
  HWND thin = Make(0x0001 | 0x0400 | 0x0080, 330, 10, 6, 150, 1004);
  RECT rc;
  GetClientRect(thin, &rc);
  EXPECT_GE(rc.right, SendMessageW(thin, orlofx::kMeterLabelThickness, 0, 0));
}

// --- readouts -------------------------------------------------------------------------------------

// --- the classes as the module registers them -------------------------------------------------

}  // namespace

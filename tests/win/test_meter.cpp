// The level meter through its messages, its menu (through the tracking seam,
// which sees the prepared popup and answers with a choice), its mouse and
// keyboard handling and its painting, read back as pixels.
#include <windows.h>
#include <oleacc.h>

#include <map>
#include <tuple>

#include "tests/win/control_owner.h"
#include "ui/meter_control.h"

using namespace control_test;
using namespace orlofx;

namespace {

constexpr DWORD kStereoMeter = 0x06BD;  // labels, held peaks, clip indicator, own menu, vertical

struct MenuSeen {
  bool shown = false;
  POINT at = {};
  UINT first = 0;              // the first item (0: a separator)
  std::map<UINT, UINT> state;  // item -> GetMenuState flags
  bool Has(UINT id) const { return state.count(id) != 0; }
  bool Checked(UINT id) const { return Has(id) && (state.at(id) & MF_CHECKED); }
} g_menu;
UINT g_choice = 0;
DWORD g_now = 1000;

UINT SeeMenu(HMENU popup, HWND, int x, int y) {
  g_menu = {true, {x, y}, GetMenuItemID(popup, 0), {}};
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    const UINT id = GetMenuItemID(popup, i);
    if (id != 0 && id != static_cast<UINT>(-1)) g_menu.state[id] = GetMenuState(popup, id, MF_BYCOMMAND);
  }
  return g_choice;
}

class MeterTest : public OwnerTest {
 protected:
  void SetUp() override {
    OwnerTest::SetUp();
    ASSERT_TRUE(RegisterHere(kMeterClassName, MeterWndProc, 0, nullptr));
    SetMeterResourceModule(module_.Handle());
    SetMeterMenuTracker(SeeMenu);
    SetMeterTickSource([] { return g_now; });
    g_menu = MenuSeen();
    meter_ = Create(kMeterClassName, kStereoMeter, {10, 10, 10 + Scaled(90), 10 + Scaled(220)}, 1001);
    Send(kMeterSetChannels, 0, 2);
  }
  void TearDown() override {
    SetMeterMenuTracker(nullptr);
    SetMeterTickSource(nullptr);
    OwnerTest::TearDown();
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(meter_, message, wParam, lParam); }
  void ShowMenu(UINT choice = 0) {
    g_choice = choice;
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(meter_), MAKELPARAM(60, 60));
  }
  void SetOption(WORD bits, bool on) { Send(kMeterSetOptions, bits, on ? 1 : 0); }
  RECT Bar(int i, HWND meter = nullptr) {
    LONG r[4] = {};
    SendMessageW(meter ? meter : meter_, kMeterGetRect, MAKEWPARAM(2, i), reinterpret_cast<LPARAM>(r));
    return {r[0], r[1], r[2], r[3]};
  }
  POINT Middle(const RECT& r, int y = -1) { return {(r.left + r.right) / 2, y < 0 ? (r.top + r.bottom) / 2 : y}; }
  std::vector<int32_t> Values(UINT message) {
    std::vector<int32_t> v(6, -7);
    v.resize(static_cast<size_t>(Send(message, MAKEWPARAM(0, 6), reinterpret_cast<LPARAM>(v.data()))));
    return v;
  }
  LRESULT SetValues(UINT message, std::vector<int32_t> v) {
    return Send(message, MAKEWPARAM(0, v.size()), reinterpret_cast<LPARAM>(v.data()));
  }
  int RangeNotifications() {
    const std::vector<Event> notes = Of(WM_NOTIFY);
    return static_cast<int>(std::count_if(notes.begin(), notes.end(), [&](const Event& e) {
      const auto* header = reinterpret_cast<const NMHDR*>(e.notify);
      return header->code == kMeterNotifyRangeChanged && header->hwndFrom == meter_ && header->idFrom == 1001;
    }));
  }
  // Rows of bar 0's middle column lit, against the empty bar.
  int LitRows(const Painted& empty) {
    const RECT bar = Bar(0);
    const Painted now = PrintClient(meter_);
    int rows = 0;
    for (int y = bar.top; y < bar.bottom; ++y) rows += now.At(Middle(bar).x, y) != empty.At(Middle(bar).x, y);
    return rows;
  }

  HWND meter_ = nullptr;
};

TEST_F(MeterTest, MenuChoicesSetTheRangeAndTheOptionsAndShowAsChecks) {
  const struct {
    UINT choice;
    bool command;  // sent as WM_COMMAND, not chosen from the menu
    LRESULT range, options;  // labels, held peaks and valleys
    int notifications;
  } cases[] = {{40004, false, 1024, 0x0600, 1} /* "-&60 to 0 dB" */, {0, false, 1024, 0x0600, 1} /* dismissed */,
               {40006, false, 0, 0x0600, 2} /* the full scale: the whole range */, {40002, true, 16, 0x0600, 3},
               {kMeterCmdHoldPeaks, false, 16, 0x0400, 3}, {kMeterCmdHoldValleys, false, 16, 0x0500, 3},
               {kMeterCmdShowLabels, false, 16, 0x0100, 3}};
  for (const auto& c : cases) {
    if (c.command) Send(WM_COMMAND, c.choice, 0);
    else ShowMenu(c.choice);
    EXPECT_EQ(Send(kMeterGetRange, 0, 0), c.range) << c.choice;
    EXPECT_EQ(Send(kMeterGetOptions, 0, 0) & 0x0700, c.options) << c.choice;
    EXPECT_EQ(RangeNotifications(), c.notifications) << c.choice;
    ShowMenu();
    EXPECT_TRUE(g_menu.Checked(c.range == 16 ? 40002 : c.range == 1024 ? 40004 : 40006)) << c.choice;
    EXPECT_FALSE(g_menu.Checked(40003));
    for (const auto& [item, bit] : {std::pair<UINT, LRESULT>{kMeterCmdShowLabels, 0x0400}, {kMeterCmdHoldPeaks, 0x0200},
                                    {kMeterCmdHoldValleys, 0x0100}})
      EXPECT_EQ(g_menu.Checked(item), (c.options & bit) != 0) << item;
  }
  Send(kMeterSetFullScale, 0, 32767);  // ranges beyond the full scale are not offered
  ShowMenu();
  EXPECT_TRUE(g_menu.Has(40005));
  for (UINT absent : {40006u, 40007u, 40008u}) EXPECT_FALSE(g_menu.Has(absent)) << absent;
  EXPECT_EQ(g_menu.first, static_cast<UINT>(kMeterCmdResetClip));
  SetOption(0x0010, false);  // without a clip indicator no reset item, nor its separator
  ShowMenu();
  EXPECT_EQ(g_menu.first, 40001u);
  // Other commands, and menu selections with their item, go to the owner.
  Clear();
  Send(WM_COMMAND, 41234, 0);
  HMENU menu = CreatePopupMenu();
  Send(WM_MENUSELECT, MAKEWPARAM(40004, MF_STRING), reinterpret_cast<LPARAM>(menu));
  DestroyMenu(menu);
  ASSERT_EQ(Events().size(), 2u);
  EXPECT_EQ(Events()[0].wParam, 41234u);
  EXPECT_EQ(reinterpret_cast<const MeterMenuSelect*>(Events()[1].notify)->item, 40004u);
}

// The menu key or Shift+F10 opens the menu at the keyboard place (16, 16),
// once; F10 alone is the window menu's.
TEST_F(MeterTest, TheMenuOpensFromTheKeyboard) {
  POINT place = {16, 16};
  ClientToScreen(meter_, &place);
  for (const auto& [message, key, shift, opens] :
       {std::tuple<UINT, UINT, bool, bool>{WM_KEYDOWN, VK_APPS, false, true}, {WM_KEYUP, VK_APPS, false, false},
        {WM_SYSKEYDOWN, VK_F10, true, true}, {WM_SYSKEYDOWN, VK_F10, false, false}}) {
    g_menu = MenuSeen();
    SetKeys(false, shift);
    Send(message, key, message == WM_KEYUP ? 0xC0000001 : 1);
    SetKeys(false, false);
    EXPECT_EQ(g_menu.shown, opens) << key;
    EXPECT_EQ(g_menu.at.x + g_menu.at.y, opens ? place.x + place.y : 0) << key;
  }
}

// Bars are lit up to the level on the decibel scale, whose bottom is one
// unit (-90.3 dB); a held peak stays lit above a lower level until it is
// more than 700 ms old at a paint.
TEST_F(MeterTest, BarsShowTheLevelOnTheDecibelScaleAndHeldPeaksDrop) {
  Send(kMeterSetChannels, 0, 1);
  SetOption(0x0200, false);
  const Painted empty = PrintClient(meter_);
  const int height = Bar(0).bottom - Bar(0).top;
  for (const auto& [level, lit] : {std::pair<LPARAM, double>{40000, 1.0}, {181, 0.5} /* 32768 / sqrt(32768) */,
                                   {0, 0.0}, {-1, 0.0}}) {
    Send(kMeterSetLevels, 1, level);
    EXPECT_NEAR(LitRows(empty), lit * height, 2.0) << level;
  }
  SetOption(0x0200, true);
  Send(kMeterSetLevels, 1, 32767);
  LitRows(empty);  // a paint holds the peak at full scale
  Send(kMeterSetLevels, 1, 181);
  g_now += 700;
  const int held = LitRows(empty);
  g_now += 1;
  const int dropped = LitRows(empty);
  EXPECT_GT(held, dropped);
  EXPECT_NEAR(dropped, height / 2, 3);
  EXPECT_TRUE(SaveWindowPng(meter_, "meter"));
}

TEST_F(MeterTest, MessagesStoreBoundedValuesAndReadThemBack) {
  EXPECT_EQ(Send(kMeterSetChannels, 0, 9), 6);
  EXPECT_EQ(Send(kMeterGetChannels, 0, 0), 6);
  Send(kMeterSetChannels, 0, 2);
  EXPECT_EQ(SetValues(kMeterSetLevels, std::vector<int32_t>(10, 1234)), 2);  // read up to the channel count
  std::vector<int32_t> out(10, -7);
  EXPECT_EQ(Send(kMeterGetLevels, MAKEWPARAM(0, 10), reinterpret_cast<LPARAM>(out.data())), 2);
  EXPECT_EQ(out, (std::vector<int32_t>{1234, 1234, -7, -7, -7, -7, -7, -7, -7, -7}));
  SetValues(kMeterSetLevels, {40000, 1000});
  EXPECT_EQ(Values(kMeterGetLevels), (std::vector<int32_t>{32767, 1000}));
  EXPECT_EQ(Values(kMeterGetClipHolds), (std::vector<int32_t>{40000, 1234}));
  SetValues(kMeterSetClipHolds, {-5, 3000});
  EXPECT_EQ(Values(kMeterGetClipHolds), (std::vector<int32_t>{0, 3000}));
  EXPECT_EQ(Send(kMeterSetFullScale, 0, 0), 1);  // at least 1
}

// Without its own menu the meter lets clicks through to the page, except on
// the clip indicator when it has one, which resets its channel's clip hold
// (every channel's when linked, as the menu item does).
TEST_F(MeterTest, ClicksFallThroughUnlessTheMeterTakesThem) {
  const RECT bar = Bar(0);
  const struct {
    WORD on;
    POINT at;
    LRESULT hit;
  } hits[] = {{0, Middle(bar), HTTRANSPARENT}, {0x0004, Middle(bar), HTCLIENT}, {0x0010, Middle(bar, 2), HTCLIENT},
              {0x0010, Middle(bar, bar.bottom - 3), HTTRANSPARENT}};
  for (const auto& c : hits) {
    SetOption(0x0014, false);
    SetOption(c.on, true);
    POINT screen = c.at;
    ClientToScreen(meter_, &screen);
    EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), c.hit) << c.on;
    EXPECT_EQ(WindowFromPoint(screen), c.hit == HTCLIENT ? meter_ : owner_) << c.on;
  }
  SetOption(0x0004, false);
  ShowMenu();
  EXPECT_FALSE(g_menu.shown);
  EXPECT_EQ(Of(WM_CONTEXTMENU).size(), 1u);
  SetOption(0x0004, true);
  const struct {
    bool linked;
    int bar, y;  // -1: the bar's bottom; 0: the menu item
    std::vector<int32_t> holds;
  } resets[] = {{false, 1, 2, {30000, 2000}}, {false, 1, -1, {30000, 31000}}, {true, 0, 2, {1000, 2000}},
                {false, 0, 0, {1000, 2000}}};
  for (const auto& c : resets) {
    SetValues(kMeterSetLevels, {1000, 2000});
    SetValues(kMeterSetClipHolds, {30000, 31000});
    Send(kMeterSetLinked, 0, c.linked);
    if (c.y == 0) ShowMenu(kMeterCmdResetClip);
    else Send(WM_LBUTTONDOWN, MK_LBUTTON, At(Middle(Bar(c.bar), c.y < 0 ? Bar(c.bar).bottom - 2 : c.y)));
    EXPECT_EQ(Values(kMeterGetClipHolds), c.holds);
  }
}

// A meter too thin for its labels widens to them; a screen reader hears
// the clip readouts.
TEST_F(MeterTest, LabelsWidenAThinMeterAndScreenReadersHearTheReadouts) {
  HWND thin = Create(kMeterClassName, 0x0481, {330, 10, 336, 160}, 1004);
  RECT rc;
  GetClientRect(thin, &rc);
  EXPECT_GE(rc.right, SendMessageW(thin, kMeterLabelThickness, 0, 0));
  SetValues(kMeterSetLevels, {1000, 2000});
  SetValues(kMeterSetClipHolds, {30000, 40000});
  AccessibleText heard;
  ASSERT_TRUE(ReadAccessible(meter_, &heard));
  EXPECT_EQ(heard.role, ROLE_SYSTEM_PROGRESSBAR);
  EXPECT_EQ(heard.value, L"-0.8, Clip");  // 20 log10(30000 / 32768) = -0.77 dB
}

}  // namespace

// The static/link control and the logo bar, driven with the messages a
// user's clicks, keys and pointer moves produce; pictures read back.
#include <windows.h>

#include <cstring>
#include <string>
#include <tuple>

#include "tests/win/control_owner.h"
#include "ui/logo_control.h"
#include "ui/static_control.h"

using namespace control_test;
using namespace orlofx;

namespace {

class StaticTest : public OwnerTest {
 protected:
  HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, RECT r, int id,
             HINSTANCE instance = GetModuleHandleW(nullptr)) {
    HWND control = Create(className, style, r, id, text, instance);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return control;
  }
  // The commands' ids and the notifications' codes since the last call.
  std::vector<int> Heard() {
    Pump();
    std::vector<int> heard;
    for (const Event& e : Events())
      if (e.message == WM_COMMAND || e.message == WM_NOTIFY) heard.push_back(e.message == WM_NOTIFY ? e.code : LOWORD(e.wParam));
    Clear();
    return heard;
  }
  void Click(HWND control, POINT press, POINT release) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, At(press));
    SendMessageW(control, WM_LBUTTONUP, 0, At(release));
  }
  HCURSOR CursorOver(HWND control, POINT p) {
    PointerTo(control, p);
    SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    PointerAway();
    return GetCursor();
  }
  HCURSOR Hand() { return LoadCursorW(module_.Handle(), MAKEINTRESOURCEW(4)); }
};

constexpr int kLink = -105;

// A link is its text: a click within it, or Space, notifies once; Tab moves
// on; Enter and Escape stay the dialog's; the hand shows over the text.
TEST_F(StaticTest, ALinkActsOnClicksWithinItsTextAndOnSpace) {
  HWND link = Child(kStaticClassName, L"www.orlomedia.example", kStaticLink | kStaticHitTest, {10, 10, 310, 30}, 713);
  HWND plain = Child(kStaticClassName, L"Text", 0, {10, 40, 210, 60}, 714);
  const struct {
    POINT press, release;
    std::vector<int> heard;
  } clicks[] = {{{5, 8}, {6, 8}, {kLink}}, {{5, 8}, {5, 60}, {}}, {{295, 8}, {295, 8}, {}}};  // past the text: nothing
  for (const auto& c : clicks) {
    Click(link, c.press, c.release);
    EXPECT_EQ(Heard(), c.heard) << c.press.x << " " << c.release.y;
    EXPECT_NE(GetCapture(), link);
  }
  SendMessageW(link, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(Heard(), std::vector<int>({kLink}));
  Key(link, VK_TAB);
  Key(link, VK_TAB, false, true);
  Pump();
  ASSERT_EQ(Of(WM_NEXTDLGCTL).size(), 2u);
  EXPECT_EQ(Of(WM_NEXTDLGCTL)[0].wParam + 2 * Of(WM_NEXTDLGCTL)[1].wParam, 2u);  // 0, then 1 with Shift
  for (const auto& [control, key, code] : {std::tuple<HWND, WPARAM, LRESULT>{link, VK_RETURN, DLGC_STATIC},
                                           {link, VK_ESCAPE, DLGC_STATIC}, {link, 'A', DLGC_STATIC | DLGC_WANTALLKEYS},
                                           {link, 0, DLGC_STATIC | DLGC_WANTALLKEYS}, {plain, 0, DLGC_STATIC}}) {
    MSG msg = {control, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_EQ(SendMessageW(control, WM_GETDLGCODE, key, key ? reinterpret_cast<LPARAM>(&msg) : 0), code) << key;
  }
  EXPECT_EQ(SendMessageW(link, WM_NCHITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(SendMessageW(plain, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
  EXPECT_EQ(CursorOver(link, {4, 8}), Hand());
  SetFocus(link);
  EXPECT_TRUE(SaveWindowPng(link, "static_link_focused"));
}

TEST_F(StaticTest, AStaticDrawsTheBitmapsItIsGivenItsFrameAndItsParent) {
  HWND picture = Child(kStaticClassName, L"", 0, {10, 10, 90, 50}, 720);
  const COLORREF background = PrintClient(picture).At(70, 35);
  const WPARAM module = reinterpret_cast<WPARAM>(module_.Handle());
  EXPECT_EQ(SendMessageW(picture, kStaticLoadBitmap, module, 24019), 1);
  EXPECT_NE(PrintClient(picture).At(1, 1), background);  // the logo's gradient
  EXPECT_EQ(SendMessageW(picture, kStaticLoadBitmap, module, 31999), 0);
  EXPECT_EQ(SendMessageW(picture, kStaticSetBitmap, 0, 0), 0);
  struct {
    BITMAPINFOHEADER header;
    BYTE bits[16];  // bottom row first, rows padded to 4 bytes
  } dib = {{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
           {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}};
  EXPECT_EQ(SendMessageW(picture, kStaticSetDib, 0, reinterpret_cast<LPARAM>(&dib)), 1);
  std::memset(&dib, 0, sizeof(dib));  // the control keeps its own copy
  const Painted p = PrintClient(picture);
  const int end = Scaled(2) - 1;  // pictures are drawn at the screen's DPI
  EXPECT_EQ(p.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(p.At(end, 0), RGB(255, 255, 255));
  EXPECT_EQ(p.At(0, end), RGB(255, 0, 0));
  dib.header.biSize = 12;  // a header we cannot draw
  EXPECT_EQ(SendMessageW(picture, kStaticSetDib, 0, reinterpret_cast<LPARAM>(&dib)), 0);
  // "#24019" is the logo in the module's instance, text in this program's.
  HWND text = Child(kStaticClassName, L"#24019", 0, {100, 10, 180, 40}, 721);
  HWND logo = Child(kStaticClassName, L"#24019", 0, {200, 10, 280, 40}, 722, module_.Handle());
  wchar_t shown[16] = {};
  GetWindowTextW(text, shown, 16);
  EXPECT_STREQ(shown, L"#24019");
  EXPECT_NE(PrintClient(logo).At(1, 1), PrintClient(text).At(79, 29));
  EXPECT_TRUE(SaveWindowPng(owner_, "static_bitmaps"));
  for (DWORD style = 3; style <= 9; ++style) {  // styles 4 to 9: a one-pixel frame inside the client area
    const Painted framed = PrintClient(Child(kStaticClassName, L"", style, {10, 60, 70, 90}, 730));
    EXPECT_EQ(framed.At(0, 0) == GetSysColor(COLOR_WINDOWFRAME) && framed.At(59, 29) == framed.At(0, 0) &&
                  framed.At(1, 1) != framed.At(0, 0),
              style >= 4) << style;
  }
  // A transparent static shows its parent around its text (it was black).
  HWND label = CreateWindowExW(WS_EX_TRANSPARENT, kStaticClassName, L"x", WS_CHILD | WS_VISIBLE, 10, 100, 120, 20,
                               owner_, nullptr, GetModuleHandleW(nullptr), nullptr);
  UpdateWindow(owner_);
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  ASSERT_TRUE(capture::CaptureClientRgb(label, &width, &height, &rgb));
  const std::uint8_t* right = &rgb[(static_cast<size_t>(height / 2) * width + width - 4) * 3];
  EXPECT_EQ(RGB(right[0], right[1], right[2]), GetSysColor(COLOR_BTNFACE));
}

TEST(PackedDib, SizesCountTheColourTableAndPaddedRowsAndRefuseHugeImages) {
  const struct {
    LONG width, height;
    WORD bits;
    DWORD compression, imageSize;
    std::size_t size;  // 0: refused
  } cases[] = {{2, 2, 24, BI_RGB, 0, 40 + 2 * 8},
               {3, -2, 8, BI_RGB, 0, 40 + 256 * 4 + 2 * 4},  // no colour count: 256 entries
               {32767, 32767, 32, BI_RGB, 0, 0},            // would wrap in a 32-bit module
               {1, 1, 8, BI_RLE8, 0xFFFFFFF0u, 0}};
  for (const auto& c : cases) {
    const BITMAPINFOHEADER header = {sizeof(header), c.width, c.height, 1, c.bits, c.compression, c.imageSize, 0, 0, 0, 0};
    std::size_t size = 0;
    EXPECT_EQ(PackedDibSize(&header, &size), c.size != 0) << c.width;
    EXPECT_EQ(size, c.size) << c.width;
  }
}

constexpr int kAbout = 41001, kHelp = 41000, kLogoId = 2, kWidth = 420, kHeight = 26;

class LogoTest : public StaticTest {
 protected:
  void Bar(bool buttons = true) {
    bar_ = Child(kLogoClassName, L"Noise Gate", 0, {0, 0, kWidth, kHeight}, kLogoId);
    if (!buttons) return;
    EXPECT_EQ(Send(LGM_RESET, 0, 0), 1);
    EXPECT_EQ(Send(LGM_ADDBUTTON, MAKEWPARAM(kAbout, 0), reinterpret_cast<LPARAM>(L"About")), 1);
    EXPECT_EQ(Send(LGM_ADDBUTTON, MAKEWPARAM(kHelp, 1), reinterpret_cast<LPARAM>(L"?")), 1);
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(bar_, message, wParam, lParam); }
  static int Right() { return kWidth - Scaled(2) - 1; }  // the rightmost button's last column
  std::vector<int> ClickAt(int x) {
    Click(bar_, {x, kHeight / 2}, {x, kHeight / 2});
    return Heard();
  }
  HWND bar_ = nullptr;
};

// Buttons sit right to left, the last added rightmost, then the title,
// which posts the bar's id when asked to; a click posts with the bar as
// lParam, a press released elsewhere nothing.
TEST_F(LogoTest, ButtonsSitRightToLeftAndAnswerClicksReleasedOnThem) {
  Bar();
  Send(kLogoTitleClick, 1, 0);
  std::vector<int> order;
  for (int x = Right(); x > 0 && (order.empty() || order.back() != kLogoId); x -= 2)
    for (int id : ClickAt(x))
      if (order.empty() || order.back() != id) order.push_back(id);
  EXPECT_EQ(order, std::vector<int>({kHelp, kAbout, kLogoId}));
  EXPECT_EQ(CursorOver(bar_, {Right(), kHeight / 2}), Hand());
  Click(bar_, {Right(), kHeight / 2}, {Right(), kHeight / 2});
  Pump();
  ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(Of(WM_COMMAND)[0].lParam, reinterpret_cast<LPARAM>(bar_));
  Clear();
  for (POINT release : {POINT{Right(), kHeight + 30}, POINT{300, kHeight / 2}}) {
    Click(bar_, {Right(), kHeight / 2}, release);
    EXPECT_TRUE(Heard().empty());
    EXPECT_NE(GetCapture(), bar_);
  }
  SetWindowTextW(bar_, L"");  // without a title nothing is there to click
  EXPECT_TRUE(ClickAt(Scaled(80)).empty());
  SetWindowTextW(bar_, L"Noise Gate");
  Send(LGM_RESET, 0, 0);  // no buttons: the title reaches the right edge
  EXPECT_EQ(ClickAt(Right()), std::vector<int>({kLogoId}));
  EXPECT_TRUE(SaveWindowPng(bar_, "logo_reset"));
}

// The hover look lasts while the pointer is over the logo.
TEST_F(LogoTest, TheHoverLookLastsWhileThePointerIsOverTheLogo) {
  Bar(false);
  const COLORREF normal = PrintClient(bar_).At(2, 2);
  PointerTo(bar_, {20, 12});
  Send(WM_MOUSEMOVE, 0, At(20, 12));
  EXPECT_NE(PrintClient(bar_).At(2, 2), normal);
  Send(WM_TIMER, kLogoHoverTimer, 0);  // still over it: the timer goes on
  EXPECT_NE(PrintClient(bar_).At(2, 2), normal);
  PointerAway();
  Send(WM_TIMER, kLogoHoverTimer, 0);  // gone: the timer stops, the look goes
  EXPECT_EQ(PrintClient(bar_).At(2, 2), normal);
  EXPECT_FALSE(KillTimer(bar_, kLogoHoverTimer));

  Send(WM_MOUSEMOVE, 0, At(20, 12));
  EXPECT_TRUE(KillTimer(bar_, kLogoHoverTimer));  // a move starts it
}

TEST(MakerSite, AnAddressInTheReservedExampleDomainIsAPlaceholder) {
  for (const auto& [address, placeholder] :
       {std::pair<const wchar_t*, bool>{L"", true}, {L"https://www.orlomedia.example/", true},
        {L"https://WWW.Orlomedia.EXAMPLE:8080/x", true}, {L"http://example/", true},
        {L"https://www.orlomedia.com/", false}, {L"https://example.com/", false}, {L"https://www.examples.org/", false}})
    EXPECT_EQ(IsPlaceholderAddress(address), placeholder) << placeholder;
}

}  // namespace

// The static/link control and the logo bar, driven with the messages a
// user's clicks, keys and pointer moves produce.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/win/support/capture.h"
#include "tests/win/support/module_under_test.h"
#include "ui/logo_control.h"
#include "ui/static_control.h"

namespace {

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  UINT code;  // WM_NOTIFY
};

std::vector<Received>& Log() {
  static std::vector<Received> log;
  return log;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY:
      Log().push_back({message, wParam, lParam, reinterpret_cast<const NMHDR*>(lParam)->code});
      return 0;
    case WM_COMMAND:
    case WM_NEXTDLGCTL:
      Log().push_back({message, wParam, lParam, 0});
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

void PointerTo(HWND window, int x, int y) {
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

// The control's own painting, read back.
Painted Picture(HWND control) { return PrintClient(control); }

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"orlofxStaticLogoTestParent";
    RegisterClassW(&wc);
    parent_ = CreateWindowExW(0, wc.lpszClassName, L"controls", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 460, 260,
                              nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(parent_, nullptr);
    PointerTo(GetDesktopWindow(), 1200, 1000);
    Pump();
    Log().clear();
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
    Pump();
  }

  HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    EXPECT_NE(control, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    UpdateWindow(parent_);
    return control;
  }

  std::vector<UINT> NotifyCodes() const {
    std::vector<UINT> codes;
    for (const Received& r : Log()) {
      if (r.message == WM_NOTIFY) codes.push_back(r.code);
    }
    return codes;
  }

  // Commands posted to the parent since the last call.
  std::vector<WORD> Commands() {
    Pump();
    std::vector<WORD> ids;
    for (const Received& r : Log()) {
      if (r.message == WM_COMMAND) ids.push_back(LOWORD(r.wParam));
    }
    Log().clear();
    return ids;
  }

  ModuleUnderTest module_;
  HWND parent_ = nullptr;
};

// ---- link -------------------------------------------------------------------

constexpr DWORD kLinkStyle = orlofx::kStaticLink | orlofx::kStaticHitTest;

TEST_F(ControlsTest, LinkClickInsideTheTextNotifiesOnce) {
  HWND link = Child(orlofx::kStaticClassName, L"www.orlomedia.example", kLinkStyle, 10, 10, 300, 20, 713);
  SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 8));
  EXPECT_EQ(GetCapture(), link);
  SendMessageW(link, WM_LBUTTONUP, 0, At(6, 8));
  EXPECT_EQ(NotifyCodes(), std::vector<UINT>({orlofx::kStaticLinkNotify}));
  EXPECT_EQ(Log()[0].wParam, 713u);

  // Pressed inside, released outside: nothing. Past the end of the text:
  // nothing either (the link is the text, not the whole control).
  Log().clear();
  SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 8));
  SendMessageW(link, WM_LBUTTONUP, 0, At(5, 60));
  SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, At(295, 8));
  SendMessageW(link, WM_LBUTTONUP, 0, At(295, 8));
  EXPECT_TRUE(NotifyCodes().empty());
  EXPECT_NE(GetCapture(), link);
}

TEST_F(ControlsTest, LinkSpaceActsAsAClickAndTabMovesOn) {
  HWND link = Child(orlofx::kStaticClassName, L"Home page", kLinkStyle | WS_TABSTOP, 10, 10, 200, 20, 713);
  SendMessageW(link, WM_KEYDOWN, VK_SPACE, 1);
  ASSERT_EQ(NotifyCodes(), std::vector<UINT>({orlofx::kStaticLinkNotify}));
  Log().clear();
  SendMessageW(link, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].message, static_cast<UINT>(WM_NEXTDLGCTL));
  EXPECT_EQ(Log()[0].wParam, 0u);
  Log().clear();
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(link, WM_KEYDOWN, VK_TAB, 1);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  Pump();
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].wParam, 1u);
}

TEST_F(ControlsTest, LinkDialogCodesAndHitTesting) {
  HWND link = Child(orlofx::kStaticClassName, L"Home page", kLinkStyle, 10, 10, 200, 20, 713);
  HWND plain = Child(orlofx::kStaticClassName, L"Text", 0, 10, 40, 200, 20, 714);
  MSG enter = {link, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  MSG escape = {link, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  MSG letter = {link, WM_KEYDOWN, 'A', 0, 0, {}};
  EXPECT_EQ(SendMessageW(link, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)), DLGC_STATIC);
  EXPECT_EQ(SendMessageW(link, WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(&escape)), DLGC_STATIC);
  EXPECT_EQ(SendMessageW(link, WM_GETDLGCODE, 'A', reinterpret_cast<LPARAM>(&letter)),
            DLGC_STATIC | DLGC_WANTALLKEYS);
  EXPECT_EQ(SendMessageW(link, WM_GETDLGCODE, 0, 0), DLGC_STATIC | DLGC_WANTALLKEYS);
  EXPECT_EQ(SendMessageW(plain, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
  EXPECT_EQ(SendMessageW(link, WM_NCHITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(SendMessageW(plain, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
  // The hand over the text, the arrow beside it.
  PointerTo(link, 4, 8);
  EXPECT_TRUE(SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), LoadCursorW(module_.Handle(), MAKEINTRESOURCEW(4)));
  PointerTo(GetDesktopWindow(), 1200, 1000);
  SetFocus(link);
  EXPECT_TRUE(SaveWindowPng(link, "static_link_focused"));
}

// ---- static bitmaps ---------------------------------------------------------

TEST_F(ControlsTest, StaticTakesBitmapsFromResourcesHandlesAndPackedCopies) {
  HWND picture = Child(orlofx::kStaticClassName, L"", 0, 10, 10, 80, 40, 720);
  const COLORREF background = Picture(picture).At(70, 35);
  EXPECT_EQ(SendMessageW(picture, orlofx::kStaticLoadBitmap, reinterpret_cast<WPARAM>(module_.Handle()), 24019), 1);
  EXPECT_NE(Picture(picture).At(1, 1), background);  // the logo's gradient
  EXPECT_EQ(SendMessageW(picture, orlofx::kStaticLoadBitmap, reinterpret_cast<WPARAM>(module_.Handle()), 31999), 0);
  EXPECT_EQ(SendMessageW(picture, orlofx::kStaticSetBitmap, 0, 0), 0);

  // A packed 24-bit 2 x 2 bitmap without image size: rows padded to 4 bytes.
  struct {
    BITMAPINFOHEADER header;
    BYTE bits[16];
  } dib = {};
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biWidth = 2;
  dib.header.biHeight = 2;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = 24;
  const BYTE rows[16] = {0, 0, 255, 0, 255, 0, 0, 0,     // bottom row: red, green
                         255, 0, 0, 255, 255, 255, 0, 0};  // top row: blue, white
  std::memcpy(dib.bits, rows, sizeof(rows));
  std::size_t size = 0;
  ASSERT_TRUE(orlofx::PackedDibSize(&dib.header, &size));
  EXPECT_EQ(size, sizeof(BITMAPINFOHEADER) + 16);
  EXPECT_EQ(SendMessageW(picture, orlofx::kStaticSetDib, 0, reinterpret_cast<LPARAM>(&dib)), 1);
  std::memset(&dib, 0, sizeof(dib));  // the control keeps its own copy
  {
    const Painted p = Picture(picture);
    EXPECT_EQ(p.At(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(p.At(1, 0), RGB(255, 255, 255));
    EXPECT_EQ(p.At(0, 1), RGB(255, 0, 0));
  }
  // A header we cannot draw is refused.
  BITMAPINFOHEADER odd = {};
  odd.biSize = 12;
  EXPECT_EQ(SendMessageW(picture, orlofx::kStaticSetDib, 0, reinterpret_cast<LPARAM>(&odd)), 0);

  // An 8-bit bitmap without a colour count carries 256 table entries.
  BITMAPINFOHEADER indexed = {};
  indexed.biSize = sizeof(indexed);
  indexed.biWidth = 3;
  indexed.biHeight = -2;
  indexed.biBitCount = 8;
  ASSERT_TRUE(orlofx::PackedDibSize(&indexed, &size));
  EXPECT_EQ(size, sizeof(indexed) + 256 * sizeof(RGBQUAD) + 2 * 4);

  // Headers whose image would need gigabytes are refused in both builds
  // (in a 32-bit module the byte count would wrap to a small allocation).
  BITMAPINFOHEADER huge = {};
  huge.biSize = sizeof(huge);
  huge.biWidth = 32767;
  huge.biHeight = 32767;
  huge.biBitCount = 32;
  EXPECT_FALSE(orlofx::PackedDibSize(&huge, &size));
  EXPECT_EQ(SendMessageW(picture, orlofx::kStaticSetDib, 0, reinterpret_cast<LPARAM>(&huge)), 0);
  BITMAPINFOHEADER stated = huge;
  stated.biWidth = 1;
  stated.biHeight = 1;
  stated.biCompression = BI_RLE8;
  stated.biBitCount = 8;
  stated.biSizeImage = 0xFFFFFFF0u;
  EXPECT_FALSE(orlofx::PackedDibSize(&stated, &size));
}

TEST_F(ControlsTest, StaticTextBeginningWithHashLoadsThatBitmap) {
  // The window's instance is the test program here, which has no bitmaps:
  // the text stays text and nothing is drawn but the text.
  HWND plain = Child(orlofx::kStaticClassName, L"#24019", 0, 10, 10, 80, 30, 721);
  wchar_t text[16] = {};
  GetWindowTextW(plain, text, 16);
  EXPECT_STREQ(text, L"#24019");
  // Created with the module's instance, the same text is the logo.
  HWND logo = CreateWindowExW(0, orlofx::kStaticClassName, L"#24019", WS_CHILD | WS_VISIBLE, 100, 10, 80, 30,
                              parent_, reinterpret_cast<HMENU>(722), module_.Handle(), nullptr);
  ASSERT_NE(logo, nullptr);
  EXPECT_NE(Picture(logo).At(1, 1), Picture(plain).At(79, 29));
  SetWindowTextW(plain, L"Plain text");
  EXPECT_TRUE(SaveWindowPng(parent_, "static_bitmaps"));
}

// A transparent static shows what lies under it around its text, as a
// static that paints no background should (it used to show black there).
TEST_F(ControlsTest, ATransparentStaticShowsItsParentAroundItsText) {
  HWND label = CreateWindowExW(WS_EX_TRANSPARENT, orlofx::kStaticClassName, L"x", WS_CHILD | WS_VISIBLE, 10, 10, 120,
                               20, parent_, reinterpret_cast<HMENU>(77), GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(label, nullptr);
  UpdateWindow(parent_);
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  ASSERT_TRUE(capture::CaptureClientRgb(label, &width, &height, &rgb));
  // Far right of the one-letter text: the parent's face colour.
  const std::uint8_t* p = &rgb[(static_cast<size_t>(height / 2) * width + width - 4) * 3];
  EXPECT_EQ(RGB(p[0], p[1], p[2]), GetSysColor(COLOR_BTNFACE));
  DestroyWindow(label);
}

TEST_F(ControlsTest, FrameStylesDrawAOnePixelFrame) {
  HWND framed = Child(orlofx::kStaticClassName, L"", 5, 10, 10, 60, 30, 723);
  HWND bare = Child(orlofx::kStaticClassName, L"", 3, 100, 10, 60, 30, 724);
  EXPECT_EQ(Picture(framed).At(0, 0), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(Picture(framed).At(59, 29), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_NE(Picture(framed).At(1, 1), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(Picture(bare).At(0, 0), Picture(bare).At(30, 15));
}

// ---- logo bar ---------------------------------------------------------------

constexpr int kAbout = 41001;
constexpr int kHelp = 41000;
constexpr int kLogoId = 2;
constexpr int kBarHeight = 26;

class LogoTest : public ControlsTest {
 protected:
  HWND Bar(const wchar_t* title = L"Noise Gate") {
    HWND bar = Child(orlofx::kLogoClassName, title, 0, 0, 0, 420, kBarHeight, kLogoId);
    EXPECT_EQ(SendMessageW(bar, orlofx::LGM_RESET, 0, 0), 1);
    EXPECT_EQ(SendMessageW(bar, orlofx::LGM_ADDBUTTON, MAKEWPARAM(kAbout, 0), reinterpret_cast<LPARAM>(L"About")), 1);
    EXPECT_EQ(SendMessageW(bar, orlofx::LGM_ADDBUTTON, MAKEWPARAM(kHelp, 1), reinterpret_cast<LPARAM>(L"?")), 1);
    return bar;
  }

  void Click(HWND bar, int x, int y = kBarHeight / 2) {
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    SendMessageW(bar, WM_LBUTTONUP, 0, At(x, y));
  }

  // The commands met clicking from the right edge leftward, up to the title
  // (which, asked to, answers with the bar's own id).
  std::vector<WORD> CommandsFromTheRight(HWND bar) {
    SendMessageW(bar, orlofx::kLogoTitleClick, 1, 0);
    std::vector<WORD> order;
    for (int x = 420 - 3; x > 0 && (order.empty() || order.back() != kLogoId); x -= 2) {
      Click(bar, x);
      for (WORD id : Commands()) {
        if (order.empty() || order.back() != id) order.push_back(id);
      }
    }
    return order;
  }
};

TEST_F(LogoTest, ButtonsSitRightToLeftWithTheLastAddedRightmost) {
  HWND bar = Bar();
  Click(bar, 420 - 3);
  EXPECT_EQ(Commands(), std::vector<WORD>({kHelp}));
  EXPECT_EQ(CommandsFromTheRight(bar), std::vector<WORD>({kHelp, kAbout, kLogoId}));
  // Posted with the bar as lParam.
  Click(bar, 420 - 3);
  Pump();
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back().lParam, reinterpret_cast<LPARAM>(bar));
  Log().clear();
  // After a reset there are no buttons: the title reaches the right edge.
  SendMessageW(bar, orlofx::LGM_RESET, 0, 0);
  Click(bar, 420 - 3);
  EXPECT_EQ(Commands(), std::vector<WORD>({kLogoId}));
  EXPECT_TRUE(SaveWindowPng(bar, "logo_reset"));
}

TEST_F(LogoTest, PressingAButtonAndReleasingElsewhereSendsNothing) {
  HWND bar = Bar();
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(420 - 3, kBarHeight / 2));
  EXPECT_EQ(GetCapture(), bar);
  SendMessageW(bar, WM_LBUTTONUP, 0, At(420 - 3, kBarHeight + 30));
  EXPECT_TRUE(Commands().empty());
  EXPECT_NE(GetCapture(), bar);
  // Released on the other button: nothing either.
  const std::vector<WORD> order = CommandsFromTheRight(bar);
  ASSERT_EQ(order.size(), 3u);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(420 - 3, kBarHeight / 2));
  SendMessageW(bar, WM_LBUTTONUP, 0, At(300, kBarHeight / 2));
  EXPECT_TRUE(Commands().empty());
}

TEST_F(LogoTest, DisabledAndUnenabledButtonsDoNothing) {
  HWND bar = Bar();
  EXPECT_EQ(SendMessageW(bar, orlofx::kLogoSetDisabled, kHelp, 1), 1);
  EXPECT_EQ(SendMessageW(bar, orlofx::kLogoSetDisabled, 12345, 1), 0);
  Click(bar, 420 - 3);
  EXPECT_TRUE(Commands().empty());
  // The arrow over a disabled button, the hand over a usable one.
  PointerTo(bar, 420 - 3, kBarHeight / 2);
  SendMessageW(bar, WM_SETCURSOR, reinterpret_cast<WPARAM>(bar), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_TRUE(SaveWindowPng(bar, "logo_disabled_button"));
  SendMessageW(bar, orlofx::kLogoSetDisabled, kHelp, 0);
  SendMessageW(bar, WM_SETCURSOR, reinterpret_cast<WPARAM>(bar), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(module_.Handle(), MAKEINTRESOURCEW(4)));
  Click(bar, 420 - 3);
  EXPECT_EQ(Commands(), std::vector<WORD>({kHelp}));
  EXPECT_EQ(SendMessageW(bar, orlofx::kLogoSetEnabled, kHelp, 0), 1);
  Click(bar, 420 - 3);
  EXPECT_TRUE(Commands().empty());
  PointerTo(GetDesktopWindow(), 1200, 1000);
}

TEST_F(LogoTest, TitleClickPostsTheBarsIdWhenAsked) {
  HWND bar = Bar();
  // The title box starts right of the logo (60 pixels wide).
  SendMessageW(bar, orlofx::kLogoTitleClick, 1, 0);
  Click(bar, 80);
  EXPECT_EQ(Commands(), std::vector<WORD>({kLogoId}));
  // Without a title there is no title area to click.
  SetWindowTextW(bar, L"");
  Click(bar, 80);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(LogoTest, HoverTimerRunsWhileThePointerIsOverAnItem) {
  HWND bar = Bar();
  const COLORREF normal = Picture(bar).At(2, 2);
  PointerTo(bar, 20, 12);
  SendMessageW(bar, WM_MOUSEMOVE, 0, At(20, 12));
  EXPECT_NE(Picture(bar).At(2, 2), normal);  // the hover logo
  // A tick with the pointer still over the logo keeps the timer...
  SendMessageW(bar, WM_TIMER, orlofx::kLogoHoverTimer, 0);
  EXPECT_NE(Picture(bar).At(2, 2), normal);
  // ...one after it has left stops it and drops the hover look.
  PointerTo(GetDesktopWindow(), 1200, 1000);
  SendMessageW(bar, WM_TIMER, orlofx::kLogoHoverTimer, 0);
  EXPECT_EQ(Picture(bar).At(2, 2), normal);
  EXPECT_FALSE(KillTimer(bar, orlofx::kLogoHoverTimer));
  // A move starts it again.
  SendMessageW(bar, WM_MOUSEMOVE, 0, At(20, 12));
  EXPECT_TRUE(KillTimer(bar, orlofx::kLogoHoverTimer));
}

TEST_F(LogoTest, ButtonTextIsKeptToSixtyThreeCharacters) {
  HWND bar = Child(orlofx::kLogoClassName, L"", 0, 0, 0, 420, kBarHeight, kLogoId);
  std::wstring longText(200, L'i');
  EXPECT_EQ(SendMessageW(bar, orlofx::LGM_ADDBUTTON, MAKEWPARAM(7, 1), reinterpret_cast<LPARAM>(longText.c_str())), 1);
  EXPECT_EQ(SendMessageW(bar, orlofx::LGM_ADDBUTTON, MAKEWPARAM(8, 1), 0), 1);  // no text: an empty button
  Pump();
  // 200 characters would reach across the whole bar; 63 leave its left free.
  Click(bar, 1);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(LogoTest, ImageButtonsTakeTheirImagesWidth) {
  HWND bar = Bar();
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24, 1, 0);
  HDC screen = GetDC(bar);
  HBITMAP square = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(bar, screen);
  ImageList_Add(list, square, nullptr);
  SendMessageW(bar, orlofx::kLogoSetImages, reinterpret_cast<WPARAM>(list), 0);
  SendMessageW(bar, orlofx::kLogoAddImageButton, 41002, 0);
  // The image button, added last, is rightmost and 16 pixels wide.
  Click(bar, 420 - 2 - 1);
  EXPECT_EQ(Commands(), std::vector<WORD>({41002}));
  Click(bar, 420 - 2 - 15);
  EXPECT_EQ(Commands(), std::vector<WORD>({41002}));
  Click(bar, 420 - 2 - 16 - 3);
  EXPECT_EQ(Commands(), std::vector<WORD>({kHelp}));
  ImageList_Destroy(list);
  DeleteObject(square);
}

// An image button shows its hot image while the pointer is over it, and
// only it: each button compares the hovered item with its own.
TEST_F(LogoTest, OnlyTheImageButtonUnderThePointerShowsItsHotImage) {
  HWND bar = Child(orlofx::kLogoClassName, L"", 0, 0, 0, 420, kBarHeight, kLogoId);
  HDC screen = GetDC(bar);
  auto solid = [&](COLORREF colour) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24, 1, 0);
    HBITMAP square = CreateCompatibleBitmap(screen, 16, 16);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, square);
    const RECT all = {0, 0, 16, 16};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, old);
    DeleteDC(memory);
    ImageList_Add(list, square, nullptr);
    DeleteObject(square);
    return list;
  };
  const COLORREF blue = RGB(0, 0, 255), red = RGB(255, 0, 0);
  HIMAGELIST normal = solid(blue), hot = solid(red);
  ReleaseDC(bar, screen);
  SendMessageW(bar, orlofx::kLogoSetImages, reinterpret_cast<WPARAM>(normal), 0);
  SendMessageW(bar, orlofx::kLogoSetImages + 1, reinterpret_cast<WPARAM>(hot), 0);
  SendMessageW(bar, orlofx::kLogoAddImageButton, 41002, 0);
  SendMessageW(bar, orlofx::kLogoAddImageButton, 41003, 0);
  // The last added is rightmost: 41003 at x 402..417, 41002 at 384..399.
  const int second = 420 - 2 - 8, first = 420 - 2 - 16 - 2 - 8;
  const int y = kBarHeight / 2;
  EXPECT_EQ(Picture(bar).At(first, y), blue);
  EXPECT_EQ(Picture(bar).At(second, y), blue);
  for (const auto& [over, other] : {std::pair<int, int>{second, first}, std::pair<int, int>{first, second}}) {
    SendMessageW(bar, WM_MOUSEMOVE, 0, At(over, y));
    const Painted picture = Picture(bar);
    EXPECT_EQ(picture.At(over, y), red) << over;
    EXPECT_EQ(picture.At(other, y), blue) << over;
  }
  KillTimer(bar, orlofx::kLogoHoverTimer);
  DestroyWindow(bar);
  ImageList_Destroy(normal);
  ImageList_Destroy(hot);
}

TEST(MakerSite, AnAddressInTheReservedExampleDomainIsAPlaceholder) {
  const struct {
    const wchar_t* address;
    bool placeholder;
  } cases[] = {{L"", true},
               {L"https://www.orlomedia.example/", true},
               {L"https://WWW.Orlomedia.EXAMPLE:8080/x", true},
               {L"http://example/", true},
               {L"https://www.orlomedia.com/", false},
               {L"https://example.com/", false},
               {L"https://www.examples.org/", false}};
  for (const auto& c : cases)
    EXPECT_EQ(orlofx::IsPlaceholderAddress(c.address), c.placeholder) << std::string(c.address, c.address + wcslen(c.address));
}

}  // namespace

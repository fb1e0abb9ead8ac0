// The envelope graph driven as a user drives it: mouse and key messages at
// pixel positions the control itself reports, with the notifications read
// back from a test owner window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/controls/envelope_model.h"
#include "tests/win/support/capture.h"
#include "ui/envelope_control.h"

using orlofx::EnvelopePoint;

namespace {

// --- the test owner: records what the graph posts to it -----------------------------

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Posted> g_posted;
int g_beeps = 0;

void CountBeep(UINT) { ++g_beeps; }

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case orlofx::kEnvNotifyChanged:
    case orlofx::kEnvNotifyTracking:
    case orlofx::kEnvNotifyEnd:
    case WM_NEXTDLGCTL:
    case WM_KEYDOWN:
      g_posted.push_back({message, wParam, lParam});
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void RegisterClasses() {
  static bool done = [] {
    WNDCLASSW owner = {};
    owner.lpfnWndProc = OwnerProc;
    owner.hInstance = GetModuleHandleW(nullptr);
    owner.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    owner.lpszClassName = L"h12EnvelopeOwner";
    RegisterClassW(&owner);
    // The module's registration, made here with this program's copy of the
    // procedure so that the test seams reach it.
    WNDCLASSW graph = {};
    graph.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    graph.lpfnWndProc = orlofx::EnvelopeWndProc;
    graph.cbWndExtra = sizeof(LONG_PTR);
    graph.hInstance = GetModuleHandleW(nullptr);
    graph.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    graph.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    graph.lpszClassName = orlofx::kEnvelopeClassName;
    return RegisterClassW(&graph) != 0;
  }();
  ASSERT_TRUE(done);
}

class EnvelopeTest : public ::testing::Test {
 protected:
  // One owner for the suite: top-level windows are slow to come and go.
  static void SetUpTestSuite() {
    RegisterClasses();
    sharedOwner_ = CreateWindowExW(0, L"h12EnvelopeOwner", L"Envelope graph",
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 360, 280, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  }
  static void TearDownTestSuite() {
    if (sharedOwner_) DestroyWindow(sharedOwner_);
    sharedOwner_ = nullptr;
  }
  void SetUp() override {
    RegisterClasses();
    owner_ = sharedOwner_;
    ASSERT_NE(owner_, nullptr);
    graph_ = CreateWindowExW(0, orlofx::kEnvelopeClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10,
                             300, 200, owner_, reinterpret_cast<HMENU>(6091), GetModuleHandleW(nullptr),
                             nullptr);
    ASSERT_NE(graph_, nullptr);
    orlofx::SetEnvelopeBeepFunction(CountBeep);
    Send(orlofx::kEnvSetXMin, 0, 0);
    Send(orlofx::kEnvSetXMax, 0, 1000);
    Send(orlofx::kEnvSetYMin, 0, 0);
    Send(orlofx::kEnvSetYMax, 0, 1000);
    Send(orlofx::kEnvSetCapacity, 16, 0);
    Send(orlofx::kEnvSetNotifyWindow, 0, reinterpret_cast<LPARAM>(owner_));
    Send(orlofx::kEnvSetTrackingWindow, 0, reinterpret_cast<LPARAM>(owner_));
    Send(orlofx::kEnvSetEndWindow, 0, reinterpret_cast<LPARAM>(owner_));
    Take();
    g_beeps = 0;
  }
  void TearDown() override {
    SetKeys(false, false);
    orlofx::SetEnvelopeBeepFunction(nullptr);
    if (graph_) DestroyWindow(graph_);
    g_posted.clear();
  }

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(graph_, message, wParam, lParam);
  }
  // Hands the points over; `kept` is how many the graph is to keep (all).
  void SetPoints(std::vector<EnvelopePoint> pts, size_t kept = 0) {
    ASSERT_EQ(Send(orlofx::kEnvSetPoints, pts.size(), reinterpret_cast<LPARAM>(pts.data())),
              static_cast<LRESULT>(kept ? kept : pts.size()));
  }
  std::vector<EnvelopePoint> Points() {
    std::vector<EnvelopePoint> pts(4095);
    const LRESULT n = Send(orlofx::kEnvGetPoints, pts.size(), reinterpret_cast<LPARAM>(pts.data()));
    pts.resize(static_cast<size_t>(n));
    return pts;
  }
  int Px(int32_t x) { return static_cast<int>(Send(orlofx::kEnvXToPixel, 0, x)); }
  int Py(int32_t y) { return static_cast<int>(Send(orlofx::kEnvYToPixel, 0, y)); }
  int32_t Vx(int px) { return static_cast<int32_t>(Send(orlofx::kEnvPixelToX, 0, px)); }
  int32_t Vy(int py) { return static_cast<int32_t>(Send(orlofx::kEnvPixelToY, 0, py)); }
  POINT At(const EnvelopePoint& p) { return {Px(p.x), Py(p.y)}; }

  void Mouse(UINT message, POINT p, WPARAM keys = 0) { Send(message, keys, MAKELPARAM(p.x, p.y)); }
  void Press(POINT p) { Mouse(WM_LBUTTONDOWN, p, MK_LBUTTON); }
  void Move(POINT p) { Mouse(WM_MOUSEMOVE, p, MK_LBUTTON); }
  void Release(POINT p) { Mouse(WM_LBUTTONUP, p); }
  void Drag(POINT from, POINT to) {
    Press(from);
    Move(to);
    Release(to);
  }
  void DoubleClick(POINT p) {
    Press(p);
    Release(p);
    Mouse(WM_LBUTTONDBLCLK, p, MK_LBUTTON);
    Release(p);
  }
  void Key(WPARAM key) { Send(WM_KEYDOWN, key, 1); }
  static void SetKeys(bool ctrl, bool shift) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
  }
  void KeyWith(WPARAM key, bool ctrl, bool shift) {
    SetKeys(ctrl, shift);
    Key(key);
    SetKeys(false, false);
  }
  int Flags(int index) { return static_cast<int>(Send(orlofx::kEnvQueryPoint, index, 0)); }
  bool IsSelected(int index) { return (Flags(index) & 4) != 0; }

  // The messages posted to the owner since the last call, of one kind.
  std::vector<Posted> Take(UINT only = 0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    std::vector<Posted> out;
    for (const Posted& p : g_posted)
      if (only == 0 || p.message == only) out.push_back(p);
    g_posted.clear();
    return out;
  }

  static HWND sharedOwner_;
  HWND owner_ = nullptr;
  HWND graph_ = nullptr;
};
HWND EnvelopeTest::sharedOwner_ = nullptr;

// Two points at the top and one in the middle at half height.
const std::vector<EnvelopePoint> kThree = {{0, 1000}, {500, 500}, {1000, 1000}};

LPARAM Pack(int high, int low) {
  return static_cast<LPARAM>(static_cast<LONG>((static_cast<DWORD>(high & 0xFFFF) << 16) |
                                               static_cast<DWORD>(low & 0xFFFF)));
}

bool SamePoints(const std::vector<EnvelopePoint>& a, const std::vector<EnvelopePoint>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto& p, auto& q) {
           return p.x == q.x && p.y == q.y;
         });
}

// --- deletion -------------------------------------------------------------------------

TEST_F(EnvelopeTest, DoubleClickDeletesAnInteriorPointDownToTheMinimum) {
  SetPoints(kThree);
  ASSERT_EQ(Send(orlofx::kEnvGetMinimumCount, 0, 0), 2);
  DoubleClick(At(kThree[1]));
  const std::vector<EnvelopePoint> after = Points();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].x, 0);
  EXPECT_EQ(after[1].x, 1000);
  // The deletion names the point; no selection reads as 0xFFFF.
  const std::vector<Posted> changed = Take(orlofx::kEnvNotifyChanged);
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(changed.back().lParam, Pack(1, -1));
  EXPECT_EQ(changed.back().wParam, 0u);

  // At the minimum count the point stays, and so does a locked one.
  SetPoints(kThree);
  ASSERT_EQ(Send(orlofx::kEnvSetMinimumCount, 0, 3), 3);
  DoubleClick(At(kThree[1]));
  EXPECT_EQ(Points().size(), 3u);
  ASSERT_EQ(Send(orlofx::kEnvSetMinimumCount, 0, 2), 2);
  ASSERT_EQ(Send(orlofx::kEnvLockPoint, 1, 1), 1);
  Mouse(WM_RBUTTONDOWN, At(kThree[1]));
  EXPECT_EQ(Points().size(), 3u);
  EXPECT_GE(g_beeps, 2);
}

TEST_F(EnvelopeTest, RightClickDeletesAndElsewhereBeeps) {
  SetPoints({{0, 1000}, {250, 500}, {500, 200}, {1000, 1000}});
  KeyWith('A', true, false);  // select everything: the start is reported
  Mouse(WM_RBUTTONDOWN, At({250, 500}));
  Mouse(WM_RBUTTONUP, At({250, 500}));
  EXPECT_EQ(Points().size(), 3u);
  const std::vector<Posted> changed = Take(orlofx::kEnvNotifyChanged);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].lParam, Pack(1, 0));
  Mouse(WM_RBUTTONDOWN, {Px(750), Py(100)});
  EXPECT_EQ(g_beeps, 1);
  EXPECT_EQ(Points().size(), 3u);
}

// --- dragging ---------------------------------------------------------------------------

TEST_F(EnvelopeTest, EscapeDuringADragRestoresThePoints) {
  SetPoints(kThree);
  Press(At(kThree[1]));
  Move({Px(200), Py(100)});
  ASSERT_FALSE(SamePoints(Points(), kThree));
  EXPECT_EQ(GetCapture(), graph_);
  Take();
  Key(VK_ESCAPE);
  EXPECT_TRUE(SamePoints(Points(), kThree));
  EXPECT_NE(GetCapture(), graph_);
  const std::vector<Posted> changed = Take(orlofx::kEnvNotifyChanged);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].lParam, -1);
  // The release after the cancel changes nothing more.
  Release({Px(200), Py(100)});
  EXPECT_TRUE(SamePoints(Points(), kThree));
  EXPECT_TRUE(Take(orlofx::kEnvNotifyChanged).empty());

  // A selection drag is taken back the same way.
  SetPoints({{0, 1000}, {300, 600}, {600, 400}, {1000, 1000}});
  const std::vector<EnvelopePoint> four = Points();
  Send(WM_SETFOCUS, 0, 0);
  KeyWith(VK_TAB, true, false);
  KeyWith(VK_TAB, true, false);  // point 1
  KeyWith(VK_RIGHT, false, true);  // and point 2
  ASSERT_TRUE(IsSelected(1) && IsSelected(2));
  Press(At(four[2]));
  Move({Px(four[2].x) + 10, Py(four[2].y) - 15});
  ASSERT_FALSE(SamePoints(Points(), four));
  Key(VK_ESCAPE);
  EXPECT_TRUE(SamePoints(Points(), four));
  Release({Px(four[2].x) + 10, Py(four[2].y) - 15});
}

TEST_F(EnvelopeTest, SuppressedNotificationsArriveOnlyAtTheEndOfADrag) {
  SetPoints(kThree);
  Send(orlofx::kEnvSetNotifyWindow, 1, reinterpret_cast<LPARAM>(owner_));
  Press(At(kThree[1]));
  Move({Px(400), Py(400)});
  Move({Px(420), Py(300)});
  EXPECT_TRUE(Take(orlofx::kEnvNotifyChanged).empty());
  Release({Px(420), Py(300)});
  const std::vector<Posted> changed = Take(orlofx::kEnvNotifyChanged);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].lParam, Pack(1, -1));

  Send(orlofx::kEnvSetNotifyWindow, 0, reinterpret_cast<LPARAM>(owner_));
  Press(At(Points()[1]));
  Move({Px(450), Py(350)});
  Move({Px(460), Py(360)});
  Release({Px(460), Py(360)});
  EXPECT_EQ(Take(orlofx::kEnvNotifyChanged).size(), 3u);
}

TEST_F(EnvelopeTest, TrackingCarriesTheClampedValuesUnderThePointer) {
  Send(orlofx::kEnvSetXMin, 0, -840);
  Send(orlofx::kEnvSetXMax, 0, 0);
  Send(orlofx::kEnvSetYMin, 0, -840);
  Send(orlofx::kEnvSetYMax, 0, 0);
  Take();
  const POINT p = {Px(-300), Py(-600)};
  Mouse(WM_MOUSEMOVE, p);
  Mouse(WM_MOUSEMOVE, {-50, 500});  // outside the graph: clamped to the ranges
  const std::vector<Posted> tracked = Take(orlofx::kEnvNotifyTracking);
  ASSERT_EQ(tracked.size(), 2u);
  EXPECT_EQ(tracked[0].wParam, 0u);
  EXPECT_EQ(static_cast<short>(LOWORD(tracked[0].lParam)), Vx(p.x));
  EXPECT_EQ(static_cast<short>(HIWORD(tracked[0].lParam)), Vy(p.y));
  EXPECT_EQ(tracked[0].lParam, Pack(Vy(p.y), Vx(p.x)));
  EXPECT_EQ(static_cast<short>(LOWORD(tracked[1].lParam)), -840);
  EXPECT_EQ(static_cast<short>(HIWORD(tracked[1].lParam)), -840);
}

// --- insertion -----------------------------------------------------------------------------

TEST_F(EnvelopeTest, InsertKeyAddsAPointAfterTheSelectionAndDeleteRemovesIt) {
  SetPoints(kThree);
  Send(WM_SETFOCUS, 0, 0);
  KeyWith(VK_TAB, true, false);
  KeyWith(VK_TAB, true, false);
  ASSERT_TRUE(IsSelected(1));
  Take();
  Key(VK_INSERT);
  std::vector<EnvelopePoint> after = Points();
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[2].x, Vx(Px(500) + 10));
  EXPECT_EQ(after[2].y, Vy(Py(500) - 1));
  EXPECT_TRUE(IsSelected(1) && IsSelected(2));
  EXPECT_EQ(Take(orlofx::kEnvNotifyChanged).size(), 1u);

  Key(VK_DELETE);
  after = Points();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(Take(orlofx::kEnvNotifyChanged).size(), 1u);
  // A selection holding an end point is not deleted.
  KeyWith('A', true, false);
  Key(VK_DELETE);
  EXPECT_EQ(Points().size(), 2u);
  EXPECT_EQ(g_beeps, 1);
}

// --- free end -------------------------------------------------------------------------------

TEST_F(EnvelopeTest, DraggingTheFreeEndLeftRemovesThePointsBeyondIt) {
  SetPoints({{0, 1000}, {200, 800}, {400, 600}, {600, 400}, {1000, 200}});
  Send(orlofx::kEnvSetFreeEnd, 1, 0);
  int32_t end = 0;
  Send(orlofx::kEnvGetEndX, 0, reinterpret_cast<LPARAM>(&end));
  ASSERT_EQ(end, 1000);
  Take();
  // The handle spans the graph's height at the end column: grab it where no
  // point lies.
  Drag({Px(1000), Py(600)}, {Px(300), Py(600)});
  const std::vector<EnvelopePoint> after = Points();
  Send(orlofx::kEnvGetEndX, 0, reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end, Vx(Px(300)));
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[1].x, 200);
  EXPECT_EQ(after[2].x, end);
  // The new end lies on the old curve between 200 and 400.
  EXPECT_LT(after[2].y, 800);
  EXPECT_GT(after[2].y, 600);
  const std::vector<Posted> ends = Take(orlofx::kEnvNotifyEnd);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].lParam, end);
  EXPECT_EQ(ends[0].wParam, 0u);
}

// Where the end handle and the line meet (a steep last segment beside the
// end column), the cursor shows what a press there does: it drags the end.
TEST_F(EnvelopeTest, OverTheEndHandleAndTheLineTheCursorAndThePressAgree) {
  SetPoints({{0, 1000}, {980, 1000}, {1000, 0}});
  Send(orlofx::kEnvSetFreeEnd, 1, 0);
  // One pixel left of the end column, on the steep segment, far from both
  // of its points.
  const int x = Px(1000) - 1;
  const int y = Py(1000) + (x - Px(980)) * (Py(0) - Py(1000)) / (Px(1000) - Px(980));
  ASSERT_GT(Py(0) - y, 5);
  ASSERT_GT(y - Py(1000), 5);
  POINT screen = {x, y};
  ClientToScreen(graph_, &screen);
  SetCursorPos(screen.x, screen.y);
  POINT check = {};
  GetCursorPos(&check);
  if (check.x != screen.x || check.y != screen.y) GTEST_SKIP() << "the pointer cannot be placed here";
  Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(graph_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
  Take();
  Drag({x, y}, {Px(500), y});
  EXPECT_EQ(Take(orlofx::kEnvNotifyEnd).size(), 1u);
  int32_t end = 0;
  Send(orlofx::kEnvGetEndX, 0, reinterpret_cast<LPARAM>(&end));
  EXPECT_LT(end, 1000);
}

TEST_F(EnvelopeTest, EndXMessagesCutOnlyInFreeEndMode) {
  SetPoints({{0, 1000}, {200, 800}, {400, 600}, {1000, 200}});
  EXPECT_EQ(Send(orlofx::kEnvSetEndX, 0, 300), 300);
  EXPECT_EQ(Points().size(), 4u);
  Send(orlofx::kEnvSetFreeEnd, 1, 0);
  EXPECT_EQ(Send(orlofx::kEnvSetEndX, 0, 300), 300);
  EXPECT_EQ(Points().size(), 3u);
  EXPECT_EQ(Points().back().x, 300);
  // Points given later are cut at the end too, and reset ends there.
  SetPoints({{0, 1000}, {200, 800}, {400, 600}, {1000, 200}}, 3);
  EXPECT_EQ(Points().back().x, 300);
  EXPECT_EQ(Send(orlofx::kEnvReset, 0, 0), 1);
  EXPECT_EQ(Points().back().x, 300);
}

// --- keyboard ---------------------------------------------------------------------------------

TEST_F(EnvelopeTest, KeyboardSelection) {
  SetPoints({{0, 1000}, {250, 500}, {500, 200}, {750, 600}, {1000, 1000}});
  SetFocus(graph_);
  EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS);
  KeyWith(VK_TAB, true, true);  // from nothing, backwards: the last
  EXPECT_TRUE(IsSelected(4));
  KeyWith(VK_TAB, true, false);  // after the last: the first again
  EXPECT_TRUE(IsSelected(0));
  EXPECT_FALSE(IsSelected(4));
  KeyWith(VK_TAB, true, false);
  KeyWith(VK_TAB, true, false);
  EXPECT_TRUE(IsSelected(2));
  KeyWith(VK_RIGHT, false, true);
  KeyWith(VK_RIGHT, false, true);
  EXPECT_TRUE(IsSelected(2) && IsSelected(3) && IsSelected(4));
  KeyWith(VK_LEFT, false, true);  // shrinks from the free end
  EXPECT_TRUE(IsSelected(3));
  EXPECT_FALSE(IsSelected(4));
  KeyWith(VK_HOME, false, true);
  EXPECT_TRUE(IsSelected(0) && IsSelected(2));
  EXPECT_FALSE(IsSelected(3));
  KeyWith('A', true, true);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(IsSelected(i)) << i;
  KeyWith(VK_END, false, true);  // nothing selected: nothing to extend
  EXPECT_FALSE(IsSelected(4));
  KeyWith('A', true, false);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(IsSelected(i)) << i;
}

TEST_F(EnvelopeTest, CtrlArrowsMoveTheSelectionAndReport) {
  SetPoints({{0, 1000}, {250, 500}, {500, 200}, {1000, 1000}});
  SetFocus(graph_);
  KeyWith(VK_TAB, true, false);
  KeyWith(VK_TAB, true, false);
  KeyWith(VK_RIGHT, false, true);
  Take();
  const std::vector<EnvelopePoint> before = Points();
  KeyWith(VK_RIGHT, true, false);
  KeyWith(VK_UP, true, false);
  const std::vector<EnvelopePoint> after = Points();
  EXPECT_GT(after[1].x, before[1].x);
  EXPECT_EQ(after[2].x - before[2].x, after[1].x - before[1].x);
  EXPECT_GT(after[1].y, before[1].y);
  EXPECT_EQ(Px(after[1].x), Px(before[1].x) + 1);  // one pixel's step
  const std::vector<Posted> changed = Take(orlofx::kEnvNotifyChanged);
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0].lParam, Pack(2, 1));
  // With an end point in the selection a sideways move cannot succeed.
  KeyWith('A', true, false);
  KeyWith(VK_LEFT, true, false);
  EXPECT_TRUE(SamePoints(Points(), after));
  EXPECT_EQ(g_beeps, 1);
}

TEST_F(EnvelopeTest, TabAndEscapeGoToTheDialog) {
  SetFocus(graph_);
  Key(VK_TAB);
  KeyWith(VK_TAB, false, true);
  Key(VK_ESCAPE);
  std::vector<Posted> posted = Take();
  ASSERT_EQ(posted.size(), 3u);
  EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_NEXTDLGCTL));
  EXPECT_EQ(posted[0].wParam, 0u);
  EXPECT_EQ(posted[1].message, static_cast<UINT>(WM_NEXTDLGCTL));
  EXPECT_EQ(posted[1].wParam, 1u);
  EXPECT_EQ(posted[2].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(posted[2].wParam, static_cast<WPARAM>(VK_ESCAPE));
  SetFocus(owner_);
  EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), DLGC_WANTTAB);
}

// In a dialog (a property frame with OK and Cancel) Enter and Escape on the
// focused graph reach the dialog's default and cancel buttons, except while
// a drag is under way: then Escape takes the drag back and Enter does nothing.
TEST_F(EnvelopeTest, EnterAndEscapeReachTheDialogsButtonsUnlessADragIsUnderWay) {
  HWND frame = CreateWindowExW(WS_EX_CONTROLPARENT, WC_DIALOG, L"frame", WS_POPUP | WS_VISIBLE, 60, 60, 420,
                               300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(frame, nullptr);
  static std::vector<WORD> commands;
  commands.clear();
  SetWindowLongPtrW(frame, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(+[](HWND, UINT m, WPARAM w, LPARAM) -> INT_PTR {
                      if (m != WM_COMMAND) return FALSE;
                      commands.push_back(LOWORD(w));
                      return TRUE;
                    }));
  for (int id : {IDOK, IDCANCEL}) {
    CreateWindowExW(0, L"Button", id == IDOK ? L"OK" : L"Cancel",
                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                    id == IDOK ? 240 : 330, 250, 80, 24, frame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                    GetModuleHandleW(nullptr), nullptr);
  }
  SendMessageW(frame, DM_SETDEFID, IDOK, 0);
  SetParent(graph_, frame);
  SetPoints(kThree);
  SetFocus(graph_);
  ASSERT_EQ(GetFocus(), graph_);
  auto press = [&](WPARAM key) {
    MSG msg = {graph_, WM_KEYDOWN, key, 1, 0, {}};
    return IsDialogMessageW(frame, &msg) != FALSE;
  };
  EXPECT_TRUE(press(VK_RETURN));
  EXPECT_TRUE(press(VK_ESCAPE));
  Take();
  EXPECT_EQ(commands, std::vector<WORD>({IDOK, IDCANCEL}));

  commands.clear();
  Press(At(kThree[1]));
  Move({Px(200), Py(100)});
  press(VK_RETURN);
  press(VK_ESCAPE);
  Take();
  EXPECT_TRUE(commands.empty());
  EXPECT_TRUE(SamePoints(Points(), kThree));  // Escape took the drag back
  SetParent(graph_, owner_);
  DestroyWindow(frame);
}

TEST_F(EnvelopeTest, ArrowKeysDuringADragPlaceThePointerOnePixelAtATime) {
  SetPoints(kThree);
  const POINT p = At(kThree[1]);
  POINT screen = p;
  ClientToScreen(graph_, &screen);
  SetCursorPos(screen.x, screen.y);
  POINT check;
  GetCursorPos(&check);
  if (check.x != screen.x || check.y != screen.y) GTEST_SKIP() << "the pointer cannot be placed here";
  Press(p);
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  Key(VK_UP);
  EXPECT_EQ(Points()[1].x, Vx(p.x + 2));
  EXPECT_EQ(Points()[1].y, Vy(p.y - 1));
  Release({p.x + 2, p.y - 1});
  EXPECT_EQ(Points()[1].x, Vx(p.x + 2));
}

// --- refusals ----------------------------------------------------------------------------------

TEST_F(EnvelopeTest, ReadOnlyBeepsAtEveryEdit) {
  SetPoints(kThree);
  Send(orlofx::kEnvSetReadOnly, 1, 0);
  Drag(At(kThree[1]), {Px(100), Py(100)});
  Mouse(WM_RBUTTONDOWN, At(kThree[1]));
  SetFocus(graph_);
  Key(VK_DELETE);
  EXPECT_TRUE(SamePoints(Points(), kThree));
  EXPECT_EQ(g_beeps, 4);  // press, release, right press, key
  EXPECT_TRUE(Take(orlofx::kEnvNotifyChanged).empty());
}

TEST_F(EnvelopeTest, MessagesRefuseBadArguments) {
  SetPoints(kThree);
  EXPECT_EQ(Send(orlofx::kEnvSetCapacity, 1, 0), 0);
  EXPECT_EQ(Send(orlofx::kEnvSetCapacity, 4096, 0), 0);
  EXPECT_EQ(Send(orlofx::kEnvGetCapacity, 0, 0), 16);
  EXPECT_EQ(Points().size(), 3u);
  const EnvelopePoint one[] = {{0, 0}};
  EXPECT_EQ(Send(orlofx::kEnvSetPoints, 1, reinterpret_cast<LPARAM>(one)), 0);
  std::vector<EnvelopePoint> many(17, EnvelopePoint{0, 0});
  for (int i = 0; i < 17; ++i) many[i].x = i * 50;
  EXPECT_EQ(Send(orlofx::kEnvSetPoints, 17, reinterpret_cast<LPARAM>(many.data())), 0);
  EXPECT_TRUE(SamePoints(Points(), kThree));
  EXPECT_EQ(Send(orlofx::kEnvSetMinimumCount, 0, 17), 0);
  EXPECT_EQ(Send(orlofx::kEnvSetMinimumCount, 0, 1), 0);
  EXPECT_EQ(Send(orlofx::kEnvGetMinimumCount, 0, 0), 2);
  EXPECT_EQ(Send(orlofx::kEnvQueryPoint, 3, 0), -1);
  EnvelopePoint q = {};
  EXPECT_EQ(Send(orlofx::kEnvQueryPoint, 1, reinterpret_cast<LPARAM>(&q)), 1);
  EXPECT_EQ(q.x, 500);
  // A new capacity starts again from two points.
  EXPECT_EQ(Send(orlofx::kEnvSetCapacity, 64, 1), 64);
  ASSERT_EQ(Points().size(), 2u);
  EXPECT_EQ(Points()[0].y, 1000);
}

// --- painting ---------------------------------------------------------------------------------

std::vector<COLORREF> Render(HWND window) { return PrintClient(window).pixels; }

TEST_F(EnvelopeTest, SelectionIsDrawnInvertedAndFocusShowsARectangle) {
  SetPoints(kThree);
  const std::vector<COLORREF> plain = Render(graph_);
  RECT rc;
  GetClientRect(graph_, &rc);
  const int w = rc.right;
  KeyWith(VK_TAB, true, false);
  KeyWith(VK_TAB, true, false);  // select the middle point
  const std::vector<COLORREF> selected = Render(graph_);
  const POINT p = At(kThree[1]);
  // On the inverted frame around the point every pixel is the inverse.
  int inverted = 0;
  for (int dx = -5; dx <= 5; ++dx) {
    const size_t i = static_cast<size_t>((p.y - 5) * w + p.x + dx);
    if (selected[i] == (plain[i] ^ 0xFFFFFF)) ++inverted;
  }
  EXPECT_GE(inverted, 9);
  // Far from the point nothing changed.
  EXPECT_EQ(selected[static_cast<size_t>(5 * w + w / 2)], plain[static_cast<size_t>(5 * w + w / 2)]);

  SetFocus(owner_);
  const std::vector<COLORREF> unfocused = Render(graph_);
  SetFocus(graph_);
  const std::vector<COLORREF> focused = Render(graph_);
  int differing = 0;
  for (int x = 2; x < w - 2; ++x)
    if (focused[static_cast<size_t>(w + x)] != unfocused[static_cast<size_t>(w + x)]) ++differing;
  EXPECT_GT(differing, w / 4);  // the dotted rectangle along the top
}

}  // namespace

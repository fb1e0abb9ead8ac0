// The envelope graph driven as a user drives it: scripts of mouse and key
// messages at the pixels the control itself reports for values, with the
// points, the selection, the beeps and the posted changes read back.
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdlib>

#include "framework/controls/envelope_model.h"
#include "tests/win/control_owner.h"
#include "ui/envelope_control.h"

namespace orlofx {
bool operator==(const EnvelopePoint& a, const EnvelopePoint& b) { return a.x == b.x && a.y == b.y; }
void PrintTo(const EnvelopePoint& p, std::ostream* out) { *out << "(" << p.x << ", " << p.y << ")"; }
}  // namespace orlofx

using namespace control_test;
using namespace orlofx;

namespace {

int g_beeps = 0;
void CountBeep(UINT) { ++g_beeps; }

LPARAM Pack(int high, int low) { return static_cast<LPARAM>(static_cast<LONG>(MAKELONG(low, high))); }

enum Op { kPress, kMove, kRelease, kDouble, kRight, kKey, kMsg };
constexpr int kCtrl = 1, kShift = 2;
constexpr LPARAM kOwner = -2, kAny = -3;
struct Step {
  Op op;
  int a, b;             // mouse: x and y values; key: key and modifiers; message: wParam and lParam
  UINT message = 0;
};
struct Script {
  const char* name;
  std::vector<EnvelopePoint> points;
  std::vector<Step> steps;
  std::vector<EnvelopePoint> after;  // empty: as before; kMoved: not as before
  int count, selected, beeps, changes;  // -1: not checked
  LPARAM last;  // the last change's lParam, or kAny
};

void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }

const std::vector<EnvelopePoint> kThree = {{0, 1000}, {500, 500}, {1000, 1000}};
const std::vector<EnvelopePoint> kFour = {{0, 1000}, {250, 500}, {500, 200}, {1000, 1000}};
const std::vector<EnvelopePoint> kFive = {{0, 1000}, {250, 500}, {500, 200}, {750, 600}, {1000, 1000}};
const std::vector<EnvelopePoint> kMoved = {{-1, -1}};
const Step kTab = {kKey, VK_TAB, kCtrl}, kAll = {kKey, 'A', kCtrl};

const Script kScripts[] = {
    {"DoubleClickDeletesAnInteriorPoint", kThree, {{kDouble, 500, 500}}, {{0, 1000}, {1000, 1000}}, 2, -1, 0, -1,
     Pack(1, -1)},
    {"AtTheMinimumCountThePointStays", kThree, {{kMsg, 0, 3, kEnvSetMinimumCount}, {kDouble, 500, 500}}, {}, 3,
     -1, -1, -1, kAny},
    {"ALockedPointStaysAndBeeps", kThree, {{kMsg, 1, 1, kEnvLockPoint}, {kRight, 500, 500}}, {}, 3, -1, 1, 0, kAny},
    {"RightClickDeletesAndNamesTheSelectionStart", kFour, {kAll, {kRight, 250, 500}},
     {{0, 1000}, {500, 200}, {1000, 1000}}, 3, -1, 0, 1, Pack(1, 0)},
    {"RightClickOffThePointsBeeps", kThree, {{kRight, 750, 100}}, {}, 3, -1, 1, 0, kAny},
    {"EscapeTakesADragBack", kThree,
     {{kPress, 500, 500}, {kMove, 200, 100}, {kKey, VK_ESCAPE, 0}, {kRelease, 200, 100}}, {}, 3, -1, 0, -1, -1},
    {"EscapeTakesASelectionDragBack", kFour,
     {kTab, kTab, {kKey, VK_RIGHT, kShift}, {kPress, 500, 200}, {kMove, 520, 260}, {kKey, VK_ESCAPE, 0},
      {kRelease, 520, 260}},
     {}, 4, 0b0110, 0, -1, -1},
    {"SuppressedChangesArriveAtTheEndOfADrag", kThree,
     {{kMsg, 1, kOwner, kEnvSetNotifyWindow}, {kPress, 500, 500}, {kMove, 400, 400}, {kMove, 420, 300},
      {kRelease, 420, 300}},
     {{0, 1000}, {420, 300}, {1000, 1000}}, 3, -1, 0, 1, Pack(1, -1)},
    {"UnsuppressedChangesArriveAsTheDragGoes", kThree, {{kPress, 500, 500}, {kMove, 400, 400}, {kMove, 420, 300},
     {kRelease, 420, 300}}, {{0, 1000}, {420, 300}, {1000, 1000}}, 3, -1, 0, 3, kAny},
    {"TheFirstPointMovesOnlyUpAndDown", kThree, {{kPress, 0, 1000}, {kMove, 200, 400}, {kRelease, 200, 400}},
     {{0, 400}, {500, 500}, {1000, 1000}}, 3, -1, 0, -1, kAny},
    {"InsertAddsAPointAfterTheSelection", kThree, {kTab, kTab, {kKey, VK_INSERT, 0}}, kMoved, 4, 0b0110, 0, 1, kAny},
    {"DeleteRemovesTheSelection", kThree, {kTab, kTab, {kKey, VK_INSERT, 0}, {kKey, VK_DELETE, 0}},
     {{0, 1000}, {1000, 1000}}, 2, -1, 0, 2, kAny},
    {"DeleteKeepsASelectionWithAnEnd", kThree, {kAll, {kKey, VK_DELETE, 0}}, {}, 3, 0b111, 1, 0, kAny},
    {"CtrlShiftTabFromNothingSelectsTheLast", kFive, {{kKey, VK_TAB, kCtrl | kShift}}, {}, 5, 0b10000, 0, 0, kAny},
    {"CtrlTabAfterTheLastSelectsTheFirst", kFive, {{kKey, VK_TAB, kCtrl | kShift}, kTab}, {}, 5, 0b1, 0, 0, kAny},
    {"ShiftArrowsGrowAndShrinkFromTheFreeEnd", kFive,
     {kTab, kTab, kTab, {kKey, VK_RIGHT, kShift}, {kKey, VK_RIGHT, kShift}, {kKey, VK_LEFT, kShift}}, {}, 5,
     0b01100, 0, 0, kAny},
    {"ShiftHomeExtendsToTheFirst", kFive, {kTab, kTab, kTab, {kKey, VK_RIGHT, kShift}, {kKey, VK_HOME, kShift}}, {},
     5, 0b00111, 0, 0, kAny},
    {"CtrlShiftAClearsAndShiftEndThenExtendsNothing", kFive,
     {kAll, {kKey, 'A', kCtrl | kShift}, {kKey, VK_END, kShift}}, {}, 5, 0, 0, 0, kAny},
    {"CtrlArrowsMoveTheSelectionAndReport", kFour, {kTab, kTab, {kKey, VK_RIGHT, kShift}, {kKey, VK_UP, kCtrl},
     {kKey, VK_RIGHT, kCtrl}}, kMoved, 4, 0b0110, 0, 2, Pack(2, 1)},
    {"ASelectionWithAnEndCannotMoveSideways", kFour, {kAll, {kKey, VK_LEFT, kCtrl}}, {}, 4, 0b1111, 1, 0, kAny},
    {"ReadOnlyBeepsAtEveryEdit", kThree, {{kMsg, 1, 0, kEnvSetReadOnly}, {kPress, 500, 500}, {kMove, 100, 100},
     {kRelease, 100, 100}, {kRight, 500, 500}, {kKey, VK_DELETE, 0}}, {}, 3, -1, 5, 0, kAny},
};

class EnvelopeTest : public OwnerTest {
 protected:
  void SetUp() override {
    OwnerTest::SetUp();
    ASSERT_TRUE(
        RegisterHere(kEnvelopeClassName, EnvelopeWndProc, sizeof(LONG_PTR), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)));
    graph_ = Create(kEnvelopeClassName, WS_TABSTOP, {10, 10, 10 + Scaled(300), 10 + Scaled(200)}, 6091);
    SetEnvelopeBeepFunction(CountBeep);
    for (UINT range : {kEnvSetXMax, kEnvSetYMax}) Send(range, 0, 1000);
    Send(kEnvSetCapacity, 16, 0);
    for (UINT receiver : {kEnvSetNotifyWindow, kEnvSetTrackingWindow, kEnvSetEndWindow})
      Send(receiver, 0, reinterpret_cast<LPARAM>(owner_));
  }
  void TearDown() override {
    SetEnvelopeBeepFunction(nullptr);
    OwnerTest::TearDown();
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(graph_, message, wParam, lParam); }
  LRESULT SetPoints(const std::vector<EnvelopePoint>& points) {
    return Send(kEnvSetPoints, points.size(), reinterpret_cast<LPARAM>(points.data()));
  }
  std::vector<EnvelopePoint> Points() {
    std::vector<EnvelopePoint> points(64);
    points.resize(static_cast<size_t>(Send(kEnvGetPoints, points.size(), reinterpret_cast<LPARAM>(points.data()))));
    return points;
  }
  POINT At(int x, int y) { return {static_cast<int>(Send(kEnvXToPixel, 0, x)), static_cast<int>(Send(kEnvYToPixel, 0, y))}; }
  int X(int pixel) { return static_cast<int>(Send(kEnvPixelToX, 0, pixel)); }
  int Y(int pixel) { return static_cast<int>(Send(kEnvPixelToY, 0, pixel)); }
  void Mouse(UINT message, POINT p, WPARAM keys = MK_LBUTTON) { Send(message, keys, control_test::At(p)); }
  std::vector<Event> Posted(UINT message) {
    Pump();
    return Of(message);
  }

  HWND graph_ = nullptr;
};

class EnvelopeScript : public EnvelopeTest, public ::testing::WithParamInterface<Script> {};

TEST_P(EnvelopeScript, EndsWithThePointsSelectionBeepsAndChangesExpected) {
  const Script& s = GetParam();
  ASSERT_EQ(SetPoints(s.points), static_cast<LRESULT>(s.points.size()));
  SetFocus(graph_);
  Pump();
  Clear();
  g_beeps = 0;
  for (const Step& step : s.steps) {
    const POINT p = At(step.a, step.b);
    switch (step.op) {
      case kPress: Mouse(WM_LBUTTONDOWN, p); break;
      case kMove: Mouse(WM_MOUSEMOVE, p); break;
      case kRelease: Mouse(WM_LBUTTONUP, p, 0); break;
      case kDouble: for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Mouse(m, p); break;
      case kRight: for (UINT m : {WM_RBUTTONDOWN, WM_RBUTTONUP}) Mouse(m, p, MK_RBUTTON); break;
      case kKey: Key(graph_, step.a, step.b & kCtrl, step.b & kShift); break;
      case kMsg: Send(step.message, step.a, step.b == kOwner ? reinterpret_cast<LPARAM>(owner_) : step.b); break;
    }
  }
  // Dragged points land on a pixel: within one pixel's worth of the values.
  const std::vector<EnvelopePoint> points = Points(), expected = s.after.empty() ? s.points : s.after;
  const bool within = points.size() == expected.size() &&
                      std::equal(points.begin(), points.end(), expected.begin(), [](auto& p, auto& q) {
                        return std::abs(p.x - q.x) <= 6 && std::abs(p.y - q.y) <= 6;
                      });
  EXPECT_TRUE(s.after == kMoved ? points != s.points : within) << ::testing::PrintToString(points);
  EXPECT_EQ(static_cast<int>(points.size()), s.count);
  int selected = 0;
  for (int i = 0; i < s.count; ++i) selected |= (Send(kEnvQueryPoint, i, 0) & 4) ? 1 << i : 0;
  EXPECT_TRUE(s.selected < 0 || selected == s.selected) << selected;
  EXPECT_TRUE(s.beeps < 0 || g_beeps == s.beeps) << g_beeps;
  const std::vector<Event> changes = Posted(kEnvNotifyChanged);
  EXPECT_TRUE(s.changes < 0 || static_cast<int>(changes.size()) == s.changes) << changes.size();
  EXPECT_TRUE(s.last == kAny || (!changes.empty() && changes.back().lParam == s.last))
      << (changes.empty() ? 0 : changes.back().lParam);
  EXPECT_NE(GetCapture(), graph_);
}

std::string ScriptName(const ::testing::TestParamInfo<Script>& script) { return script.param.name; }
INSTANTIATE_TEST_SUITE_P(Scripts, EnvelopeScript, ::testing::ValuesIn(kScripts), ScriptName);

// In free-end mode the end column is a handle: over it the cursor says so
// (even on a steep last segment beside it), and dragging it left cuts the
// points beyond it, the new end on the old curve. Outside the mode the end
// stays; in it, points given later are cut too and a reset ends there.
TEST_F(EnvelopeTest, DraggingTheFreeEndCutsThePointsBeyondIt) {
  SetPoints({{0, 1000}, {200, 800}, {400, 600}, {980, 1000}, {1000, 0}});
  EXPECT_EQ(Send(kEnvSetEndX, 0, 990), 990);
  EXPECT_EQ(Points().size(), 5u);
  Send(kEnvSetFreeEnd, 1, 0);
  const POINT top = At(980, 1000), bottom = At(1000, 0);
  const POINT end = {bottom.x - 1, top.y + (bottom.x - 1 - top.x) * (bottom.y - top.y) / (bottom.x - top.x)};
  PointerTo(graph_, end);
  Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(graph_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
  PointerAway();
  const POINT to = {At(300, 0).x, end.y};
  for (UINT m : {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}) Mouse(m, m == WM_LBUTTONDOWN ? end : to);
  int32_t x = 0;
  Send(kEnvGetEndX, 0, reinterpret_cast<LPARAM>(&x));
  EXPECT_EQ(x, X(to.x));
  const std::vector<EnvelopePoint> after = Points();
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[1].x, 200);
  EXPECT_EQ(after[2].x, x);
  EXPECT_TRUE(after[2].y < 800 && after[2].y > 600) << after[2].y;
  ASSERT_EQ(Posted(kEnvNotifyEnd).size(), 1u);
  EXPECT_EQ(Of(kEnvNotifyEnd)[0].lParam, x);
  EXPECT_EQ(SetPoints({{0, 1000}, {200, 800}, {250, 600}, {1000, 200}}), 4);
  EXPECT_EQ(Points().back().x, x);
  EXPECT_EQ(Send(kEnvReset, 0, 0), 1);
  EXPECT_EQ(Points().back().x, x);
}

// Moves report the values under the pointer, clamped to the ranges; during
// a drag the arrows move the pointer a pixel at a time.
TEST_F(EnvelopeTest, ThePointerIsTrackedAndArrowsPlaceItDuringADrag) {
  const POINT p = At(500, 500);
  Mouse(WM_MOUSEMOVE, p, 0);
  Mouse(WM_MOUSEMOVE, {-50, 5000}, 0);
  const std::vector<Event> tracked = Posted(kEnvNotifyTracking);
  ASSERT_EQ(tracked.size(), 2u);
  EXPECT_EQ(tracked[0].lParam, Pack(Y(p.y), X(p.x)));
  EXPECT_EQ(tracked[1].lParam, Pack(0, 0));
  SetPoints(kThree);
  PointerTo(graph_, p);
  Mouse(WM_LBUTTONDOWN, p);
  for (UINT key : {VK_RIGHT, VK_RIGHT, VK_UP}) Send(WM_KEYDOWN, key, 1);
  EXPECT_EQ(Points()[1].x, X(p.x + 2));
  EXPECT_EQ(Points()[1].y, Y(p.y - 1));
  Mouse(WM_LBUTTONUP, {p.x + 2, p.y - 1}, 0);
  PointerAway();
}

INT_PTR CALLBACK RecordCommands(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND) Events().push_back({message, wParam, 0, LOWORD(wParam), 0, 0, {}});
  return message == WM_COMMAND;
}

// Tab leaves the graph; in a dialog Enter and Escape reach its OK and
// Cancel unless a drag is under way (then Escape takes the drag back).
TEST_F(EnvelopeTest, TabEnterAndEscapeBelongToTheDialogUnlessADragIsUnderWay) {
  SetFocus(graph_);
  for (bool shift : {false, true}) Key(graph_, VK_TAB, false, shift);
  Key(graph_, VK_ESCAPE);
  Pump();
  ASSERT_EQ(Events().size(), 3u);
  EXPECT_EQ(Of(WM_NEXTDLGCTL).size(), 2u);
  EXPECT_EQ(Events()[1].wParam, 1u);
  EXPECT_EQ(Events()[2].message, static_cast<UINT>(WM_KEYDOWN));
  SetFocus(owner_);
  EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), DLGC_WANTTAB);
  HWND frame = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_TOPMOST, WC_DIALOG, L"", WS_POPUP | WS_VISIBLE, 60, 60, 420,
                               300, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(frame, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(RecordCommands));
  for (int id : {IDOK, IDCANCEL})
    CreateWindowExW(0, L"Button", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == IDOK ? BS_DEFPUSHBUTTON : 0),
                    id * 90, 250, 80, 24, frame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  SetParent(graph_, frame);
  SetPoints(kThree);
  SetFocus(graph_);
  for (bool dragging : {false, true}) {
    Clear();
    if (dragging) {
      Mouse(WM_LBUTTONDOWN, At(500, 500));
      Mouse(WM_MOUSEMOVE, At(200, 100));
    }
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
      MSG msg = {graph_, WM_KEYDOWN, key, 1, 0, {}};
      IsDialogMessageW(frame, &msg);
    }
    Pump();
    std::vector<int> commands;
    for (const Event& e : Of(WM_COMMAND)) commands.push_back(e.code);
    EXPECT_EQ(commands, dragging ? std::vector<int>() : std::vector<int>({IDOK, IDCANCEL}));
  }
  EXPECT_EQ(Points(), kThree);  // Escape took the drag back
  SetParent(graph_, owner_);
  DestroyWindow(frame);
}

TEST_F(EnvelopeTest, MessagesRefuseBadArgumentsAndChangeNothing) {
  SetPoints(kThree);
  std::vector<EnvelopePoint> many(17);
  for (int i = 0; i < 17; ++i) many[i] = {i * 50, 0};
  const LPARAM array = reinterpret_cast<LPARAM>(many.data());
  const struct {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
  } cases[] = {{kEnvSetCapacity, 1, 0, 0},      {kEnvSetCapacity, 4096, 0, 0},   {kEnvGetCapacity, 0, 0, 16},
               {kEnvSetPoints, 1, array, 0},    {kEnvSetPoints, 17, array, 0},   {kEnvSetMinimumCount, 0, 17, 0},
               {kEnvSetMinimumCount, 0, 1, 0},  {kEnvGetMinimumCount, 0, 0, 2}, {kEnvQueryPoint, 3, 0, -1}};
  for (const auto& c : cases) EXPECT_EQ(Send(c.message, c.wParam, c.lParam), c.result) << c.message;
  EXPECT_EQ(Points(), kThree);
  EXPECT_EQ(Send(kEnvSetCapacity, 64, 1), 64);  // a new capacity starts again from two points at the top
  EXPECT_EQ(Points(), (std::vector<EnvelopePoint>{{0, 1000}, {1000, 1000}}));
}

// The selection is drawn inverted around its point; the focus shows as a
// rectangle; a screen reader hears a chart and its number of points.
TEST_F(EnvelopeTest, SelectionAndFocusArePaintedAndTheGraphIsHeard) {
  SetPoints(kThree);
  SetFocus(owner_);
  const Painted plain = PrintClient(graph_);
  for (int i = 0; i < 2; ++i) Key(graph_, VK_TAB, true);  // the middle point
  const Painted selected = PrintClient(graph_);
  const POINT p = At(500, 500);
  int inverted = 0;
  const int y = p.y - Scaled(5);  // the frame around the point's handle
  for (int dx = -5; dx <= 5; ++dx) inverted += selected.At(p.x + dx, y) == (plain.At(p.x + dx, y) ^ 0xFFFFFF);
  EXPECT_GE(inverted, 9);
  EXPECT_EQ(selected.At(plain.width / 2, 5), plain.At(plain.width / 2, 5));  // far from it nothing changed
  SetFocus(graph_);
  const Painted focused = PrintClient(graph_);
  int differing = 0;
  for (int x = 2; x < plain.width - 2; ++x) differing += focused.At(x, 1) != selected.At(x, 1);
  EXPECT_GT(differing, plain.width / 4);  // the dotted rectangle along the top
  EXPECT_TRUE(SaveWindowPng(graph_, "envelope_selected"));
  AccessibleText heard;
  ASSERT_TRUE(ReadAccessible(graph_, &heard));
  EXPECT_EQ(heard.role, ROLE_SYSTEM_CHART);
  EXPECT_EQ(heard.value, L"3");
}

}  // namespace

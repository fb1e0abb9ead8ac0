#include "effects/gdyn/win/gdyn_page.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <string>

#include "effects/gdyn/gdyn_curve.h"
#include "framework/win/guids.h"
#include "support/number_format.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"
#include "ui/envelope_control.h"
#include "framework/controls/envelope_model.h"
#include "ui/page_frame.h"

namespace {

using orlofx::EnvelopePoint;
using orlofx::GdynPageCurve;
using orlofx::GdynPoint;
using orlofx::HelpId;
using orlofx::PageDescription;
using orlofx::PageLabel;
using orlofx::ValueGroup;
using Page = CAkGdynPropPage;

static_assert(sizeof(EnvelopePoint) == sizeof(GdynPoint), "the graph takes the curve's points");

constexpr int kDialogId = 2000;
constexpr DWORD kHelpTopic = 125;
constexpr long kRatioInfinite = orlofx::kGdynRatioMax;
constexpr int kGraphMargin = 4;  // the graph control's inset of its plotting area
constexpr int kDecibelsPerGridLine = 12;

const orlofx::ParameterTable kRows = orlofx::GdynParameters();
// Context help: each control, its value text and its caption share an id.
const HelpId kHelpIds[] = {
    {Page::kOutputGainFader, 40}, {Page::kOutputGainText, 40}, {Page::kOutputGainLabel, 40},
    {Page::kGraph, 41},           {Page::kGraphLabel, 41},     {Page::kReadout, 41},
    {Page::kOutAxisLabel, 41},    {Page::kInAxisLabel, 41},    {Page::kAutoGainCheck, 42},
    {Page::kSyncStereoCheck, 43}, {Page::kResetGraphButton, 44}, {Page::kAttackSlider, 45},
    {Page::kAttackEdit, 45},      {Page::kAttackLabel, 45},    {Page::kReleaseSlider, 46},
    {Page::kReleaseEdit, 46},     {Page::kReleaseLabel, 46},   {Page::kThresholdSlider, 47},
    {Page::kThresholdText, 47},   {Page::kThresholdLabel, 47}, {Page::kRatioSlider, 48},
    {Page::kRatioText, 48},       {Page::kRatioLabel, 48},     {0, 0},
};

// Gain and threshold: 0.1 dB a line, 1 dB a page; ratio: 0.1 and 1; the
// times as their rows say.
const ValueGroup kGroups[] = {
    GroupOf(Page::kOutputGainFader, Page::kOutputGainText, ValueGroup::kFader,
            ValueGroup::kStaticText, kRows, orlofx::kGdynOutputGain),
    GroupOf(Page::kAttackSlider, Page::kAttackEdit, ValueGroup::kTrackbar, ValueGroup::kEditParsed,
            kRows, orlofx::kGdynAttack),
    GroupOf(Page::kReleaseSlider, Page::kReleaseEdit, ValueGroup::kTrackbar, ValueGroup::kEditParsed,
            kRows, orlofx::kGdynRelease),
    GroupOf(Page::kThresholdSlider, Page::kThresholdText, ValueGroup::kTrackbar,
            ValueGroup::kStaticText, kRows, orlofx::kGdynThreshold),
    GroupOf(Page::kRatioSlider, Page::kRatioText, ValueGroup::kTrackbar, ValueGroup::kStaticText,
            kRows, orlofx::kGdynRatio),
};

// Labels with the ranges above (levels in whole dB, times in whole ms) and
// the graph's scales, 12 dB a grid line.
constexpr long kInfinity = orlofx::kLabelMinusInfinity;
const orlofx::ParameterDescriptor& kThreshold = kRows[orlofx::kGdynThreshold];
const PageLabel kLabels[] = {
    RangeLabel(Page::kOutputGainLabel, 7200, kRows[orlofx::kGdynOutputGain]),
    RangeLabel(Page::kAttackLabel, 7201, kRows[orlofx::kGdynAttack]),
    RangeLabel(Page::kReleaseLabel, 7202, kRows[orlofx::kGdynRelease]),
    // The top of the range with its decimal: "0.0".
    {Page::kThresholdLabel, 7203, {LabelValue(kThreshold, kThreshold.minimum), {kThreshold.maximum, 1}}, 2},
    {Page::kRatioLabel, 7204, {{kRows[orlofx::kGdynRatio].minimum, 1}}, 1},
    // Output scale, top to bottom, then the input scale, left to right.
    {Page::kFirstAxisLabel, orlofx::kDecibelTemplate, {{0, 0}}, 1},
    {Page::kFirstAxisLabel + 1, 0, {{-12, 0}}, 1}, {Page::kFirstAxisLabel + 2, 0, {{-24, 0}}, 1},
    {Page::kFirstAxisLabel + 3, 0, {{-36, 0}}, 1}, {Page::kFirstAxisLabel + 4, 0, {{-48, 0}}, 1},
    {Page::kFirstAxisLabel + 5, 0, {{-60, 0}}, 1}, {Page::kFirstAxisLabel + 6, 0, {{-72, 0}}, 1},
    {Page::kFirstAxisLabel + 7, 0, {{kInfinity, 0}}, 1}, {Page::kFirstAxisLabel + 8, 0, {{-72, 0}}, 1},
    {Page::kFirstAxisLabel + 9, 0, {{-60, 0}}, 1}, {Page::kFirstAxisLabel + 10, 0, {{-48, 0}}, 1},
    {Page::kFirstAxisLabel + 11, 0, {{-36, 0}}, 1}, {Page::kFirstAxisLabel + 12, 0, {{-24, 0}}, 1},
    {Page::kFirstAxisLabel + 13, 0, {{-12, 0}}, 1},
    {Page::kLastAxisLabel, orlofx::kDecibelBelowTemplate, {{0, 0}}, 1},
};

const PageDescription kDescription = {
    kDialogId, orlofx::sid::kGraphicDynamicsTitle, orlofx::sid::kGraphicDynamicsName,
    &IID_IAkPlugInProp2, kHelpIds, kHelpTopic, kGroups, 5,
    kLabels, static_cast<int>(sizeof kLabels / sizeof kLabels[0]),
};

// The automatable parameters the page shows, with the controls that edit
// each; bypass has no control here.
enum class Param { kOutputGain, kAttack, kRelease, kAutoGain, kSyncStereo };
struct ParamControls {
  Param param;
  int first;
  int second;  // 0: none
};
const ParamControls kParamControls[] = {
    {Param::kOutputGain, Page::kOutputGainFader, 0},
    {Param::kAttack, Page::kAttackSlider, Page::kAttackEdit},
    {Param::kRelease, Page::kReleaseSlider, Page::kReleaseEdit},
    {Param::kAutoGain, Page::kAutoGainCheck, 0},
    {Param::kSyncStereo, Page::kSyncStereoCheck, 0},
};

HRESULT IsEditable(gdyn::IAkPlugInProp2* fx, Param param) {
  switch (param) {
    case Param::kOutputGain: return fx->IsOutputGainEditable();
    case Param::kAttack: return fx->IsAttackEditable();
    case Param::kRelease: return fx->IsReleaseEditable();
    case Param::kAutoGain: return fx->IsAutoGainEditable();
    case Param::kSyncStereo: return fx->IsSyncStereoEditable();
  }
  return S_OK;
}


bool StartsWith(const std::string& text, size_t at, const std::string& prefix) {
  return !prefix.empty() && text.compare(at, prefix.size(), prefix) == 0;
}

// A time typed in milliseconds with at most one decimal that counts, as
// tenths of a millisecond: the whole part read as ParseInteger reads it,
// then the first digit after the locale's decimal separator.
long ParseTenths(const std::wstring& typed) {
  const std::string text = orlofx::WideToUtf8(typed);
  const std::int64_t whole = orlofx::ParseInteger(text);
  const orlofx::NumberLocale locale = orlofx::CurrentNumberLocale();
  const bool spaceGroups = locale.groupSeparator.find_first_not_of(" \xC2\xA0\xE2\x80\xAF") ==
                           std::string::npos;
  size_t at = text.find_first_not_of(" \t");
  bool negative = false;
  while (at != std::string::npos && at < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    if (c >= '0' && c <= '9') {
      ++at;
    } else if (c == '-' || StartsWith(text, at, locale.negativeSign)) {
      negative = true;
      at += c == '-' ? 1 : locale.negativeSign.size();
    } else if (StartsWith(text, at, locale.groupSeparator)) {
      at += locale.groupSeparator.size();
    } else if (spaceGroups && c == ' ') {
      ++at;
    } else {
      break;
    }
  }
  std::int64_t tenth = 0;
  if (at != std::string::npos && StartsWith(text, at, locale.decimalSeparator)) {
    const size_t digit = at + locale.decimalSeparator.size();
    if (digit < text.size() && text[digit] >= '0' && text[digit] <= '9') tenth = text[digit] - '0';
  }
  const std::int64_t tenths = whole * 10 + ((negative || whole < 0) ? -tenth : tenth);
  return static_cast<long>(std::min<std::int64_t>(std::max<std::int64_t>(tenths, LONG_MIN), LONG_MAX));
}

// The curve's output at input x, between the points around it.
std::int32_t OutputAt(const EnvelopePoint* points, int count, std::int32_t x) {
  if (count <= 0) return x;
  if (x <= points[0].x) return points[0].y;
  for (int k = 1; k < count; ++k) {
    if (x > points[k].x) continue;
    const std::int64_t dx = std::int64_t{points[k].x} - points[k - 1].x;
    if (dx == 0) return points[k].y;
    return static_cast<std::int32_t>(points[k - 1].y +
                                     (std::int64_t{points[k].y} - points[k - 1].y) *
                                         (x - points[k - 1].x) / dx);
  }
  return points[count - 1].y;
}

// A grid every 12 dB on both axes and the unity line, for the graph's
// plotting area of `width` x `height` pixels.
HBITMAP MakeGraphGrid(int width, int height) {
  if (width < 2 || height < 2) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!bitmap || !dc) {
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    return nullptr;
  }
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  const RECT all = {0, 0, width, height};
  FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
  HPEN grid = CreatePen(PS_SOLID, 1, RGB(200, 200, 200));
  HPEN unity = CreatePen(PS_DOT, 1, RGB(176, 176, 176));
  HGDIOBJ oldPen = SelectObject(dc, grid);
  const int range = -orlofx::kGdynLevelFloor;
  for (int db = 0; db * 10 < range; db += kDecibelsPerGridLine) {
    const int x = (width - 1) - (width - 1) * db * 10 / range;
    const int y = (height - 1) * db * 10 / range;
    MoveToEx(dc, x, 0, nullptr);
    LineTo(dc, x, height);
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, width, y);
  }
  SelectObject(dc, unity);
  SetBkMode(dc, TRANSPARENT);
  MoveToEx(dc, 0, height - 1, nullptr);
  LineTo(dc, width - 1, 0);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBitmap);
  DeleteObject(grid);
  DeleteObject(unity);
  DeleteDC(dc);
  return bitmap;
}

}  // namespace

CUnknown* CALLBACK CAkGdynPropPage::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkGdynPropPage(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkGdynPropPage::CAkGdynPropPage(LPUNKNOWN outer)
    : CAkPropertyPage(NAME("AkGdyn Property Page"), outer, kDescription) {}

// --- the property interface -----------------------------------------------------

HRESULT CAkGdynPropPage::SetNotifyWindow(HWND window, UINT id) {
  return Dynamics()->SetNotifyWindow(window, id);
}

HRESULT CAkGdynPropPage::GetValue(const ValueGroup& group, long* value) {
  switch (group.sliderId) {
    case kOutputGainFader: return Dynamics()->GetOutputGain(value);
    case kAttackSlider: return Dynamics()->GetAttack(value);
    case kReleaseSlider: return Dynamics()->GetRelease(value);
    case kThresholdSlider: return Dynamics()->GetThreshold(value);
    case kRatioSlider: return Dynamics()->GetRatio(value);
    default: return E_INVALIDARG;
  }
}

HRESULT CAkGdynPropPage::SetValue(const ValueGroup& group, long value) {
  switch (group.sliderId) {
    case kOutputGainFader: return Dynamics()->SetOutputGain(value);
    case kAttackSlider: return Dynamics()->SetAttack(value);
    case kReleaseSlider: return Dynamics()->SetRelease(value);
    case kThresholdSlider: {
      // Press, end of drag and repeated reports carry the value the curve
      // already has: reshaping again would push clamped points further.
      if (value == thresholdShown_) return S_FALSE;
      GdynPageCurve curve = ReadCurve();
      orlofx::GdynMoveThreshold(curve, value - thresholdShown_);
      thresholdShown_ = value;
      WriteCurve(curve);
      return Dynamics()->SetThreshold(value);
    }
    case kRatioSlider: {
      if (value == ratioShown_) return S_FALSE;
      GdynPageCurve curve = ReadCurve();
      orlofx::GdynApplyRatio(curve, value);
      ratioShown_ = value;
      WriteCurve(curve);
      return Dynamics()->SetRatio(value);
    }
    default: return E_INVALIDARG;
  }
}

std::wstring CAkGdynPropPage::FormatValue(const ValueGroup& group, long value) {
  switch (group.sliderId) {
    case kAttackSlider:
    case kReleaseSlider: return orlofx::FormatLevelW(value, 1, 0, L"");
    case kRatioSlider:
      if (value >= kRatioInfinite) return orlofx::LoadWideString(orlofx::sid::kRatioInfinite);
      return orlofx::FillIn(orlofx::LoadWideString(orlofx::sid::kRatioFormat),
                        {orlofx::FormatLevelW(value, 1, 0, L"")});
    default: return CAkPropertyPage::FormatValue(group, value);
  }
}

// --- messages ---------------------------------------------------------------------

INT_PTR CAkGdynPropPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const INT_PTR result = CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
      timerRunning_ = SetTimer(window, kTimerId, kTimerPeriodMs, nullptr) != 0;
      return result;
    }
    case WM_DESTROY:
      if (timerRunning_) KillTimer(window, kTimerId);
      timerRunning_ = false;
      break;
    case WM_TIMER:
      if (wParam != kTimerId) break;
      OnTimer();
      return TRUE;
    case orlofx::kEnvNotifyChanged:
      if (Bound()) OnGraphChanged();
      return TRUE;
    case orlofx::kEnvNotifyTracking:
      OnGraphTracking(lParam);
      return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      if (!Bound()) return TRUE;
      HWND control = reinterpret_cast<HWND>(lParam);
      const int id = control ? GetDlgCtrlID(control) : 0;
      const int code = LOWORD(wParam);
      if (code == orlofx::kSliderPress) BeginEdit(id);
      const INT_PTR result = CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
      if (code == orlofx::kSliderEndScroll) {
        EndEdit(id);
        // The curve may not have followed the slider all the way (points
        // stop 0.3 dB apart): let the sliders show what the curve now has.
        if (id == kThresholdSlider || id == kRatioSlider) UpdateControls(kGraph);
      }
      return result;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == kAttackEdit || id == kReleaseEdit) {
        // Typing is left alone; the value is taken when the box is left.
        if (Bound() && code == EN_KILLFOCUS) OnTimeEdited(id);
        return TRUE;
      }
      if (id == kAutoGainCheck || id == kSyncStereoCheck) {
        if (Bound() && code == BN_CLICKED) OnSwitch(id);
        return TRUE;
      }
      if (id == kResetGraphButton) {
        if (Bound() && code == BN_CLICKED) OnResetGraph();
        return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}

void CAkGdynPropPage::InitControls() {
  CAkPropertyPage::InitControls();
  HWND graph = GetDlgItem(Dialog(), kGraph);
  if (!graph) return;
  SendMessageW(graph, orlofx::kEnvSetCapacity, orlofx::kGdynMaxPoints, FALSE);
  SendMessageW(graph, orlofx::kEnvSetXMin, FALSE, orlofx::kGdynLevelFloor);
  SendMessageW(graph, orlofx::kEnvSetXMax, FALSE, 0);
  SendMessageW(graph, orlofx::kEnvSetYMin, FALSE, orlofx::kGdynLevelFloor);
  SendMessageW(graph, orlofx::kEnvSetYMax, FALSE, 0);
  SendMessageW(graph, orlofx::kEnvSetMinimumCount, FALSE, orlofx::kGdynMinPoints);
  // Changes during a drag too: the audio follows the point as it moves.
  SendMessageW(graph, orlofx::kEnvSetNotifyWindow, FALSE, reinterpret_cast<LPARAM>(Dialog()));
  SendMessageW(graph, orlofx::kEnvSetTrackingWindow, 0, reinterpret_cast<LPARAM>(Dialog()));
  RECT client = {};
  GetClientRect(graph, &client);
  HBITMAP grid = MakeGraphGrid(client.right - 2 * kGraphMargin, client.bottom - 2 * kGraphMargin);
  if (grid) SendMessageW(graph, orlofx::kEnvSetBackground, 0, reinterpret_cast<LPARAM>(grid));
}

void CAkGdynPropPage::UpdateControls(int controlId) {
  if (!Bound() || !Dialog()) return;
  const bool all = controlId == 0 || controlId == orlofx::kNotifyCommand;
  CAkPropertyPage::UpdateControls(controlId);
  // A graph edit changes the curve's threshold and ratio: show them, sliders
  // included.
  if (controlId == kGraph) {
    CAkPropertyPage::UpdateControls(kThresholdText);
    CAkPropertyPage::UpdateControls(kRatioText);
  }
  // A slider that was just set from the effect starts its next step there.
  if (controlId != kThresholdSlider) Dynamics()->GetThreshold(&thresholdShown_);
  if (controlId != kRatioSlider) Dynamics()->GetRatio(&ratioShown_);
  if (all) {
    // Never under the mouse: a point being dragged stays with the pointer.
    HWND graph = GetDlgItem(Dialog(), kGraph);
    if (graph && GetCapture() != graph) ShowCurve(ReadCurve());
    UpdateSwitches();
  }
  UpdateEditable();
}

// --- the curve -----------------------------------------------------------------------

GdynPageCurve CAkGdynPropPage::ReadCurve() {
  GdynPoint points[orlofx::kGdynMaxPoints] = {};
  long count = 0;
  if (FAILED(Dynamics()->GetPoints(points, &count))) return orlofx::GdynResetCurve();
  return orlofx::GdynSortedCurve(points, static_cast<int>(count));
}

void CAkGdynPropPage::ShowCurve(const GdynPageCurve& curve) {
  HWND graph = GetDlgItem(Dialog(), kGraph);
  if (graph)
    SendMessageW(graph, orlofx::kEnvSetPoints, static_cast<WPARAM>(curve.count),
                 reinterpret_cast<LPARAM>(curve.points));
}

void CAkGdynPropPage::WriteCurve(const GdynPageCurve& curve) {
  ShowCurve(curve);
  // The effect gets what the graph shows: the graph keeps its ends on the
  // edges of the range and drops points it cannot show apart.
  GdynPoint shown[orlofx::kGdynMaxPoints] = {};
  HWND graph = GetDlgItem(Dialog(), kGraph);
  const LRESULT count =
      graph ? SendMessageW(graph, orlofx::kEnvGetPoints, orlofx::kGdynMaxPoints,
                           reinterpret_cast<LPARAM>(shown))
            : 0;
  if (count >= orlofx::kGdynMinPoints)
    Dynamics()->SetPoints(shown, static_cast<long>(count));
  else
    Dynamics()->SetPoints(curve.points, curve.count);
}

void CAkGdynPropPage::OnGraphChanged() {
  HWND graph = GetDlgItem(Dialog(), kGraph);
  if (!graph) return;
  GdynPoint points[orlofx::kGdynMaxPoints] = {};
  const LRESULT count = SendMessageW(graph, orlofx::kEnvGetPoints, orlofx::kGdynMaxPoints,
                                     reinterpret_cast<LPARAM>(points));
  if (count < 2) return;
  if (SUCCEEDED(Dynamics()->SetPoints(points, static_cast<long>(count)))) NotifyOtherPages();
  UpdateControls(kGraph);
}

void CAkGdynPropPage::OnGraphTracking(LPARAM lParam) {
  HWND graph = GetDlgItem(Dialog(), kGraph);
  if (!graph) return;
  const std::int32_t x = static_cast<short>(LOWORD(lParam));
  std::int32_t y = static_cast<short>(HIWORD(lParam));
  // While a point is dragged the values are the point's own; otherwise the
  // read-out gives the curve's answer at the input under the pointer.
  if (GetCapture() != graph) {
    EnvelopePoint points[orlofx::kGdynMaxPoints] = {};
    const LRESULT count = SendMessageW(graph, orlofx::kEnvGetPoints, orlofx::kGdynMaxPoints,
                                       reinterpret_cast<LPARAM>(points));
    y = OutputAt(points, static_cast<int>(count), x);
  }
  const long floor = orlofx::kGdynLevelFloor;
  const std::wstring db = orlofx::LoadWideString(orlofx::sid::kSuffixDecibel);
  const std::wstring gain =
      y <= floor ? orlofx::FormatLevelW(floor, 1, floor, db.c_str())
                 : orlofx::FormatLevelW(y - x, 1, 0, db.c_str());
  const std::wstring text =
      orlofx::FillIn(orlofx::LoadWideString(orlofx::sid::kGainReadout),
                 {gain, orlofx::FormatLevelW(x, 1, floor, db.c_str()),
                  orlofx::FormatLevelW(y, 1, floor, db.c_str())});
  SetDlgItemTextW(Dialog(), kReadout, text.c_str());
}

void CAkGdynPropPage::OnResetGraph() {
  const GdynPageCurve curve = orlofx::GdynResetCurve();
  WriteCurve(curve);
  Dynamics()->SetThreshold(orlofx::GdynCurveThreshold(curve.points, curve.count));
  Dynamics()->SetRatio(orlofx::GdynCurveRatio(curve.points, curve.count));
  NotifyOtherPages();
  UpdateControls(0);
}

// --- parameters -----------------------------------------------------------------------

void CAkGdynPropPage::OnSwitch(int id) {
  const long on = IsDlgButtonChecked(Dialog(), id) == BST_CHECKED ? 1 : 0;
  // A click is an edit of its own, bracketed for the host's automation as a
  // slider's drag is.
  auto* fx = Dynamics();
  HRESULT hr = S_OK;
  if (id == kAutoGainCheck) {
    fx->BeginEditAutoGain();
    hr = fx->SetAutoGain(on);
    fx->EndEditAutoGain();
  } else {
    fx->BeginEditSyncStereo();
    hr = fx->SetSyncStereo(on);
    fx->EndEditSyncStereo();
  }
  if (SUCCEEDED(hr)) NotifyOtherPages();
  UpdateSwitches();
}

void CAkGdynPropPage::OnTimeEdited(int editId) {
  WCHAR text[41] = {};
  GetDlgItemTextW(Dialog(), editId, text, 41);
  const long tenths = ParseTenths(text);
  const HRESULT hr =
      editId == kAttackEdit ? Dynamics()->SetAttack(tenths) : Dynamics()->SetRelease(tenths);
  if (SUCCEEDED(hr)) NotifyOtherPages();
  UpdateControls(editId);
}

void CAkGdynPropPage::BeginEdit(int sliderId) {
  switch (sliderId) {
    case kOutputGainFader: Dynamics()->BeginEditOutputGain(); break;
    case kAttackSlider: Dynamics()->BeginEditAttack(); break;
    case kReleaseSlider: Dynamics()->BeginEditRelease(); break;
    default: break;
  }
}

void CAkGdynPropPage::EndEdit(int sliderId) {
  switch (sliderId) {
    case kOutputGainFader: Dynamics()->EndEditOutputGain(); break;
    case kAttackSlider: Dynamics()->EndEditAttack(); break;
    case kReleaseSlider: Dynamics()->EndEditRelease(); break;
    default: break;
  }
}

bool CAkGdynPropPage::UpdateEditable() {
  bool driven = false;
  for (const ParamControls& p : kParamControls) {
    const bool editable = IsEditable(Dynamics(), p.param) == S_OK;
    driven = driven || !editable;
    for (int id : {p.first, p.second}) {
      HWND control = id ? GetDlgItem(Dialog(), id) : nullptr;
      if (control && (IsWindowEnabled(control) != FALSE) != editable)
        EnableWindow(control, editable ? TRUE : FALSE);
    }
  }
  return driven;
}

void CAkGdynPropPage::UpdateSwitches() {
  long autoGain = 0, sync = 0;
  if (SUCCEEDED(Dynamics()->GetAutoGain(&autoGain)))
    CheckDlgButton(Dialog(), kAutoGainCheck, autoGain ? BST_CHECKED : BST_UNCHECKED);
  if (SUCCEEDED(Dynamics()->GetSyncStereo(&sync)))
    CheckDlgButton(Dialog(), kSyncStereoCheck, sync ? BST_CHECKED : BST_UNCHECKED);
}

void CAkGdynPropPage::OnTimer() {
  orlofx::ClearReadoutAwayFromGraph(Dialog(), kGraph, kReadout);
  if (!Bound()) return;
  // Envelope playback posts nothing: look for driven parameters here, and
  // show their values as they move.
  if (!UpdateEditable()) return;
  for (const ParamControls& p : kParamControls) {
    if (IsEditable(Dynamics(), p.param) == S_OK) continue;
    if (p.param == Param::kAutoGain || p.param == Param::kSyncStereo)
      UpdateSwitches();
    else
      CAkPropertyPage::UpdateControls(p.param == Param::kOutputGain ? kOutputGainText : p.second);
  }
}

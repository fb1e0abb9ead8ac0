#include "effects/geq/win/geq_page.h"

#include <array>
#include <new>
#include <vector>

#include "framework/win/guids.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"
#include "ui/envelope_control.h"
#include "framework/controls/envelope_model.h"
#include "ui/page_frame.h"

namespace {

using orlofx::GeqFaderPage;
using orlofx::HelpId;
using orlofx::PageDescription;
using orlofx::PageLabel;
using orlofx::ValueGroup;

using Page = CAkGeqPropPage;

constexpr int kTenBandDialog = 6003;
constexpr int kTwentyBandDialog = 6004;
constexpr int kEnvelopeDialog = 6005;
constexpr DWORD kHelpTopic = 129;

// Help contexts.
constexpr DWORD kHelpBands = 73;
constexpr DWORD kHelpOutputGain = 74;
constexpr DWORD kHelpGraph = 76;
constexpr DWORD kHelpAccuracy = 77;
constexpr DWORD kHelpReset = 121;

constexpr int kAccuracyCount = 3;  // Low, Medium, High: item data 0-2
constexpr long kHighAccuracy = 2;  // what any other stored value plays as

// Label templates: "&Gain: (%s to %s dB)", "&Output gain (%s to %s dB)".
constexpr int kGainLabelTemplate = 7400;
constexpr int kOutputLabelTemplate = 7401;

// The envelope page's check whether the pointer has left the graph.
constexpr UINT_PTR kReadoutTimer = 6089;
constexpr UINT kReadoutTimerMs = 200;

// The band values' face, in percent of the dialog font's height.
constexpr int kValueFontPercent = 80;

// Envelope graph set-up.
constexpr UINT kGraphCapacity = orlofx::kGeqMaxPoints;
constexpr LPARAM kGraphLineColour = 10;   // of the 16 basic colours
constexpr LPARAM kGraphPointColour = 9;

// The band of a fader id, -1 for other controls.
int BandOf(int controlId) {
  const int band = controlId - Page::kFirstBandFader;
  return band >= 0 && band < orlofx::kGeqBandCount ? band : -1;
}

ValueGroup BandGroup(int band) {
  return GroupOf(Page::kFirstBandFader + band, Page::kFirstBandText + band, ValueGroup::kFader,
                 ValueGroup::kStaticText, orlofx::GeqParameters(), orlofx::kGeqFirstBand + band);
}

ValueGroup OutputGroup(int textId) {
  return GroupOf(Page::kOutputGainFader, textId, ValueGroup::kFader, ValueGroup::kStaticText,
                 orlofx::GeqParameters(), orlofx::kGeqOutputGain);
}

// What one dialog holds: its bands (every second one on the 10-band page),
// the output gain and the shared controls, as the frame's tables.
struct PageTables {
  std::vector<ValueGroup> groups;
  std::vector<HelpId> helpIds;
  std::vector<PageLabel> labels;
};

// A label that is a number alone, or the number in a template.
PageLabel NumberLabel(int id, long value, int decimals = 0, int templateId = 0) {
  return PageLabel{id, templateId, {{value, decimals}, {0, 0}}, 1};
}

// The bands' nominal centres as their captions show them: Hz, or tenths of
// a kHz with "k" from 1.3 kHz on.
struct Centre {
  long value;
  bool kilo;
};
constexpr Centre kCentres[orlofx::kGeqBandCount] = {
    {20, false}, {28, false}, {40, false},  {56, false},  {80, false},  {113, false}, {160, false},
    {225, false}, {320, false}, {450, false}, {640, false}, {900, false}, {13, true},   {18, true},
    {25, true},  {36, true},  {51, true},   {72, true},   {100, true},  {150, true}};

PageLabel CentreLabel(int id, const Centre& c) {
  if (!c.kilo) return NumberLabel(id, c.value);
  // Whole kHz without a decimal ("10k"), others with one ("1.3k").
  return c.value % 10 == 0 ? NumberLabel(id, c.value / 10, 0, orlofx::kKiloTemplate)
                           : NumberLabel(id, c.value, 1, orlofx::kKiloTemplate);
}

// The envelope graph's scales: the levels of its grid lines top to bottom
// (+24 dB to silence) and a frequency an octave from 20 Hz.
void AddGraphScales(std::vector<PageLabel>& labels) {
  constexpr long kLevels[CAkGeqPropPage3::kLevelCaptionCount] = {24, 12, 6, 3, 0, -3, -6, -12, -24, 0};
  for (int i = 0; i < CAkGeqPropPage3::kLevelCaptionCount; ++i) {
    const int id = CAkGeqPropPage3::LevelCaptionId(i);
    if (i == CAkGeqPropPage3::kLevelCaptionCount - 1)
      labels.push_back(NumberLabel(id, orlofx::kLabelMinusInfinity));
    else if (kLevels[i] > 0)
      labels.push_back(NumberLabel(id, kLevels[i], 0, orlofx::kPlusTemplate));
    else if (kLevels[i] == 0)
      labels.push_back(NumberLabel(id, 0, 0, orlofx::kDecibelTemplate));
    else
      labels.push_back(NumberLabel(id, kLevels[i]));
  }
  // 20 Hz to 20480 Hz, named as an octave band's nominal frequency.
  constexpr Centre kOctaves[CAkGeqPropPage3::kFrequencyCaptionCount] = {
      {20, false}, {40, false}, {80, false}, {160, false}, {320, false}, {640, false},
      {13, true},  {26, true},  {51, true},  {100, true},  {200, true}};
  for (int i = 0; i < CAkGeqPropPage3::kFrequencyCaptionCount; ++i)
    labels.push_back(CentreLabel(CAkGeqPropPage3::FrequencyCaptionId(i), kOctaves[i]));
}

PageTables MakeTables(int firstBand, int bandStep, int outputText, bool graph) {
  PageTables t;
  if (bandStep > 0) {
    for (int band = firstBand; band < orlofx::kGeqBandCount; band += bandStep) {
      t.groups.push_back(BandGroup(band));
      t.helpIds.push_back(HelpId{Page::kFirstBandFader + band, kHelpBands});
      t.helpIds.push_back(HelpId{Page::kFirstBandText + band, kHelpBands});
      t.labels.push_back(CentreLabel(Page::kFirstCentreLabel + band, kCentres[band]));
    }
    t.helpIds.push_back(HelpId{Page::kGainLabel, kHelpBands});
    t.labels.push_back(RangeLabel(Page::kGainLabel, kGainLabelTemplate,
                                  orlofx::GeqParameters()[orlofx::kGeqFirstBand]));
  }
  t.labels.push_back(RangeLabel(Page::kOutputGainLabel, kOutputLabelTemplate,
                                orlofx::GeqParameters()[orlofx::kGeqOutputGain]));
  if (graph) AddGraphScales(t.labels);
  t.groups.push_back(OutputGroup(outputText));
  t.helpIds.push_back(HelpId{Page::kOutputGainFader, kHelpOutputGain});
  t.helpIds.push_back(HelpId{outputText, kHelpOutputGain});
  t.helpIds.push_back(HelpId{Page::kOutputGainLabel, kHelpOutputGain});
  if (graph) t.helpIds.push_back(HelpId{Page::kGraph, kHelpGraph});
  t.helpIds.push_back(HelpId{Page::kAccuracyList, kHelpAccuracy});
  t.helpIds.push_back(HelpId{Page::kAccuracyLabel, kHelpAccuracy});
  t.helpIds.push_back(HelpId{Page::kReset, kHelpReset});
  t.helpIds.push_back(HelpId{0, 0});
  return t;
}

const PageTables kTenBandTables = MakeTables(1, 2, Page::kOutputGainText, false);
const PageTables kTwentyBandTables = MakeTables(0, 1, Page::kOutputGainText2, false);
const PageTables kEnvelopeTables = MakeTables(0, 0, Page::kOutputGainText, true);

PageDescription Describe(int dialogId, int titleId, const PageTables& t) {
  return PageDescription{dialogId,
                         titleId,
                         orlofx::sid::kGraphicEqName,
                         &IID_IAkGeqProp,
                         t.helpIds.data(),
                         kHelpTopic,
                         t.groups.data(),
                         static_cast<int>(t.groups.size()),
                         t.labels.data(),
                         static_cast<int>(t.labels.size())};
}

const PageDescription kTenBandDescription =
    Describe(kTenBandDialog, orlofx::sid::kGraphicEq10BandTitle, kTenBandTables);
const PageDescription kTwentyBandDescription =
    Describe(kTwentyBandDialog, orlofx::sid::kGraphicEq20BandTitle, kTwentyBandTables);
const PageDescription kEnvelopeDescription =
    Describe(kEnvelopeDialog, orlofx::sid::kGraphicEqEnvelopeTitle, kEnvelopeTables);

HRESULT GetBandGain(IAkGeqProp* eq, int band, long* value) {
  switch (band) {
    case 0: return eq->GetBand1Gain(value);
    case 1: return eq->GetBand2Gain(value);
    case 2: return eq->GetBand3Gain(value);
    case 3: return eq->GetBand4Gain(value);
    case 4: return eq->GetBand5Gain(value);
    case 5: return eq->GetBand6Gain(value);
    case 6: return eq->GetBand7Gain(value);
    case 7: return eq->GetBand8Gain(value);
    case 8: return eq->GetBand9Gain(value);
    case 9: return eq->GetBand10Gain(value);
    case 10: return eq->GetBand11Gain(value);
    case 11: return eq->GetBand12Gain(value);
    case 12: return eq->GetBand13Gain(value);
    case 13: return eq->GetBand14Gain(value);
    case 14: return eq->GetBand15Gain(value);
    case 15: return eq->GetBand16Gain(value);
    case 16: return eq->GetBand17Gain(value);
    case 17: return eq->GetBand18Gain(value);
    case 18: return eq->GetBand19Gain(value);
    case 19: return eq->GetBand20Gain(value);
    default: return E_INVALIDARG;
  }
}

HRESULT SetBandGain(IAkGeqProp* eq, int band, long value) {
  switch (band) {
    case 0: return eq->SetBand1Gain(value);
    case 1: return eq->SetBand2Gain(value);
    case 2: return eq->SetBand3Gain(value);
    case 3: return eq->SetBand4Gain(value);
    case 4: return eq->SetBand5Gain(value);
    case 5: return eq->SetBand6Gain(value);
    case 6: return eq->SetBand7Gain(value);
    case 7: return eq->SetBand8Gain(value);
    case 8: return eq->SetBand9Gain(value);
    case 9: return eq->SetBand10Gain(value);
    case 10: return eq->SetBand11Gain(value);
    case 11: return eq->SetBand12Gain(value);
    case 12: return eq->SetBand13Gain(value);
    case 13: return eq->SetBand14Gain(value);
    case 14: return eq->SetBand15Gain(value);
    case 15: return eq->SetBand16Gain(value);
    case 16: return eq->SetBand17Gain(value);
    case 17: return eq->SetBand18Gain(value);
    case 18: return eq->SetBand19Gain(value);
    case 19: return eq->SetBand20Gain(value);
    default: return E_INVALIDARG;
  }
}

// The filter's envelope; false when it cannot be read.
bool ReadEnvelope(IAkGeqProp* eq, std::array<GeqPoint, orlofx::kGeqMaxPoints>& points,
                  DWORD* count) {
  *count = 0;
  return SUCCEEDED(eq->GetEnvelope(points.data(), count)) &&
         *count >= static_cast<DWORD>(orlofx::kGeqMinPoints) &&
         *count <= static_cast<DWORD>(orlofx::kGeqMaxPoints);
}

const GeqPoint kFlatEnvelope[] = {{orlofx::kGeqXMin, 0}, {orlofx::kGeqXMax, 0}};

}  // namespace

// --- CAkGeqPropPage: the 10-band page and what all three share -------------

CUnknown* CALLBACK CAkGeqPropPage::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkGeqPropPage(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkGeqPropPage::CAkGeqPropPage(LPUNKNOWN outer)
    : CAkGeqPropPage(NAME("AkGeq Property Page"), outer, kTenBandDescription, Kind::kTenBand) {}

CAkGeqPropPage::CAkGeqPropPage(LPCTSTR name, LPUNKNOWN outer, const PageDescription& description,
                               Kind kind)
    : CAkPropertyPage(name, outer, description), kind_(kind) {}

CAkGeqPropPage::~CAkGeqPropPage() {
  if (valueFont_) DeleteObject(valueFont_);
}

HRESULT CAkGeqPropPage::SetNotifyWindow(HWND window, UINT id) {
  return Eq()->SetNotifyWindow(window, id);
}

HRESULT CAkGeqPropPage::GetValue(const ValueGroup& group, long* value) {
  if (group.sliderId == kOutputGainFader) return Eq()->GetOutputGain(value);
  const int band = BandOf(group.sliderId);
  if (band < 0) return E_INVALIDARG;
  *value = shownGains_[band];
  return S_OK;
}

HRESULT CAkGeqPropPage::SetValue(const ValueGroup& group, long value) {
  if (group.sliderId == kOutputGainFader) return Eq()->SetOutputGain(value);
  return SetBand(BandOf(group.sliderId), value);
}

HRESULT CAkGeqPropPage::SetBand(int band, long gain) {
  if (band < 0) return E_INVALIDARG;
  // Scroll codes that carry no move (end of scroll, thumb position at the
  // place it was tracked to) leave the envelope as it is.
  if (gain == shownGains_[band]) return S_OK;
  HRESULT hr = SetBandGain(Eq(), band, gain);
  if (FAILED(hr)) return hr;
  long accepted = gain;
  GetBandGain(Eq(), band, &accepted);
  shownGains_[band] = accepted;

  std::array<GeqPoint, orlofx::kGeqMaxPoints> points;
  DWORD count = 0;
  if (!ReadEnvelope(Eq(), points, &count)) return E_FAIL;
  const GeqFaderPage page =
      kind_ == Kind::kTenBand ? GeqFaderPage::kTenBand : GeqFaderPage::kTwentyBand;
  const orlofx::GeqEnvelope edited =
      orlofx::GeqEditBand(points.data(), count, band, accepted, page);
  return Eq()->SetEnvelope(edited.data(), static_cast<DWORD>(edited.size()));
}

std::wstring CAkGeqPropPage::FormatValue(const ValueGroup& group, long value) {
  if (BandOf(group.sliderId) < 0) return CAkPropertyPage::FormatValue(group, value);
  return orlofx::FormatLevelW(value, 1, group.Floor(), nullptr);
}

void CAkGeqPropPage::ReadBandsFromEnvelope() {
  std::array<GeqPoint, orlofx::kGeqMaxPoints> points;
  DWORD count = 0;
  if (!ReadEnvelope(Eq(), points, &count)) return;
  const auto gains = orlofx::GeqBandGainsOf(points.data(), count);
  for (int band = 0; band < orlofx::kGeqBandCount; ++band) shownGains_[band] = gains[band];
}

void CAkGeqPropPage::InitControls() {
  CAkPropertyPage::InitControls();
  if (kind_ != Kind::kEnvelope) {
    if (valueFont_) DeleteObject(valueFont_);
    valueFont_ = orlofx::CreateSmallerFont(Dialog(), kValueFontPercent);
    for (int band = 0; band < orlofx::kGeqBandCount && valueFont_; ++band) {
      HWND text = GetDlgItem(Dialog(), kFirstBandText + band);
      if (text) SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(valueFont_), FALSE);
    }
  }
  HWND list = GetDlgItem(Dialog(), kAccuracyList);
  if (!list) return;
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < kAccuracyCount; ++i) {
    const std::wstring text = orlofx::LoadWideString(orlofx::sid::kGraphicEqAccuracyLow + i);
    const LRESULT item = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (item >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
  }
}

void CAkGeqPropPage::UpdateControls(int controlId) {
  if (!Bound() || !Dialog()) return;
  const bool all = controlId == 0 || controlId == orlofx::kNotifyCommand;
  // The faders show what the envelope does, however it was last changed.
  if (all && kind_ != Kind::kEnvelope) ReadBandsFromEnvelope();
  CAkPropertyPage::UpdateControls(controlId);
  if (all || controlId == kAccuracyList) ShowAccuracy();
}

void CAkGeqPropPage::ShowAccuracy() {
  HWND list = GetDlgItem(Dialog(), kAccuracyList);
  long accuracy = 0;
  if (!list || FAILED(Eq()->GetAccuracy(&accuracy))) return;
  if (accuracy < 0 || accuracy >= kAccuracyCount) accuracy = kHighAccuracy;
  const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == accuracy) {
      SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
}

void CAkGeqPropPage::OnAccuracyChosen() {
  HWND list = GetDlgItem(Dialog(), kAccuracyList);
  const LRESULT selection = SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (selection == CB_ERR) return;
  const LRESULT accuracy = SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
  if (accuracy == CB_ERR) return;
  if (SUCCEEDED(Eq()->SetAccuracy(static_cast<long>(accuracy)))) NotifyOtherPages();
  UpdateControls(kAccuracyList);
}

void CAkGeqPropPage::OnReset() {
  if (FAILED(Eq()->SetEnvelope(kFlatEnvelope, 2))) return;
  for (int band = 0; band < orlofx::kGeqBandCount; ++band) SetBandGain(Eq(), band, 0);
  UpdateControls(0);
  NotifyOtherPages();
}

INT_PTR CAkGeqPropPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == kAccuracyList && code == CBN_SELCHANGE) {
      if (Bound()) OnAccuracyChosen();
      return TRUE;
    }
    if (id == kReset && code == BN_CLICKED) {
      if (Bound()) OnReset();
      return TRUE;
    }
  }
  return CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}

// --- CAkGeqPropPage2: the 20-band page --------------------------------------

CUnknown* CALLBACK CAkGeqPropPage2::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkGeqPropPage2(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkGeqPropPage2::CAkGeqPropPage2(LPUNKNOWN outer)
    : CAkGeqPropPage(NAME("AkGeq Property Page2"), outer, kTwentyBandDescription,
                     Kind::kTwentyBand) {}

// --- CAkGeqPropPage3: the envelope page -------------------------------------

CUnknown* CALLBACK CAkGeqPropPage3::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkGeqPropPage3(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkGeqPropPage3::CAkGeqPropPage3(LPUNKNOWN outer)
    : CAkGeqPropPage(NAME("AkGeq Property Page3"), outer, kEnvelopeDescription, Kind::kEnvelope) {}

void CAkGeqPropPage3::InitControls() {
  CAkGeqPropPage::InitControls();
  HWND graph = GetDlgItem(Dialog(), kGraph);
  if (!graph) return;
  // The capacity first: it resets the points.
  SendMessageW(graph, orlofx::kEnvSetCapacity, kGraphCapacity, FALSE);
  SendMessageW(graph, orlofx::kEnvSetYMin, FALSE, orlofx::kGeqYSilence);
  SendMessageW(graph, orlofx::kEnvSetYMax, FALSE, orlofx::kGeqYMax);
  SendMessageW(graph, orlofx::kEnvSetXMin, FALSE, orlofx::kGeqXMin);
  SendMessageW(graph, orlofx::kEnvSetXMax, FALSE, orlofx::kGeqXMax);
  SendMessageW(graph, orlofx::kEnvSetLineColour, 0, kGraphLineColour);
  SendMessageW(graph, orlofx::kEnvSetPointColour, 0, kGraphPointColour);
  const LPARAM dialog = reinterpret_cast<LPARAM>(Dialog());
  SendMessageW(graph, orlofx::kEnvSetNotifyWindow, FALSE, dialog);
  SendMessageW(graph, orlofx::kEnvSetTrackingWindow, 0, dialog);
  SendMessageW(graph, orlofx::kEnvSetEndWindow, 0, dialog);
  AlignCaptions();
}

void CAkGeqPropPage3::AlignCaptions() {
  HWND graph = GetDlgItem(Dialog(), kGraph);
  RECT area = {};
  GetWindowRect(graph, &area);
  MapWindowPoints(HWND_DESKTOP, Dialog(), reinterpret_cast<POINT*>(&area), 2);
  // Level captions from +24 dB down to silence, a grid line each 100 units.
  for (int i = 0; i < kLevelCaptionCount; ++i) {
    HWND caption = GetDlgItem(Dialog(), LevelCaptionId(i));
    if (!caption) continue;
    const LPARAM y = orlofx::kGeqYMax - 100 * i;
    const int centre = area.top + static_cast<int>(SendMessageW(graph, orlofx::kEnvYToPixel, 0, y));
    RECT r = {};
    GetWindowRect(caption, &r);
    MapWindowPoints(HWND_DESKTOP, Dialog(), reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(caption, nullptr, r.left, centre - (r.bottom - r.top) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Frequency captions an octave apart, 20 Hz to 20480 Hz.
  for (int i = 0; i < kFrequencyCaptionCount; ++i) {
    HWND caption = GetDlgItem(Dialog(), FrequencyCaptionId(i));
    if (!caption) continue;
    const LPARAM x = 1000 * i;
    const int centre = area.left + static_cast<int>(SendMessageW(graph, orlofx::kEnvXToPixel, 0, x));
    RECT r = {};
    GetWindowRect(caption, &r);
    MapWindowPoints(HWND_DESKTOP, Dialog(), reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(caption, nullptr, centre - (r.right - r.left) / 2, r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CAkGeqPropPage3::UpdateControls(int controlId) {
  CAkGeqPropPage::UpdateControls(controlId);
  if (!Bound() || !Dialog()) return;
  if (controlId != 0 && controlId != orlofx::kNotifyCommand) return;
  HWND graph = GetDlgItem(Dialog(), kGraph);
  std::array<GeqPoint, orlofx::kGeqMaxPoints> points;
  DWORD count = 0;
  if (!graph || !ReadEnvelope(Eq(), points, &count)) return;
  orlofx::EnvelopePoint shown[orlofx::kGeqMaxPoints];
  for (DWORD i = 0; i < count; ++i) shown[i] = orlofx::EnvelopePoint{points[i].x, points[i].y};
  SendMessageW(graph, orlofx::kEnvSetPoints, count, reinterpret_cast<LPARAM>(shown));
}

void CAkGeqPropPage3::OnReset() {
  if (FAILED(Eq()->SetEnvelope(kFlatEnvelope, 2))) return;
  UpdateControls(0);
  NotifyOtherPages();
}

void CAkGeqPropPage3::OnGraphChanged() {
  HWND graph = GetDlgItem(Dialog(), kGraph);
  if (!graph) return;
  orlofx::EnvelopePoint shown[orlofx::kGeqMaxPoints];
  const LRESULT count =
      SendMessageW(graph, orlofx::kEnvGetPoints, kGraphCapacity, reinterpret_cast<LPARAM>(shown));
  if (count < orlofx::kGeqMinPoints || count > orlofx::kGeqMaxPoints) return;
  GeqPoint points[orlofx::kGeqMaxPoints];
  for (LRESULT i = 0; i < count; ++i) points[i] = GeqPoint{shown[i].x, shown[i].y};
  if (SUCCEEDED(Eq()->SetEnvelope(points, static_cast<DWORD>(count)))) NotifyOtherPages();
}

void CAkGeqPropPage3::OnPointer(LPARAM packed) {
  // Both values are signed 16-bit halves: (y << 16) | (x & 0xFFFF).
  const auto x = static_cast<std::int16_t>(LOWORD(packed));
  const auto y = static_cast<std::int16_t>(HIWORD(packed));
  SetDlgItemTextW(Dialog(), kReadout, orlofx::Utf8ToWide(orlofx::GeqReadoutText(x, y)).c_str());
  // Each readout starts the period anew: the check comes a period after the
  // pointer's last report.
  readoutTimer_ = SetTimer(Dialog(), kReadoutTimer, kReadoutTimerMs, nullptr) != 0;
}

void CAkGeqPropPage3::OnReadoutTimer() {
  if (!orlofx::ClearReadoutAwayFromGraph(Dialog(), kGraph, kReadout)) return;
  KillTimer(Dialog(), kReadoutTimer);
  readoutTimer_ = false;
}

INT_PTR CAkGeqPropPage3::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  switch (message) {
    case orlofx::kEnvNotifyChanged:
      if (Bound() && Dialog()) OnGraphChanged();
      return TRUE;
    case orlofx::kEnvNotifyTracking:
      if (Bound() && Dialog()) OnPointer(lParam);
      return TRUE;
    case orlofx::kEnvNotifyEnd:
      return TRUE;  // the graph has no free end here
    case WM_TIMER:
      if (wParam != kReadoutTimer) break;
      OnReadoutTimer();
      return TRUE;
    case WM_DESTROY:
      if (readoutTimer_) KillTimer(window, kReadoutTimer);
      readoutTimer_ = false;
      break;
    default:
      break;
  }
  return CAkGeqPropPage::OnReceiveMessage(window, message, wParam, lParam);
}

#include "effects/pgeq/win/pgeq_page.h"

#include <new>

#include "effects/pgeq/pgeq_graph.h"
#include "framework/win/guids.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"
#include "ui/page_frame.h"

namespace {

using orlofx::HelpId;
using orlofx::PageDescription;
using orlofx::PageLabel;
using orlofx::ValueGroup;
using Page = CAkPgeqPropPage;

constexpr int kDialogId = 3001;
constexpr DWORD kHelpTopic = 127;
constexpr long kNoHighlight = 4;    // a shelf was touched last: no band marker

// The graph window keeps the effect's interface (no reference of its own:
// the page holds it) and the window procedure it had before the page took
// over its painting.
constexpr wchar_t kGraphInterfaceProperty[] = L"TapGraph";
constexpr wchar_t kGraphProcedureProperty[] = L"TapGraphProc";

const HelpId kHelpIds[] = {
    {Page::kDryFader, 64},          {Page::kDryText, 64},
    {Page::kDryLabel, 64},          {Page::kWetFader, 65},
    {Page::kWetLabel, 65},          {Page::kWetText, 65},
    {Page::kGainLabel, 67},         {Page::kGainFaders[0], 67},
    {Page::kGainTexts[0], 67},      {Page::kGainFaders[1], 67},
    {Page::kGainTexts[1], 67},      {Page::kGainFaders[2], 67},
    {Page::kGainTexts[2], 67},      {Page::kGainFaders[3], 67},
    {Page::kGainTexts[3], 67},      {Page::kWidthLabel, 68},
    {Page::kWidthSliders[0], 68},   {Page::kWidthTexts[0], 68},
    {Page::kWidthSliders[1], 68},   {Page::kWidthTexts[1], 68},
    {Page::kWidthSliders[2], 68},   {Page::kWidthTexts[2], 68},
    {Page::kWidthSliders[3], 68},   {Page::kWidthTexts[3], 68},
    {Page::kCenterLabel, 69},       {Page::kCenterSliders[0], 69},
    {Page::kCenterEdits[0], 69},    {Page::kCenterSliders[1], 69},
    {Page::kCenterEdits[1], 69},    {Page::kCenterSliders[2], 69},
    {Page::kCenterEdits[2], 69},    {Page::kCenterSliders[3], 69},
    {Page::kCenterEdits[3], 69},    {Page::kLowShelfCheck, 70},
    {Page::kLowFrequencySlider, 70}, {Page::kLowFrequencyEdit, 70},
    {Page::kLowGainSlider, 70},     {Page::kLowGainText, 70},
    {Page::kHighShelfCheck, 71},    {Page::kHighFrequencySlider, 71},
    {Page::kHighFrequencyEdit, 71}, {Page::kHighGainSlider, 71},
    {Page::kHighGainText, 71},      {Page::kGraph, 66},
    {0, 0},
};

const orlofx::ParameterTable& kRows = orlofx::kPgeqParameters;

ValueGroup Fader(int fader, int text, int field) {
  return GroupOf(fader, text, ValueGroup::kFader, ValueGroup::kStaticText, kRows, field);
}
// The frequency boxes take grouped digits ("15,000").
ValueGroup Slider(int slider, int text, int field) {
  return GroupOf(slider, text, ValueGroup::kTrackbar,
                 kRows[field].InTenths() ? ValueGroup::kStaticText : ValueGroup::kEditParsed, kRows,
                 field);
}

const ValueGroup kGroups[] = {
    Fader(Page::kDryFader, Page::kDryText, orlofx::kPgeqDryOut),
    Fader(Page::kWetFader, Page::kWetText, orlofx::kPgeqWetOut),
    Fader(Page::kGainFaders[0], Page::kGainTexts[0], orlofx::kPgeqGain1 + 0),
    Fader(Page::kGainFaders[1], Page::kGainTexts[1], orlofx::kPgeqGain1 + 1),
    Fader(Page::kGainFaders[2], Page::kGainTexts[2], orlofx::kPgeqGain1 + 2),
    Fader(Page::kGainFaders[3], Page::kGainTexts[3], orlofx::kPgeqGain1 + 3),
    // The width text is written by FormatValue in octaves.
    Slider(Page::kWidthSliders[0], Page::kWidthTexts[0], orlofx::kPgeqWidth1 + 0),
    Slider(Page::kWidthSliders[1], Page::kWidthTexts[1], orlofx::kPgeqWidth1 + 1),
    Slider(Page::kWidthSliders[2], Page::kWidthTexts[2], orlofx::kPgeqWidth1 + 2),
    Slider(Page::kWidthSliders[3], Page::kWidthTexts[3], orlofx::kPgeqWidth1 + 3),
    Slider(Page::kCenterSliders[0], Page::kCenterEdits[0], orlofx::kPgeqCenter1 + 0),
    Slider(Page::kCenterSliders[1], Page::kCenterEdits[1], orlofx::kPgeqCenter1 + 1),
    Slider(Page::kCenterSliders[2], Page::kCenterEdits[2], orlofx::kPgeqCenter1 + 2),
    Slider(Page::kCenterSliders[3], Page::kCenterEdits[3], orlofx::kPgeqCenter1 + 3),
    Slider(Page::kLowFrequencySlider, Page::kLowFrequencyEdit, orlofx::kPgeqLowShelfFrequency),
    Slider(Page::kHighFrequencySlider, Page::kHighFrequencyEdit, orlofx::kPgeqHighShelfFrequency),
    Slider(Page::kLowGainSlider, Page::kLowGainText, orlofx::kPgeqLowShelfGain),
    Slider(Page::kHighGainSlider, Page::kHighGainText, orlofx::kPgeqHighShelfGain),
};

constexpr int kGroupCount = static_cast<int>(sizeof kGroups / sizeof kGroups[0]);

// Labels with the ranges above, in whole dB, octaves and Hz; the graph's
// scales (+25 dB to -25 dB, an octave a caption from 20 Hz).
const PageLabel kLabels[] = {
    RangeLabel(Page::kDryLabel, 7351, kRows[orlofx::kPgeqDryOut]),
    RangeLabel(Page::kWetLabel, 7352, kRows[orlofx::kPgeqWetOut]),
    RangeLabel(Page::kGainLabel, 7353, kRows[orlofx::kPgeqGain1]),
    RangeLabel(Page::kWidthLabel, 7354, kRows[orlofx::kPgeqWidth1]),
    RangeLabel(Page::kCenterLabel, 7355, kRows[orlofx::kPgeqCenter1]),
    RangeLabel(Page::kLowShelfCheck, 7356, kRows[orlofx::kPgeqLowShelfGain]),
    RangeLabel(Page::kHighShelfCheck, 7357, kRows[orlofx::kPgeqHighShelfGain]),
    {3070, orlofx::kPlusTemplate, {{25, 0}}, 1},
    {3071, orlofx::kDecibelTemplate, {{0, 0}}, 1},
    {3072, 0, {{-25, 0}}, 1},
    {3059, 0, {{20, 0}}, 1},
    {3060, 0, {{40, 0}}, 1},
    {3061, 0, {{80, 0}}, 1},
    {3062, 0, {{160, 0}}, 1},
    {3063, 0, {{320, 0}}, 1},
    {3064, 0, {{640, 0}}, 1},
    {3065, orlofx::kKiloTemplate, {{13, 1}}, 1},
    {3066, orlofx::kKiloTemplate, {{26, 1}}, 1},
    {3067, orlofx::kKiloTemplate, {{51, 1}}, 1},
    {3068, orlofx::kKiloTemplate, {{10, 0}}, 1},
    {3069, orlofx::kKiloTemplate, {{20, 0}}, 1},
};

const PageDescription kDescription = {
    kDialogId, orlofx::sid::kParagraphicEqTitle, orlofx::sid::kParagraphicEqName, &IID_IAkPgeqProp,
    kHelpIds,  kHelpTopic,
    kGroups,   kGroupCount,
    kLabels,   static_cast<int>(sizeof kLabels / sizeof kLabels[0]),
};

// The band (0-3) a control belongs to, or -1.
int BandOf(int id) {
  for (int band = 0; band < orlofx::kPgeqBands; ++band) {
    if (id == Page::kGainFaders[band] || id == Page::kGainTexts[band] ||
        id == Page::kWidthSliders[band] || id == Page::kWidthTexts[band] ||
        id == Page::kCenterSliders[band] || id == Page::kCenterEdits[band])
      return band;
  }
  return -1;
}

bool IsWidth(const ValueGroup& group) {
  for (int slider : Page::kWidthSliders)
    if (group.sliderId == slider) return true;
  return false;
}

// Curve and marker colours: the selection colour for the curve and a red
// for the marker, each replaced when it would vanish into the background,
// the black lines or the other.
void GraphColours(COLORREF background, COLORREF* curve, COLORREF* marker) {
  const COLORREF black = RGB(0, 0, 0);
  *curve = GetSysColor(COLOR_HIGHLIGHT);
  if (*curve == background || *curve == black) *curve = RGB(0, 96, 192);
  *marker = RGB(224, 0, 0);
  if (*marker == background || *marker == *curve) *marker = RGB(255, 128, 0);
}

void FillSpan(HDC dc, const orlofx::GraphSpan& span, HBRUSH brush) {
  const RECT rect = {span.x, span.top, span.x + 1, span.bottom};
  FillRect(dc, &rect, brush);
}

void PaintGraph(HWND graph, HDC target, const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  HWND owner = GetParent(graph);
  auto background = reinterpret_cast<HBRUSH>(
      SendMessageW(owner, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(target),
                   reinterpret_cast<LPARAM>(graph)));
  if (!background) background = GetSysColorBrush(COLOR_BTNFACE);
  FillRect(target, &client, background);
  auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const RECT edge = {0, 0, 1, height};
  FillRect(target, &edge, black);

  orlofx::PgeqParams params = {};
  auto* eq = static_cast<IAkPgeqProp*>(GetPropW(graph, kGraphInterfaceProperty));
  const bool bound = eq && SUCCEEDED(eq->GetParams(&params));
  const orlofx::GraphPicture picture =
      orlofx::ComputeGraphPicture(bound ? &params : nullptr, width, height);

  LOGBRUSH look = {};
  GetObjectW(background, sizeof look, &look);
  COLORREF curveColour = 0, markerColour = 0;
  GraphColours(look.lbStyle == BS_SOLID ? look.lbColor : GetSysColor(COLOR_BTNFACE), &curveColour,
               &markerColour);
  if (HBRUSH curve = CreateSolidBrush(curveColour)) {
    for (const orlofx::GraphSpan& span : picture.curve) FillSpan(target, span, curve);
    DeleteObject(curve);
  }
  const RECT line = {picture.areaLeft, picture.middle, picture.areaLeft + picture.areaWidth,
                     picture.middle + 1};
  FillRect(target, &line, black);
  // The marker last, so that a band at 0 dB still shows on the line.
  if (picture.hasMarker) {
    if (HBRUSH marker = CreateSolidBrush(markerColour)) {
      FillSpan(target, picture.marker, marker);
      DeleteObject(marker);
    }
  }
}

// Draws into a bitmap of the client size and copies it, or straight onto the
// window when no bitmap can be had.
void OnGraphPaint(HWND graph) {
  PAINTSTRUCT paint = {};
  HDC screen = BeginPaint(graph, &paint);
  if (!screen) return;
  RECT client = {};
  GetClientRect(graph, &client);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = memory ? CreateCompatibleBitmap(screen, client.right, client.bottom) : nullptr;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    PaintGraph(graph, memory, client);
    BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  } else {
    PaintGraph(graph, screen, client);
  }
  if (memory) DeleteDC(memory);
  EndPaint(graph, &paint);
}

// The graph's window procedure while the page paints it: paint requests here,
// everything else to the static control's own procedure.
LRESULT CALLBACK GraphProc(HWND graph, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetPropW(graph, kGraphProcedureProperty));
  switch (message) {
    case WM_PAINT:
      OnGraphPaint(graph);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_NCDESTROY:
      RemovePropW(graph, kGraphInterfaceProperty);
      RemovePropW(graph, kGraphProcedureProperty);
      if (previous) SetWindowLongPtrW(graph, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      break;
    default:
      break;
  }
  return previous ? CallWindowProcW(previous, graph, message, wParam, lParam)
                  : DefWindowProcW(graph, message, wParam, lParam);
}

}  // namespace

CUnknown* CALLBACK CAkPgeqPropPage::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkPgeqPropPage(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkPgeqPropPage::CAkPgeqPropPage(LPUNKNOWN outer)
    : CAkPropertyPage(NAME("AkPgeq Property Page"), outer, kDescription) {}

HRESULT CAkPgeqPropPage::OnConnect(IUnknown* object) {
  const HRESULT hr = CAkPropertyPage::OnConnect(object);
  if (SUCCEEDED(hr)) PointGraphAt(Eq());
  return hr;
}

HRESULT CAkPgeqPropPage::OnDisconnect() {
  // The graph must not paint through an interface that is about to go.
  PointGraphAt(nullptr);
  return CAkPropertyPage::OnDisconnect();
}

INT_PTR CAkPgeqPropPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == kLowShelfCheck || LOWORD(wParam) == kHighShelfCheck)) {
    if (Bound()) OnShelfCheck(LOWORD(wParam));
    return TRUE;
  }
  return CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}

void CAkPgeqPropPage::InitControls() {
  HWND graph = GetDlgItem(Dialog(), kGraph);
  if (graph && !GetPropW(graph, kGraphProcedureProperty)) {
    const LONG_PTR previous = GetWindowLongPtrW(graph, GWLP_WNDPROC);
    SetPropW(graph, kGraphProcedureProperty, reinterpret_cast<HANDLE>(previous));
    SetWindowLongPtrW(graph, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GraphProc));
  }
  PointGraphAt(Eq());
  CAkPropertyPage::InitControls();
}

void CAkPgeqPropPage::UpdateControls(int controlId) {
  CAkPropertyPage::UpdateControls(controlId);
  if (!Bound() || !Dialog()) return;
  ShowEnabling();
  if (controlId == 0 || controlId == orlofx::kNotifyCommand) InvalidateGraph();
}

HRESULT CAkPgeqPropPage::SetNotifyWindow(HWND window, UINT id) {
  return Eq()->SetNotifyWindow(window, id);
}

HRESULT CAkPgeqPropPage::GetValue(const ValueGroup& group, long* value) {
  IAkPgeqProp* eq = Eq();
  switch (group.sliderId) {
    case kDryFader: return eq->GetDryOut(value);
    case kWetFader: return eq->GetWetOut(value);
    case kLowFrequencySlider: return eq->GetLowShelfFrequency(value);
    case kHighFrequencySlider: return eq->GetHighShelfFrequency(value);
    case kLowGainSlider: return eq->GetLowShelfGain(value);
    case kHighGainSlider: return eq->GetHighShelfGain(value);
    default: break;
  }
  const int band = BandOf(group.sliderId);
  if (band < 0) return E_INVALIDARG;
  if (group.sliderId == kGainFaders[band]) return eq->GetBandGain(value, band);
  if (group.sliderId == kWidthSliders[band]) return eq->GetBandWidth(value, band);
  return eq->GetBandCenter(value, band);
}

HRESULT CAkPgeqPropPage::SetValue(const ValueGroup& group, long value) {
  using Setter = HRESULT (STDMETHODCALLTYPE IAkPgeqProp::*)(long);
  static constexpr Setter kGain[] = {&IAkPgeqProp::SetBand1Gain, &IAkPgeqProp::SetBand2Gain,
                                     &IAkPgeqProp::SetBand3Gain, &IAkPgeqProp::SetBand4Gain};
  static constexpr Setter kWidth[] = {&IAkPgeqProp::SetBand1Width, &IAkPgeqProp::SetBand2Width,
                                      &IAkPgeqProp::SetBand3Width, &IAkPgeqProp::SetBand4Width};
  static constexpr Setter kCenter[] = {&IAkPgeqProp::SetBand1Center, &IAkPgeqProp::SetBand2Center,
                                       &IAkPgeqProp::SetBand3Center, &IAkPgeqProp::SetBand4Center};
  IAkPgeqProp* eq = Eq();
  switch (group.sliderId) {
    case kDryFader: return eq->SetDryOut(value);
    case kWetFader: return eq->SetWetOut(value);
    default: break;
  }
  HRESULT hr = E_INVALIDARG;
  long highlight = kNoHighlight;
  const int band = BandOf(group.sliderId);
  if (band >= 0) {
    const Setter setter = group.sliderId == kGainFaders[band]    ? kGain[band]
                          : group.sliderId == kWidthSliders[band] ? kWidth[band]
                                                                  : kCenter[band];
    hr = (eq->*setter)(value);
    highlight = band;
  } else if (group.sliderId == kLowFrequencySlider) {
    hr = eq->SetLowShelfFrequency(value);
  } else if (group.sliderId == kHighFrequencySlider) {
    hr = eq->SetHighShelfFrequency(value);
  } else if (group.sliderId == kLowGainSlider) {
    hr = eq->SetLowShelfGain(value);
  } else if (group.sliderId == kHighGainSlider) {
    hr = eq->SetHighShelfGain(value);
  } else {
    return hr;
  }
  // The graph marks the band last touched; a shelf clears the mark.
  eq->SetHighlightBand(highlight);
  InvalidateGraph();
  return hr;
}

std::wstring CAkPgeqPropPage::FormatValue(const ValueGroup& group, long value) {
  if (IsWidth(group))
    return orlofx::FormatLevelW(value, 1, 0, orlofx::LoadWideString(kOctaveSuffixString).c_str());
  return CAkPropertyPage::FormatValue(group, value);
}

void CAkPgeqPropPage::OnShelfCheck(int checkId) {
  const long enable = IsDlgButtonChecked(Dialog(), checkId) == BST_CHECKED ? 1 : 0;
  const HRESULT hr = checkId == kLowShelfCheck ? Eq()->SetLowShelfEnable(enable)
                                               : Eq()->SetHighShelfEnable(enable);
  Eq()->SetHighlightBand(kNoHighlight);
  InvalidateGraph();
  if (SUCCEEDED(hr)) NotifyOtherPages();
  UpdateControls(checkId);
}

void CAkPgeqPropPage::ShowEnabling() {
  HWND dialog = Dialog();
  orlofx::PgeqParams params = {};
  if (FAILED(Eq()->GetParams(&params))) return;
  // A band at 0 dB is off: its width and center mean nothing then.
  for (int band = 0; band < orlofx::kPgeqBands; ++band) {
    const BOOL on = params.gain[band] != 0;
    for (int id : {kWidthSliders[band], kWidthTexts[band], kCenterSliders[band], kCenterEdits[band]})
      EnableWindow(GetDlgItem(dialog, id), on);
  }
  struct Shelf {
    int check, frequencyEdit, gainText, frequencySlider, gainSlider;
    long enable;
  };
  const Shelf shelves[] = {
      {kLowShelfCheck, kLowFrequencyEdit, kLowGainText, kLowFrequencySlider, kLowGainSlider,
       params.lowShelfEnable},
      {kHighShelfCheck, kHighFrequencyEdit, kHighGainText, kHighFrequencySlider, kHighGainSlider,
       params.highShelfEnable},
  };
  for (const Shelf& shelf : shelves) {
    CheckDlgButton(dialog, shelf.check, shelf.enable ? BST_CHECKED : BST_UNCHECKED);
    for (int id : {shelf.frequencyEdit, shelf.gainText, shelf.frequencySlider, shelf.gainSlider})
      EnableWindow(GetDlgItem(dialog, id), shelf.enable != 0);
  }
}

void CAkPgeqPropPage::PointGraphAt(IAkPgeqProp* eq) {
  HWND graph = Dialog() ? GetDlgItem(Dialog(), kGraph) : nullptr;
  if (!graph) return;
  if (eq)
    SetPropW(graph, kGraphInterfaceProperty, eq);
  else
    RemovePropW(graph, kGraphInterfaceProperty);
  InvalidateRect(graph, nullptr, FALSE);
}

void CAkPgeqPropPage::InvalidateGraph() {
  HWND graph = Dialog() ? GetDlgItem(Dialog(), kGraph) : nullptr;
  if (graph) InvalidateRect(graph, nullptr, FALSE);
}

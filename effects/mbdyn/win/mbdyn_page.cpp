#include "effects/mbdyn/win/mbdyn_page.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "effects/mbdyn/mbdyn_transform.h"
#include "framework/win/guids.h"
#include "support/number_format.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"
#include "ui/meter_control.h"
#include "ui/page_frame.h"

using mbdyn::IAkPlugInProp2;
using orlofx::HelpId;
using orlofx::PageDescription;
using orlofx::PageLabel;
using orlofx::ValueGroup;

// The control ids of each strip, in the order of BandControls. The fader
// texts of bands 2 to 4, the frequency captions after band 1 and the labels
// fill the gaps between the ids hosts have always known.
const CAkMbdynPropPage::BandControls CAkMbdynPropPage::kBand1 = {
    1,    5021, 5022, 5110, 5025, 5026, 5111, 5032, 5006, 5112, 5029, 5027, 5113, 5030,
    5028, 5114, 5024, 5115, 5054, 5033, 5040, 5045, 5009, 5116, 5035, 5037, 5044, 5104, 5150};
const CAkMbdynPropPage::BandControls CAkMbdynPropPage::kBand2 = {
    2,    5053, 5034, 5117, 5060, 5036, 5118, 5055, 5038, 5119, 5056, 5043, 5120, 5057,
    5047, 5121, 5031, 5122, 5058, 5052, 5039, 5059, 5010, 5123, 5062, 5063, 5061, 5105, 5151};
const CAkMbdynPropPage::BandControls CAkMbdynPropPage::kBand3 = {
    3,    5064, 5066, 5124, 5065, 5067, 5125, 5071, 5072, 5126, 5073, 5074, 5127, 5075,
    5076, 5128, 5077, 5129, 5078, 5079, 5082, 5080, 5081, 5130, 5068, 5069, 5070, 5106, 5152};
const CAkMbdynPropPage::BandControls CAkMbdynPropPage::kBand4 = {
    4,    5084, 5083, 5131, 5086, 5085, 5132, 5091, 5087, 5133, 5093, 5094, 5134, 5095,
    5096, 5135, 5097, 5136, 5098, 5099, 5092, 5100, 5101, 5137, 5088, 5090, 5089, 5107, 5153};

namespace {

// --- the effect's operations by parameter and band -----------------------------------

using GetOp = HRESULT (STDMETHODCALLTYPE IAkPlugInProp2::*)(long*);
using SetOp = HRESULT (STDMETHODCALLTYPE IAkPlugInProp2::*)(long);
using ActOp = HRESULT (STDMETHODCALLTYPE IAkPlugInProp2::*)();

struct ParamOps {
  GetOp get;
  SetOp set;
  ActOp beginEdit;
  ActOp endEdit;
  ActOp editable;
};

enum Param {
  kThreshold,
  kAmount,
  kGain,
  kAttack,
  kRelease,
  kType,
  kCenter,
  kWidth,
  kBandBypass,
  kSolo,
  kBandParams,
  kOutputGain = kBandParams,
  kSyncStereo,
  kNoParam,
};

#define ORLOFX_OPS(Name)                                                             \
  ParamOps {                                                                         \
    &IAkPlugInProp2::Get##Name, &IAkPlugInProp2::Set##Name,                          \
        &IAkPlugInProp2::BeginEdit##Name, &IAkPlugInProp2::EndEdit##Name,            \
        &IAkPlugInProp2::Is##Name##Editable                                          \
  }
#define ORLOFX_BAND_OPS(Name) \
  { ORLOFX_OPS(Band1##Name), ORLOFX_OPS(Band2##Name), ORLOFX_OPS(Band3##Name), ORLOFX_OPS(Band4##Name) }

const ParamOps kBandOps[kBandParams][orlofx::kMbdynBands] = {
    ORLOFX_BAND_OPS(Threshold), ORLOFX_BAND_OPS(Amount), ORLOFX_BAND_OPS(Gain),
    ORLOFX_BAND_OPS(Attack),    ORLOFX_BAND_OPS(Release), ORLOFX_BAND_OPS(Type),
    ORLOFX_BAND_OPS(Center),    ORLOFX_BAND_OPS(Width),  ORLOFX_BAND_OPS(Bypass),
    ORLOFX_BAND_OPS(Solo),
};
const ParamOps kOutputGainOps = ORLOFX_OPS(OutputGain);
const ParamOps kSyncStereoOps = ORLOFX_OPS(StereoSync);

#undef ORLOFX_BAND_OPS
#undef ORLOFX_OPS

const ParamOps& OpsOf(Param param, int band) {
  if (param == kOutputGain) return kOutputGainOps;
  if (param == kSyncStereo) return kSyncStereoOps;
  return kBandOps[param][std::min(std::max(band, 1), orlofx::kMbdynBands) - 1];
}

// --- page constants ------------------------------------------------------------------

constexpr int kDialog1 = 5000;
constexpr int kDialog2 = 5001;
constexpr DWORD kHelpTopic = 126;
constexpr long kMeterFloor = orlofx::kMbdynThresholdFloor;  // no signal
constexpr long kMeterFullScale = 32768;
constexpr long kMeterTop = kMeterFullScale - 1;
constexpr LONGLONG kBlockTime = 200000;  // one 20 ms meter block in 100-ns units
// How far playback may run past the newest block before the meters fall
// back: a stream that merely comes in late keeps its last reading.
constexpr LONGLONG kStallTime = 5 * kBlockTime;

// Help context ids, one per kind of control.
enum HelpContext : DWORD {
  kHelpThreshold = 40,
  kHelpAmount,
  kHelpGain,
  kHelpAttack,
  kHelpRelease,
  kHelpType,
  kHelpFrequency,
  kHelpWidth,
  kHelpMeters,
  kHelpMeterSource,
  kHelpBandBypass,
  kHelpSolo,
  kHelpSyncStereo,
  kHelpEnableMeters,
  kHelpCaptureThreshold,
  kHelpOutputGain,
};

// What a slider or value text of the page stands for.
struct Binding {
  Param param;
  int band;  // 0 for the shared controls
};

Binding BindingOf(const CAkMbdynPropPage::BandControls& s, int id) {
  const struct {
    int id;
    Param param;
  } controls[] = {
      {s.thresholdFader, kThreshold}, {s.thresholdText, kThreshold}, {s.amountFader, kAmount},
      {s.amountText, kAmount},        {s.gainFader, kGain},           {s.gainText, kGain},
      {s.attackSlider, kAttack},      {s.attackEdit, kAttack},        {s.releaseSlider, kRelease},
      {s.releaseEdit, kRelease},      {s.typeList, kType},            {s.centerSlider, kCenter},
      {s.centerEdit, kCenter},        {s.widthSlider, kWidth},        {s.widthText, kWidth},
      {s.bypass, kBandBypass},        {s.solo, kSolo},
  };
  for (const auto& c : controls)
    if (c.id == id) return {c.param, s.band};
  return {kNoParam, 0};
}

// Value groups of one strip. Each band's controls read the first band's
// rows: the four bands share their ranges and steps.
ValueGroup Group(int slider, int text, ValueGroup::Slider kind, ValueGroup::Text textKind,
                 int field) {
  return orlofx::GroupOf(slider, text, kind, textKind, orlofx::kMbdynParameters, field);
}

#define ORLOFX_STRIP_GROUPS(s)                                                                      \
  Group(s.thresholdFader, s.thresholdText, ValueGroup::kFader, ValueGroup::kStaticText,              \
        orlofx::kMbdynThreshold),                                                                    \
      Group(s.amountFader, s.amountText, ValueGroup::kFader, ValueGroup::kStaticText,                \
            orlofx::kMbdynAmount),                                                                   \
      Group(s.gainFader, s.gainText, ValueGroup::kFader, ValueGroup::kStaticText, orlofx::kMbdynGain), \
      Group(s.attackSlider, s.attackEdit, ValueGroup::kTrackbar, ValueGroup::kEditParsed,            \
            orlofx::kMbdynAttack),                                                                   \
      Group(s.releaseSlider, s.releaseEdit, ValueGroup::kTrackbar, ValueGroup::kEditParsed,          \
            orlofx::kMbdynRelease),                                                                  \
      Group(s.centerSlider, s.centerEdit, ValueGroup::kTrackbar, ValueGroup::kEditParsed,            \
            orlofx::kMbdynCenter),                                                                   \
      Group(s.widthSlider, s.widthText, ValueGroup::kTrackbar, ValueGroup::kStaticText,              \
            orlofx::kMbdynWidth)

#define ORLOFX_OUTPUT_GROUP                                                                    \
  Group(CAkMbdynPropPage::kOutputGainFader, CAkMbdynPropPage::kOutputGainText, ValueGroup::kFader, \
        ValueGroup::kStaticText, orlofx::kMbdynOutputGain)

const ValueGroup kGroups1[] = {ORLOFX_STRIP_GROUPS(CAkMbdynPropPage::kBand1),
                               ORLOFX_STRIP_GROUPS(CAkMbdynPropPage::kBand2), ORLOFX_OUTPUT_GROUP};
const ValueGroup kGroups2[] = {ORLOFX_STRIP_GROUPS(CAkMbdynPropPage::kBand3),
                               ORLOFX_STRIP_GROUPS(CAkMbdynPropPage::kBand4), ORLOFX_OUTPUT_GROUP};

#define ORLOFX_STRIP_HELP(s)                                                                      \
  {s.thresholdFader, kHelpThreshold}, {s.thresholdText, kHelpThreshold},                           \
      {s.thresholdLabel, kHelpThreshold}, {s.amountFader, kHelpAmount}, {s.amountText, kHelpAmount}, \
      {s.amountLabel, kHelpAmount}, {s.gainFader, kHelpGain}, {s.gainText, kHelpGain},              \
      {s.gainLabel, kHelpGain}, {s.attackSlider, kHelpAttack}, {s.attackEdit, kHelpAttack},         \
      {s.attackLabel, kHelpAttack}, {s.releaseSlider, kHelpRelease},                                \
      {s.releaseEdit, kHelpRelease}, {s.releaseLabel, kHelpRelease}, {s.typeList, kHelpType},       \
      {s.typeLabel, kHelpType}, {s.centerSlider, kHelpFrequency}, {s.centerEdit, kHelpFrequency},   \
      {s.centerCaption, kHelpFrequency}, {s.widthSlider, kHelpWidth}, {s.widthText, kHelpWidth},    \
      {s.widthLabel, kHelpWidth}, {s.levelMeter, kHelpMeters}, {s.reductionMeter, kHelpMeters},     \
      {s.meterSource, kHelpMeterSource}, {s.bypass, kHelpBandBypass}, {s.solo, kHelpSolo}

#define ORLOFX_SHARED_HELP(enableMeters)                                                        \
  {CAkMbdynPropPage::kSyncStereo, kHelpSyncStereo}, {enableMeters, kHelpEnableMeters},           \
      {CAkMbdynPropPage::kCaptureThreshold, kHelpCaptureThreshold},                              \
      {CAkMbdynPropPage::kOutputGainFader, kHelpOutputGain},                                     \
      {CAkMbdynPropPage::kOutputGainText, kHelpOutputGain},                                      \
      {CAkMbdynPropPage::kOutputGainLabel, kHelpOutputGain}, { 0, 0 }

const HelpId kHelpIds1[] = {ORLOFX_STRIP_HELP(CAkMbdynPropPage::kBand1),
                            ORLOFX_STRIP_HELP(CAkMbdynPropPage::kBand2),
                            ORLOFX_SHARED_HELP(CAkMbdynPropPage::kEnableMeters1)};
const HelpId kHelpIds2[] = {ORLOFX_STRIP_HELP(CAkMbdynPropPage::kBand3),
                            ORLOFX_STRIP_HELP(CAkMbdynPropPage::kBand4),
                            ORLOFX_SHARED_HELP(CAkMbdynPropPage::kEnableMeters2)};

#undef ORLOFX_STRIP_GROUPS
#undef ORLOFX_OUTPUT_GROUP
#undef ORLOFX_STRIP_HELP
#undef ORLOFX_SHARED_HELP

template <typename T, size_t N>
constexpr int CountOf(const T (&)[N]) {
  return static_cast<int>(N);
}

// Labels with the ranges above: times in whole ms, widths in octaves, the
// output gain in whole dB. The frequency caption is the band type's. The
// two strips of a page have the same labels with different access keys
// (the upper strip's attack label is 7250, the lower one's 7254).
const orlofx::ParameterTable& kRows = orlofx::kMbdynParameters;
#define ORLOFX_STRIP_LABELS(s, attack)                             \
  RangeLabel(s.attackLabel, attack, kRows[orlofx::kMbdynAttack]),  \
      RangeLabel(s.releaseLabel, 7251, kRows[orlofx::kMbdynRelease]), \
      RangeLabel(s.widthLabel, 7252, kRows[orlofx::kMbdynWidth])
#define ORLOFX_OUTPUT_LABEL \
  RangeLabel(CAkMbdynPropPage::kOutputGainLabel, 7253, kRows[orlofx::kMbdynOutputGain])

const PageLabel kLabels1[] = {ORLOFX_STRIP_LABELS(CAkMbdynPropPage::kBand1, 7250),
                              ORLOFX_STRIP_LABELS(CAkMbdynPropPage::kBand2, 7254), ORLOFX_OUTPUT_LABEL};
const PageLabel kLabels2[] = {ORLOFX_STRIP_LABELS(CAkMbdynPropPage::kBand3, 7250),
                              ORLOFX_STRIP_LABELS(CAkMbdynPropPage::kBand4, 7254), ORLOFX_OUTPUT_LABEL};

#undef ORLOFX_STRIP_LABELS
#undef ORLOFX_OUTPUT_LABEL

// The frequency caption's range (Hz).
const orlofx::PageLabel kCenterRange =
    RangeLabel(0, 0, orlofx::kMbdynParameters[orlofx::kMbdynCenter]);

const PageDescription kDescription1 = {
    kDialog1,           orlofx::sid::kMultiBandBands12Title, orlofx::sid::kMultiBandDynamicsName,
    &IID_IAkPlugInProp2,
    kHelpIds1,          kHelpTopic,                          kGroups1,
    CountOf(kGroups1),  kLabels1,                            CountOf(kLabels1),
};
const PageDescription kDescription2 = {
    kDialog2,           orlofx::sid::kMultiBandBands34Title, orlofx::sid::kMultiBandDynamicsName,
    &IID_IAkPlugInProp2,
    kHelpIds2,          kHelpTopic,                          kGroups2,
    CountOf(kGroups2),  kLabels2,                            CountOf(kLabels2),
};

// The meter's linear level for a value in tenths of a dB.
long MeterLevel(long tenths) {
  if (tenths <= kMeterFloor) return 0;
  const double level = kMeterFullScale * std::pow(10.0, tenths / 200.0);
  return static_cast<long>(std::min(level, static_cast<double>(kMeterTop)));
}

// The inverted meter's level for a reduction in tenths of a dB (0 is none).
long ReductionLevel(long tenths) {
  if (tenths >= 0) return kMeterTop;
  return std::max(1L, MeterLevel(tenths));
}

}  // namespace

// --- helpers with no window --------------------------------------------------------------

namespace mbdyn {

long CurveReduction(long level, long threshold, long amount, long source) {
  if (level <= kMeterFloor || amount <= 10) return 0;
  // The meter value is the block peak in tenths of a dB less 6 dB; the
  // lowest threshold stands for -90.3 dB.
  const double peak = level + 60.0;
  const double t = threshold <= kMeterFloor ? -903.0 : static_cast<double>(threshold);
  if (peak <= t) return 0;
  const double r = amount / 10.0;
  // The curve's exponent, squared above 30:1 and again above 40:1.
  double e = 1.0 / r - 1.0;
  if (r > 30.0) e *= 2.0;
  if (r > 40.0) e *= 2.0;
  double reduction;
  if (source == 0) {
    reduction = e * (peak - t);
  } else {
    // After the reduction the level above the threshold has shrunk by 1 + e.
    if (1.0 + e <= 0.001) return LONG_MIN / 2;
    reduction = e * (peak - t) / (1.0 + e);
  }
  // At 50:1 a band below half its gain is taken out altogether.
  if (amount >= 500 && reduction < -60.206) return LONG_MIN / 2;
  return static_cast<long>(std::lround(reduction));
}

long ParseTenths(const std::wstring& text) {
  const orlofx::NumberLocale locale = orlofx::CurrentNumberLocale();
  const std::wstring decimal = orlofx::Utf8ToWide(locale.decimalSeparator);
  const std::wstring group = orlofx::Utf8ToWide(locale.groupSeparator);
  const std::wstring minus = orlofx::Utf8ToWide(locale.negativeSign);
  const bool spaceGroups = group == L" " || group == L"\u00A0" || group == L"\u202F";
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text.compare(i, minus.size(), minus) == 0)) {
    negative = true;
    i += text[i] == L'-' ? 1 : minus.size();
  }
  long long whole = 0;
  bool fraction = false;
  int tenth = 0, rest = 0, fractionDigits = 0;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') {
      if (!fraction) {
        whole = std::min(whole * 10 + (c - L'0'), static_cast<long long>(INT_MAX));
      } else if (fractionDigits++ == 0) {
        tenth = c - L'0';
      } else if (fractionDigits == 2) {
        rest = c - L'0';
      }
    } else if (!fraction && !decimal.empty() && text.compare(i, decimal.size(), decimal) == 0) {
      fraction = true;
      i += decimal.size() - 1;
    } else if (!fraction && !group.empty() &&
               (text.compare(i, group.size(), group) == 0 ||
                (spaceGroups && (c == L' ' || c == L'\u00A0' || c == L'\u202F')))) {
      continue;
    } else {
      break;
    }
  }
  long long tenths = whole * 10 + tenth + (rest >= 5 ? 1 : 0);
  tenths = std::min(tenths, static_cast<long long>(INT_MAX));
  return static_cast<long>(negative ? -tenths : tenths);
}

}  // namespace mbdyn

// --- the pages -----------------------------------------------------------------------------

CUnknown* CALLBACK CAkMbdynPropPage::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow)
      CAkMbdynPropPage(NAME("AkMbdyn Property Page"), outer, kDescription1, 1);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CUnknown* CALLBACK CAkMbdynPropPage2::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkMbdynPropPage2(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkMbdynPropPage::CAkMbdynPropPage(LPCTSTR name, LPUNKNOWN outer,
                                   const PageDescription& description, int pageNumber)
    : CAkPropertyPage(name, outer, description), pageNumber_(pageNumber) {}

CAkMbdynPropPage2::CAkMbdynPropPage2(LPUNKNOWN outer)
    : CAkMbdynPropPage(NAME("AkMbdyn Property Page2"), outer, kDescription2, 2) {}

const CAkMbdynPropPage::BandControls& CAkMbdynPropPage::Strip(int index) const {
  if (pageNumber_ == 1) return index == 0 ? kBand1 : kBand2;
  return index == 0 ? kBand3 : kBand4;
}

int CAkMbdynPropPage::EnableMetersId() const {
  return pageNumber_ == 1 ? kEnableMeters1 : kEnableMeters2;
}

HRESULT CAkMbdynPropPage::SetNotifyWindow(HWND window, UINT id) {
  return Effect()->SetNotifyWindow(window, id);
}

namespace {

Binding GroupBinding(const ValueGroup& group, const CAkMbdynPropPage::BandControls& upper,
                     const CAkMbdynPropPage::BandControls& lower) {
  if (group.sliderId == CAkMbdynPropPage::kOutputGainFader) return {kOutputGain, 0};
  const Binding b = BindingOf(upper, group.sliderId);
  return b.param != kNoParam ? b : BindingOf(lower, group.sliderId);
}

}  // namespace

HRESULT CAkMbdynPropPage::GetValue(const ValueGroup& group, long* value) {
  const Binding b = GroupBinding(group, Strip(0), Strip(1));
  if (b.param == kNoParam) return E_INVALIDARG;
  return (Effect()->*OpsOf(b.param, b.band).get)(value);
}

HRESULT CAkMbdynPropPage::SetValue(const ValueGroup& group, long value) {
  const Binding b = GroupBinding(group, Strip(0), Strip(1));
  if (b.param == kNoParam) return E_INVALIDARG;
  return (Effect()->*OpsOf(b.param, b.band).set)(value);
}

std::wstring CAkMbdynPropPage::FormatValue(const ValueGroup& group, long value) {
  const Binding b = GroupBinding(group, Strip(0), Strip(1));
  switch (b.param) {
    case kAmount:
      // "%s :1" with the ratio in the locale's layout.
      return orlofx::FillIn(orlofx::LoadWideString(orlofx::sid::kRatioFormat),
                            {orlofx::FormatLevelW(value, 1, 0, nullptr)});
    case kAttack:
    case kRelease:
    case kWidth:
      return orlofx::FormatLevelW(value, 1, 0, nullptr);
    default:
      return CAkPropertyPage::FormatValue(group, value);
  }
}

HRESULT CAkMbdynPropPage::OnConnect(IUnknown* object) {
  const HRESULT hr = CAkPropertyPage::OnConnect(object);
  if (hr == S_OK && Dialog()) {
    ShowVisiblePage();
    UpdateMeterRanges();
    MarkMetersSeen();
  }
  return hr;
}

void CAkMbdynPropPage::ShowVisiblePage() {
  if (Bound()) Effect()->SetVisiblePage(pageNumber_);
}

void CAkMbdynPropPage::HideVisiblePage() {
  if (!Bound()) return;
  // Another page of the filter may have come up since; it keeps its claim.
  long visible = 0;
  if (SUCCEEDED(Effect()->GetVisiblePage(&visible)) && visible == pageNumber_)
    Effect()->SetVisiblePage(0);
}

INT_PTR CAkMbdynPropPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const INT_PTR result = CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
      ShowVisiblePage();
      MarkMetersSeen();
      SetTimer(window, kMeterTimer, kMeterPeriodMs, nullptr);
      return result;
    }
    case WM_DESTROY:
      KillTimer(window, kMeterTimer);
      // A drag cut short by the page closing still ends its edit.
      if (editingSlider_ && Bound()) OnSliderNotice(editingSlider_, -1);
      HideVisiblePage();
      return CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
    case WM_TIMER:
      if (wParam != kMeterTimer) break;
      OnTimer();
      return TRUE;
    case WM_COMMAND:
      if (!Bound()) return TRUE;
      if (LOWORD(wParam) == orlofx::kNotifyCommand) {
        // Streaming starts and stops move the meters' time line.
        if (HIWORD(wParam) == orlofx::kMbdynNotifyStreamingStarted) {
          // The ring starts afresh with the stream.
          playbackKnown_ = false;
          seenNewest_ = -1;
        } else if (HIWORD(wParam) == orlofx::kMbdynNotifyStreamingStopped) {
          MarkMetersSeen();
          RestMeters();
        }
        UpdateMeterRanges();
        break;
      }
      if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
      break;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      // The press opens the edit before the value moves; the end of the
      // drag closes it after the last value is in.
      const int id = Bound() && lParam ? GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) : 0;
      if (id && LOWORD(wParam) == 9) OnSliderNotice(id, 9);
      const INT_PTR result = CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
      if (id && LOWORD(wParam) == 8) OnSliderNotice(id, 8);
      return result;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header || header->code != orlofx::kMeterNotifyRangeChanged || !Bound()) break;
      // A meter's range chosen from its menu is kept in the band's display
      // words: the level meter's in the first, the reduction meter's in the
      // second.
      const long range = static_cast<long>(
          SendMessageW(header->hwndFrom, orlofx::kMeterGetRange, 0, 0));
      for (int i = 0; i < 2; ++i) {
        const BandControls& s = Strip(i);
        if (static_cast<int>(header->idFrom) == s.levelMeter)
          Effect()->SetDisplayWord1(s.band, range);
        else if (static_cast<int>(header->idFrom) == s.reductionMeter)
          Effect()->SetDisplayWord2(s.band, range);
      }
      return TRUE;
    }
    default:
      break;
  }
  return CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}

// Begin edit at the press on a slider, end edit when its drag or repeat is
// over, so that a host sees the user holding the parameter.
void CAkMbdynPropPage::OnSliderNotice(int sliderId, int code) {
  constexpr int kEndScroll = 8;
  constexpr int kPress = 9;
  Binding b = {kNoParam, 0};
  if (sliderId == kOutputGainFader) {
    b = {kOutputGain, 0};
  } else {
    for (int i = 0; i < 2 && b.param == kNoParam; ++i) b = BindingOf(Strip(i), sliderId);
  }
  if (b.param == kNoParam) return;
  const ParamOps& ops = OpsOf(b.param, b.band);
  if (code == kPress) {
    if (editingSlider_ == sliderId) return;
    editingSlider_ = sliderId;
    (Effect()->*ops.beginEdit)();
  } else if ((code == kEndScroll || code < 0) && editingSlider_ == sliderId) {
    editingSlider_ = 0;
    (Effect()->*ops.endEdit)();
  }
}

bool CAkMbdynPropPage::OnCommand(int id, int code) {
  IAkPlugInProp2* effect = Effect();
  for (int i = 0; i < 2; ++i) {
    const BandControls& s = Strip(i);
    if (id == s.attackEdit || id == s.releaseEdit) {
      // Times are typed in ms with a decimal, kept in tenths.
      if (code == EN_KILLFOCUS) TakeTenths(id);
      return true;
    }
    if (id == s.typeList) {
      if (code != CBN_SELCHANGE) return true;
      const LRESULT selection = SendDlgItemMessageW(Dialog(), id, CB_GETCURSEL, 0, 0);
      if (selection != CB_ERR &&
          SUCCEEDED((effect->*OpsOf(kType, s.band).set)(static_cast<long>(selection))))
        NotifyOtherPages();
      UpdateControls(id);
      return true;
    }
    if (id == s.bypass || id == s.solo) {
      if (code != BN_CLICKED) return true;
      const Param param = id == s.bypass ? kBandBypass : kSolo;
      const long on = IsDlgButtonChecked(Dialog(), id) == BST_CHECKED ? 1 : 0;
      if (SUCCEEDED((effect->*OpsOf(param, s.band).set)(on))) NotifyOtherPages();
      UpdateControls(id);
      return true;
    }
    if (id == s.meterSource) {
      if (code != BN_CLICKED) return true;
      long source = 0;
      effect->GetMeterSource(s.band, &source);
      effect->SetMeterSource(s.band, source == 0 ? 1 : 0);
      NotifyOtherPages();
      UpdateControls(id);
      return true;
    }
  }
  if (id == kSyncStereo || id == EnableMetersId() || id == kCaptureThreshold) {
    if (code != BN_CLICKED) return true;
    const long on = IsDlgButtonChecked(Dialog(), id) == BST_CHECKED ? 1 : 0;
    if (id == kSyncStereo) {
      effect->SetStereoSync(on);
    } else if (id == kCaptureThreshold) {
      long was = 0;
      effect->GetCaptureThreshold(&was);
      effect->SetCaptureThreshold(on);
      // Capture starts from fresh measurements.
      if (on && !was) effect->ResetMeterMaxima();
    } else {
      effect->SetEnableMeters(on);
      MarkMetersSeen();
      RestMeters();
    }
    NotifyOtherPages();
    UpdateControls(id);
    return true;
  }
  return false;
}

void CAkMbdynPropPage::TakeTenths(int editId) {
  WCHAR text[41] = {};
  GetDlgItemTextW(Dialog(), editId, text, 41);
  for (int i = 0; i < 2; ++i) {
    const BandControls& s = Strip(i);
    if (editId != s.attackEdit && editId != s.releaseEdit) continue;
    const Param param = editId == s.attackEdit ? kAttack : kRelease;
    if (SUCCEEDED((Effect()->*OpsOf(param, s.band).set)(mbdyn::ParseTenths(text))))
      NotifyOtherPages();
  }
  UpdateControls(editId);
}

void CAkMbdynPropPage::InitControls() {
  CAkPropertyPage::InitControls();
  static const int kTypeNames[] = {orlofx::sid::kBandTypeLowShelf,
                                   orlofx::sid::kBandTypeLowShelf + 1,
                                   orlofx::sid::kBandTypeLowShelf + 2};
  for (int i = 0; i < 2; ++i) {
    const BandControls& s = Strip(i);
    HWND list = GetDlgItem(Dialog(), s.typeList);
    if (list) {
      SendMessageW(list, CB_RESETCONTENT, 0, 0);
      for (int name : kTypeNames)
        SendMessageW(list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(orlofx::LoadWideString(name).c_str()));
    }
    // One bar each; the reduction meter hangs from 0 dB.
    for (int meter : {s.levelMeter, s.reductionMeter}) {
      HWND window = GetDlgItem(Dialog(), meter);
      if (!window) continue;
      SendMessageW(window, orlofx::kMeterSetChannels, 0, 1);
      SendMessageW(window, orlofx::kMeterSetFullScale, 0, kMeterFullScale);
    }
  }
  RestMeters();
  UpdateMeterRanges();
}

void CAkMbdynPropPage::UpdateControls(int controlId) {
  CAkPropertyPage::UpdateControls(controlId);
  if (!Bound() || !Dialog()) return;
  for (int i = 0; i < 2; ++i) UpdateBandSwitches(Strip(i), controlId);
  UpdateSharedSwitches();
}

void CAkMbdynPropPage::UpdateBandSwitches(const BandControls& s, int /*controlId*/) {
  IAkPlugInProp2* effect = Effect();
  HWND dialog = Dialog();
  long type = 0;
  if (SUCCEEDED((effect->*OpsOf(kType, s.band).get)(&type))) {
    SendDlgItemMessageW(dialog, s.typeList, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
    // The frequency is a corner for the shelves and a centre for the notch.
    const int caption = type == orlofx::kMbdynLowShelf    ? orlofx::sid::kBandCaptionBelow
                        : type == orlofx::kMbdynBandNotch ? orlofx::sid::kBandCaptionBelow + 1
                                                          : orlofx::sid::kBandCaptionBelow + 2;
    SetDlgItemTextW(dialog, s.centerCaption, orlofx::LabelText(caption, kCenterRange.numbers, 2).c_str());
  }
  long on = 0;
  if (SUCCEEDED((effect->*OpsOf(kBandBypass, s.band).get)(&on)))
    CheckDlgButton(dialog, s.bypass, on ? BST_CHECKED : BST_UNCHECKED);
  if (SUCCEEDED((effect->*OpsOf(kSolo, s.band).get)(&on)))
    CheckDlgButton(dialog, s.solo, on ? BST_CHECKED : BST_UNCHECKED);
  long source = -1;
  effect->GetMeterSource(s.band, &source);
  const std::wstring label = source == 0   ? orlofx::LoadWideString(orlofx::sid::kMeterSourceInput)
                             : source == 1 ? orlofx::LoadWideString(orlofx::sid::kMeterSourceOutput)
                                           : std::wstring();
  SetDlgItemTextW(dialog, s.meterSource, label.c_str());
}

void CAkMbdynPropPage::UpdateSharedSwitches() {
  IAkPlugInProp2* effect = Effect();
  HWND dialog = Dialog();
  long on = 0;
  if (SUCCEEDED(effect->GetStereoSync(&on)))
    CheckDlgButton(dialog, kSyncStereo, on ? BST_CHECKED : BST_UNCHECKED);
  if (SUCCEEDED(effect->GetEnableMeters(&on)))
    CheckDlgButton(dialog, EnableMetersId(), on ? BST_CHECKED : BST_UNCHECKED);
  if (SUCCEEDED(effect->GetCaptureThreshold(&on)))
    CheckDlgButton(dialog, kCaptureThreshold, on ? BST_CHECKED : BST_UNCHECKED);
}

void CAkMbdynPropPage::UpdateMeterRanges() {
  if (!Bound() || !Dialog()) return;
  for (int i = 0; i < 2; ++i) {
    const BandControls& s = Strip(i);
    long range = 0;
    if (SUCCEEDED(Effect()->GetDisplayWord1(s.band, &range)))
      SendDlgItemMessageW(Dialog(), s.levelMeter, orlofx::kMeterSetRange, 1, range);
    if (SUCCEEDED(Effect()->GetDisplayWord2(s.band, &range)))
      SendDlgItemMessageW(Dialog(), s.reductionMeter, orlofx::kMeterSetRange, 1, range);
  }
}

// --- the timer -------------------------------------------------------------------------------

void CAkMbdynPropPage::OnTimer() {
  if (!Bound() || !Dialog()) return;
  RefreshMeters();
  long capture = 0;
  if (SUCCEEDED(Effect()->GetCaptureThreshold(&capture)) && capture) {
    long changed = 0;
    if (SUCCEEDED(Effect()->ApplyCapturedThresholds(&changed)) && changed) {
      UpdateControls(0);
      NotifyOtherPages();
    }
  }
  EnableByEditability();
}

void CAkMbdynPropPage::MarkMetersSeen() {
  playbackKnown_ = false;
  seenNewest_ = -1;
  mbdyn::MeterSnapshot newest = {};
  if (Bound() && Effect()->GetMeterHistory(0, &newest) == S_OK) seenNewest_ = newest.time;
}

void CAkMbdynPropPage::RestMeters() {
  if (!Dialog()) return;
  for (int i = 0; i < 2; ++i) {
    const BandControls& s = Strip(i);
    SendDlgItemMessageW(Dialog(), s.levelMeter, orlofx::kMeterSetLevels, 1, 0);
    SendDlgItemMessageW(Dialog(), s.reductionMeter, orlofx::kMeterSetLevels, 1, kMeterTop);
  }
}

void CAkMbdynPropPage::RefreshMeters() {
  IAkPlugInProp2* effect = Effect();
  long enabled = 0;
  mbdyn::MeterSnapshot newest = {};
  if (FAILED(effect->GetEnableMeters(&enabled)) || !enabled ||
      effect->GetMeterHistory(0, &newest) != S_OK) {
    if (playbackKnown_) RestMeters();
    playbackKnown_ = false;
    return;
  }
  // The oldest block still kept.
  mbdyn::MeterSnapshot oldest = newest;
  for (long age = orlofx::kMbdynMeterRingSize - 1; age > 0; --age)
    if (effect->GetMeterHistory(age, &oldest) == S_OK) break;

  const DWORD now = GetTickCount();
  if (!playbackKnown_) {
    // Playback starts with the first block made after the page last knew
    // where the stream stood (all of them after a stream start).
    mbdyn::MeterSnapshot first = {};
    bool found = false;
    for (long age = 0; age < orlofx::kMbdynMeterRingSize; ++age) {
      mbdyn::MeterSnapshot s = {};
      if (effect->GetMeterHistory(age, &s) != S_OK || s.time <= seenNewest_) break;
      first = s;
      found = true;
    }
    if (!found) return;
    playback_ = first.time;
    lastShown_ = first.time - 1;
    playbackKnown_ = true;
  } else {
    playback_ += static_cast<LONGLONG>(now - lastTick_) * 10000;
  }
  lastTick_ = now;
  // The audio ahead of the newest block has not been made yet: playback
  // waits for it (a paused or starved stream), and never falls further
  // behind than the ring reaches.
  playback_ = std::min(playback_, newest.time + kStallTime);
  playback_ = std::max(playback_, oldest.time);

  // The loudest block each band played since the last refresh.
  long loudest[orlofx::kMbdynBands];
  std::fill(std::begin(loudest), std::end(loudest), kMeterFloor);
  bool any = false;
  for (long age = 0; age < orlofx::kMbdynMeterRingSize; ++age) {
    mbdyn::MeterSnapshot s = {};
    if (effect->GetMeterHistory(age, &s) != S_OK || s.time <= lastShown_) break;
    if (s.time > playback_) continue;
    any = true;
    for (int b = 0; b < orlofx::kMbdynBands; ++b) loudest[b] = std::max<long>(loudest[b], s.values[b]);
  }
  const bool stalled = playback_ >= newest.time + kStallTime;
  lastShown_ = std::max(lastShown_, std::min(playback_, newest.time));
  if (!any && !stalled) return;  // faster than the blocks: keep what is shown

  for (int i = 0; i < 2; ++i) {
    const BandControls& s = Strip(i);
    const long level = any ? loudest[s.band - 1] : kMeterFloor;
    long threshold = 0, amount = 10, source = 0;
    (effect->*OpsOf(kThreshold, s.band).get)(&threshold);
    (effect->*OpsOf(kAmount, s.band).get)(&amount);
    effect->GetMeterSource(s.band, &source);
    SendDlgItemMessageW(Dialog(), s.levelMeter, orlofx::kMeterSetLevels, 1, MeterLevel(level));
    SendDlgItemMessageW(Dialog(), s.reductionMeter, orlofx::kMeterSetLevels, 1,
                        ReductionLevel(mbdyn::CurveReduction(level, threshold, amount, source)));
  }
}

void CAkMbdynPropPage::EnableByEditability() {
  IAkPlugInProp2* effect = Effect();
  HWND dialog = Dialog();
  auto enable = [&](const ParamOps& ops, std::initializer_list<int> ids) {
    const BOOL editable = (effect->*ops.editable)() == S_OK;
    for (int id : ids) {
      HWND control = GetDlgItem(dialog, id);
      if (control && (IsWindowEnabled(control) != FALSE) != (editable != FALSE))
        EnableWindow(control, editable);
    }
  };
  for (int i = 0; i < 2; ++i) {
    const BandControls& s = Strip(i);
    enable(OpsOf(kThreshold, s.band), {s.thresholdFader});
    enable(OpsOf(kAmount, s.band), {s.amountFader});
    enable(OpsOf(kGain, s.band), {s.gainFader});
    enable(OpsOf(kAttack, s.band), {s.attackSlider, s.attackEdit});
    enable(OpsOf(kRelease, s.band), {s.releaseSlider, s.releaseEdit});
    enable(OpsOf(kType, s.band), {s.typeList});
    enable(OpsOf(kCenter, s.band), {s.centerSlider, s.centerEdit});
    enable(OpsOf(kWidth, s.band), {s.widthSlider});
    enable(OpsOf(kBandBypass, s.band), {s.bypass});
    enable(OpsOf(kSolo, s.band), {s.solo});
  }
  enable(kSyncStereoOps, {kSyncStereo});
  enable(kOutputGainOps, {kOutputGainFader});
}

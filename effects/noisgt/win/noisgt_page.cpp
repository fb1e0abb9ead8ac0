#include "effects/noisgt/win/noisgt_page.h"

#include <new>

#include "framework/win/guids.h"
#include "support/strings/string_ids.h"

namespace {

using orlofx::ControlRange;
using orlofx::HelpId;
using orlofx::PageDescription;
using orlofx::PageLabel;
using orlofx::ValueGroup;

constexpr int kDialogId = 1000;
constexpr DWORD kHelpTopic = 124;
constexpr long kThresholdFloor = -800;  // shown as "-Inf."

const ControlRange kRanges[] = {
    RangeOf(CAkNoisgtPropPage::kThresholdFader, orlofx::kNoisgtParameters, orlofx::kNoisgtThreshold),
    RangeOf(CAkNoisgtPropPage::kAttackSlider, orlofx::kNoisgtParameters, orlofx::kNoisgtAttack),
    RangeOf(CAkNoisgtPropPage::kReleaseSlider, orlofx::kNoisgtParameters, orlofx::kNoisgtRelease),
};

const HelpId kHelpIds[] = {
    {CAkNoisgtPropPage::kThresholdFader, 33}, {CAkNoisgtPropPage::kThresholdText, 33},
    {CAkNoisgtPropPage::kThresholdLabel, 33}, {CAkNoisgtPropPage::kAttackSlider, 34},
    {CAkNoisgtPropPage::kAttackEdit, 34},     {CAkNoisgtPropPage::kAttackLabel, 34},
    {CAkNoisgtPropPage::kReleaseSlider, 35},  {CAkNoisgtPropPage::kReleaseEdit, 35},
    {CAkNoisgtPropPage::kReleaseLabel, 35},   {0, 0},
};

// Threshold: 1.0 dB a page (10 with Ctrl). Attack: 10 ms a page. Release:
// 100 ms a page; its box takes grouped digits ("5,000").
const ValueGroup kGroups[] = {
    {CAkNoisgtPropPage::kThresholdFader, CAkNoisgtPropPage::kThresholdText, ValueGroup::kFader,
     1, 10, ValueGroup::kStaticText, ValueGroup::kLevel, kThresholdFloor},
    {CAkNoisgtPropPage::kAttackSlider, CAkNoisgtPropPage::kAttackEdit, ValueGroup::kTrackbar, 1,
     10, ValueGroup::kEditUnsigned, ValueGroup::kInteger, 0},
    {CAkNoisgtPropPage::kReleaseSlider, CAkNoisgtPropPage::kReleaseEdit, ValueGroup::kTrackbar, 1,
     100, ValueGroup::kEditParsed, ValueGroup::kInteger, 0},
};

// Labels with the ranges above, in whole dB and ms.
const PageLabel kLabels[] = {
    {CAkNoisgtPropPage::kThresholdLabel, 7500, {{orlofx::kLabelMinusInfinity, 0}, {0, 0}}, 2},
    {CAkNoisgtPropPage::kAttackLabel, 7501, {{1, 0}, {500, 0}}, 2},
    {CAkNoisgtPropPage::kReleaseLabel, 7502, {{1, 0}, {5000, 0}}, 2},
};

const PageDescription kDescription = {
    kDialogId,  orlofx::sid::kNoiseGateTitle, orlofx::sid::kNoiseGateName, &IID_IAkNoisgtProp,
    kRanges,    3,                            kHelpIds,                    kHelpTopic,
    kGroups,    3,                            kLabels,                     3,
};

}  // namespace

CUnknown* CALLBACK CAkNoisgtPropPage::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkNoisgtPropPage(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkNoisgtPropPage::CAkNoisgtPropPage(LPUNKNOWN outer)
    : CAkPropertyPage(NAME("AkNoisgt Property Page"), outer, kDescription) {}

HRESULT CAkNoisgtPropPage::SetNotifyWindow(HWND window, UINT id) {
  return Gate()->SetNotifyWindow(window, id);
}

HRESULT CAkNoisgtPropPage::GetValue(const ValueGroup& group, long* value) {
  switch (group.sliderId) {
    case kThresholdFader: return Gate()->GetThreshold(value);
    case kAttackSlider: return Gate()->GetAttack(value);
    case kReleaseSlider: return Gate()->GetRelease(value);
    default: return E_INVALIDARG;
  }
}

HRESULT CAkNoisgtPropPage::SetValue(const ValueGroup& group, long value) {
  switch (group.sliderId) {
    case kThresholdFader: return Gate()->SetThreshold(value);
    case kAttackSlider: return Gate()->SetAttack(value);
    case kReleaseSlider: return Gate()->SetRelease(value);
    default: return E_INVALIDARG;
  }
}

#include "effects/noisgt/win/noisgt_page.h"

#include <new>

#include "framework/win/guids.h"
#include "support/strings/string_ids.h"

namespace {

using orlofx::HelpId;
using orlofx::PageDescription;
using orlofx::PageLabel;
using orlofx::ValueGroup;

constexpr int kDialogId = 1000;
constexpr DWORD kHelpTopic = 124;

const HelpId kHelpIds[] = {
    {CAkNoisgtPropPage::kThresholdFader, 33}, {CAkNoisgtPropPage::kThresholdText, 33},
    {CAkNoisgtPropPage::kThresholdLabel, 33}, {CAkNoisgtPropPage::kAttackSlider, 34},
    {CAkNoisgtPropPage::kAttackEdit, 34},     {CAkNoisgtPropPage::kAttackLabel, 34},
    {CAkNoisgtPropPage::kReleaseSlider, 35},  {CAkNoisgtPropPage::kReleaseEdit, 35},
    {CAkNoisgtPropPage::kReleaseLabel, 35},   {0, 0},
};

const orlofx::ParameterTable& kRows = orlofx::kNoisgtParameters;
const PageLabel kLabels[] = {
    RangeLabel(CAkNoisgtPropPage::kThresholdLabel, 7500, kRows[orlofx::kNoisgtThreshold]),
    RangeLabel(CAkNoisgtPropPage::kAttackLabel, 7501, kRows[orlofx::kNoisgtAttack]),
    RangeLabel(CAkNoisgtPropPage::kReleaseLabel, 7502, kRows[orlofx::kNoisgtRelease]),
};

const ValueGroup kGroups[] = {
    GroupOf(CAkNoisgtPropPage::kThresholdFader, CAkNoisgtPropPage::kThresholdText, ValueGroup::kFader,
            ValueGroup::kStaticText, kRows, orlofx::kNoisgtThreshold),
    GroupOf(CAkNoisgtPropPage::kAttackSlider, CAkNoisgtPropPage::kAttackEdit, ValueGroup::kTrackbar,
            ValueGroup::kEditUnsigned, kRows, orlofx::kNoisgtAttack),
    // The release box takes grouped digits ("5,000").
    GroupOf(CAkNoisgtPropPage::kReleaseSlider, CAkNoisgtPropPage::kReleaseEdit, ValueGroup::kTrackbar,
            ValueGroup::kEditParsed, kRows, orlofx::kNoisgtRelease),
};

const PageDescription kDescription = {
    kDialogId,  orlofx::sid::kNoiseGateTitle, orlofx::sid::kNoiseGateName, &IID_IAkNoisgtProp,
    kHelpIds,   kHelpTopic,
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

// CAkNoisgtPropPage: the Noise Gate's property page (dialog 1000): a
// threshold fader and two time sliders with their value texts, on the shared
// page frame.
#pragma once

#include "effects/noisgt/win/noisgt_prop.h"
#include "ui/property_page.h"

class CAkNoisgtPropPage : public orlofx::CAkPropertyPage {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

  // Control ids of dialog 1000.
  static constexpr int kThresholdFader = 1008;
  static constexpr int kThresholdText = 1005;
  static constexpr int kThresholdLabel = 1011;
  static constexpr int kAttackSlider = 1002;
  static constexpr int kAttackEdit = 1010;
  static constexpr int kAttackLabel = 1012;
  static constexpr int kReleaseSlider = 1003;
  static constexpr int kReleaseEdit = 1009;
  static constexpr int kReleaseLabel = 1013;

 protected:
  HRESULT SetNotifyWindow(HWND window, UINT id) override;
  HRESULT GetValue(const orlofx::ValueGroup& group, long* value) override;
  HRESULT SetValue(const orlofx::ValueGroup& group, long value) override;

 private:
  explicit CAkNoisgtPropPage(LPUNKNOWN outer);
  IAkNoisgtProp* Gate() const { return static_cast<IAkNoisgtProp*>(Property()); }
};

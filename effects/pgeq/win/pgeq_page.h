// CAkPgeqPropPage: the Paragraphic EQ's property page (dialog 3001): dry and
// wet faders, four bands (gain fader, width and center sliders), two shelves
// (check box, frequency and gain sliders) and a response graph that the page
// paints in place of a static control.
#pragma once

#include "effects/pgeq/win/pgeq_prop.h"
#include "ui/property_page.h"

class CAkPgeqPropPage : public orlofx::CAkPropertyPage {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

  // Control ids of dialog 3001. Band arrays are in band order 1-4.
  static constexpr int kDryFader = 3011;
  static constexpr int kDryText = 3018;
  static constexpr int kDryLabel = 3057;
  static constexpr int kWetFader = 3012;
  static constexpr int kWetText = 3017;
  static constexpr int kWetLabel = 3058;
  static constexpr int kGraph = 3056;
  static constexpr int kGainFaders[4] = {3013, 3016, 3014, 3015};
  static constexpr int kGainTexts[4] = {3003, 3004, 3005, 3006};
  static constexpr int kGainLabel = 3073;
  static constexpr int kWidthSliders[4] = {3041, 3042, 3043, 3044};
  static constexpr int kWidthTexts[4] = {3007, 3008, 3009, 3000};
  static constexpr int kWidthLabel = 3074;
  static constexpr int kCenterSliders[4] = {3048, 3049, 3050, 3051};
  static constexpr int kCenterEdits[4] = {3023, 3024, 3025, 3026};
  static constexpr int kCenterLabel = 3075;
  static constexpr int kLowShelfCheck = 3028;
  static constexpr int kLowFrequencySlider = 3053;
  static constexpr int kLowFrequencyEdit = 3032;
  static constexpr int kLowGainSlider = 3037;
  static constexpr int kLowGainText = 3045;
  static constexpr int kHighShelfCheck = 3030;
  static constexpr int kHighFrequencySlider = 3055;
  static constexpr int kHighFrequencyEdit = 3034;
  static constexpr int kHighGainSlider = 3040;
  static constexpr int kHighGainText = 3046;

  // Page texts of the string table.
  static constexpr int kOctaveSuffixString = 7350;  // " oct"

  HRESULT OnConnect(IUnknown* object) override;
  HRESULT OnDisconnect() override;
  INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void InitControls() override;
  void UpdateControls(int controlId) override;

 protected:
  HRESULT SetNotifyWindow(HWND window, UINT id) override;
  HRESULT GetValue(const orlofx::ValueGroup& group, long* value) override;
  HRESULT SetValue(const orlofx::ValueGroup& group, long value) override;
  std::wstring FormatValue(const orlofx::ValueGroup& group, long value) override;

 private:
  explicit CAkPgeqPropPage(LPUNKNOWN outer);
  IAkPgeqProp* Eq() const { return static_cast<IAkPgeqProp*>(Property()); }

  void OnShelfCheck(int checkId);
  void ShowEnabling();
  // Points the graph at the effect (or at nothing) and repaints it.
  void PointGraphAt(IAkPgeqProp* eq);
  void InvalidateGraph();
};

// CAkMbdynPropPage and CAkMbdynPropPage2: the Multi-Band Dynamics pages.
// Both show two band strips of one layout (dialog 5000: bands 1 and 2,
// dialog 5001: bands 3 and 4) and the switches and output gain the bands
// share:
//
//   ┌ logo ───────────────────────────────────────────────────────────┐
//   │ thr  amt  gain  level│gr   type [list]   [ ] bypass  [ ] solo │ out │
//   │  ║    ║    ║     ▐▌  ▐    attack ───────── [    ]            │  ║  │
//   │  ║    ║    ║     ▐▌  ▐    release ──────── [    ]            │  ║  │
//   │                 [In/Out]  frequency ────── [    ]  width ──── │     │
//   │ (the second band alike)                                        │     │
//   │ [ ] sync stereo   [ ] enable meters   [ ] capture threshold    │     │
//   └─────────────────────────────────────────────────────────────────┘
//
// Sliders with their value texts are the frame's value groups; the type
// lists, switches and meter buttons are this page's own. A timer keeps the
// meters in step with playback, lets capture threshold move the thresholds
// and greys the controls whose parameter an automation envelope drives.
#pragma once

#include "effects/mbdyn/win/mbdyn_prop.h"
#include "ui/property_page.h"

class CAkMbdynPropPage : public orlofx::CAkPropertyPage {
 public:
  // The factory's creation function (bands 1 and 2).
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

  // The controls of one band strip.
  struct BandControls {
    int band;  // 1 to 4
    int thresholdFader, thresholdText, thresholdLabel;
    int amountFader, amountText, amountLabel;
    int gainFader, gainText, gainLabel;
    int attackSlider, attackEdit, attackLabel;
    int releaseSlider, releaseEdit, releaseLabel;
    int typeList, typeLabel;
    int centerSlider, centerEdit, centerCaption;
    int widthSlider, widthText, widthLabel;
    int levelMeter, reductionMeter, meterSource;
    int bypass, solo;
  };
  static const BandControls kBand1;
  static const BandControls kBand2;
  static const BandControls kBand3;
  static const BandControls kBand4;

  // Shared by both dialogs (the enable-meters switch has one id per page).
  static constexpr int kSyncStereo = 5023;
  static constexpr int kEnableMeters1 = 5147;
  static constexpr int kEnableMeters2 = 5148;
  static constexpr int kCaptureThreshold = 5149;
  static constexpr int kOutputGainFader = 5011;
  static constexpr int kOutputGainText = 5012;
  static constexpr int kOutputGainLabel = 5140;

  // The meter refresh, about 25 times a second.
  static constexpr UINT_PTR kMeterTimer = 5000;
  static constexpr UINT kMeterPeriodMs = 40;

  HRESULT OnConnect(IUnknown* object) override;
  INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void InitControls() override;
  void UpdateControls(int controlId) override;

 protected:
  // pageNumber 1 shows bands 1 and 2, 2 bands 3 and 4.
  CAkMbdynPropPage(LPCTSTR name, LPUNKNOWN outer, const orlofx::PageDescription& description,
                   int pageNumber);

  HRESULT SetNotifyWindow(HWND window, UINT id) override;
  HRESULT GetValue(const orlofx::ValueGroup& group, long* value) override;
  HRESULT SetValue(const orlofx::ValueGroup& group, long value) override;
  std::wstring FormatValue(const orlofx::ValueGroup& group, long value) override;

 private:
  mbdyn::IAkPlugInProp2* Effect() const {
    return static_cast<mbdyn::IAkPlugInProp2*>(Property());
  }
  const BandControls& Strip(int index) const;  // 0 upper, 1 lower
  int EnableMetersId() const;

  bool OnCommand(int id, int code);
  void OnSliderNotice(int sliderId, int code);
  void OnTimer();
  void TakeTenths(int editId);

  void UpdateBandSwitches(const BandControls& strip, int controlId);
  void UpdateSharedSwitches();
  void UpdateMeterRanges();
  void RefreshMeters();
  void RestMeters();
  // From now on only blocks the effect makes from here on are played.
  void MarkMetersSeen();
  void EnableByEditability();
  void ShowVisiblePage();
  void HideVisiblePage();

  const int pageNumber_;
  int editingSlider_ = 0;  // a slider between press and end of its drag

  // Where playback is on the effect's meter time line (100-ns units): it
  // starts with the first block made after the page looked (or after the
  // stream started) and runs with the clock, never ahead of the newest
  // meter block nor behind the oldest kept.
  bool playbackKnown_ = false;
  LONGLONG playback_ = 0;
  LONGLONG lastShown_ = 0;
  LONGLONG seenNewest_ = -1;  // blocks up to this time are not played
  DWORD lastTick_ = 0;
};

class CAkMbdynPropPage2 : public CAkMbdynPropPage {
 public:
  // The factory's creation function (bands 3 and 4).
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

 private:
  explicit CAkMbdynPropPage2(LPUNKNOWN outer);
};

namespace mbdyn {

// The gain reduction in tenths of a dB (0 or negative) that a band's curve
// gives for a block peak shown at `level` (tenths of a dB), measured at the
// band's input (source 0) or after its reduction (source 1). Attack and
// release smoothing are left out: this is where the gain is heading.
long CurveReduction(long level, long threshold, long amount, long source);

// Reads a value in tenths that a user typed ("12.5" -> 125) with the
// locale's separators; what cannot be read counts as 0, like the other
// value boxes.
long ParseTenths(const std::wstring& text);

}  // namespace mbdyn

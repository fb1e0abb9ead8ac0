// CAkGdynPropPage: the Graphic Dynamics property page (dialog 2000).
//
// The transfer curve is edited in the envelope graph, or reshaped in one
// move by the threshold and ratio sliders; the times, the output gain and
// the two switches are the effect's automatable parameters:
//
//   graph edit (1554) ──► points ──────────────────────────► SetPoints
//   threshold slider ──► curve moved by the slider's step ─► SetPoints, SetThreshold
//   ratio slider ──────► curve turned above its knee ──────► SetPoints, SetRatio
//   fader / time slider press ─► BeginEdit ─► setters ─► release ─► EndEdit
//
// so a host that records automation sees one capture per drag. A parameter
// that an automation envelope drives while the filter streams is shown
// disabled; the page's timer checks for that, follows the driven values and
// empties the graph's read-out once the pointer has left the graph.
#pragma once

#include "effects/gdyn/gdyn_page_model.h"
#include "effects/gdyn/win/gdyn_prop.h"
#include "ui/property_page.h"

class CAkGdynPropPage : public orlofx::CAkPropertyPage {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

  // Control ids of dialog 2000.
  static constexpr int kOutputGainFader = 2006;
  static constexpr int kOutputGainText = 2013;
  static constexpr int kOutputGainLabel = 2036;
  static constexpr int kGraph = 2018;
  static constexpr int kGraphLabel = 2001;
  static constexpr int kFirstAxisLabel = 2021;  // 2021-2035
  static constexpr int kLastAxisLabel = 2035;
  static constexpr int kOutAxisLabel = 2037;
  static constexpr int kInAxisLabel = 2038;
  static constexpr int kReadout = 2014;
  static constexpr int kAutoGainCheck = 2007;
  static constexpr int kSyncStereoCheck = 2008;
  static constexpr int kResetGraphButton = 2015;
  static constexpr int kAttackSlider = 2002;
  static constexpr int kAttackEdit = 2019;
  static constexpr int kAttackLabel = 2009;
  static constexpr int kReleaseSlider = 2003;
  static constexpr int kReleaseEdit = 2020;
  static constexpr int kReleaseLabel = 2010;
  static constexpr int kThresholdSlider = 2004;
  static constexpr int kThresholdText = 2011;
  static constexpr int kThresholdLabel = 2016;
  static constexpr int kRatioSlider = 2005;
  static constexpr int kRatioText = 2012;
  static constexpr int kRatioLabel = 2017;

  // The page's periodic timer: read-out and automation follow-up.
  static constexpr UINT_PTR kTimerId = 1;
  static constexpr UINT kTimerPeriodMs = 100;

  INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void InitControls() override;
  void UpdateControls(int controlId) override;

 protected:
  HRESULT SetNotifyWindow(HWND window, UINT id) override;
  HRESULT GetValue(const orlofx::ValueGroup& group, long* value) override;
  HRESULT SetValue(const orlofx::ValueGroup& group, long value) override;
  std::wstring FormatValue(const orlofx::ValueGroup& group, long value) override;

 private:
  explicit CAkGdynPropPage(LPUNKNOWN outer);
  gdyn::IAkPlugInProp2* Dynamics() const { return static_cast<gdyn::IAkPlugInProp2*>(Property()); }

  // The curve as the effect holds it, sorted by input level.
  orlofx::GdynPageCurve ReadCurve();
  // Hands a reshaped curve to the graph and the effect what the graph kept.
  void WriteCurve(const orlofx::GdynPageCurve& curve);
  void ShowCurve(const orlofx::GdynPageCurve& curve);
  void OnGraphChanged();
  void OnGraphTracking(LPARAM lParam);
  void OnResetGraph();
  void OnSwitch(int id);
  void OnTimeEdited(int editId);
  // Begin (press) and end (release) of a drag on a slider of an automatable
  // parameter; other sliders have no edit bracket.
  void BeginEdit(int sliderId);
  void EndEdit(int sliderId);
  // Enables each automatable parameter's controls unless automation drives
  // it; returns whether any is driven.
  bool UpdateEditable();
  void UpdateSwitches();
  void OnTimer();

  // The threshold and ratio slider values the curve was last shaped for, so
  // that a slider that reports the same value again reshapes nothing and a
  // drag moves the curve by the slider's own steps.
  long thresholdShown_ = 0;
  long ratioShown_ = 0;
  bool timerRunning_ = false;
};

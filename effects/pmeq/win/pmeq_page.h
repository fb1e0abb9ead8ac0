// CAkPmeqPropPage: the Parametric EQ's property page (dialog 4001): faders for
// the amount and the output gain, frequency and width sliders with their edit
// boxes, the filter style with a picture of its shape, and the accuracy.
//
// The four slider groups run on the shared page frame. The page adds what the
// frame's value groups do not cover: the two combo boxes, the width box that
// takes a decimal number of octaves, and the labels and picture that follow
// the filter style.
#pragma once

#include <string>

#include "effects/pmeq/win/pmeq_prop.h"
#include "ui/property_page.h"

class CAkPmeqPropPage : public orlofx::CAkPropertyPage {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

  // Control ids of dialog 4001.
  static constexpr int kAmountFader = 4008;
  static constexpr int kAmountText = 4020;
  static constexpr int kAmountLabel = 4023;
  static constexpr int kOutputGainFader = 4010;
  static constexpr int kOutputGainText = 4021;
  static constexpr int kOutputGainLabel = 4022;
  static constexpr int kStyleCombo = 4009;
  static constexpr int kStyleLabel = 4024;
  static constexpr int kFrequencySlider = 4015;
  static constexpr int kFrequencyEdit = 4011;
  static constexpr int kFrequencyLabel = 4029;
  static constexpr int kWidthSlider = 4016;
  static constexpr int kWidthEdit = 4012;
  static constexpr int kWidthLabel = 4030;
  static constexpr int kShapePicture = 4035;
  static constexpr int kAccuracyCombo = 4019;
  static constexpr int kAccuracyLabel = 4025;

  // Bitmap resource of filter type t (0..3): kFirstShapeBitmap + t.
  static constexpr int kFirstShapeBitmap = 4031;
  static constexpr int kShapeCount = 4;

  // Tenths of the decimal number in `text`, as the width box reads it:
  // blanks, an optional sign, digits (group separators dropped), then the
  // locale's decimal separator or a point and the tenths digit; further
  // digits are cut off ("0.05" gives 0, "2.59" 25). Nothing readable gives
  // 0; very long digit strings saturate.
  static long ParseWidthTenths(const std::wstring& text);

  INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void InitControls() override;
  void UpdateControls(int controlId) override;

 protected:
  HRESULT SetNotifyWindow(HWND window, UINT id) override;
  HRESULT GetValue(const orlofx::ValueGroup& group, long* value) override;
  HRESULT SetValue(const orlofx::ValueGroup& group, long value) override;
  std::wstring FormatValue(const orlofx::ValueGroup& group, long value) override;

 private:
  explicit CAkPmeqPropPage(LPUNKNOWN outer);
  IAkPmeqProp* Eq() const { return static_cast<IAkPmeqProp*>(Property()); }

  void OnStyleChosen();
  void OnAccuracyChosen();
  void OnWidthEdited();
  // The style's combo (on a full refresh), labels and picture.
  void ShowFilterType(bool all);
  void ShowAccuracy(bool all);
  void FillCombo(int comboId, int firstString, int count);
  void CentrePicture();

  // The filter type whose labels and picture are shown; kNothingShown after
  // the dialog was (re)created.
  static constexpr long kNothingShown = -2147483647L - 1;
  long shownType_ = kNothingShown;
};

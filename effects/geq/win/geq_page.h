// The Graphic EQ's three property pages, all editing one filter through
// IAkGeqProp:
//
//   CAkGeqPropPage   dialog 6003  ten band faders (bands 2, 4, ..., 20)
//   CAkGeqPropPage2  dialog 6004  twenty band faders
//   CAkGeqPropPage3  dialog 6005  the envelope graph itself
//
// Each also has the output-gain fader, the accuracy list and Reset.
//
// The processor follows only the envelope, so the fader pages are envelope
// editors: a fader's move rewrites the envelope around its band, and a full
// refresh reads every band's gain back from the envelope (geq_bands.h). A
// change on one page reaches the other open pages of the filter as a change
// notification, and they re-read everything.
#pragma once

#include "effects/geq/geq_bands.h"
#include "effects/geq/win/geq_prop.h"
#include "ui/property_page.h"

class CAkGeqPropPage : public orlofx::CAkPropertyPage {
 public:
  // The factory's creation function (the 10-band page).
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

  // Control ids the three dialogs share.
  static constexpr int kOutputGainFader = 6094;
  static constexpr int kOutputGainLabel = 6099;
  static constexpr int kAccuracyList = 6101;
  static constexpr int kAccuracyLabel = 6097;
  static constexpr int kReset = 6088;
  // Fader pages: band k (0..19) has fader 6006 + k, value text 6026 + k and
  // centre label 6046 + k.
  static constexpr int kFirstBandFader = 6006;
  static constexpr int kFirstBandText = 6026;
  static constexpr int kFirstCentreLabel = 6046;
  static constexpr int kGainLabel = 6096;
  static constexpr int kCenterLabel = 6095;
  // The output gain's value text: 6100 on the 20-band page, else 6098.
  static constexpr int kOutputGainText = 6098;
  static constexpr int kOutputGainText2 = 6100;
  // Envelope page.
  static constexpr int kGraph = 6091;
  static constexpr int kGraphLabel = 6090;
  static constexpr int kReadout = 6089;

  ~CAkGeqPropPage() override;

  INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void InitControls() override;
  void UpdateControls(int controlId) override;

 protected:
  enum class Kind { kTenBand, kTwentyBand, kEnvelope };

  CAkGeqPropPage(LPCTSTR name, LPUNKNOWN outer, const orlofx::PageDescription& description,
                 Kind kind);

  HRESULT SetNotifyWindow(HWND window, UINT id) override;
  HRESULT GetValue(const orlofx::ValueGroup& group, long* value) override;
  HRESULT SetValue(const orlofx::ValueGroup& group, long value) override;
  // A band's value without its unit: the column under a fader of the 20-band
  // page has room for "-47.9" and no more; the gain label names the unit.
  std::wstring FormatValue(const orlofx::ValueGroup& group, long value) override;

  IAkGeqProp* Eq() const { return static_cast<IAkGeqProp*>(Property()); }

  // Reset: a flat envelope; the fader pages also set every band to 0 dB.
  virtual void OnReset();

 private:
  explicit CAkGeqPropPage(LPUNKNOWN outer);

  // A band fader moved to `gain`: store it and redraw the envelope around
  // the band.
  HRESULT SetBand(int band, long gain);
  // Every band's gain as the envelope now has it, for the faders. Only the
  // page keeps them: writing them to the filter at every refresh marked its
  // settings changed when a page merely opened. A band's gain reaches the
  // filter when the user moves its fader (or Reset flattens them all).
  void ReadBandsFromEnvelope();
  void OnAccuracyChosen();
  void ShowAccuracy();

  Kind kind_;
  HFONT valueFont_ = nullptr;  // the band values' smaller face of the dialog font
  long shownGains_[orlofx::kGeqBandCount] = {};  // the faders' gains, from the envelope
};

class CAkGeqPropPage2 : public CAkGeqPropPage {
 public:
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

 private:
  explicit CAkGeqPropPage2(LPUNKNOWN outer);
};

class CAkGeqPropPage3 : public CAkGeqPropPage {
 public:
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result);

  INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void InitControls() override;
  void UpdateControls(int controlId) override;

  // The graph's axes: y of the ten level captions (6067-6071, 6083-6087,
  // top to bottom) and x of the eleven frequency captions (6072-6082).
  static constexpr int kLevelCaptionCount = 10;
  static constexpr int kFrequencyCaptionCount = 11;
  static int LevelCaptionId(int i) { return i < 5 ? 6067 + i : 6083 + (i - 5); }
  static int FrequencyCaptionId(int i) { return 6072 + i; }

 protected:
  void OnReset() override;

 private:
  explicit CAkGeqPropPage3(LPUNKNOWN outer);

  // The graph's points changed: they become the filter's envelope.
  void OnGraphChanged();
  // The readout of the pointer over the graph; a timer empties it once the
  // pointer has left.
  void OnPointer(LPARAM packed);
  void OnReadoutTimer();
  // Puts each axis caption beside the grid line it names.
  void AlignCaptions();

  bool readoutTimer_ = false;
};

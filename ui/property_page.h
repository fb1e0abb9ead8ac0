// CAkPropertyPage: the frame every effect page shares.
//
// A page never holds unapplied edits. Each user action goes to the filter at
// once through the effect's property interface, and the page then reads the
// value back, so every control shows what the filter accepted after its own
// clamping:
//
//   slider moves ──► WM_HSCROLL/WM_VSCROLL ──► scroll arithmetic ──► setter
//   edit loses focus ──► text to integer ──────────────────────────► setter
//                                  UpdateControls(id) ◄── getter ◄──┘
//   filter posts WM_COMMAND(32700) ──► UpdateControls(0)
//
// UpdateControls(id) rewrites every value text of the groups it concerns but
// leaves the slider with that id alone, so a slider is never moved under the
// mouse that drags it.
//
// Besides the table-driven groups, the frame gives every page the page menu
// (presets, help, about), context help, the logo bar and the binding to the
// filter in either order of OnConnect and WM_INITDIALOG.
#pragma once

#include <windows.h>

#include <string>

#include "framework/parameters.h"
#include "framework/win/baseclasses/property_page.h"
#include "ui/page_labels.h"

namespace orlofx {

// A value shown by a slider and a text beside it. The field's descriptor
// row gives the slider its range, default and steps and the text its form.
struct ValueGroup {
  enum Slider { kTrackbar, kFader };
  enum Text { kStaticText, kEditUnsigned, kEditParsed };

  int sliderId;
  int textId;
  Slider slider;  // a trackbar's direction comes with its scroll message
  Text text;      // how an edit box is read back (GetDlgItemInt or ParseInteger)
  const ParameterDescriptor* row;

  // At or below it the value reads "-Inf."; 0 for none.
  long Floor() const { return row->page.minimumIsSilence ? row->minimum : 0; }
};

// The group of field `field` of `table`.
inline ValueGroup GroupOf(int sliderId, int textId, ValueGroup::Slider slider,
                          ValueGroup::Text text, const ParameterTable& table, int field) {
  return {sliderId, textId, slider, text, &table.items[field]};
}

struct HelpId {
  int controlId;
  DWORD contextId;
};

struct PageDescription {
  int dialogId;
  int titleId;        // page title in the string table
  int nameId;         // the effect's display name, for the logo bar and About
  const IID* propertyInterface;
  const HelpId* helpIds;  // ends with {0, 0}
  DWORD helpTopic;        // HTML-Help topic of the Help command
  const ValueGroup* groups;
  int groupCount;
  const PageLabel* labels;  // texts with numbers, written at initialisation
  int labelCount;
};

class CAkPropertyPage : public CBasePropertyPage {
 public:
  // `description` must outlive the page (a constant of the page class).
  CAkPropertyPage(LPCTSTR name, LPUNKNOWN outer, const PageDescription& description);
  ~CAkPropertyPage() override;

  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;

  HRESULT OnConnect(IUnknown* object) override;
  HRESULT OnDisconnect() override;
  HRESULT OnActivate() override;
  HRESULT OnDeactivate() override;
  INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Sends each group's slider its range and default, then sets up the logo bar.
  virtual void InitControls();
  // Re-reads the groups of controlId (0 and 32700: all) and shows them.
  virtual void UpdateControls(int controlId);

 protected:
  // The property interface, as queried for description.propertyInterface;
  // null while unbound.
  IUnknown* Property() const { return property_; }
  bool Bound() const { return property_ != nullptr; }
  HWND Dialog() const { return m_Dlg; }

  // What each effect's property interface offers.
  virtual HRESULT SetNotifyWindow(HWND window, UINT id) = 0;
  virtual HRESULT GetValue(const ValueGroup& group, long* value) = 0;
  virtual HRESULT SetValue(const ValueGroup& group, long value) = 0;
  // The text of a group's value; by default a field in tenths shows one
  // decimal and "dB", any other whole digits grouped.
  virtual std::wstring FormatValue(const ValueGroup& group, long value);

  // Tells the other open pages of the same filter that it changed, since the
  // filter's single-value setters notify nobody.
  void NotifyOtherPages();

 private:
  // Names each slider after its label and points it at its value window,
  // for screen readers (support/win/accessible.h).
  void NameSliders();
  bool IsValueWindow(HWND window) const;
  void OnCommand(int id, int code, HWND control);
  void OnScroll(int code, bool vertical, HWND control);
  void OnEditDone(const ValueGroup& group);
  void OnHelp(const HELPINFO* help);
  void ShowPageMenu(LPARAM point);
  void Register();
  void Unregister();

  const PageDescription& description_;
  IUnknown* connected_ = nullptr;  // as handed to OnConnect, no reference of ours
  IUnknown* property_ = nullptr;   // the effect's property interface
};

}  // namespace orlofx

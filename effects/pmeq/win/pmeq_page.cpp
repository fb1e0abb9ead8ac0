#include "effects/pmeq/win/pmeq_page.h"

#include <cstdint>
#include <new>
#include <string>

#include "framework/win/guids.h"
#include "support/number_format.h"
#include "support/strings/string_ids.h"
#include "support/win/dpi.h"
#include "support/win/wide_text.h"
#include "ui/page_frame.h"
#include "ui/static_control.h"

namespace {

using orlofx::HelpId;
using orlofx::PageDescription;
using orlofx::PageLabel;
using orlofx::ValueGroup;

constexpr int kDialogId = 4001;
constexpr DWORD kHelpTopic = 128;
// Both faders reach -60 dB only; "-Inf." would take a value below that.
constexpr int kFilterTypeCount = 4;  // items 7079-7082, data 0-3
constexpr int kAccuracyCount = 3;    // items 7083-7085, data 0-2
constexpr int kShapeWidth = 128;     // pixels of each shape bitmap
constexpr int kShapeHeight = 64;


const HelpId kHelpIds[] = {
    {CAkPmeqPropPage::kOutputGainFader, 79}, {CAkPmeqPropPage::kOutputGainText, 79},
    {CAkPmeqPropPage::kOutputGainLabel, 79}, {CAkPmeqPropPage::kAmountFader, 80},
    {CAkPmeqPropPage::kAmountText, 80},      {CAkPmeqPropPage::kAmountLabel, 80},
    {CAkPmeqPropPage::kFrequencySlider, 81}, {CAkPmeqPropPage::kFrequencyEdit, 81},
    {CAkPmeqPropPage::kFrequencyLabel, 81},  {CAkPmeqPropPage::kWidthSlider, 82},
    {CAkPmeqPropPage::kWidthEdit, 82},       {CAkPmeqPropPage::kWidthLabel, 82},
    {CAkPmeqPropPage::kStyleCombo, 83},      {CAkPmeqPropPage::kStyleLabel, 83},
    {CAkPmeqPropPage::kAccuracyCombo, 85},   {CAkPmeqPropPage::kAccuracyLabel, 85},
    {CAkPmeqPropPage::kShapePicture, 84},    {0, 0},
};

// Levels: 1.0 dB a page (10 with Ctrl). Frequency: 100 Hz a page, its box
// takes grouped digits ("22,050"). Width: 1 octave a page; its box holds
// octaves with one decimal and is read by the page itself.
const orlofx::ParameterTable& kRows = orlofx::kPmeqParameters;
const ValueGroup kGroups[] = {
    GroupOf(CAkPmeqPropPage::kAmountFader, CAkPmeqPropPage::kAmountText, ValueGroup::kFader,
            ValueGroup::kStaticText, kRows, orlofx::kPmeqAmount),
    GroupOf(CAkPmeqPropPage::kOutputGainFader, CAkPmeqPropPage::kOutputGainText, ValueGroup::kFader,
            ValueGroup::kStaticText, kRows, orlofx::kPmeqOutputGain),
    GroupOf(CAkPmeqPropPage::kFrequencySlider, CAkPmeqPropPage::kFrequencyEdit,
            ValueGroup::kTrackbar, ValueGroup::kEditParsed, kRows, orlofx::kPmeqFrequency),
    GroupOf(CAkPmeqPropPage::kWidthSlider, CAkPmeqPropPage::kWidthEdit, ValueGroup::kTrackbar,
            ValueGroup::kEditParsed, kRows, orlofx::kPmeqWidth),
};

// Labels with the ranges above, in whole dB; the frequency and width labels
// follow the filter type.
const PageLabel kLabels[] = {
    RangeLabel(CAkPmeqPropPage::kOutputGainLabel, 7300, kRows[orlofx::kPmeqOutputGain]),
    RangeLabel(CAkPmeqPropPage::kAmountLabel, 7301, kRows[orlofx::kPmeqAmount]),
};
const PageLabel kFrequencyRange = RangeLabel(0, 0, kRows[orlofx::kPmeqFrequency]);
const PageLabel kWidthRange = RangeLabel(0, 0, kRows[orlofx::kPmeqWidth]);

const PageDescription kDescription = {
    kDialogId, orlofx::sid::kParametricEqTitle, orlofx::sid::kParametricEqName,
    &IID_IAkPmeqProp, kHelpIds, kHelpTopic, kGroups, 4, kLabels, 2,
};

bool StartsWith(const std::string& text, std::size_t pos, const std::string& part) {
  return !part.empty() && text.compare(pos, part.size(), part) == 0;
}

// Selects the item whose data is `data`, or none.
void SelectItemWithData(HWND combo, long data) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == data) {
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

// The item data of the combo's selection; false when nothing is selected.
bool SelectedData(HWND combo, long* data) {
  const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selection == CB_ERR) return false;
  const LRESULT value = SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
  if (value == CB_ERR) return false;
  *data = static_cast<long>(value);
  return true;
}

}  // namespace

long CAkPmeqPropPage::ParseWidthTenths(const std::wstring& wide) {
  const std::string text = orlofx::WideToUtf8(wide);
  const orlofx::NumberLocale locale = orlofx::CurrentNumberLocale();
  // Far beyond any width; keeps the arithmetic inside 64 bits.
  constexpr std::int64_t kLimit = 2147483647;

  std::size_t pos = text.find_first_not_of(" \t");
  if (pos == std::string::npos) return 0;
  bool negative = false;
  if (text[pos] == '-') {
    negative = true;
    ++pos;
  } else if (locale.negativeSign != "-" && StartsWith(text, pos, locale.negativeSign)) {
    negative = true;
    pos += locale.negativeSign.size();
  }
  std::int64_t whole = 0;
  int tenth = 0;
  bool point = false, tenthRead = false;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c >= '0' && c <= '9') {
      if (!point) {
        whole = whole * 10 + (c - '0');
        if (whole > kLimit) whole = kLimit;
      } else if (!tenthRead) {
        tenth = c - '0';
        tenthRead = true;
      }  // hundredths and beyond are cut off
      ++pos;
    } else if (!point && (c == '.' || StartsWith(text, pos, locale.decimalSeparator))) {
      // A point is read as the decimal sign in every language: no width
      // needs a thousands separator.
      point = true;
      pos += c == '.' ? 1 : locale.decimalSeparator.size();
    } else if (!point && StartsWith(text, pos, locale.groupSeparator)) {
      pos += locale.groupSeparator.size();
    } else {
      break;
    }
  }
  std::int64_t tenths = whole * 10 + tenth;
  if (tenths > kLimit) tenths = kLimit;
  return static_cast<long>(negative ? -tenths : tenths);
}

CUnknown* CALLBACK CAkPmeqPropPage::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* page = new (std::nothrow) CAkPmeqPropPage(outer);
  if (!page && result) *result = E_OUTOFMEMORY;
  return page;
}

CAkPmeqPropPage::CAkPmeqPropPage(LPUNKNOWN outer)
    : CAkPropertyPage(NAME("AkPmeq Property Page"), outer, kDescription) {}

HRESULT CAkPmeqPropPage::SetNotifyWindow(HWND window, UINT id) {
  return Eq()->SetNotifyWindow(window, id);
}

HRESULT CAkPmeqPropPage::GetValue(const ValueGroup& group, long* value) {
  switch (group.sliderId) {
    case kAmountFader: return Eq()->GetAmount(value);
    case kOutputGainFader: return Eq()->GetOutputGain(value);
    case kFrequencySlider: return Eq()->GetFrequency(value);
    case kWidthSlider: return Eq()->GetWidth(value);
    default: return E_INVALIDARG;
  }
}

HRESULT CAkPmeqPropPage::SetValue(const ValueGroup& group, long value) {
  switch (group.sliderId) {
    case kAmountFader: return Eq()->SetAmount(value);
    case kOutputGainFader: return Eq()->SetOutputGain(value);
    case kFrequencySlider: return Eq()->SetFrequency(value);
    case kWidthSlider: return Eq()->SetWidth(value);
    default: return E_INVALIDARG;
  }
}

std::wstring CAkPmeqPropPage::FormatValue(const ValueGroup& group, long value) {
  // Width in tenths of an octave shows as octaves with one decimal.
  if (group.sliderId == kWidthSlider) return orlofx::FormatLevelW(value, 1, 0, nullptr);
  return CAkPropertyPage::FormatValue(group, value);
}

INT_PTR CAkPmeqPropPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  if (message == WM_INITDIALOG) shownType_ = kNothingShown;
  if (message == WM_COMMAND && Bound()) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == kStyleCombo && code == CBN_SELCHANGE) {
      OnStyleChosen();
      return TRUE;
    }
    if (id == kAccuracyCombo && code == CBN_SELCHANGE) {
      OnAccuracyChosen();
      return TRUE;
    }
    if (id == kWidthEdit && code == EN_KILLFOCUS) {
      OnWidthEdited();
      return TRUE;
    }
  }
  return CAkPropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}

void CAkPmeqPropPage::InitControls() {
  CAkPropertyPage::InitControls();
  FillCombo(kStyleCombo, orlofx::sid::kFilterTypeLowShelf, kFilterTypeCount);
  FillCombo(kAccuracyCombo, orlofx::sid::kParametricAccuracyLow, kAccuracyCount);
  CentrePicture();
}

void CAkPmeqPropPage::FillCombo(int comboId, int firstString, int count) {
  HWND combo = GetDlgItem(Dialog(), comboId);
  if (!combo) return;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  HDC dc = GetDC(combo);
  HGDIOBJ oldFont = dc ? SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)))
                       : nullptr;
  int widest = 0;
  for (int i = 0; i < count; ++i) {
    const std::wstring text = orlofx::LoadWideString(firstString + i);
    const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) continue;
    SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), i);
    SIZE size = {};
    if (dc && GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) &&
        size.cx > widest)
      widest = size.cx;
  }
  if (dc) {
    SelectObject(dc, oldFont);
    ReleaseDC(combo, dc);
  }
  // A list narrower than its longest item would cut it off; the closed box
  // keeps the width the layout gave it.
  RECT rect = {};
  GetWindowRect(combo, &rect);
  const int needed = widest + 4 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
  if (needed > rect.right - rect.left) SendMessageW(combo, CB_SETDROPPEDWIDTH, needed, 0);
}

void CAkPmeqPropPage::CentrePicture() {
  // The layout gives the picture a box in dialog units, which depend on the
  // dialog's font; the bitmaps are pixels at 96 DPI, which the picture
  // control scales to its DPI. Centre them in that box.
  HWND picture = GetDlgItem(Dialog(), kShapePicture);
  if (!picture) return;
  RECT box = {};
  GetWindowRect(picture, &box);
  MapWindowPoints(nullptr, Dialog(), reinterpret_cast<POINT*>(&box), 2);
  const int dpi = orlofx::WindowDpi(picture);
  const int width = orlofx::ScaleToDpi(kShapeWidth, dpi), height = orlofx::ScaleToDpi(kShapeHeight, dpi);
  const int x = box.left + (box.right - box.left - width) / 2;
  const int y = box.top + (box.bottom - box.top - height) / 2;
  SetWindowPos(picture, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CAkPmeqPropPage::UpdateControls(int controlId) {
  CAkPropertyPage::UpdateControls(controlId);
  if (!Bound() || !Dialog()) return;
  const bool all = controlId == 0 || controlId == orlofx::kNotifyCommand;
  if (all || controlId == kStyleCombo) ShowFilterType(all);
  if (all || controlId == kAccuracyCombo) ShowAccuracy(all);
}

void CAkPmeqPropPage::ShowFilterType(bool all) {
  long type = 0;
  if (FAILED(Eq()->GetFilterType(&type))) return;
  if (all) SelectItemWithData(GetDlgItem(Dialog(), kStyleCombo), type);
  if (type == shownType_) return;
  shownType_ = type;

  // Shelves have a cutoff and a transition; the band types a centre and a
  // band width. Other stored types (the filter keeps any) act as a plain gain:
  // their sliders do nothing, so they keep the band labels and no picture.
  const bool shelf = type == 0 || type == 1;
  SetDlgItemTextW(Dialog(), kFrequencyLabel,
                  orlofx::LabelText(shelf ? orlofx::sid::kCutoffFrequencyLabel
                                          : orlofx::sid::kCenterFrequencyLabel,
                                    kFrequencyRange.numbers, 2)
                      .c_str());
  SetDlgItemTextW(Dialog(), kWidthLabel,
                  orlofx::LabelText(shelf ? orlofx::sid::kTransitionWidthLabel
                                          : orlofx::sid::kBandWidthLabel,
                                    kWidthRange.numbers, 2)
                      .c_str());
  HWND picture = GetDlgItem(Dialog(), kShapePicture);
  if (!picture) return;
  // Only the four shapes: any other type would name an unrelated resource.
  if (type >= 0 && type < kShapeCount) {
    SendMessageW(picture, orlofx::kStaticLoadBitmap, 0,
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFirstShapeBitmap + type)));
  } else {
    SendMessageW(picture, orlofx::kStaticSetBitmap, 0, 0);
  }
}

void CAkPmeqPropPage::ShowAccuracy(bool all) {
  long accuracy = 0;
  if (!all || FAILED(Eq()->GetAccuracy(&accuracy))) return;
  SelectItemWithData(GetDlgItem(Dialog(), kAccuracyCombo), accuracy);
}

void CAkPmeqPropPage::OnStyleChosen() {
  long type = 0;
  if (SelectedData(GetDlgItem(Dialog(), kStyleCombo), &type) &&
      SUCCEEDED(Eq()->SetFilterType(type)))
    NotifyOtherPages();
  UpdateControls(0);
}

void CAkPmeqPropPage::OnAccuracyChosen() {
  long accuracy = 0;
  if (SelectedData(GetDlgItem(Dialog(), kAccuracyCombo), &accuracy) &&
      SUCCEEDED(Eq()->SetAccuracy(accuracy)))
    NotifyOtherPages();
  UpdateControls(kAccuracyCombo);
}

void CAkPmeqPropPage::OnWidthEdited() {
  constexpr int kMaxEditText = 40;
  WCHAR text[kMaxEditText + 1] = {};
  GetDlgItemTextW(Dialog(), kWidthEdit, text, kMaxEditText + 1);
  if (SUCCEEDED(Eq()->SetWidth(ParseWidthTenths(text)))) NotifyOtherPages();
  UpdateControls(kWidthEdit);
}

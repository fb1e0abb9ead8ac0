// Labels that hold numbers ("A&ttack time (1 to 500 ms):", "1.3k"), composed
// at run time. The template comes from the string table in the page's
// language; the numbers are laid out by the locale formatting of the values
// beside them, so that a page never shows "15.000" in a label next to
// "1,000" in an edit box.
#pragma once

#include <windows.h>

#include <climits>
#include <initializer_list>
#include <string>

#include "framework/parameters.h"

namespace orlofx {

// value / 10^decimals with `decimals` digits after the locale's decimal
// separator, digits grouped ("15,000", "-0.1", "2.5"); kLabelMinusInfinity
// reads "-Inf." (string 48378), as a level value at its floor does.
struct LabelNumber {
  long value;
  int decimals;
};
constexpr long kLabelMinusInfinity = LONG_MIN;

// A label of a dialog: its control, the string id of its template (one
// "%s" per number, in order; 0 for the number alone) and its numbers.
struct PageLabel {
  int controlId;
  int templateId;
  LabelNumber numbers[2];
  int count;
};

// String ids of the number templates every page shares.
constexpr int kKiloTemplate = 7450;       // "%sk": a frequency in kHz
constexpr int kDecibelTemplate = 7451;    // "dB %s": the 0 dB caption of a scale
constexpr int kPlusTemplate = 7452;       // "+%s": a gain above 0 dB
constexpr int kDecibelBelowTemplate = 7453;  // "%s\ndB"

std::wstring FormatLabelNumber(const LabelNumber& number);

// A field's value as a label shows it, in the unit a user reads: a field in
// tenths shows whole units where it can, else one decimal.
constexpr LabelNumber LabelValue(const ParameterDescriptor& row, long value) {
  if (!row.InTenths()) return {value, 0};
  return value % 10 == 0 ? LabelNumber{value / 10, 0} : LabelNumber{value, 1};
}

// A label with a field's range, "(min to max)": a silent minimum reads "-Inf.".
constexpr PageLabel RangeLabel(int controlId, int templateId, const ParameterDescriptor& row) {
  return {controlId,
          templateId,
          {row.page.minimumIsSilence ? LabelNumber{kLabelMinusInfinity, 0}
                                     : LabelValue(row, row.minimum),
           LabelValue(row, row.maximum)},
          2};
}

// `format` with each "%s" replaced by the next of `args`; any other text,
// and a "%s" for which no argument is left, stays as it is.
std::wstring FillIn(const std::wstring& format, std::initializer_list<std::wstring> args);

// Template `templateId` in the current language filled with the numbers.
std::wstring LabelText(int templateId, const LabelNumber* numbers, int count);
std::wstring LabelText(const PageLabel& label);

// Writes each label's text into its control of `dialog`; labels whose
// control the dialog lacks are skipped.
void SetPageLabels(HWND dialog, const PageLabel* labels, int count);

}  // namespace orlofx

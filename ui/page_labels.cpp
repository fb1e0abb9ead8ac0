#include "ui/page_labels.h"

#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"

namespace orlofx {

std::wstring FormatLabelNumber(const LabelNumber& number) {
  if (number.value == kLabelMinusInfinity) return LoadWideString(sid::kLevelMinusInfinity);
  if (number.decimals <= 0) return FormatIntegerW(number.value, true);
  return FormatLevelW(number.value, number.decimals, 0, nullptr);
}

std::wstring FillIn(const std::wstring& format, std::initializer_list<std::wstring> args) {
  std::wstring out;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == L'%' && i + 1 < format.size() && format[i + 1] == L's' && next != args.end()) {
      out += *next++;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

std::wstring LabelText(int templateId, const LabelNumber* numbers, int count) {
  const std::wstring first = count > 0 ? FormatLabelNumber(numbers[0]) : std::wstring();
  if (templateId == 0) return first;
  const std::wstring second = count > 1 ? FormatLabelNumber(numbers[1]) : std::wstring();
  const std::wstring format = LoadWideString(templateId);
  return count > 1 ? FillIn(format, {first, second}) : count > 0 ? FillIn(format, {first}) : format;
}

std::wstring LabelText(const PageLabel& label) {
  return LabelText(label.templateId, label.numbers, label.count);
}

void SetPageLabels(HWND dialog, const PageLabel* labels, int count) {
  for (int i = 0; i < count; ++i) {
    HWND control = GetDlgItem(dialog, labels[i].controlId);
    if (control) SetWindowTextW(control, LabelText(labels[i]).c_str());
  }
}

}  // namespace orlofx

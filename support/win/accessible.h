// Answers WM_GETOBJECT for the custom controls, so that a screen reader can
// name a control and read its value: an IAccessible with the control's own
// name, value and role over the system's standard object for the window
// (position, state, navigation). oleacc is loaded when first asked for, so
// the module imports nothing more.
#pragma once

#include <windows.h>

#include <string>

namespace orlofx {

// What one control says about itself.
struct AccessibleInfo {
  LONG role;                                    // ROLE_SYSTEM_SLIDER, _CHART, _PROGRESSBAR
  std::wstring (*value)(HWND control);          // the value as the control or its page shows it
};

// The reply to WM_GETOBJECT for `control` (its client object), or 0 when
// another object is asked for or oleacc cannot be had.
LRESULT AnswerGetObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleInfo& info);

// A control's accessible name: its own window text when it has one, else
// the text of the label a page gave it (kLabelWindowProperty), else the
// nearest static with text before it in the tab order, up to the previous
// control. "&" and line breaks are dropped.
std::wstring AccessibleName(HWND control);

// The text as a screen reader says it: without the access key's "&", line
// breaks as spaces.
std::wstring SpokenText(const std::wstring& text);

// The window properties a page sets on a slider: the window that shows its
// value (a value text or an edit box) and its label, for what a screen
// reader says of it. The slider removes them when it goes.
inline constexpr wchar_t kValueWindowProperty[] = L"orlofx.valueWindow";
inline constexpr wchar_t kLabelWindowProperty[] = L"orlofx.labelWindow";

}  // namespace orlofx

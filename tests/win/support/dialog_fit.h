// Whether a dialog's texts fit their controls: each static text, button,
// check box, radio button and group box measured with its own font (a text
// that fits only because the control breaks a line where the text has no
// line break counts as not fitting), visible controls that overlap, and
// controls outside the dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Creates dialog `dialogId` of `module` from its template in exactly
// `language` (no fallback), hidden, and returns one message per problem
// (naming dialog, language, control id and text); empty when everything
// fits. A missing template is a problem too. The module's control classes
// must be registered (load orlofx.dll first).
std::vector<std::string> DialogFitProblems(HMODULE module, int dialogId, LANGID language);

// The same judgement on a dialog that exists already, with the texts it
// shows now (captions a page sets at run time); `name` starts each message.
std::vector<std::string> WindowFitProblems(HWND dialog, const std::string& name);

// Access keys ("&x") that more than one control of `dialog` uses (each
// then leads nowhere certain); `name` starts each message.
std::vector<std::string> MnemonicProblems(HWND dialog, const std::string& name);

// Numbers in the texts of `dialog`'s labels, buttons and check boxes that
// are not laid out by the user's locale (LOCALE_USER_DEFAULT, as the values
// are): a number is digits in groups of three behind the locale's group
// separator and at most one decimal behind its decimal separator, so that
// "15.000" or "0,3" in a US English locale is a problem.
std::vector<std::string> NumberLayoutProblems(HWND dialog, const std::string& name);

// The languages every dialog comes in: US English, German, French, Japanese.
inline constexpr LANGID kDialogLanguages[] = {0x0409, 0x0407, 0x040C, 0x0411};

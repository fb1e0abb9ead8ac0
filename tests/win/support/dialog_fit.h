// Whether a dialog's texts fit their controls: each static text, button,
// check box, radio button and group box measured with its own font (a text
// that fits only because the control breaks a line where the text has none
// counts as not fitting), visible controls that overlap, controls outside
// the dialog; access keys used twice; numbers not laid out by the locale.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Creates dialog `dialogId` of `module` from its template in exactly
// `language` (no fallback), hidden, and returns one message per problem
// (naming dialog, language, control id and text); empty when everything
// fits. The module's control classes must be registered (load it first).
std::vector<std::string> DialogFitProblems(HMODULE module, int dialogId, LANGID language);

// The same judgement on a dialog that exists already, with the texts it
// shows now; `name` starts each message.
std::vector<std::string> WindowFitProblems(HWND dialog, const std::string& name);

// Access keys ("&x") that more than one control of `dialog` uses.
std::vector<std::string> MnemonicProblems(HWND dialog, const std::string& name);

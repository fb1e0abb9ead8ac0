// The module's About box (dialog 710): the logo bar, the effect's name, the
// version line and a link to the maker's web site.
#pragma once

#include <windows.h>

#include <string>

namespace orlofx {

constexpr int kAboutDialogId = 710;
constexpr int kAboutNameId = 711;
constexpr int kAboutVersionId = 712;
constexpr int kAboutLinkId = 713;

// "Version 1.0.000 (x64)": the version line of string 7009 filled in with
// this build's version and the processor it was built for.
std::wstring AboutVersionLine();

// Shows the box modal to `owner` for the effect named by string nameId.
void ShowAboutBox(HWND owner, int nameId);

}  // namespace orlofx

// The module's two help files and the calls that show them.
//
// Both are named after the module with the extension replaced: ".hlp" for
// the context popups of the page controls (WinHelp) and ".chm" for the topics
// of the Help command (HTML Help). Each is looked for first in the folder
// named by the HelpFolder value under
// HKEY_LOCAL_MACHINE\Software\Orlomedia\Shared Information, then beside the
// module. A file that does not exist is simply not shown.
#pragma once

#include <windows.h>

#include <string>

namespace orlofx {

struct HelpFiles {
  std::wstring winHelp;   // ".hlp"
  std::wstring htmlHelp;  // ".chm"
};

// The help file for modulePath with `extension` (".hlp", ".chm"): in
// helpFolder when that names a folder holding the file, else beside the
// module (whether or not it exists there).
std::wstring HelpFilePath(const std::wstring& modulePath, const std::wstring& helpFolder,
                          const wchar_t* extension);

// The HelpFolder registry value, or "" when it is not set.
std::wstring RegistryHelpFolder();

// Resolves both files for `module` and keeps them for the whole process.
HelpFiles ResolveHelpFiles(HMODULE module);
// The files last resolved (empty before the first ResolveHelpFiles).
HelpFiles CurrentHelpFiles();

bool FileExists(const std::wstring& path);

// A context popup for `contextId` over `window`; nothing without the file.
void ShowContextPopup(HWND window, DWORD contextId);
// Tells WinHelp that `window` goes away; nothing without the file.
void ReleaseWinHelp(HWND window);
// Opens the HTML-Help file at `topic` and brings its window to the top;
// nothing without the file or the help engine.
void ShowHelpTopic(DWORD topic);

}  // namespace orlofx

#include "ui/about_box.h"

#include <shellapi.h>

#include <cstdio>

#include "framework/win/baseclasses/dll_entry.h"
#include "framework/win/baseclasses/property_page.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"
#include "ui/page_frame.h"

namespace orlofx {

namespace {

// What the link static reports when it is clicked or activated with Space.
constexpr UINT kLinkActivated = static_cast<UINT>(-105);
constexpr int kMaxLink = 260;

#if defined(_WIN64)
constexpr char kBuildPlatform[] = "x64";
#else
constexpr char kBuildPlatform[] = "x86";
#endif

void OpenLink(HWND dialog, HWND link) {
  WCHAR address[kMaxLink] = {};
  GetWindowTextW(link, address, kMaxLink);
  if (address[0]) ShellExecuteW(dialog, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const std::wstring name = LoadWideString(static_cast<int>(lParam));
      if (HWND bar = GetDlgItem(dialog, kLogoBarId)) {
        SendMessageW(bar, LGM_RESET, 0, 0);
        SetWindowTextW(bar, RemoveBrandWord(name).c_str());
      }
      SetDlgItemTextW(dialog, kAboutNameId, name.c_str());
      SetDlgItemTextW(dialog, kAboutVersionId, AboutVersionLine().c_str());
      // The link only while the site has a real address.
      if (HWND link = GetDlgItem(dialog, kAboutLinkId)) {
        const std::wstring site = MakerSiteAddress();
        SetWindowTextW(link, site.c_str());
        if (site.empty()) {
          ShowWindow(link, SW_HIDE);
          EnableWindow(link, FALSE);
        }
      }
      // OK, not the link, takes the first keystroke.
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->idFrom == kAboutLinkId && header->code == kLinkActivated) {
        OpenLink(dialog, header->hwndFrom);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::wstring AboutVersionLine() {
  char line[160] = {};
  std::snprintf(line, sizeof line, LoadString(sid::kVersionLine),
                static_cast<unsigned>(ORLOFX_VERSION_MAJOR),
                static_cast<unsigned>(ORLOFX_VERSION_MINOR),
                static_cast<unsigned>(ORLOFX_VERSION_PATCH), kBuildPlatform);
  return Utf8ToWide(line);
}

void ShowAboutBox(HWND owner, int nameId) {
  const DLGTEMPLATE* dialog = LoadModuleDialog(kAboutDialogId);
  if (!dialog) return;
  DialogBoxIndirectParamW(g_hInst, dialog, owner, AboutProc, nameId);
}

}  // namespace orlofx

#include "ui/help_files.h"

#include "support/platform.h"

namespace orlofx {

namespace {

constexpr wchar_t kSharedInformationKey[] = L"Software\\Orlomedia\\Shared Information";
constexpr wchar_t kHelpFolderValue[] = L"HelpFolder";
constexpr UINT kHtmlHelpContext = 0x000F;  // HH_HELP_CONTEXT

CriticalSection g_lock;
HelpFiles g_files;

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring WithExtension(const std::wstring& path, const wchar_t* extension) {
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name + extension;
}

std::wstring WithSlash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

}  // namespace

std::wstring HelpFilePath(const std::wstring& modulePath, const std::wstring& helpFolder,
                          const wchar_t* extension) {
  const std::wstring name = WithExtension(modulePath, extension);
  if (!helpFolder.empty()) {
    const std::wstring inFolder = WithSlash(helpFolder) + name;
    if (FileExists(inFolder)) return inFolder;
  }
  return FolderOf(modulePath) + name;
}

std::wstring RegistryHelpFolder() {
  WCHAR folder[MAX_PATH] = {};
  DWORD size = sizeof(folder) - sizeof(WCHAR);
  const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, kSharedInformationKey, kHelpFolderValue,
                                      RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, folder, &size);
  if (status != ERROR_SUCCESS) return std::wstring();
  return folder;
}

HelpFiles ResolveHelpFiles(HMODULE module) {
  WCHAR path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  HelpFiles files;
  if (length > 0 && length < MAX_PATH) {
    const std::wstring folder = RegistryHelpFolder();
    files.winHelp = HelpFilePath(path, folder, L".hlp");
    files.htmlHelp = HelpFilePath(path, folder, L".chm");
  }
  ScopedLock lock(g_lock);
  g_files = files;
  return files;
}

HelpFiles CurrentHelpFiles() {
  ScopedLock lock(g_lock);
  return g_files;
}

bool FileExists(const std::wstring& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ShowContextPopup(HWND window, DWORD contextId) {
  const std::wstring file = CurrentHelpFiles().winHelp;
  if (FileExists(file)) WinHelpW(window, file.c_str(), HELP_CONTEXTPOPUP, contextId);
}

void ReleaseWinHelp(HWND window) {
  const std::wstring file = CurrentHelpFiles().winHelp;
  if (FileExists(file)) WinHelpW(window, file.c_str(), HELP_QUIT, 0);
}

void ShowHelpTopic(DWORD topic) {
  const std::wstring file = CurrentHelpFiles().htmlHelp;
  if (!FileExists(file)) return;
  // The help engine is loaded on first use only: most sessions never open it.
  static HMODULE engine = LoadLibraryW(L"hhctrl.ocx");
  if (!engine) return;
  using HtmlHelpProc = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  auto htmlHelp = reinterpret_cast<HtmlHelpProc>(
      reinterpret_cast<void*>(GetProcAddress(engine, "HtmlHelpW")));
  if (!htmlHelp) return;
  HWND help = htmlHelp(GetDesktopWindow(), file.c_str(), kHtmlHelpContext, topic);
  if (help) {
    SetWindowPos(help, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(help);
  }
}

}  // namespace orlofx

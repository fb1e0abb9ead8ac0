#include "tests/win/support/module_under_test.h"

#include <map>

ModuleUnderTest::ModuleUnderTest() : module_(LoadLibraryW(L"orlofx.dll")) {}

void ModuleUnderTest::Unload() {
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
}

std::wstring ModuleUnderTest::Path() const {
  wchar_t path[MAX_PATH * 2] = {};
  GetModuleFileNameW(module_, path, MAX_PATH * 2);
  return path;
}

HRESULT ModuleUnderTest::GetClassObject(REFCLSID classId, REFIID iid, void** object) {
  using Fn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  FARPROC proc = module_ ? GetProcAddress(module_, "DllGetClassObject") : nullptr;
  return proc ? reinterpret_cast<Fn>(reinterpret_cast<void*>(proc))(classId, iid, object) : E_UNEXPECTED;
}

HRESULT ModuleUnderTest::Call(const char* name) {
  using Fn = HRESULT(WINAPI*)();
  FARPROC proc = module_ ? GetProcAddress(module_, name) : nullptr;
  return proc ? reinterpret_cast<Fn>(reinterpret_cast<void*>(proc))() : E_UNEXPECTED;
}

HRESULT ModuleUnderTest::CreateRaw(REFCLSID classId, REFIID iid, void** object) {
  IClassFactory* factory = nullptr;
  HRESULT hr = GetClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, iid, object);
  factory->Release();
  return hr;
}

namespace {

std::map<HWND, std::basic_string<DWORD>>& Received() {
  static std::map<HWND, std::basic_string<DWORD>> received;
  return received;
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COMMAND) return DefWindowProcW(window, message, wParam, lParam);
  Received()[window].push_back(static_cast<DWORD>(wParam));
  return 0;
}

}  // namespace

NotificationWindow::NotificationWindow() {
  static const wchar_t* const kClass = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"orlofxTestNotificationWindow";
    RegisterClassW(&wc);
    return wc.lpszClassName;
  }();
  window_ = CreateWindowW(kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

NotificationWindow::~NotificationWindow() {
  if (window_) DestroyWindow(window_);
  Received().erase(window_);
}

std::basic_string<DWORD> NotificationWindow::Take() {
  for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  std::basic_string<DWORD> out;
  out.swap(Received()[window_]);
  return out;
}

#include "tests/win/support/module_under_test.h"

#include <map>

ModuleUnderTest::ModuleUnderTest() {
  module_ = LoadLibraryW(L"orlofx.dll");
  if (!module_) return;
  getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  canUnloadNow_ = reinterpret_cast<decltype(canUnloadNow_)>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
}

ModuleUnderTest::~ModuleUnderTest() {
  if (module_) FreeLibrary(module_);
}

HRESULT ModuleUnderTest::GetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (!getClassObject_) return E_UNEXPECTED;
  return getClassObject_(classId, iid, object);
}

HRESULT ModuleUnderTest::CanUnloadNow() { return canUnloadNow_ ? canUnloadNow_() : E_UNEXPECTED; }

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
  if (message == WM_COMMAND) {
    Received()[window].push_back(static_cast<DWORD>(wParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* RegisterRecordingClass() {
  static const wchar_t* name = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"orlofxTestNotificationWindow";
    RegisterClassW(&wc);
    return wc.lpszClassName;
  }();
  return name;
}

}  // namespace

NotificationWindow::NotificationWindow() {
  window_ = CreateWindowW(RegisterRecordingClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
}

NotificationWindow::~NotificationWindow() {
  if (window_) DestroyWindow(window_);
  Received().erase(window_);
}

std::basic_string<DWORD> NotificationWindow::Take() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  std::basic_string<DWORD> out;
  out.swap(Received()[window_]);
  return out;
}

// Loads orlofx.dll from the test's folder, as a host does, and creates its
// objects through the module's own class factories.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

class ModuleUnderTest {
 public:
  ModuleUnderTest();
  ~ModuleUnderTest() { Unload(); }
  ModuleUnderTest(const ModuleUnderTest&) = delete;
  ModuleUnderTest& operator=(const ModuleUnderTest&) = delete;

  bool Loaded() const { return module_ != nullptr; }
  HMODULE Handle() const { return module_; }
  void Unload();
  std::wstring Path() const;

  // The module's exports.
  HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** object);
  HRESULT CanUnloadNow() { return Call("DllCanUnloadNow"); }
  HRESULT Register() { return Call("DllRegisterServer"); }
  HRESULT Unregister() { return Call("DllUnregisterServer"); }

  // Creates an object of the class through its class factory (no outer).
  template <typename T>
  HRESULT Create(REFCLSID classId, REFIID iid, T** object) {
    return CreateRaw(classId, iid, reinterpret_cast<void**>(object));
  }

 private:
  HRESULT CreateRaw(REFCLSID classId, REFIID iid, void** object);
  HRESULT Call(const char* name);
  HMODULE module_ = nullptr;
};

// A window that records the WM_COMMAND messages posted to it.
class NotificationWindow {
 public:
  NotificationWindow();
  ~NotificationWindow();
  HWND Handle() const { return window_; }
  // Pumps this thread's queue and returns the (id, code) pairs received since
  // the last call, oldest first, each packed as MAKELONG(id, code).
  std::basic_string<DWORD> Take();

 private:
  HWND window_ = nullptr;
};

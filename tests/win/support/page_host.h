// Hosting a property page as a host does: a property-page site, a window to
// put the page in, and the user's actions on the page's controls as the
// window messages they produce.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/win/support/module_under_test.h"

// Handles this thread's pending messages (posted notifications among them).
void PumpMessages();
// Pumps messages (page timers among them) until `done` or about `limitMs`.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 4000);

// IPropertyPageSite that counts the references it hands out.
class TestPageSite : public IPropertyPageSite {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IPropertyPageSite ? this : nullptr;
    return *object ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP OnStatusChange(DWORD) override { return ++statusChanges, S_OK; }
  STDMETHODIMP GetLocaleID(LCID* locale) override { return *locale = 0x0409, S_OK; }
  STDMETHODIMP GetPageContainer(IUnknown** container) override { return *container = nullptr, E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }
  ULONG refs = 0;
  int statusChanges = 0;
};

// A visible top-level window that holds pages.
class HostWindow {
 public:
  HostWindow(int width = 460, int height = 300);
  ~HostWindow();
  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// One page object shown in a host window and bound to one filter.
class HostedPage {
 public:
  HostedPage() = default;
  ~HostedPage() { Close(); }
  HostedPage(const HostedPage&) = delete;
  HostedPage& operator=(const HostedPage&) = delete;

  // Creates the page, gives it the site, binds it to `filter` and shows it at
  // (x, y) in `parent`; with connectFirst false the dialog comes first.
  HRESULT Open(ModuleUnderTest& module, REFCLSID page, IUnknown* filter, HWND parent, bool connectFirst = true,
               int x = 0, int y = 0);
  // Deactivates, unbinds and releases the page (as a host closes it).
  void Close();

  IPropertyPage* Page() const { return page_; }
  TestPageSite& Site() { return site_; }
  HWND Dialog() const { return dialog_; }
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  std::wstring Text(int id) const;
  long SliderPosition(int id) const;  // as the control reports it

  // The user's typing (then Tab away), keys, clicks, list choices and
  // double-clicks on control `id`, each followed by the messages they cause.
  void Type(int id, const std::wstring& text);
  void Key(int id, UINT key, int times = 1) const;
  void Click(int id) const;
  void Choose(int id, int index) const;
  void DoubleClick(int id, int x, int y) const;

 private:
  IPropertyPage* page_ = nullptr;
  TestPageSite site_;
  HWND dialog_ = nullptr;
};

// Runs `action` from a thread timer every 50 ms while the calling thread is
// inside the modal loop (a menu, a dialog box) that `modal` starts, until it
// returns true, at most 200 times.
void RunWithTimer(const std::function<void()>& modal, const std::function<bool()>& action);

// The visible top-level window of this thread with the given class, or null.
HWND FindThreadWindow(const wchar_t* className, const wchar_t* title = nullptr);

// Records the given messages sent to a window (subclassing it) while alive.
class MessageRecorder {
 public:
  MessageRecorder(HWND window, std::vector<UINT> messages);
  ~MessageRecorder();
  struct Entry { UINT message; WPARAM wParam; LPARAM lParam; };
  std::vector<Entry> entries;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_;
  WNDPROC previous_;
  std::vector<UINT> messages_;
};

// What a screen reader hears of a control (oleacc); false when it answers
// with no object.
struct AccessibleText { std::wstring name, value; long role = 0; };
bool ReadAccessible(HWND control, AccessibleText* out);

// Repaints `window` and saves a PNG of it under the build tree; false when
// it painted nothing or no file was written.
bool CapturePage(HWND window, const std::string& name);

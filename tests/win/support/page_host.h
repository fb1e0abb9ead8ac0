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

// Pumps this thread's messages (page timers among them) until `done` or
// about `limitMs` have passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 4000);

// IPropertyPageSite that counts the references it hands out.
class TestPageSite : public IPropertyPageSite {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }
  STDMETHODIMP OnStatusChange(DWORD) override { ++statusChanges; return S_OK; }
  STDMETHODIMP GetLocaleID(LCID* locale) override;
  STDMETHODIMP GetPageContainer(IUnknown** container) override;
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

  ULONG References() const { return refs_; }
  int statusChanges = 0;

 private:
  ULONG refs_ = 0;
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
  HRESULT Open(ModuleUnderTest& module, REFCLSID page, IUnknown* filter, HWND parent,
               bool connectFirst = true, int x = 0, int y = 0);
  // Deactivates, unbinds and releases the page (as a host closes it).
  void Close();

  IPropertyPage* Page() const { return page_; }
  TestPageSite& Site() { return site_; }
  HWND Dialog() const { return dialog_; }
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  std::wstring Text(int id) const;
  // The slider's position as the control reports it.
  long SliderPosition(int id) const;

  // Types `text` into edit `id` as keystrokes and leaves the box with Tab.
  void Type(int id, const std::wstring& text);
  // The user's key presses, button clicks and list choices on control `id`,
  // each followed by the messages they caused.
  void Key(int id, UINT key, int times = 1) const;
  void Click(int id) const;
  void Choose(int id, int index) const;
  // A double-click (and the release after it) at client point (x, y).
  void DoubleClick(int id, int x, int y) const;

 private:
  IPropertyPage* page_ = nullptr;
  TestPageSite site_;
  HWND dialog_ = nullptr;
};

// The child dialog of `parent` that holds a control with id `controlId`.
HWND FindPageDialog(HWND parent, int controlId);

// Runs `action` from a thread timer while the calling thread is inside a
// modal loop (a menu, a dialog box) started by `modal`; the timer calls
// `action` every 50 ms until it returns true, at most 200 times.
void RunWithTimer(const std::function<void()>& modal, const std::function<bool()>& action);

// The visible top-level window of this thread with the given class, or null.
HWND FindThreadWindow(const wchar_t* className, const wchar_t* title = nullptr);

// Records messages sent to a window (subclassing it) while alive.
class MessageRecorder {
 public:
  MessageRecorder(HWND window, std::vector<UINT> messages);
  ~MessageRecorder();
  struct Entry {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  std::vector<Entry> entries;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_;
  WNDPROC previous_;
  std::vector<UINT> messages_;
};

// What a screen reader hears of a control: its client object's name, value
// and role (oleacc). False when the control answers with no object.
struct AccessibleText {
  std::wstring name;
  std::wstring value;
  long role = 0;
};
bool ReadAccessible(HWND control, AccessibleText* out);

// Repaints `window` and saves a PNG of it under the build tree; false when
// it painted nothing or no file was written.
bool CapturePage(HWND window, const std::string& name);

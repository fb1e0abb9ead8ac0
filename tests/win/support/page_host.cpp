#include "tests/win/support/page_host.h"

#include <oleacc.h>

#include "tests/win/support/capture.h"

void PumpMessages() {
  // Twice: handling one message may post the next (a page tells another).
  for (int round = 0; round < 2; ++round) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > limitMs) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpMessages();
  }
  return true;
}

// --- TestPageSite -------------------------------------------------------------

STDMETHODIMP TestPageSite::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertyPageSite) {
    *object = static_cast<IPropertyPageSite*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TestPageSite::GetLocaleID(LCID* locale) {
  if (!locale) return E_POINTER;
  *locale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
  return S_OK;
}

STDMETHODIMP TestPageSite::GetPageContainer(IUnknown** container) {
  if (container) *container = nullptr;
  return E_NOTIMPL;
}

// --- HostWindow ---------------------------------------------------------------

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC)
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* HostClass() {
  static const wchar_t* name = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"orlofxTestPageHost";
    RegisterClassW(&wc);
    return wc.lpszClassName;
  }();
  return name;
}

}  // namespace

HostWindow::HostWindow(int width, int height) {
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, HostClass(), L"Page host",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40, width,
                            height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  PumpMessages();
}

HostWindow::~HostWindow() {
  if (window_) DestroyWindow(window_);
  PumpMessages();
}

// --- HostedPage ---------------------------------------------------------------

HRESULT HostedPage::Open(ModuleUnderTest& module, REFCLSID page, IUnknown* filter, HWND parent,
                         bool connectFirst, int x, int y) {
  HRESULT hr = module.Create(page, IID_IPropertyPage, &page_);
  if (FAILED(hr)) return hr;
  hr = page_->SetPageSite(&site_);
  if (FAILED(hr)) return hr;
  PROPPAGEINFO info = {};
  hr = page_->GetPageInfo(&info);
  if (FAILED(hr)) return hr;
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszHelpFile);
  CoTaskMemFree(info.pszDocString);
  const RECT rect = {x, y, x + info.size.cx, y + info.size.cy};
  if (connectFirst) {
    hr = page_->SetObjects(1, &filter);
    if (FAILED(hr)) return hr;
  }
  hr = page_->Activate(parent, &rect, FALSE);
  if (FAILED(hr)) return hr;
  if (!connectFirst) {
    hr = page_->SetObjects(1, &filter);
    if (FAILED(hr)) return hr;
  }
  dialog_ = nullptr;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r = {};
    GetWindowRect(child, &r);
    POINT topLeft = {r.left, r.top};
    ScreenToClient(parent, &topLeft);
    if (topLeft.x == x && topLeft.y == y) dialog_ = child;
  }
  PumpMessages();
  return dialog_ ? S_OK : E_FAIL;
}

void HostedPage::Close() {
  if (!page_) return;
  page_->Deactivate();
  page_->SetObjects(0, nullptr);
  page_->SetPageSite(nullptr);
  page_->Release();
  page_ = nullptr;
  dialog_ = nullptr;
  PumpMessages();
}

void HostedPage::Key(int id, UINT key, int times) const {
  HWND control = Control(id);
  SetFocus(control);
  for (int i = 0; i < times; ++i) {
    SendMessageW(control, WM_KEYDOWN, key, 1);
    SendMessageW(control, WM_KEYUP, key, 0xC0000001);
  }
  PumpMessages();
}

void HostedPage::Click(int id) const {
  SendMessageW(Control(id), BM_CLICK, 0, 0);
  PumpMessages();
}

void HostedPage::DoubleClick(int id, int x, int y) const {
  SendMessageW(Control(id), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(Control(id), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  PumpMessages();
}

void HostedPage::Choose(int id, int index) const {
  HWND list = Control(id);
  SendMessageW(list, CB_SETCURSEL, index, 0);
  SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  PumpMessages();
}

std::wstring HostedPage::Text(int id) const {
  WCHAR text[256] = {};
  GetDlgItemTextW(dialog_, id, text, 256);
  return text;
}

long HostedPage::SliderPosition(int id) const {
  return static_cast<long>(static_cast<int>(SendMessageW(Control(id), 1546, 0, 0)));
}

void HostedPage::Type(int id, const std::wstring& text) {
  HWND edit = Control(id);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
  // Tab away, as the dialog manager does for the Tab key.
  SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);
  if (GetFocus() == edit) SetFocus(dialog_);
  PumpMessages();
}

HWND FindPageDialog(HWND parent, int controlId) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgItem(child, controlId)) return child;
    if (HWND inner = FindPageDialog(child, controlId)) return inner;
  }
  return nullptr;
}

// --- timers inside modal loops ------------------------------------------------

namespace {

struct TimerRun {
  const std::function<bool()>* action;
  int ticksLeft;
  bool done;
};
TimerRun* g_run = nullptr;

void CALLBACK TimerTick(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_run || g_run->done) return;
  if (--g_run->ticksLeft < 0 || (*g_run->action)()) g_run->done = true;
}

struct FindArgs {
  const wchar_t* className;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
  auto* args = reinterpret_cast<FindArgs*>(param);
  WCHAR name[64] = {};
  GetClassNameW(window, name, 64);
  if (!IsWindowVisible(window) || lstrcmpW(name, args->className) != 0) return TRUE;
  if (args->title) {
    WCHAR title[256] = {};
    GetWindowTextW(window, title, 256);
    if (!wcsstr(title, args->title)) return TRUE;
  }
  args->found = window;
  return FALSE;
}

}  // namespace

void RunWithTimer(const std::function<void()>& modal, const std::function<bool()>& action) {
  TimerRun run = {&action, 200, false};
  TimerRun* outer = g_run;
  g_run = &run;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, TimerTick);
  modal();
  KillTimer(nullptr, timer);
  g_run = outer;
}

HWND FindThreadWindow(const wchar_t* className, const wchar_t* title) {
  FindArgs args = {className, title, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindVisible, reinterpret_cast<LPARAM>(&args));
  if (!args.found) EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&args));
  return args.found;
}

// --- MessageRecorder ----------------------------------------------------------

namespace {
constexpr wchar_t kRecorderProperty[] = L"orlofxTestRecorder";
}

MessageRecorder::MessageRecorder(HWND window, std::vector<UINT> messages)
    : window_(window), previous_(nullptr), messages_(std::move(messages)) {
  if (!window_) return;
  SetPropW(window_, kRecorderProperty, this);
  previous_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageRecorder::Proc)));
}

MessageRecorder::~MessageRecorder() {
  if (!window_ || !IsWindow(window_)) return;
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  RemovePropW(window_, kRecorderProperty);
}

LRESULT CALLBACK MessageRecorder::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<MessageRecorder*>(GetPropW(window, kRecorderProperty));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  for (UINT m : self->messages_)
    if (m == message) self->entries.push_back(Entry{message, wParam, lParam});
  return CallWindowProcW(self->previous_, window, message, wParam, lParam);
}

bool CapturePage(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
  return SaveWindowPng(window, name.c_str());
}

bool ReadAccessible(HWND control, AccessibleText* out) {
  using FromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  static const FromWindow fromWindow = [] {
    HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
    return oleacc ? reinterpret_cast<FromWindow>(reinterpret_cast<void*>(GetProcAddress(oleacc, "AccessibleObjectFromWindow")))
                  : nullptr;
  }();
  if (!fromWindow) return false;
  IAccessible* accessible = nullptr;
  if (FAILED(fromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), reinterpret_cast<void**>(&accessible))) ||
      !accessible)
    return false;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  out->name = SUCCEEDED(accessible->get_accName(self, &text)) && text ? std::wstring(text, SysStringLen(text)) : L"";
  SysFreeString(text);
  text = nullptr;
  out->value = SUCCEEDED(accessible->get_accValue(self, &text)) && text ? std::wstring(text, SysStringLen(text)) : L"";
  SysFreeString(text);
  VARIANT role;
  VariantInit(&role);
  out->role = SUCCEEDED(accessible->get_accRole(self, &role)) && role.vt == VT_I4 ? role.lVal : 0;
  accessible->Release();
  return true;
}

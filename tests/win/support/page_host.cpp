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
  for (const DWORD start = GetTickCount(); !done(); PumpMessages()) {
    if (GetTickCount() - start > limitMs) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// A window procedure is stdcall on 32-bit Windows, which a lambda cannot be.
static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC)
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  return DefWindowProcW(window, message, wParam, lParam);
}

HostWindow::HostWindow(int width, int height) {
  static const wchar_t* const kClass = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"orlofxTestPageHost";
    RegisterClassW(&wc);
    return wc.lpszClassName;
  }();
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE;
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClass, L"Page host", style, 40, 40, width, height, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  PumpMessages();
}

HostWindow::~HostWindow() { DestroyWindow(window_), PumpMessages(); }

HRESULT HostedPage::Open(ModuleUnderTest& module, REFCLSID page, IUnknown* filter, HWND parent, bool connectFirst, int x,
                         int y) {
  HRESULT hr = module.Create(page, IID_IPropertyPage, &page_);
  PROPPAGEINFO info = {};
  if (SUCCEEDED(hr)) hr = page_->SetPageSite(&site_);
  if (SUCCEEDED(hr)) hr = page_->GetPageInfo(&info);
  if (FAILED(hr)) return hr;
  CoTaskMemFree(info.pszTitle), CoTaskMemFree(info.pszHelpFile);
  const RECT rect = {x, y, x + info.size.cx, y + info.size.cy};
  if (connectFirst && FAILED(hr = page_->SetObjects(1, &filter))) return hr;
  if (FAILED(hr = page_->Activate(parent, &rect, FALSE))) return hr;
  if (!connectFirst && FAILED(hr = page_->SetObjects(1, &filter))) return hr;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r = {};  // the page's dialog: the child at (x, y)
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    if (r.left == x && r.top == y) dialog_ = child;
  }
  PumpMessages();
  return dialog_ ? S_OK : E_FAIL;
}

void HostedPage::Close() {
  if (!page_) return;
  page_->Deactivate(), page_->SetObjects(0, nullptr), page_->SetPageSite(nullptr), page_->Release();
  page_ = nullptr, dialog_ = nullptr;
  PumpMessages();
}

std::wstring HostedPage::Text(int id) const {
  WCHAR text[256] = {};
  return std::wstring(text, GetDlgItemTextW(dialog_, id, text, 256));
}

long HostedPage::SliderPosition(int id) const { return static_cast<int>(SendMessageW(Control(id), 1546, 0, 0)); }

void HostedPage::Type(int id, const std::wstring& text) {
  HWND edit = Control(id);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
  SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);  // Tab away, as the dialog manager does
  if (GetFocus() == edit) SetFocus(dialog_);
  PumpMessages();
}

void HostedPage::Key(int id, UINT key, int times) const {
  SetFocus(Control(id));
  for (int i = 0; i < times; ++i)
    SendMessageW(Control(id), WM_KEYDOWN, key, 1), SendMessageW(Control(id), WM_KEYUP, key, 0xC0000001);
  PumpMessages();
}

void HostedPage::Click(int id) const { SendMessageW(Control(id), BM_CLICK, 0, 0), PumpMessages(); }

void HostedPage::Choose(int id, int index) const {
  SendMessageW(Control(id), CB_SETCURSEL, index, 0);
  SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
  PumpMessages();
}

void HostedPage::DoubleClick(int id, int x, int y) const {
  SendMessageW(Control(id), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(Control(id), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  PumpMessages();
}

static const std::function<bool()>* g_action = nullptr;
static int g_ticksLeft = 0;
static const wchar_t *g_class, *g_title;  // what FindVisible looks for

static void CALLBACK ActionTick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_action && (--g_ticksLeft < 0 || (*g_action)())) g_action = nullptr;
}

void RunWithTimer(const std::function<void()>& modal, const std::function<bool()>& action) {
  g_action = &action, g_ticksLeft = 200;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, ActionTick);
  modal();
  KillTimer(nullptr, timer);
  g_action = nullptr;
}

static BOOL CALLBACK FindVisible(HWND window, LPARAM found) {
  WCHAR name[64] = {}, title[256] = {};
  GetClassNameW(window, name, 64);
  GetWindowTextW(window, title, 256);
  if (!IsWindowVisible(window) || lstrcmpW(name, g_class) != 0 || (g_title && !wcsstr(title, g_title))) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND FindThreadWindow(const wchar_t* className, const wchar_t* title) {
  HWND found = nullptr;
  g_class = className, g_title = title;
  EnumThreadWindows(GetCurrentThreadId(), FindVisible, reinterpret_cast<LPARAM>(&found));
  if (!found) EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
  return found;
}

MessageRecorder::MessageRecorder(HWND window, std::vector<UINT> messages)
    : window_(window), previous_(nullptr), messages_(std::move(messages)) {
  SetPropW(window_, L"orlofxTestRecorder", this);
  previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
}

MessageRecorder::~MessageRecorder() {
  if (!IsWindow(window_)) return;
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  RemovePropW(window_, L"orlofxTestRecorder");
}

LRESULT CALLBACK MessageRecorder::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<MessageRecorder*>(GetPropW(window, L"orlofxTestRecorder"));
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
  static const auto fromWindow = reinterpret_cast<FromWindow>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"oleacc.dll"), "AccessibleObjectFromWindow")));
  IAccessible* accessible = nullptr;
  if (!fromWindow || FAILED(fromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&accessible))) || !accessible)
    return false;
  VARIANT self = {};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    BSTR value = nullptr;
    const bool got = SUCCEEDED((accessible->*get)(self, &value)) && value;
    std::wstring result = got ? std::wstring(value, SysStringLen(value)) : L"";
    SysFreeString(value);
    return result;
  };
  out->name = text(&IAccessible::get_accName);
  out->value = text(&IAccessible::get_accValue);
  VARIANT role = {};
  out->role = SUCCEEDED(accessible->get_accRole(self, &role)) && role.vt == VT_I4 ? role.lVal : 0;
  accessible->Release();
  return true;
}

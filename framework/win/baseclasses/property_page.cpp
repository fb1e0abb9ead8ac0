#include "framework/win/baseclasses/property_page.h"

#include <cwchar>

#include "framework/win/baseclasses/dll_entry.h"
#include "support/strings.h"
#include "support/win/module_resources.h"
#include "support/win/wide_text.h"

namespace {

// Before the first layout, and when the dialog cannot be measured.
constexpr SIZE kDefaultPageSize = {300, 150};
constexpr size_t kMaxTitle = 256;

// A copy of text in task memory, as COM out-parameters are given.
LPOLESTR TaskMemCopy(const std::wstring& text, size_t maxChars) {
  const size_t length = text.size() < maxChars ? text.size() : maxChars - 1;
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((length + 1) * sizeof(WCHAR)));
  if (!copy) return nullptr;
  std::wmemcpy(copy, text.data(), length);
  copy[length] = L'\0';
  return copy;
}

}  // namespace

CBasePropertyPage::CBasePropertyPage(LPCTSTR name, LPUNKNOWN outer, int dialogId, int titleId)
    : CUnknown(name, outer), m_DialogId(dialogId), m_TitleId(titleId) {}

CBasePropertyPage::~CBasePropertyPage() = default;

STDMETHODIMP CBasePropertyPage::NonDelegatingQueryInterface(REFIID iid, void** object) {
  CheckPointer(object, E_POINTER);
  if (iid == IID_IPropertyPage) return GetInterface(static_cast<IPropertyPage*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

STDMETHODIMP_(ULONG) CBasePropertyPage::NonDelegatingRelease() {
  const LONG count = InterlockedDecrement(&m_cRef);
  if (count != 0) return static_cast<ULONG>(count < 0 ? 0 : count);
  // Keep the page alive while it lets go of what the host left connected:
  // these calls may reach back into the page through its interfaces.
  m_cRef = 1;
  if (m_pPageSite) SetPageSite(nullptr);
  if (objectSet_) SetObjects(0, nullptr);
  if (m_hwnd) {
    DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
  }
  m_cRef = 0;
  delete this;
  return 0;
}

STDMETHODIMP CBasePropertyPage::SetPageSite(IPropertyPageSite* site) {
  if (site) {
    if (m_pPageSite) return E_UNEXPECTED;
    m_pPageSite = site;
    m_pPageSite->AddRef();
  } else {
    if (!m_pPageSite) return E_UNEXPECTED;
    m_pPageSite->Release();
    m_pPageSite = nullptr;
  }
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL /*modal*/) {
  CheckPointer(rect, E_POINTER);
  if (m_hwnd) return E_UNEXPECTED;
  m_hwnd = CreateModuleDialog(m_DialogId, parent, DialogProc, reinterpret_cast<LPARAM>(this));
  if (!m_hwnd) return E_OUTOFMEMORY;
  OnActivate();
  active_ = true;
  Move(rect);
  return Show(SW_SHOWNORMAL);
}

STDMETHODIMP CBasePropertyPage::Deactivate() {
  if (!m_hwnd) return E_UNEXPECTED;
  // Tab navigation must not enter a page that is going away.
  active_ = false;
  const LONG_PTR exStyle = GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE);
  SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_CONTROLPARENT));
  OnDeactivate();
  DestroyWindow(m_hwnd);
  m_hwnd = nullptr;
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  CheckPointer(info, E_POINTER);
  LPOLESTR title = TaskMemCopy(orlofx::LoadWideString(m_TitleId), kMaxTitle);
  if (!title) return E_OUTOFMEMORY;
  info->cb = sizeof(PROPPAGEINFO);
  info->pszTitle = title;
  info->size = MeasureDialog(kDefaultPageSize);
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count == 1) {
    if (!objects || !objects[0]) return E_POINTER;
    objectSet_ = true;
    return OnConnect(objects[0]);
  }
  if (count == 0) {
    objectSet_ = false;
    return OnDisconnect();
  }
  return E_UNEXPECTED;
}

STDMETHODIMP CBasePropertyPage::Show(UINT command) {
  if (!m_hwnd) return E_UNEXPECTED;
  if (command != SW_SHOW && command != SW_SHOWNORMAL && command != SW_HIDE) return E_INVALIDARG;
  ShowWindow(m_hwnd, static_cast<int>(command));
  InvalidateRect(m_hwnd, nullptr, TRUE);
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::Move(LPCRECT rect) {
  CheckPointer(rect, E_POINTER);
  if (!m_hwnd) return E_UNEXPECTED;
  MoveWindow(m_hwnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
             TRUE);
  return S_OK;
}

STDMETHODIMP CBasePropertyPage::Apply() {
  if (!objectSet_ || !m_pPageSite) return E_UNEXPECTED;
  if (!dirty_) return S_OK;
  const HRESULT hr = OnApplyChanges();
  if (SUCCEEDED(hr)) dirty_ = false;
  return hr;
}

void CBasePropertyPage::SetDirty() {
  dirty_ = true;
  if (m_pPageSite) m_pPageSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

INT_PTR CBasePropertyPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  // Some property frames clear WS_EX_CONTROLPARENT behind the page's back,
  // which leaves Tab unable to enter the page: keep it while active.
  if (message == WM_STYLECHANGING && wParam == static_cast<WPARAM>(GWL_EXSTYLE) && active_) {
    reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew |= WS_EX_CONTROLPARENT;
  }
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

INT_PTR CALLBACK CBasePropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  CBasePropertyPage* page = nullptr;
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    page = reinterpret_cast<CBasePropertyPage*>(lParam);
    if (!page) return TRUE;
    page->m_Dlg = window;
  } else {
    page = reinterpret_cast<CBasePropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!page) return FALSE;
  }
  const INT_PTR result = page->OnReceiveMessage(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, DWLP_USER, 0);
  return result;
}

SIZE CBasePropertyPage::MeasureDialog(SIZE fallback) const {
  HWND probe = CreateModuleDialog(m_DialogId, GetDesktopWindow(), DialogProc, 0);
  if (!probe) return fallback;
  RECT rect = {};
  GetWindowRect(probe, &rect);
  DestroyWindow(probe);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

const DLGTEMPLATE* LoadModuleDialog(int dialogId) {
  // The host's language (SetLanguage), then English; never the thread's.
  HRSRC found = orlofx::FindModuleResource(g_hInst, MAKEINTRESOURCEW(5) /* RT_DIALOG */,
                                           MAKEINTRESOURCEW(static_cast<WORD>(dialogId)));
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(g_hInst, found);
  return loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

HWND CBasePropertyPage::CreateModuleDialog(int dialogId, HWND parent, DLGPROC procedure,
                                           LPARAM param) {
  const DLGTEMPLATE* dialog = LoadModuleDialog(dialogId);
  if (!dialog) return nullptr;
  return CreateDialogIndirectParamW(g_hInst, dialog, parent, procedure, param);
}

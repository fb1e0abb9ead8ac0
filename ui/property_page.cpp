#include "ui/property_page.h"

#include <windowsx.h>

#include <climits>
#include <cwchar>
#include <vector>

#include "framework/notifier.h"
#include "framework/win/baseclasses/dll_entry.h"
#include "support/platform.h"
#include "support/strings/string_ids.h"
#include "support/win/accessible.h"
#include "support/win/wide_text.h"
#include "ui/about_box.h"
#include "ui/help_files.h"
#include "ui/page_frame.h"

namespace orlofx {

namespace {

constexpr SIZE kDefaultPageSize = {300, 150};
constexpr size_t kMaxTitle = 256;
constexpr size_t kHelpPathBlock = 520;  // wide characters handed to the frame
constexpr size_t kMaxHelpPath = 260;
constexpr int kMaxEditText = 40;

// Open pages by filter, so that a change on one page reaches the others of
// the same filter. Pages may live on different threads of the host, hence
// the lock; posting to another page's window never waits for it.
struct OpenPage {
  CAkPropertyPage* page;
  IUnknown* filter;  // identity only: compared, never called
  HWND dialog;
};
CriticalSection g_pagesLock;
std::vector<OpenPage> g_pages;

IUnknown* IdentityOf(IUnknown* object) {
  IUnknown* identity = nullptr;
  if (!object || FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))))
    return nullptr;
  identity->Release();
  return identity;
}

LPOLESTR TaskMemCopy(const std::wstring& text, size_t maxChars, size_t blockChars) {
  const size_t length = text.size() < maxChars ? text.size() : maxChars - 1;
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(blockChars * sizeof(WCHAR)));
  if (!copy) return nullptr;
  std::wmemset(copy, L'\0', blockChars);
  std::wmemcpy(copy, text.data(), length);
  return copy;
}

bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

}  // namespace

CAkPropertyPage::CAkPropertyPage(LPCTSTR name, LPUNKNOWN outer,
                                 const PageDescription& description)
    : CBasePropertyPage(name, outer, description.dialogId, description.titleId),
      description_(description) {}

CAkPropertyPage::~CAkPropertyPage() {
  Unregister();
  if (property_) property_->Release();
}

STDMETHODIMP CAkPropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  CheckPointer(info, E_POINTER);
  LPOLESTR title = TaskMemCopy(LoadWideString(m_TitleId), kMaxTitle, kMaxTitle);
  if (!title) return E_OUTOFMEMORY;
  const HelpFiles files = ResolveHelpFiles(g_hInst);
  LPOLESTR helpFile = TaskMemCopy(files.htmlHelp, kMaxHelpPath, kHelpPathBlock);
  if (!helpFile) {
    CoTaskMemFree(title);
    return E_OUTOFMEMORY;
  }
  info->cb = sizeof(PROPPAGEINFO);
  info->pszTitle = title;
  info->size = MeasureDialog(kDefaultPageSize);
  info->pszDocString = nullptr;
  info->pszHelpFile = helpFile;
  info->dwHelpContext = 0;
  return S_OK;
}

HRESULT CAkPropertyPage::OnConnect(IUnknown* object) {
  CheckPointer(object, E_POINTER);
  if (property_) OnDisconnect();
  connected_ = object;
  if (FAILED(object->QueryInterface(*description_.propertyInterface,
                                    reinterpret_cast<void**>(&property_)))) {
    property_ = nullptr;
    connected_ = nullptr;
    return E_NOINTERFACE;
  }
  if (m_Dlg) {
    SetNotifyWindow(m_Dlg, kNotifyCommand);
    UpdateControls(0);
  }
  Register();
  return S_OK;
}

HRESULT CAkPropertyPage::OnDisconnect() {
  if (!property_) return E_UNEXPECTED;
  if (m_Dlg) SetNotifyWindow(m_Dlg, 0);
  property_->Release();
  property_ = nullptr;
  connected_ = nullptr;
  Register();
  return S_OK;
}

HRESULT CAkPropertyPage::OnActivate() {
  if (m_hwnd) {
    const LONG_PTR exStyle = GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE, exStyle | WS_EX_CONTROLPARENT);
  }
  return S_OK;
}

HRESULT CAkPropertyPage::OnDeactivate() {
  if (m_hwnd) {
    const LONG_PTR exStyle = GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_CONTROLPARENT));
  }
  return S_OK;
}

INT_PTR CAkPropertyPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      m_Dlg = window;
      if (Bound()) SetNotifyWindow(window, kNotifyCommand);
      InitControls();
      UpdateControls(0);
      Register();
      return TRUE;
    case WM_DESTROY:
      if (Bound()) SetNotifyWindow(window, 0);
      ReleaseWinHelp(window);
      m_Dlg = nullptr;
      Register();
      return FALSE;
    case WM_COMMAND:
      if (Bound()) OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (Bound())
        OnScroll(LOWORD(wParam), message == WM_VSCROLL, reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_HELP:
      OnHelp(reinterpret_cast<const HELPINFO*>(lParam));
      return TRUE;
    case WM_CONTEXTMENU:
      ShowPageMenu(lParam);
      // Handled: the host's window must not show a menu of its own as well.
      return TRUE;
    default:
      return CBasePropertyPage::OnReceiveMessage(window, message, wParam, lParam);
  }
}

void CAkPropertyPage::InitControls() {
  for (int i = 0; i < description_.groupCount; ++i) {
    const ParameterDescriptor& row = *description_.groups[i].row;
    HWND control = GetDlgItem(m_Dlg, description_.groups[i].sliderId);
    if (!control) continue;
    // The range first: a range change resets the default.
    SendMessageW(control, SLM_SETMIN, 0, row.minimum);
    SendMessageW(control, SLM_SETMAX, 0, row.maximum);
    SendMessageW(control, SLM_SETDEFAULT, 0, row.controlDefault);
  }
  SetPageLabels(m_Dlg, description_.labels, description_.labelCount);
  NameSliders();
  SetupLogoBar(m_Dlg, kLogoBarId, description_.nameId);
}

bool CAkPropertyPage::IsValueWindow(HWND window) const {
  const int id = GetDlgCtrlID(window);
  for (int i = 0; i < description_.groupCount; ++i)
    if (description_.groups[i].textId == id) return true;
  return false;
}

void CAkPropertyPage::NameSliders() {
  for (int i = 0; i < description_.groupCount; ++i) {
    const ValueGroup& group = description_.groups[i];
    HWND slider = GetDlgItem(m_Dlg, group.sliderId);
    if (!slider) continue;
    SetPropW(slider, kValueWindowProperty, GetDlgItem(m_Dlg, group.textId));
    // The slider's label: the text before it in the tab order, passing value
    // texts and the sliders of its own row, which share one label ("Gain"
    // stands once before four band faders); a check box that switches the
    // sliders after it (a shelf's) labels them too.
    WCHAR sliderClass[64] = {};
    GetClassNameW(slider, sliderClass, 64);
    for (HWND w = GetWindow(slider, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
      WCHAR cls[64] = {};
      GetClassNameW(w, cls, 64);
      if (IsValueWindow(w) || _wcsicmp(cls, sliderClass) == 0) continue;
      const bool checkBox = _wcsicmp(cls, L"Button") == 0 &&
                            (SendMessageW(w, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) &&
                            !(SendMessageW(w, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
      if (_wcsicmp(cls, L"Static") == 0 || checkBox) {
        // Kept as a window, read when asked: some labels follow a setting
        // (the frequency caption of a band type).
        SetPropW(slider, kLabelWindowProperty, w);
        break;
      }
      if (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP) break;
    }
  }
}

void CAkPropertyPage::UpdateControls(int controlId) {
  if (!Bound() || !m_Dlg) return;
  const bool all = controlId == 0 || controlId == kNotifyCommand;
  for (int i = 0; i < description_.groupCount; ++i) {
    const ValueGroup& group = description_.groups[i];
    if (!all && controlId != group.sliderId && controlId != group.textId) continue;
    long value = 0;
    if (FAILED(GetValue(group, &value))) continue;
    if (controlId != group.sliderId) {
      HWND slider = GetDlgItem(m_Dlg, group.sliderId);
      if (slider) SendMessageW(slider, SLM_SETPOS, 1, value);
    }
    SetDlgItemTextW(m_Dlg, group.textId, FormatValue(group, value).c_str());
  }
}

std::wstring CAkPropertyPage::FormatValue(const ValueGroup& group, long value) {
  if (group.row->InTenths())
    return FormatLevelW(value, 1, group.Floor(), LoadWideString(sid::kSuffixDecibel).c_str());
  return FormatIntegerW(value, true);
}

void CAkPropertyPage::OnCommand(int id, int code, HWND control) {
  if (id >= kFirstPresetCommand && id <= kLastPresetCommand) {
    ApplyPresetOf(connected_, id - kFirstPresetCommand);
    UpdateControls(0);
    return;
  }
  if (id == kNotifyCommand) {
    UpdateControls(0);
    return;
  }
  if (id == kHelpCommand) {
    ShowHelpTopic(description_.helpTopic);
    return;
  }
  if (id == kAboutCommand) {
    ShowAboutBox(m_Dlg, description_.nameId);
    return;
  }
  for (int i = 0; i < description_.groupCount; ++i) {
    const ValueGroup& group = description_.groups[i];
    if (group.textId != id || group.text == ValueGroup::kStaticText) continue;
    // Typing is left alone; the value is taken when the box is left.
    if (code == EN_KILLFOCUS) OnEditDone(group);
    return;
  }
  UpdateControls(id);
}

void CAkPropertyPage::OnEditDone(const ValueGroup& group) {
  long value = 0;
  if (group.text == ValueGroup::kEditUnsigned) {
    BOOL translated = FALSE;
    const UINT typed = GetDlgItemInt(m_Dlg, group.textId, &translated, FALSE);
    // Beyond the signed range it would wrap to a negative value and clamp to
    // the minimum; the user asked for a lot, so give the most.
    value = typed > static_cast<UINT>(LONG_MAX) ? LONG_MAX : static_cast<long>(typed);
  } else {
    WCHAR text[kMaxEditText + 1] = {};
    GetDlgItemTextW(m_Dlg, group.textId, text, kMaxEditText + 1);
    value = ParseIntegerW(text);
  }
  if (SUCCEEDED(SetValue(group, value))) NotifyOtherPages();
  UpdateControls(group.textId);
}

void CAkPropertyPage::OnScroll(int code, bool vertical, HWND control) {
  const int id = control ? GetDlgCtrlID(control) : 0;
  if (id == 0) return;
  for (int i = 0; i < description_.groupCount; ++i) {
    const ValueGroup& group = description_.groups[i];
    if (group.sliderId != id) continue;
    const SliderState state = ReadSlider(control);
    long value = 0;
    if (group.slider == ValueGroup::kFader) {
      value = FaderScrollValue(state, code, group.row->page.line, group.row->page.page,
                               CtrlHeld());
      SendMessageW(control, SLM_SETPOSEX, MAKEWPARAM(1, 1), value);
    } else {
      value = TrackbarScrollValue(state, code, group.row->page.line, group.row->page.page, vertical,
                                  CtrlHeld());
      SendMessageW(control, SLM_SETPOS, 1, value);
    }
    if (SUCCEEDED(SetValue(group, value))) NotifyOtherPages();
    UpdateControls(id);
    return;
  }
  UpdateControls(id);
}

void CAkPropertyPage::OnHelp(const HELPINFO* help) {
  if (!help || help->iCtrlId == 0 || help->iCtrlId == -1) return;
  for (const HelpId* entry = description_.helpIds; entry && entry->controlId != 0; ++entry) {
    if (entry->controlId == help->iCtrlId) {
      ShowContextPopup(m_Dlg, entry->contextId);
      return;
    }
  }
}

void CAkPropertyPage::ShowPageMenu(LPARAM lParam) {
  if (!m_Dlg) return;
  POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  // Only the keyboard (Shift+F10, the menu key) sends -1, -1; real pointer
  // positions may be negative on a monitor left of or above the primary one.
  if (lParam == static_cast<LPARAM>(-1) || (point.x == -1 && point.y == -1)) {
    RECT rect = {};
    GetWindowRect(m_Dlg, &rect);
    point = KeyboardMenuPoint(rect);
  }
  HMENU menu = CreatePageMenu(connected_);
  if (!menu) return;
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, m_Dlg, nullptr);
  DestroyMenu(menu);
}

void CAkPropertyPage::NotifyOtherPages() {
  IUnknown* filter = IdentityOf(connected_);
  if (!filter) return;
  ScopedLock lock(g_pagesLock);
  for (const OpenPage& open : g_pages) {
    if (open.page == this || open.filter != filter || !open.dialog) continue;
    PostMessageW(open.dialog, WM_COMMAND, MAKEWPARAM(kNotifyCommand, kNotifySettingsReplaced), 0);
  }
}

void CAkPropertyPage::Register() {
  IUnknown* filter = IdentityOf(connected_);
  ScopedLock lock(g_pagesLock);
  for (OpenPage& open : g_pages) {
    if (open.page == this) {
      open.filter = filter;
      open.dialog = m_Dlg;
      return;
    }
  }
  g_pages.push_back(OpenPage{this, filter, m_Dlg});
}

void CAkPropertyPage::Unregister() {
  ScopedLock lock(g_pagesLock);
  for (size_t i = 0; i < g_pages.size(); ++i) {
    if (g_pages[i].page == this) {
      g_pages.erase(g_pages.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

}  // namespace orlofx

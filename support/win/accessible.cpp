#include "support/win/accessible.h"

#include <oleacc.h>

#include <new>

namespace orlofx {

namespace {

// {618736E0-3C3D-11CF-810C-00AA00389B71}
const IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

struct Oleacc {
  CreateStdAccessibleObjectFn createStd = nullptr;
  LresultFromObjectFn lresultFromObject = nullptr;
};

const Oleacc& LoadOleacc() {
  static const Oleacc functions = [] {
    Oleacc f;
    if (HMODULE module = LoadLibraryW(L"oleacc.dll")) {
      f.createStd = reinterpret_cast<CreateStdAccessibleObjectFn>(
          reinterpret_cast<void*>(GetProcAddress(module, "CreateStdAccessibleObject")));
      f.lresultFromObject = reinterpret_cast<LresultFromObjectFn>(
          reinterpret_cast<void*>(GetProcAddress(module, "LresultFromObject")));
    }
    return f;
  }();
  return functions;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

}  // namespace

std::wstring SpokenText(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'&' && i + 1 < text.size() && text[i + 1] != L'&') continue;
    if (c == L'\r') continue;
    if (c == L'\n') {
      if (!out.empty() && out.back() != L' ') out += L' ';
      continue;
    }
    out += c;
  }
  return out;
}

namespace {

BSTR Bstr(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The control's own name, value and role over the standard object's rest.
class ControlAccessible : public IAccessible {
 public:
  ControlAccessible(HWND control, IAccessible* standard, const AccessibleInfo& info)
      : control_(control), standard_(standard), info_(info) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return standard_->QueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      standard_->Release();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argument) override {
    return standard_->Invoke(id, iid, locale, flags, params, result, exception, argument);
  }

  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    if (!IsSelf(child)) return standard_->get_accName(child, name);
    const std::wstring text = AccessibleName(control_);
    *name = text.empty() ? nullptr : Bstr(text);
    return text.empty() ? S_FALSE : S_OK;
  }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
    if (!value) return E_POINTER;
    if (!IsSelf(child) || !info_.value) return standard_->get_accValue(child, value);
    *value = Bstr(info_.value(control_));
    return S_OK;
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    if (!IsSelf(child)) return standard_->get_accRole(child, role);
    VariantInit(role);
    role->vt = VT_I4;
    role->lVal = info_.role;
    return S_OK;
  }

  STDMETHODIMP get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  STDMETHODIMP get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
    return standard_->get_accDescription(child, text);
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override { return standard_->get_accState(child, state); }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* text) override { return standard_->get_accHelp(child, text); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
    return standard_->get_accKeyboardShortcut(child, text);
  }
  STDMETHODIMP get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
  STDMETHODIMP get_accSelection(VARIANT* children) override { return standard_->get_accSelection(children); }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* text) override {
    return standard_->get_accDefaultAction(child, text);
  }
  STDMETHODIMP accSelect(LONG flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override { return standard_->accHitTest(x, y, child); }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override { return standard_->accDoDefaultAction(child); }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  virtual ~ControlAccessible() = default;

  LONG refs_ = 1;
  HWND control_;
  IAccessible* standard_;  // owned
  AccessibleInfo info_;
};

}  // namespace

std::wstring AccessibleName(HWND control) {
  const std::wstring own = TextOf(control);
  if (!own.empty()) return SpokenText(own);
  if (auto label = static_cast<HWND>(GetPropW(control, kLabelWindowProperty))) return SpokenText(TextOf(label));
  // The nearest static with text before it, up to the previous control.
  for (HWND w = GetWindow(control, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
    if (_wcsicmp(ClassOf(w).c_str(), L"Static") == 0) {
      const std::wstring text = TextOf(w);
      if (!text.empty()) return SpokenText(text);
      continue;
    }
    if (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP) break;
  }
  return std::wstring();
}

LRESULT AnswerGetObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleInfo& info) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return 0;
  const Oleacc& oleacc = LoadOleacc();
  if (!oleacc.createStd || !oleacc.lresultFromObject) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(oleacc.createStd(control, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard))) ||
      !standard)
    return 0;
  auto* accessible = new (std::nothrow) ControlAccessible(control, standard, info);
  if (!accessible) {
    standard->Release();
    return 0;
  }
  const LRESULT result = oleacc.lresultFromObject(kIidAccessible, wParam, accessible);
  accessible->Release();
  return result;
}

}  // namespace orlofx

#include "tests/win/support/dialog_fit.h"

#include <cstdio>
#include <cstring>

#include "support/win/wide_text.h"
#include "ui/static_control.h"

namespace {

// One visible child as the checks see it: its rectangle in the dialog's
// client coordinates and what kind of text it paints.
enum class Kind { kNone, kStatic, kOwnStatic, kPushButton, kCheck, kGroupBox };
struct Child {
  HWND window;
  int id;
  DWORD style;
  Kind kind;
  std::wstring text;
  RECT rect;
};

Kind KindOf(HWND window, DWORD style) {
  wchar_t cls[128] = {};
  GetClassNameW(window, cls, 128);
  if (_wcsicmp(cls, L"Static") == 0) {
    const DWORD type = style & SS_TYPEMASK;
    return type <= SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP ? Kind::kStatic : Kind::kNone;
  }
  if (_wcsicmp(cls, orlofx::kStaticClassName) == 0) return (style & 0x000F) <= SS_RIGHT ? Kind::kOwnStatic : Kind::kNone;
  if (_wcsicmp(cls, L"Button") != 0) return Kind::kNone;
  switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
      return Kind::kPushButton;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return (style & BS_PUSHLIKE) ? Kind::kPushButton : Kind::kCheck;
    case BS_GROUPBOX:
      return Kind::kGroupBox;
    default:
      return Kind::kNone;
  }
}

std::vector<Child> VisibleChildren(HWND dialog) {
  std::vector<Child> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    if (!(style & WS_VISIBLE)) continue;  // the dialog itself may be hidden
    Child c = {child, GetDlgCtrlID(child), style, KindOf(child, style), std::wstring(), {}};
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 512);
    c.text = text;
    GetWindowRect(child, &c.rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&c.rect), 2);
    children.push_back(c);
  }
  return children;
}

std::string Describe(const Child& child) {
  std::string result = "control " + std::to_string(child.id);
  return child.text.empty() ? result : result + " \"" + orlofx::WideToUtf8(child.text) + "\"";
}

std::string RectText(const RECT& r) {
  char text[80];
  std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
  return text;
}

// The text's extent in the control's font when laid out `width` wide, and
// half the width of its digit 0.
SIZE Measure(const Child& child, int width, UINT format, int* halfDigit = nullptr) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(child.window, WM_GETFONT, 0, 0));
  HDC dc = GetDC(child.window);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT r = {0, 0, width > 0 ? width : 1, 0};
  DrawTextW(dc, child.text.c_str(), static_cast<int>(child.text.size()), &r, format | DT_CALCRECT);
  INT digit = 12;
  GetCharWidth32W(dc, L'0', L'0', &digit);
  if (halfDigit) *halfDigit = digit / 2;
  SelectObject(dc, old);
  ReleaseDC(child.window, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// One control's text against the room its control gives it; empty when it fits.
std::string TextProblem(const Child& child) {
  if (child.kind == Kind::kNone || child.text.empty()) return std::string();
  RECT client;
  GetClientRect(child.window, &client);
  int width = client.right, height = client.bottom;
  UINT format = DT_EXPANDTABS;
  bool checkWidth = true, checkHeight = true;
  const bool multiline = (child.style & BS_MULTILINE) != 0;
  switch (child.kind) {
    case Kind::kStatic:
      if (child.style & SS_NOPREFIX) format |= DT_NOPREFIX;
      if ((child.style & SS_TYPEMASK) == SS_SIMPLE || (child.style & SS_CENTERIMAGE)) format |= DT_SINGLELINE;
      else if ((child.style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP) format |= DT_WORDBREAK;
      checkWidth = !(child.style & SS_ELLIPSISMASK);  // ellipsis styles shorten on purpose
      break;
    case Kind::kOwnStatic:
      format |= DT_NOPREFIX | ((child.style & orlofx::kStaticLink) ? DT_SINGLELINE : DT_WORDBREAK);
      break;
    case Kind::kPushButton:  // room for the raised edge and the focus rectangle
      width -= 6, height -= 2;
      format |= multiline ? DT_WORDBREAK : DT_SINGLELINE;
      break;
    case Kind::kCheck: {  // the box (12 px at 96 DPI) and half a digit before the label
      int halfDigit = 0;
      Measure(child, 1, 0, &halfDigit);
      HDC screen = GetDC(nullptr);
      width -= MulDiv(12, GetDeviceCaps(screen, LOGPIXELSX), 96) + 1 + halfDigit;
      ReleaseDC(nullptr, screen);
      format |= multiline ? DT_WORDBREAK : DT_SINGLELINE;
      break;
    }
    case Kind::kGroupBox:  // the caption sits on the frame, indented from both corners
      width -= 14;
      format |= DT_SINGLELINE;
      checkHeight = false;
      break;
    case Kind::kNone:
      return std::string();
  }
  const SIZE need = Measure(child, width, format);
  const bool tooWide = checkWidth && need.cx > width, tooTall = checkHeight && need.cy > height;
  char numbers[200];
  const bool breaks = (format & DT_WORDBREAK) != 0;
  const SIZE unbroken = breaks ? Measure(child, width, format & ~static_cast<UINT>(DT_WORDBREAK)) : need;
  if (!tooWide && !tooTall) {
    // It fits, perhaps only because the control breaks a line where the text
    // has none: a label breaks where its translator put the break, or nowhere.
    if (!breaks || !checkWidth || unbroken.cx <= width) return std::string();
    std::snprintf(numbers, sizeof numbers, " breaks a line its text does not break: unbroken it is %ldx%ld px, "
                  "the control %dx%d px", static_cast<long>(unbroken.cx), static_cast<long>(unbroken.cy), width, height);
    return Describe(child) + numbers;
  }
  std::snprintf(numbers, sizeof numbers, " needs %ldx%ld px but has %dx%d px (%s)", static_cast<long>(need.cx),
                static_cast<long>(need.cy), width, height,
                tooWide && tooTall ? "too wide and too tall" : tooWide ? "too wide" : "too tall");
  std::string result = Describe(child) + numbers;
  if (breaks && tooTall && !tooWide) {  // usually one line too wide, broken into lines the height cannot show
    std::snprintf(numbers, sizeof numbers, "; it wraps, unbroken it is %ldx%ld px", static_cast<long>(unbroken.cx),
                  static_cast<long>(unbroken.cy));
    result += numbers;
  }
  return result;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

std::vector<std::string> WindowFitProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  const std::vector<Child> children = VisibleChildren(dialog);
  RECT room;
  GetClientRect(dialog, &room);
  const RECT client = room;
  InflateRect(&room, 1, 1);  // the same rounding at the dialog's edges
  for (size_t i = 0; i < children.size(); ++i) {
    const Child& a = children[i];
    const std::string text = TextProblem(a);
    if (!text.empty()) problems.push_back(name + ": " + text);
    if (!Inside(a.rect, room))
      problems.push_back(name + ": " + Describe(a) + " at " + RectText(a.rect) + " lies outside the dialog " +
                         RectText(client));
    for (size_t j = i + 1; j < children.size(); ++j) {
      const Child& b = children[j];
      RECT common;
      // Controls that meet in dialog units may share a pixel after rounding;
      // a group box holds its controls.
      if (!IntersectRect(&common, &a.rect, &b.rect) || common.right - common.left <= 1 ||
          common.bottom - common.top <= 1 ||
          (a.kind == Kind::kGroupBox && Inside(b.rect, a.rect)) || (b.kind == Kind::kGroupBox && Inside(a.rect, b.rect)))
        continue;
      problems.push_back(name + ": " + Describe(a) + " at " + RectText(a.rect) + " overlaps " + Describe(b) + " at " +
                         RectText(b.rect));
    }
  }
  return problems;
}

std::vector<std::string> MnemonicProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  std::vector<std::pair<wchar_t, Child>> keys;
  for (const Child& child : VisibleChildren(dialog)) {
    if (child.kind == Kind::kNone || child.kind == Kind::kOwnStatic) continue;
    if (child.kind == Kind::kStatic && (child.style & SS_NOPREFIX)) continue;
    const std::wstring& text = child.text;
    size_t i = 0;
    while (i + 1 < text.size() && (text[i] != L'&' || text[i + 1] == L'&'))
      i += text[i] == L'&' ? 2 : 1;  // "&&" is a literal ampersand
    if (i + 1 >= text.size()) continue;
    wchar_t key = text[i + 1];
    CharLowerBuffW(&key, 1);
    for (const auto& seen : keys)
      if (seen.first == key)
        problems.push_back(name + ": access key '" + orlofx::WideToUtf8(std::wstring(1, key)) + "' of " +
                           Describe(child) +
                           " is also that of " + Describe(seen.second));
    keys.emplace_back(key, child);
  }
  return problems;
}

std::vector<std::string> DialogFitProblems(HMODULE module, int dialogId, LANGID language) {
  char head[64];
  std::snprintf(head, sizeof head, "dialog %d language 0x%04X", dialogId, language);
  const std::string name = head;
  HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(static_cast<WORD>(dialogId)), language);
  if (!found) return {name + ": no dialog template in this language"};
  const void* bytes = LockResource(LoadResource(module, found));
  const DWORD size = SizeofResource(module, found);
  if (!bytes || size < sizeof(DLGTEMPLATE)) return {name + ": the template cannot be read"};
  // A copy without WS_VISIBLE so that popups (the About box) stay hidden too.
  std::vector<WORD> copy((size + 1) / 2 + 1, 0);
  std::memcpy(copy.data(), bytes, size);
  const bool extended = copy[0] == 1 && copy[1] == 0xFFFF;
  DWORD* style = reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(copy.data()) + (extended ? 12 : 0));
  *style &= ~static_cast<DWORD>(WS_VISIBLE);
  HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  HWND dialog =
      CreateDialogIndirectParamW(module, reinterpret_cast<const DLGTEMPLATE*>(copy.data()), parent, QuietDialogProc, 0);
  std::vector<std::string> problems;
  if (dialog) problems = WindowFitProblems(dialog, name);
  else problems.push_back(name + ": the dialog cannot be created (error " + std::to_string(GetLastError()) + ")");
  DestroyWindow(parent);
  return problems;
}

#include "tests/win/support/dialog_fit.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "ui/static_control.h"

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size, nullptr,
                      nullptr);
  return result;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, &text[0], length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

// One child as the checks see it: its rectangle in the dialog's client
// coordinates and what kind of text it paints.
struct Child {
  HWND window;
  int id;
  std::wstring className;
  std::wstring text;
  RECT rect;
  bool groupBox;
};

enum class TextKind { kNone, kStatic, kOwnStatic, kPushButton, kCheck, kGroupBox };

TextKind KindOf(const Child& child, DWORD style) {
  if (_wcsicmp(child.className.c_str(), L"Static") == 0) {
    switch (style & SS_TYPEMASK) {
      case SS_LEFT:
      case SS_CENTER:
      case SS_RIGHT:
      case SS_SIMPLE:
      case SS_LEFTNOWORDWRAP:
        return TextKind::kStatic;
      default:
        return TextKind::kNone;
    }
  }
  if (_wcsicmp(child.className.c_str(), orlofx::kStaticClassName) == 0) {
    // Frames and pictures of the own static have no text to fit.
    const DWORD kind = style & 0x000F;
    return kind <= SS_RIGHT ? TextKind::kOwnStatic : TextKind::kNone;
  }
  if (_wcsicmp(child.className.c_str(), L"Button") == 0) {
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return TextKind::kPushButton;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        return (style & BS_PUSHLIKE) ? TextKind::kPushButton : TextKind::kCheck;
      case BS_GROUPBOX:
        return TextKind::kGroupBox;
      default:
        return TextKind::kNone;
    }
  }
  return TextKind::kNone;
}

// The text's extent in `font` when laid out in a box `width` wide.
SIZE Measure(HWND window, HFONT font, const std::wstring& text, int width, UINT format) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT r = {0, 0, width > 0 ? width : 1, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int BoxWidth() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return MulDiv(12, dpi > 0 ? dpi : 96, 96) + 1;
}

int HalfDigitWidth(HWND window, HFONT font) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  INT width = 0;
  if (!GetCharWidth32W(dc, L'0', L'0', &width)) width = 6;
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return width / 2;
}

std::string Describe(const Child& child) {
  char head[48];
  std::snprintf(head, sizeof(head), "control %d", child.id);
  std::string result = head;
  if (!child.text.empty()) result += " \"" + Utf8(child.text) + "\"";
  return result;
}

std::string RectText(const RECT& r) {
  char text[80];
  std::snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
  return text;
}

// Checks one control's text against the room its control gives it; an empty
// string when it fits.
std::string TextProblem(const Child& child) {
  const DWORD style = static_cast<DWORD>(GetWindowLongW(child.window, GWL_STYLE));
  const TextKind kind = KindOf(child, style);
  if (kind == TextKind::kNone || child.text.empty()) return std::string();
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(child.window, WM_GETFONT, 0, 0));
  RECT client;
  GetClientRect(child.window, &client);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  UINT format = DT_EXPANDTABS;
  bool checkHeight = true;
  bool checkWidth = true;

  switch (kind) {
    case TextKind::kStatic: {
      const DWORD type = style & SS_TYPEMASK;
      if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
      if (type == SS_SIMPLE || (style & SS_CENTERIMAGE)) format |= DT_SINGLELINE;
      else if (type != SS_LEFTNOWORDWRAP) format |= DT_WORDBREAK;
      // Ellipsis styles shorten the text on purpose.
      if (style & SS_ELLIPSISMASK) checkWidth = false;
      break;
    }
    case TextKind::kOwnStatic: {
      format |= DT_NOPREFIX;
      format |= (style & orlofx::kStaticLink) ? DT_SINGLELINE : DT_WORDBREAK;
      break;
    }
    case TextKind::kPushButton:
      // Room for the raised edge and the focus rectangle.
      width -= 6;
      height -= 2;
      format |= (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
      break;
    case TextKind::kCheck:
      // The box and the gap before the label (as the button draws them).
      width -= BoxWidth() + HalfDigitWidth(child.window, font);
      format |= (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
      break;
    case TextKind::kGroupBox:
      // The caption sits on the frame, indented from both corners.
      width -= 14;
      format |= DT_SINGLELINE;
      checkHeight = false;
      break;
    case TextKind::kNone:
      return std::string();
  }

  const SIZE need = Measure(child.window, font, child.text, width, format);
  const bool tooWide = checkWidth && need.cx > width;
  const bool tooTall = checkHeight && need.cy > height;
  char numbers[200];
  if (!tooWide && !tooTall) {
    // It fits, but perhaps only because the control breaks a line where the
    // text has none ("(-25 to 25" / "dB):"): a label breaks where its
    // translator put the break, or nowhere.
    if (!(format & DT_WORDBREAK) || !checkWidth) return std::string();
    const SIZE unbroken = Measure(child.window, font, child.text, width, format & ~static_cast<UINT>(DT_WORDBREAK));
    if (unbroken.cx <= width) return std::string();
    std::snprintf(numbers, sizeof(numbers), " breaks a line its text does not break: unbroken it is %ldx%ld px, the control %dx%d px",
                  static_cast<long>(unbroken.cx), static_cast<long>(unbroken.cy), width, height);
    return Describe(child) + numbers;
  }
  std::snprintf(numbers, sizeof(numbers), " needs %ldx%ld px but has %dx%d px (%s)", static_cast<long>(need.cx),
                static_cast<long>(need.cy), width, height,
                tooWide && tooTall ? "too wide and too tall" : tooWide ? "too wide" : "too tall");
  std::string result = Describe(child) + numbers;
  if ((format & DT_WORDBREAK) && tooTall && !tooWide) {
    // Usually a text one line too wide that the control breaks into lines
    // its height cannot show: say how wide the unbroken lines are.
    const SIZE unbroken = Measure(child.window, font, child.text, width, format & ~static_cast<UINT>(DT_WORDBREAK));
    std::snprintf(numbers, sizeof(numbers), "; it wraps, unbroken it is %ldx%ld px", static_cast<long>(unbroken.cx),
                  static_cast<long>(unbroken.cy));
    result += numbers;
  }
  return result;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::vector<Child> VisibleChildren(HWND dialog) {
  std::vector<Child> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    // The dialog itself may be hidden: the controls' own flag counts.
    if (!(style & WS_VISIBLE)) continue;
    Child c;
    c.window = child;
    c.id = GetDlgCtrlID(child);
    c.className = ClassOf(child);
    c.text = TextOf(child);
    GetWindowRect(child, &c.rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&c.rect), 2);
    c.groupBox = _wcsicmp(c.className.c_str(), L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
    children.push_back(c);
  }
  return children;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

std::vector<std::string> WindowFitProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  const std::vector<Child> children = VisibleChildren(dialog);
  RECT client;
  GetClientRect(dialog, &client);

  for (const Child& child : children) {
    const std::string text = TextProblem(child);
    if (!text.empty()) problems.push_back(name + ": " + text);
    RECT room = client;
    InflateRect(&room, 1, 1);  // the same rounding at the dialog's edges
    if (!Inside(child.rect, room)) {
      problems.push_back(name + ": " + Describe(child) + " at " + RectText(child.rect) +
                         " lies outside the dialog " + RectText(client));
    }
  }
  for (std::size_t i = 0; i < children.size(); ++i) {
    for (std::size_t j = i + 1; j < children.size(); ++j) {
      const Child& a = children[i];
      const Child& b = children[j];
      RECT common;
      if (!IntersectRect(&common, &a.rect, &b.rect)) continue;
      // Controls that meet in dialog units may share one pixel after each
      // edge is rounded to pixels: nothing anyone can see.
      if (common.right - common.left <= 1 || common.bottom - common.top <= 1) continue;
      // A group box holds its controls (and may hold other group boxes).
      if (a.groupBox && Inside(b.rect, a.rect)) continue;
      if (b.groupBox && Inside(a.rect, b.rect)) continue;
      problems.push_back(name + ": " + Describe(a) + " at " + RectText(a.rect) + " overlaps " + Describe(b) +
                         " at " + RectText(b.rect));
    }
  }
  return problems;
}

std::vector<std::string> MnemonicProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  std::vector<std::pair<wchar_t, Child>> keys;
  for (const Child& child : VisibleChildren(dialog)) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child.window, GWL_STYLE));
    if (KindOf(child, style) == TextKind::kNone || KindOf(child, style) == TextKind::kOwnStatic) continue;
    if (KindOf(child, style) == TextKind::kStatic && (style & SS_NOPREFIX)) continue;
    const std::wstring& text = child.text;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] != L'&') continue;
      if (text[i + 1] == L'&') {  // a literal ampersand
        ++i;
        continue;
      }
      wchar_t key = text[i + 1];
      CharLowerBuffW(&key, 1);
      for (const auto& seen : keys) {
        if (seen.first != key) continue;
        problems.push_back(name + ": access key '" + Utf8(std::wstring(1, key)) + "' of " + Describe(child) +
                           " is also that of " + Describe(seen.second));
      }
      keys.emplace_back(key, child);
      break;  // the first marked character is the key
    }
  }
  return problems;
}

namespace {

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t text[16] = {};
  return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 16) > 1 ? std::wstring(text) : std::wstring(fallback);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Characters some locale puts between digits: point, comma, the spaces.
bool IsSeparatorCandidate(wchar_t c) {
  return c == L'.' || c == L',' || c == L' ' || c == 0x00A0 || c == 0x202F || c == L'\'';
}

// Whether `number` (digits and separator candidates, starting and ending
// with a digit) is laid out with `group` and `decimal`.
bool LaidOutBy(const std::wstring& number, const std::wstring& group, const std::wstring& decimal) {
  std::vector<std::wstring> runs(1);
  std::vector<wchar_t> separators;
  for (wchar_t c : number) {
    if (IsDigit(c)) {
      runs.back() += c;
    } else {
      separators.push_back(c);
      runs.emplace_back();
    }
  }
  for (size_t i = 0; i < separators.size(); ++i) {
    const bool last = i + 1 == separators.size();
    const std::wstring separator(1, separators[i]);
    if (separator == group && runs[i + 1].size() == 3 && (i > 0 || runs[0].size() <= 3)) continue;
    if (last && separator == decimal && runs[i + 1].size() == 1) continue;
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> NumberLayoutProblems(HWND dialog, const std::string& name) {
  const std::wstring group = LocaleText(LOCALE_STHOUSAND, L",");
  const std::wstring decimal = LocaleText(LOCALE_SDECIMAL, L".");
  std::vector<std::string> problems;
  for (const Child& child : VisibleChildren(dialog)) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child.window, GWL_STYLE));
    if (KindOf(child, style) == TextKind::kNone) continue;
    const std::wstring& text = child.text;
    for (size_t i = 0; i < text.size();) {
      if (!IsDigit(text[i])) {
        ++i;
        continue;
      }
      // A number: digits, and separators that stand between digits.
      size_t end = i;
      while (end < text.size() &&
             (IsDigit(text[end]) ||
              (IsSeparatorCandidate(text[end]) && end + 1 < text.size() && IsDigit(text[end + 1]) && end > i)))
        ++end;
      const std::wstring number = text.substr(i, end - i);
      if (!LaidOutBy(number, group, decimal)) {
        problems.push_back(name + ": " + Describe(child) + " writes " + Utf8(number) +
                           ", which is not laid out as the locale lays out values (group \"" + Utf8(group) +
                           "\", decimal \"" + Utf8(decimal) + "\")");
      }
      i = end;
    }
  }
  return problems;
}

std::vector<std::string> DialogFitProblems(HMODULE module, int dialogId, LANGID language) {
  char nameText[64];
  std::snprintf(nameText, sizeof(nameText), "dialog %d language 0x%04X", dialogId, language);
  const std::string name = nameText;

  // RT_DIALOG as a wide resource type (the header spells it per UNICODE).
  HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(5),
                                MAKEINTRESOURCEW(static_cast<WORD>(dialogId)), language);
  if (!found) return {name + ": no dialog template in this language"};
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, found);
  if (!bytes || size < sizeof(DLGTEMPLATE)) return {name + ": the template cannot be read"};

  // A copy without WS_VISIBLE so that popups (the About box) stay hidden too.
  std::vector<WORD> copy((size + 1) / 2 + 1, 0);
  std::memcpy(copy.data(), bytes, size);
  const bool extended = copy[0] == 1 && copy[1] == 0xFFFF;
  DWORD* style = reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(copy.data()) + (extended ? 12 : 0));
  *style &= ~static_cast<DWORD>(WS_VISIBLE);

  HWND parent = CreateWindowExW(0, L"Static", L"fit check", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!parent) return {name + ": no parent window"};
  HWND dialog = CreateDialogIndirectParamW(module, reinterpret_cast<const DLGTEMPLATE*>(copy.data()), parent,
                                           QuietDialogProc, 0);
  std::vector<std::string> problems;
  if (!dialog) {
    char error[64];
    std::snprintf(error, sizeof(error), ": the dialog cannot be created (error %lu)",
                  static_cast<unsigned long>(GetLastError()));
    problems.push_back(name + error);
  } else {
    problems = WindowFitProblems(dialog, name);
    DestroyWindow(dialog);
  }
  DestroyWindow(parent);
  return problems;
}

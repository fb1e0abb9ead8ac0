#include "ui/page_frame.h"

#include "framework/win/ak_interfaces.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"

namespace orlofx {

namespace {

constexpr int kPresetNameLength = 260;

long Clamp(long long value, long minimum, long maximum) {
  if (value < minimum) return minimum;
  if (value > maximum) return maximum;
  return static_cast<long>(value);
}

long long PageStep(const SliderState& s, long page, bool ctrl) {
  long long step = page;
  if (step == 0) {
    step = (static_cast<long long>(s.maximum) - s.minimum + 5) / 10;
    if (step < 1) step = 1;
  }
  return ctrl ? step * 10 : step;
}

long SignedResult(LRESULT result) { return static_cast<long>(static_cast<int>(result)); }

}  // namespace

long TrackbarScrollValue(const SliderState& s, int code, long line, long page, bool vertical,
                         bool ctrl) {
  const long long pos = s.position;
  const long long pageStep = PageStep(s, page, ctrl);
  // A vertical trackbar has its maximum at the top, so "up" grows the value.
  const long long sign = vertical ? -1 : 1;
  long long value = pos;
  switch (code) {
    case kSliderLineUp: value = pos - sign * line; break;
    case kSliderLineDown: value = pos + sign * line; break;
    case kSliderPageUp: value = pos - sign * pageStep; break;
    case kSliderPageDown: value = pos + sign * pageStep; break;
    case kSliderTop: value = vertical ? s.maximum : s.minimum; break;
    case kSliderBottom: value = vertical ? s.minimum : s.maximum; break;
    default: break;
  }
  return Clamp(value, s.minimum, s.maximum);
}

long FaderScrollValue(const SliderState& s, int code, long line, long page, bool ctrl) {
  const long long pos = s.position;
  const long long pageStep = PageStep(s, page, ctrl);
  long long value = pos;
  switch (code) {
    case kSliderLineUp: value = pos + line; break;
    case kSliderLineDown: value = pos - line; break;
    case kSliderPageUp: value = pos + pageStep; break;
    case kSliderPageDown: value = pos - pageStep; break;
    case kSliderTop: value = (ctrl || s.maximum < 1 || s.minimum >= 0) ? s.maximum : 0; break;
    case kSliderBottom: value = s.minimum; break;
    default: break;
  }
  return Clamp(value, s.minimum, s.maximum);
}

SliderState ReadSlider(HWND slider) {
  SliderState s;
  s.position = SignedResult(SendMessageW(slider, SLM_GETPOS, 0, 0));
  s.minimum = SignedResult(SendMessageW(slider, SLM_GETMIN, 0, 0));
  s.maximum = SignedResult(SendMessageW(slider, SLM_GETMAX, 0, 0));
  if (s.maximum < s.minimum) s.maximum = s.minimum;
  return s;
}

std::wstring RemoveBrandWord(const std::wstring& name) {
  static const std::wstring kWithSpace = L"Orlo ";
  static const std::wstring kAtEnd = L"Orlo";
  std::wstring result = name;
  const size_t at = result.find(kWithSpace);
  if (at != std::wstring::npos) {
    result.erase(at, kWithSpace.size());
  } else if (result.size() >= kAtEnd.size() &&
             result.compare(result.size() - kAtEnd.size(), kAtEnd.size(), kAtEnd) == 0) {
    result.erase(result.size() - kAtEnd.size());
  }
  return result;
}

std::wstring EscapeAmpersands(const std::wstring& text) {
  std::wstring result;
  result.reserve(text.size() + 4);
  for (wchar_t c : text) {
    result += c;
    if (c == L'&') result += L'&';
  }
  return result;
}

POINT KeyboardMenuPoint(const RECT& r) {
  return POINT{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 4};
}

bool ClearReadoutAwayFromGraph(HWND dialog, int graphId, int readoutId) {
  HWND graph = GetDlgItem(dialog, graphId);
  HWND readout = GetDlgItem(dialog, readoutId);
  if (!readout || GetWindowTextLengthW(readout) == 0) return true;
  POINT cursor = {};
  const bool overGraph = graph && GetCursorPos(&cursor) && WindowFromPoint(cursor) == graph;
  if (overGraph || (graph && GetCapture() == graph)) return false;
  SetWindowTextW(readout, L"");
  return true;
}

HFONT CreateSmallerFont(HWND window, int percent) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW face = {};
  if (GetObjectW(font, sizeof face, &face) != sizeof face) return nullptr;
  face.lfHeight = MulDiv(face.lfHeight, percent, 100);
  face.lfWidth = MulDiv(face.lfWidth, percent, 100);
  return CreateFontIndirectW(&face);
}

void SetupLogoBar(HWND dialog, int logoId, int nameId) {
  HWND bar = GetDlgItem(dialog, logoId);
  if (!bar) return;
  SendMessageW(bar, LGM_RESET, 0, 0);
  const std::wstring about = LoadWideString(sid::kAboutButton);
  const std::wstring help = LoadWideString(sid::kHelpButton);
  SendMessageW(bar, LGM_ADDBUTTON, kAboutCommand, reinterpret_cast<LPARAM>(about.c_str()));
  SendMessageW(bar, LGM_ADDBUTTON, kHelpCommand, reinterpret_cast<LPARAM>(help.c_str()));
  SetWindowTextW(bar, RemoveBrandWord(LoadWideString(nameId)).c_str());
}

HMENU CreatePageMenu(IUnknown* object) {
  HMENU menu = CreatePopupMenu();
  HMENU presets = CreatePopupMenu();
  if (!menu || !presets) {
    if (menu) DestroyMenu(menu);
    if (presets) DestroyMenu(presets);
    return nullptr;
  }
  IStaticFilterPreset* table = nullptr;
  if (object && SUCCEEDED(object->QueryInterface(IID_IStaticFilterPreset,
                                                 reinterpret_cast<void**>(&table)))) {
    long count = 0;
    if (FAILED(table->GetPresetCount(&count))) count = 0;
    if (count > kMaxListedPresets) count = kMaxListedPresets;
    for (long number = 1; number <= count; ++number) {
      WCHAR name[kPresetNameLength] = {};
      if (FAILED(table->GetPresetName(number - 1, name, kPresetNameLength))) continue;
      name[kPresetNameLength - 1] = L'\0';
      // The command names the preset itself, so a skipped name leaves a gap
      // rather than shifting every later preset onto its neighbour's command.
      AppendMenuW(presets, MF_STRING, kFirstPresetCommand + number - 1,
                  EscapeAmpersands(name).c_str());
    }
    table->Release();
  }
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(presets),
              LoadWideString(sid::kPresets).c_str());
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kHelpCommand, LoadWideString(sid::kHelp).c_str());
  AppendMenuW(menu, MF_STRING, kAboutCommand, LoadWideString(sid::kAboutMenu).c_str());
  return menu;
}

HRESULT ApplyPresetOf(IUnknown* object, long index) {
  if (!object) return E_POINTER;
  IStaticFilterPreset* table = nullptr;
  HRESULT hr = object->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&table));
  if (FAILED(hr)) return hr;
  hr = table->ApplyPreset(index);
  table->Release();
  return hr;
}

}  // namespace orlofx

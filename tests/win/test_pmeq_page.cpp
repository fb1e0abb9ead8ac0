// The Parametric EQ's page: its controls, ranges and defaults, the texts and
// the picture that follow the filter, driven with the messages a user's
// mouse, keys and typing produce; its help popups; and pictures of it in
// every language.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "effects/pmeq/win/pmeq_page.h"
#include "effects/pmeq/win/pmeq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "support/number_format.h"
#include "support/win/wide_text.h"
#include "tests/win/support/capture.h"
#include "tests/win/support/dialog_fit.h"
#include "tests/win/support/effect_page_test.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "ui/slider_core.h"
#include "framework/controls/taper.h"

namespace {

using Page = CAkPmeqPropPage;

const CLSID kClsidPmeq = {0xA8448720, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const CLSID kClsidPmeqPage = {0xA8448721, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPmeqProp = {0xA8448723, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

constexpr int kLogo = 2;
constexpr WORD kNotify = 32700;

const wchar_t kCutoffLabel[] = L"Cutoff &frequency (20 to 22,050 Hz):";
const wchar_t kTransitionLabel[] = L"Transition &width (0.1 to 5 oct.):";
const wchar_t kCenterLabel[] = L"Center &frequency (20 to 22,050 Hz):";
const wchar_t kBandWidthLabel[] = L"Band &width (0.1 to 5 oct):";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// ---- pixels -------------------------------------------------------------------

// The shape bitmap `id` of the module as it looks on screen.
std::vector<COLORREF> ShapeBitmap(HMODULE module, int id) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return {};
  BITMAP size = {};
  GetObjectW(bitmap, sizeof size, &size);
  std::vector<COLORREF> pixels = PaintInto(size.bmWidth, size.bmHeight, [&](HDC dc) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }).pixels;
  DeleteObject(bitmap);
  return pixels;
}

// ---- sliders --------------------------------------------------------------------

// The middle of a slider's thumb at `value`, from the travel the control
// reports and the mapping it uses.
POINT ThumbAt(HWND slider, long value, orlofx::TaperTable table, bool fader) {
  const LRESULT geometry = SendMessageW(slider, orlofx::SLM_GETTRAVEL, 0, 0);
  const int start = static_cast<int>(geometry >> 16), travel = static_cast<int>(geometry & 0xFFFF);
  orlofx::SliderMapping mapping;
  mapping.SetRange(static_cast<int>(SendMessageW(slider, orlofx::SLM_GETMIN, 0, 0)),
                   static_cast<int>(SendMessageW(slider, orlofx::SLM_GETMAX, 0, 0)), table);
  mapping.SetTravel(travel);
  const int p = mapping.PixelOf(static_cast<std::int32_t>(value));
  RECT client = {};
  GetClientRect(slider, &client);
  if (fader) return POINT{client.right / 2, start + travel + 1 - p};
  return POINT{start + 1 + p, client.bottom / 2};
}

LPARAM At(POINT p) { return MAKELPARAM(p.x, p.y); }

class PmeqPage : public EffectPageTest<IAkPmeqProp> {
 protected:
  PmeqPage() : EffectPageTest(kClsidPmeq, kIidPmeqProp) {}
  void ClosePages() override {
    page_.Close();
  }
  void Open() { ASSERT_EQ(page_.Open(module_, kClsidPmeqPage, filter_.get(), host_.Handle()), S_OK); }

  PmeqParams Params() {
    PmeqParams p = {};
    prop_->GetParams(&p);
    return p;
  }
  long Amount() { long v = 0; prop_->GetAmount(&v); return v; }
  long Gain() { long v = 0; prop_->GetOutputGain(&v); return v; }
  long Frequency() { long v = 0; prop_->GetFrequency(&v); return v; }
  long Width() { long v = 0; prop_->GetWidth(&v); return v; }
  long Type() { long v = 0; prop_->GetFilterType(&v); return v; }
  long Accuracy() { long v = 0; prop_->GetAccuracy(&v); return v; }
  void DoubleClick(int id, POINT at) {
    HWND control = page_.Control(id);
    SendMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, At(at));
    SendMessageW(control, WM_LBUTTONUP, 0, At(at));
    PumpMessages();
  }
  // Picks the item with `data` in a drop list as the user does: the list's
  // selection changes and the combo tells its parent.
  void Choose(int comboId, long data) {
    HWND combo = page_.Control(comboId);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) != data) continue;
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      SendMessageW(page_.Dialog(), WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
      PumpMessages();
      return;
    }
    ADD_FAILURE() << "no item with data " << data << " in " << comboId;
  }
  // The data of the combo's selection, -1 for none.
  long Selected(int comboId) {
    HWND combo = page_.Control(comboId);
    const LRESULT i = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return i == CB_ERR ? -1 : static_cast<long>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  }
  // What the filter's own notification does: the page re-reads everything.
  void FilterNotifies() {
    PostMessageW(page_.Dialog(), WM_COMMAND, MAKEWPARAM(kNotify, 100), 0);
    PumpMessages();
  }
  std::vector<COLORREF> Picture() { return PrintClient(page_.Control(Page::kShapePicture), PRF_CLIENT | PRF_ERASEBKGND).pixels; }
  std::vector<COLORREF> Shape(long type) { return ShapeBitmap(module_.Handle(), Page::kFirstShapeBitmap + static_cast<int>(type)); }

  HostWindow host_{640, 400};
  HostedPage page_;
};

TEST_F(PmeqPage, TheDialogHoldsEveryControlAndShowsTheDefaultPreset) {
  Open();
  struct Expected {
    int id;
    const wchar_t* className;
    DWORD styleBits;
  };
  const Expected controls[] = {
      {kLogo, L"tovra2Bld314LogoClass", 0},
      {Page::kOutputGainFader, L"tovra2Bld314FaderClass", 0x1281 | WS_TABSTOP},
      {Page::kOutputGainText, L"Static", SS_CENTER},
      {Page::kOutputGainLabel, L"Static", SS_CENTER},
      {Page::kAmountFader, L"tovra2Bld314FaderClass", 0x1281 | WS_TABSTOP},
      {Page::kAmountText, L"Static", SS_CENTER},
      {Page::kAmountLabel, L"Static", SS_CENTER},
      {Page::kStyleCombo, L"ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP},
      {Page::kStyleLabel, L"Static", 0},
      {Page::kFrequencySlider, L"tovra2Bld314TrackbarClass", 0x02C2 | WS_TABSTOP},
      {Page::kFrequencyEdit, L"Edit", WS_TABSTOP},
      {Page::kFrequencyLabel, L"Static", 0},
      {Page::kWidthSlider, L"tovra2Bld314TrackbarClass", 0x0202 | WS_TABSTOP},
      {Page::kWidthEdit, L"Edit", WS_TABSTOP},
      {Page::kWidthLabel, L"Static", 0},
      {Page::kShapePicture, L"tovra2Bld314StaticClass", 0},
      {Page::kAccuracyCombo, L"ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP},
      {Page::kAccuracyLabel, L"Static", 0},
  };
  for (const Expected& c : controls) {
    HWND control = page_.Control(c.id);
    ASSERT_NE(control, nullptr) << c.id;
    WCHAR name[64] = {};
    GetClassNameW(control, name, 64);
    EXPECT_EQ(lstrcmpiW(name, c.className), 0) << c.id << " is " << Narrow(name);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    EXPECT_EQ(style & c.styleBits, c.styleBits) << c.id;
  }
  EXPECT_EQ(page_.Text(Page::kOutputGainLabel), L"&Output gain\n(-60 to 20 dB)");
  EXPECT_EQ(page_.Text(Page::kAmountLabel), L"A&mount\n(-60 to 20 dB)");
  EXPECT_EQ(page_.Text(Page::kStyleLabel), L"F&ilter style:");
  EXPECT_EQ(page_.Text(Page::kAccuracyLabel), L"A&ccuracy:");

  // Preset 0: band-pass at 650 Hz, 1 octave, -4 dB, no gain, medium accuracy.
  EXPECT_EQ(Selected(Page::kStyleCombo), 2);
  EXPECT_EQ(Selected(Page::kAccuracyCombo), 1);
  EXPECT_EQ(page_.Text(Page::kFrequencyEdit), L"650");
  EXPECT_EQ(page_.SliderPosition(Page::kFrequencySlider), 650);
  EXPECT_EQ(page_.Text(Page::kWidthEdit), L"1.0");
  EXPECT_EQ(page_.SliderPosition(Page::kWidthSlider), 10);
  EXPECT_EQ(page_.Text(Page::kAmountText), L"-4.0 dB");
  EXPECT_EQ(page_.SliderPosition(Page::kAmountFader), -40);
  EXPECT_EQ(page_.Text(Page::kOutputGainText), L"0.0 dB");
  EXPECT_EQ(page_.Text(Page::kFrequencyLabel), kCenterLabel);
  EXPECT_EQ(page_.Text(Page::kWidthLabel), kBandWidthLabel);
  EXPECT_EQ(Picture(), Shape(2));

  // The shape picture sits whole inside the page, between the style box and
  // the frequency label, as large as its bitmaps.
  RECT page = {}, picture = {}, style = {}, label = {};
  GetWindowRect(page_.Dialog(), &page);
  GetWindowRect(page_.Control(Page::kShapePicture), &picture);
  GetWindowRect(page_.Control(Page::kStyleCombo), &style);
  GetWindowRect(page_.Control(Page::kFrequencyLabel), &label);
  EXPECT_EQ(picture.right - picture.left, 128);
  EXPECT_EQ(picture.bottom - picture.top, 64);
  EXPECT_GE(picture.left, style.right);
  EXPECT_LE(picture.right, page.right);
  EXPECT_LE(picture.bottom, label.top);
}

TEST_F(PmeqPage, CombosListTheTypesAndAccuraciesWithTheirValues) {
  Open();
  const std::vector<std::wstring> types = {L"Low-frequency shelf", L"High-frequency shelf",
                                           L"Band-pass", L"Band-notch/boost"};
  const std::vector<std::wstring> accuracies = {L"Low (Fast, good for high frequencies)",
                                                L"Medium (great for mid and high frequencies)",
                                                L"High (Slow, great for all frequencies)"};
  const struct {
    int id;
    const std::vector<std::wstring>* items;
  } combos[] = {{Page::kStyleCombo, &types}, {Page::kAccuracyCombo, &accuracies}};
  for (const auto& c : combos) {
    HWND combo = page_.Control(c.id);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(c.items->size()));
    for (size_t i = 0; i < c.items->size(); ++i) {
      WCHAR text[128] = {};
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      EXPECT_EQ(text, (*c.items)[i]);
      EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, i, 0), static_cast<LRESULT>(i));
    }
    // The open list is wide enough for its longest item.
    HDC dc = GetDC(combo);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    for (const std::wstring& item : *c.items) {
      SIZE size = {};
      GetTextExtentPoint32W(dc, item.c_str(), static_cast<int>(item.size()), &size);
      EXPECT_GT(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), size.cx) << Narrow(item);
    }
    SelectObject(dc, old);
    ReleaseDC(combo, dc);
  }

  Choose(Page::kAccuracyCombo, 2);
  EXPECT_EQ(Accuracy(), 2);
  Choose(Page::kAccuracyCombo, 0);
  EXPECT_EQ(Accuracy(), 0);
  EXPECT_EQ(Selected(Page::kAccuracyCombo), 0);
}

TEST_F(PmeqPage, SlidersGetTheirRangesAndDoubleClicksRestoreTheirDefaults) {
  Open();
  struct Range {
    int id;
    long minimum, maximum;
  };
  for (const Range& r : {Range{Page::kAmountFader, -600, 200}, Range{Page::kOutputGainFader, -600, 200},
                         Range{Page::kFrequencySlider, 20, 22050}, Range{Page::kWidthSlider, 1, 50}}) {
    EXPECT_EQ(static_cast<int>(SendMessageW(page_.Control(r.id), orlofx::SLM_GETMIN, 0, 0)), r.minimum) << r.id;
    EXPECT_EQ(static_cast<int>(SendMessageW(page_.Control(r.id), orlofx::SLM_GETMAX, 0, 0)), r.maximum) << r.id;
  }
  using orlofx::TaperTable;
  // Away from the defaults first where the preset sits on one.
  page_.Key(Page::kOutputGainFader, VK_NEXT);
  ASSERT_EQ(Gain(), -10);
  EXPECT_EQ(page_.Text(Page::kOutputGainText), L"-1.0 dB");

  DoubleClick(Page::kAmountFader, ThumbAt(page_.Control(Page::kAmountFader), -40, TaperTable::kLevel, true));
  EXPECT_EQ(Amount(), 0);
  EXPECT_EQ(page_.Text(Page::kAmountText), L"0.0 dB");
  DoubleClick(Page::kOutputGainFader, ThumbAt(page_.Control(Page::kOutputGainFader), -10, TaperTable::kLevel, true));
  EXPECT_EQ(Gain(), 0);
  EXPECT_EQ(page_.Text(Page::kOutputGainText), L"0.0 dB");
  DoubleClick(Page::kFrequencySlider, ThumbAt(page_.Control(Page::kFrequencySlider), 650, TaperTable::kOctave, false));
  EXPECT_EQ(Frequency(), 1000);
  EXPECT_EQ(page_.Text(Page::kFrequencyEdit), L"1,000");
  DoubleClick(Page::kWidthSlider, ThumbAt(page_.Control(Page::kWidthSlider), 10, TaperTable::kNone, false));
  EXPECT_EQ(Width(), 25);
  EXPECT_EQ(page_.Text(Page::kWidthEdit), L"2.5");

  // Keys step by the page's amounts: a whole decibel, 100 Hz, one octave.
  page_.Key(Page::kAmountFader, VK_PRIOR);
  EXPECT_EQ(Amount(), 10);
  page_.Key(Page::kAmountFader, VK_END);
  EXPECT_EQ(Amount(), -600);
  EXPECT_EQ(page_.Text(Page::kAmountText), L"-60.0 dB");
  page_.Key(Page::kFrequencySlider, VK_PRIOR);
  EXPECT_EQ(Frequency(), 1100);
  page_.Key(Page::kWidthSlider, VK_NEXT);
  EXPECT_EQ(Width(), 15);
  EXPECT_EQ(page_.Text(Page::kWidthEdit), L"1.5");
  page_.Key(Page::kWidthSlider, VK_HOME);
  EXPECT_EQ(Width(), 1);
  EXPECT_EQ(page_.Text(Page::kWidthEdit), L"0.1");
}

TEST_F(PmeqPage, TypedWidthsAreReadInTenthsAndTheClampedValueIsShown) {
  Open();
  page_.Type(Page::kWidthEdit, L"0.05");
  EXPECT_EQ(Width(), 1);  // 0 tenths, clamped by the filter
  EXPECT_EQ(page_.Text(Page::kWidthEdit), L"0.1");
  EXPECT_EQ(page_.SliderPosition(Page::kWidthSlider), 1);

  const struct {
    const wchar_t* typed;
    long width;
    const wchar_t* shown;
  } cases[] = {
      {L"2.59", 25, L"2.5"},   // cut, not rounded
      {L" 3", 30, L"3.0"},     // whole octaves
      {L"4.", 40, L"4.0"},
      {L".7", 7, L"0.7"},
      {L"12", 50, L"5.0"},     // clamped at the top
      {L"-2", 1, L"0.1"},      // and at the bottom
      {L"abc", 1, L"0.1"},     // nothing readable is 0
      {L"1.5 oct", 15, L"1.5"},
      {L"99999999999999999999", 50, L"5.0"},
  };
  for (const auto& c : cases) {
    page_.Type(Page::kWidthEdit, c.typed);
    EXPECT_EQ(Width(), c.width) << Narrow(c.typed);
    EXPECT_EQ(page_.Text(Page::kWidthEdit), c.shown) << Narrow(c.typed);
    EXPECT_EQ(page_.SliderPosition(Page::kWidthSlider), c.width) << Narrow(c.typed);
  }
  EXPECT_EQ(Page::ParseWidthTenths(L"0,5"), 50);  // the English group separator is dropped

  // Frequencies take grouped digits and are clamped likewise.
  page_.Type(Page::kFrequencyEdit, L"12,345");
  EXPECT_EQ(Frequency(), 12345);
  EXPECT_EQ(page_.Text(Page::kFrequencyEdit), L"12,345");
  EXPECT_EQ(page_.SliderPosition(Page::kFrequencySlider), 12345);
  page_.Type(Page::kFrequencyEdit, L"100000");
  EXPECT_EQ(Frequency(), 22050);
  EXPECT_EQ(page_.Text(Page::kFrequencyEdit), L"22,050");
  page_.Type(Page::kFrequencyEdit, L"5");
  EXPECT_EQ(Frequency(), 20);
  EXPECT_EQ(page_.Text(Page::kFrequencyEdit), L"20");
}

// The width box follows the user's number layout; a point stays a decimal
// sign where the locale groups with it, since no width has thousands.
TEST(PmeqWidthText, DecimalCommaLocalesReadTheirOwnSeparator) {
  const orlofx::NumberLocale german = orlofx::NumberLocaleFor(1031);
  orlofx::SetNumberLocaleForTesting(&german);
  EXPECT_EQ(Page::ParseWidthTenths(L"2,5"), 25);
  EXPECT_EQ(Page::ParseWidthTenths(L"0,05"), 0);
  EXPECT_EQ(Page::ParseWidthTenths(L"1.5"), 15);
  EXPECT_EQ(Page::ParseWidthTenths(L"-0,3"), -3);
  const orlofx::NumberLocale french = orlofx::NumberLocaleFor(1036);
  orlofx::SetNumberLocaleForTesting(&french);
  EXPECT_EQ(Page::ParseWidthTenths(L"3,75"), 37);
  EXPECT_EQ(Page::ParseWidthTenths(L"  4"), 40);
  orlofx::SetNumberLocaleForTesting(nullptr);
}

TEST_F(PmeqPage, TheStyleSwitchesLabelsAndPicture) {
  Open();
  // The four pictures differ, so each comparison below names one of them.
  std::vector<std::vector<COLORREF>> shapes;
  for (long type = 0; type < 4; ++type) {
    shapes.push_back(Shape(type));
    ASSERT_EQ(shapes.back().size(), 128u * 64u) << type;
    for (long other = 0; other < type; ++other) EXPECT_NE(shapes[type], shapes[other]);
  }

  Choose(Page::kStyleCombo, 0);
  EXPECT_EQ(Type(), 0);
  EXPECT_EQ(page_.Text(Page::kFrequencyLabel), kCutoffLabel);
  EXPECT_EQ(page_.Text(Page::kWidthLabel), kTransitionLabel);
  EXPECT_EQ(Picture(), shapes[0]);

  // From a shelf to a band type: both labels and the picture change.
  Choose(Page::kStyleCombo, 3);
  EXPECT_EQ(Type(), 3);
  EXPECT_EQ(page_.Text(Page::kFrequencyLabel), kCenterLabel);
  EXPECT_EQ(page_.Text(Page::kWidthLabel), kBandWidthLabel);
  EXPECT_EQ(Picture(), shapes[3]);

  Choose(Page::kStyleCombo, 1);
  EXPECT_EQ(page_.Text(Page::kFrequencyLabel), kCutoffLabel);
  EXPECT_EQ(Picture(), shapes[1]);
  Choose(Page::kStyleCombo, 2);
  EXPECT_EQ(page_.Text(Page::kWidthLabel), kBandWidthLabel);
  EXPECT_EQ(Picture(), shapes[2]);

  // The filter keeps any type; one without a shape shows no picture and no
  // selection rather than some other resource.
  ASSERT_EQ(prop_->SetFilterType(7), S_OK);
  FilterNotifies();
  EXPECT_EQ(Selected(Page::kStyleCombo), -1);
  const std::vector<COLORREF> blank = Picture();
  for (const std::vector<COLORREF>& shape : shapes) EXPECT_NE(blank, shape);
  for (DWORD pixel : blank) ASSERT_EQ(pixel, blank[0]);
  ASSERT_EQ(prop_->SetFilterType(-4031 + 24019), S_OK);  // would be the logo's id
  FilterNotifies();
  EXPECT_EQ(Picture(), blank);
  ASSERT_EQ(prop_->SetFilterType(1), S_OK);
  FilterNotifies();
  EXPECT_EQ(Selected(Page::kStyleCombo), 1);
  EXPECT_EQ(Picture(), shapes[1]);
}

// While the user drags the amount fader, the refresh after each step rewrites
// its text but never sets the fader's position; a full refresh does.
TEST_F(PmeqPage, DraggingTheAmountFaderLeavesItWhereTheDragPutsIt) {
  Open();
  HWND fader = page_.Control(Page::kAmountFader);
  const POINT thumb = ThumbAt(fader, Amount(), orlofx::TaperTable::kLevel, true);
  MessageRecorder positions(fader, {orlofx::SLM_SETPOS});
  SendMessageW(fader, WM_LBUTTONDOWN, MK_LBUTTON, At(thumb));
  long previous = Amount();
  for (int dy : {-6, -14, -25, 9}) {
    const POINT to = {thumb.x, thumb.y + dy};
    SendMessageW(fader, WM_MOUSEMOVE, MK_LBUTTON, At(to));
    PumpMessages();
    const long dragged = page_.SliderPosition(Page::kAmountFader);
    EXPECT_NE(dragged, previous) << dy;
    previous = dragged;
    EXPECT_EQ(Amount(), dragged) << dy;
    char expected[32] = {};
    std::snprintf(expected, sizeof expected, "%.1f dB", dragged / 10.0);
    EXPECT_EQ(page_.Text(Page::kAmountText), orlofx::Utf8ToWide(expected)) << dy;
  }
  SendMessageW(fader, WM_LBUTTONUP, 0, At(POINT{thumb.x, thumb.y + 9}));
  PumpMessages();
  EXPECT_EQ(page_.SliderPosition(Page::kAmountFader), previous);
  EXPECT_EQ(Amount(), previous);
  page_.Key(Page::kAmountFader, VK_UP);
  EXPECT_EQ(Amount(), previous + 1);
  EXPECT_TRUE(positions.entries.empty());

  // Only a full refresh positions the fader from the filter.
  ASSERT_EQ(prop_->SetAmount(-321), S_OK);
  FilterNotifies();
  ASSERT_EQ(positions.entries.size(), 1u);
  EXPECT_EQ(positions.entries[0].lParam, -321);
  EXPECT_EQ(page_.SliderPosition(Page::kAmountFader), -321);
  EXPECT_EQ(page_.Text(Page::kAmountText), L"-32.1 dB");
}

// Pictures of the page in every language, both label sets checked for fit;
// the English one goes into the documentation.
// ---- context help -----------------------------------------------------------------

// WinHelp hands its commands to the help window of class "MS_WINHELP" by
// WM_COPYDATA; this window stands in for it and keeps the context ids.
struct HelpWindow {
  static std::vector<DWORD>& Contexts() {
    static std::vector<DWORD> contexts;
    return contexts;
  }
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      const BYTE* help = static_cast<const BYTE*>(data->lpData);
      WORD command = 0;
      LONG context = 0;
      if (data->cbData >= 8) {
        std::memcpy(&command, help + 2, sizeof command);
        std::memcpy(&context, help + 4, sizeof context);
      }
      if (command == HELP_CONTEXTPOPUP) Contexts().push_back(static_cast<DWORD>(context));
      return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  HelpWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MS_WINHELP";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, L"MS_WINHELP", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  }
  ~HelpWindow() {
    DestroyWindow(window);
    UnregisterClassW(L"MS_WINHELP", GetModuleHandleW(nullptr));
  }
  HWND window;
};

// The help files are looked for beside the module, so the module is loaded
// from a folder of its own with a help file beside it; the test folder's
// module stays without one for the other tests.
TEST(PmeqPageHelp, EveryControlOpensItsOwnHelpPopup) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  WCHAR exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  const std::wstring copyFolder = folder + L"pmeq_help";
  CreateDirectoryW(copyFolder.c_str(), nullptr);
  const std::wstring module = copyFolder + L"\\orlofx_help.dll";
  ASSERT_TRUE(CopyFileW((folder + L"orlofx.dll").c_str(), module.c_str(), FALSE));
  HANDLE hlp = CreateFileW((copyFolder + L"\\orlofx_help.hlp").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(hlp, INVALID_HANDLE_VALUE);
  CloseHandle(hlp);

  HMODULE library = LoadLibraryW(module.c_str());
  ASSERT_NE(library, nullptr);
  auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
  ASSERT_NE(getClassObject, nullptr);
  auto create = [&](REFCLSID clsid, REFIID iid, void** object) {
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, iid, object);
    factory->Release();
    return hr;
  };
  IUnknown* filter = nullptr;
  IPropertyPage* page = nullptr;
  ASSERT_EQ(create(kClsidPmeq, IID_IUnknown, reinterpret_cast<void**>(&filter)), S_OK);
  ASSERT_EQ(create(kClsidPmeqPage, IID_IPropertyPage, reinterpret_cast<void**>(&page)), S_OK);
  {
    HostWindow host(640, 400);
    TestPageSite site;
    HelpWindow help;
    ASSERT_EQ(page->SetPageSite(&site), S_OK);
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);  // resolves the help files
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszHelpFile);
    const RECT rect = {0, 0, info.size.cx, info.size.cy};
    ASSERT_EQ(page->SetObjects(1, &filter), S_OK);
    ASSERT_EQ(page->Activate(host.Handle(), &rect, FALSE), S_OK);
    HWND dialog = FindPageDialog(host.Handle(), Page::kShapePicture);
    ASSERT_NE(dialog, nullptr);

    const struct {
      int control;
      DWORD context;
    } expected[] = {{4010, 79}, {4021, 79}, {4022, 79}, {4008, 80}, {4020, 80}, {4023, 80},
                    {4015, 81}, {4011, 81}, {4029, 81}, {4016, 82}, {4012, 82}, {4030, 82},
                    {4009, 83}, {4024, 83}, {4019, 85}, {4025, 85}, {4035, 84}};
    for (const auto& e : expected) {
      HelpWindow::Contexts().clear();
      HELPINFO info2 = {};
      info2.cbSize = sizeof info2;
      info2.iContextType = HELPINFO_WINDOW;
      info2.iCtrlId = e.control;
      info2.hItemHandle = GetDlgItem(dialog, e.control);
      SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info2));
      EXPECT_EQ(HelpWindow::Contexts(), std::vector<DWORD>({e.context})) << e.control;
    }
    // The logo bar has no popup of its own.
    HelpWindow::Contexts().clear();
    HELPINFO logo = {};
    logo.cbSize = sizeof logo;
    logo.iContextType = HELPINFO_WINDOW;
    logo.iCtrlId = kLogo;
    SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&logo));
    EXPECT_TRUE(HelpWindow::Contexts().empty());

    page->Deactivate();
    page->SetObjects(0, nullptr);
    page->SetPageSite(nullptr);
  }
  page->Release();
  filter->Release();
  PumpMessages();
  FreeLibrary(library);
  DeleteFileW(module.c_str());
  DeleteFileW((copyFolder + L"\\orlofx_help.hlp").c_str());
  RemoveDirectoryW(copyFolder.c_str());
  CoUninitialize();
}

}  // namespace

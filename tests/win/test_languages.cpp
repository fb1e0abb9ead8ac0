// The module's four languages: every dialog and menu in each of them, the
// language switch reaching presets, pages and menus, texts that fit their
// controls, and a capture of every page and the About box per language.
#include <windows.h>
#include <oleacc.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "effects/noisgt/win/noisgt_filter.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/baseclasses/dll_entry.h"
#include "framework/win/guids.h"
#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"
#include "support/win/wide_text.h"
#include "support/win/module_resources.h"
#include "tests/win/support/capture.h"
#include "tests/win/support/dialog_fit.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "ui/meter_control.h"
#include "framework/controls/meter_model.h"

namespace {

constexpr LANGID kEnglish = 0x0409;
constexpr LANGID kGerman = 0x0407;
constexpr LANGID kFrench = 0x040C;
constexpr LANGID kJapanese = 0x0411;

struct Language {
  LANGID id;
  const char* tag;
};
const Language kLanguages[] = {{kEnglish, "en"}, {kGerman, "de"}, {kFrench, "fr"}, {kJapanese, "ja"}};

constexpr int kAboutDialog = 710;
constexpr int kGraphicEqReadout = 6089;
constexpr UINT kEnvelopeTracking = 1560;  // the envelope graph's pointer notification
constexpr int kAboutCommand = 41001;  // the page menu's About item

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string Hex(LANGID language) {
  char text[8];
  std::snprintf(text, sizeof(text), "0x%04X", language);
  return text;
}

struct ResourceWalk {
  std::map<int, std::set<LANGID>> found;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR name, WORD language, LONG_PTR param) {
  auto* walk = reinterpret_cast<ResourceWalk*>(param);
  walk->found[static_cast<int>(reinterpret_cast<ULONG_PTR>(name))].insert(language);
  return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  auto* walk = reinterpret_cast<ResourceWalk*>(param);
  walk->found[static_cast<int>(reinterpret_cast<ULONG_PTR>(name))];
  EnumResourceLanguagesW(module, type, name, OnLanguage, param);
  return TRUE;
}

// The integer names of every resource of `type` in the module, with the
// languages each one comes in.
std::map<int, std::set<LANGID>> ResourcesOf(HMODULE module, LPCWSTR type) {
  ResourceWalk walk;
  EnumResourceNamesW(module, type, OnName, reinterpret_cast<LONG_PTR>(&walk));
  return walk.found;
}

std::wstring MenuItemText(HMENU menu, UINT id) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, id, text, 128, MF_BYCOMMAND);
  return text;
}

TEST(LanguageResources, EveryDialogAndMenuComesInAllFourLanguages) {
  ModuleUnderTest module;
  ASSERT_TRUE(module.Loaded());
  const auto dialogs = ResourcesOf(module.Handle(), MAKEINTRESOURCEW(5));  // RT_DIALOG
  const auto menus = ResourcesOf(module.Handle(), MAKEINTRESOURCEW(4));    // RT_MENU
  // The frame's own: the Noise Gate page, the About box, the meter's menu.
  EXPECT_EQ(dialogs.count(1000), 1u);
  EXPECT_EQ(dialogs.count(kAboutDialog), 1u);
  EXPECT_EQ(menus.count(162), 1u);
  std::vector<std::string> missing;
  for (const auto* table : {&dialogs, &menus}) {
    for (const auto& entry : *table) {
      for (const Language& language : kLanguages) {
        if (!entry.second.count(language.id)) {
          missing.push_back(std::string(table == &dialogs ? "dialog " : "menu ") + std::to_string(entry.first) +
                            " lacks " + language.tag + " (" + Hex(language.id) + ")");
        }
      }
    }
  }
  EXPECT_TRUE(missing.empty()) << Joined(missing);
}

TEST(LanguageResources, EveryDialogFitsInEveryLanguage) {
  ModuleUnderTest module;
  ASSERT_TRUE(module.Loaded());
  const auto dialogs = ResourcesOf(module.Handle(), MAKEINTRESOURCEW(5));
  ASSERT_FALSE(dialogs.empty());
  std::vector<std::string> problems;
  for (const auto& entry : dialogs) {
    for (const Language& language : kLanguages) {
      if (!entry.second.count(language.id)) continue;  // reported by the test above
      for (const std::string& p : DialogFitProblems(module.Handle(), entry.first, language.id))
        problems.push_back(p);
    }
  }
  EXPECT_TRUE(problems.empty()) << Joined(problems);
}

TEST(LanguageResources, TheFitCheckFindsClippedAndOverlappingControls) {
  // A dialog built here: a label far too narrow for its text, a check box
  // whose label runs under the box's neighbour, one control outside, and a
  // label that the control breaks into lines.
  HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HWND dialog = CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 300, 200, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w, int h) {
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
  };
  make(L"Static", L"A label that is much too long", SS_LEFT, 11, 10, 10, 40, 14);
  make(L"Static", L"Fits", SS_LEFT, 12, 10, 40, 100, 14);
  make(L"Button", L"Check", BS_AUTOCHECKBOX, 13, 10, 70, 100, 14);
  make(L"Button", L"Neighbour", BS_PUSHBUTTON, 14, 60, 75, 80, 20);
  make(L"Button", L"Group", BS_GROUPBOX, 15, 150, 10, 140, 60);
  make(L"Button", L"Inside", BS_AUTORADIOBUTTON, 16, 160, 30, 100, 14);
  make(L"Static", L"Off", SS_LEFT, 17, 280, 190, 40, 14);
  // Tall enough for two lines, so it fits only by breaking one.
  make(L"Static", L"Broken between words", SS_LEFT, 18, 10, 100, 60, 60);
  const std::vector<std::string> problems = WindowFitProblems(dialog, "built");
  DestroyWindow(parent);

  auto mentions = [&](const std::string& a, const std::string& b) {
    for (const std::string& p : problems)
      if (p.find(a) != std::string::npos && (b.empty() || p.find(b) != std::string::npos)) return true;
    return false;
  };
  EXPECT_TRUE(mentions("control 11 \"A label that is much too long\"", "it wraps, unbroken")) << Joined(problems);
  EXPECT_TRUE(mentions("control 13", "overlaps control 14")) << Joined(problems);
  EXPECT_TRUE(mentions("control 17", "outside")) << Joined(problems);
  EXPECT_TRUE(mentions("control 18", "breaks a line its text does not break")) << Joined(problems);
  // Nothing about the label that fits or the radio button in its group box.
  EXPECT_FALSE(mentions("control 12", "")) << Joined(problems);
  EXPECT_FALSE(mentions("control 16", "")) << Joined(problems);
  EXPECT_EQ(problems.size(), 4u) << Joined(problems);
}

TEST(LanguageResources, TheNumberCheckFindsNumbersLaidOutForAnotherLocale) {
  // The test prefix runs in US English: "1,000.5" is its layout.
  HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  const wchar_t* texts[] = {L"Mitte (50 bis 15.000 Hz):", L"Breite (0,3 bis 3 Okt.):", L"(20 \u00E0 15 000 Hz)",
                            L"Center (50 to 15,000 Hz):", L"Threshold (-80 to -0.1 dB):", L"20,480 Hz, -0.3 dB",
                            L"Band &1 bypass"};
  int id = 11;
  for (const wchar_t* text : texts) {
    CreateWindowExW(0, L"Static", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 20 * (id - 11), 300, 16, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    ++id;
  }
  const std::vector<std::string> problems = NumberLayoutProblems(parent, "built");
  DestroyWindow(parent);
  ASSERT_EQ(problems.size(), 3u) << Joined(problems);
  EXPECT_NE(problems[0].find("control 11"), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("control 12"), std::string::npos) << problems[1];
  EXPECT_NE(problems[2].find("control 13"), std::string::npos) << problems[2];
}

TEST(LanguageResources, MenusFollowTheChosenLanguageNotTheThreads) {
  ModuleUnderTest module;
  ASSERT_TRUE(module.Loaded());
  struct Case {
    int language;
    const wchar_t* resetClip;
  };
  // de-CH has no resources of its own and reads the German ones; Hebrew has
  // none at all and reads English.
  const Case cases[] = {{1031, L"Clip &zurücksetzen"}, {2055, L"Clip &zurücksetzen"},
                        {1036, L"&Réinitialiser l’écrêtage"}, {1041, L"クリップをリセット(&R)"},
                        {1037, L"&Reset Clip"}, {0, L"&Reset Clip"}};
  for (const Case& c : cases) {
    orlofx::SetLanguage(c.language);
    HMENU menu = orlofx::LoadModuleMenu(module.Handle(), 162);
    ASSERT_NE(menu, nullptr) << c.language;
    EXPECT_EQ(MenuItemText(menu, 40011), c.resetClip) << c.language;
    DestroyMenu(menu);
  }
  orlofx::SetLanguage(0);
}

// --- the switch through a filter ---------------------------------------------------------

class LanguageSwitch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(CLSID_AkNoisgt, IID_IUnknown, &filter_), S_OK);
    ASSERT_EQ(filter_->QueryInterface(IID_IAkTranslationInfo, reinterpret_cast<void**>(&translation_)), S_OK);
    ASSERT_EQ(filter_->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&presets_)), S_OK);
  }
  void TearDown() override {
    if (translation_) {
      translation_->SetLanguage(0);
      translation_->Release();
    }
    if (presets_) presets_->Release();
    if (filter_) filter_->Release();
    PumpMessages();
    CoUninitialize();
  }
  std::wstring PresetName(long index) {
    WCHAR name[260] = {};
    EXPECT_EQ(presets_->GetPresetName(index, name, 260), S_OK);
    return name;
  }
  // Opens the Noise Gate page, reads its title and one label, closes it.
  void PageTexts(std::wstring* title, std::wstring* attack, std::wstring* threshold) {
    HostWindow host;
    HostedPage page;
    ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host.Handle()), S_OK);
    PROPPAGEINFO info = {};
    info.cb = sizeof(info);
    ASSERT_EQ(page.Page()->GetPageInfo(&info), S_OK);
    *title = info.pszTitle ? info.pszTitle : L"";
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    *attack = page.Text(1012);
    *threshold = page.Text(1011);
    page.Close();
  }

  ModuleUnderTest module_;
  IUnknown* filter_ = nullptr;
  IAkTranslationInfo* translation_ = nullptr;
  IStaticFilterPreset* presets_ = nullptr;
};

TEST_F(LanguageSwitch, GermanReachesPresetNamesAndPagesOpenedAfterwards) {
  ASSERT_EQ(translation_->SetLanguage(0x0407), S_OK);
  EXPECT_EQ(PresetName(0), L"(Standard)");
  EXPECT_EQ(PresetName(1), L"Alle Parameter auf Standard");
  std::wstring title, attack, threshold;
  PageTexts(&title, &attack, &threshold);
  EXPECT_EQ(title, L"Noise-Gate");
  EXPECT_EQ(attack, L"&Ansprechzeit (1 bis 500 ms):");
  EXPECT_EQ(threshold, L"Sch&welle\n(-Inf. bis 0 dB)");

  ASSERT_EQ(translation_->SetLanguage(0), S_OK);
  EXPECT_EQ(PresetName(0), L"(Default)");
  PageTexts(&title, &attack, &threshold);
  EXPECT_EQ(title, L"Noise Gate");
  EXPECT_EQ(attack, L"A&ttack time (1 to 500 ms):");
}

TEST_F(LanguageSwitch, FrenchAndJapaneseAndAnyGermanSublanguage) {
  ASSERT_EQ(translation_->SetLanguage(0x040C), S_OK);
  EXPECT_EQ(PresetName(0), L"(Par défaut)");
  ASSERT_EQ(translation_->SetLanguage(0x0411), S_OK);
  EXPECT_EQ(PresetName(0), L"(デフォルト)");
  // Swiss German: the German strings and the German dialog.
  ASSERT_EQ(translation_->SetLanguage(0x0807), S_OK);
  EXPECT_EQ(PresetName(0), L"(Standard)");
  std::wstring title, attack, threshold;
  PageTexts(&title, &attack, &threshold);
  EXPECT_EQ(attack, L"&Ansprechzeit (1 bis 500 ms):");
}

TEST_F(LanguageSwitch, RightToLeftLanguagesTurnTheProcessLayout) {
  DWORD layout = 0;
  ASSERT_TRUE(SetProcessDefaultLayout(0));
  ASSERT_EQ(translation_->SetLanguage(0x0407), S_OK);
  ASSERT_TRUE(GetProcessDefaultLayout(&layout));
  EXPECT_EQ(layout, 0u);
  // Hebrew: no texts of its own (English is read), but the layout turns.
  ASSERT_EQ(translation_->SetLanguage(0x040D), S_OK);
  ASSERT_TRUE(GetProcessDefaultLayout(&layout));
  EXPECT_EQ(layout, static_cast<DWORD>(LAYOUT_RTL));
  EXPECT_EQ(PresetName(0), L"(Default)");
  SetProcessDefaultLayout(0);
  ASSERT_EQ(translation_->SetLanguage(0x0429), S_OK);  // Farsi
  ASSERT_TRUE(GetProcessDefaultLayout(&layout));
  EXPECT_EQ(layout, static_cast<DWORD>(LAYOUT_RTL));
  SetProcessDefaultLayout(0);
}

TEST(LanguageSwitchWithoutResources, SetLanguageFailsAndChangesNothing) {
  // This program's own copy of the filter frame runs without a module
  // instance, so it has no resources to switch.
  ASSERT_EQ(g_hInst, nullptr);
  HRESULT hr = S_OK;  // as a class factory hands it in; only failures set it
  CUnknown* object = CAkNoisgt::CreateInstance(nullptr, &hr, nullptr);
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(hr, S_OK);
  object->NonDelegatingAddRef();
  IAkTranslationInfo* translation = nullptr;
  ASSERT_EQ(object->NonDelegatingQueryInterface(IID_IAkTranslationInfo, reinterpret_cast<void**>(&translation)),
            S_OK);
  orlofx::SetLanguage(0);
  EXPECT_EQ(translation->SetLanguage(0x0407), E_FAIL);
  EXPECT_EQ(orlofx::CurrentLanguage(), orlofx::kLanguageEnglish);
  translation->Release();
  object->NonDelegatingRelease();
}

// --- every page in every language: live fit and captures ----------------------------------

// A meter's clip readout: white text on a band of dark grey, or of red
// while it shows a clip.
bool ReadoutBand(const std::uint8_t* rgb) { return rgb[1] < 100 && rgb[2] < 100; }
bool ReadoutInk(const std::uint8_t* rgb) { return rgb[0] > 150 && rgb[1] > 150 && rgb[2] > 150; }

// Each clip readout a meter of the page can show ("-Inf.", a level, "Clip"
// on a level meter), set through the meter's clip hold and read back from
// its pixels: the ink of the text must span as wide as the whole text does
// in the meter's font, so that nothing is cut or shrunk. One problem per
// readout that falls short.
std::vector<std::string> MeterReadoutProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  for (HWND meter = GetWindow(dialog, GW_CHILD); meter; meter = GetWindow(meter, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(meter, cls, 64);
    if (_wcsicmp(cls, orlofx::kMeterClassName) != 0) continue;
    const LRESULT options = SendMessageW(meter, orlofx::kMeterGetOptions, 0, 0);
    struct Readout {
      LPARAM hold;  // on a full scale of 32768
      std::string text;
    };
    std::vector<Readout> readouts = {{0, orlofx::LoadString(orlofx::sid::kMeterMinusInfinity)},
                                     {4080, orlofx::FormatLevel(-181, 1, 0, nullptr)}};
    if (!(options & orlofx::kMeterInverted)) readouts.push_back({40000, orlofx::LoadString(orlofx::sid::kMeterClip)});
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(meter, WM_GETFONT, 0, 0));
    for (const Readout& r : readouts) {
      SendMessageW(meter, orlofx::kMeterSetClipHolds, 1, r.hold);
      const std::wstring text = orlofx::Utf8ToWide(r.text);
      HDC dc = GetDC(meter);
      HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
      SIZE size = {};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      SelectObject(dc, old);
      ReleaseDC(meter, dc);
      int width = 0, height = 0;
      std::vector<std::uint8_t> rgb;
      if (!capture::CaptureClientRgb(meter, &width, &height, &rgb)) {
        problems.push_back(name + ": meter " + std::to_string(GetDlgCtrlID(meter)) + " cannot be captured");
        continue;
      }
      // The readout band runs along the top of the meter, one text line
      // high; its top row holds no text.
      auto at = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; };
      int left = width, right = -1;
      for (int y = 1; y < std::min<int>(height, size.cy + 4); ++y) {
        for (int x = 0; x < width; ++x) {
          if (!ReadoutBand(at(x, 0)) || !ReadoutInk(at(x, y))) continue;
          left = std::min(left, x);
          right = std::max(right, x);
        }
      }
      const int ink = right >= left ? right - left + 1 : 0;
      // Ink is a little narrower than the advance widths: side bearings.
      if (ink < size.cx - 4) {
        problems.push_back(name + ": meter " + std::to_string(GetDlgCtrlID(meter)) + " shows \"" + r.text + "\" " +
                           std::to_string(ink) + " px wide, the text is " + std::to_string(size.cx) + " px");
      }
    }
  }
  return problems;
}

struct PageCase {
  const char* name;
  const CLSID* filter;
  CLSID page;
  long preset;  // applied first, so that the captures show something
};

// The page identifiers (the same as the module's factory table).
const PageCase kPages[] = {
    {"noisgt", &CLSID_AkNoisgt, {0xA6DF8F41, 0xBAF4, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}}, 3},
    {"gdyn", &CLSID_AkGdyn, {0xF3B8E881, 0xB4E0, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}}, 9},
    {"mbdyn1", &CLSID_AkMbdyn, {0x026D0AA1, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}}, 5},
    {"mbdyn2", &CLSID_AkMbdyn, {0x026D0AA2, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}}, 5},
    {"pmeq", &CLSID_AkPmeq, {0xA8448721, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}}, 5},
    // The shelf style lays out other labels.
    {"pmeq_shelf", &CLSID_AkPmeq, {0xA8448721, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}}, 2},
    {"pgeq", &CLSID_AkPgeq, {0xD616F3E1, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}}, 9},
    {"geq10", &CLSID_AkGeq, {0x8B7227EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}}, 7},
    {"geq20", &CLSID_AkGeq, {0x8B7228EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}}, 7},
    {"geqenv", &CLSID_AkGeq, {0x8B7229EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}}, 7},
};

// What a screen reader hears of the page's custom controls: every slider
// has a name (its label) and a value, the meters and graphs their roles.
std::vector<std::string> AccessibleProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  const struct {
    const wchar_t* cls;
    long role;
    bool named;
  } kinds[] = {{L"tovra2Bld314FaderClass", ROLE_SYSTEM_SLIDER, true},
               {L"tovra2Bld314TrackbarClass", ROLE_SYSTEM_SLIDER, true},
               {L"tovra2Bld314MeterClass", ROLE_SYSTEM_PROGRESSBAR, false},
               {L"tovra2Bld314EnvelopeClass", ROLE_SYSTEM_CHART, true}};
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    for (const auto& kind : kinds) {
      if (_wcsicmp(cls, kind.cls) != 0) continue;
      const std::string control = name + ": control " + std::to_string(GetDlgCtrlID(child));
      AccessibleText heard;
      if (!ReadAccessible(child, &heard)) {
        problems.push_back(control + " answers no accessible object");
      } else {
        if (heard.role != kind.role) problems.push_back(control + " has role " + std::to_string(heard.role));
        if (kind.named && heard.name.empty()) problems.push_back(control + " has no accessible name");
        if (heard.value.empty()) problems.push_back(control + " has no accessible value");
      }
    }
  }
  return problems;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// Captures at another screen DPI than 96 carry it in their names
// ("pgeq_en_144dpi").
std::string DpiSuffix() {
  const int dpi = ScreenDpi();
  return dpi == 96 ? std::string() : "_" + std::to_string(dpi) + "dpi";
}

// The trackbars' thumbs grow with the screen's DPI, as the dialog does: 12
// pixels along the travel at 96 DPI (the travel starts half a thumb in).
std::vector<std::string> ThumbProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  const int half = MulDiv(12, ScreenDpi(), 96) / 2;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (_wcsicmp(cls, L"tovra2Bld314TrackbarClass") != 0) continue;
    const int start = HIWORD(SendMessageW(child, 1566, 0, 0));  // (channel start << 16) | travel
    if (start != half) {
      problems.push_back(name + ": trackbar " + std::to_string(GetDlgCtrlID(child)) + " has a thumb " +
                         std::to_string(2 * start) + " px long, not " + std::to_string(2 * half));
    }
  }
  return problems;
}

class EveryPage : public ::testing::TestWithParam<PageCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override {
    PumpMessages();
    CoUninitialize();
  }
  ModuleUnderTest module_;
};

TEST_P(EveryPage, ShowsItsLanguageFitsAndIsCaptured) {
  const PageCase& c = GetParam();
  ASSERT_TRUE(module_.Loaded());
  IUnknown* filter = nullptr;
  ASSERT_EQ(module_.Create(*c.filter, IID_IUnknown, &filter), S_OK);
  IAkTranslationInfo* translation = nullptr;
  ASSERT_EQ(filter->QueryInterface(IID_IAkTranslationInfo, reinterpret_cast<void**>(&translation)), S_OK);
  IStaticFilterPreset* presets = nullptr;
  ASSERT_EQ(filter->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&presets)), S_OK);
  EXPECT_EQ(presets->ApplyPreset(c.preset), S_OK);
  presets->Release();
  std::vector<std::string> problems;
  std::set<std::wstring> titles;
  bool opened = true;
  for (const Language& language : kLanguages) {
    ASSERT_EQ(translation->SetLanguage(language.id), S_OK);
    HostWindow host(1260, 990);  // the pages at 144 DPI too, within the 1280 x 1024 screen
    HostedPage page;
    const HRESULT hr = page.Open(module_, c.page, filter, host.Handle());
    if (FAILED(hr)) {
      ADD_FAILURE() << c.name << " (" << language.tag << "): the page cannot be created, 0x" << std::hex
                    << static_cast<unsigned long>(hr);
      opened = false;
      break;
    }
    PROPPAGEINFO info = {};
    info.cb = sizeof(info);
    if (page.Page()->GetPageInfo(&info) == S_OK && info.pszTitle) titles.insert(info.pszTitle);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    // The widest texts the Graphic EQ pages show: its band values at
    // "-40.8" (the digit key 1 puts a fader a tenth of the way up its range;
    // every second band, so that the curve keeps a shape to look at), and
    // the envelope's readout of a pointer at the top right.
    for (int k = 1; k < 20 && std::string(c.name).rfind("geq", 0) == 0; k += 4) {
      if (HWND fader = GetDlgItem(page.Dialog(), 6006 + k)) {
        SendMessageW(fader, WM_KEYDOWN, '1', 1);
        SendMessageW(fader, WM_KEYUP, '1', 0xC0000001);
      }
    }
    if (GetDlgItem(page.Dialog(), kGraphicEqReadout))
      PostMessageW(page.Dialog(), kEnvelopeTracking, 0, MAKELPARAM(10000, static_cast<WORD>(-499)));
    PumpMessages();
    // The texts the page sets at run time must fit as well as the template's.
    for (const std::string& p : WindowFitProblems(page.Dialog(), std::string(c.name) + " page " + language.tag))
      problems.push_back(p);
    // Each access key leads to one control.
    for (const std::string& p : MnemonicProblems(page.Dialog(), std::string(c.name) + " page " + language.tag))
      problems.push_back(p);
    for (const std::string& p : ThumbProblems(page.Dialog(), std::string(c.name) + " page " + language.tag))
      problems.push_back(p);
    for (const std::string& p : AccessibleProblems(page.Dialog(), std::string(c.name) + " page " + language.tag))
      problems.push_back(p);
    // Numbers in labels follow the locale, as the values beside them do.
    for (const std::string& p : NumberLayoutProblems(page.Dialog(), std::string(c.name) + " page " + language.tag))
      problems.push_back(p);
    if (!CapturePage(page.Dialog(), (std::string(c.name) + "_" + language.tag + DpiSuffix()).c_str()))
      problems.push_back(std::string(c.name) + " page " + language.tag + ": no picture");
    orlofx::SetLanguage(language.id);  // this program's own string tables, for the expected texts
    for (const std::string& p : MeterReadoutProblems(page.Dialog(), std::string(c.name) + " page " + language.tag))
      problems.push_back(p);
    orlofx::SetLanguage(0);

    if (std::string(c.name) == "noisgt") {
      // The About box in this language, opened from the page menu.
      bool aboutSeen = false;
      RunWithTimer([&] { SendMessageW(page.Dialog(), WM_COMMAND, kAboutCommand, 0); },
                   [&] {
                     HWND about = nullptr;
                     for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
                       wchar_t cls[16] = {};
                       GetClassNameW(w, cls, 16);
                       if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() &&
                           wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w) && GetDlgItem(w, 713)) {
                         about = w;
                         break;
                       }
                     }
                     if (!about) return false;
                     for (const std::string& p : WindowFitProblems(about, std::string("about ") + language.tag))
                       problems.push_back(p);
                     if (!CapturePage(about, (std::string("about_") + language.tag + DpiSuffix()).c_str()))
                       problems.push_back(std::string("about ") + language.tag + ": no picture");
                     SendMessageW(about, WM_COMMAND, IDOK, 0);
                     aboutSeen = true;
                     return true;
                   });
      EXPECT_TRUE(aboutSeen) << language.tag;
    }
    page.Close();
  }
  translation->SetLanguage(0);
  translation->Release();
  filter->Release();
  if (!opened) return;
  EXPECT_TRUE(problems.empty()) << Joined(problems);
  // Four languages, four page titles (each page's title is translated).
  EXPECT_EQ(titles.size(), 4u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryPage, ::testing::ValuesIn(kPages),
                         [](const ::testing::TestParamInfo<PageCase>& param) { return std::string(param.param.name); });

}  // namespace

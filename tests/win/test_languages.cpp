// The module's four languages: every dialog and menu in each of them, the
// switch reaching presets, pages and menus, and every page and the About box
// in each language: texts that fit, access keys, what a screen reader hears,
// and a picture.
#include <windows.h>
#include <oleacc.h>
#include <objbase.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/win/ak_interfaces.h"
#include "framework/win/guids.h"
#include "support/strings.h"
#include "support/win/module_resources.h"
#include "support/win/wide_text.h"
#include "tests/win/support/dialog_fit.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "ui/meter_control.h"

namespace {

struct Language {
  LANGID id;
  const char* tag;
};
const Language kLanguages[] = {{0x0409, "en"}, {0x0407, "de"}, {0x040C, "fr"}, {0x0411, "ja"}};

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The integer names of every resource of `type`, with the languages of each.
// (Enumeration callbacks are stdcall on 32-bit Windows: no lambdas.)
using ResourceLanguages = std::map<int, std::set<LANGID>>;

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR name, WORD language, LONG_PTR param) {
  (*reinterpret_cast<ResourceLanguages*>(param))[static_cast<int>(reinterpret_cast<ULONG_PTR>(name))]
      .insert(language);
  return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  (*reinterpret_cast<ResourceLanguages*>(param))[static_cast<int>(reinterpret_cast<ULONG_PTR>(name))];
  EnumResourceLanguagesW(module, type, name, AddLanguage, param);
  return TRUE;
}

ResourceLanguages ResourcesOf(HMODULE module, LPCWSTR type) {
  ResourceLanguages found;
  EnumResourceNamesW(module, type, AddName, reinterpret_cast<LONG_PTR>(&found));
  return found;
}

TEST(LanguageResources, EveryDialogAndMenuComesInAllFourLanguages) {
  ModuleUnderTest module;
  const auto dialogs = ResourcesOf(module.Handle(), MAKEINTRESOURCEW(5));  // RT_DIALOG
  const auto menus = ResourcesOf(module.Handle(), MAKEINTRESOURCEW(4));    // RT_MENU
  // The frame's own among them: the Noise Gate page, the About box, the meter's menu.
  EXPECT_EQ(dialogs.count(1000) + dialogs.count(710) + menus.count(162), 3u);
  std::vector<std::string> missing;
  for (const auto* table : {&dialogs, &menus})
    for (const auto& entry : *table)
      for (const Language& language : kLanguages)
        if (!entry.second.count(language.id)) missing.push_back(std::to_string(entry.first) + " lacks " + language.tag);
  EXPECT_TRUE(missing.empty()) << Joined(missing);
}

TEST(LanguageResources, EveryDialogFitsInEveryLanguage) {
  ModuleUnderTest module;
  std::vector<std::string> problems;
  for (const auto& entry : ResourcesOf(module.Handle(), MAKEINTRESOURCEW(5)))
    for (const Language& language : kLanguages)
      for (const std::string& p : DialogFitProblems(module.Handle(), entry.first, language.id)) problems.push_back(p);
  EXPECT_TRUE(problems.empty()) << Joined(problems);
}

TEST(LanguageResources, MenusFollowTheChosenLanguageNotTheThreads) {
  ModuleUnderTest module;
  // de-CH reads the German resources; Hebrew has none and reads English.
  const std::pair<int, const wchar_t*> cases[] = {
      {1031, L"Clip &zurücksetzen"}, {2055, L"Clip &zurücksetzen"}, {1036, L"&Réinitialiser l’écrêtage"},
      {1041, L"クリップをリセット(&R)"}, {1037, L"&Reset Clip"},        {0, L"&Reset Clip"}};
  for (const auto& c : cases) {
    orlofx::SetLanguage(c.first);
    HMENU menu = orlofx::LoadModuleMenu(module.Handle(), 162);
    WCHAR text[128] = {};
    GetMenuStringW(menu, 40011, text, 128, MF_BYCOMMAND);
    EXPECT_STREQ(text, c.second) << c.first;
    DestroyMenu(menu);
  }
  orlofx::SetLanguage(0);
}

// The switch through a filter: its presets, and the pages opened after it.
TEST(LanguageSwitch, ReachesPresetNamesPagesAndTheProcessLayout) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    ModuleUnderTest module;
    IUnknown* filter = nullptr;
    ASSERT_EQ(module.Create(CLSID_AkNoisgt, IID_IUnknown, &filter), S_OK);
    IAkTranslationInfo* translation = nullptr;
    IStaticFilterPreset* presets = nullptr;
    filter->QueryInterface(IID_IAkTranslationInfo, reinterpret_cast<void**>(&translation));
    filter->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&presets));
    const struct {
      LANGID language;
      const wchar_t *preset, *title, *attack;
      DWORD layout;
    } cases[] = {{0x0407, L"(Standard)", L"Noise-Gate", L"&Ansprechzeit (1 bis 500 ms):", 0},
                 {0x0807, L"(Standard)", L"Noise-Gate", L"&Ansprechzeit (1 bis 500 ms):", 0},  // Swiss German
                 {0x040C, L"(Par défaut)", nullptr, nullptr, 0},
                 {0x0411, L"(デフォルト)", nullptr, nullptr, 0},
                 {0x040D, L"(Default)", nullptr, nullptr, LAYOUT_RTL},  // Hebrew: English texts, turned layout
                 {0x0429, L"(Default)", nullptr, nullptr, LAYOUT_RTL},
                 {0, L"(Default)", L"Noise Gate", L"A&ttack time (1 to 500 ms):", 0}};
    for (const auto& c : cases) {
      SetProcessDefaultLayout(0);
      ASSERT_EQ(translation->SetLanguage(c.language), S_OK);
      WCHAR name[260] = {};
      presets->GetPresetName(0, name, 260);
      EXPECT_STREQ(name, c.preset) << c.language;
      DWORD layout = 99;
      GetProcessDefaultLayout(&layout);
      EXPECT_EQ(layout, c.layout) << c.language;
      if (!c.title) continue;
      HostWindow host;
      HostedPage page;
      ASSERT_EQ(page.Open(module, CLSID_AkNoisgtPropPage, filter, host.Handle()), S_OK);
      PROPPAGEINFO info = {};
      page.Page()->GetPageInfo(&info);
      EXPECT_STREQ(info.pszTitle, c.title);
      CoTaskMemFree(info.pszTitle);
      CoTaskMemFree(info.pszHelpFile);
      EXPECT_EQ(page.Text(1012), c.attack);
    }
    SetProcessDefaultLayout(0);
    presets->Release();
    translation->Release();
    filter->Release();
  }
  CoUninitialize();
}

// --- every page in every language -----------------------------------------------------

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// What the page's custom controls tell a screen reader (each slider a name
// and a value, meters and graphs their roles), and trackbar thumbs 12 pixels
// long at 96 DPI, grown with the screen's DPI as the dialogs are.
std::vector<std::string> ControlProblems(HWND dialog, const std::string& name) {
  std::vector<std::string> problems;
  const struct {
    const wchar_t* cls;
    long role;
    bool named;
  } kinds[] = {{L"tovra2Bld314FaderClass", ROLE_SYSTEM_SLIDER, true},
               {L"tovra2Bld314TrackbarClass", ROLE_SYSTEM_SLIDER, true},
               {orlofx::kMeterClassName, ROLE_SYSTEM_PROGRESSBAR, false},
               {L"tovra2Bld314EnvelopeClass", ROLE_SYSTEM_CHART, true}};
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    const std::string control = name + ": control " + std::to_string(GetDlgCtrlID(child));
    for (const auto& kind : kinds) {
      if (_wcsicmp(cls, kind.cls) != 0) continue;
      AccessibleText heard;
      if (!ReadAccessible(child, &heard)) problems.push_back(control + " answers no accessible object");
      else if (heard.role != kind.role || (kind.named && heard.name.empty()) || heard.value.empty())
        problems.push_back(control + " is heard as role " + std::to_string(heard.role) + ", name \"" +
                           orlofx::WideToUtf8(heard.name) + "\", value \"" + orlofx::WideToUtf8(heard.value) + "\"");
    }
    const int halfThumb = HIWORD(SendMessageW(child, 1566, 0, 0));  // where the travel starts
    if (_wcsicmp(cls, L"tovra2Bld314TrackbarClass") == 0 && halfThumb != MulDiv(12, ScreenDpi(), 96) / 2)
      problems.push_back(control + ": the thumb is not 12 pixels at 96 DPI");
  }
  return problems;
}

struct PageCase {
  const char* name;
  const CLSID* filter;
  const CLSID* page;
  long preset;  // applied first, so that the captures show something
};
const PageCase kPages[] = {
    {"noisgt", &CLSID_AkNoisgt, &CLSID_AkNoisgtPropPage, 3},  {"gdyn", &CLSID_AkGdyn, &CLSID_AkGdynPropPage, 9},
    {"mbdyn1", &CLSID_AkMbdyn, &CLSID_AkMbdynPropPage, 5},    {"mbdyn2", &CLSID_AkMbdyn, &CLSID_AkMbdynPropPage2, 5},
    {"pmeq", &CLSID_AkPmeq, &CLSID_AkPmeqPropPage, 5},        {"pmeq_shelf", &CLSID_AkPmeq, &CLSID_AkPmeqPropPage, 2},
    {"pgeq", &CLSID_AkPgeq, &CLSID_AkPgeqPropPage, 9},        {"geq10", &CLSID_AkGeq, &CLSID_AkGeqPropPage, 7},
    {"geq20", &CLSID_AkGeq, &CLSID_AkGeqPropPage2, 7},        {"geqenv", &CLSID_AkGeq, &CLSID_AkGeqPropPage3, 7},
};

class EveryPage : public ::testing::TestWithParam<PageCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override {
    PumpMessages();
    CoUninitialize();
  }
};

TEST_P(EveryPage, ShowsItsLanguageFitsAndIsCaptured) {
  const PageCase& c = GetParam();
  ModuleUnderTest module;
  IUnknown* filter = nullptr;
  ASSERT_EQ(module.Create(*c.filter, IID_IUnknown, &filter), S_OK);
  IAkTranslationInfo* translation = nullptr;
  IStaticFilterPreset* presets = nullptr;
  filter->QueryInterface(IID_IAkTranslationInfo, reinterpret_cast<void**>(&translation));
  filter->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&presets));
  EXPECT_EQ(presets->ApplyPreset(c.preset), S_OK);
  presets->Release();
  const std::string dpi = ScreenDpi() == 96 ? "" : "_" + std::to_string(ScreenDpi()) + "dpi";  // "pgeq_en_144dpi"
  std::vector<std::string> problems;
  std::set<std::wstring> titles;
  for (const Language& language : kLanguages) {
    ASSERT_EQ(translation->SetLanguage(language.id), S_OK);
    HostWindow host(1260, 990);  // the pages at 144 DPI too, within the 1280 x 1024 screen
    HostedPage page;
    ASSERT_EQ(page.Open(module, *c.page, filter, host.Handle()), S_OK) << language.tag;
    PROPPAGEINFO info = {};
    page.Page()->GetPageInfo(&info);
    titles.insert(info.pszTitle ? info.pszTitle : L"");
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszHelpFile);
    // The widest texts the Graphic EQ pages show: band values at "-40.8" (the
    // digit key 1 on every fourth band) and the readout at the top right.
    for (int k = 1; k < 20; k += 4)
      if (HWND fader = GetDlgItem(page.Dialog(), 6006 + k); fader && std::string(c.name).rfind("geq", 0) == 0)
        SendMessageW(fader, WM_KEYDOWN, '1', 1), SendMessageW(fader, WM_KEYUP, '1', 0xC0000001);
    if (GetDlgItem(page.Dialog(), 6089))
      PostMessageW(page.Dialog(), 1560, 0, MAKELPARAM(10000, static_cast<WORD>(-499)));
    PumpMessages();
    const std::string name = std::string(c.name) + " page " + language.tag;
    for (const auto& check : {WindowFitProblems, MnemonicProblems, ControlProblems})
      for (const std::string& p : check(page.Dialog(), name)) problems.push_back(p);
    if (!CapturePage(page.Dialog(), std::string(c.name) + "_" + language.tag + dpi))
      problems.push_back(name + ": no picture");
    if (c.filter == &CLSID_AkNoisgt) {  // the About box in this language, from the page menu
      bool seen = false;
      int found = 0;
      RunWithTimer([&] { SendMessageW(page.Dialog(), WM_COMMAND, 41001, 0); }, [&] {
        HWND about = FindThreadWindow(L"#32770");
        if (!about || !GetDlgItem(about, 713) || !found++) return false;  // a tick to paint first
        for (const std::string& p : WindowFitProblems(about, std::string("about ") + language.tag))
          problems.push_back(p);
        if (!CapturePage(about, std::string("about_") + language.tag + dpi)) problems.push_back("about: no picture");
        SendMessageW(about, WM_COMMAND, IDOK, 0);
        return seen = true;
      });
      EXPECT_TRUE(seen) << language.tag;
    }
  }
  translation->SetLanguage(0);
  translation->Release();
  filter->Release();
  EXPECT_TRUE(problems.empty()) << Joined(problems);
  EXPECT_EQ(titles.size(), 4u) << "each page's title is translated";
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryPage, ::testing::ValuesIn(kPages),
                         [](const ::testing::TestParamInfo<PageCase>& p) { return std::string(p.param.name); });

}  // namespace

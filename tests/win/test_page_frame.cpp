// The property-page frame every page shares, once, on the Noise Gate's page:
// the base's states, binding in either order, apply at once and read back,
// notifications between pages, the page menu, help and About; and the brand
// word cut from the logo bar's name and the help files' lookup.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "effects/noisgt/win/noisgt_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/guids.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "tests/win/support/test_filters.h"
#include "ui/help_files.h"
#include "ui/page_frame.h"

namespace {

using orlofx::test::ComRef;
using orlofx::test::QueryAs;

constexpr int kFader = 1008, kThresholdText = 1005, kAttackSlider = 1002, kAttackEdit = 1010;
constexpr int kReleaseSlider = 1003, kReleaseEdit = 1009;

TEST(BrandWord, IsCutWhereverItStandsAndOtherNamesStayAsTheyAre) {
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Orlo Noise Gate"), L"Noise Gate");
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Best Orlo Gate"), L"Best Gate");
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Gate by Orlo"), L"Gate by ");
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Orlovian Gate"), L"Orlovian Gate");
}

TEST(HelpFiles, TheRegisteredFolderWinsWhenItHoldsTheFileElseBesideTheModule) {
  WCHAR temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"orlofx_help_test", file = folder + L"\\orlofx.chm";
  CreateDirectoryW(folder.c_str(), nullptr);
  CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plugins\\orlofx.dll", folder, L".chm"), file);
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plugins\\orlofx.dll", folder + L"\\", L".chm"), file);
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plugins\\orlofx.dll", folder, L".hlp"), L"C:\\Plugins\\orlofx.hlp");
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plug.ins\\effects", L"", L".chm"), L"C:\\Plug.ins\\effects.chm");
  EXPECT_TRUE(orlofx::FileExists(file));
  EXPECT_FALSE(orlofx::FileExists(folder));
  DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
}

class PageFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(module_.Create(CLSID_AkNoisgt, IID_IUnknown, filter_.put()), S_OK);
    gate_ = QueryAs<IAkNoisgtProp>(filter_.get(), IID_IAkNoisgtProp);
    presets_ = QueryAs<IStaticFilterPreset>(filter_.get(), IID_IStaticFilterPreset);
  }
  void TearDown() override {
    presets_.reset(), gate_.reset(), filter_.reset();
    PumpMessages();
    CoUninitialize();
  }
  void Open(HostedPage& page, bool connectFirst = true, int y = 0) {
    ASSERT_EQ(page.Open(module_, CLSID_AkNoisgtPropPage, filter_.get(), host_.Handle(), connectFirst, 0, y), S_OK);
  }
  long Attack() { long v = 0; gate_->GetAttack(&v); return v; }

  ModuleUnderTest module_;
  ComRef<IUnknown> filter_;
  ComRef<IAkNoisgtProp> gate_;
  ComRef<IStaticFilterPreset> presets_;
  HostWindow host_{460, 560};
};

// The base's states, its page info (title, help file, the dialog's own size)
// and its dialog as a child of the host's window.
TEST_F(PageFrame, PageInfoAndTheBaseRefusingCallsInTheWrongState) {
  IPropertyPage* page = nullptr;
  ASSERT_EQ(module_.Create(CLSID_AkNoisgtPropPage, IID_IPropertyPage, &page), S_OK);
  TestPageSite site;
  PROPPAGEINFO info = {};
  EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_STREQ(info.pszTitle, L"Noise Gate");
  const std::wstring help = info.pszHelpFile ? info.pszHelpFile : L"";
  EXPECT_TRUE(help.size() > 11 && _wcsicmp(help.c_str() + help.size() - 11, L"\\orlofx.chm") == 0) << "help file";
  EXPECT_EQ(info.pszDocString, nullptr);
  EXPECT_EQ(info.dwHelpContext, 0u);
  CoTaskMemFree(info.pszTitle), CoTaskMemFree(info.pszHelpFile);
  const RECT rect = {0, 0, 500, 400};
  EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
  EXPECT_EQ(page->SetPageSite(&site), S_OK);
  EXPECT_EQ(page->SetPageSite(&site), E_UNEXPECTED);
  EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
  EXPECT_EQ(page->Apply(), E_UNEXPECTED);                 // nothing bound yet
  EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);  // nothing to unbind
  IUnknown* none = nullptr;
  EXPECT_EQ(page->SetObjects(1, &none), E_POINTER);
  IUnknown* two[] = {filter_.get(), filter_.get()};
  EXPECT_EQ(page->SetObjects(2, two), E_UNEXPECTED);
  IUnknown* notAFilter = &site;  // has no noise gate interface
  EXPECT_EQ(page->SetObjects(1, &notAFilter), E_NOINTERFACE);
  EXPECT_EQ(page->SetObjects(1, two), S_OK);
  EXPECT_EQ(page->Activate(host_.Handle(), nullptr, FALSE), E_POINTER);
  EXPECT_EQ(page->Activate(host_.Handle(), &rect, FALSE), S_OK);
  EXPECT_EQ(page->Activate(host_.Handle(), &rect, FALSE), E_UNEXPECTED);
  // Every edit is applied at once: the page never becomes dirty.
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->Apply(), S_OK);
  HWND dialog = GetWindow(host_.Handle(), GW_CHILD);
  RECT units = {0, 0, 211, 139};  // the template's size in dialog units
  MapDialogRect(dialog, &units);
  EXPECT_EQ(std::make_pair(info.size.cx, info.size.cy), std::make_pair(units.right, units.bottom));
  EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  EXPECT_FALSE(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_POPUP);
  EXPECT_EQ(GetParent(dialog), host_.Handle());
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_FALSE(IsWindow(dialog));
  // Released while still bound and sited: it lets go of both itself.
  EXPECT_EQ(page->Release(), 0u);
  EXPECT_EQ(site.refs, 0u);
}

// While the user drags a slider the refresh after each step rewrites its
// text but never sets its position (nor any other slider's).
TEST_F(PageFrame, ASliderDragUpdatesTheTextWithoutTheRefreshMovingTheSlider) {
  HostedPage page;
  Open(page);
  HWND slider = page.Control(kAttackSlider);
  const LRESULT geometry = SendMessageW(slider, 1566, 0, 0);  // (travel start << 16) | travel
  const int start = HIWORD(geometry), travel = LOWORD(geometry);
  RECT client = {};
  GetClientRect(slider, &client);
  const int y = client.bottom / 2, x0 = start + 1 + static_cast<int>(2LL * travel / 499);  // attack 3 of 1..500
  constexpr UINT kSetPos = 1552, kSetPosEx = 1583;
  MessageRecorder dragged(slider, {kSetPos, kSetPosEx});
  MessageRecorder others(page.Control(kReleaseSlider), {kSetPos, kSetPosEx});
  SendMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y));
  long previous = 3;
  for (int step = 1; step <= 4; ++step) {
    const size_t before = dragged.entries.size();
    SendMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x0 + 15 * step, y));
    PumpMessages();
    const long position = page.SliderPosition(kAttackSlider);
    EXPECT_GT(position, previous);
    previous = position;
    // The one position set back is the scroll routine's, with the tracked value.
    ASSERT_EQ(dragged.entries.size() - before, 1u);
    EXPECT_EQ(static_cast<long>(dragged.entries.back().lParam), position);
    EXPECT_EQ(Attack(), position);
    EXPECT_EQ(page.Text(kAttackEdit), std::to_wstring(position));
  }
  SendMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(x0 + 60, y));
  PumpMessages();
  EXPECT_TRUE(others.entries.empty());
  EXPECT_EQ(page.SliderPosition(kAttackSlider), Attack());
}

// The page menu as the user sees it while it is tracked: where it opened,
// its items, and the preset submenu's texts and command ids.
struct MenuSeen {
  bool opened = false;
  RECT rect = {};
  std::vector<std::wstring> items, presets;
  std::vector<UINT> presetIds;
};

MenuSeen ReadPageMenu(const std::function<void()>& open) {
  MenuSeen seen;
  RunWithTimer(open, [&seen]() {
    HWND popup = FindThreadWindow(L"#32768");
    if (!popup) return false;
    seen.opened = true;
    GetWindowRect(popup, &seen.rect);
    auto text = [](HMENU menu, int i) {
      WCHAR buffer[300] = {};
      return std::wstring(buffer, GetMenuStringW(menu, i, buffer, 300, MF_BYPOSITION));
    };
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1, 0, 0));  // MN_GETHMENU
    for (int i = 0; i < GetMenuItemCount(menu); ++i) seen.items.push_back(text(menu, i));
    HMENU presets = GetSubMenu(menu, 0);
    for (int i = 0; i < GetMenuItemCount(presets); ++i) {
      seen.presets.push_back(text(presets, i));
      seen.presetIds.push_back(GetMenuItemID(presets, i));
    }
    EndMenu();
    return true;
  });
  return seen;
}

TEST_F(PageFrame, ThePageMenuListsPresetsHelpAndAboutWhereItIsAsked) {
  HostedPage page;
  Open(page);
  RECT r = {};
  GetWindowRect(page.Dialog(), &r);
  MenuSeen seen = ReadPageMenu([&] {
    SendMessageW(page.Dialog(), WM_CONTEXTMENU, 0, MAKELPARAM(r.left + 30, r.top + 40));
  });
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(seen.rect.left, r.left + 30);
  EXPECT_EQ(seen.rect.top, r.top + 40);
  EXPECT_EQ(seen.items, (std::vector<std::wstring>{L"Presets", L"", L"Help", L"About..."}));
  long count = 0;
  presets_->GetPresetCount(&count);
  ASSERT_EQ(seen.presets.size(), static_cast<size_t>(count));
  EXPECT_EQ(seen.presets[6], L"Slow attack");
  for (size_t i = 0; i < seen.presetIds.size(); ++i) EXPECT_EQ(seen.presetIds[i], 40500 + i);
  // Shift+F10 (a system key; the default handling asks for the menu at the
  // keyboard's position): half across the page and a quarter down.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  SetFocus(page.Control(kFader));
  seen = ReadPageMenu([&] { SendMessageW(page.Control(kFader), WM_SYSKEYDOWN, VK_F10, 0x00440001); });
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(seen.rect.left, r.left + (r.right - r.left) / 2);
  EXPECT_EQ(seen.rect.top, r.top + (r.bottom - r.top) / 4);
}

// A stand-in filter whose preset names hold "&" and one of which cannot be read.
class FakeGate : public IAkNoisgtProp, public IStaticFilterPreset {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IAkNoisgtProp ? static_cast<void*>(static_cast<IAkNoisgtProp*>(this))
              : iid == IID_IStaticFilterPreset ? static_cast<IStaticFilterPreset*>(this) : nullptr;
    return *object ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetParams(NoisgtParams*) override { return E_NOTIMPL; }
  STDMETHODIMP SetParams(const NoisgtParams*) override { return E_NOTIMPL; }
  STDMETHODIMP GetFormat(WAVEFORMATEX*, int) override { return E_NOTIMPL; }
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override { return notifyWindow = id ? window : nullptr, S_OK; }
#define FIXED(Name, value)                                                \
  STDMETHODIMP Get##Name(long* v) override { return *v = value, S_OK; } \
  STDMETHODIMP Set##Name(long) override { return S_OK; }
  FIXED(Attack, 10) FIXED(Release, 20) FIXED(Threshold, -300)
#undef FIXED
  STDMETHODIMP GetPresetCount(long* count) override { return *count = 4, S_OK; }
  STDMETHODIMP GetPresetName(long index, WCHAR* name, long length) override {
    static const wchar_t* const kNames[] = {L"Plain", L"Rock & Roll", nullptr, L"A&&B"};
    if (index < 0 || index >= 4 || !kNames[index]) return E_FAIL;
    lstrcpynW(name, kNames[index], length);
    return S_OK;
  }
  STDMETHODIMP ApplyPreset(long index) override { return applied.push_back(index), S_OK; }
  ULONG refs = 1;
  HWND notifyWindow = nullptr;
  std::vector<long> applied;
};

TEST_F(PageFrame, PresetNamesShowTheirAmpersandsAndAnUnreadableOneLeavesAGap) {
  FakeGate fake;
  {
    HostedPage page;
    IUnknown* object = static_cast<IAkNoisgtProp*>(&fake);
    ASSERT_EQ(page.Open(module_, CLSID_AkNoisgtPropPage, object, host_.Handle()), S_OK);
    EXPECT_EQ(fake.notifyWindow, page.Dialog());
    EXPECT_EQ(page.Text(kThresholdText), L"-30.0 dB");
    const MenuSeen seen = ReadPageMenu([&] { SendMessageW(page.Dialog(), WM_CONTEXTMENU, 0, MAKELPARAM(-1, -1)); });
    // Menu texts with doubled ampersands show one "&" each.
    EXPECT_EQ(seen.presets, (std::vector<std::wstring>{L"Plain", L"Rock && Roll", L"A&&&&B"}));
    // The command still names the preset after the unreadable one.
    EXPECT_EQ(seen.presetIds, (std::vector<UINT>{40500, 40501, 40503}));
    SendMessageW(page.Dialog(), WM_COMMAND, 40503, 0);
    EXPECT_EQ(fake.applied, std::vector<long>{3});
  }
  EXPECT_EQ(fake.notifyWindow, nullptr);
  EXPECT_EQ(fake.refs, 1u);
}

TEST_F(PageFrame, AChangeMadeElsewhereShowsWithoutUserActionAndClosedPagesFreeTheirSlot) {
  // The filter keeps two registrations: pages that kept theirs after
  // closing would leave none for the two opened after them.
  for (int i = 0; i < 3; ++i) {
    HostedPage page;
    Open(page);
  }
  HostedPage first, second;
  Open(first);
  Open(second, false, 240);
  second.Type(kReleaseEdit, L"2500");
  EXPECT_EQ(first.Text(kReleaseEdit), L"2,500");
  EXPECT_EQ(first.SliderPosition(kReleaseSlider), 2500);
  SendMessageW(second.Dialog(), WM_COMMAND, 40500 + 4, 0);  // "Noise gate 1": 10, 500, -60 dB
  PumpMessages();
  EXPECT_EQ(first.Text(kAttackEdit), L"10");
  EXPECT_EQ(first.Text(kThresholdText), L"-60.0 dB");
  presets_->ApplyPreset(5);  // "Noise gate 2": 1, 500, -32 dB
  PumpMessages();
  for (HostedPage* page : {&first, &second}) EXPECT_EQ(page->Text(kThresholdText), L"-32.0 dB");
}

TEST_F(PageFrame, ATypedValueIsTakenOnLeavingTheBoxAndAnUnboundPageIgnoresTheUser) {
  HostedPage page;
  Open(page);
  SetFocus(page.Control(kAttackEdit));
  SendMessageW(page.Control(kAttackEdit), EM_SETSEL, 0, -1);
  for (wchar_t c : {L'7', L'7'}) SendMessageW(page.Control(kAttackEdit), WM_CHAR, c, 1);
  PumpMessages();
  EXPECT_EQ(Attack(), 3);
  SendMessageW(page.Dialog(), WM_NEXTDLGCTL, 0, FALSE);
  PumpMessages();
  EXPECT_EQ(Attack(), 77);
  EXPECT_EQ(page.Site().statusChanges, 0);  // applied at once: never dirty
  IUnknown* filter = filter_.get();
  ASSERT_EQ(page.Page()->SetObjects(0, nullptr), S_OK);
  presets_->ApplyPreset(6);
  PumpMessages();
  EXPECT_EQ(page.Text(kAttackEdit), L"77");
  SendMessageW(page.Dialog(), WM_COMMAND, 32700, 0);
  SendMessageW(page.Dialog(), WM_COMMAND, 40500, 0);
  page.Type(kAttackEdit, L"42");
  SendMessageW(page.Dialog(), WM_HSCROLL, MAKEWPARAM(1, 0), reinterpret_cast<LPARAM>(page.Control(kAttackSlider)));
  EXPECT_EQ(Attack(), 300);
  EXPECT_EQ(page.Text(kAttackEdit), L"42");
  ASSERT_EQ(page.Page()->SetObjects(1, &filter), S_OK);
  EXPECT_EQ(page.Text(kAttackEdit), L"300");
}

TEST_F(PageFrame, TheAboutBoxShowsTheNameAndTheVersionLineAndNoPlaceholderLink) {
  HostedPage page;
  Open(page);
  std::wstring name, version, link, logo;
  HWND owner = nullptr;
  bool seen = false, linkShown = true;
  RunWithTimer([&] { SendMessageW(page.Dialog(), WM_COMMAND, 41001, 0); }, [&]() {
    HWND about = FindThreadWindow(L"#32770", L"About");
    if (!about) return false;
    if (!seen) return seen = true, false;  // one tick to paint first
    auto text = [&](int id) {
      WCHAR buffer[256] = {};
      return std::wstring(buffer, GetDlgItemTextW(about, id, buffer, 256));
    };
    name = text(711), version = text(712), link = text(713), logo = text(2);
    linkShown = IsWindowVisible(GetDlgItem(about, 713)) != FALSE;
    owner = GetWindow(about, GW_OWNER);
    SendMessageW(about, WM_COMMAND, IDOK, 0);
    return true;
  });
  ASSERT_TRUE(seen);
  EXPECT_EQ(owner, host_.Handle());  // modal to the page's top-level window
  EXPECT_EQ(name, L"Orlo Noise Gate");
  EXPECT_EQ(logo, L"Noise Gate");
  const std::wstring expected = L"Version " + std::to_wstring(ORLOFX_VERSION_MAJOR) + L"." +
                                std::to_wstring(ORLOFX_VERSION_MINOR) + L"." +
                                std::to_wstring(1000 + ORLOFX_VERSION_PATCH).substr(1) + L" (";
  EXPECT_EQ(version.rfind(expected, 0), 0u);
  EXPECT_EQ(version.back(), L')');
  EXPECT_TRUE(link.empty() && !linkShown) << "no link to the placeholder (.example) address";
}

}  // namespace

// The property-page frame: the shared pieces (scroll arithmetic, brand word,
// menu texts, help lookup) and the frame's behaviour on the Noise Gate's page
// hosted through IPropertyPage in a test site.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/noisgt/win/noisgt_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "ui/help_files.h"
#include "ui/page_frame.h"

namespace {

using orlofx::SliderState;

const IID kIidNoisgtProp = {0xA6DF8F43, 0xBAF4, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

constexpr int kFader = 1008;
constexpr int kThresholdText = 1005;
constexpr int kAttackSlider = 1002;
constexpr int kAttackEdit = 1010;
constexpr int kReleaseSlider = 1003;
constexpr int kReleaseEdit = 1009;
constexpr UINT kSetPos = 1552;
constexpr UINT kSetPosEx = 1583;
constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU

// --- scroll arithmetic --------------------------------------------------------

TEST(ScrollArithmetic, TrackbarMovesByLineAndPageAndGoesToTheEnds) {
  const SliderState s = {2000, 1, 5000};
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderLineUp, 1, 100, false, false), 1999);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderLineDown, 1, 100, false, false), 2001);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderPageUp, 1, 100, false, false), 1900);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderPageDown, 1, 100, false, false), 2100);
  // Ctrl multiplies the page (not the line) by ten.
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderPageUp, 1, 100, false, true), 1000);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderPageDown, 1, 100, false, true), 3000);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderLineDown, 1, 100, false, true), 2001);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderTop, 1, 100, false, false), 1);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderBottom, 1, 100, false, false), 5000);
  // A vertical trackbar has its maximum at the top.
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderLineUp, 1, 100, true, false), 2001);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderPageDown, 1, 100, true, false), 1900);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderTop, 1, 100, true, false), 5000);
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderBottom, 1, 100, true, false), 1);
}

TEST(ScrollArithmetic, TrackbarKeepsThePositionForTrackingCodesAndClamps) {
  const SliderState s = {250, 1, 500};
  for (int code : {int{orlofx::kSliderThumbPosition}, int{orlofx::kSliderThumbTrack}, int{orlofx::kSliderEndScroll}, 9})
    EXPECT_EQ(orlofx::TrackbarScrollValue(s, code, 1, 10, false, false), 250) << code;
  // Page 0 is a tenth of the range: (500 - 1 + 5) / 10 = 50.
  EXPECT_EQ(orlofx::TrackbarScrollValue(s, orlofx::kSliderPageDown, 1, 0, false, false), 300);
  const SliderState nearTop = {495, 1, 500};
  EXPECT_EQ(orlofx::TrackbarScrollValue(nearTop, orlofx::kSliderPageDown, 1, 10, false, false), 500);
  const SliderState outside = {9999, 1, 500};
  EXPECT_EQ(orlofx::TrackbarScrollValue(outside, orlofx::kSliderThumbTrack, 1, 10, false, false), 500);
  // No overflow at the ends of the 32-bit range.
  const SliderState wide = {2147483000L, -2147483647L - 1, 2147483647L};
  EXPECT_EQ(orlofx::TrackbarScrollValue(wide, orlofx::kSliderPageDown, 1, 0, false, true), 2147483647L);
}

// --- texts --------------------------------------------------------------------

TEST(BrandWord, IsCutWhereverItStandsAndOtherNamesStayAsTheyAre) {
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Orlo Noise Gate"), L"Noise Gate");
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Best Orlo Gate"), L"Best Gate");
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Gate by Orlo"), L"Gate by ");
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Noise Gate"), L"Noise Gate");
  EXPECT_EQ(orlofx::RemoveBrandWord(L"Orlovian Gate"), L"Orlovian Gate");
  EXPECT_EQ(orlofx::RemoveBrandWord(L""), L"");
}

TEST(MenuTexts, AmpersandsAreDoubledToShowLiterally) {
  EXPECT_EQ(orlofx::EscapeAmpersands(L"Rock & Roll"), L"Rock && Roll");
  EXPECT_EQ(orlofx::EscapeAmpersands(L"&&"), L"&&&&");
  EXPECT_EQ(orlofx::EscapeAmpersands(L"plain"), L"plain");
}

TEST(MenuTexts, KeyboardMenuPointIsHalfAcrossAndAQuarterDown) {
  const RECT r = {100, 50, 301, 251};  // 201 x 201
  const POINT p = orlofx::KeyboardMenuPoint(r);
  EXPECT_EQ(p.x, 200);
  EXPECT_EQ(p.y, 100);
}

// --- help files ---------------------------------------------------------------

class HelpFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"orlofx_help_test";
    CreateDirectoryW(folder_.c_str(), nullptr);
    file_ = folder_ + L"\\orlofx.chm";
    HANDLE h = CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  void TearDown() override {
    DeleteFileW(file_.c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  std::wstring folder_;
  std::wstring file_;
};

TEST_F(HelpFolder, TheRegisteredFolderWinsWhenItHoldsTheFile) {
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plugins\\orlofx.dll", folder_, L".chm"), file_);
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plugins\\orlofx.dll", folder_ + L"\\", L".chm"), file_);
}

TEST_F(HelpFolder, OtherwiseTheFileIsLookedForBesideTheModule) {
  // The folder lacks a .hlp file; no folder at all; the module's own name.
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plugins\\orlofx.dll", folder_, L".hlp"),
            L"C:\\Plugins\\orlofx.hlp");
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plugins\\orlofx.dll", L"", L".chm"),
            L"C:\\Plugins\\orlofx.chm");
  EXPECT_EQ(orlofx::HelpFilePath(L"C:\\Plug.ins\\effects", L"", L".chm"),
            L"C:\\Plug.ins\\effects.chm");
  EXPECT_TRUE(orlofx::FileExists(file_));
  EXPECT_FALSE(orlofx::FileExists(folder_));
}

// --- the frame on a hosted page -----------------------------------------------

class PageFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(kTestClsidNoisgt, IID_IUnknown, &filter_), S_OK);
    ASSERT_EQ(filter_->QueryInterface(kIidNoisgtProp, reinterpret_cast<void**>(&gate_)), S_OK);
    ASSERT_EQ(filter_->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&presets_)),
              S_OK);
  }
  void TearDown() override {
    if (presets_) presets_->Release();
    if (gate_) gate_->Release();
    if (filter_) filter_->Release();
    PumpMessages();
    CoUninitialize();
  }
  long Attack() { long v = 0; gate_->GetAttack(&v); return v; }
  long Release() { long v = 0; gate_->GetRelease(&v); return v; }
  long Threshold() { long v = 0; gate_->GetThreshold(&v); return v; }

  ModuleUnderTest module_;
  IUnknown* filter_ = nullptr;
  IAkNoisgtProp* gate_ = nullptr;
  IStaticFilterPreset* presets_ = nullptr;
  HostWindow host_;
};

TEST_F(PageFrame, PageInfoGivesTitleHelpFileAndTheDialogsOwnSize) {
  IPropertyPage* page = nullptr;
  ASSERT_EQ(module_.Create(kTestClsidNoisgtPage, IID_IPropertyPage, &page), S_OK);
  PROPPAGEINFO info = {};
  EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
  EXPECT_STREQ(info.pszTitle, L"Noise Gate");
  ASSERT_NE(info.pszHelpFile, nullptr);
  const std::wstring help = info.pszHelpFile;
  ASSERT_GE(help.size(), 11u);
  EXPECT_EQ(lstrcmpiW(help.substr(help.size() - 11).c_str(), L"\\orlofx.chm"), 0) << help;
  EXPECT_EQ(info.pszDocString, nullptr);
  EXPECT_EQ(info.dwHelpContext, 0u);

  // The measured size is the 211 x 139 dialog units of the template.
  const RECT rect = {0, 0, 500, 400};
  ASSERT_EQ(page->Activate(host_.Handle(), &rect, FALSE), S_OK);
  HWND dialog = FindPageDialog(host_.Handle(), kFader);
  ASSERT_NE(dialog, nullptr);
  RECT units = {0, 0, 211, 139};
  MapDialogRect(dialog, &units);
  EXPECT_EQ(info.size.cx, units.right);
  EXPECT_EQ(info.size.cy, units.bottom);
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszHelpFile);
  EXPECT_EQ(page->Deactivate(), S_OK);
  page->Release();
}

TEST_F(PageFrame, TheBaseRefusesCallsInTheWrongState) {
  IPropertyPage* page = nullptr;
  ASSERT_EQ(module_.Create(kTestClsidNoisgtPage, IID_IPropertyPage, &page), S_OK);
  TestPageSite site;
  const RECT rect = {0, 0, 300, 200};
  EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
  EXPECT_EQ(page->SetPageSite(&site), S_OK);
  EXPECT_EQ(page->SetPageSite(&site), E_UNEXPECTED);
  EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
  EXPECT_EQ(page->Move(&rect), E_UNEXPECTED);
  EXPECT_EQ(page->Apply(), E_UNEXPECTED);                 // nothing bound yet
  EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);  // nothing to unbind
  IUnknown* none = nullptr;
  EXPECT_EQ(page->SetObjects(1, &none), E_POINTER);
  IUnknown* two[] = {filter_, filter_};
  EXPECT_EQ(page->SetObjects(2, two), E_UNEXPECTED);
  IUnknown* notAFilter = &site;  // has no noise gate interface
  EXPECT_EQ(page->SetObjects(1, &notAFilter), E_NOINTERFACE);
  EXPECT_EQ(page->SetObjects(1, &filter_), S_OK);

  EXPECT_EQ(page->Activate(host_.Handle(), nullptr, FALSE), E_POINTER);
  EXPECT_EQ(page->Activate(host_.Handle(), &rect, FALSE), S_OK);
  EXPECT_EQ(page->Activate(host_.Handle(), &rect, FALSE), E_UNEXPECTED);
  EXPECT_EQ(page->Show(SW_MAXIMIZE), E_INVALIDARG);
  EXPECT_EQ(page->Show(SW_HIDE), S_OK);
  EXPECT_EQ(page->Show(SW_SHOW), S_OK);
  EXPECT_EQ(page->Move(nullptr), E_POINTER);
  // Every edit is applied at once: the page never becomes dirty.
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);
  EXPECT_EQ(page->TranslateAccelerator(nullptr), E_NOTIMPL);
  HWND dialog = FindPageDialog(host_.Handle(), kFader);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  EXPECT_FALSE(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_POPUP);
  EXPECT_EQ(GetParent(dialog), host_.Handle());
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_FALSE(IsWindow(dialog));
  // Released while still bound and sited: it lets go of both itself.
  EXPECT_EQ(page->Release(), 0u);
  EXPECT_EQ(site.References(), 0u);
}

class EitherOrder : public PageFrame, public ::testing::WithParamInterface<bool> {};

TEST_P(EitherOrder, TheSecondOfConnectAndDialogShowsTheFilterAndRegistersForChanges) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle(), GetParam()), S_OK);
  // The filter's "(Default)" settings.
  EXPECT_EQ(page.Text(kAttackEdit), L"3");
  EXPECT_EQ(page.Text(kReleaseEdit), L"100");
  EXPECT_EQ(page.Text(kThresholdText), L"-20.0 dB");

  // A preset applied by the host posts the change to the page.
  ASSERT_EQ(presets_->ApplyPreset(6), S_OK);  // "Slow attack": 300, 1000, -40 dB
  PumpMessages();
  EXPECT_EQ(page.Text(kAttackEdit), L"300");
  EXPECT_EQ(page.Text(kReleaseEdit), L"1,000");
  EXPECT_EQ(page.Text(kThresholdText), L"-40.0 dB");
}

INSTANTIATE_TEST_SUITE_P(ConnectFirstOrDialogFirst, EitherOrder, ::testing::Bool());

TEST_F(PageFrame, ATypedValueIsTakenOnLeavingTheBoxAndShownAsTheFilterAcceptedIt) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);

  // Typing alone changes nothing.
  HWND edit = page.Control(kAttackEdit);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"9999")) SendMessageW(edit, WM_CHAR, c, 1);
  PumpMessages();
  EXPECT_EQ(Attack(), 3);
  EXPECT_EQ(page.Text(kAttackEdit), L"9999");

  // Leaving it applies, and the filter's maximum comes back reformatted.
  SendMessageW(page.Dialog(), WM_NEXTDLGCTL, 0, FALSE);
  PumpMessages();
  EXPECT_EQ(Attack(), 500);
  EXPECT_EQ(page.Text(kAttackEdit), L"500");

  // Text that is no number reads as 0, which the filter raises to 1.
  page.Type(kAttackEdit, L"fast");
  EXPECT_EQ(Attack(), 1);
  EXPECT_EQ(page.Text(kAttackEdit), L"1");
  // Other groups are not touched by an edit.
  EXPECT_EQ(Release(), 100);
  EXPECT_EQ(page.Site().statusChanges.size(), 0u);
}

TEST_F(PageFrame, ASliderDragUpdatesTheTextWithoutTheRefreshMovingTheSlider) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  HWND slider = page.Control(kAttackSlider);
  gate_->SetAttack(100);
  presets_->ApplyPreset(0);  // back to the defaults, posted to the page
  PumpMessages();
  ASSERT_EQ(page.SliderPosition(kAttackSlider), 3);

  // Where the thumb is: the trackbar reports its channel start and travel.
  const LRESULT geometry = SendMessageW(slider, 1566, 0, 0);
  const int start = HIWORD(geometry), travel = LOWORD(geometry);
  ASSERT_GT(travel, 20);
  RECT client = {};
  GetClientRect(slider, &client);
  const int y = client.bottom / 2;
  const int x0 = start + 1 + static_cast<int>((3LL - 1) * travel / (500 - 1));

  MessageRecorder attack(slider, {kSetPos, kSetPosEx});
  MessageRecorder release(page.Control(kReleaseSlider), {kSetPos, kSetPosEx});
  MessageRecorder fader(page.Control(kFader), {kSetPos, kSetPosEx});
  // The dragged slider only ever gets its own tracked value back from the
  // page's scroll routine; the refresh sets no position at all.
  auto expectOnlySetTo = [&attack](size_t from, long value) {
    for (size_t i = from; i < attack.entries.size(); ++i)
      EXPECT_EQ(static_cast<long>(attack.entries[i].lParam), value) << "moved by the refresh";
  };
  SendMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y));
  PumpMessages();
  expectOnlySetTo(0, 3);
  std::vector<long> shown;
  for (int step = 1; step <= 4; ++step) {
    const size_t before = attack.entries.size();
    SendMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x0 + 15 * step, y));
    PumpMessages();
    const long position = page.SliderPosition(kAttackSlider);
    shown.push_back(position);
    expectOnlySetTo(before, position);
    // One notification, one position set back: no second one from a refresh.
    EXPECT_EQ(attack.entries.size() - before, 1u);
    // The filter took the dragged value and the text shows it.
    EXPECT_EQ(Attack(), position);
    EXPECT_EQ(page.Text(kAttackEdit), std::to_wstring(position));
  }
  const size_t beforeRelease = attack.entries.size();
  SendMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(x0 + 60, y));
  PumpMessages();
  expectOnlySetTo(beforeRelease, shown.back());
  EXPECT_GT(shown.front(), 3);
  EXPECT_LT(shown.front(), shown.back());
  EXPECT_TRUE(release.entries.empty());
  EXPECT_TRUE(fader.entries.empty());
  // Released, slider, text and filter agree.
  EXPECT_EQ(page.SliderPosition(kAttackSlider), Attack());
  EXPECT_EQ(page.Text(kAttackEdit), std::to_wstring(Attack()));
}

// The page menu as the user sees it: its items and where it opened.
struct MenuSeen {
  bool opened = false;
  RECT rect = {};
  std::vector<std::wstring> items;
  std::vector<std::wstring> presets;
  std::vector<UINT> presetIds;
};

std::wstring MenuText(HMENU menu, UINT position) {
  WCHAR text[300] = {};
  GetMenuStringW(menu, position, text, 300, MF_BYPOSITION);
  return text;
}

// Runs `open` (which must start the page menu) and reads the menu while it
// is tracked, then cancels it.
MenuSeen ReadPageMenu(const std::function<void()>& open) {
  MenuSeen seen;
  RunWithTimer(open, [&seen]() {
    HWND popup = FindThreadWindow(L"#32768");
    if (!popup) return false;
    seen.opened = true;
    GetWindowRect(popup, &seen.rect);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, kGetMenuHandle, 0, 0));
    if (menu) {
      for (int i = 0; i < GetMenuItemCount(menu); ++i) seen.items.push_back(MenuText(menu, i));
      if (HMENU presets = GetSubMenu(menu, 0)) {
        for (int i = 0; i < GetMenuItemCount(presets); ++i) {
          seen.presets.push_back(MenuText(presets, i));
          seen.presetIds.push_back(GetMenuItemID(presets, i));
        }
      }
    }
    EndMenu();
    return true;
  });
  return seen;
}

TEST_F(PageFrame, APresetFromThePageMenuRefreshesEveryControl) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  RECT r = {};
  GetWindowRect(page.Dialog(), &r);
  const MenuSeen seen = ReadPageMenu([&] {
    SendMessageW(page.Dialog(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(page.Dialog()),
                 MAKELPARAM(r.left + 30, r.top + 40));
  });
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(seen.rect.left, r.left + 30);
  EXPECT_EQ(seen.rect.top, r.top + 40);
  ASSERT_EQ(seen.items.size(), 4u);
  EXPECT_EQ(seen.items[0], L"Presets");
  EXPECT_EQ(seen.items[1], L"");  // the separator
  EXPECT_EQ(seen.items[2], L"Help");
  EXPECT_EQ(seen.items[3], L"About...");
  long count = 0;
  presets_->GetPresetCount(&count);
  ASSERT_EQ(seen.presets.size(), static_cast<size_t>(count));
  EXPECT_EQ(seen.presets[0], L"(Default)");
  EXPECT_EQ(seen.presets[6], L"Slow attack");
  for (size_t i = 0; i < seen.presetIds.size(); ++i) EXPECT_EQ(seen.presetIds[i], 40500 + i);

  // Choosing "Slow attack" (as the menu posts it) moves every control.
  PostMessageW(page.Dialog(), WM_COMMAND, seen.presetIds[6], 0);
  PumpMessages();
  EXPECT_EQ(Attack(), 300);
  EXPECT_EQ(Release(), 1000);
  EXPECT_EQ(Threshold(), -400);
  EXPECT_EQ(page.Text(kAttackEdit), L"300");
  EXPECT_EQ(page.Text(kReleaseEdit), L"1,000");
  EXPECT_EQ(page.Text(kThresholdText), L"-40.0 dB");
  EXPECT_EQ(page.SliderPosition(kAttackSlider), 300);
  EXPECT_EQ(page.SliderPosition(kReleaseSlider), 1000);
  EXPECT_EQ(page.SliderPosition(kFader), -400);
}

TEST_F(PageFrame, ShiftF10OpensTheMenuHalfAcrossAndAQuarterDownThePage) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  RECT r = {};
  GetWindowRect(page.Dialog(), &r);
  HWND fader = page.Control(kFader);
  SetFocus(fader);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE shift = keys[VK_SHIFT];
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  const MenuSeen seen = ReadPageMenu([&] {
    // F10 is a system key; with Shift the default handling asks for the
    // context menu with the keyboard's position (-1, -1).
    SendMessageW(fader, WM_SYSKEYDOWN, VK_F10, 0x00440001);
  });
  keys[VK_SHIFT] = shift;
  SetKeyboardState(keys);
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(seen.rect.left, r.left + (r.right - r.left) / 2);
  EXPECT_EQ(seen.rect.top, r.top + (r.bottom - r.top) / 4);
}

// A stand-in filter whose preset names hold "&" and one of which cannot be
// read.
class FakeGate : public IAkNoisgtProp, public IStaticFilterPreset {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == kIidNoisgtProp) {
      *object = static_cast<IAkNoisgtProp*>(this);
    } else if (iid == IID_IStaticFilterPreset) {
      *object = static_cast<IStaticFilterPreset*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetParams(NoisgtParams*) override { return E_NOTIMPL; }
  STDMETHODIMP SetParams(const NoisgtParams*) override { return E_NOTIMPL; }
  STDMETHODIMP GetFormat(WAVEFORMATEX*, int) override { return E_NOTIMPL; }
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override {
    notifyWindow = id ? window : nullptr;
    return S_OK;
  }
  STDMETHODIMP GetAttack(long* v) override { *v = 10; return S_OK; }
  STDMETHODIMP SetAttack(long) override { return S_OK; }
  STDMETHODIMP GetRelease(long* v) override { *v = 20; return S_OK; }
  STDMETHODIMP SetRelease(long) override { return S_OK; }
  STDMETHODIMP GetThreshold(long* v) override { *v = -300; return S_OK; }
  STDMETHODIMP SetThreshold(long) override { return S_OK; }
  STDMETHODIMP GetPresetCount(long* count) override { *count = 4; return S_OK; }
  STDMETHODIMP GetPresetName(long index, WCHAR* name, long length) override {
    static const wchar_t* const kNames[] = {L"Plain", L"Rock & Roll", nullptr, L"A&&B"};
    if (index < 0 || index >= 4 || !kNames[index]) return E_FAIL;
    lstrcpynW(name, kNames[index], length);
    return S_OK;
  }
  STDMETHODIMP ApplyPreset(long index) override {
    applied.push_back(index);
    return S_OK;
  }
  ULONG refs = 1;
  HWND notifyWindow = nullptr;
  std::vector<long> applied;
};

TEST_F(PageFrame, PresetNamesShowTheirAmpersandsAndAnUnreadableOneLeavesAGap) {
  FakeGate fake;
  {
    HostedPage page;
    IUnknown* object = static_cast<IAkNoisgtProp*>(&fake);
    ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, object, host_.Handle()), S_OK);
    EXPECT_EQ(fake.notifyWindow, page.Dialog());
    EXPECT_EQ(page.Text(kThresholdText), L"-30.0 dB");
    const MenuSeen seen = ReadPageMenu([&] {
      SendMessageW(page.Dialog(), WM_CONTEXTMENU, 0, MAKELPARAM(-1, -1));
    });
    ASSERT_TRUE(seen.opened);
    ASSERT_EQ(seen.presets.size(), 3u);
    // Menu texts with doubled ampersands show one "&" each.
    EXPECT_EQ(seen.presets[0], L"Plain");
    EXPECT_EQ(seen.presets[1], L"Rock && Roll");
    EXPECT_EQ(seen.presets[2], L"A&&&&B");
    ASSERT_EQ(seen.presetIds.size(), 3u);
    EXPECT_EQ(seen.presetIds[0], 40500u);
    EXPECT_EQ(seen.presetIds[1], 40501u);
    // The command still names the preset after the unreadable one.
    EXPECT_EQ(seen.presetIds[2], 40503u);
    SendMessageW(page.Dialog(), WM_COMMAND, seen.presetIds[2], 0);
    ASSERT_EQ(fake.applied.size(), 1u);
    EXPECT_EQ(fake.applied[0], 3);
  }
  EXPECT_EQ(fake.notifyWindow, nullptr);
  EXPECT_EQ(fake.refs, 1u);
}

TEST_F(PageFrame, AChangeMadeElsewhereShowsWithoutUserAction) {
  HostedPage first;
  HostedPage second;
  ASSERT_EQ(first.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle(), true, 0, 0), S_OK);
  ASSERT_EQ(second.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle(), true, 0, 240),
            S_OK);

  // An edit on the second page shows on the first.
  second.Type(kReleaseEdit, L"2500");
  EXPECT_EQ(Release(), 2500);
  EXPECT_EQ(first.Text(kReleaseEdit), L"2,500");
  EXPECT_EQ(first.SliderPosition(kReleaseSlider), 2500);

  // A preset chosen on the second page, and one applied by the host.
  SendMessageW(second.Dialog(), WM_COMMAND, 40500 + 4, 0);  // "Noise gate 1": 10, 500, -60 dB
  PumpMessages();
  EXPECT_EQ(first.Text(kAttackEdit), L"10");
  EXPECT_EQ(first.Text(kThresholdText), L"-60.0 dB");
  presets_->ApplyPreset(5);  // "Noise gate 2": 1, 500, -32 dB
  PumpMessages();
  for (HostedPage* page : {&first, &second}) {
    EXPECT_EQ(page->Text(kAttackEdit), L"1");
    EXPECT_EQ(page->Text(kReleaseEdit), L"500");
    EXPECT_EQ(page->Text(kThresholdText), L"-32.0 dB");
  }
}

TEST_F(PageFrame, AClosedPageGivesBackItsNotificationSlot) {
  // The filter keeps two registrations. Pages that kept theirs after closing
  // would leave none for the pages opened after them.
  for (int i = 0; i < 3; ++i) {
    HostedPage page;
    ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  }
  HostedPage first;
  HostedPage second;
  ASSERT_EQ(first.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle(), true, 0, 0), S_OK);
  ASSERT_EQ(second.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle(), false, 0, 240),
            S_OK);
  presets_->ApplyPreset(3);  // "Long decay time"
  PumpMessages();
  long attack = 0, release = 0;
  gate_->GetAttack(&attack);
  gate_->GetRelease(&release);
  for (HostedPage* page : {&first, &second}) {
    EXPECT_EQ(page->Text(kAttackEdit), std::to_wstring(attack));
    EXPECT_EQ(page->SliderPosition(kReleaseSlider), release);
  }
}

TEST_F(PageFrame, AnUnboundPageIgnoresCommandsAndScrolls) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  ASSERT_EQ(page.Page()->SetObjects(0, nullptr), S_OK);
  presets_->ApplyPreset(6);
  PumpMessages();
  // Nothing reaches the page any more, and its own messages do nothing.
  EXPECT_EQ(page.Text(kAttackEdit), L"3");
  SendMessageW(page.Dialog(), WM_COMMAND, 32700, 0);
  SendMessageW(page.Dialog(), WM_COMMAND, 40500, 0);
  page.Type(kAttackEdit, L"77");
  EXPECT_EQ(Attack(), 300);
  EXPECT_EQ(page.Text(kAttackEdit), L"77");
  SendMessageW(page.Dialog(), WM_HSCROLL, MAKEWPARAM(1, 0),
               reinterpret_cast<LPARAM>(page.Control(kAttackSlider)));
  EXPECT_EQ(Attack(), 300);
  // Binding again shows the filter at once.
  ASSERT_EQ(page.Page()->SetObjects(1, &filter_), S_OK);
  EXPECT_EQ(page.Text(kAttackEdit), L"300");
}

TEST_F(PageFrame, HelpWithoutHelpFilesShowsNothing) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  HELPINFO help = {};
  help.cbSize = sizeof help;
  help.iContextType = HELPINFO_WINDOW;
  help.iCtrlId = kFader;
  help.hItemHandle = page.Control(kFader);
  SendMessageW(page.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  help.iCtrlId = -1;
  SendMessageW(page.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  SendMessageW(page.Dialog(), WM_COMMAND, 41000, 0);
  PumpMessages();
  // The only visible top-level window of the test is still its host.
  EXPECT_EQ(GetAncestor(page.Dialog(), GA_ROOT), host_.Handle());
  EXPECT_EQ(FindThreadWindow(L"#32770"), nullptr);
  EXPECT_EQ(FindThreadWindow(L"HH Parent"), nullptr);
}

TEST_F(PageFrame, TheAboutBoxShowsTheNameAndTheVersionLineAndNoPlaceholderLink) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  std::wstring name, version, link, logo;
  HWND owner = nullptr;
  bool seen = false;
  bool linkShown = true;
  bool pictured = false;
  RunWithTimer([&] { SendMessageW(page.Dialog(), WM_COMMAND, 41001, 0); },
               [&]() {
                 HWND about = FindThreadWindow(L"#32770", L"About");
                 if (!about) return false;
                 // One tick to paint before it is read and captured.
                 if (!seen) return seen = true, false;
                 WCHAR text[256] = {};
                 GetDlgItemTextW(about, 711, text, 256);
                 name = text;
                 GetDlgItemTextW(about, 712, text, 256);
                 version = text;
                 GetDlgItemTextW(about, 713, text, 256);
                 link = text;
                 linkShown = IsWindowVisible(GetDlgItem(about, 713)) != FALSE;
                 GetDlgItemTextW(about, 2, text, 256);
                 logo = text;
                 owner = GetWindow(about, GW_OWNER);
                 pictured = CapturePage(about, "about_box");
                 SendMessageW(about, WM_COMMAND, IDOK, 0);
                 return true;
               });
  ASSERT_TRUE(seen);
  EXPECT_TRUE(pictured);
  EXPECT_EQ(owner, host_.Handle());  // modal to the page's top-level window
  EXPECT_EQ(name, L"Orlo Noise Gate");
  EXPECT_EQ(logo, L"Noise Gate");
  WCHAR expected[64] = {};
  wsprintfW(expected, L"Version %u.%u.%03u (", ORLOFX_VERSION_MAJOR, ORLOFX_VERSION_MINOR,
            ORLOFX_VERSION_PATCH);
  EXPECT_EQ(version.rfind(expected, 0), 0u) << "version line: " << std::string(version.begin(), version.end());
  EXPECT_EQ(version.back(), L')');
  // The maker's address (string 7454) is still a placeholder in the reserved
  // .example domain: no link that leads nowhere.
  EXPECT_TRUE(link.empty());
  EXPECT_FALSE(linkShown);
}

TEST_F(PageFrame, TheLogoBarShowsTheNameWithoutTheBrandWord) {
  HostedPage page;
  ASSERT_EQ(page.Open(module_, kTestClsidNoisgtPage, filter_, host_.Handle()), S_OK);
  EXPECT_EQ(page.Text(2), L"Noise Gate");

  // A name without the brand word stays as it is: string 1001 is
  // "Noise Gate", 7010 "Graphic Dynamics".
  HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  HWND bar = CreateWindowW(L"tovra2Bld314LogoClass", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 16,
                           parent, reinterpret_cast<HMENU>(2), GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(bar, nullptr);
  orlofx::SetupLogoBar(parent, 2, 7010);
  WCHAR text[64] = {};
  GetWindowTextW(bar, text, 64);
  EXPECT_STREQ(text, L"Graphic Dynamics");
  orlofx::SetupLogoBar(parent, 2, 7004);  // "Orlo Graphic Dynamics"
  GetWindowTextW(bar, text, 64);
  EXPECT_STREQ(text, L"Graphic Dynamics");
  DestroyWindow(parent);
}

}  // namespace

// The Noise Gate's page: its controls, ranges and value texts, driven with
// the messages a user's mouse and keys produce, hosted in a test site and in
// the system's property frame.
#include <windows.h>
#include <oleacc.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

#include "effects/noisgt/win/noisgt_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/effect_page_test.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"

namespace {

const IID kIidNoisgtProp = {0xA6DF8F43, 0xBAF4, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

constexpr int kLogo = 2;
constexpr int kFader = 1008;
constexpr int kThresholdText = 1005;
constexpr int kThresholdLabel = 1011;
constexpr int kAttackSlider = 1002;
constexpr int kAttackEdit = 1010;
constexpr int kAttackLabel = 1012;
constexpr int kReleaseSlider = 1003;
constexpr int kReleaseEdit = 1009;
constexpr int kReleaseLabel = 1013;
constexpr UINT kGetMin = 1547;
constexpr UINT kGetMax = 1548;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class NoisgtPage : public EffectPageTest<IAkNoisgtProp> {
 protected:
  NoisgtPage() : EffectPageTest(kTestClsidNoisgt, kIidNoisgtProp) {}
  void ClosePages() override {
    page_.Close();
  }
  void Open() {
    ASSERT_EQ(page_.Open(module_, kTestClsidNoisgtPage, filter_.get(), host_.Handle()), S_OK);
  }
  long Attack() { long v = 0; prop_->GetAttack(&v); return v; }
  long Release() { long v = 0; prop_->GetRelease(&v); return v; }
  long Threshold() { long v = 0; prop_->GetThreshold(&v); return v; }

  HostWindow host_;
  HostedPage page_;
};

TEST_F(NoisgtPage, TheDialogHoldsEveryControlWithItsClassAndStyle) {
  Open();
  struct Expected {
    int id;
    const wchar_t* className;
    DWORD styleBits;
  };
  const Expected controls[] = {
      {kLogo, L"tovra2Bld314LogoClass", 0},
      {kThresholdText, L"Static", SS_CENTER},
      {kFader, L"tovra2Bld314FaderClass", 0x1281 | WS_TABSTOP},
      {kThresholdLabel, L"Static", SS_CENTER},
      {kAttackLabel, L"Static", 0},
      {kAttackEdit, L"Edit", 0},
      {kAttackSlider, L"tovra2Bld314TrackbarClass", 0x0202 | WS_TABSTOP},
      {kReleaseLabel, L"Static", 0},
      {kReleaseEdit, L"Edit", 0},
      {kReleaseSlider, L"tovra2Bld314TrackbarClass", 0x0202 | WS_TABSTOP},
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
  EXPECT_EQ(page_.Text(kThresholdLabel), L"Threshold le&vel\n(-Inf. to 0 dB)");
  EXPECT_EQ(page_.Text(kAttackLabel), L"A&ttack time (1 to 500 ms):");
  EXPECT_EQ(page_.Text(kReleaseLabel), L"R&elease time (1 to 5,000 ms):");

  // The fader stands inside the page, below the logo bar, left of the times.
  RECT page = {}, fader = {}, logo = {}, attack = {};
  GetWindowRect(page_.Dialog(), &page);
  GetWindowRect(page_.Control(kFader), &fader);
  GetWindowRect(page_.Control(kLogo), &logo);
  GetWindowRect(page_.Control(kAttackSlider), &attack);
  EXPECT_GE(fader.top, logo.bottom);
  EXPECT_LE(fader.bottom, page.bottom);
  EXPECT_LE(fader.right, attack.left);
  EXPECT_EQ(logo.right - logo.left, page.right - page.left);
}

TEST_F(NoisgtPage, SlidersGetTheirRangesAndTheTextsTheFiltersValues) {
  Open();
  struct Range {
    int id;
    long minimum, maximum;
  };
  for (const Range& r : {Range{kFader, -800, 0}, Range{kAttackSlider, 1, 500},
                         Range{kReleaseSlider, 1, 5000}}) {
    EXPECT_EQ(static_cast<int>(SendMessageW(page_.Control(r.id), kGetMin, 0, 0)), r.minimum);
    EXPECT_EQ(static_cast<int>(SendMessageW(page_.Control(r.id), kGetMax, 0, 0)), r.maximum);
  }
  EXPECT_EQ(page_.SliderPosition(kFader), Threshold());
  EXPECT_EQ(page_.SliderPosition(kAttackSlider), Attack());
  EXPECT_EQ(page_.SliderPosition(kReleaseSlider), Release());
  EXPECT_EQ(page_.Text(kThresholdText), L"-20.0 dB");
  EXPECT_EQ(page_.Text(kAttackEdit), L"3");
  EXPECT_EQ(page_.Text(kReleaseEdit), L"100");
  EXPECT_TRUE(CapturePage(page_.Dialog(), "noise_gate_page_defaults"));
}

TEST_F(NoisgtPage, TheFadersBottomShowsInfinityAndOneStepUpMinus79Point9) {
  Open();
  page_.Key(kFader, VK_END);
  EXPECT_EQ(Threshold(), -800);
  EXPECT_EQ(page_.Text(kThresholdText), L"-Inf.");
  EXPECT_EQ(page_.SliderPosition(kFader), -800);
  page_.Key(kFader, VK_UP);
  EXPECT_EQ(Threshold(), -799);
  EXPECT_EQ(page_.Text(kThresholdText), L"-79.9 dB");
  // Page Up moves by a whole decibel, Home goes to 0 dB.
  page_.Key(kFader, VK_PRIOR);
  EXPECT_EQ(Threshold(), -789);
  page_.Key(kFader, VK_HOME);
  EXPECT_EQ(Threshold(), 0);
  EXPECT_EQ(page_.Text(kThresholdText), L"0.0 dB");
}

// A screen reader asks each slider for its accessible object: the name is
// its label's, the value what the page shows for it, the role a slider's;
// a move of the fader is heard at once.
TEST_F(NoisgtPage, AScreenReaderHearsEachSlidersLabelAndValue) {
  Open();
  AccessibleText fader;
  ASSERT_TRUE(ReadAccessible(page_.Control(kFader), &fader));
  EXPECT_EQ(fader.name, L"Threshold level (-Inf. to 0 dB)");
  EXPECT_EQ(fader.role, ROLE_SYSTEM_SLIDER);
  page_.Key(kFader, VK_END);
  page_.Key(kFader, VK_UP);
  ASSERT_EQ(Threshold(), -799);
  ASSERT_TRUE(ReadAccessible(page_.Control(kFader), &fader));
  EXPECT_EQ(fader.value, L"-79.9 dB");
  page_.Key(kFader, VK_END);
  ASSERT_TRUE(ReadAccessible(page_.Control(kFader), &fader));
  EXPECT_EQ(fader.value, L"-Inf.");

  // A trackbar's value is its edit box's text.
  page_.Key(kReleaseSlider, VK_END);
  ASSERT_EQ(Release(), 5000);
  AccessibleText release;
  ASSERT_TRUE(ReadAccessible(page_.Control(kReleaseSlider), &release));
  EXPECT_EQ(release.name, L"Release time (1 to 5,000 ms):");
  EXPECT_EQ(release.value, L"5,000");
  EXPECT_EQ(release.role, ROLE_SYSTEM_SLIDER);
}

TEST_F(NoisgtPage, TheTimeSlidersFollowTheirKeys) {
  Open();
  page_.Key(kAttackSlider, VK_END);
  EXPECT_EQ(Attack(), 500);
  EXPECT_EQ(page_.Text(kAttackEdit), L"500");
  page_.Key(kAttackSlider, VK_NEXT);  // page down on a horizontal trackbar: 10 ms less
  EXPECT_EQ(Attack(), 490);
  page_.Key(kReleaseSlider, VK_HOME);
  EXPECT_EQ(Release(), 1);
  page_.Key(kReleaseSlider, VK_PRIOR);  // 100 ms more
  EXPECT_EQ(Release(), 101);
  EXPECT_EQ(page_.Text(kReleaseEdit), L"101");
}

// The thumb's middle: trackbars report their channel, the fader's thumb is
// found where its own cursor hit-test says so (the arrow over the cap).
POINT TrackbarThumb(HWND slider, long value, long minimum, long maximum) {
  const LRESULT geometry = SendMessageW(slider, 1566, 0, 0);
  const int start = HIWORD(geometry), travel = LOWORD(geometry);
  RECT client = {};
  GetClientRect(slider, &client);
  return POINT{start + 1 + static_cast<int>((value - minimum) * travel / (maximum - minimum)),
               client.bottom / 2};
}

TEST_F(NoisgtPage, DoubleClicksResetTheFaderToMinus10AndTheAttackTo250) {
  Open();
  // The fader at its top: its thumb is then at the top of the travel. Find
  // it by double-clicking down the middle until the value changes.
  page_.Key(kFader, VK_HOME);
  ASSERT_EQ(Threshold(), 0);
  HWND fader = page_.Control(kFader);
  RECT client = {};
  GetClientRect(fader, &client);
  for (int y = 0; y < client.bottom / 3 && Threshold() == 0; ++y) {
    SendMessageW(fader, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(client.right / 2, y));
    SendMessageW(fader, WM_LBUTTONUP, 0, MAKELPARAM(client.right / 2, y));
    PumpMessages();
  }
  EXPECT_EQ(Threshold(), -100);
  EXPECT_EQ(page_.Text(kThresholdText), L"-10.0 dB");
  EXPECT_EQ(page_.SliderPosition(kFader), -100);

  HWND attack = page_.Control(kAttackSlider);
  const POINT thumb = TrackbarThumb(attack, Attack(), 1, 500);
  SendMessageW(attack, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(thumb.x, thumb.y));
  SendMessageW(attack, WM_LBUTTONUP, 0, MAKELPARAM(thumb.x, thumb.y));
  PumpMessages();
  EXPECT_EQ(Attack(), 250);
  EXPECT_EQ(page_.Text(kAttackEdit), L"250");
}

TEST_F(NoisgtPage, TheReleaseBoxReadsGroupedDigitsAndShowsTheMinimumForZero) {
  Open();
  page_.Type(kReleaseEdit, L"5,000");
  EXPECT_EQ(Release(), 5000);
  EXPECT_EQ(page_.Text(kReleaseEdit), L"5,000");
  EXPECT_EQ(page_.SliderPosition(kReleaseSlider), 5000);
  page_.Type(kReleaseEdit, L"0");
  EXPECT_EQ(Release(), 1);
  EXPECT_EQ(page_.Text(kReleaseEdit), L"1");
  EXPECT_EQ(page_.SliderPosition(kReleaseSlider), 1);
  page_.Type(kReleaseEdit, L"  1,234.9 ms");
  EXPECT_EQ(Release(), 1234);
  EXPECT_EQ(page_.Text(kReleaseEdit), L"1,234");
  // The attack box reads plain digits only.
  page_.Type(kAttackEdit, L"1,2");
  EXPECT_EQ(Attack(), 1);
  page_.Type(kAttackEdit, L"4294967295");
  EXPECT_EQ(Attack(), 500);
}

TEST_F(NoisgtPage, APageAloneKeepsTheModuleLoadedUntilReleased) {
  Open();
  prop_.reset();
  filter_.reset();  // the page does not hold the filter: the host does
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
  page_.Close();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

}  // namespace

// The Multi-Band Dynamics pages: their controls driven with the messages a
// user's keys, clicks and list choices produce, the two pages open on one
// filter at once, and the page timer while audio streams through the filter
// (meters, capture threshold, controls greyed under automation). Captures of
// both pages in every language.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "effects/mbdyn/mbdyn_params.h"
#include "effects/mbdyn/win/mbdyn_page.h"
#include "effects/mbdyn/win/mbdyn_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/media_params.h"
#include "support/number_format.h"
#include "support/win/wide_text.h"
#include "tests/win/support/capture_recorder.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/effect_page_test.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;
using mbdyn::IAkPlugInProp2;
using orlofx::MbdynParams;
using Page = CAkMbdynPropPage;

const CLSID kClsidMbdyn = {0x026D0AA0, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const CLSID kClsidPage1 = {0x026D0AA1, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const CLSID kClsidPage2 = {0x026D0AA2, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPlugInProp2 = {0x5F7133A2, 0x9A34, 0x4E2E, {0xA7, 0xBD, 0xB6, 0x2A, 0x4A, 0x9D, 0xD5, 0xF5}};

constexpr UINT kMeterGetLevels = 1546;
constexpr UINT kMeterGetRange = 1550;
constexpr UINT kSliderGetMin = 1547;
constexpr UINT kSliderGetMax = 1548;

// Lets the page's timer run `ticks` times (counted, not timed).
void PumpTicks(HWND page, size_t ticks) {
  MessageRecorder seen(page, {WM_TIMER});
  EXPECT_TRUE(PumpUntil([&] { return seen.entries.size() >= ticks; })) << "the page timer never ran";
}

// A sine of `hz` at `level` (0..1), 16-bit stereo at 44.1 kHz.
std::vector<BYTE> Tone(double hz, double level, int frames) {
  std::vector<BYTE> bytes(static_cast<size_t>(frames) * 4);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<short>(std::lround(32767.0 * level *
                                                  std::sin(2.0 * 3.14159265358979 * hz * i / 44100.0)));
    std::memcpy(&bytes[4 * i], &v, 2);
    std::memcpy(&bytes[4 * i + 2], &v, 2);
  }
  return bytes;
}

class MbdynPage : public EffectPageTest<IAkPlugInProp2> {
 protected:
  MbdynPage() : EffectPageTest(kClsidMbdyn, kIidPlugInProp2) {}
  void ClosePages() override {
    page1_.Close();
    page2_.Close();
  }
  void Open1() { ASSERT_EQ(page1_.Open(module_, kClsidPage1, filter_.get(), host_.Handle()), S_OK); }
  void Open2(int x = 0) {
    ASSERT_EQ(page2_.Open(module_, kClsidPage2, filter_.get(), host_.Handle(), true, x, 0), S_OK);
  }
  MbdynParams Props() {
    MbdynParams p = {};
    EXPECT_EQ(prop_->GetAllProps(&p), S_OK);
    return p;
  }
  static long MeterLevel(HWND meter) {
    return static_cast<long>(SendMessageW(meter, kMeterGetLevels, 0, 0));
  }

  // 16-bit stereo at 44.1 kHz.
  void BuildGraph() { EffectPageTest::BuildGraph(Pcm16Stereo44k()); }
  void Push(const std::vector<BYTE>& bytes) {
    ASSERT_EQ(source_->PushStamped(Pcm16Stereo44k(), bytes, 441 * 4, &pushed_), S_OK);
  }

  // Streams `audio` (repeated) in 20 ms pieces at about the pace of playback
  // while the page's messages are handled, until `done` or about `limitMs`.
  template <typename Done>
  bool StreamUntil(const std::vector<BYTE>& audio, Done done, DWORD limitMs = 6000) {
    const size_t piece = 882 * 4;
    const DWORD start = GetTickCount();
    for (size_t at = 0; !done(); at = (at + piece) % audio.size()) {
      if (GetTickCount() - start > limitMs) return done();
      const size_t n = std::min(piece, audio.size() - at);
      Push(std::vector<BYTE>(audio.begin() + at, audio.begin() + at + n));
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
      PumpMessages();
    }
    return true;
  }
  // Streams while the page's timer runs `ticks` times.
  void StreamTicks(const std::vector<BYTE>& audio, HWND page, size_t ticks) {
    MessageRecorder seen(page, {WM_TIMER});
    EXPECT_TRUE(StreamUntil(audio, [&] { return seen.entries.size() >= ticks; }))
        << "the page timer never ran";
  }

  HostWindow host_{1400, 560};
  HostedPage page1_;
  HostedPage page2_;
  REFERENCE_TIME pushed_ = 0;
};

// --- what the dialogs hold ---------------------------------------------------------------

TEST_F(MbdynPage, EachPageHoldsItsTwoStripsAndTheSharedControls) {
  Open1();
  Open2(700);
  struct Expected {
    const HostedPage* page;
    const Page::BandControls* strip;
  };
  for (const Expected& e : {Expected{&page1_, &Page::kBand1}, Expected{&page1_, &Page::kBand2},
                            Expected{&page2_, &Page::kBand3}, Expected{&page2_, &Page::kBand4}}) {
    const Page::BandControls& s = *e.strip;
    SCOPED_TRACE(s.band);
    struct Control {
      int id;
      const wchar_t* className;
    };
    for (const Control& c :
         {Control{s.thresholdFader, L"tovra2Bld314FaderClass"},
          Control{s.amountFader, L"tovra2Bld314FaderClass"}, Control{s.gainFader, L"tovra2Bld314FaderClass"},
          Control{s.attackSlider, L"tovra2Bld314TrackbarClass"},
          Control{s.releaseSlider, L"tovra2Bld314TrackbarClass"},
          Control{s.centerSlider, L"tovra2Bld314TrackbarClass"},
          Control{s.widthSlider, L"tovra2Bld314TrackbarClass"}, Control{s.attackEdit, L"Edit"},
          Control{s.releaseEdit, L"Edit"}, Control{s.centerEdit, L"Edit"},
          Control{s.typeList, L"ComboBox"}, Control{s.levelMeter, L"tovra2Bld314MeterClass"},
          Control{s.reductionMeter, L"tovra2Bld314MeterClass"}, Control{s.meterSource, L"Button"},
          Control{s.bypass, L"Button"}, Control{s.solo, L"Button"}}) {
      HWND control = e.page->Control(c.id);
      ASSERT_NE(control, nullptr) << c.id;
      WCHAR name[64] = {};
      GetClassNameW(control, name, 64);
      EXPECT_EQ(lstrcmpiW(name, c.className), 0) << c.id;
    }
    // Ranges as the parameters have them.
    struct Range {
      int id;
      long minimum, maximum;
    };
    for (const Range& r : {Range{s.thresholdFader, -600, 0}, Range{s.amountFader, 10, 500},
                           Range{s.gainFader, -250, 250}, Range{s.attackSlider, 0, 5000},
                           Range{s.releaseSlider, 0, 50000}, Range{s.centerSlider, 50, 15000},
                           Range{s.widthSlider, 3, 30}}) {
      HWND slider = e.page->Control(r.id);
      EXPECT_EQ(static_cast<long>(SendMessageW(slider, kSliderGetMin, 0, 0)), r.minimum) << r.id;
      EXPECT_EQ(static_cast<long>(SendMessageW(slider, kSliderGetMax, 0, 0)), r.maximum) << r.id;
    }
    EXPECT_EQ(SendMessageW(e.page->Control(s.typeList), CB_GETCOUNT, 0, 0), 3);
    // The display words give the meters their ranges (defaults -42 and -24 dB).
    EXPECT_EQ(SendMessageW(e.page->Control(s.levelMeter), kMeterGetRange, 0, 0), 128);
    EXPECT_EQ(SendMessageW(e.page->Control(s.reductionMeter), kMeterGetRange, 0, 0), 16);
  }
  EXPECT_EQ(page1_.Text(Page::kBand1.bypass), L"Band &1 bypass");
  EXPECT_EQ(page2_.Text(Page::kBand4.bypass), L"Band &4 bypass");
  EXPECT_EQ(page1_.Text(Page::kOutputGainLabel), L"&Output gain\n(-25 to 25 dB)");
  EXPECT_NE(page1_.Control(Page::kEnableMeters1), nullptr);
  EXPECT_NE(page2_.Control(Page::kEnableMeters2), nullptr);
  EXPECT_EQ(page2_.Control(Page::kEnableMeters1), nullptr);
  for (HostedPage* page : {&page1_, &page2_}) {
    EXPECT_NE(page->Control(Page::kSyncStereo), nullptr);
    EXPECT_NE(page->Control(Page::kCaptureThreshold), nullptr);
    EXPECT_NE(page->Control(Page::kOutputGainFader), nullptr);
  }
  // Preset 0: band 1 is a notch at 200 Hz, the others bypassed.
  EXPECT_EQ(page1_.Text(Page::kBand1.centerEdit), L"200");
  EXPECT_EQ(page1_.Text(Page::kBand1.centerCaption), L"Center (50 to 15,000 Hz):");
  EXPECT_EQ(page2_.Text(Page::kBand4.centerEdit), L"10,000");
  EXPECT_EQ(IsDlgButtonChecked(page1_.Dialog(), Page::kBand2.bypass), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page1_.Dialog(), Page::kSyncStereo), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page1_.Dialog(), Page::kEnableMeters1), BST_CHECKED);
  EXPECT_EQ(page1_.Text(Page::kBand1.meterSource), L"Input");
}

TEST_F(MbdynPage, TheTypeListSetsTheBandTypeAndItsFrequencyCaption) {
  Open1();
  HWND list = page1_.Control(Page::kBand1.typeList);
  // The keyboard moves a drop-down list's selection and reports it.
  PressKey(list, VK_HOME);
  long type = -1;
  prop_->GetBand1Type(&type);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(page1_.Text(Page::kBand1.centerCaption), L"Below (50 to 15,000 Hz):");
  PressKey(list, VK_DOWN);
  prop_->GetBand1Type(&type);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(page1_.Text(Page::kBand1.centerCaption), L"Center (50 to 15,000 Hz):");
  PressKey(list, VK_DOWN);
  prop_->GetBand1Type(&type);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(page1_.Text(Page::kBand1.centerCaption), L"Above (50 to 15,000 Hz):");
  // The other strip keeps its own.
  prop_->GetBand2Type(&type);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(page1_.Text(Page::kBand2.centerCaption), L"Center (50 to 15,000 Hz):");
  // A type set elsewhere (here a preset) comes to the list and caption.
  ASSERT_EQ(QueryAs<IStaticFilterPreset>(filter_.get(), IID_IStaticFilterPreset)->ApplyPreset(3),
            S_OK);
  PumpMessages();
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(page1_.Text(Page::kBand1.centerCaption), L"Below (50 to 15,000 Hz):");
}

TEST_F(MbdynPage, FadersShowLevelsAndTheRatio) {
  Open1();
  const Page::BandControls& s = Page::kBand1;
  // Home on the amount fader (a range that does not span 0) is its top.
  PressKey(page1_.Control(s.amountFader), VK_HOME);
  long amount = 0;
  prop_->GetBand1Amount(&amount);
  EXPECT_EQ(amount, 500);
  EXPECT_EQ(page1_.Text(s.amountText), L"50.0 :1");
  PressKey(page1_.Control(s.amountFader), VK_NEXT);  // a page down: 1:1 less
  prop_->GetBand1Amount(&amount);
  EXPECT_EQ(amount, 490);
  EXPECT_EQ(page1_.Text(s.amountText), L"49.0 :1");
  PressKey(page1_.Control(s.amountFader), VK_END);
  EXPECT_EQ(page1_.Text(s.amountText), L"1.0 :1");

  PressKey(page1_.Control(s.thresholdFader), VK_END);
  long threshold = 0;
  prop_->GetBand1Threshold(&threshold);
  EXPECT_EQ(threshold, -600);
  EXPECT_EQ(page1_.Text(s.thresholdText), L"-60.0 dB");
  PressKey(page1_.Control(s.thresholdFader), VK_UP);
  EXPECT_EQ(page1_.Text(s.thresholdText), L"-59.9 dB");

  PressKey(page1_.Control(s.gainFader), VK_PRIOR);
  long gain = 0;
  prop_->GetBand1Gain(&gain);
  EXPECT_EQ(gain, 10);
  EXPECT_EQ(page1_.Text(s.gainText), L"1.0 dB");
  PressKey(page1_.Control(Page::kOutputGainFader), VK_END);
  long output = 0;
  prop_->GetOutputGain(&output);
  EXPECT_EQ(output, -250);
  EXPECT_EQ(page1_.Text(Page::kOutputGainText), L"-25.0 dB");
  EXPECT_EQ(page1_.SliderPosition(Page::kOutputGainFader), -250);

  // Width in tenths of an octave, shown with one decimal.
  PressKey(page1_.Control(s.widthSlider), VK_END);
  long width = 0;
  prop_->GetBand1Width(&width);
  EXPECT_EQ(width, 30);
  EXPECT_EQ(page1_.Text(s.widthText), L"3.0");
  PressKey(page1_.Control(s.widthSlider), VK_LEFT);
  EXPECT_EQ(page1_.Text(s.widthText), L"2.9");
}

TEST_F(MbdynPage, TimeAndFrequencyBoxesReadWhatIsTyped) {
  Open1();
  const Page::BandControls& s = Page::kBand2;
  EXPECT_EQ(page1_.Text(s.attackEdit), L"1.0");
  EXPECT_EQ(page1_.Text(s.releaseEdit), L"100.0");
  page1_.Type(s.attackEdit, L"12.5");
  long attack = 0;
  prop_->GetBand2Attack(&attack);
  EXPECT_EQ(attack, 125);
  EXPECT_EQ(page1_.Text(s.attackEdit), L"12.5");
  EXPECT_EQ(page1_.SliderPosition(s.attackSlider), 125);
  // Beyond the range: the effect clamps and the box shows what it took.
  page1_.Type(s.attackEdit, L"9999");
  prop_->GetBand2Attack(&attack);
  EXPECT_EQ(attack, 5000);
  EXPECT_EQ(page1_.Text(s.attackEdit), L"500.0");
  page1_.Type(s.releaseEdit, L"4,321.06");
  long release = 0;
  prop_->GetBand2Release(&release);
  EXPECT_EQ(release, 43211);
  EXPECT_EQ(page1_.Text(s.releaseEdit), L"4,321.1");
  page1_.Type(s.releaseEdit, L"ms");
  prop_->GetBand2Release(&release);
  EXPECT_EQ(release, 0);
  page1_.Type(s.centerEdit, L"2,500");
  long center = 0;
  prop_->GetBand2Center(&center);
  EXPECT_EQ(center, 2500);
  EXPECT_EQ(page1_.Text(s.centerEdit), L"2,500");
  page1_.Type(s.centerEdit, L"20");
  prop_->GetBand2Center(&center);
  EXPECT_EQ(center, 50);
  EXPECT_EQ(page1_.SliderPosition(s.centerSlider), 50);
}

TEST_F(MbdynPage, ADragBracketsItsChangesWithBeginAndEndOfTheEdit) {
  CaptureRecorder callback;
  auto set = QueryAs<IMediaParamsSetUICallback>(filter_.get(), IID_IMediaParamsSetUICallback);
  ASSERT_TRUE(set);
  ASSERT_EQ(set->SetUICallback(&callback), S_OK);
  Open1();
  // Held on the channel right of the thumb: a page step up, then release.
  HWND slider = page1_.Control(Page::kBand1.attackSlider);
  const LRESULT geometry = SendMessageW(slider, 1566, 0, 0);
  RECT client = {};
  GetClientRect(slider, &client);
  const int x = HIWORD(geometry) + LOWORD(geometry) - 2;
  SendMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, client.bottom / 2));
  SendMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(x, client.bottom / 2));
  PumpMessages();
  long attack = 0;
  prop_->GetBand1Attack(&attack);
  EXPECT_EQ(attack, 110);
  EXPECT_EQ(page1_.Text(Page::kBand1.attackEdit), L"11.0");
  // Parameter 3 is band 1's attack.
  EXPECT_EQ(callback.Pattern(), "bce");
  EXPECT_EQ(callback.events.size(), 3u) << "one step, one change";
  EXPECT_TRUE(callback.AllFor(3));
  set->SetUICallback(nullptr);
}

// --- the two pages together ----------------------------------------------------------------

TEST_F(MbdynPage, SoloOnPageTwoLeavesOnlyBandThreeWhileBothPagesStayInStep) {
  Open1();
  Open2(700);
  ASSERT_EQ(prop_->SetBand3Bypass(0), S_OK);
  PumpMessages();
  ClickButton(page2_.Control(Page::kBand3.solo));
  PumpTicks(page2_.Dialog(), 2);
  long solo = 0;
  prop_->GetBand3Solo(&solo);
  EXPECT_EQ(solo, 1);
  const MbdynParams p = Props();
  for (int b = 0; b < orlofx::kMbdynBands; ++b)
    EXPECT_EQ(orlofx::MbdynBandActive(p, b), b == 2) << "band " << b + 1;
  // Both pages stay editable: nothing is under automation.
  for (const HostedPage* page : {&page1_, &page2_})
    for (int id : {Page::kOutputGainFader, Page::kSyncStereo})
      EXPECT_TRUE(IsWindowEnabled(page->Control(id))) << id;
  for (int id : {Page::kBand1.thresholdFader, Page::kBand1.solo, Page::kBand2.typeList})
    EXPECT_TRUE(IsWindowEnabled(page1_.Control(id))) << id;
  EXPECT_TRUE(IsWindowEnabled(page2_.Control(Page::kBand4.solo)));

  // A change on one page shows on the other at once.
  PressKey(page2_.Control(Page::kOutputGainFader), VK_PRIOR);
  long output = 0;
  prop_->GetOutputGain(&output);
  EXPECT_EQ(output, 10);
  EXPECT_EQ(page1_.Text(Page::kOutputGainText), L"1.0 dB");
  EXPECT_EQ(page1_.SliderPosition(Page::kOutputGainFader), 10);
  ClickButton(page1_.Control(Page::kSyncStereo));
  EXPECT_EQ(IsDlgButtonChecked(page2_.Dialog(), Page::kSyncStereo), BST_UNCHECKED);
  ClickButton(page1_.Control(Page::kBand1.bypass));
  long bypass = 0;
  prop_->GetBand1Bypass(&bypass);
  EXPECT_EQ(bypass, 1);
  // Solo off again on page 2: the unbypassed bands play.
  ClickButton(page2_.Control(Page::kBand3.solo));
  const MbdynParams q = Props();
  EXPECT_FALSE(orlofx::MbdynBandActive(q, 0));
  EXPECT_TRUE(orlofx::MbdynBandActive(q, 2));
}

TEST_F(MbdynPage, TheVisiblePageSlotFollowsThePagesDialog) {
  long visible = -1;
  prop_->GetVisiblePage(&visible);
  EXPECT_EQ(visible, 0);
  Open1();
  prop_->GetVisiblePage(&visible);
  EXPECT_EQ(visible, 1);
  page1_.Close();
  prop_->GetVisiblePage(&visible);
  EXPECT_EQ(visible, 0);
  // The dialog before the binding: the page claims it when it is bound.
  ASSERT_EQ(page2_.Open(module_, kClsidPage2, filter_.get(), host_.Handle(), false), S_OK);
  prop_->GetVisiblePage(&visible);
  EXPECT_EQ(visible, 2);
  // A page that goes while the other has come up leaves the claim alone.
  Open1();
  prop_->GetVisiblePage(&visible);
  EXPECT_EQ(visible, 1);
  page2_.Close();
  prop_->GetVisiblePage(&visible);
  EXPECT_EQ(visible, 1);
  page1_.Close();
  prop_->GetVisiblePage(&visible);
  EXPECT_EQ(visible, 0);
}

TEST_F(MbdynPage, TheInOutButtonSwitchesTheMeterSource) {
  Open1();
  HWND button = page1_.Control(Page::kBand2.meterSource);
  EXPECT_EQ(page1_.Text(Page::kBand2.meterSource), L"Input");
  ClickButton(button);
  long source = 0;
  prop_->GetMeterSource(2, &source);
  EXPECT_EQ(source, 1);
  EXPECT_EQ(page1_.Text(Page::kBand2.meterSource), L"Output");
  prop_->GetMeterSource(1, &source);
  EXPECT_EQ(source, 0) << "only its own band";
  ClickButton(button);
  prop_->GetMeterSource(2, &source);
  EXPECT_EQ(source, 0);
  EXPECT_EQ(page1_.Text(Page::kBand2.meterSource), L"Input");
}

TEST_F(MbdynPage, AMeterRangeChosenFromItsMenuIsKeptInTheBandsDisplayWords) {
  Open1();
  // The menu's choice reaches the meter as its command: "-60 to 0 dB".
  SendMessageW(page1_.Control(Page::kBand2.levelMeter), WM_COMMAND, 40004, 0);
  long word = 0;
  prop_->GetDisplayWord1(2, &word);
  EXPECT_EQ(word, 1024);
  // "-12 to 0 dB" on band 1's reduction meter.
  SendMessageW(page1_.Control(Page::kBand1.reductionMeter), WM_COMMAND, 40001, 0);
  prop_->GetDisplayWord2(1, &word);
  EXPECT_EQ(word, 4);
  prop_->GetDisplayWord1(1, &word);
  EXPECT_EQ(word, 128) << "the other meters keep theirs";
  // The record keeps them for the next time the page opens.
  page1_.Close();
  Open1();
  EXPECT_EQ(SendMessageW(page1_.Control(Page::kBand2.levelMeter), kMeterGetRange, 0, 0), 1024);
  EXPECT_EQ(SendMessageW(page1_.Control(Page::kBand1.reductionMeter), kMeterGetRange, 0, 0), 4);
  // A preset puts the defaults back, on the open page too.
  ASSERT_EQ(QueryAs<IStaticFilterPreset>(filter_.get(), IID_IStaticFilterPreset)->ApplyPreset(0),
            S_OK);
  PumpMessages();
  EXPECT_EQ(SendMessageW(page1_.Control(Page::kBand2.levelMeter), kMeterGetRange, 0, 0), 128);
}

TEST_F(MbdynPage, TheReductionMeterFollowsTheBandsCurve) {
  // 4:1 from -30 dB: a peak 20 dB over it is brought down by 15 dB.
  EXPECT_EQ(mbdyn::CurveReduction(-160, -300, 40, 0), -150);
  // Measured after the reduction the same band shows 5 dB over.
  EXPECT_EQ(mbdyn::CurveReduction(-310, -300, 40, 1), -150);
  EXPECT_EQ(mbdyn::CurveReduction(-400, -300, 40, 0), 0) << "below the threshold";
  EXPECT_EQ(mbdyn::CurveReduction(-100, -300, 10, 0), 0) << "1:1";
  EXPECT_EQ(mbdyn::CurveReduction(-600, -600, 40, 0), 0) << "no signal";
  EXPECT_LT(mbdyn::CurveReduction(-100, -300, 500, 0), -1000) << "50:1 takes the band out";
}

// --- the page timer while audio streams -----------------------------------------------------

TEST_F(MbdynPage, MetersMoveWhileAudioStreamsAndRestWhenDisabled) {
  BuildGraph();
  Open1();
  HWND level = page1_.Control(Page::kBand1.levelMeter);
  HWND reduction = page1_.Control(Page::kBand1.reductionMeter);
  EXPECT_EQ(MeterLevel(level), 0);
  // Band 1 (a notch at 200 Hz) compresses 4:1 from -30 dB.
  ASSERT_EQ(prop_->SetBand1Threshold(-300), S_OK);
  ASSERT_EQ(prop_->SetBand1Amount(40), S_OK);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  const std::vector<BYTE> tone = Tone(200.0, 0.5, 44100 / 2);
  EXPECT_TRUE(StreamUntil(tone, [&] { return MeterLevel(level) > 0; })) << "the band 1 meter moved";
  EXPECT_TRUE(StreamUntil(tone, [&] { return MeterLevel(reduction) < 32767; }))
      << "the tone is over the threshold";
  EXPECT_EQ(MeterLevel(page1_.Control(Page::kBand2.levelMeter)), 0) << "band 2 is bypassed";

  // Meters off: they come to rest and stay there while audio goes on.
  ClickButton(page1_.Control(Page::kEnableMeters1));
  long enabled = 1;
  prop_->GetEnableMeters(&enabled);
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(MeterLevel(level), 0);
  StreamTicks(tone, page1_.Dialog(), 5);  // resting proves something only if the timer ran
  EXPECT_EQ(MeterLevel(level), 0);
  EXPECT_EQ(MeterLevel(reduction), 32767);

  // On again: they follow the stream once more; a stop lets them fall back.
  ClickButton(page1_.Control(Page::kEnableMeters1));
  EXPECT_TRUE(StreamUntil(tone, [&] { return MeterLevel(level) > 0; }));
  graph_->Stop();
  EXPECT_TRUE(PumpUntil([&] { return MeterLevel(level) == 0; }));
}

TEST_F(MbdynPage, CaptureThresholdTakesTheMaximumMeasuredSinceItWasSwitchedOn) {
  BuildGraph();
  Open1();
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  // Loud before capture: this maximum must not count. Silence after it
  // pushes the held-back block through before capture starts.
  Push(Tone(200.0, 0.9, 882 * 12));
  Push(Tone(200.0, 0.0, 882 * 3));
  ClickButton(page1_.Control(Page::kCaptureThreshold));
  long capture = 0;
  prop_->GetCaptureThreshold(&capture);
  EXPECT_EQ(capture, 1);
  Push(Tone(200.0, 0.05, 44100 / 2));
  long threshold = 0;
  EXPECT_TRUE(PumpUntil([&] {
    prop_->GetBand1Threshold(&threshold);
    return threshold > -600;
  }));
  PumpTicks(page1_.Dialog(), 3);
  prop_->GetBand1Threshold(&threshold);
  // About -26 dB of peak, less the meters' 6 dB: well under the loud part.
  EXPECT_GT(threshold, -500);
  EXPECT_LT(threshold, -200);
  EXPECT_EQ(page1_.Text(Page::kBand1.thresholdText),
            orlofx::FormatLevelW(threshold, 1, 0, L" dB"));
  EXPECT_EQ(page1_.SliderPosition(Page::kBand1.thresholdFader), threshold);
  long band2 = 0;
  prop_->GetBand2Threshold(&band2);
  EXPECT_EQ(band2, 0) << "a bypassed band keeps its threshold";

  // Off: capture only stops; the thresholds stay.
  ClickButton(page1_.Control(Page::kCaptureThreshold));
  prop_->GetCaptureThreshold(&capture);
  EXPECT_EQ(capture, 0);
  Push(Tone(200.0, 0.9, 44100 / 4));
  PumpTicks(page1_.Dialog(), 3);
  long after = 0;
  prop_->GetBand1Threshold(&after);
  EXPECT_EQ(after, threshold);
}

TEST_F(MbdynPage, AControlUnderAnEnvelopeIsGreyedWhileItStreams) {
  BuildGraph();
  Open1();
  auto params = QueryAs<IMediaParams>(filter_.get(), IID_IMediaParams);
  ASSERT_TRUE(params);
  // Band 1's gain (parameter 2) follows an envelope over the whole stream.
  MP_ENVELOPE_SEGMENT segment = {0, 100000000, 3.0f, 3.0f, MP_CURVE_JUMP, 0};
  ASSERT_EQ(params->AddEnvelope(2, 1, &segment), S_OK);
  HWND gain = page1_.Control(Page::kBand1.gainFader);
  EXPECT_TRUE(IsWindowEnabled(gain));
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  Push(Tone(200.0, 0.5, 44100 / 10));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(gain); }));
  EXPECT_TRUE(IsWindowEnabled(page1_.Control(Page::kBand1.thresholdFader)));
  EXPECT_TRUE(IsWindowEnabled(page1_.Control(Page::kBand2.gainFader)));
  graph_->Stop();
  EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(gain) != FALSE; }));
}

// Both pages while audio streams: each band's meter follows its tone (the
// languages test captures every page in every language at rest).
TEST_F(MbdynPage, BothPagesShowTheirBandsPlaying) {
  BuildGraph();
  ASSERT_EQ(prop_->SetBand3Bypass(0), S_OK);
  ASSERT_EQ(prop_->SetBand1Threshold(-300), S_OK);
  ASSERT_EQ(prop_->SetBand1Amount(40), S_OK);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  // One page after the other, each in full view while the audio plays:
  // band 1 and band 3 hear a tone each.
  std::vector<BYTE> tone = Tone(200.0, 0.5, 44100 / 2);
  const std::vector<BYTE> high = Tone(4000.0, 0.3, 44100 / 2);
  for (size_t i = 0; i < tone.size(); i += 2) {
    short a, b;
    std::memcpy(&a, &tone[i], 2);
    std::memcpy(&b, &high[i], 2);
    const short sum = static_cast<short>(a / 2 + b / 2);
    std::memcpy(&tone[i], &sum, 2);
  }
  // Half a second made ahead of playback, as a host's buffers hold it.
  Open1();
  Push(tone);
  EXPECT_TRUE(StreamUntil(tone, [&] { return MeterLevel(page1_.Control(Page::kBand1.levelMeter)) > 0; }));
  StreamTicks(tone, page1_.Dialog(), 3);  // a few refreshes and paints with the meters moving
  EXPECT_TRUE(CapturePage(page1_.Dialog(), "mbdyn_page_playing"));
  page1_.Close();
  Open2();
  Push(tone);
  EXPECT_TRUE(StreamUntil(tone, [&] { return MeterLevel(page2_.Control(Page::kBand3.levelMeter)) > 0; }));
  StreamTicks(tone, page2_.Dialog(), 3);
  EXPECT_TRUE(CapturePage(page2_.Dialog(), "mbdyn_page2_playing"));
  page2_.Close();
}

}  // namespace

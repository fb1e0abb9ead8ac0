// The Graphic Dynamics page: the curve in the graph and the sliders that
// reshape it, driven with the messages a user's mouse and keys produce; the
// edit bracket a host's automation sees around a drag; the page while audio
// streams through the filter (a curve edit heard in the output, parameters
// under an automation envelope greyed); captures in every language.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "effects/gdyn/gdyn_params.h"
#include "effects/gdyn/win/gdyn_page.h"
#include "effects/gdyn/win/gdyn_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/media_params.h"
#include "support/win/wide_text.h"
#include "tests/win/support/capture_recorder.h"
#include "tests/win/support/effect_page_test.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;
using gdyn::IAkPlugInProp2;
using orlofx::GdynPoint;
using Page = CAkGdynPropPage;

const CLSID kClsidGdyn = {0xF3B8E880, 0xB4E0, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const CLSID kClsidGdynPage = {0xF3B8E881, 0xB4E0, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPlugInProp2 = {0x5F7133A2, 0x9A34, 0x4E2E, {0xA7, 0xBD, 0xB6, 0x2A, 0x4A, 0x9D, 0xD5, 0xF5}};

constexpr UINT kGetMin = 1547;
constexpr UINT kGetMax = 1548;
constexpr UINT kGetTravel = 1566;
constexpr UINT kEnvGetCount = 1539;
constexpr UINT kEnvXToPixel = 1555;
constexpr UINT kEnvPixelToX = 1556;
constexpr UINT kEnvYToPixel = 1557;
constexpr DWORD kParamAttack = 0;
constexpr DWORD kParamAutoGain = 2;
constexpr DWORD kParamSyncStereo = 3;
constexpr DWORD kParamOutputGain = 4;
constexpr double kPi = 3.14159265358979323846;

class GdynPage : public EffectPageTest<IAkPlugInProp2> {
 protected:
  GdynPage() : EffectPageTest(kClsidGdyn, kIidPlugInProp2) {}
  void ClosePages() override { page_.Close(); }
  void Open() {
    ASSERT_EQ(page_.Open(module_, kClsidGdynPage, filter_.get(), host_.Handle()), S_OK);
  }
  // 16-bit mono at 44.1 kHz.
  void BuildGraph() { EffectPageTest::BuildGraph(format_ = MakeWaveFormat(WAVE_FORMAT_PCM, 1, 44100, 16)); }
  // `frames` of a 1 kHz sine at `amplitude`, pushed in 10 ms pieces with
  // continuous times.
  void PushTone(double amplitude, int frames) {
    const int piece = 441;
    for (int done = 0; done < frames; done += piece) {
      std::vector<BYTE> bytes(static_cast<size_t>(piece) * 2);
      for (int i = 0; i < piece; ++i) {
        const double t = static_cast<double>(pushed_ + i) / 44100.0;
        const short s = static_cast<short>(std::lround(amplitude * 32767.0 * std::sin(2 * kPi * 1000 * t)));
        std::memcpy(&bytes[static_cast<size_t>(i) * 2], &s, 2);
      }
      const REFERENCE_TIME start = DurationOf(format_, static_cast<size_t>(pushed_) * 2);
      ASSERT_EQ(source_->Push(PushSample::Bytes(bytes).At(start, start + DurationOf(format_, bytes.size()))),
                S_OK);
      pushed_ += piece;
    }
  }
  // Peak of the last `frames` frames that came out, full scale 1.0.
  double OutputPeak(int frames) {
    const std::vector<BYTE> bytes = sink_->AllBytes();
    const size_t count = bytes.size() / 2;
    double peak = 0.0;
    for (size_t i = count - std::min<size_t>(count, static_cast<size_t>(frames)); i < count; ++i) {
      short s;
      std::memcpy(&s, &bytes[i * 2], 2);
      peak = std::max(peak, std::abs(s / 32768.0));
    }
    return peak;
  }

  std::vector<GdynPoint> Points() {
    GdynPoint points[orlofx::kGdynMaxPoints] = {};
    long count = 0;
    EXPECT_EQ(prop_->GetPoints(points, &count), S_OK);
    return std::vector<GdynPoint>(points, points + count);
  }
  long GraphCount() {
    GdynPoint points[orlofx::kGdynMaxPoints] = {};
    return static_cast<long>(
        SendMessageW(page_.Control(Page::kGraph), kEnvGetCount, 16, reinterpret_cast<LPARAM>(points)));
  }
  long Threshold() { long v = 0; prop_->GetThreshold(&v); return v; }
  long Ratio() { long v = 0; prop_->GetRatio(&v); return v; }
  long Attack() { long v = 0; prop_->GetAttack(&v); return v; }
  long Release() { long v = 0; prop_->GetRelease(&v); return v; }
  long Gain() { long v = 0; prop_->GetOutputGain(&v); return v; }
  void GetSwitch(DWORD param, long* value) {
    if (param == kParamAutoGain) prop_->GetAutoGain(value);
    else prop_->GetSyncStereo(value);
  }

  // The client position of a graph value.
  POINT GraphPixel(long x, long y) {
    HWND graph = page_.Control(Page::kGraph);
    return POINT{static_cast<int>(SendMessageW(graph, kEnvXToPixel, 0, x)),
                 static_cast<int>(SendMessageW(graph, kEnvYToPixel, 0, y))};
  }
  // Presses at `from`, moves in steps to `to` and releases there.
  static void Drag(HWND control, POINT from, POINT to, int steps = 5) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    for (int i = 1; i <= steps; ++i) {
      const int x = from.x + (to.x - from.x) * i / steps;
      const int y = from.y + (to.y - from.y) * i / steps;
      SendMessageW(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
    }
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    PumpMessages();
  }
  // The middle of a trackbar's thumb at `value` (linear trackbars only).
  POINT TrackbarThumb(int id, long value) {
    HWND slider = page_.Control(id);
    const LRESULT geometry = SendMessageW(slider, kGetTravel, 0, 0);
    const int start = HIWORD(geometry), travel = LOWORD(geometry);
    const long minimum = static_cast<int>(SendMessageW(slider, kGetMin, 0, 0));
    const long maximum = static_cast<int>(SendMessageW(slider, kGetMax, 0, 0));
    RECT client = {};
    GetClientRect(slider, &client);
    return POINT{start + 1 + static_cast<int>((value - minimum) * travel / (maximum - minimum)),
                 client.bottom / 2};
  }

  HostWindow host_{600, 540};
  HostedPage page_;
  WAVEFORMATEX format_ = {};
  int pushed_ = 0;
};

TEST_F(GdynPage, TheDialogShowsTheDefaultCurveWithItsValuesAndRanges) {
  Open();
  struct Expected {
    int id;
    const wchar_t* className;
    long minimum, maximum;
  };
  const Expected sliders[] = {
      {Page::kOutputGainFader, L"tovra2Bld314FaderClass", -250, 250},
      {Page::kAttackSlider, L"tovra2Bld314TrackbarClass", 0, 5000},
      {Page::kReleaseSlider, L"tovra2Bld314TrackbarClass", 0, 50000},
      {Page::kThresholdSlider, L"tovra2Bld314TrackbarClass", -800, -1},
      {Page::kRatioSlider, L"tovra2Bld314TrackbarClass", 10, 500},
  };
  for (const Expected& s : sliders) {
    HWND control = page_.Control(s.id);
    ASSERT_NE(control, nullptr) << s.id;
    WCHAR name[64] = {};
    GetClassNameW(control, name, 64);
    EXPECT_EQ(lstrcmpiW(name, s.className), 0) << s.id;
    EXPECT_EQ(static_cast<int>(SendMessageW(control, kGetMin, 0, 0)), s.minimum) << s.id;
    EXPECT_EQ(static_cast<int>(SendMessageW(control, kGetMax, 0, 0)), s.maximum) << s.id;
  }
  WCHAR name[64] = {};
  GetClassNameW(page_.Control(Page::kGraph), name, 64);
  EXPECT_EQ(lstrcmpiW(name, L"tovra2Bld314EnvelopeClass"), 0);
  EXPECT_EQ(page_.Text(Page::kOutputGainLabel), L"&Output gain\n(-25 to 25 dB)");
  EXPECT_EQ(page_.Text(Page::kAttackLabel), L"Attac&k (0 to 500 ms):");
  EXPECT_EQ(page_.Text(Page::kReleaseLabel), L"R&elease (0 to 5,000 ms):");
  EXPECT_EQ(page_.Text(Page::kThresholdLabel), L"Threshol&d (-80 to -0.1 dB):");
  EXPECT_EQ(page_.Text(Page::kRatioLabel), L"Rat&io (1.0:1 to Inf.:1):");
  EXPECT_EQ(page_.Text(Page::kResetGraphButton), L"Rese&t Graph");
  EXPECT_EQ(page_.Text(Page::kFirstAxisLabel), L"dB 0");
  EXPECT_EQ(page_.Text(Page::kLastAxisLabel), L"0\ndB");

  // Preset 0: 1:1 with its bend at -24 dB, attack 1 ms, release 500 ms.
  EXPECT_EQ(page_.Text(Page::kOutputGainText), L"0.0 dB");
  EXPECT_EQ(page_.Text(Page::kAttackEdit), L"1.0");
  EXPECT_EQ(page_.Text(Page::kReleaseEdit), L"500.0");
  EXPECT_EQ(page_.Text(Page::kThresholdText), L"-24.0 dB");
  EXPECT_EQ(page_.Text(Page::kRatioText), L"1.0 :1");
  EXPECT_EQ(page_.SliderPosition(Page::kThresholdSlider), -240);
  EXPECT_EQ(page_.SliderPosition(Page::kRatioSlider), 10);
  EXPECT_EQ(page_.SliderPosition(Page::kReleaseSlider), 5000);
  EXPECT_EQ(GraphCount(), 3);
  EXPECT_EQ(IsDlgButtonChecked(page_.Dialog(), Page::kAutoGainCheck), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(IsDlgButtonChecked(page_.Dialog(), Page::kSyncStereoCheck), static_cast<UINT>(BST_CHECKED));

  // A preset applied elsewhere reaches the page through the notification.
  ApplyPreset(9);
  EXPECT_EQ(GraphCount(), 7);
  EXPECT_EQ(page_.Text(Page::kThresholdText), L"-24.0 dB");
  EXPECT_EQ(page_.Text(Page::kRatioText), L"2.0 :1");
  EXPECT_EQ(IsDlgButtonChecked(page_.Dialog(), Page::kAutoGainCheck), static_cast<UINT>(BST_CHECKED));
}

TEST_F(GdynPage, ResetGraphGivesAUnityLineWithItsThresholdAtMinus21Db) {
  Open();
  ApplyPreset(9);
  ASSERT_EQ(GraphCount(), 7);
  SendMessageW(page_.Control(Page::kResetGraphButton), BM_CLICK, 0, 0);
  PumpMessages();
  const std::vector<GdynPoint> points = Points();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_TRUE(points[0].x == -840 && points[0].y == -840);
  EXPECT_TRUE(points[1].x == -210 && points[1].y == -210);
  EXPECT_TRUE(points[2].x == 0 && points[2].y == 0);
  EXPECT_EQ(Threshold(), -210);
  EXPECT_EQ(Ratio(), 10);
  EXPECT_EQ(page_.Text(Page::kThresholdText), L"-21.0 dB");
  EXPECT_EQ(page_.Text(Page::kRatioText), L"1.0 :1");
  EXPECT_EQ(page_.SliderPosition(Page::kThresholdSlider), -210);
  EXPECT_EQ(page_.SliderPosition(Page::kRatioSlider), 10);
  EXPECT_EQ(GraphCount(), 3);
  // What the effect stores for the two sliders goes with the curve.
  orlofx::AkGdynProps props = {};
  ASSERT_EQ(prop_->GetAllProps(&props), S_OK);
  EXPECT_EQ(props.threshold, -210);
  EXPECT_EQ(props.ratio, 10);
}

TEST_F(GdynPage, TheThresholdSliderMovesTheKneeAndAtTheTopDropsPointsCrowdingZeroDb) {
  Open();
  ApplyPreset(7);  // 2:1 above -18 dB
  ASSERT_EQ(page_.SliderPosition(Page::kThresholdSlider), -180);
  // One page (1 dB) up: the knee moves, the top keeps the 2:1 slope.
  page_.Key(Page::kThresholdSlider, VK_PRIOR);
  std::vector<GdynPoint> points = Points();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[1].x, -170);
  EXPECT_EQ(points[1].y, -170);
  EXPECT_EQ(points[2].y, -85);
  EXPECT_EQ(Ratio(), 20);
  EXPECT_EQ(page_.Text(Page::kThresholdText), L"-17.0 dB");

  // Compressor/gate, four points, knee at -15 dB; End takes the slider to
  // -0.1 dB. The knee stops 0.3 dB short of 0 dB and is removed; the slider
  // then shows where the curve's threshold really is.
  ApplyPreset(2);
  ASSERT_EQ(GraphCount(), 4);
  page_.Key(Page::kThresholdSlider, VK_END);
  points = Points();
  ASSERT_EQ(points.size(), 3u);
  for (size_t k = 1; k + 1 < points.size(); ++k) EXPECT_LT(points[k].x, -3) << k;
  EXPECT_EQ(points[1].x, -465);
  EXPECT_EQ(points[1].y, -840);
  EXPECT_EQ(GraphCount(), 3);
  EXPECT_EQ(page_.SliderPosition(Page::kThresholdSlider), Threshold());
  EXPECT_EQ(page_.Text(Page::kThresholdText), L"-46.5 dB");
}

TEST_F(GdynPage, TheRatioSliderAtItsTopFlattensTheCurveAndShowsInfinity) {
  Open();
  SendMessageW(page_.Control(Page::kResetGraphButton), BM_CLICK, 0, 0);
  PumpMessages();
  page_.Key(Page::kRatioSlider, VK_END);
  EXPECT_EQ(Ratio(), 500);
  EXPECT_EQ(page_.Text(Page::kRatioText), L"Inf.:1");
  std::vector<GdynPoint> points = Points();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[2].y, points[1].y) << "flat above the knee";
  EXPECT_EQ(page_.SliderPosition(Page::kRatioSlider), 500);
  // Back to the bottom: 1:1 again.
  page_.Key(Page::kRatioSlider, VK_HOME);
  EXPECT_EQ(page_.Text(Page::kRatioText), L"1.0 :1");
  points = Points();
  EXPECT_EQ(points[2].y, 0);
}

TEST_F(GdynPage, SwitchesEditsAndTheGraphReadout) {
  Open();
  SendMessageW(page_.Control(Page::kAutoGainCheck), BM_CLICK, 0, 0);
  SendMessageW(page_.Control(Page::kSyncStereoCheck), BM_CLICK, 0, 0);
  PumpMessages();
  long autoGain = 0, sync = 1;
  prop_->GetAutoGain(&autoGain);
  prop_->GetSyncStereo(&sync);
  EXPECT_EQ(autoGain, 1);
  EXPECT_EQ(sync, 0);

  // Times are typed in milliseconds with a decimal and kept in tenths.
  page_.Type(Page::kAttackEdit, L"12.5");
  EXPECT_EQ(Attack(), 125);
  EXPECT_EQ(page_.Text(Page::kAttackEdit), L"12.5");
  EXPECT_EQ(page_.SliderPosition(Page::kAttackSlider), 125);
  page_.Type(Page::kAttackEdit, L"9999");
  EXPECT_EQ(Attack(), 5000);
  EXPECT_EQ(page_.Text(Page::kAttackEdit), L"500.0");
  page_.Type(Page::kReleaseEdit, L"1,234.56 ms");
  EXPECT_EQ(Release(), 12345);
  EXPECT_EQ(page_.Text(Page::kReleaseEdit), L"1,234.5");
  page_.Type(Page::kReleaseEdit, L"x");
  EXPECT_EQ(Release(), 0);

  // The read-out follows the pointer over the graph and is emptied once
  // the pointer has left it.
  // The pointer is put there for real, so that the system's own mouse
  // message agrees with the one sent here.
  HWND graph = page_.Control(Page::kGraph);
  const POINT at = GraphPixel(-120, 0);
  POINT screen = at;
  ClientToScreen(graph, &screen);
  SetCursorPos(screen.x, screen.y);
  PumpMessages();
  SendMessageW(graph, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  PumpMessages();
  // The default curve is 1:1 around -12 dB (the pointer's height does not
  // count): no gain, output level equal to the input level under the pointer.
  const long x = static_cast<long>(SendMessageW(graph, kEnvPixelToX, 0, at.x));
  EXPECT_NEAR(x, -120, 5);
  const std::wstring level = orlofx::FormatLevelW(x, 1, 0, L" dB");
  const std::wstring readout = page_.Text(Page::kReadout);
  EXPECT_EQ(readout, L"Gain of 0.0 dB at " + level + L", " + level)
      << "got " << std::string(readout.begin(), readout.end());
  RECT page = {};
  GetWindowRect(page_.Dialog(), &page);
  SetCursorPos(page.right - 4, page.bottom - 4);
  EXPECT_TRUE(PumpUntil([&] { return page_.Text(Page::kReadout).empty(); }));
}

TEST_F(GdynPage, ADragOnASliderIsOneCaptureForTheHostsAutomation) {
  Open();
  auto setCallback = QueryAs<IMediaParamsSetUICallback>(filter_.get(), IID_IMediaParamsSetUICallback);
  ASSERT_TRUE(setCallback);
  CaptureRecorder recorder;
  ASSERT_EQ(setCallback->SetUICallback(&recorder), S_OK);

  // The threshold slider is linear, but attack is tapered: drag the thumb
  // found by its position report instead of computing pixels.
  page_.Key(Page::kAttackSlider, VK_HOME);
  recorder.events.clear();
  HWND attack = page_.Control(Page::kAttackSlider);
  const LRESULT geometry = SendMessageW(attack, kGetTravel, 0, 0);
  RECT client = {};
  GetClientRect(attack, &client);
  const POINT from = {HIWORD(geometry) + 1, client.bottom / 2};
  const POINT to = {HIWORD(geometry) + LOWORD(geometry) / 2, client.bottom / 2};
  Drag(attack, from, to, 6);
  EXPECT_GT(Attack(), 0);
  EXPECT_EQ(recorder.Pattern(), "bce") << "one begin, changes, one end";
  EXPECT_TRUE(recorder.AllFor(kParamAttack));
  EXPECT_EQ(page_.SliderPosition(Page::kAttackSlider), Attack());

  // A press in the fader's channel above the thumb (page up) and release.
  recorder.events.clear();
  HWND fader = page_.Control(Page::kOutputGainFader);
  GetClientRect(fader, &client);
  SendMessageW(fader, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 2, 2));
  SendMessageW(fader, WM_LBUTTONUP, 0, MAKELPARAM(client.right / 2, 2));
  PumpMessages();
  EXPECT_GT(Gain(), 0);
  EXPECT_EQ(recorder.Pattern(), "bce");
  EXPECT_TRUE(recorder.AllFor(kParamOutputGain));

  // A key step is one bracket of its own; the end of the key is no second.
  recorder.events.clear();
  page_.Key(Page::kReleaseSlider, VK_RIGHT);
  EXPECT_EQ(recorder.Pattern(), "bce");

  // A click on either switch is one bracket too, for its own parameter.
  for (const auto& sw : {std::pair<int, DWORD>{Page::kAutoGainCheck, kParamAutoGain},
                         std::pair<int, DWORD>{Page::kSyncStereoCheck, kParamSyncStereo}}) {
    recorder.events.clear();
    long before = 0, after = 0;
    GetSwitch(sw.second, &before);
    SendMessageW(page_.Control(sw.first), BM_CLICK, 0, 0);
    PumpMessages();
    GetSwitch(sw.second, &after);
    EXPECT_NE(after, before) << sw.first;
    EXPECT_EQ(recorder.Pattern(), "bce") << sw.first;
    EXPECT_TRUE(recorder.AllFor(sw.second)) << sw.first;
  }

  // The curve sliders are not automated: nothing for the host.
  recorder.events.clear();
  Drag(page_.Control(Page::kThresholdSlider), TrackbarThumb(Page::kThresholdSlider, Threshold()),
       TrackbarThumb(Page::kThresholdSlider, -400));
  EXPECT_TRUE(recorder.events.empty());
  EXPECT_LT(Threshold(), -240);
  ASSERT_EQ(setCallback->SetUICallback(nullptr), S_OK);
}

TEST_F(GdynPage, ACurvePointDraggedWhileStreamingChangesTheOutput) {
  BuildGraph();
  Open();
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  PumpMessages();
  PushTone(0.5, 44100 / 2);  // -6 dB through the 1:1 default curve
  const double before = OutputPeak(4410);
  EXPECT_NEAR(before, 0.5, 0.02);

  // The top point from 0 dB out down to -24 dB: a limiter at -24 dB.
  HWND graph = page_.Control(Page::kGraph);
  Drag(graph, GraphPixel(0, 0), GraphPixel(0, -240));
  const std::vector<GdynPoint> points = Points();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[2].x, 0);
  EXPECT_LE(points[2].y, -220);
  EXPECT_GE(points[2].y, -260);
  EXPECT_EQ(page_.Text(Page::kRatioText), L"Inf.:1");

  PushTone(0.5, 44100 / 2);
  const double after = OutputPeak(4410);
  const double expected = std::pow(10.0, points[2].y / 200.0);
  EXPECT_NEAR(after, expected, expected * 0.15) << "before " << before;
  graph_->Stop();
}

TEST_F(GdynPage, AParameterUnderAnEnvelopeIsGreyedWhileItStreams) {
  BuildGraph();
  Open();
  auto params = QueryAs<IMediaParams>(filter_.get(), IID_IMediaParams);
  ASSERT_TRUE(params);
  // Attack 100 ms over the first ten seconds.
  MP_ENVELOPE_SEGMENT segment = {0, 100000000, 100.0f, 100.0f, MP_CURVE_JUMP, 0};
  ASSERT_EQ(params->AddEnvelope(kParamAttack, 1, &segment), S_OK);
  EXPECT_TRUE(IsWindowEnabled(page_.Control(Page::kAttackSlider))) << "not streaming yet";
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  PushTone(0.25, 4410);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(page_.Control(Page::kAttackSlider)); }));
  EXPECT_FALSE(IsWindowEnabled(page_.Control(Page::kAttackEdit)));
  EXPECT_TRUE(IsWindowEnabled(page_.Control(Page::kReleaseSlider)));
  EXPECT_TRUE(IsWindowEnabled(page_.Control(Page::kOutputGainFader)));
  // The page shows the value the envelope gives.
  EXPECT_TRUE(PumpUntil([&] { return page_.Text(Page::kAttackEdit) == L"100.0"; }));
  EXPECT_EQ(page_.SliderPosition(Page::kAttackSlider), 1000);

  graph_->Stop();
  EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(page_.Control(Page::kAttackSlider)) != FALSE; }));
  EXPECT_TRUE(IsWindowEnabled(page_.Control(Page::kAttackEdit)));
}

// The page while audio streams, with the pointer's readout over the graph
// (the languages test checks and captures the page in every language).
TEST_F(GdynPage, ShowsTheReadoutWhileAudioStreams) {
  BuildGraph();
  ApplyPreset(9);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  Open();
  PushTone(0.3, 4410);
  HWND graph = page_.Control(Page::kGraph);
  POINT screen = GraphPixel(-300, -300);
  const POINT at = screen;
  ClientToScreen(graph, &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageW(graph, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  PumpMessages();
  EXPECT_FALSE(page_.Text(Page::kReadout).empty());
  EXPECT_TRUE(CapturePage(page_.Dialog(), "gdyn_page_playing"));
  page_.Close();
  graph_->Stop();
}

}  // namespace

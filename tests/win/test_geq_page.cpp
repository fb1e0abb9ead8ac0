// The Graphic EQ's three pages: band faders that redraw the envelope around
// their band, band gains read back from the envelope, Reset, the envelope
// graph and its readout, the three pages open together on one filter, and
// where each band's texts stand (the languages test checks every page's
// texts in every language).
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

#include "effects/geq/win/geq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/effect_page_test.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"

namespace {

const CLSID kClsidGeq = {0x8B7226EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const CLSID kClsidTenBand = {0x8B7227EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const CLSID kClsidTwentyBand = {0x8B7228EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const CLSID kClsidEnvelope = {0x8B7229EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const IID kIidGeqProp = {0x8B722AEE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};

constexpr int kFirstFader = 6006;  // band k: fader 6006 + k, text 6026 + k, centre 6046 + k
constexpr int kFirstText = 6026;
constexpr int kFirstCentre = 6046;
constexpr int kOutputFader = 6094;
constexpr int kOutputText = 6098;
constexpr int kOutputText20 = 6100;
constexpr int kAccuracyList = 6101;
constexpr int kReset = 6088;
constexpr int kGraph = 6091;
constexpr int kReadout = 6089;
constexpr int kGainLabel = 6096;
constexpr int kCenterLabel = 6095;
constexpr int kOutputLabel = 6099;
constexpr int kAccuracyLabel = 6097;
constexpr int kGraphLabel = 6090;

// Slider and graph messages.
constexpr UINT kGetMin = 1547;
constexpr UINT kGetMax = 1548;
constexpr UINT kEnvGetCapacity = 1538;
constexpr UINT kEnvGetPoints = 1539;
constexpr UINT kEnvGetYMin = 1542;
constexpr UINT kEnvGetYMax = 1544;
constexpr UINT kEnvGetXMin = 1546;
constexpr UINT kEnvGetXMax = 1548;
constexpr UINT kEnvXToPixel = 1555;
constexpr UINT kEnvPixelToX = 1556;
constexpr UINT kEnvYToPixel = 1557;
constexpr UINT kEnvPixelToY = 1558;
constexpr UINT kEnvNotifyTracking = 1560;

using Points = std::vector<GeqPoint>;

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

std::string Describe(const Points& points) {
  std::string text;
  for (const GeqPoint& p : points) text += "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ") ";
  return text;
}

bool Same(const Points& a, const Points& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
  return true;
}

class GeqPages : public EffectPageTest<IAkGeqProp> {
 protected:
  GeqPages() : EffectPageTest(kClsidGeq, kIidGeqProp) {}
  void ClosePages() override {
    pages_.clear();
    hosts_.clear();
  }

  // Opens a page in a host window of its own.
  HostedPage& Open(REFCLSID page) {
    hosts_.push_back(std::make_unique<HostWindow>(720, 330));
    pages_.push_back(std::make_unique<HostedPage>());
    EXPECT_EQ(pages_.back()->Open(module_, page, filter_.get(), hosts_.back()->Handle()), S_OK);
    return *pages_.back();
  }

  Points Envelope() {
    GeqPoint points[64] = {};
    DWORD count = 0;
    EXPECT_EQ(prop_->GetEnvelope(points, &count), S_OK);
    return Points(points, points + count);
  }
  void SetEnvelope(const Points& points) {
    ASSERT_EQ(prop_->SetEnvelope(points.data(), static_cast<DWORD>(points.size())), S_OK);
  }
  long Band(int k) {
    GeqParams params = {};
    prop_->GetParams(&params);
    return params.bandGain[k];
  }

  std::vector<std::unique_ptr<HostWindow>> hosts_;
  std::vector<std::unique_ptr<HostedPage>> pages_;
};

// --- the dialogs -------------------------------------------------------------

TEST_F(GeqPages, EachDialogHoldsItsFadersListAndButtonWithTheirRanges) {
  HostedPage& ten = Open(kClsidTenBand);
  HostedPage& twenty = Open(kClsidTwentyBand);
  HostedPage& envelope = Open(kClsidEnvelope);

  for (int k = 0; k < 20; ++k) {
    // The 10-band page has bands 2, 4, ..., 20 only.
    EXPECT_EQ(ten.Control(kFirstFader + k) != nullptr, k % 2 == 1) << k;
    EXPECT_EQ(ten.Control(kFirstText + k) != nullptr, k % 2 == 1) << k;
    HWND fader = twenty.Control(kFirstFader + k);
    ASSERT_NE(fader, nullptr) << k;
    WCHAR name[64] = {};
    GetClassNameW(fader, name, 64);
    EXPECT_EQ(lstrcmpiW(name, L"tovra2Bld314FaderClass"), 0) << k;
    EXPECT_EQ(static_cast<int>(SendMessageW(fader, kGetMin, 0, 0)), -480);
    EXPECT_EQ(static_cast<int>(SendMessageW(fader, kGetMax, 0, 0)), 240);
    EXPECT_EQ(twenty.Text(kFirstText + k), L"0.0") << k;
    EXPECT_EQ(envelope.Control(kFirstFader + k), nullptr);
  }
  for (HostedPage* page : {&ten, &twenty, &envelope}) {
    HWND output = page->Control(kOutputFader);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(static_cast<int>(SendMessageW(output, kGetMin, 0, 0)), -600);
    EXPECT_EQ(static_cast<int>(SendMessageW(output, kGetMax, 0, 0)), 200);
    HWND list = page->Control(kAccuracyList);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SendMessageW(list, CB_GETITEMDATA, i, 0), i);
    // Every preset plays at Medium.
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
    WCHAR item[128] = {};
    SendMessageW(list, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(std::wstring(item), L"Medium (great for mid and high bands)");
    EXPECT_EQ(page->Text(kReset), L"Rese&t");
    EXPECT_EQ(page->Text(kAccuracyLabel), L"A&ccuracy:");
    EXPECT_EQ(page->Text(kOutputLabel), L"&Output gain\n (-60 to 20 dB)");
  }
  EXPECT_EQ(ten.Text(kOutputText), L"0.0 dB");
  EXPECT_EQ(twenty.Text(kOutputText20), L"0.0 dB");
  EXPECT_EQ(envelope.Text(kOutputText), L"0.0 dB");
  EXPECT_EQ(ten.Text(kGainLabel), L"&Gain: \n(-Inf. to 24 dB)");
  EXPECT_EQ(twenty.Text(kCenterLabel), L"Center (Hz):");
  EXPECT_EQ(envelope.Text(kGraphLabel), L"Fr&equency graph:");

  // The graph is set up for the filter's envelope and shows it.
  HWND graph = envelope.Control(kGraph);
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(SendMessageW(graph, kEnvGetCapacity, 0, 0), 64);
  EXPECT_EQ(static_cast<int>(SendMessageW(graph, kEnvGetYMin, 0, 0)), -500);
  EXPECT_EQ(static_cast<int>(SendMessageW(graph, kEnvGetYMax, 0, 0)), 400);
  EXPECT_EQ(static_cast<int>(SendMessageW(graph, kEnvGetXMin, 0, 0)), 0);
  EXPECT_EQ(static_cast<int>(SendMessageW(graph, kEnvGetXMax, 0, 0)), 10000);
  GeqPoint shown[64] = {};
  ASSERT_EQ(SendMessageW(graph, kEnvGetPoints, 64, reinterpret_cast<LPARAM>(shown)), 2);
  EXPECT_EQ(shown[1].x, 10000);

  // The level captions stand beside their grid lines: "dB 0" centred on the
  // pixel row of y = 0, "-Inf." on the graph's floor.
  RECT graphRect = {}, zero = {}, floor = {};
  GetWindowRect(graph, &graphRect);
  GetWindowRect(envelope.Control(6071), &zero);
  GetWindowRect(envelope.Control(6087), &floor);
  EXPECT_EQ(envelope.Text(6071), L"dB 0");
  EXPECT_NEAR((zero.top + zero.bottom) / 2, graphRect.top + SendMessageW(graph, kEnvYToPixel, 0, 0), 1);
  EXPECT_NEAR((floor.top + floor.bottom) / 2, graphRect.top + SendMessageW(graph, kEnvYToPixel, 0, -500), 1);
}

// --- fader pages as envelope editors -------------------------------------------

TEST_F(GeqPages, SixDecibelsOnTheTwentyBandPagesTenthFaderMakeAPlateauAt450Hz) {
  HostedPage& page = Open(kClsidTwentyBand);
  const int fader = kFirstFader + 9;
  page.Key(fader, VK_HOME);   // 0 dB: the band stays as it is
  EXPECT_TRUE(Same(Envelope(), {{0, 0}, {10000, 0}})) << Describe(Envelope());
  page.Key(fader, VK_PRIOR, 6);  // a decibel a page
  EXPECT_EQ(Band(9), 60);
  EXPECT_EQ(page.SliderPosition(fader), 60);
  EXPECT_EQ(page.Text(kFirstText + 9), L"6.0");
  const Points expected = {{0, 0}, {4250, 0}, {4375, 200}, {4625, 200}, {4750, 0}, {10000, 0}};
  EXPECT_TRUE(Same(Envelope(), expected)) << Describe(Envelope());
  // The other bands were not touched.
  for (int k = 0; k < 20; ++k) {
    if (k != 9) {
      EXPECT_EQ(Band(k), 0) << k;
    }
  }
}

TEST_F(GeqPages, TheFirstFaderMovesTheCurvesStartAndTheBottomIsSilence) {
  HostedPage& page = Open(kClsidTwentyBand);
  page.Key(kFirstFader, VK_UP, 30);  // +3 dB, a tenth a line
  EXPECT_EQ(Band(0), 30);
  Points p = Envelope();
  ASSERT_GE(p.size(), 3u);
  EXPECT_EQ(p[0].x, 0);
  EXPECT_EQ(p[0].y, 100) << Describe(p);

  // -48 dB on band 10 is silence around 450 Hz.
  page.Key(kFirstFader + 9, VK_END);
  EXPECT_EQ(Band(9), -480);
  EXPECT_EQ(page.Text(kFirstText + 9), L"-Inf.");
  const Points expected = {{0, 100},      {125, 100},    {250, 0},   {4250, 0},
                           {4375, -500}, {4625, -500}, {4750, 0}, {10000, 0}};
  EXPECT_TRUE(Same(Envelope(), expected)) << Describe(Envelope());
  // One step up from the bottom is a level again.
  page.Key(kFirstFader + 9, VK_UP);
  EXPECT_EQ(page.Text(kFirstText + 9), L"-47.9");
  EXPECT_EQ(Envelope()[4].y, -499);  // not silence, though it would round to it
}

TEST_F(GeqPages, TheTenBandPagesTopFaderKeepsTheCurveReachingItsEnd) {
  HostedPage& page = Open(kClsidTenBand);
  page.Key(kFirstFader + 19, VK_PRIOR, 12);  // band 20: +12 dB
  EXPECT_EQ(Band(19), 120);
  const Points expected = {{0, 0}, {9000, 0}, {9250, 300}, {10000, 300}};
  EXPECT_TRUE(Same(Envelope(), expected)) << Describe(Envelope());
}

TEST_F(GeqPages, OpeningAFaderPageReadsTheBandsFromThePresetsEnvelope) {
  ApplyPreset(8);  // notch around 450 Hz; the preset's band gains are all 0
  HostedPage& page = Open(kClsidTwentyBand);
  EXPECT_EQ(page.SliderPosition(kFirstFader + 9), -480);
  EXPECT_EQ(page.Text(kFirstText + 9), L"-Inf.");
  EXPECT_EQ(page.SliderPosition(kFirstFader + 0), 0);
  EXPECT_EQ(page.SliderPosition(kFirstFader + 19), 0);
  // A preset chosen while the page is open reaches it as a notification.
  ApplyPreset(3);  // bass +6 dB around 80 Hz
  PumpMessages();
  EXPECT_EQ(page.SliderPosition(kFirstFader + 4), 61);
  EXPECT_EQ(page.Text(kFirstText + 4), L"6.1");
  EXPECT_EQ(page.SliderPosition(kFirstFader + 9), 0);
}

// Opening a fader page only shows the envelope: the filter's settings stay
// as they were saved (not dirty, the band gains of the record unchanged),
// also where the envelope and the stored band gains disagree (a preset's
// band gains are all 0). The first move of a fader is a change.
TEST_F(GeqPages, OpeningAFaderPageLeavesTheSettingsUnchanged) {
  IPersistStream* persist = nullptr;
  ASSERT_EQ(filter_->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist)), S_OK);
  auto save = [&] {
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    EXPECT_EQ(persist->Save(stream, TRUE), S_OK);
    stream->Release();
  };
  for (long preset : {0L, 8L}) {
    SCOPED_TRACE(preset);
    ApplyPreset(preset);
    save();
    ASSERT_EQ(persist->IsDirty(), S_FALSE);
    GeqParams before = {};
    prop_->GetParams(&before);
    for (const CLSID* clsid : {&kClsidTenBand, &kClsidTwentyBand}) {
      Open(*clsid);
      PumpMessages();
    }
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    GeqParams after = {};
    prop_->GetParams(&after);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    pages_.clear();
    hosts_.clear();
  }
  HostedPage& page = Open(kClsidTwentyBand);
  page.Key(kFirstFader + 3, VK_PRIOR);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  persist->Release();
}

TEST_F(GeqPages, ResetOnTheTenBandPageFlattensTheEnvelopeAndAllTwentyBands) {
  ApplyPreset(6);  // upper three octaves boosted
  HostedPage& page = Open(kClsidTenBand);
  ASSERT_NE(page.SliderPosition(kFirstFader + 19), 0);
  page.Key(kFirstFader + 3, VK_NEXT, 5);  // band 4: -5 dB
  ASSERT_EQ(Band(3), -50);

  SendMessageW(page.Control(kReset), BM_CLICK, 0, 0);
  PumpMessages();
  EXPECT_TRUE(Same(Envelope(), {{0, 0}, {10000, 0}})) << Describe(Envelope());
  for (int k = 0; k < 20; ++k) EXPECT_EQ(Band(k), 0) << k;
  for (int k = 1; k < 20; k += 2) {
    EXPECT_EQ(page.SliderPosition(kFirstFader + k), 0) << k;
    EXPECT_EQ(page.Text(kFirstText + k), L"0.0") << k;
  }
}

// --- the envelope page -------------------------------------------------------

TEST_F(GeqPages, TheReadoutShowsFrequencyAndGainUnderThePointer) {
  HostedPage& page = Open(kClsidEnvelope);
  HWND graph = page.Control(kGraph);
  RECT client = {};
  GetClientRect(graph, &client);
  // The real pointer far away: the messages below say where a pointer is.
  SetCursorPos(0, 0);
  // Beyond the corners the values are the ranges' ends.
  SendMessageW(graph, WM_MOUSEMOVE, 0, MAKELPARAM(client.right - 1, 0));
  PumpMessages();
  EXPECT_EQ(page.Text(kReadout), L"20,480 Hz, 24.0 dB");
  SendMessageW(graph, WM_MOUSEMOVE, 0, MAKELPARAM(0, client.bottom - 1));
  PumpMessages();
  EXPECT_EQ(page.Text(kReadout), L"20 Hz, -48.0 dB");
  // Half way across, on the 0 dB line.
  const int px = static_cast<int>(SendMessageW(graph, kEnvXToPixel, 0, 5000));
  const int py = static_cast<int>(SendMessageW(graph, kEnvYToPixel, 0, 0));
  SendMessageW(graph, WM_MOUSEMOVE, 0, MAKELPARAM(px, py));
  PumpMessages();
  const long x = static_cast<long>(SendMessageW(graph, kEnvPixelToX, 0, px));
  // A pixel row spans several units: 0 dB lies within it.
  EXPECT_NEAR(static_cast<long>(SendMessageW(graph, kEnvPixelToY, 0, py)), 0, 5);
  const std::wstring text = page.Text(kReadout);
  EXPECT_NE(text.find(L" Hz, 0.0 dB"), std::wstring::npos) << Narrow(text);
  EXPECT_NEAR(std::stol(text), 20.0 * std::pow(2.0, x / 1000.0), 1.0) << Narrow(text);

  // A level between -1 and 0 dB keeps its minus sign: y = -15 is -0.31 dB.
  // (One pixel spans several units, so the graph's own report is posted.)
  PostMessageW(page.Dialog(), kEnvNotifyTracking, 0, MAKELPARAM(0, static_cast<WORD>(-15)));
  PumpMessages();
  EXPECT_EQ(page.Text(kReadout), L"20 Hz, -0.3 dB");

  // The readout empties once the pointer has stayed away from the graph.
  EXPECT_TRUE(PumpUntil([&] { return page.Text(kReadout).empty(); }));
}

TEST_F(GeqPages, ThreePagesOpenAtOnceFollowEachOther) {
  HostedPage& ten = Open(kClsidTenBand);
  HostedPage& twenty = Open(kClsidTwentyBand);
  HostedPage& envelope = Open(kClsidEnvelope);
  HWND graph = envelope.Control(kGraph);
  auto shownPoints = [&] {
    GeqPoint shown[64] = {};
    const LRESULT n = SendMessageW(graph, kEnvGetPoints, 64, reinterpret_cast<LPARAM>(shown));
    return Points(shown, shown + n);
  };

  // A band fader on the 20-band page: the 10-band page shows the band, the
  // graph the new envelope.
  twenty.Key(kFirstFader + 9, VK_PRIOR, 6);
  EXPECT_EQ(ten.SliderPosition(kFirstFader + 9), 60);
  EXPECT_EQ(ten.Text(kFirstText + 9), L"6.0");
  EXPECT_TRUE(Same(shownPoints(), Envelope())) << Describe(shownPoints());
  EXPECT_EQ(Envelope().size(), 6u);

  // A point dragged on the graph: the band pages read the band back.
  const int px = static_cast<int>(SendMessageW(graph, kEnvXToPixel, 0, 4375));
  const int py = static_cast<int>(SendMessageW(graph, kEnvYToPixel, 0, 200));
  const int target = static_cast<int>(SendMessageW(graph, kEnvYToPixel, 0, 300));
  SendMessageW(graph, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(px, py));
  SendMessageW(graph, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(px, (py + target) / 2));
  SendMessageW(graph, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(px, target));
  SendMessageW(graph, WM_LBUTTONUP, 0, MAKELPARAM(px, target));
  PumpMessages();
  const Points dragged = Envelope();
  ASSERT_EQ(dragged.size(), 6u) << Describe(dragged);
  EXPECT_EQ(dragged[2].y, static_cast<int>(SendMessageW(graph, kEnvPixelToY, 0, target)));
  EXPECT_GT(dragged[2].y, 280);
  // The higher corner reaches into the band's window.
  EXPECT_GT(twenty.SliderPosition(kFirstFader + 9), 60);
  EXPECT_EQ(ten.SliderPosition(kFirstFader + 9), twenty.SliderPosition(kFirstFader + 9));

  // The output gain and the accuracy, each from another page.
  envelope.Key(kOutputFader, VK_NEXT, 3);
  EXPECT_EQ(twenty.Text(kOutputText20), L"-3.0 dB");
  EXPECT_EQ(ten.SliderPosition(kOutputFader), -30);
  ten.Choose(kAccuracyList, 2);
  long accuracy = 0;
  prop_->GetAccuracy(&accuracy);
  EXPECT_EQ(accuracy, 2);
  EXPECT_EQ(SendMessageW(twenty.Control(kAccuracyList), CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessageW(envelope.Control(kAccuracyList), CB_GETCURSEL, 0, 0), 2);

  // Reset on the envelope page: flat, and the band pages follow.
  SendMessageW(envelope.Control(kReset), BM_CLICK, 0, 0);
  PumpMessages();
  EXPECT_TRUE(Same(Envelope(), {{0, 0}, {10000, 0}}));
  EXPECT_TRUE(Same(shownPoints(), Envelope()));
  EXPECT_EQ(twenty.SliderPosition(kFirstFader + 9), 0);
  EXPECT_EQ(ten.Text(kFirstText + 9), L"0.0");
}

// --- layout ------------------------------------------------------------------------

// Each band's value and centre stand in its fader's own column, one row of
// each, so that a text is read against the fader above or below it.
TEST_F(GeqPages, EachValueAndCentreStandsUnderItsOwnFader) {
  for (const CLSID* clsid : {&kClsidTenBand, &kClsidTwentyBand}) {
    HostedPage& page = Open(*clsid);
    std::vector<int> bands;
    for (int k = 0; k < 20; ++k)
      if (page.Control(kFirstFader + k)) bands.push_back(k);
    ASSERT_EQ(bands.size(), clsid == &kClsidTenBand ? 10u : 20u);
    auto rect = [&](int id) {
      RECT r = {};
      GetWindowRect(page.Control(id), &r);
      return r;
    };
    auto centre = [&](int id) {
      const RECT r = rect(id);
      return (r.left + r.right) / 2;
    };
    LONG valueRow = -1, centreRow = -1;
    for (size_t i = 0; i < bands.size(); ++i) {
      const int k = bands[i];
      SCOPED_TRACE(k);
      const int x = centre(kFirstFader + k);
      // The column: half way to each neighbouring fader (two pixels either
      // way are the rounding of dialog units).
      for (int id : {kFirstText + k, kFirstCentre + k}) {
        ASSERT_NE(page.Control(id), nullptr) << id;
        const RECT r = rect(id);
        EXPECT_NEAR(centre(id), x, 1) << id;
        if (i > 0) {
          EXPECT_GE(r.left, (centre(kFirstFader + bands[i - 1]) + x) / 2 - 2) << id;
        }
        if (i + 1 < bands.size()) {
          EXPECT_LE(r.right, (centre(kFirstFader + bands[i + 1]) + x) / 2 + 2) << id;
        }
      }
      // One row of values above the faders, one of centres below them.
      const RECT fader = rect(kFirstFader + k);
      EXPECT_LE(rect(kFirstText + k).bottom, fader.top);
      EXPECT_GE(rect(kFirstCentre + k).top, fader.bottom);
      if (valueRow < 0) valueRow = rect(kFirstText + k).top, centreRow = rect(kFirstCentre + k).top;
      EXPECT_EQ(rect(kFirstText + k).top, valueRow);
      EXPECT_EQ(rect(kFirstCentre + k).top, centreRow);
    }
    // The values leave out the unit, which the gain label names.
    EXPECT_EQ(page.Text(kFirstText + bands[0]), L"0.0");
  }
}

}  // namespace

// The Paragraphic EQ's page: its controls driven with the messages a user's
// keys, clicks and typing produce, the enabling rules, the band marker, and
// the response graph read back pixel by pixel and compared with the graph's
// arithmetic worked out here from first principles.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "effects/pgeq/win/pgeq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/capture.h"
#include "tests/win/support/effect_page_test.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"

namespace {

const CLSID kClsidPgeq = {0xD616F3E0, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};
const CLSID kClsidPgeqPage = {0xD616F3E1, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};
const IID kIidPgeqProp = {0xD616F3EF, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};

constexpr int kLogo = 2;
constexpr int kGraph = 3056;
constexpr int kDryFader = 3011, kDryText = 3018, kWetFader = 3012, kWetText = 3017;
constexpr int kGainFaders[4] = {3013, 3016, 3014, 3015};
constexpr int kGainTexts[4] = {3003, 3004, 3005, 3006};
constexpr int kWidthSliders[4] = {3041, 3042, 3043, 3044};
constexpr int kWidthTexts[4] = {3007, 3008, 3009, 3000};
constexpr int kCenterSliders[4] = {3048, 3049, 3050, 3051};
constexpr int kCenterEdits[4] = {3023, 3024, 3025, 3026};
constexpr int kLowCheck = 3028, kLowFrequencySlider = 3053, kLowFrequencyEdit = 3032;
constexpr int kLowGainSlider = 3037, kLowGainText = 3045;
constexpr int kHighCheck = 3030, kHighFrequencySlider = 3055, kHighFrequencyEdit = 3034;
constexpr int kHighGainSlider = 3040, kHighGainText = 3046;
constexpr WORD kNotify = 32700;
constexpr UINT kGetMin = 1547, kGetMax = 1548, kGetTravel = 1566;

// --- The graph worked out from its definition --------------------------------

// Curve positions: hundredths of an octave from 20 Hz, truncated.
int Position(long hz) { return static_cast<int>(std::log(hz / 20.0) * 144.269504); }

// The curve c[0..1000] in units of 2048 per 25 dB.
std::vector<long> Curve(const PgeqParams& p) {
  const double pi = 3.14159265358979323846;
  int bell[1000];
  for (int i = 0; i < 1000; ++i)
    bell[i] = static_cast<int>((0.5 + 0.5 * std::cos(pi * (i - 1000) / 1000)) * 2048);
  std::vector<long> c(1001, 0);
  for (int b = 0; b < 4; ++b) {
    const int g = p.gain[b];
    if (g == 0) continue;
    const int h = MulDiv(p.width[b], 10, 1) / 2;
    const int c0 = Position(p.center[b]);
    for (int j = 0; j < h; ++j) {
      const int v = MulDiv(g, bell[MulDiv(j, 1000, h)], 250);
      if (c0 - h + j > 0) c[c0 - h + j] += v;
      if (c0 + h - j <= 1000) c[c0 + h - j] += v;
    }
    c[c0] += MulDiv(g, bell[999], 250);
  }
  auto shelf = [&](long frequency, int g, int direction) {
    const long limit = (g == 250 || g == -250) ? 8192 : std::abs(MulDiv(g, 2048, 250));
    long a = 0;
    for (int i = Position(frequency); i >= 0 && i <= 1000; i += direction) {
      c[i] += g < 0 ? -a : a;
      a = std::min(a + 15, limit);
    }
  };
  if (p.lowShelfEnable) shelf(p.lowShelfFrequency, p.lowShelfGain, -1);
  if (p.highShelfEnable) shelf(p.highShelfFrequency, p.highShelfGain, +1);
  return c;
}

// The graph window's pixels and how to read them: a black left edge, the
// drawing area one pixel in from each side, the 0 dB line across its middle.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  COLORREF At(int x, int y) const {
    const std::uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return RGB(p[0], p[1], p[2]);
  }
  int AreaWidth() const { return width - 2; }
  int AreaHeight() const { return height - 2; }
  int Bottom() const { return 1 + AreaHeight(); }  // first row below the area
  int Middle() const { return 1 + AreaHeight() / 2; }
  int Column(int position) const { return 1 + MulDiv(position, AreaWidth() - 1, 1000); }
  int Row(long units) const { return Middle() - MulDiv(units, AreaHeight() / 2, 2048); }
  // Outside the drawing area: the background.
  COLORREF Background() const { return At(width - 1, 0); }
};

Picture CaptureGraph(HWND graph) {
  Picture picture;
  EXPECT_TRUE(capture::CaptureClientRgb(graph, &picture.width, &picture.height, &picture.rgb));
  return picture;
}

// The top row of the fill expected in each pixel column (several positions
// share a column: the highest wins); Bottom() where nothing shows.
std::map<int, int> ExpectedTops(const Picture& g, const std::vector<long>& c) {
  std::map<int, int> tops;
  for (int x = 1; x <= 1000; ++x) {
    const int column = g.Column(x);
    const int top = std::max(g.Row(c[x]), 1);
    auto it = tops.find(column);
    const int shown = top < g.Bottom() ? top : g.Bottom();
    if (it == tops.end()) tops[column] = shown;
    else it->second = std::min(it->second, shown);
  }
  return tops;
}

// Checks every column of the captured graph against the curve of `p`: the
// fill colour from the expected top down to the area's bottom, background
// above (the 0 dB line's row is black whatever lies under it). The column
// of `skipColumn` (the marker's) is left out. Returns the fill colour.
COLORREF ExpectGraphShows(const Picture& g, const PgeqParams& p, int skipColumn = -1) {
  const std::map<int, int> tops = ExpectedTops(g, Curve(p));
  const COLORREF background = g.Background();
  const COLORREF black = RGB(0, 0, 0);
  // The fill colour: what the lowest row holds in most columns.
  std::map<COLORREF, int> counts;
  for (int x = 1; x <= g.AreaWidth(); ++x) ++counts[g.At(x, g.Bottom() - 1)];
  COLORREF fill = background;
  int most = 0;
  for (const auto& [colour, count] : counts)
    if (colour != background && count > most) fill = colour, most = count;
  EXPECT_NE(fill, background);
  EXPECT_NE(fill, black);

  for (int y = 0; y < g.height; ++y) EXPECT_EQ(g.At(0, y), black) << "left edge, row " << y;
  for (int x = 1; x <= g.AreaWidth(); ++x) {
    if (x == skipColumn) continue;
    EXPECT_EQ(g.At(x, g.Middle()), black) << "0 dB line, column " << x;
    const int top = tops.count(x) ? tops.at(x) : g.Bottom();
    int mismatches = 0, firstBad = -1;
    for (int y = 1; y < g.Bottom(); ++y) {
      if (y == g.Middle()) continue;
      const COLORREF want = y >= top ? fill : background;
      if (g.At(x, y) != want && mismatches++ == 0) firstBad = y;
    }
    EXPECT_EQ(mismatches, 0) << "column " << x << ": fill expected from row " << top
                             << ", first wrong pixel at row " << firstBad;
  }
  return fill;
}

// The pixels in none of the graph's plain colours: the band marker.
std::vector<POINT> MarkerPixels(const Picture& g, COLORREF fill) {
  std::vector<POINT> pixels;
  const COLORREF background = g.Background();
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const COLORREF c = g.At(x, y);
      if (c != background && c != fill && c != RGB(0, 0, 0)) pixels.push_back(POINT{x, y});
    }
  return pixels;
}

// The marker expected for band `b` of `p`: one column at its center, from
// the 0 dB line up or down by its gain, one pixel at 0 dB.
std::vector<POINT> ExpectedMarker(const Picture& g, const PgeqParams& p, int b) {
  const int x = g.Column(Position(p.center[b]));
  const int length =
      std::max(MulDiv(std::abs(MulDiv(p.gain[b], 2048, 250)), g.AreaHeight() / 2, 2048), 1);
  std::vector<POINT> pixels;
  if (p.gain[b] > 0)
    for (int y = g.Middle() - length; y < g.Middle(); ++y) pixels.push_back(POINT{x, y});
  else if (p.gain[b] < 0)
    for (int y = g.Middle() + 1; y <= g.Middle() + length; ++y) pixels.push_back(POINT{x, y});
  else
    pixels.push_back(POINT{x, g.Middle()});
  return pixels;
}

bool SamePixels(const std::vector<POINT>& a, const std::vector<POINT>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
  return true;
}

std::string Describe(const std::vector<POINT>& pixels) {
  std::string text;
  for (const POINT& p : pixels) text += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return text;
}

// --- The page hosted ----------------------------------------------------------

class PgeqPage : public EffectPageTest<IAkPgeqProp> {
 protected:
  PgeqPage() : EffectPageTest(kClsidPgeq, kIidPgeqProp) {}
  void ClosePages() override {
    page_.Close();
  }
  void Open(bool connectFirst = true) {
    ASSERT_EQ(page_.Open(module_, kClsidPgeqPage, filter_.get(), host_.Handle(), connectFirst), S_OK);
    ASSERT_NE(page_.Dialog(), nullptr);
  }
  PgeqParams Params() {
    PgeqParams p = {};
    prop_->GetParams(&p);
    return p;
  }
  long Highlight() { long v = -1; prop_->GetHighlightBand(&v); return v; }
  // Settings changed behind the page's back, then the filter's notification.
  void ChangeElsewhere(const PgeqParams& p) {
    ASSERT_EQ(prop_->SetParams(&p), S_OK);
    PostMessageW(page_.Dialog(), WM_COMMAND, MAKEWPARAM(kNotify, 100), 0);
    PumpMessages();
  }
  bool Enabled(int id) { return IsWindowEnabled(page_.Control(id)) != FALSE; }
  Picture Graph() { return CaptureGraph(page_.Control(kGraph)); }

  HostWindow host_{760, 520};
  HostedPage page_;
};

TEST_F(PgeqPage, ControlsGetTheirRangesTextsAndTheFiltersDefaults) {
  Open();
  struct Range {
    int id;
    long minimum, maximum;
  };
  const Range ranges[] = {{kDryFader, -250, 250},          {kWetFader, -250, 250},
                          {kGainFaders[2], -250, 250},     {kWidthSliders[3], 3, 25},
                          {kCenterSliders[0], 20, 15000},  {kLowFrequencySlider, 20, 15000},
                          {kHighFrequencySlider, 20, 20000}, {kLowGainSlider, -250, 250},
                          {kHighGainSlider, -250, 250}};
  for (const Range& r : ranges) {
    EXPECT_EQ(static_cast<int>(SendMessageW(page_.Control(r.id), kGetMin, 0, 0)), r.minimum) << r.id;
    EXPECT_EQ(static_cast<int>(SendMessageW(page_.Control(r.id), kGetMax, 0, 0)), r.maximum) << r.id;
  }
  // Preset 0: dry silent, wet 0 dB, every band off, both shelves off.
  EXPECT_EQ(page_.Text(kDryText), L"-Inf.");
  EXPECT_EQ(page_.Text(kWetText), L"0.0 dB");
  EXPECT_EQ(page_.Text(kGainTexts[3]), L"0.0 dB");
  EXPECT_EQ(page_.Text(kWidthTexts[3]), L"1.0 oct");
  EXPECT_EQ(page_.Text(kCenterEdits[0]), L"100");
  EXPECT_EQ(page_.Text(kCenterEdits[2]), L"1,000");
  EXPECT_EQ(page_.Text(kCenterEdits[3]), L"5,000");
  EXPECT_EQ(page_.Text(kLowFrequencyEdit), L"300");
  EXPECT_EQ(page_.Text(kHighFrequencyEdit), L"500");
  EXPECT_EQ(page_.SliderPosition(kCenterSliders[3]), 5000);
  EXPECT_EQ(page_.SliderPosition(kDryFader), -250);
  EXPECT_EQ(page_.Text(3057), L"&Dry out\n(-Inf. to 25 dB)");
  EXPECT_EQ(page_.Text(kLowCheck), L"Enable l&ow-shelf\n(-Inf. to 25 dB):");
  EXPECT_EQ(page_.Text(kHighCheck), L"&Enable high-shelf\n(-Inf. to 25 dB):");
  WCHAR name[64] = {};
  GetClassNameW(page_.Control(kGraph), name, 64);
  EXPECT_EQ(lstrcmpiW(name, L"tovra2Bld314StaticClass"), 0);
  // The logo bar carries the name without the brand word.
  EXPECT_EQ(page_.Text(kLogo), L"Paragraphic EQ");

  // Off bands and shelves: their other controls are disabled.
  for (int b = 0; b < 4; ++b) {
    EXPECT_FALSE(Enabled(kWidthSliders[b])) << b;
    EXPECT_FALSE(Enabled(kWidthTexts[b])) << b;
    EXPECT_FALSE(Enabled(kCenterSliders[b])) << b;
    EXPECT_FALSE(Enabled(kCenterEdits[b])) << b;
    EXPECT_TRUE(Enabled(kGainFaders[b])) << b;
  }
  for (int id : {kLowFrequencySlider, kLowFrequencyEdit, kLowGainSlider, kLowGainText,
                 kHighFrequencySlider, kHighFrequencyEdit, kHighGainSlider, kHighGainText})
    EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_EQ(IsDlgButtonChecked(page_.Dialog(), kLowCheck), static_cast<UINT>(BST_UNCHECKED));

  // A flat curve: the lower half filled, no marker.
  const Picture g = Graph();
  const COLORREF fill = ExpectGraphShows(g, Params());
  EXPECT_TRUE(MarkerPixels(g, fill).empty());
}

TEST_F(PgeqPage, ABandAtZeroGainLosesItsWidthAndCenterControlsAndItsBump) {
  Open();
  page_.Key(kGainFaders[1], VK_PRIOR);  // band 2 up by 1.0 dB: on
  EXPECT_EQ(Params().gain[1], 10);
  EXPECT_EQ(page_.Text(kGainTexts[1]), L"1.0 dB");
  EXPECT_EQ(Highlight(), 1);
  for (int id : {kWidthSliders[1], kWidthTexts[1], kCenterSliders[1], kCenterEdits[1]})
    EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_FALSE(Enabled(kCenterEdits[0]));

  // A wider, louder band 2 at 2 kHz, set through its controls.
  page_.Type(kCenterEdits[1], L"2,000");
  EXPECT_EQ(Params().center[1], 2000);
  page_.Key(kWidthSliders[1], VK_END);
  EXPECT_EQ(Params().width[1], 25);
  EXPECT_EQ(page_.Text(kWidthTexts[1]), L"2.5 oct");
  page_.Key(kGainFaders[1], '9');  // a digit: 9/10 of the way up the range
  EXPECT_EQ(Params().gain[1], 200);
  PgeqParams p = Params();
  Picture g = Graph();
  COLORREF fill = ExpectGraphShows(g, p, g.Column(Position(2000)));
  const int peak = g.Column(Position(2000));
  EXPECT_LT(g.Row(Curve(p)[Position(2000)]), g.Middle() - 10);  // a real bump
  EXPECT_TRUE(SamePixels(MarkerPixels(g, fill), ExpectedMarker(g, p, 1)))
      << Describe(MarkerPixels(g, fill));

  // Home on the fader: 0 dB, the band is off.
  page_.Key(kGainFaders[1], VK_HOME);
  EXPECT_EQ(Params().gain[1], 0);
  for (int id : {kWidthSliders[1], kWidthTexts[1], kCenterSliders[1], kCenterEdits[1]})
    EXPECT_FALSE(Enabled(id)) << id;
  p = Params();
  g = Graph();
  fill = ExpectGraphShows(g, p, peak);
  // No bump: the whole area is filled up to the 0 dB line exactly.
  for (int x = 1; x <= g.AreaWidth(); ++x) {
    if (x == peak) continue;
    ASSERT_EQ(g.At(x, g.Middle() - 1), g.Background()) << x;
  }
  // The marker stays on the band touched last: one pixel on the line.
  EXPECT_TRUE(SamePixels(MarkerPixels(g, fill), ExpectedMarker(g, p, 1)))
      << Describe(MarkerPixels(g, fill));
}

TEST_F(PgeqPage, TouchingAShelfMovesTheMarkOffTheBands) {
  Open();
  page_.Key(kGainFaders[2], VK_NEXT);  // band 3 down by 1.0 dB
  page_.Key(kGainFaders[2], VK_NEXT);
  ASSERT_EQ(Params().gain[2], -20);
  EXPECT_EQ(Highlight(), 2);
  Picture g = Graph();
  COLORREF fill = ExpectGraphShows(g, Params(), g.Column(Position(1000)));
  EXPECT_TRUE(SamePixels(MarkerPixels(g, fill), ExpectedMarker(g, Params(), 2)));

  page_.Click(kHighCheck);
  EXPECT_EQ(Params().highShelfEnable, 1);
  EXPECT_EQ(Highlight(), 4);
  EXPECT_EQ(IsDlgButtonChecked(page_.Dialog(), kHighCheck), static_cast<UINT>(BST_CHECKED));
  for (int id : {kHighFrequencySlider, kHighFrequencyEdit, kHighGainSlider, kHighGainText})
    EXPECT_TRUE(Enabled(id)) << id;
  g = Graph();
  fill = ExpectGraphShows(g, Params());
  EXPECT_TRUE(MarkerPixels(g, fill).empty()) << Describe(MarkerPixels(g, fill));

  // A band control marks its band again; dry and wet leave the mark alone.
  page_.Type(kCenterEdits[2], L"640");
  EXPECT_EQ(Highlight(), 2);
  page_.Key(kWetFader, VK_PRIOR);
  EXPECT_EQ(Params().wetOut, 10);
  EXPECT_EQ(Highlight(), 2);
  page_.Key(kHighGainSlider, VK_END);  // a shelf slider clears it
  EXPECT_EQ(Params().highShelfGain, 250);
  EXPECT_EQ(Highlight(), 4);
  page_.Key(kWidthSliders[2], VK_HOME);
  EXPECT_EQ(Params().width[2], 3);
  EXPECT_EQ(Highlight(), 2);
  page_.Type(kHighFrequencyEdit, L"12,345");
  EXPECT_EQ(Params().highShelfFrequency, 12345);
  EXPECT_EQ(page_.Text(kHighFrequencyEdit), L"12,345");
  EXPECT_EQ(Highlight(), 4);

  page_.Click(kHighCheck);
  EXPECT_EQ(Params().highShelfEnable, 0);
  EXPECT_FALSE(Enabled(kHighGainSlider));
  g = Graph();
  ExpectGraphShows(g, Params());
}

TEST_F(PgeqPage, AFullLowShelfCutRampsDownAndStopsAt8192Units) {
  Open();
  page_.Click(kLowCheck);
  page_.Type(kLowFrequencyEdit, L"15,000");
  page_.Key(kLowGainSlider, VK_HOME);
  PgeqParams p = Params();
  ASSERT_EQ(p.lowShelfEnable, 1);
  ASSERT_EQ(p.lowShelfFrequency, 15000);
  ASSERT_EQ(p.lowShelfGain, -250);
  EXPECT_EQ(page_.Text(kLowGainText), L"-Inf.");
  Picture g = Graph();
  ExpectGraphShows(g, p);
  // The ramp leaves the graph: the left part shows nothing at all.
  EXPECT_EQ(g.At(g.Column(100), g.Bottom() - 1), g.Background());
  EXPECT_NE(g.At(g.Column(990), g.Bottom() - 1), g.Background());

  // Four full bands stacked at 100 Hz lift the fully cut curve back to just
  // under 0 dB (4 × 2047 − 8192 = −4): only a cut that stops at 8192 units
  // lets them (10,845 units would leave them far below the graph).
  for (int b = 0; b < 4; ++b) {
    p.gain[b] = 250;
    p.width[b] = 3;
    p.center[b] = 100;
  }
  ChangeElsewhere(p);
  g = Graph();
  ExpectGraphShows(g, p);
  EXPECT_EQ(Curve(p)[Position(100)], -4);
  const int peak = g.Column(Position(100));
  EXPECT_NE(g.At(peak, g.Middle() + 1), g.Background());
  EXPECT_EQ(g.At(peak - 3, g.Bottom() - 1), g.Background());
  EXPECT_EQ(page_.SliderPosition(kGainFaders[3]), 250);
  EXPECT_TRUE(Enabled(kCenterSliders[3]));
}

TEST_F(PgeqPage, ABandAt20HzShowsOnlyTheRightHalfOfItsBump) {
  Open(/*connectFirst=*/false);  // the dialog first, then the effect
  page_.Key(kGainFaders[0], '9');
  page_.Key(kWidthSliders[0], VK_END);
  page_.Type(kCenterEdits[0], L"5");  // clamped to 20 Hz
  PgeqParams p = Params();
  ASSERT_EQ(p.gain[0], 200);
  ASSERT_EQ(p.width[0], 25);
  ASSERT_EQ(p.center[0], 20);
  EXPECT_EQ(page_.Text(kCenterEdits[0]), L"20");
  EXPECT_EQ(page_.SliderPosition(kCenterSliders[0]), 20);
  const Picture g = Graph();
  const COLORREF fill = ExpectGraphShows(g, p, g.Column(0));
  // The right half: highest at the left edge, falling to 0 dB at 125.
  EXPECT_LT(g.Row(Curve(p)[1]), g.Middle() - 20);
  EXPECT_NE(g.At(g.Column(1), g.Middle() - 20), g.Background());
  for (int x = g.Column(126); x <= g.AreaWidth(); ++x)
    ASSERT_EQ(g.At(x, g.Middle() - 1), g.Background()) << x;
  EXPECT_TRUE(SamePixels(MarkerPixels(g, fill), ExpectedMarker(g, p, 0)))
      << Describe(MarkerPixels(g, fill));
}

TEST_F(PgeqPage, AfterThePageLetsGoOfTheEffectTheGraphShowsOnlyItsFrame) {
  Open();
  page_.Key(kGainFaders[0], VK_PRIOR);
  ASSERT_EQ(Params().gain[0], 10);
  ASSERT_EQ(page_.Page()->SetObjects(0, nullptr), S_OK);
  // The effect may go now; the graph must not paint through it any more.
  prop_.reset();
  filter_.reset();
  const Picture g = Graph();
  for (int y = 0; y < g.height; ++y) ASSERT_EQ(g.At(0, y), RGB(0, 0, 0)) << y;
  for (int x = 1; x <= g.AreaWidth(); ++x) {
    ASSERT_EQ(g.At(x, g.Middle()), RGB(0, 0, 0)) << x;
    ASSERT_EQ(g.At(x, g.Middle() - 1), g.Background()) << x;
    ASSERT_EQ(g.At(x, g.Bottom() - 1), g.Background()) << x;
  }
  // Unbound, the page ignores what the user does.
  page_.Key(kGainFaders[0], VK_PRIOR);
  EXPECT_EQ(page_.Text(kGainTexts[0]), L"1.0 dB");
}

// A hand needs room on a fader: dragged a pixel at a time from its bottom to
// its top, each level fader passes through its whole range and moves the
// filter's value at every pixel, with at least one pixel per quarter of a dB
// on average (200 pixels for the 50 dB of these faders).
TEST_F(PgeqPage, LevelFadersGiveAPixelOfTravelForEveryQuarterDecibel) {
  Open();
  struct Fader {
    int id;
    std::int32_t PgeqParams::*field;
    int band;
  };
  const Fader faders[] = {{kDryFader, &PgeqParams::dryOut, -1}, {kWetFader, &PgeqParams::wetOut, -1},
                          {kGainFaders[0], nullptr, 0},          {kGainFaders[1], nullptr, 1},
                          {kGainFaders[2], nullptr, 2},          {kGainFaders[3], nullptr, 3}};
  for (const Fader& f : faders) {
    SCOPED_TRACE(f.id);
    auto value = [&] {
      const PgeqParams p = Params();
      return f.field ? p.*f.field : p.gain[f.band];
    };
    HWND fader = page_.Control(f.id);
    page_.Key(f.id, VK_END);  // to the bottom
    ASSERT_EQ(value(), -250);
    // Travel and its start along the fader; the thumb's centre sits one
    // pixel inside each end of the travel.
    const LRESULT travel = SendMessageW(fader, kGetTravel, 0, 0);
    const int length = LOWORD(travel), start = HIWORD(travel);
    EXPECT_GE(length, 200);
    RECT client = {};
    GetClientRect(fader, &client);
    const int x = client.right / 2;
    int y = start + length + 1;
    SendMessageW(fader, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    std::vector<long> seen = {value()};
    for (--y; y >= start + 1; --y) {
      SendMessageW(fader, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
      seen.push_back(value());
    }
    SendMessageW(fader, WM_LBUTTONUP, 0, MAKELPARAM(x, y + 1));
    PumpMessages();
    EXPECT_EQ(seen.front(), -250);
    EXPECT_EQ(seen.back(), 250);
    // Every pixel up is a higher value: none is lost to coarse steps.
    for (size_t i = 1; i < seen.size(); ++i) ASSERT_GT(seen[i], seen[i - 1]) << "pixel " << i;
    EXPECT_GE(seen.size(), 201u);
  }
}

}  // namespace

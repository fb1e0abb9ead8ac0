// The Graphic EQ's fader pages as envelope editors: a fader's level on the
// envelope's axis, the envelope a band edit leaves, the band gains read back
// from an envelope, and the graph's readout text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <ostream>
#include <vector>

#include "effects/geq/geq_bands.h"
#include "effects/geq/geq_target.h"
#include "support/number_format.h"
#include "support/strings.h"

namespace orlofx {

// Internal linkage: found by argument lookup here, clashing with nothing else.
static bool operator==(const GeqPoint& a, const GeqPoint& b) { return a.x == b.x && a.y == b.y; }

static void PrintTo(const GeqPoint& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

namespace {

using Points = std::vector<GeqPoint>;

const Points kFlat = {{0, 0}, {10000, 0}};

Points Edit(const Points& envelope, int band, std::int32_t gain, GeqFaderPage page) {
  const GeqEnvelope edited = GeqEditBand(envelope.data(), envelope.size(), band, gain, page);
  return Points(edited.begin(), edited.end());
}

double Db(std::int32_t y) { return 20.0 * std::log10(GeqPointGain(y)); }

// Known gains land on the graph's grid lines; 1 dB is 100·log2(4/3) = 41.5,
// rounded up; one step above the bottom is still a level, however close to
// silence. Every other fader gain comes back from its level within half a
// level step (0.02 dB at 0 dB to 0.33 dB near the floor).
TEST(GeqFaderLevel, GainsLandOnTheirLevels) {
  for (auto [gain, level] : {std::pair{-480, -500}, {-1000, -500}, {0, 0}, {30, 100}, {60, 200}, {120, 300},
                             {240, 400}, {-30, -100}, {-60, -200}, {-240, -400}, {10, 42}, {-10, -42}, {-479, -499}})
    EXPECT_EQ(GeqLevelOfGain(gain), level) << gain;
  EXPECT_GT(GeqPointGain(GeqLevelOfGain(-479)), 0.0);
  for (std::int32_t g = -478; g < 240; ++g) {
    const std::int32_t y = GeqLevelOfGain(g);
    ASSERT_NEAR(Db(y), g / 10.0, std::abs(Db(y + 1) - Db(y - 1)) / 4.0 * 1.01) << "gain " << g;
  }
}

// A band edit on an envelope and the envelope it leaves: a plateau over
// the band (twice as wide on the 10-band page) with ramps from the curve as
// it was at their feet; the lowest and highest faders move the curve's ends
// (which stay at 20 and 20480 Hz); back to 0 dB every helper point goes.
struct BandEdit {
  const char* what;
  Points before;
  int band;
  std::int32_t gain;
  GeqFaderPage page;
  Points after;
};

const Points kBand10Up = {{0, 0}, {4250, 0}, {4375, 200}, {4625, 200}, {4750, 0}, {10000, 0}};
const Points kBand20UpOnTen = {{0, 0}, {9000, 0}, {9250, 300}, {10000, 300}};

const BandEdit kBandEdits[] = {
    {"6 dB on band 10 of 20", kFlat, 9, 60, GeqFaderPage::kTwentyBand, kBand10Up},
    {"band 10 back to 0 dB", kBand10Up, 9, 0, GeqFaderPage::kTwentyBand, kFlat},
    {"silence on band 10", kFlat, 9, -480, GeqFaderPage::kTwentyBand,
     {{0, 0}, {4250, 0}, {4375, -500}, {4625, -500}, {4750, 0}, {10000, 0}}},
    {"band 12 on the 10-band page", kFlat, 11, -30, GeqFaderPage::kTenBand,
     {{0, 0}, {5000, 0}, {5250, -100}, {5750, -100}, {6000, 0}, {10000, 0}}},
    {"lowest of 20", kFlat, 0, 60, GeqFaderPage::kTwentyBand, {{0, 200}, {125, 200}, {250, 0}, {10000, 0}}},
    {"lowest of 10 (band 2)", kFlat, 1, -60, GeqFaderPage::kTenBand,
     {{0, -200}, {750, -200}, {1000, 0}, {10000, 0}}},
    {"highest of 20", kFlat, 19, 120, GeqFaderPage::kTwentyBand,
     {{0, 0}, {9250, 0}, {9375, 300}, {10000, 300}}},
    {"highest of 10: the end takes the band's level", kFlat, 19, 120, GeqFaderPage::kTenBand,
     kBand20UpOnTen},
    {"highest of 10 back down", kBand20UpOnTen, 19, 0, GeqFaderPage::kTenBand, kFlat},
    {"neighbours ramp from plateau to plateau", kBand10Up, 10, -60, GeqFaderPage::kTwentyBand,
     {{0, 0}, {4250, 0}, {4375, 200}, {4625, 200}, {4875, -200}, {5125, -200}, {5250, 0}, {10000, 0}}},
    {"ramp feet on a slope", {{0, 0}, {10000, 400}}, 9, 0, GeqFaderPage::kTwentyBand,
     {{0, 0}, {4250, 170}, {4375, 0}, {4625, 0}, {4750, 190}, {10000, 400}}},
    // Sorted, and taken into range as the filter plays it: -800 is -500.
    {"a record from elsewhere", {{10000, 900}, {3000, -800}, {0, 0}, {6000, 50}}, 0, 0,
     GeqFaderPage::kTwentyBand, {{0, 0}, {125, 0}, {250, -42}, {3000, -500}, {6000, 50}, {10000, 400}}},
};

TEST(GeqBandEdit, EachEditLeavesItsEnvelope) {
  for (const BandEdit& e : kBandEdits) EXPECT_EQ(Edit(e.before, e.band, e.gain, e.page), e.after) << e.what;
  // Reached in steps, as a fader moves, the envelope is the same.
  Points stepped = kFlat;
  for (std::int32_t g = 10; g <= 60; g += 10) stepped = Edit(stepped, 9, g, GeqFaderPage::kTwentyBand);
  EXPECT_EQ(stepped, kBand10Up);
  // Nothing to edit: a flat curve is edited instead.
  const GeqEnvelope none = GeqEditBand(nullptr, 0, 9, 60, GeqFaderPage::kTwentyBand);
  EXPECT_EQ(Points(none.begin(), none.end()), kBand10Up);
}

TEST(GeqBandEdit, AFullRecordLosesInteriorPointsNotItsEnds) {
  // 64 points zig-zagging by 50 every 155; band 6's span holds three of
  // them and the edit puts four there.
  Points full;
  for (int i = 0; i < 63; ++i) full.push_back(GeqPoint{i * 155, (i % 2) * 50});
  full.push_back(GeqPoint{10000, 0});
  ASSERT_EQ(full.size(), 64u);
  const Points p = Edit(full, 5, 240, GeqFaderPage::kTwentyBand);
  ASSERT_LE(p.size(), 64u);
  EXPECT_EQ(p.front().x, 0);
  EXPECT_EQ(p.back(), (GeqPoint{10000, 0}));
  Points plateau;  // the band's plateau is all there
  std::copy_if(p.begin(), p.end(), std::back_inserter(plateau), [](const GeqPoint& q) { return q.y == 400; });
  EXPECT_EQ(plateau, (Points{{2375, 400}, {2625, 400}}));
  for (std::size_t i = 1; i < p.size(); ++i) EXPECT_LT(p[i - 1].x, p[i].x);
}

TEST(GeqBandGains, EveryFaderReadsBackTheGainItWasSetTo) {
  const std::int32_t gains[] = {-480, -200, -35, -10, -1, 1, 7, 30, 60, 133, 240};
  for (GeqFaderPage page : {GeqFaderPage::kTwentyBand, GeqFaderPage::kTenBand}) {
    for (int band = page == GeqFaderPage::kTenBand ? 1 : 0; band < kGeqBandCount;
         band += page == GeqFaderPage::kTenBand ? 2 : 1) {
      for (std::int32_t g : gains) {
        const Points p = Edit(kFlat, band, g, page);
        const auto read = GeqBandGainsOf(p.data(), p.size());
        ASSERT_NEAR(read[band], g, 1) << "band " << band << " gain " << g;
      }
    }
  }
}

TEST(GeqBandGains, TheLargerDeviationWinsAndSilenceReadsTheFloor) {
  // Band 10 boosted, band 11 cut by more: each reads its own.
  Points p = Edit(kFlat, 9, 60, GeqFaderPage::kTwentyBand);
  p = Edit(p, 10, -120, GeqFaderPage::kTwentyBand);
  const auto read = GeqBandGainsOf(p.data(), p.size());
  for (auto [band, gain] : {std::pair{9, 60}, {10, -120}, {0, 0}, {19, 0}}) EXPECT_EQ(read[band], gain) << band;
  // The notch preset's floor reaches band 10 (450 Hz).
  const Points notch = {{0, 0}, {4000, 0}, {4250, -500}, {4750, -500}, {5000, 0}, {10000, 0}};
  EXPECT_EQ(GeqBandGainsOf(notch.data(), notch.size())[9], -480);
  // Beyond 24 dB the faders stop at their top.
  const Points high = {{0, 400}, {10000, 400}};
  EXPECT_EQ(GeqBandGainsOf(high.data(), high.size())[4], 240);
}

TEST(GeqReadout, TheGainIsTruncatedToTenthsAndKeepsItsSignBelowOneDecibel) {
  for (auto [y, tenths] : {std::pair{-15, -3}, {15, 3}, {0, 0}, {400, 240}, {-500, -480}})
    EXPECT_EQ(GeqReadoutTenths(y), tenths) << y;
  SetLanguage(kLanguageEnglish);
  const NumberLocale locale = NumberLocaleFor(kLanguageEnglish);
  SetNumberLocaleForTesting(&locale);
  EXPECT_EQ(GeqReadoutText(0, -15), "20 Hz, -0.3 dB");
  EXPECT_EQ(GeqReadoutText(0, 15), "20 Hz, 0.3 dB");
  EXPECT_EQ(GeqReadoutText(10000, 400), "20,480 Hz, 24.0 dB");
  EXPECT_EQ(GeqReadoutText(5000, -250), "640 Hz, -8.4 dB");
  SetNumberLocaleForTesting(nullptr);
}

}  // namespace
}  // namespace orlofx

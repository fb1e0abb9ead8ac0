// Paragraphic EQ processor: sample conversion, redesign rules and the float
// transform calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <cstring>
#include <vector>

#include "effects/pgeq/pgeq_transform.h"

namespace orlofx {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A processor as a filter builds it: preset 0 applied.
struct Eq {
  Eq() { eq.ApplyPreset(0); }
  CAkPgeqTransform eq;
};

PgeqParams Preset(int index) { return kPgeqPresets[index].body; }

void Prepare(CAkPgeqTransform& eq, SampleFormat fmt, int channels, std::uint32_t rate = kRate) {
  const WaveFormat f = MakeWaveFormat(fmt, channels, rate);
  ASSERT_EQ(eq.Prepare(f, f), kOk);
}

// Runs one buffer in place; returns the processing result.
template <typename T>
HResult RunInPlace(CAkPgeqTransform& eq, std::vector<T>& samples, int channels,
                   int mode = kProcessOrdinary) {
  std::uint32_t frames = static_cast<std::uint32_t>(samples.size() / channels);
  std::uint32_t in = frames, out = frames;
  HResult hr = eq.Process(mode, samples.data(), &in, samples.data(), &out);
  EXPECT_EQ(in, frames);
  EXPECT_EQ(out, frames);
  return hr;
}

std::vector<double> Noise(std::size_t n, double amplitude, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-amplitude, amplitude);
  std::vector<double> v(n);
  for (double& x : v) x = u(rng);
  return v;
}

// --- processing -------------------------------------------------------------------

TEST(PgeqProcess, SixteenBitWorksInRawUnitsAndTruncates) {
  Eq e;
  e.eq.SetWetOut(-60);  // 10^-0.3, about 0.501
  Prepare(e.eq, SampleFormat::kPcm16, 1);
  std::vector<std::int16_t> s = {3, -3, 1, -1, 20000, -20000};
  RunInPlace(e.eq, s, 1);
  const double g = std::pow(10.0, -0.3);
  EXPECT_EQ(s[0], 1);  // 1.503: rounding would give 2
  EXPECT_EQ(s[1], -1);
  EXPECT_EQ(s[2], 0);  // 0.501: truncated, not rounded
  EXPECT_EQ(s[3], 0);
  EXPECT_EQ(s[4], static_cast<std::int16_t>(std::trunc(20000 * g)));
  EXPECT_EQ(s[5], static_cast<std::int16_t>(std::trunc(-20000 * g)));

  Eq louder;
  louder.eq.SetWetOut(250);  // about 17.8
  Prepare(louder.eq, SampleFormat::kPcm16, 1);
  std::vector<std::int16_t> loud = {30000, -30000, 100};
  RunInPlace(louder.eq, loud, 1);
  EXPECT_EQ(loud[0], 32767);
  EXPECT_EQ(loud[1], -32768);
  EXPECT_EQ(loud[2], static_cast<std::int16_t>(std::trunc(100 * std::pow(10.0, 1.25))));
}

// The filter is linear and scaling by 2^15 is exact in binary floating
// point, so the raw 16-bit run is the scaled float run, truncated.
TEST(PgeqProcess, SixteenBitAndFloatPathsRunTheSameFilter) {
  Eq a, b;
  for (CAkPgeqTransform* eq : {&a.eq, &b.eq}) eq->ApplyPreset(9);
  Prepare(a.eq, SampleFormat::kPcm16, 1);
  Prepare(b.eq, SampleFormat::kFloat64, 1);
  const std::vector<double> noise = Noise(3000, 0.25, 3);
  std::vector<std::int16_t> s16(noise.size());
  std::vector<double> s64(noise.size());
  for (std::size_t i = 0; i < noise.size(); ++i) {
    s16[i] = static_cast<std::int16_t>(std::lround(noise[i] * 32768));
    s64[i] = s16[i] / 32768.0;
  }
  RunInPlace(a.eq, s16, 1);
  RunInPlace(b.eq, s64, 1);
  for (std::size_t i = 0; i < noise.size(); ++i)
    ASSERT_EQ(s16[i], static_cast<std::int16_t>(
                          std::min(32767.0, std::max(-32768.0, std::trunc(s64[i] * 32768)))))
        << i;
}

// Half a second after an impulse the shelves of this preset have decayed
// far below 2^-32 but not yet to a double's underflow: only the flush makes
// their memories exactly 0.
TEST(PgeqProcess, DecayingMemoriesAreFlushedToZero) {
  for (int preset : {9, 7}) {
    Eq e;
    e.eq.ApplyPreset(preset);
    Prepare(e.eq, SampleFormat::kFloat64, 1);
    std::vector<double> s(kRate / 2, 0.0);
    s[0] = 1.0;
    RunInPlace(e.eq, s, 1);
    for (int k = 0; k < e.eq.ActiveBands(); ++k) {
      EXPECT_EQ(e.eq.Bands(0).slots[k].y1, 0.0) << preset;
      EXPECT_EQ(e.eq.Bands(0).slots[k].y2, 0.0) << preset;
    }
    for (int st = 0; st < 2; ++st) {
      EXPECT_EQ(e.eq.Shelves(0).low[st].y1, 0.0) << preset;
      EXPECT_EQ(e.eq.Shelves(0).high[st].y1, 0.0) << preset;
    }
    EXPECT_EQ(s.back(), 0.0);
  }
}

// 64-bit float input near the top of the double range overflows the boosted
// sections' memories to infinity; once the input is ordinary again, the
// output must be ordinary again too, not silenced or NaN for good.
TEST(PgeqProcess, AnOverflowedMemoryDoesNotOutliveItsRun) {
  Eq e;
  PgeqParams p = Preset(0);
  p.lowShelfEnable = 1;
  p.lowShelfGain = 250;
  p.highShelfEnable = 1;
  p.highShelfGain = 250;
  for (int b = 0; b < 4; ++b) p.gain[b] = 250;
  ASSERT_EQ(e.eq.SetParams(&p), kOk);
  Prepare(e.eq, SampleFormat::kFloat64, 2);
  std::vector<double> huge = Noise(2 * 4410, 1.7e308, 5);
  RunInPlace(e.eq, huge, 2);
  std::vector<double> ordinary = Noise(2 * kRate, 0.5, 6);
  RunInPlace(e.eq, ordinary, 2);
  const std::size_t settled = 2 * 4410;
  for (std::size_t i = settled; i < ordinary.size(); ++i) {
    ASSERT_TRUE(std::isfinite(ordinary[i])) << "sample " << i;
  }
  EXPECT_GT(*std::max_element(ordinary.begin() + settled, ordinary.end()), 0.1);
}

// --- redesign rules -------------------------------------------------------------

std::vector<double> RunChunks(CAkPgeqTransform& eq, const std::vector<double>& signal,
                              std::size_t chunk, std::size_t markAt = SIZE_MAX) {
  std::vector<double> out = signal;
  for (std::size_t pos = 0; pos < out.size(); pos += chunk) {
    std::uint32_t n = static_cast<std::uint32_t>(std::min(chunk, out.size() - pos));
    std::uint32_t m = n;
    const int mode = pos == markAt ? kProcessDiscontinuity : kProcessOrdinary;
    EXPECT_EQ(eq.Process(mode, out.data() + pos, &n, out.data() + pos, &m), kOk);
  }
  return out;
}

TEST(PgeqRedesign, BuffersContinueAndADiscontinuityStartsAfresh) {
  const std::vector<double> signal = Noise(8000, 0.5, 21);
  Eq whole, chunked, marked, fresh;
  for (CAkPgeqTransform* eq : {&whole.eq, &chunked.eq, &marked.eq, &fresh.eq}) {
    eq->ApplyPreset(2);
    Prepare(*eq, SampleFormat::kFloat64, 1);
  }
  const std::vector<double> a = RunChunks(whole.eq, signal, signal.size());
  const std::vector<double> b = RunChunks(chunked.eq, signal, 1000, 0);  // first mark: no reset
  EXPECT_EQ(a, b);

  const std::vector<double> c = RunChunks(marked.eq, signal, 1000, 4000);
  const std::vector<double> tail(signal.begin() + 4000, signal.end());
  const std::vector<double> d = RunChunks(fresh.eq, tail, tail.size());
  EXPECT_TRUE(std::equal(d.begin(), d.end(), c.begin() + 4000));
  EXPECT_NE(c[4000], a[4000]);
}

// A redesign keeps every memory that still fits: a band's own wherever its
// slot moves, a shelf's while it stays a boost or a cut. A band switched on,
// or a shelf turned from boost to cut, starts from silence.
TEST(PgeqRedesign, MemoriesFollowTheirBandAndTheirShelfKind) {
  Eq e;
  PgeqParams p = Preset(9);  // band 3, low and high shelf boosts
  p.gain[0] = -10;           // band 1 in slot 0, band 3 in slot 1
  e.eq.SetParams(&p);
  Prepare(e.eq, SampleFormat::kFloat64, 1);
  std::vector<double> s = Noise(500, 0.5, 2);
  RunInPlace(e.eq, s, 1);
  const PgeqBandSlot band3 = e.eq.Bands(0).slots[1];
  const PgeqShelfBlock shelves = e.eq.Shelves(0);
  ASSERT_NE(band3.y1, 0.0);
  ASSERT_NE(shelves.low[1].y2, 0.0);
  ASSERT_NE(shelves.high[1].y2, 0.0);

  p.gain[0] = 0;            // band 1 off: band 3 moves to slot 0
  p.gain[3] = 30;           // band 4 on, in slot 1
  p.lowShelfGain = 30;      // still a boost
  p.highShelfGain = -60;    // now a cut
  e.eq.SetParams(&p);
  std::vector<double> none;
  RunInPlace(e.eq, none, 1);
  ASSERT_EQ(e.eq.ActiveBands(), 2);
  const PgeqBandBlock& bands = e.eq.Bands(0);
  EXPECT_EQ(bands.slots[0].y1, band3.y1);
  EXPECT_EQ(bands.slots[0].y2, band3.y2);
  EXPECT_EQ(bands.slots[1].y1, 0.0);
  EXPECT_EQ(bands.slots[1].y2, 0.0);
  const PgeqShelfBlock& now = e.eq.Shelves(0);
  EXPECT_NE(now.low[0].c1, shelves.low[0].c1);
  for (int st = 0; st < 2; ++st) {
    EXPECT_EQ(now.low[st].y1, shelves.low[st].y1) << st;
    EXPECT_EQ(now.low[st].y2, shelves.low[st].y2) << st;
    EXPECT_EQ(now.high[st].y1, 0.0) << st;
    EXPECT_EQ(now.high[st].y2, 0.0) << st;
  }
}

// Each channel keeps its own history: channel 1 of a stereo run equals a
// mono run of the same signal, across a redesign in the middle.
TEST(PgeqRedesign, ChannelsKeepTheirOwnMemoriesAcrossRedesign) {
  const std::vector<double> left = Noise(3000, 0.5, 31);
  const std::vector<double> right = Noise(3000, 0.5, 32);
  std::vector<double> stereo(6000);
  for (int i = 0; i < 3000; ++i) {
    stereo[2 * i] = left[i];
    stereo[2 * i + 1] = right[i];
  }
  Eq st, mono;
  for (CAkPgeqTransform* eq : {&st.eq, &mono.eq}) eq->ApplyPreset(4);
  Prepare(st.eq, SampleFormat::kFloat64, 2);
  Prepare(mono.eq, SampleFormat::kFloat64, 1);

  std::vector<double> s1(stereo.begin(), stereo.begin() + 3000);
  std::vector<double> s2(stereo.begin() + 3000, stereo.end());
  std::vector<double> m1(right.begin(), right.begin() + 1500);
  std::vector<double> m2(right.begin() + 1500, right.end());
  RunInPlace(st.eq, s1, 2);
  RunInPlace(mono.eq, m1, 1);
  for (CAkPgeqTransform* eq : {&st.eq, &mono.eq}) eq->SetBandGain(3, 60);
  RunInPlace(st.eq, s2, 2);
  RunInPlace(mono.eq, m2, 1);
  for (int i = 0; i < 1500; ++i) {
    ASSERT_EQ(s1[2 * i + 1], m1[i]) << i;
    ASSERT_EQ(s2[2 * i + 1], m2[i]) << i;
  }
}

// --- float transform calls ------------------------------------------------------

TEST(PgeqFloat, ProcessMatchesTheFramePathAndNeverCountsAsDiscontinuity) {
  Eq a, b;
  a.eq.ApplyPreset(10);
  b.eq.ApplyPreset(10);
  ASSERT_EQ(a.eq.Init(2, kRate), kOk);
  Prepare(b.eq, SampleFormat::kFloat32, 2);
  const std::vector<double> noise = Noise(4000, 0.5, 41);
  std::vector<float> x(noise.begin(), noise.end()), y = x;
  ASSERT_EQ(a.eq.ProcessFloat(x.data(), 1000, false), kOk);
  ASSERT_EQ(a.eq.ProcessFloat(x.data() + 2000, 1000, false), kOk);
  std::vector<float> y1(y.begin(), y.begin() + 2000), y2(y.begin() + 2000, y.end());
  RunInPlace(b.eq, y1, 2, kProcessDiscontinuity);
  RunInPlace(b.eq, y2, 2);
  EXPECT_TRUE(std::equal(y1.begin(), y1.end(), x.begin()));
  EXPECT_TRUE(std::equal(y2.begin(), y2.end(), x.begin() + 2000));
}

TEST(PgeqFloat, IsChangedAndUpdate) {
  Eq e;
  ASSERT_EQ(e.eq.Init(1, kRate), kOk);
  EXPECT_FALSE(e.eq.IsChanged());  // the start took the snapshot
  EXPECT_EQ(e.eq.Update(false), kFalse);
  e.eq.SetBandGain(0, 120);
  EXPECT_TRUE(e.eq.IsChanged());
  EXPECT_TRUE(e.eq.IsChanged());  // asking does not clear it
  EXPECT_EQ(e.eq.ActiveBands(), 0);
  EXPECT_EQ(e.eq.Update(false), kOk);
  EXPECT_FALSE(e.eq.IsChanged());
  EXPECT_EQ(e.eq.ActiveBands(), 1);

  std::vector<float> s(200, 0.0f);
  s[0] = 1.0f;
  e.eq.ProcessFloat(s.data(), 200, false);
  ASSERT_NE(e.eq.Bands(0).slots[0].y1, 0.0);
  EXPECT_EQ(e.eq.Update(false), kFalse);
  EXPECT_NE(e.eq.Bands(0).slots[0].y1, 0.0);
  EXPECT_EQ(e.eq.Update(true), kOk);  // reset clears the memories
  EXPECT_EQ(e.eq.Bands(0).slots[0].y1, 0.0);
  EXPECT_EQ(e.eq.Bands(0).slots[0].y2, 0.0);

  e.eq.Stop();
  EXPECT_EQ(e.eq.ProcessFloat(s.data(), 200, false), kUnexpected);
}

TEST(PgeqFloat, DrainEndsOnceTheLastBufferWasQuiet) {
  Eq e;
  PgeqParams p = Preset(0);
  p.gain[1] = 120;  // band 2 alone sits in the first slot, which is watched
  e.eq.SetParams(&p);
  ASSERT_EQ(e.eq.Init(1, kRate), kOk);
  ASSERT_EQ(e.eq.ActiveBands(), 1);

  std::vector<float> s(256, 0.0f);
  // Silence keeps every memory at zero: quiet.
  ASSERT_EQ(e.eq.ProcessFloat(s.data(), 256, false), kOk);
  EXPECT_TRUE(e.eq.Quiet());

  s[0] = 1.0f;
  ASSERT_EQ(e.eq.ProcessFloat(s.data(), 256, false), kOk);
  EXPECT_FALSE(e.eq.Quiet());
  // The band rings on: the drain processes until its memories settle.
  int calls = 0;
  HResult hr = kOk;
  std::vector<float> tail(256);
  while ((hr = e.eq.ProcessFloat(tail.data(), 256, true)) == kOk && ++calls < 10000) {
    std::fill(tail.begin(), tail.end(), 0.0f);
  }
  EXPECT_EQ(hr, kProcessFinished);
  EXPECT_GT(calls, 0);
  EXPECT_LT(calls, 10000);
  // The finishing call leaves the buffer alone.
  std::vector<float> marker(256, 0.25f);
  EXPECT_EQ(e.eq.ProcessFloat(marker.data(), 256, true), kProcessFinished);
  EXPECT_EQ(marker, std::vector<float>(256, 0.25f));
}

TEST(PgeqFloat, OtherFormatsNeverReportQuiet) {
  Eq e;
  Prepare(e.eq, SampleFormat::kFloat64, 1);
  std::vector<double> s(100, 0.0);
  RunInPlace(e.eq, s, 1);
  EXPECT_FALSE(e.eq.Quiet());
}

}  // namespace
}  // namespace orlofx

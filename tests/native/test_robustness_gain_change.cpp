// An output-gain change while a steady tone plays never clicks: for each row
// (effect, settings, tone, the two gains, and whether the page or a host's
// envelope makes the change) the stream with the change is compared with
// the two streams that keep the old and the new gain throughout. Around the
// change the output must not bend more sharply than the steadier of the two
// does (no step), stay between them sample for sample, and have joined the
// new one within 20 ms plus one frame of the change.
#include <algorithm>
#include <cmath>
#include <ostream>

#include "effects/gdyn/gdyn_transform.h"
#include "effects/mbdyn/mbdyn_params.h"
#include "effects/mbdyn/mbdyn_transform.h"
#include "framework/automation.h"
#include "tests/native/test_robustness_support.h"

namespace orlofx::robust {
namespace {

enum class Path { kPage, kEnvelope };

struct GainChange {
  const char* effect;
  int preset;
  std::uint32_t outputGainParam;  // automation index of the output gain
  double toneHz;
  double toneDb;
  int channels;
  std::int32_t oldGain, newGain;  // tenths of a dB
  Path path;
  const char* name;
};

void PrintTo(const GainChange& row, std::ostream* os) { *os << row.name; }

// A page's setter makes the same change in the setting-change contract;
// here the host's envelope makes it.
const GainChange kChanges[] = {
    // 2:1 above -18 dB with auto gain: the tone is compressed while the gain moves.
    {"graphic-dynamics", 7, kGdynParamOutputGain, 1000.0, -6.0, 2, -50, 60, Path::kEnvelope,
     "GdynCompressingEnvelopeUp11Db"},
    {"graphic-dynamics", 0, kGdynParamOutputGain, 440.0, -12.0, 1, 0, -120, Path::kEnvelope,
     "GdynEnvelopeJumpDown12Db"},
    {"multiband-dynamics", 0, kMbdynParamOutputGain, 440.0, -12.0, 1, 60, -60, Path::kEnvelope,
     "MbdynEnvelopeJumpDown12Db"},
    // A tone inside the anti-DTMF bands, held down by them.
    {"multiband-dynamics", 2, kMbdynParamOutputGain, 1336.0, -6.0, 2, 30, -150, Path::kEnvelope,
     "MbdynCompressingEnvelopeDown18Db"},
};

constexpr std::uint32_t kRate = 44100;
constexpr std::size_t kFrames = kRate * 6 / 5;
// Inside a 20 ms frame, well after the dynamics have settled.
constexpr std::size_t kChangeAt = kRate * 3 / 5 + 313;
constexpr std::size_t kTwentyMs = kRate / 50;

std::int64_t StreamTime(std::size_t frame) {
  return static_cast<std::int64_t>(frame) * kTimeUnitsPerSecond / kRate;
}

class OutputGainChange : public testing::TestWithParam<GainChange> {
 protected:
  // Streams the tone with `first` as the output gain, switched to `second`
  // at kChangeAt (not switched when they are equal), through the automation
  // stretches as the filter frame runs them.
  std::vector<double> Run(std::int32_t first, std::int32_t second) {
    const GainChange& row = GetParam();
    const StreamFormat f{SampleFormat::kFloat64, row.channels, kRate};
    const WaveFormat wave = MakeWaveFormat(f.format, f.channels, f.rate);
    std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(Entry(row.effect));
    auto* automation = dynamic_cast<AutomationParams*>(fx.get());
    EXPECT_NE(automation, nullptr);
    if (!automation) return {};
    fx->ApplyPreset(row.preset);
    automation->SetParamProp(row.outputGainParam, first);
    const bool envelope = row.path == Path::kEnvelope && first != second;
    if (envelope) {
      // A jump from the old value to the new one at the change, held to the end.
      const float oldDb = static_cast<float>(first / 10.0), newDb = static_cast<float>(second / 10.0);
      const EnvelopeSegment jump[] = {
          {0, StreamTime(kChangeAt), oldDb, oldDb, kCurveJump, 0},
          {StreamTime(kChangeAt), StreamTime(2 * kFrames), newDb, newDb, kCurveJump, 0}};
      EXPECT_EQ(automation->AddEnvelope(row.outputGainParam, 2, jump), kOk);
    }
    EXPECT_TRUE(Succeeded(fx->Prepare(wave, wave)));

    const double amplitude = std::pow(10.0, row.toneDb / 20.0);
    std::vector<double> tone(kFrames * f.channels);
    for (std::size_t i = 0; i < kFrames; ++i)
      for (int c = 0; c < f.channels; ++c)
        tone[i * f.channels + c] =
            amplitude * std::sin(2.0 * 3.14159265358979323846 * row.toneHz * i / kRate + c);
    const std::vector<unsigned char> in = Encode(f.format, tone);
    const std::size_t frameBytes = FrameBytes(f);

    std::vector<unsigned char> out, room(4096 * frameBytes);
    std::size_t pos = 0;
    bool switched = false;
    while (pos < kFrames) {
      if (!switched && pos == kChangeAt && first != second && !envelope) {
        automation->SetParamProp(row.outputGainParam, second);
        switched = true;
      }
      // Chunks of 500 frames, cut at the change.
      std::size_t end = std::min(pos + 500, kFrames);
      if (pos < kChangeAt && end > kChangeAt) end = kChangeAt;
      std::uint32_t inFrames = static_cast<std::uint32_t>(end - pos), outFrames = 4096;
      const HResult hr = ProcessInStretches(*fx, automation, kProcessOrdinary,
                                            in.data() + pos * frameBytes, &inFrames, room.data(),
                                            &outFrames);
      EXPECT_TRUE(Succeeded(hr));
      if (Failed(hr)) return {};
      out.insert(out.end(), room.begin(), room.begin() + outFrames * frameBytes);
      pos += inFrames;
    }
    for (HResult hr = kProcessProgress; hr == kProcessProgress;) {
      std::uint32_t outFrames = 4096;
      hr = fx->Process(kProcessDrain, nullptr, nullptr, room.data(), &outFrames);
      EXPECT_TRUE(Succeeded(hr));
      out.insert(out.end(), room.begin(), room.begin() + outFrames * frameBytes);
    }
    fx->Release();
    return Decode(f.format, out);
  }
};

// Largest |x[i+1] - 2 x[i] + x[i-1]| of one channel over frames [from, to).
double LargestBend(const std::vector<double>& x, int channels, int channel, std::size_t from,
                   std::size_t to) {
  double largest = 0.0;
  for (std::size_t i = std::max<std::size_t>(from, 1); i < to; ++i) {
    const double bend = x[(i + 1) * channels + channel] - 2.0 * x[i * channels + channel] +
                        x[(i - 1) * channels + channel];
    largest = std::max(largest, std::fabs(bend));
  }
  return largest;
}

TEST_P(OutputGainChange, GlidesFromTheOldToTheNewOutputWithoutAStep) {
  const GainChange& row = GetParam();
  const std::vector<double> before = Run(row.oldGain, row.oldGain);
  const std::vector<double> after = Run(row.newGain, row.newGain);
  const std::vector<double> changed = Run(row.oldGain, row.newGain);
  const std::size_t samples = kFrames * row.channels;
  ASSERT_EQ(before.size(), samples);
  ASSERT_EQ(after.size(), samples);
  ASSERT_EQ(changed.size(), samples);

  // The 20 ms frame the change falls in is the first that may move; one
  // frame plus 20 ms after the change the new output must have taken over.
  const std::size_t settled = kChangeAt + kTwentyMs + kRate / 50;
  const std::size_t from = kChangeAt - kRate / 50;
  const std::size_t windowEnd = settled + kRate / 50;
  for (int c = 0; c < row.channels; ++c) {
    SCOPED_TRACE("channel " + std::to_string(c));
    const double steady = std::max(LargestBend(before, row.channels, c, from, windowEnd),
                                   LargestBend(after, row.channels, c, from, windowEnd));
    EXPECT_LE(LargestBend(changed, row.channels, c, from, windowEnd), 2.0 * steady)
        << "the change reaches the audio as a step";
    const double tolerance = 1e-12;
    std::size_t outside = 0, late = 0;
    for (std::size_t i = from; i < kFrames; ++i) {
      const std::size_t k = i * row.channels + c;
      const double lo = std::min(before[k], after[k]), hi = std::max(before[k], after[k]);
      if ((changed[k] < lo - tolerance || changed[k] > hi + tolerance) && outside++ == 0)
        ADD_FAILURE() << "frame " << i << ": " << changed[k] << " is outside [" << lo << ", "
                      << hi << "]";
      if (i >= settled && std::fabs(changed[k] - after[k]) > 1e-9 && late++ == 0)
        ADD_FAILURE() << "frame " << i << ": " << changed[k] << " has not reached " << after[k];
    }
    // Up to the frame holding the change, nothing has moved.
    for (std::size_t i = 0; i < from; ++i)
      ASSERT_EQ(changed[i * row.channels + c], before[i * row.channels + c]) << "frame " << i;
  }
  // The two settings do differ where the test looks.
  double apart = 0.0;
  for (std::size_t k = settled * row.channels; k < windowEnd * row.channels; ++k)
    apart = std::max(apart, std::fabs(after[k] - before[k]));
  EXPECT_GT(apart, 1e-2);
}

std::string RowName(const testing::TestParamInfo<GainChange>& row) { return row.param.name; }

INSTANTIATE_TEST_SUITE_P(DynamicsEffects, OutputGainChange, testing::ValuesIn(kChanges), RowName);

}  // namespace
}  // namespace orlofx::robust

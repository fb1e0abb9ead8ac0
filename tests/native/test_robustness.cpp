// Robustness of every effect the tool offers, through the processing entry
// the filters use: random block sizes and output room, every format and
// channel count, marks and drains in the middle, settings changed from
// another thread, hostile samples, record round trips mid-stream, and many
// instances at once. Seeds are fixed and printed; ORLOFX_ROBUSTNESS_SEED
// replays another one, ORLOFX_ROBUSTNESS_SCALE lengthens or shortens a run.
#include <cstring>
#include <ostream>

#include "tests/native/test_robustness_support.h"

namespace orlofx::robust {
namespace {

TEST_P(Robustness, RefusesWhatItCannotProcessAndFailsCallsOutsideAStream) {
  auto fx = Create();
  std::uint32_t inFrames = 16, outFrames = 16;
  std::vector<unsigned char> in(16 * 8), out(16 * 8);
  EXPECT_TRUE(Failed(fx->Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames)));
  EXPECT_EQ(outFrames, 0u);

  const WaveFormat good = MakeWaveFormat(SampleFormat::kFloat32, 2, 44100);
  WaveFormat pcm24 = MakeWaveFormat(SampleFormat::kPcm16, 2, 44100);
  pcm24.bitsPerSample = 24;
  pcm24 = Normalised(pcm24);
  WaveFormat threeChannels = good;
  threeChannels.channels = 3;
  threeChannels = Normalised(threeChannels);
  WaveFormat noChannels = good;
  noChannels.channels = 0;
  noChannels = Normalised(noChannels);
  WaveFormat adpcm = MakeWaveFormat(SampleFormat::kPcm16, 1, 44100);
  adpcm.formatTag = 2;
  const WaveFormat otherRate = MakeWaveFormat(SampleFormat::kFloat32, 2, 48000);
  const WaveFormat otherFormat = MakeWaveFormat(SampleFormat::kFloat64, 2, 44100);
  const WaveFormat mono = MakeWaveFormat(SampleFormat::kFloat32, 1, 44100);
  const std::pair<WaveFormat, WaveFormat> refused[] = {
      {pcm24, pcm24},       {threeChannels, threeChannels}, {noChannels, noChannels},
      {adpcm, adpcm},       {good, otherRate},              {good, otherFormat},
      {good, mono},
  };
  for (const auto& [i, o] : refused) {
    // The format is packed: copy its fields before streaming them.
    const unsigned tag = i.formatTag, bits = i.bitsPerSample, channels = i.channels;
    const unsigned outRate = o.samplesPerSec, outBits = o.bitsPerSample, outChannels = o.channels;
    SCOPED_TRACE(testing::Message() << "tag " << tag << " bits " << bits << " channels "
                                    << channels << " -> rate " << outRate << " bits " << outBits
                                    << " channels " << outChannels);
    EXPECT_TRUE(Failed(fx->Prepare(i, o)));
    inFrames = outFrames = 16;
    EXPECT_TRUE(Failed(fx->Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames)));
    EXPECT_EQ(outFrames, 0u);
    fx->Release();
  }

  // A stream's calls: an unknown mode, frames without a buffer; missing
  // counts are zero.
  ASSERT_TRUE(Succeeded(fx->Prepare(good, good)));
  inFrames = outFrames = 16;
  EXPECT_EQ(fx->Process(7, in.data(), &inFrames, out.data(), &outFrames), kInvalidArg);
  inFrames = outFrames = 16;
  EXPECT_EQ(fx->Process(kProcessOrdinary, nullptr, &inFrames, out.data(), &outFrames), kPointer);
  inFrames = outFrames = 16;
  EXPECT_EQ(fx->Process(kProcessOrdinary, in.data(), &inFrames, nullptr, &outFrames), kPointer);
  EXPECT_EQ(fx->Process(kProcessDrain, nullptr, nullptr, nullptr, nullptr), kProcessFinished);
  fx->Release();
  inFrames = outFrames = 16;
  EXPECT_EQ(fx->Process(kProcessOrdinary, in.data(), &inFrames, out.data(), &outFrames),
            kUnexpected)
      << "a released processor must not stream";
  EXPECT_EQ(outFrames, 0u);
}

TEST_P(Robustness, StreamsEveryFormatWithRandomBlocksMarksAndDrains) {
  std::mt19937 rng(Seed(1100));
  const std::uint32_t rates[] = {8000, 22050, 44100, 48000, 96000};
  for (StreamFormat f : AllFormats(44100)) {
    f.rate = rates[rng() % 5];
    SCOPED_TRACE(Describe(f));
    auto fx = Create();
    fx->ApplyPreset(static_cast<int>(rng() % fx->PresetCount()));
    if (rng() % 2) fx->SetFields(RandomFields(*fx, rng).data());
    ASSERT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
    Driver d(*fx, f);
    bool breaks = false;
    const int segments = Scaled(60);
    for (int s = 0; s < segments; ++s) {
      std::vector<double> samples;
      Append(static_cast<Signal>(rng() % kCleanSignalCount), RandomBlock(rng), f.channels, rng, samples);
      const std::vector<unsigned char> bytes = Encode(f.format, samples);
      int mode = kProcessOrdinary;
      switch (rng() % 10) {
        case 0: mode = kProcessDiscontinuity; breaks = true; break;
        case 1: ASSERT_TRUE(d.Drain(rng)); break;
        case 2: fx->SetFields(RandomFields(*fx, rng).data()); break;
        case 3: fx->ApplyPreset(static_cast<int>(rng() % fx->PresetCount())); break;
        default: break;
      }
      ASSERT_TRUE(d.Offer(bytes.data(), static_cast<std::uint32_t>(samples.size() / f.channels), mode, rng));
    }
    ASSERT_TRUE(d.Drain(rng));
    if (breaks)
      EXPECT_LE(d.Produced(), d.Consumed());
    else
      EXPECT_EQ(d.Produced(), d.Consumed()) << "without breaks every frame comes out once";
    if (IsFloat(f.format)) {
      EXPECT_TRUE(AllFinite(d.OutputSamples())) << "clean input, non-finite output";
    }
    fx->Release();
  }
}

// Whatever the host's block sizes and output room, the bytes that come out
// are those of one call over the whole input: every frame once, in place.
TEST_P(Robustness, AnySlicingGivesTheSameOutput) {
  std::mt19937 rng(Seed(1900));
  for (const StreamFormat& f : AllFormats(44100)) {
    SCOPED_TRACE(Describe(f));
    const int preset = static_cast<int>(rng() % Create()->PresetCount());
    const std::uint32_t frames = 9000 + rng() % 9000;
    const std::vector<unsigned char> input = Encode(f.format, CleanInput(frames, f.channels, rng));
    std::vector<unsigned char> whole;
    for (int pass = 0; pass < 2; ++pass) {
      auto fx = Create();
      fx->ApplyPreset(preset);
      ASSERT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
      Driver d(*fx, f);
      if (pass == 0) {
        d.FixedRoom(1u << 16);
        ASSERT_TRUE(d.Offer(input.data(), frames, kProcessOrdinary, rng));
      } else {
        ASSERT_TRUE(FeedAll(d, input, f, rng));
      }
      ASSERT_TRUE(d.Drain(rng));
      ASSERT_EQ(d.Produced(), frames);
      if (pass == 0) whole = d.Output();
      else EXPECT_TRUE(d.Output() == whole) << "preset " << preset;
    }
  }
}

TEST_P(Robustness, HostileSamplesLeaveNoNaNBehind) {
  std::mt19937 rng(Seed(1300));
  const StreamFormat formats[] = {{SampleFormat::kFloat32, 2, 44100},
                                  {SampleFormat::kFloat64, 1, 44100},
                                  {SampleFormat::kFloat32, 1, 48000},
                                  {SampleFormat::kFloat64, 2, 44100}};
  const int presets = Create()->PresetCount();
  for (const StreamFormat& f : formats) {
    // Every preset on the first format, two on the others.
    std::vector<int> chosen;
    if (&f == &formats[0] && Thorough()) {
      for (int p = 0; p < presets; ++p) chosen.push_back(p);
    } else {
      chosen = {0, static_cast<int>(rng() % presets)};
    }
    for (int preset : chosen) {
      SCOPED_TRACE(Describe(f) + ", preset " + std::to_string(preset));
      auto fx = Create();
      ASSERT_TRUE(Succeeded(fx->ApplyPreset(preset)));
      ASSERT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
      // Lengths in fractions of a second (shorter in sanitizer builds).
      const std::size_t r = Thorough() ? f.rate : f.rate / 2;
      std::vector<double> in;
      Append(Signal::kTones, r / 4, f.channels, rng, in);
      Append(Signal::kNanInf, r / 4, f.channels, rng, in);
      Append(Signal::kTones, r / 8, f.channels, rng, in);
      Append(Signal::kHuge, r / 8, f.channels, rng, in);
      Append(Signal::kDenormal, r / 8, f.channels, rng, in);
      Append(Signal::kSquare, r / 4, f.channels, rng, in);
      Append(Signal::kDc, r / 8, f.channels, rng, in);
      Append(Signal::kNanInf, r / 16, f.channels, rng, in);
      const std::size_t cleanFrom = in.size() / f.channels;
      Append(Signal::kSilence, r, f.channels, rng, in);
      Append(Signal::kTones, r, f.channels, rng, in);
      Append(Signal::kSquare, r / 2, f.channels, rng, in);
      Driver d(*fx, f);
      ASSERT_TRUE(FeedAll(d, Encode(f.format, in), f, rng));
      ASSERT_TRUE(d.Drain(rng));
      ASSERT_EQ(d.Produced(), d.Consumed());
      // Output frame k belongs to input frame k; half a second after the
      // input turned clean nothing non-finite may come out any more.
      const std::vector<double> out = d.OutputSamples();
      const std::size_t from = (cleanFrom + f.rate / 2) * f.channels;
      std::size_t bad = 0, firstBad = 0;
      for (std::size_t i = from; i < out.size(); ++i)
        if (!std::isfinite(out[i]) && bad++ == 0) firstBad = i;
      EXPECT_EQ(bad, 0u) << "first non-finite output at frame " << firstBad / f.channels << " of "
                         << out.size() / f.channels << " (clean from frame " << cleanFrom << ")";
      fx->Release();
    }
  }
}

// A host that hands over one NaN or infinity gets what a zero in its place
// would give: every output sample finite, and the output byte for byte that
// of the same input with the sample set to 0.
TEST_P(Robustness, ANonFiniteInputSampleActsAsZero) {
  std::mt19937 rng(Seed(1350));
  const StreamFormat formats[] = {{SampleFormat::kFloat32, 2, 44100},
                                  {SampleFormat::kFloat64, 1, 48000}};
  const double nonFinite[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
  const int presets = Create()->PresetCount();
  for (const StreamFormat& f : formats) {
    for (int preset : {0, presets - 1}) {
      const std::size_t frames = f.rate / 2;
      std::vector<double> in = CleanInput(frames, f.channels, rng);
      // Somewhere inside a block, on the last channel.
      const std::size_t at = (frames / 3 + rng() % 1000) * f.channels + f.channels - 1;
      const std::uint32_t partition = rng();
      auto run = [&](double value) {
        in[at] = value;
        auto fx = Create();
        fx->ApplyPreset(preset);
        EXPECT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
        std::mt19937 blocks(partition);  // the same calls for every run
        Driver d(*fx, f);
        const bool ok = FeedAll(d, Encode(f.format, in), f, blocks) && d.Drain(blocks);
        fx->Release();
        return ok ? d.Output() : std::vector<unsigned char>();
      };
      const std::vector<unsigned char> zero = run(0.0);
      ASSERT_EQ(zero.size(), frames * FrameBytes(f));
      for (double value : nonFinite) {
        SCOPED_TRACE(Describe(f) + ", preset " + std::to_string(preset) + ", input " +
                     std::to_string(value) + " at frame " + std::to_string(at / f.channels));
        const std::vector<unsigned char> out = run(value);
        ASSERT_EQ(out.size(), zero.size());
        EXPECT_TRUE(AllFinite(Decode(f.format, out)));
        EXPECT_TRUE(out == zero) << "differs from the output for a 0 in its place";
      }
    }
  }
}

TEST_P(Robustness, PcmOutputSaturatesLikeTheFloatPath) {
  std::mt19937 rng(Seed(1400));
  struct Pair {
    SampleFormat pcm, flt;
    double lsb;
  };
  const Pair pairs[] = {{SampleFormat::kPcm16, SampleFormat::kFloat32, 1.0 / 32768},
                        {SampleFormat::kPcm8, SampleFormat::kFloat32, 1.0 / 128},
                        {SampleFormat::kPcm32, SampleFormat::kFloat64, 1.0 / 2147483648.0}};
  const int presets = Create()->PresetCount();
  for (const Pair& pair : pairs) {
    std::vector<int> chosen = {0, static_cast<int>(rng() % presets)};
    if (Thorough())
      for (int p = 1; p < presets; ++p) chosen.push_back(p);
    const std::size_t length = Thorough() ? 20000 : 6000;
    for (int preset : chosen) {
      SCOPED_TRACE(std::string(FormatName(pair.pcm)) + ", preset " + std::to_string(preset));
      const int channels = 1 + preset % 2;
      std::vector<double> in;
      Append(Signal::kSquare, length, channels, rng, in);
      Append(Signal::kDc, length / 2, channels, rng, in);
      Append(Signal::kTones, length, channels, rng, in);
      Append(Signal::kNoise, length / 2, channels, rng, in);
      // The same values in both formats: PCM first, then read back exactly.
      const std::vector<unsigned char> pcmIn = Encode(pair.pcm, in);
      const std::vector<unsigned char> fltIn = Encode(pair.flt, Decode(pair.pcm, pcmIn));
      std::vector<double> outputs[2];
      for (int k = 0; k < 2; ++k) {
        const StreamFormat f{k == 0 ? pair.pcm : pair.flt, channels, 44100};
        auto fx = Create();
        fx->ApplyPreset(preset);
        ASSERT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
        std::mt19937 blocks(preset * 7 + 1);  // the same partition for both
        Driver d(*fx, f);
        ASSERT_TRUE(FeedAll(d, k == 0 ? pcmIn : fltIn, f, blocks));
        ASSERT_TRUE(d.Drain(blocks));
        outputs[k] = d.OutputSamples();
      }
      ASSERT_EQ(outputs[0].size(), outputs[1].size());
      std::size_t worst = 0;
      double worstDiff = 0;
      unsigned char b[8];
      for (std::size_t i = 0; i < outputs[0].size(); ++i) {
        // What the float path's sample becomes when written as PCM.
        WriteSample<double>(pair.pcm, outputs[1][i], b);
        const double expected = ReadSample<double>(pair.pcm, b);
        const double diff = std::fabs(outputs[0][i] - expected);
        if (diff > worstDiff) worstDiff = diff, worst = i;
      }
      EXPECT_LE(worstDiff, pair.lsb * 1.0001)
          << "sample " << worst << ": pcm " << outputs[0][worst] << ", float "
          << outputs[1][worst] << " (wrapped or unclamped PCM output?)";
    }
  }
}

TEST_P(Robustness, UnusualRatesAreRefusedOrStreamedCleanly) {
  std::mt19937 rng(Seed(1800));
  for (std::uint32_t rate : {0u, 1u, 7u, 49u, 50u, 1000u, 192000u, 384000u}) {
    for (SampleFormat fmt : {SampleFormat::kFloat32, SampleFormat::kFloat64}) {
      const StreamFormat f{fmt, 2, rate};
      SCOPED_TRACE(Describe(f));
      auto fx = Create();
      fx->ApplyPreset(static_cast<int>(rng() % fx->PresetCount()));
      if (Failed(fx->Prepare(Wave(f), Wave(f)))) {
        std::uint32_t inFrames = 4, outFrames = 4;
        float buffer[16] = {};
        EXPECT_TRUE(Failed(fx->Process(kProcessOrdinary, buffer, &inFrames, buffer + 8, &outFrames)));
        continue;
      }
      Driver d(*fx, f);
      ASSERT_TRUE(FeedAll(d, Encode(fmt, CleanInput(12000, 2, rng)), f, rng));
      ASSERT_TRUE(d.Drain(rng));
      EXPECT_EQ(d.Produced(), d.Consumed());
      EXPECT_TRUE(AllFinite(d.OutputSamples()));
      fx->Release();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Effects, Robustness, testing::ValuesIn(EffectNames()), TestName);

// The block effects hold back at most one block (20 ms, or half the FIR
// size at the default Medium accuracy): nothing comes out until a block is
// full, then all of it; the drain gives back what is held in as many calls
// as the room needs, then nothing; after it a whole block comes out again.
struct HeldBlock {
  const char* effect;
  std::uint32_t frames;
};
void PrintTo(const HeldBlock& h, std::ostream* os) { *os << h.effect; }
class BlockLatency : public testing::TestWithParam<HeldBlock> {};

TEST_P(BlockLatency, OneBlockIsHeldAndTheDrainGivesItBack) {
  const std::uint32_t n = GetParam().frames;
  auto fx = cli::CreateEffect(Entry(GetParam().effect));
  const StreamFormat f{SampleFormat::kFloat32, 1, 44100};
  ASSERT_EQ(fx->Prepare(Wave(f), Wave(f)), kOk);
  std::vector<float> in(n, 0.25f), out(2 * n);
  const auto call = [&](int mode, std::uint32_t frames, std::uint32_t room, HResult result) {
    std::uint32_t inFrames = frames, outFrames = room;
    const bool drain = mode == kProcessDrain;
    EXPECT_EQ(fx->Process(mode, drain ? nullptr : in.data(), drain ? nullptr : &inFrames,
                          out.data(), &outFrames),
              result);
    if (!drain) {
      EXPECT_EQ(inFrames, frames);
    }
    return outFrames;
  };
  EXPECT_EQ(call(kProcessOrdinary, n - 1, 2 * n, kProcessProgress), 0u);
  EXPECT_EQ(call(kProcessOrdinary, 1, 2 * n, kProcessProgress), n);
  EXPECT_EQ(call(kProcessOrdinary, 100, 2 * n, kProcessProgress), 0u);
  EXPECT_EQ(call(kProcessDrain, 0, 60, kProcessProgress), 60u);
  EXPECT_EQ(call(kProcessDrain, 0, 60, kProcessFinished), 40u);
  EXPECT_EQ(call(kProcessDrain, 0, 60, kProcessFinished), 0u);
  EXPECT_EQ(call(kProcessOrdinary, n, 2 * n, kProcessProgress), n);
}

INSTANTIATE_TEST_SUITE_P(Effects, BlockLatency,
                         testing::Values(HeldBlock{"noise-gate", 882},
                                         HeldBlock{"graphic-dynamics", 882},
                                         HeldBlock{"multiband-dynamics", 882},
                                         HeldBlock{"parametric-eq", 512},
                                         HeldBlock{"graphic-eq", 512}),
                         [](const testing::TestParamInfo<HeldBlock>& p) {
                           return TestName({p.param.effect, p.index});
                         });

}  // namespace
}  // namespace orlofx::robust

// Robustness of every effect with other threads at work: settings changed
// from the host's thread while the stream runs, and many instances streaming
// at once. These tests are the thread sanitizer's scope (their own binary).
#include <atomic>
#include <thread>

#include "tests/native/test_robustness_support.h"

namespace orlofx::robust {
namespace {

TEST_P(Robustness, SettingsChangedFromAnotherThreadWhileStreaming) {
  const std::uint32_t seed = Seed(1200);
  const StreamFormat formats[] = {{SampleFormat::kFloat32, 2, 44100},
                                  {SampleFormat::kPcm16, 1, 48000},
                                  {SampleFormat::kFloat64, 2, 32000}};
  for (const StreamFormat& f : formats) {
    SCOPED_TRACE(Describe(f));
    auto fx = Create();
    ASSERT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
    std::atomic<bool> stop{false};
    std::atomic<int> changes{0}, wrongResults{0};
    std::thread churn([&] {
      std::mt19937 r(seed + 1);
      const int presets = fx->PresetCount();
      while (!stop.load()) {
        switch (r() % 6) {
          case 0:
          case 1: fx->SetFields(RandomFields(*fx, r).data()); break;
          case 2: {
            const int index = static_cast<int>(r() % (presets + 2)) - 1;
            const HResult hr = fx->ApplyPreset(index);
            const bool inRange = index >= 0 && index < presets;
            if (inRange ? Failed(hr) : hr != kInvalidArg) ++wrongResults;
            break;
          }
          case 3: {
            MemoryRecordStream s;
            if (Failed(fx->SaveRecord(s, r() % 2 == 0))) ++wrongResults;
            MemoryRecordStream back(s.Bytes());
            if (Failed(fx->LoadRecord(back))) ++wrongResults;
            break;
          }
          case 4: {
            std::int32_t fields[kMaxRecordFields];
            fx->GetFields(fields);
            fx->IsDirty();
            break;
          }
          default: {
            WaveFormat w{};
            fx->GetFormat(&w, static_cast<int>(r() % 2));
            break;
          }
        }
        ++changes;
      }
    });
    std::mt19937 rng(seed);
    Driver d(*fx, f);
    bool ok = true;
    for (int s = 0; s < Scaled(200) && ok; ++s) {
      std::vector<double> samples;
      Append(static_cast<Signal>(rng() % 3), RandomBlock(rng), f.channels, rng, samples);
      const std::vector<unsigned char> bytes = Encode(f.format, samples);
      ok = d.Offer(bytes.data(), static_cast<std::uint32_t>(samples.size() / f.channels),
                   kProcessOrdinary, rng);
    }
    // Keep streaming until the other thread has really been at work.
    while (ok && changes.load() < 50) {
      std::vector<double> samples;
      Append(Signal::kNoise, 256, f.channels, rng, samples);
      ok = d.Offer(Encode(f.format, samples).data(), 256, kProcessOrdinary, rng);
    }
    stop = true;
    churn.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(wrongResults.load(), 0) << "presets, saves or loads answered wrongly while streaming";

    // Settle on preset 0, then clean input must give clean output.
    fx->ApplyPreset(0);
    const std::size_t settle = Thorough() ? f.rate * 2 : f.rate;
    const std::size_t before = d.Produced();
    ASSERT_TRUE(FeedAll(d, Encode(f.format, CleanInput(settle, f.channels, rng)), f, rng));
    ASSERT_TRUE(d.Drain(rng));
    EXPECT_EQ(d.Produced(), d.Consumed());
    if (IsFloat(f.format)) {
      const std::vector<double> out = d.OutputSamples();
      EXPECT_TRUE(AllFinite(out, (before + settle / 2) * f.channels));
    }
    fx->Release();
  }
}


TEST_P(Robustness, ManyInstancesAtOnceGiveIdenticalOutput) {
  std::mt19937 rng(Seed(1700));
  const StreamFormat f{SampleFormat::kFloat32, 2, 44100};
  const int instances = WorkScale() < 0.5 ? 4 : 12;
  const int threads = 4;
  const int preset = static_cast<int>(rng() % Create()->PresetCount());
  const std::vector<unsigned char> input = Encode(f.format, CleanInput(f.rate, 2, rng));

  auto run = [&](EffectProcessor& fx, std::vector<unsigned char>& out) {
    std::mt19937 blocks(99);
    Driver d(fx, f);
    const bool ok = FeedAll(d, input, f, blocks) && d.Drain(blocks);
    out = ok ? d.Output() : std::vector<unsigned char>();
  };
  std::vector<unsigned char> reference;
  {
    auto fx = Create();
    fx->ApplyPreset(preset);
    ASSERT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
    run(*fx, reference);
    ASSERT_FALSE(reference.empty());
  }
  std::vector<std::unique_ptr<EffectProcessor>> fxs;
  for (int i = 0; i < instances; ++i) {
    fxs.push_back(Create());
    fxs.back()->ApplyPreset(preset);
    ASSERT_TRUE(Succeeded(fxs.back()->Prepare(Wave(f), Wave(f))));
  }
  std::vector<std::vector<unsigned char>> outputs(instances);
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      for (int i = t; i < instances; i += threads) run(*fxs[i], outputs[i]);
    });
  for (std::thread& t : pool) t.join();
  for (int i = 0; i < instances; ++i)
    EXPECT_TRUE(outputs[i] == reference) << "instance " << i << " differs from a lone instance";
}


INSTANTIATE_TEST_SUITE_P(Effects, Robustness, testing::ValuesIn(EffectNames()), TestName);

}  // namespace
}  // namespace orlofx::robust

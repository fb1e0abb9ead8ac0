// The Paragraphic EQ in a host's graph under Wine (File Source, WAVE
// Parser, our filter, Sample Grabber): with its default settings the output
// is the native tool's for the same file; with a preset it is the portable
// processor's. Either way every sample keeps its time stamps: no latency.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "effects/pgeq/pgeq_transform.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/wav_file.h"
#include "tests/win/support/wine_graph.h"

namespace {

using namespace orlofx::test;

const CLSID kClsidPgeq = {0xD616F3E0, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};

class PgeqStreamTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ASSERT_TRUE(module_.Loaded());
    name_ = GetParam();
    ASSERT_TRUE(ReadWavFile(TestDataPath(name_ + ".wav"), &input_)) << name_;
    // Wine's parser offers float files only as WAVE_FORMAT_EXTENSIBLE,
    // which the effects do not take.
    GrabbedStream plain;
    ASSERT_EQ(RunWaveFileGraph(TestDataPath(name_ + ".wav"), nullptr, &plain), S_OK);
    ASSERT_EQ(plain.parserToNext, S_OK);
    parserStamps_ = plain.stamps;
    parserDeliversIntact_ = plain.bytes == input_.data;
  }
  void TearDown() override { CoUninitialize(); }

  // The graph with our filter, `preset` applied.
  GrabbedStream RunWithEq(int preset) {
    GrabbedStream out;
    IBaseFilter* eq = nullptr;
    EXPECT_EQ(module_.Create(kClsidPgeq, IID_IBaseFilter, &eq), S_OK);
    if (!eq) return out;
    IStaticFilterPreset* presets = nullptr;
    eq->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&presets));
    EXPECT_EQ(presets->ApplyPreset(preset), S_OK);
    presets->Release();
    EXPECT_EQ(RunWaveFileGraph(TestDataPath(name_ + ".wav"), eq, &out), S_OK);
    eq->Release();
    EXPECT_EQ(out.parserToNext, S_OK);
    EXPECT_EQ(out.completion, EC_COMPLETE);
    return out;
  }

  // Same samples, same stamps as the parser delivers without the filter.
  void ExpectParserStamps(const GrabbedStream& out) {
    EXPECT_EQ(out.unstamped, 0);
    ASSERT_EQ(out.stamps.size(), parserStamps_.size());
    for (size_t i = 0; i < out.stamps.size(); ++i) {
      EXPECT_EQ(out.stamps[i].start, parserStamps_[i].start) << i;
      EXPECT_EQ(out.stamps[i].stop, parserStamps_[i].stop) << i;
      EXPECT_EQ(out.stamps[i].bytes, parserStamps_[i].bytes) << i;
    }
  }

  ModuleUnderTest module_;
  std::string name_;
  WavFile input_;
  std::vector<GrabbedStamp> parserStamps_;
  bool parserDeliversIntact_ = false;
};

TEST_P(PgeqStreamTest, DefaultSettingsGiveTheNativeToolsOutput) {
  if (!parserDeliversIntact_) GTEST_SKIP() << "Wine's WAVE parser does not deliver this format intact";
  WavFile expected;
  ASSERT_TRUE(ReadWavFile(TestDataPath(name_ + ".paragraphic-eq.wav"), &expected)) << name_;
  ASSERT_EQ(expected.data.size(), input_.data.size());
  const GrabbedStream out = RunWithEq(0);
  ASSERT_EQ(out.bytes.size(), expected.data.size());
  EXPECT_TRUE(out.bytes == expected.data);
  ExpectParserStamps(out);
}

TEST_P(PgeqStreamTest, PresetOutputEqualsThePortableProcessor) {
  if (!parserDeliversIntact_) GTEST_SKIP() << "Wine's WAVE parser does not deliver this format intact";
  constexpr int kLoudness = 9;  // a band and both shelves
  std::vector<BYTE> expected = input_.data;
  orlofx::CAkPgeqTransform eq;
  eq.ApplyPreset(kLoudness);
  orlofx::WaveFormat f = {};
  std::memcpy(&f, &input_.format, sizeof f);
  f = orlofx::Normalised(f);
  ASSERT_EQ(eq.Prepare(f, f), orlofx::kOk);
  std::uint32_t n = static_cast<std::uint32_t>(expected.size() / f.blockAlign), m = n;
  ASSERT_EQ(eq.Process(orlofx::kProcessOrdinary, expected.data(), &n, expected.data(), &m), orlofx::kOk);
  ASSERT_NE(expected, input_.data);

  const GrabbedStream out = RunWithEq(kLoudness);
  ASSERT_EQ(out.bytes.size(), expected.size());
  EXPECT_TRUE(out.bytes == expected);
  ExpectParserStamps(out);
}

INSTANTIATE_TEST_SUITE_P(Formats, PgeqStreamTest,
                         ::testing::Values("pcm16_stereo_44100", "pcm8_mono_22050", "pcm32_stereo_48000"));

}  // namespace

// A host's graph under Wine: Wine's File Source (Async) and WAVE Parser feed
// the Noise Gate, whose output is collected by the Sample Grabber. The audio
// that comes out must be the native tool's output for the same file, frame
// for frame, with continuous time stamps.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/support/wine_graph.h"

namespace {

const CLSID kClsidNoisgt = {0xB97C0F23, 0x196D, 0x11D1, {0xB9, 0x9B, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

// Wine's parser offers float files only as WAVE_FORMAT_EXTENSIBLE, which the
// effects do not take; float streams are covered with our own source filter.
class NoisgtStreamTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(NoisgtStreamTest, WineGraphOutputEqualsTheNativeTool) {
  orlofx::test::ExpectWineGraphMatchesNativeTool(GetParam(), "noise-gate", kClsidNoisgt);
}

INSTANTIATE_TEST_SUITE_P(Formats, NoisgtStreamTest,
                         ::testing::Values("pcm16_stereo_44100", "pcm8_mono_22050", "pcm32_stereo_48000"));

}  // namespace

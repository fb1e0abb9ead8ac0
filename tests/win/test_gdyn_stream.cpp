// Graphic Dynamics in a host's graph under Wine: Wine's File Source (Async)
// and WAVE Parser feed it, the Sample Grabber collects its output. Despite
// the one-frame hold-back every input frame comes out (the end-of-stream
// drain delivers the last partial frame), equal to the native tool's output
// frame for frame, with continuous time stamps.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/support/wine_graph.h"

namespace {

const CLSID kClsidGdyn = {0xF3B8E880, 0xB4E0, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

class GdynStreamTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(GdynStreamTest, WineGraphOutputEqualsTheNativeTool) {
  orlofx::test::ExpectWineGraphMatchesNativeTool(GetParam(), "graphic-dynamics", kClsidGdyn);
}

// PCM 8 and 16 (single-precision pipeline) and PCM 32 (double pipeline);
// Wine's parser offers float files only in a form the effects do not take.
INSTANTIATE_TEST_SUITE_P(Formats, GdynStreamTest,
                         ::testing::Values("pcm16_stereo_44100", "pcm8_mono_22050", "pcm32_stereo_48000"));

}  // namespace

// Multi-Band Dynamics in a host's graph under Wine: Wine's File Source (Async)
// and WAVE Parser feed it, the Sample Grabber collects its output. Despite
// the one-block hold-back every input frame comes out (the end-of-stream
// drain delivers the last partial block), equal to the native tool's output
// frame for frame, with continuous time stamps.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/support/wine_graph.h"

namespace {

const CLSID kClsidMbdyn = {0x026D0AA0, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

class MbdynStreamTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(MbdynStreamTest, WineGraphOutputEqualsTheNativeTool) {
  orlofx::test::ExpectWineGraphMatchesNativeTool(GetParam(), "multiband-dynamics", kClsidMbdyn);
}

// PCM 8 and 16 (single-precision pipeline) and PCM 32 (double pipeline);
// Wine's parser offers float files only in a form the effects do not take.
INSTANTIATE_TEST_SUITE_P(Formats, MbdynStreamTest,
                         ::testing::Values("pcm16_stereo_44100", "pcm8_mono_22050", "pcm32_stereo_48000"));

}  // namespace

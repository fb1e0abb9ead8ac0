// Each effect in a host's graph under Wine: Wine's File Source (Async) and
// WAVE Parser feed it, the Sample Grabber collects its output. Whatever the
// effect holds back, every input frame comes out, equal to the native tool's
// output frame for frame, with continuous time stamps.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

#include "framework/win/guids.h"
#include "tests/win/support/wine_graph.h"

namespace {

struct StreamEffect {
  const char* cliName;
  const CLSID* classId;
};

void PrintTo(const StreamEffect& e, std::ostream* os) { *os << e.cliName; }

const StreamEffect kEffects[] = {
    {"noise-gate", &CLSID_AkNoisgt},        {"graphic-dynamics", &CLSID_AkGdyn},
    {"multiband-dynamics", &CLSID_AkMbdyn}, {"parametric-eq", &CLSID_AkPmeq},
    {"paragraphic-eq", &CLSID_AkPgeq},      {"graphic-eq", &CLSID_AkGeq},
};

class WineGraphStream : public ::testing::TestWithParam<std::tuple<StreamEffect, const char*>> {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(WineGraphStream, OutputEqualsTheNativeTool) {
  const StreamEffect& effect = std::get<0>(GetParam());
  orlofx::test::ExpectWineGraphMatchesNativeTool(std::get<1>(GetParam()), effect.cliName,
                                                 *effect.classId);
}

std::string CaseName(const ::testing::TestParamInfo<WineGraphStream::ParamType>& info) {
  std::string name = std::string(std::get<0>(info.param).cliName) + "_" + std::get<1>(info.param);
  for (char& c : name)
    if (c == '-') c = '_';
  return name;
}

// PCM 16 (single-precision pipeline) and PCM 32 (double pipeline): the
// formats Wine's parser delivers intact. It alters 8-bit files and offers
// float files only as WAVE_FORMAT_EXTENSIBLE, which the effects do not
// take; those formats stream from our own source in test_filters.cpp.
INSTANTIATE_TEST_SUITE_P(SixEffects, WineGraphStream,
                         ::testing::Combine(::testing::ValuesIn(kEffects),
                                            ::testing::Values("pcm16_stereo_44100", "pcm32_stereo_48000")),
                         CaseName);

}  // namespace

// Each effect in a host's graph under Wine: Wine's File Source (Async) and
// WAVE Parser feed it, our sink records what comes out. Whatever the effect
// holds back, every input frame comes out, equal to the native tool's output
// for the same file frame for frame, with continuous time stamps; and a
// host's seeking through the effect's output pin reaches the parser.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "framework/win/guids.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

struct Wav {
  WAVEFORMATEX format = {};
  std::vector<BYTE> data;
};

// A build's test data file (the native tool's inputs and outputs).
std::string TestData(const std::string& name) { return "..\\testdata\\" + name; }

// The fmt and data chunks of a RIFF WAVE file.
bool ReadWav(const std::string& path, Wav* wav) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(&bytes[8], "WAVE", 4)) return false;
  bool format = false, data = false;
  for (size_t pos = 12; pos + 8 <= bytes.size();) {
    DWORD size = 0;
    std::memcpy(&size, &bytes[pos + 4], 4);
    size = std::min<DWORD>(size, static_cast<DWORD>(bytes.size() - pos - 8));
    const BYTE* body = &bytes[pos + 8];
    if (!std::memcmp(&bytes[pos], "fmt ", 4) && size >= 16) {
      std::memcpy(&wav->format, body, 16);
      format = true;
    } else if (!std::memcmp(&bytes[pos], "data", 4)) {
      wav->data.assign(body, body + size);
      data = true;
    }
    pos += 8 + size + (size & 1);
  }
  return format && data;
}

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
  ComInit com_;
};

ComRef<IBaseFilter> Platform(const CLSID& clsid) {
  ComRef<IBaseFilter> filter;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.put_void()), S_OK);
  return filter;
}

TEST_P(WineGraphStream, OutputEqualsTheNativeToolAndSeekingReachesTheParser) {
  const StreamEffect& fx = std::get<0>(GetParam());
  const std::string name = std::get<1>(GetParam());
  Wav input, expected;
  ASSERT_TRUE(ReadWav(TestData(name + ".wav"), &input)) << name;
  ASSERT_TRUE(ReadWav(TestData(name + "." + fx.cliName + ".wav"), &expected)) << fx.cliName;
  ASSERT_EQ(input.data.size(), expected.data.size()) << "the native tool keeps the length";

  ModuleUnderTest module;
  ComRef<IBaseFilter> effect;
  ASSERT_EQ(module.Create(*fx.classId, IID_IBaseFilter, effect.put()), S_OK);
  FilterGraph graph;
  ComRef<IBaseFilter> reader = Platform(CLSID_AsyncReader), parser = Platform(CLSID_WAVEParser);
  ComRef<TestSink> sink(TestSink::Create());
  ASSERT_TRUE(reader && parser);
  char full[MAX_PATH];
  GetFullPathNameA(TestData(name + ".wav").c_str(), MAX_PATH, full, nullptr);
  const std::wstring path(full, full + std::strlen(full));
  ASSERT_EQ(graph.Add(reader.get(), L"reader"), S_OK);
  ASSERT_EQ(QueryAs<IFileSourceFilter>(reader.get(), IID_IFileSourceFilter)->Load(path.c_str(), nullptr), S_OK);
  ASSERT_EQ(graph.Add(parser.get(), L"parser"), S_OK);
  ASSERT_EQ(graph.Add(effect.get(), L"effect"), S_OK);
  ASSERT_EQ(graph.Add(sink.get(), L"sink"), S_OK);
  ASSERT_EQ(graph.Connect(FindPinByDirection(reader.get(), PINDIR_OUTPUT).get(),
                          FindPinByDirection(parser.get(), PINDIR_INPUT).get()),
            S_OK);
  const ComRef<IPin> parsed = FindPinByDirection(parser.get(), PINDIR_OUTPUT);
  const ComRef<IPin> out = FindPinByDirection(effect.get(), PINDIR_OUTPUT);
  ASSERT_EQ(graph.Connect(parsed.get(), FindPinByDirection(effect.get(), PINDIR_INPUT).get()), S_OK);
  ASSERT_EQ(graph.Connect(out.get(), sink->InputPin()), S_OK);

  LONGLONG parserDuration = -1, duration = -2;
  ASSERT_EQ(QueryAs<IMediaSeeking>(parsed.get(), IID_IMediaSeeking)->GetDuration(&parserDuration), S_OK);
  auto seeking = QueryAs<IMediaSeeking>(out.get(), IID_IMediaSeeking);
  ASSERT_TRUE(seeking) << "the output pin passes seeking upstream";
  EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, parserDuration);
  seeking.reset();

  ASSERT_EQ(graph.RunWithoutClock(), S_OK);
  long code = 0;
  ASSERT_EQ(QueryAs<IMediaEvent>(graph.builder(), IID_IMediaEvent)->WaitForCompletion(60000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  ASSERT_EQ(graph.Stop(), S_OK);
  // A difference here is either the effect or Wine's parser altering the
  // input; the formats chosen are those the parser delivers intact.
  EXPECT_TRUE(sink->AllBytes() == expected.data) << "the filter's output differs from the native tool's";
  const std::vector<ReceivedSample> samples = sink->Samples();
  ASSERT_FALSE(samples.empty());
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_TRUE(samples[i].hasTime) << i;
    if (i > 0) {
      EXPECT_EQ(samples[i].start, samples[i - 1].stop) << "gap before sample " << i;
    }
  }
  const double seconds = double(expected.data.size()) / expected.format.nBlockAlign / expected.format.nSamplesPerSec;
  EXPECT_NEAR(double(samples.back().stop - samples.front().start), seconds * 1e7, double(samples.size()));
}

std::string CaseName(const ::testing::TestParamInfo<WineGraphStream::ParamType>& info) {
  std::string name = std::string(std::get<0>(info.param).cliName) + "_" + std::get<1>(info.param);
  std::replace(name.begin(), name.end(), '-', '_');
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

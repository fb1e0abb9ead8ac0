// The Parametric EQ filter as a host sees it: its property interface called
// slot by slot, persistence and presets, notifications, and streaming in a
// graph with our own source and sink, where the FIR engine's latency and
// drain must give back exactly the input's length with continuous stamps.
#include <windows.h>
#include <objbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "effects/pmeq/pmeq_transform.h"
#include "effects/pmeq/win/pmeq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

const CLSID kClsidPmeq = {0xA8448720, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPmeqProp = {0xA8448723, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

constexpr WORD kPageCommand = 32700;

// --- streaming with our own source and sink ---------------------------------------

class PmeqStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }

  void Build(const WAVEFORMATEX& wf, long bufferSize = 16384) {
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    source_->SetBufferRequest(4, bufferSize);
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(module_.Create(kClsidPmeq, IID_IBaseFilter, eq_.put()), S_OK);
    prop_ = QueryAs<IAkPmeqProp>(eq_.get(), kIidPmeqProp);
    ASSERT_TRUE(prop_);
    ASSERT_EQ(graph_->Add(source_.get(), L"source"), S_OK);
    ASSERT_EQ(graph_->Add(eq_.get(), L"eq"), S_OK);
    ASSERT_EQ(graph_->Add(sink_.get(), L"sink"), S_OK);
    ASSERT_EQ(graph_->Connect(source_->OutputPin(), FindPinByDirection(eq_.get(), PINDIR_INPUT).get()), S_OK);
    ASSERT_EQ(graph_->Connect(FindPinByDirection(eq_.get(), PINDIR_OUTPUT).get(), sink_->InputPin()), S_OK);
  }

  void PushAll(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
      const size_t n = std::min(piece, bytes.size() - at);
      const REFERENCE_TIME s = DurationOf(wf, at);
      ASSERT_EQ(source_->Push(PushSample::Bytes({bytes.begin() + at, bytes.begin() + at + n})
                                  .At(s, s + DurationOf(wf, n))),
                S_OK);
    }
  }

  // Every delivered sample is stamped, each where the last one stopped, the
  // first at 0 and the last where the input ends.
  void ExpectContinuousStamps(const WAVEFORMATEX& wf, size_t totalBytes) {
    const std::vector<ReceivedSample> samples = sink_->Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.front().start, 0);
    for (size_t i = 0; i < samples.size(); ++i) {
      EXPECT_TRUE(samples[i].hasTime) << i;
      if (i > 0) {
        EXPECT_EQ(samples[i].start, samples[i - 1].stop) << i;
      }
    }
    EXPECT_NEAR(double(samples.back().stop), double(DurationOf(wf, totalBytes)),
                double(samples.size()));
  }

  ComInit com_;
  ModuleUnderTest module_;
  std::unique_ptr<FilterGraph> graph_ = std::make_unique<FilterGraph>();
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  ComRef<IBaseFilter> eq_;
  ComRef<IAkPmeqProp> prop_;
};

TEST_F(PmeqStreamingTest, AHundredFramesAtLowAccuracyComeOutOnlyAtTheDrain) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  ASSERT_EQ(prop_->SetAccuracy(0), S_OK);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  const std::vector<BYTE> in = TestSignal(wf, 100);
  ASSERT_EQ(source_->Push(PushSample::Bytes(in).At(0, DurationOf(wf, in.size()))), S_OK);
  EXPECT_EQ(sink_->SampleCount(), 0u) << "100 frames fill no 128-frame block";
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  EXPECT_EQ(sink_->AllBytes().size(), in.size());
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
  ExpectContinuousStamps(wf, in.size());
}

TEST_F(PmeqStreamingTest, AnAccuracyChangeWhileStreamingKeepsLengthAndAlignment) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32);
  Build(wf);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  const std::vector<BYTE> in = TestSignal(wf, 30000);
  const size_t piece = 1000 * wf.nBlockAlign;
  const size_t changeAt = 12;
  for (size_t at = 0, i = 0; at < in.size(); at += piece, ++i) {
    if (i == changeAt) {
      ASSERT_EQ(prop_->SetAccuracy(2), S_OK);
    }
    const size_t n = std::min(piece, in.size() - at);
    ASSERT_EQ(source_->Push(PushSample::Bytes({in.begin() + at, in.begin() + at + n})
                                .At(DurationOf(wf, at), DurationOf(wf, at + n))),
              S_OK);
  }
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);

  orlofx::CAkPmeqTransform reference;
  reference.ApplyPreset(0);
  const std::vector<BYTE> expected = ProcessorOutput(reference, wf, in, piece, [&](size_t i) {
    if (i == changeAt) reference.SetAccuracy(2);
  });
  const std::vector<BYTE> got = sink_->AllBytes();
  ASSERT_EQ(got.size(), in.size());
  EXPECT_TRUE(got == expected);
  ExpectContinuousStamps(wf, in.size());
}

TEST_F(PmeqStreamingTest, UnsupportedFormatsAreRefusedAndConnectionNotifies) {
  const WAVEFORMATEX refused[] = {MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 24),
                                  MakeWaveFormat(WAVE_FORMAT_PCM, 3, 44100, 16)};
  for (const WAVEFORMATEX& wf : refused) {
    FilterGraph graph;
    ComRef<TestPushSource> source(TestPushSource::Create(wf));
    ComRef<IBaseFilter> eq;
    ASSERT_EQ(module_.Create(kClsidPmeq, IID_IBaseFilter, eq.put()), S_OK);
    graph.Add(source.get(), L"source");
    graph.Add(eq.get(), L"eq");
    EXPECT_TRUE(FAILED(graph.Connect(source->OutputPin(), FindPinByDirection(eq.get(), PINDIR_INPUT).get())))
        << wf.wBitsPerSample << " bits, " << wf.nChannels << " channels";
  }

  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 96000, 64);
  source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
  sink_ = ComRef<TestSink>(TestSink::Create());
  ASSERT_EQ(module_.Create(kClsidPmeq, IID_IBaseFilter, eq_.put()), S_OK);
  prop_ = QueryAs<IAkPmeqProp>(eq_.get(), kIidPmeqProp);
  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  graph_->Add(source_.get(), L"source");
  graph_->Add(eq_.get(), L"eq");
  graph_->Add(sink_.get(), L"sink");
  ASSERT_EQ(graph_->Connect(source_->OutputPin(), FindPinByDirection(eq_.get(), PINDIR_INPUT).get()), S_OK);
  ASSERT_EQ(graph_->Connect(FindPinByDirection(eq_.get(), PINDIR_OUTPUT).get(), sink_->InputPin()), S_OK);
  const std::basic_string<DWORD> posted = window.Take();
  EXPECT_NE(posted.find(MAKELONG(kPageCommand, 0)), std::basic_string<DWORD>::npos);
  EXPECT_NE(posted.find(MAKELONG(kPageCommand, 1)), std::basic_string<DWORD>::npos);
  WAVEFORMATEX got = {};
  ASSERT_EQ(prop_->GetFormat(&got, 1), S_OK);
  EXPECT_EQ(std::memcmp(&got, &wf, sizeof wf), 0);
}

}  // namespace

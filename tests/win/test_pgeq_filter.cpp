// The Paragraphic EQ filter as a host meets it: in place in a graph whose
// source and sink are ours (the sample delivered is the sample received,
// with its times and marks), the float transform interface, and the
// property, persistence, preset and notification interfaces through COM.
#include <windows.h>
#include <dshow.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/pgeq/pgeq_transform.h"
#include "effects/pgeq/win/pgeq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

const CLSID kClsidPgeq = {0xD616F3E0, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};
const CLSID kClsidPgeqPage = {0xD616F3E1, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};
const IID kIidPgeqProp = {0xD616F3EF, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};
const IID kIidFloat = {0x8568D2A1, 0x2A86, 0x11D3, {0x9E, 0x94, 0x00, 0xC0, 0x4F, 0x68, 0xBE, 0x44}};
constexpr WORD kPageCommand = 32700;

orlofx::WaveFormat Portable(const WAVEFORMATEX& wf) {
  orlofx::WaveFormat f = {};
  std::memcpy(&f, &wf, sizeof f);
  return f;
}

// A sweep of tones at half scale, as interleaved bytes.
std::vector<BYTE> Signal(const WAVEFORMATEX& wf, int frames) {
  const orlofx::SampleFormat fmt = *orlofx::SampleFormatOf(Portable(wf));
  std::vector<BYTE> bytes(static_cast<size_t>(frames) * wf.nBlockAlign);
  BYTE* p = bytes.data();
  for (int i = 0; i < frames; ++i) {
    const double t = double(i) / wf.nSamplesPerSec;
    for (int c = 0; c < wf.nChannels; ++c, p += wf.wBitsPerSample / 8)
      orlofx::WriteSample<double>(fmt, 0.4 * std::sin(6.2832 * (200 + 4000 * t) * (c + 1) * t), p);
  }
  return bytes;
}

// The portable processor on the same bytes; a discontinuity starts the
// piece at each offset in `breaks`.
std::vector<BYTE> Reference(const WAVEFORMATEX& wf, int preset, std::vector<BYTE> bytes,
                            const std::vector<size_t>& breaks = {}) {
  orlofx::CAkPgeqTransform eq;
  eq.ApplyPreset(preset);
  const orlofx::WaveFormat f = Portable(wf);
  EXPECT_EQ(eq.Prepare(f, f), orlofx::kOk);
  std::vector<size_t> ends = breaks;
  ends.push_back(bytes.size());
  size_t at = 0;
  for (size_t end : ends) {
    std::uint32_t n = static_cast<std::uint32_t>((end - at) / wf.nBlockAlign), m = n;
    eq.Process(at == 0 ? orlofx::kProcessOrdinary : orlofx::kProcessDiscontinuity, bytes.data() + at,
               &n, bytes.data() + at, &m);
    at = end;
  }
  return bytes;
}

REFERENCE_TIME Duration(const WAVEFORMATEX& wf, size_t bytes) {
  return static_cast<REFERENCE_TIME>(double(bytes / wf.nBlockAlign) / wf.nSamplesPerSec * 1e7 + 0.5);
}

class PgeqFilterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }

  void Create() { ASSERT_EQ(module_.Create(kClsidPgeq, IID_IBaseFilter, eq_.put()), S_OK); }

  // source -> eq -> sink, running without a clock.
  void Build(const WAVEFORMATEX& wf, int preset) {
    Create();
    auto presets = QueryAs<IStaticFilterPreset>(eq_.get(), IID_IStaticFilterPreset);
    ASSERT_EQ(presets->ApplyPreset(preset), S_OK);
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(graph_->Add(source_.get(), L"source"), S_OK);
    ASSERT_EQ(graph_->Add(eq_.get(), L"eq"), S_OK);
    ASSERT_EQ(graph_->Add(sink_.get(), L"sink"), S_OK);
    ASSERT_EQ(graph_->Connect(source_->OutputPin(), FindPinByDirection(eq_.get(), PINDIR_INPUT).get()), S_OK);
    ASSERT_EQ(graph_->Connect(FindPinByDirection(eq_.get(), PINDIR_OUTPUT).get(), sink_->InputPin()), S_OK);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  }

  // Pushes `bytes` in pieces with continuous stamps; a discontinuity mark
  // on the piece starting at `markAt`. Checks that each piece arrives as
  // the very sample pushed, at once.
  void PushAll(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece,
               size_t markAt = SIZE_MAX) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
      const size_t n = std::min(piece, bytes.size() - at);
      const REFERENCE_TIME s = Duration(wf, at);
      ASSERT_EQ(source_->Push(PushSample::Bytes({bytes.begin() + at, bytes.begin() + at + n})
                                  .At(s, s + Duration(wf, n))
                                  .Discontinuity(at == markAt)),
                S_OK);
      const std::vector<ReceivedSample> got = sink_->Samples();
      ASSERT_FALSE(got.empty());
      EXPECT_EQ(got.back().identity, source_->LastPushedSample()) << "a copy was delivered";
      EXPECT_EQ(got.back().start, s) << "no latency";
      EXPECT_EQ(got.back().stop, s + Duration(wf, n));
      EXPECT_EQ(got.back().discontinuity, at == markAt);
    }
  }

  ComInit com_;
  ModuleUnderTest module_;
  std::unique_ptr<FilterGraph> graph_ = std::make_unique<FilterGraph>();
  ComRef<IBaseFilter> eq_;
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
};

TEST_F(PgeqFilterTest, DiscontinuityStartsTheFiltersAfresh) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32);
  const std::vector<BYTE> in = Signal(wf, 8000);
  Build(wf, 3);
  PushAll(wf, in, 8000, 16000);
  graph_->Stop();
  const std::vector<BYTE> out = sink_->AllBytes();
  EXPECT_TRUE(out == Reference(wf, 3, in, {16000}));
  EXPECT_FALSE(out == Reference(wf, 3, in));
}

TEST_F(PgeqFilterTest, MediaTypesAndTheFormatTheEffectReports) {
  Create();
  auto prop = QueryAs<IAkPgeqProp>(eq_.get(), kIidPgeqProp);
  ASSERT_TRUE(prop);
  WAVEFORMATEX wf = {};
  EXPECT_EQ(prop->GetFormat(&wf), VFW_E_NOT_CONNECTED);
  NotificationWindow window;
  ASSERT_EQ(prop->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);

  ComRef<IPin> input = FindPinByDirection(eq_.get(), PINDIR_INPUT);
  ComRef<IPin> output = FindPinByDirection(eq_.get(), PINDIR_OUTPUT);
  ASSERT_TRUE(input && output);
  CMediaType type;
  for (const WAVEFORMATEX& refused :
       {MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 24), MakeWaveFormat(WAVE_FORMAT_PCM, 3, 44100, 16),
        MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 16)}) {
    MakeAudioType(refused, &type);
    EXPECT_NE(input->QueryAccept(&type), S_OK);
  }

  WAVEFORMATEX odd = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 48000, 32);
  odd.nAvgBytesPerSec = 7;  // normalised when stored
  source_ = ComRef<TestPushSource>(TestPushSource::Create(odd));
  sink_ = ComRef<TestSink>(TestSink::Create());
  ASSERT_EQ(graph_->Add(source_.get(), L"source"), S_OK);
  ASSERT_EQ(graph_->Add(eq_.get(), L"eq"), S_OK);
  ASSERT_EQ(graph_->Add(sink_.get(), L"sink"), S_OK);
  ASSERT_EQ(graph_->Connect(source_->OutputPin(), input.get()), S_OK);
  ASSERT_EQ(graph_->Connect(output.get(), sink_->InputPin()), S_OK);
  ASSERT_EQ(prop->GetFormat(&wf), S_OK);
  EXPECT_EQ(wf.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
  EXPECT_EQ(wf.nChannels, 2);
  EXPECT_EQ(wf.nSamplesPerSec, 48000u);
  EXPECT_EQ(wf.nBlockAlign, 8);
  EXPECT_EQ(wf.nAvgBytesPerSec, 48000u * 8);
  EXPECT_EQ(wf.cbSize, 0);
  const CMediaType downstream = sink_->ConnectionType();
  ASSERT_NE(WaveFormatOf(downstream), nullptr);
  EXPECT_TRUE(SameAudioFormat(*WaveFormatOf(downstream), wf)) << "output type = input type";

  const std::basic_string<DWORD> posted = window.Take();
  EXPECT_NE(posted.find(MAKELONG(kPageCommand, 0)), std::basic_string<DWORD>::npos);
  EXPECT_NE(posted.find(MAKELONG(kPageCommand, 1)), std::basic_string<DWORD>::npos);
}

TEST_F(PgeqFilterTest, PropertyInterfaceClampsAndAddressesBandsByIndex) {
  Create();
  auto prop = QueryAs<IAkPgeqProp>(eq_.get(), kIidPgeqProp);
  ASSERT_TRUE(prop);
  long v = 0;
  ASSERT_EQ(prop->SetBand2Gain(-60), S_OK);
  ASSERT_EQ(prop->SetBand3Width(99), S_OK);
  ASSERT_EQ(prop->SetBand4Center(5), S_OK);
  EXPECT_EQ(prop->GetBandGain(&v, 1), S_OK);
  EXPECT_EQ(v, -60);
  EXPECT_EQ(prop->GetBand2Gain(&v), S_OK);
  EXPECT_EQ(v, -60);
  EXPECT_EQ(prop->GetBandWidth(&v, 2), S_OK);
  EXPECT_EQ(v, 25);
  EXPECT_EQ(prop->GetBandCenter(&v, 3), S_OK);
  EXPECT_EQ(v, 20);
  EXPECT_EQ(prop->GetBandCenter(&v, 4), E_INVALIDARG);
  EXPECT_EQ(prop->GetBandGain(nullptr, 0), E_POINTER);

  ASSERT_EQ(prop->SetHighlightBand(7), S_OK);
  EXPECT_EQ(prop->GetHighlightBand(&v), S_OK);
  EXPECT_EQ(v, 4);
  PgeqParams p = {};
  ASSERT_EQ(prop->GetParams(&p), S_OK);
  p.highlightBand = -2;
  p.highShelfFrequency = 25000;
  ASSERT_EQ(prop->SetParams(&p), S_OK);
  EXPECT_EQ(prop->GetHighlightBand(&v), S_OK);
  EXPECT_EQ(v, -2);
  EXPECT_EQ(prop->GetHighShelfFrequency(&v), S_OK);
  EXPECT_EQ(v, 20000);
  EXPECT_EQ(prop->SetDryOut(-300), S_OK);
  EXPECT_EQ(prop->GetDryOut(&v), S_OK);
  EXPECT_EQ(v, -250);
}

// --- the float transform interface ---------------------------------------------------

TEST_F(PgeqFilterTest, FloatTransformRunsTheFilterPathsEngine) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32);
  const std::vector<BYTE> in = Signal(wf, 6000);
  Build(wf, 4);
  PushAll(wf, in, 6000);
  graph_->Stop();
  const std::vector<BYTE> viaGraph = sink_->AllBytes();

  ComRef<IBaseFilter> other;
  ASSERT_EQ(module_.Create(kClsidPgeq, IID_IBaseFilter, other.put()), S_OK);
  auto floats = QueryAs<IAkAudioTransformFloat>(other.get(), kIidFloat);
  ASSERT_TRUE(floats);
  QueryAs<IStaticFilterPreset>(other.get(), IID_IStaticFilterPreset)->ApplyPreset(4);
  ASSERT_EQ(floats->Init(2, 44100), S_OK);
  std::vector<float> samples(in.size() / sizeof(float));
  std::memcpy(samples.data(), in.data(), in.size());
  // Different pieces from the graph's: the state carries across calls.
  for (size_t at = 0; at < samples.size(); at += 2 * 1100) {
    const DWORD frames = static_cast<DWORD>(std::min<size_t>(1100, (samples.size() - at) / 2));
    ASSERT_EQ(floats->Process(samples.data() + at, frames, FALSE), S_OK);
  }
  EXPECT_EQ(0, std::memcmp(samples.data(), viaGraph.data(), viaGraph.size()));
  floats->Stop();
}

TEST_F(PgeqFilterTest, FloatTransformChangeUpdateDrainAndStop) {
  Create();
  auto floats = QueryAs<IAkAudioTransformFloat>(eq_.get(), kIidFloat);
  auto prop = QueryAs<IAkPgeqProp>(eq_.get(), kIidPgeqProp);
  ASSERT_TRUE(floats && prop);
  ASSERT_EQ(floats->Init(1, 44100), S_OK);
  WAVEFORMATEX wf = {};
  ASSERT_EQ(prop->GetFormat(&wf), S_OK);
  EXPECT_EQ(wf.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
  EXPECT_EQ(wf.nBlockAlign, 4);

  EXPECT_EQ(floats->IsChanged(), S_FALSE);
  EXPECT_EQ(floats->Update(FALSE, 0, 0), S_FALSE);
  prop->SetBand1Gain(120);
  EXPECT_EQ(floats->IsChanged(), S_OK);
  EXPECT_EQ(floats->IsChanged(), S_OK);
  EXPECT_EQ(floats->Update(FALSE, 0, 0), S_OK);
  EXPECT_EQ(floats->IsChanged(), S_FALSE);
  EXPECT_EQ(floats->Update(TRUE, 0, 0), S_OK);

  DWORD value = 77;
  EXPECT_EQ(floats->QueryValue(3, &value), S_FALSE);
  EXPECT_EQ(value, 0u);

  // An impulse rings in the band; draining goes on until it is quiet.
  std::vector<float> buffer(512, 0.0f);
  buffer[0] = 1.0f;
  ASSERT_EQ(floats->Process(buffer.data(), 512, FALSE), S_OK);
  int calls = 0;
  HRESULT hr = S_OK;
  while ((hr = floats->Process(buffer.data(), 512, TRUE)) == S_OK && ++calls < 1000)
    std::fill(buffer.begin(), buffer.end(), 0.0f);
  EXPECT_EQ(hr, S_FALSE);
  EXPECT_GT(calls, 0);

  // The float Stop ends the float stream, not the filter's graph state.
  FILTER_STATE state = State_Running;
  ASSERT_EQ(floats->Stop(), S_OK);
  EXPECT_EQ(floats->Process(buffer.data(), 512, FALSE), E_UNEXPECTED);
  ASSERT_EQ(eq_->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  ASSERT_EQ(floats->Init(1, 44100), S_OK);
  ASSERT_EQ(eq_->Stop(), S_OK);  // the graph's Stop leaves the float stream alone
  EXPECT_EQ(floats->Process(buffer.data(), 512, FALSE), S_OK);
}

}  // namespace

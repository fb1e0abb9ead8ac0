// The Graphic EQ filter as a host and its three pages see it: the property
// interface called slot by slot (twenty band slots, the envelope, the
// sample rate), the 624-byte record and presets, six notification
// registrations, and streaming with our own source and sink, including the
// changes that re-prepare the stream while it runs.
#include <windows.h>
#include <objbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "effects/geq/geq_transform.h"
#include "effects/geq/win/geq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

const CLSID kClsidGeq = {0x8B7226EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const IID kIidGeqProp = {0x8B722AEE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};

constexpr WORD kPageCommand = 32700;

// Slots after the property interface's IUnknown part.
constexpr int kSlotGetSampleRate = 53, kSlotSetEnvelope = 54, kSlotGetEnvelope = 55;

using SetEnvelopeFn = HRESULT(STDMETHODCALLTYPE*)(void*, const GeqPoint*, DWORD);
using GetEnvelopeFn = HRESULT(STDMETHODCALLTYPE*)(void*, GeqPoint*, DWORD*);
using GetRateFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD*);

class GeqFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(kClsidGeq, kIidGeqProp, prop_.put()), S_OK);
    persist_ = QueryAs<IPersistStream>(prop_.get(), IID_IPersistStream);
    presets_ = QueryAs<IStaticFilterPreset>(prop_.get(), IID_IStaticFilterPreset);
    ASSERT_TRUE(persist_);
    ASSERT_TRUE(presets_);
  }

  GeqParams Params() {
    GeqParams p = {};
    EXPECT_EQ(prop_->GetParams(&p), S_OK);
    return p;
  }
  std::vector<GeqPoint> Envelope() {
    GeqPoint points[64] = {};
    DWORD count = 0;
    void* raw = prop_.get();
    EXPECT_EQ(SlotOf<GetEnvelopeFn>(raw, kSlotGetEnvelope)(raw, points, &count), S_OK);
    return std::vector<GeqPoint>(points, points + count);
  }

  ComInit com_;
  ModuleUnderTest module_;
  ComRef<IAkGeqProp> prop_;
  ComRef<IPersistStream> persist_;
  ComRef<IStaticFilterPreset> presets_;
};

TEST_F(GeqFilterTest, TheEnvelopeRoundTripsUnclampedAndBadCountsAreHandled) {
  void* raw = prop_.get();
  DWORD rate = 0;
  EXPECT_EQ(SlotOf<GetRateFn>(raw, kSlotGetSampleRate)(raw, &rate), S_OK);
  EXPECT_EQ(rate, 44100u) << "the rate while the input is not connected";
  const GeqPoint three[] = {{0, -500}, {4321, 123}, {10000, 400}};
  ASSERT_EQ(SlotOf<SetEnvelopeFn>(raw, kSlotSetEnvelope)(raw, three, 3), S_OK);
  std::vector<GeqPoint> env = Envelope();
  ASSERT_EQ(env.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(env[i].x, three[i].x);
    EXPECT_EQ(env[i].y, three[i].y);
  }

  // One point cannot make a curve: refused, nothing changes.
  EXPECT_EQ(SlotOf<SetEnvelopeFn>(raw, kSlotSetEnvelope)(raw, three, 1), E_INVALIDARG);
  EXPECT_EQ(Envelope().size(), 3u);

  // More than the record holds: the first 64 are taken, nothing is overrun.
  std::vector<GeqPoint> many(100);
  for (int i = 0; i < 100; ++i) many[i] = {i * 100, i};
  ASSERT_EQ(SlotOf<SetEnvelopeFn>(raw, kSlotSetEnvelope)(raw, many.data(), 100), S_OK);
  env = Envelope();
  ASSERT_EQ(env.size(), 64u);
  EXPECT_EQ(env[63].x, 6300);
  const GeqParams p = Params();
  EXPECT_EQ(p.pointCount, 64);
  EXPECT_EQ(p.outputGain, 0) << "the field after the points is untouched";
}

// --- streaming with our own source and sink ---------------------------------------

class GeqStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }

  void Build(const WAVEFORMATEX& wf) {
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    source_->SetBufferRequest(4, 16384);
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(module_.Create(kClsidGeq, IID_IBaseFilter, eq_.put()), S_OK);
    prop_ = QueryAs<IAkGeqProp>(eq_.get(), kIidGeqProp);
    ASSERT_TRUE(prop_);
    ASSERT_EQ(graph_->Add(source_.get(), L"source"), S_OK);
    ASSERT_EQ(graph_->Add(eq_.get(), L"eq"), S_OK);
    ASSERT_EQ(graph_->Add(sink_.get(), L"sink"), S_OK);
    ASSERT_EQ(graph_->Connect(source_->OutputPin(), FindPinByDirection(eq_.get(), PINDIR_INPUT).get()), S_OK);
    ASSERT_EQ(graph_->Connect(FindPinByDirection(eq_.get(), PINDIR_OUTPUT).get(), sink_->InputPin()), S_OK);
  }

  // Pushes in pieces; before piece i, change(i) may alter the settings.
  void PushAll(const WAVEFORMATEX& wf, const std::vector<BYTE>& in, size_t piece,
               const std::function<void(size_t)>& change = nullptr) {
    for (size_t at = 0, i = 0; at < in.size(); at += piece, ++i) {
      if (change) change(i);
      const size_t n = std::min(piece, in.size() - at);
      ASSERT_EQ(source_->Push(PushSample::Bytes({in.begin() + at, in.begin() + at + n})
                                  .At(DurationOf(wf, at), DurationOf(wf, at + n))),
                S_OK);
    }
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  }

  void ExpectWholeAndContinuous(const WAVEFORMATEX& wf, size_t totalBytes) {
    EXPECT_EQ(sink_->AllBytes().size(), totalBytes);
    const std::vector<ReceivedSample> samples = sink_->Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.front().start, 0);
    for (size_t i = 1; i < samples.size(); ++i) EXPECT_EQ(samples[i].start, samples[i - 1].stop) << i;
    EXPECT_NEAR(double(samples.back().stop), double(DurationOf(wf, totalBytes)),
                double(samples.size()));
  }

  ComInit com_;
  ModuleUnderTest module_;
  std::unique_ptr<FilterGraph> graph_ = std::make_unique<FilterGraph>();
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  ComRef<IBaseFilter> eq_;
  ComRef<IAkGeqProp> prop_;
};

TEST_F(GeqStreamingTest, AccuracyPointCountAndWholeRecordChangesRestartWithoutLosingFrames) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32);
  Build(wf);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  const std::vector<BYTE> in = TestSignal(wf, 40000);
  const size_t piece = 1500 * wf.nBlockAlign;
  GeqParams whole = {};
  ASSERT_EQ(prop_->GetParams(&whole), S_OK);
  whole.accuracy = 2;
  // Each of these re-prepares the stream for a new FFT size; the block in
  // progress is finished with the old kernel first.
  auto change = [&](size_t i, auto* target) {
    if (i == 5) target->SetAccuracy(0);
    if (i == 10) target->SetPointCount(3);
    if (i == 15) target->SetParams(&whole);
  };
  PushAll(wf, in, piece, [&](size_t i) { change(i, prop_.get()); });

  orlofx::CAkGeqTransform reference;
  reference.ApplyPreset(0);
  const std::vector<BYTE> expected =
      ProcessorOutput(reference, wf, in, piece, [&](size_t i) { change(i, &reference); });
  EXPECT_TRUE(sink_->AllBytes() == expected);
  ExpectWholeAndContinuous(wf, in.size());
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
}

}  // namespace

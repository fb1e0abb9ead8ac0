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
const CLSID kClsidGeqPage = {0x8B7227EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const CLSID kClsidGeqPage2 = {0x8B7228EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const CLSID kClsidGeqPage3 = {0x8B7229EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const IID kIidGeqProp = {0x8B722AEE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};

constexpr WORD kPageCommand = 32700;

// Slots after the property interface's IUnknown part.
constexpr int kSlotFirstBandGet = 7;  // band k: get 7 + 2k, set 8 + 2k
constexpr int kSlotGetAccuracy = 47, kSlotSetAccuracy = 48;
constexpr int kSlotGetPointCount = 49, kSlotSetPointCount = 50;
constexpr int kSlotGetOutputGain = 51, kSlotSetOutputGain = 52;
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

TEST_F(GeqFilterTest, ANewFilterHasTheIdentityEnvelopeAndThreePagesInOrder) {
  const std::vector<GeqPoint> env = Envelope();
  ASSERT_EQ(env.size(), 2u);
  EXPECT_EQ(env[0].x, 0);
  EXPECT_EQ(env[0].y, 0);
  EXPECT_EQ(env[1].x, 10000);
  EXPECT_EQ(env[1].y, 0);
  EXPECT_EQ(Params().accuracy, 1);
  EXPECT_EQ(persist_->IsDirty(), S_OK);

  auto pages = QueryAs<ISpecifyPropertyPages>(prop_.get(), IID_ISpecifyPropertyPages);
  ASSERT_TRUE(pages);
  CAUUID list = {};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 3u);
  EXPECT_TRUE(list.pElems[0] == kClsidGeqPage3);
  EXPECT_TRUE(list.pElems[1] == kClsidGeqPage);
  EXPECT_TRUE(list.pElems[2] == kClsidGeqPage2);
  CoTaskMemFree(list.pElems);
}

TEST_F(GeqFilterTest, EachBandSlotReachesItsOwnBandAndClamps) {
  void* raw = prop_.get();
  for (int k = 0; k < 20; ++k)
    EXPECT_EQ(SetAndGetThroughSlots(raw, kSlotFirstBandGet + 2 * k + 1, kSlotFirstBandGet + 2 * k,
                                    -10 * k - 5),
              -10 * k - 5)
        << "band " << k + 1;
  const GeqParams p = Params();
  for (int k = 0; k < 20; ++k) EXPECT_EQ(p.bandGain[k], -10 * k - 5) << "band " << k + 1;
  EXPECT_EQ(SetAndGetThroughSlots(raw, 8, 7, 1000), 240);
  EXPECT_EQ(SetAndGetThroughSlots(raw, 46, 45, -1000), -480);

  EXPECT_EQ(SetAndGetThroughSlots(raw, kSlotSetAccuracy, kSlotGetAccuracy, 9), 9);
  EXPECT_EQ(SetAndGetThroughSlots(raw, kSlotSetPointCount, kSlotGetPointCount, 1), 2);
  EXPECT_EQ(SetAndGetThroughSlots(raw, kSlotSetPointCount, kSlotGetPointCount, 99), 64);
  EXPECT_EQ(SetAndGetThroughSlots(raw, kSlotSetOutputGain, kSlotGetOutputGain, -700), -600);
  EXPECT_EQ(SetAndGetThroughSlots(raw, kSlotSetOutputGain, kSlotGetOutputGain, 300), 200);

  DWORD rate = 0;
  EXPECT_EQ(SlotOf<GetRateFn>(raw, kSlotGetSampleRate)(raw, &rate), S_OK);
  EXPECT_EQ(rate, 44100u) << "the rate while the input is not connected";
}

TEST_F(GeqFilterTest, TheEnvelopeRoundTripsUnclampedAndBadCountsAreHandled) {
  void* raw = prop_.get();
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

TEST_F(GeqFilterTest, TheRecordIs624BytesAndRestoresEverythingInAFreshFilter) {
  ULARGE_INTEGER size = {};
  ASSERT_EQ(persist_->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, 624u);
  ASSERT_EQ(presets_->ApplyPreset(3), S_OK);
  ASSERT_EQ(prop_->SetBand7Gain(-33), S_OK);
  ASSERT_EQ(prop_->SetOutputGain(-25), S_OK);
  const std::vector<BYTE> bytes = SaveToMemory(persist_.get());
  ASSERT_EQ(bytes.size(), 624u);
  DWORD head = 0;
  std::memcpy(&head, bytes.data(), 4);
  EXPECT_EQ(head, 624u);
  EXPECT_EQ(std::memcmp(bytes.data() + 4, &kIidGeqProp, 16), 0);
  const GeqParams saved = Params();
  EXPECT_EQ(std::memcmp(bytes.data() + 20, &saved, sizeof saved), 0);

  ComRef<IAkGeqProp> fresh;
  ASSERT_EQ(module_.Create(kClsidGeq, kIidGeqProp, fresh.put()), S_OK);
  NotificationWindow window;
  ASSERT_EQ(fresh->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_EQ(LoadFromMemory(QueryAs<IPersistStream>(fresh.get(), IID_IPersistStream).get(), bytes), S_OK);
  GeqParams loaded = {};
  fresh->GetParams(&loaded);
  EXPECT_EQ(std::memcmp(&loaded, &saved, sizeof saved), 0);
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));

  std::vector<BYTE> wrong = bytes;
  wrong[0] = 0x71;  // 625
  wrong.push_back(0);
  EXPECT_EQ(LoadFromMemory(persist_.get(), wrong), E_FAIL);
  std::vector<BYTE> pmeqTag = bytes;
  const IID other = {0xA8448723, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
  std::memcpy(pmeqTag.data() + 4, &other, 16);
  EXPECT_EQ(LoadFromMemory(persist_.get(), pmeqTag), E_FAIL);
}

TEST_F(GeqFilterTest, NinePresetsReplaceTheEnvelopeAndNotify) {
  long count = 0;
  ASSERT_EQ(presets_->GetPresetCount(&count), S_OK);
  ASSERT_EQ(count, 9);
  WCHAR name[260];
  ASSERT_EQ(presets_->GetPresetName(8, name, 260), S_OK);
  EXPECT_STREQ(name, L"Notch frequencies around 450 Hz");
  EXPECT_EQ(presets_->GetPresetName(9, name, 260), E_INVALIDARG);
  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_EQ(presets_->ApplyPreset(2), S_OK);
  const std::vector<GeqPoint> env = Envelope();
  ASSERT_EQ(env.size(), 3u);
  EXPECT_EQ(env[0].y, -500);
  EXPECT_EQ(env[1].x, 2673);
  EXPECT_EQ(presets_->ApplyPreset(9), E_INVALIDARG);
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
}

TEST_F(GeqFilterTest, SixWindowsCanRegisterAndASeventhIsRefused) {
  std::vector<std::unique_ptr<NotificationWindow>> windows;
  for (int i = 0; i < 7; ++i) windows.push_back(std::make_unique<NotificationWindow>());
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(prop_->SetNotifyWindow(windows[i]->Handle(), kPageCommand), S_OK) << i;
  EXPECT_EQ(prop_->SetNotifyWindow(windows[6]->Handle(), kPageCommand), E_OUTOFMEMORY);
  ASSERT_EQ(presets_->ApplyPreset(0), S_OK);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(windows[i]->Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100))) << i;
  EXPECT_TRUE(windows[6]->Take().empty());
  // A window that has gone frees its entry at the next notification.
  windows[2].reset();
  ASSERT_EQ(presets_->ApplyPreset(0), S_OK);
  EXPECT_EQ(prop_->SetNotifyWindow(windows[6]->Handle(), kPageCommand), S_OK);
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

TEST_F(GeqStreamingTest, SinglePrecisionAndDoubleStreamsEqualTheProcessor) {
  const WAVEFORMATEX formats[] = {MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16),
                                  MakeWaveFormat(WAVE_FORMAT_PCM, 1, 48000, 32),
                                  MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 22050, 64)};
  for (const WAVEFORMATEX& wf : formats) {
    SCOPED_TRACE(wf.wBitsPerSample);
    graph_ = std::make_unique<FilterGraph>();
    Build(wf);
    ASSERT_EQ(QueryAs<IStaticFilterPreset>(eq_.get(), IID_IStaticFilterPreset)->ApplyPreset(8), S_OK);
    ASSERT_EQ(prop_->SetOutputGain(-60), S_OK);
    DWORD rate = 0;
    ASSERT_EQ(prop_->GetSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, wf.nSamplesPerSec);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
    const std::vector<BYTE> in = TestSignal(wf, wf.nSamplesPerSec / 4 + 3);
    const size_t piece = 300 * wf.nBlockAlign;
    PushAll(wf, in, piece);

    orlofx::CAkGeqTransform reference;
    reference.ApplyPreset(8);
    reference.SetOutputGain(-60);
    const std::vector<BYTE> expected = ProcessorOutput(reference, wf, in, piece);
    EXPECT_TRUE(sink_->AllBytes() == expected);
    ExpectWholeAndContinuous(wf, in.size());
    graph_->Stop();
  }
}

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

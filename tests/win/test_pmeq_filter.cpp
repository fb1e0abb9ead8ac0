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
const CLSID kClsidPmeqPage = {0xA8448721, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPmeqProp = {0xA8448723, 0x96FD, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

constexpr WORD kPageCommand = 32700;

PmeqParams Fields(long type, long freq, long width, long amount, long gain, long accuracy) {
  return PmeqParams{type, freq, width, amount, gain, accuracy};
}

bool Same(const PmeqParams& a, const PmeqParams& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class PmeqFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(kClsidPmeq, kIidPmeqProp, prop_.put()), S_OK);
    persist_ = QueryAs<IPersistStream>(prop_.get(), IID_IPersistStream);
    presets_ = QueryAs<IStaticFilterPreset>(prop_.get(), IID_IStaticFilterPreset);
    ASSERT_TRUE(persist_);
    ASSERT_TRUE(presets_);
  }

  PmeqParams Params() {
    PmeqParams p = {};
    EXPECT_EQ(prop_->GetParams(&p), S_OK);
    return p;
  }

  ComInit com_;
  ModuleUnderTest module_;
  ComRef<IAkPmeqProp> prop_;
  ComRef<IPersistStream> persist_;
  ComRef<IStaticFilterPreset> presets_;
};

TEST_F(PmeqFilterTest, ANewFilterHasTheDefaultPresetOnePageAndIsDirty) {
  EXPECT_TRUE(Same(Params(), Fields(2, 650, 10, -40, 0, 1)));
  EXPECT_EQ(persist_->IsDirty(), S_OK);
  auto pages = QueryAs<ISpecifyPropertyPages>(prop_.get(), IID_ISpecifyPropertyPages);
  ASSERT_TRUE(pages);
  CAUUID list = {};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_TRUE(list.pElems[0] == kClsidPmeqPage);
  CoTaskMemFree(list.pElems);
  CLSID id = {};
  EXPECT_EQ(persist_->GetClassID(&id), S_OK);
  EXPECT_TRUE(id == kClsidPmeq);
}

TEST_F(PmeqFilterTest, EachSlotSetsAndClampsItsOwnField) {
  void* raw = prop_.get();
  struct Case {
    int set, get;
    long value, stored;
  } cases[] = {
      {8, 7, 7, 7},            // filter type: not clamped
      {10, 9, 5, 5},           // accuracy: not clamped
      {12, 11, 30000, 22050},  // frequency 20..22050
      {12, 11, 5, 20},
      {14, 13, 0, 1},  // width 1..50
      {14, 13, 99, 50},
      {16, 15, -1000, -600},  // amount -600..200
      {16, 15, 250, 200},
      {18, 17, 500, 200},  // output gain -600..200 through its own setter
      {18, 17, -601, -600},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SetAndGetThroughSlots(raw, c.set, c.get, c.value), c.stored) << "slot " << c.set;
  // The slots wrote the fields they name, and nothing else.
  EXPECT_TRUE(Same(Params(), Fields(7, 20, 50, 200, -600, 5)));

  // The whole-record setter keeps the output gain as given.
  using SetParamsFn = HRESULT(STDMETHODCALLTYPE*)(void*, const PmeqParams*);
  using GetParamsFn = HRESULT(STDMETHODCALLTYPE*)(void*, PmeqParams*);
  const PmeqParams loud = Fields(3, 90000, 70, -900, 500, 0);
  ASSERT_EQ(SlotOf<SetParamsFn>(raw, 4)(raw, &loud), S_OK);
  PmeqParams got = {};
  ASSERT_EQ(SlotOf<GetParamsFn>(raw, 3)(raw, &got), S_OK);
  EXPECT_TRUE(Same(got, Fields(3, 22050, 50, -600, 500, 0)));

  using GetFormatFn = HRESULT(STDMETHODCALLTYPE*)(void*, WAVEFORMATEX*, int);
  WAVEFORMATEX wf = {};
  EXPECT_EQ(SlotOf<GetFormatFn>(raw, 5)(raw, &wf, 0), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(SlotOf<GetFormatFn>(raw, 5)(raw, &wf, 2), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(prop_->GetFrequency(nullptr), E_POINTER);
}

TEST_F(PmeqFilterTest, OnlyRealChangesMakeTheSettingsDirty) {
  ASSERT_FALSE(SaveToMemory(persist_.get(), TRUE).empty());
  EXPECT_EQ(persist_->IsDirty(), S_FALSE);
  EXPECT_EQ(prop_->SetFrequency(650), S_OK);
  EXPECT_EQ(prop_->SetWidth(10), S_OK);
  EXPECT_EQ(persist_->IsDirty(), S_FALSE) << "equal values change nothing";
  EXPECT_EQ(prop_->SetAmount(-41), S_OK);
  EXPECT_EQ(persist_->IsDirty(), S_OK);
  ASSERT_FALSE(SaveToMemory(persist_.get(), FALSE).empty());
  EXPECT_EQ(persist_->IsDirty(), S_OK) << "a save without clear-dirty leaves it dirty";
}

TEST_F(PmeqFilterTest, TheRecordIs44BytesAndRestoresEverySettingInAFreshFilter) {
  ULARGE_INTEGER size = {};
  ASSERT_EQ(persist_->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, 44u);
  const PmeqParams set = Fields(1, 6000, 5, -400, -35, 2);
  ASSERT_EQ(prop_->SetParams(&set), S_OK);
  const std::vector<BYTE> bytes = SaveToMemory(persist_.get());
  ASSERT_EQ(bytes.size(), 44u);
  DWORD head = 0;
  std::memcpy(&head, bytes.data(), 4);
  EXPECT_EQ(head, 44u);
  EXPECT_EQ(std::memcmp(bytes.data() + 4, &kIidPmeqProp, 16), 0);
  EXPECT_EQ(std::memcmp(bytes.data() + 20, &set, 24), 0);

  ComRef<IAkPmeqProp> fresh;
  ASSERT_EQ(module_.Create(kClsidPmeq, kIidPmeqProp, fresh.put()), S_OK);
  auto freshPersist = QueryAs<IPersistStream>(fresh.get(), IID_IPersistStream);
  NotificationWindow window;
  ASSERT_EQ(fresh->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_EQ(LoadFromMemory(freshPersist.get(), bytes), S_OK);
  PmeqParams got = {};
  fresh->GetParams(&got);
  EXPECT_TRUE(Same(got, set));
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
}

TEST_F(PmeqFilterTest, RecordsOfAnotherSizeOrTagAreRefusedAndChangeNothing) {
  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  std::vector<BYTE> good = SaveToMemory(persist_.get());
  ASSERT_EQ(good.size(), 44u);
  std::vector<BYTE> changed = good;
  const LONG freq = 3000;
  std::memcpy(changed.data() + 24, &freq, 4);

  std::vector<BYTE> longer = changed;
  longer[0] = 45;
  longer.push_back(0);
  EXPECT_EQ(LoadFromMemory(persist_.get(), longer), E_FAIL);
  std::vector<BYTE> otherTag = changed;
  otherTag[4] ^= 1;
  EXPECT_EQ(LoadFromMemory(persist_.get(), otherTag), E_FAIL);
  EXPECT_EQ(Params().frequency, 650);
  EXPECT_TRUE(window.Take().empty()) << "a refused record notifies nothing";

  std::vector<BYTE> cut(changed.begin(), changed.end() - 4);
  EXPECT_TRUE(FAILED(LoadFromMemory(persist_.get(), cut)));
  EXPECT_EQ(Params().frequency, 650) << "a short field read changes nothing";
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
}

TEST_F(PmeqFilterTest, PresetsHaveNamesRowsAndNotify) {
  long count = 0;
  ASSERT_EQ(presets_->GetPresetCount(&count), S_OK);
  ASSERT_EQ(count, 6);
  WCHAR name[260];
  ASSERT_EQ(presets_->GetPresetName(0, name, 260), S_OK);
  EXPECT_STREQ(name, L"(Default)");
  ASSERT_EQ(presets_->GetPresetName(3, name, 260), S_OK);
  EXPECT_STREQ(name, L"Hiss removal (cut frequencies above 6 kHz by 40 dB)");
  EXPECT_EQ(presets_->GetPresetName(6, name, 260), E_INVALIDARG);

  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_EQ(presets_->ApplyPreset(5), S_OK);
  EXPECT_TRUE(Same(Params(), Fields(3, 1500, 10, -250, 0, 2)));
  ASSERT_EQ(presets_->ApplyPreset(2), S_OK);
  EXPECT_TRUE(Same(Params(), Fields(0, 200, 4, -150, 0, 2)));
  EXPECT_EQ(presets_->ApplyPreset(6), E_INVALIDARG);
  EXPECT_EQ(presets_->ApplyPreset(-1), E_INVALIDARG);
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(2, MAKELONG(kPageCommand, 100)));
}

TEST_F(PmeqFilterTest, TwoWindowsCanRegisterAndAThirdIsRefused) {
  NotificationWindow a, b, c;
  EXPECT_EQ(prop_->SetNotifyWindow(a.Handle(), kPageCommand), S_OK);
  EXPECT_EQ(prop_->SetNotifyWindow(b.Handle(), kPageCommand), S_OK);
  EXPECT_EQ(prop_->SetNotifyWindow(c.Handle(), kPageCommand), E_OUTOFMEMORY);
  EXPECT_EQ(prop_->SetNotifyWindow(c.Handle(), 0), S_OK);
  ASSERT_EQ(prop_->SetNotifyWindow(a.Handle(), 0), S_OK);
  EXPECT_EQ(prop_->SetNotifyWindow(c.Handle(), kPageCommand), S_OK) << "a freed entry is reused";
  ASSERT_EQ(presets_->ApplyPreset(1), S_OK);
  EXPECT_TRUE(a.Take().empty());
  EXPECT_EQ(b.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
  EXPECT_EQ(c.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
}

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

TEST_F(PmeqStreamingTest, EveryFormatComesOutWholeAndEqualToTheProcessor) {
  const WAVEFORMATEX formats[] = {
      MakeWaveFormat(WAVE_FORMAT_PCM, 1, 22050, 8), MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16),
      MakeWaveFormat(WAVE_FORMAT_PCM, 2, 48000, 32),
      MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 32),
      MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 32000, 64)};
  for (const WAVEFORMATEX& wf : formats) {
    SCOPED_TRACE(::testing::Message() << wf.wFormatTag << "/" << wf.wBitsPerSample << "/"
                                      << wf.nChannels);
    graph_ = std::make_unique<FilterGraph>();
    Build(wf);
    // Hiss removal at High accuracy: the longest kernel and the longest hold-back.
    ASSERT_EQ(QueryAs<IStaticFilterPreset>(eq_.get(), IID_IStaticFilterPreset)->ApplyPreset(3), S_OK);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
    const std::vector<BYTE> in = TestSignal(wf, wf.nSamplesPerSec / 3 + 77);
    const size_t piece = 441 * wf.nBlockAlign;
    PushAll(wf, in, piece);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    EXPECT_EQ(sink_->EndOfStreamCount(), 1);

    orlofx::CAkPmeqTransform reference;
    reference.ApplyPreset(3);
    const std::vector<BYTE> expected = ProcessorOutput(reference, wf, in, piece);
    const std::vector<BYTE> got = sink_->AllBytes();
    ASSERT_EQ(got.size(), in.size()) << "latency and drain keep the length";
    EXPECT_TRUE(got == expected) << "the filter's output differs from the processor's";
    ExpectContinuousStamps(wf, in.size());
    graph_->Stop();
  }
}

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

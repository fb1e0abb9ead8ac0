// Our DirectShow base classes as a host meets them, on one set-up: the class
// factory's creation rules, pin connection and format negotiation, an input
// pin reading samples (times, marks, types, stream ids), flushing, segments
// and state changes through a transform, and the in-place transform's
// allocator sharing, copying and reconnection, all inside the platform's
// filter graph with our push source and sink.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "framework/win/baseclasses/streams.h"
#include "tests/win/support/test_filters.h"

using namespace orlofx::test;

namespace {

// The test classes: {BD4D27B0-6651-4806-A93C-48B70D196D1n}, n = 0 to 4.
constexpr CLSID TestClass(BYTE n) { return {0xBD4D27B0, 0x6651, 0x4806, {0xA9, 0x3C, 0x48, 0xB7, 0x0D, 0x19, 0x6D, BYTE(0x10 + n)}}; }
const CLSID kCopyClsid = TestClass(0), kInPlaceClsid = TestClass(1), kFailingClsid = TestClass(2),
            kSilentClsid = TestClass(3), kBrokenClsid = TestClass(4);

bool IsPcm16(const CMediaType* type) {
  const WAVEFORMATEX* format = WaveFormatOf(*type);
  return IsEqualGUID(*type->Type(), MEDIATYPE_Audio) && format && format->wFormatTag == WAVE_FORMAT_PCM &&
         format->wBitsPerSample == 16;
}

// A copying transform of 16-bit PCM that records what the base class asked
// of it. (The effects replace the base's Receive with their own; what they
// keep is pins, negotiation, flushing, segments and state changes.)
class CopyFilter : public CTransformFilter {
 public:
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT*) { return new CopyFilter(outer); }
  static CopyFilter* Create() { return Held(new CopyFilter(nullptr)); }
  HRESULT CheckInputType(const CMediaType* type) override { return IsPcm16(type) ? S_OK : E_INVALIDARG; }
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
    return IsPcm16(in) && *in == *out ? S_OK : E_INVALIDARG;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) override {
    ALLOCATOR_PROPERTIES request = {4, 4096, 1, 0}, actual = {};
    return allocator->SetProperties(&request, &actual);
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    return position > 0 ? VFW_S_NO_MORE_ITEMS : type->Set(m_pInput->CurrentMediaType());
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    BYTE *from = nullptr, *to = nullptr;
    in->GetPointer(&from);
    out->GetPointer(&to);
    std::memcpy(to, from, size_t(in->GetActualDataLength()));
    return out->SetActualDataLength(in->GetActualDataLength());
  }
  HRESULT StartStreaming() override { return lockedAtStart = CritCheckIn(&m_csReceive), startResult; }
  HRESULT StopStreaming() override { return ++stops, lockedAtStop = CritCheckIn(&m_csReceive), S_OK; }
  IPin* Input() { return GetPin(0); }
  CBasePin* Output() { return GetPin(1); }
  HRESULT startResult = S_OK;
  int stops = 0;
  BOOL lockedAtStart = FALSE, lockedAtStop = FALSE;  // the receive lock

 private:
  explicit CopyFilter(LPUNKNOWN outer) : CTransformFilter(NAME("copy"), outer, kCopyClsid) {}
};

// An in-place transform that inverts every byte and remembers the samples it
// was given.
class InPlaceFilter : public CTransInPlaceFilter {
 public:
  static InPlaceFilter* Create() {
    HRESULT hr = S_OK;
    return Held(new InPlaceFilter(&hr));
  }
  HRESULT CheckInputType(const CMediaType* type) override { return IsPcm16(type) ? S_OK : E_INVALIDARG; }
  HRESULT Transform(IMediaSample* sample) override {
    if (dropNext > 0) return --dropNext, S_FALSE;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    for (long i = 0; i < sample->GetActualDataLength(); ++i) data[i] = BYTE(~data[i]);
    return S_OK;
  }
  int dropNext = 0;

 private:
  explicit InPlaceFilter(HRESULT* phr) : CTransInPlaceFilter(NAME("in-place"), nullptr, kInPlaceClsid, phr) {}
};

CUnknown* CALLBACK CreateFailing(LPUNKNOWN, HRESULT* phr) { return *phr = E_ABORT, nullptr; }
CUnknown* CALLBACK CreateNothingSilently(LPUNKNOWN, HRESULT*) { return nullptr; }
// Builds an object but reports that its construction failed.
CUnknown* CALLBACK CreateBroken(LPUNKNOWN outer, HRESULT* phr) {
  CUnknown* object = CopyFilter::CreateInstance(outer, phr);
  return *phr = E_ABORT, object;
}

std::vector<BYTE> Inverted(std::vector<BYTE> bytes) {
  for (BYTE& b : bytes) b = BYTE(~b);
  return bytes;
}

// What was pushed is what arrives: data, times, marks, type and stream.
// (Times not marked valid are not compared.)
void ExpectCarries(const ReceivedSample& got, const PushSample& sent) {
  auto marks = [](const SampleMarks& s) {
    const bool stop = s.hasTime && s.hasStop;
    return std::make_tuple(s.data, s.hasTime, stop, s.hasTime ? s.start : 0, stop ? s.stop : 0, s.hasMediaTime,
                           s.hasMediaTime ? s.mediaStart : 0, s.hasMediaTime ? s.mediaStop : 0, s.discontinuity,
                           s.syncPoint, s.preroll, s.streamId);
  };
  EXPECT_EQ(marks(got), marks(sent));
  EXPECT_EQ(got.typeChanged, sent.mediaType != nullptr);
}

}  // namespace

// The table the class factory works on.
CFactoryTemplate g_Templates[] = {
    {L"Orlofx Test Copy", &kCopyClsid, CopyFilter::CreateInstance, nullptr, nullptr},
    {L"Orlofx Test Failing", &kFailingClsid, CreateFailing, nullptr, nullptr},
    {L"Orlofx Test Silent Failure", &kSilentClsid, CreateNothingSilently, nullptr, nullptr},
    {L"Orlofx Test Broken", &kBrokenClsid, CreateBroken, nullptr, nullptr},
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);

namespace {

// A graph, our source and sink and the two transforms; every test ends with
// as many live objects as there were before it.
class BaseClasses : public ::testing::Test {
 protected:
  void TearDown() override {
    graph_.Release();
    source_.reset(), sink_.reset(), copy_.reset(), inPlace_.reset();
    EXPECT_EQ(CBaseObject::ObjectsActive(), objects_) << "objects leaked or over-released";
  }
  // source -> `filter` -> sink; the output side first when asked, with `type`.
  HRESULT Chain(CBaseFilter* filter, bool outputFirst = false, const AM_MEDIA_TYPE* type = nullptr) {
    graph_.Add(source_.get(), L"source");
    graph_.Add(filter, L"transform");
    graph_.Add(sink_.get(), L"sink");
    HRESULT hr = outputFirst ? graph_.Connect(filter->GetPin(1), sink_->InputPin(), type) : S_OK;
    if (SUCCEEDED(hr)) hr = graph_.Connect(source_->OutputPin(), filter->GetPin(0));
    if (SUCCEEDED(hr) && !outputFirst) hr = graph_.Connect(filter->GetPin(1), sink_->InputPin(), type);
    return hr;
  }
  static CMediaType Type(const WAVEFORMATEX& format) {
    CMediaType type;
    MakeAudioType(format, &type);
    return type;
  }
  ComInit com_;
  const LONG objects_ = CBaseObject::ObjectsActive();
  FilterGraph graph_;
  ComRef<TestPushSource> source_{TestPushSource::Create(Pcm16Stereo44k())};
  ComRef<TestSink> sink_{TestSink::Create()};
  ComRef<CopyFilter> copy_{CopyFilter::Create()};
  ComRef<InPlaceFilter> inPlace_{InPlaceFilter::Create()};
};

TEST_F(BaseClasses, TheFactoryHandsOutOnlyWhatItCreatedWhole) {
  struct Case {
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {&kCopyClsid, &IID_IBaseFilter, S_OK},
      {&kCopyClsid, &IID_IClassFactory, E_NOINTERFACE},  // created, then destroyed again
      {&kFailingClsid, &IID_IUnknown, E_ABORT},
      {&kSilentClsid, &IID_IUnknown, E_OUTOFMEMORY},
      {&kBrokenClsid, &IID_IUnknown, E_ABORT},
  };
  for (const Case& c : cases) {
    ComRef<IClassFactory> factory;
    ASSERT_EQ(BaseDllGetClassObject(*c.clsid, IID_IClassFactory, factory.put_void()), S_OK);
    const LONG alive = CBaseObject::ObjectsActive();
    ComRef<IUnknown> object;
    EXPECT_EQ(factory->CreateInstance(nullptr, *c.iid, object.put_void()), c.expected);
    EXPECT_EQ(bool(object), SUCCEEDED(c.expected));
    object.reset();
    EXPECT_EQ(CBaseObject::ObjectsActive(), alive) << "nothing created stays alive";
  }
}

TEST_F(BaseClasses, PinsNegotiateOneFormatAndRefuseWhatTheFilterCannotTake) {
  graph_.Add(source_.get(), L"source");
  graph_.Add(copy_.get(), L"copy");
  graph_.Add(sink_.get(), L"sink");
  ComRef<IEnumMediaTypes> types;
  ASSERT_EQ(copy_->Output()->EnumMediaTypes(types.put()), S_OK);
  AM_MEDIA_TYPE* offered = nullptr;
  EXPECT_EQ(types->Next(1, &offered, nullptr), S_FALSE) << "no type before the input knows its own";
  EXPECT_TRUE(FAILED(graph_.Connect(copy_->Output(), sink_->InputPin())));
  ComRef<TestPushSource> floats(TestPushSource::Create(MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32)));
  graph_.Add(floats.get(), L"floats");
  EXPECT_TRUE(FAILED(graph_.Connect(floats->OutputPin(), copy_->Input())));
  ComRef<IPin> peer;
  EXPECT_EQ(floats->OutputPin()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(copy_->Input()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
  EXPECT_TRUE(FAILED(copy_->Output()->Connect(floats->OutputPin(), nullptr))) << "two outputs";
  ASSERT_EQ(graph_.Connect(source_->OutputPin(), copy_->Input()), S_OK);
  ASSERT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Next(1, &offered, nullptr), S_OK);
  EXPECT_TRUE(CMediaType(*offered) == Type(Pcm16Stereo44k()));
  DeleteMediaType(offered);
  ASSERT_EQ(graph_.Connect(copy_->Output(), sink_->InputPin()), S_OK);
  EXPECT_EQ(copy_->Input()->ConnectedTo(peer.put()), S_OK);
  EXPECT_EQ(peer.get(), static_cast<IPin*>(source_->OutputPin()));
  EXPECT_TRUE(ConnectionTypeOf(sink_->InputPin()) == Type(Pcm16Stereo44k()));
  EXPECT_EQ(copy_->Output()->Connect(sink_->InputPin(), nullptr), VFW_E_ALREADY_CONNECTED);
  ASSERT_EQ(graph_.RunWithoutClock(), S_OK);
  EXPECT_EQ(copy_->Input()->Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(graph_.Stop(), S_OK);
  EXPECT_EQ(sink_->InputPin()->Disconnect(), S_OK);
  EXPECT_EQ(copy_->Output()->Disconnect(), S_OK);
  EXPECT_EQ(copy_->Output()->Disconnect(), S_FALSE);
}

TEST_F(BaseClasses, AnInputPinReadsEveryPropertyAndRefusesWhatItCannotTake) {
  ASSERT_EQ(Chain(copy_.get()), S_OK);
  auto input = QueryAs<IMemInputPin>(sink_->InputPin(), IID_IMemInputPin);
  EXPECT_EQ(input->Receive(OwnSample(PushSample::Pattern(16)).get()), VFW_E_WRONG_STATE) << "stopped";
  ASSERT_EQ(graph_.Run(), S_OK);
  EXPECT_EQ(input->Receive(nullptr), E_POINTER);
  // A host's own samples, without IMediaSample2 too, are read in full.
  CMediaType mono = Type(MakeWaveFormat(WAVE_FORMAT_PCM, 1, 44100, 16));
  const PushSample sent[] = {
      PushSample::Pattern(40, 1).StartOnly(777).SyncPoint().Discontinuity().MediaAt(10, 20).WithType(&mono),
      PushSample::Pattern(40, 2).At(777, 1500).Preroll().Stream(AM_STREAM_CONTROL)};
  for (bool extended : {false, true})
    for (const PushSample& sample : sent) EXPECT_EQ(input->Receive(OwnSample(sample, extended).get()), S_OK);
  const std::vector<ReceivedSample> got = sink_->Samples();
  ASSERT_EQ(got.size(), 4u);
  for (size_t i = 0; i < got.size(); ++i) {
    PushSample expected = sent[i % 2];
    if (i < 2) expected.streamId = AM_STREAM_MEDIA;  // a plain IMediaSample has no stream id
    ExpectCarries(got[i], expected);
  }
  ASSERT_EQ(got[0].changedFormat.size(), sizeof(WAVEFORMATEX));
  EXPECT_EQ(reinterpret_cast<const WAVEFORMATEX*>(got[0].changedFormat.data())->nChannels, 1);
  // A type the pin does not take ends the stream; nothing more is taken until a flush.
  CMediaType video(&MEDIATYPE_Video);
  EXPECT_EQ(input->Receive(OwnSample(PushSample::Pattern(16).WithType(&video)).get()), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
  ComRef<IMediaSample> plain = OwnSample(PushSample::Pattern(16));
  EXPECT_EQ(input->Receive(plain.get()), VFW_E_RUNTIME_ERROR);
  ASSERT_EQ(sink_->InputPin()->BeginFlush(), S_OK);
  EXPECT_EQ(input->Receive(plain.get()), S_FALSE) << "refused while flushing";
  ASSERT_EQ(sink_->InputPin()->EndFlush(), S_OK);
  IMediaSample* batch[2] = {plain.get(), plain.get()};
  long processed = 0;
  EXPECT_EQ(input->ReceiveMultiple(batch, 2, &processed), S_OK);
  EXPECT_EQ(processed, 2);
}

TEST_F(BaseClasses, StatesFlushesAndSegmentsTravelThroughATransform) {
  ASSERT_EQ(Chain(copy_.get()), S_OK);
  EXPECT_EQ(source_->Push(PushSample::Pattern(64)), VFW_E_NOT_COMMITTED) << "no buffers while stopped";
  copy_->startResult = E_OUTOFMEMORY;
  EXPECT_TRUE(FAILED(graph_.Run()));
  FILTER_STATE state = State_Running;
  EXPECT_EQ(copy_->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped) << "a failed start leaves the filter stopped";
  EXPECT_EQ(copy_->stops, 0);
  graph_.Stop();
  copy_->startResult = S_OK;
  ASSERT_EQ(graph_.Run(), S_OK);
  EXPECT_TRUE(copy_->lockedAtStart);
  ASSERT_EQ(source_->OutputPin()->DeliverNewSegment(1000, 90000, 1.5), S_OK);
  EXPECT_EQ(sink_->LastSegment(), (std::vector<double>{1000, 90000, 1.5}));
  ASSERT_EQ(source_->OutputPin()->DeliverBeginFlush(), S_OK);
  EXPECT_EQ(source_->Push(PushSample::Pattern(10)), S_FALSE) << "refused while flushing";
  ASSERT_EQ(source_->OutputPin()->DeliverEndFlush(), S_OK);
  EXPECT_EQ(source_->Push(PushSample::Pattern(10)), S_OK);
  EXPECT_EQ(sink_->SampleCount(), 1u);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
  ASSERT_EQ(graph_.Stop(), S_OK);
  EXPECT_EQ(copy_->stops, 1);
  EXPECT_TRUE(copy_->lockedAtStop);
}

// How an in-place transform's two connections share buffers: connected input
// first or output first, the sample received is the sample delivered; when
// downstream insists on its own allocator, a copy goes out.
struct InPlaceCase {
  const char* name;
  bool outputFirst, downstreamAllocator;
};

class InPlace : public BaseClasses, public ::testing::WithParamInterface<InPlaceCase> {};

TEST_P(InPlace, TheSampleIsWorkedOnWhereItLies) {
  const InPlaceCase& c = GetParam();
  auto* output = static_cast<CBasePin*>(inPlace_->GetPin(1));
  CMediaType type;
  EXPECT_EQ(output->GetMediaType(0, &type), VFW_S_NO_MORE_ITEMS) << "no neighbour yet";
  source_->SetBufferRequest(2, 1024);
  if (c.downstreamAllocator) sink_->OwnAllocatorOnly(2048);
  const CMediaType pcm = Type(Pcm16Stereo44k());
  ASSERT_EQ(Chain(inPlace_.get(), c.outputFirst, &pcm), S_OK);
  // Each pin offers its neighbour's type.
  ASSERT_EQ(output->GetMediaType(0, &type), S_OK);
  EXPECT_TRUE(type == pcm);
  ASSERT_EQ(static_cast<CBasePin*>(inPlace_->GetPin(0))->GetMediaType(0, &type), S_OK);
  EXPECT_TRUE(type == pcm);
  EXPECT_EQ(sink_->Allocator() == source_->Allocator(), !c.downstreamAllocator);
  ASSERT_EQ(graph_.Run(), S_OK);
  const PushSample sample = PushSample::Pattern(1000, 9).At(100, 200).SyncPoint().Discontinuity();
  ASSERT_EQ(source_->Push(sample), S_OK);
  const void* pushed = source_->LastPushedSample();
  inPlace_->dropNext = 1;  // declined: not delivered, and no error
  EXPECT_EQ(source_->Push(PushSample::Pattern(10)), S_OK);
  const std::vector<ReceivedSample> got = sink_->Samples();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].identity == pushed, !c.downstreamAllocator);
  PushSample inverted = sample;
  inverted.data = Inverted(sample.data);
  ExpectCarries(got[0], inverted);
  ASSERT_EQ(graph_.Stop(), S_OK);
}

const InPlaceCase kInPlaceCases[] = {
    {"InputFirst", false, false}, {"OutputFirst", true, false}, {"DownstreamAllocator", false, true}};
INSTANTIATE_TEST_SUITE_P(Connections, InPlace, ::testing::ValuesIn(kInPlaceCases),
                         [](const ::testing::TestParamInfo<InPlaceCase>& p) { return p.param.name; });

TEST_F(BaseClasses, ANewTypeOnOneSideOfAnInPlaceTransformReconnectsTheOther) {
  const WAVEFORMATEX mono = MakeWaveFormat(WAVE_FORMAT_PCM, 1, 44100, 16);
  source_->AcceptAlso(mono);
  sink_->AcceptOnly(mono);
  ASSERT_EQ(Chain(inPlace_.get()), S_OK);
  EXPECT_TRUE(ConnectionTypeOf(sink_->InputPin()) == Type(mono));
  EXPECT_TRUE(ConnectionTypeOf(source_->OutputPin()) == Type(mono)) << "the input was reconnected with the sink's type";
}

}  // namespace

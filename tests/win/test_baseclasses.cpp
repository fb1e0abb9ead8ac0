// The DirectShow base classes on their own and inside the platform's filter
// graph: media types, COM identity and aggregation, the class factory and
// module accounting, registration, pin connection and enumeration, streaming
// through a copying and an in-place transform, and the platform's sample
// grabber and null renderer downstream of our output pins.
#include <windows.h>
#include <dshow.h>
#include <qedit.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/win/baseclasses/streams.h"
#include "tests/win/support/test_filters.h"

using orlofx::test::ComInit;
using orlofx::test::ComRef;
using orlofx::test::FilterGraph;
using orlofx::test::MakeAudioType;
using orlofx::test::MakeWaveFormat;
using orlofx::test::OwnSample;
using orlofx::test::Pcm16Stereo44k;
using orlofx::test::PushSample;
using orlofx::test::QueryAs;
using orlofx::test::ReceivedSample;
using orlofx::test::TestPushSource;
using orlofx::test::TestSink;

namespace {

// {BD4D27B0-6651-4806-A93C-48B70D196D10}
const CLSID kPassThroughClsid = {
    0xBD4D27B0, 0x6651, 0x4806, {0xA9, 0x3C, 0x48, 0xB7, 0x0D, 0x19, 0x6D, 0x10}};
// {8F337650-E521-4C16-93EA-D779503D1160}
const CLSID kInPlaceClsid = {
    0x8F337650, 0xE521, 0x4C16, {0x93, 0xEA, 0xD7, 0x79, 0x50, 0x3D, 0x11, 0x60}};
// {B0E909F7-C787-48F8-8ADF-8AF38B099F46}
const CLSID kFailingClsid = {
    0xB0E909F7, 0xC787, 0x48F8, {0x8A, 0xDF, 0x8A, 0xF3, 0x8B, 0x09, 0x9F, 0x46}};
// {1A149D77-D3E1-4944-AD2F-A1AADD235797}
const CLSID kSilentFailureClsid = {
    0x1A149D77, 0xD3E1, 0x4944, {0xAD, 0x2F, 0xA1, 0xAA, 0xDD, 0x23, 0x57, 0x97}};
// {BFB1CAC0-1C34-48FA-9ADE-801BFE5C4AC6}
const CLSID kBrokenClsid = {
    0xBFB1CAC0, 0x1C34, 0x48FA, {0x9A, 0xDE, 0x80, 0x1B, 0xFE, 0x5C, 0x4A, 0xC6}};
// {56C41A1D-BC2A-45E0-9928-A80770C3EE3A}: in no table.
const CLSID kUnknownClsid = {
    0x56C41A1D, 0xBC2A, 0x45E0, {0x99, 0x28, 0xA8, 0x07, 0x70, 0xC3, 0xEE, 0x3A}};

const AMOVIESETUP_MEDIATYPE kAudioPinType = {&MEDIATYPE_Audio, &MEDIASUBTYPE_NULL};
const AMOVIESETUP_PIN kTestPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, L"Output", 1, &kAudioPinType},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, L"Input", 1, &kAudioPinType},
};
const AMOVIESETUP_FILTER kPassThroughSetup = {&kPassThroughClsid, L"Orlofx Test Pass-Through",
                                              MERIT_UNLIKELY, 2, kTestPins};
const AMOVIESETUP_FILTER kInPlaceSetup = {&kInPlaceClsid, L"Orlofx Test In-Place",
                                          MERIT_UNLIKELY, 2, kTestPins};

bool IsPcm16(const CMediaType* type) {
  const WAVEFORMATEX* format = orlofx::test::WaveFormatOf(*type);
  return IsEqualGUID(*type->Type(), MEDIATYPE_Audio) && format != nullptr &&
         format->wFormatTag == WAVE_FORMAT_PCM && format->wBitsPerSample == 16;
}

// A copying transform that passes 16-bit PCM through unchanged and records
// what the base class asked of it.
class PassThroughFilter : public CTransformFilter {
 public:
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* phr) {
    auto* filter = new (std::nothrow) PassThroughFilter(outer);
    if (filter == nullptr) *phr = E_OUTOFMEMORY;
    return filter;
  }
  static PassThroughFilter* Create() {
    HRESULT hr = S_OK;
    auto* filter = static_cast<PassThroughFilter*>(CreateInstance(nullptr, &hr));
    filter->NonDelegatingAddRef();
    return filter;
  }

  const AMOVIESETUP_FILTER* GetSetupData() override { return &kPassThroughSetup; }

  HRESULT CheckInputType(const CMediaType* type) override {
    return IsPcm16(type) ? S_OK : E_INVALIDARG;
  }
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
    return IsPcm16(in) && IsPcm16(out) && *in == *out ? S_OK : E_INVALIDARG;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
    ALLOCATOR_PROPERTIES request = {4, 4096, 1, 0};
    if (m_pInput->PeekAllocator() != nullptr) m_pInput->PeekAllocator()->GetProperties(&request);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    *props = actual;
    return actual.cbBuffer >= minimumBuffer ? S_OK : E_FAIL;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    return type->Set(m_pInput->CurrentMediaType());
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    if (dropNext > 0) {
      --dropNext;
      return S_FALSE;
    }
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    in->GetPointer(&from);
    out->GetPointer(&to);
    const long length = in->GetActualDataLength();
    if (length > out->GetSize()) return E_FAIL;
    std::memcpy(to, from, static_cast<size_t>(length));
    out->SetActualDataLength(length);
    return S_OK;
  }
  HRESULT StartStreaming() override {
    ++starts;
    receiveLockHeldAtStart = CritCheckIn(&m_csReceive) != FALSE;
    return startResult;
  }
  HRESULT StopStreaming() override {
    ++stops;
    receiveLockHeldAtStop = CritCheckIn(&m_csReceive) != FALSE;
    return S_OK;
  }
  HRESULT Receive(IMediaSample* sample) override {
    receiveLockHeldInReceive = CritCheckIn(&m_csReceive) != FALSE;
    return CTransformFilter::Receive(sample);
  }
  HRESULT AlterQuality(Quality q) override {
    ++qualityMessages;
    return CTransformFilter::AlterQuality(q);
  }

  CTransformInputPin* Input() { return static_cast<CTransformInputPin*>(GetPin(0)); }
  CTransformOutputPin* Output() { return static_cast<CTransformOutputPin*>(GetPin(1)); }

  long minimumBuffer = 1;
  HRESULT startResult = S_OK;
  int dropNext = 0;
  int starts = 0;
  int stops = 0;
  int qualityMessages = 0;
  bool receiveLockHeldAtStart = false;
  bool receiveLockHeldAtStop = false;
  bool receiveLockHeldInReceive = false;

 private:
  explicit PassThroughFilter(LPUNKNOWN outer)
      : CTransformFilter(NAME("pass-through"), outer, kPassThroughClsid) {}
};

// An in-place transform that inverts every byte and remembers the samples it
// was given.
class InPlaceFilter : public CTransInPlaceFilter {
 public:
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* phr) {
    auto* filter = new (std::nothrow) InPlaceFilter(outer, phr);
    if (filter == nullptr) *phr = E_OUTOFMEMORY;
    return filter;
  }
  static InPlaceFilter* Create() {
    HRESULT hr = S_OK;
    auto* filter = static_cast<InPlaceFilter*>(CreateInstance(nullptr, &hr));
    filter->NonDelegatingAddRef();
    return filter;
  }

  const AMOVIESETUP_FILTER* GetSetupData() override { return &kInPlaceSetup; }

  HRESULT CheckInputType(const CMediaType* type) override {
    return IsPcm16(type) ? S_OK : E_INVALIDARG;
  }
  HRESULT Transform(IMediaSample* sample) override {
    transformed.push_back(sample);
    if (dropNext > 0) {
      --dropNext;
      return S_FALSE;
    }
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    for (long i = 0; i < sample->GetActualDataLength(); ++i) data[i] = static_cast<BYTE>(~data[i]);
    return S_OK;
  }

  IPin* Input() { return GetPin(0); }
  IPin* Output() { return GetPin(1); }

  int dropNext = 0;
  std::vector<const void*> transformed;

 private:
  InPlaceFilter(LPUNKNOWN outer, HRESULT* phr)
      : CTransInPlaceFilter(NAME("in-place"), outer, kInPlaceClsid, phr) {}
};

CUnknown* CALLBACK CreateFailing(LPUNKNOWN /*outer*/, HRESULT* phr) {
  *phr = E_ABORT;
  return nullptr;
}

CUnknown* CALLBACK CreateNothingSilently(LPUNKNOWN /*outer*/, HRESULT* /*phr*/) { return nullptr; }

// Builds an object but reports that its construction failed.
CUnknown* CALLBACK CreateBroken(LPUNKNOWN outer, HRESULT* phr) {
  CUnknown* object = PassThroughFilter::CreateInstance(outer, phr);
  *phr = E_ABORT;
  return object;
}

int g_initCalls[2] = {0, 0};  // [unloading, loading]

void CALLBACK CountInit(BOOL loading, const CLSID* clsid) {
  if (clsid != nullptr && IsEqualCLSID(*clsid, kPassThroughClsid)) ++g_initCalls[loading ? 1 : 0];
}

std::vector<BYTE> Inverted(const std::vector<BYTE>& bytes) {
  std::vector<BYTE> result(bytes);
  for (BYTE& b : result) b = static_cast<BYTE>(~b);
  return result;
}

}  // namespace

// The table the class factory and the registration helpers work on.
CFactoryTemplate g_Templates[] = {
    {L"Orlofx Test Pass-Through", &kPassThroughClsid, PassThroughFilter::CreateInstance, CountInit,
     &kPassThroughSetup},
    {L"Orlofx Test In-Place", &kInPlaceClsid, InPlaceFilter::CreateInstance, nullptr,
     &kInPlaceSetup},
    {L"Orlofx Test Failing", &kFailingClsid, CreateFailing, nullptr, nullptr},
    {L"Orlofx Test Silent Failure", &kSilentFailureClsid, CreateNothingSilently, nullptr, nullptr},
    {L"Orlofx Test Broken", &kBrokenClsid, CreateBroken, nullptr, nullptr},
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);

namespace {

// Every test starts and ends with the same number of live objects.
class BaseClasses : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.result()));
    objectsAtStart_ = CBaseObject::ObjectsActive();
  }
  void TearDown() override {
    EXPECT_EQ(CBaseObject::ObjectsActive(), objectsAtStart_) << "objects leaked or over-released";
  }

  ComInit com_;
  LONG objectsAtStart_ = 0;
};

using MediaTypes = BaseClasses;
using ComIdentity = BaseClasses;
using ClassFactory = BaseClasses;
using Registration = BaseClasses;
using Connection = BaseClasses;
using Streaming = BaseClasses;
using InPlace = BaseClasses;
using PlatformFilters = BaseClasses;

// --- media types ----------------------------------------------------------------

TEST_F(MediaTypes, CopiesOwnTheirFormatBlock) {
  CMediaType original;
  MakeAudioType(Pcm16Stereo44k(), &original);
  CMediaType copy(original);
  ASSERT_NE(copy.Format(), original.Format());
  EXPECT_TRUE(copy == original);

  // Changing the copy leaves the original alone.
  reinterpret_cast<WAVEFORMATEX*>(copy.Format())->nSamplesPerSec = 48000;
  EXPECT_TRUE(copy != original);
  EXPECT_EQ(orlofx::test::WaveFormatOf(original)->nSamplesPerSec, 44100u);

  CMediaType assigned;
  assigned = original;
  EXPECT_TRUE(assigned == original);
  assigned = assigned;  // self-assignment keeps the block
  EXPECT_TRUE(assigned == original);

  AM_MEDIA_TYPE* created = CreateMediaType(&original);
  ASSERT_NE(created, nullptr);
  EXPECT_NE(created->pbFormat, original.pbFormat);
  EXPECT_EQ(created->cbFormat, original.cbFormat);
  EXPECT_EQ(std::memcmp(created->pbFormat, original.pbFormat, original.cbFormat), 0);
  DeleteMediaType(created);
  DeleteMediaType(nullptr);
}

TEST_F(MediaTypes, PartialTypesMatchAsWildcards) {
  CMediaType full;
  MakeAudioType(Pcm16Stereo44k(), &full);
  EXPECT_FALSE(full.IsPartiallySpecified());

  CMediaType audioOnly(&MEDIATYPE_Audio);
  EXPECT_TRUE(audioOnly.IsPartiallySpecified());
  EXPECT_TRUE(full.MatchesPartial(&audioOnly));

  CMediaType video(&MEDIATYPE_Video);
  EXPECT_FALSE(full.MatchesPartial(&video));

  // A partial type with a format block only matches that exact block.
  CMediaType otherRate;
  MakeAudioType(MakeWaveFormat(WAVE_FORMAT_PCM, 2, 48000, 16), &otherRate);
  EXPECT_FALSE(full.MatchesPartial(&otherRate));
  EXPECT_TRUE(full.MatchesPartial(&full));
}

// --- COM identity and aggregation ---------------------------------------------------

// An outer object that aggregates one inner object.
class Outer : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }

  IUnknown* inner = nullptr;
  ULONG refs = 1;
};

TEST_F(ComIdentity, AggregatedFilterDelegatesToItsOuterObject) {
  ComRef<IClassFactory> factory;
  ASSERT_EQ(BaseDllGetClassObject(kPassThroughClsid, IID_IClassFactory, factory.put_void()), S_OK);

  Outer outer;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);

  IBaseFilter* filter = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
  // The interface's reference and identity belong to the outer object.
  EXPECT_EQ(outer.refs, 2u);
  IUnknown* identity = nullptr;
  ASSERT_EQ(filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();
  filter->Release();
  EXPECT_EQ(outer.refs, 1u);

  // Releasing the inner (non-delegating) unknown destroys the inner object.
  const LONG alive = CBaseObject::ObjectsActive();
  EXPECT_EQ(outer.inner->Release(), 0u);
  EXPECT_LT(CBaseObject::ObjectsActive(), alive);
}

TEST_F(ComIdentity, PinsAnswerForThemselvesButShareTheFilterCount) {
  ComRef<PassThroughFilter> filter(PassThroughFilter::Create());
  IPin* pin = filter->Input();

  ComRef<IUnknown> pinIdentity = QueryAs<IUnknown>(pin, IID_IUnknown);
  ComRef<IUnknown> filterIdentity = QueryAs<IUnknown>(static_cast<IBaseFilter*>(filter.get()),
                                                      IID_IUnknown);
  EXPECT_EQ(static_cast<void*>(pinIdentity.get()),
            static_cast<void*>(static_cast<INonDelegatingUnknown*>(filter->Input())));
  EXPECT_NE(pinIdentity.get(), filterIdentity.get());

  // A reference on a pin keeps the filter alive: it is a filter reference.
  const ULONG before = filter->AddRef();
  const ULONG viaPin = pin->AddRef();
  EXPECT_EQ(viaPin, before + 1);
  pin->Release();
  filter->Release();

  EXPECT_FALSE(QueryAs<IMemInputPin>(static_cast<IPin*>(filter->Output()), IID_IMemInputPin));
  EXPECT_TRUE(QueryAs<IMemInputPin>(static_cast<IPin*>(filter->Input()), IID_IMemInputPin));
  EXPECT_TRUE(QueryAs<IQualityControl>(static_cast<IPin*>(filter->Output()), IID_IQualityControl));
}

// --- class factory and module accounting ------------------------------------------

TEST_F(ClassFactory, CreateInstanceFollowsAggregationAndFailureRules) {
  ComRef<IClassFactory> factory;
  ASSERT_EQ(BaseDllGetClassObject(kPassThroughClsid, IID_IClassFactory, factory.put_void()), S_OK);
  const LONG alive = CBaseObject::ObjectsActive();

  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr), E_POINTER);

  // An outer unknown with any interface but IUnknown: nothing is created.
  Outer outer;
  void* result = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &result), E_NOINTERFACE);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(CBaseObject::ObjectsActive(), alive);

  // An object lacking the interface is destroyed again.
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &result), E_NOINTERFACE);
  EXPECT_EQ(CBaseObject::ObjectsActive(), alive);

  ComRef<IBaseFilter> filter;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.put_void()), S_OK);
  EXPECT_GT(CBaseObject::ObjectsActive(), alive);
  filter.reset();
  EXPECT_EQ(CBaseObject::ObjectsActive(), alive);

  struct Case {
    const CLSID* clsid;
    HRESULT expected;
  };
  for (const Case& c : {Case{&kFailingClsid, E_ABORT}, Case{&kSilentFailureClsid, E_OUTOFMEMORY},
                        Case{&kBrokenClsid, E_ABORT}}) {
    ComRef<IClassFactory> other;
    ASSERT_EQ(BaseDllGetClassObject(*c.clsid, IID_IClassFactory, other.put_void()), S_OK);
    const LONG withFactory = CBaseObject::ObjectsActive();
    EXPECT_EQ(other->CreateInstance(nullptr, IID_IUnknown, &result), c.expected);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(CBaseObject::ObjectsActive(), withFactory);
  }
}

TEST_F(ClassFactory, EntryRoutineRecordsModuleAndRunsInitRoutines) {
  const HINSTANCE self = GetModuleHandleW(nullptr);
  g_initCalls[0] = g_initCalls[1] = 0;
  EXPECT_TRUE(BaseDllEntry(self, DLL_PROCESS_ATTACH));
  EXPECT_EQ(g_hInst, self);
  EXPECT_EQ(g_amPlatform, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(g_initCalls[1], 1);
  EXPECT_EQ(g_initCalls[0], 0);
  EXPECT_TRUE(BaseDllEntry(self, DLL_PROCESS_DETACH));
  EXPECT_EQ(g_initCalls[0], 1);
}

// --- registration -----------------------------------------------------------------

TEST_F(Registration, FilterWithoutSetupDataHasNothingToRegister) {
  ComRef<TestSink> sink(TestSink::Create());
  auto setup = QueryAs<IAMovieSetup>(static_cast<IBaseFilter*>(sink.get()), IID_IAMovieSetup);
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->Register(), S_FALSE);
  EXPECT_EQ(setup->Unregister(), S_FALSE);
}

// --- connection -------------------------------------------------------------------

TEST_F(Connection, TransformOffersItsTypesOnlyOnceTheInputIsConnected) {
  FilterGraph graph;
  ASSERT_TRUE(graph.ok());
  ComRef<TestPushSource> source(TestPushSource::Create(Pcm16Stereo44k()));
  ComRef<PassThroughFilter> transform(PassThroughFilter::Create());
  ASSERT_EQ(graph.Add(source.get(), L"source"), S_OK);
  ASSERT_EQ(graph.Add(transform.get(), L"pass"), S_OK);

  ComRef<IEnumMediaTypes> types;
  ASSERT_EQ(transform->Output()->EnumMediaTypes(types.put()), S_OK);
  AM_MEDIA_TYPE* offered = nullptr;
  ULONG fetched = 7;
  EXPECT_EQ(types->Next(1, &offered, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);

  ASSERT_EQ(graph.Connect(source->OutputPin(), transform->Input()), S_OK);
  // The enumerator created earlier is still in sync: the pin's types did not
  // change version, only became available.
  ASSERT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Next(1, &offered, &fetched), S_OK);
  ASSERT_EQ(fetched, 1u);
  CMediaType expected;
  MakeAudioType(Pcm16Stereo44k(), &expected);
  EXPECT_TRUE(CMediaType(*offered) == expected);
  DeleteMediaType(offered);
  EXPECT_EQ(types->Next(1, &offered, &fetched), S_FALSE);

  // A changed type version puts old enumerators out of sync until Reset.
  transform->Output()->IncrementTypeVersion();
  EXPECT_EQ(types->Next(1, &offered, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
  ComRef<IEnumMediaTypes> clone;
  EXPECT_EQ(types->Clone(clone.put()), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(types->Reset(), S_OK);
  EXPECT_EQ(types->Skip(1), S_OK);
  EXPECT_EQ(types->Skip(1), S_FALSE);
}

TEST_F(Connection, ConnectedPinsReportTheAgreedType) {
  FilterGraph graph;
  ASSERT_TRUE(graph.ok());
  ComRef<TestPushSource> source(TestPushSource::Create(Pcm16Stereo44k()));
  ComRef<PassThroughFilter> transform(PassThroughFilter::Create());
  ComRef<TestSink> sink(TestSink::Create());
  graph.Add(source.get(), L"source");
  graph.Add(transform.get(), L"pass");
  graph.Add(sink.get(), L"sink");

  // Not connected yet.
  ComRef<IPin> peer;
  EXPECT_EQ(transform->Input()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
  EXPECT_FALSE(peer);
  AM_MEDIA_TYPE raw;
  EXPECT_EQ(transform->Input()->ConnectionMediaType(&raw), VFW_E_NOT_CONNECTED);

  ASSERT_EQ(graph.Connect(source->OutputPin(), transform->Input()), S_OK);
  ASSERT_EQ(graph.Connect(transform->Output(), sink->InputPin()), S_OK);

  EXPECT_EQ(transform->Input()->ConnectedTo(peer.put()), S_OK);
  EXPECT_EQ(peer.get(), source->OutputPin());
  CMediaType expected;
  MakeAudioType(Pcm16Stereo44k(), &expected);
  EXPECT_TRUE(orlofx::test::ConnectionTypeOf(transform->Input()) == expected);
  EXPECT_TRUE(sink->ConnectionType() == expected);
  EXPECT_EQ(transform->Input()->QueryAccept(&expected), S_OK);

  // Already connected.
  EXPECT_EQ(transform->Output()->Connect(sink->InputPin(), nullptr), VFW_E_ALREADY_CONNECTED);

  PIN_INFO info;
  ASSERT_EQ(transform->Output()->QueryPinInfo(&info), S_OK);
  EXPECT_STREQ(info.achName, L"XForm Out");
  EXPECT_EQ(info.dir, PINDIR_OUTPUT);
  EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(transform.get()));
  info.pFilter->Release();
  LPWSTR id = nullptr;
  ASSERT_EQ(transform->Input()->QueryId(&id), S_OK);
  EXPECT_STREQ(id, L"XForm In");
  CoTaskMemFree(id);

  FILTER_INFO filterInfo;
  ASSERT_EQ(transform->QueryFilterInfo(&filterInfo), S_OK);
  EXPECT_STREQ(filterInfo.achName, L"pass");
  EXPECT_EQ(filterInfo.pGraph, static_cast<IFilterGraph*>(graph.builder()));
  filterInfo.pGraph->Release();

  // Disconnecting needs a stopped filter.
  ASSERT_EQ(graph.RunWithoutClock(), S_OK);
  EXPECT_EQ(transform->Input()->Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(graph.Stop(), S_OK);
  EXPECT_EQ(sink->InputPin()->Disconnect(), S_OK);
  EXPECT_EQ(transform->Output()->Disconnect(), S_OK);
  EXPECT_EQ(transform->Output()->Disconnect(), S_FALSE);
}

TEST_F(Connection, RefusedTypesLeaveBothPinsUnconnected) {
  FilterGraph graph;
  ASSERT_TRUE(graph.ok());
  ComRef<TestPushSource> floatSource(
      TestPushSource::Create(MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32)));
  ComRef<PassThroughFilter> transform(PassThroughFilter::Create());
  ComRef<TestSink> sink(TestSink::Create());
  graph.Add(floatSource.get(), L"float source");
  graph.Add(transform.get(), L"pass");
  graph.Add(sink.get(), L"sink");

  EXPECT_TRUE(FAILED(graph.Connect(floatSource->OutputPin(), transform->Input())));
  ComRef<IPin> peer;
  EXPECT_EQ(floatSource->OutputPin()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(transform->Input()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);

  // Same direction on both ends.
  EXPECT_TRUE(FAILED(transform->Output()->Connect(floatSource->OutputPin(), nullptr)));
  EXPECT_EQ(transform->Output()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);

  // The output cannot connect before the input knows its type.
  EXPECT_TRUE(FAILED(graph.Connect(transform->Output(), sink->InputPin())));
  EXPECT_EQ(sink->InputPin()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
}

// --- streaming through a copying transform --------------------------------------------

struct CopyChain {
  FilterGraph graph;
  ComRef<TestPushSource> source{TestPushSource::Create(Pcm16Stereo44k())};
  ComRef<PassThroughFilter> transform{PassThroughFilter::Create()};
  ComRef<TestSink> sink{TestSink::Create()};

  bool Build() {
    return graph.ok() && graph.Add(source.get(), L"source") == S_OK &&
           graph.Add(transform.get(), L"pass") == S_OK && graph.Add(sink.get(), L"sink") == S_OK &&
           graph.Connect(source->OutputPin(), transform->Input()) == S_OK &&
           graph.Connect(transform->Output(), sink->InputPin()) == S_OK;
  }
};

TEST_F(Streaming, SamplesPassWithTheirTimesAndMarks) {
  CopyChain chain;
  ASSERT_TRUE(chain.Build());
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(64)), VFW_E_NOT_COMMITTED)
      << "buffers exist only while running";
  ASSERT_EQ(chain.graph.Run(), S_OK);
  EXPECT_EQ(chain.transform->starts, 1);
  EXPECT_TRUE(chain.transform->receiveLockHeldAtStart);

  const PushSample first = PushSample::Pattern(400, 1).At(0, 22675).MediaAt(0, 100).SyncPoint();
  const PushSample second = PushSample::Pattern(400, 2).At(22675, 45351).Discontinuity();
  const PushSample third = PushSample::Pattern(12, 3).StartOnly(45351).Preroll();
  ASSERT_EQ(chain.source->Push(first), S_OK);
  ASSERT_EQ(chain.source->Push(second), S_OK);
  ASSERT_EQ(chain.source->Push(third), S_OK);
  ASSERT_EQ(chain.source->PushEndOfStream(), S_OK);
  EXPECT_TRUE(chain.transform->receiveLockHeldInReceive);

  const std::vector<ReceivedSample> got = chain.sink->Samples();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].data, first.data);
  EXPECT_TRUE(got[0].hasTime && got[0].hasStop);
  EXPECT_EQ(got[0].start, 0);
  EXPECT_EQ(got[0].stop, 22675);
  EXPECT_TRUE(got[0].hasMediaTime);
  EXPECT_EQ(got[0].mediaStart, 0);
  EXPECT_EQ(got[0].mediaStop, 100);
  EXPECT_TRUE(got[0].syncPoint);
  EXPECT_FALSE(got[0].discontinuity);

  EXPECT_EQ(got[1].data, second.data);
  EXPECT_TRUE(got[1].discontinuity);
  EXPECT_FALSE(got[1].syncPoint);
  EXPECT_FALSE(got[1].hasMediaTime);

  EXPECT_EQ(got[2].data, third.data);
  EXPECT_TRUE(got[2].hasTime);
  EXPECT_FALSE(got[2].hasStop);
  EXPECT_EQ(got[2].start, 45351);
  EXPECT_TRUE(got[2].preroll);

  // A copying transform delivers its own buffers.
  for (const ReceivedSample& sample : got) {
    EXPECT_NE(sample.identity, chain.source->LastPushedSample());
  }
  EXPECT_EQ(chain.sink->EndOfStreamCount(), 1);

  ASSERT_EQ(chain.graph.Stop(), S_OK);
  EXPECT_EQ(chain.transform->stops, 1);
  EXPECT_TRUE(chain.transform->receiveLockHeldAtStop);
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(64)), VFW_E_NOT_COMMITTED);
}

TEST_F(Streaming, DroppedSampleMarksTheNextOneDiscontinuous) {
  CopyChain chain;
  ASSERT_TRUE(chain.Build());
  ASSERT_EQ(chain.graph.Run(), S_OK);
  chain.transform->dropNext = 1;
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(100, 1)), S_OK);
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(100, 2)), S_OK);
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(100, 3)), S_OK);
  const std::vector<ReceivedSample> got = chain.sink->Samples();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].data, PushSample::Pattern(100, 2).data);
  EXPECT_TRUE(got[0].discontinuity);
  EXPECT_FALSE(got[1].discontinuity);
}

TEST_F(Streaming, FlushesSegmentsAndDeliveryErrorsTravelDownAndUp) {
  CopyChain chain;
  ASSERT_TRUE(chain.Build());
  ASSERT_EQ(chain.graph.Run(), S_OK);

  ASSERT_EQ(chain.source->PushNewSegment(1000, 90000, 1.5), S_OK);
  const auto segments = chain.sink->Segments();
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].start, 1000);
  EXPECT_EQ(segments[0].stop, 90000);
  EXPECT_EQ(segments[0].rate, 1.5);
  EXPECT_EQ(chain.transform->Input()->CurrentStartTime(), 1000);

  // While flushing, samples are refused with S_FALSE and not passed on.
  ASSERT_EQ(chain.source->PushBeginFlush(), S_OK);
  EXPECT_EQ(chain.sink->BeginFlushCount(), 1);
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(10)), S_FALSE);
  EXPECT_EQ(chain.sink->SampleCount(), 0u);
  ASSERT_EQ(chain.source->PushEndFlush(), S_OK);
  EXPECT_EQ(chain.sink->EndFlushCount(), 1);
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(10)), S_OK);
  EXPECT_EQ(chain.sink->SampleCount(), 1u);

  // A downstream failure comes back to the pusher.
  chain.sink->FailReceiveAfter(1, E_ABORT);
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(10)), E_ABORT);

  // Quality messages the transform declines go on upstream.
  Quality late = {Famine, 500, -10000, 0};
  auto quality =
      QueryAs<IQualityControl>(static_cast<IPin*>(chain.transform->Output()), IID_IQualityControl);
  ASSERT_TRUE(quality);
  EXPECT_EQ(quality->Notify(static_cast<IBaseFilter*>(chain.sink.get()), late), S_OK);
  EXPECT_EQ(chain.transform->qualityMessages, 1);
  EXPECT_EQ(chain.source->QualityNotifications(), 1);
}

TEST_F(Streaming, InputPinRefusesSamplesWhenItCannotTakeThem) {
  CopyChain chain;
  ASSERT_TRUE(chain.Build());
  auto input = QueryAs<IMemInputPin>(chain.sink->InputPin(), IID_IMemInputPin);
  ASSERT_TRUE(input);
  EXPECT_EQ(input->ReceiveCanBlock(), S_OK) << "a filter without outputs may block";
  auto transformInput =
      QueryAs<IMemInputPin>(static_cast<IPin*>(chain.transform->Input()), IID_IMemInputPin);
  EXPECT_EQ(transformInput->ReceiveCanBlock(), S_OK) << "its downstream pin may block";

  // A sample of our own, from a separate allocator.
  ComRef<IMemAllocator> allocator;
  ASSERT_EQ(CreateMemoryAllocator(allocator.put()), S_OK);
  ALLOCATOR_PROPERTIES request = {1, 256, 1, 0};
  ALLOCATOR_PROPERTIES actual = {};
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComRef<IMediaSample> sample;
  ASSERT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
  sample->SetActualDataLength(16);

  EXPECT_EQ(input->Receive(sample.get()), VFW_E_WRONG_STATE) << "stopped";
  EXPECT_EQ(input->Receive(nullptr), E_POINTER);
  ASSERT_EQ(chain.graph.Run(), S_OK);
  EXPECT_EQ(input->Receive(sample.get()), S_OK);

  IMediaSample* batch[2] = {sample.get(), sample.get()};
  long processed = 0;
  EXPECT_EQ(input->ReceiveMultiple(batch, 2, &processed), S_OK);
  EXPECT_EQ(processed, 2);

  // A format the sink does not accept ends the stream and stops reception
  // until the next flush.
  CMediaType video(&MEDIATYPE_Video);
  ASSERT_EQ(sample->SetMediaType(&video), S_OK);
  EXPECT_EQ(input->Receive(sample.get()), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(chain.sink->EndOfStreamCount(), 1);
  ASSERT_EQ(sample->SetMediaType(nullptr), S_OK);
  EXPECT_EQ(input->Receive(sample.get()), VFW_E_RUNTIME_ERROR);
  ASSERT_EQ(chain.sink->InputPin()->BeginFlush(), S_OK);
  ASSERT_EQ(chain.sink->InputPin()->EndFlush(), S_OK);
  EXPECT_EQ(input->Receive(sample.get()), S_OK);

  // An accepted format change is passed through with the sample.
  CMediaType mono;
  MakeAudioType(MakeWaveFormat(WAVE_FORMAT_PCM, 1, 22050, 16), &mono);
  ASSERT_EQ(sample->SetMediaType(&mono), S_OK);
  EXPECT_EQ(input->Receive(sample.get()), S_OK);
  const auto got = chain.sink->Samples();
  ASSERT_FALSE(got.empty());
  EXPECT_TRUE(got.back().typeChanged);
  ASSERT_EQ(got.back().changedFormat.size(), sizeof(WAVEFORMATEX));
  EXPECT_EQ(reinterpret_cast<const WAVEFORMATEX*>(got.back().changedFormat.data())->nChannels, 1);

  ASSERT_EQ(chain.graph.Stop(), S_OK);
  sample.reset();
  allocator->Decommit();
}

TEST_F(Streaming, SamplesWithoutTheExtendedInterfaceAreReadTheSameWay) {
  CopyChain chain;
  ASSERT_TRUE(chain.Build());
  ASSERT_EQ(chain.graph.Run(), S_OK);

  // Straight into the sink: times without a stop, marks, media times and a
  // format change are all seen.
  // Samples of the caller's own making without IMediaSample2, as hosts that
  // push their own buffers provide.
  ComRef<OwnSample> direct(OwnSample::Create(PushSample::Pattern(40, 1).data, false));
  REFERENCE_TIME start = 777;
  direct->SetTime(&start, nullptr);
  direct->SetSyncPoint(TRUE);
  direct->SetDiscontinuity(TRUE);
  LONGLONG first = 10;
  LONGLONG last = 20;
  direct->SetMediaTime(&first, &last);
  CMediaType mono;
  MakeAudioType(MakeWaveFormat(WAVE_FORMAT_PCM, 1, 44100, 16), &mono);
  direct->SetMediaType(&mono);
  auto sinkInput = QueryAs<IMemInputPin>(chain.sink->InputPin(), IID_IMemInputPin);
  ASSERT_EQ(sinkInput->Receive(direct.get()), S_OK);

  // Through the transform: the output sample carries the input's times.
  ComRef<OwnSample> viaTransform(OwnSample::Create(PushSample::Pattern(40, 2).data, false));
  REFERENCE_TIME stop = 1500;
  viaTransform->SetTime(&start, &stop);
  viaTransform->SetPreroll(TRUE);
  auto transformInput =
      QueryAs<IMemInputPin>(static_cast<IPin*>(chain.transform->Input()), IID_IMemInputPin);
  ASSERT_EQ(transformInput->Receive(viaTransform.get()), S_OK);
  ASSERT_EQ(chain.graph.Stop(), S_OK);

  const auto got = chain.sink->Samples();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].data, PushSample::Pattern(40, 1).data);
  EXPECT_TRUE(got[0].hasTime);
  EXPECT_FALSE(got[0].hasStop);
  EXPECT_EQ(got[0].start, 777);
  EXPECT_TRUE(got[0].syncPoint);
  EXPECT_TRUE(got[0].discontinuity);
  EXPECT_FALSE(got[0].preroll);
  EXPECT_TRUE(got[0].hasMediaTime);
  EXPECT_EQ(got[0].mediaStart, 10);
  EXPECT_EQ(got[0].mediaStop, 20);
  ASSERT_TRUE(got[0].typeChanged);
  ASSERT_EQ(got[0].changedFormat.size(), sizeof(WAVEFORMATEX));
  EXPECT_EQ(reinterpret_cast<const WAVEFORMATEX*>(got[0].changedFormat.data())->nChannels, 1);

  EXPECT_EQ(got[1].data, PushSample::Pattern(40, 2).data);
  EXPECT_TRUE(got[1].hasTime && got[1].hasStop);
  EXPECT_EQ(got[1].start, 777);
  EXPECT_EQ(got[1].stop, 1500);
  EXPECT_TRUE(got[1].preroll);
  EXPECT_FALSE(got[1].syncPoint);
  EXPECT_FALSE(got[1].typeChanged);
}

TEST_F(Streaming, FailedStartKeepsTheFilterStopped) {
  CopyChain chain;
  ASSERT_TRUE(chain.Build());
  chain.transform->startResult = E_OUTOFMEMORY;
  EXPECT_TRUE(FAILED(chain.graph.Run()));
  FILTER_STATE state = State_Running;
  EXPECT_EQ(chain.transform->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_EQ(chain.transform->stops, 0) << "nothing was started, so nothing is stopped";
  chain.graph.Stop();

  chain.transform->startResult = S_OK;
  ASSERT_EQ(chain.graph.Run(), S_OK);
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(8)), S_OK);
  EXPECT_EQ(chain.sink->SampleCount(), 1u);
  ASSERT_EQ(chain.graph.Stop(), S_OK);
}

TEST_F(Streaming, SinkCanCapItsBuffersAndRefuseOtherAllocators) {
  FilterGraph graph;
  ASSERT_TRUE(graph.ok());
  ComRef<TestPushSource> source(TestPushSource::Create(Pcm16Stereo44k()));
  ComRef<TestSink> sink(TestSink::Create());
  sink->SetMaxBufferSize(512);
  graph.Add(source.get(), L"source");
  graph.Add(sink.get(), L"sink");
  ASSERT_EQ(graph.Connect(source->OutputPin(), sink->InputPin()), S_OK);

  ALLOCATOR_PROPERTIES props = {};
  ASSERT_NE(source->Allocator(), nullptr);
  ASSERT_EQ(source->Allocator()->GetProperties(&props), S_OK);
  EXPECT_EQ(props.cbBuffer, 512);
  EXPECT_EQ(sink->Allocator(), source->Allocator());

  ASSERT_EQ(graph.Run(), S_OK);
  EXPECT_EQ(source->Push(PushSample::Pattern(512)), S_OK);
  EXPECT_EQ(source->Push(PushSample::Pattern(513)), E_INVALIDARG);
  ASSERT_EQ(graph.Stop(), S_OK);

  // A transform whose buffers must hold 4096 bytes cannot connect to it.
  ComRef<TestPushSource> source2(TestPushSource::Create(Pcm16Stereo44k()));
  ComRef<PassThroughFilter> transform(PassThroughFilter::Create());
  ComRef<TestSink> cappedSink(TestSink::Create());
  cappedSink->SetMaxBufferSize(512);
  transform->minimumBuffer = 4096;
  graph.Add(source2.get(), L"source2");
  graph.Add(transform.get(), L"pass");
  graph.Add(cappedSink.get(), L"capped");
  ASSERT_EQ(graph.Connect(source2->OutputPin(), transform->Input()), S_OK);
  EXPECT_TRUE(FAILED(graph.Connect(transform->Output(), cappedSink->InputPin())));
}

// --- the in-place transform ---------------------------------------------------------

struct InPlaceChain {
  FilterGraph graph;
  ComRef<TestPushSource> source{TestPushSource::Create(Pcm16Stereo44k())};
  ComRef<InPlaceFilter> filter{InPlaceFilter::Create()};
  ComRef<TestSink> sink{TestSink::Create()};

  bool Add() {
    return graph.ok() && graph.Add(source.get(), L"source") == S_OK &&
           graph.Add(filter.get(), L"in-place") == S_OK && graph.Add(sink.get(), L"sink") == S_OK;
  }
};

TEST_F(InPlace, DeliversTheSampleItReceived) {
  InPlaceChain chain;
  ASSERT_TRUE(chain.Add());
  ASSERT_EQ(chain.graph.Connect(chain.source->OutputPin(), chain.filter->Input()), S_OK);
  ASSERT_EQ(chain.graph.Connect(chain.filter->Output(), chain.sink->InputPin()), S_OK);
  // One allocator serves both connections.
  EXPECT_EQ(chain.sink->Allocator(), chain.source->Allocator());

  ASSERT_EQ(chain.graph.Run(), S_OK);
  const PushSample sample = PushSample::Pattern(300, 9).At(100, 200).SyncPoint();
  ASSERT_EQ(chain.source->Push(sample), S_OK);
  ASSERT_EQ(chain.source->PushEndOfStream(), S_OK);

  const auto got = chain.sink->Samples();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].identity, chain.source->LastPushedSample());
  ASSERT_EQ(chain.filter->transformed.size(), 1u);
  EXPECT_EQ(chain.filter->transformed[0], chain.source->LastPushedSample());
  EXPECT_EQ(got[0].data, Inverted(sample.data));
  EXPECT_EQ(got[0].start, 100);
  EXPECT_EQ(got[0].stop, 200);
  EXPECT_TRUE(got[0].syncPoint);
  EXPECT_EQ(chain.sink->EndOfStreamCount(), 1);

  // A sample the filter declines is not delivered, and that is no error.
  chain.filter->dropNext = 1;
  EXPECT_EQ(chain.source->Push(PushSample::Pattern(10)), S_OK);
  EXPECT_EQ(chain.sink->SampleCount(), 1u);
  ASSERT_EQ(chain.graph.Stop(), S_OK);
}

TEST_F(InPlace, PinsOfferTheirNeighboursTypes) {
  InPlaceChain chain;
  ASSERT_TRUE(chain.Add());
  CMediaType expected;
  MakeAudioType(Pcm16Stereo44k(), &expected);
  CMediaType type;
  auto* output = static_cast<CBasePin*>(chain.filter->GetPin(1));
  auto* input = static_cast<CBasePin*>(chain.filter->GetPin(0));
  EXPECT_EQ(output->GetMediaType(0, &type), VFW_S_NO_MORE_ITEMS);

  ASSERT_EQ(chain.graph.Connect(chain.source->OutputPin(), chain.filter->Input()), S_OK);
  ASSERT_EQ(output->GetMediaType(0, &type), S_OK);
  EXPECT_TRUE(type == expected);
  EXPECT_EQ(output->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(output->GetMediaType(-1, &type), E_INVALIDARG);
  EXPECT_EQ(input->GetMediaType(0, &type), VFW_S_NO_MORE_ITEMS);

  ASSERT_EQ(chain.graph.Connect(chain.filter->Output(), chain.sink->InputPin()), S_OK);
  ASSERT_EQ(input->GetMediaType(0, &type), S_OK);
  EXPECT_TRUE(type == expected);
}

TEST_F(InPlace, OutputConnectedFirstSharesTheDownstreamAllocator) {
  InPlaceChain chain;
  ASSERT_TRUE(chain.Add());
  // With nothing upstream, the output accepts any type the filter can process.
  CMediaType pcm;
  MakeAudioType(Pcm16Stereo44k(), &pcm);
  ASSERT_EQ(chain.graph.Connect(chain.filter->Output(), chain.sink->InputPin(), &pcm), S_OK);
  ASSERT_EQ(chain.graph.Connect(chain.source->OutputPin(), chain.filter->Input()), S_OK);
  EXPECT_EQ(chain.sink->Allocator(), chain.source->Allocator());

  ASSERT_EQ(chain.graph.Run(), S_OK);
  const PushSample sample = PushSample::Pattern(1000, 4);
  ASSERT_EQ(chain.source->Push(sample), S_OK);
  const auto got = chain.sink->Samples();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].identity, chain.source->LastPushedSample());
  EXPECT_EQ(got[0].data, Inverted(sample.data));
  ASSERT_EQ(chain.graph.Stop(), S_OK);
}

TEST_F(InPlace, CopiesWhenDownstreamInsistsOnItsOwnAllocator) {
  InPlaceChain chain;
  ASSERT_TRUE(chain.Add());
  chain.source->SetBufferRequest(2, 1024);
  chain.sink->SetMaxBufferSize(2048);
  ASSERT_EQ(chain.graph.Connect(chain.source->OutputPin(), chain.filter->Input()), S_OK);
  ASSERT_EQ(chain.graph.Connect(chain.filter->Output(), chain.sink->InputPin()), S_OK);
  EXPECT_NE(chain.sink->Allocator(), chain.source->Allocator());

  ASSERT_EQ(chain.graph.Run(), S_OK);
  const PushSample sample = PushSample::Pattern(1024, 5).At(0, 50).Discontinuity();
  ASSERT_EQ(chain.source->Push(sample), S_OK);
  const auto got = chain.sink->Samples();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_NE(got[0].identity, chain.source->LastPushedSample());
  EXPECT_EQ(got[0].data, Inverted(sample.data));
  EXPECT_EQ(got[0].bufferSize, 2048);
  EXPECT_TRUE(got[0].discontinuity);
  EXPECT_EQ(got[0].stop, 50);
  ASSERT_EQ(chain.graph.Stop(), S_OK);
}

TEST_F(InPlace, NewTypeOnOneSideReconnectsTheOther) {
  InPlaceChain chain;
  ASSERT_TRUE(chain.Add());
  const WAVEFORMATEX mono = MakeWaveFormat(WAVE_FORMAT_PCM, 1, 44100, 16);
  chain.source->AcceptAlso(mono);
  chain.sink->AcceptOnly(mono);
  ASSERT_EQ(chain.graph.Connect(chain.source->OutputPin(), chain.filter->Input()), S_OK);
  ASSERT_EQ(chain.graph.Connect(chain.filter->Output(), chain.sink->InputPin()), S_OK);

  // The sink only takes mono, so the input was reconnected with mono too.
  CMediaType expected;
  MakeAudioType(mono, &expected);
  EXPECT_TRUE(chain.sink->ConnectionType() == expected);
  EXPECT_TRUE(chain.source->ConnectionType() == expected);
}

// --- the platform's filters downstream of ours -----------------------------------------

// Connects upstreamOutput -> sample grabber -> null renderer, runs, pushes
// one sample from `source` and checks what the grabber saw.
void ExpectGrabberPassesBytes(IPin* upstreamOutput, TestPushSource* source, FilterGraph& graph,
                              const std::vector<BYTE>& expected) {
  ComRef<IBaseFilter> grabber;
  ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             grabber.put_void()),
            S_OK);
  ComRef<IBaseFilter> renderer;
  ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             renderer.put_void()),
            S_OK);
  ASSERT_EQ(graph.Add(grabber.get(), L"grabber"), S_OK);
  ASSERT_EQ(graph.Add(renderer.get(), L"null"), S_OK);
  auto control = QueryAs<ISampleGrabber>(grabber.get(), IID_ISampleGrabber);
  ASSERT_TRUE(control);
  ASSERT_EQ(control->SetBufferSamples(TRUE), S_OK);

  // No type given: the grabber takes the one our output pin offers.
  ComRef<IPin> grabberIn = orlofx::test::FindPinByDirection(grabber.get(), PINDIR_INPUT);
  ComRef<IPin> grabberOut = orlofx::test::FindPinByDirection(grabber.get(), PINDIR_OUTPUT);
  ComRef<IPin> rendererIn = orlofx::test::FindPinByDirection(renderer.get(), PINDIR_INPUT);
  ASSERT_EQ(graph.Connect(upstreamOutput, grabberIn.get()), S_OK);
  ASSERT_EQ(graph.Connect(grabberOut.get(), rendererIn.get()), S_OK);
  AM_MEDIA_TYPE connected = {};
  ASSERT_EQ(control->GetConnectedMediaType(&connected), S_OK);
  CMediaType expectedType;
  MakeAudioType(Pcm16Stereo44k(), &expectedType);
  EXPECT_TRUE(CMediaType(connected) == expectedType);
  FreeMediaType(connected);

  ASSERT_EQ(graph.RunWithoutClock(), S_OK);
  ASSERT_EQ(source->Push(PushSample::Pattern(expected.size(), 0x40)), S_OK);
  long size = 0;
  ASSERT_EQ(control->GetCurrentBuffer(&size, nullptr), S_OK);
  ASSERT_EQ(static_cast<size_t>(size), expected.size());
  std::vector<BYTE> grabbed(expected.size());
  ASSERT_EQ(control->GetCurrentBuffer(&size, reinterpret_cast<long*>(grabbed.data())), S_OK);
  EXPECT_EQ(grabbed, expected);
  EXPECT_EQ(source->PushEndOfStream(), S_OK);
  ASSERT_EQ(graph.Stop(), S_OK);
}

TEST_F(PlatformFilters, SampleGrabberAndNullRendererAfterTheInPlaceTransform) {
  FilterGraph graph;
  ASSERT_TRUE(graph.ok());
  ComRef<TestPushSource> source(TestPushSource::Create(Pcm16Stereo44k()));
  ComRef<InPlaceFilter> filter(InPlaceFilter::Create());
  ASSERT_EQ(graph.Add(source.get(), L"source"), S_OK);
  ASSERT_EQ(graph.Add(filter.get(), L"in-place"), S_OK);
  ASSERT_EQ(graph.Connect(source->OutputPin(), filter->Input()), S_OK);
  ExpectGrabberPassesBytes(filter->Output(), source.get(), graph,
                           Inverted(PushSample::Pattern(256, 0x40).data));
}

// Writes a 16-bit stereo 44.1 kHz WAVE file holding `data`.
bool WriteWav(const std::wstring& path, const std::vector<BYTE>& data) {
  const WAVEFORMATEX format = Pcm16Stereo44k();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<BYTE> bytes;
  auto put = [&bytes](const void* p, size_t n) {
    bytes.insert(bytes.end(), static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
  };
  const DWORD formatSize = 16;
  const DWORD dataSize = static_cast<DWORD>(data.size());
  const DWORD riffSize = 4 + 8 + formatSize + 8 + dataSize;
  put("RIFF", 4);
  put(&riffSize, 4);
  put("WAVEfmt ", 8);
  put(&formatSize, 4);
  put(&format, formatSize);
  put("data", 4);
  put(&dataSize, 4);
  put(data.data(), data.size());
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

TEST_F(PlatformFilters, FileParserStreamsThroughTheTransformAndSeeksThroughIt) {
  WCHAR directory[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, directory), 0u);
  const std::wstring path = std::wstring(directory) + L"orlofx_baseclasses.wav";
  const std::vector<BYTE> audio = PushSample::Pattern(44100 * 4 / 2, 0x11).data;  // 0.5 s
  ASSERT_TRUE(WriteWav(path, audio));
  {
    FilterGraph graph;
    ASSERT_TRUE(graph.ok());
    ComRef<IBaseFilter> reader;
    ComRef<IBaseFilter> parser;
    ASSERT_EQ(CoCreateInstance(CLSID_AsyncReader, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               reader.put_void()),
              S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_WAVEParser, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               parser.put_void()),
              S_OK);
    ComRef<PassThroughFilter> transform(PassThroughFilter::Create());
    ComRef<TestSink> sink(TestSink::Create());
    ASSERT_EQ(graph.Add(reader.get(), L"reader"), S_OK);
    auto file = QueryAs<IFileSourceFilter>(reader.get(), IID_IFileSourceFilter);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->Load(path.c_str(), nullptr), S_OK);
    ASSERT_EQ(graph.Add(parser.get(), L"parser"), S_OK);
    ASSERT_EQ(graph.Add(transform.get(), L"pass"), S_OK);
    ASSERT_EQ(graph.Add(sink.get(), L"sink"), S_OK);
    ComRef<IPin> readerOut = orlofx::test::FindPinByDirection(reader.get(), PINDIR_OUTPUT);
    ComRef<IPin> parserIn = orlofx::test::FindPinByDirection(parser.get(), PINDIR_INPUT);
    ASSERT_TRUE(readerOut && parserIn);
    ASSERT_EQ(graph.Connect(readerOut.get(), parserIn.get()), S_OK);
    // The parser has its output pin once it knows the file.
    ComRef<IPin> parserOut = orlofx::test::FindPinByDirection(parser.get(), PINDIR_OUTPUT);
    ASSERT_TRUE(parserOut);
    ASSERT_EQ(graph.Connect(parserOut.get(), transform->Input()), S_OK);
    ASSERT_EQ(graph.Connect(transform->Output(), sink->InputPin()), S_OK);

    // A renderer seeking through the transform reaches the parser.
    auto upstream = QueryAs<IMediaSeeking>(parserOut.get(), IID_IMediaSeeking);
    auto through = QueryAs<IMediaSeeking>(static_cast<IPin*>(transform->Output()),
                                          IID_IMediaSeeking);
    ASSERT_TRUE(upstream);
    ASSERT_TRUE(through);
    LONGLONG expected = 0;
    LONGLONG duration = -1;
    ASSERT_EQ(upstream->GetDuration(&expected), S_OK);
    EXPECT_EQ(through->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, expected);
    EXPECT_EQ(expected, 5000000);
    through.reset();

    ASSERT_EQ(graph.RunWithoutClock(), S_OK);
    auto events = QueryAs<IMediaEvent>(graph.builder(), IID_IMediaEvent);
    long code = 0;
    ASSERT_EQ(events->WaitForCompletion(60000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(graph.Stop(), S_OK);
    EXPECT_EQ(sink->AllBytes(), audio);
    EXPECT_EQ(sink->EndOfStreamCount(), 1);
  }
  DeleteFileW(path.c_str());
}

TEST_F(PlatformFilters, ReleasingTheGraphReleasesOurFilters) {
  ASSERT_EQ(objectsAtStart_, 0) << "an earlier test left objects alive";
  {
    CopyChain chain;
    ASSERT_TRUE(chain.Build());
    ASSERT_EQ(chain.graph.Run(), S_OK);
    ASSERT_EQ(chain.source->Push(PushSample::Pattern(64)), S_OK);
    ASSERT_EQ(chain.graph.Stop(), S_OK);
    EXPECT_GT(CBaseObject::ObjectsActive(), 0);
  }
  EXPECT_EQ(CBaseObject::ObjectsActive(), 0);
  EXPECT_EQ(BaseDllCanUnloadNow(), S_OK);
}

}  // namespace

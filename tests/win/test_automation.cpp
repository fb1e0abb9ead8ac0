// Parameter automation through the media-parameter interfaces, as a host sees
// it: a test-only automatable filter on the shared frame (the ride-gain test
// effect), driven through raw vtable slots in the platform's order, with a
// host UI callback built as a plain table of function pointers, and its
// envelopes replayed inside a graph of our push source and sink. What the
// envelopes mean (segments, cursor, host value rules, capture brackets) is
// tested natively on the portable automation.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/media_params.h"
#include "framework/win/plugin_params.h"
#include "tests/native/automation_test_effect.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;
using orlofx::testing::RideEffect;

// {7D1E6A90-3C55-4E0B-9A61-0B3F5C2D7E11}
const CLSID kClsidRide = {0x7D1E6A90, 0x3C55, 0x4E0B, {0x9A, 0x61, 0x0B, 0x3F, 0x5C, 0x2D, 0x7E, 0x11}};
const EffectDescription kRideDescription = {&kClsidRide, &IID_IUnknown, nullptr, 0};

class CRideFilter : public CAkAutomatedEffectFilter {
 public:
  static CRideFilter* Create() { return Held(new CRideFilter()); }
  RideEffect& Effect() { return effect_; }

 private:
  CRideFilter() : CAkAutomatedEffectFilter(nullptr, effect_, effect_, kRideDescription, nullptr) {
    FinishConstruction();
  }
  RideEffect effect_;
};

// A host's UI callback as a C table in the platform's slot order: QueryInterface,
// AddRef, Release, ParamsBeginCapture, ParamsChanged, ParamsEndCapture. It
// records "b0 c0 e0 " for a begin, change and end of parameter 0.
struct HostCallback {
  static HostCallback* Self(void* p) { return static_cast<HostCallback*>(p); }
  static HRESULT STDMETHODCALLTYPE QueryInterface(void* p, REFIID iid, void** out) {
    const bool ok = iid == IID_IUnknown || iid == IID_IMediaParamsUICallback;
    return *out = ok ? p : nullptr, ok ? (AddRef(p), S_OK) : E_NOINTERFACE;
  }
  static ULONG STDMETHODCALLTYPE AddRef(void* p) { return InterlockedIncrement(&Self(p)->refs); }
  static ULONG STDMETHODCALLTYPE Release(void* p) { return InterlockedDecrement(&Self(p)->refs); }
  static HRESULT Record(void* p, char kind, DWORD* indices, DWORD count, MP_DATA* values) {
    for (DWORD i = 0; i < count; ++i) {
      Self(p)->events += kind + std::to_string(indices[i]) + " ";
      if (values) Self(p)->values.push_back(values[i]);
    }
    return S_OK;
  }
  static HRESULT STDMETHODCALLTYPE Begin(void* p, DWORD* at, DWORD n) { return Record(p, 'b', at, n, nullptr); }
  static HRESULT STDMETHODCALLTYPE Changed(void* p, DWORD* at, DWORD n, MP_DATA* v) { return Record(p, 'c', at, n, v); }
  static HRESULT STDMETHODCALLTYPE End(void* p, DWORD* at, DWORD n) { return Record(p, 'e', at, n, nullptr); }
  static void* const kTable[6];
  void* const* vtable = kTable;
  LONG refs = 1;
  std::string events;
  std::vector<MP_DATA> values;
};
void* const HostCallback::kTable[6] = {
    reinterpret_cast<void*>(&HostCallback::QueryInterface), reinterpret_cast<void*>(&HostCallback::AddRef),
    reinterpret_cast<void*>(&HostCallback::Release),        reinterpret_cast<void*>(&HostCallback::Begin),
    reinterpret_cast<void*>(&HostCallback::Changed),        reinterpret_cast<void*>(&HostCallback::End)};

constexpr float kOne = 1.0f;
float Db(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }
REFERENCE_TIME FrameTime(int frame) { return static_cast<REFERENCE_TIME>(frame / 44100.0 * 1e7 + 0.5); }
MP_ENVELOPE_SEGMENT Jump(REFERENCE_TIME from, REFERENCE_TIME to, float value) {
  return {from, to, value, value, MP_CURVE_JUMP, 0};
}

class Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    filter_ = ComRef<CRideFilter>(CRideFilter::Create());
    params_ = QueryAs<IMediaParams>(static_cast<IBaseFilter*>(filter_.get()), IID_IMediaParams);
    info_ = QueryAs<IMediaParamInfo>(params_.get(), IID_IMediaParamInfo);
    setCallback_ = QueryAs<IMediaParamsSetUICallback>(info_.get(), IID_IMediaParamsSetUICallback);
    ASSERT_TRUE(params_ && info_ && setCallback_);
  }
  void TearDown() override {
    SetCallback(nullptr);
    graph_.reset();
  }
  // source -> filter -> sink, 44.1 kHz float, running without a clock.
  void Build(WORD channels = 1) {
    graph_ = std::make_unique<FilterGraph>();
    source_ = ComRef<TestPushSource>(TestPushSource::Create(Format(channels)));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(graph_->Chain(source_.get(), static_cast<IBaseFilter*>(filter_.get()), sink_.get()), S_OK);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  }
  static WAVEFORMATEX Format(WORD channels) { return MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, channels, 44100, 32); }
  // Pushes ones for frames [from, from + count) of the stream in 10 ms
  // pieces, stamped by their frame; the first piece carries the
  // discontinuity mark when asked, and a format change if given.
  void PushOnes(int from, int count, bool discontinuity = false, WORD channels = 1,
                const AM_MEDIA_TYPE* type = nullptr) {
    for (int at = from; at < from + count; at += 441) {
      const int n = std::min(441, from + count - at);
      std::vector<BYTE> bytes(size_t(n) * channels * sizeof(float));
      for (size_t i = 0; i < bytes.size(); i += sizeof(float)) std::memcpy(&bytes[i], &kOne, sizeof kOne);
      const bool first = at == from;
      ASSERT_EQ(source_->Push(PushSample::Bytes(bytes)
                                  .At(FrameTime(at), FrameTime(at + n))
                                  .Discontinuity(discontinuity && first)
                                  .WithType(first ? type : nullptr)),
                S_OK);
    }
  }
  std::vector<float> Output() {
    const std::vector<BYTE> bytes = sink_->AllBytes();
    const auto* first = reinterpret_cast<const float*>(bytes.data());
    return std::vector<float>(first, first + bytes.size() / sizeof(float));
  }
  HRESULT SetValue(DWORD index, MP_DATA v) { return CallSlot<DWORD, MP_DATA>(params_.get(), 4, index, v); }
  MP_DATA Value(DWORD index) {
    MP_DATA v = -999;
    EXPECT_EQ((CallSlot<DWORD, MP_DATA*>(params_.get(), 3, index, &v)), S_OK);
    return v;
  }
  HRESULT AddEnvelope(DWORD index, std::vector<MP_ENVELOPE_SEGMENT> segs) {
    return CallSlot<DWORD, DWORD, MP_ENVELOPE_SEGMENT*>(params_.get(), 5, index, DWORD(segs.size()), segs.data());
  }
  void SetCallback(HostCallback* cb) {
    if (setCallback_) { EXPECT_EQ(CallSlot<void*>(setCallback_.get(), 3, cb), S_OK); }
  }
  ComInit com_;
  HostCallback cb_;  // outlives the filter that may hold it
  ComRef<CRideFilter> filter_;
  ComRef<IMediaParams> params_;
  ComRef<IMediaParamInfo> info_;
  ComRef<IMediaParamsSetUICallback> setCallback_;
  std::unique_ptr<FilterGraph> graph_;
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
};

TEST_F(Automation, EverySlotOfTheParamsInterfacesDoesItsOwnJob) {
  void* p = params_.get();
  // IMediaParams: GetParam 3, SetParam 4, AddEnvelope 5, FlushEnvelope 6, SetTimeFormat 7.
  EXPECT_EQ(SetValue(0, 4.5f), S_OK);
  EXPECT_EQ(Value(0), 4.5f);
  ASSERT_EQ(AddEnvelope(0, {Jump(0, 100, 1), {100, 200, 2, 2, MP_CURVE_LINEAR, 0}}), S_OK);
  EXPECT_EQ(filter_->Effect().SegmentCount(0), 2u);
  EXPECT_EQ((CallSlot<DWORD, REFERENCE_TIME, REFERENCE_TIME>(p, 6, 0, 150, 160)), S_OK);
  EXPECT_EQ(filter_->Effect().SegmentCount(0), 1u);
  EXPECT_EQ((CallSlot<GUID, MP_TIMEDATA>(p, 7, GUID_NULL, 0)), E_FAIL);
  // IMediaParamInfo: GetParamCount 3, GetParamInfo 4, GetParamText 5,
  // GetNumTimeFormats 6, GetSupportedTimeFormat 7, GetCurrentTimeFormat 8.
  void* q = info_.get();
  DWORD n = 0;
  EXPECT_EQ(CallSlot<DWORD*>(q, 3, &n), S_OK);
  EXPECT_EQ(n, 2u);
  MP_PARAMINFO pi = {};
  EXPECT_EQ((CallSlot<DWORD, MP_PARAMINFO*>(q, 4, 0, &pi)), S_OK);
  EXPECT_TRUE(pi.mpType == MPT_FLOAT && pi.mpdMinValue == -25.0f && pi.mpdMaxValue == 25.0f);
  EXPECT_STREQ(pi.szLabel, L"Output Gain");
  EXPECT_STREQ(pi.szUnitText, L"dB");
  // The switch's text: label, NUL, an empty unit, its NUL, the empty names'
  // NUL and the last one, in task memory.
  WCHAR* text = nullptr;
  ASSERT_EQ((CallSlot<DWORD, WCHAR**>(q, 5, 1, &text)), S_OK);
  EXPECT_EQ(std::wstring(text, 10), std::wstring(L"Bypass\0\0\0\0", 10));
  CoTaskMemFree(text);
  EXPECT_EQ((CallSlot<DWORD, WCHAR**>(q, 5, 7, &text)), E_INVALIDARG);
  EXPECT_EQ(CallSlot<DWORD*>(q, 6, &n), S_OK);
  EXPECT_EQ(n, 1u);
  GUID g = GUID_NULL;
  EXPECT_EQ((CallSlot<DWORD, GUID*>(q, 7, 0, &g)), S_OK);
  EXPECT_TRUE(g == GUID_TIME_REFERENCE);
  MP_TIMEDATA data = 99;
  g = GUID_NULL;
  EXPECT_EQ((CallSlot<GUID*, MP_TIMEDATA*>(q, 8, &g, &data)), S_OK);
  EXPECT_TRUE(g == GUID_TIME_REFERENCE && data == 0);
  // IMediaParamsSetUICallback: SetUICallback 3, holding one reference; the
  // callback's own slots carry a user's edit in one bracket.
  SetCallback(&cb_);
  EXPECT_EQ(cb_.refs, 2);
  EXPECT_EQ(filter_->Effect().SetPropInt(0, -60), 0);
  EXPECT_EQ(cb_.events, "b0 c0 e0 ");
  EXPECT_EQ(cb_.values, std::vector<MP_DATA>{-6.0f});
  SetCallback(nullptr);
  EXPECT_EQ(cb_.refs, 1);
  // One object behind every interface.
  EXPECT_EQ(QueryAs<IUnknown>(params_.get(), IID_IUnknown).get(),
            QueryAs<IUnknown>(static_cast<IBaseFilter*>(filter_.get()), IID_IUnknown).get());
  EXPECT_EQ(QueryAs<IMediaParams>(setCallback_.get(), IID_IMediaParams).get(), params_.get());
}

// The filter tells the automation when it streams: inside a segment the
// host's value is refused only then (the rule itself is checked natively).
TEST_F(Automation, InsideASegmentWhileStreamingTheHostsSetIsRefused) {
  ASSERT_EQ(AddEnvelope(0, {Jump(0, 50000000, 6.0f)}), S_OK);
  Build();
  PushOnes(0, 4410);
  EXPECT_EQ(SetValue(0, -3.0f), S_FALSE);
  EXPECT_EQ(Value(0), 6.0f);
  ASSERT_EQ(graph_->Stop(), S_OK);
  EXPECT_EQ(SetValue(0, -3.0f), S_OK);
  EXPECT_EQ(Value(0), -3.0f);
}

// --- envelopes replayed in a graph -------------------------------------------------------

// One run of ones through the graph: stream frames [from, from + count),
// `restart`: the graph is stopped and run again first; `discontinuity`: the
// first sample carries the mark (a host's seek).
struct Pass {
  int from, count;
  bool discontinuity, restart;
};

struct EnvelopeCase {
  const char* name;
  std::vector<MP_ENVELOPE_SEGMENT> gain, mute;
  std::vector<Pass> passes;
  std::function<float(int frame)> expected;  // the gain in force at a stream frame
  int stereoFrom = -1;  // frames from here on are stereo, announced on their first sample
};

void PrintTo(const EnvelopeCase& c, std::ostream* os) { *os << c.name; }

const EnvelopeCase kEnvelopeCases[] = {
    // -6 dB from 37.5 ms (frame 1654); muted from 100 to 110 ms.
    {"JumpLandsOnItsSample",
     {Jump(375000, 10375000, -6.0f)},
     {{1000000, 1100000, 1.0f, 0.0f, MP_CURVE_JUMP, 0}},
     {{0, 8820, false, false}},
     [](int k) { return k >= 4410 && k < 4851 ? 0.0f : k < 1654 ? 1.0f : Db(-6); }},
    // The clock restarts at the marked sample's time, 5 s.
    {"ADiscontinuityRestartsTheClockAtItsTime",
     {Jump(50100000, 50200000, 12.0f)},
     {},
     {{220500, 4410, true, false}},
     [](int k) { return k < 220500 + 441 ? 1.0f : Db(12); }},
    // -12 dB for 50 ms, then +6 dB; muted from 20 to 30 ms: on a first run,
    // a second run and after the host seeks back to 10 ms.
    {"JumpsHoldOnEveryRunAndAfterASeekBack",
     {Jump(0, 500000, -12.0f), Jump(500000, 1000000, 6.0f)},
     {{200000, 300000, 1.0f, 0.0f, MP_CURVE_JUMP, 0}},
     {{0, 4410, false, false}, {0, 4410, false, true}, {441, 3969, true, false}},
     [](int k) { return k >= 882 && k < 1323 ? 0.0f : Db(k < 2205 ? -12 : 6); }},
    // -6 dB from 50 ms of the stream, whatever its format.
    {"AFormatChangeKeepsTheClock",
     {Jump(500000, 1000000, -6.0f)},
     {},
     {{0, 3528, false, false}},
     [](int k) { return k < 2205 ? 1.0f : Db(-6); },
     1323},
};

class EnvelopesInAGraph : public Automation, public ::testing::WithParamInterface<EnvelopeCase> {};

TEST_P(EnvelopesInAGraph, TheGainFollowsTheEnvelopeFrameByFrame) {
  const EnvelopeCase& c = GetParam();
  if (!c.gain.empty()) { ASSERT_EQ(AddEnvelope(0, c.gain), S_OK); }
  if (!c.mute.empty()) { ASSERT_EQ(AddEnvelope(1, c.mute), S_OK); }
  Build();
  CMediaType stereo;
  MakeAudioType(Format(2), &stereo);
  for (const Pass& pass : c.passes) {
    SCOPED_TRACE(::testing::Message() << "pass from frame " << pass.from);
    if (pass.restart) {
      ASSERT_EQ(graph_->Stop(), S_OK);
      ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
    }
    sink_->Clear();
    const int mono = c.stereoFrom < 0 ? pass.count : c.stereoFrom - pass.from;
    PushOnes(pass.from, mono, pass.discontinuity);
    if (mono < pass.count) PushOnes(c.stereoFrom, pass.count - mono, false, 2, &stereo);
    const std::vector<float> out = Output();
    ASSERT_EQ(out.size(), size_t(pass.count + (pass.count - mono)));
    for (int k = pass.from, at = 0; k < pass.from + pass.count; ++k) {
      const int channels = k - pass.from < mono ? 1 : 2;
      for (int ch = 0; ch < channels; ++ch, ++at) ASSERT_FLOAT_EQ(out[at], c.expected(k)) << "frame " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Ride, EnvelopesInAGraph, ::testing::ValuesIn(kEnvelopeCases),
                         [](const ::testing::TestParamInfo<EnvelopeCase>& p) { return p.param.name; });

}  // namespace

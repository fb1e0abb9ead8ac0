// Parameter automation through the media-parameter interfaces, as a host sees
// it: a test-only automatable filter on the shared frame (the ride-gain test
// effect), driven through raw vtable slots in the platform's order, with a
// host UI callback built as a plain table of function pointers, inside a
// graph with our push source and sink.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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
  static CRideFilter* Create() {
    auto* filter = new CRideFilter();
    filter->NonDelegatingAddRef();
    return filter;
  }
  RideEffect& Effect() { return effect_; }

 private:
  CRideFilter() : CAkAutomatedEffectFilter(nullptr, effect_, effect_, kRideDescription, nullptr) {
    FinishConstruction();
  }
  RideEffect effect_;
};

// --- raw slots ------------------------------------------------------------------

template <typename Fn>
Fn Slot(void* object, int index) {
  return reinterpret_cast<Fn>((*reinterpret_cast<void***>(object))[index]);
}

using GetParamFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, MP_DATA*);
using SetParamFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, MP_DATA);
using AddEnvelopeFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, DWORD, MP_ENVELOPE_SEGMENT*);
using FlushEnvelopeFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, REFERENCE_TIME, REFERENCE_TIME);
using SetTimeFormatFn = HRESULT(STDMETHODCALLTYPE*)(void*, GUID, MP_TIMEDATA);
using CountFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD*);
using ParamInfoFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, MP_PARAMINFO*);
using ParamTextFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, WCHAR**);
using SupportedFormatFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, GUID*);
using CurrentFormatFn = HRESULT(STDMETHODCALLTYPE*)(void*, GUID*, MP_TIMEDATA*);
using SetCallbackFn = HRESULT(STDMETHODCALLTYPE*)(void*, void*);

// A host's UI callback as a C table in the platform's slot order: QueryInterface,
// AddRef, Release, ParamsBeginCapture, ParamsChanged, ParamsEndCapture.
struct HostCallback {
  struct Event {
    char kind;
    DWORD index;
    MP_DATA value;
  };
  void* const* vtable;
  LONG refs;
  std::vector<Event> events;

  static HostCallback* Self(void* p) { return static_cast<HostCallback*>(p); }
  static HRESULT STDMETHODCALLTYPE QueryInterface(void* p, REFIID iid, void** out) {
    if (iid == IID_IUnknown || iid == IID_IMediaParamsUICallback) {
      *out = p;
      AddRef(p);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  static ULONG STDMETHODCALLTYPE AddRef(void* p) { return InterlockedIncrement(&Self(p)->refs); }
  static ULONG STDMETHODCALLTYPE Release(void* p) { return InterlockedDecrement(&Self(p)->refs); }
  static HRESULT STDMETHODCALLTYPE Begin(void* p, DWORD* indices, DWORD count) {
    for (DWORD i = 0; i < count; ++i) Self(p)->events.push_back({'b', indices[i], 0});
    return S_OK;
  }
  static HRESULT STDMETHODCALLTYPE Changed(void* p, DWORD* indices, DWORD count, MP_DATA* values) {
    for (DWORD i = 0; i < count; ++i) Self(p)->events.push_back({'c', indices[i], values[i]});
    return S_OK;
  }
  static HRESULT STDMETHODCALLTYPE End(void* p, DWORD* indices, DWORD count) {
    for (DWORD i = 0; i < count; ++i) Self(p)->events.push_back({'e', indices[i], 0});
    return S_OK;
  }
  static void* const kTable[6];

  HostCallback() : vtable(kTable), refs(1) {}
  std::string Kinds() const {
    std::string s;
    for (const Event& e : events) s += e.kind + std::to_string(e.index) + " ";
    return s;
  }
};
void* const HostCallback::kTable[6] = {
    reinterpret_cast<void*>(&HostCallback::QueryInterface), reinterpret_cast<void*>(&HostCallback::AddRef),
    reinterpret_cast<void*>(&HostCallback::Release),        reinterpret_cast<void*>(&HostCallback::Begin),
    reinterpret_cast<void*>(&HostCallback::Changed),        reinterpret_cast<void*>(&HostCallback::End)};

float Db(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    filter_ = ComRef<CRideFilter>(CRideFilter::Create());
    ASSERT_EQ(filter_->QueryInterface(IID_IMediaParams, params_.put_void()), S_OK);
    ASSERT_EQ(filter_->QueryInterface(IID_IMediaParamInfo, info_.put_void()), S_OK);
    ASSERT_EQ(filter_->QueryInterface(IID_IMediaParamsSetUICallback, setCallback_.put_void()), S_OK);
  }
  void TearDown() override {
    if (setCallback_) Slot<SetCallbackFn>(setCallback_.get(), 3)(setCallback_.get(), nullptr);
    if (graph_) graph_->Stop();
    graph_.reset();
  }

  // source -> filter -> sink, mono float at 44.1 kHz, running without a clock.
  void Build() {
    graph_ = std::make_unique<FilterGraph>();
    source_ = ComRef<TestPushSource>(TestPushSource::Create(kFormat));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(graph_->Chain(source_.get(), static_cast<IBaseFilter*>(filter_.get()), sink_.get()), S_OK);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  }

  // Pushes `frames` ones in 10 ms pieces stamped from `start`; the first
  // piece carries the discontinuity mark when asked.
  void PushOnes(int frames, REFERENCE_TIME start = 0, bool discontinuity = false) {
    const int piece = 441;
    for (int at = 0; at < frames; at += piece) {
      const int n = std::min(piece, frames - at);
      std::vector<BYTE> bytes(n * sizeof(float));
      const float one = 1.0f;
      for (int i = 0; i < n; ++i) std::memcpy(bytes.data() + i * sizeof(float), &one, sizeof one);
      const REFERENCE_TIME s = start + static_cast<REFERENCE_TIME>(at / 44100.0 * 1e7 + 0.5);
      const REFERENCE_TIME e = start + static_cast<REFERENCE_TIME>((at + n) / 44100.0 * 1e7 + 0.5);
      ASSERT_EQ(source_->Push(PushSample::Bytes(bytes).At(s, e).Discontinuity(discontinuity && at == 0)),
                S_OK);
    }
  }

  std::vector<float> Output() {
    const std::vector<BYTE> bytes = sink_->AllBytes();
    std::vector<float> out(bytes.size() / sizeof(float));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(float));
    return out;
  }

  HRESULT SetParam(DWORD index, MP_DATA v) { return Slot<SetParamFn>(params_.get(), 4)(params_.get(), index, v); }
  MP_DATA GetParam(DWORD index) {
    MP_DATA v = -999;
    EXPECT_EQ(Slot<GetParamFn>(params_.get(), 3)(params_.get(), index, &v), S_OK);
    return v;
  }
  HRESULT AddEnvelope(DWORD index, std::vector<MP_ENVELOPE_SEGMENT> segs) {
    return Slot<AddEnvelopeFn>(params_.get(), 5)(params_.get(), index, static_cast<DWORD>(segs.size()),
                                                 segs.data());
  }
  void SetCallback(HostCallback* cb) {
    ASSERT_EQ(Slot<SetCallbackFn>(setCallback_.get(), 3)(setCallback_.get(), cb), S_OK);
  }

  const WAVEFORMATEX kFormat = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 32);
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

TEST_F(AutomationTest, EverySlotOfTheParamsInterfacesDoesItsOwnJob) {
  void* p = params_.get();
  // IMediaParams: GetParam 3, SetParam 4, AddEnvelope 5, FlushEnvelope 6, SetTimeFormat 7.
  EXPECT_EQ(Slot<SetParamFn>(p, 4)(p, 0, 4.5f), S_OK);
  MP_DATA v = 0;
  EXPECT_EQ(Slot<GetParamFn>(p, 3)(p, 0, &v), S_OK);
  EXPECT_EQ(v, 4.5f);
  EXPECT_EQ(Slot<GetParamFn>(p, 3)(p, 0, nullptr), E_POINTER);
  MP_ENVELOPE_SEGMENT segs[2] = {{0, 100, 1, 1, MP_CURVE_JUMP, 0}, {100, 200, 2, 2, MP_CURVE_LINEAR, 0}};
  EXPECT_EQ(Slot<AddEnvelopeFn>(p, 5)(p, 0, 2, segs), S_OK);
  EXPECT_EQ(filter_->Effect().SegmentCount(0), 2u);
  EXPECT_EQ(Slot<FlushEnvelopeFn>(p, 6)(p, 0, 150, 160), S_OK);
  EXPECT_EQ(filter_->Effect().SegmentCount(0), 1u);
  EXPECT_EQ(Slot<FlushEnvelopeFn>(p, 6)(p, 0xFFFFFFFF, 0, 1000), S_OK);
  EXPECT_EQ(filter_->Effect().SegmentCount(0), 0u);
  EXPECT_EQ(Slot<SetTimeFormatFn>(p, 7)(p, GUID_NULL, 0), E_FAIL);
  EXPECT_EQ(Slot<SetTimeFormatFn>(p, 7)(p, GUID_TIME_REFERENCE, 5), S_OK);

  // IMediaParamInfo: GetParamCount 3, GetParamInfo 4, GetParamText 5,
  // GetNumTimeFormats 6, GetSupportedTimeFormat 7, GetCurrentTimeFormat 8.
  void* q = info_.get();
  DWORD n = 0;
  EXPECT_EQ(Slot<CountFn>(q, 3)(q, &n), S_OK);
  EXPECT_EQ(n, 2u);
  MP_PARAMINFO pi = {};
  EXPECT_EQ(Slot<ParamInfoFn>(q, 4)(q, 0, &pi), S_OK);
  EXPECT_EQ(pi.mpType, MPT_FLOAT);
  EXPECT_EQ(pi.mopCaps, 0xFu);
  EXPECT_EQ(pi.mpdMinValue, -25.0f);
  EXPECT_EQ(pi.mpdMaxValue, 25.0f);
  EXPECT_STREQ(pi.szLabel, L"Output Gain");
  EXPECT_STREQ(pi.szUnitText, L"dB");
  EXPECT_EQ(Slot<ParamInfoFn>(q, 4)(q, 2, &pi), E_INVALIDARG);
  WCHAR* text = nullptr;
  EXPECT_EQ(Slot<ParamTextFn>(q, 5)(q, 0, &text), S_OK);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, L"Output Gain");
  CoTaskMemFree(text);
  EXPECT_EQ(Slot<CountFn>(q, 6)(q, &n), S_OK);
  EXPECT_EQ(n, 1u);
  GUID g = GUID_NULL;
  EXPECT_EQ(Slot<SupportedFormatFn>(q, 7)(q, 0, &g), S_OK);
  EXPECT_TRUE(g == GUID_TIME_REFERENCE);
  EXPECT_EQ(Slot<SupportedFormatFn>(q, 7)(q, 1, &g), E_INVALIDARG);
  MP_TIMEDATA data = 99;
  g = GUID_NULL;
  EXPECT_EQ(Slot<CurrentFormatFn>(q, 8)(q, &g, &data), S_OK);
  EXPECT_TRUE(g == GUID_TIME_REFERENCE);
  EXPECT_EQ(data, 0u);  // the stored datum is reset by SetTimeFormat
  EXPECT_EQ(Slot<CurrentFormatFn>(q, 8)(q, nullptr, &data), E_POINTER);

  // IMediaParamsSetUICallback: SetUICallback 3, holding one reference.
  SetCallback(&cb_);
  EXPECT_EQ(cb_.refs, 2);
  SetCallback(nullptr);
  EXPECT_EQ(cb_.refs, 1);
}

TEST_F(AutomationTest, TheInterfacesShareTheFiltersIdentity) {
  ComRef<IUnknown> a, b;
  ASSERT_EQ(params_->QueryInterface(IID_IUnknown, a.put_void()), S_OK);
  ASSERT_EQ(filter_->QueryInterface(IID_IUnknown, b.put_void()), S_OK);
  EXPECT_EQ(a.get(), b.get());
  ComRef<IBaseFilter> base;
  EXPECT_EQ(info_->QueryInterface(IID_IBaseFilter, base.put_void()), S_OK);
  ComRef<IMediaParams> again;
  EXPECT_EQ(setCallback_->QueryInterface(IID_IMediaParams, again.put_void()), S_OK);
  EXPECT_EQ(again.get(), params_.get());
}

TEST_F(AutomationTest, SwitchTextEndsInThreeNulsAfterTheUnit) {
  WCHAR* text = nullptr;
  ASSERT_EQ(Slot<ParamTextFn>(info_.get(), 5)(info_.get(), 1, &text), S_OK);
  ASSERT_NE(text, nullptr);
  const size_t label = std::wcslen(text);
  EXPECT_EQ(std::wstring(text, label), L"Bypass");
  // label NUL, empty unit, then its NUL, the empty names' NUL and the last one.
  EXPECT_EQ(text[label], L'\0');
  const WCHAR* unit = text + label + 1;
  EXPECT_EQ(std::wcslen(unit), 0u);
  EXPECT_EQ(unit[0], L'\0');
  EXPECT_EQ(unit[1], L'\0');
  EXPECT_EQ(unit[2], L'\0');
  CoTaskMemFree(text);
  EXPECT_EQ(Slot<ParamTextFn>(info_.get(), 5)(info_.get(), 0, nullptr), E_POINTER);
  EXPECT_EQ(Slot<ParamTextFn>(info_.get(), 5)(info_.get(), 7, &text), E_INVALIDARG);
}

TEST_F(AutomationTest, HostValuesAreCheckedAndEchoedNowhere) {
  SetCallback(&cb_);
  EXPECT_EQ(SetParam(0, -2.5f), S_OK);
  EXPECT_EQ(SetParam(0, -2.5f), S_FALSE);
  EXPECT_EQ(SetParam(0, 30.0f), E_INVALIDARG);
  EXPECT_EQ(SetParam(0, std::nanf("")), E_INVALIDARG);
  EXPECT_EQ(SetParam(0, INFINITY), E_INVALIDARG);
  EXPECT_EQ(SetParam(2, 0.0f), E_INVALIDARG);
  EXPECT_EQ(GetParam(0), -2.5f);
  MP_ENVELOPE_SEGMENT poisoned[2] = {{0, 100, 1, 1, MP_CURVE_JUMP, 0},
                                     {100, 200, std::nanf(""), 2, MP_CURVE_LINEAR, 0}};
  EXPECT_EQ(Slot<AddEnvelopeFn>(params_.get(), 5)(params_.get(), 0, 2, poisoned), E_INVALIDARG);
  EXPECT_EQ(filter_->Effect().SegmentCount(0), 0u);
  EXPECT_TRUE(cb_.events.empty()) << cb_.Kinds();
}

TEST_F(AutomationTest, UserEditsReachTheHostInBrackets) {
  SetCallback(&cb_);
  RideEffect& fx = filter_->Effect();
  // A property setter: one bracket around one change.
  EXPECT_EQ(fx.SetPropInt(0, -60), 0);
  EXPECT_EQ(cb_.Kinds(), "b0 c0 e0 ");
  EXPECT_EQ(cb_.events[1].value, -6.0f);
  // The same value again: nothing at all.
  EXPECT_EQ(fx.SetPropInt(0, -60), 1);
  EXPECT_EQ(cb_.events.size(), 3u);
  // A held edit: begin once, every change, end once.
  cb_.events.clear();
  fx.BeginCapture(0);
  fx.SetPropInt(0, -50);
  fx.SetPropInt(0, -40);
  fx.EndCapture(0);
  EXPECT_EQ(cb_.Kinds(), "b0 c0 c0 e0 ");
  // A preset through the filter's preset interface: one bracket per parameter.
  cb_.events.clear();
  fx.SetPropInt(1, 1);
  cb_.events.clear();
  ComRef<IStaticFilterPreset> presets;
  ASSERT_EQ(filter_->QueryInterface(IID_IStaticFilterPreset, presets.put_void()), S_OK);
  ASSERT_EQ(presets->ApplyPreset(0), S_OK);
  EXPECT_EQ(cb_.Kinds(), "b0 b1 c0 c1 e0 e1 ");
  EXPECT_EQ(cb_.events[2].value, 0.0f);
  EXPECT_EQ(cb_.events[3].value, 0.0f);
  SetCallback(nullptr);
  fx.SetPropInt(0, 10);
  EXPECT_EQ(cb_.events.size(), 6u);
  EXPECT_EQ(cb_.refs, 1);
}

TEST_F(AutomationTest, InsideASegmentWhileStreamingTheHostsSetIsRefused) {
  ASSERT_EQ(AddEnvelope(0, {{0, 50000000, 6.0f, 6.0f, MP_CURVE_JUMP, 0}}), S_OK);
  Build();
  PushOnes(4410);
  EXPECT_EQ(SetParam(0, -3.0f), S_FALSE);
  EXPECT_EQ(GetParam(0), 6.0f);
  EXPECT_EQ(SetParam(1, 1.0f), S_OK);  // the mute has no envelope
  EXPECT_EQ(SetParam(1, 0.0f), S_OK);
  ASSERT_EQ(graph_->Stop(), S_OK);
  EXPECT_EQ(SetParam(0, -3.0f), S_OK);
  EXPECT_EQ(GetParam(0), -3.0f);
  const std::vector<float> out = Output();
  ASSERT_EQ(out.size(), 4410u);
  EXPECT_FLOAT_EQ(out.back(), Db(6));
}

TEST_F(AutomationTest, AnEnvelopeSetBeforeRunMovesTheGainAtItsSample) {
  const REFERENCE_TIME at = 375000;  // 37.5 ms
  ASSERT_EQ(AddEnvelope(0, {{at, at + 10000000, -6.0f, -6.0f, MP_CURVE_JUMP, 0}}), S_OK);
  ASSERT_EQ(AddEnvelope(1, {{1000000, 1100000, 1.0f, 0.0f, MP_CURVE_JUMP, 0}}), S_OK);  // 100-110 ms muted
  Build();
  PushOnes(44100 / 5);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  const std::vector<float> out = Output();
  ASSERT_EQ(out.size(), 44100u / 5);
  const size_t jump = static_cast<size_t>(0.0375 * 44100 + 0.5);
  for (size_t i = 0; i < out.size(); ++i) {
    const bool muted = i >= 4410 && i < 4851;
    const float expected = muted ? 0.0f : (i < jump ? 1.0f : Db(-6));
    ASSERT_FLOAT_EQ(out[i], expected) << "sample " << i;
  }
}

TEST_F(AutomationTest, ADiscontinuityRestartsTheAutomationClockAtItsTime) {
  const REFERENCE_TIME restart = 50000000;  // 5 s
  ASSERT_EQ(AddEnvelope(0, {{restart + 100000, restart + 200000, 12.0f, 12.0f, MP_CURVE_JUMP, 0}}), S_OK);
  Build();
  PushOnes(4410, restart, true);
  const std::vector<float> out = Output();
  ASSERT_EQ(out.size(), 4410u);
  EXPECT_EQ(out[440], 1.0f);
  EXPECT_FLOAT_EQ(out[441], Db(12));
  EXPECT_FLOAT_EQ(out[881], Db(12));
  EXPECT_FLOAT_EQ(out[882], Db(12));  // a jump lands on its end value and stays
}

TEST_F(AutomationTest, JumpsTakeHoldOnEveryRunAndAfterASeekBack) {
  // Gain -12 dB for 50 ms, then +6 dB for 50 ms; muted from 20 to 30 ms.
  ASSERT_EQ(AddEnvelope(0, {{0, 500000, -12.0f, -12.0f, MP_CURVE_JUMP, 0},
                            {500000, 1000000, 6.0f, 6.0f, MP_CURVE_JUMP, 0}}),
            S_OK);
  ASSERT_EQ(AddEnvelope(1, {{200000, 300000, 1.0f, 0.0f, MP_CURVE_JUMP, 0}}), S_OK);
  // At 44.1 kHz the changes fall on samples 882, 1323 and 2205.
  auto expectPass = [&](int fromSample, const char* pass) {
    SCOPED_TRACE(pass);
    const std::vector<float> out = Output();
    ASSERT_EQ(out.size(), size_t(4410 - fromSample));
    for (size_t i = 0; i < out.size(); ++i) {
      const int k = fromSample + static_cast<int>(i);
      const float expected = k >= 882 && k < 1323 ? 0.0f : Db(k < 2205 ? -12 : 6);
      ASSERT_FLOAT_EQ(out[i], expected) << "sample " << k;
    }
  };

  Build();
  PushOnes(4410);
  expectPass(0, "first run");

  ASSERT_EQ(graph_->Stop(), S_OK);
  sink_->Clear();
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  PushOnes(4410);
  expectPass(0, "second run");

  // The host seeks back to 10 ms: the next sample carries the break.
  sink_->Clear();
  PushOnes(4410 - 441, 100000, true);
  expectPass(441, "after seeking back");
}

TEST_F(AutomationTest, AFormatChangeMidStreamKeepsTheAutomationClock) {
  // -6 dB from 50 ms on.
  ASSERT_EQ(AddEnvelope(0, {{500000, 1000000, -6.0f, -6.0f, MP_CURVE_JUMP, 0}}), S_OK);
  Build();
  PushOnes(1323);  // 30 ms of mono
  // Stereo from 30 ms on, announced on its first sample.
  const WAVEFORMATEX stereo = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32);
  CMediaType stereoType;
  MakeAudioType(stereo, &stereoType);
  const int stereoFrames = 2205;
  for (int at = 0; at < stereoFrames; at += 441) {
    const std::vector<float> ones(441 * 2, 1.0f);
    std::vector<BYTE> bytes(ones.size() * sizeof(float));
    std::memcpy(bytes.data(), ones.data(), bytes.size());
    const REFERENCE_TIME s = static_cast<REFERENCE_TIME>((1323 + at) / 44100.0 * 1e7 + 0.5);
    const AM_MEDIA_TYPE* announced = at == 0 ? &stereoType : nullptr;
    ASSERT_EQ(source_->Push(PushSample::Bytes(bytes).At(s, s + 100000).WithType(announced)), S_OK);
  }
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  const std::vector<float> out = Output();
  ASSERT_EQ(out.size(), size_t(1323 + 2 * stereoFrames));
  for (int k = 0; k < 1323 + stereoFrames; ++k) {
    const float expected = k < 2205 ? 1.0f : Db(-6);  // 50 ms of the stream, whatever the format
    const size_t at = k < 1323 ? size_t(k) : size_t(1323 + 2 * (k - 1323));
    ASSERT_FLOAT_EQ(out[at], expected) << "frame " << k;
    if (k >= 1323) {
      ASSERT_FLOAT_EQ(out[at + 1], expected) << "frame " << k << ", right";
    }
  }
}

}  // namespace

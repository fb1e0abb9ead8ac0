// What single filters add to the six filters' contract (test_filters.cpp):
// the Graphic EQ's envelope and rate slots, the Paragraphic EQ's float
// transform interface, and the dynamics effects' edit, curve, meter and
// host-parameter slots.
#include <windows.h>
#include <objbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "effects/gdyn/win/gdyn_prop.h"
#include "effects/geq/win/geq_prop.h"
#include "effects/mbdyn/win/mbdyn_prop.h"
#include "effects/pgeq/pgeq_transform.h"
#include "effects/pgeq/win/pgeq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/media_params.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

const CLSID kClsidGeq = {0x8B7226EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const IID kIidGeqProp = {0x8B722AEE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const CLSID kClsidPgeq = {0xD616F3E0, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};
const IID kIidPgeqProp = {0xD616F3EF, 0xD622, 0x11CE, {0xAA, 0xC5, 0x00, 0x20, 0xAF, 0x0B, 0x99, 0xA3}};
const IID kIidFloat = {0x8568D2A1, 0x2A86, 0x11D3, {0x9E, 0x94, 0x00, 0xC0, 0x4F, 0x68, 0xBE, 0x44}};
const CLSID kClsidGdyn = {0xF3B8E880, 0xB4E0, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const CLSID kClsidMbdyn = {0x026D0AA0, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPlugInProp2 = {0x5F7133A2, 0x9A34, 0x4E2E, {0xA7, 0xBD, 0xB6, 0x2A, 0x4A, 0x9D, 0xD5, 0xF5}};
constexpr WORD kPageCommand = 32700;

using NoArgFn = HRESULT(STDMETHODCALLTYPE*)(void*);
using BandGetFn = HRESULT(STDMETHODCALLTYPE*)(void*, long, long*);
using BandSetFn = HRESULT(STDMETHODCALLTYPE*)(void*, long, long);

std::basic_string<DWORD> Codes(std::initializer_list<WORD> codes) {
  std::basic_string<DWORD> s;
  for (WORD c : codes) s.push_back(MAKELONG(kPageCommand, c));
  return s;
}

// Begin-edit, is-editable and end-edit of `count` parameters whose slot
// groups start `stride` apart, called in that order.
void ExpectEditSlotsAnswer(void* raw, int begin, int editable, int end, int count, int stride) {
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(SlotOf<NoArgFn>(raw, begin + i * stride)(raw), S_OK) << begin + i * stride;
    EXPECT_EQ(SlotOf<NoArgFn>(raw, editable + i * stride)(raw), S_OK) << editable + i * stride;
    EXPECT_EQ(SlotOf<NoArgFn>(raw, end + i * stride)(raw), S_OK) << end + i * stride;
  }
}

class Adapters : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }
  template <class I>
  ComRef<I> Create(const CLSID& clsid, const IID& iid) {
    ComRef<I> object;
    EXPECT_EQ(module_.Create(clsid, iid, object.put()), S_OK);
    return object;
  }
  ComInit com_;
  ModuleUnderTest module_;
};

TEST_F(Adapters, GraphicEqEnvelopeRoundTripsUnclampedAndBadCountsAreHandled) {
  using SetEnvelopeFn = HRESULT(STDMETHODCALLTYPE*)(void*, const GeqPoint*, DWORD);
  using GetEnvelopeFn = HRESULT(STDMETHODCALLTYPE*)(void*, GeqPoint*, DWORD*);
  using GetRateFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD*);
  ComRef<IAkGeqProp> prop = Create<IAkGeqProp>(kClsidGeq, kIidGeqProp);
  ASSERT_TRUE(prop);
  void* raw = prop.get();
  auto envelope = [&] {
    GeqPoint points[64] = {};
    DWORD count = 0;
    EXPECT_EQ(SlotOf<GetEnvelopeFn>(raw, 55)(raw, points, &count), S_OK);
    return std::vector<GeqPoint>(points, points + count);
  };
  DWORD rate = 0;
  EXPECT_EQ(SlotOf<GetRateFn>(raw, 53)(raw, &rate), S_OK);
  EXPECT_EQ(rate, 44100u) << "the rate while the input is not connected";
  const GeqPoint three[] = {{0, -500}, {4321, 123}, {10000, 400}};
  ASSERT_EQ(SlotOf<SetEnvelopeFn>(raw, 54)(raw, three, 3), S_OK);
  std::vector<GeqPoint> env = envelope();
  ASSERT_EQ(env.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(env[i].x, three[i].x);
    EXPECT_EQ(env[i].y, three[i].y);
  }
  // One point cannot make a curve: refused, nothing changes.
  EXPECT_EQ(SlotOf<SetEnvelopeFn>(raw, 54)(raw, three, 1), E_INVALIDARG);
  EXPECT_EQ(envelope().size(), 3u);
  // More than the record holds: the first 64 are taken, nothing is overrun.
  std::vector<GeqPoint> many(100);
  for (int i = 0; i < 100; ++i) many[i] = {i * 100, i};
  ASSERT_EQ(SlotOf<SetEnvelopeFn>(raw, 54)(raw, many.data(), 100), S_OK);
  env = envelope();
  ASSERT_EQ(env.size(), 64u);
  EXPECT_EQ(env[63].x, 6300);
  GeqParams p = {};
  ASSERT_EQ(prop->GetParams(&p), S_OK);
  EXPECT_EQ(p.pointCount, 64);
  EXPECT_EQ(p.outputGain, 0) << "the field after the points is untouched";
}

TEST_F(Adapters, ParagraphicEqFloatInterfaceRunsTheProcessorAcrossCalls) {
  ComRef<IBaseFilter> eq = Create<IBaseFilter>(kClsidPgeq, IID_IBaseFilter);
  auto floats = QueryAs<IAkAudioTransformFloat>(eq.get(), kIidFloat);
  ASSERT_TRUE(floats);
  ASSERT_EQ(QueryAs<IStaticFilterPreset>(eq.get(), IID_IStaticFilterPreset)->ApplyPreset(4), S_OK);
  ASSERT_EQ(floats->Init(2, 44100), S_OK);
  std::vector<float> samples(2 * 6000), expected;
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = float(0.4 * std::sin(0.001 * double(i) * double(i % 2 + 1) * double(i / 2)));
  expected = samples;
  orlofx::CAkPgeqTransform reference;
  reference.ApplyPreset(4);
  orlofx::WaveFormat f = {};
  f.formatTag = WAVE_FORMAT_IEEE_FLOAT;
  f.channels = 2;
  f.samplesPerSec = 44100;
  f.blockAlign = 8;
  f.avgBytesPerSec = 44100 * 8;
  f.bitsPerSample = 32;
  ASSERT_EQ(reference.Prepare(f, f), orlofx::kOk);
  std::uint32_t n = 6000, m = 6000;
  reference.Process(orlofx::kProcessOrdinary, expected.data(), &n, expected.data(), &m);
  // Pieces of another size: the state carries across calls.
  for (size_t at = 0; at < samples.size(); at += 2 * 1100) {
    const DWORD frames = static_cast<DWORD>(std::min<size_t>(1100, (samples.size() - at) / 2));
    ASSERT_EQ(floats->Process(samples.data() + at, frames, FALSE), S_OK);
  }
  EXPECT_EQ(0, std::memcmp(samples.data(), expected.data(), samples.size() * sizeof(float)));
}

TEST_F(Adapters, ParagraphicEqFloatInterfaceChangeUpdateDrainAndStop) {
  ComRef<IBaseFilter> eq = Create<IBaseFilter>(kClsidPgeq, IID_IBaseFilter);
  auto floats = QueryAs<IAkAudioTransformFloat>(eq.get(), kIidFloat);
  auto prop = QueryAs<IAkPgeqProp>(eq.get(), kIidPgeqProp);
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
  ASSERT_EQ(eq->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  ASSERT_EQ(floats->Init(1, 44100), S_OK);
  ASSERT_EQ(eq->Stop(), S_OK);  // the graph's Stop leaves the float stream alone
  EXPECT_EQ(floats->Process(buffer.data(), 512, FALSE), S_OK);
}

TEST_F(Adapters, GraphicDynamicsEditAndCurveSlotsAndTheHostsSetParamMeetInOneValue) {
  using orlofx::AkGdynProps;
  using orlofx::GdynPoint;
  using PropsFn = HRESULT(STDMETHODCALLTYPE*)(void*, AkGdynProps*);
  using PointsSetFn = HRESULT(STDMETHODCALLTYPE*)(void*, const GdynPoint*, long);
  using PointsGetFn = HRESULT(STDMETHODCALLTYPE*)(void*, GdynPoint*, long*);
  ComRef<gdyn::IAkPlugInProp2> prop = Create<gdyn::IAkPlugInProp2>(kClsidGdyn, kIidPlugInProp2);
  ASSERT_TRUE(prop);
  void* raw = prop.get();
  ExpectEditSlotsAnswer(raw, 11, 13, 12, 6, 5);
  // The curve: points in, the curve's threshold and ratio out.
  const GdynPoint limiter[] = {{-840, -840}, {-60, -60}, {0, -60}};
  ASSERT_EQ(SlotOf<PointsSetFn>(raw, 39)(raw, limiter, 3), S_OK);
  GdynPoint got[16] = {};
  long count = 0;
  ASSERT_EQ(SlotOf<PointsGetFn>(raw, 40)(raw, got, &count), S_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(got[2].y, -60);
  EXPECT_EQ(SetAndGetThroughSlots(raw, 42, 41, 30), 500) << "the ratio read is the curve's";
  EXPECT_EQ(SetAndGetThroughSlots(raw, 44, 43, -100), -60) << "the threshold read is the curve's";
  // The whole-record setter through its slot clamps too.
  AkGdynProps loud = {};
  ASSERT_EQ(prop->GetAllProps(&loud), S_OK);
  loud.release = -5;
  loud.points[0].x = -5000;
  ASSERT_EQ(SlotOf<PropsFn>(raw, 4)(raw, &loud), S_OK);
  AkGdynProps now = {};
  ASSERT_EQ(prop->GetAllProps(&now), S_OK);
  EXPECT_EQ(now.release, 0);
  EXPECT_EQ(now.points[0].x, -840);

  // The host sets 123.4 ms; the property reads 1234 tenths; the page hears code 0.
  auto params = QueryAs<IMediaParams>(prop.get(), IID_IMediaParams);
  auto persist = QueryAs<IPersistStream>(prop.get(), IID_IPersistStream);
  ASSERT_TRUE(params && persist);
  NotificationWindow window;
  ASSERT_EQ(prop->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_FALSE(SaveToMemory(persist.get(), TRUE).empty());
  EXPECT_EQ(params->SetParam(1, 123.4f), S_OK);
  long release = 0;
  prop->GetRelease(&release);
  EXPECT_EQ(release, 1234);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  EXPECT_EQ(window.Take(), Codes({0}));
  EXPECT_EQ(params->SetParam(1, 123.4f), S_FALSE);
  EXPECT_EQ(params->SetParam(4, 30.0f), E_INVALIDARG);
  EXPECT_TRUE(window.Take().empty());
  ASSERT_EQ(prop->SetOutputGain(-65), S_OK);
  MP_DATA gain = 0;
  ASSERT_EQ(params->GetParam(4, &gain), S_OK);
  EXPECT_FLOAT_EQ(gain, -6.5f);
  // The host's view of the parameters is the same object's.
  auto info = QueryAs<IMediaParamInfo>(prop.get(), IID_IMediaParamInfo);
  ASSERT_TRUE(info);
  EXPECT_TRUE(QueryAs<IMediaParamsSetUICallback>(prop.get(), IID_IMediaParamsSetUICallback));
  DWORD n = 0;
  ASSERT_EQ(info->GetParamCount(&n), S_OK);
  EXPECT_EQ(n, 6u);
  MP_PARAMINFO desc = {};
  ASSERT_EQ(info->GetParamInfo(4, &desc), S_OK);
  EXPECT_STREQ(desc.szLabel, L"Output Gain");
  EXPECT_STREQ(desc.szUnitText, L"dB");
  EXPECT_EQ(desc.mpdMinValue, -25.0f);
  EXPECT_EQ(desc.mpdMaxValue, 25.0f);
}

TEST_F(Adapters, MultiBandEditMeterAndDisplaySlotsAndCaptureThreshold) {
  using HistoryFn = HRESULT(STDMETHODCALLTYPE*)(void*, long, mbdyn::MeterSnapshot*);
  ComRef<mbdyn::IAkPlugInProp2> prop = Create<mbdyn::IAkPlugInProp2>(kClsidMbdyn, kIidPlugInProp2);
  ASSERT_TRUE(prop);
  void* raw = prop.get();
  ExpectEditSlotsAnswer(raw, 13, 15, 14, 43, 5);
  EXPECT_EQ(SetAndGetThroughSlots(raw, 8, 7, 0), 0) << "enable meters";
  // Display words of band 3 in both groups.
  ASSERT_EQ(SlotOf<BandSetFn>(raw, 231)(raw, 3, 4444), S_OK);
  ASSERT_EQ(SlotOf<BandSetFn>(raw, 233)(raw, 3, -5), S_OK);
  long word = 0;
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 230)(raw, 3, &word), S_OK);
  EXPECT_EQ(word, 4444);
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 232)(raw, 3, &word), S_OK);
  EXPECT_EQ(word, -5);
  orlofx::MbdynParams p = {};
  ASSERT_EQ(prop->GetAllProps(&p), S_OK);
  EXPECT_EQ(p.display[2], 4444);
  EXPECT_EQ(p.display[6], -5);
  // Meter source, not persisted.
  ASSERT_EQ(SlotOf<BandSetFn>(raw, 237)(raw, 2, 1), S_OK);
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 236)(raw, 2, &word), S_OK);
  EXPECT_EQ(word, 1);
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 236)(raw, 1, &word), S_OK);
  EXPECT_EQ(word, 0);
  // Meters before any stream: floor values, an empty history.
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 228)(raw, 1, &word), S_OK);
  EXPECT_EQ(word, -600);
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 229)(raw, 4, &word), S_OK);
  EXPECT_EQ(word, -600);
  mbdyn::MeterSnapshot snapshot = {};
  EXPECT_EQ(SlotOf<HistoryFn>(raw, 235)(raw, 0, &snapshot), S_FALSE);
  EXPECT_EQ(SlotOf<NoArgFn>(raw, 238)(raw), E_NOTIMPL);
  EXPECT_EQ(SlotOf<NoArgFn>(raw, 243)(raw), S_OK);

  // With capture on, the host's threshold values are no-ops, unannounced.
  auto params = QueryAs<IMediaParams>(prop.get(), IID_IMediaParams);
  auto info = QueryAs<IMediaParamInfo>(prop.get(), IID_IMediaParamInfo);
  ASSERT_TRUE(params && info);
  DWORD count = 0;
  ASSERT_EQ(info->GetParamCount(&count), S_OK);
  EXPECT_EQ(count, 43u);
  MP_PARAMINFO desc = {};
  ASSERT_EQ(info->GetParamInfo(27, &desc), S_OK);
  EXPECT_STREQ(desc.szLabel, L"Band 3 Width");
  EXPECT_STREQ(desc.szUnitText, L"octaves");
  EXPECT_FLOAT_EQ(desc.mpdMinValue, 0.3f);
  NotificationWindow window;
  ASSERT_EQ(prop->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_EQ(SetAndGetThroughSlots(raw, 10, 9, 1), 1);
  EXPECT_EQ(params->SetParam(10, -30.0f), S_OK);
  long threshold = 1;
  prop->GetBand2Threshold(&threshold);
  EXPECT_EQ(threshold, 0);
  EXPECT_TRUE(window.Take().empty()) << "an ignored value is not announced";
  EXPECT_EQ(params->SetParam(11, 4.0f), S_OK) << "band 2 amount still follows the host";
  long amount = 0;
  prop->GetBand2Amount(&amount);
  EXPECT_EQ(amount, 40);
  EXPECT_EQ(window.Take(), Codes({0}));
  ASSERT_EQ(prop->SetCaptureThreshold(0), S_OK);
  EXPECT_EQ(params->SetParam(10, -30.0f), S_OK);
  prop->GetBand2Threshold(&threshold);
  EXPECT_EQ(threshold, -300);
  EXPECT_EQ(window.Take(), Codes({0}));
}

}  // namespace

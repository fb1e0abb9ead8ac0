// What single filters' COM layers add to the six filters' contract
// (test_filters.cpp): the Graphic EQ's envelope and rate slots, the
// Paragraphic EQ's float transform interface, and the dynamics effects'
// edit, curve, meter and host-parameter slots.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "effects/gdyn/win/gdyn_prop.h"
#include "effects/geq/win/geq_prop.h"
#include "effects/mbdyn/win/mbdyn_prop.h"
#include "effects/pgeq/pgeq_transform.h"
#include "effects/pgeq/win/pgeq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/guids.h"
#include "framework/win/media_params.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

const std::basic_string<DWORD> kCode0(1, MAKELONG(32700, 0));  // set through automation

// Begin-edit, is-editable and end-edit of `count` parameters whose slot
// groups start `stride` apart, called in that order.
void ExpectEditSlotsAnswer(void* raw, int begin, int editable, int end, int count, int stride) {
  for (int i = 0; i < count * stride; i += stride)
    for (int slot : {begin + i, editable + i, end + i}) EXPECT_EQ(CallSlot(raw, slot), S_OK) << slot;
}

long BandWord(void* raw, int slot, long band) {
  long word = 0x7EEE;
  EXPECT_EQ((CallSlot<long, long*>(raw, slot, band, &word)), S_OK) << slot;
  return word;
}

class Adapters : public ::testing::Test {
 protected:
  template <class I>
  ComRef<I> Create(const CLSID& clsid, const IID& iid) {
    ComRef<I> object;
    EXPECT_EQ(module_.Create(clsid, iid, object.put()), S_OK);
    return object;
  }
  ComInit com_;
  ModuleUnderTest module_;
};

TEST_F(Adapters, GraphicEqEnvelopeAndRateSlots) {
  ComRef<IAkGeqProp> prop = Create<IAkGeqProp>(CLSID_AkGeq, IID_IAkGeqProp);
  ASSERT_TRUE(prop);
  void* raw = prop.get();
  auto envelope = [&] {
    GeqPoint points[64] = {};
    DWORD count = 0;
    EXPECT_EQ((CallSlot<GeqPoint*, DWORD*>(raw, 55, points, &count)), S_OK);
    return std::vector<GeqPoint>(points, points + count);
  };
  DWORD rate = 0;
  EXPECT_EQ(CallSlot<DWORD*>(raw, 53, &rate), S_OK);
  EXPECT_EQ(rate, 44100u) << "the rate while the input is not connected";
  const GeqPoint three[] = {{0, -500}, {4321, 123}, {10000, 400}};
  ASSERT_EQ((CallSlot<const GeqPoint*, DWORD>(raw, 54, three, 3)), S_OK);
  ASSERT_EQ(envelope().size(), 3u);
  EXPECT_EQ(std::memcmp(envelope().data(), three, sizeof three), 0);
  // Counts beyond the record and the field after the points are checked natively.
  EXPECT_EQ((CallSlot<const GeqPoint*, DWORD>(raw, 54, three, 1)), E_INVALIDARG) << "one point makes no curve";
  EXPECT_EQ(envelope().size(), 3u);
}

TEST_F(Adapters, ParagraphicEqFloatInterfaceRunsTheProcessorAndKeepsItsOwnStream) {
  ComRef<IBaseFilter> eq = Create<IBaseFilter>(CLSID_AkPgeq, IID_IBaseFilter);
  auto floats = QueryAs<IAkAudioTransformFloat>(eq.get(), IID_IAkAudioTransformFloat);
  auto prop = QueryAs<IAkPgeqProp>(eq.get(), IID_IAkPgeqProp);
  ASSERT_TRUE(floats && prop);
  ASSERT_EQ(QueryAs<IStaticFilterPreset>(eq.get(), IID_IStaticFilterPreset)->ApplyPreset(4), S_OK);
  ASSERT_EQ(floats->Init(2, 44100), S_OK);
  WAVEFORMATEX wf = {};
  ASSERT_EQ(prop->GetFormat(&wf), S_OK);
  EXPECT_TRUE(SameAudioFormat(wf, MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32)));
  std::vector<float> samples(2 * 6000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = float(0.4 * std::sin(0.001 * double(i) * double(i % 97)));
  std::vector<BYTE> bytes(samples.size() * sizeof(float));
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  orlofx::CAkPgeqTransform reference;
  reference.ApplyPreset(4);
  const std::vector<BYTE> expected = ProcessorOutput(reference, wf, bytes, bytes.size());
  for (size_t at = 0; at < samples.size(); at += 2 * 1100)  // pieces of another size: the state carries on
    ASSERT_EQ(floats->Process(&samples[at], DWORD(std::min<size_t>(1100, (samples.size() - at) / 2)), FALSE), S_OK);
  ASSERT_EQ(expected.size(), bytes.size());
  EXPECT_EQ(std::memcmp(samples.data(), expected.data(), expected.size()), 0);
  EXPECT_EQ(floats->IsChanged(), S_FALSE);
  EXPECT_EQ(floats->Update(FALSE, 0, 0), S_FALSE);
  prop->SetBand1Gain(120);
  EXPECT_EQ(floats->IsChanged(), S_OK);
  EXPECT_EQ(floats->IsChanged(), S_OK) << "asking does not clear it";
  EXPECT_EQ(floats->Update(FALSE, 0, 0), S_OK);
  EXPECT_EQ(floats->IsChanged(), S_FALSE);
  DWORD value = 77;
  EXPECT_EQ(floats->QueryValue(3, &value), S_FALSE);
  EXPECT_EQ(value, 0u);
  // An impulse rings in the band; draining goes on until it is quiet.
  std::vector<float> buffer(1024, 0.0f);
  buffer[0] = 1.0f;
  ASSERT_EQ(floats->Process(buffer.data(), 512, FALSE), S_OK);
  int calls = 0;
  HRESULT hr = S_OK;
  while ((hr = floats->Process(buffer.data(), 512, TRUE)) == S_OK && ++calls < 1000) std::fill(buffer.begin(), buffer.end(), 0.0f);
  EXPECT_EQ(hr, S_FALSE);
  EXPECT_GT(calls, 0);
  // The float Stop ends the float stream, not the filter's graph state, and
  // the graph's Stop leaves the float stream alone.
  ASSERT_EQ(floats->Stop(), S_OK);
  EXPECT_EQ(floats->Process(buffer.data(), 512, FALSE), E_UNEXPECTED);
  FILTER_STATE state = State_Running;
  ASSERT_EQ(eq->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  ASSERT_EQ(floats->Init(1, 44100), S_OK);
  ASSERT_EQ(eq->Stop(), S_OK);
  EXPECT_EQ(floats->Process(buffer.data(), 512, FALSE), S_OK);
}

TEST_F(Adapters, GraphicDynamicsCurveAndEditSlotsAndTheHostsSetParamMeetInOneValue) {
  using orlofx::GdynPoint;
  ComRef<gdyn::IAkPlugInProp2> prop = Create<gdyn::IAkPlugInProp2>(CLSID_AkGdyn, IID_IAkPlugInProp2);
  ASSERT_TRUE(prop);
  void* raw = prop.get();
  ExpectEditSlotsAnswer(raw, 11, 13, 12, 6, 5);
  // The curve: points in, the curve's threshold and ratio out.
  const GdynPoint limiter[] = {{-840, -840}, {-60, -60}, {0, -60}};
  ASSERT_EQ((CallSlot<const GdynPoint*, long>(raw, 39, limiter, 3)), S_OK);
  GdynPoint got[16] = {};
  long count = 0;
  ASSERT_EQ((CallSlot<GdynPoint*, long*>(raw, 40, got, &count)), S_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(got[2].y, -60);
  EXPECT_EQ(SetAndGetThroughSlots(raw, 42, 41, 30), 500) << "the ratio read is the curve's";
  EXPECT_EQ(SetAndGetThroughSlots(raw, 44, 43, -100), -60) << "the threshold read is the curve's";
  // The host sets 123.4 ms; the property reads 1234 tenths; the page hears code 0.
  auto params = QueryAs<IMediaParams>(prop.get(), IID_IMediaParams);
  auto persist = QueryAs<IPersistStream>(prop.get(), IID_IPersistStream);
  ASSERT_TRUE(params && persist && QueryAs<IMediaParamInfo>(prop.get(), IID_IMediaParamInfo) &&
              QueryAs<IMediaParamsSetUICallback>(prop.get(), IID_IMediaParamsSetUICallback));
  NotificationWindow window;
  ASSERT_EQ(prop->SetNotifyWindow(window.Handle(), 32700), S_OK);
  ASSERT_FALSE(SaveToMemory(persist.get(), TRUE).empty());
  EXPECT_EQ(params->SetParam(1, 123.4f), S_OK);
  long release = 0;
  prop->GetRelease(&release);
  EXPECT_EQ(release, 1234);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  EXPECT_EQ(window.Take(), kCode0);
  EXPECT_EQ(params->SetParam(1, 123.4f), S_FALSE);
  EXPECT_EQ(params->SetParam(4, 30.0f), E_INVALIDARG);
  EXPECT_TRUE(window.Take().empty());
  ASSERT_EQ(prop->SetOutputGain(-65), S_OK);
  MP_DATA gain = 0;
  ASSERT_EQ(params->GetParam(4, &gain), S_OK);
  EXPECT_FLOAT_EQ(gain, -6.5f);
}

TEST_F(Adapters, MultiBandEditMeterAndDisplaySlotsAndCaptureThreshold) {
  ComRef<mbdyn::IAkPlugInProp2> prop = Create<mbdyn::IAkPlugInProp2>(CLSID_AkMbdyn, IID_IAkPlugInProp2);
  ASSERT_TRUE(prop);
  void* raw = prop.get();
  ExpectEditSlotsAnswer(raw, 13, 15, 14, 43, 5);
  EXPECT_EQ(SetAndGetThroughSlots(raw, 8, 7, 0), 0) << "enable meters";
  // Display words of band 3 in both groups reach the record; the meter source does not.
  for (auto [slot, band, word] : {std::array<long, 3>{231, 3, 4444}, {233, 3, -5}, {237, 2, 1}})
    ASSERT_EQ((CallSlot<long, long>(raw, int(slot), band, word)), S_OK);
  EXPECT_TRUE(BandWord(raw, 230, 3) == 4444 && BandWord(raw, 232, 3) == -5);
  EXPECT_TRUE(BandWord(raw, 236, 2) == 1 && BandWord(raw, 236, 1) == 0);
  orlofx::MbdynParams p = {};
  ASSERT_EQ(prop->GetAllProps(&p), S_OK);
  EXPECT_TRUE(p.display[2] == 4444 && p.display[6] == -5);
  // Meters before any stream: floor values, an empty history.
  EXPECT_TRUE(BandWord(raw, 228, 1) == -600 && BandWord(raw, 229, 4) == -600);
  mbdyn::MeterSnapshot snapshot = {};
  EXPECT_EQ((CallSlot<long, mbdyn::MeterSnapshot*>(raw, 235, 0, &snapshot)), S_FALSE);
  EXPECT_EQ(CallSlot(raw, 238), E_NOTIMPL);
  EXPECT_EQ(CallSlot(raw, 243), S_OK);
  // With capture on (slot 10), the host's threshold values are no-ops
  // (checked natively) and unannounced; a value taken is announced.
  auto params = QueryAs<IMediaParams>(prop.get(), IID_IMediaParams);
  ASSERT_TRUE(params);
  NotificationWindow window;
  ASSERT_EQ(prop->SetNotifyWindow(window.Handle(), 32700), S_OK);
  ASSERT_EQ(SetAndGetThroughSlots(raw, 10, 9, 1), 1);
  EXPECT_EQ(params->SetParam(10, -30.0f), S_OK);
  EXPECT_TRUE(window.Take().empty()) << "an ignored value is not announced";
  EXPECT_EQ(params->SetParam(11, 4.0f), S_OK);
  EXPECT_EQ(window.Take(), kCode0);
}

}  // namespace

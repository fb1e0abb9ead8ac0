// The Multi-Band Dynamics filter as a host sees it: its IAkPlugInProp2 called
// slot by slot, capture threshold against the host's SetParam and the meter
// maxima, persistence of both record sizes, presets and notifications, and
// streaming with our own source and sink, where a band threshold envelope
// must act from the block it starts in.
#include <windows.h>
#include <objbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/mbdyn/win/mbdyn_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/media_params.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;
using mbdyn::IAkPlugInProp2;
using orlofx::MbdynParams;

const CLSID kClsidMbdyn = {0x026D0AA0, 0x9BB9, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPlugInProp2 = {0x5F7133A2, 0x9A34, 0x4E2E, {0xA7, 0xBD, 0xB6, 0x2A, 0x4A, 0x9D, 0xD5, 0xF5}};

constexpr WORD kPageCommand = 32700;

using PropsFn = HRESULT(STDMETHODCALLTYPE*)(void*, MbdynParams*);
using NoArgFn = HRESULT(STDMETHODCALLTYPE*)(void*);
using BandGetFn = HRESULT(STDMETHODCALLTYPE*)(void*, long, long*);
using BandSetFn = HRESULT(STDMETHODCALLTYPE*)(void*, long, long);
using HistoryFn = HRESULT(STDMETHODCALLTYPE*)(void*, long, mbdyn::MeterSnapshot*);

std::basic_string<DWORD> Codes(std::initializer_list<WORD> codes) {
  std::basic_string<DWORD> s;
  for (WORD c : codes) s.push_back(MAKELONG(kPageCommand, c));
  return s;
}

class MbdynFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(kClsidMbdyn, kIidPlugInProp2, prop_.put()), S_OK);
    persist_ = QueryAs<IPersistStream>(prop_.get(), IID_IPersistStream);
    presets_ = QueryAs<IStaticFilterPreset>(prop_.get(), IID_IStaticFilterPreset);
    params_ = QueryAs<IMediaParams>(prop_.get(), IID_IMediaParams);
    ASSERT_TRUE(persist_);
    ASSERT_TRUE(presets_);
    ASSERT_TRUE(params_);
  }

  MbdynParams Props() {
    MbdynParams p = {};
    EXPECT_EQ(prop_->GetAllProps(&p), S_OK);
    return p;
  }

  ComInit com_;
  ModuleUnderTest module_;
  ComRef<IAkPlugInProp2> prop_;
  ComRef<IPersistStream> persist_;
  ComRef<IStaticFilterPreset> presets_;
  ComRef<IMediaParams> params_;
};

// The plain get/set slots are in the six filters' contract (test_filters.cpp).
TEST_F(MbdynFilterTest, EditMeterAndDisplaySlotsDoTheirOwnJobs) {
  void* raw = prop_.get();
  // Begin, end and is-editable of every parameter answer in their slots.
  for (int first = 11; first <= 221; first += 5) {
    EXPECT_EQ(SlotOf<NoArgFn>(raw, first + 2)(raw), S_OK) << first;  // begin edit
    EXPECT_EQ(SlotOf<NoArgFn>(raw, first + 4)(raw), S_OK) << first;  // editable
    EXPECT_EQ(SlotOf<NoArgFn>(raw, first + 3)(raw), S_OK) << first;  // end edit
  }
  EXPECT_EQ(SetAndGetThroughSlots(raw, 8, 7, 0), 0) << "enable meters";
  // Display words of band 3 in both groups.
  ASSERT_EQ(SlotOf<BandSetFn>(raw, 231)(raw, 3, 4444), S_OK);
  ASSERT_EQ(SlotOf<BandSetFn>(raw, 233)(raw, 3, -5), S_OK);
  long word = 0;
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 230)(raw, 3, &word), S_OK);
  EXPECT_EQ(word, 4444);
  ASSERT_EQ(SlotOf<BandGetFn>(raw, 232)(raw, 3, &word), S_OK);
  EXPECT_EQ(word, -5);
  EXPECT_EQ(Props().display[2], 4444);
  EXPECT_EQ(Props().display[6], -5);
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
}

TEST_F(MbdynFilterTest, CaptureThresholdMakesTheHostsThresholdValuesNoOps) {
  auto info = QueryAs<IMediaParamInfo>(prop_.get(), IID_IMediaParamInfo);
  ASSERT_TRUE(info);
  DWORD count = 0;
  ASSERT_EQ(info->GetParamCount(&count), S_OK);
  EXPECT_EQ(count, 43u);
  MP_PARAMINFO desc = {};
  ASSERT_EQ(info->GetParamInfo(27, &desc), S_OK);
  EXPECT_STREQ(desc.szLabel, L"Band 3 Width");
  EXPECT_STREQ(desc.szUnitText, L"octaves");
  EXPECT_FLOAT_EQ(desc.mpdMinValue, 0.3f);
  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_EQ(SetAndGetThroughSlots(prop_.get(), 10, 9, 1), 1);
  EXPECT_EQ(params_->SetParam(10, -30.0f), S_OK);
  long threshold = 1;
  prop_->GetBand2Threshold(&threshold);
  EXPECT_EQ(threshold, 0);
  EXPECT_TRUE(window.Take().empty()) << "an ignored value is not announced";
  EXPECT_EQ(params_->SetParam(11, 4.0f), S_OK) << "band 2 amount still follows the host";
  long amount = 0;
  prop_->GetBand2Amount(&amount);
  EXPECT_EQ(amount, 40);
  EXPECT_EQ(window.Take(), Codes({0}));
  ASSERT_EQ(prop_->SetCaptureThreshold(0), S_OK);
  EXPECT_EQ(params_->SetParam(10, -30.0f), S_OK);
  prop_->GetBand2Threshold(&threshold);
  EXPECT_EQ(threshold, -300);
  EXPECT_EQ(window.Take(), Codes({0}));
}

// --- streaming with our own source and sink ---------------------------------------

class MbdynStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }

  void Build(const WAVEFORMATEX& wf) {
    graph_ = std::make_unique<FilterGraph>();
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(module_.Create(kClsidMbdyn, IID_IBaseFilter, filter_.put()), S_OK);
    prop_ = QueryAs<IAkPlugInProp2>(filter_.get(), kIidPlugInProp2);
    ASSERT_TRUE(prop_);
    ASSERT_EQ(graph_->Add(source_.get(), L"source"), S_OK);
    ASSERT_EQ(graph_->Add(filter_.get(), L"multiband"), S_OK);
    ASSERT_EQ(graph_->Add(sink_.get(), L"sink"), S_OK);
    ASSERT_EQ(graph_->Connect(source_->OutputPin(),
                              FindPinByDirection(filter_.get(), PINDIR_INPUT).get()),
              S_OK);
    ASSERT_EQ(graph_->Connect(FindPinByDirection(filter_.get(), PINDIR_OUTPUT).get(),
                              sink_->InputPin()),
              S_OK);
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

  ComInit com_;
  ModuleUnderTest module_;
  std::unique_ptr<FilterGraph> graph_;
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  ComRef<IBaseFilter> filter_;
  ComRef<IAkPlugInProp2> prop_;
};

TEST_F(MbdynStreamingTest, ABandThresholdEnvelopeActsFromTheBlockItStartsIn) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 32);
  Build(wf);
  // Band 1 a band-notch at 1 kHz that removes itself above its threshold at
  // once; threshold 0 dB, so a -6 dB tone passes until the envelope.
  ASSERT_EQ(prop_->SetBand1Type(1), S_OK);
  ASSERT_EQ(prop_->SetBand1Center(1000), S_OK);
  ASSERT_EQ(prop_->SetBand1Amount(500), S_OK);
  ASSERT_EQ(prop_->SetBand1Attack(0), S_OK);
  ASSERT_EQ(prop_->SetBand1Release(0), S_OK);
  auto params = QueryAs<IMediaParams>(filter_.get(), IID_IMediaParams);
  ASSERT_TRUE(params);
  // -40 dB from 0.2 s (the start of block 10) to the end.
  MP_ENVELOPE_SEGMENT segment = {2000000, 10000000, -40.0f, -40.0f, MP_CURVE_JUMP, 0};
  ASSERT_EQ(params->AddEnvelope(0, 1, &segment), S_OK);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  std::vector<float> samples(20 * 882);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<float>(0.5 * std::sin(2.0 * 3.14159265358979 * 1000.0 * i / 44100.0));
  std::vector<BYTE> in(samples.size() * 4);
  std::memcpy(in.data(), samples.data(), in.size());
  PushAll(wf, in, 1000 * 4);
  EXPECT_EQ(prop_->IsBand1ThresholdEditable(), S_FALSE) << "under the envelope while streaming";
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  std::vector<BYTE> got = sink_->AllBytes();
  ASSERT_EQ(got.size(), in.size());
  std::vector<float> out(samples.size());
  std::memcpy(out.data(), got.data(), got.size());
  for (size_t i = 0; i < 10 * 882; ++i) ASSERT_EQ(out[i], samples[i]) << i;
  double before = 0.0, after = 0.0;
  for (size_t i = 10 * 882; i < 11 * 882; ++i) {
    before += samples[i] * samples[i];
    after += out[i] * out[i];
  }
  EXPECT_LT(after, 0.01 * before) << "the band is taken out from sample 8820 on";
  graph_->Stop();
  EXPECT_EQ(prop_->IsBand1ThresholdEditable(), S_OK);
}

TEST_F(MbdynStreamingTest, CaptureGivesTheVisibleActiveBandItsMeasuredMaximum) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16);
  Build(wf);
  ASSERT_EQ(prop_->SetBand1Center(1000), S_OK);
  ASSERT_EQ(prop_->SetBand3Bypass(0), S_OK);
  ASSERT_EQ(prop_->SetCaptureThreshold(1), S_OK);
  ASSERT_EQ(prop_->ResetMeterMaxima(), S_OK);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  PushAll(wf, TestSignal(wf, 44100 / 4), 441 * wf.nBlockAlign);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  graph_->Stop();
  // What the page would show: the largest band 1 value since it last looked.
  long shown = 0;
  ASSERT_EQ(prop_->GetMeterMaximum(1, &shown), S_OK);
  ASSERT_GT(shown, -600);
  long changed = 0;
  ASSERT_EQ(prop_->SetVisiblePage(1), S_OK);
  ASSERT_EQ(SlotOf<HRESULT(STDMETHODCALLTYPE*)(void*, long*)>(prop_.get(), 242)(prop_.get(), &changed),
            S_OK);
  EXPECT_EQ(changed, 1);
  long threshold = 0;
  prop_->GetBand1Threshold(&threshold);
  EXPECT_EQ(threshold, shown) << "the page's read did not consume the captured maximum";
  prop_->GetBand3Threshold(&threshold);
  EXPECT_EQ(threshold, 0) << "band 3 is not on the visible page";
}

}  // namespace

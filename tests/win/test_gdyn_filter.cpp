// The Graphic Dynamics filter as a host sees it: its IAkPlugInProp2 called
// slot by slot, the media-parameter interfaces on the same object,
// persistence of both record sizes, presets, notifications, and streaming in
// a graph with our own source and sink, where the one-frame hold-back and
// the drain must give back exactly the input's length, equal to the
// processor's output, with continuous stamps.
#include <windows.h>
#include <objbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/gdyn/gdyn_transform.h"
#include "effects/gdyn/win/gdyn_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/media_params.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;
using gdyn::IAkPlugInProp2;
using orlofx::AkGdynProps;
using orlofx::GdynPoint;

const CLSID kClsidGdyn = {0xF3B8E880, 0xB4E0, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidPlugInProp2 = {0x5F7133A2, 0x9A34, 0x4E2E, {0xA7, 0xBD, 0xB6, 0x2A, 0x4A, 0x9D, 0xD5, 0xF5}};

constexpr WORD kPageCommand = 32700;

using PropsFn = HRESULT(STDMETHODCALLTYPE*)(void*, AkGdynProps*);
using NoArgFn = HRESULT(STDMETHODCALLTYPE*)(void*);
using PointsSetFn = HRESULT(STDMETHODCALLTYPE*)(void*, const GdynPoint*, long);
using PointsGetFn = HRESULT(STDMETHODCALLTYPE*)(void*, GdynPoint*, long*);

std::basic_string<DWORD> Codes(std::initializer_list<WORD> codes) {
  std::basic_string<DWORD> s;
  for (WORD c : codes) s.push_back(MAKELONG(kPageCommand, c));
  return s;
}

class GdynFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(kClsidGdyn, kIidPlugInProp2, prop_.put()), S_OK);
    persist_ = QueryAs<IPersistStream>(prop_.get(), IID_IPersistStream);
    presets_ = QueryAs<IStaticFilterPreset>(prop_.get(), IID_IStaticFilterPreset);
    params_ = QueryAs<IMediaParams>(prop_.get(), IID_IMediaParams);
    ASSERT_TRUE(persist_);
    ASSERT_TRUE(presets_);
    ASSERT_TRUE(params_);
  }

  AkGdynProps Props() {
    AkGdynProps p = {};
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
TEST_F(GdynFilterTest, EditSlotsAndTheCurveSlotsDoTheirOwnJobs) {
  void* raw = prop_.get();
  // Begin, end and is-editable of every parameter answer in their slots.
  for (int first : {11, 16, 21, 26, 31, 36}) {
    EXPECT_EQ(SlotOf<NoArgFn>(raw, first)(raw), S_OK) << first;      // begin edit
    EXPECT_EQ(SlotOf<NoArgFn>(raw, first + 2)(raw), S_OK) << first;  // editable
    EXPECT_EQ(SlotOf<NoArgFn>(raw, first + 1)(raw), S_OK) << first;  // end edit
  }

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
  AkGdynProps loud = Props();
  loud.release = -5;
  loud.points[0].x = -5000;
  ASSERT_EQ(SlotOf<PropsFn>(raw, 4)(raw, &loud), S_OK);
  EXPECT_EQ(Props().release, 0);
  EXPECT_EQ(Props().points[0].x, -840);
}

TEST_F(GdynFilterTest, PropertySettersAndTheHostsSetParamMeetInOneValue) {
  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ASSERT_FALSE(SaveToMemory(persist_.get(), TRUE).empty());
  ASSERT_EQ(prop_->SetRelease(5000), S_OK);
  EXPECT_EQ(persist_->IsDirty(), S_FALSE) << "an equal value changes nothing";

  // The host sets 123.4 ms; the property reads 1234 tenths; the page hears code 0.
  EXPECT_EQ(params_->SetParam(1, 123.4f), S_OK);
  long release = 0;
  prop_->GetRelease(&release);
  EXPECT_EQ(release, 1234);
  EXPECT_EQ(persist_->IsDirty(), S_OK);
  EXPECT_EQ(window.Take(), Codes({0}));
  EXPECT_EQ(params_->SetParam(1, 123.4f), S_FALSE);
  EXPECT_EQ(params_->SetParam(4, 30.0f), E_INVALIDARG);
  EXPECT_TRUE(window.Take().empty());

  ASSERT_EQ(prop_->SetOutputGain(-65), S_OK);
  MP_DATA gain = 0;
  ASSERT_EQ(params_->GetParam(4, &gain), S_OK);
  EXPECT_FLOAT_EQ(gain, -6.5f);

  // The host's view of the parameters is the same object's.
  auto info = QueryAs<IMediaParamInfo>(prop_.get(), IID_IMediaParamInfo);
  ASSERT_TRUE(info);
  EXPECT_TRUE(QueryAs<IMediaParamsSetUICallback>(prop_.get(), IID_IMediaParamsSetUICallback));
  DWORD count = 0;
  ASSERT_EQ(info->GetParamCount(&count), S_OK);
  EXPECT_EQ(count, 6u);
  MP_PARAMINFO desc = {};
  ASSERT_EQ(info->GetParamInfo(4, &desc), S_OK);
  EXPECT_STREQ(desc.szLabel, L"Output Gain");
  EXPECT_STREQ(desc.szUnitText, L"dB");
  EXPECT_EQ(desc.mpdMinValue, -25.0f);
  EXPECT_EQ(desc.mpdMaxValue, 25.0f);
}

// --- streaming with our own source and sink ---------------------------------------

class GdynStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }

  void Build(const WAVEFORMATEX& wf) {
    graph_ = std::make_unique<FilterGraph>();
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(module_.Create(kClsidGdyn, IID_IBaseFilter, filter_.put()), S_OK);
    prop_ = QueryAs<IAkPlugInProp2>(filter_.get(), kIidPlugInProp2);
    ASSERT_TRUE(prop_);
    ASSERT_EQ(graph_->Add(source_.get(), L"source"), S_OK);
    ASSERT_EQ(graph_->Add(filter_.get(), L"dynamics"), S_OK);
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
  std::unique_ptr<FilterGraph> graph_;
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  ComRef<IBaseFilter> filter_;
  ComRef<IAkPlugInProp2> prop_;
};

TEST_F(GdynStreamingTest, LessThanAFrameComesOutOnlyAtTheDrain) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  const std::vector<BYTE> in = TestSignal(wf, 881);
  ASSERT_EQ(source_->Push(PushSample::Bytes(in).At(0, DurationOf(wf, in.size()))), S_OK);
  EXPECT_EQ(sink_->SampleCount(), 0u) << "881 frames fill no 882-frame frame";
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  EXPECT_EQ(sink_->AllBytes().size(), in.size());
  ExpectContinuousStamps(wf, in.size());
}

TEST_F(GdynStreamingTest, AnEnvelopeSetBeforeRunGlidesTheOutputGainInFromItsSample) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 32);
  Build(wf);
  auto params = QueryAs<IMediaParams>(filter_.get(), IID_IMediaParams);
  ASSERT_TRUE(params);
  // -6 dB from 0.5 s to the end of the second.
  MP_ENVELOPE_SEGMENT segment = {5000000, 10000000, -6.0f, -6.0f, MP_CURVE_JUMP, 0};
  ASSERT_EQ(params->AddEnvelope(4, 1, &segment), S_OK);
  ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  std::vector<float> samples(44100, 0.5f);
  std::vector<BYTE> in(samples.size() * 4);
  std::memcpy(in.data(), samples.data(), in.size());
  PushAll(wf, in, 2205 * 4);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  std::vector<BYTE> got = sink_->AllBytes();
  ASSERT_EQ(got.size(), in.size());
  std::vector<float> out(samples.size());
  std::memcpy(out.data(), got.data(), got.size());
  // 0.5 s is the start of frame 25 (882 frames of 20 ms): the gain falls
  // through that frame, never below the new level, and reaches it at its end.
  const double lowered = 0.5 * std::pow(10.0, -6.0 / 20.0);
  EXPECT_EQ(out[22049], 0.5f);
  for (std::size_t i = 22050; i < 22050 + 881; ++i) {
    ASSERT_LT(out[i], out[i - 1]) << i;
    ASSERT_GT(out[i], lowered - 1e-6) << i;
  }
  EXPECT_NEAR(out[22050 + 881], lowered, 1e-6);
  EXPECT_NEAR(out.back(), 0.5 * std::pow(10.0, -6.0 / 20.0), 1e-6);
  EXPECT_EQ(prop_->IsOutputGainEditable(), S_FALSE) << "under the envelope while streaming";
  graph_->Stop();
  EXPECT_EQ(prop_->IsOutputGainEditable(), S_OK);
}

}  // namespace

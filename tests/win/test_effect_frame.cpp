// The streaming contract every effect filter keeps, whichever frame carries
// it (the transform frame of five effects, the in-place Paragraphic EQ): in
// a graph of our push source and sink, each filter's output is checked
// against its portable processor run in-process on the same audio.
//   - the tail of a sample that is not a whole frame is dropped, and the
//     stream still ends;
//   - a format announced on a sample is taken from that sample on, or the
//     sample is refused;
//   - samples of another stream than the audio pass through untouched.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "effects/gdyn/gdyn_transform.h"
#include "effects/geq/geq_transform.h"
#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/noisgt/noisgt_transform.h"
#include "effects/pgeq/pgeq_transform.h"
#include "effects/pmeq/pmeq_transform.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/guids.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

struct EffectCase {
  const char* name;
  const CLSID* classId;
  std::unique_ptr<orlofx::EffectProcessor> (*makeProcessor)();
  // A preset that audibly changes the test signal, so that audio read in a
  // wrong format cannot come out right by chance.
  int preset;
};

void PrintTo(const EffectCase& effect, std::ostream* os) { *os << effect.name; }

template <class Processor>
std::unique_ptr<orlofx::EffectProcessor> Make() {
  return std::make_unique<Processor>();
}

const EffectCase kEffects[] = {
    {"NoiseGate", &CLSID_AkNoisgt, &Make<orlofx::CAkNoisgtTransform>, 0},
    {"GraphicDynamics", &CLSID_AkGdyn, &Make<orlofx::CAkGdynTransform>, 0},
    {"MultiBandDynamics", &CLSID_AkMbdyn, &Make<orlofx::CAkMbdynTransform>, 0},
    {"ParametricEq", &CLSID_AkPmeq, &Make<orlofx::CAkPmeqTransform>, 0},
    // Preset 0 is flat: shelves at 200 Hz and 8 kHz and a cut at 4 kHz.
    {"ParagraphicEq", &CLSID_AkPgeq, &Make<orlofx::CAkPgeqTransform>, 9},
    {"GraphicEq", &CLSID_AkGeq, &Make<orlofx::CAkGeqTransform>, 0},
};

std::vector<BYTE> Concat(std::vector<BYTE> a, const std::vector<BYTE>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class EffectFrameTest : public ::testing::TestWithParam<EffectCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }

  // source -> effect -> sink, running without a clock.
  void Build(const WAVEFORMATEX& wf) {
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(module_.Create(*GetParam().classId, IID_IBaseFilter, effect_.put()), S_OK);
    auto presets = QueryAs<IStaticFilterPreset>(effect_.get(), IID_IStaticFilterPreset);
    ASSERT_TRUE(presets);
    ASSERT_EQ(presets->ApplyPreset(GetParam().preset), S_OK);
    ASSERT_EQ(graph_.Add(source_.get(), L"source"), S_OK);
    ASSERT_EQ(graph_.Add(effect_.get(), L"effect"), S_OK);
    ASSERT_EQ(graph_.Add(sink_.get(), L"sink"), S_OK);
    ASSERT_EQ(graph_.Connect(source_->OutputPin(),
                             FindPinByDirection(effect_.get(), PINDIR_INPUT).get()),
              S_OK);
    ASSERT_EQ(graph_.Connect(FindPinByDirection(effect_.get(), PINDIR_OUTPUT).get(),
                             sink_->InputPin()),
              S_OK);
    ASSERT_EQ(graph_.RunWithoutClock(), S_OK);
  }

  // Pushes `bytes` of format `wf` in pieces, stamped from `*time` on; the
  // first piece carries `type` when given.
  void PushPieces(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece,
                  REFERENCE_TIME* time, const AM_MEDIA_TYPE* type = nullptr) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
      const size_t n = std::min(piece, bytes.size() - at);
      const REFERENCE_TIME d = DurationOf(wf, n);
      ASSERT_EQ(source_->Push(PushSample::Bytes({bytes.begin() + at, bytes.begin() + at + n})
                                  .At(*time, *time + d)
                                  .WithType(at == 0 ? type : nullptr)),
                S_OK)
          << "piece at byte " << at;
      *time += d;
    }
  }

  // What the effect's processor makes of `in`, fed in the same pieces and
  // drained.
  std::vector<BYTE> Expected(const WAVEFORMATEX& wf, const std::vector<BYTE>& in, size_t piece) {
    std::unique_ptr<orlofx::EffectProcessor> reference = GetParam().makeProcessor();
    EXPECT_EQ(reference->ApplyPreset(GetParam().preset), orlofx::kOk);
    return ProcessorOutput(*reference, wf, in, piece);
  }

  ComInit com_;
  ModuleUnderTest module_;
  FilterGraph graph_;
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  ComRef<IBaseFilter> effect_;
};

TEST_P(EffectFrameTest, AStrayTailAfterTheLastWholeFrameIsDroppedAndTheStreamEnds) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  const std::vector<BYTE> whole = TestSignal(wf, 3001);
  const std::vector<BYTE> damaged = Concat(whole, {0x5A, 0xA5});  // half a frame more
  HRESULT pushed = E_FAIL, ended = E_FAIL, stopped = E_FAIL;
  RunOnWorker(
      [&] {
        pushed = source_->Push(PushSample::Bytes(damaged).At(0, DurationOf(wf, whole.size())));
        ended = source_->PushEndOfStream();
        stopped = graph_.Stop();
      },
      "a sample ending in half a frame, its end of stream and the graph's Stop");
  EXPECT_EQ(pushed, S_OK);
  EXPECT_EQ(ended, S_OK);
  EXPECT_EQ(stopped, S_OK);
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
  const std::vector<BYTE> got = sink_->AllBytes();
  EXPECT_EQ(got.size(), whole.size()) << "every whole frame comes out, nothing else";
  EXPECT_TRUE(got == Expected(wf, whole, whole.size()));
  // The time line covers the whole frames, as if the tail had never been.
  const std::vector<ReceivedSample> samples = sink_->Samples();
  ASSERT_FALSE(samples.empty());
  EXPECT_NEAR(double(samples.back().stop), double(DurationOf(wf, whole.size())),
              double(samples.size()));
}

TEST_P(EffectFrameTest, AFormatAnnouncedOnASampleHoldsFromThatSampleOn) {
  const WAVEFORMATEX before = Pcm16Stereo44k();
  const WAVEFORMATEX after = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 48000, 32);
  CMediaType afterType;
  MakeAudioType(after, &afterType);
  Build(before);
  const std::vector<BYTE> first = TestSignal(before, 9000);
  const std::vector<BYTE> second = TestSignal(after, 12000);
  const size_t firstPiece = 1000 * before.nBlockAlign;
  const size_t secondPiece = 1000 * after.nBlockAlign;
  REFERENCE_TIME time = 0;
  PushPieces(before, first, firstPiece, &time);
  PushPieces(after, second, secondPiece, &time, &afterType);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);

  // What the processor holds of the old format comes out in it; the rest is
  // what the processor makes of the new format from a fresh start.
  const std::vector<BYTE> old = Expected(before, first, firstPiece);
  EXPECT_TRUE(sink_->AllBytes() == Concat(old, Expected(after, second, secondPiece)));

  // The first sample in the new format tells downstream so, and only that one.
  size_t bytesBefore = 0, marked = 0;
  for (const ReceivedSample& s : sink_->Samples()) {
    if (s.typeChanged) {
      ++marked;
      EXPECT_EQ(bytesBefore, old.size()) << "the mark sits on the first sample of the new format";
      ASSERT_GE(s.changedFormat.size(), sizeof(WAVEFORMATEX) - sizeof(WORD));
      EXPECT_TRUE(SameAudioFormat(*reinterpret_cast<const WAVEFORMATEX*>(s.changedFormat.data()),
                                  after));
    }
    bytesBefore += s.data.size();
  }
  EXPECT_EQ(marked, 1u);
  EXPECT_TRUE(SameAudioFormat(*WaveFormatOf(sink_->ConnectionType()), before))
      << "the connection itself is not renegotiated";
}

TEST_P(EffectFrameTest, AFormatTheEffectDoesNotTakeRefusesTheSample) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  CMediaType refused;
  MakeAudioType(MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 24), &refused);
  Build(wf);
  const std::vector<BYTE> first = TestSignal(wf, 5000);
  const size_t piece = 2500 * wf.nBlockAlign;
  REFERENCE_TIME time = 0;
  PushPieces(wf, first, piece, &time);
  const HRESULT hr =
      source_->Push(PushSample::Pattern(6000).At(time, time + 100000).WithType(&refused));
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
  // Nothing of the refused sample comes out: the stream ends after the audio
  // before it.
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
  EXPECT_TRUE(sink_->AllBytes() == Expected(wf, first, piece));
  for (const ReceivedSample& s : sink_->Samples()) EXPECT_FALSE(s.typeChanged);
}

TEST_P(EffectFrameTest, ASampleOfAnotherStreamPassesThroughUntouched) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  const std::vector<BYTE> audio = TestSignal(wf, 6000);
  const std::vector<BYTE> control = PushSample::Pattern(999, 7).data;
  const size_t piece = 3000 * wf.nBlockAlign;
  REFERENCE_TIME time = 0;
  PushPieces(wf, {audio.begin(), audio.begin() + piece}, piece, &time);
  ASSERT_EQ(source_->Push(PushSample::Bytes(control).At(0, 1).Stream(AM_STREAM_CONTROL)), S_OK);
  const void* controlSample = source_->LastPushedSample();
  PushPieces(wf, {audio.begin() + piece, audio.end()}, piece, &time);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);

  std::vector<BYTE> audioOut;
  size_t passed = 0;
  for (const ReceivedSample& s : sink_->Samples()) {
    if (s.streamId == AM_STREAM_MEDIA) {
      audioOut.insert(audioOut.end(), s.data.begin(), s.data.end());
      continue;
    }
    ++passed;
    EXPECT_EQ(s.streamId, DWORD(AM_STREAM_CONTROL));
    EXPECT_EQ(s.identity, controlSample) << "the same sample object goes on";
    EXPECT_TRUE(s.data == control);
    EXPECT_EQ(s.start, 0);
    EXPECT_EQ(s.stop, 1);
  }
  EXPECT_EQ(passed, 1u);
  EXPECT_TRUE(audioOut == Expected(wf, audio, piece)) << "the audio around it is undisturbed";
}

std::string EffectName(const ::testing::TestParamInfo<EffectCase>& effect) {
  return effect.param.name;
}

INSTANTIATE_TEST_SUITE_P(SixEffects, EffectFrameTest, ::testing::ValuesIn(kEffects), EffectName);

}  // namespace

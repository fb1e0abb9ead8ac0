// The effect frame's timing through effects that hold audio back, in a graph
// whose source and sink are ours, over one table of streams: the Noise Gate
// (20 ms blocks) with small samples, a discontinuity, small buffers and a
// sync point, and the Graphic EQ restarting its FIR while it streams. The
// output is checked against the portable processor fed the same pieces.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "effects/geq/geq_transform.h"
#include "effects/geq/win/geq_prop.h"
#include "effects/noisgt/noisgt_transform.h"
#include "framework/win/guids.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

constexpr REFERENCE_TIME kJump = 50000000;  // where a marked piece restarts the time line: 5 s
constexpr LONGLONG kMarkedMediaTime = 777;

// Accuracy, point count and whole-record changes ask the Graphic EQ for a
// new FFT size while it plays: the block in progress is finished with the
// old kernel first, and no frame is lost or moved.
template <class Eq>
void FirRestarts(size_t piece, Eq* eq) {
  if (piece == 5) eq->SetAccuracy(0);
  if (piece == 10) eq->SetPointCount(3);
  if (piece == 15) {
    orlofx::GeqParams whole = {};
    eq->GetParams(&whole);
    whole.accuracy = 2;
    eq->SetParams(&whole);
  }
}

struct TimingCase {
  const char* name;
  bool fir;  // the Graphic EQ and its restarts; else the Noise Gate
  WAVEFORMATEX format;
  int frames, pieceFrames;
  long bufferBytes;  // the source's buffers, which the effect's output mirrors
  int markedPiece;   // carries the discontinuity mark, at kJump (-1: none)
  int syncPiece;     // carries the sync-point mark (-1: none)
};

void PrintTo(const TimingCase& c, std::ostream* os) { *os << c.name; }

const WAVEFORMATEX kPcm16 = Pcm16Stereo44k();
const TimingCase kCases[] = {
    // 10 ms pieces: the first completes no 20 ms block.
    {"SmallSamplesDeliverNothingUntilABlockIsWhole", false, kPcm16, 13230, 441, 16384, -1, -1},
    // The partly filled block before the mark is dropped by the reset; the
    // next delivered sample carries the mark and the marked times, although
    // the 10 ms marked piece completes no block itself.
    {"ADiscontinuityReseedsTheStampsAndResetsTheGate", false, kPcm16, 44100, 441, 16384, 50, -1},
    // 512-byte buffers: a completed block goes out in several samples in one Receive.
    {"SmallBuffersGiveSeveralDeliveriesPerReceive", false, kPcm16, 4410, 128, 512, -1, -1},
    {"ASyncPointReachesTheNextDeliveredSample", false, kPcm16, 2646, 882, 16384, -1, 0},
    {"FirRestartsWhileStreamingLoseNoFrames", true, MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32), 40000,
     1500, 16384, -1, -1},
};

class FrameTiming : public ::testing::TestWithParam<TimingCase> {
 protected:
  ComInit com_;
  ModuleUnderTest module_;
};

TEST_P(FrameTiming, OutputAndStampsFollowTheProcessor) {
  const TimingCase& c = GetParam();
  const WAVEFORMATEX& wf = c.format;
  ASSERT_TRUE(module_.Loaded());
  ComRef<IBaseFilter> effect;
  ASSERT_EQ(module_.Create(c.fir ? CLSID_AkGeq : CLSID_AkNoisgt, IID_IBaseFilter, effect.put()), S_OK);
  auto eq = QueryAs<IAkGeqProp>(effect.get(), IID_IAkGeqProp);
  FilterGraph graph;
  ComRef<TestPushSource> source(TestPushSource::Create(wf));
  ComRef<TestSink> sink(TestSink::Create());
  source->SetBufferRequest(4, c.bufferBytes);
  ASSERT_EQ(graph.Chain(source.get(), effect.get(), sink.get()), S_OK);
  ASSERT_EQ(graph.RunWithoutClock(), S_OK);
  const std::vector<BYTE> in = TestSignal(wf, c.frames);
  const size_t piece = size_t(c.pieceFrames) * wf.nBlockAlign;
  size_t markedAt = 0, syncAt = 0, mostPerPush = 0;
  REFERENCE_TIME time = 0;
  for (size_t at = 0, i = 0; at < in.size(); at += piece, ++i) {
    if (eq) FirRestarts(i, eq.get());
    const size_t n = std::min(piece, in.size() - at), before = sink->SampleCount();
    PushSample sample = PushSample::Bytes({in.begin() + at, in.begin() + at + n});
    if (int(i) == c.markedPiece) {
      markedAt = before;
      time = kJump;
      sample.MediaAt(kMarkedMediaTime, kMarkedMediaTime + c.pieceFrames).Discontinuity();
    }
    if (int(i) == c.syncPiece) syncAt = before, sample.SyncPoint();
    ASSERT_EQ(source->Push(sample.At(time, time + DurationOf(wf, n))), S_OK) << "piece " << i;
    time += DurationOf(wf, n);
    mostPerPush = std::max(mostPerPush, sink->SampleCount() - before);
    if (i == 0 && !c.fir && c.pieceFrames < 882) {
      EXPECT_EQ(sink->SampleCount(), 0u) << "no block is whole yet";
    }
  }
  ASSERT_EQ(source->PushEndOfStream(), S_OK);
  EXPECT_EQ(sink->EndOfStreamCount(), 1);
  std::vector<BYTE> expected;
  if (c.fir) {
    orlofx::CAkGeqTransform geq;
    geq.ApplyPreset(0);  // as the filter's construction does
    expected = ProcessorOutput(geq, wf, in, piece, [&](size_t i) { return FirRestarts(i, &geq), false; });
  } else {
    orlofx::CAkNoisgtTransform gate;
    gate.ApplyPreset(0);
    expected = ProcessorOutput(gate, wf, in, piece, [&](size_t i) { return int(i) == c.markedPiece; });
  }
  EXPECT_TRUE(sink->AllBytes() == expected) << "the output differs from the processor's";
  const std::vector<ReceivedSample> samples = sink->Samples();
  ASSERT_FALSE(samples.empty());
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_LE(samples[i].bufferSize, c.bufferBytes) << i;
    EXPECT_EQ(samples[i].discontinuity, c.markedPiece >= 0 && i == markedAt) << i;
    EXPECT_EQ(samples[i].syncPoint, c.syncPiece >= 0 && i == syncAt) << i;
    EXPECT_EQ(samples[i].start, i == 0 ? 0 : samples[i].discontinuity ? kJump : samples[i - 1].stop) << i;
  }
  if (c.markedPiece >= 0) {
    EXPECT_EQ(samples[markedAt].mediaStart, kMarkedMediaTime);
  }
  if (c.bufferBytes < 882 * wf.nBlockAlign) {
    EXPECT_GT(mostPerPush, 1u) << "a whole block goes out in several samples in one Receive";
  }
}

INSTANTIATE_TEST_SUITE_P(DelayingEffects, FrameTiming, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TimingCase>& p) { return p.param.name; });

}  // namespace

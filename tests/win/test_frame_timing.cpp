// The effect frame's timing through an effect that holds audio back (the
// Noise Gate, a 20 ms block), in a graph whose source and sink are ours:
// stamps, discontinuities, sync points and deliveries smaller than a block,
// checked against the portable processor run in-process.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/geq/geq_transform.h"
#include "effects/geq/win/geq_prop.h"
#include "effects/noisgt/noisgt_transform.h"
#include "effects/noisgt/win/noisgt_prop.h"
#include "tests/win/support/effect_checks.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;

const CLSID kClsidNoisgt = {0xB97C0F23, 0x196D, 0x11D1, {0xB9, 0x9B, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const CLSID kClsidGeq = {0x8B7226EE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const IID kIidGeqProp = {0x8B722AEE, 0x4584, 0x11D1, {0xB4, 0xCB, 0x00, 0xA0, 0xC9, 0x27, 0x0A, 0x10}};
const IID kIidNoisgtProp = {0xA6DF8F43, 0xBAF4, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

// Tone bursts with near-silence between them, as interleaved bytes.
std::vector<BYTE> Signal(const WAVEFORMATEX& wf, int frames) {
  orlofx::WaveFormat f = {};
  std::memcpy(&f, &wf, sizeof f);
  const orlofx::SampleFormat fmt = *orlofx::SampleFormatOf(f);
  std::vector<BYTE> bytes(static_cast<size_t>(frames) * wf.nBlockAlign);
  BYTE* p = bytes.data();
  for (int i = 0; i < frames; ++i) {
    const double t = double(i) / wf.nSamplesPerSec;
    const bool on = int(t / 0.1) % 2 == 0;
    for (int c = 0; c < wf.nChannels; ++c, p += wf.wBitsPerSample / 8)
      orlofx::WriteSample<double>(fmt, (on ? 0.5 : 0.0005) * std::sin(6.2832 * 330 * (c + 1) * t), p);
  }
  return bytes;
}

// What the processor makes of the same bytes, drained completely. `breaks`
// lists byte offsets where a discontinuity starts a new piece.
std::vector<BYTE> Reference(const WAVEFORMATEX& wf, const std::vector<BYTE>& in,
                            std::vector<size_t> breaks = {}) {
  orlofx::CAkNoisgtTransform gate;
  gate.ApplyPreset(0);
  orlofx::WaveFormat f = {};
  std::memcpy(&f, &wf, sizeof f);
  EXPECT_EQ(gate.Prepare(f, f), orlofx::kOk);
  std::vector<BYTE> out(in.size() + 65536);
  size_t produced = 0;
  breaks.push_back(in.size());
  size_t at = 0;
  bool first = true;
  for (size_t end : breaks) {
    std::uint32_t inFrames = static_cast<std::uint32_t>((end - at) / wf.nBlockAlign);
    std::uint32_t outFrames = static_cast<std::uint32_t>((out.size() - produced) / wf.nBlockAlign);
    gate.Process(first ? orlofx::kProcessOrdinary : orlofx::kProcessDiscontinuity, in.data() + at,
                 &inFrames, out.data() + produced, &outFrames);
    produced += outFrames * wf.nBlockAlign;
    at = end;
    first = false;
  }
  for (;;) {
    std::uint32_t outFrames = static_cast<std::uint32_t>((out.size() - produced) / wf.nBlockAlign);
    std::uint32_t none = 0;
    orlofx::HResult r = gate.Process(orlofx::kProcessDrain, nullptr, &none, out.data() + produced, &outFrames);
    produced += outFrames * wf.nBlockAlign;
    if (r != orlofx::kProcessProgress) break;
  }
  out.resize(produced);
  return out;
}

REFERENCE_TIME Duration(const WAVEFORMATEX& wf, size_t bytes) {
  return static_cast<REFERENCE_TIME>(double(bytes / wf.nBlockAlign) / wf.nSamplesPerSec * 1e7 + 0.5);
}

class FrameTimingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }

  // source -> gate -> sink in a running graph without a clock.
  void Build(const WAVEFORMATEX& wf, long bufferSize = 16384, const CLSID& effect = kClsidNoisgt) {
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    source_->SetBufferRequest(4, bufferSize);
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(module_.Create(effect, IID_IBaseFilter, gate_.put()), S_OK);
    ASSERT_EQ(graph_->Add(source_.get(), L"source"), S_OK);
    ASSERT_EQ(graph_->Add(gate_.get(), L"gate"), S_OK);
    ASSERT_EQ(graph_->Add(sink_.get(), L"sink"), S_OK);
    ASSERT_EQ(graph_->Connect(source_->OutputPin(), FindPinByDirection(gate_.get(), PINDIR_INPUT).get()), S_OK);
    ASSERT_EQ(graph_->Connect(FindPinByDirection(gate_.get(), PINDIR_OUTPUT).get(), sink_->InputPin()), S_OK);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  }

  // Pushes `bytes` in pieces of `piece` bytes with continuous stamps.
  void PushAll(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece,
               REFERENCE_TIME start = 0) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
      size_t n = std::min(piece, bytes.size() - at);
      REFERENCE_TIME s = start + Duration(wf, at);
      ASSERT_EQ(source_->Push(PushSample::Bytes({bytes.begin() + at, bytes.begin() + at + n})
                                  .At(s, s + Duration(wf, n))),
                S_OK);
    }
  }

  ComInit com_;
  ModuleUnderTest module_;
  std::unique_ptr<FilterGraph> graph_ = std::make_unique<FilterGraph>();
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  ComRef<IBaseFilter> gate_;
};


TEST_F(FrameTimingTest, ASampleThatCompletesNoBlockDeliversNothingAndStampsContinue) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  std::vector<BYTE> in = Signal(wf, 4410 * 3);
  const size_t tenMs = 441 * wf.nBlockAlign;
  ASSERT_EQ(source_->Push(PushSample::Bytes({in.begin(), in.begin() + tenMs}).At(0, 100000)), S_OK);
  EXPECT_EQ(sink_->SampleCount(), 0u) << "10 ms at 44.1 kHz complete no 20 ms block";
  PushAll(wf, {in.begin() + tenMs, in.end()}, tenMs, 100000);
  std::vector<ReceivedSample> samples = sink_->Samples();
  ASSERT_GE(samples.size(), 2u);
  for (size_t i = 1; i < samples.size(); ++i) EXPECT_EQ(samples[i].start, samples[i - 1].stop);
}

TEST_F(FrameTimingTest, ADiscontinuityReseedsTheStampsAndResetsTheGate) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  std::vector<BYTE> in = Signal(wf, 44100);
  const size_t half = 22050 * wf.nBlockAlign;
  const size_t piece = 441 * wf.nBlockAlign;  // 10 ms
  PushAll(wf, {in.begin(), in.begin() + half}, piece);
  const size_t before = sink_->SampleCount();
  const REFERENCE_TIME jump = 50000000;  // 5 s
  // The marked input is 10 ms: it completes no block, yet the next delivered
  // sample must carry the mark and start at the marked time.
  ASSERT_EQ(source_->Push(PushSample::Bytes({in.begin() + half, in.begin() + half + piece})
                              .At(jump, jump + 100000)
                              .MediaAt(777, 777 + 441)
                              .Discontinuity()),
            S_OK);
  PushAll(wf, {in.begin() + half + piece, in.end()}, piece, jump + 100000);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);

  std::vector<ReceivedSample> samples = sink_->Samples();
  ASSERT_GT(samples.size(), before);
  const ReceivedSample& marked = samples[before];
  EXPECT_TRUE(marked.discontinuity);
  EXPECT_EQ(marked.start, jump);
  EXPECT_EQ(marked.mediaStart, 777);
  for (size_t i = 0; i < samples.size(); ++i) {
    if (i == before) continue;
    EXPECT_FALSE(samples[i].discontinuity) << i;
  }
  // The partly filled block before the mark is dropped by the reset.
  std::vector<BYTE> expected = Reference(wf, in, {half});
  EXPECT_TRUE(sink_->AllBytes() == expected);
}

TEST_F(FrameTimingTest, SmallBuffersGiveSeveralDeliveriesPerReceive) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf, 512);  // output buffers mirror the input's 512 bytes
  std::vector<BYTE> in = Signal(wf, 4410);
  PushAll(wf, in, 512);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  std::vector<ReceivedSample> samples = sink_->Samples();
  for (const ReceivedSample& s : samples) EXPECT_LE(s.bufferSize, 512);
  EXPECT_GT(samples.size(), in.size() / 512);
  EXPECT_TRUE(sink_->AllBytes() == Reference(wf, in));
  for (size_t i = 1; i < samples.size(); ++i) EXPECT_EQ(samples[i].start, samples[i - 1].stop);
}

TEST_F(FrameTimingTest, SyncPointsAreCarriedToTheNextDeliveredSample) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  std::vector<BYTE> in = Signal(wf, 882);
  ASSERT_EQ(source_->Push(PushSample::Bytes(in).At(0, Duration(wf, in.size())).SyncPoint()), S_OK);
  std::vector<ReceivedSample> samples = sink_->Samples();
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_TRUE(samples[0].syncPoint);
}

// Accuracy, point count and whole-record changes re-prepare the stream for a
// new FFT size while it plays: the block in progress is finished with the
// old kernel first, and no frame is lost or moved.
TEST_F(FrameTimingTest, RestartsWhileStreamingLoseNoFrames) {
  const WAVEFORMATEX wf = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32);
  Build(wf, 16384, kClsidGeq);
  ComRef<IAkGeqProp> prop = QueryAs<IAkGeqProp>(gate_.get(), kIidGeqProp);
  ASSERT_TRUE(prop);
  const std::vector<BYTE> in = TestSignal(wf, 40000);
  const size_t piece = 1500 * wf.nBlockAlign;
  orlofx::GeqParams whole = {};
  ASSERT_EQ(prop->GetParams(&whole), S_OK);
  whole.accuracy = 2;
  auto change = [&](size_t i, auto* target) {
    if (i == 5) target->SetAccuracy(0);
    if (i == 10) target->SetPointCount(3);
    if (i == 15) target->SetParams(&whole);
  };
  for (size_t at = 0, i = 0; at < in.size(); at += piece, ++i) {
    change(i, prop.get());
    const size_t n = std::min(piece, in.size() - at);
    ASSERT_EQ(source_->Push(PushSample::Bytes({in.begin() + at, in.begin() + at + n})
                                .At(DurationOf(wf, at), DurationOf(wf, at + n))),
              S_OK);
  }
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);

  orlofx::CAkGeqTransform reference;
  reference.ApplyPreset(0);
  const std::vector<BYTE> expected =
      ProcessorOutput(reference, wf, in, piece, [&](size_t i) { change(i, &reference); });
  EXPECT_TRUE(sink_->AllBytes() == expected);
  const std::vector<ReceivedSample> samples = sink_->Samples();
  ASSERT_FALSE(samples.empty());
  for (size_t i = 1; i < samples.size(); ++i) EXPECT_EQ(samples[i].start, samples[i - 1].stop) << i;
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
}

}  // namespace

#include "tests/win/support/effect_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orlofx::test {

namespace {

WaveFormat Portable(const WAVEFORMATEX& wf) {
  WaveFormat f = {};
  std::memcpy(&f, &wf, sizeof f);
  return f;
}

}  // namespace

long SetAndGetThroughSlots(void* object, int setSlot, int getSlot, long value) {
  EXPECT_EQ(SlotOf<LongSetter>(object, setSlot)(object, value), S_OK) << "slot " << setSlot;
  long got = 0x7EEEEEEE;
  EXPECT_EQ(SlotOf<LongGetter>(object, getSlot)(object, &got), S_OK) << "slot " << getSlot;
  return got;
}

std::vector<BYTE> SaveToMemory(IPersistStream* persist, BOOL clearDirty) {
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return {};
  std::vector<BYTE> bytes;
  if (SUCCEEDED(persist->Save(stream, clearDirty))) {
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    bytes.resize(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG done = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &done);
    bytes.resize(done);
  }
  stream->Release();
  return bytes;
}

HRESULT LoadFromMemory(IPersistStream* persist, const std::vector<BYTE>& bytes) {
  IStream* stream = nullptr;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (FAILED(hr)) return hr;
  ULONG done = 0;
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &done);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  hr = persist->Load(stream);
  stream->Release();
  return hr;
}

std::vector<BYTE> TestSignal(const WAVEFORMATEX& wf, int frames) {
  const SampleFormat fmt = *SampleFormatOf(Portable(wf));
  std::vector<BYTE> bytes(static_cast<size_t>(frames) * wf.nBlockAlign);
  BYTE* p = bytes.data();
  for (int i = 0; i < frames; ++i) {
    const double t = double(i) / wf.nSamplesPerSec;
    const double level = int(t / 0.05) % 3 == 2 ? 0.01 : 0.3;
    for (int c = 0; c < wf.nChannels; ++c, p += wf.wBitsPerSample / 8) {
      const double v = level * (std::sin(6.2832 * 180 * (c + 1) * t) + std::sin(6.2832 * 1500 * t) +
                                 std::sin(6.2832 * 7000 * t));
      WriteSample<double>(fmt, v, p);
    }
  }
  return bytes;
}

std::vector<BYTE> ProcessorOutput(EffectProcessor& fx, const WAVEFORMATEX& wf, const std::vector<BYTE>& in,
                                  size_t pieceBytes, const std::function<bool(size_t)>& before) {
  const WaveFormat f = Portable(wf);
  EXPECT_EQ(fx.Prepare(f, f), kOk);
  std::vector<BYTE> out, chunk(65536);
  const auto capacity = static_cast<std::uint32_t>(chunk.size() / wf.nBlockAlign);
  for (size_t at = 0, piece = 0; at < in.size(); at += pieceBytes, ++piece) {
    int mode = before && before(piece) ? kProcessDiscontinuity : kProcessOrdinary;
    for (size_t pos = at, end = std::min(in.size(), at + pieceBytes); pos < end; mode = kProcessOrdinary) {
      auto inFrames = static_cast<std::uint32_t>((end - pos) / wf.nBlockAlign);
      std::uint32_t outFrames = capacity;
      if (Failed(fx.Process(mode, in.data() + pos, &inFrames, chunk.data(), &outFrames))) break;
      out.insert(out.end(), chunk.begin(), chunk.begin() + outFrames * wf.nBlockAlign);
      pos += inFrames * wf.nBlockAlign;
      if (inFrames == 0 && outFrames == 0) break;
    }
  }
  for (HResult r = kProcessProgress; r == kProcessProgress;) {
    std::uint32_t outFrames = capacity;
    r = fx.Process(kProcessDrain, nullptr, nullptr, chunk.data(), &outFrames);
    out.insert(out.end(), chunk.begin(), chunk.begin() + outFrames * wf.nBlockAlign);
  }
  fx.Release();
  return out;
}

REFERENCE_TIME DurationOf(const WAVEFORMATEX& wf, size_t bytes) {
  return static_cast<REFERENCE_TIME>(double(bytes / wf.nBlockAlign) / wf.nSamplesPerSec * 1e7 + 0.5);
}

}  // namespace orlofx::test

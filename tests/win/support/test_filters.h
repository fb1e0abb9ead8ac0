// Filters and helpers for tests inside the platform's filter graph: a push
// source the test thread drives, a recording sink and the graph:
//   graph.Chain(source.get(), effect, sink.get()); graph.RunWithoutClock();
//   source->Push(PushSample::Bytes(bytes).At(0, 100000)); sink->Samples() ...
#pragma once

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "framework/processor.h"
#include "framework/win/baseclasses/streams.h"

namespace orlofx::test {

// Holds one reference to a COM object and releases it at the end of scope.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(T* p) : p_(p) {}  // takes over a reference the caller holds
  ComRef(const ComRef& other) : p_(other.p_) { if (p_) p_->AddRef(); }
  ComRef& operator=(const ComRef& other) { return ComRef(other).swap(*this), *this; }
  ~ComRef() { if (p_) p_->Release(); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() { return reset(), &p_; }  // for out-parameters
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() { ComRef().swap(*this); }
  void swap(ComRef& other) { std::swap(p_, other.p_); }

 private:
  T* p_ = nullptr;
};

// `object`, new, with the one reference its creator holds.
template <class T>
T* Held(T* object) {
  return object->NonDelegatingAddRef(), object;
}

// Queries `object` for interface I; empty when it has none.
template <class I>
ComRef<I> QueryAs(IUnknown* object, REFIID iid) {
  ComRef<I> result;
  if (object) object->QueryInterface(iid, result.put_void());
  return result;
}

// COM in the multithreaded apartment for the lifetime of the object, like a
// host's streaming and control threads.
class ComInit {
 public:
  ComInit() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComInit() { if (SUCCEEDED(hr_)) CoUninitialize(); }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;

 private:
  HRESULT hr_;
};

// A normalised WAVEFORMATEX (block alignment and byte rate computed, cbSize 0).
WAVEFORMATEX MakeWaveFormat(WORD formatTag, WORD channels, DWORD samplesPerSec, WORD bitsPerSample);
inline WAVEFORMATEX Pcm16Stereo44k() { return MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16); }
// Audio, subtype from the tag, WaveFormatEx, fixed-size samples of one block.
void MakeAudioType(const WAVEFORMATEX& format, CMediaType* type);
// The WAVEFORMATEX of a media type, or null when it has none.
const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& type);
// True when two formats agree in tag, channels, rate and bits.
bool SameAudioFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b);

// A sample's data, times and marks, as pushed or as received.
struct SampleMarks {
  std::vector<BYTE> data;
  bool hasTime = false, hasStop = false;
  REFERENCE_TIME start = 0, stop = 0;
  bool hasMediaTime = false;
  LONGLONG mediaStart = 0, mediaStop = 0;
  bool discontinuity = false, syncPoint = false, preroll = false;
  DWORD streamId = AM_STREAM_MEDIA;
};

// One sample to push. Samples of a stream other than AM_STREAM_MEDIA go out
// as OwnSamples: the platform's samples cannot be given another id.
struct PushSample : SampleMarks {
  const AM_MEDIA_TYPE* mediaType = nullptr;  // attached as a format change

  static PushSample Bytes(std::vector<BYTE> bytes) {
    PushSample s;
    s.data = std::move(bytes);
    return s;
  }
  static PushSample Pattern(size_t length, BYTE seed = 0);  // byte i = seed + i
  PushSample& At(REFERENCE_TIME s, REFERENCE_TIME e) { return hasTime = hasStop = true, start = s, stop = e, *this; }
  PushSample& StartOnly(REFERENCE_TIME s) { return hasTime = true, hasStop = false, start = s, *this; }
  PushSample& MediaAt(LONGLONG a, LONGLONG b) { return hasMediaTime = true, mediaStart = a, mediaStop = b, *this; }
  PushSample& Discontinuity(bool on = true) { return discontinuity = on, *this; }
  PushSample& SyncPoint() { return syncPoint = true, *this; }
  PushSample& Preroll() { return preroll = true, *this; }
  PushSample& WithType(const AM_MEDIA_TYPE* type) { return mediaType = type, *this; }
  PushSample& Stream(DWORD id) { return streamId = id, *this; }
};

struct ReceivedSample : SampleMarks {
  long bufferSize = 0;
  bool typeChanged = false;
  std::vector<BYTE> changedFormat;  // the format block of an attached type
  const void* identity = nullptr;   // the sample object (compared, never used)
};

// A sample no allocator owns, holding `pushed`. Without `extended` it does
// not answer IMediaSample2, like the buffers of hosts that push their own.
ComRef<IMediaSample> OwnSample(const PushSample& pushed, bool extended = true);

// --- the push source and the recording sink ----------------------------------------------

class TestPushSource : public CBaseFilter {
 public:
  static TestPushSource* Create(const WAVEFORMATEX& format);  // one reference held
  DECLARE_IUNKNOWN
  // Before connecting: the buffers asked of the allocator (default 4 of
  // 16384 bytes), and further formats the output accepts (for reconnection).
  void SetBufferRequest(long count, long size);
  void AcceptAlso(const WAVEFORMATEX& format);
  // Delivers one sample and returns the downstream result, or the failure of
  // getting a buffer (VFW_E_NOT_COMMITTED while stopped), E_INVALIDARG when
  // the data does not fit.
  HRESULT Push(const PushSample& sample);
  // Pushes `bytes` of format `wf` in pieces of `piece` bytes with continuous
  // stamps from `*time` on (advanced); the first piece carries `type` if
  // given. Stops at the first failure and returns it.
  HRESULT PushStamped(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece, REFERENCE_TIME* time,
                      const AM_MEDIA_TYPE* type = nullptr);
  HRESULT PushEndOfStream() { return OutputPin()->DeliverEndOfStream(); }
  CBaseOutputPin* OutputPin();  // DeliverBeginFlush, DeliverNewSegment and so on on it
  IMemAllocator* Allocator() { return OutputPin()->PeekAllocator(); }
  const void* LastPushedSample() const { return lastPushed_; }  // for identity checks
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? OutputPin() : nullptr; }

 private:
  class Pin;
  explicit TestPushSource(const WAVEFORMATEX& format);
  ~TestPushSource() override;
  CCritSec filterLock_;
  Pin* pin_ = nullptr;
  const void* lastPushed_ = nullptr;
};

class TestSink : public CBaseFilter, public IAMFilterMiscFlags {
 public:
  static TestSink* Create();  // one reference held
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  // A renderer, so that the graph waits for its end of stream.
  STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }
  // Before connecting: take only the sink's own allocator, asking for
  // buffers of `bytes`; take only this format (and offer it).
  void OwnAllocatorOnly(long bytes);
  void AcceptOnly(const WAVEFORMATEX& format);

  // What arrived so far: samples, end-of-stream calls, the last segment
  // (start, stop, rate).
  std::vector<ReceivedSample> Samples() { return CAutoLock(&recordLock_), samples_; }
  size_t SampleCount() { return Samples().size(); }
  std::vector<BYTE> AllBytes();
  int EndOfStreamCount() { return CAutoLock(&recordLock_), endOfStream_; }
  std::vector<double> LastSegment() { return CAutoLock(&recordLock_), segment_; }
  void Clear() { CAutoLock lock(&recordLock_); samples_.clear(), endOfStream_ = 0; }
  IPin* InputPin();
  IMemAllocator* Allocator();  // the one upstream chose (no reference added)
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

 private:
  class Pin;
  TestSink();
  ~TestSink() override;
  CCritSec filterLock_, receiveLock_, recordLock_;
  Pin* pin_ = nullptr;
  // Guarded by the record lock.
  std::vector<ReceivedSample> samples_;
  int endOfStream_ = 0;
  std::vector<double> segment_;
};

// --- the filter graph -------------------------------------------------------------------

class FilterGraph {
 public:
  FilterGraph();
  ~FilterGraph() { Release(); }
  FilterGraph(const FilterGraph&) = delete;
  FilterGraph& operator=(const FilterGraph&) = delete;
  IGraphBuilder* builder() const { return builder_.get(); }
  HRESULT Add(IBaseFilter* filter, LPCWSTR name) { return builder_ ? builder_->AddFilter(filter, name) : E_UNEXPECTED; }
  // IGraphBuilder::ConnectDirect (no intermediate filters).
  HRESULT Connect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type = nullptr) {
    return builder_ ? builder_->ConnectDirect(output, input, type) : E_UNEXPECTED;
  }
  // Adds source -> effect -> sink and connects them; the first failure.
  HRESULT Chain(TestPushSource* source, IBaseFilter* effect, TestSink* sink);
  HRESULT RunWithoutClock();  // renders samples as they arrive, not at their times
  HRESULT Run();              // S_FALSE (still changing state) counts as S_OK
  HRESULT Stop();
  void Release();  // the graph and with it every filter it holds

 private:
  ComRef<IGraphBuilder> builder_;
};

// Runs `work` on a worker thread in the multithreaded apartment and waits at
// most `boundMs`. A call that does not come back (a streaming thread spinning
// with the receive lock held) is reported naming `what`, and the program ends
// at once: every later Stop would wait for that lock forever.
void RunOnWorker(const std::function<void()>& work, const char* what, DWORD boundMs = 60000);
// The first pin of a filter with the given direction; empty when none.
ComRef<IPin> FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction);
// The media type a pin is connected with (empty when unconnected).
CMediaType ConnectionTypeOf(IPin* pin);

// --- effect checks: calls through a raw vtable slot (the slot order hosts
// rely on), records over memory, a test signal, and the portable processor as
// the reference for a filter's output.

// The function in vtable slot `slot` of a COM interface pointer.
template <typename Fn>
Fn SlotOf(void* object, int slot) {
  return reinterpret_cast<Fn>((*static_cast<void***>(object))[slot]);
}

// Calls the method in slot `slot` of `object`; give Args explicitly, as the
// method declares them (their sizes matter to a 32-bit call).
template <class... Args>
HRESULT CallSlot(void* object, int slot, Args... args) {
  return SlotOf<HRESULT(STDMETHODCALLTYPE*)(void*, Args...)>(object, slot)(object, args...);
}

// Sets `value` through slot `setSlot` and reads it back through `getSlot`.
long SetAndGetThroughSlots(void* object, int setSlot, int getSlot, long value);

// What IPersistStream::Save writes (clear-dirty as given); empty on failure.
std::vector<BYTE> SaveToMemory(IPersistStream* persist, BOOL clearDirty = TRUE);
// IPersistStream::Load from these bytes.
HRESULT LoadFromMemory(IPersistStream* persist, const std::vector<BYTE>& bytes);

// Tones at a few frequencies with a quiet stretch, as interleaved bytes.
std::vector<BYTE> TestSignal(const WAVEFORMATEX& format, int frames);

// What `fx` makes of `input` fed in pieces of `pieceBytes` and drained.
// `before(pieceIndex)`, if given, runs before each piece (for changes
// mid-stream) and says whether the piece carries the discontinuity mark.
std::vector<BYTE> ProcessorOutput(EffectProcessor& fx, const WAVEFORMATEX& format,
                                  const std::vector<BYTE>& input, size_t pieceBytes,
                                  const std::function<bool(size_t)>& before = nullptr);

// Duration of `bytes` of the format in 100-ns units, rounded.
REFERENCE_TIME DurationOf(const WAVEFORMATEX& format, size_t bytes);

}  // namespace orlofx::test

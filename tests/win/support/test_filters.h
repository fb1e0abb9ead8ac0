// Filters and helpers for testing filters inside a real filter graph.
//
//   TestPushSource  one output pin offering one audio format; the test thread
//                   pushes samples of chosen size, times and marks through it.
//   TestSink        one input pin accepting audio; records every sample it
//                   receives (bytes, times, media times, marks, the sample
//                   object itself), end of stream, flushes and segments. It can
//                   cap the buffer size of the allocator it hands upstream.
//   FilterGraph     the platform's filter graph with the calls tests need.
//
// Typical use:
//   ComInit com;
//   FilterGraph graph;
//   ComRef<TestPushSource> source(TestPushSource::Create(Pcm16Stereo44k()));
//   ComRef<TestSink> sink(TestSink::Create());
//   graph.Add(source.get(), L"source"); graph.Add(sink.get(), L"sink");
//   graph.Connect(source->OutputPin(), sink->InputPin());
//   graph.Run();
//   source->Push(PushSample::Bytes(bytes).At(0, 100000));
//   source->PushEndOfStream();
//   graph.Stop();
//   sink->Samples() ...
#pragma once

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/win/baseclasses/streams.h"

namespace orlofx::test {

// Holds one reference to a COM object and releases it at the end of scope.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference the caller already holds.
  explicit ComRef(T* p) : p_(p) {}
  ComRef(const ComRef& other) : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  ComRef& operator=(const ComRef& other) {
    if (other.p_ != nullptr) other.p_->AddRef();
    reset();
    p_ = other.p_;
    return *this;
  }
  ~ComRef() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and returns the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_ != nullptr) {
      T* p = p_;
      p_ = nullptr;
      p->Release();
    }
  }

 private:
  T* p_ = nullptr;
};

// Queries `object` for interface I; empty when it has none.
template <class I>
ComRef<I> QueryAs(IUnknown* object, REFIID iid) {
  ComRef<I> result;
  if (object != nullptr) object->QueryInterface(iid, result.put_void());
  return result;
}

// COM on the calling thread for the lifetime of the object (multithreaded
// apartment, like a host's streaming and control threads).
class ComInit {
 public:
  ComInit() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComInit() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

// --- formats --------------------------------------------------------------------

// A normalised WAVEFORMATEX (block alignment and byte rate computed, cbSize 0).
WAVEFORMATEX MakeWaveFormat(WORD formatTag, WORD channels, DWORD samplesPerSec,
                            WORD bitsPerSample);
inline WAVEFORMATEX Pcm16Stereo44k() { return MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16); }

// Audio media type for a format: major type audio, subtype from the format
// tag, format type WaveFormatEx, fixed-size samples of one block.
void MakeAudioType(const WAVEFORMATEX& format, CMediaType* type);

// The WAVEFORMATEX of a media type, or null when it has none.
const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& type);

// True when two formats agree in tag, channels, rate and bits.
bool SameAudioFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b);

// --- samples of our own -----------------------------------------------------------

// A sample of the test's own making that no allocator owns: for samples the
// platform's allocator cannot give (another stream id), and, without the
// extended interface, for hosts that push their own buffers.
class OwnSample : public IMediaSample2 {
 public:
  // A new sample holding `bytes` (all of them actual data), with one
  // reference held by the caller. `extended`: it answers IMediaSample2.
  static OwnSample* Create(std::vector<BYTE> bytes, bool extended = true);
  void SetStreamId(DWORD id) { props_.dwStreamId = id; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetPointer(BYTE** buffer) override;
  STDMETHODIMP_(LONG) GetSize() override;
  STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP IsSyncPoint() override { return Flag(AM_SAMPLE_SPLICEPOINT); }
  STDMETHODIMP SetSyncPoint(BOOL on) override { return SetFlag(AM_SAMPLE_SPLICEPOINT, on); }
  STDMETHODIMP IsPreroll() override { return Flag(AM_SAMPLE_PREROLL); }
  STDMETHODIMP SetPreroll(BOOL on) override { return SetFlag(AM_SAMPLE_PREROLL, on); }
  STDMETHODIMP_(LONG) GetActualDataLength() override { return props_.lActual; }
  STDMETHODIMP SetActualDataLength(LONG length) override;
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP IsDiscontinuity() override { return Flag(AM_SAMPLE_DATADISCONTINUITY); }
  STDMETHODIMP SetDiscontinuity(BOOL on) override {
    return SetFlag(AM_SAMPLE_DATADISCONTINUITY, on);
  }
  STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
  STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

  STDMETHODIMP GetProperties(DWORD size, BYTE* properties) override;
  STDMETHODIMP SetProperties(DWORD, const BYTE*) override { return E_NOTIMPL; }

 private:
  OwnSample(std::vector<BYTE> bytes, bool extended);
  virtual ~OwnSample();
  OwnSample(const OwnSample&) = delete;
  OwnSample& operator=(const OwnSample&) = delete;
  HRESULT Flag(DWORD bit) const { return (props_.dwSampleFlags & bit) != 0 ? S_OK : S_FALSE; }
  HRESULT SetFlag(DWORD bit, BOOL on);

  volatile LONG refs_ = 1;
  const bool extended_;
  std::vector<BYTE> data_;
  AM_SAMPLE2_PROPERTIES props_ = {};
  AM_MEDIA_TYPE* type_ = nullptr;
  bool hasMediaTime_ = false;
  LONGLONG mediaStart_ = 0;
  LONGLONG mediaStop_ = 0;
};

// --- the push source ------------------------------------------------------------

// One sample to push. Without data the sample holds a counting byte pattern
// (byte i = (seed + i) & 0xFF).
struct PushSample {
  std::vector<BYTE> data;
  bool hasTime = false;
  bool hasStop = true;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool hasMediaTime = false;
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  bool discontinuity = false;
  bool syncPoint = false;
  bool preroll = false;
  // Attached to the sample as a format change when set.
  const AM_MEDIA_TYPE* mediaType = nullptr;
  // The stream the sample belongs to (AM_STREAM_MEDIA: the audio). Samples
  // of another stream are OwnSamples, not from the allocator, since the
  // platform's samples cannot be given another id.
  DWORD streamId = AM_STREAM_MEDIA;

  static PushSample Bytes(std::vector<BYTE> bytes);
  static PushSample Pattern(size_t length, BYTE seed = 0);

  PushSample& At(REFERENCE_TIME startTime, REFERENCE_TIME stopTime);
  PushSample& StartOnly(REFERENCE_TIME startTime);
  PushSample& MediaAt(LONGLONG first, LONGLONG last);
  PushSample& Discontinuity(bool on = true);
  PushSample& SyncPoint(bool on = true);
  PushSample& Preroll(bool on = true);
  PushSample& WithType(const AM_MEDIA_TYPE* type);
  PushSample& Stream(DWORD id);
};

class TestPushSource : public CBaseFilter {
 public:
  static const CLSID kClassId;

  // A new source with one reference held by the caller.
  static TestPushSource* Create(const WAVEFORMATEX& format);

  DECLARE_IUNKNOWN

  // The buffers requested from the allocator when the output connects
  // (defaults: 4 buffers of 16384 bytes). Call before connecting.
  void SetBufferRequest(long count, long size);
  // Further formats the output pin accepts (so that a downstream filter can
  // have it reconnected with another format); the first format stays the
  // preferred one. Call before connecting.
  void AcceptAlso(const WAVEFORMATEX& format);

  // Delivers one sample downstream and returns the downstream result, or the
  // failure of getting a buffer (VFW_E_NOT_COMMITTED while stopped),
  // E_INVALIDARG when the data does not fit into a buffer.
  HRESULT Push(const PushSample& sample);
  // Pushes `bytes` of format `wf` in pieces of `piece` bytes with
  // continuous stamps from `*time` on (advanced past them); stops at the
  // first failure and returns it.
  HRESULT PushStamped(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece,
                      REFERENCE_TIME* time);
  HRESULT PushEndOfStream();
  HRESULT PushBeginFlush();
  HRESULT PushEndFlush();
  HRESULT PushNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  IPin* OutputPin();
  // The allocator chosen for the output connection (no reference added).
  IMemAllocator* Allocator();
  // The sample object most recently pushed (for identity checks only).
  const void* LastPushedSample() const { return lastPushed_; }
  // Quality messages that reached the output pin.
  int QualityNotifications() const { return qualityNotifications_; }
  // The type the output pin is connected with.
  CMediaType ConnectionType();

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

 private:
  class OutputPinImpl;
  explicit TestPushSource(const WAVEFORMATEX& format);
  ~TestPushSource() override;

  CCritSec filterLock_;
  OutputPinImpl* pin_ = nullptr;
  const void* lastPushed_ = nullptr;
  volatile LONG qualityNotifications_ = 0;
};

// --- the collecting sink ----------------------------------------------------------

struct ReceivedSample {
  std::vector<BYTE> data;
  long bufferSize = 0;
  bool hasTime = false;
  bool hasStop = false;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool hasMediaTime = false;
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  bool discontinuity = false;
  bool syncPoint = false;
  bool preroll = false;
  // A format change attached to the sample, if any.
  bool typeChanged = false;
  std::vector<BYTE> changedFormat;
  DWORD streamId = AM_STREAM_MEDIA;
  // The sample object that arrived (compared, never dereferenced).
  const void* identity = nullptr;
};

struct ReceivedSegment {
  REFERENCE_TIME start;
  REFERENCE_TIME stop;
  double rate;
};

class TestSink : public CBaseFilter, public IAMFilterMiscFlags {
 public:
  static const CLSID kClassId;

  // A new sink with one reference held by the caller.
  static TestSink* Create();

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  // IAMFilterMiscFlags: a renderer, so that the graph waits for its end of
  // stream (EC_COMPLETE).
  STDMETHODIMP_(ULONG) GetMiscFlags() override;

  // Caps the buffers of the allocator handed upstream at `bytes` (0: no
  // cap). With a cap, allocators other than ours are refused, so the
  // connection either uses capped buffers or fails. Call before connecting.
  void SetMaxBufferSize(long bytes);
  // Accepts only this format (any channel count, rate, tag and bits of audio
  // otherwise) and offers it as the preferred type.
  void AcceptOnly(const WAVEFORMATEX& format);
  // Answers Receive with `result` from the (count+1)th sample on (the sample
  // is still recorded); count < 0 switches this off.
  void FailReceiveAfter(int count, HRESULT result);

  // What arrived so far (copies, taken under the sink's lock).
  std::vector<ReceivedSample> Samples();
  size_t SampleCount();
  // All received bytes, concatenated.
  std::vector<BYTE> AllBytes();
  int EndOfStreamCount();
  int BeginFlushCount();
  int EndFlushCount();
  std::vector<ReceivedSegment> Segments();
  void Clear();

  IPin* InputPin();
  // The allocator the upstream pin notified (no reference added).
  IMemAllocator* Allocator();
  bool NotifiedReadOnly();
  CMediaType ConnectionType();

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

 private:
  class InputPinImpl;
  class CappedAllocator;
  TestSink();
  ~TestSink() override;

  CCritSec filterLock_;
  CCritSec receiveLock_;
  CCritSec recordLock_;
  InputPinImpl* pin_ = nullptr;
};

// --- the filter graph -----------------------------------------------------------

class FilterGraph {
 public:
  FilterGraph();
  ~FilterGraph();
  FilterGraph(const FilterGraph&) = delete;
  FilterGraph& operator=(const FilterGraph&) = delete;

  // False when the platform's filter graph could not be created.
  bool ok() const { return static_cast<bool>(builder_); }
  IGraphBuilder* builder() const { return builder_.get(); }

  HRESULT Add(IBaseFilter* filter, LPCWSTR name);
  HRESULT Add(CBaseFilter* filter, LPCWSTR name);
  // IGraphBuilder::ConnectDirect (no intermediate filters).
  HRESULT Connect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type = nullptr);
  // Adds source -> effect -> sink and connects them; the first failure.
  HRESULT Chain(TestPushSource* source, IBaseFilter* effect, TestSink* sink);
  // Renders samples as they arrive instead of at their time stamps.
  HRESULT RunWithoutClock();
  HRESULT Run();
  HRESULT Pause();
  HRESULT Stop();
  // Releases the graph and with it every filter it holds.
  void Release();

 private:
  ComRef<IGraphBuilder> builder_;
};

// Runs `work` on a worker thread (in COM's multithreaded apartment) and waits
// for it at most `boundMs`. A call that does not come back, such as a
// streaming thread spinning with the receive lock held, is reported as a
// failure naming `what`, and the test program ends at once: every later
// Stop would wait for that lock forever. Returns when `work` has finished.
void RunOnWorker(const std::function<void()>& work, const char* what, DWORD boundMs = 60000);

// The first pin of a filter with the given direction (reference added);
// empty when there is none.
ComRef<IPin> FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction);

// The media type a pin is connected with (empty type when unconnected).
CMediaType ConnectionTypeOf(IPin* pin);

}  // namespace orlofx::test

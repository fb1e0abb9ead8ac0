#include "tests/win/support/test_filters.h"

#include <evcode.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace orlofx::test {

namespace {

// {5D81FD1C-5C98-49E2-9028-A128BF0E8B05}
const CLSID kSourceClassId = {0x5D81FD1C, 0x5C98, 0x49E2, {0x90, 0x28, 0xA1, 0x28, 0xBF, 0x0E, 0x8B, 0x05}};
// {F1790BB1-0AFD-4DB2-B3F0-1B7E4EEB4E0B}
const CLSID kSinkClassId = {0xF1790BB1, 0x0AFD, 0x4DB2, {0xB3, 0xF0, 0x1B, 0x7E, 0x4E, 0xEB, 0x4E, 0x0B}};

bool IsAudio(const CMediaType* type) {
  return IsEqualGUID(*type->Type(), MEDIATYPE_Audio) && WaveFormatOf(*type) != nullptr;
}

// Fills `sample` with the data, times and marks of `pushed`.
HRESULT Fill(IMediaSample* sample, const PushSample& pushed) {
  BYTE* buffer = nullptr;
  const long length = static_cast<long>(pushed.data.size());
  if (length > sample->GetSize() || FAILED(sample->GetPointer(&buffer))) return E_INVALIDARG;
  if (length > 0) std::memcpy(buffer, pushed.data.data(), pushed.data.size());
  sample->SetActualDataLength(length);
  REFERENCE_TIME start = pushed.start, stop = pushed.stop;
  sample->SetTime(pushed.hasTime ? &start : nullptr, pushed.hasTime && pushed.hasStop ? &stop : nullptr);
  LONGLONG first = pushed.mediaStart, last = pushed.mediaStop;
  sample->SetMediaTime(pushed.hasMediaTime ? &first : nullptr, pushed.hasMediaTime ? &last : nullptr);
  sample->SetDiscontinuity(pushed.discontinuity);
  sample->SetSyncPoint(pushed.syncPoint);
  sample->SetPreroll(pushed.preroll);
  if (pushed.mediaType) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(pushed.mediaType));
  return S_OK;
}

// A read-only sample over a copy of what was pushed: how a host's own
// buffers, or another stream's samples, look to a pin.
class Own : public IMediaSample2 {
 public:
  Own(const PushSample& pushed, bool extended) : s_(pushed), extended_(extended) {
    type_ = pushed.mediaType ? CreateMediaType(pushed.mediaType) : nullptr;
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool ok = iid == IID_IUnknown || iid == IID_IMediaSample || (extended_ && iid == IID_IMediaSample2);
    *object = ok ? static_cast<IMediaSample2*>(this) : nullptr;
    return ok ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP GetPointer(BYTE** buffer) override { return *buffer = s_.data.data(), S_OK; }
  STDMETHODIMP_(LONG) GetSize() override { return static_cast<LONG>(s_.data.size()); }
  STDMETHODIMP_(LONG) GetActualDataLength() override { return GetSize(); }
  STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override {
    if (!s_.hasTime) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = s_.start, *stop = s_.hasStop ? s_.stop : s_.start + 1;
    return s_.hasStop ? S_OK : VFW_S_NO_STOP_TIME;
  }
  STDMETHODIMP IsSyncPoint() override { return s_.syncPoint ? S_OK : S_FALSE; }
  STDMETHODIMP IsPreroll() override { return s_.preroll ? S_OK : S_FALSE; }
  STDMETHODIMP IsDiscontinuity() override { return s_.discontinuity ? S_OK : S_FALSE; }
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override {
    return (*type = type_ ? CreateMediaType(type_) : nullptr) ? S_OK : S_FALSE;
  }
  STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* stop) override {
    if (!s_.hasMediaTime) return VFW_E_MEDIA_TIME_NOT_SET;
    return *start = s_.mediaStart, *stop = s_.mediaStop, S_OK;
  }
  STDMETHODIMP GetProperties(DWORD size, BYTE* properties) override {
    const DWORD flags = (s_.hasTime ? AM_SAMPLE_TIMEVALID : 0) | (s_.hasTime && s_.hasStop ? AM_SAMPLE_STOPVALID : 0) |
                        (s_.syncPoint ? AM_SAMPLE_SPLICEPOINT : 0) | (s_.preroll ? AM_SAMPLE_PREROLL : 0) |
                        (s_.discontinuity ? AM_SAMPLE_DATADISCONTINUITY : 0) | (type_ ? AM_SAMPLE_TYPECHANGED : 0);
    const AM_SAMPLE2_PROPERTIES all = {sizeof all, 0, flags, GetSize(), s_.start, s_.stop, s_.streamId, type_,
                                       s_.data.data(), GetSize()};
    std::memcpy(properties, &all, std::min<size_t>(size, sizeof all));
    return S_OK;
  }
  STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSyncPoint(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP SetPreroll(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP SetActualDataLength(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP SetDiscontinuity(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP SetProperties(DWORD, const BYTE*) override { return E_NOTIMPL; }

 private:
  virtual ~Own() { DeleteMediaType(type_); }
  PushSample s_;
  const bool extended_;
  AM_MEDIA_TYPE* type_;
  volatile LONG refs_ = 1;
};

}  // namespace

// --- formats and samples ----------------------------------------------------------------

WAVEFORMATEX MakeWaveFormat(WORD formatTag, WORD channels, DWORD samplesPerSec, WORD bitsPerSample) {
  WAVEFORMATEX format = {};
  format.wFormatTag = formatTag;
  format.nChannels = channels;
  format.nSamplesPerSec = samplesPerSec;
  format.wBitsPerSample = bitsPerSample;
  format.nBlockAlign = static_cast<WORD>(bitsPerSample / 8 * channels);
  format.nAvgBytesPerSec = format.nBlockAlign * samplesPerSec;
  return format;
}

void MakeAudioType(const WAVEFORMATEX& format, CMediaType* type) {
  type->InitMediaType();
  type->SetType(&MEDIATYPE_Audio);
  GUID subtype = MEDIASUBTYPE_PCM;  // audio subtypes are the tag in the FOURCC base
  subtype.Data1 = format.wFormatTag;
  type->SetSubtype(&subtype);
  type->SetFormatType(&FORMAT_WaveFormatEx);
  type->SetSampleSize(format.nBlockAlign);
  type->SetTemporalCompression(FALSE);
  type->SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
}

const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& type) {
  if (!IsEqualGUID(type.formattype, FORMAT_WaveFormatEx) || !type.pbFormat) return nullptr;
  if (type.cbFormat < sizeof(WAVEFORMATEX) - sizeof(WORD)) return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
}

bool SameAudioFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels &&
         a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample;
}

PushSample PushSample::Pattern(size_t length, BYTE seed) {
  PushSample sample;
  for (size_t i = 0; i < length; ++i) sample.data.push_back(static_cast<BYTE>(seed + i));
  return sample;
}

ComRef<IMediaSample> OwnSample(const PushSample& pushed, bool extended) {
  return ComRef<IMediaSample>(new Own(pushed, extended));
}

// --- TestPushSource -----------------------------------------------------------------------

class TestPushSource::Pin : public CBaseOutputPin {
 public:
  Pin(TestPushSource* owner, HRESULT* phr, const WAVEFORMATEX& format)
      : CBaseOutputPin(nullptr, owner, &owner->filterLock_, phr, L"Output"), formats_{format} {}
  HRESULT CheckMediaType(const CMediaType* type) override {
    for (const WAVEFORMATEX& format : formats_)
      if (IsAudio(type) && SameAudioFormat(format, *WaveFormatOf(*type))) return S_OK;
    return S_FALSE;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    if (static_cast<size_t>(position) >= formats_.size()) return VFW_S_NO_MORE_ITEMS;
    return MakeAudioType(formats_[static_cast<size_t>(position)], type), S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
    ALLOCATOR_PROPERTIES request = {std::max(props->cBuffers, count_), std::max(props->cbBuffer, size_),
                                    std::max(props->cbAlign, 1L), props->cbPrefix},
                         actual = {};
    const HRESULT hr = allocator->SetProperties(&request, &actual);
    return FAILED(hr) ? hr : actual.cbBuffer > 0 ? S_OK : E_FAIL;
  }
  std::vector<WAVEFORMATEX> formats_;
  long count_ = 4, size_ = 16384;
};

TestPushSource::TestPushSource(const WAVEFORMATEX& format)
    : CBaseFilter(nullptr, nullptr, &filterLock_, kSourceClassId) {
  HRESULT hr = S_OK;
  pin_ = new Pin(this, &hr, format);
}

TestPushSource::~TestPushSource() { delete pin_; }

TestPushSource* TestPushSource::Create(const WAVEFORMATEX& format) { return Held(new TestPushSource(format)); }

void TestPushSource::SetBufferRequest(long count, long size) { pin_->count_ = count, pin_->size_ = size; }
void TestPushSource::AcceptAlso(const WAVEFORMATEX& format) { pin_->formats_.push_back(format); }
CBaseOutputPin* TestPushSource::OutputPin() { return pin_; }

HRESULT TestPushSource::Push(const PushSample& pushed) {
  ComRef<IMediaSample> sample;
  if (pushed.streamId != AM_STREAM_MEDIA) {
    sample = OwnSample(pushed);
  } else {
    const HRESULT hr = pin_->GetDeliveryBuffer(sample.put(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    if (FAILED(Fill(sample.get(), pushed))) return E_INVALIDARG;
  }
  lastPushed_ = sample.get();
  return pin_->Deliver(sample.get());
}

HRESULT TestPushSource::PushStamped(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece,
                                    REFERENCE_TIME* time, const AM_MEDIA_TYPE* type) {
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const size_t n = std::min(piece, bytes.size() - at);
    const REFERENCE_TIME d = DurationOf(wf, n);
    const HRESULT hr = Push(PushSample::Bytes({bytes.begin() + at, bytes.begin() + at + n})
                                .At(*time, *time + d)
                                .WithType(at == 0 ? type : nullptr));
    if (FAILED(hr)) return hr;
    *time += d;
  }
  return S_OK;
}

// --- TestSink -----------------------------------------------------------------------------

class TestSink::Pin : public CBaseInputPin {
 public:
  Pin(TestSink* owner, HRESULT* phr) : CBaseInputPin(nullptr, owner, &owner->filterLock_, phr, L"Input"), owner_(owner) {}
  HRESULT CheckMediaType(const CMediaType* type) override {
    return IsAudio(type) && (!hasOnly_ || SameAudioFormat(only_, *WaveFormatOf(*type))) ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    return position > 0 || !hasOnly_ ? VFW_S_NO_MORE_ITEMS : (MakeAudioType(only_, type), S_OK);
  }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override {
    return ownBytes_ <= 0 ? E_NOTIMPL : (*props = {4, ownBytes_, 1, 0}, S_OK);
  }
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override {
    // m_pAllocator is still the one GetAllocator handed out, if any.
    if (ownBytes_ > 0 && allocator != m_pAllocator) return E_FAIL;
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
  }
  STDMETHODIMP Receive(IMediaSample* sample) override {
    CAutoLock lock(&owner_->receiveLock_);
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    const AM_SAMPLE2_PROPERTIES& p = m_SampleProps;
    auto has = [&](DWORD bit) { return (p.dwSampleFlags & bit) != 0; };
    ReceivedSample r;
    if (p.pbBuffer && p.lActual > 0) r.data.assign(p.pbBuffer, p.pbBuffer + p.lActual);
    r.bufferSize = sample->GetSize();
    r.hasTime = has(AM_SAMPLE_TIMEVALID), r.hasStop = has(AM_SAMPLE_STOPVALID);
    r.start = p.tStart, r.stop = p.tStop;
    r.hasMediaTime = sample->GetMediaTime(&r.mediaStart, &r.mediaStop) == S_OK;
    r.discontinuity = has(AM_SAMPLE_DATADISCONTINUITY), r.syncPoint = has(AM_SAMPLE_SPLICEPOINT);
    r.preroll = has(AM_SAMPLE_PREROLL), r.typeChanged = has(AM_SAMPLE_TYPECHANGED);
    if (r.typeChanged && p.pMediaType && p.pMediaType->pbFormat)
      r.changedFormat.assign(p.pMediaType->pbFormat, p.pMediaType->pbFormat + p.pMediaType->cbFormat);
    r.streamId = p.dwStreamId;
    r.identity = sample;
    CAutoLock recordLock(&owner_->recordLock_);
    owner_->samples_.push_back(std::move(r));
    return S_OK;
  }
  STDMETHODIMP EndOfStream() override {
    CAutoLock lock(&owner_->receiveLock_);
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    CAutoLock recordLock(&owner_->recordLock_);
    ++owner_->endOfStream_;
    return owner_->NotifyEvent(EC_COMPLETE, S_OK, 0);
  }
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
    CAutoLock recordLock(&owner_->recordLock_);
    owner_->segment_ = {double(start), double(stop), rate};
    return CBasePin::NewSegment(start, stop, rate);
  }
  TestSink* const owner_;
  long ownBytes_ = 0;
  bool hasOnly_ = false;
  WAVEFORMATEX only_ = {};
};

TestSink::TestSink() : CBaseFilter(nullptr, nullptr, &filterLock_, kSinkClassId) {
  HRESULT hr = S_OK;
  pin_ = new Pin(this, &hr);
}

TestSink::~TestSink() { delete pin_; }

TestSink* TestSink::Create() { return Held(new TestSink()); }

STDMETHODIMP TestSink::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IAMFilterMiscFlags)) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
  return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

void TestSink::OwnAllocatorOnly(long bytes) { pin_->ownBytes_ = bytes; }
void TestSink::AcceptOnly(const WAVEFORMATEX& format) { pin_->hasOnly_ = true, pin_->only_ = format; }
IPin* TestSink::InputPin() { return pin_; }
IMemAllocator* TestSink::Allocator() { return pin_->PeekAllocator(); }
CBasePin* TestSink::GetPin(int n) { return n == 0 ? pin_ : nullptr; }

std::vector<BYTE> TestSink::AllBytes() {
  std::vector<BYTE> bytes;
  for (const ReceivedSample& sample : Samples()) bytes.insert(bytes.end(), sample.data.begin(), sample.data.end());
  return bytes;
}

// --- FilterGraph and helpers --------------------------------------------------------------

FilterGraph::FilterGraph() {
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, builder_.put_void());
}

HRESULT FilterGraph::Chain(TestPushSource* source, IBaseFilter* effect, TestSink* sink) {
  HRESULT hr = Add(source, L"source");
  if (SUCCEEDED(hr)) hr = Add(effect, L"effect");
  if (SUCCEEDED(hr)) hr = Add(sink, L"sink");
  if (SUCCEEDED(hr)) hr = Connect(source->OutputPin(), FindPinByDirection(effect, PINDIR_INPUT).get());
  if (SUCCEEDED(hr)) hr = Connect(FindPinByDirection(effect, PINDIR_OUTPUT).get(), sink->InputPin());
  return hr;
}

HRESULT FilterGraph::RunWithoutClock() {
  auto filter = QueryAs<IMediaFilter>(builder_.get(), IID_IMediaFilter);
  const HRESULT hr = filter ? filter->SetSyncSource(nullptr) : E_NOINTERFACE;
  return FAILED(hr) ? hr : Run();
}

HRESULT FilterGraph::Run() {
  auto control = QueryAs<IMediaControl>(builder_.get(), IID_IMediaControl);
  const HRESULT hr = control ? control->Run() : E_NOINTERFACE;
  return SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT FilterGraph::Stop() {
  auto control = QueryAs<IMediaControl>(builder_.get(), IID_IMediaControl);
  return control ? control->Stop() : E_NOINTERFACE;
}

void FilterGraph::Release() {
  if (builder_) Stop();
  builder_.reset();
}

static DWORD WINAPI RunWork(void* context) {
  ComInit com;
  return (*static_cast<const std::function<void()>*>(context))(), 0;
}

void RunOnWorker(const std::function<void()>& work, const char* what, DWORD boundMs) {
  HANDLE thread = CreateThread(nullptr, 0, &RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
  ASSERT_NE(thread, nullptr) << "no worker thread for " << what;
  const DWORD waited = WaitForSingleObject(thread, boundMs);
  CloseHandle(thread);
  if (waited == WAIT_OBJECT_0) return;
  ADD_FAILURE() << what << " did not return within " << boundMs << " ms";
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 1);
}

ComRef<IPin> FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComRef<IEnumPins> pins;
  if (!filter || FAILED(filter->EnumPins(pins.put()))) return {};
  for (ComRef<IPin> pin; pins->Next(1, pin.put(), nullptr) == S_OK;) {
    PIN_DIRECTION dir;
    if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == direction) return pin;
  }
  return {};
}

CMediaType ConnectionTypeOf(IPin* pin) {
  CMediaType type;
  AM_MEDIA_TYPE raw = {};
  if (pin && SUCCEEDED(pin->ConnectionMediaType(&raw))) type.Set(raw), FreeMediaType(raw);
  return type;
}

// --- effect checks -------------------------------------------------------

static WaveFormat Portable(const WAVEFORMATEX& wf) {
  WaveFormat f = {};
  return std::memcpy(&f, &wf, sizeof f), f;
}

long SetAndGetThroughSlots(void* object, int setSlot, int getSlot, long value) {
  EXPECT_EQ(CallSlot<long>(object, setSlot, value), S_OK) << "slot " << setSlot;
  long got = 0x7EEEEEEE;
  EXPECT_EQ(CallSlot<long*>(object, getSlot, &got), S_OK) << "slot " << getSlot;
  return got;
}

std::vector<BYTE> SaveToMemory(IPersistStream* persist, BOOL clearDirty) {
  ComRef<IStream> stream;
  HGLOBAL memory = nullptr;
  STATSTG stat = {};
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) || FAILED(persist->Save(stream.get(), clearDirty)) ||
      FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(stream.get(), &memory)))
    return {};
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(memory));
  std::vector<BYTE> copy(bytes, bytes + (bytes ? static_cast<size_t>(stat.cbSize.QuadPart) : 0));
  GlobalUnlock(memory);
  return copy;
}

HRESULT LoadFromMemory(IPersistStream* persist, const std::vector<BYTE>& bytes) {
  ComRef<IStream> stream;
  const LARGE_INTEGER zero = {};
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
  if (SUCCEEDED(hr)) hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  if (SUCCEEDED(hr)) hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return SUCCEEDED(hr) ? persist->Load(stream.get()) : hr;
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

#include "tests/win/support/test_filters.h"

#include "tests/win/support/effect_checks.h"

#include <evcode.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace orlofx::test {

// {5D81FD1C-5C98-49E2-9028-A128BF0E8B05}
const CLSID TestPushSource::kClassId = {
    0x5D81FD1C, 0x5C98, 0x49E2, {0x90, 0x28, 0xA1, 0x28, 0xBF, 0x0E, 0x8B, 0x05}};
// {F1790BB1-0AFD-4DB2-B3F0-1B7E4EEB4E0B}
const CLSID TestSink::kClassId = {
    0xF1790BB1, 0x0AFD, 0x4DB2, {0xB3, 0xF0, 0x1B, 0x7E, 0x4E, 0xEB, 0x4E, 0x0B}};

// --- formats --------------------------------------------------------------------

WAVEFORMATEX MakeWaveFormat(WORD formatTag, WORD channels, DWORD samplesPerSec,
                            WORD bitsPerSample) {
  WAVEFORMATEX format = {};
  format.wFormatTag = formatTag;
  format.nChannels = channels;
  format.nSamplesPerSec = samplesPerSec;
  format.wBitsPerSample = bitsPerSample;
  format.nBlockAlign = static_cast<WORD>(bitsPerSample / 8 * channels);
  format.nAvgBytesPerSec = format.nBlockAlign * samplesPerSec;
  format.cbSize = 0;
  return format;
}

void MakeAudioType(const WAVEFORMATEX& format, CMediaType* type) {
  type->InitMediaType();
  type->SetType(&MEDIATYPE_Audio);
  // Audio subtypes are the format tag in the FOURCC base GUID.
  GUID subtype = MEDIASUBTYPE_PCM;
  subtype.Data1 = format.wFormatTag;
  type->SetSubtype(&subtype);
  type->SetFormatType(&FORMAT_WaveFormatEx);
  type->SetSampleSize(format.nBlockAlign);
  type->SetTemporalCompression(FALSE);
  type->SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
}

const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& type) {
  if (!IsEqualGUID(type.formattype, FORMAT_WaveFormatEx)) return nullptr;
  if (type.pbFormat == nullptr || type.cbFormat < sizeof(WAVEFORMATEX) - sizeof(WORD)) {
    return nullptr;
  }
  return reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
}

bool SameAudioFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels &&
         a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample;
}

namespace {

bool IsAudio(const CMediaType* type) {
  return IsEqualGUID(*type->Type(), MEDIATYPE_Audio) && WaveFormatOf(*type) != nullptr;
}

}  // namespace

// --- PushSample -----------------------------------------------------------------

PushSample PushSample::Bytes(std::vector<BYTE> bytes) {
  PushSample sample;
  sample.data = std::move(bytes);
  return sample;
}

PushSample PushSample::Pattern(size_t length, BYTE seed) {
  PushSample sample;
  sample.data.resize(length);
  for (size_t i = 0; i < length; ++i) sample.data[i] = static_cast<BYTE>(seed + i);
  return sample;
}

PushSample& PushSample::At(REFERENCE_TIME startTime, REFERENCE_TIME stopTime) {
  hasTime = true;
  hasStop = true;
  start = startTime;
  stop = stopTime;
  return *this;
}

PushSample& PushSample::StartOnly(REFERENCE_TIME startTime) {
  hasTime = true;
  hasStop = false;
  start = startTime;
  return *this;
}

PushSample& PushSample::MediaAt(LONGLONG first, LONGLONG last) {
  hasMediaTime = true;
  mediaStart = first;
  mediaStop = last;
  return *this;
}

PushSample& PushSample::Discontinuity(bool on) {
  discontinuity = on;
  return *this;
}

PushSample& PushSample::SyncPoint(bool on) {
  syncPoint = on;
  return *this;
}

PushSample& PushSample::Preroll(bool on) {
  preroll = on;
  return *this;
}

PushSample& PushSample::WithType(const AM_MEDIA_TYPE* type) {
  mediaType = type;
  return *this;
}

PushSample& PushSample::Stream(DWORD id) {
  streamId = id;
  return *this;
}

// --- OwnSample ------------------------------------------------------------------

OwnSample* OwnSample::Create(std::vector<BYTE> bytes, bool extended) {
  return new OwnSample(std::move(bytes), extended);
}

OwnSample::OwnSample(std::vector<BYTE> bytes, bool extended)
    : extended_(extended), data_(std::move(bytes)) {
  props_.cbData = sizeof props_;
  props_.dwStreamId = AM_STREAM_MEDIA;
  props_.lActual = static_cast<LONG>(data_.size());
}

OwnSample::~OwnSample() { DeleteMediaType(type_); }

STDMETHODIMP OwnSample::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IMediaSample || (extended_ && iid == IID_IMediaSample2)) {
    *object = static_cast<IMediaSample2*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) OwnSample::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) OwnSample::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP OwnSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = data_.data();
  return S_OK;
}

STDMETHODIMP_(LONG) OwnSample::GetSize() { return static_cast<LONG>(data_.size()); }

STDMETHODIMP OwnSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if ((props_.dwSampleFlags & AM_SAMPLE_TIMEVALID) == 0) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = props_.tStart;
  if ((props_.dwSampleFlags & AM_SAMPLE_STOPVALID) == 0) {
    *stop = props_.tStart + 1;
    return VFW_S_NO_STOP_TIME;
  }
  *stop = props_.tStop;
  return S_OK;
}

STDMETHODIMP OwnSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  props_.dwSampleFlags &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
  if (start != nullptr) {
    props_.tStart = *start;
    props_.dwSampleFlags |= AM_SAMPLE_TIMEVALID;
    if (stop != nullptr) {
      props_.tStop = *stop;
      props_.dwSampleFlags |= AM_SAMPLE_STOPVALID;
    }
  }
  return S_OK;
}

STDMETHODIMP OwnSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > GetSize()) return VFW_E_BUFFER_OVERFLOW;
  props_.lActual = length;
  return S_OK;
}

STDMETHODIMP OwnSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  *type = type_ != nullptr ? CreateMediaType(type_) : nullptr;
  return *type != nullptr ? S_OK : S_FALSE;
}

STDMETHODIMP OwnSample::SetMediaType(AM_MEDIA_TYPE* type) {
  DeleteMediaType(type_);
  type_ = type != nullptr ? CreateMediaType(type) : nullptr;
  SetFlag(AM_SAMPLE_TYPECHANGED, type_ != nullptr);
  return S_OK;
}

STDMETHODIMP OwnSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (!hasMediaTime_) return VFW_E_MEDIA_TIME_NOT_SET;
  *start = mediaStart_;
  *stop = mediaStop_;
  return S_OK;
}

STDMETHODIMP OwnSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) {
  hasMediaTime_ = start != nullptr && stop != nullptr;
  if (hasMediaTime_) {
    mediaStart_ = *start;
    mediaStop_ = *stop;
  }
  return S_OK;
}

STDMETHODIMP OwnSample::GetProperties(DWORD size, BYTE* properties) {
  if (properties == nullptr) return E_POINTER;
  AM_SAMPLE2_PROPERTIES all = props_;
  all.pMediaType = type_;
  all.pbBuffer = data_.data();
  all.cbBuffer = GetSize();
  std::memcpy(properties, &all, std::min<size_t>(size, sizeof all));
  return S_OK;
}

HRESULT OwnSample::SetFlag(DWORD bit, BOOL on) {
  if (on) {
    props_.dwSampleFlags |= bit;
  } else {
    props_.dwSampleFlags &= ~bit;
  }
  return S_OK;
}

// --- TestPushSource -------------------------------------------------------------

class TestPushSource::OutputPinImpl : public CBaseOutputPin {
 public:
  OutputPinImpl(TestPushSource* owner, HRESULT* phr, const WAVEFORMATEX& format)
      : CBaseOutputPin(nullptr, owner, &owner->filterLock_, phr, L"Output"), owner_(owner) {
    formats_.push_back(format);
  }

  HRESULT CheckMediaType(const CMediaType* type) override {
    if (!IsAudio(type)) return S_FALSE;
    const WAVEFORMATEX& offered = *WaveFormatOf(*type);
    for (const WAVEFORMATEX& format : formats_) {
      if (SameAudioFormat(format, offered)) return S_OK;
    }
    return S_FALSE;
  }

  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    if (static_cast<size_t>(position) >= formats_.size()) return VFW_S_NO_MORE_ITEMS;
    MakeAudioType(formats_[static_cast<size_t>(position)], type);
    return S_OK;
  }

  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
    ALLOCATOR_PROPERTIES request = *props;
    request.cBuffers = std::max(request.cBuffers, bufferCount_);
    request.cbBuffer = std::max(request.cbBuffer, bufferSize_);
    request.cbAlign = std::max(request.cbAlign, 1L);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer > 0 && actual.cBuffers > 0 ? S_OK : E_FAIL;
  }

  STDMETHODIMP Notify(IBaseFilter* /*sender*/, Quality /*q*/) override {
    InterlockedIncrement(&owner_->qualityNotifications_);
    return S_OK;
  }

  TestPushSource* const owner_;
  std::vector<WAVEFORMATEX> formats_;
  long bufferCount_ = 4;
  long bufferSize_ = 16384;
};

TestPushSource::TestPushSource(const WAVEFORMATEX& format)
    : CBaseFilter(nullptr, nullptr, &filterLock_, kClassId) {
  HRESULT hr = S_OK;
  pin_ = new OutputPinImpl(this, &hr, format);
}

TestPushSource::~TestPushSource() { delete pin_; }

TestPushSource* TestPushSource::Create(const WAVEFORMATEX& format) {
  auto* source = new TestPushSource(format);
  source->NonDelegatingAddRef();
  return source;
}

void TestPushSource::SetBufferRequest(long count, long size) {
  pin_->bufferCount_ = count;
  pin_->bufferSize_ = size;
}

void TestPushSource::AcceptAlso(const WAVEFORMATEX& format) { pin_->formats_.push_back(format); }

int TestPushSource::GetPinCount() { return 1; }

CBasePin* TestPushSource::GetPin(int n) { return n == 0 ? pin_ : nullptr; }

IPin* TestPushSource::OutputPin() { return pin_; }

IMemAllocator* TestPushSource::Allocator() { return pin_->PeekAllocator(); }

CMediaType TestPushSource::ConnectionType() { return ConnectionTypeOf(pin_); }

HRESULT TestPushSource::PushStamped(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes,
                                    size_t piece, REFERENCE_TIME* time) {
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const size_t n = std::min(piece, bytes.size() - at);
    const REFERENCE_TIME d = DurationOf(wf, n);
    const HRESULT hr =
        Push(PushSample::Bytes({bytes.begin() + at, bytes.begin() + at + n}).At(*time, *time + d));
    if (FAILED(hr)) return hr;
    *time += d;
  }
  return S_OK;
}

HRESULT TestPushSource::Push(const PushSample& pushed) {
  IMediaSample* sample = nullptr;
  HRESULT hr = S_OK;
  if (pushed.streamId == AM_STREAM_MEDIA) {
    hr = pin_->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
  } else {
    OwnSample* own = OwnSample::Create(std::vector<BYTE>(pushed.data.size()));
    own->SetStreamId(pushed.streamId);
    sample = own;
  }
  const long length = static_cast<long>(pushed.data.size());
  BYTE* buffer = nullptr;
  if (length > sample->GetSize() || FAILED(sample->GetPointer(&buffer))) {
    sample->Release();
    return E_INVALIDARG;
  }
  if (length > 0) std::memcpy(buffer, pushed.data.data(), pushed.data.size());
  sample->SetActualDataLength(length);

  REFERENCE_TIME start = pushed.start;
  REFERENCE_TIME stop = pushed.stop;
  if (pushed.hasTime) {
    sample->SetTime(&start, pushed.hasStop ? &stop : nullptr);
  } else {
    sample->SetTime(nullptr, nullptr);
  }
  LONGLONG mediaStart = pushed.mediaStart;
  LONGLONG mediaStop = pushed.mediaStop;
  if (pushed.hasMediaTime) {
    sample->SetMediaTime(&mediaStart, &mediaStop);
  } else {
    sample->SetMediaTime(nullptr, nullptr);
  }
  sample->SetDiscontinuity(pushed.discontinuity);
  sample->SetSyncPoint(pushed.syncPoint);
  sample->SetPreroll(pushed.preroll);
  if (pushed.mediaType != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(pushed.mediaType));

  lastPushed_ = sample;
  hr = pin_->Deliver(sample);
  sample->Release();
  return hr;
}

HRESULT TestPushSource::PushEndOfStream() { return pin_->DeliverEndOfStream(); }

HRESULT TestPushSource::PushBeginFlush() { return pin_->DeliverBeginFlush(); }

HRESULT TestPushSource::PushEndFlush() { return pin_->DeliverEndFlush(); }

HRESULT TestPushSource::PushNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return pin_->DeliverNewSegment(start, stop, rate);
}

// --- TestSink -------------------------------------------------------------------

// A memory allocator whose buffers are never larger than a cap.
class TestSink::CappedAllocator : public CUnknown, public IMemAllocator {
 public:
  CappedAllocator(IMemAllocator* inner, long cap)
      : CUnknown(nullptr, nullptr), inner_(inner), cap_(cap) {}
  ~CappedAllocator() override { inner_->Release(); }

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IMemAllocator)) {
      return GetInterface(static_cast<IMemAllocator*>(this), ppv);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }

  STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request,
                             ALLOCATOR_PROPERTIES* actual) override {
    CheckPointer(request, E_POINTER);
    ALLOCATOR_PROPERTIES capped = *request;
    capped.cbBuffer = std::min(capped.cbBuffer, cap_);
    return inner_->SetProperties(&capped, actual);
  }
  STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* props) override {
    return inner_->GetProperties(props);
  }
  STDMETHODIMP Commit() override { return inner_->Commit(); }
  STDMETHODIMP Decommit() override { return inner_->Decommit(); }
  STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                         DWORD flags) override {
    return inner_->GetBuffer(sample, start, stop, flags);
  }
  STDMETHODIMP ReleaseBuffer(IMediaSample* sample) override {
    return inner_->ReleaseBuffer(sample);
  }

 private:
  IMemAllocator* const inner_;
  const long cap_;
};

class TestSink::InputPinImpl : public CBaseInputPin {
 public:
  InputPinImpl(TestSink* owner, HRESULT* phr)
      : CBaseInputPin(nullptr, owner, &owner->filterLock_, phr, L"Input"), owner_(owner) {}
  ~InputPinImpl() override {
    if (capped_ != nullptr) capped_->Release();
  }

  HRESULT CheckMediaType(const CMediaType* type) override {
    if (!IsAudio(type)) return S_FALSE;
    if (hasOnly_ && !SameAudioFormat(only_, *WaveFormatOf(*type))) return S_FALSE;
    return S_OK;
  }

  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || !hasOnly_) return VFW_S_NO_MORE_ITEMS;
    MakeAudioType(only_, type);
    return S_OK;
  }

  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override {
    CheckPointer(props, E_POINTER);
    if (cap_ <= 0) return E_NOTIMPL;
    props->cBuffers = 4;
    props->cbBuffer = cap_;
    props->cbAlign = 1;
    props->cbPrefix = 0;
    return S_OK;
  }

  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override {
    CheckPointer(allocator, E_POINTER);
    if (cap_ <= 0) return CBaseInputPin::GetAllocator(allocator);
    CAutoLock lock(m_pLock);
    *allocator = nullptr;
    if (capped_ == nullptr) {
      IMemAllocator* inner = nullptr;
      const HRESULT hr = CreateMemoryAllocator(&inner);
      if (FAILED(hr)) return hr;
      auto* capped = new (std::nothrow) CappedAllocator(inner, cap_);
      if (capped == nullptr) {
        inner->Release();
        return E_OUTOFMEMORY;
      }
      capped->NonDelegatingAddRef();
      capped_ = capped;
    }
    *allocator = capped_;
    capped_->AddRef();
    return S_OK;
  }

  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override {
    if (cap_ > 0 && allocator != static_cast<IMemAllocator*>(capped_)) return E_FAIL;
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
  }

  STDMETHODIMP Receive(IMediaSample* sample) override {
    CAutoLock lock(&owner_->receiveLock_);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;

    ReceivedSample record;
    const AM_SAMPLE2_PROPERTIES& props = m_SampleProps;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long length = sample->GetActualDataLength();
    if (data != nullptr && length > 0) record.data.assign(data, data + length);
    record.bufferSize = sample->GetSize();
    record.hasTime = (props.dwSampleFlags & AM_SAMPLE_TIMEVALID) != 0;
    record.hasStop = (props.dwSampleFlags & AM_SAMPLE_STOPVALID) != 0;
    record.start = props.tStart;
    record.stop = props.tStop;
    record.hasMediaTime = sample->GetMediaTime(&record.mediaStart, &record.mediaStop) == S_OK;
    record.discontinuity = (props.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) != 0;
    record.syncPoint = (props.dwSampleFlags & AM_SAMPLE_SPLICEPOINT) != 0;
    record.preroll = (props.dwSampleFlags & AM_SAMPLE_PREROLL) != 0;
    record.typeChanged = (props.dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0;
    record.streamId = props.dwStreamId;
    if (record.typeChanged && props.pMediaType != nullptr && props.pMediaType->pbFormat != nullptr) {
      record.changedFormat.assign(props.pMediaType->pbFormat,
                                  props.pMediaType->pbFormat + props.pMediaType->cbFormat);
    }
    record.identity = sample;

    CAutoLock recordLock(&owner_->recordLock_);
    samples_.push_back(std::move(record));
    if (failAfter_ >= 0 && static_cast<int>(samples_.size()) > failAfter_) return failResult_;
    return S_OK;
  }

  STDMETHODIMP EndOfStream() override {
    CAutoLock lock(&owner_->receiveLock_);
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    {
      CAutoLock recordLock(&owner_->recordLock_);
      ++endOfStream_;
    }
    owner_->NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
  }

  STDMETHODIMP BeginFlush() override {
    const HRESULT hr = CBaseInputPin::BeginFlush();
    CAutoLock recordLock(&owner_->recordLock_);
    ++beginFlush_;
    return hr;
  }

  STDMETHODIMP EndFlush() override {
    const HRESULT hr = CBaseInputPin::EndFlush();
    CAutoLock recordLock(&owner_->recordLock_);
    ++endFlush_;
    return hr;
  }

  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
    CBasePin::NewSegment(start, stop, rate);
    CAutoLock recordLock(&owner_->recordLock_);
    segments_.push_back({start, stop, rate});
    return S_OK;
  }

  TestSink* const owner_;
  long cap_ = 0;
  CappedAllocator* capped_ = nullptr;
  bool hasOnly_ = false;
  WAVEFORMATEX only_ = {};
  int failAfter_ = -1;
  HRESULT failResult_ = S_OK;

  // Guarded by the owner's record lock.
  std::vector<ReceivedSample> samples_;
  int endOfStream_ = 0;
  int beginFlush_ = 0;
  int endFlush_ = 0;
  std::vector<ReceivedSegment> segments_;
};

TestSink::TestSink() : CBaseFilter(nullptr, nullptr, &filterLock_, kClassId) {
  HRESULT hr = S_OK;
  pin_ = new InputPinImpl(this, &hr);
}

TestSink::~TestSink() { delete pin_; }

TestSink* TestSink::Create() {
  auto* sink = new TestSink();
  sink->NonDelegatingAddRef();
  return sink;
}

STDMETHODIMP TestSink::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IAMFilterMiscFlags)) {
    return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
  }
  return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) TestSink::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

void TestSink::SetMaxBufferSize(long bytes) { pin_->cap_ = bytes; }

void TestSink::AcceptOnly(const WAVEFORMATEX& format) {
  pin_->hasOnly_ = true;
  pin_->only_ = format;
}

void TestSink::FailReceiveAfter(int count, HRESULT result) {
  CAutoLock lock(&recordLock_);
  pin_->failAfter_ = count;
  pin_->failResult_ = result;
}

std::vector<ReceivedSample> TestSink::Samples() {
  CAutoLock lock(&recordLock_);
  return pin_->samples_;
}

size_t TestSink::SampleCount() {
  CAutoLock lock(&recordLock_);
  return pin_->samples_.size();
}

std::vector<BYTE> TestSink::AllBytes() {
  CAutoLock lock(&recordLock_);
  std::vector<BYTE> bytes;
  for (const ReceivedSample& sample : pin_->samples_) {
    bytes.insert(bytes.end(), sample.data.begin(), sample.data.end());
  }
  return bytes;
}

int TestSink::EndOfStreamCount() {
  CAutoLock lock(&recordLock_);
  return pin_->endOfStream_;
}

int TestSink::BeginFlushCount() {
  CAutoLock lock(&recordLock_);
  return pin_->beginFlush_;
}

int TestSink::EndFlushCount() {
  CAutoLock lock(&recordLock_);
  return pin_->endFlush_;
}

std::vector<ReceivedSegment> TestSink::Segments() {
  CAutoLock lock(&recordLock_);
  return pin_->segments_;
}

void TestSink::Clear() {
  CAutoLock lock(&recordLock_);
  pin_->samples_.clear();
  pin_->endOfStream_ = 0;
  pin_->beginFlush_ = 0;
  pin_->endFlush_ = 0;
  pin_->segments_.clear();
}

IPin* TestSink::InputPin() { return pin_; }

IMemAllocator* TestSink::Allocator() { return pin_->PeekAllocator(); }

bool TestSink::NotifiedReadOnly() { return pin_->IsReadOnly() != FALSE; }

CMediaType TestSink::ConnectionType() { return ConnectionTypeOf(pin_); }

int TestSink::GetPinCount() { return 1; }

CBasePin* TestSink::GetPin(int n) { return n == 0 ? pin_ : nullptr; }

// --- FilterGraph ----------------------------------------------------------------

FilterGraph::FilterGraph() {
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                   builder_.put_void());
}

FilterGraph::~FilterGraph() { Release(); }

HRESULT FilterGraph::Add(IBaseFilter* filter, LPCWSTR name) {
  if (!builder_) return E_UNEXPECTED;
  return builder_->AddFilter(filter, name);
}

HRESULT FilterGraph::Add(CBaseFilter* filter, LPCWSTR name) {
  return Add(static_cast<IBaseFilter*>(filter), name);
}

HRESULT FilterGraph::Connect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) {
  if (!builder_) return E_UNEXPECTED;
  return builder_->ConnectDirect(output, input, type);
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
  if (!filter) return E_NOINTERFACE;
  const HRESULT hr = filter->SetSyncSource(nullptr);
  if (FAILED(hr)) return hr;
  return Run();
}

namespace {

// S_FALSE means the graph is still completing the change (a renderer waits
// for its first sample before it counts as paused); that is success here.
HRESULT Settled(HRESULT hr) { return SUCCEEDED(hr) ? S_OK : hr; }

}  // namespace

HRESULT FilterGraph::Run() {
  auto control = QueryAs<IMediaControl>(builder_.get(), IID_IMediaControl);
  if (!control) return E_NOINTERFACE;
  return Settled(control->Run());
}

HRESULT FilterGraph::Pause() {
  auto control = QueryAs<IMediaControl>(builder_.get(), IID_IMediaControl);
  if (!control) return E_NOINTERFACE;
  return Settled(control->Pause());
}

HRESULT FilterGraph::Stop() {
  auto control = QueryAs<IMediaControl>(builder_.get(), IID_IMediaControl);
  if (!control) return E_NOINTERFACE;
  return control->Stop();
}

void FilterGraph::Release() {
  if (builder_) Stop();
  builder_.reset();
}

// --- bounded calls ----------------------------------------------------------------

namespace {

DWORD WINAPI RunWork(void* context) {
  ComInit com;
  (*static_cast<const std::function<void()>*>(context))();
  return 0;
}

}  // namespace

void RunOnWorker(const std::function<void()>& work, const char* what, DWORD boundMs) {
  HANDLE thread = CreateThread(nullptr, 0, &RunWork, const_cast<std::function<void()>*>(&work),
                               0, nullptr);
  if (thread == nullptr) {
    ADD_FAILURE() << "no worker thread for " << what;
    return;
  }
  const DWORD waited = WaitForSingleObject(thread, boundMs);
  CloseHandle(thread);
  if (waited == WAIT_OBJECT_0) return;
  ADD_FAILURE() << what << " did not return within " << boundMs << " ms";
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 1);
}

// --- pins -----------------------------------------------------------------------

ComRef<IPin> FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComRef<IEnumPins> pins;
  if (filter == nullptr || FAILED(filter->EnumPins(pins.put()))) return {};
  for (;;) {
    ComRef<IPin> pin;
    if (pins->Next(1, pin.put(), nullptr) != S_OK) return {};
    PIN_DIRECTION dir;
    if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == direction) return pin;
  }
}

CMediaType ConnectionTypeOf(IPin* pin) {
  CMediaType type;
  AM_MEDIA_TYPE raw = {};
  if (pin != nullptr && SUCCEEDED(pin->ConnectionMediaType(&raw))) {
    type.Set(raw);
    FreeMediaType(raw);
  }
  return type;
}

}  // namespace orlofx::test

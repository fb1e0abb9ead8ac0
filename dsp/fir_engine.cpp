#include "dsp/fir_engine.h"

#include <algorithm>
#include <new>
#include <type_traits>
#include <vector>

#include "framework/float_environment.h"
#include "framework/processor.h"

namespace orlofx {

// --- one-off designs (outside streaming) -------------------------------------------

HResult FirDesignTaps(const FirDesignRules& rules, const std::int32_t* fields, double fs,
                      double* taps, std::size_t* tapCount, double* gain) {
  if (!fields || !taps || !tapCount || !gain) return kPointer;
  if (!(fs > 0.0)) return kInvalidArg;
  const std::size_t n = rules.FftSize(fields);
  std::vector<double> target;
  FirDesigner designer;
  try {
    target.assign(n, 0.0);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  HResult hr = designer.Init();
  if (Failed(hr)) return hr;
  *gain = rules.target(fields, fs, n, target.data());
  *tapCount = FirTapCount(n);
  return designer.Design(target.data(), n, taps, nullptr);
}

HResult FirResponseDb(const FirDesignRules& rules, const std::int32_t* fields, double fs,
                      const double* frequencies, std::size_t count, double* db) {
  if (!fields || (count > 0 && (!frequencies || !db))) return kPointer;
  std::vector<double> taps;
  try {
    taps.assign(FirTapCount(kFirMaxSize), 0.0);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  std::size_t tapCount = 0;
  double gain = 1.0;
  HResult hr = FirDesignTaps(rules, fields, fs, taps.data(), &tapCount, &gain);
  if (Failed(hr)) return hr;
  for (std::size_t i = 0; i < count; ++i)
    db[i] = FirMagnitudeDb(taps.data(), tapCount, gain, frequencies[i], fs);
  return kOk;
}

// --- engine ----------------------------------------------------------------------------

FirEngine::FirEngine(const FirDesignRules& rules, FirSettingsSource& source)
    : rules_(rules), source_(source) {
  singleProcessorWanted_ = ProcessorCount() <= 1;
  worker_.Start(&FirEngine::WorkerEntry, this);
}

FirEngine::~FirEngine() {
  {
    ScopedLock lock(workerLock_);
    exit_ = true;
  }
  requestEvent_.Set();
  worker_.Join();
  Release();
}

void FirEngine::WorkerEntry(void* context) { static_cast<FirEngine*>(context)->WorkerLoop(); }

void FirEngine::WorkerLoop() {
  std::int32_t fields[kFirMaxFields];
  for (;;) {
    requestEvent_.Wait();
    for (;;) {
      std::size_t n;
      {
        ScopedLock lock(workerLock_);
        if (exit_) return;
        if (!requestPending_) break;
        // The last design has not been adopted yet; the streaming thread
        // wakes us again once it has.
        if (state_.load(std::memory_order_acquire) & kReadyBit) break;
        std::copy(request_, request_ + rules_.fieldCount, fields);
        requestPending_ = false;
        designing_ = true;
        n = n_;
      }
      // "ready" is clear, so only this thread may change the state word now
      // and the current set stays what it is.
      const int current = state_.load(std::memory_order_acquire) & kCurrentBit;
      DesignInto(sets_[1 - current], fields, n);
      state_.store(current | kReadyBit, std::memory_order_release);
      {
        ScopedLock lock(workerLock_);
        designing_ = false;
      }
      doneEvent_.Set();
    }
  }
}

void FirEngine::StopDesigns() {
  ScopedLock lock(workerLock_);
  requestPending_ = false;
  while (designing_) {
    workerLock_.Leave();
    doneEvent_.Wait();
    workerLock_.Enter();
  }
}

void FirEngine::DesignInto(KernelSet& set, const std::int32_t* fields, std::size_t n) {
  // The same arithmetic on every thread that designs, so that a kernel does
  // not depend on which one made it.
  ScopedFlushSubnormals flush;
  const double gain = rules_.target(fields, rate_, n, target_.get());
  if (Failed(designer_.Design(target_.get(), n, nullptr, spectrum_.get()))) return;
  const double* s = spectrum_.get();
  if (set.spectrumFloat)
    for (std::size_t i = 0; i < n; ++i) set.spectrumFloat[i] = static_cast<float>(s[i]);
  if (set.spectrumDouble) std::copy(s, s + n, set.spectrumDouble.get());
  std::copy(fields, fields + rules_.fieldCount, set.fields);
  set.n = n;
  set.gain = gain;
}

template <typename F>
void FirEngine::WithConvolver(F&& f) {
  if (precision_ == Precision::kFloat)
    f(floatConvolver_);
  else
    f(doubleConvolver_);
}

template <>
BlockConvolver<float>& FirEngine::ConvolverOf<float>() {
  return floatConvolver_;
}
template <>
BlockConvolver<double>& FirEngine::ConvolverOf<double>() {
  return doubleConvolver_;
}
template <>
const float* FirEngine::SpectrumOf<float>(const KernelSet& set) const {
  return set.spectrumFloat.get();
}
template <>
const double* FirEngine::SpectrumOf<double>(const KernelSet& set) const {
  return set.spectrumDouble.get();
}

HResult FirEngine::Prepare(const WaveFormat& in, const WaveFormat& out) {
  Release();
  const std::optional<SampleFormat> format = StreamFormatOf(in, out);
  if (!format) return kFail;
  if (!worker_.Running() || rules_.fieldCount > kFirMaxFields) return kFail;

  format_ = *format;
  precision_ = WorkingPrecision(format_);
  channels_ = in.channels;
  rate_ = static_cast<double>(in.samplesPerSec);
  singleProcessor_ = singleProcessorWanted_;

  const bool useFloat = precision_ == Precision::kFloat;
  HResult hr = designer_.Init();
  if (Succeeded(hr)) {
    target_.reset(new (std::nothrow) double[kFirMaxSize]);
    spectrum_.reset(new (std::nothrow) double[kFirMaxSize]);
    for (KernelSet& set : sets_) {
      if (useFloat)
        set.spectrumFloat.reset(new (std::nothrow) float[kFirMaxSize]());
      else
        set.spectrumDouble.reset(new (std::nothrow) double[kFirMaxSize]());
      if (!set.spectrumFloat && !set.spectrumDouble) hr = kOutOfMemory;
    }
    if (!target_ || !spectrum_) hr = kOutOfMemory;
  }
  if (Succeeded(hr))
    hr = useFloat ? floatConvolver_.Allocate(channels_) : doubleConvolver_.Allocate(channels_);
  if (Failed(hr)) {
    Release();
    return hr;
  }

  bool changed = false, restart = false;
  source_.SnapshotFields(snapshot_, &changed, &restart);
  prepared_ = true;
  Begin();
  return kOk;
}

std::size_t FirEngine::SmoothingFrames() const {
  return static_cast<std::size_t>(rate_ * kFirSmoothingSeconds);
}

void FirEngine::UseSize(std::size_t n) {
  {
    ScopedLock lock(workerLock_);  // the worker reads it when it designs
    n_ = n;
  }
  std::copy(snapshot_, snapshot_ + rules_.fieldCount, designed_);
  snapshotInterval_ = 5 * static_cast<std::uint64_t>(n);
  frameCounter_ = 0;
}

// Runs with no design in progress (StopDesigns), so the worker touches
// nothing meanwhile.
void FirEngine::Begin() {
  StopDesigns();
  UseSize(rules_.FftSize(snapshot_));
  DesignInto(sets_[0], snapshot_, n_);
  current_ = 0;
  state_.store(0, std::memory_order_release);
  WithConvolver([&](auto& c) {
    using T = typename std::decay_t<decltype(c)>::Sample;
    c.Start(n_, static_cast<T>(sets_[0].gain), SmoothingFrames());
  });
  restartPending_ = false;
}

void FirEngine::FadeFromCurrent() {
  WithConvolver([&](auto& c) {
    using T = typename std::decay_t<decltype(c)>::Sample;
    c.FadeFrom(SpectrumOf<T>(sets_[current_]));
  });
}

void FirEngine::ChangeSize(std::size_t n) {
  // A finished design not yet adopted is older than the snapshot: it is
  // overwritten.
  StopDesigns();
  const int next = 1 - current_;
  DesignInto(sets_[next], snapshot_, n);
  WithConvolver([&](auto& c) {
    using T = typename std::decay_t<decltype(c)>::Sample;
    c.Resize(n, SpectrumOf<T>(sets_[current_]), SpectrumOf<T>(sets_[next]));
  });
  current_ = next;
  state_.store(current_, std::memory_order_release);
  UseSize(n);
}

void FirEngine::Release() {
  StopDesigns();
  prepared_ = false;
  floatConvolver_.Free();
  doubleConvolver_.Free();
  designer_.Free();
  target_.reset();
  spectrum_.reset();
  for (KernelSet& set : sets_) {
    set.spectrumFloat.reset();
    set.spectrumDouble.reset();
  }
}

void FirEngine::PostRequest(const std::int32_t* fields) {
  {
    ScopedLock lock(workerLock_);
    std::copy(fields, fields + rules_.fieldCount, request_);
    requestPending_ = true;
  }
  requestEvent_.Set();
}

void FirEngine::SelectKernel(std::uint32_t inCount) {
  // Adopt a kernel the worker has finished; the convolver fades to it.
  const int state = state_.load(std::memory_order_acquire);
  if (state & kReadyBit) {
    FadeFromCurrent();
    current_ = 1 - (state & kCurrentBit);
    state_.store(current_, std::memory_order_release);
    requestEvent_.Set();  // a request may be waiting for this
  }

  bool changed = false, restart = false;
  if (!singleProcessor_ || frameCounter_ >= snapshotInterval_) {
    source_.SnapshotFields(snapshot_, &changed, &restart);
    if (singleProcessor_) frameCounter_ = 0;
  }
  if (singleProcessor_) frameCounter_ += inCount;
  if (restart) restartPending_ = true;

  // Designs wait while the convolver changes its size.
  bool resizing = false;
  WithConvolver([&](auto& c) { resizing = c.ResizePending(); });
  if (resizing) return;
  if (restartPending_) {
    restartPending_ = false;
    const std::size_t n = rules_.FftSize(snapshot_);
    if (n != n_) {
      ChangeSize(n);
      return;
    }
  }
  // Only a record that differs from the newest design makes a new one (a
  // change flagged for equal values, or a break in the stream, would design
  // the same kernel again).
  if (std::equal(snapshot_, snapshot_ + rules_.fieldCount, designed_)) return;
  std::copy(snapshot_, snapshot_ + rules_.fieldCount, designed_);
  if (singleProcessor_) {
    FadeFromCurrent();  // the set in use is about to change
    DesignInto(sets_[current_], snapshot_, n_);
  } else {
    PostRequest(snapshot_);
  }
}

FirEngine::KernelView FirEngine::CurrentKernel() const {
  const KernelSet& set = sets_[current_];
  return KernelView{
      current_, set.n, set.gain, set.fields, set.spectrumFloat.get(), set.spectrumDouble.get()};
}

HResult FirEngine::Render(const ProcessCall& call, std::uint32_t* consumed,
                          std::uint32_t* produced) {
  if (call.Discontinuity() && rules_.dropPartialBlockOnBreak)
    WithConvolver([](auto& c) { c.DropPartialBlock(); });
  SelectKernel(call.inCount);

  ConvolverIo io{format_, channels_, call.in, call.inCount, call.out, call.outCount, 0, 0};
  const HResult hr = precision_ == Precision::kFloat ? Stream<float>(call.Drain(), io)
                                                     : Stream<double>(call.Drain(), io);
  *consumed = io.consumed;
  *produced = io.produced;
  return hr;
}

template <typename T>
HResult FirEngine::Stream(bool drain, ConvolverIo& io) {
  const KernelSet& set = sets_[current_];
  const bool finished =
      ConvolverOf<T>().Run(drain, io, SpectrumOf<T>(set), static_cast<T>(set.gain));
  return finished ? kProcessFinished : kProcessProgress;
}

}  // namespace orlofx

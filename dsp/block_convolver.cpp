#include "dsp/block_convolver.h"

#include <algorithm>
#include <new>

namespace orlofx {

namespace {
constexpr std::size_t kSizes[kFirSizeCount] = {kFirSizeLow, kFirSizeMedium, kFirSizeHigh};
}  // namespace

template <typename T>
HResult BlockConvolver<T>::Allocate(int channels) {
  Free();
  if (channels < 1 || channels > 2) return kInvalidArg;
  for (int i = 0; i < kFirSizeCount; ++i) {
    HResult hr = plans_[i].Init(kSizes[i]);
    if (Failed(hr)) {
      Free();
      return hr;
    }
  }
  auto make = [](std::size_t count) { return std::unique_ptr<T[]>(new (std::nothrow) T[count]()); };
  bool ok = true;
  for (int c = 0; c < 2; ++c) {
    if (c < channels) {
      work_[c] = make(kFirMaxSize);
      overlap_[c] = make(FirTapCount(kFirMaxSize));
      previous_[c] = make(kFirMaxSize);
      ok = ok && work_[c] && overlap_[c] && previous_[c];
    }
    scratch_[c] = make(kFirMaxSize);
    ok = ok && scratch_[c];
  }
  fadeFrom_ = make(kFirMaxSize);
  bridge_ = make(kFirMaxSize);
  if (!ok || !fadeFrom_ || !bridge_) {
    Free();
    return kOutOfMemory;
  }
  channels_ = channels;
  Start(kFirSizeLow, T(1), 1);
  return kOk;
}

template <typename T>
void BlockConvolver<T>::Free() {
  for (auto& plan : plans_) plan.Free();
  for (int c = 0; c < 2; ++c) {
    work_[c].reset();
    overlap_[c].reset();
    previous_[c].reset();
    scratch_[c].reset();
  }
  fadeFrom_.reset();
  bridge_.reset();
  channels_ = 0;
  n_ = 0;
  fft_ = nullptr;
  fill_ = read_ = blockOut_ = 0;
  pending_ = false;
  fadePending_ = false;
  resizeTo_ = 0;
}

template <typename T>
void BlockConvolver<T>::SetSize(std::size_t n) {
  n_ = n;
  blockLength_ = FirBlockLength(n);
  taps_ = FirTapCount(n);
  fft_ = &plans_[FirSizeIndex(n)];
  blockOut_ = blockLength_;
}

template <typename T>
void BlockConvolver<T>::Start(std::size_t n, T gain, std::size_t smoothing) {
  if (FirSizeIndex(n) < 0 || channels_ == 0) return;
  SetSize(n);
  read_ = fill_ = 0;
  pending_ = false;
  for (int c = 0; c < channels_; ++c) {
    std::fill(overlap_[c].get(), overlap_[c].get() + taps_, T(0));
    std::fill(previous_[c].get(), previous_[c].get() + n_, T(0));
  }
  previousValid_ = true;  // silence came before
  fadePending_ = false;
  resizeTo_ = 0;
  smoothing_ = std::max<std::size_t>(smoothing, 1);
  gain_ = gain;
  ramping_ = false;
}

template <typename T>
void BlockConvolver<T>::FadeFrom(const T* spectrum) {
  if (fadePending_ || channels_ == 0) return;
  std::copy(spectrum, spectrum + n_, fadeFrom_.get());
  fadePending_ = true;
}

template <typename T>
void BlockConvolver<T>::Resize(std::size_t n, const T* playing, const T* next) {
  if (FirSizeIndex(n) < 0 || channels_ == 0 || ResizePending()) return;
  if (n == n_) {
    FadeFrom(playing);
    return;
  }
  if (n < n_) {
    // The new kernel is the shorter one: fade to it on this size, then cut.
    FadeFrom(playing);
    WidenSpectrum(next, n, bridge_.get(), n_);
  } else {
    // The old kernel is the shorter one: it crosses the cut, then fades.
    std::copy(playing, playing + n_, bridge_.get());
  }
  resizeTo_ = n;
}

template <typename T>
void BlockConvolver<T>::ResizeAtBoundary() {
  if (!resizeTo_) return;
  const std::size_t oldN = n_, oldTaps = taps_;
  if (resizeTo_ < oldN) {
    if (fadePending_) return;  // the fade to the shorter kernel comes first
    SetSize(resizeTo_);
    // The overlap beyond the new kernel's reach is rounding noise only.
  } else {
    const T* source = fadePending_ ? fadeFrom_.get() : bridge_.get();
    SetSize(resizeTo_);
    for (int c = 0; c < channels_; ++c)
      std::fill(overlap_[c].get() + oldTaps, overlap_[c].get() + taps_, T(0));
    WidenSpectrum(source, oldN, fadeFrom_.get(), n_);
    fadePending_ = true;
  }
  // The next fade needs a block of this size before it.
  previousValid_ = false;
  resizeTo_ = 0;
}

template <typename T>
void BlockConvolver<T>::WidenSpectrum(const T* from, std::size_t nFrom, T* to, std::size_t nTo) {
  T* s = scratch_[0].get();
  std::copy(from, from + nFrom, s);
  plans_[FirSizeIndex(nFrom)].Inverse(s);
  std::fill(s + FirTapCount(nFrom), s + nTo, T(0));
  plans_[FirSizeIndex(nTo)].Forward(s);
  std::copy(s, s + nTo, to);
}

template <typename T>
void BlockConvolver<T>::DropPartialBlock() {
  if (!pending_) fill_ = read_ = 0;
}

template <typename T>
bool BlockConvolver<T>::Run(bool drain, ConvolverIo& io, const T* spectrum, T gain) {
  if (gain != gain_) {
    // A new ramp starts from wherever the leaving gain is now.
    rampFrom_ = GainAt(rampDone_);
    gain_ = gain;
    rampDone_ = 0;
    ramping_ = true;
  }
  const std::size_t frameBytes = static_cast<std::size_t>(BytesPerSample(io.format)) * io.channels;
  if (io.consumed >= io.inCount && !pending_ && fill_ == 0) return true;
  T* work[2] = {work_[0].get(), work_[1].get()};

  for (;;) {
    if (pending_) {
      const std::size_t n = std::min<std::size_t>(blockOut_ - read_, io.outCount - io.produced);
      if (n > 0)
        WriteFrames<T>(io.format, channels_, work, read_, n, io.out + io.produced * frameBytes);
      read_ += n;
      io.produced += static_cast<std::uint32_t>(n);
      if (read_ < blockOut_) return false;
      read_ = fill_ = 0;
      pending_ = false;
      if (drain) {
        blockOut_ = blockLength_;
        return true;
      }
    }
    if (fill_ == 0) ResizeAtBoundary();

    const std::size_t n = std::min<std::size_t>(blockLength_ - fill_, io.inCount - io.consumed);
    if (n > 0)
      ReadFrames<T>(io.format, channels_, io.in + io.consumed * frameBytes, n, work, fill_);
    fill_ += n;
    io.consumed += static_cast<std::uint32_t>(n);

    std::size_t valid = blockLength_;
    if (drain) {
      if (fill_ == 0) return true;
      // The last block is short: pad it with silence and emit only its
      // own frames.
      valid = fill_;
      blockOut_ = fill_;
      fill_ = blockLength_;
    }
    if (fill_ < blockLength_) return false;
    ConvolveBlock(valid, resizeTo_ ? bridge_.get() : spectrum);
    pending_ = true;
  }
}

template <typename T>
void BlockConvolver<T>::ConvolveBlock(std::size_t valid, const T* spectrum) {
  if (fadePending_) {
    if (!previousValid_) {
      // No block of this size to build the new kernel's overlap from yet:
      // the old kernel plays one more block.
      spectrum = fadeFrom_.get();
    } else {
      fadePending_ = false;
      if (!std::equal(spectrum, spectrum + n_, fadeFrom_.get())) {
        FadeBlock(valid, spectrum);
        return;
      }
    }
  }
  const std::size_t l = blockLength_, m = taps_;
  for (int c = 0; c < channels_; ++c) {
    T* w = work_[c].get();
    T* o = overlap_[c].get();
    std::fill(w + valid, w + n_, T(0));
    fft_->Forward(w);
    std::copy(w, w + n_, previous_[c].get());
    MultiplyPackedSpectra(w, spectrum, n_);
    fft_->Inverse(w);
    for (std::size_t i = 0; i < m; ++i) {
      w[i] += o[i];
      o[i] = w[l + i];
    }
  }
  previousValid_ = true;
  ApplyGain();
}

// The block computed with both kernels, each as its steady output: the old
// kernel's with the overlap it left, the new kernel's with the overlap the
// previous block would have left with it. The output moves linearly from
// the one to the other over the first frames of the block.
template <typename T>
void BlockConvolver<T>::FadeBlock(std::size_t valid, const T* spectrum) {
  const std::size_t l = blockLength_, m = taps_, fade = std::min(l, smoothing_);
  const double step = 1.0 / static_cast<double>(fade + 1);
  T* from = scratch_[0].get();
  T* tail = scratch_[1].get();
  for (int c = 0; c < channels_; ++c) {
    T* w = work_[c].get();
    T* o = overlap_[c].get();
    T* p = previous_[c].get();
    std::fill(w + valid, w + n_, T(0));
    fft_->Forward(w);
    std::copy(p, p + n_, tail);
    MultiplyPackedSpectra(tail, spectrum, n_);
    fft_->Inverse(tail);
    std::copy(w, w + n_, p);
    std::copy(w, w + n_, from);
    MultiplyPackedSpectra(from, fadeFrom_.get(), n_);
    fft_->Inverse(from);
    MultiplyPackedSpectra(w, spectrum, n_);
    fft_->Inverse(w);
    for (std::size_t i = 0; i < l; ++i) {
      const T a = i < m ? from[i] + o[i] : from[i];
      const T b = i < m ? w[i] + tail[l + i] : w[i];
      w[i] = i < fade ? a + (b - a) * static_cast<T>(step * static_cast<double>(i + 1)) : b;
    }
    std::copy(w + l, w + l + m, o);
  }
  previousValid_ = true;
  ApplyGain();
}

template <typename T>
T BlockConvolver<T>::GainAt(std::size_t k) const {
  if (!ramping_ || k >= smoothing_) return gain_;
  const double from = rampFrom_, to = gain_;
  return static_cast<T>(from + (to - from) * (static_cast<double>(k) / smoothing_));
}

template <typename T>
void BlockConvolver<T>::ApplyGain() {
  const std::size_t l = blockLength_;
  if (!ramping_) {
    if (gain_ != T(1))
      for (int c = 0; c < channels_; ++c)
        for (std::size_t i = 0; i < l; ++i) work_[c][i] *= gain_;
    return;
  }
  for (int c = 0; c < channels_; ++c)
    for (std::size_t i = 0; i < l; ++i) work_[c][i] *= GainAt(rampDone_ + i + 1);
  rampDone_ += l;
  if (rampDone_ >= smoothing_) ramping_ = false;
}

template class BlockConvolver<float>;
template class BlockConvolver<double>;

}  // namespace orlofx

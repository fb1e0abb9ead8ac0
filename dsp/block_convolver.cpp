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
  for (int c = 0; c < channels; ++c) {
    work_[c].reset(new (std::nothrow) T[kFirMaxSize]());
    overlap_[c].reset(new (std::nothrow) T[FirTapCount(kFirMaxSize)]());
    if (!work_[c] || !overlap_[c]) {
      Free();
      return kOutOfMemory;
    }
  }
  channels_ = channels;
  Start(kFirSizeLow);
  return kOk;
}

template <typename T>
void BlockConvolver<T>::Free() {
  for (auto& plan : plans_) plan.Free();
  for (int c = 0; c < 2; ++c) {
    work_[c].reset();
    overlap_[c].reset();
  }
  channels_ = 0;
  n_ = 0;
  fft_ = nullptr;
  fill_ = read_ = blockOut_ = 0;
  pending_ = false;
}

template <typename T>
void BlockConvolver<T>::Start(std::size_t n) {
  const int index = FirSizeIndex(n);
  if (index < 0 || channels_ == 0) return;
  n_ = n;
  blockLength_ = FirBlockLength(n);
  taps_ = FirTapCount(n);
  fft_ = &plans_[index];
  blockOut_ = blockLength_;
  read_ = fill_ = 0;
  pending_ = false;
  for (int c = 0; c < channels_; ++c) std::fill(overlap_[c].get(), overlap_[c].get() + taps_, T(0));
}

template <typename T>
void BlockConvolver<T>::DropPartialBlock() {
  if (!pending_) fill_ = read_ = 0;
}

template <typename T>
bool BlockConvolver<T>::Run(bool drain, ConvolverIo& io, const T* spectrum, T gain) {
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
    ConvolveBlock(valid, spectrum, gain);
    pending_ = true;
  }
}

template <typename T>
void BlockConvolver<T>::ConvolveBlock(std::size_t valid, const T* spectrum, T gain) {
  const std::size_t l = blockLength_, m = taps_;
  for (int c = 0; c < channels_; ++c) {
    T* w = work_[c].get();
    T* o = overlap_[c].get();
    std::fill(w + valid, w + n_, T(0));
    fft_->Forward(w);
    MultiplyPackedSpectra(w, spectrum, n_);
    fft_->Inverse(w);
    for (std::size_t i = 0; i < m; ++i) {
      w[i] += o[i];
      o[i] = w[l + i];
    }
    if (gain != T(1))
      for (std::size_t i = 0; i < l; ++i) w[i] *= gain;
  }
}

template class BlockConvolver<float>;
template class BlockConvolver<double>;

}  // namespace orlofx

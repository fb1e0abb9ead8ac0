// Overlap-add FFT convolution of interleaved audio with an FIR kernel given
// by its spectrum, one block of L = N/2 frames at a time.
//
//   input frames ─reader─► work[c][0..L) ─ zero to N ─► forward FFT
//        × kernel spectrum ─► inverse FFT ─► + overlap[c][0..M) ─► × gain
//   output frames ◄─writer─ work[c][0..L)        overlap[c] := work[c][L..L+M)
//
// With M = N/2 - 1 taps, L + M - 1 < N and the circular convolution never
// wraps. Output leaves only when a block is complete, so delivery lags the
// input by up to L frames, but output frame j is always the filtered input
// frame j. The drain emits the last partial block with exactly as many frames
// as it had input; the convolution tail left in the overlap is not emitted.
//
// T is the working precision (float or double). Everything is allocated by
// Allocate; Run never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "dsp/fft.h"
#include "dsp/fir_design.h"
#include "framework/sample_format.h"
#include "support/result.h"

namespace orlofx {

// The caller's buffers for one call, and what the call did with them.
struct ConvolverIo {
  SampleFormat format;
  int channels;
  const unsigned char* in;  // interleaved input (may be null when inCount is 0)
  std::uint32_t inCount;    // frames offered
  unsigned char* out;       // interleaved output (may be null when outCount is 0)
  std::uint32_t outCount;   // room in frames
  std::uint32_t consumed;   // frames taken so far (Run adds to it)
  std::uint32_t produced;   // frames written so far (Run adds to it)
};

template <typename T>
class BlockConvolver {
 public:
  BlockConvolver() = default;
  BlockConvolver(const BlockConvolver&) = delete;
  BlockConvolver& operator=(const BlockConvolver&) = delete;

  // Work and overlap buffers for the largest size and the real FFT plans of
  // all three sizes, so that the size can change without allocating.
  HResult Allocate(int channels);
  void Free();
  bool Ready() const { return channels_ != 0; }

  // Begins a stream of n-point blocks (n one of the three FIR sizes): no
  // buffered input, no pending output, silent overlap.
  void Start(std::size_t n);
  std::size_t Size() const { return n_; }

  // Forgets a partly filled input block (a break in the stream). Output that
  // is already computed and partly delivered is still delivered in full, so
  // nothing is sent twice.
  void DropPartialBlock();

  // True when no input is buffered and no output is pending.
  bool Empty() const { return !pending_ && fill_ == 0; }

  // One processing call. Consumes from io.in and writes to io.out from the
  // counts already in io.consumed and io.produced on. `spectrum` is the
  // kernel's packed n-point spectrum, `gain` multiplies every sample as it
  // leaves. Returns true when there is nothing more to produce: no input
  // was offered and nothing was held, or (drain) the last block is out.
  bool Run(bool drain, ConvolverIo& io, const T* spectrum, T gain);

  // Frames of buffered input (the fill index).
  std::size_t Buffered() const { return fill_; }

 private:
  void ConvolveBlock(std::size_t valid, const T* spectrum, T gain);

  int channels_ = 0;
  std::size_t n_ = 0;
  std::size_t blockLength_ = 0;  // L
  std::size_t taps_ = 0;         // M
  RealFft<T>* fft_ = nullptr;
  RealFft<T> plans_[kFirSizeCount];
  std::unique_ptr<T[]> work_[2];
  std::unique_ptr<T[]> overlap_[2];

  std::size_t blockOut_ = 0;  // frames of the pending block to deliver
  std::size_t read_ = 0;      // frames of the pending block delivered
  std::size_t fill_ = 0;      // frames of input in the block being filled
  bool pending_ = false;
};

extern template class BlockConvolver<float>;
extern template class BlockConvolver<double>;

}  // namespace orlofx

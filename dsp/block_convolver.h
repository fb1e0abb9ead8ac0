// Overlap-add FFT convolution of interleaved audio with an FIR kernel given
// by its spectrum, one block of L = N/2 frames at a time.
//
//   input frames ─reader─► work[c][0..L) ─ zero to N ─► forward FFT ─► previous[c]
//        × kernel spectrum ─► inverse FFT ─► + overlap[c][0..M) ─► × gain
//   output frames ◄─writer─ work[c][0..L)        overlap[c] := work[c][L..L+M)
//
// With M = N/2 - 1 taps, L + M - 1 < N and the circular convolution never
// wraps. Output leaves only when a block is complete, so delivery lags the
// input by up to L frames, but output frame j is always the filtered input
// frame j. The drain emits the last partial block with exactly as many frames
// as it had input; the convolution tail left in the overlap is not emitted.
//
// Changes never reach the output as a step:
//   - Kernel. Switching kernels at a block boundary would filter the last
//     block's tail with the old kernel and the new block with the new one,
//     which clicks when the responses differ much. Instead the block after a
//     change is computed with both kernels and faded from the old kernel's
//     output to the new one's. Both are the steady outputs of their kernels:
//     the new kernel's overlap comes from the previous block's spectrum,
//     which is kept for that.
//   - Gain. A new gain is reached by a linear ramp.
//   - Block size. A size change waits for a block boundary and carries the
//     overlap across; the kernel that plays across the boundary is the
//     shorter of the old and the new one (it fits both sizes), so the cut is
//     exact, and the fade between the two kernels happens on the larger size.
// Fades and ramps last at most the smoothing length given to Start.
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
  using Sample = T;

  BlockConvolver() = default;
  BlockConvolver(const BlockConvolver&) = delete;
  BlockConvolver& operator=(const BlockConvolver&) = delete;

  // Work, overlap and fade buffers for the largest size and the real FFT
  // plans of all three sizes, so that the size can change without
  // allocating.
  HResult Allocate(int channels);
  void Free();
  bool Ready() const { return channels_ != 0; }

  // Begins a stream of n-point blocks (n one of the three FIR sizes): no
  // buffered input, no pending output, silence before, `gain` from the
  // first frame on. Fades and gain ramps last at most `smoothing` frames.
  void Start(std::size_t n, T gain, std::size_t smoothing);
  // The size the blocks have now (a requested size change may be pending).
  std::size_t Size() const { return n_; }

  // The kernel that has played so far is `spectrum` (Size()-point); the
  // next block fades from it to the spectrum Run is given then. Call it
  // before the caller's copy of that kernel changes. While a fade is still
  // waiting for its block, the kernel it fades from stays the one given
  // first: that is what has played.
  void FadeFrom(const T* spectrum);

  // Changes the block size to n's at the next block boundary that allows
  // it. `playing` is the Size()-point kernel playing now, `next` the
  // n-point kernel Run will be given from now on. Only one change at a time:
  // see ResizePending.
  void Resize(std::size_t n, const T* playing, const T* next);
  bool ResizePending() const { return resizeTo_ != 0; }

  // Forgets a partly filled input block (a break in the stream). Output that
  // is already computed and partly delivered is still delivered in full, so
  // nothing is sent twice.
  void DropPartialBlock();

  // True when no input is buffered and no output is pending.
  bool Empty() const { return !pending_ && fill_ == 0; }

  // One processing call. Consumes from io.in and writes to io.out from the
  // counts already in io.consumed and io.produced on. `spectrum` is the
  // kernel's packed spectrum (of the size given to the last Start or
  // Resize), `gain` multiplies every sample as it leaves (reached by a ramp
  // when it changes). Returns true when there is nothing more to produce: no
  // input was offered and nothing was held, or (drain) the last block is out.
  bool Run(bool drain, ConvolverIo& io, const T* spectrum, T gain);

  // Frames of buffered input (the fill index).
  std::size_t Buffered() const { return fill_; }

 private:
  void SetSize(std::size_t n);
  // At a block boundary: applies a pending size change once it may.
  void ResizeAtBoundary();
  // The packed spectrum of the taps that `from` (nFrom points) holds,
  // zero-padded to nTo >= nFrom points. `to` may be `from`.
  void WidenSpectrum(const T* from, std::size_t nFrom, T* to, std::size_t nTo);
  void ConvolveBlock(std::size_t valid, const T* spectrum);
  void FadeBlock(std::size_t valid, const T* spectrum);
  // Multiplies the first L samples of each channel by the leaving gain and
  // advances a ramp in progress.
  void ApplyGain();
  // The leaving gain k frames into the ramp in progress (the gain itself
  // when no ramp runs).
  T GainAt(std::size_t k) const;

  int channels_ = 0;
  std::size_t n_ = 0;
  std::size_t blockLength_ = 0;  // L
  std::size_t taps_ = 0;         // M
  RealFft<T>* fft_ = nullptr;
  RealFft<T> plans_[kFirSizeCount];
  std::unique_ptr<T[]> work_[2];
  std::unique_ptr<T[]> overlap_[2];
  std::unique_ptr<T[]> previous_[2];  // spectrum of the last block's input
  std::unique_ptr<T[]> scratch_[2];   // the fade's two extra convolutions
  std::unique_ptr<T[]> fadeFrom_;     // the kernel a pending fade starts from
  std::unique_ptr<T[]> bridge_;       // what plays until a size change is done

  std::size_t blockOut_ = 0;  // frames of the pending block to deliver
  std::size_t read_ = 0;      // frames of the pending block delivered
  std::size_t fill_ = 0;      // frames of input in the block being filled
  bool pending_ = false;

  std::size_t smoothing_ = 1;
  bool fadePending_ = false;
  bool previousValid_ = false;  // previous_ holds the last block at this size
  std::size_t resizeTo_ = 0;    // a size change waiting for a boundary, or 0

  // Leaving gain: gain_ while no ramp runs; a ramp goes from rampFrom_ to
  // gain_ over smoothing_ frames, rampDone_ of them already out.
  T gain_ = T(1);
  T rampFrom_ = T(1);
  std::size_t rampDone_ = 0;
  bool ramping_ = false;
};

extern template class BlockConvolver<float>;
extern template class BlockConvolver<double>;

}  // namespace orlofx

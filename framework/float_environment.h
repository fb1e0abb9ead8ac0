// Subnormal numbers make x86 arithmetic many times slower, and a decaying
// filter memory or an FFT of quiet input reaches them easily. Each
// processing call flushes them for its own duration: flush-to-zero and
// denormals-are-zero are switched on at entry and the caller's setting is
// restored on exit, because the control word belongs to the host's thread.
//
//   HResult Process(...) {
//     ScopedFlushSubnormals flush;
//     ...
//   }
//
// On processors without SSE (or other architectures) the guard does nothing.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || defined(__x86_64__)
#include <xmmintrin.h>
#define ORLOFX_HAS_MXCSR 1
#else
#define ORLOFX_HAS_MXCSR 0
#endif

namespace orlofx {

class ScopedFlushSubnormals {
 public:
#if ORLOFX_HAS_MXCSR
  // FTZ is bit 15, DAZ bit 6 of MXCSR.
  static constexpr unsigned kFlushBits = 0x8040u;
  ScopedFlushSubnormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushBits); }
  ~ScopedFlushSubnormals() { _mm_setcsr(saved_); }
#else
  ScopedFlushSubnormals() = default;
#endif
  ScopedFlushSubnormals(const ScopedFlushSubnormals&) = delete;
  ScopedFlushSubnormals& operator=(const ScopedFlushSubnormals&) = delete;

 private:
#if ORLOFX_HAS_MXCSR
  unsigned saved_;
#endif
};

}  // namespace orlofx

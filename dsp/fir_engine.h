// The streaming engine the two FIR equalisers share: two kernel sets, a
// design worker, and the block convolver. The effects differ only in how
// their settings become a target response (their "design rules").
//
//   settings ──snapshot──► selection ──► design ──► kernel set (inactive)
//                (per call)   │                         │ ready
//                             │                         ▼
//   input ─────────────────► convolver ◄── kernel set (current)
//
// Kernel sets. Set `current` plays; the other one is where new kernels are
// built. On a machine with more than one processor a worker thread designs
// while the current kernel keeps playing; on a single-processor machine the
// streaming thread designs itself, at most once every 5·N input frames.
//
// How the worker and the streaming thread meet. One atomic word holds the
// index of the current set and a "ready" bit.
//   - The worker designs only into the set that is not current, and only
//     while "ready" is clear; when done it stores (current | ready).
//   - At the start of each call the streaming thread adopts a ready set: it
//     stores (the other set, ready clear) - the switch is this one store -
//     and uses that set for the whole call.
// So the worker never writes a set the streaming thread may be reading: the
// set it writes became inactive at the start of a call, on the streaming
// thread, before the worker could see it as inactive. (Switching on the
// worker's side instead would let a second design overwrite the set that a
// call in progress is still using.) A request that arrives while a finished
// design waits to be adopted is served once the streaming thread has
// adopted it; requests arriving during a design are served by one more
// design with the newest settings. Requests travel under a small lock.
//
// A new kernel never replaces the old one at a step: the convolver fades
// from the old kernel's output to the new one's over the next block (it
// keeps its own copy of the old spectrum, since the worker may reuse the
// set at once). A record equal to the one the newest kernel was designed
// from (the same settings applied again, a break in the stream) makes no
// design at all, so it changes nothing.
//
// Changes of FFT size (the accuracy, or a whole record with another
// accuracy) are applied on the streaming thread: the new kernel is designed
// at once, and the convolver changes its block size at a block boundary,
// carrying the overlap across and fading between the kernels (see
// block_convolver.h), so the output keeps the input's length and alignment
// and has no gap. Other designs wait until the size change is done.
// Everything any size needs is allocated by Prepare, so this never
// allocates.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "dsp/block_convolver.h"
#include "dsp/fir_design.h"
#include "framework/sample_format.h"
#include "support/platform.h"
#include "support/result.h"

namespace orlofx {

struct ProcessCall;

// Largest settings record a FIR effect has (the Graphic EQ's 151 fields).
constexpr std::size_t kFirMaxFields = 160;

// A change of kernel fades, and a change of leaving gain ramps, over at most
// this long (and a kernel fade over at most one block).
constexpr double kFirSmoothingSeconds = 0.02;

// An effect's design rules: pure functions of its settings record, safe to
// call from the worker thread.
struct FirDesignRules {
  std::size_t fieldCount;
  // The record field holding the accuracy, which chooses the FFT size.
  std::size_t accuracyField;
  // Fills target[0..n-1] with the magnitude response for sample rate fs and
  // returns the gain applied to samples as they leave the engine.
  double (*target)(const std::int32_t* fields, double fs, std::size_t n, double* target);
  // A break in the stream drops the partly filled input block.
  bool dropPartialBlockOnBreak;

  std::size_t FftSize(const std::int32_t* fields) const {
    return FirSizeForAccuracy(fields[accuracyField]);
  }
};

// The effect's side of the parameter snapshot.
class FirSettingsSource {
 public:
  // Under the effect's parameter lock: copies the record into `fields` and
  // reads and clears the `changed` and `restart` flags.
  virtual void SnapshotFields(std::int32_t* fields, bool* changed, bool* restart) = 0;

 protected:
  ~FirSettingsSource() = default;
};

// The magnitude response in dB of the kernel an effect builds for `fields`
// at sample rate fs, at each of the given frequencies (what a user sees with
// the command-line tool's response command). Allocates; not for the
// streaming path.
HResult FirResponseDb(const FirDesignRules& rules, const std::int32_t* fields, double fs,
                      const double* frequencies, std::size_t count, double* db);

// The taps and the leaving gain of the kernel built for `fields`; `taps`
// receives FirTapCount(n) values. Allocates.
HResult FirDesignTaps(const FirDesignRules& rules, const std::int32_t* fields, double fs,
                      double* taps, std::size_t* tapCount, double* gain);

class FirEngine {
 public:
  // Starts the design worker. `rules` must outlive the engine; `source` is
  // called only from Prepare and Render.
  FirEngine(const FirDesignRules& rules, FirSettingsSource& source);
  ~FirEngine();
  FirEngine(const FirEngine&) = delete;
  FirEngine& operator=(const FirEngine&) = delete;

  // Takes a snapshot (clearing `changed` and `restart`), allocates for every
  // size, designs set 0 and makes it current. kFail for a format the engine
  // cannot process (or differing input and output formats, or a missing
  // worker), kOutOfMemory.
  HResult Prepare(const WaveFormat& in, const WaveFormat& out);
  // Waits for a design in progress, then frees everything Prepare made.
  void Release();
  bool Prepared() const { return prepared_; }
  const FirDesignRules& Rules() const { return rules_; }

  // One call of the processing entry, its arguments checked by the effect
  // (and the engine prepared).
  HResult Render(const ProcessCall& call, std::uint32_t* consumed, std::uint32_t* produced);

  // The single-processor rule (designs on the streaming thread, snapshots
  // at most every 5·N frames). Defaults to whether the machine has one
  // processor; a change takes effect at the next Prepare.
  void SetSingleProcessorRule(bool on) { singleProcessorWanted_ = on; }
  bool SingleProcessorRule() const { return singleProcessor_; }

  // --- read-outs for tests (streaming thread, between calls) ---------------
  struct KernelView {
    int set;                       // 0 or 1
    std::size_t n;                 // FFT size
    double gain;                   // applied as samples leave
    const std::int32_t* fields;    // the settings it was designed from
    const float* spectrumFloat;    // packed spectrum (float streams), else null
    const double* spectrumDouble;  // packed spectrum (double streams), else null
  };
  KernelView CurrentKernel() const;
  std::size_t FftSize() const { return n_; }

 private:
  struct KernelSet {
    std::int32_t fields[kFirMaxFields];
    std::size_t n;
    double gain;
    std::unique_ptr<float[]> spectrumFloat;
    std::unique_ptr<double[]> spectrumDouble;
  };

  static constexpr int kCurrentBit = 1;
  static constexpr int kReadyBit = 2;

  static void WorkerEntry(void* context);
  void WorkerLoop();
  // Waits until no design runs and drops any request not yet served.
  void StopDesigns();
  void DesignInto(KernelSet& set, const std::int32_t* fields, std::size_t n);
  void SelectKernel(std::uint32_t inCount);
  void PostRequest(const std::int32_t* fields);
  // Frames that a fade between kernels or a gain ramp may take at most.
  std::size_t SmoothingFrames() const;
  // Records the FFT size in use and the snapshot as designed.
  void UseSize(std::size_t n);
  // Designs set 0 from the snapshot and begins blocks of its size.
  void Begin();
  // Designs the snapshot into the set not in use at its own FFT size and
  // has the convolver change to that size.
  void ChangeSize(std::size_t n);
  // Has the convolver fade from the current set's kernel to the next one.
  void FadeFromCurrent();
  // The convolver of the stream's precision, as `f(convolver)`.
  template <typename F>
  void WithConvolver(F&& f);
  template <typename T>
  BlockConvolver<T>& ConvolverOf();
  template <typename T>
  HResult Stream(bool drain, ConvolverIo& io);
  template <typename T>
  const T* SpectrumOf(const KernelSet& set) const;

  const FirDesignRules& rules_;
  FirSettingsSource& source_;

  // Stream set-up, fixed by Prepare (and by a restart, on the streaming thread).
  bool prepared_ = false;
  SampleFormat format_ = SampleFormat::kPcm16;
  Precision precision_ = Precision::kFloat;
  int channels_ = 0;
  double rate_ = 0.0;
  std::size_t n_ = 0;
  bool singleProcessorWanted_ = false;
  bool singleProcessor_ = false;

  // Streaming thread state.
  std::int32_t snapshot_[kFirMaxFields] = {};
  std::int32_t designed_[kFirMaxFields] = {};  // the newest design made or asked for
  int current_ = 0;  // the streaming thread's copy of the current set
  bool restartPending_ = false;
  std::uint64_t frameCounter_ = 0;
  std::uint64_t snapshotInterval_ = 0;

  KernelSet sets_[2] = {};
  std::atomic<int> state_{0};  // current set | ready bit

  // Design scratch: used by whoever designs, which is one thread at a time
  // (Prepare and restarts wait for the worker; the worker runs only when
  // asked; single-processor streams never ask it).
  FirDesigner designer_;
  std::unique_ptr<double[]> target_;
  std::unique_ptr<double[]> spectrum_;

  // The worker and what it shares with the others, under workerLock_.
  CriticalSection workerLock_;
  Event requestEvent_;
  Event doneEvent_;
  Thread worker_;
  std::int32_t request_[kFirMaxFields] = {};
  bool requestPending_ = false;
  bool designing_ = false;
  bool exit_ = false;

  BlockConvolver<float> floatConvolver_;
  BlockConvolver<double> doubleConvolver_;
};

}  // namespace orlofx

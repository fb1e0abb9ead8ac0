// The Multi-Band Dynamics signal path: the two-pole sections, the band
// designs, and the per-block band processing (split, peak, gain computation,
// smoothing, ramp, subtraction, static gain), for one or two channels.
//
// The transform owns one MbdynBands, sizes it at start of streaming and
// hands it planar blocks of at most the block length; nothing here
// allocates after Allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/mbdyn/mbdyn_params.h"
#include "support/result.h"

namespace orlofx::mbdyn {

// Normalised frequencies (frequency / sample rate) are kept inside this range
// by every design that clamps.
constexpr double kMinFrequency = 0.0003;
constexpr double kMaxFrequency = 0.49;

enum class SectionKind {
  kNone,           // passes the input
  kLowShelfCut,    // x - c y
  kLowShelfBoost,  // m x + c y
  kHighShelf,      // m x + c (y - 2 y1 + y2), the resonator fed through K
  kBandNotch,      // x + c (y - y1), c the peak scale
};

// A two-pole resonator and how its output is mixed with the input. The state
// survives a redesign, so settings can change without a click.
struct Section {
  SectionKind kind = SectionKind::kNone;
  double a1 = 0.0, a2 = 0.0, b0 = 0.0;  // b0 is K(f) for the high-shelf kinds
  double m = 1.0, c = 0.0;
  double y1 = 0.0, y2 = 0.0;

  void Clear() { y1 = y2 = 0.0; }
};

// The designs, for f = frequency / fs and g in dB. They set the coefficients
// and the kind and keep the state.
void DesignResonator(Section& s, double f, double q);
void DesignLowShelfCut(Section& s, double f, double q, double g);
void DesignLowShelfBoost(Section& s, double f, double g);
void DesignHighShelf(Section& s, double f, double q, double g);
void DesignHighShelfBoost(Section& s, double f, double q, double g);
void DesignBandNotch(Section& s, double f, double q, double g);

// High-pass gain correction K(f) (linear).
double HighPassGain(double f);
// Centre frequency correction of the band-notch for width factor q.
double NotchFrequency(double q, double f);
// Output scale of the band-notch peak filter.
double NotchShape(double q, double f);

// The section run as a static filter: one output sample for one input.
double RunStatic(Section& s, double x);

// Dynamics and filters of one band of one channel.
struct Band {
  bool active = false;  // processed in this configuration (not bypassed, solo rules)
  std::int32_t type = kMbdynBandNotch;
  Section split;
  Section gainFilter;
  int gainSign = 0;  // +1 boost, -1 cut, 0 no static filter

  bool attackMode = false;
  double peak = 0.0;
  double gain = 1.0;  // G, the smoothed gain applied to the band signal
  double ratio = 1.0;
  double threshold = 1.0;
  double releaseThreshold = 0.85;
  double attackCoefficient = 1.0, releaseCoefficient = 1.0;
  std::int64_t attackLength = 0, releaseLength = 0;
};

class MbdynBands {
 public:
  // Buffers for blocks of up to `blockFrames` frames and `channels` (1 or 2)
  // channels. kOutOfMemory when they cannot be had.
  HResult Allocate(std::size_t blockFrames, int channels);
  void Free();

  // Designs every band of every channel from the (clamped) record at sample
  // rate fs. With `reset` the filter states, gains, modes and peaks start
  // afresh (start of streaming, discontinuity); without it they carry on.
  void Build(const MbdynParams& p, double fs, bool reset);

  // Runs the bands over one block in place: x[ch][0..n) for every channel,
  // n at most the allocated block length. Does not apply the output gain.
  void ProcessBlock(float* const* x, std::size_t n);
  void ProcessBlock(double* const* x, std::size_t n);

  int Channels() const { return channels_; }
  double OutputGain() const { return outputGain_; }
  const Band& BandOf(int channel, int band) const { return bands_[channel][band]; }

  // Band meter of the last block, tenths of a dB (-600 when the band did not
  // run or its peak was 0), and the largest since the last TakeMeterMaximum.
  std::int32_t BlockMeter(int band) const { return blockMeter_[band]; }
  std::int32_t TakeMeterMaximum(int band);
  std::int32_t MeterMaximum(int band) const { return meterMax_[band]; }
  void ResetMeterMaxima();

 private:
  template <typename T>
  void Process(T* const* x, std::size_t n, std::vector<T>* bandBuffers);
  template <typename T>
  void SplitBand(Band& b, const T* x, T* s, std::size_t n);
  void Meter(int band, double peak);

  int channels_ = 0;
  std::size_t blockFrames_ = 0;
  double outputGain_ = 1.0;
  bool sync_ = false;
  bool meters_ = true;
  Band bands_[2][kMbdynBands];
  std::vector<float> floatBand_[2];
  std::vector<double> doubleBand_[2];
  std::int32_t blockMeter_[kMbdynBands] = {};
  std::int32_t meterMax_[kMbdynBands] = {};
};

// The meter value of a block peak: trunc(200 log10(peak)) - 60, at least
// -600; a peak of 0 gives -600.
std::int32_t MeterValue(double peak);

}  // namespace orlofx::mbdyn

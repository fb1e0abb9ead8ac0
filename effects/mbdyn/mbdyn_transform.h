// Multi-Band Dynamics processor: up to four frequency bands, each isolated by
// a two-pole section, compressed on its own peak in 20 ms blocks and, if set,
// boosted or cut by a static shelf or peak filter (MbdynBands).
//
//   input ──reader──► planar blocks (20 ms) ──► MbdynBands ──► × output gain ──writer──► output
//                                                   │
//                                       meters ──► maxima, 64-block ring with times
//
// The frame handling (one-block delay, drain, bypass) is DelayedFrames, the
// same as Graphic Dynamics. All 43 settings of the record that are not page
// state are automatable: their values live in the AutomationParams base; the
// display words, enable meters and capture threshold live here under the
// parameter lock. A change rebuilds the bands keeping filter states, gains
// and modes; a discontinuity rebuilds with a reset.
//
// A changed output gain glides from the old value to the new across the
// next block rather than stepping.
//
// Meters are written by the streaming thread and read by the pages under a
// lock of their own, so a page never waits on a settings change.
#pragma once

#include <cstdint>

#include "effects/mbdyn/mbdyn_bands.h"
#include "effects/mbdyn/mbdyn_params.h"
#include "framework/automated_frames.h"
#include "framework/response.h"

namespace orlofx {

// Notification codes of the dynamics effects (besides 100), as Graphic
// Dynamics posts them.
constexpr std::uint16_t kMbdynNotifyAutomationSet = kNotifyAutomationSet;
constexpr std::uint16_t kMbdynNotifyStreamingStarted = kNotifyStreamingStarted;
constexpr std::uint16_t kMbdynNotifyStreamingStopped = kNotifyStreamingStopped;

constexpr int kMbdynMeterRingSize = 64;

// One entry of the meter ring: the meter values of one block and the stream
// time of its first sample (100-ns units since start of streaming).
struct MbdynMeterSnapshot {
  std::int64_t time;
  std::int32_t values[kMbdynBands];
};

class CAkMbdynTransform : public AutomatedFrames<MbdynParams>, public ResponseProvider {
 public:
  CAkMbdynTransform();
  ~CAkMbdynTransform() override;

  // --- the effect's property interface -------------------------------------
  // Whole record: the 43 parameters, then the page words as stored.
  HResult GetAllSettings(MbdynParams* props) const { return GetParams(props); }
  // The 43 parameters (clamped), then the page words as given.
  HResult SetAllSettings(const MbdynParams* props) { return SetParams(props); }

  HResult GetEnableMeters(std::int32_t* value) const { return GetField(kMbdynEnableMeters, value); }
  // Any value but 0 turns them on.
  HResult SetEnableMeters(std::int32_t value);
  HResult GetCaptureThreshold(std::int32_t* value) const {
    return GetField(kMbdynCaptureThreshold, value);
  }
  // Turning it on silences the band thresholds' reports to the host and
  // makes SetParam ignore them.
  HResult SetCaptureThreshold(std::int32_t value);
  // 0 none, 1 bands 1 and 2, 2 bands 3 and 4 (clamped).
  HResult GetVisiblePage(std::int32_t* page) const;
  HResult SetVisiblePage(std::int32_t page);
  // Display word of band 1..4 (clamped) in group 0 (offset 152) or 1 (168).
  HResult GetDisplayWord(int group, std::int32_t band, std::int32_t* value) const;
  HResult SetDisplayWord(int group, std::int32_t band, std::int32_t value);
  // 0 input (the band's own signal), 1 output (after its gain reduction).
  HResult GetMeterSource(std::int32_t band, std::int32_t* source) const;
  HResult SetMeterSource(std::int32_t band, std::int32_t source);

  // Meter read-outs for the pages (band 1..4, clamped). The maximum is the
  // largest value since the last read of it; reading resets it.
  HResult TakeMeterMaximum(std::int32_t band, std::int32_t* value);
  HResult GetMeterLevel(std::int32_t band, std::int32_t* value) const;
  // The newest ring entry at or before `time` (the oldest kept when all are
  // later); kFalse with -600 everywhere when the ring is empty.
  HResult GetMeterAt(std::int64_t time, MbdynMeterSnapshot* snapshot) const;
  // Ring entry `age` (0 the newest); kFalse when there is no such entry.
  HResult GetMeterHistory(std::int32_t age, MbdynMeterSnapshot* snapshot) const;
  // Each active band of the visible page takes its captured maximum as its
  // threshold; *changed := whether any threshold changed.
  HResult ApplyCapturedThresholds(std::int32_t* changed);
  // Starts capture afresh: the captured maxima := -600.
  HResult ResetMeterMaxima();
  std::int32_t CapturedMaximum(int band) const;

  // LoadRecord also takes the older 228-byte record without bypass (read as 0).
  const RecordLayout* OlderRecord() const override { return &kMbdynOlderRecord; }

  // --- AutomationParams -------------------------------------------------------
  // Ignores the band thresholds while the page captures them.
  HResult SetParam(std::uint32_t index, float value) override;

  // --- EffectProcessor --------------------------------------------------------
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override;
  void Release() override;

  // --- ResponseProvider: the static band filters and the output gain ---------------
  // The dynamics are left out: what the bands' gain settings do to a signal
  // below every threshold.
  ResponseAxis ResponseKind() const override { return ResponseAxis::kFrequency; }
  HResult ResponseAt(double fs, const double* x, std::size_t count, double* y) const override;

  // --- stream read-outs (streaming thread only) ---------------------------------
  const mbdyn::MbdynBands& Bands() const { return bands_; }
  std::uint32_t BlockLength() const { return frames_.FrameLength(); }

 protected:
  HResult Render(const ProcessCall& call, std::uint32_t* consumed,
                 std::uint32_t* produced) override;

 private:
  void Stored(const MbdynParams& before, const MbdynParams& after) override;
  void NotifyThresholds(bool on);
  void Rebuild(const MbdynParams& p, bool reset);
  template <typename T>
  void ProcessBlock(T* const* x, std::uint32_t n);
  void RecordMeters(std::uint32_t n);
  bool BandStatesFinite() const;

  // Under paramLock_; the page words (display, enable meters, capture
  // threshold) are kept in the record.
  std::int32_t visiblePage_ = 0;

  // Meters, under meterLock_.
  mutable CriticalSection meterLock_;
  std::int32_t meterSource_[kMbdynBands] = {};
  std::int32_t meterLevel_[kMbdynBands];
  std::int32_t meterPeak_[kMbdynBands];   // since the page last read it
  std::int32_t captured_[kMbdynBands];    // since capture was reset
  MbdynMeterSnapshot ring_[kMbdynMeterRingSize] = {};
  int ringNext_ = 0;
  int ringCount_ = 0;

  // Stream state.
  bool bypass_ = false;
  bool meters_ = true;
  MbdynParams current_{};  // what the bands were last built from (clamped)
  // The output gain the last block ended at: a new one glides in from it.
  double appliedOutputGain_ = 1.0;
  std::uint64_t blockStart_ = 0;  // first sample of the next block, since start
  mbdyn::MbdynBands bands_;
};

}  // namespace orlofx

// Graphic Dynamics processor: compressor, limiter, expander and gate driven
// by a drawn transfer curve (output level against input level).
//
//   input frames ──reader──► frame buffers (20 ms), peak per channel
//                                 │
//          peak ─► level ─► gain table (841 entries, 0.1 dB) ─► target gain
//                                 │            attack / release smoothing
//   output frames ◄─writer── frame × linear ramp from the old gain to the new
//
// Output leaves only when a frame is complete and a frame is emptied before
// the next is filled, so delivery lags one frame; the samples themselves are
// not shifted (output frame k is input frame k times its gain), and the drain
// delivers the last partial frame.
//
// Six settings (attack, release, auto gain, sync stereo, output gain, bypass)
// are automatable: their values live in the AutomationParams base, and the
// record read from the effect carries them. The curve points, point count and
// the stored threshold and ratio live here under the parameter lock. Process
// runs on the stretches that ProcessInStretches cuts at parameter changes; a
// change rebuilds the curve without disturbing frames and gains, a
// discontinuity rebuilds with a full reset.
//
// A changed output gain (page, record or automation) glides from the old
// value to the new across the next frame rather than stepping.
//
// Sample rates under 50 Hz would give an empty frame: the frame is then one
// sample long. A rate of 0 is refused by Prepare.
#pragma once

#include <cstdint>

#include "effects/gdyn/gdyn_curve.h"
#include "effects/gdyn/gdyn_params.h"
#include "framework/automated_frames.h"
#include "framework/response.h"

namespace orlofx {

class CAkGdynTransform : public AutomatedFrames<AkGdynProps>, public ResponseProvider {
 public:
  enum class Mode : int { kRelease = 0, kAttack = 2 };

  CAkGdynTransform();
  ~CAkGdynTransform() override;

  // --- the effect's property interface (slots 3 to 44) --------------------
  // Whole record: the six automatable fields from their parameters, the
  // points and count, and threshold and ratio computed from the curve.
  HResult GetAllSettings(AkGdynProps* props) const { return GetParams(props); }
  // The six automatable fields (one capture bracket), the stored threshold
  // and ratio, then the points and count; clamped; `changed` and `dirty`.
  HResult SetAllSettings(const AkGdynProps* props) { return SetParams(props); }
  ORLOFX_SETTING(PointCount, kGdynPointCount)
  // Copies up to 16 pairs and sets the count (clamped to 3..16).
  HResult SetPoints(const GdynPoint* points, std::int32_t count);
  // Fills all 16 places and the count.
  HResult GetPoints(GdynPoint* points, std::int32_t* count) const;
  HResult GetCurveRatio(std::int32_t* ratio) const;
  HResult SetRatio(std::int32_t ratio) { return SetField(kGdynRatio, ratio); }
  HResult GetCurveThreshold(std::int32_t* threshold) const;
  HResult SetThreshold(std::int32_t threshold) { return SetField(kGdynThreshold, threshold); }

  // LoadRecord also takes the older 180-byte record without bypass (read as 0).
  const RecordLayout* OlderRecord() const override;

  // --- EffectProcessor --------------------------------------------------------
  HResult Prepare(const WaveFormat& in, const WaveFormat& out) override;
  void Release() override;

  // --- ResponseProvider: the static transfer curve ---------------------------
  ResponseAxis ResponseKind() const override { return ResponseAxis::kLevel; }
  HResult ResponseAt(double fs, const double* x, std::size_t count, double* y) const override;

  // --- stream read-outs (streaming thread only) ------------------------------
  const double* GainTable() const { return table_; }
  double DetectorThreshold() const { return threshold_; }
  double AttackCoefficient() const { return attackCoef_; }
  double ReleaseCoefficient() const { return releaseCoef_; }
  std::int64_t AttackLength() const { return attackLength_; }
  std::int64_t ReleaseLength() const { return releaseLength_; }
  double OutputGain() const { return outputGain_; }
  std::uint32_t FrameLength() const { return frames_.FrameLength(); }
  double SmoothedGain(int channel) const { return channels_[channel].gain; }
  Mode ChannelMode(int channel) const { return channels_[channel].mode; }

 protected:
  HResult Render(const ProcessCall& call, std::uint32_t* consumed,
                 std::uint32_t* produced) override;

 private:
  struct ChannelState {
    Mode mode = Mode::kRelease;
    double gain = 1.0;  // smoothed gain, without the output gain
  };

  // Threshold and ratio are read from the curve.
  void ReadShared(AkGdynProps* p) const override;
  void Rebuild(const AkGdynProps& settings);
  void ResetStream();
  template <typename T>
  void ProcessFrame(T* const* x, std::uint32_t n);
  template <typename T>
  void ApplyFrameGain(ChannelState& state, double peak, T* a, T* b, std::uint32_t n);

  // Derived from the settings snapshot.
  double table_[kGdynTableSize] = {};
  double threshold_ = 1.0;
  double attackCoef_ = 1.0;
  double releaseCoef_ = 1.0;
  std::int64_t attackLength_ = 0;
  std::int64_t releaseLength_ = 0;
  double outputGain_ = 1.0;
  // The output gain the last frame ended at: a new one glides in from it.
  double appliedOutputGain_ = 1.0;
  bool sync_ = true;
  bool bypass_ = false;

  // Frame and gain state.
  ChannelState channels_[2];
  double peaks_[2] = {0.0, 0.0};
};

}  // namespace orlofx

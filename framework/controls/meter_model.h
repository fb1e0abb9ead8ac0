// The level meter's numbers apart from the window: per-channel levels with
// their peak, valley and clip holds, the decibel scale, the clip readout
// texts and the choice of range items in the meter menu. The control in
// ui/meter_control.cpp draws them and turns messages into these calls.
//
// Levels are doubles here whatever the mode: sample units (full scale is
// 0 dB) in integer mode, and 1.0 = 0 dB in float mode.
#pragma once

#include <cstdint>
#include <string>

namespace orlofx {

// Option bits (the window style's low word at creation).
enum MeterOption : uint16_t {
  kMeterVertical = 0x0001,
  kMeterInverted = 0x0002,
  kMeterOwnMenu = 0x0004,
  kMeterClipIndicator = 0x0010,
  kMeterFitLabels = 0x0080,
  kMeterHoldValleys = 0x0100,
  kMeterHoldPeaks = 0x0200,
  kMeterShowLabels = 0x0400,
  kMeterOrientByShape = 0x0800,
};

struct MeterChannel {
  double current = 0;
  double peak = 0;
  double valley = 0;
  double clip = 0;
  uint32_t peakTime = 0;
  uint32_t valleyTime = 0;
};

struct MeterRangeItem {
  int id;
  int32_t ratio;
};
// The range items of the meter menu, in menu order; 40009 (whole range) has
// no item of its own.
inline constexpr MeterRangeItem kMeterRangeItems[] = {
    {40001, 4},    {40002, 16},   {40003, 128},     {40004, 1024},
    {40005, 8192}, {40006, 32768}, {40007, 1048576}, {40008, 8388608}};
inline constexpr int kMeterWholeRange = 40009;

class MeterModel {
 public:
  static constexpr int kMaxChannels = 6;
  static constexpr uint32_t kHoldMs = 700;

  bool Inverted() const { return (options & kMeterInverted) != 0; }
  bool FloatMode() const { return floatMode_; }
  int32_t FullScale() const { return fullScale_; }
  // The largest level that is not clipping.
  double MaximumLevel() const { return floatMode_ ? 1.0 : fullScale_ - 1.0; }
  int ChannelCount() const { return channelCount_; }
  int32_t Range() const { return range_; }

  // At least 1; every hold starts again. Returns the full scale in force.
  int32_t SetFullScale(int32_t fullScale, bool floatMode);
  // Clamped to 1..6.
  void SetChannelCount(int count);
  void SetRange(int32_t range) { range_ = range < 0 ? 0 : range; }

  MeterChannel& Channel(int i) { return channels_[i]; }
  const MeterChannel& Channel(int i) const { return channels_[i]; }

  void SetLevel(int channel, double v);
  void SetClipHold(int channel, double v) { channels_[channel].clip = v < 0 ? 0 : v; }
  void ResetClip(int channel) { channels_[channel].clip = channels_[channel].current; }
  void ResetPeaks();
  // Moves the held peaks and valleys: at every paint, with the time in ms.
  void UpdateHolds(uint32_t now);

  // 20 log10 of the level against 0 dB (-infinity for 0).
  double Decibels(double level) const;
  // The decibel value at the bottom of the scale.
  double BottomDecibels() const;
  // Where a level lies on the scale, 0 (bottom) to 1 (0 dB).
  double Fraction(double level) const;

  // The text of the clip indicator for channel's clip hold (UTF-8).
  // `exactOverflow` is the float-mode choice of state bit 0x800 being clear.
  std::string ClipReadout(double hold, const std::string& labelFormat, bool exactOverflow) const;

  // Menu: whether the range item is offered and which one carries the check.
  bool RangeItemOffered(int32_t ratio) const { return ratio <= fullScale_; }
  int CheckedRangeItem() const;
  // The range a chosen ratio gives: ratios not below full scale mean 0.
  int32_t RangeForChoice(int32_t ratio) const { return ratio >= fullScale_ ? 0 : ratio; }

  uint16_t options = 0;

 private:
  int32_t fullScale_ = 32768;
  bool floatMode_ = false;
  int32_t range_ = 0;
  int channelCount_ = 1;
  MeterChannel channels_[kMaxChannels];
};

// Formats value with a label format: "$.Nf" prints value with N decimals in
// the user's locale, "$.Nz" prints the integer value as tenths (N decimals of
// value / 10^N); text around the `$` field is kept. A format without a field
// prints one decimal.
std::string FormatMeterLabel(const std::string& format, double value);

}  // namespace orlofx

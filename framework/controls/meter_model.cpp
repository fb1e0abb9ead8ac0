#include "framework/controls/meter_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "support/number_format.h"
#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

long RoundHalfAway(double v) {
  return static_cast<long>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
}

}  // namespace

int32_t MeterModel::SetFullScale(int32_t fullScale, bool floatMode) {
  fullScale_ = std::max<int32_t>(1, fullScale);
  floatMode_ = floatMode;
  for (MeterChannel& c : channels_) {
    c.peak = 0;
    c.valley = 0;
    c.clip = Inverted() ? MaximumLevel() : 0;
  }
  return fullScale_;
}

void MeterModel::SetChannelCount(int count) {
  channelCount_ = std::min(std::max(count, 1), kMaxChannels);
}

void MeterModel::SetLevel(int channel, double v) {
  MeterChannel& c = channels_[channel];
  const double top = MaximumLevel();
  if (!(v > 0)) {  // negative, zero (and NaN from a float caller)
    c.current = 0;
    c.peak = 0;
    c.valley = 0;
    if (v < 0 || std::isnan(v)) c.clip = Inverted() ? top : 0;
    return;
  }
  if (v <= top) {
    c.current = v;
    if (Inverted() ? v < c.clip : v > c.clip) c.clip = v;
    return;
  }
  c.current = top;
  c.clip = std::max(c.clip, v);
}

void MeterModel::ResetPeaks() {
  const double start = Inverted() && floatMode_ ? 1.0 : 0.0;
  for (MeterChannel& c : channels_) {
    c.peak = start;
    c.valley = start;
  }
}

void MeterModel::UpdateHolds(uint32_t now) {
  for (int i = 0; i < channelCount_; ++i) {
    MeterChannel& c = channels_[i];
    // Unsigned difference: the tick count wraps after 49.7 days.
    if (c.current >= c.peak || now - c.peakTime > kHoldMs) {
      c.peak = c.current;
      c.peakTime = now;
    }
    if (c.current <= c.valley || now - c.valleyTime > kHoldMs) {
      c.valley = c.current;
      c.valleyTime = now;
    }
  }
}

double MeterModel::Decibels(double level) const {
  if (!(level > 0)) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(floatMode_ ? level : level / fullScale_);
}

double MeterModel::BottomDecibels() const {
  const double ratio = range_ > 0 ? range_ : fullScale_;
  return ratio > 1 ? -20.0 * std::log10(ratio) : -1.0;
}

double MeterModel::Fraction(double level) const {
  const double bottom = BottomDecibels();
  const double db = Decibels(level);
  if (!(db > bottom)) return 0.0;
  return std::min(1.0, (db - bottom) / -bottom);
}

std::string MeterModel::ClipReadout(double hold, const std::string& labelFormat,
                                    bool exactOverflow) const {
  const double r = floatMode_ ? hold : hold / fullScale_;
  const double floor = 1.0 / fullScale_;
  if (Inverted()) {
    if (!(r >= floor) || !std::isfinite(r)) return LoadString(sid::kMeterMinusInfinity);
    return FormatLevel(RoundHalfAway(200.0 * std::log10(r)), 1, 0, nullptr);
  }
  if (hold > MaximumLevel()) {
    if (floatMode_ && exactOverflow) {
      const double db = 20.0 * std::log10(hold);
      if (!std::isfinite(db)) return LoadString(sid::kMeterPlusInfinity);
      return FormatMeterLabel(labelFormat, db);
    }
    return LoadString(sid::kMeterClip);
  }
  if (!(r >= floor)) return LoadString(sid::kMeterMinusInfinity);
  return FormatMeterLabel(labelFormat, 20.0 * std::log10(r));
}

int MeterModel::CheckedRangeItem() const {
  const int32_t wanted = range_ == 0 ? fullScale_ : range_;
  for (const MeterRangeItem& item : kMeterRangeItems)
    if (item.ratio == wanted) return item.id;
  return 0;
}

std::string FormatMeterLabel(const std::string& format, double value) {
  if (!std::isfinite(value))
    return LoadString(value < 0 ? sid::kMeterMinusInfinity : sid::kMeterPlusInfinity);
  const size_t dollar = format.find('$');
  if (dollar == std::string::npos) return FormatLevel(RoundHalfAway(value * 10), 1, 0, nullptr);
  size_t at = dollar + 1;
  int decimals = 1;
  if (at < format.size() && format[at] == '.') {
    ++at;
    decimals = 0;
    while (at < format.size() && format[at] >= '0' && format[at] <= '9' && decimals < 9)
      decimals = decimals * 10 + (format[at++] - '0');
    decimals = std::min(decimals, 6);
  }
  char kind = at < format.size() ? format[at] : 'f';
  if (kind == 'f' || kind == 'z') ++at;
  long scaled;
  if (kind == 'z') {
    scaled = RoundHalfAway(value);
  } else {
    scaled = RoundHalfAway(value * std::pow(10.0, decimals));
  }
  return format.substr(0, dollar) + FormatLevel(scaled, decimals, 0, nullptr) + format.substr(at);
}

}  // namespace orlofx

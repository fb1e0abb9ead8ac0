#include "effects/geq/geq_transform.h"

#include <algorithm>

namespace orlofx {

CAkGeqTransform::CAkGeqTransform()
    : FirEqualizer(6,
                   {GeqParameters(), kGeqRecord, kGeqPresets, kGeqPresetCount, &ClampGeqParams},
                   kGeqDesignRules) {}

HResult CAkGeqTransform::GetBandGain(int band, std::int32_t* value) const {
  if (band < 0 || band >= kGeqBandCount) return value ? kInvalidArg : kPointer;
  return GetField(static_cast<std::size_t>(kGeqFirstBand + band), value);
}

HResult CAkGeqTransform::SetBandGain(int band, std::int32_t value) {
  if (band < 0 || band >= kGeqBandCount) return kInvalidArg;
  return SetField(static_cast<std::size_t>(kGeqFirstBand + band), value);
}

HResult CAkGeqTransform::GetSampleRate(std::uint32_t* rate) const {
  if (!rate) return kPointer;
  WaveFormat format;
  *rate = Succeeded(GetFormat(&format, 0)) ? format.samplesPerSec : kGeqDefaultSampleRate;
  return kOk;
}

HResult CAkGeqTransform::SetEnvelope(const GeqPoint* points, std::uint32_t count) {
  if (!points) return kPointer;
  if (count < static_cast<std::uint32_t>(kGeqMinPoints)) return kInvalidArg;
  const int used = static_cast<int>(std::min<std::uint32_t>(count, kGeqMaxPoints));
  ScopedLock lock(paramLock_);
  std::copy(points, points + used, params_.points);
  params_.pointCount = used;
  changed_ = true;
  dirty_ = true;
  return kOk;
}

HResult CAkGeqTransform::GetEnvelope(GeqPoint* points, std::uint32_t* count) const {
  if (!points || !count) return kPointer;
  ScopedLock lock(paramLock_);
  const int used = ClampTo(params_.pointCount, 0, kGeqMaxPoints);
  std::copy(params_.points, params_.points + used, points);
  *count = static_cast<std::uint32_t>(used);
  return kOk;
}

}  // namespace orlofx

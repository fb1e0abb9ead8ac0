#include "effects/geq/geq_transform.h"

#include <algorithm>


namespace orlofx {

namespace {
std::int32_t ClampTo(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return std::min(std::max(v, lo), hi);
}
}  // namespace

CAkGeqTransform::CAkGeqTransform() : EffectProcessor(6), engine_(kGeqDesignRules, *this) {}

CAkGeqTransform::~CAkGeqTransform() = default;

// --- settings -----------------------------------------------------------------

HResult CAkGeqTransform::GetParams(GeqParams* params) const {
  if (!params) return kPointer;
  ScopedLock lock(paramLock_);
  *params = params_;
  return kOk;
}

HResult CAkGeqTransform::SetParams(const GeqParams* params) {
  if (!params) return kPointer;
  ScopedLock lock(paramLock_);
  params_ = ClampGeqParams(*params);
  changed_ = true;
  restart_ = true;
  dirty_ = true;
  return kOk;
}

HResult CAkGeqTransform::GetField(std::int32_t GeqParams::*field, std::int32_t* value) const {
  if (!value) return kPointer;
  ScopedLock lock(paramLock_);
  *value = params_.*field;
  return kOk;
}

HResult CAkGeqTransform::StoreField(std::int32_t GeqParams::*field, std::int32_t value,
                                    bool restart) {
  ScopedLock lock(paramLock_);
  if (params_.*field != value) {
    params_.*field = value;
    changed_ = true;
    dirty_ = true;
    if (restart) restart_ = true;
  }
  return kOk;
}

HResult CAkGeqTransform::GetBandGain(int band, std::int32_t* value) const {
  if (!value) return kPointer;
  if (band < 0 || band >= kGeqBandCount) return kInvalidArg;
  ScopedLock lock(paramLock_);
  *value = params_.bandGain[band];
  return kOk;
}

HResult CAkGeqTransform::SetBandGain(int band, std::int32_t value) {
  if (band < 0 || band >= kGeqBandCount) return kInvalidArg;
  value = ClampTo(value, kGeqBandGainMin, kGeqBandGainMax);
  ScopedLock lock(paramLock_);
  if (params_.bandGain[band] != value) {
    params_.bandGain[band] = value;
    changed_ = true;
    dirty_ = true;
  }
  return kOk;
}

HResult CAkGeqTransform::GetAccuracy(std::int32_t* value) const {
  return GetField(&GeqParams::accuracy, value);
}
HResult CAkGeqTransform::SetAccuracy(std::int32_t value) {
  return StoreField(&GeqParams::accuracy, value, true);
}
HResult CAkGeqTransform::GetPointCount(std::int32_t* value) const {
  return GetField(&GeqParams::pointCount, value);
}
HResult CAkGeqTransform::SetPointCount(std::int32_t value) {
  return StoreField(&GeqParams::pointCount, ClampTo(value, kGeqMinPoints, kGeqMaxPoints), true);
}
HResult CAkGeqTransform::GetOutputGain(std::int32_t* value) const {
  return GetField(&GeqParams::outputGain, value);
}
HResult CAkGeqTransform::SetOutputGain(std::int32_t value) {
  return StoreField(&GeqParams::outputGain, ClampTo(value, kGeqOutputGainMin, kGeqOutputGainMax),
                    false);
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

HResult CAkGeqTransform::GetFields(std::int32_t* fields) const {
  if (!fields) return kPointer;
  GeqParams p;
  GetParams(&p);
  ParamsToFields(p, fields);
  return kOk;
}

HResult CAkGeqTransform::SetFields(const std::int32_t* fields) {
  if (!fields) return kPointer;
  GeqParams p = ParamsFromFields<GeqParams>(fields);
  return SetParams(&p);
}

int CAkGeqTransform::PresetNameId(int index) const {
  return index >= 0 && index < kGeqPresetCount ? kGeqPresets[index].nameId : 0;
}

void CAkGeqTransform::PresetFields(int index, std::int32_t* fields) const {
  ParamsToFields(kGeqPresets[index].body, fields);
}

void CAkGeqTransform::TakeSnapshot(std::int32_t* fields, bool* changed, bool* restart) {
  ScopedLock lock(paramLock_);
  ParamsToFields(params_, fields);
  *changed = changed_;
  *restart = restart_;
  changed_ = false;
  restart_ = false;
}

HResult CAkGeqTransform::MagnitudeResponseDb(double fs, const double* frequencies,
                                             std::size_t count, double* db) const {
  std::int32_t fields[FieldCountOf<GeqParams>()];
  GetFields(fields);
  return FirResponseDb(kGeqDesignRules, fields, fs, frequencies, count, db);
}

// --- streaming ------------------------------------------------------------------

HResult CAkGeqTransform::Prepare(const WaveFormat& in, const WaveFormat& out) {
  return engine_.Prepare(in, out);
}

void CAkGeqTransform::Release() { engine_.Release(); }

HResult CAkGeqTransform::Render(const ProcessCall& call, std::uint32_t* consumed,
                                std::uint32_t* produced) {
  *consumed = call.inCount;
  *produced = call.outCount;
  return engine_.Process(call.mode, call.in, consumed, call.out, produced);
}

}  // namespace orlofx

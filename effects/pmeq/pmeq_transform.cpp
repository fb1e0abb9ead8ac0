#include "effects/pmeq/pmeq_transform.h"


namespace orlofx {

CAkPmeqTransform::CAkPmeqTransform() : EffectProcessor(2), engine_(kPmeqDesignRules, *this) {}

CAkPmeqTransform::~CAkPmeqTransform() = default;

// --- settings -----------------------------------------------------------------

HResult CAkPmeqTransform::GetParams(PmeqParams* params) const {
  if (!params) return kPointer;
  ScopedLock lock(paramLock_);
  *params = params_;
  return kOk;
}

HResult CAkPmeqTransform::SetParams(const PmeqParams* params) {
  if (!params) return kPointer;
  ScopedLock lock(paramLock_);
  params_ = ClampPmeqParams(*params);
  changed_ = true;
  restart_ = true;
  dirty_ = true;
  return kOk;
}

HResult CAkPmeqTransform::GetField(std::int32_t PmeqParams::*field, std::int32_t* value) const {
  if (!value) return kPointer;
  ScopedLock lock(paramLock_);
  *value = params_.*field;
  return kOk;
}

HResult CAkPmeqTransform::StoreField(std::int32_t PmeqParams::*field, std::int32_t value,
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

HResult CAkPmeqTransform::GetFilterType(std::int32_t* value) const {
  return GetField(&PmeqParams::filterType, value);
}
HResult CAkPmeqTransform::SetFilterType(std::int32_t value) {
  return StoreField(&PmeqParams::filterType, value, false);
}
HResult CAkPmeqTransform::GetAccuracy(std::int32_t* value) const {
  return GetField(&PmeqParams::accuracy, value);
}
HResult CAkPmeqTransform::SetAccuracy(std::int32_t value) {
  return StoreField(&PmeqParams::accuracy, value, true);
}
HResult CAkPmeqTransform::GetFrequency(std::int32_t* value) const {
  return GetField(&PmeqParams::frequency, value);
}
HResult CAkPmeqTransform::SetFrequency(std::int32_t value) {
  return StoreField(&PmeqParams::frequency, Clamp(kPmeqParameters.items[kPmeqFrequency], value),
                    false);
}
HResult CAkPmeqTransform::GetWidth(std::int32_t* value) const {
  return GetField(&PmeqParams::width, value);
}
HResult CAkPmeqTransform::SetWidth(std::int32_t value) {
  return StoreField(&PmeqParams::width, Clamp(kPmeqParameters.items[kPmeqWidth], value), false);
}
HResult CAkPmeqTransform::GetAmount(std::int32_t* value) const {
  return GetField(&PmeqParams::amount, value);
}
HResult CAkPmeqTransform::SetAmount(std::int32_t value) {
  return StoreField(&PmeqParams::amount, Clamp(kPmeqParameters.items[kPmeqAmount], value), false);
}
HResult CAkPmeqTransform::GetOutputGain(std::int32_t* value) const {
  return GetField(&PmeqParams::outputGain, value);
}
HResult CAkPmeqTransform::SetOutputGain(std::int32_t value) {
  return StoreField(&PmeqParams::outputGain, Clamp(kPmeqParameters.items[kPmeqOutputGain], value),
                    false);
}

HResult CAkPmeqTransform::GetFields(std::int32_t* fields) const {
  if (!fields) return kPointer;
  PmeqParams p;
  GetParams(&p);
  ParamsToFields(p, fields);
  return kOk;
}

HResult CAkPmeqTransform::SetFields(const std::int32_t* fields) {
  if (!fields) return kPointer;
  PmeqParams p = ParamsFromFields<PmeqParams>(fields);
  return SetParams(&p);
}

int CAkPmeqTransform::PresetNameId(int index) const {
  return index >= 0 && index < kPmeqPresetCount ? kPmeqPresets[index].nameId : 0;
}

void CAkPmeqTransform::PresetFields(int index, std::int32_t* fields) const {
  ParamsToFields(kPmeqPresets[index].body, fields);
}

void CAkPmeqTransform::TakeSnapshot(std::int32_t* fields, bool* changed, bool* restart) {
  ScopedLock lock(paramLock_);
  ParamsToFields(params_, fields);
  *changed = changed_;
  *restart = restart_;
  changed_ = false;
  restart_ = false;
}

HResult CAkPmeqTransform::MagnitudeResponseDb(double fs, const double* frequencies,
                                              std::size_t count, double* db) const {
  std::int32_t fields[FieldCountOf<PmeqParams>()];
  GetFields(fields);
  return FirResponseDb(kPmeqDesignRules, fields, fs, frequencies, count, db);
}

// --- streaming ------------------------------------------------------------------

HResult CAkPmeqTransform::Prepare(const WaveFormat& in, const WaveFormat& out) {
  return engine_.Prepare(in, out);
}

void CAkPmeqTransform::Release() { engine_.Release(); }

HResult CAkPmeqTransform::Render(const ProcessCall& call, std::uint32_t* consumed,
                                 std::uint32_t* produced) {
  *consumed = call.inCount;
  *produced = call.outCount;
  return engine_.Process(call.mode, call.in, consumed, call.out, produced);
}

}  // namespace orlofx

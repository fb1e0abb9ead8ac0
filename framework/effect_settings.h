// The settings side every effect shares, written once: the record under the
// parameter lock with its `changed`, `dirty` and `restart` flags, clamped
// field get and set by index, the whole record, and the presets.
//
//   field setter   clamps by the field's descriptor; a value equal to the
//                  stored one changes nothing, another sets `changed` and
//                  `dirty` (and `restart` where the descriptor says so)
//   record setter  stores the clamped record and sets all three flags, also
//                  for equal values
//
// An effect whose automatable settings live elsewhere (AutomationParams)
// keeps them there through ReadShared and WriteShared; the record here then
// holds the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework/parameters.h"
#include "framework/processor.h"

namespace orlofx {

template <typename Params>
class EffectSettings : public EffectProcessor {
 public:
  static constexpr std::size_t kFieldCount = FieldCountOf<Params>();

  // What an effect's settings are made of; the tables outlive the effect.
  struct Tables {
    ParameterTable parameters;
    const RecordLayout& record;
    const PresetRow<Params>* presets;
    int presetCount;
    // The whole-record clamp (the field descriptors' rules, field by field,
    // unless the effect keeps a rule of its own for the whole record).
    Params (*clamp)(const Params&);
  };

  HResult GetParams(Params* params) const {
    if (!params) return kPointer;
    *params = Current();
    return kOk;
  }

  HResult SetParams(const Params* params) {
    if (!params) return kPointer;
    const Params clamped = tables_.clamp(*params);
    WriteShared(clamped);
    Params before;
    {
      ScopedLock lock(paramLock_);
      before = params_;
      params_ = clamped;
      changed_ = restart_ = dirty_ = true;
    }
    Stored(before, clamped);
    return kOk;
  }

  // Field `index` of the record as stored here (kInvalidArg past the end).
  HResult GetField(std::size_t index, std::int32_t* value) const {
    if (!value) return kPointer;
    if (index >= kFieldCount) return kInvalidArg;
    ScopedLock lock(paramLock_);
    *value = FieldOf(params_, index);
    return kOk;
  }

  HResult SetField(std::size_t index, std::int32_t value) {
    if (index >= kFieldCount) return kInvalidArg;
    StoreField(index, value);
    return kOk;
  }

  ParameterTable Parameters() const override { return tables_.parameters; }
  const RecordLayout& Record() const override { return tables_.record; }

  HResult GetFields(std::int32_t* fields) const override {
    if (!fields) return kPointer;
    Params p;
    GetParams(&p);
    ParamsToFields(p, fields);
    return kOk;
  }

  HResult SetFields(const std::int32_t* fields) override {
    if (!fields) return kPointer;
    const Params p = ParamsFromFields<Params>(fields);
    return SetParams(&p);
  }

  // Whether the settings changed since the last snapshot.
  bool IsChanged() const {
    ScopedLock lock(paramLock_);
    return changed_;
  }

  int PresetCount() const override { return tables_.presetCount; }
  int PresetNameId(int index) const override {
    return index >= 0 && index < tables_.presetCount ? tables_.presets[index].nameId : 0;
  }

 protected:
  EffectSettings(int notificationSlots, const Tables& tables,
                 FrameRule frames = FrameRule::kStream)
      : EffectProcessor(notificationSlots, frames), tables_(tables) {}

  void PresetFields(int index, std::int32_t* fields) const override {
    ParamsToFields(tables_.presets[index].body, fields);
  }

  // Clamps and stores field `index` (in range); whether the value changed.
  bool StoreField(std::size_t index, std::int32_t value) {
    const ParameterDescriptor& d = tables_.parameters.items[index];
    const std::int32_t clamped = Clamp(d, value);
    ScopedLock lock(paramLock_);
    if (FieldOf(params_, index) == clamped) return false;
    std::memcpy(reinterpret_cast<unsigned char*>(&params_) + 4 * index, &clamped, 4);
    changed_ = dirty_ = true;
    if (d.restart) restart_ = true;
    return true;
  }

  // The record as the processing reads it.
  Params Current() const {
    Params p;
    {
      ScopedLock lock(paramLock_);
      p = params_;
    }
    // The automation lock is taken only after the parameter lock is released.
    ReadShared(&p);
    return p;
  }

  // The record, reading and clearing `changed` and `restart` (either may be
  // null: the flag is cleared all the same).
  Params TakeSnapshot(bool* changed = nullptr, bool* restart = nullptr) {
    Params p;
    {
      ScopedLock lock(paramLock_);
      p = params_;
      if (changed) *changed = changed_;
      if (restart) *restart = restart_;
      changed_ = restart_ = false;
    }
    ReadShared(&p);
    return p;
  }

  void MarkChanged() {
    ScopedLock lock(paramLock_);
    changed_ = dirty_ = true;
  }

  // Fills the fields kept outside this record (called without the lock).
  virtual void ReadShared(Params* /*params*/) const {}
  // Hands a clamped whole record to where those fields are kept, before it
  // is stored here.
  virtual void WriteShared(const Params& /*clamped*/) {}
  // Called after a whole record was stored (without the lock).
  virtual void Stored(const Params& /*before*/, const Params& /*after*/) {}

  static std::int32_t FieldOf(const Params& p, std::size_t index) {
    std::int32_t v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(&p) + 4 * index, 4);
    return v;
  }

  // Settings, under paramLock_.
  Params params_{};
  bool restart_ = true;  // the next snapshot starts the design afresh

 private:
  Tables tables_;
};

}  // namespace orlofx

// A transform's named getter and setter of one record field:
// GetName(std::int32_t*) const and SetName(std::int32_t), clamped as the
// field's descriptor row says.
#define ORLOFX_SETTING(Name, field)                                                      \
  HResult Get##Name(std::int32_t* value) const { return this->GetField(field, value); } \
  HResult Set##Name(std::int32_t value) { return this->SetField(field, value); }

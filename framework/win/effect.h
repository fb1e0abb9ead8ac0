// CAkEffect: what every effect filter adds to its frame (CAkEffectFilter,
// CAkAutomatedEffectFilter or CAkInPlaceEffectFilter): its transform,
// creation with the "(Default)" settings, the lookup of its property
// interface, the whole-record and format getters, the notification window,
// and the slot forwarding from the property interface to the transform.
//
// A filter names itself, its transform, its interface and its frame, gives
// its description, and writes one line per slot of its interface:
//
//   class CAkNoisgt : public CAkEffect<CAkNoisgt, orlofx::CAkNoisgtTransform, IAkNoisgtProp> {
//    public:
//     static const EffectDescription kDescription;
//     using CAkEffect::CAkEffect;
//     STDMETHODIMP GetAttack(long* v) override { return Get<&Processor::GetAttack>(v); }
//     STDMETHODIMP SetAttack(long v) override { return Call<&Processor::SetAttack>(v); }
//     ORLOFX_FIELD_SLOTS(Release)  // the same pair for a field named alike on both sides
//   };
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "framework/win/effect_filter.h"

template <class Filter, class TransformType, class Interface, class Frame = CAkEffectFilter>
class CAkEffect : public Frame, public Interface {
  // A COM long is 32 bits on both Windows targets, so values pass whole.
  static_assert(sizeof(long) == sizeof(std::int32_t), "COM long is 32 bits");

 public:
  using Processor = TransformType;

  // The factory's creation function: a new filter, or null with the reason
  // in *result (which is left alone on success).
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup) {
    Filter* filter = new (std::nothrow) Filter(outer, setup);
    const HRESULT hr = filter ? filter->ConstructionResult() : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) return filter;
    delete filter;
    if (result) *result = hr;
    return nullptr;
  }

  // `setup` is the factory's entry for this class (null outside the module).
  CAkEffect(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup)
      : Frame(outer, transform_, Filter::kDescription, setup) {
    this->FinishConstruction();
  }

  using Frame::GetOwner;
  DECLARE_IUNKNOWN

  // The property interface, then the frame's.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == *Filter::kDescription.propertyInterface)
      return GetInterface(static_cast<Interface*>(this), object);
    return Frame::NonDelegatingQueryInterface(iid, object);
  }

  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override {
    return transform_.SetNotifyWindow(window, id);
  }

 protected:
  // The whole record, which is the effect's 32-bit fields in their order.
  template <class Record>
  HRESULT GetRecord(Record* record) {
    static_assert(std::is_standard_layout_v<Record> && sizeof(Record) % sizeof(std::int32_t) == 0);
    if (!record) return E_POINTER;
    return transform_.GetFields(reinterpret_cast<std::int32_t*>(record));
  }
  template <class Record>
  HRESULT SetRecord(const Record* record) {
    if (!record) return E_POINTER;
    return transform_.SetFields(reinterpret_cast<const std::int32_t*>(record));
  }

  // pin 0 input, 1 output: the stored normalised format.
  HRESULT FormatOf(WAVEFORMATEX* format, int pin) {
    if (!format) return E_POINTER;
    orlofx::WaveFormat f = {};
    const HRESULT hr = transform_.GetFormat(&f, pin);
    if (SUCCEEDED(hr)) std::memcpy(format, &f, sizeof f);
    return hr;
  }

  // A getter slot: calls the transform's `Getter` with `args` and a Value
  // to fill, which reaches *out only on success.
  template <auto Getter, class Value = std::int32_t, class Out, class... Args>
  HRESULT Get(Out* out, Args... args) {
    if (!out) return E_POINTER;
    Value v = 0;
    const HRESULT hr = (transform_.*Getter)(args..., &v);
    if (SUCCEEDED(hr)) *out = v;
    return hr;
  }

  // Any other slot: the arguments go to the transform's `Slot` as they are.
  template <auto Slot, class... Args>
  HRESULT Call(Args... args) {
    return (transform_.*Slot)(args...);
  }

  Processor transform_;
};

// The getter and setter slots of a 32-bit field that the transform reads
// and writes through Get##Name and Set##Name.
#define ORLOFX_FIELD_SLOTS(Name)                                                      \
  STDMETHODIMP Get##Name(long* v) override { return Get<&Processor::Get##Name>(v); } \
  STDMETHODIMP Set##Name(long v) override { return Call<&Processor::Set##Name>(v); }

// The same pair for entry `index` of an indexed field (a band's gain, say),
// which the transform reads and writes through Get##Field and Set##Field.
#define ORLOFX_INDEXED_SLOTS(Name, Field, index)     \
  STDMETHODIMP Get##Name(long* v) override {         \
    return Get<&Processor::Get##Field>(v, index);    \
  }                                                  \
  STDMETHODIMP Set##Name(long v) override {          \
    return Call<&Processor::Set##Field>(index, v);   \
  }

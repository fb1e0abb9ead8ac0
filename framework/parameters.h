// Parameter descriptors: one table per effect that describes each field of
// its settings record, so that the clamping, the command-line tool's `info`
// and `--set`, and the property pages' ranges read one list instead of
// keeping their own.
//
// Descriptor i describes record field i. Values are in record units (whole
// milliseconds, tenths of a dB, whole Hz, tenths of an octave).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace orlofx {

enum class ParameterUnit {
  kNone,
  kMilliseconds,
  kTenthsDecibel,
  kHertz,
  kTenthsOctave,
};

struct ParameterDescriptor {
  const char* name;  // command-line name: lower case, no blanks
  ParameterUnit unit;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t defaultValue;    // value in preset 0
  std::int32_t controlDefault;  // value a page control resets to on double-click
};

struct ParameterTable {
  const ParameterDescriptor* items;
  std::size_t count;

  const ParameterDescriptor* begin() const { return items; }
  const ParameterDescriptor* end() const { return items + count; }
  // Index of the field called `name`, or -1.
  int Find(const char* name) const {
    for (std::size_t i = 0; i < count; ++i)
      if (std::strcmp(items[i].name, name) == 0) return static_cast<int>(i);
    return -1;
  }
};

template <std::size_t N>
constexpr ParameterTable MakeParameterTable(const ParameterDescriptor (&items)[N]) {
  return ParameterTable{items, N};
}

constexpr std::int32_t Clamp(const ParameterDescriptor& d, std::int64_t value) {
  return value < d.minimum ? d.minimum
                           : (value > d.maximum ? d.maximum : static_cast<std::int32_t>(value));
}

// A built-in preset: its name's string id and a complete record body.
template <typename Params>
struct PresetRow {
  int nameId;
  Params body;
};

// Settings records are plain sequences of 32-bit fields; these move them to
// and from the field arrays the generic code (persistence, presets, the
// command-line tool) works on.
template <typename Params>
constexpr std::size_t FieldCountOf() {
  static_assert(std::is_standard_layout<Params>::value && std::is_trivially_copyable<Params>::value,
                "a settings record is a plain struct of 32-bit fields");
  static_assert(sizeof(Params) % 4 == 0, "a settings record is a plain struct of 32-bit fields");
  return sizeof(Params) / 4;
}

template <typename Params>
void ParamsToFields(const Params& p, std::int32_t* fields) {
  std::memcpy(fields, &p, FieldCountOf<Params>() * 4);
}

template <typename Params>
Params ParamsFromFields(const std::int32_t* fields) {
  Params p;
  std::memcpy(&p, fields, FieldCountOf<Params>() * 4);
  return p;
}

}  // namespace orlofx

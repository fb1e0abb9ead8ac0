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
#include <string>
#include <type_traits>

namespace orlofx {

enum class ParameterUnit {
  kNone,
  kMilliseconds,
  kTenthsDecibel,
  kHertz,
  kTenthsOctave,
  kTenthsMillisecond,
  kTenthsRatio,  // a ratio in tenths: 10 is 1:1
};

// How a setter brings a value into a field's range.
enum class ClampRule {
  kRange,        // clamped to minimum..maximum
  kSwitch,       // any value but 0 is 1
  kUnsignedMax,  // taken as unsigned and capped at maximum (a negative value too)
  kAsGiven,      // stored as given; what reads it copes with any value
};

// How a host automates a field: none, a float (curves), a switch or a list
// of values (jumps only). The host's float range maps linearly onto the
// field's range; its texts are string ids (-1: none).
struct AutomationMapping {
  enum Kind { kNone, kFloat, kSwitch, kEnum };
  Kind kind = kNone;
  float minimum = 0.0f;
  float maximum = 0.0f;
  float neutral = 0.0f;  // the host's initial value
  int labelId = -1;
  int unitId = -1;
  int enumId = -1;  // comma-separated value names
};

constexpr AutomationMapping AutomateFloat(float minimum, float maximum, float neutral, int labelId,
                                          int unitId = -1) {
  return {AutomationMapping::kFloat, minimum, maximum, neutral, labelId, unitId, -1};
}
constexpr AutomationMapping AutomateSwitch(float neutral, int labelId) {
  return {AutomationMapping::kSwitch, 0.0f, 1.0f, neutral, labelId, -1, -1};
}

// How a property page moves and shows a field: its slider's line and page
// steps in record units, and whether the minimum reads "-Inf." (silence).
// A field in tenths shows one decimal.
struct PageHints {
  std::int32_t line = 1;
  std::int32_t page = 10;
  bool minimumIsSilence = false;
};

constexpr PageHints kSilentMinimum = {1, 10, true};

// One setting: a row of its effect's table. Clamping, the tool's `info` and
// `--set`, the automation tables and the pages' controls all read it.
struct ParameterDescriptor {
  const char* name;  // command-line name: lower case, no blanks
  ParameterUnit unit;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t defaultValue;    // value in preset 0
  std::int32_t controlDefault;  // value a page control resets to on double-click
  ClampRule clamp = ClampRule::kRange;
  bool restart = false;  // a change makes the processing start its design afresh
  AutomationMapping automation = {};
  PageHints page = {};

  // Whether the record holds the value in tenths of the unit a user reads.
  constexpr bool InTenths() const {
    return unit == ParameterUnit::kTenthsDecibel || unit == ParameterUnit::kTenthsOctave ||
           unit == ParameterUnit::kTenthsMillisecond || unit == ParameterUnit::kTenthsRatio;
  }
};

// A list of (x, y) points that a record keeps in consecutive fields (x of
// the first point, its y, x of the second, ...) with the number in use in a
// field of its own. The tool reads and writes such a list under one name,
// as "x:y,x:y,...", rather than field by field.
struct PointListDescriptor {
  const char* name;        // command-line name, e.g. "points"
  std::size_t firstField;  // record field of the first point's x
  std::size_t countField;  // record field holding the number of points in use
  std::int32_t minCount;
  std::int32_t maxCount;  // the record holds this many points
  std::int32_t xMinimum, xMaximum;
  std::int32_t yMinimum, yMaximum;

  // Whether record field `field` belongs to this list (its points or count).
  constexpr bool Covers(std::size_t field) const {
    return field == countField ||
           (field >= firstField && field < firstField + 2 * static_cast<std::size_t>(maxCount));
  }
};

struct ParameterTable {
  const ParameterDescriptor* items;
  std::size_t count;
  // Point lists laid over some of the fields (may be none).
  const PointListDescriptor* pointLists = nullptr;
  std::size_t pointListCount = 0;

  constexpr const ParameterDescriptor& operator[](std::size_t i) const { return items[i]; }
  const ParameterDescriptor* begin() const { return items; }
  const ParameterDescriptor* end() const { return items + count; }
  // Whether field i is set on its own: not a part of a point list.
  bool Single(std::size_t i) const {
    for (std::size_t l = 0; l < pointListCount; ++l)
      if (pointLists[l].Covers(i)) return false;
    return true;
  }
  // Index of the field called `name` that is set on its own, or -1.
  int Find(const char* name) const {
    for (std::size_t i = 0; i < count; ++i)
      if (std::strcmp(items[i].name, name) == 0 && Single(i)) return static_cast<int>(i);
    return -1;
  }
  // The point list called `name`, or null.
  const PointListDescriptor* FindPointList(const char* name) const {
    for (std::size_t l = 0; l < pointListCount; ++l)
      if (std::strcmp(pointLists[l].name, name) == 0) return &pointLists[l];
    return nullptr;
  }
};

// Why a point list text was refused.
enum class PointListError {
  kNone,
  kSyntax,      // an item is not "x:y" with whole numbers (errorItem says which)
  kCount,       // fewer or more points than the record can hold
  kDescending,  // x goes down from one point to the next (errorItem: the later point)
};

struct PointListParse {
  PointListError error = PointListError::kNone;
  std::size_t errorItem = 0;  // 0-based index of the offending item
  std::size_t pointCount = 0;
  bool clamped = false;  // some coordinate was out of range and was clamped
};

// Reads "x:y,x:y,..." (blanks around numbers and separators are allowed)
// into `fields`, a whole record: the points in use, clamped to the list's
// ranges, the count, and zeros for the points beyond it. On any error
// `fields` is left untouched.
PointListParse ParsePointList(const PointListDescriptor& list, const char* text,
                              std::int32_t* fields);

// The points in use as "x:y,x:y,..." (the form ParsePointList reads); the
// count is taken within the list's limits.
std::string FormatPointList(const PointListDescriptor& list, const std::int32_t* fields);

template <std::size_t N>
constexpr ParameterTable MakeParameterTable(const ParameterDescriptor (&items)[N]) {
  return ParameterTable{items, N};
}

constexpr std::int32_t ClampTo(std::int64_t value, std::int32_t lo, std::int32_t hi) {
  return value < lo ? lo : (value > hi ? hi : static_cast<std::int32_t>(value));
}

// A value brought into field `d`'s range by its clamp rule.
constexpr std::int32_t Clamp(const ParameterDescriptor& d, std::int64_t value) {
  switch (d.clamp) {
    case ClampRule::kSwitch:
      return value != 0 ? 1 : 0;
    case ClampRule::kUnsignedMax:
      return static_cast<std::uint32_t>(value) > static_cast<std::uint32_t>(d.maximum)
                 ? d.maximum
                 : static_cast<std::int32_t>(value);
    case ClampRule::kAsGiven:
      return static_cast<std::int32_t>(value);
    case ClampRule::kRange:
      break;
  }
  return ClampTo(value, d.minimum, d.maximum);
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

// Every field of `p` clamped by its row's rule.
template <typename Params>
Params ClampFields(const ParameterTable& table, const Params& p) {
  std::int32_t fields[FieldCountOf<Params>()];
  ParamsToFields(p, fields);
  for (std::size_t i = 0; i < FieldCountOf<Params>(); ++i)
    fields[i] = Clamp(table.items[i], fields[i]);
  return ParamsFromFields<Params>(fields);
}

}  // namespace orlofx

// The Noise Gate's settings record, its persisted form and its presets.
#pragma once

#include <cstdint>

#include "framework/guid.h"
#include "framework/parameters.h"
#include "framework/settings_record.h"

namespace orlofx {

// Field order is also the persisted order and the order of a preset row.
struct NoisgtParams {
  std::int32_t attack;     // ms, 1..500: opening time and ramp length while opening or open
  std::int32_t release;    // ms, 1..5000: closing time and ramp length while closing
  std::int32_t threshold;  // tenths of a dB, -800..0; -800 stands for -90.3 dB
};

constexpr std::int32_t kNoisgtThresholdFloor = -800;

// The property interface's identifier doubles as the record tag.
constexpr Guid kIidAkNoisgtProp = GuidLiteral("{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912}");
// Tag of records written by an older version of the effect; still loaded.
constexpr Guid kNoisgtOlderTag = GuidLiteral("{B97C0F26-196D-11D1-B99B-00A0C9053912}");
constexpr Guid kClsidAkNoisgt = GuidLiteral("{B97C0F23-196D-11D1-B99B-00A0C9053912}");
constexpr Guid kClsidAkNoisgtPropPage = GuidLiteral("{A6DF8F41-BAF4-11D0-AEBC-00A0C9053912}");

constexpr std::uint32_t kNoisgtRecordBytes = 32;

// Indices into the descriptor table (and the record).
enum NoisgtField { kNoisgtAttack = 0, kNoisgtRelease = 1, kNoisgtThreshold = 2 };

extern const ParameterTable kNoisgtParameters;
extern const RecordLayout kNoisgtRecord;
extern const PresetRow<NoisgtParams> kNoisgtPresets[];
extern const int kNoisgtPresetCount;

// The record with every field clamped to its range.
NoisgtParams ClampNoisgtParams(const NoisgtParams& p);

}  // namespace orlofx

// The Graphic Dynamics effect's settings record, its persisted forms, its
// presets and its automatable parameters.
#pragma once

#include <cstdint>

#include "framework/automation.h"
#include "framework/guid.h"
#include "framework/parameters.h"
#include "framework/settings_record.h"

namespace orlofx {

constexpr int kGdynMaxPoints = 16;
constexpr int kGdynMinPoints = 3;

// One point of the transfer curve: input and output level in tenths of a dB.
struct GdynPoint {
  std::int32_t x;
  std::int32_t y;
};

// Field order is also the persisted order and the order of a preset row.
struct AkGdynProps {
  std::int32_t outputGain;             // tenths of a dB, -250..250
  std::int32_t attack;                 // tenths of a ms, 0..5000
  std::int32_t release;                // tenths of a ms, 0..50000
  std::int32_t autoGain;               // 0/1: raise the curve's top to 0 dB
  std::int32_t syncStereo;             // 0/1: one gain for both channels
  GdynPoint points[kGdynMaxPoints];    // -840..0 each; the first pointCount in use
  std::int32_t pointCount;             // 3..16
  std::int32_t threshold;              // tenths of a dB, -800..-1 (computed on read)
  std::int32_t ratio;                  // tenths, 10..500 (computed on read)
  std::int32_t bypass;                 // 0/1
};

constexpr std::int32_t kGdynLevelFloor = -840;  // -84 dB, shown as -Inf.
constexpr std::int32_t kGdynOutputGainMin = -250;
constexpr std::int32_t kGdynOutputGainMax = 250;
constexpr std::int32_t kGdynAttackMax = 5000;
constexpr std::int32_t kGdynReleaseMax = 50000;
constexpr std::int32_t kGdynThresholdMin = -800;
constexpr std::int32_t kGdynThresholdMax = -1;
constexpr std::int32_t kGdynRatioMin = 10;
constexpr std::int32_t kGdynRatioMax = 500;

// The property interface's identifier doubles as the record tag.
constexpr Guid kIidAkPlugInProp2 = GuidLiteral("{5F7133A2-9A34-4E2E-A7BD-B62A4A9DD5F5}");
// Tag of the older 180-byte record, which has no bypass field; still loaded.
constexpr Guid kGdynOlderTag = GuidLiteral("{F3B8E883-B4E0-11D0-AEBC-00A0C9053912}");
constexpr Guid kClsidAkGdyn = GuidLiteral("{F3B8E880-B4E0-11D0-AEBC-00A0C9053912}");
constexpr Guid kClsidAkGdynPropPage = GuidLiteral("{F3B8E881-B4E0-11D0-AEBC-00A0C9053912}");

constexpr std::uint32_t kGdynRecordBytes = 184;
constexpr std::uint32_t kGdynOlderRecordBytes = 180;

// Indices into the descriptor table (and the record). Point i (0-based) is
// fields kGdynFirstPoint + 2i (x) and + 2i + 1 (y).
constexpr int kGdynOutputGain = 0;
constexpr int kGdynAttack = 1;
constexpr int kGdynRelease = 2;
constexpr int kGdynAutoGain = 3;
constexpr int kGdynSyncStereo = 4;
constexpr int kGdynFirstPoint = 5;
constexpr int kGdynPointCount = 37;
constexpr int kGdynThreshold = 38;
constexpr int kGdynRatio = 39;
constexpr int kGdynBypass = 40;

// Automatable parameters, in the host's index order.
enum GdynParam : std::uint32_t {
  kGdynParamAttack = 0,
  kGdynParamRelease = 1,
  kGdynParamAutoGain = 2,
  kGdynParamSyncStereo = 3,
  kGdynParamOutputGain = 4,
  kGdynParamBypass = 5,
};
constexpr std::uint32_t kGdynParamCount = 6;
extern const AutomationParamDesc* const kGdynAutomation;  // kGdynParamCount entries

// Descriptors named "output_gain", "attack", "release", "auto_gain",
// "sync_stereo", "point1_x" .. "point16_y", "point_count", "threshold",
// "ratio", "bypass"; the points and their count are set together as the
// point list "points".
ParameterTable GdynParameters();
extern const RecordLayout kGdynRecord;
extern const PresetRow<AkGdynProps> kGdynPresets[];
extern const int kGdynPresetCount;

// Every field clamped to its range (all sixteen points, used or not, so a
// later larger count never brings an out-of-range level into use).
AkGdynProps ClampGdynProps(const AkGdynProps& p);

}  // namespace orlofx

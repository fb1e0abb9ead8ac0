#include "effects/gdyn/gdyn_params.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <initializer_list>

#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

constexpr std::size_t kFieldCount = FieldCountOf<AkGdynProps>();
static_assert(sizeof(AkGdynProps) + kRecordHeadBytes == kGdynRecordBytes,
              "record size and fields disagree");
static_assert(kFieldCount == 41 && kGdynBypass == 40 && kGdynPointCount == 37 &&
                  offsetof(AkGdynProps, points) == 4 * kGdynFirstPoint,
              "field indices and record disagree");

std::int32_t ClampTo(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return std::min(std::max(v, lo), hi);
}

// 41 rows, 32 of them points: built once rather than spelt out.
struct DescriptorTable {
  char names[kFieldCount][16];
  ParameterDescriptor items[kFieldCount];

  DescriptorTable() {
    auto set = [this](int i, const char* name, ParameterUnit unit, std::int32_t lo,
                      std::int32_t hi, std::int32_t preset, std::int32_t control) {
      std::snprintf(names[i], sizeof names[0], "%s", name);
      items[i] = ParameterDescriptor{names[i], unit, lo, hi, preset, control};
    };
    // Attack and release are in tenths of a millisecond, which has no unit
    // of its own in the table: they are shown without one.
    set(kGdynOutputGain, "output_gain", ParameterUnit::kTenthsDecibel, kGdynOutputGainMin,
        kGdynOutputGainMax, 0, 0);
    set(kGdynAttack, "attack", ParameterUnit::kTenthsMillisecond, 0, kGdynAttackMax, 10, 2500);
    set(kGdynRelease, "release", ParameterUnit::kTenthsMillisecond, 0, kGdynReleaseMax, 5000, 25000);
    set(kGdynAutoGain, "auto_gain", ParameterUnit::kNone, 0, 1, 0, 0);
    set(kGdynSyncStereo, "sync_stereo", ParameterUnit::kNone, 0, 1, 1, 1);
    const std::int32_t presetPoints[3][2] = {{-840, -840}, {-240, -240}, {0, 0}};
    for (int p = 0; p < kGdynMaxPoints; ++p) {
      char name[16];
      const std::int32_t px = p < 3 ? presetPoints[p][0] : 0;
      const std::int32_t py = p < 3 ? presetPoints[p][1] : 0;
      std::snprintf(name, sizeof name, "point%d_x", p + 1);
      set(kGdynFirstPoint + 2 * p, name, ParameterUnit::kTenthsDecibel, kGdynLevelFloor, 0, px, px);
      std::snprintf(name, sizeof name, "point%d_y", p + 1);
      set(kGdynFirstPoint + 2 * p + 1, name, ParameterUnit::kTenthsDecibel, kGdynLevelFloor, 0, py,
          py);
    }
    set(kGdynPointCount, "point_count", ParameterUnit::kNone, kGdynMinPoints, kGdynMaxPoints, 3, 3);
    set(kGdynThreshold, "threshold", ParameterUnit::kTenthsDecibel, kGdynThresholdMin,
        kGdynThresholdMax, -210, -210);
    set(kGdynRatio, "ratio", ParameterUnit::kTenthsRatio, kGdynRatioMin, kGdynRatioMax, 10, 10);
    set(kGdynBypass, "bypass", ParameterUnit::kNone, 0, 1, 0, 0);
  }
};

// A preset row; bypass is 0 and unused points are zero in every one.
constexpr AkGdynProps Preset(std::int32_t attack, std::int32_t release, std::int32_t autoGain,
                             std::int32_t sync, std::initializer_list<GdynPoint> points,
                             std::int32_t threshold, std::int32_t ratio) {
  AkGdynProps p{};
  p.attack = attack;
  p.release = release;
  p.autoGain = autoGain;
  p.syncStereo = sync;
  int i = 0;
  for (const GdynPoint& point : points) p.points[i++] = point;
  p.pointCount = i;
  p.threshold = threshold;
  p.ratio = ratio;
  return p;
}

}  // namespace

// clang-format off
const AutomationParamDesc kGdynAutomation[kGdynParamCount] = {
    // type, caps, min, max, neutral, change mask, property max, min, kind, record offset,
    // label, unit, enumeration
    {AutomationType::kFloat, kCapsFloat, 0.0f, 500.0f, 250.0f, 1, kGdynAttackMax, 0,
     PropertyKind::kScaledInteger, offsetof(AkGdynProps, attack),
     sid::kParamAttack, sid::kUnitMilliseconds, -1},
    {AutomationType::kFloat, kCapsFloat, 0.0f, 5000.0f, 2500.0f, 1, kGdynReleaseMax, 0,
     PropertyKind::kScaledInteger, offsetof(AkGdynProps, release),
     sid::kParamRelease, sid::kUnitMilliseconds, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 0.0f, 1, 1, 0,
     PropertyKind::kSwitch, offsetof(AkGdynProps, autoGain), sid::kParamAutoGain, -1, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 1.0f, 1, 1, 0,
     PropertyKind::kSwitch, offsetof(AkGdynProps, syncStereo), sid::kParamSyncStereoGain, -1, -1},
    {AutomationType::kFloat, kCapsFloat, -25.0f, 25.0f, 0.0f, 1, kGdynOutputGainMax,
     kGdynOutputGainMin, PropertyKind::kScaledInteger, offsetof(AkGdynProps, outputGain),
     sid::kParamOutputGain, sid::kUnitDecibels, -1},
    {AutomationType::kBool, kCapsSwitch, 0.0f, 1.0f, 0.0f, 1, 1, 0,
     PropertyKind::kSwitch, offsetof(AkGdynProps, bypass), sid::kParamBypass, -1, -1},
};
// clang-format on

// The curve is set as one list, "points", rather than point by point.
constexpr PointListDescriptor kGdynPointList[] = {
    {"points", kGdynFirstPoint, kGdynPointCount, kGdynMinPoints, kGdynMaxPoints, kGdynLevelFloor,
     0, kGdynLevelFloor, 0},
};

ParameterTable GdynParameters() {
  static const DescriptorTable table;
  return ParameterTable{table.items, kFieldCount, kGdynPointList, 1};
}

// Load takes the older tag only with the older size (see
// CAkGdynTransform::OlderRecord); the layout itself describes the current
// record.
const RecordLayout kGdynRecord = {kGdynRecordBytes, kIidAkPlugInProp2, nullptr, 0};

// clang-format off
const PresetRow<AkGdynProps> kGdynPresets[] = {
    {sid::kPresetDefault,
     Preset(10, 5000, 0, 1, {{-840, -840}, {-240, -240}, {0, 0}}, -210, 10)},
    {sid::kPresetDefaultAll,
     Preset(10, 5000, 0, 1, {{-840, -840}, {-240, -240}, {0, 0}}, -210, 10)},
    // Compressor/Gate
    {sid::kGraphicDynamicsPreset2 + 0,
     Preset(10, 5000, 1, 1, {{-840, -840}, {-614, -840}, {-150, -150}, {0, -119}}, -150, 48)},
    // Mute levels below -35 dB (hard noise gate
    {sid::kGraphicDynamicsPreset2 + 1,
     Preset(10, 5000, 0, 1, {{-840, -840}, {-351, -840}, {-350, -350}, {0, 0}}, -350, 10)},
    // Limit levels to -6 dB (hard limiter
    {sid::kGraphicDynamicsPreset2 + 2,
     Preset(10, 5000, 0, 1, {{-840, -840}, {-60, -60}, {0, -60}}, -60, 500)},
    // Soft limiter
    {sid::kGraphicDynamicsPreset2 + 3,
     Preset(10, 5000, 0, 1, {{-840, -840}, {-122, -124}, {-57, -78}, {0, -68}}, -122, 22)},
    // Maximize volume (-12 dB limiter with gain compensation
    {sid::kGraphicDynamicsPreset2 + 4,
     Preset(50, 1000, 1, 0, {{-840, -840}, {-120, -120}, {0, -120}}, -120, 500)},
    // 2:1 compression starting at -18 dB
    {sid::kGraphicDynamicsPreset2 + 5,
     Preset(10, 5000, 1, 1, {{-840, -840}, {-180, -180}, {0, -90}}, -180, 20)},
    // 3:1 compression starting at -15 dB
    {sid::kGraphicDynamicsPreset2 + 6,
     Preset(10, 5000, 1, 1, {{-840, -840}, {-150, -150}, {0, -100}}, -150, 30)},
    // Soft knee compressor/gate (-24 dB threshold
    {sid::kGraphicDynamicsPreset2 + 7,
     Preset(10, 5000, 1, 1, {{-840, -840}, {-456, -840}, {-419, -562}, {-334, -361}, {-240, -238},
                             {-110, -150}, {0, -119}}, -240, 20)},
    // Soft noise gate below -36 dB
    {sid::kGraphicDynamicsPreset2 + 8,
     Preset(10, 10000, 0, 1, {{-840, -840}, {-557, -840}, {-515, -672}, {-443, -490},
                              {-338, -341}, {0, 0}}, -338, 10)},
};
// clang-format on
const int kGdynPresetCount = static_cast<int>(sizeof(kGdynPresets) / sizeof(kGdynPresets[0]));

AkGdynProps ClampGdynProps(const AkGdynProps& p) {
  AkGdynProps c = p;
  c.outputGain = ClampTo(p.outputGain, kGdynOutputGainMin, kGdynOutputGainMax);
  c.attack = ClampTo(p.attack, 0, kGdynAttackMax);
  c.release = ClampTo(p.release, 0, kGdynReleaseMax);
  c.autoGain = ClampTo(p.autoGain, 0, 1);
  c.syncStereo = ClampTo(p.syncStereo, 0, 1);
  for (GdynPoint& point : c.points) {
    point.x = ClampTo(point.x, kGdynLevelFloor, 0);
    point.y = ClampTo(point.y, kGdynLevelFloor, 0);
  }
  c.pointCount = ClampTo(p.pointCount, kGdynMinPoints, kGdynMaxPoints);
  c.threshold = ClampTo(p.threshold, kGdynThresholdMin, kGdynThresholdMax);
  c.ratio = ClampTo(p.ratio, kGdynRatioMin, kGdynRatioMax);
  c.bypass = ClampTo(p.bypass, 0, 1);
  return c;
}

}  // namespace orlofx

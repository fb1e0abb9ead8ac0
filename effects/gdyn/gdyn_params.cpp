#include "effects/gdyn/gdyn_params.h"

#include <array>
#include <cstddef>
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

// "point1_x" .. "point16_y", spelt out at compile time.
struct PointNames {
  char text[2 * kGdynMaxPoints][10];
};

constexpr PointNames MakePointNames() {
  PointNames n{};
  for (int i = 0; i < 2 * kGdynMaxPoints; ++i) {
    const int point = i / 2 + 1;
    const char head[] = "point";
    int k = 0;
    for (int c = 0; c < 5; ++c) n.text[i][k++] = head[c];
    if (point >= 10) n.text[i][k++] = '1';
    n.text[i][k++] = static_cast<char>('0' + point % 10);
    n.text[i][k++] = '_';
    n.text[i][k++] = i % 2 ? 'y' : 'x';
  }
  return n;
}

constexpr PointNames kPointNames = MakePointNames();

constexpr auto kDb = ParameterUnit::kTenthsDecibel;
constexpr auto kTenthsMs = ParameterUnit::kTenthsMillisecond;
constexpr auto kNone = ParameterUnit::kNone;
constexpr auto kRange = ClampRule::kRange;

// 41 rows, 32 of them points: the points are filled in by a loop.
constexpr std::array<ParameterDescriptor, kFieldCount> MakeRows() {
  std::array<ParameterDescriptor, kFieldCount> r{};
  // clang-format off
  // name, unit, minimum, maximum, value in preset 0, page control default, clamp, restart,
  // automation (host's range, neutral value, label and unit)
  r[kGdynOutputGain] = {"output_gain", kDb, kGdynOutputGainMin, kGdynOutputGainMax, 0, 0, kRange, false,
                        AutomateFloat(-25.0f, 25.0f, 0.0f, sid::kParamOutputGain, sid::kUnitDecibels)};
  r[kGdynAttack] = {"attack", kTenthsMs, 0, kGdynAttackMax, 10, 10, kRange, false,
                    AutomateFloat(0.0f, 500.0f, 250.0f, sid::kParamAttack, sid::kUnitMilliseconds)};
  r[kGdynRelease] = {"release", kTenthsMs, 0, kGdynReleaseMax, 5000, 5000, kRange, false,
                     AutomateFloat(0.0f, 5000.0f, 2500.0f, sid::kParamRelease, sid::kUnitMilliseconds)};
  r[kGdynAutoGain] = {"auto_gain", kNone, 0, 1, 0, 0, kRange, false,
                      AutomateSwitch(0.0f, sid::kParamAutoGain)};
  r[kGdynSyncStereo] = {"sync_stereo", kNone, 0, 1, 1, 1, kRange, false,
                        AutomateSwitch(1.0f, sid::kParamSyncStereoGain)};
  const std::int32_t presetPoints[3][2] = {{-840, -840}, {-240, -240}, {0, 0}};
  for (int i = 0; i < 2 * kGdynMaxPoints; ++i) {
    const std::int32_t v = i < 6 ? presetPoints[i / 2][i % 2] : 0;
    r[kGdynFirstPoint + i] = {kPointNames.text[i], kDb, kGdynLevelFloor, 0, v, v};
  }
  r[kGdynPointCount] = {"point_count", kNone, kGdynMinPoints, kGdynMaxPoints, 3, 3};
  r[kGdynThreshold] = {"threshold", kDb, kGdynThresholdMin, kGdynThresholdMax, -210, -210};
  r[kGdynRatio] = {"ratio", ParameterUnit::kTenthsRatio, kGdynRatioMin, kGdynRatioMax, 10, 10};
  r[kGdynBypass] = {"bypass", kNone, 0, 1, 0, 0, kRange, false,
                    AutomateSwitch(0.0f, sid::kParamBypass)};
  // clang-format on
  // The page: attack 10 ms a page, release 1 ms a line and 100 ms a page.
  r[kGdynAttack].page = {1, 100, false};
  r[kGdynRelease].page = {10, 1000, false};
  return r;
}

constexpr std::array<ParameterDescriptor, kFieldCount> kRows = MakeRows();

// The automatable fields, in the host's index order (GdynParam).
constexpr int kAutomatedFields[kGdynParamCount] = {kGdynAttack,     kGdynRelease,
                                                   kGdynAutoGain,   kGdynSyncStereo,
                                                   kGdynOutputGain, kGdynBypass};
constexpr AutomationTable<kGdynParamCount> kAutomation =
    MakeAutomationTable(kRows.data(), kAutomatedFields);

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

const AutomationParamDesc* const kGdynAutomation = kAutomation.items;

// The curve is set as one list, "points", rather than point by point.
constexpr PointListDescriptor kGdynPointList[] = {
    {"points", kGdynFirstPoint, kGdynPointCount, kGdynMinPoints, kGdynMaxPoints, kGdynLevelFloor,
     0, kGdynLevelFloor, 0},
};

ParameterTable GdynParameters() {
  return ParameterTable{kRows.data(), kFieldCount, kGdynPointList, 1};
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

AkGdynProps ClampGdynProps(const AkGdynProps& p) { return ClampFields(GdynParameters(), p); }

}  // namespace orlofx

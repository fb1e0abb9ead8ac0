#include "effects/mbdyn/mbdyn_params.h"

#include <array>
#include <cstdint>

#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

constexpr auto kDb = ParameterUnit::kTenthsDecibel;
constexpr auto kTenthsMs = ParameterUnit::kTenthsMillisecond;
constexpr auto kNone = ParameterUnit::kNone;
constexpr auto kRange = ClampRule::kRange;

// The rows of one group of four band fields: band b's name is kBandNames[g][b],
// its automation label kParamBandFirst + 10 b + the group's parameter index.
struct BandGroup {
  int firstField;
  std::uint32_t param;  // MbdynBandParam
  ParameterUnit unit;
  std::int32_t minimum, maximum;
  std::int32_t controlDefault;
  AutomationMapping automation;  // label filled in per band
  PageHints page = {};
};

// clang-format off
// first field, automation index, unit, minimum, maximum, page control default, automation,
// the page's steps where they are not 1 a line and 10 a page: times 1 ms a line, the
// frequency 10 Hz a line, the width half an octave a page
constexpr BandGroup kGroups[] = {
    {kMbdynThreshold, kMbdynParamThreshold, kDb, kMbdynThresholdFloor, 0, 0, AutomateFloat(-60.0f, 0.0f, 0.0f, 0, sid::kUnitDecibels)},
    {kMbdynType, kMbdynParamType, kNone, 0, 2, 1, {AutomationMapping::kEnum, 0.0f, 2.0f, 1.0f, 0, -1, sid::kBandTypeValues}},
    {kMbdynAmount, kMbdynParamAmount, ParameterUnit::kTenthsRatio, 10, 500, 10, AutomateFloat(1.0f, 50.0f, 1.0f, 0)},
    {kMbdynAttack, kMbdynParamAttack, kTenthsMs, 0, 5000, 2500, AutomateFloat(0.0f, 500.0f, 250.0f, 0, sid::kUnitMilliseconds), {10, 100, false}},
    {kMbdynRelease, kMbdynParamRelease, kTenthsMs, 0, 50000, 25000, AutomateFloat(0.0f, 5000.0f, 2500.0f, 0, sid::kUnitMilliseconds), {100, 1000, false}},
    {kMbdynGain, kMbdynParamGain, kDb, -250, 250, 0, AutomateFloat(-25.0f, 25.0f, 0.0f, 0, sid::kUnitDecibels)},
    {kMbdynWidth, kMbdynParamWidth, ParameterUnit::kTenthsOctave, 3, 30, 10, AutomateFloat(0.3f, 3.0f, 1.0f, 0, sid::kUnitOctaves), {1, 5, false}},
    {kMbdynCenter, kMbdynParamCenter, ParameterUnit::kHertz, 50, 15000, 1000, AutomateFloat(50.0f, 15000.0f, 1000.0f, 0, sid::kUnitHertz), {10, 100, false}},
    {kMbdynBandBypass, kMbdynParamBandBypass, kNone, 0, 1, 0, AutomateSwitch(0.0f, 0)},
    {kMbdynSolo, kMbdynParamSolo, kNone, 0, 1, 0, AutomateSwitch(0.0f, 0)},
};
// clang-format on

constexpr char kBandNames[][kMbdynBands][24] = {
    {"band1_threshold", "band2_threshold", "band3_threshold", "band4_threshold"},
    {"band1_type", "band2_type", "band3_type", "band4_type"},
    {"band1_amount", "band2_amount", "band3_amount", "band4_amount"},
    {"band1_attack", "band2_attack", "band3_attack", "band4_attack"},
    {"band1_release", "band2_release", "band3_release", "band4_release"},
    {"band1_gain", "band2_gain", "band3_gain", "band4_gain"},
    {"band1_width", "band2_width", "band3_width", "band4_width"},
    {"band1_center", "band2_center", "band3_center", "band4_center"},
    {"band1_bypass", "band2_bypass", "band3_bypass", "band4_bypass"},
    {"band1_solo", "band2_solo", "band3_solo", "band4_solo"},
};
constexpr char kDisplayNames[8][10] = {"display1", "display2", "display3", "display4",
                                       "display5", "display6", "display7", "display8"};
constexpr std::int32_t kDisplayDefaults[8] = {128, 128, 128, 128, 16, 16, 16, 16};

constexpr MbdynParams kDefaultRecord = {
    0,
    {0, 0, 0, 0},
    {1, 1, 1, 1},
    {10, 10, 10, 10},
    {10, 10, 10, 10},
    {1000, 1000, 1000, 1000},
    {0, 0, 0, 0},
    {10, 10, 10, 10},
    {200, 1000, 4000, 10000},
    1,
    {0, 1, 1, 1},
    {128, 128, 128, 128, 16, 16, 16, 16},
    1,
    0,
    {0, 0, 0, 0},
    0,
};

// The record as fields, at compile time (ParamsToFields copies bytes).
constexpr std::array<std::int32_t, kMbdynFieldCount> FieldsOf(const MbdynParams& p) {
  std::array<std::int32_t, kMbdynFieldCount> f{};
  int i = 0;
  auto put = [&f, &i](const std::int32_t* v, int n) {
    for (int k = 0; k < n; ++k) f[i++] = v[k];
  };
  put(&p.outputGain, 1);
  for (const std::int32_t* g : {p.threshold, p.type, p.amount, p.attack, p.release, p.gain, p.width,
                                p.center})
    put(g, kMbdynBands);
  put(&p.syncStereo, 1);
  put(p.bandBypass, kMbdynBands);
  put(p.display, 8);
  put(&p.enableMeters, 1);
  put(&p.captureThreshold, 1);
  put(p.solo, kMbdynBands);
  put(&p.bypass, 1);
  return f;
}

constexpr std::array<ParameterDescriptor, kMbdynFieldCount> MakeRows() {
  const std::array<std::int32_t, kMbdynFieldCount> preset = FieldsOf(kDefaultRecord);
  std::array<ParameterDescriptor, kMbdynFieldCount> r{};
  // clang-format off
  // name, unit, minimum, maximum, value in preset 0, page control default, clamp, restart,
  // automation (host's range, neutral value, label and unit)
  r[kMbdynOutputGain] = {"output_gain", kDb, -250, 250, preset[kMbdynOutputGain], 0, kRange, false,
                         AutomateFloat(-25.0f, 25.0f, 0.0f, sid::kParamOutputGain, sid::kUnitDecibels)};
  for (std::size_t g = 0; g < sizeof kGroups / sizeof kGroups[0]; ++g)
    for (int b = 0; b < kMbdynBands; ++b) {
      const BandGroup& k = kGroups[g];
      AutomationMapping a = k.automation;
      a.labelId = sid::kParamBandFirst + static_cast<int>(kMbdynParamsPerBand * b + k.param);
      const int field = k.firstField + b;
      r[field] = {kBandNames[g][b], k.unit, k.minimum, k.maximum, preset[field], k.controlDefault,
                  kRange, false, a, k.page};
    }
  r[kMbdynSyncStereo] = {"sync_stereo", kNone, 0, 1, preset[kMbdynSyncStereo], 0, kRange, false,
                         AutomateSwitch(0.0f, sid::kParamStereoSyncChannels)};
  // The display words belong to the pages: any value is kept.
  for (int i = 0; i < 8; ++i)
    r[kMbdynDisplay + i] = {kDisplayNames[i], kNone, INT32_MIN, INT32_MAX, preset[kMbdynDisplay + i],
                            preset[kMbdynDisplay + i]};
  r[kMbdynEnableMeters] = {"meters", kNone, 0, 1, preset[kMbdynEnableMeters], 1};
  r[kMbdynCaptureThreshold] = {"capture_threshold", kNone, 0, 1, preset[kMbdynCaptureThreshold], 0};
  r[kMbdynBypass] = {"bypass", kNone, 0, 1, preset[kMbdynBypass], 0, kRange, false,
                     AutomateSwitch(0.0f, sid::kParamBypass)};
  // clang-format on
  return r;
}

constexpr std::array<ParameterDescriptor, kMbdynFieldCount> kDescriptors = MakeRows();

// The automatable fields in the host's index order: ten per band in the order
// of MbdynBandParam, then stereo sync, output gain and bypass.
struct AutomatedFields {
  int fields[kMbdynParamCount];
};

constexpr AutomatedFields MakeAutomatedFields() {
  AutomatedFields a{};
  for (int b = 0; b < kMbdynBands; ++b)
    for (const BandGroup& k : kGroups)
      a.fields[b * kMbdynParamsPerBand + k.param] = k.firstField + b;
  a.fields[kMbdynParamSyncStereo] = kMbdynSyncStereo;
  a.fields[kMbdynParamOutputGain] = kMbdynOutputGain;
  a.fields[kMbdynParamBypass] = kMbdynBypass;
  return a;
}

constexpr AutomatedFields kAutomatedFields = MakeAutomatedFields();
constexpr AutomationTable<kMbdynParamCount> kAutomation =
    MakeAutomationTable(kDescriptors.data(), kAutomatedFields.fields);

static_assert(sizeof(MbdynParams) + kRecordHeadBytes == kMbdynRecordBytes,
              "record size and fields disagree");
static_assert(FieldCountOf<MbdynParams>() == kMbdynFieldCount, "one field index per field");

// One band of a preset row: threshold, type, amount, attack, release, gain,
// width, center, bypass.
struct BandRow {
  std::int32_t threshold, type, amount, attack, release, gain, width, center, bypass;
};

constexpr BandRow kIdle = {0, 0, 0, 0, 0, 0, 0, 0, 1};

constexpr MbdynParams Row(const BandRow (&b)[kMbdynBands]) {
  MbdynParams p = kDefaultRecord;
  for (int i = 0; i < kMbdynBands; ++i) {
    p.threshold[i] = b[i].threshold;
    p.type[i] = b[i].type;
    p.amount[i] = b[i].amount;
    p.attack[i] = b[i].attack;
    p.release[i] = b[i].release;
    p.gain[i] = b[i].gain;
    p.width[i] = b[i].width;
    p.center[i] = b[i].center;
    p.bandBypass[i] = b[i].bypass;
  }
  return p;
}

}  // namespace

const ParameterTable kMbdynParameters{kDescriptors.data(), kDescriptors.size()};
const AutomationParamDesc* const kMbdynAutomation = kAutomation.items;

const RecordLayout kMbdynRecord = {kMbdynRecordBytes, kMbdynRecordTag, nullptr, 0};
const RecordLayout kMbdynOlderRecord = {kMbdynOlderRecordBytes, kMbdynOlderTag, nullptr, 0};

// Rows as stored; the "all zero, bypass 1" bands are stored as written even
// where a zero lies outside a field's range (a preset is applied through the
// whole-record setter, which clamps).
const PresetRow<MbdynParams> kMbdynPresets[] = {
    {7020, kDefaultRecord},
    {7021, kDefaultRecord},
    {7068, Row({{-250, 1, 300, 10, 1000, 0, 7, 1209, 0},
                {-250, 1, 300, 10, 1000, 0, 7, 1336, 0},
                {-250, 1, 300, 10, 1000, 0, 7, 1477, 0},
                {-250, 1, 300, 10, 1000, 0, 7, 1633, 0}})},
    {7031, Row({{-150, 0, 320, 10, 1000, 0, 10, 500, 0}, kIdle, kIdle, kIdle})},
    {7032, Row({{-300, 1, 250, 10, 1000, 20, 10, 5000, 0}, kIdle, kIdle, kIdle})},
    {7033, Row({{-150, 0, 400, 10, 1000, 0, 20, 600, 0},
                {-320, 1, 200, 10, 1000, 20, 10, 5000, 0},
                kIdle,
                kIdle})},
};
const int kMbdynPresetCount = static_cast<int>(sizeof(kMbdynPresets) / sizeof(kMbdynPresets[0]));

MbdynParams ClampMbdynParams(const MbdynParams& p) { return ClampFields(kMbdynParameters, p); }

bool MbdynBandActive(const MbdynParams& p, int band) {
  bool anySolo = false;
  for (int b = 0; b < kMbdynBands; ++b) anySolo = anySolo || p.solo[b] != 0;
  if (p.bandBypass[band] != 0) return false;
  return !anySolo || p.solo[band] != 0;
}

}  // namespace orlofx

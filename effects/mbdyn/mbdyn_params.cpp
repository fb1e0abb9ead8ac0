#include "effects/mbdyn/mbdyn_params.h"

#include <array>

namespace orlofx {

namespace {

// name, unit, minimum, maximum, value in preset 0, page control default
struct BandGroup {
  const char* suffix;
  ParameterUnit unit;
  std::int32_t minimum, maximum;
  std::int32_t controlDefault;
};

constexpr BandGroup kGroups[] = {
    {"threshold", ParameterUnit::kTenthsDecibel, kMbdynThresholdFloor, 0, 0},
    {"type", ParameterUnit::kNone, 0, 2, 1},
    {"amount", ParameterUnit::kTenthsRatio, 10, 500, 10},
    {"attack", ParameterUnit::kTenthsMillisecond, 0, 5000, 2500},
    {"release", ParameterUnit::kTenthsMillisecond, 0, 50000, 25000},
    {"gain", ParameterUnit::kTenthsDecibel, -250, 250, 0},
    {"width", ParameterUnit::kTenthsOctave, 3, 30, 10},
    {"center", ParameterUnit::kHertz, 50, 15000, 1000},
};

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

std::array<ParameterDescriptor, kMbdynFieldCount> MakeDescriptors() {
  std::array<ParameterDescriptor, kMbdynFieldCount> d{};
  std::int32_t defaults[kMbdynFieldCount];
  ParamsToFields(kDefaultRecord, defaults);
  auto set = [&](int field, const char* name, ParameterUnit unit, std::int32_t lo, std::int32_t hi,
                 std::int32_t controlDefault) {
    d[field] = ParameterDescriptor{name, unit, lo, hi, defaults[field], controlDefault};
  };
  set(kMbdynOutputGain, "output_gain", ParameterUnit::kTenthsDecibel, -250, 250, 0);
  const int groupStarts[] = {kMbdynThreshold, kMbdynType,    kMbdynAmount, kMbdynAttack,
                             kMbdynRelease,   kMbdynGain,    kMbdynWidth,  kMbdynCenter};
  for (int g = 0; g < 8; ++g)
    for (int b = 0; b < kMbdynBands; ++b)
      set(groupStarts[g] + b, kBandNames[g][b], kGroups[g].unit, kGroups[g].minimum,
          kGroups[g].maximum, kGroups[g].controlDefault);
  set(kMbdynSyncStereo, "sync_stereo", ParameterUnit::kNone, 0, 1, 0);
  for (int b = 0; b < kMbdynBands; ++b) {
    set(kMbdynBandBypass + b, kBandNames[8][b], ParameterUnit::kNone, 0, 1, 0);
    set(kMbdynSolo + b, kBandNames[9][b], ParameterUnit::kNone, 0, 1, 0);
  }
  // The display words belong to the pages: any value is kept.
  for (int i = 0; i < 8; ++i)
    set(kMbdynDisplay + i, kDisplayNames[i], ParameterUnit::kNone, INT32_MIN, INT32_MAX,
        kDisplayDefaults[i]);
  set(kMbdynEnableMeters, "meters", ParameterUnit::kNone, 0, 1, 1);
  set(kMbdynCaptureThreshold, "capture_threshold", ParameterUnit::kNone, 0, 1, 0);
  set(kMbdynBypass, "bypass", ParameterUnit::kNone, 0, 1, 0);
  return d;
}

const std::array<ParameterDescriptor, kMbdynFieldCount> kDescriptors = MakeDescriptors();

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

MbdynParams ClampMbdynParams(const MbdynParams& p) {
  std::int32_t fields[kMbdynFieldCount];
  ParamsToFields(p, fields);
  for (int i = 0; i < kMbdynFieldCount; ++i) fields[i] = Clamp(kDescriptors[i], fields[i]);
  return ParamsFromFields<MbdynParams>(fields);
}

bool MbdynBandActive(const MbdynParams& p, int band) {
  bool anySolo = false;
  for (int b = 0; b < kMbdynBands; ++b) anySolo = anySolo || p.solo[b] != 0;
  if (p.bandBypass[band] != 0) return false;
  return !anySolo || p.solo[band] != 0;
}

}  // namespace orlofx

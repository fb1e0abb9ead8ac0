#include "effects/pgeq/pgeq_params.h"

#include <algorithm>

namespace orlofx {

namespace {

constexpr auto kDb = ParameterUnit::kTenthsDecibel;
constexpr auto kHz = ParameterUnit::kHertz;
constexpr auto kOct = ParameterUnit::kTenthsOctave;
constexpr auto kNone = ParameterUnit::kNone;
constexpr auto kRange = ClampRule::kRange;
// A page's frequency slider moves 100 Hz a page.
constexpr PageHints kHundreds = {1, 100, false};

// clang-format off
// name, unit, minimum, maximum, value in preset 0, page control default, and
// the page's hints where they differ from a step of 1 and a page of 10
constexpr ParameterDescriptor kDescriptors[] = {
    {"dry_out",              kDb,  -250, 250,   -250, -250, kRange, false, {}, kSilentMinimum},
    {"wet_out",              kDb,  -250, 250,   0,    0},
    {"band1_gain",           kDb,  -250, 250,   0,    0},
    {"band2_gain",           kDb,  -250, 250,   0,    0},
    {"band3_gain",           kDb,  -250, 250,   0,    0},
    {"band4_gain",           kDb,  -250, 250,   0,    0},
    {"band1_width",          kOct, 3,    25,    10,   10},
    {"band2_width",          kOct, 3,    25,    10,   10},
    {"band3_width",          kOct, 3,    25,    10,   10},
    {"band4_width",          kOct, 3,    25,    10,   10},
    {"band1_center",         kHz,  20,   15000, 100,  1000, kRange, false, {}, kHundreds},
    {"band2_center",         kHz,  20,   15000, 300,  1000, kRange, false, {}, kHundreds},
    {"band3_center",         kHz,  20,   15000, 1000, 1000, kRange, false, {}, kHundreds},
    {"band4_center",         kHz,  20,   15000, 5000, 1000, kRange, false, {}, kHundreds},
    {"low_shelf_enable",     kNone, 0,   1,     0,    0},
    {"high_shelf_enable",    kNone, 0,   1,     0,    0},
    {"low_shelf_frequency",  kHz,  20,   15000, 300,  500, kRange, false, {}, kHundreds},
    {"high_shelf_frequency", kHz,  20,   20000, 500,  1000, kRange, false, {}, kHundreds},
    {"low_shelf_gain",       kDb,  -250, 250,   0,    0, kRange, false, {}, kSilentMinimum},
    {"high_shelf_gain",      kDb,  -250, 250,   0,    0, kRange, false, {}, kSilentMinimum},
    {"highlight_band",       kNone, 0,   kPgeqNoHighlight, kPgeqNoHighlight, kPgeqNoHighlight, ClampRule::kUnsignedMax},
};
// clang-format on

static_assert(sizeof(PgeqParams) + kRecordHeadBytes == kPgeqRecordBytes,
              "record size and fields disagree");
static_assert(sizeof(kDescriptors) / sizeof(kDescriptors[0]) == FieldCountOf<PgeqParams>(),
              "one descriptor per field");

// A preset body: dry out -250, wet out 0 and no highlighted band, as every
// preset has them.
constexpr PgeqParams Row(std::int32_t g1, std::int32_t g2, std::int32_t g3, std::int32_t g4,
                         std::int32_t w1, std::int32_t w2, std::int32_t w3, std::int32_t w4,
                         std::int32_t c1, std::int32_t c2, std::int32_t c3, std::int32_t c4,
                         std::int32_t lowOn, std::int32_t lowHz, std::int32_t lowGain,
                         std::int32_t highOn, std::int32_t highHz, std::int32_t highGain) {
  return PgeqParams{kPgeqLevelFloor, 0,      {g1, g2, g3, g4}, {w1, w2, w3, w4},
                    {c1, c2, c3, c4}, lowOn, highOn,           lowHz,
                    highHz,           lowGain, highGain,       kPgeqNoHighlight};
}

}  // namespace

const ParameterTable kPgeqParameters = MakeParameterTable(kDescriptors);

const RecordLayout kPgeqRecord = {kPgeqRecordBytes, kIidAkPgeqProp, nullptr, 0};

// clang-format off
//  name id      band gains             widths          centers                low shelf       high shelf
const PresetRow<PgeqParams> kPgeqPresets[] = {
    {7020, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  0, 300, 0,      0, 500, 0)},
    {7021, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  0, 300, 0,      0, 500, 0)},
    {7064, Row(0, 0, -150, 0,           10, 10, 10, 10, 100, 300, 1000, 5000,  0, 300, 0,      0, 300, 0)},
    {7065, Row(-250, -250, -250, -250,  3, 3, 3, 3,     60, 60, 60, 60,        0, 300, 0,      0, 300, 0)},
    {7066, Row(0, 0, 0, 30,             10, 10, 10, 7,  100, 300, 1000, 15000, 0, 300, 0,      0, 300, 0)},
    {7067, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  0, 300, 0,      1, 16000, 60)},
    // 1447 Hz, not the 1477 Hz of the keypad's third column: kept as shipped.
    {7068, Row(-250, -250, -250, -250,  3, 3, 3, 3,     1209, 1336, 1447, 1633, 0, 300, 0,     0, 300, 0)},
    {7069, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  1, 250, 40,     0, 300, 0)},
    {7070, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  0, 300, 0,      1, 7000, 30)},
    {7071, Row(0, 0, -120, 0,           10, 10, 10, 10, 100, 300, 4000, 5000,  1, 200, 60,     1, 8000, 60)},
    {7072, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  0, 300, 0,      1, 8000, -60)},
    {7073, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  1, 80, -250,    0, 300, 0)},
    {7074, Row(0, 0, 0, 0,              10, 10, 10, 10, 100, 300, 1000, 5000,  1, 20, -250,    0, 300, 0)},
};
// clang-format on
const int kPgeqPresetCount = static_cast<int>(sizeof(kPgeqPresets) / sizeof(kPgeqPresets[0]));

PgeqParams ClampPgeqParams(const PgeqParams& p) {
  std::int32_t fields[FieldCountOf<PgeqParams>()];
  ParamsToFields(p, fields);
  for (int i = 0; i < kPgeqHighlightBand; ++i) fields[i] = Clamp(kDescriptors[i], fields[i]);
  fields[kPgeqHighlightBand] = std::min(fields[kPgeqHighlightBand], kPgeqNoHighlight);
  return ParamsFromFields<PgeqParams>(fields);
}

}  // namespace orlofx

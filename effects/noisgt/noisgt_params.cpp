#include "effects/noisgt/noisgt_params.h"

namespace orlofx {

namespace {

// clang-format off
// name, unit, minimum, maximum, value in preset 0, page control default (none automated),
// and where the page differs from a step of 1 and a page of 10: its hints
constexpr ParameterDescriptor kDescriptors[] = {
    {"attack",    ParameterUnit::kMilliseconds,   1,                     500,  3,    250},
    {"release",   ParameterUnit::kMilliseconds,   1,                     5000, 100,  2500, ClampRule::kRange, false, {}, {1, 100}},
    {"threshold", ParameterUnit::kTenthsDecibel,  kNoisgtThresholdFloor, 0,    -200, -100, ClampRule::kRange, false, {}, kSilentMinimum},
};
// clang-format on

constexpr Guid kOlderTags[] = {kNoisgtOlderTag};

static_assert(sizeof(NoisgtParams) + kRecordHeadBytes == kNoisgtRecordBytes,
              "record size and fields disagree");
static_assert(sizeof(kDescriptors) / sizeof(kDescriptors[0]) == FieldCountOf<NoisgtParams>(),
              "one descriptor per field");

}  // namespace

const ParameterTable kNoisgtParameters = MakeParameterTable(kDescriptors);

const RecordLayout kNoisgtRecord = {kNoisgtRecordBytes, kIidAkNoisgtProp, kOlderTags, 1};

//  name id  attack, release, threshold
const PresetRow<NoisgtParams> kNoisgtPresets[] = {
    {7020, {3, 100, -200}},     // (Default)
    {7021, {3, 100, -200}},     // Default all parameters
    {7059, {1, 300, -60}},      // Strong beats only
    {7060, {10, 1000, -380}},   // Long decay time
    {7061, {10, 500, -600}},    // Noise gate 1
    {7062, {1, 500, -320}},     // Noise gate 2
    {7063, {300, 1000, -400}},  // Slow attack
};
const int kNoisgtPresetCount = static_cast<int>(sizeof(kNoisgtPresets) / sizeof(kNoisgtPresets[0]));

NoisgtParams ClampNoisgtParams(const NoisgtParams& p) { return ClampFields(kNoisgtParameters, p); }

}  // namespace orlofx

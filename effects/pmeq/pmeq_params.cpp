#include "effects/pmeq/pmeq_params.h"

#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

// The filter type and the accuracy are stored as given (any other value is
// a plain gain, or High); their ranges here are the values that mean
// something (for the tool and pages). A new accuracy needs a new FFT size.
//  name           unit                            min   max    preset 0  page default
constexpr ParameterDescriptor kDescriptors[] = {
    {"type", ParameterUnit::kNone, 0, 3, kPmeqBandPass, kPmeqBandPass, ClampRule::kAsGiven},
    {"frequency", ParameterUnit::kHertz, 20, 22050, 650, 1000, ClampRule::kRange, false, {}, {1, 100}},
    {"width", ParameterUnit::kTenthsOctave, 1, 50, 10, 25},
    {"amount", ParameterUnit::kTenthsDecibel, -600, 200, -40, 0},
    {"output_gain", ParameterUnit::kTenthsDecibel, -600, 200, 0, 0},
    {"accuracy", ParameterUnit::kNone, 0, 2, 1, 1, ClampRule::kAsGiven, true},
};

static_assert(sizeof(PmeqParams) + kRecordHeadBytes == kPmeqRecordBytes,
              "record size and fields disagree");
static_assert(sizeof(kDescriptors) / sizeof(kDescriptors[0]) == FieldCountOf<PmeqParams>(),
              "one descriptor per field");

}  // namespace

const ParameterTable kPmeqParameters = MakeParameterTable(kDescriptors);

const RecordLayout kPmeqRecord = {kPmeqRecordBytes, kIidAkPmeqProp, nullptr, 0};

// Names 7075-7078: "200 Hz high-pass", "Hiss removal (...)", "Phone line
// effect", "Remove frequencies around 1500 Hz by 25 dB".
//  name id                          type        freq width amount gain accuracy
const PresetRow<PmeqParams> kPmeqPresets[] = {
    {sid::kPresetDefault, {kPmeqBandPass, 650, 10, -40, 0, 1}},
    {sid::kPresetDefaultAll, {kPmeqBandPass, 650, 10, -40, 0, 1}},
    {sid::kParametricEqPreset2 + 0, {kPmeqLowShelf, 200, 4, -150, 0, 2}},
    {sid::kParametricEqPreset2 + 1, {kPmeqHighShelf, 6000, 5, -400, 0, 2}},
    {sid::kParametricEqPreset2 + 2, {kPmeqBandPass, 800, 20, -250, 0, 1}},
    {sid::kParametricEqPreset2 + 3, {kPmeqBandNotch, 1500, 10, -250, 0, 2}},
};
const int kPmeqPresetCount = static_cast<int>(sizeof(kPmeqPresets) / sizeof(kPmeqPresets[0]));

PmeqParams ClampPmeqParams(const PmeqParams& p) {
  PmeqParams c = p;
  c.frequency = Clamp(kDescriptors[kPmeqFrequency], p.frequency);
  c.width = Clamp(kDescriptors[kPmeqWidth], p.width);
  c.amount = Clamp(kDescriptors[kPmeqAmount], p.amount);
  return c;
}

}  // namespace orlofx

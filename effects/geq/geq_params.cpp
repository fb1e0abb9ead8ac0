#include "effects/geq/geq_params.h"

#include <cstdio>
#include <initializer_list>

#include "support/strings/string_ids.h"

namespace orlofx {

namespace {

constexpr std::size_t kFieldCount = FieldCountOf<GeqParams>();
static_assert(sizeof(GeqParams) + kRecordHeadBytes == kGeqRecordBytes,
              "record size and fields disagree");
static_assert(kFieldCount == 151 && kGeqOutputGain == 150 && kGeqPointCount == 149,
              "field indices and record disagree");

// The table has 151 rows, most of them alike, so it is built once rather
// than spelt out.
struct DescriptorTable {
  char names[kFieldCount][16];
  ParameterDescriptor items[kFieldCount];

  DescriptorTable() {
    auto set = [this](int i, ParameterUnit unit, std::int32_t lo, std::int32_t hi,
                      std::int32_t preset, std::int32_t control,
                      ClampRule clamp = ClampRule::kRange, bool restart = false,
                      PageHints page = {}) {
      items[i] = ParameterDescriptor{names[i], unit, lo, hi, preset, control, clamp, restart, {}, page};
    };
    std::snprintf(names[kGeqAccuracy], sizeof names[0], "accuracy");
    // Stored as given (any other value is High); a new FFT size.
    set(kGeqAccuracy, ParameterUnit::kNone, 0, 2, 1, 1, ClampRule::kAsGiven, true);
    for (int b = 0; b < kGeqBandCount; ++b) {
      std::snprintf(names[kGeqFirstBand + b], sizeof names[0], "band%d_gain", b + 1);
      set(kGeqFirstBand + b, ParameterUnit::kTenthsDecibel, kGeqBandGainMin, kGeqBandGainMax, 0, 0,
          ClampRule::kRange, false, kSilentMinimum);
    }
    for (int p = 0; p < kGeqMaxPoints; ++p) {
      const int x = kGeqFirstPoint + 2 * p;
      std::snprintf(names[x], sizeof names[0], "point%d_x", p + 1);
      std::snprintf(names[x + 1], sizeof names[0], "point%d_y", p + 1);
      const std::int32_t presetX = p == 1 ? kGeqXMax : 0;
      set(x, ParameterUnit::kNone, kGeqXMin, kGeqXMax, presetX, presetX);
      set(x + 1, ParameterUnit::kNone, kGeqYSilence, kGeqYMax, 0, 0);
    }
    std::snprintf(names[kGeqPointCount], sizeof names[0], "point_count");
    set(kGeqPointCount, ParameterUnit::kNone, kGeqMinPoints, kGeqMaxPoints, 2, 2, ClampRule::kRange,
        true);
    std::snprintf(names[kGeqOutputGain], sizeof names[0], "output_gain");
    set(kGeqOutputGain, ParameterUnit::kTenthsDecibel, kGeqOutputGainMin, kGeqOutputGainMax, 0, 0);
  }
};

// All presets: accuracy Medium, output gain 0, band gains 0.
constexpr GeqParams Preset(std::initializer_list<GeqPoint> points) {
  GeqParams p{};
  p.accuracy = 1;
  int i = 0;
  for (const GeqPoint& point : points) p.points[i++] = point;
  p.pointCount = i;
  return p;
}

}  // namespace

// The envelope is set as one list, "points", rather than point by point.
constexpr PointListDescriptor kGeqPointList[] = {
    {"points", kGeqFirstPoint, kGeqPointCount, kGeqMinPoints, kGeqMaxPoints, kGeqXMin, kGeqXMax,
     kGeqYSilence, kGeqYMax},
};

ParameterTable GeqParameters() {
  static const DescriptorTable table;
  return ParameterTable{table.items, kFieldCount, kGeqPointList, 1};
}

const RecordLayout kGeqRecord = {kGeqRecordBytes, kIidAkGeqProp, nullptr, 0};

const PresetRow<GeqParams> kGeqPresets[] = {
    {sid::kPresetDefault, Preset({{0, 0}, {10000, 0}})},
    {sid::kPresetDefaultAll, Preset({{0, 0}, {10000, 0}})},
    // Roll-off frequencies below 120 Hz
    {sid::kGraphicEqPreset2 + 0, Preset({{0, -500}, {2673, 0}, {10000, 0}})},
    // Boost bass around 80 Hz by 6 dB
    {sid::kGraphicEqPreset2 + 1,
     Preset({{0, 0}, {1000, 0}, {1250, 202}, {2750, 202}, {3000, 0}, {10000, 0}})},
    // Boost high frequencies above 7 kHz by 6 dB
    {sid::kGraphicEqPreset2 + 2, Preset({{0, 0}, {8250, 0}, {8375, 202}, {10000, 202}})},
    // Boost mid-range around 1 kHz by 6 dB
    {sid::kGraphicEqPreset2 + 3,
     Preset({{0, 0}, {5132, 0}, {5382, 202}, {5882, 202}, {6132, 0}, {10000, 0}})},
    // Boost upper three octaves
    {sid::kGraphicEqPreset2 + 4, Preset({{0, 0}, {7013, 0}, {10000, 268}})},
    // Gentle high-frequency boost
    {sid::kGraphicEqPreset2 + 5, Preset({{0, 0}, {5000, 0}, {10000, 150}})},
    // Notch frequencies around 450 Hz
    {sid::kGraphicEqPreset2 + 6,
     Preset({{0, 0}, {4000, 0}, {4250, -500}, {4750, -500}, {5000, 0}, {10000, 0}})},
};
const int kGeqPresetCount = static_cast<int>(sizeof(kGeqPresets) / sizeof(kGeqPresets[0]));

GeqParams ClampGeqParams(const GeqParams& p) {
  GeqParams c = p;
  for (std::int32_t& gain : c.bandGain) gain = ClampTo(gain, kGeqBandGainMin, kGeqBandGainMax);
  c.pointCount = ClampTo(p.pointCount, kGeqMinPoints, kGeqMaxPoints);
  c.outputGain = ClampTo(p.outputGain, kGeqOutputGainMin, kGeqOutputGainMax);
  for (int i = 0; i < c.pointCount; ++i) {
    c.points[i].x = ClampTo(c.points[i].x, kGeqXMin, kGeqXMax);
    c.points[i].y = ClampTo(c.points[i].y, kGeqYSilence, kGeqYMax);
  }
  return c;
}

}  // namespace orlofx

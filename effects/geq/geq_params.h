// The Graphic EQ's settings record, its persisted form and its presets.
#pragma once

#include <cstdint>

#include "framework/guid.h"
#include "framework/parameters.h"
#include "framework/settings_record.h"

namespace orlofx {

constexpr int kGeqBandCount = 20;
constexpr int kGeqMaxPoints = 64;
constexpr int kGeqMinPoints = 2;

// One envelope point: x in thousandths of an octave above 20 Hz (0..10000,
// 20 Hz to 20480 Hz), y in warped gain units (-500 silence, 0, +-100, +-200,
// +-300, +-400 are 0, 3, 6, 12, 24 dB).
struct GeqPoint {
  std::int32_t x;
  std::int32_t y;
};

// Field order is also the persisted order and the order of a preset row.
struct GeqParams {
  std::int32_t accuracy;                 // 0 Low, 1 Medium, other High; stored as given
  std::int32_t bandGain[kGeqBandCount];  // tenths of a dB, -480..240; kept for the
                                         // pages, not read by the processing
  GeqPoint points[kGeqMaxPoints];        // the envelope; the first pointCount in use
  std::int32_t pointCount;               // 2..64
  std::int32_t outputGain;               // tenths of a dB, -600..200
};

constexpr std::int32_t kGeqBandGainMin = -480;
constexpr std::int32_t kGeqBandGainMax = 240;
constexpr std::int32_t kGeqXMin = 0;
constexpr std::int32_t kGeqXMax = 10000;
constexpr std::int32_t kGeqYSilence = -500;
constexpr std::int32_t kGeqYMax = 400;
constexpr std::int32_t kGeqOutputGainMin = -600;
constexpr std::int32_t kGeqOutputGainMax = 200;

// The property interface's identifier doubles as the record tag.
constexpr Guid kIidAkGeqProp = GuidLiteral("{8B722AEE-4584-11D1-B4CB-00A0C9270A10}");
constexpr Guid kClsidAkGeq = GuidLiteral("{8B7226EE-4584-11D1-B4CB-00A0C9270A10}");
constexpr Guid kClsidAkGeqPropPage = GuidLiteral("{8B7227EE-4584-11D1-B4CB-00A0C9270A10}");
constexpr Guid kClsidAkGeqPropPage2 = GuidLiteral("{8B7228EE-4584-11D1-B4CB-00A0C9270A10}");
constexpr Guid kClsidAkGeqPropPage3 = GuidLiteral("{8B7229EE-4584-11D1-B4CB-00A0C9270A10}");

constexpr std::uint32_t kGeqRecordBytes = 624;

// Indices into the descriptor table (and the record). Point i (0-based) is
// fields kGeqFirstPoint + 2i (x) and + 2i + 1 (y).
constexpr int kGeqAccuracy = 0;
constexpr int kGeqFirstBand = 1;
constexpr int kGeqFirstPoint = 21;
constexpr int kGeqPointCount = 149;
constexpr int kGeqOutputGain = 150;

// String id of the accuracies (7042 + accuracy).
constexpr int kGeqAccuracyNameId = 7042;

// Descriptors named "accuracy", "band1_gain" .. "band20_gain",
// "point1_x", "point1_y" .. "point64_y", "point_count", "output_gain"; the
// points and their count are set together as the point list "points".
ParameterTable GeqParameters();
extern const RecordLayout kGeqRecord;
extern const PresetRow<GeqParams> kGeqPresets[];
extern const int kGeqPresetCount;

// What the whole-record setter stores: band gains, point count, output gain
// and the points in use clamped; accuracy and unused points as given.
GeqParams ClampGeqParams(const GeqParams& p);

// Band k (0..19) of the fader pages sits at x = 500·k.
constexpr std::int32_t GeqBandX(int band) { return 500 * band; }

}  // namespace orlofx

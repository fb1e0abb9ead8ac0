// The Parametric EQ's settings record, its persisted form and its presets.
#pragma once

#include <cstdint>

#include "framework/guid.h"
#include "framework/parameters.h"
#include "framework/settings_record.h"

namespace orlofx {

// Field order is also the persisted order and the order of a preset row.
struct PmeqParams {
  std::int32_t filterType;  // 0 low shelf, 1 high shelf, 2 band-pass, 3 band-notch/boost;
                            // any other value is a plain gain (stored as given)
  std::int32_t frequency;   // Hz, 20..22050: cutoff (shelves) or center (band types)
  std::int32_t width;       // tenths of an octave, 1..50: transition or band width
  std::int32_t amount;      // tenths of a dB, -600..200: gain outside (band-pass) or
                            // inside (the others) the affected region
  std::int32_t outputGain;  // tenths of a dB, -600..200 by its own setter; the
                            // whole-record setter stores it as given
  std::int32_t accuracy;    // 0 Low (256-point FFT), 1 Medium (1024), other High (4096);
                            // stored as given
};

enum PmeqFilterType : std::int32_t {
  kPmeqLowShelf = 0,
  kPmeqHighShelf = 1,
  kPmeqBandPass = 2,
  kPmeqBandNotch = 3,
};

// The property interface's identifier doubles as the record tag.
constexpr Guid kIidAkPmeqProp = GuidLiteral("{A8448723-96FD-11D0-AEBC-00A0C9053912}");
constexpr Guid kClsidAkPmeq = GuidLiteral("{A8448720-96FD-11D0-AEBC-00A0C9053912}");
constexpr Guid kClsidAkPmeqPropPage = GuidLiteral("{A8448721-96FD-11D0-AEBC-00A0C9053912}");

constexpr std::uint32_t kPmeqRecordBytes = 44;

// Indices into the descriptor table (and the record).
enum PmeqField {
  kPmeqFilterType = 0,
  kPmeqFrequency = 1,
  kPmeqWidth = 2,
  kPmeqAmount = 3,
  kPmeqOutputGain = 4,
  kPmeqAccuracy = 5,
};

// String ids of the filter types (7079 + type) and accuracies (7083 + accuracy).
constexpr int kPmeqFilterTypeNameId = 7079;
constexpr int kPmeqAccuracyNameId = 7083;

extern const ParameterTable kPmeqParameters;
extern const RecordLayout kPmeqRecord;
extern const PresetRow<PmeqParams> kPmeqPresets[];
extern const int kPmeqPresetCount;

// What the whole-record setter stores: frequency, width and amount clamped,
// filter type, output gain and accuracy as given.
PmeqParams ClampPmeqParams(const PmeqParams& p);

}  // namespace orlofx

// The Paragraphic EQ's settings record, its persisted form and its presets.
#pragma once

#include <cstdint>

#include "framework/guid.h"
#include "framework/parameters.h"
#include "framework/settings_record.h"

namespace orlofx {

constexpr int kPgeqBands = 4;

// Field order is also the persisted order and the order of a preset row.
struct PgeqParams {
  std::int32_t dryOut;              // tenths of a dB, -250..250; -250 is silence
  std::int32_t wetOut;              // tenths of a dB, -250..250
  std::int32_t gain[kPgeqBands];    // tenths of a dB, -250..250; 0 switches the band off
  std::int32_t width[kPgeqBands];   // tenths of an octave, 3..25
  std::int32_t center[kPgeqBands];  // Hz, 20..15000
  std::int32_t lowShelfEnable;      // 0..1
  std::int32_t highShelfEnable;     // 0..1
  std::int32_t lowShelfFrequency;   // Hz, 20..15000
  std::int32_t highShelfFrequency;  // Hz, 20..20000
  std::int32_t lowShelfGain;        // tenths of a dB, -250..250
  std::int32_t highShelfGain;       // tenths of a dB, -250..250
  std::int32_t highlightBand;       // 0..3 = band 1..4, 4 = none; only the page reads it
};

constexpr std::int32_t kPgeqLevelFloor = -250;  // dry out at this level is silence
constexpr std::int32_t kPgeqNoHighlight = 4;

// The property interface's identifier doubles as the record tag.
constexpr Guid kIidAkPgeqProp = GuidLiteral("{D616F3EF-D622-11CE-AAC5-0020AF0B99A3}");
constexpr Guid kClsidAkPgeq = GuidLiteral("{D616F3E0-D622-11CE-AAC5-0020AF0B99A3}");
constexpr Guid kClsidAkPgeqPropPage = GuidLiteral("{D616F3E1-D622-11CE-AAC5-0020AF0B99A3}");

constexpr std::uint32_t kPgeqRecordBytes = 104;

// Indices into the descriptor table (and the record).
enum PgeqField {
  kPgeqDryOut = 0,
  kPgeqWetOut = 1,
  kPgeqGain1 = 2,    // bands 1-4: 2-5
  kPgeqWidth1 = 6,   // 6-9
  kPgeqCenter1 = 10, // 10-13
  kPgeqLowShelfEnable = 14,
  kPgeqHighShelfEnable = 15,
  kPgeqLowShelfFrequency = 16,
  kPgeqHighShelfFrequency = 17,
  kPgeqLowShelfGain = 18,
  kPgeqHighShelfGain = 19,
  kPgeqHighlightBand = 20,
};

extern const ParameterTable kPgeqParameters;
extern const RecordLayout kPgeqRecord;
extern const PresetRow<PgeqParams> kPgeqPresets[];
extern const int kPgeqPresetCount;

// The record with every field clamped to its range; the highlighted band
// only from above, as a whole-record set keeps it.
PgeqParams ClampPgeqParams(const PgeqParams& p);

}  // namespace orlofx

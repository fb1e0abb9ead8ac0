// The Multi-Band Dynamics settings record, its persisted form and its presets.
#pragma once

#include <cstdint>

#include "framework/automation.h"
#include "framework/guid.h"
#include "framework/parameters.h"
#include "framework/settings_record.h"

namespace orlofx {

constexpr int kMbdynBands = 4;

// Field order is also the persisted order and the order of a preset row.
// Band b (0-based) is at index b of each group of four.
struct MbdynParams {
  std::int32_t outputGain;                // tenths of a dB, -250..250
  std::int32_t threshold[kMbdynBands];    // tenths of a dB, -600..0 (-600 stands for -90.3 dB)
  std::int32_t type[kMbdynBands];         // 0 low-shelf, 1 band-notch, 2 high-shelf
  std::int32_t amount[kMbdynBands];       // ratio in tenths, 10 (1:1)..500 (50:1)
  std::int32_t attack[kMbdynBands];       // tenths of a ms, 0..5000
  std::int32_t release[kMbdynBands];      // tenths of a ms, 0..50000
  std::int32_t gain[kMbdynBands];         // static boost or cut, tenths of a dB, -250..250
  std::int32_t width[kMbdynBands];        // tenths of an octave, 3..30
  std::int32_t center[kMbdynBands];       // Hz, 50..15000
  std::int32_t syncStereo;                // 0 or 1
  std::int32_t bandBypass[kMbdynBands];   // 0 or 1
  std::int32_t display[8];                // the pages' display state, kept as given
  std::int32_t enableMeters;              // 0 or 1
  std::int32_t captureThreshold;          // 0 or 1
  std::int32_t solo[kMbdynBands];         // 0 or 1
  std::int32_t bypass;                    // 0 or 1
};

enum MbdynBandType : std::int32_t { kMbdynLowShelf = 0, kMbdynBandNotch = 1, kMbdynHighShelf = 2 };

// Record field indices of the groups (band b adds b).
enum MbdynField : int {
  kMbdynOutputGain = 0,
  kMbdynThreshold = 1,
  kMbdynType = 5,
  kMbdynAmount = 9,
  kMbdynAttack = 13,
  kMbdynRelease = 17,
  kMbdynGain = 21,
  kMbdynWidth = 25,
  kMbdynCenter = 29,
  kMbdynSyncStereo = 33,
  kMbdynBandBypass = 34,
  kMbdynDisplay = 38,
  kMbdynEnableMeters = 46,
  kMbdynCaptureThreshold = 47,
  kMbdynSolo = 48,
  kMbdynBypass = 52,
  kMbdynFieldCount = 53,
};

constexpr std::int32_t kMbdynThresholdFloor = -600;

constexpr Guid kMbdynRecordTag = GuidLiteral("{5F7133A2-9A34-4E2E-A7BD-B62A4A9DD5F5}");
// Records written by an older version: 228 bytes, no bypass word.
constexpr Guid kMbdynOlderTag = GuidLiteral("{026D0AA3-9BB9-11D0-AEBC-00A0C9053912}");
constexpr Guid kClsidAkMbdyn = GuidLiteral("{026D0AA0-9BB9-11D0-AEBC-00A0C9053912}");

constexpr std::uint32_t kMbdynRecordBytes = 232;
constexpr std::uint32_t kMbdynOlderRecordBytes = 228;

// Automatable parameters, in the host's index order.
constexpr std::uint32_t kMbdynParamCount = 43;
constexpr std::uint32_t kMbdynParamsPerBand = 10;
// Parameter index of band b (0-based) = 10 b + one of these.
enum MbdynBandParam : std::uint32_t {
  kMbdynParamThreshold = 0,
  kMbdynParamAmount = 1,
  kMbdynParamGain = 2,
  kMbdynParamAttack = 3,
  kMbdynParamRelease = 4,
  kMbdynParamType = 5,
  kMbdynParamCenter = 6,
  kMbdynParamWidth = 7,
  kMbdynParamBandBypass = 8,
  kMbdynParamSolo = 9,
};
constexpr std::uint32_t kMbdynParamSyncStereo = 40;
constexpr std::uint32_t kMbdynParamOutputGain = 41;
constexpr std::uint32_t kMbdynParamBypass = 42;

extern const AutomationParamDesc* const kMbdynAutomation;  // kMbdynParamCount entries

extern const ParameterTable kMbdynParameters;
extern const RecordLayout kMbdynRecord;
// The older layout: the same fields without the final bypass word.
extern const RecordLayout kMbdynOlderRecord;
extern const PresetRow<MbdynParams> kMbdynPresets[];
extern const int kMbdynPresetCount;

// The record with every field clamped to its range (the display words are
// kept as given).
MbdynParams ClampMbdynParams(const MbdynParams& p);

// Whether band b takes part in processing: not bypassed, and soloed when
// any band is soloed.
bool MbdynBandActive(const MbdynParams& p, int band);

}  // namespace orlofx

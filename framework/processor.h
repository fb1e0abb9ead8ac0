// The shape every effect processor shares.
//
// Streaming side (streaming thread; start and stop are serialised with it by
// the filter frame):
//   Prepare  once per stream, the only place that allocates
//   Process  the processing entry, never allocates:
//              mode 1 ordinary input, 0 input carrying a discontinuity mark,
//              2 end-of-stream drain (no input);
//              *inFrames/*outFrames: frames offered on entry, consumed and
//              produced on return;
//              result < 0 failure, 0 progress, 1 nothing more to produce
//   Release  frees what Prepare allocated
//
// Settings side (any thread, under the parameter lock): the record as an
// array of 32-bit fields, presets, persistence, change notifications and the
// stored pin formats. The rules that every effect shares live here once:
// a preset or a load goes through the whole-record setter and then posts
// code 100; a save with clear-dirty clears `dirty`, without it sets `dirty`.
//
// An effect derives from EffectSettings<Params> (framework/effect_settings.h),
// which keeps its record under paramLock_, and renders audio in Render, which
// Process calls once the arguments are checked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/notifier.h"
#include "framework/parameters.h"
#include "framework/sample_format.h"
#include "framework/settings_record.h"
#include "support/platform.h"
#include "support/result.h"

namespace orlofx {

constexpr int kProcessDiscontinuity = 0;
constexpr int kProcessOrdinary = 1;
constexpr int kProcessDrain = 2;

constexpr HResult kProcessProgress = 0;
constexpr HResult kProcessFinished = 1;

// How an effect takes its frames.
enum class FrameRule {
  // Input and output counted apart; the drain carries no input.
  kStream,
  // One buffer in and out: min(offered, room) frames each way, every one
  // consumed and produced at once; the drain has nothing to deliver.
  kInPlace,
};

// One checked call of Process: counts are what the effect may consume and
// produce (0 input for the drain), and a nonzero count has its buffer.
struct ProcessCall {
  int mode;
  const unsigned char* in;
  std::uint32_t inCount;
  unsigned char* out;
  std::uint32_t outCount;

  bool Drain() const { return mode == kProcessDrain; }
  bool Discontinuity() const { return mode == kProcessDiscontinuity; }
};

class EffectProcessor {
 public:
  virtual ~EffectProcessor() = default;
  EffectProcessor(const EffectProcessor&) = delete;
  EffectProcessor& operator=(const EffectProcessor&) = delete;

  // --- streaming ---------------------------------------------------------
  virtual HResult Prepare(const WaveFormat& in, const WaveFormat& out) = 0;
  virtual void Release() = 0;
  // Checks the arguments (kInvalidArg for an unknown mode, kUnexpected
  // before Prepare, kPointer for a missing buffer, each reporting 0 frames),
  // then renders with subnormals flushed.
  HResult Process(int mode, const void* in, std::uint32_t* inFrames, void* out,
                  std::uint32_t* outFrames);

  // --- what the effect's record holds -------------------------------------
  virtual ParameterTable Parameters() const = 0;
  virtual const RecordLayout& Record() const = 0;
  std::size_t FieldCount() const { return Record().FieldCount(); }

  // The whole record as FieldCount() fields. SetFields is the effect's
  // whole-record setter: it clamps, and sets `changed` and `dirty`.
  virtual HResult GetFields(std::int32_t* fields) const = 0;
  virtual HResult SetFields(const std::int32_t* fields) = 0;

  // --- presets ------------------------------------------------------------
  virtual int PresetCount() const = 0;
  // String id of the preset's name; 0 for an index out of range.
  virtual int PresetNameId(int index) const = 0;
  // kInvalidArg for an index out of range; else the whole-record setter's
  // result, and on success notification code 100.
  HResult ApplyPreset(int index);

  // --- persistence --------------------------------------------------------
  // Head, then fields. A refused head (size, tag) changes nothing and
  // notifies nothing. After a good head the fields are applied only if they
  // were read completely; code 100 is posted either way and the field read's
  // result returned.
  // An older layout of a different size (see OlderRecord) is accepted too;
  // the fields it lacks, at the end, read as 0.
  HResult LoadRecord(RecordStream& stream);
  // A record layout written by an older version of the effect, with fewer
  // fields at the end, that LoadRecord still accepts; null if none.
  virtual const RecordLayout* OlderRecord() const { return nullptr; }
  // Writes head and current fields; on success `dirty` := !clearDirty; a
  // stream error is returned and leaves `dirty` as it was.
  HResult SaveRecord(RecordStream& stream, bool clearDirty);
  bool IsDirty() const;

  // --- pin formats (for GetFormat) ----------------------------------------
  // Stores copies; a null pointer means that pin has no format.
  void SetFormats(const WaveFormat* in, const WaveFormat* out);
  // pin 0 input, 1 output; kNotConnected for another pin or one with no
  // format; kPointer for a null out-pointer.
  HResult GetFormat(WaveFormat* format, int pin) const;

  // --- change notifications -----------------------------------------------
  HResult SetNotifyWindow(WindowHandle window, std::uint32_t id);
  void Notify(std::uint16_t code);

 protected:
  explicit EffectProcessor(int notificationSlots, FrameRule frames = FrameRule::kStream);

  // Whether Prepare has succeeded since the last Release.
  virtual bool Prepared() const = 0;
  // The effect's processing of a checked call: fills what it consumed and
  // produced and returns kProcessProgress, kProcessFinished or a failure.
  virtual HResult Render(const ProcessCall& call, std::uint32_t* consumed,
                         std::uint32_t* produced) = 0;

  // Fills `fields` with preset `index` (already range-checked).
  virtual void PresetFields(int index, std::int32_t* fields) const = 0;

  // Guards the record, changed_, dirty_, the notifier and the stored formats.
  mutable CriticalSection paramLock_;
  bool changed_ = true;  // a new parameter snapshot is due
  bool dirty_ = false;   // unsaved changes

 private:
  HResult CheckAndRender(int mode, const void* in, const std::uint32_t* inFrames, void* out,
                         const std::uint32_t* outFrames, std::uint32_t* consumed,
                         std::uint32_t* produced);

  FrameRule frameRule_;
  Notifier notifier_;
  WaveFormat formats_[2] = {};
  bool hasFormat_[2] = {false, false};
};

}  // namespace orlofx

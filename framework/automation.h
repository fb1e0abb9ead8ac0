// Host-driven parameter automation for the dynamics effects.
//
// An automatable effect describes a few of its settings as float-valued
// parameters (range, neutral value, curve capabilities, and where and how the
// value sits in its integer settings record). A host sets them one by one or
// hands over envelopes (time-stamped curve segments) that the effect follows
// while it streams; the effect's own property setters and pages go through
// the same values, so every path reports its changes to the host in the same
// way.
//
//   host (COM wrapper, CLI) ── SetParam / AddEnvelope / FlushEnvelope ──┐
//   property setters ── SetPropValue / BeginCapture / EndCapture ──────►│ AutomationParams
//                                                                       │  (values, envelopes,
//   streaming thread ── UpdateForBlock(samples) ──► stretch length ◄────┘   stream time)
//                        + change flags ──► effect re-reads its record (GetAllProps)
//
// How an effect uses it:
//   1. Describe the parameters in a static table of AutomationParamDesc and
//      derive its transform from AutomationParams (besides EffectProcessor),
//      passing the table: `AutomationParams(kTable, kCount)`. Check
//      ConstructionResult() (kOutOfMemory when the states cannot be had).
//   2. Its property getters/setters bridge through GetPropValue/SetPropValue
//      (integers clamped to the property range first), its begin/end edit and
//      is-editable through BeginCapture/EndCapture/IsUserControlled, and its
//      whole-record get/set through GetAllProps/SetAllProps. The record
//      fields of automatable parameters are always the parameter values: read
//      them with GetAllProps when taking the snapshot.
//   3. Prepare() calls BeginStreaming(sample rate); Release() calls
//      ResetForStop().
//   4. Streaming in stretches: call ProcessInStretches() (below) instead of
//      Process(); the Windows frame (CAkAutomatedEffectFilter) and the CLI
//      already do. Before each stretch it calls UpdateForBlock; when that
//      reports a change it calls OnAutomationChanged(flags), where the effect
//      marks its settings changed so that its next Process() takes a fresh
//      snapshot (GetAllProps) and rebuilds without reset.
//   5. To act on a host's SetParam (notification code 0, extra rules), the
//      effect overrides SetParam and calls AutomationParams::SetParam.
//
// Threads and locks: one lock (recursive) per object guards values, states,
// envelopes and the stream time. Listener calls are made after it is
// released, never under it. Nothing here allocates on the streaming path
// (UpdateForBlock, ProcessInStretches); envelopes grow on the host's thread.
//
// Values from a host are untrusted: NaN and infinities are refused with
// kInvalidArg (SetParam, SetNormalizedValue), an envelope holding one is
// refused whole, and so is an envelope whose segment ends before it starts.
// Envelope values outside [minimum, maximum] are clamped when evaluated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/processor.h"
#include "support/platform.h"
#include "support/result.h"

namespace orlofx {

// Parameter types, curve types and capability bits: the host's values.
enum class AutomationType : std::uint32_t { kInt = 0, kFloat = 1, kBool = 2, kEnum = 3 };

constexpr std::uint32_t kCurveJump = 0x1;
constexpr std::uint32_t kCurveLinear = 0x2;
constexpr std::uint32_t kCurveSquare = 0x4;
constexpr std::uint32_t kCurveInvSquare = 0x8;
constexpr std::uint32_t kCurveSine = 0x10;
// Capabilities of float parameters (jump, linear, square, inverse square)
// and of switches (jump only).
constexpr std::uint32_t kCapsFloat = 0xF;
constexpr std::uint32_t kCapsSwitch = 0x1;

// How the integer (or float) property of the settings record relates to the
// parameter's value.
enum class PropertyKind : std::uint32_t {
  kScaledInteger = 0,  // int32 property, value = prop x range ratio
  kSwitch = 1,         // int32 property 0/1 (same arithmetic as kScaledInteger)
  kScaledFloat = 2,    // float property, no rounding
};

// Index meaning "every parameter" (FlushEnvelope, SetNotify).
constexpr std::uint32_t kAllParameters = 0xFFFFFFFFu;

// 100-ns units per second: envelope and stream times.
constexpr std::int64_t kTimeUnitsPerSecond = 10000000;
// Longest stretch between two parameter evaluations: 20 ms.
constexpr std::int64_t kMaxStretchTime = 200000;

// One automatable parameter. Tables are static constants of the effect; the
// label/unit texts are loaded from the string ids when a host asks.
struct AutomationParamDesc {
  AutomationType type;
  std::uint32_t caps;  // curve bits the host may use (kCapsFloat, kCapsSwitch)
  float minimum;
  float maximum;
  float neutral;  // initial value
  std::uint32_t changeMask;  // ORed into UpdateForBlock's flags on change
  std::int32_t propertyMaximum;
  std::int32_t propertyMinimum;
  PropertyKind kind;
  std::uint32_t recordOffset;  // byte offset of the property in the record
  int labelId;                 // string ids; -1 = none (empty text)
  int unitId;
  int enumId;  // comma-separated value names
};

// The automation entry of record field `field`, from its row.
constexpr AutomationParamDesc AutomationOf(const ParameterDescriptor& row, std::size_t field) {
  const AutomationMapping& a = row.automation;
  const bool isFloat = a.kind == AutomationMapping::kFloat;
  return {isFloat ? AutomationType::kFloat
                  : (a.kind == AutomationMapping::kEnum ? AutomationType::kEnum
                                                        : AutomationType::kBool),
          isFloat ? kCapsFloat : kCapsSwitch,
          a.minimum,
          a.maximum,
          a.neutral,
          1,
          row.maximum,
          row.minimum,
          isFloat ? PropertyKind::kScaledInteger : PropertyKind::kSwitch,
          static_cast<std::uint32_t>(4 * field),
          a.labelId,
          a.unitId,
          a.enumId};
}

// The automation table of an effect: the entries of the given record
// fields, in the host's index order.
template <std::size_t N>
struct AutomationTable {
  AutomationParamDesc items[N];
};

template <std::size_t N>
constexpr AutomationTable<N> MakeAutomationTable(const ParameterDescriptor* rows,
                                                 const int (&fields)[N]) {
  AutomationTable<N> t{};
  for (std::size_t i = 0; i < N; ++i)
    t.items[i] = AutomationOf(rows[fields[i]], static_cast<std::size_t>(fields[i]));
  return t;
}

// One envelope segment as a host gives it (times in 100-ns units of the
// stream; values in the parameter's units; curve one of kCurve*; flags are
// carried, not interpreted).
struct EnvelopeSegment {
  std::int64_t start;
  std::int64_t end;
  float startValue;
  float endValue;
  std::uint32_t curve;
  std::uint32_t flags;
};

// Receives change reports (the host's UI callback). Each call names one
// parameter; made on the caller's thread with no lock held.
class AutomationListener {
 public:
  virtual void ParamsBeginCapture(std::uint32_t index) = 0;
  virtual void ParamsChanged(std::uint32_t index, float value) = 0;
  virtual void ParamsEndCapture(std::uint32_t index) = 0;

 protected:
  ~AutomationListener() = default;
};

// Value, slope (per second) and curvature (per second squared) of a segment
// at time t, start <= t < end. Exposed for tests and the CLI's preview.
struct SegmentPoint {
  double value;
  double slope;
  double curvature;
};
SegmentPoint EvaluateSegment(const EnvelopeSegment& segment, std::int64_t t);

class AutomationParams {
 public:
  AutomationParams(const AutomationParamDesc* table, std::uint32_t count);
  virtual ~AutomationParams();
  AutomationParams(const AutomationParams&) = delete;
  AutomationParams& operator=(const AutomationParams&) = delete;

  // kOk, or kOutOfMemory when the parameter states could not be allocated
  // (then every operation fails with kUnexpected).
  HResult ConstructionResult() const { return initResult_; }

  std::uint32_t ParamCount() const { return count_; }
  // Null for an index not below ParamCount().
  const AutomationParamDesc* Desc(std::uint32_t index) const;

  // The listener receives every later report; null for none. The caller
  // keeps it alive until it is replaced or this object is gone.
  void SetListener(AutomationListener* listener);

  // The lock that guards this object (recursive). A wrapper that keeps
  // host-facing state next to it (the host's callback behind the listener,
  // the time format) guards that under the same lock, so that one lock
  // orders every change; never held across a call into the host.
  CriticalSection& Lock() const { return lock_; }

  // --- host operations (the media-parameter interfaces) --------------------
  // kPointer, kInvalidArg for a bad index; else the current value.
  HResult GetParam(std::uint32_t index, float* value) const;
  // kInvalidArg for a bad index. While streaming with the parameter inside
  // an envelope segment: kFalse, nothing changes. A value outside
  // [minimum, maximum] or not finite: kInvalidArg. Else stored: kOk when it
  // differs from the previous value, kFalse when equal. No listener call.
  virtual HResult SetParam(std::uint32_t index, float value);
  // kPointer for null segments; kInvalidArg for a bad index, count 0, or a
  // segment with a non-finite value or end < start (nothing is changed).
  // Each new segment in turn first removes the stored segments it overlaps
  // (as FlushEnvelope does over its span), then is inserted in start order,
  // so the envelope stays ordered and free of overlaps (a later segment of
  // the same call wins over an earlier one it overlaps). kOutOfMemory when
  // the envelope cannot grow; segments inserted before stay.
  HResult AddEnvelope(std::uint32_t index, std::uint32_t count, const EnvelopeSegment* segments);
  // kAllParameters flushes every parameter. Keeps segments ending at or
  // before `start`; stops at the first one starting at or after `end`;
  // removes the rest.
  HResult FlushEnvelope(std::uint32_t index, std::int64_t start, std::int64_t end);
  // Stored segments of a parameter (0 for a bad index) and a copy of one.
  std::size_t SegmentCount(std::uint32_t index) const;
  bool GetSegment(std::uint32_t index, std::size_t position, EnvelopeSegment* segment) const;

  // --- the effect's bridge to its record ------------------------------------
  // Sets the value from a property (int32 for kinds 0 and 1, float for 2):
  // value = prop x (max - min) / (propMax - propMin), clamped to [min, max].
  // Returns 1 if unchanged, 0 if changed (reported: begin capture unless
  // captured, changed, end capture unless captured; none with notify off).
  int SetPropValue(std::uint32_t index, const void* prop);
  // The property for the current value (int32 rounded half away from zero,
  // or float). A bad index writes nothing.
  void GetPropValue(std::uint32_t index, void* prop) const;
  // Typed shorthands of the two for int32 properties.
  int SetPropInt(std::uint32_t index, std::int32_t prop) { return SetPropValue(index, &prop); }
  std::int32_t GetPropInt(std::uint32_t index) const;
  // (value - min) / (max - min), and its inverse (changes reported without
  // a capture bracket; non-finite input kInvalidArg). Results as SetParam.
  HResult GetNormalizedValue(std::uint32_t index, float* normalized) const;
  HResult SetNormalizedValue(std::uint32_t index, float normalized);
  // The user takes (0) or already holds (1) the parameter; envelopes are
  // ignored for it while held. EndCapture releases it (0) or was not
  // holding it (1); the next UpdateForBlock then reports it changed once.
  int BeginCapture(std::uint32_t index);
  int EndCapture(std::uint32_t index);
  // False while streaming with the parameter inside an envelope segment.
  bool IsUserControlled(std::uint32_t index) const;
  // Turns reports of one parameter (or kAllParameters) on or off; turning
  // them off first ends a capture. kOk when the state changed, kFalse when
  // it already was so, kInvalidArg for a bad index.
  HResult SetNotify(std::uint32_t index, bool enable);
  // Every parameter's property into/from `record` at its record offset
  // (offsets beyond recordBytes are skipped). SetAllProps reports one
  // begin/changed/end bracket per parameter around the whole change.
  void GetAllProps(void* record, std::size_t recordBytes) const;
  void SetAllProps(const void* record, std::size_t recordBytes);

  // --- streaming ------------------------------------------------------------
  // Start of streaming: streaming flag on, stream time 0, rates set, every
  // segment to be entered anew.
  void BeginStreaming(double sampleRate);
  // End of streaming: streaming flag off, no parameter in force.
  void ResetForStop();
  bool Streaming() const;
  // Time (100 ns) of the next sample to be processed. SetStreamTime
  // re-seeds it (a discontinuity carrying a start time); every segment is
  // then entered anew, so a seek back reports the values it lands on.
  std::int64_t StreamTime() const;
  void SetStreamTime(std::int64_t time);
  // The block update: evaluates every envelope at the stream time, ORs the
  // change masks of changed parameters into *changeFlags (may be null) and
  // returns how many of `samples` may be processed before the next change:
  // at most 20 ms, cut at a segment's end and at the next segment's start,
  // at least one sample; with no envelope anywhere, all of `samples`. Inside
  // a segment the value follows its curve; leaving a segment lands on its
  // end value (a jump holds its start value and lands on its end value). A
  // segment is reported on entering it, and a held one again whenever the
  // value in force is not its own. A parameter released by EndCapture is
  // reported once outside segments; a captured one is never in force. The
  // stream time advances by the stretch.
  std::uint32_t UpdateForBlock(std::uint32_t samples, std::uint32_t* changeFlags);
  // Moves the stream time back by `samples` that a stretch granted but the
  // effect did not consume.
  void GiveBack(std::uint32_t samples);

  // Called by ProcessInStretches (streaming thread, no lock held) when the
  // block update reported changes; the effect marks its settings changed.
  virtual void OnAutomationChanged(std::uint32_t flags) { (void)flags; }

  // --- the five operations a property interface offers per parameter ------
  // Get, set (clamped to the property range), begin edit, end edit, and
  // editable (kOk when the user may edit it, kFalse while an envelope drives
  // it). kInvalidArg for a bad index, kPointer for a null out-pointer. A set
  // that changes the value and an end edit call OnPropertyEdited.
  HResult GetParamProp(std::uint32_t param, std::int32_t* value) const;
  HResult SetParamProp(std::uint32_t param, std::int32_t value);
  HResult BeginParamEdit(std::uint32_t param);
  HResult EndParamEdit(std::uint32_t param);
  HResult IsParamEditable(std::uint32_t param) const;

 protected:
  // The user changed a setting through one of the five operations; the
  // effect marks its settings changed.
  virtual void OnPropertyEdited() {}

 private:
  struct StoredSegment {
    EnvelopeSegment segment;
    std::uint32_t entered;  // the segment has been evaluated since stored
  };
  struct State {
    std::vector<StoredSegment> envelope;  // by start time, no overlaps
    float value = 0.0f;
    double slope = 0.0;
    double curvature = 0.0;
    bool captured = false;
    bool released = false;
    bool inForce = false;
    bool notifyOff = false;
    std::size_t cursor = 0;
  };
  enum : int { kEvalTimeLimit = 1, kEvalChanged = 2 };

  bool ValidIndex(std::uint32_t index) const { return states_ && index < count_; }
  float FromProperty(std::uint32_t index, const void* prop) const;
  void ToProperty(std::uint32_t index, float value, void* prop) const;
  // Stores `value`; returns true if it changed. Lock held.
  bool StoreValue(std::uint32_t index, float value);
  // Reports a change made outside the lock (bracketed = with capture calls).
  void ReportChange(std::uint32_t index, float value, bool bracket);
  static void RemoveOverlapping(State& state, std::int64_t start, std::int64_t end);
  // Marks every stored segment as not entered. Lock held.
  void ForgetEnteredSegments();
  int Evaluate(State& state, const AutomationParamDesc& desc, std::int64_t t,
               std::int64_t* timeToEnd);
  std::int64_t StreamTimeLocked() const;
  AutomationListener* CurrentListener() const;

  const AutomationParamDesc* table_;
  std::uint32_t count_;
  State* states_ = nullptr;
  HResult initResult_ = kOk;
  mutable CriticalSection lock_;
  AutomationListener* listener_ = nullptr;
  bool streaming_ = false;
  // Stream time = seed + samples handed out since, converted and rounded.
  std::int64_t seedTime_ = 0;
  std::int64_t position_ = 0;
  double samplesPerTimeUnit_ = 0.0;
  double timeUnitsPerSample_ = 0.0;
};

// One processing call of an automatable effect, cut to the stretch the block
// update allows: asks UpdateForBlock for `*inFrames` (mode 0 or 1), calls
// OnAutomationChanged when values changed, then fx.Process on at most the
// stretch, and gives back the part of the stretch the effect left unconsumed.
// Counts in and out as for Process; the caller loops over the rest of its
// input as it does with Process. Drains (mode 2) and a null `automation` go
// straight to Process.
HResult ProcessInStretches(EffectProcessor& fx, AutomationParams* automation, int mode,
                           const void* in, std::uint32_t* inFrames, void* out,
                           std::uint32_t* outFrames);

}  // namespace orlofx

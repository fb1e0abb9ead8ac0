#include "framework/processor.h"

#include <algorithm>

#include "framework/float_environment.h"

namespace orlofx {

EffectProcessor::EffectProcessor(int notificationSlots, FrameRule frames)
    : frameRule_(frames), notifier_(notificationSlots) {}

HResult EffectProcessor::Process(int mode, const void* in, std::uint32_t* inFrames, void* out,
                                 std::uint32_t* outFrames) {
  ScopedFlushSubnormals flush;
  std::uint32_t consumed = 0;
  std::uint32_t produced = 0;
  const HResult hr = CheckAndRender(mode, in, inFrames, out, outFrames, &consumed, &produced);
  if (inFrames) *inFrames = consumed;
  if (outFrames) *outFrames = produced;
  return hr;
}

HResult EffectProcessor::CheckAndRender(int mode, const void* in, const std::uint32_t* inFrames,
                                        void* out, const std::uint32_t* outFrames,
                                        std::uint32_t* consumed, std::uint32_t* produced) {
  if (mode != kProcessDiscontinuity && mode != kProcessOrdinary && mode != kProcessDrain)
    return kInvalidArg;
  if (!Prepared()) return kUnexpected;
  ProcessCall call{mode, static_cast<const unsigned char*>(in), inFrames ? *inFrames : 0,
                   static_cast<unsigned char*>(out), outFrames ? *outFrames : 0};
  if (frameRule_ == FrameRule::kInPlace) {
    if (call.Drain()) return kProcessFinished;
    call.inCount = call.outCount = std::min(call.inCount, call.outCount);
    if (call.inCount > 0 && (!in || !out)) return kPointer;
  } else {
    // The drain carries no input, whatever the caller passed.
    if (call.Drain()) call.inCount = 0;
    if ((call.inCount > 0 && !in) || (call.outCount > 0 && !out)) return kPointer;
  }
  return Render(call, consumed, produced);
}

HResult EffectProcessor::ApplyPreset(int index) {
  if (index < 0 || index >= PresetCount()) return kInvalidArg;
  std::int32_t fields[kMaxRecordFields];
  PresetFields(index, fields);
  HResult hr = SetFields(fields);
  if (Succeeded(hr)) Notify(kNotifySettingsReplaced);
  return hr;
}

HResult EffectProcessor::LoadRecord(RecordStream& stream) {
  const RecordLayout* layouts[2] = {&Record(), OlderRecord()};
  const std::size_t layoutCount = layouts[1] ? 2 : 1;
  for (std::size_t i = 0; i < layoutCount; ++i)
    if (layouts[i]->FieldCount() > kMaxRecordFields) return kFail;
  const RecordLayout* layout = nullptr;
  HResult hr = ReadRecordHeadOf(stream, layouts, layoutCount, &layout);
  if (Failed(hr)) return hr;
  std::int32_t fields[kMaxRecordFields] = {};
  hr = ReadRecordFields(stream, *layout, fields);
  if (Succeeded(hr)) SetFields(fields);
  Notify(kNotifySettingsReplaced);
  return hr;
}

HResult EffectProcessor::SaveRecord(RecordStream& stream, bool clearDirty) {
  const RecordLayout& layout = Record();
  if (layout.FieldCount() > kMaxRecordFields) return kFail;
  std::int32_t fields[kMaxRecordFields];
  GetFields(fields);
  HResult hr = WriteRecord(stream, layout, fields);
  if (Failed(hr)) return hr;
  ScopedLock lock(paramLock_);
  dirty_ = !clearDirty;
  return kOk;
}

bool EffectProcessor::IsDirty() const {
  ScopedLock lock(paramLock_);
  return dirty_;
}

void EffectProcessor::SetFormats(const WaveFormat* in, const WaveFormat* out) {
  ScopedLock lock(paramLock_);
  const WaveFormat* given[2] = {in, out};
  for (int pin = 0; pin < 2; ++pin) {
    hasFormat_[pin] = given[pin] != nullptr;
    formats_[pin] = given[pin] ? *given[pin] : WaveFormat{};
  }
}

HResult EffectProcessor::GetFormat(WaveFormat* format, int pin) const {
  if (!format) return kPointer;
  ScopedLock lock(paramLock_);
  if (pin < 0 || pin > 1 || !hasFormat_[pin]) return kNotConnected;
  *format = formats_[pin];
  return kOk;
}

HResult EffectProcessor::SetNotifyWindow(WindowHandle window, std::uint32_t id) {
  ScopedLock lock(paramLock_);
  return notifier_.SetNotifyWindow(window, id);
}

void EffectProcessor::Notify(std::uint16_t code) {
  ScopedLock lock(paramLock_);
  notifier_.Notify(code);
}

}  // namespace orlofx

#include "framework/processor.h"

namespace orlofx {

EffectProcessor::EffectProcessor(int notificationSlots) : notifier_(notificationSlots) {}

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

#include "framework/notifier.h"

namespace orlofx {

Notifier::Notifier(int slotCount)
    : slotCount_(slotCount < 1 ? 1 : (slotCount > kMaxSlots ? kMaxSlots : slotCount)) {}

HResult Notifier::SetNotifyWindow(WindowHandle window, std::uint32_t id) {
  if (window == nullptr) return id == 0 ? kOk : kInvalidArg;

  Registration* slot = nullptr;
  for (int i = 0; i < slotCount_ && !slot; ++i)
    if (slots_[i].window == window) slot = &slots_[i];
  for (int i = slotCount_ - 1; i >= 0 && !slot; --i)
    if (slots_[i].window == nullptr) slot = &slots_[i];
  if (!slot) return id == 0 ? kOk : kOutOfMemory;

  slot->id = id;
  slot->window = id != 0 ? window : nullptr;
  return kOk;
}

void Notifier::Notify(std::uint16_t code) {
  for (int i = 0; i < slotCount_; ++i) {
    Registration& r = slots_[i];
    if (!r.window) continue;
    if (WindowAlive(r.window)) {
      PostCommand(r.window, static_cast<std::uint16_t>(r.id), code);
    } else {
      r = Registration{};
    }
  }
}

}  // namespace orlofx

// Change notifications from an effect to its open property pages.
//
// A page registers its window and a command id; when the settings or formats
// change by some path the page did not drive itself, the effect posts
// WM_COMMAND (id, code) to every registered window that still exists. Posting
// never waits on the window, so this may run under the parameter lock.
//
// The class does no locking of its own: its owner calls it under the
// processor's parameter lock.
#pragma once

#include <cstdint>

#include "support/platform.h"
#include "support/result.h"

namespace orlofx {

// Notification codes (the HIWORD of the posted command).
constexpr std::uint16_t kNotifyInputFormat = 0;
constexpr std::uint16_t kNotifyOutputFormat = 1;
constexpr std::uint16_t kNotifySettingsReplaced = 100;

class Notifier {
 public:
  static constexpr int kMaxSlots = 8;

  // slotCount registrations, clamped to 1..kMaxSlots, all empty.
  explicit Notifier(int slotCount = 2);

  // The registration that already holds `window` is reused, else the last
  // free one is taken. A non-zero id registers the window under that id; id 0
  // frees the window's registration. With no registration to use: kOutOfMemory
  // for a non-zero id, kOk for id 0. A null window with a non-zero id names
  // nothing to post to and gives kInvalidArg.
  HResult SetNotifyWindow(WindowHandle window, std::uint32_t id);

  // Posts (id, code) to each registered window that is still alive and drops
  // the registrations of windows that have gone.
  void Notify(std::uint16_t code);

  int SlotCount() const { return slotCount_; }
  // For tests and diagnostics: the window and id held by slot i.
  WindowHandle SlotWindow(int i) const { return slots_[i].window; }
  std::uint32_t SlotId(int i) const { return slots_[i].id; }

 private:
  struct Registration {
    WindowHandle window = nullptr;
    std::uint32_t id = 0;
  };
  Registration slots_[kMaxSlots];
  int slotCount_;
};

}  // namespace orlofx

// The few operating-system services the portable core needs.
//
// Each build links exactly one implementation: support/win/ uses the Win32
// calls (critical sections, events, threads, IsWindow/PostMessageW), while
// support/native/ uses the C++ standard library and records posted
// notifications so that native tests and the command-line tool can run the
// same processors.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlofx {

// A window handle as the core sees it: opaque, never dereferenced.
using WindowHandle = void*;

// A recursive lock held for a few instructions at a time (the processors'
// parameter locks). Not copyable.
class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter();
  void Leave();

 private:
  // Room for a CRITICAL_SECTION (24 or 40 bytes) or a std::recursive_mutex.
  alignas(16) unsigned char storage_[64];
};

class ScopedLock {
 public:
  explicit ScopedLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~ScopedLock() { cs_.Leave(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  CriticalSection& cs_;
};

// An auto-reset event.
class Event {
 public:
  Event();
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  // Waits until set, or until timeoutMs passes (negative: forever).
  // Returns true when the event was set.
  bool Wait(int timeoutMs = -1);

 private:
  alignas(16) unsigned char storage_[128];
};

// A worker thread running one function until it returns.
class Thread {
 public:
  using Entry = void (*)(void* context);
  Thread() = default;
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  bool Start(Entry entry, void* context);
  void Join();
  bool Running() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

// Number of processors the machine offers to this process (at least 1).
int ProcessorCount();

// Change notifications to property pages: WM_COMMAND posted to a window.
// WindowAlive tells whether the handle still names a window.
bool WindowAlive(WindowHandle window);
void PostCommand(WindowHandle window, std::uint16_t commandId, std::uint16_t code);

}  // namespace orlofx

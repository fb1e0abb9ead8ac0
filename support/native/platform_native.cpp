// Native implementation of the platform services (see support/platform.h).
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <set>
#include <thread>

#include "support/native/native_windows.h"
#include "support/platform.h"

namespace orlofx {

namespace {
struct EventState {
  std::mutex mutex;
  std::condition_variable cv;
  bool signalled = false;
};
static_assert(sizeof(std::recursive_mutex) <= 64, "CriticalSection storage too small");
static_assert(sizeof(EventState) <= 128, "Event storage too small");

std::recursive_mutex& MutexOf(unsigned char* storage) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}
EventState& EventOf(unsigned char* storage) {
  return *std::launder(reinterpret_cast<EventState*>(storage));
}
}  // namespace

CriticalSection::CriticalSection() { new (storage_) std::recursive_mutex(); }
CriticalSection::~CriticalSection() { MutexOf(storage_).~recursive_mutex(); }
void CriticalSection::Enter() { MutexOf(storage_).lock(); }
void CriticalSection::Leave() { MutexOf(storage_).unlock(); }

Event::Event() { new (storage_) EventState(); }
Event::~Event() { EventOf(storage_).~EventState(); }
void Event::Set() {
  EventState& e = EventOf(storage_);
  {
    std::lock_guard<std::mutex> lock(e.mutex);
    e.signalled = true;
  }
  e.cv.notify_one();
}
bool Event::Wait(int timeoutMs) {
  EventState& e = EventOf(storage_);
  std::unique_lock<std::mutex> lock(e.mutex);
  auto ready = [&e] { return e.signalled; };
  if (timeoutMs < 0) {
    e.cv.wait(lock, ready);
  } else if (!e.cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return false;
  }
  e.signalled = false;  // auto-reset
  return true;
}

Thread::~Thread() { Join(); }
bool Thread::Start(Entry entry, void* context) {
  if (handle_) return false;
  try {
    handle_ = new std::thread(entry, context);
  } catch (...) {
    handle_ = nullptr;
  }
  return handle_ != nullptr;
}
void Thread::Join() {
  if (!handle_) return;
  auto* t = static_cast<std::thread*>(handle_);
  if (t->joinable()) t->join();
  delete t;
  handle_ = nullptr;
}

int ProcessorCount() {
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

namespace {
std::mutex g_windowsMutex;
std::set<WindowHandle> g_windows;
std::vector<native::PostedCommand> g_posted;
std::uintptr_t g_nextWindow = 0x1000;
}  // namespace

bool WindowAlive(WindowHandle window) {
  std::lock_guard<std::mutex> lock(g_windowsMutex);
  return window != nullptr && g_windows.count(window) != 0;
}

void PostCommand(WindowHandle window, std::uint16_t commandId, std::uint16_t code) {
  std::lock_guard<std::mutex> lock(g_windowsMutex);
  if (g_windows.count(window)) g_posted.push_back({window, commandId, code});
}

namespace native {
WindowHandle CreateWindowStub() {
  std::lock_guard<std::mutex> lock(g_windowsMutex);
  g_nextWindow += 0x10;
  auto handle = reinterpret_cast<WindowHandle>(g_nextWindow);
  g_windows.insert(handle);
  return handle;
}
void DestroyWindowStub(WindowHandle window) {
  std::lock_guard<std::mutex> lock(g_windowsMutex);
  g_windows.erase(window);
}
std::vector<PostedCommand> TakePostedCommands() {
  std::lock_guard<std::mutex> lock(g_windowsMutex);
  std::vector<PostedCommand> out;
  out.swap(g_posted);
  return out;
}
}  // namespace native

}  // namespace orlofx

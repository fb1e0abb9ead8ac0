// Win32 implementation of the platform services (see support/platform.h).
#include <windows.h>

#include <new>

#include "support/platform.h"

namespace orlofx {

static_assert(sizeof(CRITICAL_SECTION) <= 64, "CriticalSection storage too small");

namespace {
CRITICAL_SECTION* CsOf(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}
HANDLE& EventHandleOf(unsigned char* storage) {
  return *std::launder(reinterpret_cast<HANDLE*>(storage));
}

struct ThreadStart {
  Thread::Entry entry;
  void* context;
};

DWORD WINAPI ThreadTrampoline(LPVOID param) {
  ThreadStart start = *static_cast<ThreadStart*>(param);
  HeapFree(GetProcessHeap(), 0, param);
  start.entry(start.context);
  return 0;
}
}  // namespace

CriticalSection::CriticalSection() { InitializeCriticalSection(CsOf(storage_)); }
CriticalSection::~CriticalSection() { DeleteCriticalSection(CsOf(storage_)); }
void CriticalSection::Enter() { EnterCriticalSection(CsOf(storage_)); }
void CriticalSection::Leave() { LeaveCriticalSection(CsOf(storage_)); }

Event::Event() { new (storage_) HANDLE(CreateEventW(nullptr, FALSE, FALSE, nullptr)); }
Event::~Event() {
  if (EventHandleOf(storage_)) CloseHandle(EventHandleOf(storage_));
}
void Event::Set() { SetEvent(EventHandleOf(storage_)); }
bool Event::Wait(int timeoutMs) {
  DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  return WaitForSingleObject(EventHandleOf(storage_), wait) == WAIT_OBJECT_0;
}

Thread::~Thread() { Join(); }
bool Thread::Start(Entry entry, void* context) {
  if (handle_) return false;
  auto* start = static_cast<ThreadStart*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadStart)));
  if (!start) return false;
  start->entry = entry;
  start->context = context;
  handle_ = CreateThread(nullptr, 0, ThreadTrampoline, start, 0, nullptr);
  if (!handle_) HeapFree(GetProcessHeap(), 0, start);
  return handle_ != nullptr;
}
void Thread::Join() {
  if (!handle_) return;
  WaitForSingleObject(static_cast<HANDLE>(handle_), INFINITE);
  CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

int ProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors == 0 ? 1 : static_cast<int>(info.dwNumberOfProcessors);
}

bool WindowAlive(WindowHandle window) { return window && IsWindow(static_cast<HWND>(window)); }

void PostCommand(WindowHandle window, std::uint16_t commandId, std::uint16_t code) {
  PostMessageW(static_cast<HWND>(window), WM_COMMAND, MAKEWPARAM(commandId, code), 0);
}

}  // namespace orlofx

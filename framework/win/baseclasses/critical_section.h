// CCritSec and CAutoLock: the recursive locks that guard filter state and the
// streaming path.
#pragma once

#include <windows.h>

class CCritSec {
 public:
  CCritSec() { InitializeCriticalSection(&m_CritSec); }
  ~CCritSec() { DeleteCriticalSection(&m_CritSec); }
  CCritSec(const CCritSec&) = delete;
  CCritSec& operator=(const CCritSec&) = delete;

  void Lock() { EnterCriticalSection(&m_CritSec); }
  void Unlock() { LeaveCriticalSection(&m_CritSec); }

  // True when the calling thread holds the lock (for checks in tests and
  // assertions; the owner field is maintained by the platform).
  bool IsOwnedByCurrentThread() const {
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(m_CritSec.OwningThread)) ==
           GetCurrentThreadId();
  }

 private:
  CRITICAL_SECTION m_CritSec;
};

inline BOOL CritCheckIn(const CCritSec* pcCrit) {
  return pcCrit != nullptr && pcCrit->IsOwnedByCurrentThread();
}

// Holds a CCritSec for the lifetime of the scope.
class CAutoLock {
 public:
  explicit CAutoLock(CCritSec* plock) : m_pLock(plock) { m_pLock->Lock(); }
  ~CAutoLock() { m_pLock->Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CCritSec* const m_pLock;
};

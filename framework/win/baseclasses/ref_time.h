// CRefTime: a reference time (100-ns units) with conversions to milliseconds.
#pragma once

#include <windows.h>
#include <strmif.h>

constexpr LONGLONG MILLISECONDS = 1000;         // per second
constexpr LONGLONG UNITS = 10000000;            // 100-ns units per second
constexpr LONGLONG MILLISECONDS_TO_100NS = 10000;

// The latest representable time: "no stop time".
constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFFLL;

class CRefTime {
 public:
  REFERENCE_TIME m_time = 0;

  CRefTime() = default;
  explicit CRefTime(LONG msecs) : m_time(msecs * MILLISECONDS_TO_100NS) {}
  CRefTime(REFERENCE_TIME rt) : m_time(rt) {}  // NOLINT: converts like the raw value

  operator REFERENCE_TIME() const { return m_time; }

  CRefTime& operator=(const REFERENCE_TIME& rt) {
    m_time = rt;
    return *this;
  }
  CRefTime& operator+=(const REFERENCE_TIME& rt) {
    m_time += rt;
    return *this;
  }
  CRefTime& operator-=(const REFERENCE_TIME& rt) {
    m_time -= rt;
    return *this;
  }

  // Whole milliseconds, rounded towards zero.
  LONG Millisecs() const { return static_cast<LONG>(m_time / MILLISECONDS_TO_100NS); }
  LONGLONG GetUnits() const { return m_time; }
};

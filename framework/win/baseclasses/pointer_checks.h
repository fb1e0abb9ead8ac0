// Argument checks and object names used throughout the base classes and by
// filters written against them.
#pragma once

#include <windows.h>

// Returns `ret` from the calling function when `p` is null.
#define CheckPointer(p, ret) \
  do {                       \
    if ((p) == nullptr) {    \
      return (ret);          \
    }                        \
  } while (0)

// Validation of caller memory beyond the null check is left to the platform.
#define ValidateReadPtr(p, cb) ((void)(p), (void)(cb))
#define ValidateWritePtr(p, cb) ((void)(p), (void)(cb))
#define ValidateReadWritePtr(p, cb) ((void)(p), (void)(cb))

// Object names exist for debugging only; this build does not keep them, so a
// name of either character width is accepted and dropped.
#define NAME(x) (static_cast<LPCTSTR>(nullptr))

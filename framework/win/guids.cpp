// The one definition of every identifier declared in guids.h.
// clang-format off
// Order matters: the platform headers first, without definitions; then
// initguid.h turns the declarations of guids.h into definitions.
#include <windows.h>
#include <initguid.h>
#include "framework/win/guids.h"
// clang-format on

// Result codes shared by the portable core and the Windows shell.
//
// The core never includes platform headers, yet its setters, loaders and
// processing entries return the same 32-bit values that COM callers see.
// The Windows build checks at compile time that every constant below equals
// the platform's own definition.
#pragma once

#include <cstdint>

namespace orlofx {

using HResult = std::int32_t;

constexpr HResult MakeFailure(std::uint32_t bits) { return static_cast<HResult>(bits); }

constexpr HResult kOk = 0;                                   // S_OK
constexpr HResult kFalse = 1;                                // S_FALSE
constexpr HResult kNotImplemented = MakeFailure(0x80004001u);  // E_NOTIMPL
constexpr HResult kNoInterface = MakeFailure(0x80004002u);     // E_NOINTERFACE
constexpr HResult kPointer = MakeFailure(0x80004003u);         // E_POINTER
constexpr HResult kFail = MakeFailure(0x80004005u);            // E_FAIL
constexpr HResult kUnexpected = MakeFailure(0x8000FFFFu);      // E_UNEXPECTED
constexpr HResult kOutOfMemory = MakeFailure(0x8007000Eu);     // E_OUTOFMEMORY
constexpr HResult kInvalidArg = MakeFailure(0x80070057u);      // E_INVALIDARG
constexpr HResult kNotConnected = MakeFailure(0x80040209u);    // VFW_E_NOT_CONNECTED
constexpr HResult kClassNotAvailable = MakeFailure(0x80040111u);  // CLASS_E_CLASSNOTAVAILABLE

constexpr bool Succeeded(HResult hr) { return hr >= 0; }
constexpr bool Failed(HResult hr) { return hr < 0; }

}  // namespace orlofx

// Helpers for the effect filter tests: calls through a raw vtable slot (so
// that a test checks the slot order hosts rely on, not just the names),
// records through IPersistStream over memory, a test signal, and the
// portable processor run in-process as the reference for a filter's output.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <dshow.h>
#include <mmreg.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/processor.h"

namespace orlofx::test {

// The function in vtable slot `slot` of a COM interface pointer.
template <typename Fn>
Fn SlotOf(void* object, int slot) {
  return reinterpret_cast<Fn>((*static_cast<void***>(object))[slot]);
}

using LongGetter = HRESULT(STDMETHODCALLTYPE*)(void* self, long* value);
using LongSetter = HRESULT(STDMETHODCALLTYPE*)(void* self, long value);

// Sets `value` through slot `setSlot` and reads it back through `getSlot`.
long SetAndGetThroughSlots(void* object, int setSlot, int getSlot, long value);

// What IPersistStream::Save writes (clear-dirty as given); empty on failure.
std::vector<BYTE> SaveToMemory(IPersistStream* persist, BOOL clearDirty = TRUE);
// IPersistStream::Load from these bytes.
HRESULT LoadFromMemory(IPersistStream* persist, const std::vector<BYTE>& bytes);

// Tones at a few frequencies with a quiet stretch, as interleaved bytes.
std::vector<BYTE> TestSignal(const WAVEFORMATEX& format, int frames);

// What `fx` makes of `input` fed in pieces of `pieceBytes` and drained.
// `before(pieceIndex)`, if given, runs before each piece (for changes
// mid-stream) and says whether the piece carries the discontinuity mark.
std::vector<BYTE> ProcessorOutput(EffectProcessor& fx, const WAVEFORMATEX& format,
                                  const std::vector<BYTE>& input, size_t pieceBytes,
                                  const std::function<bool(size_t)>& before = nullptr);

// Duration of `bytes` of the format in 100-ns units, rounded.
REFERENCE_TIME DurationOf(const WAVEFORMATEX& format, size_t bytes);

}  // namespace orlofx::test

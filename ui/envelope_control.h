// Envelope graph: an editable curve of points.
#pragma once

#include <windows.h>

namespace orlofx {

inline constexpr wchar_t kEnvelopeClassName[] = L"tovra2Bld314EnvelopeClass";

LRESULT CALLBACK EnvelopeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orlofx

// Pieces of the property-page frame that every page shares and that do not
// need a page object: the owner's scroll arithmetic, the logo bar set-up, the
// page menu and its presets. The controls' messages and scroll codes are
// those of ui/slider_core.h and ui/logo_control.h.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string>

#include "ui/logo_control.h"
#include "ui/slider_core.h"

namespace orlofx {

// Ids shared by every page.
constexpr int kLogoBarId = 2;
constexpr WORD kNotifyCommand = 32700;  // the filter's change notifications
constexpr int kFirstPresetCommand = 40500;
constexpr int kLastPresetCommand = 40999;
constexpr int kHelpCommand = 41000;
constexpr int kAboutCommand = 41001;
constexpr int kMaxListedPresets = 500;

struct SliderState {
  long position;
  long minimum;
  long maximum;
};

// The owner's new value for a slider notification. `page` 0 means a tenth of
// the range (at least 1); `ctrl` multiplies the page by 10. Codes that carry
// no step keep the position; the result is clamped to the range.
long TrackbarScrollValue(const SliderState& slider, int code, long line, long page, bool vertical,
                         bool ctrl);
// The fader is always vertical and grows upward; Home goes to 0 on a range
// that spans it, to the maximum otherwise or with Ctrl.
long FaderScrollValue(const SliderState& slider, int code, long line, long page, bool ctrl);

// Reads position and range from a slider window.
SliderState ReadSlider(HWND slider);

// The display name without the brand word "Orlo": a leading or inner
// "Orlo " is cut out, else a trailing "Orlo"; other names are unchanged.
std::wstring RemoveBrandWord(const std::wstring& name);

// Doubles every '&' so that a menu shows it instead of underlining.
std::wstring EscapeAmpersands(const std::wstring& text);

// Where a menu opened from the keyboard appears: half way across the window
// rectangle, a quarter of the way down.
POINT KeyboardMenuPoint(const RECT& windowRect);

// Empties the readout `readoutId` of `dialog` once the pointer is neither
// over graph `graphId` nor held by it (a page's timer asks); returns whether
// the readout is empty.
bool ClearReadoutAwayFromGraph(HWND dialog, int graphId, int readoutId);

// A face of the font of `window` (WM_GETFONT, else the GUI font) at
// `percent` of its height, for texts that must fit narrow columns. The
// caller deletes it; null when it cannot be made.
HFONT CreateSmallerFont(HWND window, int percent);

// Resets the logo bar `logoId` of `dialog`, adds its About and "?" buttons
// and shows the name of string nameId without the brand word.
void SetupLogoBar(HWND dialog, int logoId, int nameId);

// The page menu: Presets (filled from `object`'s IStaticFilterPreset, when it
// has one), a separator, Help and About. The caller destroys it.
HMENU CreatePageMenu(IUnknown* object);

// Applies preset `index` (counting from 0) of `object`, when it offers
// presets. Returns the filter's result, or the failed query's.
HRESULT ApplyPresetOf(IUnknown* object, long index);

}  // namespace orlofx

// IAkPlugInProp2 as Multi-Band Dynamics offers it: the effect's property
// interface for hosts and its two property pages. Graphic Dynamics answers
// the same identifier with its own flavour, so each flavour lives in its
// effect's namespace.
//
// The slot order is part of the interface (slot numbers after the three
// IUnknown slots in the comments). Each automatable parameter has five
// operations: get, set (clamped, succeeds), begin edit, end edit, and
// is-editable (S_OK, or S_FALSE while an automation envelope drives it).
// Band numbers passed to the per-band operations are 1 to 4, clamped.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

#include "effects/mbdyn/mbdyn_params.h"

namespace mbdyn {

using orlofx::MbdynParams;

// The stream time and the four band meter values of one 20 ms block.
struct MeterSnapshot {
  LONGLONG time;  // 100-ns units since start of streaming
  long values[4];
};

#define ORLOFX_MBDYN_PROP_SLOTS(Name)                                  \
  virtual HRESULT STDMETHODCALLTYPE Get##Name(long* value) = 0;        \
  virtual HRESULT STDMETHODCALLTYPE Set##Name(long value) = 0;         \
  virtual HRESULT STDMETHODCALLTYPE BeginEdit##Name() = 0;             \
  virtual HRESULT STDMETHODCALLTYPE EndEdit##Name() = 0;               \
  virtual HRESULT STDMETHODCALLTYPE Is##Name##Editable() = 0;

#define ORLOFX_MBDYN_BAND_SLOTS(Name)       \
  ORLOFX_MBDYN_PROP_SLOTS(Band1##Name)      \
  ORLOFX_MBDYN_PROP_SLOTS(Band2##Name)      \
  ORLOFX_MBDYN_PROP_SLOTS(Band3##Name)      \
  ORLOFX_MBDYN_PROP_SLOTS(Band4##Name)

struct IAkPlugInProp2 : public IUnknown {
  // 3, 4: the whole 212-byte record (43 parameters, then the page words)
  virtual HRESULT STDMETHODCALLTYPE GetAllProps(MbdynParams* props) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAllProps(const MbdynParams* props) = 0;
  // 5: pin 0 input, 1 output; VFW_E_NOT_CONNECTED without a format
  virtual HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format, int pin) = 0;
  // 6: id 0 removes the window; E_OUTOFMEMORY when all four places are taken
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, UINT id) = 0;
  // 7 to 10
  virtual HRESULT STDMETHODCALLTYPE GetEnableMeters(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEnableMeters(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCaptureThreshold(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCaptureThreshold(long value) = 0;
  // 11 to 15: output gain, tenths of a dB
  ORLOFX_MBDYN_PROP_SLOTS(OutputGain)
  // 16 to 35 threshold, 36 to 55 type, 56 to 75 amount, 76 to 95 attack,
  // 96 to 115 release, 116 to 135 gain, 136 to 155 width, 156 to 175 center,
  // 176 to 195 band bypass (bands 1 to 4 each)
  ORLOFX_MBDYN_BAND_SLOTS(Threshold)
  ORLOFX_MBDYN_BAND_SLOTS(Type)
  ORLOFX_MBDYN_BAND_SLOTS(Amount)
  ORLOFX_MBDYN_BAND_SLOTS(Attack)
  ORLOFX_MBDYN_BAND_SLOTS(Release)
  ORLOFX_MBDYN_BAND_SLOTS(Gain)
  ORLOFX_MBDYN_BAND_SLOTS(Width)
  ORLOFX_MBDYN_BAND_SLOTS(Center)
  ORLOFX_MBDYN_BAND_SLOTS(Bypass)
  // 196 to 200
  ORLOFX_MBDYN_PROP_SLOTS(StereoSync)
  // 201 to 220
  ORLOFX_MBDYN_BAND_SLOTS(Solo)
  // 221 to 225: the whole effect
  ORLOFX_MBDYN_PROP_SLOTS(Bypass)
  // 226, 227: 0 none, 1 bands 1 and 2, 2 bands 3 and 4
  virtual HRESULT STDMETHODCALLTYPE GetVisiblePage(long* page) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetVisiblePage(long page) = 0;
  // 228: the band's largest meter value since the last call (then reset)
  virtual HRESULT STDMETHODCALLTYPE GetMeterMaximum(long band, long* value) = 0;
  // 229: the band's meter value of the newest block
  virtual HRESULT STDMETHODCALLTYPE GetMeterLevel(long band, long* value) = 0;
  // 230 to 233: the two display words of a band (offsets 152 and 168)
  virtual HRESULT STDMETHODCALLTYPE GetDisplayWord1(long band, long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDisplayWord1(long band, long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayWord2(long band, long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDisplayWord2(long band, long value) = 0;
  // 234: the newest snapshot at or before `time`; S_FALSE when none is kept
  virtual HRESULT STDMETHODCALLTYPE GetMeterAt(LONGLONG time, MeterSnapshot* snapshot) = 0;
  // 235: snapshot `age` blocks back (0 the newest, up to 63); S_FALSE if none
  virtual HRESULT STDMETHODCALLTYPE GetMeterHistory(long age, MeterSnapshot* snapshot) = 0;
  // 236, 237: 0 the band's input, 1 its output (not persisted)
  virtual HRESULT STDMETHODCALLTYPE GetMeterSource(long band, long* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMeterSource(long band, long source) = 0;
  // 238 to 241: reserved, E_NOTIMPL
  virtual HRESULT STDMETHODCALLTYPE Reserved238() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved239() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved240() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved241() = 0;
  // 242: the active bands of the visible page take their captured meter
  // maxima as thresholds; *changed 1 when one changed
  virtual HRESULT STDMETHODCALLTYPE ApplyCapturedThresholds(long* changed) = 0;
  // 243: captured maxima back to -600
  virtual HRESULT STDMETHODCALLTYPE ResetMeterMaxima() = 0;
};

#undef ORLOFX_MBDYN_BAND_SLOTS
#undef ORLOFX_MBDYN_PROP_SLOTS

}  // namespace mbdyn

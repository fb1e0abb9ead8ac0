// IAkGeqProp: the Graphic EQ's property interface, as hosts and the three
// property pages call it. The slot order is part of the interface: whole
// record, format, notifications, the twenty band gains (getter, setter),
// accuracy, point count, output gain, sample rate, then the envelope.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

#include "effects/geq/geq_params.h"

using orlofx::GeqParams;
using orlofx::GeqPoint;

// Getter and setter of one fader band's gain (tenths of a dB, -480..240).
#define ORLOFX_GEQ_BAND_SLOTS(n)                                   \
  virtual HRESULT STDMETHODCALLTYPE GetBand##n##Gain(long* value) = 0; \
  virtual HRESULT STDMETHODCALLTYPE SetBand##n##Gain(long value) = 0;

struct IAkGeqProp : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetParams(GeqParams* params) = 0;
  // Stores all 151 fields (setting a restart) and clamps them.
  virtual HRESULT STDMETHODCALLTYPE SetParams(const GeqParams* params) = 0;
  // pin 0 input, 1 output; VFW_E_NOT_CONNECTED without a format.
  virtual HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format, int pin) = 0;
  // Six registrations, so that all three pages can be open at once.
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, UINT id) = 0;
  ORLOFX_GEQ_BAND_SLOTS(1)
  ORLOFX_GEQ_BAND_SLOTS(2)
  ORLOFX_GEQ_BAND_SLOTS(3)
  ORLOFX_GEQ_BAND_SLOTS(4)
  ORLOFX_GEQ_BAND_SLOTS(5)
  ORLOFX_GEQ_BAND_SLOTS(6)
  ORLOFX_GEQ_BAND_SLOTS(7)
  ORLOFX_GEQ_BAND_SLOTS(8)
  ORLOFX_GEQ_BAND_SLOTS(9)
  ORLOFX_GEQ_BAND_SLOTS(10)
  ORLOFX_GEQ_BAND_SLOTS(11)
  ORLOFX_GEQ_BAND_SLOTS(12)
  ORLOFX_GEQ_BAND_SLOTS(13)
  ORLOFX_GEQ_BAND_SLOTS(14)
  ORLOFX_GEQ_BAND_SLOTS(15)
  ORLOFX_GEQ_BAND_SLOTS(16)
  ORLOFX_GEQ_BAND_SLOTS(17)
  ORLOFX_GEQ_BAND_SLOTS(18)
  ORLOFX_GEQ_BAND_SLOTS(19)
  ORLOFX_GEQ_BAND_SLOTS(20)
  virtual HRESULT STDMETHODCALLTYPE GetAccuracy(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAccuracy(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPointCount(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPointCount(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutputGain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOutputGain(long value) = 0;
  // The input format's rate, 44100 while the input is not connected.
  virtual HRESULT STDMETHODCALLTYPE GetSampleRate(DWORD* rate) = 0;
  // Copies `count` points (at most 64 are kept); a count below 2 is refused
  // with E_INVALIDARG.
  virtual HRESULT STDMETHODCALLTYPE SetEnvelope(const GeqPoint* points, DWORD count) = 0;
  // `points` must hold 64 points.
  virtual HRESULT STDMETHODCALLTYPE GetEnvelope(GeqPoint* points, DWORD* count) = 0;
};

#undef ORLOFX_GEQ_BAND_SLOTS

// IAkPmeqProp: the Parametric EQ's property interface, as hosts and the
// property page call it. The slot order is part of the interface: whole
// record, format, notifications, then one getter and setter per field.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

#include "effects/pmeq/pmeq_params.h"

using orlofx::PmeqParams;

struct IAkPmeqProp : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetParams(PmeqParams* params) = 0;
  // Stores all six fields (setting a restart), then clamps frequency, width
  // and amount; type, output gain and accuracy are kept as given.
  virtual HRESULT STDMETHODCALLTYPE SetParams(const PmeqParams* params) = 0;
  // pin 0 input, 1 output; VFW_E_NOT_CONNECTED without a format.
  virtual HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format, int pin) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, UINT id) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFilterType(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFilterType(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAccuracy(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAccuracy(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFrequency(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFrequency(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWidth(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetWidth(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAmount(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAmount(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutputGain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOutputGain(long value) = 0;
};

// IAkNoisgtProp: the Noise Gate's property interface, as hosts and the
// property page call it.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

#include "effects/noisgt/noisgt_params.h"

using orlofx::NoisgtParams;

struct IAkNoisgtProp : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetParams(NoisgtParams* params) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParams(const NoisgtParams* params) = 0;
  // pin 0 input, 1 output; VFW_E_NOT_CONNECTED without a format.
  virtual HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format, int pin) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, UINT id) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttack(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAttack(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRelease(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRelease(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetThreshold(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThreshold(long value) = 0;
};

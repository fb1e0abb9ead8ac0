// CAkNoisgt: the Noise Gate filter, the shared transform frame around the
// portable CAkNoisgtTransform, with IAkNoisgtProp.
#pragma once

#include "effects/noisgt/noisgt_transform.h"
#include "effects/noisgt/win/noisgt_prop.h"
#include "framework/win/effect_filter.h"

class CAkNoisgt : public CAkEffectFilter, public IAkNoisgtProp {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IAkNoisgtProp
  STDMETHODIMP GetParams(NoisgtParams* params) override;
  STDMETHODIMP SetParams(const NoisgtParams* params) override;
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override;
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override;
  STDMETHODIMP GetAttack(long* value) override;
  STDMETHODIMP SetAttack(long value) override;
  STDMETHODIMP GetRelease(long* value) override;
  STDMETHODIMP SetRelease(long value) override;
  STDMETHODIMP GetThreshold(long* value) override;
  STDMETHODIMP SetThreshold(long value) override;

 private:
  CAkNoisgt(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup);

  orlofx::CAkNoisgtTransform transform_;
};

// The input pin keeps the effect's own name.
using CAkNoisgtInputPin = CAkEffectInputPin;

// CAkPmeq: the Parametric EQ filter, the shared transform frame around the
// portable CAkPmeqTransform, with IAkPmeqProp.
//
// The FIR engine holds back up to one block (128, 512 or 2048 frames by the
// accuracy); the frame's end-of-stream drain delivers what it still holds,
// so the output has exactly the input's length.
#pragma once

#include "effects/pmeq/pmeq_transform.h"
#include "effects/pmeq/win/pmeq_prop.h"
#include "framework/win/effect_filter.h"

class CAkPmeq : public CAkEffectFilter, public IAkPmeqProp {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IAkPmeqProp
  STDMETHODIMP GetParams(PmeqParams* params) override;
  STDMETHODIMP SetParams(const PmeqParams* params) override;
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override;
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override;
  STDMETHODIMP GetFilterType(long* value) override;
  STDMETHODIMP SetFilterType(long value) override;
  STDMETHODIMP GetAccuracy(long* value) override;
  STDMETHODIMP SetAccuracy(long value) override;
  STDMETHODIMP GetFrequency(long* value) override;
  STDMETHODIMP SetFrequency(long value) override;
  STDMETHODIMP GetWidth(long* value) override;
  STDMETHODIMP SetWidth(long value) override;
  STDMETHODIMP GetAmount(long* value) override;
  STDMETHODIMP SetAmount(long value) override;
  STDMETHODIMP GetOutputGain(long* value) override;
  STDMETHODIMP SetOutputGain(long value) override;

  // The processor, for tests that read the engine's state.
  orlofx::CAkPmeqTransform& Transform() { return transform_; }

 private:
  CAkPmeq(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup);

  orlofx::CAkPmeqTransform transform_;
};

// The input pin keeps the effect's own name.
using CAkPmeqInputPin = CAkEffectInputPin;

// CAkPmeq: the Parametric EQ filter, the shared transform frame around the
// portable CAkPmeqTransform, with IAkPmeqProp.
//
// The FIR engine holds back up to one block (128, 512 or 2048 frames by the
// accuracy); the frame's end-of-stream drain delivers what it still holds,
// so the output has exactly the input's length.
#pragma once

#include "effects/pmeq/pmeq_transform.h"
#include "effects/pmeq/win/pmeq_prop.h"
#include "framework/win/effect.h"

class CAkPmeq : public CAkEffect<CAkPmeq, orlofx::CAkPmeqTransform, IAkPmeqProp> {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  // IAkPmeqProp
  STDMETHODIMP GetParams(PmeqParams* params) override { return GetRecord(params); }
  STDMETHODIMP SetParams(const PmeqParams* params) override { return SetRecord(params); }
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override { return FormatOf(format, pin); }
  STDMETHODIMP GetFilterType(long* v) override { return Get<&Processor::GetFilterType>(v); }
  STDMETHODIMP SetFilterType(long v) override { return Call<&Processor::SetFilterType>(v); }
  STDMETHODIMP GetAccuracy(long* v) override { return Get<&Processor::GetAccuracy>(v); }
  STDMETHODIMP SetAccuracy(long v) override { return Call<&Processor::SetAccuracy>(v); }
  STDMETHODIMP GetFrequency(long* v) override { return Get<&Processor::GetFrequency>(v); }
  STDMETHODIMP SetFrequency(long v) override { return Call<&Processor::SetFrequency>(v); }
  STDMETHODIMP GetWidth(long* v) override { return Get<&Processor::GetWidth>(v); }
  STDMETHODIMP SetWidth(long v) override { return Call<&Processor::SetWidth>(v); }
  STDMETHODIMP GetAmount(long* v) override { return Get<&Processor::GetAmount>(v); }
  STDMETHODIMP SetAmount(long v) override { return Call<&Processor::SetAmount>(v); }
  STDMETHODIMP GetOutputGain(long* v) override { return Get<&Processor::GetOutputGain>(v); }
  STDMETHODIMP SetOutputGain(long v) override { return Call<&Processor::SetOutputGain>(v); }
};

// The input pin keeps the effect's own name.
using CAkPmeqInputPin = CAkEffectInputPin;

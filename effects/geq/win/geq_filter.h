// CAkGeq: the Graphic EQ filter, the shared transform frame around the
// portable CAkGeqTransform, with IAkGeqProp.
//
// Like the Parametric EQ it holds back up to one block, which the frame's
// end-of-stream drain delivers. A whole-record set, the accuracy and the
// point count re-prepare the stream (new FFT size); every other change,
// envelope included, is designed into a new kernel while the old one plays.
#pragma once

#include "effects/geq/geq_transform.h"
#include "effects/geq/win/geq_prop.h"
#include "framework/win/effect.h"

class CAkGeq : public CAkEffect<CAkGeq, orlofx::CAkGeqTransform, IAkGeqProp> {
 public:
  static const EffectDescription kDescription;
  using CAkEffect::CAkEffect;

  // IAkGeqProp
  STDMETHODIMP GetParams(GeqParams* params) override { return GetRecord(params); }
  STDMETHODIMP SetParams(const GeqParams* params) override { return SetRecord(params); }
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override { return FormatOf(format, pin); }
  ORLOFX_INDEXED_SLOTS(Band1Gain, BandGain, 0)
  ORLOFX_INDEXED_SLOTS(Band2Gain, BandGain, 1)
  ORLOFX_INDEXED_SLOTS(Band3Gain, BandGain, 2)
  ORLOFX_INDEXED_SLOTS(Band4Gain, BandGain, 3)
  ORLOFX_INDEXED_SLOTS(Band5Gain, BandGain, 4)
  ORLOFX_INDEXED_SLOTS(Band6Gain, BandGain, 5)
  ORLOFX_INDEXED_SLOTS(Band7Gain, BandGain, 6)
  ORLOFX_INDEXED_SLOTS(Band8Gain, BandGain, 7)
  ORLOFX_INDEXED_SLOTS(Band9Gain, BandGain, 8)
  ORLOFX_INDEXED_SLOTS(Band10Gain, BandGain, 9)
  ORLOFX_INDEXED_SLOTS(Band11Gain, BandGain, 10)
  ORLOFX_INDEXED_SLOTS(Band12Gain, BandGain, 11)
  ORLOFX_INDEXED_SLOTS(Band13Gain, BandGain, 12)
  ORLOFX_INDEXED_SLOTS(Band14Gain, BandGain, 13)
  ORLOFX_INDEXED_SLOTS(Band15Gain, BandGain, 14)
  ORLOFX_INDEXED_SLOTS(Band16Gain, BandGain, 15)
  ORLOFX_INDEXED_SLOTS(Band17Gain, BandGain, 16)
  ORLOFX_INDEXED_SLOTS(Band18Gain, BandGain, 17)
  ORLOFX_INDEXED_SLOTS(Band19Gain, BandGain, 18)
  ORLOFX_INDEXED_SLOTS(Band20Gain, BandGain, 19)
  ORLOFX_FIELD_SLOTS(Accuracy)
  ORLOFX_FIELD_SLOTS(PointCount)
  ORLOFX_FIELD_SLOTS(OutputGain)
  STDMETHODIMP GetSampleRate(DWORD* rate) override {
    return Get<&Processor::GetSampleRate, std::uint32_t>(rate);
  }
  STDMETHODIMP SetEnvelope(const GeqPoint* points, DWORD count) override {
    return Call<&Processor::SetEnvelope>(points, count);
  }
  STDMETHODIMP GetEnvelope(GeqPoint* points, DWORD* count) override {
    return Get<&Processor::GetEnvelope, std::uint32_t>(count, points);
  }
};

// The input pin keeps the effect's own name.
using CAkGeqInputPin = CAkEffectInputPin;

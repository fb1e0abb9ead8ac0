// CAkPgeq: the Paragraphic EQ filter. An in-place filter: each received
// sample is processed where it lies by the portable CAkPgeqTransform and
// delivered as it is, with no latency and no copy.
//
//   upstream ──► Input ──Receive──► Transform(sample): processor on the sample's own buffer
//                                        │
//   downstream ◄── Output ◄── the same sample
//
// One normalised format serves both pins. Besides IAkPgeqProp and the
// shared effect interfaces it offers IAkAudioTransformFloat, which runs the
// same processor on plain float buffers.
#pragma once

#include "effects/pgeq/pgeq_transform.h"
#include "effects/pgeq/win/pgeq_prop.h"
#include "framework/win/baseclasses/streams.h"
#include "framework/win/effect_interfaces.h"

// IMediaFilter and IAkAudioTransformFloat both have a Stop(): this gives the
// float interface's its own name, so that the graph's Stop stays the
// filter's and a host's float Stop never stops the graph.
class CAkAudioTransformFloatStop : public IAkAudioTransformFloat {
 public:
  STDMETHODIMP Stop() final { return StopFloatStream(); }

 protected:
  virtual ~CAkAudioTransformFloatStop() = default;
  virtual HRESULT StopFloatStream() = 0;
};

class CAkPgeq : public CTransInPlaceFilter,
                public CAkEffectInterfaces,
                public IAkPgeqProp,
                public CAkAudioTransformFloatStop {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // CTransInPlaceFilter
  LPAMOVIESETUP_FILTER GetSetupData() override;
  HRESULT CheckInputType(const CMediaType* type) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT Transform(IMediaSample* sample) override;
  HRESULT Receive(IMediaSample* sample) override;

  // IBaseFilter / IPersist
  STDMETHODIMP GetClassID(CLSID* classId) override { return ClassId(classId); }

  // IAkPgeqProp
  STDMETHODIMP GetParams(PgeqParams* params) override;
  STDMETHODIMP SetParams(const PgeqParams* params) override;
  STDMETHODIMP GetFormat(WAVEFORMATEX* format) override;
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override;
  STDMETHODIMP GetDryOut(long* value) override;
  STDMETHODIMP SetDryOut(long value) override;
  STDMETHODIMP GetWetOut(long* value) override;
  STDMETHODIMP SetWetOut(long value) override;
  STDMETHODIMP GetBand1Gain(long* value) override { return GetBandGain(value, 0); }
  STDMETHODIMP SetBand1Gain(long value) override { return transform_.SetBandGain(0, value); }
  STDMETHODIMP GetBand2Gain(long* value) override { return GetBandGain(value, 1); }
  STDMETHODIMP SetBand2Gain(long value) override { return transform_.SetBandGain(1, value); }
  STDMETHODIMP GetBand3Gain(long* value) override { return GetBandGain(value, 2); }
  STDMETHODIMP SetBand3Gain(long value) override { return transform_.SetBandGain(2, value); }
  STDMETHODIMP GetBand4Gain(long* value) override { return GetBandGain(value, 3); }
  STDMETHODIMP SetBand4Gain(long value) override { return transform_.SetBandGain(3, value); }
  STDMETHODIMP GetBand1Width(long* value) override { return GetBandWidth(value, 0); }
  STDMETHODIMP SetBand1Width(long value) override { return transform_.SetBandWidth(0, value); }
  STDMETHODIMP GetBand2Width(long* value) override { return GetBandWidth(value, 1); }
  STDMETHODIMP SetBand2Width(long value) override { return transform_.SetBandWidth(1, value); }
  STDMETHODIMP GetBand3Width(long* value) override { return GetBandWidth(value, 2); }
  STDMETHODIMP SetBand3Width(long value) override { return transform_.SetBandWidth(2, value); }
  STDMETHODIMP GetBand4Width(long* value) override { return GetBandWidth(value, 3); }
  STDMETHODIMP SetBand4Width(long value) override { return transform_.SetBandWidth(3, value); }
  STDMETHODIMP GetBand1Center(long* value) override { return GetBandCenter(value, 0); }
  STDMETHODIMP SetBand1Center(long value) override { return transform_.SetBandCenter(0, value); }
  STDMETHODIMP GetBand2Center(long* value) override { return GetBandCenter(value, 1); }
  STDMETHODIMP SetBand2Center(long value) override { return transform_.SetBandCenter(1, value); }
  STDMETHODIMP GetBand3Center(long* value) override { return GetBandCenter(value, 2); }
  STDMETHODIMP SetBand3Center(long value) override { return transform_.SetBandCenter(2, value); }
  STDMETHODIMP GetBand4Center(long* value) override { return GetBandCenter(value, 3); }
  STDMETHODIMP SetBand4Center(long value) override { return transform_.SetBandCenter(3, value); }
  STDMETHODIMP GetLowShelfEnable(long* value) override;
  STDMETHODIMP SetLowShelfEnable(long value) override;
  STDMETHODIMP GetHighShelfEnable(long* value) override;
  STDMETHODIMP SetHighShelfEnable(long value) override;
  STDMETHODIMP GetLowShelfFrequency(long* value) override;
  STDMETHODIMP SetLowShelfFrequency(long value) override;
  STDMETHODIMP GetHighShelfFrequency(long* value) override;
  STDMETHODIMP SetHighShelfFrequency(long value) override;
  STDMETHODIMP GetLowShelfGain(long* value) override;
  STDMETHODIMP SetLowShelfGain(long value) override;
  STDMETHODIMP GetHighShelfGain(long* value) override;
  STDMETHODIMP SetHighShelfGain(long value) override;
  STDMETHODIMP GetHighlightBand(long* value) override;
  STDMETHODIMP SetHighlightBand(long value) override;
  STDMETHODIMP GetBandCenter(long* value, long band) override;
  STDMETHODIMP GetBandGain(long* value, long band) override;
  STDMETHODIMP GetBandWidth(long* value, long band) override;

  // IAkAudioTransformFloat
  STDMETHODIMP Init(WORD channels, DWORD rate) override;
  STDMETHODIMP Process(float* samples, DWORD frames, BOOL drain) override;
  STDMETHODIMP QueryValue(DWORD which, DWORD* value) override;
  STDMETHODIMP IsChanged() override;
  STDMETHODIMP Update(BOOL reset, DWORD, DWORD) override;
  // The graph's Stop, named here so that it is not ambiguous.
  using CTransInPlaceFilter::Stop;

 protected:
  HRESULT StopFloatStream() override;

 private:
  CAkPgeq(LPUNKNOWN outer, HRESULT* result, const AMOVIESETUP_FILTER* setup);
  // Stores the format a sample announces on both pins; the error for one
  // the effect or the downstream pin refuses.
  HRESULT AcceptSampleType(const AM_MEDIA_TYPE& announced);

  orlofx::CAkPgeqTransform transform_;
  const AMOVIESETUP_FILTER* setup_;
  // The one format of both pins, normalised.
  orlofx::WaveFormat format_ = {};
  bool hasFormat_ = false;
  // The format the processor was prepared for: samples are read in it, and
  // a stored format that differs prepares the processor anew first.
  orlofx::WaveFormat streamFormat_ = {};
};

// The DirectShow frame of an in-place effect (the Paragraphic EQ): each
// received sample is processed where it lies and delivered as it is, with
// no latency and no copy.
//
//   upstream ──► Input ──Receive──► Transform(sample): processor on the sample's own buffer
//                                        │
//   downstream ◄── Output ◄── the same sample
//
// One normalised format serves both pins. The media-type rules are those of
// the transform frame (CheckEffectInputType); the in-place pins hand each
// side the other's type. A concrete effect is CAkEffect over this frame
// (framework/win/effect.h).
#pragma once

#include "framework/processor.h"
#include "framework/win/baseclasses/streams.h"
#include "framework/win/effect_interfaces.h"

class CAkInPlaceEffectFilter : public CAkEffectFrame<CTransInPlaceFilter> {
 public:
  // CTransInPlaceFilter
  HRESULT CheckInputType(const CMediaType* type) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT Transform(IMediaSample* sample) override;
  HRESULT Receive(IMediaSample* sample) override;

 protected:
  // `description` must outlive the filter (a constant of the effect);
  // `processor` may still be under construction: it is only bound here.
  CAkInPlaceEffectFilter(LPUNKNOWN outer, orlofx::EffectProcessor& processor,
                         const EffectDescription& description, const AMOVIESETUP_FILTER* setup);

 private:
  // Stores the format a sample announces on both pins; the error for one
  // the effect or the downstream pin refuses.
  HRESULT AcceptSampleType(const AM_MEDIA_TYPE& announced);

  // The one format of both pins, normalised.
  orlofx::WaveFormat format_ = {};
  bool hasFormat_ = false;
  // The format the processor was prepared for: samples are read in it, and
  // a stored format that differs prepares the processor anew first.
  orlofx::WaveFormat streamFormat_ = {};
};

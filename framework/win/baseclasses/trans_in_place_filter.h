// CTransInPlaceFilter: a transform filter that modifies each sample where it
// lies (Transform(IMediaSample*)) and delivers that same sample.
//
// Input and output carry the same media type; when one pin connects with a
// type different from its sibling's, the filter asks the graph to reconnect
// the sibling with the new type. A sample is copied into an output buffer
// first only when the two connections use different allocators, or when
// upstream marked its samples read-only and the filter modifies data.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "framework/win/baseclasses/trans_in_place_pins.h"
#include "framework/win/baseclasses/transform_filter.h"

class CTransInPlaceFilter : public CTransformFilter {
  friend class CTransInPlaceInputPin;
  friend class CTransInPlaceOutputPin;

 public:
  // bModifiesData false declares a filter that only inspects samples, which
  // may then pass read-only samples on untouched.
  CTransInPlaceFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid, HRESULT* phr,
                      bool bModifiesData = true);

  // "Input" and "Output", created on first use.
  CBasePin* GetPin(int n) override;

  // The pins offer their neighbours' types instead; never called.
  HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
  // Mirrors the input allocator's properties, or asks for one byte as a
  // placeholder while the input is not connected.
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProperties) override;
  // Input and output types are the same by construction.
  HRESULT CheckTransform(const CMediaType* mtIn, const CMediaType* mtOut) override;
  // Reconnects the sibling pin when the types differ.
  HRESULT CompleteConnect(PIN_DIRECTION dir, IPin* pReceivePin) override;
  HRESULT Receive(IMediaSample* pSample) override;

  using CTransformFilter::Transform;
  // Processes the sample in place. S_FALSE: do not deliver it.
  virtual HRESULT Transform(IMediaSample* pSample) = 0;

 protected:
  // A new output sample carrying pSource's data, times and marks; null on
  // failure (no buffer, or data larger than the buffer).
  IMediaSample* Copy(IMediaSample* pSource);
  bool UsingDifferentAllocators() const;

  CTransInPlaceInputPin* InputPin() const { return static_cast<CTransInPlaceInputPin*>(m_pInput); }
  CTransInPlaceOutputPin* OutputPin() const {
    return static_cast<CTransInPlaceOutputPin*>(m_pOutput);
  }

  const bool m_bModifiesData;
};

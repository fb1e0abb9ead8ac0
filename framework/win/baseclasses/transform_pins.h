// The pins of CTransformFilter. They hand every decision to the filter:
// connection checks and types (CheckInputType, CheckTransform,
// GetMediaType, SetMediaType, CheckConnect, BreakConnect, CompleteConnect),
// buffer sizes (DecideBufferSize), quality messages (AlterQuality) and the
// stream itself (Receive, EndOfStream, BeginFlush, EndFlush, NewSegment).
//
// The input pin holds the filter's receive lock around Receive and
// EndOfStream; connection calls run under the filter lock.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "framework/win/baseclasses/base_input_pin.h"
#include "framework/win/baseclasses/base_output_pin.h"

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
  friend class CTransformFilter;

 public:
  CTransformInputPin(LPCTSTR pObjectName, CTransformFilter* pTransformFilter, HRESULT* phr,
                     LPCWSTR pName);

  // The filter's CheckInputType; with the output connected also
  // CheckTransform against the output type.
  HRESULT CheckMediaType(const CMediaType* mtIn) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT CheckConnect(IPin* pPin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* pReceivePin) override;
  // Also requires the output pin to be connected.
  HRESULT CheckStreaming() override;

  STDMETHODIMP Receive(IMediaSample* pSample) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

 protected:
  CTransformFilter* const m_pTransformFilter;
};

class CTransformOutputPin : public CBaseOutputPin {
  friend class CTransformFilter;

 public:
  CTransformOutputPin(LPCTSTR pObjectName, CTransformFilter* pTransformFilter, HRESULT* phr,
                      LPCWSTR pName);
  ~CTransformOutputPin() override;

  // Also IMediaSeeking, passed through to the filter upstream (CPosPassThru).
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // The filter's CheckTransform against the input type (E_UNEXPECTED while
  // the input is not connected).
  HRESULT CheckMediaType(const CMediaType* mtOut) override;
  HRESULT SetMediaType(const CMediaType* pmt) override;
  HRESULT CheckConnect(IPin* pPin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* pReceivePin) override;
  HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProp) override;
  // The filter's GetMediaType; none while the input is not connected.
  HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;

  // Quality messages go to the filter's AlterQuality and, when it declines
  // (S_FALSE), on upstream through the input pin.
  STDMETHODIMP Notify(IBaseFilter* pSender, Quality q) override;

 protected:
  CTransformFilter* const m_pTransformFilter;
  IUnknown* m_pPosition = nullptr;  // the seeking pass-through, created on first request
};

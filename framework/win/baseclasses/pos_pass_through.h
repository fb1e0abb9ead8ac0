// CPosPassThru: IMediaSeeking for an output pin of a filter that does not
// seek itself. Every call is passed to the pin connected to the given input
// pin (the upstream filter), so that a renderer downstream can seek the
// source through this filter. VFW_E_NOT_CONNECTED while the input is not
// connected, E_NOTIMPL when the upstream pin cannot seek.
//
// The object is aggregated by the output pin (its outer unknown), which hands
// it out for IID_IMediaSeeking.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include "framework/win/baseclasses/unknown.h"

class CPosPassThru : public CUnknown, public IMediaSeeking {
 public:
  CPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  STDMETHODIMP GetCapabilities(DWORD* pCapabilities) override;
  STDMETHODIMP CheckCapabilities(DWORD* pCapabilities) override;
  STDMETHODIMP IsFormatSupported(const GUID* pFormat) override;
  STDMETHODIMP QueryPreferredFormat(GUID* pFormat) override;
  STDMETHODIMP GetTimeFormat(GUID* pFormat) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* pFormat) override;
  STDMETHODIMP SetTimeFormat(const GUID* pFormat) override;
  STDMETHODIMP GetDuration(LONGLONG* pDuration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* pStop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* pCurrent) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                 const GUID* pSourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                            DWORD dwStopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
  STDMETHODIMP GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
  STDMETHODIMP SetRate(double dRate) override;
  STDMETHODIMP GetRate(double* pdRate) override;
  STDMETHODIMP GetPreroll(LONGLONG* pllPreroll) override;

 protected:
  // The upstream pin's IMediaSeeking, with a reference added.
  HRESULT GetPeerSeeking(IMediaSeeking** ppMS);

 private:
  // Calls call(upstream IMediaSeeking*) and returns its result.
  template <class Call>
  HRESULT Forward(Call call);

  IPin* const m_pPin;  // our input pin; not referenced (it lives as long as we do)
};

// Creates a CPosPassThru aggregated by pAgg for the input pin pPin and
// returns its non-delegating unknown (one reference). bRenderer is accepted
// for compatibility and ignored.
HRESULT WINAPI CreatePosPassThru(LPUNKNOWN pAgg, BOOL bRenderer, IPin* pPin,
                                 IUnknown** ppPassThru);

// CBaseOutputPin: an output pin delivering through the downstream pin's
// IMemInputPin.
//
// On connection (CompleteConnect) the pin decides the allocator: it takes
// the downstream pin's requirements, prefers the allocator the downstream
// pin offers and falls back to the platform's memory allocator; in both
// cases DecideBufferSize sets the buffer properties and the downstream pin
// is told the choice with NotifyAllocator. The allocator is committed when
// the filter leaves the stopped state (Active) and decommitted when it stops
// (Inactive), so GetDeliveryBuffer fails while stopped.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "framework/win/baseclasses/base_pin.h"

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                 LPCWSTR pName);
  ~CBaseOutputPin() override;

  // Decides the allocator.
  HRESULT CompleteConnect(IPin* pReceivePin) override;
  // Requires IMemInputPin on the peer.
  HRESULT CheckConnect(IPin* pPin) override;
  // Decommits and releases the allocator and the peer's IMemInputPin.
  HRESULT BreakConnect() override;

  virtual HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** pAlloc);
  // Sets the buffer count, size, alignment and prefix on the chosen
  // allocator; pprop holds the downstream pin's requirements on entry.
  virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) = 0;
  // Creates the platform's memory allocator.
  virtual HRESULT InitAllocator(IMemAllocator** ppAlloc);

  // An empty sample from the allocator; VFW_E_NOT_COMMITTED while stopped.
  virtual HRESULT GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime,
                                    REFERENCE_TIME* pEndTime, DWORD dwFlags);
  // Passes a sample to the downstream pin's Receive.
  virtual HRESULT Deliver(IMediaSample* pSample);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

  HRESULT Active() override;
  HRESULT Inactive() override;

  // End of stream and flushing arrive at input pins only.
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  IMemInputPin* ConnectedIMemInputPin() const { return m_pInputPin; }
  // The allocator in use, without a reference added (may be null).
  IMemAllocator* PeekAllocator() const { return m_pAllocator; }

 protected:
  IMemAllocator* m_pAllocator = nullptr;
  IMemInputPin* m_pInputPin = nullptr;
};

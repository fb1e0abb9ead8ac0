// CBaseInputPin: an input pin with the IMemInputPin transport.
//
// Allocator: GetAllocator offers the pin's allocator, creating the platform's
// memory allocator the first time; NotifyAllocator records the one the
// upstream pin chose (which need not be ours) and whether its samples are
// read-only.
//
// Streaming: Receive refuses samples while the filter is stopped
// (VFW_E_WRONG_STATE), while flushing (S_FALSE) and after a run-time error
// (VFW_E_RUNTIME_ERROR); it reads the sample's properties into
// m_SampleProps and checks an attached media type with CheckMediaType. A
// type it does not accept ends the stream (EndOfStream, then EC_ERRORABORT)
// and Receive fails with VFW_E_INVALIDMEDIATYPE; further samples are refused
// until the pin is stopped or flushed. Derived pins call this Receive first
// and then process the sample.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "framework/win/baseclasses/base_pin.h"

class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                LPCWSTR pName);
  ~CBaseInputPin() override;

  DECLARE_IUNKNOWN
  // IMemInputPin, then CBasePin.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
  // E_NOTIMPL: no requirements.
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
  STDMETHODIMP Receive(IMediaSample* pSample) override;
  // Receive for each sample in turn, stopping at the first result other
  // than S_OK.
  STDMETHODIMP ReceiveMultiple(IMediaSample** pSamples, long nSamples,
                               long* nSamplesProcessed) override;
  // S_FALSE only when every connected output pin of the filter delivers to
  // a pin whose Receive cannot block.
  STDMETHODIMP ReceiveCanBlock() override;

  // IPin flushing: while flushing Receive refuses samples with S_FALSE.
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  // IQualityControl: quality messages travel upstream, so an input pin has
  // nothing to do with them.
  STDMETHODIMP Notify(IBaseFilter* pSender, Quality q) override;

  // Passes a quality message on: to the sink set with SetSink, else to the
  // connected output pin. VFW_E_NOT_FOUND when there is neither.
  HRESULT PassNotify(Quality& q);

  // S_OK when a sample may be processed now (see Receive).
  virtual HRESULT CheckStreaming();

  // Releases the allocator.
  HRESULT BreakConnect() override;
  // Leaves any flush and run-time error behind and decommits the allocator.
  HRESULT Inactive() override;

  BOOL IsReadOnly() const { return m_bReadOnly; }
  BOOL IsFlushing() const { return m_bFlushing; }
  // The properties of the sample being received.
  AM_SAMPLE2_PROPERTIES* SampleProps() { return &m_SampleProps; }
  // The allocator in use, without a reference added (may be null).
  IMemAllocator* PeekAllocator() const { return m_pAllocator; }

 protected:
  IMemAllocator* m_pAllocator = nullptr;
  BYTE m_bReadOnly = FALSE;
  BYTE m_bFlushing = FALSE;
  AM_SAMPLE2_PROPERTIES m_SampleProps = {};

 private:
  HRESULT ReadSampleProperties(IMediaSample* pSample);

  // The type attached to the current sample when it had to be fetched with
  // IMediaSample::GetMediaType (freed at the next sample).
  AM_MEDIA_TYPE* m_pSampleType = nullptr;
};

// CTransformFilter: a filter with one input and one output pin that turns
// each input sample into an output sample in a separate buffer.
//
// The default Receive takes an output sample, copies the input sample's
// times and marks onto it (InitializeOutputSample), calls
// Transform(in, out) and delivers the result; Transform returning S_FALSE
// drops the sample. Filters that need another shape of processing
// override Receive and EndOfStream.
//
// Streaming starts on the way from stopped to paused (StartStreaming, under
// the receive lock) and ends on stop: the input pin is deactivated first, so
// that new samples are refused, then the receive lock is taken, which waits
// for a Receive in progress, and the output pin is deactivated and
// StopStreaming called. Lock order: m_csFilter, then m_csReceive.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "framework/win/baseclasses/base_filter.h"
#include "framework/win/baseclasses/transform_pins.h"

class CTransformFilter : public CBaseFilter {
  friend class CTransformInputPin;
  friend class CTransformOutputPin;

 public:
  CTransformFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid);
  ~CTransformFilter() override;

  int GetPinCount() override;
  // Pin 0 is the input, pin 1 the output; both are created on first use.
  CBasePin* GetPin(int n) override;
  // Also answers "In" and "Out".
  STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;

  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;

  // --- for derived filters, in this order of virtual slots ---
  // E_UNEXPECTED unless a filter using the default Receive overrides it.
  virtual HRESULT Transform(IMediaSample* pIn, IMediaSample* pOut);
  virtual HRESULT CheckInputType(const CMediaType* mtIn) = 0;
  virtual HRESULT CheckTransform(const CMediaType* mtIn, const CMediaType* mtOut) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pprop) = 0;
  virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) = 0;
  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();
  // S_FALSE: quality messages are passed upstream.
  virtual HRESULT AlterQuality(Quality q);
  virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* pmt);
  virtual HRESULT CheckConnect(PIN_DIRECTION dir, IPin* pPin);
  virtual HRESULT BreakConnect(PIN_DIRECTION dir);
  virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pReceivePin);
  virtual HRESULT Receive(IMediaSample* pSample);
  // Passes end of stream downstream.
  virtual HRESULT EndOfStream();
  // Pass flushes and segments downstream.
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

  // An output sample carrying the input sample's times, media times and
  // marks (a skipped predecessor shows as a discontinuity).
  HRESULT InitializeOutputSample(IMediaSample* pSample, IMediaSample** ppOutSample);

 protected:
  bool m_bEOSDelivered = false;
  bool m_bSampleSkipped = false;
  bool m_bQualityChanged = false;

  CCritSec m_csFilter;   // state and connections
  CCritSec m_csReceive;  // the streaming path

  CTransformInputPin* m_pInput = nullptr;
  CTransformOutputPin* m_pOutput = nullptr;
};

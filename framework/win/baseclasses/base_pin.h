// CBasePin: IPin and IQualityControl, with the connection protocol.
//
// Connecting: the output pin's Connect agrees a media type with the receiving
// pin. A fully specified type is tried alone; otherwise the receiver's
// preferred types are tried first, then this pin's own (reversed when
// m_bTryMyTypesFirst is set), skipping types that do not match a partial
// type. Each attempt checks the peer (CheckConnect), the type
// (CheckMediaType), stores it (SetMediaType), has the peer accept it
// (ReceiveConnection) and completes (CompleteConnect); a failed attempt is
// undone with BreakConnect. The receiving side runs the same checks in
// ReceiveConnection. Connection changes are refused unless the filter is
// stopped.
//
// A pin's reference count is its filter's: pins live exactly as long as the
// filter, while QueryInterface on a pin answers for the pin itself.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include "framework/win/baseclasses/base_filter.h"
#include "framework/win/baseclasses/critical_section.h"
#include "framework/win/baseclasses/media_type.h"
#include "framework/win/baseclasses/ref_time.h"
#include "framework/win/baseclasses/unknown.h"

class CBasePin : public CUnknown, public IPin, public IQualityControl {
 public:
  // pLock is normally the filter's lock; pName is copied.
  CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
           LPCWSTR pName, PIN_DIRECTION dir);
  ~CBasePin() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  // Counted on the filter.
  STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
  STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

  // IPin
  STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pPin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override;
  STDMETHODIMP QueryId(LPWSTR* Id) override;
  // S_OK when CheckMediaType accepts the type, else S_FALSE.
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
  // Enumerates GetMediaType(0), GetMediaType(1), ... until it stops giving S_OK.
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override = 0;
  STDMETHODIMP EndFlush() override = 0;
  // Records the segment (see CurrentStartTime and friends).
  STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

  // IQualityControl: E_NOTIMPL here; output pins that take part in quality
  // control override Notify.
  STDMETHODIMP Notify(IBaseFilter* pSender, Quality q) override;
  STDMETHODIMP SetSink(IQualityControl* piqc) override;

  // Connection state.
  BOOL IsConnected() const { return m_Connected != nullptr; }
  IPin* GetConnected() const { return m_Connected; }
  BOOL IsStopped() const { return m_pFilter->m_State == State_Stopped; }
  LPWSTR Name() const { return m_pName; }
  const CMediaType& CurrentMediaType() const { return m_mt; }
  BOOL CanReconnectWhenActive() const { return m_bCanReconnectWhenActive; }
  void SetReconnectWhenActive(bool bCanReconnect) { m_bCanReconnectWhenActive = bCanReconnect; }
  REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
  REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
  double CurrentRate() const { return m_dRate; }

  // Type enumerators compare this to notice that the offered types changed.
  virtual LONG GetMediaTypeVersion();
  void IncrementTypeVersion();

  // Streaming state changes, called by the filter on connected pins.
  virtual HRESULT Active();
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME tStart);

  // Connection hooks for derived pins.
  virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
  // Stores the connection type.
  virtual HRESULT SetMediaType(const CMediaType* pmt);
  // Refuses a peer of the same direction.
  virtual HRESULT CheckConnect(IPin* pPin);
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* pReceivePin);
  // The preferred type at iPosition: S_OK, or VFW_S_NO_MORE_ITEMS past the
  // end. Here: none (E_UNEXPECTED).
  virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType);

 protected:
  virtual HRESULT DisconnectInternal();
  virtual HRESULT AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt);
  virtual HRESULT TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum);
  virtual HRESULT AttemptConnection(IPin* pReceivePin, const CMediaType* pmt);

  WCHAR* m_pName = nullptr;
  IPin* m_Connected = nullptr;
  const PIN_DIRECTION m_dir;
  CCritSec* const m_pLock;
  bool m_bRunTimeError = false;
  bool m_bCanReconnectWhenActive = false;
  bool m_bTryMyTypesFirst = false;
  CBaseFilter* const m_pFilter;
  IQualityControl* m_pQSink = nullptr;
  volatile LONG m_TypeVersion = 1;
  CMediaType m_mt;
  REFERENCE_TIME m_tStart = 0;
  REFERENCE_TIME m_tStop = MAX_TIME;
  double m_dRate = 1.0;
};

// Creates the platform's memory allocator.
HRESULT CreateMemoryAllocator(IMemAllocator** ppAllocator);

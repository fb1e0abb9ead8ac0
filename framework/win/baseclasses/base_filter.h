// CBaseFilter: IBaseFilter (with IMediaFilter and IPersist) and IAMovieSetup
// for a filter whose pins derive from CBasePin.
//
// The filter keeps its state, reference clock, stream start time, graph and
// name. State changes reach the connected pins: Pause from stopped activates
// them (output pins commit their allocators), Stop deactivates them, Run
// passes the start time on. The graph and its event sink are held without a
// reference, because the graph holds the filter.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include "framework/win/baseclasses/critical_section.h"
#include "framework/win/baseclasses/media_type.h"
#include "framework/win/baseclasses/ref_time.h"
#include "framework/win/baseclasses/setup.h"
#include "framework/win/baseclasses/unknown.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
  friend class CBasePin;

 public:
  // pLock guards the filter's state and its pins' connections; it is owned by
  // the derived class and must outlive the filter.
  CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid);
  CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid, HRESULT* phr);
  ~CBaseFilter() override;

  DECLARE_IUNKNOWN

  // IBaseFilter, IMediaFilter, IPersist and IAMovieSetup, then CUnknown.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IPersist
  STDMETHODIMP GetClassID(CLSID* pClsID) override;

  // IMediaFilter
  STDMETHODIMP GetState(DWORD dwMSecs, FILTER_STATE* State) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME tStart) override;

  // Current stream time: the clock's time minus the start time given to Run.
  // VFW_E_NO_CLOCK without a clock.
  virtual HRESULT StreamTime(CRefTime& rtStream);

  BOOL IsActive();
  BOOL IsStopped();

  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
  // Finds a pin by the identifier QueryId reports (its name).
  STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;

  // Sends an event to the graph (EC_COMPLETE carries this filter as its
  // second parameter). E_NOTIMPL when not in a graph with an event sink.
  HRESULT NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2);
  IFilterGraph* GetFilterGraph() { return m_pGraph; }
  // Asks the graph to reconnect a pin of this filter, with the given type
  // when not null. VFW_E_NOT_IN_GRAPH outside a graph.
  HRESULT ReconnectPin(IPin* pPin, const AM_MEDIA_TYPE* pmt);

  // Changes whenever pins are added or removed; enumerators compare it.
  virtual LONG GetPinVersion();
  void IncrementPinVersion();

  virtual int GetPinCount() = 0;
  // The nth pin, without a reference added; null when there is none.
  virtual CBasePin* GetPin(int n) = 0;

  // IAMovieSetup: registers or removes GetSetupData() with the filter mapper.
  // S_FALSE when the filter has no set-up data.
  STDMETHODIMP Register() override;
  STDMETHODIMP Unregister() override;

  virtual const AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }

 protected:
  FILTER_STATE m_State = State_Stopped;
  IReferenceClock* m_pClock = nullptr;
  CRefTime m_tStart;
  CLSID m_clsid;
  CCritSec* const m_pLock;
  WCHAR* m_pName = nullptr;
  IFilterGraph* m_pGraph = nullptr;
  IMediaEventSink* m_pSink = nullptr;
  volatile LONG m_PinVersion = 1;
};

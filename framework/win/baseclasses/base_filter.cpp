#include "framework/win/baseclasses/base_filter.h"

#include <evcode.h>

#include <new>

#include "framework/win/baseclasses/base_pin.h"
#include "framework/win/baseclasses/enum_pins.h"
#include "framework/win/baseclasses/filter_mapper.h"

CBaseFilter::CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid)
    : CUnknown(pName, pUnk), m_clsid(clsid), m_pLock(pLock) {}

CBaseFilter::CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid,
                         HRESULT* /*phr*/)
    : CBaseFilter(pName, pUnk, pLock, clsid) {}

CBaseFilter::~CBaseFilter() {
  delete[] m_pName;
  if (m_pClock != nullptr) m_pClock->Release();
}

STDMETHODIMP CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IBaseFilter)) return GetInterface(static_cast<IBaseFilter*>(this), ppv);
  if (IsEqualIID(riid, IID_IMediaFilter)) return GetInterface(static_cast<IMediaFilter*>(this), ppv);
  if (IsEqualIID(riid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), ppv);
  if (IsEqualIID(riid, IID_IAMovieSetup)) return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* pClsID) {
  CheckPointer(pClsID, E_POINTER);
  *pClsID = m_clsid;
  return NOERROR;
}

// --- state ----------------------------------------------------------------------

STDMETHODIMP CBaseFilter::GetState(DWORD /*dwMSecs*/, FILTER_STATE* State) {
  CheckPointer(State, E_POINTER);
  *State = m_State;
  return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* pClock) {
  CAutoLock lock(m_pLock);
  if (pClock != nullptr) pClock->AddRef();
  if (m_pClock != nullptr) m_pClock->Release();
  m_pClock = pClock;
  return NOERROR;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** pClock) {
  CheckPointer(pClock, E_POINTER);
  CAutoLock lock(m_pLock);
  if (m_pClock != nullptr) m_pClock->AddRef();
  *pClock = m_pClock;
  return NOERROR;
}

STDMETHODIMP CBaseFilter::Stop() {
  CAutoLock lock(m_pLock);
  HRESULT hr = NOERROR;
  if (m_State != State_Stopped) {
    // Every connected pin is deactivated even after a failure; the first
    // failure is reported.
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
      CBasePin* pin = GetPin(i);
      if (pin == nullptr || !pin->IsConnected()) continue;
      const HRESULT hrPin = pin->Inactive();
      if (FAILED(hrPin) && SUCCEEDED(hr)) hr = hrPin;
    }
  }
  m_State = State_Stopped;
  return hr;
}

STDMETHODIMP CBaseFilter::Pause() {
  CAutoLock lock(m_pLock);
  if (m_State == State_Stopped) {
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
      CBasePin* pin = GetPin(i);
      if (pin == nullptr || !pin->IsConnected()) continue;
      const HRESULT hr = pin->Active();
      if (FAILED(hr)) return hr;
    }
  }
  m_State = State_Paused;
  return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME tStart) {
  CAutoLock lock(m_pLock);
  m_tStart = tStart;
  if (m_State == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  if (m_State != State_Running) {
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
      CBasePin* pin = GetPin(i);
      if (pin == nullptr || !pin->IsConnected()) continue;
      const HRESULT hr = pin->Run(tStart);
      if (FAILED(hr)) return hr;
    }
  }
  m_State = State_Running;
  return S_OK;
}

HRESULT CBaseFilter::StreamTime(CRefTime& rtStream) {
  if (m_pClock == nullptr) return VFW_E_NO_CLOCK;
  REFERENCE_TIME now = 0;
  const HRESULT hr = m_pClock->GetTime(&now);
  if (FAILED(hr)) return hr;
  rtStream = now - m_tStart.m_time;
  return S_OK;
}

BOOL CBaseFilter::IsActive() {
  CAutoLock lock(m_pLock);
  return m_State == State_Paused || m_State == State_Running;
}

BOOL CBaseFilter::IsStopped() { return m_State == State_Stopped; }

// --- pins -----------------------------------------------------------------------

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** ppEnum) {
  CheckPointer(ppEnum, E_POINTER);
  *ppEnum = new (std::nothrow) CEnumPins(this, nullptr);
  return *ppEnum != nullptr ? NOERROR : E_OUTOFMEMORY;
}

STDMETHODIMP CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
  CheckPointer(ppPin, E_POINTER);
  *ppPin = nullptr;
  CheckPointer(Id, E_POINTER);
  CAutoLock lock(m_pLock);
  const int count = GetPinCount();
  for (int i = 0; i < count; ++i) {
    CBasePin* pin = GetPin(i);
    if (pin != nullptr && pin->Name() != nullptr && lstrcmpW(pin->Name(), Id) == 0) {
      *ppPin = pin;
      pin->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

LONG CBaseFilter::GetPinVersion() { return m_PinVersion; }

void CBaseFilter::IncrementPinVersion() { InterlockedIncrement(&m_PinVersion); }

// --- graph ----------------------------------------------------------------------

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
  CheckPointer(pInfo, E_POINTER);
  CAutoLock lock(m_pLock);
  if (m_pName != nullptr) {
    lstrcpynW(pInfo->achName, m_pName, MAX_FILTER_NAME);
  } else {
    pInfo->achName[0] = L'\0';
  }
  pInfo->pGraph = m_pGraph;
  if (m_pGraph != nullptr) m_pGraph->AddRef();
  return NOERROR;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
  CAutoLock lock(m_pLock);
  WCHAR* name = nullptr;
  if (pGraph != nullptr && pName != nullptr) {
    const size_t length = static_cast<size_t>(lstrlenW(pName)) + 1;
    name = new (std::nothrow) WCHAR[length];
    if (name == nullptr) return E_OUTOFMEMORY;
    CopyMemory(name, pName, length * sizeof(WCHAR));
  }
  m_pGraph = pGraph;
  m_pSink = nullptr;
  if (pGraph != nullptr) {
    // Kept without a reference: the graph owns the filter.
    IMediaEventSink* sink = nullptr;
    if (SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
      m_pSink = sink;
      sink->Release();
    }
  }
  delete[] m_pName;
  m_pName = name;
  return NOERROR;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR* /*pVendorInfo*/) { return E_NOTIMPL; }

HRESULT CBaseFilter::NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) {
  IMediaEventSink* sink = m_pSink;
  if (sink == nullptr) return E_NOTIMPL;
  if (EventCode == EC_COMPLETE) {
    EventParam2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  }
  return sink->Notify(EventCode, EventParam1, EventParam2);
}

HRESULT CBaseFilter::ReconnectPin(IPin* pPin, const AM_MEDIA_TYPE* pmt) {
  if (m_pGraph == nullptr) return VFW_E_NOT_IN_GRAPH;
  IFilterGraph2* graph2 = nullptr;
  if (SUCCEEDED(m_pGraph->QueryInterface(IID_IFilterGraph2, reinterpret_cast<void**>(&graph2)))) {
    const HRESULT hr = graph2->ReconnectEx(pPin, pmt);
    graph2->Release();
    return hr;
  }
  return m_pGraph->Reconnect(pPin);
}

// --- registration ---------------------------------------------------------------

STDMETHODIMP CBaseFilter::Register() {
  const AMOVIESETUP_FILTER* setup = GetSetupData();
  if (setup == nullptr) return S_FALSE;
  return RegisterFilterWithMapper(setup, TRUE);
}

STDMETHODIMP CBaseFilter::Unregister() {
  const AMOVIESETUP_FILTER* setup = GetSetupData();
  if (setup == nullptr) return S_FALSE;
  return RegisterFilterWithMapper(setup, FALSE);
}

#include "framework/win/baseclasses/pos_pass_through.h"

#include <new>

CPosPassThru::CPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin)
    : CUnknown(pName, pUnk), m_pPin(pPin) {
  if (pPin == nullptr && phr != nullptr) *phr = E_POINTER;
}

STDMETHODIMP CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  CheckPointer(ppv, E_POINTER);
  if (IsEqualIID(riid, IID_IMediaSeeking)) {
    return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
  }
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CPosPassThru::GetPeerSeeking(IMediaSeeking** ppMS) {
  *ppMS = nullptr;
  IPin* peer = nullptr;
  if (m_pPin == nullptr || FAILED(m_pPin->ConnectedTo(&peer)) || peer == nullptr) {
    return VFW_E_NOT_CONNECTED;
  }
  const HRESULT hr = peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(ppMS));
  peer->Release();
  if (FAILED(hr)) {
    *ppMS = nullptr;
    return E_NOTIMPL;
  }
  return S_OK;
}

// Each method: find the upstream IMediaSeeking, forward, release.
#define ORLOFX_FORWARD_TO_PEER(call)         \
  IMediaSeeking* peer = nullptr;             \
  const HRESULT hrPeer = GetPeerSeeking(&peer); \
  if (FAILED(hrPeer)) return hrPeer;         \
  const HRESULT hr = peer->call;             \
  peer->Release();                           \
  return hr

STDMETHODIMP CPosPassThru::GetCapabilities(DWORD* pCapabilities) {
  ORLOFX_FORWARD_TO_PEER(GetCapabilities(pCapabilities));
}

STDMETHODIMP CPosPassThru::CheckCapabilities(DWORD* pCapabilities) {
  ORLOFX_FORWARD_TO_PEER(CheckCapabilities(pCapabilities));
}

STDMETHODIMP CPosPassThru::IsFormatSupported(const GUID* pFormat) {
  ORLOFX_FORWARD_TO_PEER(IsFormatSupported(pFormat));
}

STDMETHODIMP CPosPassThru::QueryPreferredFormat(GUID* pFormat) {
  ORLOFX_FORWARD_TO_PEER(QueryPreferredFormat(pFormat));
}

STDMETHODIMP CPosPassThru::GetTimeFormat(GUID* pFormat) {
  ORLOFX_FORWARD_TO_PEER(GetTimeFormat(pFormat));
}

STDMETHODIMP CPosPassThru::IsUsingTimeFormat(const GUID* pFormat) {
  ORLOFX_FORWARD_TO_PEER(IsUsingTimeFormat(pFormat));
}

STDMETHODIMP CPosPassThru::SetTimeFormat(const GUID* pFormat) {
  ORLOFX_FORWARD_TO_PEER(SetTimeFormat(pFormat));
}

STDMETHODIMP CPosPassThru::GetDuration(LONGLONG* pDuration) {
  ORLOFX_FORWARD_TO_PEER(GetDuration(pDuration));
}

STDMETHODIMP CPosPassThru::GetStopPosition(LONGLONG* pStop) {
  ORLOFX_FORWARD_TO_PEER(GetStopPosition(pStop));
}

STDMETHODIMP CPosPassThru::GetCurrentPosition(LONGLONG* pCurrent) {
  ORLOFX_FORWARD_TO_PEER(GetCurrentPosition(pCurrent));
}

STDMETHODIMP CPosPassThru::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat,
                                             LONGLONG Source, const GUID* pSourceFormat) {
  ORLOFX_FORWARD_TO_PEER(ConvertTimeFormat(pTarget, pTargetFormat, Source, pSourceFormat));
}

STDMETHODIMP CPosPassThru::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags,
                                        LONGLONG* pStop, DWORD dwStopFlags) {
  ORLOFX_FORWARD_TO_PEER(SetPositions(pCurrent, dwCurrentFlags, pStop, dwStopFlags));
}

STDMETHODIMP CPosPassThru::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) {
  ORLOFX_FORWARD_TO_PEER(GetPositions(pCurrent, pStop));
}

STDMETHODIMP CPosPassThru::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) {
  ORLOFX_FORWARD_TO_PEER(GetAvailable(pEarliest, pLatest));
}

STDMETHODIMP CPosPassThru::SetRate(double dRate) { ORLOFX_FORWARD_TO_PEER(SetRate(dRate)); }

STDMETHODIMP CPosPassThru::GetRate(double* pdRate) { ORLOFX_FORWARD_TO_PEER(GetRate(pdRate)); }

STDMETHODIMP CPosPassThru::GetPreroll(LONGLONG* pllPreroll) {
  ORLOFX_FORWARD_TO_PEER(GetPreroll(pllPreroll));
}

#undef ORLOFX_FORWARD_TO_PEER

HRESULT WINAPI CreatePosPassThru(LPUNKNOWN pAgg, BOOL /*bRenderer*/, IPin* pPin,
                                 IUnknown** ppPassThru) {
  CheckPointer(ppPassThru, E_POINTER);
  *ppPassThru = nullptr;
  HRESULT hr = S_OK;
  auto* passThru = new (std::nothrow) CPosPassThru(nullptr, pAgg, &hr, pPin);
  if (passThru == nullptr) return E_OUTOFMEMORY;
  if (FAILED(hr)) {
    delete passThru;
    return hr;
  }
  passThru->NonDelegatingAddRef();
  *ppPassThru = reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(passThru));
  return S_OK;
}

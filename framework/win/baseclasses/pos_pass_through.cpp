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

template <class Call>
HRESULT CPosPassThru::Forward(Call call) {
  IMediaSeeking* peer = nullptr;
  HRESULT hr = GetPeerSeeking(&peer);
  if (FAILED(hr)) return hr;
  hr = call(peer);
  peer->Release();
  return hr;
}

STDMETHODIMP CPosPassThru::GetCapabilities(DWORD* pCapabilities) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetCapabilities(pCapabilities); });
}

STDMETHODIMP CPosPassThru::CheckCapabilities(DWORD* pCapabilities) {
  return Forward([&](IMediaSeeking* peer) { return peer->CheckCapabilities(pCapabilities); });
}

STDMETHODIMP CPosPassThru::IsFormatSupported(const GUID* pFormat) {
  return Forward([&](IMediaSeeking* peer) { return peer->IsFormatSupported(pFormat); });
}

STDMETHODIMP CPosPassThru::QueryPreferredFormat(GUID* pFormat) {
  return Forward([&](IMediaSeeking* peer) { return peer->QueryPreferredFormat(pFormat); });
}

STDMETHODIMP CPosPassThru::GetTimeFormat(GUID* pFormat) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetTimeFormat(pFormat); });
}

STDMETHODIMP CPosPassThru::IsUsingTimeFormat(const GUID* pFormat) {
  return Forward([&](IMediaSeeking* peer) { return peer->IsUsingTimeFormat(pFormat); });
}

STDMETHODIMP CPosPassThru::SetTimeFormat(const GUID* pFormat) {
  return Forward([&](IMediaSeeking* peer) { return peer->SetTimeFormat(pFormat); });
}

STDMETHODIMP CPosPassThru::GetDuration(LONGLONG* pDuration) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetDuration(pDuration); });
}

STDMETHODIMP CPosPassThru::GetStopPosition(LONGLONG* pStop) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetStopPosition(pStop); });
}

STDMETHODIMP CPosPassThru::GetCurrentPosition(LONGLONG* pCurrent) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetCurrentPosition(pCurrent); });
}

STDMETHODIMP CPosPassThru::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat,
                                             LONGLONG Source, const GUID* pSourceFormat) {
  return Forward([&](IMediaSeeking* peer) { return peer->ConvertTimeFormat(pTarget, pTargetFormat, Source, pSourceFormat); });
}

STDMETHODIMP CPosPassThru::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags,
                                        LONGLONG* pStop, DWORD dwStopFlags) {
  return Forward([&](IMediaSeeking* peer) { return peer->SetPositions(pCurrent, dwCurrentFlags, pStop, dwStopFlags); });
}

STDMETHODIMP CPosPassThru::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetPositions(pCurrent, pStop); });
}

STDMETHODIMP CPosPassThru::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetAvailable(pEarliest, pLatest); });
}

STDMETHODIMP CPosPassThru::SetRate(double dRate) { return Forward([&](IMediaSeeking* peer) { return peer->SetRate(dRate); });
}

STDMETHODIMP CPosPassThru::GetRate(double* pdRate) { return Forward([&](IMediaSeeking* peer) { return peer->GetRate(pdRate); });
}

STDMETHODIMP CPosPassThru::GetPreroll(LONGLONG* pllPreroll) {
  return Forward([&](IMediaSeeking* peer) { return peer->GetPreroll(pllPreroll); });
}


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

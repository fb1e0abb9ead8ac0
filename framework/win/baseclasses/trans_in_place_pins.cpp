#include "framework/win/baseclasses/trans_in_place_pins.h"

#include "framework/win/baseclasses/trans_in_place_filter.h"

namespace {

// S_OK when the pin accepts the type; any other answer is a refusal.
HRESULT PeerAccepts(IPin* peer, const CMediaType* pmt) {
  return peer->QueryAccept(pmt) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

// A type the pin accepts: processable, and when the sibling is connected
// either its type or one that the sibling's peer would accept on
// reconnection.
HRESULT CheckAgainstSibling(const CBasePin* sibling, const CMediaType* pmt,
                            HRESULT processable) {
  if (processable != S_OK) return processable;
  if (sibling == nullptr || !sibling->IsConnected()) return S_OK;
  if (*pmt == sibling->CurrentMediaType()) return S_OK;
  return PeerAccepts(sibling->GetConnected(), pmt);
}

HRESULT SiblingType(const CBasePin* sibling, int iPosition, CMediaType* pMediaType) {
  CheckPointer(pMediaType, E_POINTER);
  if (iPosition < 0) return E_INVALIDARG;
  if (iPosition > 0 || sibling == nullptr || !sibling->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return pMediaType->Set(sibling->CurrentMediaType());
}

LONG Larger(LONG a, LONG b) { return a > b ? a : b; }

}  // namespace

// --- input pin ------------------------------------------------------------------

CTransInPlaceInputPin::CTransInPlaceInputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter,
                                             HRESULT* phr, LPCWSTR pName)
    : CTransformInputPin(pObjectName, pFilter, phr, pName), m_pTIPFilter(pFilter) {}

STDMETHODIMP CTransInPlaceInputPin::GetAllocator(IMemAllocator** ppAllocator) {
  CheckPointer(ppAllocator, E_POINTER);
  CAutoLock lock(m_pLock);
  *ppAllocator = nullptr;
  CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
  if (output != nullptr && output->IsConnected() && output->ConnectedIMemInputPin() != nullptr) {
    // Offer the downstream allocator so that one allocator serves both
    // connections.
    if (SUCCEEDED(output->ConnectedIMemInputPin()->GetAllocator(ppAllocator)) &&
        *ppAllocator != nullptr) {
      output->SetAllocator(*ppAllocator);
      return S_OK;
    }
    *ppAllocator = nullptr;
  }
  return CTransformInputPin::GetAllocator(ppAllocator);
}

STDMETHODIMP CTransInPlaceInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
  CheckPointer(pAllocator, E_POINTER);
  CAutoLock lock(m_pLock);
  CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
  if (output != nullptr && output->IsConnected()) {
    const HRESULT hr = output->ReceiveAllocator(pAllocator, bReadOnly);
    if (FAILED(hr)) return hr;
  }
  return CTransformInputPin::NotifyAllocator(pAllocator, bReadOnly);
}

STDMETHODIMP CTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) {
  CheckPointer(pProps, E_POINTER);
  CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
  if (output == nullptr || output->ConnectedIMemInputPin() == nullptr) return E_NOTIMPL;
  return output->ConnectedIMemInputPin()->GetAllocatorRequirements(pProps);
}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* pmt) {
  return CheckAgainstSibling(m_pTIPFilter->OutputPin(), pmt, m_pTIPFilter->CheckInputType(pmt));
}

HRESULT CTransInPlaceInputPin::GetMediaType(int iPosition, CMediaType* pMediaType) {
  return SiblingType(m_pTIPFilter->OutputPin(), iPosition, pMediaType);
}

// --- output pin -----------------------------------------------------------------

CTransInPlaceOutputPin::CTransInPlaceOutputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter,
                                               HRESULT* phr, LPCWSTR pName)
    : CTransformOutputPin(pObjectName, pFilter, phr, pName), m_pTIPFilter(pFilter) {}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* pmt) {
  return CheckAgainstSibling(m_pTIPFilter->InputPin(), pmt, m_pTIPFilter->CheckInputType(pmt));
}

HRESULT CTransInPlaceOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType) {
  return SiblingType(m_pTIPFilter->InputPin(), iPosition, pMediaType);
}

void CTransInPlaceOutputPin::SetAllocator(IMemAllocator* pAllocator) {
  if (pAllocator != nullptr) pAllocator->AddRef();
  if (m_pAllocator != nullptr) m_pAllocator->Release();
  m_pAllocator = pAllocator;
}

HRESULT CTransInPlaceOutputPin::DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc) {
  CheckPointer(pPin, E_POINTER);
  CheckPointer(ppAlloc, E_POINTER);
  CTransInPlaceInputPin* input = m_pTIPFilter->InputPin();
  IMemAllocator* upstream = input != nullptr ? input->PeekAllocator() : nullptr;
  const bool mustCopy = input != nullptr && input->ReadOnly() && m_pTIPFilter->m_bModifiesData;
  if (input != nullptr && input->IsConnected() && upstream != nullptr && !mustCopy) {
    // Grow the shared buffers to what downstream asks for; the connection is
    // stopped, so the allocator is not committed yet.
    ALLOCATOR_PROPERTIES wanted = {};
    ALLOCATOR_PROPERTIES current = {};
    bool grown = false;
    if (SUCCEEDED(pPin->GetAllocatorRequirements(&wanted)) &&
        SUCCEEDED(upstream->GetProperties(&current))) {
      ALLOCATOR_PROPERTIES merged = current;
      merged.cBuffers = Larger(current.cBuffers, wanted.cBuffers);
      merged.cbBuffer = Larger(current.cbBuffer, wanted.cbBuffer);
      merged.cbAlign = Larger(Larger(current.cbAlign, wanted.cbAlign), 1);
      merged.cbPrefix = Larger(current.cbPrefix, wanted.cbPrefix);
      if (merged.cBuffers != current.cBuffers || merged.cbBuffer != current.cbBuffer ||
          merged.cbAlign != current.cbAlign || merged.cbPrefix != current.cbPrefix) {
        ALLOCATOR_PROPERTIES actual = {};
        grown = SUCCEEDED(upstream->SetProperties(&merged, &actual));
      }
    }
    const BOOL readOnly = input->ReadOnly() && !m_pTIPFilter->m_bModifiesData;
    if (SUCCEEDED(pPin->NotifyAllocator(upstream, readOnly))) {
      if (*ppAlloc != nullptr) (*ppAlloc)->Release();
      *ppAlloc = upstream;
      upstream->AddRef();
      return S_OK;
    }
    // Not shared after all: give upstream back the buffers it asked for.
    if (grown) {
      ALLOCATOR_PROPERTIES actual = {};
      upstream->SetProperties(&current, &actual);
    }
  }
  return CTransformOutputPin::DecideAllocator(pPin, ppAlloc);
}

HRESULT CTransInPlaceOutputPin::ReceiveAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
  CheckPointer(pAllocator, E_POINTER);
  if (pAllocator == m_pAllocator) return S_OK;
  const bool mustCopy = bReadOnly && m_pTIPFilter->m_bModifiesData;
  if (!mustCopy && m_pInputPin != nullptr) {
    const BOOL readOnly = bReadOnly && !m_pTIPFilter->m_bModifiesData;
    if (SUCCEEDED(m_pInputPin->NotifyAllocator(pAllocator, readOnly))) {
      SetAllocator(pAllocator);
      return S_OK;
    }
  }
  // Separate allocators: samples are copied into ours, so our buffers must
  // hold whatever upstream sends.
  if (m_pAllocator == nullptr) return S_OK;
  ALLOCATOR_PROPERTIES incoming = {};
  HRESULT hr = pAllocator->GetProperties(&incoming);
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES own = {};
  hr = m_pAllocator->GetProperties(&own);
  if (FAILED(hr)) return hr;
  if (own.cbBuffer >= incoming.cbBuffer) return S_OK;
  ALLOCATOR_PROPERTIES request = own;
  request.cbBuffer = incoming.cbBuffer;
  request.cBuffers = Larger(own.cBuffers, 1);
  request.cbAlign = Larger(own.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual = {};
  hr = m_pAllocator->SetProperties(&request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer >= incoming.cbBuffer ? S_OK : E_FAIL;
}

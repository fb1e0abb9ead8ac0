// The pins of CTransInPlaceFilter. Both directions carry the same media type
// and, whenever the neighbours allow it, the same allocator, so that a sample
// received from upstream can be modified where it lies and passed on.
//
// Types: each pin offers the type its sibling is connected with; a type is
// accepted when the filter's CheckInputType accepts it and, when the sibling
// is connected with another type, the sibling's peer accepts it too (the
// filter then reconnects the sibling, see CTransInPlaceFilter).
//
// Allocators: the input pin offers the downstream allocator when the output
// is connected; when upstream settles on an allocator the output pin passes
// it on downstream, and when the output connects after the input it first
// offers downstream the allocator upstream is already using. When
// downstream refuses, each connection keeps its own allocator and the filter
// copies samples across.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "framework/win/baseclasses/transform_pins.h"

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CTransformInputPin {
 public:
  CTransInPlaceInputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter, HRESULT* phr,
                        LPCWSTR pName);

  STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
  // The downstream pin's requirements while the output is connected.
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;

  HRESULT CheckMediaType(const CMediaType* pmt) override;
  // The output pin's connection type at position 0 while it is connected.
  HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;

  // Samples from upstream must not be written to.
  BOOL ReadOnly() const { return m_bReadOnly; }

 protected:
  CTransInPlaceFilter* const m_pTIPFilter;
};

class CTransInPlaceOutputPin : public CTransformOutputPin {
 public:
  CTransInPlaceOutputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter, HRESULT* phr,
                         LPCWSTR pName);

  HRESULT CheckMediaType(const CMediaType* pmt) override;
  // The input pin's connection type at position 0 while it is connected.
  HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
  // Offers downstream the allocator the input already uses, then falls back
  // to the ordinary negotiation.
  HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc) override;

  // Uses the given allocator from now on (reference added).
  void SetAllocator(IMemAllocator* pAllocator);
  // The input pin settled on pAllocator: share it downstream when possible;
  // otherwise make sure our own buffers are at least as large.
  HRESULT ReceiveAllocator(IMemAllocator* pAllocator, BOOL bReadOnly);

 protected:
  CTransInPlaceFilter* const m_pTIPFilter;
};

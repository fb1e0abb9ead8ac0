// CEnumMediaTypes: IEnumMediaTypes over a pin's preferred types.
//
// Each type comes from CBasePin::GetMediaType(position) and is handed out as
// a task-memory copy that the caller frees with DeleteMediaType. The first
// position that does not give S_OK ends the list. The enumerator holds a
// reference on the pin (and so on its filter) and goes out of sync, like
// CEnumPins, when the pin's type version changes.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include "framework/win/baseclasses/base_object.h"

class CBasePin;

class CEnumMediaTypes : public IEnumMediaTypes, public CBaseObject {
 public:
  CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnumMediaTypes);
  ~CEnumMediaTypes() override;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
  STDMETHODIMP Skip(ULONG cMediaTypes) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** ppEnum) override;

 private:
  bool OutOfSync() const;

  volatile LONG m_cRef = 1;
  int m_Position = 0;
  LONG m_Version = 0;
  CBasePin* const m_pPin;
};

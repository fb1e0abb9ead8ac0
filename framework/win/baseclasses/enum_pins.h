// CEnumPins: IEnumPins over a CBaseFilter's pins.
//
// The enumerator holds a reference on the filter. It remembers the filter's
// pin version when created or reset; once pins have been added or removed,
// Next, Skip and Clone fail with VFW_E_ENUM_OUT_OF_SYNC until Reset.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include "framework/win/baseclasses/base_object.h"

class CBaseFilter;

class CEnumPins : public IEnumPins, public CBaseObject {
 public:
  // Starts at the position of pEnumPins when given (Clone), else at 0.
  CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnumPins);
  ~CEnumPins() override;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
  STDMETHODIMP Skip(ULONG cPins) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** ppEnum) override;

 private:
  bool OutOfSync() const;

  volatile LONG m_cRef = 1;
  int m_Position = 0;
  int m_PinCount = 0;
  LONG m_Version = 0;
  CBaseFilter* const m_pFilter;
};

#include "effects/pgeq/win/pgeq_filter.h"

#include "framework/win/guids.h"

namespace {
const CLSID kPgeqPages[] = {CLSID_AkPgeqPropPage};
}  // namespace

const EffectDescription CAkPgeq::kDescription = {&CLSID_AkPgeq, &IID_IAkPgeqProp, kPgeqPages, 1};

STDMETHODIMP CAkPgeq::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAkAudioTransformFloat)
    return GetInterface(static_cast<IAkAudioTransformFloat*>(this), object);
  return CAkEffect::NonDelegatingQueryInterface(iid, object);
}

STDMETHODIMP CAkPgeq::QueryValue(DWORD, DWORD* value) {
  if (!value) return E_POINTER;
  *value = 0;
  return S_FALSE;
}

HRESULT CAkPgeq::StopFloatStream() {
  transform_.Stop();
  return S_OK;
}

#include "framework/win/baseclasses/filter_mapper.h"

#include <uuids.h>

#include "framework/win/baseclasses/pointer_checks.h"

namespace {

HRESULT NotFoundIsSuccess(HRESULT hr) { return hr == kMapperNotFound ? S_OK : hr; }

const CLSID& OrNull(const CLSID* clsid) { return clsid != nullptr ? *clsid : CLSID_NULL; }

}  // namespace

HRESULT AMovieSetupRegisterFilter2(const AMOVIESETUP_FILTER* psetupdata, IFilterMapper2* pIFM2,
                                   BOOL bRegister) {
  CheckPointer(pIFM2, E_POINTER);
  if (psetupdata == nullptr) return S_OK;
  HRESULT hr = NotFoundIsSuccess(
      pIFM2->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *psetupdata->clsID));
  if (FAILED(hr) || !bRegister) return hr;

  REGFILTER2 filter = {};
  filter.dwVersion = 1;
  filter.dwMerit = psetupdata->dwMerit;
  filter.cPins = psetupdata->nPins;
  filter.rgPins = AsRegFilterPins(psetupdata->lpPin);
  return NotFoundIsSuccess(pIFM2->RegisterFilter(*psetupdata->clsID, psetupdata->strName, nullptr,
                                                 &CLSID_LegacyAmFilterCategory, nullptr,
                                                 &filter));
}

HRESULT AMovieSetupRegisterFilter(const AMOVIESETUP_FILTER* psetupdata, IFilterMapper* pIFM,
                                  BOOL bRegister) {
  CheckPointer(pIFM, E_POINTER);
  if (psetupdata == nullptr) return S_OK;
  const CLSID& clsid = *psetupdata->clsID;
  // Removing the filter removes its pins and their types with it.
  HRESULT hr = NotFoundIsSuccess(pIFM->UnregisterFilter(clsid));
  if (FAILED(hr) || !bRegister) return hr;

  hr = NotFoundIsSuccess(pIFM->RegisterFilter(clsid, psetupdata->strName, psetupdata->dwMerit));
  for (UINT p = 0; SUCCEEDED(hr) && p < psetupdata->nPins; ++p) {
    const AMOVIESETUP_PIN& pin = psetupdata->lpPin[p];
    hr = NotFoundIsSuccess(pIFM->RegisterPin(clsid, pin.strName, pin.bRendered, pin.bOutput,
                                             pin.bZero, pin.bMany,
                                             OrNull(pin.clsConnectsToFilter),
                                             pin.strConnectsToPin));
    for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t) {
      const AMOVIESETUP_MEDIATYPE& type = pin.lpMediaType[t];
      hr = NotFoundIsSuccess(pIFM->RegisterPinType(clsid, pin.strName, OrNull(type.clsMajorType),
                                                   OrNull(type.clsMinorType)));
    }
  }
  return hr;
}

HRESULT CreateFilterMapper(IFilterMapper2** ppIFM2, IFilterMapper** ppIFM) {
  CheckPointer(ppIFM2, E_POINTER);
  CheckPointer(ppIFM, E_POINTER);
  *ppIFM2 = nullptr;
  *ppIFM = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFilterMapper2, reinterpret_cast<void**>(ppIFM2));
  if (SUCCEEDED(hr)) return hr;
  *ppIFM2 = nullptr;
  hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                        reinterpret_cast<void**>(ppIFM));
  if (FAILED(hr)) *ppIFM = nullptr;
  return hr;
}

HRESULT RegisterFilterWithMapper(const AMOVIESETUP_FILTER* psetupdata, BOOL bRegister) {
  const HRESULT hrInit = CoInitialize(nullptr);
  IFilterMapper2* mapper2 = nullptr;
  IFilterMapper* mapper1 = nullptr;
  HRESULT hr = CreateFilterMapper(&mapper2, &mapper1);
  if (SUCCEEDED(hr)) {
    if (mapper2 != nullptr) {
      hr = AMovieSetupRegisterFilter2(psetupdata, mapper2, bRegister);
      mapper2->Release();
    } else {
      hr = AMovieSetupRegisterFilter(psetupdata, mapper1, bRegister);
      mapper1->Release();
    }
  }
  CoFreeUnusedLibraries();
  if (SUCCEEDED(hrInit)) CoUninitialize();
  return hr;
}

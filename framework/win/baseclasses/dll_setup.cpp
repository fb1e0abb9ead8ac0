#include "framework/win/baseclasses/dll_setup.h"

#include <objbase.h>

#include "framework/win/baseclasses/dll_entry.h"
#include "framework/win/baseclasses/factory.h"
#include "framework/win/baseclasses/filter_mapper.h"
#include "framework/win/baseclasses/registry.h"

namespace {

// The module's full path. Taken as a wide string so that paths outside the
// system code page survive.
HRESULT ModulePath(WCHAR (&path)[MAX_PATH]) {
  const DWORD length = GetModuleFileNameW(g_hInst, path, MAX_PATH);
  if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
  if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  return S_OK;
}

}  // namespace

HRESULT RegisterAllServers(LPCWSTR szFileName, BOOL bRegister) {
  for (int i = 0; i < g_cTemplates; ++i) {
    const CFactoryTemplate& entry = g_Templates[i];
    const HRESULT hr = bRegister
                           ? AMovieSetupRegisterServer(*entry.m_ClsID, entry.m_Name, szFileName)
                           : AMovieSetupUnregisterServer(*entry.m_ClsID);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT AMovieDllRegisterServer2(BOOL bRegister) {
  WCHAR path[MAX_PATH];
  HRESULT hr = ModulePath(path);
  if (FAILED(hr)) return hr;
  if (bRegister) {
    hr = RegisterAllServers(path, TRUE);
    if (FAILED(hr)) return hr;
  }

  const HRESULT hrInit = CoInitialize(nullptr);
  IFilterMapper2* mapper2 = nullptr;
  IFilterMapper* mapper1 = nullptr;
  hr = CreateFilterMapper(&mapper2, &mapper1);
  if (FAILED(hr)) {
    CoFreeUnusedLibraries();
    if (SUCCEEDED(hrInit)) CoUninitialize();
    return hr;
  }
  for (int i = 0; i < g_cTemplates && SUCCEEDED(hr); ++i) {
    const AMOVIESETUP_FILTER* setup = g_Templates[i].m_pAMovieSetup_Filter;
    if (setup == nullptr) continue;
    hr = mapper2 != nullptr ? AMovieSetupRegisterFilter2(setup, mapper2, bRegister)
                            : AMovieSetupRegisterFilter(setup, mapper1, bRegister);
  }
  if (mapper2 != nullptr) mapper2->Release();
  if (mapper1 != nullptr) mapper1->Release();
  CoFreeUnusedLibraries();
  if (SUCCEEDED(hrInit)) CoUninitialize();

  if (SUCCEEDED(hr) && !bRegister) hr = RegisterAllServers(path, FALSE);
  return hr;
}

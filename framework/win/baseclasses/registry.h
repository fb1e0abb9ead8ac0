// COM server keys under HKEY_CLASSES_ROOT\CLSID.
#pragma once

#include <windows.h>

// Writes HKCR\CLSID\{clsServer} (default value szDescription) and its
// szServerType subkey (default value szFileName, "ThreadingModel" =
// szThreadingModel). The first failing registry call ends the work with
// HRESULT_FROM_WIN32 of its error; keys already written stay.
HRESULT AMovieSetupRegisterServer(CLSID clsServer, LPCWSTR szDescription, LPCWSTR szFileName,
                                  LPCWSTR szThreadingModel = L"Both",
                                  LPCWSTR szServerType = L"InprocServer32");

// Deletes HKCR\CLSID\{clsServer} with everything below it. A key that is
// already gone counts as success.
HRESULT AMovieSetupUnregisterServer(CLSID clsServer);

// Deletes hkey\strSubKey with all its subkeys, depth first. A key that
// cannot be opened counts as already gone (S_OK).
HRESULT EliminateSubKey(HKEY hkey, LPCWSTR strSubKey);

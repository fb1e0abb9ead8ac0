#include "framework/win/baseclasses/registry.h"

#include <objbase.h>

namespace {

constexpr int kGuidChars = 39;  // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" and the terminator

// "CLSID\{...}"
void ClassKeyPath(REFCLSID clsid, WCHAR (&path)[8 + kGuidChars]) {
  lstrcpyW(path, L"CLSID\\");
  StringFromGUID2(clsid, path + 6, kGuidChars);
}

HRESULT SetString(HKEY key, LPCWSTR name, LPCWSTR value) {
  const DWORD bytes = static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(WCHAR));
  const LONG rc =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

}  // namespace

HRESULT AMovieSetupRegisterServer(CLSID clsServer, LPCWSTR szDescription, LPCWSTR szFileName,
                                  LPCWSTR szThreadingModel, LPCWSTR szServerType) {
  WCHAR path[8 + kGuidChars];
  ClassKeyPath(clsServer, path);

  HKEY classKey = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &classKey, nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  HRESULT hr = SetString(classKey, nullptr, szDescription != nullptr ? szDescription : L"");
  if (SUCCEEDED(hr)) {
    HKEY serverKey = nullptr;
    rc = RegCreateKeyExW(classKey, szServerType, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_READ | KEY_WRITE, nullptr, &serverKey, nullptr);
    if (rc != ERROR_SUCCESS) {
      hr = HRESULT_FROM_WIN32(rc);
    } else {
      hr = SetString(serverKey, nullptr, szFileName != nullptr ? szFileName : L"");
      if (SUCCEEDED(hr)) hr = SetString(serverKey, L"ThreadingModel", szThreadingModel);
      RegCloseKey(serverKey);
    }
  }
  RegCloseKey(classKey);
  return hr;
}

HRESULT AMovieSetupUnregisterServer(CLSID clsServer) {
  WCHAR path[8 + kGuidChars];
  ClassKeyPath(clsServer, path);
  return EliminateSubKey(HKEY_CLASSES_ROOT, path);
}

HRESULT EliminateSubKey(HKEY hkey, LPCWSTR strSubKey) {
  if (strSubKey == nullptr || strSubKey[0] == L'\0') return E_INVALIDARG;
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(hkey, strSubKey, 0, KEY_READ | KEY_WRITE, &key);
  if (rc != ERROR_SUCCESS) return S_OK;

  // Always delete the first remaining subkey: indices shift as keys go.
  HRESULT hr = S_OK;
  for (;;) {
    WCHAR name[256];
    DWORD length = ARRAYSIZE(name);
    rc = RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) {
      hr = HRESULT_FROM_WIN32(rc);
      break;
    }
    hr = EliminateSubKey(key, name);
    if (FAILED(hr)) break;
    // A subkey that could not be opened was not deleted; stop rather than
    // loop on it forever.
    HKEY check = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &check) == ERROR_SUCCESS) {
      RegCloseKey(check);
      hr = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
      break;
    }
  }
  RegCloseKey(key);
  if (FAILED(hr)) return hr;
  rc = RegDeleteKeyW(hkey, strSubKey);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(rc);
  return S_OK;
}

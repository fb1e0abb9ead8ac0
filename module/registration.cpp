#include "module/registration.h"

#include <objbase.h>
#include <strmif.h>

#include "module/factory_table.h"

namespace orlofx {

namespace {

constexpr HRESULT kNeedsOwner = static_cast<HRESULT>(0x80040202L);  // VFW_E_NEEDS_OWNER

constexpr wchar_t kScratchClassKey[] = L"CLSID\\{7831F5CD-1B4A-4c28-B24D-D93FA7C0305A}";

// COM for the duration of a pass, for callers that have not initialised it.
// A caller in another apartment already has COM; only our own successful
// initialisation is undone.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

// A page has no IAMovieSetup; a filter that must be aggregated cannot be
// created alone. Neither takes part in set-up.
bool NotASetupObject(HRESULT hr) { return hr == E_NOINTERFACE || hr == kNeedsOwner; }

HRESULT CreateSetupObject(const CFactoryTemplate& entry, IAMovieSetup** setup) {
  *setup = nullptr;
  return CoCreateInstance(*entry.m_ClsID, nullptr, CLSCTX_INPROC_SERVER, IID_IAMovieSetup,
                          reinterpret_cast<void**>(setup));
}

HRESULT ModulePath(HINSTANCE module, WCHAR (&path)[MAX_PATH]) {
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
  if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  return S_OK;
}

}  // namespace

HRESULT CheckClassesRootWritable() {
  HKEY scratch = nullptr;
  LONG error = RegCreateKeyExW(HKEY_CLASSES_ROOT, kScratchClassKey, 0, nullptr, 0, KEY_WRITE,
                               nullptr, &scratch, nullptr);
  if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
  RegCloseKey(scratch);
  error = RegDeleteKeyW(HKEY_CLASSES_ROOT, kScratchClassKey);
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT RegisterSetupObjects(HINSTANCE module) {
  WCHAR path[MAX_PATH];
  HRESULT hr = ModulePath(module, path);
  if (FAILED(hr)) return hr;

  ComScope com;
  for (int i = 0; i < g_cTemplates; ++i) {
    const CFactoryTemplate& entry = g_Templates[i];
    hr = AMovieSetupRegisterServer(*entry.m_ClsID, entry.m_Name, path);
    if (FAILED(hr)) return hr;
    if (!entry.m_lpfnNew) continue;

    IAMovieSetup* setup = nullptr;
    hr = CreateSetupObject(entry, &setup);
    if (SUCCEEDED(hr)) {
      hr = setup->Unregister();
      if (SUCCEEDED(hr)) hr = setup->Register();
      setup->Release();
    } else if (NotASetupObject(hr)) {
      hr = S_OK;
    }
    if (FAILED(hr)) return hr;
  }
  return hr;
}

HRESULT UnregisterSetupObjects() {
  HRESULT hr = S_OK;
  ComScope com;
  for (int i = g_cTemplates - 1; i >= 0; --i) {
    const CFactoryTemplate& entry = g_Templates[i];
    if (entry.m_lpfnNew) {
      IAMovieSetup* setup = nullptr;
      hr = CreateSetupObject(entry, &setup);
      if (SUCCEEDED(hr)) {
        hr = setup->Unregister();
        setup->Release();
      } else if (NotASetupObject(hr)) {
        hr = S_OK;
      }
      if (FAILED(hr)) return hr;
    }
    hr = AMovieSetupUnregisterServer(*entry.m_ClsID);
    if (FAILED(hr)) return hr;
  }
  return hr;
}

}  // namespace orlofx

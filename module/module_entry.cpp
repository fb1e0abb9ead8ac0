// The module's exported entry points: load and unload, the class factory, and
// registration.
#include <windows.h>

#include "module/factory_table.h"
#include "module/registration.h"
#include "module/support_startup.h"
#include "module/window_classes.h"
#include "ui/logo_control.h"

namespace {
constexpr int kLogoBitmap = 24019;
constexpr int kLogoHoverBitmap = 24020;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (!orlofx::StartSupportLibrary(instance)) return FALSE;
      orlofx::RegisterControlClasses(instance, orlofx::ResourceModule());
      orlofx::SetLogoBitmaps(kLogoBitmap, kLogoHoverBitmap);
      return BaseDllEntry(instance, reason);
    case DLL_PROCESS_DETACH:
      // Also reached after a refused attach: every step copes with a start
      // that did not happen.
      orlofx::UnregisterControlClasses(instance);
      orlofx::StopSupportLibrary();
      return BaseDllEntry(instance, reason);
    default:
      return TRUE;
  }
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return BaseDllGetClassObject(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return BaseDllCanUnloadNow(); }

STDAPI DllRegisterServer() {
  HRESULT hr = AMovieDllRegisterServer2(TRUE);
  if (FAILED(hr)) return hr;
  return orlofx::RegisterSetupObjects(orlofx::ModuleInstance());
}

STDAPI DllUnregisterServer() {
  HRESULT hr = orlofx::CheckClassesRootWritable();
  if (FAILED(hr)) return hr;
  hr = orlofx::UnregisterSetupObjects();
  if (FAILED(hr)) return hr;
  return AMovieDllRegisterServer2(FALSE);
}

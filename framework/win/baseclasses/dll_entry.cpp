#include "framework/win/baseclasses/dll_entry.h"

#include "framework/win/baseclasses/factory.h"

namespace {

void CallInitRoutines(BOOL bLoading) {
  for (int i = 0; i < g_cTemplates; ++i) {
    const CFactoryTemplate& entry = g_Templates[i];
    if (entry.m_lpfnInit != nullptr) entry.m_lpfnInit(bLoading, entry.m_ClsID);
  }
}

}  // namespace

BOOL WINAPI BaseDllEntry(HINSTANCE hInstance, DWORD dwReason) {
  switch (dwReason) {
    case DLL_PROCESS_ATTACH: {
      DisableThreadLibraryCalls(hInstance);
      g_hInst = hInstance;
      OSVERSIONINFOW version = {};
      version.dwOSVersionInfoSize = sizeof(version);
      g_amPlatform = GetVersionExW(&version) ? version.dwPlatformId : VER_PLATFORM_WIN32_WINDOWS;
      CallInitRoutines(TRUE);
      break;
    }
    case DLL_PROCESS_DETACH:
      CallInitRoutines(FALSE);
      break;
    default:
      break;
  }
  return TRUE;
}

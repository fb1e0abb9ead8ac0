#include "module/support_startup.h"

namespace orlofx {

namespace {
HINSTANCE g_module = nullptr;
HINSTANCE g_resources = nullptr;
}  // namespace

bool StartSupportLibrary(HINSTANCE module) {
  if (!module) return false;
  // A missing disk or file must come back to us as an error code, never as
  // a system dialog in front of the host.
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  g_module = module;
  g_resources = module;
  return true;
}

void StopSupportLibrary() {
  g_resources = nullptr;
  g_module = nullptr;
}

HINSTANCE ModuleInstance() { return g_module; }
HINSTANCE ResourceModule() { return g_resources; }

}  // namespace orlofx

#include "module/activation_context.h"

namespace orlofx {

namespace {
// The resource id under which a DLL keeps its own manifest.
constexpr WORD kModuleManifestId = 2;
}  // namespace

void ModuleActivationContext::Create(HINSTANCE module) {
  Release();
  // Without a manifest there is nothing to activate; looking first also keeps
  // the side-by-side machinery out of the loader lock in that case.
  if (!FindResourceW(module, MAKEINTRESOURCEW(kModuleManifestId), RT_MANIFEST)) return;
  ACTCTXW request = {};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = module;
  request.lpResourceName = MAKEINTRESOURCEW(kModuleManifestId);
  context_ = CreateActCtxW(&request);
}

void ModuleActivationContext::Release() {
  if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  context_ = INVALID_HANDLE_VALUE;
}

ActivationScope::ActivationScope(const ModuleActivationContext& context) {
  if (context.Handle() != INVALID_HANDLE_VALUE)
    active_ = ActivateActCtx(context.Handle(), &cookie_) != FALSE;
}

ActivationScope::~ActivationScope() {
  if (active_) DeactivateActCtx(0, cookie_);
}

}  // namespace orlofx

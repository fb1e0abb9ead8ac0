// The module's own activation context, when it carries a manifest, so that
// the window classes are registered and unregistered against the component
// versions the module was built for rather than the host's.
#pragma once

#include <windows.h>

namespace orlofx {

class ModuleActivationContext {
 public:
  ModuleActivationContext() = default;
  ~ModuleActivationContext() { Release(); }
  ModuleActivationContext(const ModuleActivationContext&) = delete;
  ModuleActivationContext& operator=(const ModuleActivationContext&) = delete;

  // Creates the context from the module's manifest resource; without one
  // there is no context and activation does nothing.
  void Create(HINSTANCE module);
  void Release();
  HANDLE Handle() const { return context_; }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
};

// Activates a context for the lifetime of the scope (nothing without one).
class ActivationScope {
 public:
  explicit ActivationScope(const ModuleActivationContext& context);
  ~ActivationScope();
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

}  // namespace orlofx

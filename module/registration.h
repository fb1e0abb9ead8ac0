// The module's own registration passes, run around the base classes'
// filter-mapper pass: each object registers or unregisters itself through
// IAMovieSetup, and unregistration first proves that the class keys may be
// changed at all.
#pragma once

#include <windows.h>

namespace orlofx {

// Creates and deletes a scratch key under HKCR\CLSID, so that a caller
// without the right to change class registrations fails before anything is
// removed.
HRESULT CheckClassesRootWritable();

// DllRegisterServer's second pass, table order: the entry's server keys
// again, then the object's own IAMovieSetup::Unregister and Register. Pages
// (no IAMovieSetup) and filters that need an owner are skipped. Stops at the
// first failure.
HRESULT RegisterSetupObjects(HINSTANCE module);

// DllUnregisterServer's pass, last entry first: the object's
// IAMovieSetup::Unregister, then its class key with every subkey. A class
// that COM cannot create (for instance one no longer registered) ends the
// pass with COM's error.
HRESULT UnregisterSetupObjects();

}  // namespace orlofx

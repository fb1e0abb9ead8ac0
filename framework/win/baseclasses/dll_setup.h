// DllRegisterServer and DllUnregisterServer support over the module's class
// table (g_Templates).
#pragma once

#include <windows.h>

// Writes (or deletes) the server keys of every table entry, upward, for the
// module file szFileName. Stops at the first failure.
HRESULT RegisterAllServers(LPCWSTR szFileName, BOOL bRegister);

// The filter-mapper pass. Registering: the server keys of every entry first,
// then, through the version 2 mapper (else version 1), every entry with
// set-up data is removed and added again, in table order. Removing: every
// entry with set-up data is removed from the mapper, then the class keys of
// all entries are deleted. Stops at the first failure and returns its code.
HRESULT AMovieDllRegisterServer2(BOOL bRegister);

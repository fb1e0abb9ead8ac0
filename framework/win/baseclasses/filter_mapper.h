// Registration of filters with the DirectShow filter mapper.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "framework/win/baseclasses/setup.h"

// The mapper's "not found", which removal of an absent entry reports.
constexpr HRESULT kMapperNotFound = static_cast<HRESULT>(0x80070002L);

// Version 2 mapper: removes the filter from the legacy DirectShow filter
// category (default instance) and, when registering, adds it again there with
// a version 1 REGFILTER2 (merit, pins, pin types). kMapperNotFound counts as
// success.
HRESULT AMovieSetupRegisterFilter2(const AMOVIESETUP_FILTER* psetupdata, IFilterMapper2* pIFM2,
                                   BOOL bRegister);

// Version 1 mapper: the same through UnregisterFilter, RegisterFilter,
// RegisterPin and RegisterPinType.
HRESULT AMovieSetupRegisterFilter(const AMOVIESETUP_FILTER* psetupdata, IFilterMapper* pIFM,
                                  BOOL bRegister);

// Creates the version 2 mapper, else the version 1 mapper, in the given
// out-pointers (exactly one is set on success).
HRESULT CreateFilterMapper(IFilterMapper2** ppIFM2, IFilterMapper** ppIFM);

// Registers (or only removes) one filter through whichever mapper is
// available, with COM initialised on the calling thread for the duration.
HRESULT RegisterFilterWithMapper(const AMOVIESETUP_FILTER* psetupdata, BOOL bRegister);

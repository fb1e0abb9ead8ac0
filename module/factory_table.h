// The module's table of creatable classes (six filters, nine property pages)
// and the creation function of each entry.
//
// Every creation function lives in its own create_*.cpp so that building an
// effect or page replaces exactly one file. A function takes the outer
// unknown and a result code to fill and returns the new object, or null with
// the code set (E_OUTOFMEMORY when allocation fails).
#pragma once

#include "framework/win/baseclasses/streams.h"

extern CFactoryTemplate g_Templates[];
extern int g_cTemplates;

// What an entry whose class is not built yet reports: no object, and no
// interface for the caller.
inline CUnknown* NothingCreated(HRESULT* result) {
  if (result) *result = E_NOINTERFACE;
  return nullptr;
}

CUnknown* CALLBACK CreateGeqFilter(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateGeqPropPage(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateGeqPropPage2(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateGeqPropPage3(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreatePmeqFilter(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreatePmeqPropPage(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreatePgeqFilter(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreatePgeqPropPage(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateMbdynFilter(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateMbdynPropPage(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateMbdynPropPage2(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateGdynFilter(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateGdynPropPage(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateNoisgtFilter(LPUNKNOWN outer, HRESULT* result);
CUnknown* CALLBACK CreateNoisgtPropPage(LPUNKNOWN outer, HRESULT* result);

// The filter set-up data of the table entry for `classId` (null for pages).
const AMOVIESETUP_FILTER* SetupDataFor(REFCLSID classId);

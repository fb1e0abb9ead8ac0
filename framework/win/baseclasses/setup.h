// Registration data of a filter: the filter, its pins and their media types,
// as handed to the filter mapper. The pin table has the layout of the
// mapper's REGFILTERPINS (it is passed to the mapper as such); it is declared
// here with constant strings so that tables can be written with literals.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstddef>

typedef REGPINTYPES AMOVIESETUP_MEDIATYPE;
typedef AMOVIESETUP_MEDIATYPE* PAMOVIESETUP_MEDIATYPE;
typedef AMOVIESETUP_MEDIATYPE* LPAMOVIESETUP_MEDIATYPE;

struct AMOVIESETUP_PIN {
  const WCHAR* strName;
  BOOL bRendered;
  BOOL bOutput;
  BOOL bZero;
  BOOL bMany;
  const CLSID* clsConnectsToFilter;
  const WCHAR* strConnectsToPin;
  UINT nMediaTypes;
  const AMOVIESETUP_MEDIATYPE* lpMediaType;
};
typedef AMOVIESETUP_PIN* PAMOVIESETUP_PIN;
typedef AMOVIESETUP_PIN* LPAMOVIESETUP_PIN;

struct AMOVIESETUP_FILTER {
  const CLSID* clsID;
  const WCHAR* strName;
  DWORD dwMerit;
  UINT nPins;
  const AMOVIESETUP_PIN* lpPin;
};
typedef AMOVIESETUP_FILTER* PAMOVIESETUP_FILTER;
typedef AMOVIESETUP_FILTER* LPAMOVIESETUP_FILTER;

static_assert(sizeof(AMOVIESETUP_PIN) == sizeof(REGFILTERPINS), "pin table layout");
static_assert(offsetof(AMOVIESETUP_PIN, strName) == offsetof(REGFILTERPINS, strName), "");
static_assert(offsetof(AMOVIESETUP_PIN, bRendered) == offsetof(REGFILTERPINS, bRendered), "");
static_assert(offsetof(AMOVIESETUP_PIN, bOutput) == offsetof(REGFILTERPINS, bOutput), "");
static_assert(offsetof(AMOVIESETUP_PIN, bZero) == offsetof(REGFILTERPINS, bZero), "");
static_assert(offsetof(AMOVIESETUP_PIN, bMany) == offsetof(REGFILTERPINS, bMany), "");
static_assert(offsetof(AMOVIESETUP_PIN, clsConnectsToFilter) ==
                  offsetof(REGFILTERPINS, clsConnectsToFilter), "");
static_assert(offsetof(AMOVIESETUP_PIN, strConnectsToPin) ==
                  offsetof(REGFILTERPINS, strConnectsToPin), "");
static_assert(offsetof(AMOVIESETUP_PIN, nMediaTypes) == offsetof(REGFILTERPINS, nMediaTypes), "");
static_assert(offsetof(AMOVIESETUP_PIN, lpMediaType) == offsetof(REGFILTERPINS, lpMediaType), "");

// The mapper's view of a pin table.
inline const REGFILTERPINS* AsRegFilterPins(const AMOVIESETUP_PIN* pins) {
  return reinterpret_cast<const REGFILTERPINS*>(pins);
}

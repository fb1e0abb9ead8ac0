// Creation function of the Parametric EQ filter.
#include "effects/pmeq/win/pmeq_filter.h"
#include "framework/win/guids.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreatePmeqFilter(LPUNKNOWN outer, HRESULT* result) {
  return CAkPmeq::CreateInstance(outer, result, SetupDataFor(CLSID_AkPmeq));
}

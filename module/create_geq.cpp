// Creation function of the Graphic EQ filter.
#include "effects/geq/win/geq_filter.h"
#include "framework/win/guids.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGeqFilter(LPUNKNOWN outer, HRESULT* result) {
  return CAkGeq::CreateInstance(outer, result, SetupDataFor(CLSID_AkGeq));
}

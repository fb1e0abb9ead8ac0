// Creation function of the Paragraphic EQ filter.
#include "effects/pgeq/win/pgeq_filter.h"
#include "framework/win/guids.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreatePgeqFilter(LPUNKNOWN outer, HRESULT* result) {
  return CAkPgeq::CreateInstance(outer, result, SetupDataFor(CLSID_AkPgeq));
}

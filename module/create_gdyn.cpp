// Creation function of the Graphic Dynamics filter.
#include "effects/gdyn/win/gdyn_filter.h"
#include "framework/win/guids.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGdynFilter(LPUNKNOWN outer, HRESULT* result) {
  return CAkGdyn::CreateInstance(outer, result, SetupDataFor(CLSID_AkGdyn));
}

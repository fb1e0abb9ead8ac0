// Creation function of the Multi-Band Dynamics filter.
#include "effects/mbdyn/win/mbdyn_filter.h"
#include "framework/win/guids.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateMbdynFilter(LPUNKNOWN outer, HRESULT* result) {
  return CAkMbdyn::CreateInstance(outer, result, SetupDataFor(CLSID_AkMbdyn));
}

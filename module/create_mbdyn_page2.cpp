// Creation function of the Multi-Band Dynamics' second property page (bands 3 and 4).
#include "effects/mbdyn/win/mbdyn_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateMbdynPropPage2(LPUNKNOWN outer, HRESULT* result) {
  return CAkMbdynPropPage2::CreateInstance(outer, result);
}

// Creation function of the Multi-Band Dynamics' first property page (bands 1 and 2).
#include "effects/mbdyn/win/mbdyn_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateMbdynPropPage(LPUNKNOWN outer, HRESULT* result) {
  return CAkMbdynPropPage::CreateInstance(outer, result);
}

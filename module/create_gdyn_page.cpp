// Creation function of the Graphic Dynamics' property page.
#include "effects/gdyn/win/gdyn_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGdynPropPage(LPUNKNOWN outer, HRESULT* result) {
  return CAkGdynPropPage::CreateInstance(outer, result);
}

// Creation function of the Graphic EQ's first property page (10 bands).
#include "effects/geq/win/geq_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGeqPropPage(LPUNKNOWN outer, HRESULT* result) {
  return CAkGeqPropPage::CreateInstance(outer, result);
}

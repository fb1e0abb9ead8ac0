// Creation function of the Graphic EQ's second property page (20 bands).
#include "effects/geq/win/geq_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGeqPropPage2(LPUNKNOWN outer, HRESULT* result) {
  return CAkGeqPropPage2::CreateInstance(outer, result);
}

// Creation function of the Graphic EQ's third property page (the envelope graph).
#include "effects/geq/win/geq_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGeqPropPage3(LPUNKNOWN outer, HRESULT* result) {
  return CAkGeqPropPage3::CreateInstance(outer, result);
}

// Creation function of the Parametric EQ's property page.
#include "effects/pmeq/win/pmeq_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreatePmeqPropPage(LPUNKNOWN outer, HRESULT* result) {
  return CAkPmeqPropPage::CreateInstance(outer, result);
}

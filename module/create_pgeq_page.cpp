// Creation function of the Paragraphic EQ's property page.
#include "effects/pgeq/win/pgeq_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreatePgeqPropPage(LPUNKNOWN outer, HRESULT* result) {
  return CAkPgeqPropPage::CreateInstance(outer, result);
}

// Creation function of the Noise Gate's property page.
#include "effects/noisgt/win/noisgt_page.h"
#include "module/factory_table.h"

CUnknown* CALLBACK CreateNoisgtPropPage(LPUNKNOWN outer, HRESULT* result) {
  return CAkNoisgtPropPage::CreateInstance(outer, result);
}

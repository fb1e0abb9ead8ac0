// Creation function of the Multi-Band Dynamics' first property page.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateMbdynPropPage(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

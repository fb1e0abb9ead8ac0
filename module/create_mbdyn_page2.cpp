// Creation function of the Multi-Band Dynamics' second property page.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateMbdynPropPage2(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

// Creation function of the Graphic Dynamics' property page.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGdynPropPage(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

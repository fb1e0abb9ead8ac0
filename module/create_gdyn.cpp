// Creation function of the Graphic Dynamics filter.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGdynFilter(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

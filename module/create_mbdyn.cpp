// Creation function of the Multi-Band Dynamics filter.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateMbdynFilter(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

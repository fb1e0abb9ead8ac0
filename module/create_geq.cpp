// Creation function of the Graphic EQ filter.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGeqFilter(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

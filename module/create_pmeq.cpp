// Creation function of the Parametric EQ filter.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreatePmeqFilter(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

// Creation function of the Parametric EQ's property page.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreatePmeqPropPage(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

// Creation function of the Graphic EQ's second property page.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGeqPropPage2(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

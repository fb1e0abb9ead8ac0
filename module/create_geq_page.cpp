// Creation function of the Graphic EQ's first property page.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateGeqPropPage(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

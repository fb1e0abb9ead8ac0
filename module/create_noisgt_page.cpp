// Creation function of the Noise Gate's property page.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreateNoisgtPropPage(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

// Creation function of the Paragraphic EQ filter.
// Not built yet: creates nothing (see module/factory_table.h).
#include "module/factory_table.h"

CUnknown* CALLBACK CreatePgeqFilter(LPUNKNOWN /*outer*/, HRESULT* result) {
  return NothingCreated(result);
}

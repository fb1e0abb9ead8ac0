// Creation function of the Noise Gate filter.
#include "effects/noisgt/win/noisgt_filter.h"
#include "module/factory_table.h"
#include "framework/win/guids.h"

CUnknown* CALLBACK CreateNoisgtFilter(LPUNKNOWN outer, HRESULT* result) {
  return CAkNoisgt::CreateInstance(outer, result, SetupDataFor(CLSID_AkNoisgt));
}

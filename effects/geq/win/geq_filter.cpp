#include "effects/geq/win/geq_filter.h"

#include "framework/win/guids.h"

namespace {
// The pages in the order the host shows them: envelope, 10-band, 20-band.
const CLSID kGeqPages[] = {CLSID_AkGeqPropPage3, CLSID_AkGeqPropPage, CLSID_AkGeqPropPage2};
static_assert(sizeof(GeqPoint) == 8, "an envelope point is two 32-bit integers");
}  // namespace

const EffectDescription CAkGeq::kDescription = {&CLSID_AkGeq, &IID_IAkGeqProp, kGeqPages, 3};

#include "effects/gdyn/win/gdyn_filter.h"

#include "framework/win/guids.h"

namespace {
const CLSID kGdynPages[] = {CLSID_AkGdynPropPage};
static_assert(sizeof(orlofx::GdynPoint) == 8, "a curve point is two 32-bit levels");
}  // namespace

const EffectDescription CAkGdyn::kDescription = {&CLSID_AkGdyn, &IID_IAkPlugInProp2, kGdynPages,
                                                 1};

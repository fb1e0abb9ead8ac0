#include "effects/noisgt/win/noisgt_filter.h"

#include "framework/win/guids.h"

namespace {
const CLSID kNoisgtPages[] = {CLSID_AkNoisgtPropPage};
}  // namespace

const EffectDescription CAkNoisgt::kDescription = {&CLSID_AkNoisgt, &IID_IAkNoisgtProp,
                                                   kNoisgtPages, 1};

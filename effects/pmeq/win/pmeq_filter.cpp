#include "effects/pmeq/win/pmeq_filter.h"

#include "framework/win/guids.h"

namespace {
const CLSID kPmeqPages[] = {CLSID_AkPmeqPropPage};
}  // namespace

const EffectDescription CAkPmeq::kDescription = {&CLSID_AkPmeq, &IID_IAkPmeqProp, kPmeqPages, 1};

#include "effects/pmeq/pmeq_transform.h"

namespace orlofx {

CAkPmeqTransform::CAkPmeqTransform()
    : FirEqualizer(2,
                   {kPmeqParameters, kPmeqRecord, kPmeqPresets, kPmeqPresetCount,
                    &ClampPmeqParams},
                   kPmeqDesignRules) {}

}  // namespace orlofx

#include "effects/pmeq/pmeq_transform.h"

namespace orlofx {

CAkPmeqTransform::CAkPmeqTransform()
    : FirEqualizer({2, kPmeqDesignRules, kPmeqParameters, kPmeqRecord, kPmeqPresets,
                    kPmeqPresetCount, &ClampPmeqParams}) {}

}  // namespace orlofx

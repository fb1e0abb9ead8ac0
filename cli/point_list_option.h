// `--set points=x:y,x:y,...`: a list of points given as one setting, for the
// effects whose record keeps a curve (the Graphic EQ's envelope, the Graphic
// Dynamics' level curve). Read through the effect's parameter table, so an
// effect offers it by describing the list there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/parameters.h"
#include "framework/processor.h"

namespace orlofx::cli {

// Reads `given` into `xy` (x, y, x, y, ... of the points in use), changing
// nothing in the effect. A malformed list prints a message naming the faulty
// point and returns kExitUsage; out-of-range coordinates are clamped with a
// warning.
int ParsePointListOption(const EffectProcessor& fx, const PointListDescriptor& list,
                         const std::string& given, std::vector<std::int32_t>* xy);

// The "info" line of a point list: its limits and preset 0's points.
std::string PointListInfo(const PointListDescriptor& list, const std::int32_t* presetFields);

}  // namespace orlofx::cli

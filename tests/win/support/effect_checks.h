// The effect checks (slot calls, records over memory, a test signal, the
// processor's output as reference) live beside the test filters.
#pragma once

#include "tests/win/support/test_filters.h"

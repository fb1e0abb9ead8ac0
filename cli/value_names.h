// Names of the values of settings that choose one of a few: the Parametric
// EQ's filter type, the band types of the Multi-Band Dynamics, the FIR
// equalisers' accuracy, and every switch (off, on). --set and --at take a
// name in the tool's language or in English as well as the number; `info`
// lists them.
#pragma once

#include <optional>
#include <string>

#include "framework/parameters.h"

namespace orlofx::cli {

struct ValueNames {
  const int* ids = nullptr;  // string id of value i's name
  int count = 0;             // 0: the setting takes numbers only
};

ValueNames NamesOfValues(const char* effect, const ParameterDescriptor& setting);

// The value called `given` (any case; blanks, '-' and '_' ignored) in the
// current language or in English.
std::optional<int> ValueNamed(const ValueNames& names, const std::string& given);

// "0 low-shelf, 1 high-shelf, ..." in the current language.
std::string ValueNameList(const ValueNames& names);

}  // namespace orlofx::cli

// What an effect's settings do, for the command-line tool's response command.
//
// A processor that can say it exactly derives from ResponseProvider: the
// equalisers give the magnitude response of the filter their settings build
// (decibels against frequency), the dynamics effects their static transfer
// curve (output level against input level, both in dBFS). The tool measures
// the impulse response of a processor that does not derive from it.
// Allocates; never on the streaming path.
#pragma once

#include <cstddef>

#include "support/result.h"

namespace orlofx {

enum class ResponseAxis {
  kFrequency,  // x in Hz, y the gain in dB
  kLevel,      // x the input level in dBFS, y the output level in dBFS
};

class ResponseProvider {
 public:
  virtual ResponseAxis ResponseKind() const = 0;
  // y[i] for x[i], i < count, with the current settings at sample rate fs.
  virtual HResult ResponseAt(double fs, const double* x, std::size_t count,
                             double* y) const = 0;

 protected:
  ~ResponseProvider() = default;
};

}  // namespace orlofx

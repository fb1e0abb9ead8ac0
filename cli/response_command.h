// orlofx response <effect> [settings options] --rate <Hz> [--csv <file>] [--points <n>]
//
// Shows what an effect's settings do. An effect that can say so exactly
// (framework/response.h) gives it: the equalisers their magnitude response
// in dB on a log-frequency grid from 20 Hz to half the rate, the dynamics
// effects their output level against input level on a grid from -96 to
// 0 dBFS. Any other effect is measured: as a mono float stream at the rate,
// once with noise alone and once with an impulse added after a second of
// it; the difference is the response to the impulse at the working point
// the noise sets (a gate open, a compressor settled), and its magnitude is
// read on the same frequency grid.
//
// Text output follows the locale's number layout; the CSV file is for
// programs and always uses '.' and ','.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/processor.h"
#include "framework/response.h"

namespace orlofx::cli {

int Response(const std::vector<std::string>& args);
void PrintResponseUsage(std::FILE* to);

// --- the pieces, for tests -------------------------------------------------

// `count` frequencies from 20 Hz to fs/2, evenly spaced in log frequency
// (both ends included).
std::vector<double> FrequencyGrid(double fs, std::size_t count);
// `count` levels from -96 to 0 dBFS, evenly spaced.
std::vector<double> LevelGrid(std::size_t count);

// Magnitude in dB at each frequency of the impulse response measured
// through `fx` (as above), prepared as a mono 32-bit float stream at fs.
// Prepares and releases the processor. A processor that refuses the format, fails, or
// stops giving output returns its error (kFail when it stalls).
HResult MeasuredResponseDb(EffectProcessor& fx, double fs, const std::vector<double>& frequencies,
                           std::vector<double>* db);

}  // namespace orlofx::cli

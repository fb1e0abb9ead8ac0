// orlofx process <effect> [options] [then <effect> [options]]... <input> <output>
//
// Runs the effects over a sound file in one pass (cli/chain.h) and writes the
// result in the output's type and sample format (cli/file_types.h), aligned
// with the input and of its length. A single effect on a file whose samples
// it takes as they are (8-, 16- or 32-bit PCM, float or double; mono or
// stereo) written back in the same sample format gets them unconverted, as
// a host would give them; otherwise the samples go through the effects as
// float, or as double for inputs of more than 24 bits. Nothing is written
// unless the whole run succeeds.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace orlofx::cli {

// `args` from the first effect's name on; the exit status.
int Process(const std::vector<std::string>& args);

// The command's lines of the usage text.
void PrintProcessUsage(std::FILE* to);

}  // namespace orlofx::cli

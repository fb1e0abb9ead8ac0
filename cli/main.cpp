// orlofx: runs the module's effects on WAV files (see cli/commands.h).
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  return orlofx::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
}

#include "cli/cli_text.h"

#include <cstdio>

#include "cli/commands.h"
#include "support/strings.h"

namespace orlofx::cli {

// Only "%s" is filled in (and "%%" kept as "%"), so a table text can never
// make the tool read arguments it was not given.
std::string Text(int id, std::initializer_list<std::string> args) {
  const std::string format = LoadString(id);
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == 's') {
        if (next != args.end()) out += *next++;
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

void PrintError(const std::string& message) {
  std::fprintf(stderr, "orlofx: %s\n", Text(text::kErrorPrefix, {message}).c_str());
}

namespace {
bool gWarningsQuiet = false;
}  // namespace

QuietWarnings::QuietWarnings() : was_(gWarningsQuiet) { gWarningsQuiet = true; }
QuietWarnings::~QuietWarnings() { gWarningsQuiet = was_; }

void PrintWarning(const std::string& message) {
  if (gWarningsQuiet) return;
  std::fprintf(stderr, "orlofx: %s\n", Text(text::kWarningPrefix, {message}).c_str());
}

void PrintLine(const std::string& line) { std::printf("%s\n", line.c_str()); }

int UsageError(const std::string& message) {
  PrintError(message);
  std::fprintf(stderr, "%s\n", Text(text::kSeeHelp).c_str());
  return kExitUsage;
}

int Failure(const std::string& message) {
  PrintError(message);
  return kExitFailure;
}

std::string HResultText(HResult hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace orlofx::cli

#include "cli/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/cli_text.h"

namespace orlofx::cli {

namespace {
constexpr int kBarWidth = 40;
constexpr int kLongFileSeconds = 5;
}  // namespace

Progress::Progress(std::int64_t total, int rate, bool wanted)
    : total_(total),
      active_(wanted && total > 0 && rate > 0 &&
              total >= static_cast<std::int64_t>(rate) * kLongFileSeconds &&
              isatty(STDERR_FILENO)) {}

Progress::~Progress() { Finish(); }

void Progress::Update(std::int64_t done) {
  if (!active_) return;
  int percent = static_cast<int>(done >= total_ ? 100 : done * 100 / total_);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
  std::fprintf(stderr, "\r%s [%s] %3d%%", Text(text::kProgressLabel).c_str(), bar.c_str(), percent);
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!active_) return;
  if (shownPercent_ >= 0) std::fputc('\n', stderr);
  active_ = false;
}

}  // namespace orlofx::cli

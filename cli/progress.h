// A progress bar on stderr for files longer than a few seconds, shown only
// when stderr is a terminal so that logs and pipes stay clean, and not at
// all when the user asks for quiet.
#pragma once

#include <cstdint>

namespace orlofx::cli {

class Progress {
 public:
  // total: frames expected (0 or less: unknown, no bar); rate: frames per
  // second, to decide whether the file is long enough to be worth a bar.
  Progress(std::int64_t total, int rate, bool wanted);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Update(std::int64_t done);
  // Ends the bar's line, if one is shown.
  void Finish();

 private:
  std::int64_t total_;
  int shownPercent_ = -1;
  bool active_;
};

}  // namespace orlofx::cli

// A progress bar on stderr for long files, shown only when stderr is a
// terminal so that logs and pipes stay clean.
#pragma once

#include <cstdint>

namespace orlofx::cli {

class Progress {
 public:
  // total: frames expected (0 or less: unknown, no bar); rate: frames per
  // second, to decide whether the file is long enough to be worth a bar.
  Progress(std::int64_t total, int rate);
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

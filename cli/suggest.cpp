#include "cli/suggest.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_text.h"

namespace orlofx::cli {

namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      const std::size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = row[j];
      row[j] = next;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string NearestName(const std::string& given, const std::vector<std::string>& candidates) {
  // A slip: a letter or two in a short name, about a third of a long one.
  const std::size_t allowed = std::max<std::size_t>(2, (given.size() + 2) / 3);
  std::string best;
  std::size_t bestDistance = allowed + 1;
  for (const std::string& c : candidates) {
    const std::size_t d = EditDistance(given, c);
    if (d < bestDistance) {
      best = c;
      bestDistance = d;
    }
  }
  return best;
}

std::string WithSuggestion(const std::string& message, const std::string& given,
                           const std::vector<std::string>& candidates) {
  const std::string nearest = NearestName(given, candidates);
  return nearest.empty() ? message : message + Text(text::kDidYouMean, {nearest});
}

}  // namespace orlofx::cli

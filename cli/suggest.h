// "Did you mean ...?" for names the tool does not know: effects, settings,
// options, commands, presets, file types.
#pragma once

#include <string>
#include <vector>

namespace orlofx::cli {

// The candidate nearest to `given` by edit distance (ignoring case), when it
// is near enough to be a slip of the keyboard; empty otherwise.
std::string NearestName(const std::string& given, const std::vector<std::string>& candidates);

// `message`, followed by the suggestion (string table) when there is one.
std::string WithSuggestion(const std::string& message, const std::string& given,
                           const std::vector<std::string>& candidates);

}  // namespace orlofx::cli

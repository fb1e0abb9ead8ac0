#include "framework/parameters.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace orlofx {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A whole number with an optional sign at text[*pos], blanks around it
// skipped. Digits beyond the 64-bit range saturate, so an absurd value is
// clamped like any other.
bool ReadWhole(const char* text, std::size_t* pos, std::int64_t* value) {
  std::size_t i = *pos;
  while (IsBlank(text[i])) ++i;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  std::int64_t v = 0;
  for (; std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    const int digit = text[i] - '0';
    v = v > (INT64_MAX - digit) / 10 ? INT64_MAX : v * 10 + digit;
  }
  while (IsBlank(text[i])) ++i;
  *pos = i;
  *value = negative ? -v : v;
  return true;
}

std::int32_t ClampNoting(std::int64_t v, std::int32_t lo, std::int32_t hi, bool* clamped) {
  if (v < lo || v > hi) *clamped = true;
  return ClampTo(v, lo, hi);
}

}  // namespace

PointListParse ParsePointList(const PointListDescriptor& list, const char* text,
                              std::int32_t* fields) {
  PointListParse result;
  std::vector<std::int32_t> values;
  std::size_t pos = 0;
  std::size_t item = 0;
  for (;; ++item) {
    std::int64_t x = 0, y = 0;
    if (!ReadWhole(text, &pos, &x) || text[pos] != ':') {
      result.error = PointListError::kSyntax;
      break;
    }
    ++pos;
    if (!ReadWhole(text, &pos, &y) || (text[pos] != ',' && text[pos] != '\0')) {
      result.error = PointListError::kSyntax;
      break;
    }
    if (item >= static_cast<std::size_t>(list.maxCount)) {
      result.error = PointListError::kCount;
      break;
    }
    values.push_back(ClampNoting(x, list.xMinimum, list.xMaximum, &result.clamped));
    values.push_back(ClampNoting(y, list.yMinimum, list.yMaximum, &result.clamped));
    if (item > 0 && values[2 * item] < values[2 * item - 2]) {
      result.error = PointListError::kDescending;
      break;
    }
    if (text[pos] == '\0') break;
    ++pos;  // the comma
  }
  result.errorItem = item;
  result.pointCount = values.size() / 2;
  if (result.error == PointListError::kNone &&
      result.pointCount < static_cast<std::size_t>(list.minCount)) {
    result.error = PointListError::kCount;
    result.errorItem = result.pointCount;  // where the missing point should be
  }
  if (result.error != PointListError::kNone) return result;

  std::fill(fields + list.firstField, fields + list.firstField + 2 * list.maxCount, 0);
  std::copy(values.begin(), values.end(), fields + list.firstField);
  fields[list.countField] = static_cast<std::int32_t>(result.pointCount);
  return result;
}

std::string FormatPointList(const PointListDescriptor& list, const std::int32_t* fields) {
  const std::int32_t count =
      std::min(std::max(fields[list.countField], list.minCount), list.maxCount);
  std::string text;
  for (std::int32_t i = 0; i < count; ++i) {
    if (i > 0) text += ',';
    text += std::to_string(fields[list.firstField + 2 * i]);
    text += ':';
    text += std::to_string(fields[list.firstField + 2 * i + 1]);
  }
  return text;
}

}  // namespace orlofx

#include "cli/point_list_option.h"

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "framework/settings_record.h"

namespace orlofx::cli {

namespace {

std::string Whole(long v) { return std::to_string(v); }

// The item the parser stopped at, as the user typed it.
std::string ItemText(const std::string& given, std::size_t item) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < item && start != std::string::npos; ++i) {
    start = given.find(',', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos) return std::string();
  const std::size_t end = given.find(',', start);
  return given.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

int ParsePointListOption(const EffectProcessor& fx, const PointListDescriptor& list,
                         const std::string& given, std::vector<std::int32_t>* xy) {
  std::int32_t fields[kMaxRecordFields];
  fx.GetFields(fields);
  const PointListParse parse = ParsePointList(list, given.c_str(), fields);
  switch (parse.error) {
    case PointListError::kNone:
      break;
    case PointListError::kSyntax:
      return UsageError(Text(text::kPointSyntax,
                             {list.name, Whole(static_cast<long>(parse.errorItem + 1)),
                              ItemText(given, parse.errorItem)}));
    case PointListError::kCount:
      return UsageError(
          Text(text::kPointCount, {list.name, Whole(list.minCount), Whole(list.maxCount)}));
    case PointListError::kDescending:
      return UsageError(
          Text(text::kPointOrder, {list.name, Whole(static_cast<long>(parse.errorItem + 1))}));
  }
  if (parse.clamped)
    PrintWarning(Text(text::kPointClamped,
                      {list.name, Whole(list.xMinimum), Whole(list.xMaximum), Whole(list.yMinimum),
                       Whole(list.yMaximum), FormatPointList(list, fields)}));
  xy->assign(fields + list.firstField, fields + list.firstField + 2 * parse.pointCount);
  return kExitOk;
}

std::string PointListInfo(const PointListDescriptor& list, const std::int32_t* presetFields) {
  return Text(text::kPointListLine,
              {Whole(list.minCount), Whole(list.maxCount), Whole(list.xMinimum),
               Whole(list.xMaximum), Whole(list.yMinimum), Whole(list.yMaximum),
               FormatPointList(list, presetFields)});
}

}  // namespace orlofx::cli

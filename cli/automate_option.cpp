#include "cli/automate_option.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "framework/automation_points.h"
#include "support/strings.h"

namespace orlofx::cli {

namespace {

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

std::vector<std::string> Names(const EffectProcessor& fx, const AutomationParams& automation) {
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < automation.ParamCount(); ++i)
    names.push_back(AutomationParameterName(fx.Parameters(), automation, i));
  return names;
}

// The item'th point of the list after "=", as the user wrote it.
std::string PointText(const std::string& value, std::size_t item) {
  std::string_view rest = std::string_view(value).substr(value.find('=') + 1);
  for (std::size_t i = 0; i < item && rest.find(',') != std::string_view::npos; ++i)
    rest.remove_prefix(rest.find(',') + 1);
  return std::string(rest.substr(0, rest.find(',')));
}

}  // namespace

AutomationParams* AutomationOf(EffectProcessor& fx) {
  return dynamic_cast<AutomationParams*>(&fx);
}

int ApplyAutomate(EffectProcessor& fx, const char* effectName, const std::string& value) {
  AutomationParams* automation = AutomationOf(fx);
  if (!automation) return UsageError(Text(text::kNothingToAutomate, {effectName}));
  const std::vector<std::string> names = Names(fx, *automation);
  const AutomateOutcome out = ApplyAutomationText(*automation, names, value);
  const std::string& name = out.name;
  const std::string item = std::to_string(out.errorItem + 1);
  switch (out.error) {
    case AutomateError::kNone:
      break;
    case AutomateError::kNoParameters:
      return UsageError(Text(text::kNothingToAutomate, {effectName}));
    case AutomateError::kSyntax:
      return UsageError(Text(text::kAutomateSyntax, {value}));
    case AutomateError::kUnknownName: {
      std::string known;
      for (const std::string& n : names) known += (known.empty() ? "" : ", ") + n;
      return UsageError(Text(text::kNotAutomatable, {name, effectName, known}));
    }
    case AutomateError::kSwitchCurve:
      return UsageError(Text(text::kAutomateSwitchJumps, {name}));
    case AutomateError::kRefused:
      PrintError(Text(text::kAutomateRefused, {name, HResultText(out.result)}));
      return kExitFailure;
    case AutomateError::kPoints:
      switch (out.pointsError) {
        case AutomationPointsError::kEmpty:
          return UsageError(Text(text::kAutomateNoPoints, {name}));
        case AutomationPointsError::kCurve:
          return UsageError(Text(text::kAutomateUnknownCurve, {name, item}));
        case AutomationPointsError::kTime:
          return UsageError(Text(text::kAutomateTime, {name, item, Number(kMaxAutomationSeconds)}));
        case AutomationPointsError::kDescending:
          return UsageError(Text(text::kAutomateDescending, {name, item}));
        case AutomationPointsError::kSyntax:
        case AutomationPointsError::kNone:
          break;
      }
      return UsageError(Text(text::kAutomatePointSyntax, {name, item, PointText(value, out.errorItem)}));
  }
  if (out.clamped) {
    const AutomationParamDesc& d = *automation->Desc(out.index);
    PrintWarning(Text(text::kAutomateClamped, {name, Number(d.minimum), Number(d.maximum)}));
  }
  return kExitOk;
}

void PrintAutomateUsage(std::FILE* to) {
  std::fprintf(to, "%s\n", Text(text::kAutomateUsage).c_str());
  std::fprintf(to, "%s\n", Text(text::kAutomateUsageMore).c_str());
}

void PrintAutomatable(EffectProcessor& fx) {
  AutomationParams* automation = AutomationOf(fx);
  if (!automation || automation->ParamCount() == 0) return;
  PrintLine(Text(text::kAutomatableHeading));
  const std::vector<std::string> names = Names(fx, *automation);
  for (std::uint32_t i = 0; i < automation->ParamCount(); ++i) {
    const AutomationParamDesc& d = *automation->Desc(i);
    const std::string unit = d.unitId >= 0 ? LoadStringOr(d.unitId, "") : std::string();
    std::printf("  %-12s %s\n", names[i].c_str(),
                Text(text::kAutomatableLine,
                     {Number(d.minimum), Number(d.maximum), unit, Number(d.neutral)})
                    .c_str());
  }
}

}  // namespace orlofx::cli

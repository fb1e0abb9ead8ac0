// Automation written as a list of points, "t:v[:curve],t:v[:curve],...":
// times in seconds from the start of the stream, values in the parameter's
// own units, and an optional curve name telling how the value travels from
// the point before to this one (jump, linear, square, inversesquare, sine).
//
// The points become envelope segments for AutomationParams::AddEnvelope:
// one segment from each point to the next, with the later point's curve. A
// jump holds the earlier value and lands on the later one at its time. After
// the last point its value stays; before the first, the effect's own setting
// holds. A single point is a jump to its value at its time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include <string>

#include "framework/automation.h"
#include "framework/parameters.h"

namespace orlofx {

struct AutomationPoint {
  double seconds;
  double value;
  std::uint32_t curve;  // kCurve*; 0 when the point names none
};

enum class AutomationPointsError {
  kNone,
  kEmpty,       // no point at all
  kSyntax,      // an item is not t:v or t:v:curve with numbers
  kCurve,       // an unknown curve name
  kTime,        // a time below 0 or beyond kMaxAutomationSeconds
  kDescending,  // a time earlier than the one before it
};

// Times beyond this are refused (they would not fit the stream's clock).
constexpr double kMaxAutomationSeconds = 1.0e9;

struct AutomationPointsParse {
  AutomationPointsError error = AutomationPointsError::kNone;
  std::size_t errorItem = 0;  // 0-based index of the offending item
  std::vector<AutomationPoint> points;
};

// Reads the list; blanks around numbers and separators are allowed. Numbers
// are plain decimals ("1", "-2.5", "0.25e1"); NaN and infinities are not
// numbers here.
AutomationPointsParse ParseAutomationPoints(std::string_view text);

// The curve called `name` (case-insensitive), or 0.
std::uint32_t CurveFromName(std::string_view name);
// The name of a kCurve* value ("jump", "linear", ...), or "" for others.
const char* CurveName(std::uint32_t curve);

// The segments for the points (assumed parsed: ascending times). A point
// without a curve takes `defaultCurve`. Times are rounded to 100 ns.
std::vector<EnvelopeSegment> SegmentsFromPoints(const std::vector<AutomationPoint>& points,
                                                std::uint32_t defaultCurve);

// The command-line name of automatable parameter `index`: the name of the
// record field it drives (its byte offset / 4 in `fields`), else its label in
// lower case with blanks as underscores, else "p<index>".
std::string AutomationParameterName(const ParameterTable& fields,
                                    const AutomationParams& automation, std::uint32_t index);

// What became of "<name>=<points>" given to ApplyAutomationText.
enum class AutomateError {
  kNone,
  kNoParameters,  // the effect has no automatable parameter
  kSyntax,        // no "<name>=" in front
  kUnknownName,   // no automatable parameter of that name
  kPoints,        // the points were refused (pointsError, errorItem)
  kSwitchCurve,   // a switch given a curve other than jump
  kRefused,       // AddEnvelope failed (result)
};

struct AutomateOutcome {
  AutomateError error = AutomateError::kNone;
  AutomationPointsError pointsError = AutomationPointsError::kNone;
  std::size_t errorItem = 0;
  std::string name;           // the name given
  std::uint32_t index = 0;    // the parameter, once known
  bool clamped = false;       // values outside the range were clamped
  HResult result = kOk;       // AddEnvelope's result
};

// Parses "<name>=<points>" and adds the envelope to the named parameter
// (names[i] is parameter i's name). Switches default to jumps and refuse
// other curves; floats default to linear. Values are clamped to the range.
// On any error nothing is changed.
AutomateOutcome ApplyAutomationText(AutomationParams& automation,
                                    const std::vector<std::string>& names, std::string_view text);

}  // namespace orlofx

// The command-line tool's --automate option: rides an automatable setting of
// an effect over the file through the same automation part a host uses.
//
//   --automate <setting>=<t:v[:curve]>,<t:v[:curve]>,...
//
// Times in seconds from the start of the file, values in the setting's own
// units (dB, ms, 0/1), curves jump, linear, square, inversesquare, sine
// (framework/automation_points.h tells how points become segments).
#pragma once

#include <cstdio>
#include <string>

#include "framework/automation.h"
#include "framework/processor.h"

namespace orlofx::cli {

namespace text {
constexpr int kAutomateUsage = 9340;  // two lines: 9340, 9341
constexpr int kAutomateUsageMore = 9341;
constexpr int kNothingToAutomate = 9342;      // effect
constexpr int kNotAutomatable = 9343;         // setting, effect, list
constexpr int kAutomateSyntax = 9344;         // given
constexpr int kAutomatePointSyntax = 9345;    // setting, point number, item
constexpr int kAutomateUnknownCurve = 9346;   // setting, point number
constexpr int kAutomateTime = 9347;           // setting, point number, limit
constexpr int kAutomateDescending = 9348;     // setting, point number
constexpr int kAutomateSwitchJumps = 9349;    // setting
constexpr int kAutomateClamped = 9350;        // setting, minimum, maximum
constexpr int kAutomateNoPoints = 9351;       // setting
constexpr int kAutomatableHeading = 9352;
constexpr int kAutomatableLine = 9353;        // minimum, maximum, unit, neutral
constexpr int kAutomateRefused = 9354;        // setting, result code
}  // namespace text

// The effect's automation part, or null when it has none.
AutomationParams* AutomationOf(EffectProcessor& fx);

// Applies one option value ("<setting>=<points>") to `fx`; `effectName` is
// used in messages. kExitOk, or kExitUsage after printing what is wrong (then
// nothing was changed). Values out of range are clamped with a warning.
int ApplyAutomate(EffectProcessor& fx, const char* effectName, const std::string& value);

// The option's lines of the usage text.
void PrintAutomateUsage(std::FILE* to);

// For `info`: the automatable settings with their ranges (nothing for an
// effect without any).
void PrintAutomatable(EffectProcessor& fx);

}  // namespace orlofx::cli

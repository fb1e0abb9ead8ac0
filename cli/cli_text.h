// String ids of the command-line tool's own texts (English in
// support/strings/strings_1033.inc, block 9200-9299), and the printing
// helpers every command uses. Everything the tool says comes from the string
// table; only layout (spaces, line breaks, number digits) is written here.
#pragma once

#include <initializer_list>
#include <string>

#include "support/result.h"

namespace orlofx::cli {

namespace text {
constexpr int kUsage = 9200;
constexpr int kUsageFirstLine = 9201;  // 9201-9209: commands
constexpr int kUsageLastLine = 9209;
constexpr int kOptions = 9210;  // 9211-9214: options
constexpr int kOptionsFirstLine = 9211;
constexpr int kOptionsLastLine = 9214;
constexpr int kSettingsHeading = 9216;
constexpr int kPresetsHeading = 9217;
constexpr int kRangeLine = 9218;   // "%s to %s %s, default %s"
constexpr int kRecordLine = 9219;  // "record: %s bytes, tag %s"
constexpr int kProgressLabel = 9220;
constexpr int kUnitTenthsDecibel = 9230;
constexpr int kUnitTenthsOctave = 9231;
constexpr int kUnitTenthsMillisecond = 9317;
constexpr int kUnitTenthsRatio = 9318;
constexpr int kErrorPrefix = 9240;
constexpr int kWarningPrefix = 9241;
constexpr int kSeeHelp = 9242;
constexpr int kValueClamped = 9243;             // name, given, min, max, used
constexpr int kCannotOpenInput = 9244;          // path, detail
constexpr int kCannotRead = 9245;               // path, detail
constexpr int kCannotWrite = 9246;              // path, detail
constexpr int kRecordWrongHead = 9250;          // path, effect
constexpr int kRecordTooShort = 9251;           // path, effect
constexpr int kRecordTooLong = 9252;            // path, effect
constexpr int kSetSyntax = 9253;
constexpr int kTooManyArguments = 9254;
constexpr int kFormatRefused = 9255;
constexpr int kUnknownLanguage = 9256;
constexpr int kInterrupted = 9257;
constexpr int kLengthMismatch = 9260;  // produced, expected
constexpr int kProcessedSummary = 9261;  // effect, frames, seconds, rate, path
// Point lists and the response command (block 9300-9339).
constexpr int kPointSyntax = 9300;     // name, point number, item
constexpr int kPointCount = 9301;      // name, min, max
constexpr int kPointOrder = 9302;      // name, point number
constexpr int kPointClamped = 9303;    // name, x min, x max, y min, y max, used list
constexpr int kPointListLine = 9304;   // min, max, x min, x max, y min, y max, default
constexpr int kResponseUsage = 9305;   // 9305-9306: usage lines
constexpr int kResponseUsageLast = 9306;
constexpr int kResponseRate = 9307;    // min, max, given
constexpr int kResponsePoints = 9308;  // min, max, given
constexpr int kResponseFrequency = 9309;
constexpr int kResponseGain = 9310;
constexpr int kResponseInputLevel = 9311;
constexpr int kResponseOutputLevel = 9312;
constexpr int kResponseDesigned = 9313;  // effect, rate
constexpr int kResponseMeasured = 9314;  // effect, rate
constexpr int kResponseWritten = 9315;   // effect, count, path
constexpr int kResponseLevels = 9316;    // effect, rate
// Settings changed while the file plays (block 9400-9499).
constexpr int kAtUsage = 9400;  // 9400-9402: usage lines
constexpr int kAtUsageLast = 9402;
constexpr int kAtSyntax = 9403;               // given
constexpr int kAtOutsideInput = 9404;         // given, length in seconds
constexpr int kAtOutOfOrder = 9405;           // given, the change given before
constexpr int kAtOnlyWhileProcessing = 9406;
constexpr int kUnknownOption = 9407;         // option
constexpr int kOptionTakesNoValue = 9408;    // option
constexpr int kDidYouMean = 9409;            // the nearest name
constexpr int kUnknownFileType = 9410;       // given, known types
constexpr int kUnknownExtension = 9411;      // path, known types
constexpr int kUnknownSampleFormat = 9412;   // given, known formats
constexpr int kTypeCannotHold = 9413;        // type, input's format, formats it holds
constexpr int kCannotWriteFormat = 9414;     // type, format, channels, rate, formats it holds
constexpr int kJsonNeedsFile = 9415;
constexpr int kStatsLine = 9416;             // 4 input levels, 4 output levels, seconds
constexpr int kValueNamesAre = 9417;         // "0 name, 1 name, ..."
constexpr int kValueLowShelf = 9420;         // names of values, 9420-9428
constexpr int kValueHighShelf = 9421;
constexpr int kValueBandPass = 9422;
constexpr int kValueBandNotch = 9423;
constexpr int kValueLow = 9424;
constexpr int kValueMedium = 9425;
constexpr int kValueHigh = 9426;
constexpr int kValueOff = 9427;
constexpr int kValueOn = 9428;
constexpr int kProcessUsage = 9430;          // 9430-9437: usage lines of process
constexpr int kTypeUsageLine = 9433;         // types
constexpr int kFormatUsageLine = 9434;       // formats
constexpr int kProcessUsageLast = 9437;
constexpr int kGraphicEqViewsNote = 9450;

// Shared command-line texts from the general table.
constexpr int kUnknownCommand = 9100;
constexpr int kUnknownEffect = 9101;
constexpr int kUnknownSetting = 9102;
constexpr int kUnknownPreset = 9103;
constexpr int kMissingArgument = 9104;
constexpr int kInvalidValue = 9105;
constexpr int kProcessingError = 9110;
constexpr int kUnitMilliseconds = 7140;
constexpr int kUnitHertz = 7142;
}  // namespace text

// The text of `id` with each "%s" replaced by the next argument, in order.
std::string Text(int id, std::initializer_list<std::string> args = {});

// "orlofx: error: <text>" and "orlofx: warning: <text>" on stderr.
void PrintError(const std::string& message);
void PrintWarning(const std::string& message);
// A plain line on stdout.
void PrintLine(const std::string& line);

// While one lives, warnings are not printed: the same options applied again
// (to another instance of an effect) say nothing new.
class QuietWarnings {
 public:
  QuietWarnings();
  ~QuietWarnings();
  QuietWarnings(const QuietWarnings&) = delete;
  QuietWarnings& operator=(const QuietWarnings&) = delete;

 private:
  bool was_;
};

// The error, then the pointer to --help; gives kExitUsage.
int UsageError(const std::string& message);
// The error; gives kExitFailure.
int Failure(const std::string& message);
// A result code as "0x80004005".
std::string HResultText(HResult hr);

}  // namespace orlofx::cli

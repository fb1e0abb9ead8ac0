#include "cli/response_command.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "dsp/fir_design.h"
#include "support/number_format.h"

namespace orlofx::cli {

namespace {

constexpr std::int64_t kMinRate = 1000;
constexpr std::int64_t kMaxRate = 1000000;
constexpr std::int64_t kMinPoints = 2;
constexpr std::int64_t kMaxPoints = 10000;
constexpr std::int64_t kDefaultPoints = 100;

// The measurement: a second of noise at about -8 dBFS, then the impulse,
// then long enough for the longest FIR kernel (2047 taps) and a dynamics
// effect's look-ahead to come out whole.
constexpr double kPrimerSeconds = 1.0;
constexpr std::uint32_t kImpulseFrames = 32768;
constexpr double kNoiseAmplitude = 0.4;
constexpr double kImpulseAmplitude = 0.1;
constexpr std::uint32_t kChunk = 4096;

constexpr double kLowestFrequency = 20.0;
constexpr double kLowestLevel = -96.0;
// Magnitudes below this (exact silence included) read as -Inf.
constexpr double kFloorDb = kFirSilenceDb;

std::optional<std::int64_t> ParseWholeNumber(const std::string& s) {
  std::int64_t value = 0;
  const char* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data() + (!s.empty() && s[0] == '+'), end, value);
  if (s.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

struct ResponseOptions {
  std::optional<std::int64_t> rate;
  std::string rateText;
  std::string csvPath;
  std::int64_t points = kDefaultPoints;
};

// Takes --rate, --csv and --points (as "--option value" or "--option=value")
// out of the arguments; the rest are the ordinary settings options.
int TakeResponseOptions(std::vector<std::string>* args, ResponseOptions* options) {
  for (std::size_t i = 2; i < args->size();) {
    const std::string& arg = (*args)[i];
    if (arg == "--") break;
    const std::size_t eq = arg.find('=');
    const std::string option = arg.substr(0, eq);
    if (option != "--rate" && option != "--csv" && option != "--points") {
      // A settings option's value is not an option of ours.
      i += (eq == std::string::npos && arg.compare(0, 2, "--") == 0) ? 2 : 1;
      continue;
    }
    std::string value;
    std::size_t used = 1;
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
    } else if (i + 1 < args->size()) {
      value = (*args)[i + 1];
      used = 2;
    } else {
      return UsageError(Text(text::kMissingArgument, {option}));
    }
    if (option == "--csv") {
      if (value.empty()) return UsageError(Text(text::kMissingArgument, {option}));
      options->csvPath = value;
    } else {
      const std::optional<std::int64_t> n = ParseWholeNumber(value);
      const bool rate = option == "--rate";
      const std::int64_t lo = rate ? kMinRate : kMinPoints, hi = rate ? kMaxRate : kMaxPoints;
      if (!n || *n < lo || *n > hi)
        return UsageError(Text(rate ? text::kResponseRate : text::kResponsePoints,
                                 {std::to_string(lo), std::to_string(hi), value}));
      if (rate) {
        options->rate = *n;
        options->rateText = value;
      } else {
        options->points = *n;
      }
    }
    args->erase(args->begin() + static_cast<std::ptrdiff_t>(i),
                args->begin() + static_cast<std::ptrdiff_t>(i + used));
  }
  if (!options->rate) return UsageError(Text(text::kMissingArgument, {"--rate <Hz>"}));
  return kExitOk;
}

// Fixed-point text with '.', whatever the locale.
std::string Plain(double value, int decimals) {
  char buffer[64];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string LocaleNumber(double value, int decimals, bool floorIsInfinity) {
  const double scale = std::pow(10.0, decimals);
  const long floor = floorIsInfinity ? std::lround(kFloorDb * scale) : 0;
  return FormatLevel(std::lround(value * scale), decimals, floor, nullptr);
}

}  // namespace

std::vector<double> FrequencyGrid(double fs, std::size_t count) {
  std::vector<double> grid(count);
  const double top = fs / 2.0;
  for (std::size_t i = 0; i < count; ++i)
    grid[i] = count == 1 ? kLowestFrequency
                         : kLowestFrequency * std::pow(top / kLowestFrequency,
                                                       static_cast<double>(i) / (count - 1));
  if (count > 1) grid.back() = top;  // exactly, not within rounding
  return grid;
}

std::vector<double> LevelGrid(std::size_t count) {
  std::vector<double> grid(count);
  for (std::size_t i = 0; i < count; ++i)
    grid[i] = count == 1 ? 0.0 : kLowestLevel - kLowestLevel * static_cast<double>(i) / (count - 1);
  return grid;
}

namespace {

// Runs `input` through the processor as a mono float stream at fs, drain
// included; the output has the input's length.
HResult RunThrough(EffectProcessor& fx, double fs, const std::vector<float>& input,
                   std::vector<float>* output) {
  WaveFormat format = {};
  format.formatTag = 3;  // IEEE float
  format.channels = 1;
  format.samplesPerSec = static_cast<std::uint32_t>(fs);
  format.bitsPerSample = 32;
  format = Normalised(format);
  fx.SetFormats(&format, &format);
  HResult hr = fx.Prepare(format, format);
  if (Failed(hr)) return hr;

  output->clear();
  output->reserve(input.size());
  std::vector<float> chunk(kChunk);
  const auto total = static_cast<std::uint32_t>(input.size());
  std::uint32_t offset = 0;
  while (offset < total) {
    std::uint32_t inFrames = std::min(total - offset, kChunk), outFrames = kChunk;
    hr = fx.Process(kProcessOrdinary, input.data() + offset, &inFrames, chunk.data(), &outFrames);
    if (Succeeded(hr) && inFrames == 0 && outFrames == 0) hr = kFail;  // stalled
    if (Failed(hr)) break;
    output->insert(output->end(), chunk.begin(), chunk.begin() + outFrames);
    offset += inFrames;
  }
  while (Succeeded(hr)) {
    std::uint32_t outFrames = kChunk;
    hr = fx.Process(kProcessDrain, nullptr, nullptr, chunk.data(), &outFrames);
    if (Failed(hr)) break;
    output->insert(output->end(), chunk.begin(), chunk.begin() + outFrames);
    if (hr == kProcessFinished) break;
    if (outFrames == 0) hr = kFail;
  }
  fx.Release();
  return hr;
}

}  // namespace

HResult MeasuredResponseDb(EffectProcessor& fx, double fs, const std::vector<double>& frequencies,
                           std::vector<double>* db) {
  // Noise first brings the processor to a steady working point (a gate
  // open, a compressor settled); the impulse then rides on the noise, and
  // the difference from a run with the noise alone is the response to the
  // impulse alone. A bare impulse would meet a gate that is still closed.
  const auto primer = static_cast<std::size_t>(fs * kPrimerSeconds);
  std::vector<float> noise(primer + kImpulseFrames);
  std::uint32_t seed = 0x2545F491u;
  for (float& v : noise) {
    seed = seed * 1664525u + 1013904223u;  // the same noise on every run
    v = static_cast<float>(kNoiseAmplitude * ((seed >> 8) * (2.0 / 16777216.0) - 1.0));
  }
  std::vector<float> withImpulse = noise;
  withImpulse[primer] += static_cast<float>(kImpulseAmplitude);

  std::vector<float> plain, probed;
  HResult hr = RunThrough(fx, fs, noise, &plain);
  if (Succeeded(hr)) hr = RunThrough(fx, fs, withImpulse, &probed);
  if (Failed(hr)) return hr;
  if (plain.size() != probed.size()) return kFail;

  std::vector<double> response(plain.size());
  for (std::size_t n = 0; n < response.size(); ++n)
    response[n] = (static_cast<double>(probed[n]) - plain[n]) / kImpulseAmplitude;
  std::size_t length = response.size();
  while (length > 0 && response[length - 1] == 0.0) --length;

  db->assign(frequencies.size(), kFloorDb);
  for (std::size_t k = 0; k < frequencies.size(); ++k) {
    // Sum of h[n]·e^(-jωn), the phasor advanced by one rotation per sample
    // and renormalised now and then so that its length stays 1.
    const double omega = 2.0 * M_PI * frequencies[k] / fs;
    const double stepRe = std::cos(omega), stepIm = -std::sin(omega);
    double re = 0.0, im = 0.0, pRe = 1.0, pIm = 0.0;
    for (std::size_t n = 0; n < length; ++n) {
      re += response[n] * pRe;
      im += response[n] * pIm;
      const double nextRe = pRe * stepRe - pIm * stepIm;
      pIm = pRe * stepIm + pIm * stepRe;
      pRe = nextRe;
      if ((n & 1023) == 1023) {
        const double norm = std::sqrt(pRe * pRe + pIm * pIm);
        pRe /= norm;
        pIm /= norm;
      }
    }
    const double magnitude = std::sqrt(re * re + im * im);
    if (magnitude > 0.0) (*db)[k] = std::max(20.0 * std::log10(magnitude), kFloorDb);
  }
  return kOk;
}

void PrintResponseUsage(std::FILE* to) {
  for (int id = text::kResponseUsage; id <= text::kResponseUsageLast; ++id)
    std::fprintf(to, "%s\n", Text(id).c_str());
}

int Response(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  ResponseOptions options;
  if (int status = TakeResponseOptions(&args, &options); status != kExitOk) return status;

  const EffectEntry* effect = nullptr;
  std::unique_ptr<EffectProcessor> fx;
  std::vector<std::string> operands;
  if (int status = CreateConfiguredEffect(args, &effect, &fx, &operands); status != kExitOk)
    return status;
  if (!operands.empty()) return UsageError(Text(text::kTooManyArguments, {operands[0]}));

  const double fs = static_cast<double>(*options.rate);
  const auto count = static_cast<std::size_t>(options.points);
  const ResponseProvider* provider = dynamic_cast<const ResponseProvider*>(fx.get());
  const bool levels = provider && provider->ResponseKind() == ResponseAxis::kLevel;
  const std::vector<double> x = levels ? LevelGrid(count) : FrequencyGrid(fs, count);
  std::vector<double> y(count, kFloorDb);
  const HResult hr = provider ? provider->ResponseAt(fs, x.data(), count, y.data())
                              : MeasuredResponseDb(*fx, fs, x, &y);
  if (Failed(hr)) {
    PrintError(Text(text::kProcessingError, {HResultText(hr)}));
    return kExitFailure;
  }
  for (double& v : y)
    if (!(v >= kFloorDb)) v = kFloorDb;  // also a NaN

  if (!options.csvPath.empty()) {
    std::string csv = levels ? "input_dbfs,output_dbfs\n" : "frequency_hz,gain_db\n";
    for (std::size_t i = 0; i < count; ++i)
      csv += Plain(x[i], levels ? 2 : 3) + "," + Plain(y[i], 4) + "\n";
    std::string message;
    OutputFile output;
    if (!output.Create(options.csvPath, &message) ||
        !output.WriteAll(csv.data(), csv.size(), &message) || !output.Commit(&message)) {
      PrintError(message);
      return kExitFailure;
    }
    PrintLine(Text(text::kResponseWritten,
                   {effect->name, FormatInteger(static_cast<long>(count), true), options.csvPath}));
    return kExitOk;
  }

  const std::string rate = FormatInteger(static_cast<long>(*options.rate), true);
  const int title = levels ? text::kResponseLevels
                           : (provider ? text::kResponseDesigned : text::kResponseMeasured);
  PrintLine(Text(title, {effect->name, rate}));
  const std::string xHead = Text(levels ? text::kResponseInputLevel : text::kResponseFrequency);
  const std::string yHead = Text(levels ? text::kResponseOutputLevel : text::kResponseGain);
  std::printf("%16s  %14s\n", xHead.c_str(), yHead.c_str());
  for (std::size_t i = 0; i < count; ++i)
    std::printf("%16s  %14s\n", LocaleNumber(x[i], levels ? 1 : 1, levels).c_str(),
                LocaleNumber(y[i], 2, true).c_str());
  return kExitOk;
}

}  // namespace orlofx::cli

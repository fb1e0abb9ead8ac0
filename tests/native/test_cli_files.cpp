// What the tool does to sound files beyond the effects' own audio: types,
// pipes, progress, changes while the file plays, chains, the level report,
// the response command, and point lists read as the tool reads them.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "effects/geq/geq_params.h"
#include "framework/parameters.h"
#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

// Channel c: a sine of hz + spread x c at level x (1 + rise x c), plus
// uniform noise; with `swell` the level rises and falls every half second.
struct Signal {
  double hz, spread, level, rise, noise;
  bool swell;
};

std::vector<float> Make(const Signal& s, int channels, int rate, double seconds) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> noise(-s.noise, s.noise);
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> out(frames * channels);
  for (std::size_t i = 0; i < frames * channels; ++i) {
    const int c = static_cast<int>(i % channels);
    const double t = static_cast<double>(i / channels) / rate, swell = s.swell ? 0.2 + 0.8 * std::fabs(std::sin(2 * M_PI * t)) : 1.0;
    out[i] = static_cast<float>(swell * (s.level * (1 + s.rise * c) * std::sin(2 * M_PI * (s.hz + s.spread * c) * t) + noise(rng)));
  }
  return out;
}

double MaxDifference(const std::vector<double>& a, const std::vector<double>& b, std::size_t from = 0) {
  EXPECT_EQ(a.size(), b.size());
  double worst = 0.0;
  for (std::size_t i = from; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
  return worst;
}

struct Curve {
  std::string head;
  std::vector<double> x, y;
  double At(double f) const {  // at the grid point nearest to f (log distance)
    std::size_t best = 0;
    for (std::size_t i = 1; i < x.size(); ++i) best = std::fabs(std::log(x[i] / f)) < std::fabs(std::log(x[best] / f)) ? i : best;
    return y[best];
  }
};

class CliFiles : public CliTest {
 protected:
  // The one maker of input files: `s` for `seconds` as a file of `format`.
  void Write(const std::string& name, int format, int channels, int rate, const Signal& s, double seconds) {
    WriteSound(Path(name), format, channels, rate, Make(s, channels, rate, seconds));
  }
  // Runs "process <args> <in> <out>" and gives the output's samples.
  std::vector<double> Process(std::vector<std::string> args, const std::string& in, const std::string& out) {
    args.insert(args.begin(), "process");
    args.insert(args.end(), {in, out});
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Samples(out);
  }
  std::vector<double> Samples(const std::string& name) { SF_INFO info; return ReadSound<double>(Path(name), &info); }
  // "response <args> --csv <file>", read back.
  Curve Response(std::vector<std::string> args) {
    args.insert(args.begin(), "response");
    args.insert(args.end(), {"--csv", "curve.csv"});
    EXPECT_EQ(Run(args).exitCode, 0);
    Curve c;
    std::istringstream in(ReadText(Path("curve.csv")));
    std::getline(in, c.head);
    char comma;
    for (double x, y; in >> x >> comma >> y;) c.x.push_back(x), c.y.push_back(y);
    return c;
  }
};

struct TypeCase {
  const char* name;
  int format, channels, rate;
  const char* extension;
  bool lossless;
};
void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class CliFileTypes : public CliFiles, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(CliFileTypes, EachTypeComesOutAsItWentInWithItsFramesAndChannels) {
  const TypeCase& c = GetParam();
  const std::string in = std::string("in.") + c.extension, out = std::string("out.") + c.extension;
  // Each channel its own tone and level, so that one lost or swapped shows.
  Write(in, c.format, c.channels, c.rate, {300, 110, 0.1, 1, 0, false}, 1.5);
  SF_INFO before, after;
  const std::vector<float> input = ReadSound<float>(Path(in), &before);
  // A gate that opens at once and then passes everything as it is.
  const CliResult r = Run({"process", "noise-gate", "--set", "threshold=-800", "--set", "attack=1", in, out});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<float> output = ReadSound<float>(Path(out), &after);
  ASSERT_EQ(std::tie(after.format, after.channels, after.samplerate, after.frames),
            std::tie(before.format, before.channels, before.samplerate, before.frames));
  const std::size_t open = static_cast<std::size_t>(c.rate) / 4 * c.channels;
  EXPECT_TRUE(!c.lossless || std::equal(input.begin() + open, input.end(), output.begin() + open));
  for (int ch = 0; ch < c.channels && !c.lossless; ++ch) {
    double in2 = 0, out2 = 0;
    for (std::size_t i = open + ch; i < input.size(); i += c.channels) in2 += input[i] * input[i], out2 += output[i] * output[i];
    EXPECT_NEAR(10 * std::log10(out2 / in2), 0.0, 1.0) << "channel " << ch;
  }
}

const TypeCase kTypes[] = {
    {"wav 8-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000, "wav", true}, {"wav 16-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, "wav", true},
    {"wav float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 22050, "wav", true}, {"wav double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2, 96000, "wav", true},
    {"wav 24-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100, "wav", true},
    {"wav extensible", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2, 48000, "wav", true},
    {"wav extensible, 6 channels", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 6, 48000, "wav", true},
    {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, "flac", true}, {"flac 24-bit", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, 96000, "flac", true},
    {"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, 22050, "aiff", true}, {"aiff 8-bit", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 1, 8000, "aif", true},
    {"ogg vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, "ogg", false}, {"ogg opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 2, 48000, "opus", false},
    {"w64 float", SF_FORMAT_W64 | SF_FORMAT_FLOAT, 2, 32000, "w64", true}, {"rf64 24-bit", SF_FORMAT_RF64 | SF_FORMAT_PCM_24, 2, 44100, "rf64", true},
    {"wav 32-bit at 11025 Hz", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 3, 11025, "wav", true}};
INSTANTIATE_TEST_SUITE_P(EveryType, CliFileTypes, ::testing::ValuesIn(kTypes));

TEST_F(CliFiles, StandardInputToStandardOutputEqualsFileToFile) {
  Write("in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 44100, {300, 110, 0.1, 1, 0, false}, 1.0);
  for (const std::string ext : {"wav", "flac"}) {
    std::vector<std::string> args = {"process", "graphic-eq", "--preset", "3"};
    if (ext == "flac") args.insert(args.end(), {"--type", "flac"});
    std::vector<std::string> files = args, streams = args;
    files.insert(files.end(), {"in.flac", "file." + ext});
    streams.insert(streams.end(), {"-", "-"});
    ASSERT_EQ(Run(files).exitCode, 0);
    // Through pipes, which cannot seek, and through files, which can.
    const CliResult piped = RunPiped(streams, "in.flac", "piped." + ext);
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.err.find("written to -"), piped.err.rfind("written to -")) << piped.err;
    const CliResult redirected = Run(streams, "in.flac", "redirected." + ext);
    ASSERT_EQ(redirected.exitCode, 0) << redirected.err;
    const std::string expected = ReadText(Path("file." + ext));
    EXPECT_TRUE(!expected.empty() && ReadText(Path("piped." + ext)) == expected && ReadText(Path("redirected." + ext)) == expected) << ext;
  }
}

TEST_F(CliFiles, ProgressShowsOnATerminalForLongFilesUnlessQuiet) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) for a terminal";
  WriteSound(Path("long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, std::vector<std::int16_t>(8000 * 8, 1000));
  WriteSound(Path("short.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, std::vector<std::int16_t>(8000 * 2, 1000));
  auto onTerminal = [&](const std::string& options, const std::string& input) {
    const std::string tool = Quote(ORLOFX_CLI_PATH) + " process noise-gate " + options + " " + Quote(Path(input).string()) + " out.wav";
    return RunShell("cd " + Quote(dir_.string()) + " && script -qec " + Quote(tool) + " /dev/null");
  };
  const std::string bar = "[########################################] 100%";
  EXPECT_NE(onTerminal("", "long.wav").find(bar), std::string::npos);
  EXPECT_EQ(onTerminal("", "short.wav").find(bar), std::string::npos);
  const std::string quiet = onTerminal("--quiet", "long.wav");
  EXPECT_TRUE(quiet.find(bar) == std::string::npos && quiet.find("written to") == std::string::npos) << quiet;
}

// Before the change the output is the output without it; once the change
// has settled it is the output of the new settings given from the start.
struct AtCase {
  const char* effect;
  std::vector<std::string> change;     // the change comes at 1 s
  std::vector<std::string> fromStart;  // the same settings given from the start
  double settle;                       // seconds after the change until they agree
  double tolerance;
};
void PrintTo(const AtCase& c, std::ostream* os) { *os << c.effect << " " << c.change[0] << " " << c.change[1]; }

class CliAt : public CliFiles, public ::testing::WithParamInterface<AtCase> {};

TEST_P(CliAt, BeforeTheChangeTheOutputIsUnchangedAfterItFollowsTheNewSettings) {
  constexpr int kRate = 22050;
  const AtCase& c = GetParam();
  // A 450 Hz tone in noise, peaks near 0.35: the default gate is open, a
  // 0 dB one shut; every equaliser and band has something to act on.
  Write("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, {450, 0, 0.15, 0, 0.2, false}, 2.5);
  ASSERT_EQ(Run({"record", "parametric-eq", "--set", "amount=-300", "cut.rec"}).exitCode, 0);
  const std::vector<double> plain = Process({c.effect}, "in.wav", "plain.wav");
  std::vector<std::string> change = {c.effect}, renew = {c.effect};
  change.insert(change.end(), c.change.begin(), c.change.end());
  renew.insert(renew.end(), c.fromStart.begin(), c.fromStart.end());
  const std::vector<double> changed = Process(change, "in.wav", "changed.wav"), renewed = Process(renew, "in.wav", "renewed.wav");
  ASSERT_EQ(plain.size(), 2u * kRate * 5 / 2);
  ASSERT_TRUE(changed.size() == plain.size() && renewed.size() == plain.size());
  // An effect may still owe up to a block when the change comes (20 ms, or
  // 1024 frames of a FIR equaliser): 0.1 s is beyond both.
  const std::size_t change_at = 2 * kRate, kept = change_at - 2 * kRate / 10;
  const std::size_t settled = change_at + static_cast<std::size_t>(c.settle * kRate) * 2;
  const auto first = std::mismatch(plain.begin(), plain.end(), changed.begin()).first - plain.begin();
  EXPECT_GE(first, static_cast<std::ptrdiff_t>(kept)) << "the output changed before the change";
  EXPECT_LT(first, static_cast<std::ptrdiff_t>(settled)) << "the change made no difference";
  EXPECT_LE(MaxDifference(changed, renewed, settled), c.tolerance);
  EXPECT_GT(MaxDifference(plain, renewed, settled), 0.01) << "the new settings sound like the old ones";
}

AtCase At(const char* effect, const std::string& change, double settle, double tolerance) {
  const std::string setting = change.substr(change.find(':') + 1);
  return {effect, {"--at", change}, {"--set", setting}, settle, tolerance};
}

INSTANTIATE_TEST_SUITE_P(
    EverySetter, CliAt,
    ::testing::Values(
        // The gate's gain falls tenfold per release time and is exactly 0 below 1/1000.
        At("noise-gate", "1:threshold=0", 0.4, 0.0),
        AtCase{"noise-gate", {"--at", "1.0:preset=Strong beats only"}, {"--preset", "2"}, 1.1, 0.0},
        At("parametric-eq", "1:amount=-200", 0.2, 1e-6),
        AtCase{"parametric-eq", {"--at", "1:record=cut.rec"}, {"--set", "amount=-300"}, 0.2, 1e-6},
        At("graphic-eq", "1:band10_gain=-120", 0.2, 1e-6), At("graphic-eq", "1:points=0:0,4000:-300,10000:0", 0.2, 1e-6),
        At("paragraphic-eq", "1:band3_gain=150", 0.5, 1e-5), At("graphic-dynamics", "1:output_gain=-60", 0.2, 1e-6),
        At("graphic-dynamics", "1:points=-840:-840,-400:-400,0:-200", 0.3, 1e-5),
        At("multiband-dynamics", "1:output_gain=-60", 0.2, 1e-6),
        // An automated jump lands like a change at its time.
        AtCase{"graphic-dynamics", {"--automate", "output_gain=0:0,1:-12:jump"}, {"--set", "output_gain=-120"}, 0.2, 1e-6}));

// Noise and a tone that swell, so that gates and compressors move.
const Signal kProgram = {700, 0, 0.38, 1.0 / 6, 0.27, true};

TEST_F(CliFiles, AChainEqualsItsEffectsOneAfterAnotherThroughFloatFilesAndNothingClipsBetween) {
  const std::vector<std::vector<std::string>> effects = {
      {"graphic-dynamics", "--preset", "2"}, {"parametric-eq", "--preset", "3"}, {"multiband-dynamics", "--preset", "3"}};
  for (const auto& [format, channels] : {std::pair{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2}, std::pair{SF_FORMAT_WAV | SF_FORMAT_PCM_24, 3}}) {
    SCOPED_TRACE(channels);
    Write("in.wav", format, channels, 44100, kProgram, 2.0);
    std::vector<std::string> chain = {"--format", "float"};
    std::string previous = "in.wav";
    for (std::size_t e = 0; e < effects.size(); ++e) {
      if (e) chain.push_back("then");
      chain.insert(chain.end(), effects[e].begin(), effects[e].end());
      std::vector<std::string> one = effects[e];
      one.insert(one.end(), {"--format", "float"});
      const std::string next = "step" + std::to_string(e) + ".wav";
      Process(one, previous, next);
      previous = next;
    }
    const std::vector<double> together = Process(chain, "in.wav", "chain.wav");
    ASSERT_EQ(together.size(), Samples("in.wav").size());
    EXPECT_LE(MaxDifference(together, Samples(previous)), 1e-6);
  }
  // 12 dB up takes the -6 dBFS input far over full scale; 12 dB down brings it back whole.
  Write("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, {700, 0, 0.35, 0, 0.15, true}, 1.0);
  const std::vector<double> out = Process(
      {"graphic-dynamics", "--set", "output_gain=120", "then", "graphic-dynamics", "--set", "output_gain=-120"}, "in.wav", "out.wav");
  EXPECT_LE(MaxDifference(Samples("in.wav"), out, 2 * 48000 / 5), 1e-4);
}

// Stereo-linked dynamics would tie the channels together; mono ones do not.
TEST_F(CliFiles, BeyondStereoEachChannelGoesThroughAMonoInstanceOfItsOwn) {
  constexpr int kChannels = 3, kRate = 32000;
  const std::vector<float> input = Make(kProgram, kChannels, kRate, 1.5);
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, kChannels, kRate, input);
  const std::vector<std::string> effects = {"graphic-dynamics", "--preset", "2", "then", "noise-gate", "--preset", "5"};
  const std::vector<double> together = Process(effects, "in.wav", "out.wav");
  for (int c = 0; c < kChannels; ++c) {
    std::vector<float> mono;
    std::vector<double> channel;
    for (std::size_t i = c; i < input.size(); i += kChannels) mono.push_back(input[i]), channel.push_back(together[i]);
    WriteSound(Path("mono.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, kRate, mono);
    EXPECT_EQ(channel, Process(effects, "mono.wav", "mono-out.wav")) << "channel " << c;
  }
}

// The number `key` in the JSON member `side` ("input", "output", "chain").
double Field(const std::string& json, const std::string& side, const std::string& key) {
  const std::size_t object = json.find("\"" + side + "\": ");
  const std::size_t at = json.find("\"" + key + "\": ", object);
  if (object == std::string::npos || at == std::string::npos) {
    ADD_FAILURE() << side << "." << key << " missing in " << json;
    return NAN;
  }
  return std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

// BS.1770: mean square of the K-weighted channels, 0.691 dB at 1 kHz
// cancelled: 2 channels x 0.01 x 0.5 is -20 LUFS, 1 channel x 0.5 -3.01.
// Clipped samples are those at full scale.
TEST_F(CliFiles, LoudnessPeaksAndClippingFollowTheirDefinitions) {
  for (const auto& [channels, level, lufs, peak] : {std::tuple{2, 0.1, -20.0, -20.0}, std::tuple{1, 1.0, -3.01, 0.0}}) {
    SCOPED_TRACE(channels);
    Write("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, channels, 48000, {1000, 0, level, 0, 0, false}, 4.0);
    Process({"noise-gate", "--set", "threshold=-800", "--set", "attack=1", "--json", "report.json"}, "in.wav", "out.wav");
    const std::string json = ReadText(Path("report.json"));
    for (const char* side : {"input", "output"}) {
      EXPECT_NEAR(Field(json, side, "integrated_lufs"), lufs, 0.2) << side;
      EXPECT_NEAR(Field(json, side, "peak_dbfs"), peak, 0.01) << side;
      EXPECT_NEAR(Field(json, side, "true_peak_dbtp"), peak, 0.1) << side;
    }
    EXPECT_EQ(Field(json, "output", "frames"), 4.0 * 48000);
  }
  std::vector<std::int16_t> pcm(48000 * 2);
  for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::int16_t>(3277 * std::sin(2 * M_PI * i / 48));
  for (int k = 0; k < 10; ++k) pcm[48000 + 100 * k] = k < 7 ? 32767 : -32768;  // the gate is open by then
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, pcm);
  const CliResult r = Run({"process", "noise-gate", "--set", "threshold=-800", "--json", "-", "--stats", "in.wav", "out.wav"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Field(r.out, "input", "clipped_samples") == 10 && Field(r.out, "output", "clipped_samples") == 10);
  for (const char* text : {"\"effect\": \"noise-gate\"", "\"threshold\": -800"}) EXPECT_NE(r.out.find(text), std::string::npos) << text;
  EXPECT_GT(Field(r.out, "chain", "latency_frames"), 0);
  // The same levels for people, on standard error, and the summary with them.
  for (const char* text : {"clipped; output: peak 0.0 dBFS", ", 10 clipped;", "written to"}) EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
}

// The grid runs from 20 Hz to half the rate in even log steps; the output
// gain lifts the whole curve. Graphic EQ preset 8 notches around 450 Hz; the
// same points given by hand build the same filter. An effect without a
// response of its own is measured through its impulse response: the open
// gate passes it untouched, a shut one nothing.
TEST_F(CliFiles, ResponseGridOutputGainPointsAndMeasuredImpulseResponses) {
  const Curve c = Response({"parametric-eq", "--rate", "48000", "--points", "25"});
  EXPECT_EQ(c.head, "frequency_hz,gain_db");
  ASSERT_EQ(c.x.size(), 25u);
  EXPECT_TRUE(c.x.front() == 20.0 && c.x.back() == 24000.0) << c.x.front() << ".." << c.x.back();
  for (std::size_t i = 2; i < c.x.size(); ++i) EXPECT_NEAR(c.x[i] / c.x[i - 1], c.x[1] / c.x[0], 1e-3) << i;
  const Curve plain = Response({"parametric-eq", "--set", "amount=-120", "--rate", "44100"});
  const Curve lifted = Response({"parametric-eq", "--set", "amount=-120", "--set", "output_gain=60", "--rate", "44100"});
  ASSERT_EQ(plain.y.size(), lifted.y.size());
  for (std::size_t i = 0; i < plain.y.size(); ++i) EXPECT_NEAR(lifted.y[i] - plain.y[i], 6.0, 0.01) << plain.x[i];
  const Curve preset = Response({"graphic-eq", "--preset", "8", "--rate", "44100"});
  const Curve typed = Response({"graphic-eq", "--set", "points=0:0,4000:0,4250:-500,4750:-500,5000:0,10000:0", "--rate", "44100"});
  EXPECT_EQ(preset.y, typed.y);
  EXPECT_TRUE(typed.At(450.0) < -40.0 && std::fabs(typed.At(5000.0)) < 1.0);
  const Curve open = Response({"noise-gate", "--rate", "44100", "--points", "40"});
  ASSERT_EQ(open.y.size(), 40u);
  for (double v : open.y) EXPECT_NEAR(v, 0.0, 0.01);
  const Curve closed = Response({"noise-gate", "--set", "threshold=0", "--rate", "44100", "--points", "5"});
  ASSERT_EQ(closed.y.size(), 5u);
  for (double v : closed.y) EXPECT_LE(v, -300.0);
}

TEST(PointList, FillsThePointsAndCountClearsTheRestAndRefusesMalformedListsNamingTheItem) {
  const PointListDescriptor& list = *GeqParameters().FindPointList("points");
  std::vector<std::int32_t> fields(FieldCountOf<GeqParams>());
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = static_cast<std::int32_t>(1000 + i);  // markers
  const std::vector<std::int32_t> before = fields;
  std::string full;
  for (int i = 0; i < kGeqMaxPoints; ++i) full += (i ? "," : "") + std::to_string(i * 100) + ":0";
  using E = PointListError;
  const std::tuple<std::string, E, std::size_t> refused[] = {
      {"", E::kSyntax, 0},          {"0:0", E::kCount, 1},        {"0:0,", E::kSyntax, 1},
      {"0:0,abc", E::kSyntax, 1},   {"0:0,5:5:5", E::kSyntax, 1}, {"0:0;10:0", E::kSyntax, 0},
      {"0:0,1.5:0", E::kSyntax, 1}, {"0 0,10:0", E::kSyntax, 0},  {"0:0,100:0,50:0", E::kDescending, 2},
      {full + ",9999:0", E::kCount, kGeqMaxPoints}};
  for (const auto& [text, error, item] : refused) {
    const PointListParse p = ParsePointList(list, text.c_str(), fields.data());
    EXPECT_EQ(p.error, error) << text;
    EXPECT_EQ(p.errorItem, item) << text;
    EXPECT_EQ(fields, before) << text;
  }
  const PointListParse p = ParsePointList(list, " 0:-500, 2673 :0,10000:+400", fields.data());
  ASSERT_TRUE(p.error == PointListError::kNone && !p.clamped);
  std::vector<std::int32_t> expected = before;  // fields outside the list keep their values
  std::fill(expected.begin() + kGeqFirstPoint, expected.begin() + kGeqFirstPoint + 2 * kGeqMaxPoints, 0);
  std::copy_n(std::begin({0, -500, 2673, 0, 10000, 400}), 6, expected.begin() + kGeqFirstPoint);
  expected[kGeqPointCount] = 3;
  EXPECT_EQ(fields, expected);
  EXPECT_TRUE(ParsePointList(list, "-5:-9999,20000:999", fields.data()).clamped);
  EXPECT_EQ(FormatPointList(list, fields.data()), "0:-500,10000:400");
  EXPECT_EQ(ParsePointList(list, full.c_str(), fields.data()).error, PointListError::kNone);
  EXPECT_EQ(fields[kGeqPointCount], kGeqMaxPoints);
}

}  // namespace
}  // namespace orlofx

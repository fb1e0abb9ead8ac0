// What the tool tells and takes by name: the level report (loudness per
// BS.1770 worked out from the signal's definition), Graphic EQ band gains that
// move the sound, setting values by name in every language, and suggestions
// for names it does not know.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

constexpr int kRate = 48000;

// A sine of `hz` at `dbfs` in the channels listed, silence in the others.
std::vector<float> Sine(double hz, double dbfs, int channels, std::vector<int> sounding,
                        double seconds = 4.0) {
  const double amplitude = std::pow(10.0, dbfs / 20.0);
  const auto frames = static_cast<std::size_t>(seconds * kRate);
  std::vector<float> s(frames * channels, 0.0f);
  for (std::size_t i = 0; i < frames; ++i)
    for (int c : sounding)
      s[i * channels + c] = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * i / kRate));
  return s;
}

// The number `key` in the JSON member `side` ("input", "output", "chain");
// NaN for null.
double Field(const std::string& json, const std::string& side, const std::string& key) {
  const std::size_t object = json.find("\"" + side + "\": ");
  const std::size_t at = json.find("\"" + key + "\": ", object);
  if (object == std::string::npos || at == std::string::npos) {
    ADD_FAILURE() << side << "." << key << " missing in " << json;
    return NAN;
  }
  return std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

class CliReport : public CliTest {
 protected:
  // The JSON report of a transparent gate over `samples`.
  std::string Report(const std::vector<float>& samples, int channels, int format) {
    WriteSound(Path("in.wav"), format, channels, kRate, samples);
    const CliResult r = Run({"process", "noise-gate", "--set", "threshold=-800", "--set", "attack=1",
                             "--json", PathText("report.json"), PathText("in.wav"),
                             PathText("out.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return ReadText(Path("report.json"));
  }
};

TEST_F(CliReport, LoudnessPeaksAndClippingFollowTheirDefinitions) {
  struct Case {
    const char* what;
    std::vector<float> samples;
    double lufs;  // BS.1770: mean square of the K-weighted channels, 0.691 dB at 1 kHz cancelled
    double peak;
  } cases[] = {
      // 2 channels x 0.01 x 0.5: -20 LUFS.
      {"-20 dBFS sine in both channels", Sine(1000, -20, 2, {0, 1}), -20.0, -20.0},
      // 1 channel x 0.5: -3.01 LUFS.
      {"full-scale sine in one channel", Sine(1000, 0, 2, {0}), -3.01, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string json = Report(c.samples, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    for (const char* side : {"input", "output"}) {
      EXPECT_NEAR(Field(json, side, "integrated_lufs"), c.lufs, 0.2) << side;
      EXPECT_NEAR(Field(json, side, "peak_dbfs"), c.peak, 0.01) << side;
      EXPECT_NEAR(Field(json, side, "true_peak_dbtp"), c.peak, 0.1) << side;
    }
    EXPECT_EQ(Field(json, "output", "frames"), 4.0 * kRate);
  }
}

TEST_F(CliReport, ClippedSamplesAreThoseAtFullScale) {
  std::vector<float> s = Sine(1000, -20, 1, {0});
  std::vector<std::int16_t> pcm(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) pcm[i] = static_cast<std::int16_t>(std::lround(s[i] * 32768));
  const std::size_t late = kRate;  // the gate is open by then
  for (int k = 0; k < 7; ++k) pcm[late + 100 * k] = 32767;
  for (int k = 0; k < 3; ++k) pcm[late + 1000 + 100 * k] = -32768;
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, kRate, pcm);
  const CliResult r = Run({"process", "noise-gate", "--set", "threshold=-800", "--json", "-",
                           "--stats", PathText("in.wav"), PathText("out.wav")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Field(r.out, "input", "clipped_samples"), 10);
  EXPECT_EQ(Field(r.out, "output", "clipped_samples"), 10);
  EXPECT_NE(r.out.find("\"effect\": \"noise-gate\""), std::string::npos);
  EXPECT_NE(r.out.find("\"threshold\": -800"), std::string::npos);
  EXPECT_GT(Field(r.out, "chain", "latency_frames"), 0);
  // The same levels for people, on standard error, and the summary with them.
  EXPECT_NE(r.err.find("clipped; output: peak 0.0 dBFS"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(", 10 clipped;"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("written to"), std::string::npos) << r.err;
}

TEST_F(CliReport, ABandGainMovesTheBandsFaderAndTheSoundFollows) {
  auto level = [&](double hz, const std::vector<std::string>& options) {
    WriteSound(Path("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, kRate, Sine(hz, -20, 1, {0}));
    std::vector<std::string> args = {"process", "graphic-eq"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"--json", PathText("r.json"), PathText("tone.wav"), PathText("out.wav")});
    EXPECT_EQ(Run(args).exitCode, 0);
    return Field(ReadText(Path("r.json")), "output", "integrated_lufs");
  };
  // Band 10 sits at 20 Hz x 2^4.5, about 450 Hz; 4 kHz is three octaves away.
  const double flat450 = level(450, {}), flat4k = level(4000, {});
  EXPECT_NEAR(level(450, {"--set", "band10_gain=-120"}) - flat450, -12.0, 1.0);
  EXPECT_NEAR(level(4000, {"--set", "band10_gain=-120"}) - flat4k, 0.0, 0.5);
  // A fader moved back leaves the curve flat again.
  EXPECT_NEAR(level(450, {"--set", "band10_gain=-120", "--set", "band10_gain=0"}) - flat450, 0.0, 0.5);
  // An odd band has its fader on the 20-band page: band 9 at 20 Hz x 2^4.
  // Its plateau is narrower: the finest accuracy resolves it.
  EXPECT_NEAR(level(320, {"--set", "accuracy=high", "--set", "band9_gain=-120"}) -
                  level(320, {"--set", "accuracy=high"}),
              -12.0, 1.0);
}

TEST_F(CliReport, ValuesThatChooseOneOfAFewTakeTheirNamesInTheToolsLanguageAndInEnglish) {
  struct Case {
    const char* lang;
    const char* effect;
    const char* byName;
    const char* byNumber;
  } cases[] = {
      {"en", "parametric-eq", "type=band-pass", "type=2"},
      {"en", "parametric-eq", "type=Band Pass", "type=2"},
      {"en", "parametric-eq", "accuracy=high", "accuracy=2"},
      {"de", "parametric-eq", "type=bandsperre", "type=3"},
      {"de", "parametric-eq", "type=band-notch", "type=3"},
      {"en", "multiband-dynamics", "band2_type=high-shelf", "band2_type=2"},
      {"en", "graphic-dynamics", "auto_gain=on", "auto_gain=1"},
      {"fr", "paragraphic-eq", "low_shelf_enable=oui", "low_shelf_enable=1"},
      {"ja", "graphic-eq", "accuracy=低", "accuracy=0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.byName);
    ASSERT_EQ(Run({"--lang", c.lang, "record", c.effect, "--set", c.byName, PathText("a.rec")}).exitCode, 0);
    ASSERT_EQ(Run({"record", c.effect, "--set", c.byNumber, PathText("b.rec")}).exitCode, 0);
    EXPECT_EQ(ReadBytes(Path("a.rec")), ReadBytes(Path("b.rec")));
  }
}

}  // namespace
}  // namespace orlofx

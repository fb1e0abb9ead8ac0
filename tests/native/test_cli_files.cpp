// The files users have: every type libsndfile reads goes in and comes out as
// the same type with the same frames and channels; standard input and output
// stand for files; a refused run writes nothing anywhere; progress shows
// only on a terminal and not when asked for quiet.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

// Channel c: a tone of its own frequency at its own level, so that a channel
// lost or swapped shows.
std::vector<float> Tones(int channels, int rate, double seconds) {
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> s(frames * channels);
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[i * channels + c] = static_cast<float>(0.1 * (c + 1) *
                                               std::sin(2 * M_PI * (300.0 + 110.0 * c) * i / rate));
  return s;
}

double Rms(const std::vector<float>& s, int channels, int channel, std::size_t from) {
  double sum = 0.0;
  std::size_t n = 0;
  for (std::size_t i = from * channels + channel; i < s.size(); i += channels, ++n) sum += s[i] * s[i];
  return n ? std::sqrt(sum / n) : 0.0;
}

struct TypeCase {
  const char* name;
  int format;
  int channels;
  int rate;
  const char* extension;
  bool lossless;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class CliFileTypes : public CliTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(CliFileTypes, EachTypeComesOutAsItWentInWithItsFramesAndChannels) {
  const TypeCase& c = GetParam();
  const std::string in = std::string("in.") + c.extension, out = std::string("out.") + c.extension;
  WriteSound(Path(in), c.format, c.channels, c.rate, Tones(c.channels, c.rate, 1.5));
  SF_INFO before;
  const std::vector<float> input = ReadSound<float>(Path(in), &before);

  // A gate that opens at once and then passes everything as it is.
  const CliResult r = Run({"process", "noise-gate", "--set", "threshold=-800", "--set", "attack=1",
                           PathText(in), PathText(out)});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  SF_INFO after;
  const std::vector<float> output = ReadSound<float>(Path(out), &after);
  EXPECT_EQ(after.format, before.format);
  EXPECT_EQ(after.channels, before.channels);
  EXPECT_EQ(after.samplerate, before.samplerate);
  ASSERT_EQ(after.frames, before.frames);

  const std::size_t open = static_cast<std::size_t>(c.rate) / 4;
  if (c.lossless) {
    EXPECT_TRUE(std::equal(input.begin() + open * c.channels, input.end(),
                           output.begin() + open * c.channels));
  } else {
    for (int ch = 0; ch < c.channels; ++ch)
      EXPECT_NEAR(20 * std::log10(Rms(output, c.channels, ch, open) / Rms(input, c.channels, ch, open)),
                  0.0, 1.0)
          << "channel " << ch;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, CliFileTypes,
    ::testing::Values(TypeCase{"wav 8-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000, "wav", true},
                      TypeCase{"wav 16-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, "wav", true},
                      TypeCase{"wav float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 22050, "wav", true},
                      TypeCase{"wav double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2, 96000, "wav", true},
                      TypeCase{"wav 24-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100, "wav", true},
                      TypeCase{"wav extensible", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2, 48000, "wav", true},
                      TypeCase{"wav extensible, 6 channels", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 6, 48000,
                               "wav", true},
                      TypeCase{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, "flac", true},
                      TypeCase{"flac 24-bit", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, 96000, "flac", true},
                      TypeCase{"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, 22050, "aiff", true},
                      TypeCase{"aiff 8-bit", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 1, 8000, "aif", true},
                      TypeCase{"ogg vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, "ogg", false},
                      TypeCase{"ogg opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 2, 48000, "opus", false},
                      TypeCase{"w64 float", SF_FORMAT_W64 | SF_FORMAT_FLOAT, 2, 32000, "w64", true},
                      TypeCase{"rf64 24-bit", SF_FORMAT_RF64 | SF_FORMAT_PCM_24, 2, 44100, "rf64", true},
                      TypeCase{"wav 32-bit at 11025 Hz", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 3, 11025, "wav",
                               true}));

class CliStreams : public CliTest {};

TEST_F(CliStreams, StandardInputToStandardOutputEqualsFileToFile) {
  WriteSound(Path("in.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 44100, Tones(2, 44100, 1.0));
  for (const std::vector<std::string>& type : {std::vector<std::string>{}, {"--type", "flac"}}) {
    const std::string ext = type.empty() ? "wav" : "flac";
    std::vector<std::string> fileArgs = {"process", "graphic-eq", "--preset", "3"};
    fileArgs.insert(fileArgs.end(), type.begin(), type.end());
    std::vector<std::string> streamArgs = fileArgs;
    fileArgs.insert(fileArgs.end(), {PathText("in.flac"), PathText("file." + ext)});
    streamArgs.insert(streamArgs.end(), {"-", "-"});
    ASSERT_EQ(Run(fileArgs).exitCode, 0);
    // Through pipes, which cannot seek, and through files, which can.
    const CliResult piped = RunPiped(streamArgs, "in.flac", "piped." + ext);
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.err.find("written to -"), piped.err.rfind("written to -")) << piped.err;
    const CliResult redirected = Run(streamArgs, "in.flac", "redirected." + ext);
    ASSERT_EQ(redirected.exitCode, 0) << redirected.err;
    const std::vector<std::uint8_t> expected = ReadBytes(Path("file." + ext));
    EXPECT_FALSE(expected.empty());
    EXPECT_TRUE(ReadBytes(Path("piped." + ext)) == expected) << ext;
    EXPECT_TRUE(ReadBytes(Path("redirected." + ext)) == expected) << ext;
  }
}

TEST_F(CliStreams, EveryRefusalLeavesNoOutputFileAndNothingOnStandardOutput) {
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, Tones(2, 44100, 0.5));
  WriteSound(Path("float.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, Tones(2, 44100, 0.5));
  std::ofstream(Path("text.wav")) << "not a sound\n";
  const std::vector<std::string> before = Listing();
  const std::string in = PathText("in.wav");
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"noise-gate", in, PathText("out.xyz")}, "--type"},
      {{"noise-gate", "--type", "flax", in, PathText("out.wav")}, "flac"},
      {{"noise-gate", "--format", "pcm12", in, PathText("out.wav")}, "pcm16"},
      {{"noise-gate", PathText("float.wav"), PathText("out.flac")}, "--format"},
      {{"noise-gate", "--format", "opus", in, PathText("out.wav")}, "WAV"},
      {{"noise-gate", in, PathText("out.opus")}, "48000"},
      {{"noise-gate", "--json", "-", in, "-"}, "--json"},
      {{"nois-gate", in, PathText("out.wav")}, "noise-gate"},
      {{"noise-gate", "--set", "thresold=1", in, PathText("out.wav")}, "threshold"},
      {{"parametric-eq", "--set", "type=bandpas", in, PathText("out.wav")}, "band-pass"},
      {{"noise-gate", "--quite", in, PathText("out.wav")}, "--quiet"},
      {{"noise-gate", "--stats=yes", in, PathText("out.wav")}, "--stats"},
      {{"noise-gate", "then", in, PathText("out.wav")}, "in.wav"},
      {{"noise-gate", in, PathText("out.wav"), "then"}, "<effect>"},
      {{"noise-gate", PathText("text.wav"), PathText("out.wav")}, "text.wav"},
      {{"noise-gate", PathText("absent.wav"), "-"}, "absent.wav"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"process"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = Run(args, "", "stdout.bin");
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    EXPECT_NE(r.exitCode, 0) << shown;
    EXPECT_EQ(r.err.rfind("orlofx: error: ", 0), 0u) << shown << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << shown << r.err;
    EXPECT_TRUE(ReadBytes(Path("stdout.bin")).empty()) << shown;
    fs::remove(Path("stdout.bin"));
    EXPECT_EQ(Listing(), before) << shown;
  }
}

TEST_F(CliStreams, ProgressShowsOnATerminalForLongFilesUnlessQuiet) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) for a terminal";
  WriteSound(Path("long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000,
             std::vector<std::int16_t>(8000 * 8, 1000));
  WriteSound(Path("short.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000,
             std::vector<std::int16_t>(8000 * 2, 1000));
  auto onTerminal = [&](const std::string& options, const std::string& input) {
    const std::string tool = Quote(ORLOFX_CLI_PATH) + " process noise-gate " + options + " " +
                             Quote(PathText(input)) + " " + Quote(PathText("out.wav"));
    return RunShell("script -qec " + Quote(tool) + " /dev/null");
  };
  const std::string label = "[########################################] 100%";
  EXPECT_NE(onTerminal("", "long.wav").find(label), std::string::npos);
  EXPECT_EQ(onTerminal("", "short.wav").find(label), std::string::npos);
  const std::string quiet = onTerminal("--quiet", "long.wav");
  EXPECT_EQ(quiet.find(label), std::string::npos) << quiet;
  EXPECT_EQ(quiet.find("written to"), std::string::npos) << quiet;
}

}  // namespace
}  // namespace orlofx

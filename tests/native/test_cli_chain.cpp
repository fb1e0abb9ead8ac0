// Chains and channels: effects chained in one pass give what the same effects
// give one after another through float files; nothing clips between them;
// beyond stereo every channel goes through a mono instance of its own.
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

// Noise and a tone whose level rises and falls every quarter second, so that
// gates and compressors move; channel c a little louder than the one before.
std::vector<float> Program(int channels, int rate, double seconds, double peak) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> s(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    const double swell = 0.2 + 0.8 * std::fabs(std::sin(M_PI * 2.0 * i / rate));
    for (int c = 0; c < channels; ++c)
      s[i * channels + c] = static_cast<float>(
          peak * swell * (0.6 + 0.1 * c) *
          (0.7 * std::sin(2 * M_PI * 700.0 * i / rate) + 0.3 * noise(rng)));
  }
  return s;
}

class CliChain : public CliTest {
 protected:
  std::vector<double> Samples(const std::string& name) {
    SF_INFO info;
    const std::vector<double> s = ReadSound<double>(Path(name), &info);
    return s;
  }
  void Process(std::vector<std::string> args, const std::string& in, const std::string& out) {
    args.insert(args.begin(), "process");
    args.push_back(PathText(in));
    args.push_back(PathText(out));
    const CliResult r = Run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
};

double MaxDifference(const std::vector<double>& a, const std::vector<double>& b, std::size_t from = 0) {
  EXPECT_EQ(a.size(), b.size());
  double worst = 0.0;
  for (std::size_t i = from; i < std::min(a.size(), b.size()); ++i)
    worst = std::max(worst, std::fabs(a[i] - b[i]));
  return worst;
}

TEST_F(CliChain, AChainEqualsItsEffectsOneAfterAnotherThroughFloatFiles) {
  struct Case {
    int format;
    int channels;
  } cases[] = {{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2}, {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 3}};
  const std::vector<std::vector<std::string>> effects = {
      {"graphic-dynamics", "--preset", "2"},
      {"parametric-eq", "--preset", "3"},
      {"multiband-dynamics", "--preset", "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channels);
    WriteSound(Path("in.wav"), c.format, c.channels, 44100, Program(c.channels, 44100, 2.0, 0.9));
    std::vector<std::string> chain = {"--format", "float"};
    for (std::size_t e = 0; e < effects.size(); ++e) {
      if (e) chain.push_back("then");
      chain.insert(chain.end(), effects[e].begin(), effects[e].end());
    }
    Process(chain, "in.wav", "chain.wav");
    std::string previous = "in.wav";
    for (std::size_t e = 0; e < effects.size(); ++e) {
      std::vector<std::string> one = effects[e];
      one.insert(one.end(), {"--format", "float"});
      const std::string next = "step" + std::to_string(e) + ".wav";
      Process(one, previous, next);
      previous = next;
    }
    const std::vector<double> together = Samples("chain.wav"), apart = Samples(previous);
    ASSERT_EQ(together.size(), Samples("in.wav").size());
    EXPECT_LE(MaxDifference(together, apart), 1e-6);
  }
}

TEST_F(CliChain, NothingClipsBetweenEffects) {
  // 12 dB up takes the -6 dBFS input far over full scale; 12 dB down brings
  // it back whole.
  const std::vector<float> input = Program(2, 48000, 1.0, 0.5);
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, input);
  Process({"graphic-dynamics", "--set", "output_gain=120", "then", "graphic-dynamics", "--set",
           "output_gain=-120"},
          "in.wav", "out.wav");
  const std::vector<double> in = Samples("in.wav"), out = Samples("out.wav");
  EXPECT_LE(MaxDifference(in, out, 2 * 48000 / 5), 1e-4);
}

TEST_F(CliChain, BeyondStereoEachChannelGoesThroughAMonoInstanceOfItsOwn) {
  constexpr int kChannels = 3, kRate = 32000;
  const std::vector<float> input = Program(kChannels, kRate, 1.5, 0.9);
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, kChannels, kRate, input);
  // Stereo-linked dynamics would tie the channels together; mono ones do not.
  const std::vector<std::string> effects = {"graphic-dynamics", "--preset", "2", "then",
                                            "noise-gate", "--preset", "5"};
  Process(effects, "in.wav", "out.wav");
  const std::vector<double> together = Samples("out.wav");
  for (int c = 0; c < kChannels; ++c) {
    std::vector<float> mono;
    for (std::size_t i = c; i < input.size(); i += kChannels) mono.push_back(input[i]);
    WriteSound(Path("mono.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, kRate, mono);
    Process(effects, "mono.wav", "mono-out.wav");
    const std::vector<double> alone = Samples("mono-out.wav");
    std::vector<double> channel;
    for (std::size_t i = c; i < together.size(); i += kChannels) channel.push_back(together[i]);
    EXPECT_EQ(channel, alone) << "channel " << c;
  }
}

}  // namespace
}  // namespace orlofx

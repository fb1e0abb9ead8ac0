// --at: a setting changed while the file plays. Before the change the output
// is the output without it; once the change has settled it is the output of
// the new settings from the start; a refused change leaves no output.
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

constexpr int kRate = 22050;
constexpr int kChannels = 2;
constexpr double kSeconds = 2.5;
constexpr double kChangeAt = 1.0;
// Output an effect may still owe when a change comes: it holds back at most
// a block (20 ms for the gate and the dynamics, 1024 frames for the FIR
// equalisers at their medium accuracy).
constexpr double kHeldBack = 0.1;

// A 450 Hz tone in noise, peaks near 0.35: the default gate (-20 dB) is open,
// a -6 dB gate shut; every equaliser and band has something to act on.
std::vector<float> Signal() {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
  const auto frames = static_cast<std::size_t>(kSeconds * kRate);
  std::vector<float> s(frames * kChannels);
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < kChannels; ++c)
      s[i * kChannels + c] =
          0.15f * static_cast<float>(std::sin(2 * M_PI * 450.0 * i / kRate + c)) + noise(rng);
  return s;
}

struct AtCase {
  const char* effect;
  std::string at;                      // the option's value; the time is kChangeAt
  std::vector<std::string> fromStart;  // the same settings given from the start
  double settle;                       // seconds after the change until they agree
  double tolerance;
};

void PrintTo(const AtCase& c, std::ostream* os) { *os << c.effect << " --at " << c.at; }

class CliAt : public CliTest, public ::testing::WithParamInterface<AtCase> {
 protected:
  std::vector<float> Process(const std::vector<std::string>& options, const std::string& out) {
    std::vector<std::string> args = {"process", GetParam().effect};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(PathText("in.wav"));
    args.push_back(PathText(out));
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    SF_INFO info;
    return ReadSound<float>(Path(out), &info);
  }
};

TEST_P(CliAt, BeforeTheChangeTheOutputIsUnchangedAfterItFollowsTheNewSettings) {
  const AtCase& c = GetParam();
  const std::vector<float> in = Signal();
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, kChannels, kRate, in);
  ASSERT_EQ(Run({"record", "parametric-eq", "--set", "amount=-300", PathText("cut.rec")}).exitCode,
            0);

  const std::vector<float> plain = Process({}, "plain.wav");
  std::string at = c.at;
  if (const std::size_t dir = at.find("{dir}"); dir != std::string::npos)
    at.replace(dir, 5, dir_.string());
  const std::vector<float> changed = Process({"--at", at}, "changed.wav");
  const std::vector<float> renewed = Process(c.fromStart, "renewed.wav");
  ASSERT_EQ(plain.size(), in.size());
  ASSERT_EQ(changed.size(), in.size());
  ASSERT_EQ(renewed.size(), in.size());

  const std::size_t change = static_cast<std::size_t>(std::lround(kChangeAt * kRate)) * kChannels;
  const std::size_t kept = change - static_cast<std::size_t>(kHeldBack * kRate) * kChannels;
  const std::size_t settled = change + static_cast<std::size_t>(c.settle * kRate) * kChannels;
  const auto firstDifference = std::mismatch(plain.begin(), plain.end(), changed.begin()).first;
  EXPECT_GE(firstDifference - plain.begin(), static_cast<std::ptrdiff_t>(kept))
      << "the output changed before the change";
  EXPECT_LT(firstDifference - plain.begin(), static_cast<std::ptrdiff_t>(settled))
      << "the change made no difference";

  double worst = 0.0, audible = 0.0;
  for (std::size_t i = settled; i < in.size(); ++i) {
    worst = std::max(worst, std::fabs(static_cast<double>(changed[i]) - renewed[i]));
    audible = std::max(audible, std::fabs(static_cast<double>(plain[i]) - renewed[i]));
  }
  EXPECT_LE(worst, c.tolerance);
  EXPECT_GT(audible, 0.01) << "the new settings sound like the old ones; the case shows nothing";
}

INSTANTIATE_TEST_SUITE_P(
    EverySetter, CliAt,
    ::testing::Values(
        // The gate's gain falls tenfold per release time and is exactly 0
        // below 1/1000.
        AtCase{"noise-gate", "1:threshold=0", {"--set", "threshold=0"}, 0.4, 0.0},
        AtCase{"noise-gate", "1.0:preset=Strong beats only", {"--preset", "2"}, 1.1, 0.0},
        AtCase{"parametric-eq", "1:amount=-200", {"--set", "amount=-200"}, 0.2, 1e-6},
        AtCase{"parametric-eq", "1:record={dir}/cut.rec", {"--set", "amount=-300"}, 0.2, 1e-6},
        AtCase{"graphic-eq", "1:band10_gain=-120", {"--set", "band10_gain=-120"}, 0.2, 1e-6},
        AtCase{"graphic-eq", "1:points=0:0,4000:-300,10000:0",
               {"--set", "points=0:0,4000:-300,10000:0"}, 0.2, 1e-6},
        AtCase{"paragraphic-eq", "1:band3_gain=150", {"--set", "band3_gain=150"}, 0.5, 1e-5},
        AtCase{"graphic-dynamics", "1:output_gain=-60", {"--set", "output_gain=-60"}, 0.2, 1e-6},
        AtCase{"graphic-dynamics", "1:points=-840:-840,-400:-400,0:-200",
               {"--set", "points=-840:-840,-400:-400,0:-200"}, 0.3, 1e-5},
        AtCase{"multiband-dynamics", "1:output_gain=-60", {"--set", "output_gain=-60"}, 0.2,
               1e-6}));

class CliAtRefusal : public CliTest {};

TEST_F(CliAtRefusal, ARefusedChangeLeavesNoOutput) {
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, kChannels, kRate, Signal());
  const std::vector<std::string> before = Listing();
  struct Case {
    std::vector<std::string> options;
    const char* says;
  } cases[] = {
      {{"--at", "1:loudness=3"}, "loudness"},
      {{"--at", "1:attack=fast"}, "attack=fast"},
      {{"--at", "attack=10"}, "attack=10"},
      {{"--at", "soon:attack=10"}, "soon:attack=10"},
      {{"--at", "-1:attack=10"}, "2.50 s"},
      {{"--at", "2.6:attack=10"}, "2.50 s"},
      {{"--at", "2:attack=10", "--at", "1:attack=20"}, "1:attack=20"},
      {{"--at", "1:preset=Loudest"}, "Loudest"},
      {{"--at", "1:record=absent.rec"}, "absent.rec"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"process", "noise-gate"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(PathText("in.wav"));
    args.push_back(PathText("out.wav"));
    const CliResult r = Run(args);
    EXPECT_NE(r.exitCode, 0) << c.options.back();
    EXPECT_EQ(r.err.rfind("orlofx: error: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(Listing(), before) << c.options.back();
  }
  // A record has no time to change anything at.
  const CliResult r = Run({"record", "noise-gate", "--at", "1:attack=10", PathText("a.rec")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(Listing(), before);
}

}  // namespace
}  // namespace orlofx

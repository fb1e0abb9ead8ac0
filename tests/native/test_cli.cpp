// The orlofx tool, run as a program on files made here with libsndfile:
// formats, lengths and alignment, refusals that leave nothing behind,
// settings records, and the settings options.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "effects/noisgt/noisgt_transform.h"
#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

// Loud noise whose level changes block by block, in each type's full-scale
// units, and never silent: the gate opens, and every sample is distinct
// enough to show a shift.
template <typename S>
std::vector<S> Noise(std::size_t count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> level(0.3, 0.9);
  std::vector<S> s(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double x = (rng() & 1 ? 1 : -1) * level(rng);
    if constexpr (std::is_same_v<S, std::uint8_t>) {
      s[i] = static_cast<std::uint8_t>(128 + x * 127);
    } else if constexpr (std::is_same_v<S, std::int16_t>) {
      s[i] = static_cast<std::int16_t>(x * 32767);
    } else if constexpr (std::is_same_v<S, std::int32_t>) {
      s[i] = static_cast<std::int32_t>(x * 2147483647.0);
    } else {
      // Float precision even for doubles: the open gate's gain is applied as
      // x * 1000 / 1000, which is exact only for short mantissas.
      s[i] = static_cast<S>(static_cast<float>(x));
    }
  }
  return s;
}

class Cli : public CliTest {
 protected:
  std::vector<std::uint8_t> SavedRecord(CAkNoisgtTransform& gate) {
    MemoryRecordStream s;
    EXPECT_EQ(gate.SaveRecord(s, true), kOk);
    return s.Bytes();
  }
};

TEST_F(Cli, LongFilesShowNoProgressWhenStderrIsNotATerminal) {
  WriteSound(Path("long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000,
           Noise<std::int16_t>(8000 * 15, 5));
  CliResult r = Run({"process", "noise-gate", Path("long.wav").string(), Path("out.wav").string()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  // Only the closing summary: no progress bar on a pipe.
  EXPECT_EQ(r.out, "noise-gate: 120,000 frames (15.00 s at 8,000 Hz) written to " +
                       Path("out.wav").string() + "\n");
}

TEST_F(Cli, InputsThatAreNotSoundFilesAreRefusedAndLeaveNoOutput) {
  std::ofstream(Path("notes.wav")) << "these are not samples\n";
  const std::vector<std::string> before = Listing();
  for (const char* input : {"notes.wav", "missing.wav"}) {
    CliResult r = Run({"process", "noise-gate", Path(input).string(), Path("out.wav").string()});
    EXPECT_EQ(r.exitCode, 1) << input;
    EXPECT_NE(r.err.find(input), std::string::npos) << input << ": " << r.err;
    EXPECT_EQ(r.err.find("orlofx: error: "), 0u) << r.err;
    EXPECT_EQ(Listing(), before) << input;
  }
}

TEST_F(Cli, OutputFolderThatDoesNotExistFailsCleanly) {
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, Noise<std::int16_t>(800, 4));
  CliResult r =
      Run({"process", "noise-gate", Path("in.wav").string(), Path("no/such/out.wav").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("no/such/out.wav"), std::string::npos) << r.err;
}

TEST_F(Cli, ExistingOutputIsReplacedOnlyOnSuccess) {
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, Noise<std::int16_t>(800, 4));
  WriteBytes(Path("out.wav"), {1, 2, 3});
  EXPECT_EQ(Run({"process", "noise-gate", "--set", "bogus=1", Path("in.wav").string(),
                 Path("out.wav").string()})
                .exitCode,
            2);
  EXPECT_EQ(ReadBytes(Path("out.wav")), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(
      Run({"process", "noise-gate", Path("in.wav").string(), Path("out.wav").string()}).exitCode,
      0);
  SF_INFO info;
  EXPECT_EQ(ReadSound<std::int16_t>(Path("out.wav"), &info).size(), 800u);
}

TEST_F(Cli, RecordWritesWhatTheEffectSaves) {
  CliResult r =
      Run({"record", "noise-gate", "--preset", "4", "--set", "attack=20", Path("a.rec").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  CAkNoisgtTransform gate;
  gate.ApplyPreset(4);
  gate.SetAttack(20);
  EXPECT_EQ(ReadBytes(Path("a.rec")), SavedRecord(gate));

  // Presets by name, in any case; later options win.
  ASSERT_EQ(Run({"record", "noise-gate", "--set=attack=50", "--preset", "slow ATTACK",
                 Path("b.rec").string()})
                .exitCode,
            0);
  CAkNoisgtTransform slow;
  slow.ApplyPreset(6);
  EXPECT_EQ(ReadBytes(Path("b.rec")), SavedRecord(slow));
}

TEST_F(Cli, OutOfRangeSettingIsClampedWithAWarning) {
  CliResult r = Run({"record", "noise-gate", "--set", "threshold=5", Path("c.rec").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("orlofx: warning: threshold=5"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("using 0"), std::string::npos) << r.err;
  CAkNoisgtTransform gate;
  gate.ApplyPreset(0);
  gate.SetThreshold(0);
  EXPECT_EQ(ReadBytes(Path("c.rec")), SavedRecord(gate));

  r = Run(
      {"record", "noise-gate", "--set", "release=99999999999999999999999", Path("d.rec").string()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("using 5000"), std::string::npos) << r.err;
}

TEST_F(Cli, SavedRecordDrivesProcessing) {
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 8000, Noise<float>(8000, 6));
  // With a 0 dB threshold the noise (never above 0.9) keeps the gate shut.
  ASSERT_EQ(
      Run({"record", "noise-gate", "--set", "threshold=0", Path("shut.rec").string()}).exitCode, 0);
  CliResult r = Run({"process", "noise-gate", "--record", Path("shut.rec").string(),
                     Path("in.wav").string(), Path("out.wav").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  SF_INFO info;
  for (float x : ReadSound<float>(Path("out.wav"), &info)) ASSERT_EQ(x, 0.0f);
}

TEST_F(Cli, DamagedRecordsAreRefusedAndLeaveNoOutput) {
  CAkNoisgtTransform gate;
  gate.ApplyPreset(0);
  const std::vector<std::uint8_t> good = SavedRecord(gate);
  std::vector<std::uint8_t> truncated(good.begin(), good.begin() + 28);
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  std::vector<std::uint8_t> wrongSize = good;
  wrongSize[0] = 33;
  std::vector<std::uint8_t> wrongTag = good;
  wrongTag[4] ^= 0xFF;
  std::vector<std::uint8_t> garbage(4000);
  std::mt19937 rng(9);
  for (auto& b : garbage) b = static_cast<std::uint8_t>(rng());
  WriteBytes(Path("truncated.rec"), truncated);
  WriteBytes(Path("short.rec"), std::vector<std::uint8_t>(good.begin(), good.begin() + 7));
  WriteBytes(Path("longer.rec"), longer);
  WriteBytes(Path("size.rec"), wrongSize);
  WriteBytes(Path("tag.rec"), wrongTag);
  WriteBytes(Path("garbage.rec"), garbage);
  WriteSound(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, Noise<std::int16_t>(800, 7));
  const std::vector<std::string> before = Listing();

  struct Case {
    const char* file;
    const char* says;
  } cases[] = {
      {"truncated.rec", "too short"},
      {"short.rec", "too short"},
      {"longer.rec", "longer than one record"},
      {"size.rec", "wrong size or tag"},
      {"tag.rec", "wrong size or tag"},
      {"garbage.rec", "wrong size or tag"},
      {"absent.rec", "absent.rec"},
  };
  for (const Case& c : cases) {
    CliResult r = Run({"process", "noise-gate", "--record", Path(c.file).string(),
                       Path("in.wav").string(), Path("out.wav").string()});
    EXPECT_EQ(r.exitCode, 1) << c.file;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.file << ": " << r.err;
    EXPECT_EQ(Listing(), before) << c.file;
  }
}

}  // namespace
}  // namespace orlofx

// What the tests of the orlofx tool share: running the program in a private
// folder, and writing and reading sound files with libsndfile.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

namespace orlofx::cli_test {

namespace fs = std::filesystem;

struct CliResult {
  int exitCode;
  std::string out;
  std::string err;
};

inline std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// `samples` (interleaved, 16-bit or float) as a sound file of libsndfile
// format `format`.
template <typename S>
void WriteSound(const fs::path& p, int format, int channels, int rate, const std::vector<S>& samples) {
  SF_INFO info{0, rate, channels, format, 0, 0};
  SNDFILE* f = sf_open(p.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << p << ": " << sf_strerror(nullptr);
  const auto n = static_cast<sf_count_t>(samples.size());
  sf_count_t done = 0;
  if constexpr (std::is_same_v<S, std::int16_t>) done = sf_write_short(f, samples.data(), n);
  else done = sf_write_float(f, samples.data(), n);
  EXPECT_EQ(done, n);
  sf_close(f);
}

template <typename S>
std::vector<S> ReadSound(const fs::path& p, SF_INFO* info) {
  *info = SF_INFO{};
  SNDFILE* f = sf_open(p.c_str(), SFM_READ, info);
  EXPECT_NE(f, nullptr) << p << ": " << sf_strerror(nullptr);
  if (!f) return {};
  std::vector<S> s(static_cast<std::size_t>(info->frames) * info->channels);
  const auto n = static_cast<sf_count_t>(s.size());
  sf_count_t done = 0;
  if constexpr (std::is_same_v<S, float>) done = sf_read_float(f, s.data(), n);
  else done = sf_read_double(f, s.data(), n);
  EXPECT_EQ(done, n);
  sf_close(f);
  return s;
}

// A private folder per test; the tool runs in it.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orlofx-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string& name) const { return dir_ / name; }

  // Runs the tool in the folder; standard input from `input` (a file of the
  // folder) or /dev/null, standard output to `output` (a file of the folder)
  // or captured. `environment` goes before the command ("LC_ALL=C").
  CliResult Run(const std::vector<std::string>& args, const std::string& input = "", const std::string& output = "",
                const std::string& environment = "") const {
    std::string command = "cd " + Quote(dir_.string()) + " && " + environment + " " + Quote(ORLOFX_CLI_PATH);
    for (const std::string& a : args) command += " " + Quote(a);
    const fs::path out = output.empty() ? Hidden("stdout") : Path(output), err = Hidden("stderr");
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string()) + " <" +
               Quote(input.empty() ? std::string("/dev/null") : Path(input).string());
    const int status = std::system(command.c_str());
    CliResult r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, output.empty() ? ReadText(out) : "", ReadText(err)};
    if (output.empty()) fs::remove(out);
    fs::remove(err);
    return r;
  }

  // The tool between two pipes: `input` fed in, standard output into `output`.
  CliResult RunPiped(const std::vector<std::string>& args, const std::string& input, const std::string& output) const {
    std::string tool = Quote(ORLOFX_CLI_PATH);
    for (const std::string& a : args) tool += " " + Quote(a);
    const fs::path err = Hidden("stderr"), status = Hidden("status");
    const std::string command = "(cat " + Quote(Path(input).string()) + " | " + tool + " 2>" + Quote(err.string()) +
                                "; echo $? >" + Quote(status.string()) + ") | cat >" + Quote(Path(output).string());
    [[maybe_unused]] const int ignored = std::system(command.c_str());  // the status file tells
    CliResult r{std::atoi(ReadText(status).c_str()), "", ReadText(err)};
    fs::remove(err);
    fs::remove(status);
    return r;
  }

  // A shell command's standard output and error.
  std::string RunShell(const std::string& command) const {
    const fs::path out = Hidden("shell");
    [[maybe_unused]] const int ignored = std::system((command + " >" + Quote(out.string()) + " 2>&1 </dev/null").c_str());
    const std::string text = ReadText(out);
    fs::remove(out);
    return text;
  }

  // The folder's files and their bytes, to show what a run left behind.
  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      if (e.is_regular_file()) files[fs::relative(e.path(), dir_).string()] = ReadText(e.path());
    return files;
  }

  fs::path Hidden(const std::string& name) const { return dir_.string() + ".." + name; }
  fs::path dir_;
};

}  // namespace orlofx::cli_test

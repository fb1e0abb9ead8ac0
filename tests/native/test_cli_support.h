// What the tests of the orlofx tool share: running the program on files in a
// private folder, and writing and reading sound files with libsndfile.
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
#include <string>
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

inline std::vector<std::uint8_t> ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Sample types as the tool and the processor exchange them, with the
// libsndfile calls that move them unchanged.
inline sf_count_t Write(SNDFILE* f, const std::uint8_t* d, sf_count_t n, int ch) {
  return sf_write_raw(f, d, n * ch) / ch;
}
inline sf_count_t Write(SNDFILE* f, const std::int16_t* d, sf_count_t n, int) {
  return sf_writef_short(f, d, n);
}
inline sf_count_t Write(SNDFILE* f, const std::int32_t* d, sf_count_t n, int) {
  return sf_writef_int(f, d, n);
}
inline sf_count_t Write(SNDFILE* f, const float* d, sf_count_t n, int) {
  return sf_writef_float(f, d, n);
}
inline sf_count_t Write(SNDFILE* f, const double* d, sf_count_t n, int) {
  return sf_writef_double(f, d, n);
}
inline sf_count_t Read(SNDFILE* f, std::uint8_t* d, sf_count_t n, int ch) {
  return sf_read_raw(f, d, n * ch) / ch;
}
inline sf_count_t Read(SNDFILE* f, std::int16_t* d, sf_count_t n, int) {
  return sf_readf_short(f, d, n);
}
inline sf_count_t Read(SNDFILE* f, std::int32_t* d, sf_count_t n, int) {
  return sf_readf_int(f, d, n);
}
inline sf_count_t Read(SNDFILE* f, float* d, sf_count_t n, int) { return sf_readf_float(f, d, n); }
inline sf_count_t Read(SNDFILE* f, double* d, sf_count_t n, int) {
  return sf_readf_double(f, d, n);
}

// `samples` (interleaved) as a sound file of libsndfile format `format`.
template <typename S>
void WriteSound(const fs::path& p, int format, int channels, int rate,
                const std::vector<S>& samples) {
  SF_INFO info{};
  info.format = format;
  info.channels = channels;
  info.samplerate = rate;
  SNDFILE* f = sf_open(p.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << p << ": " << sf_strerror(nullptr);
  const sf_count_t frames = static_cast<sf_count_t>(samples.size() / channels);
  EXPECT_EQ(Write(f, samples.data(), frames, channels), frames);
  sf_close(f);
}

template <typename S>
std::vector<S> ReadSound(const fs::path& p, SF_INFO* info) {
  *info = SF_INFO{};
  SNDFILE* f = sf_open(p.c_str(), SFM_READ, info);
  EXPECT_NE(f, nullptr) << p << ": " << sf_strerror(nullptr);
  if (!f) return {};
  std::vector<S> samples(static_cast<std::size_t>(info->frames) * info->channels);
  EXPECT_EQ(Read(f, samples.data(), info->frames, info->channels), info->frames);
  sf_close(f);
  return samples;
}

// A private folder per test, and the tool run in it.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orlofx-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string& name) const { return dir_ / name; }
  std::string PathText(const std::string& name) const { return Path(name).string(); }

  // Runs the tool; standard input from `input` (a file of the folder) or
  // /dev/null, standard output to `output` (a file of the folder) or
  // captured as text. `environment` goes before the command ("LC_ALL=C").
  CliResult Run(const std::vector<std::string>& args, const std::string& input = "",
                const std::string& output = "", const std::string& environment = "") const {
    std::string command = environment + " " + Quote(ORLOFX_CLI_PATH);
    for (const std::string& a : args) command += " " + Quote(a);
    const fs::path out = output.empty() ? dir_ / "..stdout" : Path(output);
    const fs::path err = dir_ / "..stderr";
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string()) + " <" +
               Quote(input.empty() ? std::string("/dev/null") : Path(input).string());
    const int status = std::system(command.c_str());
    CliResult r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, output.empty() ? ReadText(out) : "",
                ReadText(err)};
    if (output.empty()) fs::remove(out);
    fs::remove(err);
    return r;
  }

  // Runs the tool between two pipes: `input` (a file of the folder) fed in
  // through one, standard output collected into `output` through the other.
  CliResult RunPiped(const std::vector<std::string>& args, const std::string& input,
                     const std::string& output) const {
    std::string tool = Quote(ORLOFX_CLI_PATH);
    for (const std::string& a : args) tool += " " + Quote(a);
    const fs::path err = dir_ / "..stderr", status = dir_ / "..status";
    const std::string command = "(cat " + Quote(PathText(input)) + " | " + tool + " 2>" +
                                Quote(err.string()) + "; echo $? >" + Quote(status.string()) +
                                ") | cat >" + Quote(PathText(output));
    [[maybe_unused]] const int ignored = std::system(command.c_str());  // the status file tells
    CliResult r{std::atoi(ReadText(status).c_str()), "", ReadText(err)};
    fs::remove(err);
    fs::remove(status);
    return r;
  }

  // Runs a shell command and gives what it wrote to standard output.
  std::string RunShell(const std::string& command) const {
    const fs::path out = dir_ / "..shell";
    [[maybe_unused]] const int ignored =
        std::system((command + " >" + Quote(out.string()) + " 2>&1 </dev/null").c_str());
    const std::string text = ReadText(out);
    fs::remove(out);
    return text;
  }

  // Names in the folder, to show that a refused run left nothing behind.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

}  // namespace orlofx::cli_test

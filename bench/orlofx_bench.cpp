// `make bench`: every effect the tool lists, end to end (the tool turning a
// file into a file) against the closest sox effect on the same file, runs
// of the two taking turns; each processor alone in-process; our FFTs
// against FFTW; the block convolver at High accuracy. Prints the tables and
// writes them into bench/README.md between its two marker lines, leaving
// the hand-written parts around them alone.
//
// The machine may be shared: every figure is the median of several runs,
// the two sides of a comparison run in alternation so that they see the
// same load, and the load average is printed beside each row.
//
//   orlofx_bench [--runs N] [--table FILE] [--readme FILE] [--work DIR]
#include <fftw3.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/effect_registry.h"
#include "dsp/block_convolver.h"
#include "dsp/fft.h"
#include "dsp/fir_design.h"
#include "dsp/fir_engine.h"
#include "effects/geq/geq_target.h"
#include "effects/pmeq/pmeq_target.h"
#include "framework/settings_record.h"

extern char** environ;

namespace orlofx::bench {
namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;
constexpr int kChannels = 2;
constexpr std::size_t kFrames = static_cast<std::size_t>(kRate) * kSeconds;
constexpr double kFftTarget = 1.5;  // most our time may be of FFTW's
const char kBegin[] = "<!-- make bench: generated from here -->";
const char kEnd[] = "<!-- make bench: generated up to here -->";

// The FIR effects whose taps sox's `fir` gets, by tool name.
const FirDesignRules* FirRulesOf(const std::string& name) {
  if (name == "parametric-eq") return &kPmeqDesignRules;
  if (name == "graphic-eq") return &kGeqDesignRules;
  return nullptr;
}

double Clock(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t h = v.size() / 2;
  return v.size() % 2 ? v[h] : 0.5 * (v[h - 1] + v[h]);
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

// The one-minute figure, for the rows.
std::string LoadNow() {
  std::ifstream in("/proc/loadavg");
  std::string a;
  in >> a;
  return a;
}

// Splits on blanks; "..." keeps blanks inside one argument.
std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (any) out.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) out.push_back(cur);
  return out;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

struct TableLine {
  std::vector<std::string> settings;
  std::vector<std::string> sox;
  double targetRt = 0;     // 0: none stated
  double targetRatio = 0;  // 0: none stated
  std::string settingsText, soxText, note;
};

std::map<std::string, TableLine> ReadTable(const std::string& path) {
  std::map<std::string, TableLine> table;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '|')) cols.push_back(Trim(col));
    if (cols.size() < 5) {
      std::fprintf(stderr, "bench table: ignoring line '%s'\n", line.c_str());
      continue;
    }
    TableLine t;
    t.settingsText = cols[1];
    t.soxText = cols[2];
    t.settings = Tokens(cols[1]);
    t.sox = Tokens(cols[2]);
    t.targetRt = cols[3] == "-" ? 0 : std::atof(cols[3].c_str());
    t.targetRatio = cols[4] == "-" ? 0 : std::atof(cols[4].c_str());
    t.note = cols.size() > 5 ? cols[5] : "";
    table[cols[0]] = t;
  }
  return table;
}

// One run of a program: its CPU time (user + system, all its threads) and
// the wall time from start to exit, in seconds; both 0 when it failed.
struct Run {
  double cpu = 0;
  double wall = 0;
};

Run RunChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  Run result;
  const double start = Clock(CLOCK_MONOTONIC);
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      result.wall = Clock(CLOCK_MONOTONIC) - start;
      result.cpu = std::max(1e-6, usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 +
                                      usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6);
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return result;
}

// Medians of `runs` runs of each command, the commands taking turns so that
// they share whatever load the machine has. An empty command is skipped;
// a failed run leaves that command's figures at 0.
std::vector<Run> MedianRuns(int runs, const std::vector<std::vector<std::string>>& commands) {
  std::vector<std::vector<double>> cpu(commands.size()), wall(commands.size());
  std::vector<bool> failed(commands.size(), false);
  for (int r = 0; r < runs; ++r) {
    for (std::size_t i = 0; i < commands.size(); ++i) {
      if (commands[i].empty() || failed[i]) continue;
      const Run one = RunChild(commands[i]);
      if (one.cpu <= 0) failed[i] = true;
      cpu[i].push_back(one.cpu);
      wall[i].push_back(one.wall);
    }
  }
  std::vector<Run> out(commands.size());
  for (std::size_t i = 0; i < commands.size(); ++i)
    if (!failed[i]) out[i] = {Median(cpu[i]), Median(wall[i])};
  return out;
}

// Sixty seconds of pink noise, each channel its own, under a level that
// steps between loud passages, quieter ones and near-silence (3 s, 1 s,
// 1 s, 1 s in turn), so that gates and compressors have work to do. The
// spectrum is shaped from white noise by a sum of one-pole low-passes
// spaced across the audio band, which follows -3 dB per octave within a
// fraction of a dB from about 10 Hz up.
std::vector<float> PinkNoise() {
  std::vector<float> v(kFrames * kChannels);
  std::mt19937 rng(4711);
  std::uniform_real_distribution<double> white(-1.0, 1.0);
  static constexpr double kPole[6] = {0.99886, 0.99332, 0.96900, 0.86650, 0.55000, -0.7616};
  static constexpr double kGain[6] = {0.0555179, 0.0750759, 0.1538520, 0.3104856, 0.5329522, -0.0168980};
  double state[kChannels][7] = {};
  double level = 0.5;
  for (std::size_t i = 0; i < kFrames; ++i) {
    const double section = std::fmod(static_cast<double>(i) / kRate, 6.0);
    const double target = section < 3.0 ? 0.5 : section < 4.0 ? 0.003 : section < 5.0 ? 0.1 : 0.9;
    level += (target - level) * 0.0005;
    for (int c = 0; c < kChannels; ++c) {
      double* b = state[c];
      const double w = white(rng);
      double pink = b[6] + w * 0.5362;
      for (int k = 0; k < 6; ++k) {
        b[k] = kPole[k] * b[k] + w * kGain[k];
        pink += b[k];
      }
      b[6] = w * 0.115926;
      v[i * kChannels + c] = static_cast<float>(std::clamp(level * 0.11 * pink, -1.0, 1.0));
    }
  }
  return v;
}

bool WriteWav(const std::string& path, const std::vector<float>& samples) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = kChannels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  const sf_count_t n = sf_writef_float(f, samples.data(), static_cast<sf_count_t>(kFrames));
  sf_close(f);
  return n == static_cast<sf_count_t>(kFrames);
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The processor alone: the whole programme in 4096-frame calls, then the
// drain; the median CPU time of `runs`.
double ProcessorTime(const cli::EffectEntry& entry, const std::vector<std::uint8_t>& record,
                     const std::vector<float>& input, int runs) {
  const WaveFormat wf = MakeWaveFormat(SampleFormat::kFloat32, kChannels, kRate);
  std::vector<float> out(4096 * kChannels);
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(entry);
    MemoryRecordStream stream(record);
    if (Failed(fx->LoadRecord(stream)) || Failed(fx->Prepare(wf, wf))) return 0;
    const double t0 = Clock(CLOCK_THREAD_CPUTIME_ID);
    std::size_t at = 0;
    while (at < kFrames) {
      std::uint32_t in = static_cast<std::uint32_t>(std::min<std::size_t>(4096, kFrames - at));
      std::uint32_t produced = 4096;
      if (Failed(fx->Process(kProcessOrdinary, input.data() + at * kChannels, &in, out.data(), &produced)))
        return 0;
      if (in == 0 && produced == 0) return 0;
      at += in;
    }
    for (int i = 0; i < 1000; ++i) {
      std::uint32_t produced = 4096;
      const HResult hr = fx->Process(kProcessDrain, nullptr, nullptr, out.data(), &produced);
      if (Failed(hr)) return 0;
      if (hr == kProcessFinished) break;
    }
    times.push_back(std::max(Clock(CLOCK_THREAD_CPUTIME_ID) - t0, 1e-6));
    fx->Release();
  }
  return Median(times);
}

// --- FFT against FFTW ------------------------------------------------------------------
//
// Each side runs forward and inverse transforms of one size in a batch;
// the batches alternate between the two sides, and each side's figure is
// its median batch, per transform.

std::pair<double, double> TimePairs(const std::function<void()>& ours, const std::function<void()>& theirs,
                                    std::size_t n) {
  const int reps = static_cast<int>(std::max<std::size_t>(64, (std::size_t{1} << 20) / n));
  std::vector<double> a, b;
  for (int batch = 0; batch < 9; ++batch) {
    for (int side = 0; side < 2; ++side) {
      const std::function<void()>& f = side == 0 ? ours : theirs;
      const double t0 = Clock(CLOCK_THREAD_CPUTIME_ID);
      for (int r = 0; r < reps; ++r) f();
      (side == 0 ? a : b).push_back((Clock(CLOCK_THREAD_CPUTIME_ID) - t0) / (2.0 * reps));
    }
  }
  return {Median(a), Median(b)};
}

template <typename T>
std::vector<T> RandomData(std::size_t n) {
  std::vector<T> v(n);
  std::mt19937 rng(1);
  for (T& x : v) x = static_cast<T>(std::uniform_real_distribution<double>(-1, 1)(rng));
  return v;
}

// Real transforms (the block convolver's kind), T float or double.
template <typename T>
std::pair<double, double> RealVersusFftw(std::size_t n) {
  RealFft<T> fft;
  if (Failed(fft.Init(n))) return {0, 0};
  std::vector<T> data = RandomData<T>(n);
  auto ours = [&] {
    fft.Forward(data.data());
    fft.Inverse(data.data());
  };
  const int size = static_cast<int>(n);
  if constexpr (sizeof(T) == sizeof(float)) {
    float* in = fftwf_alloc_real(n);
    fftwf_complex* spectrum = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan fwd = fftwf_plan_dft_r2c_1d(size, in, spectrum, FFTW_MEASURE);
    fftwf_plan inv = fftwf_plan_dft_c2r_1d(size, spectrum, in, FFTW_MEASURE);
    std::copy(data.begin(), data.end(), in);
    std::size_t r = 0;
    auto theirs = [&] {
      fftwf_execute(fwd);
      fftwf_execute(inv);
      in[r++ % n] *= 1.0f / static_cast<float>(n);  // keeps the data bounded, as our inverse scales
    };
    const auto t = TimePairs(ours, theirs, n);
    fftwf_destroy_plan(fwd);
    fftwf_destroy_plan(inv);
    fftwf_free(in);
    fftwf_free(spectrum);
    return t;
  } else {
    double* in = fftw_alloc_real(n);
    fftw_complex* spectrum = fftw_alloc_complex(n / 2 + 1);
    fftw_plan fwd = fftw_plan_dft_r2c_1d(size, in, spectrum, FFTW_MEASURE);
    fftw_plan inv = fftw_plan_dft_c2r_1d(size, spectrum, in, FFTW_MEASURE);
    std::copy(data.begin(), data.end(), in);
    std::size_t r = 0;
    auto theirs = [&] {
      fftw_execute(fwd);
      fftw_execute(inv);
      in[r++ % n] *= 1.0 / static_cast<double>(n);
    };
    const auto t = TimePairs(ours, theirs, n);
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(inv);
    fftw_free(in);
    fftw_free(spectrum);
    return t;
  }
}

// Complex double transforms in place (the kernel design's kind).
std::pair<double, double> ComplexVersusFftw(std::size_t n) {
  ComplexFft<double> fft;
  if (Failed(fft.Init(n))) return {0, 0};
  std::vector<double> data = RandomData<double>(2 * n);
  auto ours = [&] {
    fft.Forward(data.data());
    fft.Inverse(data.data());
  };
  fftw_complex* buffer = fftw_alloc_complex(n);
  const int size = static_cast<int>(n);
  fftw_plan fwd = fftw_plan_dft_1d(size, buffer, buffer, FFTW_FORWARD, FFTW_MEASURE);
  fftw_plan inv = fftw_plan_dft_1d(size, buffer, buffer, FFTW_BACKWARD, FFTW_MEASURE);
  for (std::size_t i = 0; i < n; ++i) {
    buffer[i][0] = data[2 * i];
    buffer[i][1] = data[2 * i + 1];
  }
  std::size_t r = 0;
  auto theirs = [&] {
    fftw_execute(fwd);
    fftw_execute(inv);
    buffer[r++ % n][0] *= 1.0 / static_cast<double>(n);
  };
  const auto t = TimePairs(ours, theirs, n);
  fftw_destroy_plan(fwd);
  fftw_destroy_plan(inv);
  fftw_free(buffer);
  return t;
}

// The block convolver alone at High accuracy on the programme.
double ConvolverTime(const std::vector<float>& programme, int runs) {
  FirDesigner designer;
  if (Failed(designer.Init())) return 0;
  std::vector<double> target(kFirSizeHigh), spectrum(kFirSizeHigh);
  for (std::size_t k = 0; k < target.size(); ++k) target[k] = 1.0 + 0.5 * std::sin(k * 0.01);
  if (Failed(designer.Design(target.data(), kFirSizeHigh, nullptr, spectrum.data()))) return 0;
  std::vector<float> spectrumF(spectrum.begin(), spectrum.end());
  std::vector<float> out(programme.size());
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    BlockConvolver<float> conv;
    if (Failed(conv.Allocate(kChannels))) return 0;
    conv.Start(kFirSizeHigh, 1.0f, static_cast<std::size_t>(kRate * kFirSmoothingSeconds));
    ConvolverIo io{SampleFormat::kFloat32, kChannels,
                   reinterpret_cast<const unsigned char*>(programme.data()),
                   static_cast<std::uint32_t>(kFrames),
                   reinterpret_cast<unsigned char*>(out.data()),
                   static_cast<std::uint32_t>(kFrames), 0, 0};
    const double t0 = Clock(CLOCK_THREAD_CPUTIME_ID);
    while (io.consumed < io.inCount)
      if (conv.Run(false, io, spectrumF.data(), 1.0f)) break;
    while (!conv.Run(true, io, spectrumF.data(), 1.0f)) {
    }
    times.push_back(std::max(Clock(CLOCK_THREAD_CPUTIME_ID) - t0, 1e-6));
  }
  return Median(times);
}

// --- report -----------------------------------------------------------------------------

std::string Machine() {
  std::ifstream cpu("/proc/cpuinfo");
  std::string line, model = "unknown CPU";
  while (std::getline(cpu, line))
    if (line.rfind("model name", 0) == 0) {
      model = Trim(line.substr(line.find(':') + 1));
      break;
    }
  return model + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores";
}

std::string Fixed(double v, int decimals = 0) {
  if (v <= 0) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::string Rt(double seconds) { return seconds > 0 ? Fixed(kSeconds / seconds) + "×" : "n/a"; }
std::string Ms(double seconds) { return seconds > 0 ? Fixed(seconds * 1e3) + " ms" : "n/a"; }

// peer / ours, with ✓ or ✗ against a least ratio when one is stated.
std::string Ratio(double peer, double ours, double target) {
  if (peer <= 0 || ours <= 0) return "n/a";
  std::string s = Fixed(peer / ours, 2);
  if (target > 0) s += peer / ours >= target ? " ✓" : " ✗";
  return s;
}

struct EffectRow {
  std::string name, settings, sox, note, load;
  double targetRt = 0, targetRatio = 0;
  Run tool, peer;
  double processor = 0;
  std::string problem;
};

struct FftRow {
  std::size_t n;
  std::pair<double, double> realFloat, realDouble, complexDouble;  // ours, FFTW
  std::string load;
};

// Writes `block` between the markers of the README, or, without markers,
// as the whole file.
bool WriteReadme(const std::string& path, const std::string& block) {
  std::ifstream in(path);
  std::stringstream old;
  old << in.rdbuf();
  const std::string text = old.str();
  const std::size_t b = text.find(kBegin), e = text.find(kEnd);
  std::string out;
  if (b != std::string::npos && e != std::string::npos && b < e)
    out = text.substr(0, b) + kBegin + "\n" + block + kEnd + text.substr(e + std::strlen(kEnd));
  else
    out = std::string("# Benchmarks\n\n") + kBegin + "\n" + block + kEnd + "\n";
  std::ofstream file(path);
  file << out;
  return static_cast<bool>(file);
}

}  // namespace
}  // namespace orlofx::bench

int main(int argc, char** argv) {
  using namespace orlofx;
  using namespace orlofx::bench;
  int runs = 5;
  std::string source = ORLOFX_SOURCE_DIR;
  std::string tablePath = source + "/bench/heaviest.txt";
  std::string readme = source + "/bench/README.md";
  std::string work = "bench-work";
  const std::string tool = ORLOFX_CLI_PATH;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    if (opt == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    else if (opt == "--table") tablePath = argv[i + 1];
    else if (opt == "--readme") readme = argv[i + 1];
    else if (opt == "--work") work = argv[i + 1];
  }
  RunChild({"mkdir", "-p", work});
  char date[64];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  const std::string machine = Machine();
  const std::string loadBefore = LoadAverage();
  std::printf("orlofx bench: %s, %s, load %s\n", date, machine.c_str(), loadBefore.c_str());

  const std::vector<float> programme = PinkNoise();
  const std::string wav = work + "/pink-float32.wav";
  if (!WriteWav(wav, programme)) {
    std::fprintf(stderr, "cannot write %s\n", wav.c_str());
    return 1;
  }

  const auto table = ReadTable(tablePath);
  std::vector<EffectRow> rows;
  for (const cli::EffectEntry& entry : cli::Effects()) {
    EffectRow row;
    row.name = entry.name;
    TableLine line;
    const auto it = table.find(row.name);
    if (it != table.end()) {
      line = it->second;
    } else {
      line.settings = {"--preset", "0"};
      line.settingsText = "--preset 0";
      line.note = "no line in bench/heaviest.txt: preset 0, no peer";
    }
    row.settings = line.settingsText;
    row.sox = line.soxText;
    row.note = line.note;
    row.targetRt = line.targetRt;
    row.targetRatio = line.targetRatio;
    row.load = LoadNow();
    std::printf("%s ...\n", row.name.c_str());
    std::fflush(stdout);

    // The tool writes the record of the setting; the processor loads it.
    const std::string rec = work + "/" + row.name + ".rec";
    std::vector<std::string> recordArgs = {tool, "record", row.name};
    recordArgs.insert(recordArgs.end(), line.settings.begin(), line.settings.end());
    recordArgs.push_back(rec);
    if (RunChild(recordArgs).cpu <= 0) {
      row.problem = "the tool refuses these settings";
      rows.push_back(row);
      continue;
    }
    const std::vector<std::uint8_t> record = ReadFile(rec);

    // sox's fir gets the effect's own taps.
    std::vector<std::string> sox = line.sox;
    for (std::string& a : sox) {
      if (a != "{taps}") continue;
      const FirDesignRules* rules = FirRulesOf(row.name);
      std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(entry);
      MemoryRecordStream stream(record);
      std::int32_t fields[kMaxRecordFields] = {};
      std::vector<double> taps(kFirMaxSize);
      std::size_t count = 0;
      double gain = 1;
      if (!rules || Failed(fx->LoadRecord(stream)) || (fx->GetFields(fields), false) ||
          Failed(FirDesignTaps(*rules, fields, kRate, taps.data(), &count, &gain))) {
        row.problem = "no FIR taps for this effect";
        break;
      }
      a = work + "/" + row.name + ".taps";
      std::ofstream out(a);
      out.precision(17);
      for (std::size_t i = 0; i < count; ++i) out << taps[i] * gain << "\n";
      row.note += " (" + std::to_string(count) + " taps)";
    }

    std::vector<std::string> ours = {tool, "process", row.name};
    ours.insert(ours.end(), line.settings.begin(), line.settings.end());
    ours.push_back(wav);
    ours.push_back(work + "/" + row.name + ".wav");
    std::vector<std::string> peer;
    if (!sox.empty() && row.problem.empty()) {
      peer = {"sox", "--single-threaded", "-D", "-V1", wav, work + "/sox-out.wav"};
      peer.insert(peer.end(), sox.begin(), sox.end());
    }
    const std::vector<Run> medians = MedianRuns(runs, {ours, peer});
    row.tool = medians[0];
    row.peer = medians[1];
    if (!peer.empty() && row.peer.cpu <= 0) row.problem = "sox refused the peer chain";
    row.processor = ProcessorTime(entry, record, programme, runs);
    rows.push_back(row);
  }

  std::printf("FFT ...\n");
  std::fflush(stdout);
  std::vector<FftRow> ffts;
  for (std::size_t n = 256; n <= 8192; n *= 2)
    ffts.push_back({n, RealVersusFftw<float>(n), RealVersusFftw<double>(n), ComplexVersusFftw(n), LoadNow()});
  const double convolver = ConvolverTime(programme, runs);
  const std::string loadAfter = LoadAverage();

  std::ostringstream md;
  md << "\n- Date: " << date << "; machine: " << machine << "; load average (1, 5, 15 min) at start "
     << loadBefore << ", at end " << loadAfter << ".\n"
     << "- Input: 60 s of stereo 44.1 kHz pink noise as 32-bit float WAV, its level stepping "
        "between loud, quiet and near-silent passages.\n"
     << "- Each figure is the median of " << runs << " runs; the tool and sox run in turns. CPU = user + "
        "system time of the whole process (all threads), wall = its elapsed time. ×RT = 60 s / time. "
        "Ratio = sox's time / the tool's (above 1: the tool is faster); the targets apply to the "
        "CPU ratio, which a shared machine disturbs least. Load = the 1-minute load average when "
        "the row began.\n\n"
     << "## Effects end to end\n\n"
     << "| effect | tool CPU | sox CPU | ratio CPU | target | tool wall | sox wall | ratio wall | "
        "processor alone | load |\n"
     << "|---|---|---|---|---|---|---|---|---|---|\n";
  for (const EffectRow& r : rows) {
    std::string target = r.targetRatio > 0 ? "≥ " + Fixed(r.targetRatio, 1) : "none stated";
    std::string processor = Rt(r.processor);
    if (r.targetRt > 0)
      processor += std::string(" (≥ ") + Fixed(r.targetRt) + "× " +
                   (r.processor > 0 && kSeconds / r.processor >= r.targetRt ? "✓" : "✗") + ")";
    md << "| " << r.name << " | " << Ms(r.tool.cpu) << " (" << Rt(r.tool.cpu) << ") | " << Ms(r.peer.cpu)
       << " (" << Rt(r.peer.cpu) << ") | " << Ratio(r.peer.cpu, r.tool.cpu, r.targetRatio) << " | "
       << target << " | " << Ms(r.tool.wall) << " | " << Ms(r.peer.wall) << " | "
       << Ratio(r.peer.wall, r.tool.wall, 0) << " | " << processor << " | " << r.load << " |\n";
  }
  md << "\nSettings and peers:\n\n";
  for (const EffectRow& r : rows) {
    md << "- **" << r.name << "**: `" << r.settings << "`";
    if (!r.sox.empty()) md << " against `sox ... " << r.sox << "`";
    if (!r.note.empty()) md << ". " << r.note;
    if (!r.problem.empty()) md << ". **Not measured: " << r.problem << "**";
    md << "\n";
  }
  md << "\n## FFT against FFTW (FFTW_MEASURE)\n\n"
     << "Time per transform, forward and inverse averaged, median of 9 batches taken in turns with "
        "FFTW's. Real float and real double are the block convolver's transforms (float for 8/16-bit "
        "and float files, double for 32-bit PCM and 64-bit float), complex double the kernel "
        "design's (2N points for an N-point kernel). Target: ours at most "
     << Fixed(kFftTarget, 1) << "× FFTW's time.\n\n"
     << "| N | real float: ours | FFTW | ours / FFTW | real double: ours | FFTW | ours / FFTW | "
        "complex double: ours | FFTW | ours / FFTW | load |\n"
     << "|---|---|---|---|---|---|---|---|---|---|---|\n";
  auto cell = [](double s) { return s > 0 ? Fixed(s * 1e9, 0) + " ns" : std::string("n/a"); };
  auto versus = [&](const std::pair<double, double>& t) {
    std::string s = cell(t.first) + " | " + cell(t.second) + " | ";
    if (t.first <= 0 || t.second <= 0) return s + "n/a";
    return s + Fixed(t.first / t.second, 2) + (t.first / t.second <= kFftTarget ? " ✓" : " ✗");
  };
  for (const FftRow& f : ffts)
    md << "| " << f.n << " | " << versus(f.realFloat) << " | " << versus(f.realDouble) << " | "
       << versus(f.complexDouble) << " | " << f.load << " |\n";
  md << "\n## Block convolver alone\n\nHigh accuracy (N = 4096, 2047 taps), stereo float, one thread, "
        "median of "
     << runs << ": " << Rt(convolver) << ".\n\n";

  std::printf("\n%s", md.str().c_str());
  if (!WriteReadme(readme, md.str())) {
    std::fprintf(stderr, "cannot write %s\n", readme.c_str());
    return 1;
  }
  std::printf("\nwritten to %s\n", readme.c_str());
  return 0;
}

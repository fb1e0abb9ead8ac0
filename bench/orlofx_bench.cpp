// `make bench`: every effect the tool lists, through the tool and through its
// processor directly, against the closest sox effect on the same generated
// file in the same run; our real FFT against FFTW; the block convolver at
// High accuracy. Prints a table of real-time factors and ratios and writes
// it to bench/README.md.
//
// Times are CPU times (the child's user + system time from wait4 for the
// tool and sox, the process CPU clock for in-process work), the best of a
// few runs each, so that a machine shared with other work still gives fair
// ratios within one run.
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

// The FIR effects whose taps sox's `fir` gets, by tool name.
const FirDesignRules* FirRulesOf(const std::string& name) {
  if (name == "parametric-eq") return &kPmeqDesignRules;
  if (name == "graphic-eq") return &kGeqDesignRules;
  return nullptr;
}

double CpuNow(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
  timespec t{};
  clock_gettime(clock, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
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

struct Child {
  bool ok = false;
  double cpu = 0;  // user + system seconds
};

// Runs a program quietly and returns its CPU time.
Child RunChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  Child result;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
      result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      result.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
                   usage.ru_stime.tv_usec * 1e-6;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return result;
}

// Best (least) CPU time of `runs` runs; 0 when a run failed.
double BestOf(int runs, const std::function<double()>& once) {
  double best = 0;
  for (int r = 0; r < runs; ++r) {
    const double t = once();
    if (t <= 0) return 0;
    if (best == 0 || t < best) best = t;
  }
  return best;
}

double BestChild(int runs, const std::vector<std::string>& args) {
  return BestOf(runs, [&] {
    const Child c = RunChild(args);
    return c.ok ? std::max(c.cpu, 1e-6) : 0.0;
  });
}

// Sixty seconds of programme-like material: chords and noise under a level
// that moves between loud passages and near-silence, so that gates and
// compressors have work to do.
std::vector<float> Programme() {
  std::vector<float> v(kFrames * kChannels);
  std::mt19937 rng(4711);
  std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
  const double freqs[] = {110, 220, 277.2, 329.6, 440, 880, 1760, 3520, 7040};
  double env = 0.5;
  for (std::size_t i = 0; i < kFrames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double section = std::fmod(t, 6.0);
    const double target = section < 3.0 ? 0.5 : section < 4.0 ? 0.003 : section < 5.0 ? 0.1 : 0.8;
    env += (target - env) * 0.0005;
    for (int c = 0; c < kChannels; ++c) {
      double s = 0;
      for (int k = 0; k < 9; ++k) s += std::sin(2 * M_PI * freqs[k] * (1 + 0.002 * c) * t + k) / (k + 2);
      s = 0.6 * s + 0.15 * noise(rng);
      v[i * kChannels + c] = static_cast<float>(std::clamp(env * s, -1.0, 1.0));
    }
  }
  return v;
}

bool WriteWav(const std::string& path, const std::vector<float>& samples, int format) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = kChannels;
  info.format = SF_FORMAT_WAV | format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  const sf_count_t n = sf_writef_float(f, samples.data(), static_cast<sf_count_t>(kFrames));
  sf_close(f);
  return n == static_cast<sf_count_t>(kFrames);
}

// Reads a file back as the interleaved bytes of `format`.
std::vector<unsigned char> ReadRaw(const std::string& path, SampleFormat format) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  std::vector<unsigned char> bytes;
  if (!f) return bytes;
  if (format == SampleFormat::kPcm16) {
    std::vector<short> s(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_short(f, s.data(), info.frames);
    bytes.resize(s.size() * 2);
    std::memcpy(bytes.data(), s.data(), bytes.size());
  } else {
    std::vector<float> s(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_float(f, s.data(), info.frames);
    bytes.resize(s.size() * 4);
    std::memcpy(bytes.data(), s.data(), bytes.size());
  }
  sf_close(f);
  return bytes;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The processor alone: the whole file in 4096-frame calls, then the drain.
double ProcessorTime(const cli::EffectEntry& entry, const std::vector<std::uint8_t>& record,
                     SampleFormat format, const std::vector<unsigned char>& input, int runs) {
  const WaveFormat wf = MakeWaveFormat(format, kChannels, kRate);
  const std::size_t frameBytes = wf.blockAlign;
  const std::size_t frames = input.size() / frameBytes;
  std::vector<unsigned char> out(4096 * frameBytes);
  return BestOf(runs, [&]() -> double {
    std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(entry);
    MemoryRecordStream stream(record);
    if (Failed(fx->LoadRecord(stream)) || Failed(fx->Prepare(wf, wf))) return 0;
    const double t0 = CpuNow();
    std::size_t at = 0;
    while (at < frames) {
      std::uint32_t in = static_cast<std::uint32_t>(std::min<std::size_t>(4096, frames - at));
      std::uint32_t produced = 4096;
      if (Failed(fx->Process(kProcessOrdinary, input.data() + at * frameBytes, &in, out.data(), &produced)))
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
    const double t = CpuNow() - t0;
    fx->Release();
    return std::max(t, 1e-6);
  });
}

struct EffectRow {
  std::string name, settings, sox, note;
  double targetRt = 0, targetRatio = 0;
  double tool[2] = {0, 0}, peer[2] = {0, 0}, processor[2] = {0, 0};  // [float, 16-bit]
  std::string problem;
};

template <typename Fft, typename T>
double OurFftTime(std::size_t n, int reps) {
  Fft fft;
  if (Failed(fft.Init(n))) return 0;
  std::vector<T> data(n);
  std::mt19937 rng(1);
  for (T& x : data) x = static_cast<T>(std::uniform_real_distribution<double>(-1, 1)(rng));
  return BestOf(5, [&] {
    const double t0 = CpuNow(CLOCK_THREAD_CPUTIME_ID);
    for (int r = 0; r < reps; ++r) {
      fft.Forward(data.data());
      fft.Inverse(data.data());
    }
    return (CpuNow(CLOCK_THREAD_CPUTIME_ID) - t0) / (2.0 * reps);
  });
}

double FftwTime(std::size_t n, int reps) {
  double* in = fftw_alloc_real(n);
  fftw_complex* spectrum = fftw_alloc_complex(n / 2 + 1);
  fftw_plan fwd = fftw_plan_dft_r2c_1d(static_cast<int>(n), in, spectrum, FFTW_MEASURE);
  fftw_plan inv = fftw_plan_dft_c2r_1d(static_cast<int>(n), spectrum, in, FFTW_MEASURE);
  std::mt19937 rng(1);
  for (std::size_t i = 0; i < n; ++i) in[i] = std::uniform_real_distribution<double>(-1, 1)(rng);
  const double scale = 1.0 / n;
  const double t = BestOf(5, [&] {
    const double t0 = CpuNow(CLOCK_THREAD_CPUTIME_ID);
    for (int r = 0; r < reps; ++r) {
      fftw_execute(fwd);
      fftw_execute(inv);
      in[r % n] *= scale;  // keep the data bounded, as our inverse scales
    }
    return (CpuNow(CLOCK_THREAD_CPUTIME_ID) - t0) / (2.0 * reps);
  });
  fftw_destroy_plan(fwd);
  fftw_destroy_plan(inv);
  fftw_free(in);
  fftw_free(spectrum);
  return t;
}

double FftwfTime(std::size_t n, int reps) {
  float* in = fftwf_alloc_real(n);
  fftwf_complex* spectrum = fftwf_alloc_complex(n / 2 + 1);
  fftwf_plan fwd = fftwf_plan_dft_r2c_1d(static_cast<int>(n), in, spectrum, FFTW_MEASURE);
  fftwf_plan inv = fftwf_plan_dft_c2r_1d(static_cast<int>(n), spectrum, in, FFTW_MEASURE);
  std::mt19937 rng(1);
  for (std::size_t i = 0; i < n; ++i) in[i] = static_cast<float>(std::uniform_real_distribution<double>(-1, 1)(rng));
  const float scale = 1.0f / n;
  const double t = BestOf(5, [&] {
    const double t0 = CpuNow(CLOCK_THREAD_CPUTIME_ID);
    for (int r = 0; r < reps; ++r) {
      fftwf_execute(fwd);
      fftwf_execute(inv);
      in[r % n] *= scale;
    }
    return (CpuNow(CLOCK_THREAD_CPUTIME_ID) - t0) / (2.0 * reps);
  });
  fftwf_destroy_plan(fwd);
  fftwf_destroy_plan(inv);
  fftwf_free(in);
  fftwf_free(spectrum);
  return t;
}

// The block convolver alone at High accuracy on the float programme.
double ConvolverTime(const std::vector<float>& programme, int runs) {
  FirDesigner designer;
  if (Failed(designer.Init())) return 0;
  std::vector<double> target(kFirSizeHigh), spectrum(kFirSizeHigh);
  for (std::size_t k = 0; k < target.size(); ++k) target[k] = 1.0 + 0.5 * std::sin(k * 0.01);
  if (Failed(designer.Design(target.data(), kFirSizeHigh, nullptr, spectrum.data()))) return 0;
  std::vector<float> spectrumF(spectrum.begin(), spectrum.end());
  std::vector<float> out(programme.size());
  return BestOf(runs, [&]() -> double {
    BlockConvolver<float> conv;
    if (Failed(conv.Allocate(kChannels))) return 0;
    conv.Start(kFirSizeHigh);
    ConvolverIo io{SampleFormat::kFloat32, kChannels,
                   reinterpret_cast<const unsigned char*>(programme.data()),
                   static_cast<std::uint32_t>(kFrames),
                   reinterpret_cast<unsigned char*>(out.data()),
                   static_cast<std::uint32_t>(kFrames), 0, 0};
    const double t0 = CpuNow(CLOCK_THREAD_CPUTIME_ID);
    while (io.consumed < io.inCount)
      if (conv.Run(false, io, spectrumF.data(), 1.0f)) break;
    while (!conv.Run(true, io, spectrumF.data(), 1.0f)) {
    }
    return std::max(CpuNow(CLOCK_THREAD_CPUTIME_ID) - t0, 1e-6);
  });
}

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

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

std::string Fixed(double v, int decimals = 0) {
  if (v <= 0) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::string Rt(double seconds) { return seconds > 0 ? Fixed(kSeconds / seconds) + "×" : "n/a"; }

std::string Ratio(double peer, double ours, double target) {
  if (peer <= 0 || ours <= 0) return "n/a";
  std::string s = Fixed(peer / ours, 2);
  if (target > 0) s += peer / ours >= target ? " ✓" : " ✗";
  return s;
}

}  // namespace
}  // namespace orlofx::bench

int main(int argc, char** argv) {
  using namespace orlofx;
  using namespace orlofx::bench;
  int runs = 3;
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

  const std::vector<float> programme = Programme();
  const std::string wav[2] = {work + "/programme-float32.wav", work + "/programme-pcm16.wav"};
  if (!WriteWav(wav[0], programme, SF_FORMAT_FLOAT) || !WriteWav(wav[1], programme, SF_FORMAT_PCM_16)) {
    std::fprintf(stderr, "cannot write the test files in %s\n", work.c_str());
    return 1;
  }
  const SampleFormat formats[2] = {SampleFormat::kFloat32, SampleFormat::kPcm16};
  const std::vector<unsigned char> raw[2] = {ReadRaw(wav[0], formats[0]), ReadRaw(wav[1], formats[1])};

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
    std::printf("%s ...\n", row.name.c_str());
    std::fflush(stdout);

    // The tool writes the record of the setting; the processor loads it.
    const std::string rec = work + "/" + row.name + ".rec";
    std::vector<std::string> recordArgs = {tool, "record", row.name};
    recordArgs.insert(recordArgs.end(), line.settings.begin(), line.settings.end());
    recordArgs.push_back(rec);
    if (!RunChild(recordArgs).ok) {
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

    for (int k = 0; k < 2; ++k) {
      const std::string out = work + "/" + row.name + (k == 0 ? ".float32.wav" : ".pcm16.wav");
      std::vector<std::string> args = {tool, "process", row.name};
      args.insert(args.end(), line.settings.begin(), line.settings.end());
      args.push_back(wav[k]);
      args.push_back(out);
      row.tool[k] = BestChild(runs, args);
      if (!sox.empty() && row.problem.empty()) {
        std::vector<std::string> peer = {"sox", "--single-threaded", "-D", "-V1", wav[k], work + "/sox-out.wav"};
        peer.insert(peer.end(), sox.begin(), sox.end());
        row.peer[k] = BestChild(runs, peer);
        if (row.peer[k] == 0) row.problem = "sox refused the peer chain";
      }
      row.processor[k] = ProcessorTime(entry, record, formats[k], raw[k], runs);
    }
    rows.push_back(row);
  }

  // FFT against FFTW, and the convolver.
  struct FftRow {
    std::size_t n;
    double ours, fftw, oursF, fftwF;
  };
  std::vector<FftRow> ffts;
  for (std::size_t n : {256u, 1024u, 4096u, 8192u}) {
    const int reps = static_cast<int>(std::max<std::size_t>(200, (1u << 22) / n));
    ffts.push_back({n, OurFftTime<RealFft<double>, double>(n, reps), FftwTime(n, reps),
                    OurFftTime<RealFft<float>, float>(n, reps), FftwfTime(n, reps)});
  }
  const double convolver = ConvolverTime(programme, runs);
  const std::string loadAfter = LoadAverage();

  // The report.
  std::ostringstream md;
  md << "# Benchmarks\n\n"
     << "Generated by `make bench` (bench/orlofx_bench.cpp; settings and sox peers in "
        "bench/heaviest.txt). Do not edit by hand.\n\n"
     << "- Date: " << date << "\n- Machine: " << machine << "\n- Load average at start / end: "
     << loadBefore << " / " << loadAfter << "\n"
     << "- Input: a generated 60-second stereo 44.1 kHz programme, as 32-bit float and 16-bit WAV.\n"
     << "- Times are CPU times (user + system of the child for the tool and sox, the CPU clock "
        "for in-process work), best of " << runs << " runs. The machine is shared with other "
        "work, so absolute figures may be low; the ratios compare runs made side by side in one "
        "run of the benchmark and are the figures to read.\n"
     << "- Real-time factor (×RT) = 60 s / CPU time. Ratio = sox CPU time / orlofx CPU time "
        "(above 1: orlofx faster). ✓/✗ mark a stated target met or missed.\n\n"
     << "## Effects\n\n"
     << "| effect | orlofx process float | sox float | ratio float | orlofx process 16-bit | sox "
        "16-bit | ratio 16-bit | processor float | processor 16-bit | target |\n"
     << "|---|---|---|---|---|---|---|---|---|---|\n";
  for (const EffectRow& r : rows) {
    std::string target;
    if (r.targetRt > 0)
      target += "processor ≥ " + Fixed(r.targetRt) + "×RT " +
                (r.processor[0] > 0 && kSeconds / r.processor[0] >= r.targetRt ? "✓" : "✗");
    if (r.targetRatio > 0) target += std::string(target.empty() ? "" : "; ") + "ratio ≥ " + Fixed(r.targetRatio, 0);
    if (target.empty()) target = "none stated";
    md << "| " << r.name << " | " << Rt(r.tool[0]) << " | " << Rt(r.peer[0]) << " | "
       << Ratio(r.peer[0], r.tool[0], r.targetRatio) << " | " << Rt(r.tool[1]) << " | "
       << Rt(r.peer[1]) << " | " << Ratio(r.peer[1], r.tool[1], r.targetRatio) << " | "
       << Rt(r.processor[0]) << " | " << Rt(r.processor[1]) << " | " << target << " |\n";
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
     << "Time per real transform (forward and inverse averaged), target: ours at most 2× FFTW's "
        "time.\n\n| N | ours double | FFTW double | ours / FFTW | ours float | FFTW float | ours / "
        "FFTW |\n|---|---|---|---|---|---|---|\n";
  for (const FftRow& f : ffts) {
    auto cell = [](double s) { return s > 0 ? Fixed(s * 1e9, 0) + " ns" : std::string("n/a"); };
    auto ratio = [](double ours, double theirs) {
      if (ours <= 0 || theirs <= 0) return std::string("n/a");
      return Fixed(ours / theirs, 2) + (ours / theirs <= 2.0 ? " ✓" : " ✗");
    };
    md << "| " << f.n << " | " << cell(f.ours) << " | " << cell(f.fftw) << " | "
       << ratio(f.ours, f.fftw) << " | " << cell(f.oursF) << " | " << cell(f.fftwF) << " | "
       << ratio(f.oursF, f.fftwF) << " |\n";
  }
  md << "\n## Block convolver\n\nHigh accuracy (N = 4096, 2047 taps), stereo 44.1 kHz float, "
        "one thread: "
     << Rt(convolver) << " (target ≥ 500×RT "
     << (convolver > 0 && kSeconds / convolver >= 500 ? "✓" : "✗") << ").\n";

  std::printf("\n%s", md.str().c_str());
  std::ofstream out(readme);
  out << md.str();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", readme.c_str());
    return 1;
  }
  std::printf("\nwritten to %s\n", readme.c_str());
  return 0;
}

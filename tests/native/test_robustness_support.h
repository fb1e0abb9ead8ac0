// Shared pieces of the robustness and allocation tests: the formats every
// effect must stream, hostile and clean test signals, random settings, and a
// driver that calls an effect's processing entry the way the filter frame
// does while checking that every call keeps its promises.
//
// Everything walks the tool's effect list, so an effect joins these tests by
// its row in cli/effect_registry.cpp.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cli/effect_registry.h"
#include "framework/automation.h"
#include "framework/processor.h"
#include "framework/sample_format.h"

namespace orlofx::robust {

// The names of every effect the tool offers, for parameterised tests.
inline std::vector<std::string> EffectNames() {
  std::vector<std::string> names;
  for (const cli::EffectEntry& e : cli::Effects()) names.push_back(e.name);
  return names;
}

inline std::string TestName(const testing::TestParamInfo<std::string>& info) {
  std::string name;
  for (char c : info.param) name += (c == '-') ? '_' : c;
  return name;
}

inline const cli::EffectEntry& Entry(const std::string& name) {
  const cli::EffectEntry* e = cli::FindEffect(name);
  if (!e) std::abort();  // the name came from the list itself
  return *e;
}

// Sanitizer builds run fewer rounds; ORLOFX_ROBUSTNESS_SCALE (a factor)
// overrides the choice, e.g. 10 for a long soak.
inline double WorkScale() {
  if (const char* s = std::getenv("ORLOFX_ROBUSTNESS_SCALE")) return std::atof(s);
#if defined(__SANITIZE_THREAD__)
  return 0.15;
#elif defined(__SANITIZE_ADDRESS__)
  return 0.3;
#else
  return 1.0;
#endif
}

// Whether to cover every preset and format (full runs) or a sample of them.
inline bool Thorough() { return WorkScale() >= 1.0; }

inline int Scaled(int n) {
  const int v = static_cast<int>(n * WorkScale());
  return v < 1 ? 1 : v;
}

// A fixed seed per test, printed so that a failure can be replayed
// (ORLOFX_ROBUSTNESS_SEED replaces it).
inline std::uint32_t Seed(std::uint32_t fixed) {
  std::uint32_t seed = fixed;
  if (const char* s = std::getenv("ORLOFX_ROBUSTNESS_SEED"))
    seed = static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10));
  testing::Test::RecordProperty("seed", std::to_string(seed));
  std::printf("[ seed     ] %u\n", seed);
  return seed;
}

struct StreamFormat {
  SampleFormat format;
  int channels;
  std::uint32_t rate;
};


inline bool IsFloat(SampleFormat f) {
  return f == SampleFormat::kFloat32 || f == SampleFormat::kFloat64;
}
inline std::string FormatName(SampleFormat f) {
  return (IsFloat(f) ? "float" : "pcm") + std::to_string(8 * BytesPerSample(f));
}
inline std::string Describe(const StreamFormat& f) {
  return FormatName(f.format) + (f.channels == 1 ? " mono " : " stereo ") +
         std::to_string(f.rate) + " Hz";
}

// Every accepted sample format in mono and stereo.
inline std::vector<StreamFormat> AllFormats(std::uint32_t rate) {
  std::vector<StreamFormat> all;
  for (SampleFormat f : {SampleFormat::kPcm8, SampleFormat::kPcm16, SampleFormat::kPcm32,
                         SampleFormat::kFloat32, SampleFormat::kFloat64})
    for (int ch : {1, 2}) all.push_back({f, ch, rate});
  return all;
}

inline std::size_t FrameBytes(const StreamFormat& f) {
  return static_cast<std::size_t>(BytesPerSample(f.format)) * f.channels;
}

// Interleaved samples in [-1, 1] (and beyond, for the float formats) as the
// format's bytes; PCM clamps as the writers do.
inline std::vector<unsigned char> Encode(SampleFormat fmt, const std::vector<double>& samples) {
  std::vector<unsigned char> bytes(samples.size() * BytesPerSample(fmt));
  for (std::size_t i = 0; i < samples.size(); ++i)
    WriteSample<double>(fmt, samples[i], bytes.data() + i * BytesPerSample(fmt));
  return bytes;
}

// Float samples are taken as stored, NaN and infinity included (the reader
// an effect uses would hide them as 0).
inline std::vector<double> Decode(SampleFormat fmt, const std::vector<unsigned char>& bytes) {
  std::vector<double> samples(bytes.size() / BytesPerSample(fmt));
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const unsigned char* p = bytes.data() + i * BytesPerSample(fmt);
    if (fmt == SampleFormat::kFloat32) {
      float v;
      std::memcpy(&v, p, sizeof v);
      samples[i] = v;
    } else if (fmt == SampleFormat::kFloat64) {
      std::memcpy(&samples[i], p, sizeof(double));
    } else {
      samples[i] = ReadSample<double>(fmt, p);
    }
  }
  return samples;
}

enum class Signal {
  kNoise,     // white noise at a random level
  kTones,     // two sines
  kSquare,    // full-scale square wave
  kDc,        // full-scale DC, either sign
  kSilence,
  kDenormal,  // subnormal values of the working precision
  kNanInf,    // NaN and infinities among ordinary samples (float formats)
  kHuge,      // finite values far beyond full scale (float formats)
};
constexpr int kCleanSignalCount = 6;  // kNoise .. kDenormal
constexpr int kSignalCount = 8;

// Appends `frames` frames of `signal` to `out` (interleaved).
inline void Append(Signal signal, std::size_t frames, int channels, std::mt19937& rng,
                   std::vector<double>& out) {
  std::uniform_real_distribution<double> uni(-1.0, 1.0);
  const double level = std::pow(10.0, -std::uniform_real_distribution<double>(0, 4)(rng));
  const double f1 = std::uniform_real_distribution<double>(0.0005, 0.2)(rng);
  const double f2 = std::uniform_real_distribution<double>(0.0005, 0.45)(rng);
  const std::size_t period = 2 + rng() % 400;
  const double sign = (rng() & 1) ? 1.0 : -1.0;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      double v = 0.0;
      switch (signal) {
        case Signal::kNoise: v = level * uni(rng); break;
        case Signal::kTones:
          v = 0.45 * std::sin(6.283185307179586 * f1 * i) + 0.45 * std::sin(6.283185307179586 * f2 * i + c);
          break;
        case Signal::kSquare: v = ((i / period) % 2) ? 1.0 : -1.0; break;
        case Signal::kDc: v = sign; break;
        case Signal::kSilence: v = 0.0; break;
        case Signal::kDenormal: v = ((i + c) % 2 ? 1e-41 : -3e-310) * (1 + (rng() % 3)); break;
        case Signal::kNanInf: {
          const unsigned pick = rng() % 8;
          v = pick == 0 ? nan : pick == 1 ? inf : pick == 2 ? -inf : pick == 3 ? -nan : uni(rng);
          break;
        }
        case Signal::kHuge: v = uni(rng) * 1e30; break;
      }
      out.push_back(v);
    }
  }
}

// Random settings: each field changed with probability 1/3, mostly within
// its range, sometimes to any 32-bit value (setters must clamp, never fail
// or misbehave).
inline std::vector<std::int32_t> RandomFields(const EffectProcessor& fx, std::mt19937& rng) {
  std::vector<std::int32_t> fields(kMaxRecordFields, 0);
  fx.GetFields(fields.data());
  const ParameterTable table = fx.Parameters();
  for (std::size_t i = 0; i < table.count && i < fx.FieldCount(); ++i) {
    if (rng() % 3 != 0) continue;
    const ParameterDescriptor& d = table.items[i];
    const unsigned pick = rng() % 10;
    if (pick < 7) {
      fields[i] = std::uniform_int_distribution<std::int32_t>(d.minimum, d.maximum)(rng);
    } else if (pick < 9) {
      fields[i] = (rng() & 1) ? d.minimum : d.maximum;
    } else {
      fields[i] = static_cast<std::int32_t>(rng());
    }
  }
  return fields;
}

// Calls the processing entry as the filter frame's Receive and EndOfStream
// do, with random room for output. Every call is checked: no failure, no
// claim beyond what was offered, progress whenever there is input (a call
// that neither consumes nor produces would make the frame loop forever),
// and a drain that ends. Input and output are copied to buffers of exactly
// the offered size, so that reading or writing past them is caught by the
// address sanitizer.
class Driver {
 public:
  Driver(EffectProcessor& fx, const StreamFormat& format, std::uint32_t maxRoom = 4096)
      : fx_(fx), format_(format), frameBytes_(FrameBytes(format)), maxRoom_(maxRoom) {}

  // Offers `frames` frames at `in`; the first call carries `mode`, the
  // following calls (the rest of the same input) mode 1.
  bool Offer(const unsigned char* in, std::uint32_t frames, int mode, std::mt19937& rng) {
    std::uint32_t done = 0;
    bool first = true;
    do {
      const std::uint32_t remaining = frames - done;
      std::vector<unsigned char> chunk(in + done * frameBytes_, in + frames * frameBytes_);
      const std::uint32_t room = Room(rng);
      std::vector<unsigned char> out(room * frameBytes_);
      std::uint32_t inFrames = remaining, outFrames = room;
      const int m = first ? mode : kProcessOrdinary;
      const void* src = chunk.empty() ? nullptr : chunk.data();
      if (around_) around_(true);
      const HResult hr =
          automation_ ? ProcessInStretches(fx_, automation_, m, src, &inFrames, out.data(), &outFrames)
                      : fx_.Process(m, src, &inFrames, out.data(), &outFrames);
      if (around_) around_(false);
      ++calls_;
      if (Failed(hr)) return Fail("processing failed", hr);
      if (inFrames > remaining || outFrames > room) return Fail("claimed too many frames", hr);
      output_.insert(output_.end(), out.begin(), out.begin() + outFrames * frameBytes_);
      if (produced_ == 0 && outFrames > 0) firstOutputAt_ = consumed_ + inFrames;
      produced_ += outFrames;
      consumed_ += inFrames;
      done += inFrames;
      if (remaining > 0 && inFrames == 0 && outFrames == 0) return Fail("no progress", hr);
      first = false;
    } while (done < frames);
    return true;
  }

  // End-of-stream drain until the effect says nothing is left.
  bool Drain(std::mt19937& rng) {
    int idle = 0;
    for (int call = 0; call < 100000; ++call) {
      const std::uint32_t room = Room(rng);
      std::vector<unsigned char> out(room * frameBytes_);
      std::uint32_t outFrames = room;
      if (around_) around_(true);
      const HResult hr = fx_.Process(kProcessDrain, nullptr, nullptr, out.data(), &outFrames);
      if (around_) around_(false);
      ++calls_;
      if (Failed(hr)) return Fail("drain failed", hr);
      if (outFrames > room) return Fail("drain claimed too many frames", hr);
      output_.insert(output_.end(), out.begin(), out.begin() + outFrames * frameBytes_);
      produced_ += outFrames;
      if (hr == kProcessFinished) return true;
      idle = outFrames == 0 ? idle + 1 : 0;
      if (idle > 2) return Fail("drain makes no progress", hr);
    }
    return Fail("drain does not end", kProcessProgress);
  }

  const std::vector<unsigned char>& Output() const { return output_; }
  std::vector<double> OutputSamples() const { return Decode(format_.format, output_); }
  std::uint64_t Consumed() const { return consumed_; }
  std::uint64_t Produced() const { return produced_; }
  std::uint64_t Calls() const { return calls_; }
  void FixedRoom(std::uint32_t room) { fixedRoom_ = room; }
  // Streams through the automation stretches, as the dynamics filters do.
  void Automated(AutomationParams* automation) { automation_ = automation; }
  // Called with true before and false after each processing call.
  void Around(void (*hook)(bool inside)) { around_ = hook; }
  // Input frames taken when the first output frame came.
  std::uint64_t FirstOutputAt() const { return firstOutputAt_; }

 private:
  std::uint32_t Room(std::mt19937& rng) const {
    if (fixedRoom_) return fixedRoom_;
    // Mostly generous, sometimes tiny: the frame guarantees 512 bytes, but
    // an effect must not depend on more than one frame of room.
    return (rng() % 8 == 0) ? 1 + rng() % 7 : 1 + rng() % maxRoom_;
  }
  bool Fail(const char* what, HResult hr) {
    ADD_FAILURE() << what << " (result " << hr << ") on " << Describe(format_) << " after "
                  << consumed_ << " frames in, " << produced_ << " out, call " << calls_;
    return false;
  }

  EffectProcessor& fx_;
  StreamFormat format_;
  std::size_t frameBytes_;
  std::uint32_t maxRoom_;
  std::uint32_t fixedRoom_ = 0;
  AutomationParams* automation_ = nullptr;
  void (*around_)(bool) = nullptr;
  std::uint64_t firstOutputAt_ = 0;
  std::vector<unsigned char> output_;
  std::uint64_t consumed_ = 0, produced_ = 0, calls_ = 0;
};

// Prepares `fx` and streams `in` through the frame's calls with `room`
// frames of output room each, drain included; the output as samples.
inline std::vector<double> Run(EffectProcessor& fx, const StreamFormat& f,
                               const std::vector<double>& in, std::uint32_t room = 4096,
                               AutomationParams* automation = nullptr) {
  const WaveFormat w = MakeWaveFormat(f.format, f.channels, f.rate);
  EXPECT_EQ(fx.Prepare(w, w), kOk);
  std::mt19937 rng(1);
  Driver d(fx, f);
  d.FixedRoom(room);
  d.Automated(automation);
  const std::vector<unsigned char> bytes = Encode(f.format, in);
  EXPECT_TRUE(d.Offer(bytes.data(), static_cast<std::uint32_t>(in.size() / f.channels),
                      kProcessOrdinary, rng));
  EXPECT_TRUE(d.Drain(rng));
  return d.OutputSamples();
}

// The same at 44.1 kHz, interleaved `channels`.
inline std::vector<double> Process(EffectProcessor& fx, const std::vector<double>& in,
                                   int channels = 1, SampleFormat fmt = SampleFormat::kFloat64) {
  return Run(fx, {fmt, channels, 44100}, in);
}

// Gain in dB of a half-scale sine of `hz` through `fx` (mono, double), by a
// least-squares fit after `settle` frames; -400 for silence.
inline double ProbeDb(EffectProcessor& fx, double hz, std::size_t settle, double rate = 44100.0) {
  const double w = 6.283185307179586 * hz / rate;
  std::vector<double> in(settle + 4096);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = 0.5 * std::sin(w * i);
  const std::vector<double> out =
      Run(fx, {SampleFormat::kFloat64, 1, static_cast<std::uint32_t>(rate)}, in);
  EXPECT_EQ(out.size(), in.size());
  double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
  for (std::size_t i = settle; i < out.size(); ++i) {
    const double sn = std::sin(w * i), cs = std::cos(w * i);
    ss += sn * sn, sc += sn * cs, cc += cs * cs, ys += out[i] * sn, yc += out[i] * cs;
  }
  const double det = ss * cc - sc * sc;
  const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
  const double amplitude = std::hypot(a, b) / 0.5;
  return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -400.0;
}

// A random block length: zero, tiny, around an effect's block sizes, or large.
inline std::uint32_t RandomBlock(std::mt19937& rng) {
  switch (rng() % 6) {
    case 0: return 0;
    case 1: return 1 + rng() % 8;
    case 2: return 1 + rng() % 1024;
    case 3: return 2040 + rng() % 20;  // near the FIR block lengths
    case 4: return 880 + rng() % 5;    // near a 20 ms block at 44.1 kHz
    default: return 1 + rng() % 9000;
  }
}

inline bool AllFinite(const std::vector<double>& v, std::size_t from = 0) {
  for (std::size_t i = from; i < v.size(); ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

inline WaveFormat Wave(const StreamFormat& f) { return MakeWaveFormat(f.format, f.channels, f.rate); }

// Clean material for the second half of a stream.
inline std::vector<double> CleanInput(std::size_t frames, int channels, std::mt19937& rng) {
  std::vector<double> v;
  while (v.size() < frames * channels) {
    const std::size_t n = std::min<std::size_t>(frames - v.size() / channels, 500 + rng() % 5000);
    Append(rng() % 2 ? Signal::kTones : Signal::kNoise, n, channels, rng, v);
  }
  return v;
}

// Feeds `bytes` in random blocks; false once a call broke its promises.
inline bool FeedAll(Driver& d, const std::vector<unsigned char>& bytes, const StreamFormat& f,
             std::mt19937& rng) {
  const std::size_t frames = bytes.size() / FrameBytes(f);
  std::size_t at = 0;
  while (at < frames) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(RandomBlock(rng), frames - at));
    if (!d.Offer(bytes.data() + at * FrameBytes(f), n, kProcessOrdinary, rng)) return false;
    at += n;
  }
  return true;
}

// One effect of the tool's list per test case.
class Robustness : public testing::TestWithParam<std::string> {
 protected:
  const cli::EffectEntry& entry() const { return Entry(GetParam()); }
  std::unique_ptr<EffectProcessor> Create() const { return cli::CreateEffect(entry()); }
};

}  // namespace orlofx::robust

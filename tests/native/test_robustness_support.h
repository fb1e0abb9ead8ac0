// Shared pieces of the effect stream tests: formats, test signals, random
// settings, and a driver that calls an effect's processing entry as the
// filter frame does, checking every call's promises. Everything walks the
// tool's effect list (cli/effect_registry.cpp).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}
inline const cli::EffectEntry& Entry(const std::string& name) {
  if (const cli::EffectEntry* e = cli::FindEffect(name)) return *e;
  std::abort();  // the name came from the list itself
}

// Sanitizer builds run fewer rounds; ORLOFX_ROBUSTNESS_SCALE (a factor, e.g.
// 10 for a soak) overrides; ORLOFX_ROBUSTNESS_SEED replaces a test's seed.
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
inline bool Thorough() { return WorkScale() >= 1.0; }  // every preset and format
inline int Scaled(int n) { return std::max(1, static_cast<int>(n * WorkScale())); }
inline std::uint32_t Seed(std::uint32_t fixed) {
  const char* s = std::getenv("ORLOFX_ROBUSTNESS_SEED");
  const std::uint32_t seed = s ? static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10)) : fixed;
  testing::Test::RecordProperty("seed", std::to_string(seed));
  std::printf("[ seed     ] %u\n", seed);
  return seed;
}

struct StreamFormat {
  SampleFormat format;
  int channels;
  std::uint32_t rate;
};

inline bool IsFloat(SampleFormat f) { return f == SampleFormat::kFloat32 || f == SampleFormat::kFloat64; }
inline std::string FormatName(SampleFormat f) {
  return (IsFloat(f) ? "float" : "pcm") + std::to_string(8 * BytesPerSample(f));
}
inline std::string Describe(const StreamFormat& f) {
  return FormatName(f.format) + (f.channels == 1 ? " mono " : " stereo ") + std::to_string(f.rate) + " Hz";
}
inline WaveFormat Wave(const StreamFormat& f) { return MakeWaveFormat(f.format, f.channels, f.rate); }
inline std::size_t FrameBytes(const StreamFormat& f) { return BytesPerSample(f.format) * f.channels; }

// Every accepted sample format in mono and stereo.
inline std::vector<StreamFormat> AllFormats(std::uint32_t rate) {
  std::vector<StreamFormat> all;
  for (SampleFormat f : {SampleFormat::kPcm8, SampleFormat::kPcm16, SampleFormat::kPcm32,
                         SampleFormat::kFloat32, SampleFormat::kFloat64})
    for (int ch : {1, 2}) all.push_back({f, ch, rate});
  return all;
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
    float v;
    if (fmt == SampleFormat::kFloat32) std::memcpy(&v, p, sizeof v), samples[i] = v;
    else if (fmt == SampleFormat::kFloat64) std::memcpy(&samples[i], p, sizeof(double));
    else samples[i] = ReadSample<double>(fmt, p);
  }
  return samples;
}

// Noise at a random level, two sines, a full-scale square wave, full-scale DC
// of either sign, silence, subnormals; then, for the float formats, NaN and
// infinities among ordinary samples and finite values far beyond full scale.
enum class Signal { kNoise, kTones, kSquare, kDc, kSilence, kDenormal, kNanInf, kHuge };
constexpr int kCleanSignalCount = 6;  // kNoise .. kDenormal

// Appends `frames` frames of `signal` to `out` (interleaved).
inline void Append(Signal signal, std::size_t frames, int channels, std::mt19937& rng,
                   std::vector<double>& out) {
  std::uniform_real_distribution<double> uni(-1.0, 1.0);
  const double level = std::pow(10.0, -std::uniform_real_distribution<double>(0, 4)(rng));
  const double f1 = std::uniform_real_distribution<double>(0.0005, 0.2)(rng);
  const double f2 = std::uniform_real_distribution<double>(0.0005, 0.45)(rng);
  const std::size_t period = 2 + rng() % 400;
  const double sign = (rng() & 1) ? 1.0 : -1.0;
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL;
  const double odd[4] = {nan, inf, -inf, -nan};
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) switch (signal) {
        case Signal::kNoise: out.push_back(level * uni(rng)); break;
        case Signal::kTones:
          out.push_back(0.45 * std::sin(6.283185307179586 * f1 * i) + 0.45 * std::sin(6.283185307179586 * f2 * i + c));
          break;
        case Signal::kSquare: out.push_back(((i / period) % 2) ? 1.0 : -1.0); break;
        case Signal::kDc: out.push_back(sign); break;
        case Signal::kSilence: out.push_back(0.0); break;
        case Signal::kDenormal: out.push_back(((i + c) % 2 ? 1e-41 : -3e-310) * (1 + (rng() % 3))); break;
        case Signal::kNanInf: {
          const unsigned pick = rng() % 8;
          out.push_back(pick < 4 ? odd[pick] : uni(rng));
          break;
        }
        case Signal::kHuge: out.push_back(uni(rng) * 1e30); break;
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
    fields[i] = pick < 7   ? std::uniform_int_distribution<std::int32_t>(d.minimum, d.maximum)(rng)
                : pick < 9 ? ((rng() & 1) ? d.minimum : d.maximum)
                           : static_cast<std::int32_t>(rng());
  }
  return fields;
}

// Calls the processing entry as the filter frame's Receive and EndOfStream
// do, with random room for output, and checks every call: no failure, no
// claim beyond what was offered, progress whenever there is input (else the
// frame would loop forever), a drain that ends. Input and output are copied
// to buffers of exactly the offered size, so that the address sanitizer
// catches reading or writing past them.
class Driver {
 public:
  Driver(EffectProcessor& fx, const StreamFormat& format)
      : fx_(fx), format_(format), frameBytes_(FrameBytes(format)) {}

  // Offers `frames` frames at `in`; the first call carries `mode`, the
  // rest of the same input mode 1.
  bool Offer(const unsigned char* in, std::uint32_t frames, int mode, std::mt19937& rng) {
    for (std::uint32_t done = 0, first = 1; first || done < frames; first = 0) {
      const std::uint32_t remaining = frames - done;
      std::vector<unsigned char> chunk(in + done * frameBytes_, in + frames * frameBytes_);
      std::uint32_t taken = remaining, made = 0;
      const HResult hr = Call(first ? mode : kProcessOrdinary, chunk.empty() ? nullptr : chunk.data(),
                              &taken, &made, rng);
      if (Failed(hr) || taken > remaining) return Fail("failed or claimed too many frames", hr);
      if (produced_ == made && made > 0) firstOutputAt_ = consumed_ + taken;
      consumed_ += taken;
      done += taken;
      if (remaining > 0 && taken == 0 && made == 0) return Fail("no progress", hr);
    }
    return true;
  }

  // End-of-stream drain until the effect says nothing is left.
  bool Drain(std::mt19937& rng) {
    for (int call = 0, idle = 0; call < 100000; ++call) {
      std::uint32_t made = 0;
      const HResult hr = Call(kProcessDrain, nullptr, nullptr, &made, rng);
      if (Failed(hr)) return Fail("drain failed or claimed too many frames", hr);
      if (hr == kProcessFinished) return true;
      idle = made == 0 ? idle + 1 : 0;
      if (idle > 2) return Fail("drain makes no progress", hr);
    }
    return Fail("drain does not end", kProcessProgress);
  }

  const std::vector<unsigned char>& Output() const { return output_; }
  std::vector<double> OutputSamples() const { return Decode(format_.format, output_); }
  std::uint64_t Consumed() const { return consumed_; }
  std::uint64_t Produced() const { return produced_; }
  std::uint64_t FirstOutputAt() const { return firstOutputAt_; }  // input taken then
  void FixedRoom(std::uint32_t room) { fixedRoom_ = room; }
  // Through the automation stretches, as the dynamics filters stream.
  void Automated(AutomationParams* automation) { automation_ = automation; }
  void Around(void (*hook)(bool inside)) { around_ = hook; }  // true before a call, false after

 private:
  // One call; a claim beyond the room fails it.
  HResult Call(int mode, const void* src, std::uint32_t* taken, std::uint32_t* made,
               std::mt19937& rng) {
    // Mostly generous, sometimes tiny: an effect must not depend on more
    // than one frame of room.
    const std::uint32_t room = fixedRoom_ ? fixedRoom_ : (rng() % 8 == 0) ? 1 + rng() % 7 : 1 + rng() % 4096;
    std::vector<unsigned char> out(room * frameBytes_);
    *made = room;
    if (around_) around_(true);
    HResult hr = automation_ ? ProcessInStretches(fx_, automation_, mode, src, taken, out.data(), made)
                             : fx_.Process(mode, src, taken, out.data(), made);
    if (around_) around_(false);
    ++calls_;
    if (*made > room) return kFail;
    output_.insert(output_.end(), out.begin(), out.begin() + *made * frameBytes_);
    produced_ += *made;
    return hr;
  }
  bool Fail(const char* what, HResult hr) {
    ADD_FAILURE() << what << " (result " << hr << ") on " << Describe(format_) << " after "
                  << consumed_ << " frames in, " << produced_ << " out, call " << calls_;
    return false;
  }

  EffectProcessor& fx_;
  StreamFormat format_;
  std::size_t frameBytes_;
  std::uint32_t fixedRoom_ = 0;
  AutomationParams* automation_ = nullptr;
  void (*around_)(bool) = nullptr;
  std::uint64_t firstOutputAt_ = 0, consumed_ = 0, produced_ = 0, calls_ = 0;
  std::vector<unsigned char> output_;
};

// Prepares `fx` and streams `in` through the frame's calls with `room`
// frames of output room each, drain included; the output as samples.
inline std::vector<double> Run(EffectProcessor& fx, const StreamFormat& f,
                               const std::vector<double>& in, std::uint32_t room = 4096,
                               AutomationParams* automation = nullptr) {
  EXPECT_EQ(fx.Prepare(Wave(f), Wave(f)), kOk);
  std::mt19937 rng(1);
  Driver d(fx, f);
  d.FixedRoom(room);
  d.Automated(automation);
  EXPECT_TRUE(d.Offer(Encode(f.format, in).data(), static_cast<std::uint32_t>(in.size() / f.channels),
                      kProcessOrdinary, rng));
  EXPECT_TRUE(d.Drain(rng));
  return d.OutputSamples();
}

// The same at 44.1 kHz, interleaved `channels`.
inline std::vector<double> Process(EffectProcessor& fx, const std::vector<double>& in,
                                   int channels = 1, SampleFormat fmt = SampleFormat::kFloat64) {
  return Run(fx, {fmt, channels, 44100}, in);
}

// A random block length: zero, tiny, around an effect's block sizes, or large.
// (2040.. is near the FIR block lengths, 880.. near a 20 ms block.)
inline std::uint32_t RandomBlock(std::mt19937& rng) {
  const std::uint32_t base[6] = {0, 1, 1, 2040, 880, 1}, spread[6] = {1, 8, 1024, 20, 5, 9000};
  const unsigned k = rng() % 6;
  return base[k] + (k ? rng() % spread[k] : 0);
}

inline bool AllFinite(const std::vector<double>& v, std::size_t from = 0) {
  return std::all_of(v.begin() + from, v.end(), [](double x) { return std::isfinite(x); });
}

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
  for (std::size_t at = 0, n = 0; at < frames; at += n) {
    n = std::min<std::size_t>(RandomBlock(rng), frames - at);
    if (!d.Offer(bytes.data() + at * FrameBytes(f), static_cast<std::uint32_t>(n), kProcessOrdinary, rng))
      return false;
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

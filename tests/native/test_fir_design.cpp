// The FIR kernel designer (minimum phase, window, spectrum) and the
// overlap-add block convolver, checked against direct time-domain
// convolution with the taps (which also shows the stored spectrum is theirs).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/block_convolver.h"
#include "dsp/fir_design.h"

namespace orlofx {
namespace {

constexpr std::size_t kSizes[] = {kFirSizeLow, kFirSizeMedium, kFirSizeHigh};

struct Kernel {
  std::vector<double> taps;
  std::vector<double> spectrum;
};

Kernel Design(const std::vector<double>& target) {
  FirDesigner designer;
  EXPECT_EQ(designer.Init(), kOk);
  const std::size_t n = target.size();
  Kernel k{std::vector<double>(FirTapCount(n)), std::vector<double>(n)};
  EXPECT_EQ(designer.Design(target.data(), n, k.taps.data(), k.spectrum.data()), kOk);
  return k;
}

// Response of the taps at the frequency of design bin k (k·fs/2N), in dB.
double BinDb(const Kernel& k, std::size_t n, double bin) {
  return FirMagnitudeDb(k.taps.data(), k.taps.size(), 1.0, bin / (2.0 * n), 1.0);
}

double Db(double v) { return 20.0 * std::log10(v); }

TEST(FirDesign, SizesFollowTheAccuracy) {
  for (auto [accuracy, size] : {std::pair{0, 256u}, {1, 1024u}, {2, 4096u}, {-1, 4096u}, {99, 4096u}})
    EXPECT_EQ(FirSizeForAccuracy(accuracy), size) << accuracy;
  for (std::size_t n : kSizes) {
    // A block plus the kernel's tail fits one transform without wrapping.
    EXPECT_LT(FirBlockLength(n) + FirTapCount(n) - 1, n);
  }
}

TEST(FirDesign, FlatTargetGivesUnitImpulse) {
  for (std::size_t n : kSizes) {
    SCOPED_TRACE(n);
    const Kernel k = Design(std::vector<double>(n, 1.0));
    for (std::size_t j = 0; j < k.taps.size(); ++j) ASSERT_NEAR(k.taps[j], j == 0, 1e-12) << j;
  }
}

// The design is minimum phase with the target's magnitude: scaling the
// target scales the kernel, and the response meets the target wherever the
// target is flat for a few bins, also 40 dB down. The window spreads a cliff
// over about six bins either side, so "a few" here is eight.
TEST(FirDesign, ResponseFollowsTargetMagnitude) {
  for (std::size_t n : kSizes) {
    SCOPED_TRACE(n);
    std::vector<double> target(n);
    const std::size_t edge = n / 4, notchLo = n / 2, notchHi = n / 2 + n / 16;
    for (std::size_t k = 0; k < n; ++k) {
      double v = k < edge ? 1.0 : 0.01;          // -40 dB above a quarter of the band
      if (k >= notchLo && k < notchHi) v = 0.1;  // -20 dB step inside it
      if (k < edge && k >= edge - n / 32) v = 1.0 - 0.99 * double(k - (edge - n / 32)) / (n / 32);
      target[k] = v;
    }
    const Kernel k = Design(target);
    int checked = 0;
    for (std::size_t bin = 8; bin + 8 < n; bin += n / 64) {
      bool flat = true;
      for (std::size_t j = bin - 8; j <= bin + 8; ++j) flat = flat && target[j] == target[bin];
      if (!flat) continue;
      EXPECT_NEAR(BinDb(k, n, static_cast<double>(bin)), Db(target[bin]), 0.5) << "bin " << bin;
      ++checked;
    }
    EXPECT_GT(checked, 40);
    std::vector<double> scaled(target);
    for (double& v : scaled) v *= 0.25;
    const Kernel s = Design(scaled);
    for (std::size_t j = 0; j < k.taps.size(); ++j)
      ASSERT_NEAR(s.taps[j], 0.25 * k.taps[j], 1e-12) << j;
  }
}

TEST(FirDesign, ExtremeTargetsStayFinite) {
  const std::size_t n = kFirSizeLow;
  std::vector<double> target(n, 1.0);
  target[10] = HUGE_VAL;
  target[11] = NAN;
  target[12] = -3.0;  // a sign is no magnitude
  target[13] = 1e-300;
  const Kernel k = Design(target);
  for (double t : k.taps) ASSERT_TRUE(std::isfinite(t));
  for (double s : k.spectrum) ASSERT_TRUE(std::isfinite(s));
}

TEST(FirDesign, RefusesOtherSizesAndUnpreparedUse) {
  std::vector<double> target(512, 1.0), out(512);
  FirDesigner designer;
  EXPECT_EQ(designer.Design(target.data(), 256, out.data(), nullptr), kInvalidArg);  // unprepared
  ASSERT_EQ(designer.Init(), kOk);
  EXPECT_EQ(designer.Design(target.data(), 512, out.data(), nullptr), kInvalidArg);
  EXPECT_EQ(FirSizeIndex(2048), -1);
}

TEST(FirDesign, MagnitudeOfSimpleKernels) {
  // A unit tap at any frequency, scaled by 0.001; two equal taps add at DC and cancel at half the rate.
  const double unit[] = {1.0}, pair[] = {0.5, 0.5};
  EXPECT_NEAR(FirMagnitudeDb(unit, 1, 1.0, 1234.0, 44100.0), 0.0, 1e-12);
  EXPECT_NEAR(FirMagnitudeDb(unit, 1, 0.001, 1234.0, 44100.0), -60.0, 1e-9);
  EXPECT_NEAR(FirMagnitudeDb(pair, 2, 1.0, 0.0, 48000.0), 0.0, 1e-12);
  EXPECT_EQ(FirMagnitudeDb(pair, 2, 1.0, 24000.0, 48000.0), kFirSilenceDb);
}

std::vector<double> DirectConvolution(const std::vector<double>& x, const std::vector<double>& h) {
  std::vector<double> y(x.size(), 0.0);
  for (std::size_t i = 0; i < x.size(); ++i)
    for (std::size_t j = 0; j < h.size() && j <= i; ++j) y[i] += h[j] * x[i - j];
  return y;
}

// Streams interleaved doubles through a convolver with input and output room
// that vary from call to call, then drains it.
std::vector<double> Convolve(BlockConvolver<double>& conv, const std::vector<double>& spectrum, double gain,
                             int channels, const std::vector<double>& in, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::uint32_t> room(0, 700);
  std::vector<double> out, chunk;
  const std::uint32_t frames = static_cast<std::uint32_t>(in.size() / channels);
  for (std::uint32_t guard = 0, pos = 0; guard < 1000000; ++guard) {
    const bool drain = pos == frames;
    const std::uint32_t inCount = drain ? 0 : std::min(room(rng), frames - pos), outCount = room(rng);
    chunk.assign(static_cast<std::size_t>(outCount) * channels, 0.0);
    ConvolverIo io{SampleFormat::kFloat64, channels, reinterpret_cast<const unsigned char*>(in.data() + pos * channels),
                   inCount, reinterpret_cast<unsigned char*>(chunk.data()), outCount, 0, 0};
    const bool finished = conv.Run(drain, io, spectrum.data(), gain);
    out.insert(out.end(), chunk.begin(), chunk.begin() + io.produced * channels);
    pos += io.consumed;
    if (drain && finished) break;
  }
  return out;
}

TEST(BlockConvolver, EqualsDirectConvolutionWithAnyCallSizes) {
  for (std::size_t n : {kFirSizeLow, kFirSizeMedium}) {
    SCOPED_TRACE(n);
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> target(n);
    for (std::size_t k = 0; k < n; ++k) target[k] = 0.2 + 0.8 * (k % 97) / 97.0;
    const Kernel kernel = Design(target);
    const std::size_t frames = 5 * n + 77;  // ends with a partial block
    std::vector<double> x(frames * 2);
    for (double& v : x) v = u(rng);
    BlockConvolver<double> conv;
    ASSERT_EQ(conv.Allocate(2), kOk);
    conv.Start(n, 0.5, 1);
    const std::vector<double> y = Convolve(conv, kernel.spectrum, 0.5, 2, x, 1u);
    ASSERT_EQ(y.size(), x.size());  // the drain gives back exactly what was held
    for (int c = 0; c < 2; ++c) {
      std::vector<double> xc(frames);
      for (std::size_t i = 0; i < frames; ++i) xc[i] = x[i * 2 + c];
      const std::vector<double> want = DirectConvolution(xc, kernel.taps);
      for (std::size_t i = 0; i < frames; ++i)
        ASSERT_NEAR(y[i * 2 + c], 0.5 * want[i], 1e-12) << "channel " << c << " frame " << i;
    }
    EXPECT_TRUE(conv.Empty());
  }
}

}  // namespace
}  // namespace orlofx

#include "lv2/lv2_plugins.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/fir_design.h"
#include "effects/gdyn/gdyn_transform.h"
#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/noisgt/noisgt_transform.h"

namespace orlofx::lv2 {

namespace {

std::uint32_t NoiseGateBlock(EffectProcessor& fx) {
  return static_cast<CAkNoisgtTransform&>(fx).BlockLength();
}
std::uint32_t GraphicDynamicsFrame(EffectProcessor& fx) {
  return static_cast<CAkGdynTransform&>(fx).FrameLength();
}
std::uint32_t MultiBandBlock(EffectProcessor& fx) {
  return static_cast<CAkMbdynTransform&>(fx).BlockLength();
}
// The FIR equalisers' blocks follow the accuracy, which may change while
// the plug-in runs: the latency is that of the largest.
std::uint32_t FirBlock(EffectProcessor&) {
  return static_cast<std::uint32_t>(FirBlockLength(kFirMaxSize));
}
std::uint32_t InPlace(EffectProcessor&) { return 0; }

HResult SetCurve(EffectProcessor& fx, const std::int32_t* xy, std::size_t count) {
  GdynPoint points[kGdynMaxPoints] = {};
  count = std::min<std::size_t>(count, kGdynMaxPoints);
  for (std::size_t i = 0; i < count; ++i) points[i] = GdynPoint{xy[2 * i], xy[2 * i + 1]};
  return static_cast<CAkGdynTransform&>(fx).SetPoints(points, static_cast<std::int32_t>(count));
}

struct Kind {
  const char* effect;
  const char* lv2Class;
  HResult (*setPoints)(EffectProcessor& fx, const std::int32_t* xy, std::size_t count);
  std::uint32_t (*holdBack)(EffectProcessor& fx);
  std::uint32_t grid;
};

// The smallest FIR block, which every accuracy's block is a multiple of.
constexpr std::uint32_t kFirGrid = static_cast<std::uint32_t>(FirBlockLength(kFirSizeLow));
static_assert(FirBlockLength(kFirSizeMedium) % kFirGrid == 0 &&
                  FirBlockLength(kFirSizeHigh) % kFirGrid == 0,
              "the grid divides every FIR block");

constexpr Kind kKinds[] = {
    {"noise-gate", "lv2:GatePlugin", nullptr, &NoiseGateBlock, 1},
    {"graphic-dynamics", "lv2:CompressorPlugin", &SetCurve, &GraphicDynamicsFrame, 1},
    {"multiband-dynamics", "lv2:DynamicsPlugin", nullptr, &MultiBandBlock, 1},
    {"parametric-eq", "lv2:ParaEQPlugin", nullptr, &FirBlock, kFirGrid},
    {"paragraphic-eq", "lv2:ParaEQPlugin", nullptr, &InPlace, 1},
    {"graphic-eq", "lv2:MultiEQPlugin", nullptr, &FirBlock, kFirGrid},
};

float ScaleOf(ParameterUnit unit) {
  switch (unit) {
    case ParameterUnit::kTenthsDecibel:
    case ParameterUnit::kTenthsOctave:
    case ParameterUnit::kTenthsMillisecond:
    case ParameterUnit::kTenthsRatio:
      return 10.0f;
    default:
      return 1.0f;
  }
}

// A float holds every whole number up to 2^24: wider fields (page state
// such as the Multi-Band pages' display words) travel in the state only.
bool FitsAFloat(const ParameterDescriptor& row) {
  constexpr std::int32_t kExact = 1 << 24;
  return row.minimum >= -kExact && row.maximum <= kExact;
}

}  // namespace

const std::vector<PluginKind>& Plugins() {
  static const std::vector<PluginKind> plugins = [] {
    std::vector<PluginKind> list;
    for (const Kind& k : kKinds)
      for (int channels = 1; channels <= 2; ++channels)
        list.push_back(PluginKind{cli::FindEffect(k.effect), channels, k.lv2Class, k.setPoints,
                                  k.holdBack, k.grid});
    return list;
  }();
  return plugins;
}

std::string PluginUri(const PluginKind& kind) {
  return std::string(kUriPrefix) + kind.effect->name + (kind.channels == 1 ? ":mono" : ":stereo");
}

std::vector<ControlPort> ControlPorts(const PluginKind& kind, const ParameterTable& table) {
  std::vector<ControlPort> ports;
  for (std::size_t i = 0; i < table.count; ++i) {
    const ParameterDescriptor& row = table.items[i];
    const bool single = table.Single(i);
    if ((single || kind.setPoints) && FitsAFloat(row))
      ports.push_back(ControlPort{i, &row, ScaleOf(row.unit), !single});
  }
  return ports;
}

std::int32_t PortToField(const ControlPort& port, float value) {
  if (!std::isfinite(value)) return port.row->defaultValue;
  const double v = std::round(static_cast<double>(value) * port.scale);
  return ClampTo(static_cast<std::int64_t>(
                     std::fmax(std::fmin(v, 2147483647.0), -2147483648.0)),
                 port.row->minimum, port.row->maximum);
}

WaveFormat PluginFormat(int channels, double rate) {
  return MakeWaveFormat(SampleFormat::kFloat32, channels,
                        static_cast<std::uint32_t>(std::lround(rate)));
}

}  // namespace orlofx::lv2

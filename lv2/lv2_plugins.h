// What the LV2 bundle offers, read by the plug-in and by the program that
// writes the bundle's Turtle, so that both see one list: each effect of the
// tool's list in a mono and a stereo variant, and for each the control ports,
// taken from the effect's descriptor rows.
//
// Port order: audio inputs, audio outputs, the latency output, then one
// float control input per port row below. A port shows its field in the
// units a user reads (dB, ms, Hz, octaves, ratio): record value / scale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/effect_registry.h"
#include "framework/processor.h"

namespace orlofx::lv2 {

// Every URI of the bundle starts with this (there is no web address of the
// project to hang them from).
constexpr char kUriPrefix[] = "urn:orlofx:lv2:";
// The state key under which the settings record travels.
constexpr char kRecordKey[] = "urn:orlofx:lv2:record";

struct PluginKind {
  const cli::EffectEntry* effect;
  int channels;  // 1 or 2
  const char* lv2Class;  // e.g. "lv2:GatePlugin"
  // The setter of the curve whose points are ports (Graphic Dynamics), which
  // takes `count` points as x, y, x, y... and allocates nothing; null where a
  // point list travels in the state only (the Graphic EQ's envelope).
  HResult (*setPoints)(EffectProcessor& fx, const std::int32_t* xy, std::size_t count);
  // The most frames the effect holds back at once, once prepared.
  std::uint32_t (*holdBack)(EffectProcessor& fx);
  // The effect is called only with whole steps of this many frames.
  std::uint32_t grid;
};

// All plug-ins, each effect mono then stereo.
const std::vector<PluginKind>& Plugins();
// "urn:orlofx:lv2:noise-gate:mono" etc.
std::string PluginUri(const PluginKind& kind);

struct ControlPort {
  std::size_t field;  // record field
  const ParameterDescriptor* row;
  float scale;  // record units per port unit (10 for tenths)
  bool point;   // part of a point list set as one
};

// The control ports of an effect, in port order.
std::vector<ControlPort> ControlPorts(const PluginKind& kind, const ParameterTable& table);

// A port value as the record value it stands for, within the row's range.
std::int32_t PortToField(const ControlPort& port, float value);
inline float FieldToPort(const ControlPort& port, std::int32_t value) {
  return static_cast<float>(value) / port.scale;
}

// The float format the plug-in runs its effect in.
WaveFormat PluginFormat(int channels, double rate);

}  // namespace orlofx::lv2

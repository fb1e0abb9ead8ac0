// The LV2 entry: one generic plug-in over EffectProcessor for every entry of
// Plugins() (lv2_plugins.h).
//
//   host ports ──► changed controls ──► the effect's own setters (as the tool's --set)
//   audio in ──interleave──► Process ──► delay line ──deinterleave──► audio out
//
// The effects hold back up to a block and deliver the rest later; the delay
// line starts with `latency` frames of silence, so every run() gives as many
// frames as it takes and the output is the effect's output delayed by the
// latency the port reports. The FIR equalisers take up a change at the start
// of a processing call; they are called in fixed steps of stream frames (a
// divisor of their blocks, so nothing more is held back), so that the host's
// block sizes never move the frame at which a change lands.
//
// Buffers are made at instantiation and activation; run() allocates nothing.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "framework/automation.h"
#include "framework/settings_record.h"
#include "lv2/lv2_plugins.h"

namespace orlofx::lv2 {

namespace {

// Frames handed to the effect per processing call at most.
constexpr std::uint32_t kChunkFrames = 1024;

class Plugin {
 public:
  Plugin(const PluginKind& kind, double rate, const LV2_Feature* const* features)
      : kind_(kind),
        fx_(cli::CreateEffect(*kind.effect)),
        automation_(dynamic_cast<AutomationParams*>(fx_.get())),
        format_(PluginFormat(kind.channels, rate)),
        controls_(ControlPorts(kind, fx_->Parameters())),
        ports_(2 * kind.channels + 1 + controls_.size(), nullptr),
        applied_(controls_.size()),
        points_(2 * controls_.size()) {
    for (int i = 0; features && features[i]; ++i)
      if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
        map_ = static_cast<const LV2_URID_Map*>(features[i]->data);
    // Changes reach the sound at the same frame on every run and machine,
    // as in the tool.
    cli::DesignOnTheProcessingThread(*fx_);
    fx_->SetFormats(&format_, &format_);
    ReadApplied();
  }

  ~Plugin() { Deactivate(); }

  bool Activate() {
    Deactivate();
    // Controls the host has set by now shape the stream from its start, as
    // settings given before the tool processes a file do, rather than
    // arriving as a change.
    ApplyControls();
    if (Failed(fx_->Prepare(format_, format_))) return false;
    prepared_ = true;
    latency_ = kind_.holdBack(*fx_);
    const std::size_t ch = static_cast<std::size_t>(kind_.channels);
    // Room for twice what can be held, so that the held frames move to the
    // front at most once per that many frames.
    lineFrames_ = 2 * (std::size_t{latency_} + kChunkFrames + kind_.grid);
    line_.assign(lineFrames_ * ch, 0.0f);
    input_.assign(std::size_t{kChunkFrames + kind_.grid} * ch, 0.0f);
    pending_ = 0;
    head_ = 0;
    held_ = latency_;  // silence first
    return true;
  }

  void Deactivate() {
    if (prepared_) fx_->Release();
    prepared_ = false;
  }

  void Connect(std::uint32_t port, void* data) {
    if (port < ports_.size()) ports_[port] = static_cast<float*>(data);
  }

  void Run(std::uint32_t frames) {
    const int ch = kind_.channels;
    if (!prepared_) {
      for (int c = 0; c < ch; ++c)
        if (float* out = ports_[ch + c]) std::fill(out, out + frames, 0.0f);
      return;
    }
    if (float* latency = ports_[2 * ch]) *latency = static_cast<float>(latency_);
    ApplyControls();
    for (std::uint32_t done = 0; done < frames;) {
      const std::uint32_t n = std::min(frames - done, kChunkFrames);
      for (int c = 0; c < ch; ++c) {
        const float* in = ports_[c];
        for (std::uint32_t i = 0; i < n; ++i)
          input_[(pending_ + i) * ch + c] = in ? in[done + i] : 0.0f;
      }
      // Whole grid steps go to the effect, the rest waits for the next run.
      pending_ += n;
      const std::size_t whole = pending_ - pending_ % kind_.grid;
      Feed(static_cast<std::uint32_t>(whole));
      std::copy(input_.begin() + static_cast<std::ptrdiff_t>(whole * ch),
                input_.begin() + static_cast<std::ptrdiff_t>(pending_ * ch), input_.begin());
      pending_ -= whole;
      for (int c = 0; c < ch; ++c) {
        float* out = ports_[ch + c];
        for (std::uint32_t i = 0; i < n; ++i) {
          const float v = held_ > i ? line_[(head_ + i) * ch + c] : 0.0f;
          if (out) out[done + i] = v;
        }
      }
      const std::uint32_t taken = std::min<std::uint32_t>(n, static_cast<std::uint32_t>(held_));
      head_ += taken;
      held_ -= taken;
      done += n;
    }
  }

  LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle,
                        const LV2_Feature* const* features) {
    const LV2_URID_Map* map = MapOf(features);
    if (!map) return LV2_STATE_ERR_NO_FEATURE;
    MemoryRecordStream stream;
    if (Failed(fx_->SaveRecord(stream, false))) return LV2_STATE_ERR_UNKNOWN;
    const auto& bytes = stream.Bytes();
    return store(handle, map->map(map->handle, kRecordKey), bytes.data(), bytes.size(),
                 map->map(map->handle, LV2_ATOM__Chunk),
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  }

  LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                           const LV2_Feature* const* features) {
    const LV2_URID_Map* map = MapOf(features);
    if (!map) return LV2_STATE_ERR_NO_FEATURE;
    std::size_t size = 0;
    std::uint32_t type = 0, flags = 0;
    const void* data = retrieve(handle, map->map(map->handle, kRecordKey), &size, &type, &flags);
    if (!data) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != map->map(map->handle, LV2_ATOM__Chunk)) return LV2_STATE_ERR_BAD_TYPE;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    MemoryRecordStream stream(std::vector<std::uint8_t>(bytes, bytes + size));
    if (Failed(fx_->LoadRecord(stream)) || stream.Remaining() != 0) return LV2_STATE_ERR_UNKNOWN;
    // The host sets the ports to the values the record holds; those are
    // not changes.
    ReadApplied();
    return LV2_STATE_SUCCESS;
  }

 private:
  const LV2_URID_Map* MapOf(const LV2_Feature* const* features) const {
    for (int i = 0; features && features[i]; ++i)
      if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
        return static_cast<const LV2_URID_Map*>(features[i]->data);
    return map_;
  }

  void ReadApplied() {
    std::int32_t fields[kMaxRecordFields];
    fx_->GetFields(fields);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      const ControlPort& port = controls_[i];
      applied_[i] = ClampTo(fields[port.field], port.row->minimum, port.row->maximum);
    }
  }

  // Sets the fields whose ports moved, each through the effect's own setter;
  // a moved point sets the whole curve, as the page does.
  void ApplyControls() {
    const std::size_t first = 2 * static_cast<std::size_t>(kind_.channels) + 1;
    bool pointsMoved = false;
    std::size_t count = 0, pointCount = 0;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      const float* value = ports_[first + i];
      const ControlPort& port = controls_[i];
      if (value && std::isfinite(*value)) {
        const std::int32_t field = PortToField(port, *value);
        if (field != applied_[i]) {
          applied_[i] = field;
          if (port.point)
            pointsMoved = true;
          else
            cli::SetSetting(*fx_, *kind_.effect, port.field, field);
        }
      }
      if (!port.point) continue;
      const PointListDescriptor& list = *fx_->Parameters().pointLists;
      if (port.field == list.countField)
        pointCount = static_cast<std::size_t>(applied_[i]);
      else
        points_[count++] = applied_[i];
    }
    if (pointsMoved)
      kind_.setPoints(*fx_, points_.data(), std::min(pointCount, count / 2));
  }

  // Hands n frames of input_ to the effect, its output to the delay line.
  // The effect always has room for a whole block: one given less room may
  // deliver its block otherwise.
  void Feed(std::uint32_t n) {
    const std::size_t frameBytes = 4u * static_cast<std::size_t>(kind_.channels);
    const auto* in = reinterpret_cast<const unsigned char*>(input_.data());
    std::uint32_t consumed = 0;
    while (prepared_ && consumed < n) {
      if (lineFrames_ - head_ - held_ < lineFrames_ / 2) {
        std::copy(line_.begin() + static_cast<std::ptrdiff_t>(head_ * kind_.channels),
                  line_.begin() + static_cast<std::ptrdiff_t>((head_ + held_) * kind_.channels),
                  line_.begin());
        head_ = 0;
      }
      const std::size_t tail = head_ + held_;
      std::uint32_t room = static_cast<std::uint32_t>(lineFrames_ - tail);
      // A gridded effect takes one step per call, so that its calls start
      // and end at the same frames whatever the host's blocks.
      std::uint32_t taken = kind_.grid > 1 ? std::min(n - consumed, kind_.grid) : n - consumed;
      const HResult hr = ProcessInStretches(
          *fx_, automation_, kProcessOrdinary, in + consumed * frameBytes, &taken,
          reinterpret_cast<unsigned char*>(line_.data()) + tail * frameBytes, &room);
      if (Failed(hr) || (taken == 0 && room == 0)) break;
      consumed += taken;
      held_ += room;
    }
  }

  const PluginKind& kind_;
  std::unique_ptr<EffectProcessor> fx_;
  AutomationParams* automation_;
  WaveFormat format_;
  std::vector<ControlPort> controls_;
  std::vector<float*> ports_;
  std::vector<std::int32_t> applied_;  // record value of each control port as last set
  std::vector<std::int32_t> points_;   // x, y, x, y... of a curve being set
  const LV2_URID_Map* map_ = nullptr;
  bool prepared_ = false;
  std::uint32_t latency_ = 0;
  std::vector<float> line_, input_;  // interleaved
  std::size_t lineFrames_ = 0, head_ = 0, held_ = 0;  // line_: held_ frames from head_ on
  std::size_t pending_ = 0;  // frames at the start of input_ not yet given to the effect
};

Plugin* Of(LV2_Handle h) { return static_cast<Plugin*>(h); }

LV2_State_Status SaveState(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                           std::uint32_t, const LV2_Feature* const* features) {
  return Of(h)->Save(store, handle, features);
}

LV2_State_Status RestoreState(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                              LV2_State_Handle handle, std::uint32_t,
                              const LV2_Feature* const* features) {
  return Of(h)->Restore(retrieve, handle, features);
}

const LV2_State_Interface kState = {&SaveState, &RestoreState};

struct Descriptors {
  std::vector<std::string> uris;
  std::vector<LV2_Descriptor> items;
};

Descriptors& AllDescriptors();

LV2_Handle Instantiate(const LV2_Descriptor* d, double rate, const char*,
                       const LV2_Feature* const* features) {
  const auto& all = AllDescriptors().items;
  const PluginKind& kind = Plugins()[static_cast<std::size_t>(d - all.data())];
  try {
    return new Plugin(kind, rate, features);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Descriptors& AllDescriptors() {
  static Descriptors d = [] {
    Descriptors made;
    for (const PluginKind& kind : Plugins()) made.uris.push_back(PluginUri(kind));
    for (const std::string& uri : made.uris)
      made.items.push_back(LV2_Descriptor{
          uri.c_str(), &Instantiate,
          [](LV2_Handle h, std::uint32_t port, void* data) { Of(h)->Connect(port, data); },
          [](LV2_Handle h) { Of(h)->Activate(); },
          [](LV2_Handle h, std::uint32_t frames) { Of(h)->Run(frames); },
          [](LV2_Handle h) { Of(h)->Deactivate(); }, [](LV2_Handle h) { delete Of(h); },
          [](const char* extension) -> const void* {
            return std::strcmp(extension, LV2_STATE__interface) == 0 ? &kState : nullptr;
          }});
    return made;
  }();
  return d;
}

}  // namespace

}  // namespace orlofx::lv2

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
  const auto& items = orlofx::lv2::AllDescriptors().items;
  return index < items.size() ? &items[index] : nullptr;
}

// The LV2 bundle as hosts see it: the LV2 tools, lv2apply, and a lilv host running
// odd blocks, changes, state and presets. The oracles: the command-line tool on the
// same settings, and the plug-ins' own runs under other block sizes and settings.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <new>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

// Allocations counted, to see that run() makes none (ASan keeps its own).
static long gAllocations = 0;
#if !defined(__SANITIZE_ADDRESS__)
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }
#endif

namespace {

const std::string kLv2Dir = ORLOFX_LV2_DIR;  // holds orlofx.lv2/
const std::string kWork = ORLOFX_LV2_WORK;
constexpr int kRate = 48000;

struct Output {
  int status;
  std::string text;
};

Output Shell(const std::string& command) {
  Output out{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.text.append(buffer, n);
  out.status = pclose(pipe);
  return out;
}

Output Tool(const std::string& args) { return Shell(std::string(ORLOFX_CLI_PATH) + " " + args); }

bool Have(const char* tool) { return Shell(std::string("command -v ") + tool).status == 0; }
constexpr char kMissing[] = " is not installed (scripts/install-deps.sh native installs it)";
#define REQUIRE_TOOL(tool) \
  if (!Have(tool)) GTEST_SKIP() << tool << kMissing

std::vector<float> ReadWav(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(f, samples.data(), info.frames);
  sf_close(f);
  return samples;
}

const char* const kEffects[] = {"noise-gate",    "graphic-dynamics", "multiband-dynamics",
                                "parametric-eq", "paragraphic-eq",   "graphic-eq"};

std::string Uri(const std::string& effect, int channels) {
  return "urn:orlofx:lv2:" + effect + (channels == 1 ? ":mono" : ":stereo");
}

// One set of settings: the ports' values as lv2apply takes them, and the
// same settings as the tool takes them, in record units.
struct Settings {
  const char* effect;
  int channels;
  const char *ports, *tool;
};
void PrintTo(const Settings& s, std::ostream* os) { *os << s.effect << " " << s.ports; }

// Each effect away from its defaults, through its kinds of port: levels,
// times, frequencies, widths, ratios, switches, enumerations, points.
const Settings kSettings[] = {
    {"noise-gate", 1, "-c threshold -34.5 -c attack 7 -c release 250",
     "--set threshold=-345 --set attack=7 --set release=250"},
    {"graphic-dynamics", 2,
     "-c point_count 4 -c point2_x -50 -c point2_y -60 -c point3_x -20 -c point3_y -30 "
     "-c point4_x 0 -c point4_y -10 -c attack 2.5 -c auto_gain 1",
     "--set points=-840:-840,-500:-600,-200:-300,0:-100 --set attack=25 --set auto_gain=1"},
    {"multiband-dynamics", 1,
     "-c band2_threshold -30 -c band2_amount 5 -c band3_type 2 -c output_gain 2.5",
     "--set band2_threshold=-300 --set band2_amount=50 --set band3_type=2 --set output_gain=25"},
    {"parametric-eq", 2, "-c type 3 -c amount -12 -c accuracy 2 -c width 0.5 -c frequency 3000",
     "--set type=3 --set amount=-120 --set accuracy=2 --set width=5 --set frequency=3000"},
    {"paragraphic-eq", 1, "-c band2_gain 6 -c wet_out -3 -c high_shelf_enable 1",
     "--set band2_gain=60 --set wet_out=-30 --set high_shelf_enable=1"},
    {"graphic-eq", 2, "-c band5_gain 8 -c band12_gain -6 -c output_gain -1.5 -c accuracy 2",
     "--set band5_gain=80 --set band12_gain=-60 --set output_gain=-15 --set accuracy=2"},
};

// A file of the running test's own: ctest runs tests side by side.
std::string Scratch(const std::string& what) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name() + "." + what;
  std::replace(name.begin(), name.end(), '/', '_');
  return kWork + "/" + name;
}

std::string InputWav(int channels) {
  const std::string path = Scratch("in.wav");
  Shell(std::string(MAKE_TEST_WAV) + " " + path + " float " + std::to_string(channels) + " " +
        std::to_string(kRate) + " 1");
  return path;
}

struct Host {
  LilvWorld* world = lilv_world_new();
  std::map<std::string, LV2_URID> urids;
  LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                     auto& ids = static_cast<Host*>(h)->urids;
                     return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
                   }};
  LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature* features[2] = {&mapFeature, nullptr};

  Host() {
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, (kLv2Dir + "/orlofx.lv2/").c_str());
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
  }
  ~Host() { lilv_world_free(world); }
  const LilvPlugin* Plugin(const std::string& uri) {
    LilvNode* node = lilv_new_uri(world, uri.c_str());
    const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node);
    lilv_node_free(node);
    return p;
  }
  LilvNode* New(const char* uri) { return lilv_new_uri(world, uri); }
};

Host& TheHost() {
  static Host host;
  return host;
}

// One instance with its port buffers.
struct Instance {
  const LilvPlugin* plugin;
  LilvInstance* instance = nullptr;
  std::vector<float> values;  // control ports
  std::vector<std::uint32_t> audioIn, audioOut;
  std::map<std::string, std::uint32_t> index;  // by symbol
  std::uint32_t latencyPort = 0;
  long allocations = 0;  // in run()

  explicit Instance(const std::string& uri) : plugin(TheHost().Plugin(uri)) {
    if (!plugin) return;
    Host& h = TheHost();
    instance = lilv_plugin_instantiate(plugin, kRate, h.features);
    const std::uint32_t n = lilv_plugin_get_num_ports(plugin);
    values.assign(n, 0.0f);  // controls at their defaults
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, values.data());
    LilvNode* audio = h.New(LV2_CORE__AudioPort);
    LilvNode* input = h.New(LV2_CORE__InputPort);
    for (std::uint32_t i = 0; i < n; ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
      index[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = i;
      if (lilv_port_is_a(plugin, port, audio))
        (lilv_port_is_a(plugin, port, input) ? audioIn : audioOut).push_back(i);
      lilv_instance_connect_port(instance, i, &values[i]);
    }
    for (LilvNode* node : {audio, input}) lilv_node_free(node);
    latencyPort = index["latency"];
  }
  ~Instance() { lilv_instance_free(instance); }
  void Set(const std::string& symbol, float v) { values.at(index.at(symbol)) = v; }

  // Runs interleaved `x` through in the given block sizes (repeated), the
  // port `symbol` set to `value` at frame `changeAt`.
  std::vector<float> Run(const std::vector<float>& x, const std::vector<std::size_t>& blocks,
                         std::size_t changeAt = SIZE_MAX, const char* symbol = nullptr,
                         float value = 0) {
    const std::size_t ch = audioIn.size(), frames = x.size() / ch;
    std::vector<std::vector<float>> in(ch, std::vector<float>(frames)), out = in;
    for (std::size_t k = 0; k < x.size(); ++k) in[k % ch][k / ch] = x[k];
    for (std::size_t done = 0, b = 0, n; done < frames; done += n, ++b) {
      n = std::min(blocks[b % blocks.size()], frames - done);
      if (done < changeAt && done + n > changeAt) n = changeAt - done;
      if (done == changeAt) Set(symbol, value);
      for (std::size_t c = 0; c < ch; ++c) {
        lilv_instance_connect_port(instance, audioIn[c], in[c].data() + done);
        lilv_instance_connect_port(instance, audioOut[c], out[c].data() + done);
      }
      const long before = gAllocations;
      lilv_instance_run(instance, static_cast<std::uint32_t>(n));
      allocations += gAllocations - before;
    }
    std::vector<float> y(x.size());
    for (std::size_t k = 0; k < y.size(); ++k) y[k] = out[k % ch][k / ch];
    return y;
  }

  // The state the plug-in saves: one chunk, the settings record.
  std::string Save() {
    std::string saved;
    auto store = [](LV2_State_Handle h, std::uint32_t, const void* v, std::size_t size,
                    std::uint32_t, std::uint32_t) {
      static_cast<std::string*>(h)->assign(static_cast<const char*>(v), size);
      return LV2_STATE_SUCCESS;
    };
    auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    state->save(lilv_instance_get_handle(instance), store, &saved, 0, TheHost().features);
    return saved;
  }
};

std::string Text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The largest |a[n + delay] - b[n]| over b's samples from `from` on that a covers.
double Difference(const std::vector<float>& a, const std::vector<float>& b, std::size_t delay,
                  int channels, std::size_t from = 0) {
  double worst = 0;
  for (std::size_t k = from; k + delay * channels < a.size() && k < b.size(); ++k)
    worst = std::max(worst, std::fabs(static_cast<double>(a[k + delay * channels]) - b[k]));
  return worst;
}

// The LV2 schemas accept every file; lv2ls lists each effect mono and
// stereo; lv2info shows ranges in the units a user reads.
TEST(Lv2Bundle, TheLv2ToolsValidateListAndShowIt) {
  for (const char* tool : {"sord_validate", "lv2ls", "lv2info"}) REQUIRE_TOOL(tool);
  Output out = Shell("sord_validate /usr/lib/lv2/*.lv2/*.ttl " + kLv2Dir + "/orlofx.lv2/*.ttl");
  EXPECT_EQ(out.status, 0) << out.text;
  EXPECT_NE(out.text.find("Found 0 errors"), std::string::npos) << out.text;

  std::set<std::string> uris;
  for (const char* effect : kEffects)
    for (int channels : {1, 2}) uris.insert(Uri(effect, channels));
  std::string listed;
  for (const std::string& uri : uris) listed += uri + "\n";
  EXPECT_EQ(Shell("LV2_PATH=" + kLv2Dir + " lv2ls").text, listed);

  out = Shell("LV2_PATH=" + kLv2Dir + " lv2info " + Uri("multiband-dynamics", 1));
  const char* const ranges[][3] = {{"band2_threshold", "-60", "0"},
                                   {"band2_width", "0.3", "3"},
                                   {"band2_center", "50", "15000"},
                                   {"band2_amount", "1", "50"}};
  for (const auto& [symbol, minimum, maximum] : ranges) {
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "Symbol:      %s\n\t\tName:        %s\n\t\tMinimum:     %f\n\t\tMaximum:     %f",
                  symbol, symbol, std::atof(minimum), std::atof(maximum));
    EXPECT_NE(out.text.find(expected), std::string::npos) << expected << "\n" << out.text;
  }
}

// Units, switches, whole numbers and lists, and the preset names in each
// language as the string tables give them, in the Turtle hosts read.
TEST(Lv2Bundle, UnitsPropertiesAndNamesInEachLanguage) {
  const std::string plugins = Text(kLv2Dir + "/orlofx.lv2/orlofx.ttl");
  const std::string presets = Text(kLv2Dir + "/orlofx.lv2/presets.ttl");
  const char* const marks[][2] = {
      {"band1_threshold", "units:db"}, {"band1_attack", "units:ms"},
      {"band1_center", "units:hz"},    {"band1_width", "units:oct"},
      {"band1_bypass", "lv2:toggled"}, {"band1_type", "lv2:enumeration"},
      {"band1_center", "lv2:integer"}, {"latency", "lv2:reportsLatency"}};
  for (const auto& [symbol, mark] : marks)  // in every port of that symbol
    EXPECT_FALSE(std::regex_search(plugins, std::regex(std::string("symbol \"") + symbol +
                                                       "\"(?:(?!" + mark + ")[^\\]])*\\]")))
        << symbol << " " << mark;
  for (const char* name : {"\"(Default)\" ;", "\"(Standard)\"@de", "\"(Par d\u00e9faut)\"@fr",
                           "\"(\u30c7\u30d5\u30a9\u30eb\u30c8)\"@ja"}) {
    std::size_t count = 0;
    for (auto at = presets.find(name); at != std::string::npos; at = presets.find(name, at + 1))
      ++count;
    EXPECT_EQ(count, std::size(kEffects)) << name;
  }
}

class Lv2Settings : public ::testing::TestWithParam<Settings> {};

// lv2apply gives the tool's output after the latency the port reports; the
// saved state is the record the tool writes, and restores.
TEST_P(Lv2Settings, AsTheToolTakesThem) {
  REQUIRE_TOOL("lv2apply");
  const Settings& s = GetParam();
  const std::string uri = Uri(s.effect, s.channels), in = InputWav(s.channels);
  const std::string lv2 = Scratch("lv2.wav"), tool = Scratch("tool.wav"), rec = Scratch("rec");
  const Output applied = Shell("LV2_PATH=" + kLv2Dir + " " ORLOFX_LV2_APPLY " -i " + in + " -o " +
                               lv2 + " " + s.ports + " " + uri);
  ASSERT_EQ(applied.status, 0) << applied.text;
  const std::string args = std::string(s.effect) + " " + s.tool + " ";
  const Output processed = Tool("process " + args + "--quiet " + in + " " + tool);
  ASSERT_EQ(processed.status, 0) << processed.text;
  const Output recorded = Tool("record " + args + rec);
  ASSERT_EQ(recorded.status, 0) << recorded.text;

  Instance host(uri);
  std::istringstream ports(s.ports);  // "-c symbol value ..."
  for (std::string c, symbol; ports >> c >> symbol;) ports >> host.values.at(host.index.at(symbol));
  lilv_instance_activate(host.instance);
  host.Run(std::vector<float>(s.channels, 0.0f), {1});
  const auto latency = static_cast<std::size_t>(host.values[host.latencyPort]);
  const std::vector<float> a = ReadWav(lv2), b = ReadWav(tool);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_LE(Difference(a, b, latency, s.channels), 1e-6);
  // What comes first is the silence the latency stands for.
  EXPECT_EQ(Difference(a, std::vector<float>(latency * s.channels), 0, s.channels), 0.0);

  EXPECT_EQ(host.Save(), Text(rec));
  // Through lilv's state into a fresh instance, which then holds the same.
  Host& h = TheHost();
  LilvState* state =
      lilv_state_new_from_instance(host.plugin, host.instance, &h.map, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, LV2_STATE_IS_POD, h.features);
  Instance fresh(uri);
  lilv_state_restore(state, fresh.instance, nullptr, nullptr, 0, h.features);
  lilv_state_free(state);
  EXPECT_EQ(fresh.Save(), host.Save());
}

INSTANTIATE_TEST_SUITE_P(Effects, Lv2Settings, ::testing::ValuesIn(kSettings));

// One change per effect, of a level the effect glides or a kernel it fades.
struct Change {
  const char *effect, *symbol;
  float from, to;
};
void PrintTo(const Change& c, std::ostream* os) { *os << c.effect << " " << c.symbol; }
const Change kChanges[] = {
    {"noise-gate", "threshold", -80, -10},        {"graphic-dynamics", "output_gain", 0, 12},
    {"multiband-dynamics", "output_gain", 0, 12}, {"parametric-eq", "amount", -4, 12},
    {"paragraphic-eq", "wet_out", 0, -12},        {"graphic-eq", "band10_gain", 0, 12},
};

// Three steady low tones: a step stands out of their second difference.
std::vector<float> Tones(int channels, std::size_t frames) {
  std::vector<float> x(frames * channels);
  for (std::size_t k = 0; k < x.size(); ++k)
    for (double f : {100.0, 300.0, 1000.0})
      x[k] += static_cast<float>(0.05 * std::sin(6.283185307179586 * f * (k / channels) / kRate +
                                                 static_cast<double>(k % channels)));
  return x;
}

double LargestSecondDifference(const std::vector<float>& y, int channels) {
  double worst = 0;
  for (std::size_t k = 2 * channels; k < y.size(); ++k)
    worst = std::max(
        worst, std::fabs(static_cast<double>(y[k]) - 2.0 * y[k - channels] + y[k - 2 * channels]));
  return worst;
}

class Lv2Host : public ::testing::TestWithParam<std::tuple<Change, int>> {};

TEST_P(Lv2Host, AnyBlocksAndChangesWhilePlaying) {
  const auto& [change, channels] = GetParam();
  const std::size_t frames = 72000, at = 12001;  // 1.5 s, the change at 0.25 s
  const std::vector<float> x = Tones(channels, frames);
  std::mt19937 random(7);
  std::vector<std::size_t> blocks{1, 1, 2, 1};
  for (int i = 0; i < 300; ++i)
    blocks.push_back(std::uniform_int_distribution<std::size_t>(1, 700)(random));
  auto run = [&](float start, const std::vector<std::size_t>& sizes, bool change_) {
    Instance host(Uri(change.effect, channels));
    host.Set(change.symbol, start);
    lilv_instance_activate(host.instance);
    auto y = change_ ? host.Run(x, sizes, at, change.symbol, change.to) : host.Run(x, sizes);
    EXPECT_EQ(host.allocations, 0);
    return y;
  };
  const std::vector<float> before = run(change.from, blocks, false);
  const std::vector<float> after = run(change.to, blocks, false);
  const std::vector<float> changed = run(change.from, blocks, true);
  for (float v : changed) ASSERT_TRUE(std::isfinite(v));
  // The blocks do not matter: 512 at a time gives every bit the same.
  EXPECT_EQ(changed, run(change.from, {512}, true));
  // No step: no sharper corner than either setting's own output has.
  const double corner =
      std::max(LargestSecondDifference(before, channels), LargestSecondDifference(after, channels));
  EXPECT_LE(LargestSecondDifference(changed, channels), 2 * corner);
  // The change took effect: the last 0.25 s are the new setting's.
  EXPECT_LE(Difference(changed, after, 0, channels, (frames - 12000) * channels), 1e-5);
  EXPECT_GT(Difference(before, after, 0, channels), 1e-3);  // and it is a change
}

INSTANTIATE_TEST_SUITE_P(Effects, Lv2Host,
                         ::testing::Combine(::testing::ValuesIn(kChanges),
                                            ::testing::Values(1, 2)));

// Every preset of the bundle, applied by a host, sounds as the tool's preset of
// the same number.
class Lv2Presets : public ::testing::TestWithParam<const char*> {};

TEST_P(Lv2Presets, SoundAsTheToolsPresets) {
  Host& h = TheHost();
  const std::string effect = GetParam(), uri = Uri(effect, 2);
  const std::string in = InputWav(2), tool = Scratch("tool.wav");
  LilvNode* presetClass = h.New(LV2_PRESETS__Preset);
  LilvNodes* presets = lilv_plugin_get_related(h.Plugin(uri), presetClass);
  std::size_t count = 0;
  LILV_FOREACH(nodes, i, presets) {
    const LilvNode* preset = lilv_nodes_get(presets, i);
    lilv_world_load_resource(h.world, preset);
    const std::string name = lilv_node_as_uri(preset);
    const int number = std::atoi(name.substr(name.rfind(':') + 1).c_str());
    ++count;
    LilvState* state = lilv_state_new_from_world(h.world, &h.map, preset);
    ASSERT_NE(state, nullptr) << name;
    Instance host(uri);
    lilv_state_restore(
        state, host.instance,
        [](const char* symbol, void* user, const void* value, std::uint32_t, std::uint32_t) {
          static_cast<Instance*>(user)->Set(symbol, *static_cast<const float*>(value));
        },
        &host, 0, h.features);
    lilv_state_free(state);
    lilv_instance_activate(host.instance);
    const std::vector<float> y = host.Run(ReadWav(in), {4096, 1, 333});
    const Output processed = Tool("process " + effect + " --preset " + std::to_string(number) +
                                  " --quiet " + in + " " + tool);
    ASSERT_EQ(processed.status, 0) << processed.text;
    EXPECT_LE(Difference(y, ReadWav(tool), host.values[host.latencyPort], 2), 1e-6) << name;
  }
  lilv_nodes_free(presets);
  lilv_node_free(presetClass);
  const Output list = Tool("presets " + effect);
  EXPECT_EQ(count, std::count(list.text.begin(), list.text.end(), '\n')) << list.text;
}

INSTANTIATE_TEST_SUITE_P(Effects, Lv2Presets, ::testing::ValuesIn(kEffects));

}  // namespace

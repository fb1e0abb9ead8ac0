// Fuzz target: the tool's settings parsing: `--preset`, `--set` (single
// fields and point lists such as `points=x:y,...`) and `--automate`, through
// the tool's own entry point, as `orlofx record <effect> <options> <file>`.
//
// Input: "<effect name>\n" then options, one argument per line (at most 24
// arguments of at most 512 bytes). `--record` options are dropped: they
// name files to read.
//
// Checked: when the tool accepts the options, the record it wrote loads
// back into the effect.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "framework/settings_record.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace orlofx;
  const char* dir = std::getenv("ORLOFX_FUZZ_WRITE_SEEDS");
  if (!dir) return 0;
  for (const cli::EffectEntry& e : cli::Effects()) {
    std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(e);
    const std::string head = std::string(e.name) + "\n", base = std::string(e.name) + "-";
    const ParameterTable table = fx->Parameters();
    std::vector<std::int32_t> fields(kMaxRecordFields);
    fx->GetFields(fields.data());
    std::string all = head;
    for (std::size_t i = 0; i < table.count; ++i) {
      if (!table.Single(i)) continue;
      const ParameterDescriptor& d = table.items[i];
      const std::string set = std::string(d.name) + "=" + std::to_string(d.maximum);
      fuzz::WriteSeed(dir, base + "set-" + d.name, head + "--set\n" + set);
      fuzz::WriteSeed(dir, base + "automate-" + d.name,
                      head + "--automate\n" + d.name + "=0:" + std::to_string(d.minimum) +
                          ",0.5:" + std::to_string(d.maximum) + ":1");
      all += "--set=" + set + "\n";
    }
    for (std::size_t l = 0; l < table.pointListCount; ++l) {
      const PointListDescriptor& list = table.pointLists[l];
      fuzz::WriteSeed(dir, base + "points-" + list.name,
                      head + "--set\n" + list.name + "=" + FormatPointList(list, fields.data()));
    }
    fuzz::WriteSeed(dir, base + "all", all + "--preset\n" + std::to_string(fx->PresetCount() - 1));
  }
  std::exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orlofx;
  std::size_t at = 0;
  while (at < size && data[at] != '\n') ++at;
  const std::string name(reinterpret_cast<const char*>(data), at);
  static const std::string path = "/tmp/orlofx-fuzz-settings-" + std::to_string(getpid()) + ".rec";
  std::vector<std::string> args = {"record", name};
  bool skipNext = false;
  for (std::size_t start = at + 1; at + 1 < size && start <= size; ++start) {
    std::size_t end = start;
    while (end < size && data[end] != '\n') ++end;
    std::string a(reinterpret_cast<const char*>(data) + start, end - start);
    start = end;
    if (std::exchange(skipNext, false) || args.size() >= 26 || a.size() > 512) continue;
    if (a.rfind("--record", 0) == 0) {
      skipNext = a == "--record";
      continue;
    }
    args.push_back(std::move(a));
  }
  args.push_back(path);
  std::remove(path.c_str());
  if (cli::Run(args) != cli::kExitOk) return 0;

  const cli::EffectEntry* entry = cli::FindEffect(name);
  ORLOFX_FUZZ_CHECK(entry != nullptr);
  std::ifstream in(path, std::ios::binary);
  std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(*entry);
  MemoryRecordStream stream(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
  ORLOFX_FUZZ_CHECK(stream.Bytes().size() == fx->Record().size);
  ORLOFX_FUZZ_CHECK(fx->LoadRecord(stream) == kOk);
  return 0;
}

// Fuzz target: an effect's persisted-record loader, through the same
// EffectProcessor::LoadRecord the filters' stream loads use, over a stream
// that may deliver short reads and fail part-way. The input layout and the
// checks are in record_checks.h.
#include <cstdlib>
#include <string>

#include "fuzz/record_checks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace orlofx;
  const char* dir = std::getenv("ORLOFX_FUZZ_WRITE_SEEDS");
  if (!dir) return 0;
  for (const cli::EffectEntry& e : cli::Effects()) {
    std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(e);
    for (int p = 0; p < fx->PresetCount(); ++p) {
      fx->ApplyPreset(p);
      MemoryRecordStream s;
      fx->SaveRecord(s, true);
      const std::string record(s.Bytes().begin(), s.Bytes().end());
      const std::string base = std::string(e.name) + "-" + std::to_string(p);
      fuzz::WriteSeed(dir, base, std::string(e.name) + "\n" + '\0' + '\0' + record);
      fuzz::WriteSeed(dir, base + "-short", std::string(e.name) + "\n" + '\x05' + '\0' + record);
      fuzz::WriteSeed(dir, base + "-fail", std::string(e.name) + "\n" + '\0' + '\2' + record);
    }
  }
  std::exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orlofx::fuzz::CheckRecordInput(data, size);
  return 0;
}

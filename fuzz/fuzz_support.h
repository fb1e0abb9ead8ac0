// Shared by the fuzz targets: picking an effect, writing seeds, and a failed
// check that libFuzzer reports as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/effect_registry.h"

namespace orlofx::fuzz {

// A property that must hold; a violation is a finding. (The native test
// that replays the corpus defines its own, reporting to the test instead.)
#ifndef ORLOFX_FUZZ_CHECK
#define ORLOFX_FUZZ_CHECK(cond)                                                                     \
  do {                                                                                              \
    if (!(cond)) {                                                                                  \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);           \
      std::abort();                                                                                 \
    }                                                                                               \
  } while (0)
#endif

// Inputs begin with an effect's name and a newline; *rest is set past it. A
// name the list does not know still picks an effect (by a hash of it), so
// that mutations of the name keep exploring.
inline const cli::EffectEntry& PickEffect(const std::uint8_t* data, std::size_t size, std::size_t* rest) {
  std::size_t i = 0;
  while (i < size && data[i] != '\n') ++i;
  const std::string name(reinterpret_cast<const char*>(data), i);
  *rest = i < size ? i + 1 : size;
  if (const cli::EffectEntry* e = cli::FindEffect(name)) return *e;
  std::size_t h = 0;
  for (char c : name) h = h * 131 + static_cast<unsigned char>(c);
  return cli::Effects().items[h % cli::Effects().count];
}

// `ORLOFX_FUZZ_WRITE_SEEDS=DIR target` writes seeds made from the effect
// list into DIR and exits (fuzz/run.sh does it before each run), so that
// every effect is in the corpus without a file per effect in the repository.
inline void WriteSeed(const std::string& dir, const std::string& name, const std::string& bytes) {
  if (std::FILE* f = std::fopen((dir + "/gen-" + name).c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

}  // namespace orlofx::fuzz

// Replays the record fuzz target's seed corpus and every finding kept in
// it (fuzz/corpus/fuzz_record/) through the target's own checks, so that a
// finding, once fixed and added to the corpus, stays fixed.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define ORLOFX_FUZZ_CHECK(cond)                              \
  do {                                                       \
    if (!(cond)) {                                           \
      ADD_FAILURE() << "check failed: " #cond;               \
      return;                                                \
    }                                                        \
  } while (0)
#include "fuzz/record_checks.h"

namespace orlofx::fuzz {
namespace {

std::vector<std::string> CorpusFiles(const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  return files;
}

TEST(RecordCorpus, EverySeedAndFindingPassesTheLoaderChecks) {
  const std::vector<std::string> files =
      CorpusFiles(std::string(ORLOFX_SOURCE_DIR) + "/fuzz/corpus/fuzz_record");
  ASSERT_FALSE(files.empty());
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    CheckRecordInput(bytes.data(), bytes.size());
  }
}

// The loader checks themselves notice a load that changes settings and
// then reports failure, or a record that does not survive a round trip:
// a valid record read through a stream that fails in the field read must
// leave the settings alone.
TEST(RecordCorpus, AFailedFieldReadChangesNothing) {
  for (const cli::EffectEntry& e : cli::Effects()) {
    SCOPED_TRACE(e.name);
    std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(e);
    fx->ApplyPreset(fx->PresetCount() - 1);
    MemoryRecordStream saved;
    ASSERT_EQ(fx->SaveRecord(saved, true), kOk);
    std::unique_ptr<EffectProcessor> target = cli::CreateEffect(e);
    const std::vector<std::int32_t> before = Fields(*target);
    HostileStream failing(saved.Bytes().data(), saved.Bytes().size(), 0, 2);  // head ok, fields fail
    EXPECT_TRUE(Failed(target->LoadRecord(failing)));
    EXPECT_EQ(Fields(*target), before);
    HostileStream trickle(saved.Bytes().data(), saved.Bytes().size(), 1, 0);  // one byte a read
    const HResult hr = target->LoadRecord(trickle);
    if (Succeeded(hr)) {
      EXPECT_EQ(Fields(*target), Fields(*fx)) << "a record read in short pieces loaded wrongly";
    } else {
      EXPECT_EQ(Fields(*target), before) << "a refused record changed the settings";
    }
  }
}

}  // namespace
}  // namespace orlofx::fuzz

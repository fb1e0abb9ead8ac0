// The string tables read from several threads while the language changes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {
namespace {

// Readers on other threads always get a whole text of one of the two
// languages while the language flips under them.
TEST(StringThreads, LookupsDuringLanguageSwitchesSeeOneLanguageOrTheOther) {
  const char* english = StringInTable(kLanguageEnglish, sid::kPresetDefault);
  const char* german = StringInTable(kLanguageGerman, sid::kPresetDefault);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  auto read = [&] {
    for (const char* text; !stop.load();) wrong += (text = LoadString(sid::kPresetDefault)) != english && text != german;
  };
  std::thread first(read), second(read);
  for (int i = 0; i < 20000; ++i) SetLanguage(i % 2 ? kLanguageGerman : kLanguageEnglish);
  stop.store(true);
  first.join();
  second.join();
  SetLanguage(kLanguageEnglish);
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace orlofx

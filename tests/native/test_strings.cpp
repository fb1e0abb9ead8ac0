// String tables: the English reference, the translations' consistency with it,
// language switching and fallback, and lookups racing a language switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/strings.h"
#include "support/strings/string_ids.h"

namespace orlofx {
namespace {

const int kTranslations[] = {kLanguageGerman, kLanguageFrench, kLanguageJapanese};

class StringsTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLanguage(kLanguageEnglish); }
};

// The conversions of a printf format in order ("s", "d", ...), "%%" left out.
std::string Conversions(const char* format) {
  std::string result;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p && std::strchr("-+ #0123456789.hlLzjt", *p)) ++p;
    if (!*p) break;
    result += *p;
  }
  return result;
}

// Accelerator marks: single "&" (a doubled one shows an ampersand).
int Accelerators(const char* text) {
  int count = 0;
  for (const char* p = text; *p; ++p) {
    if (*p != '&') continue;
    if (p[1] == '&') ++p;
    else ++count;
  }
  return count;
}

// Number of UTF-16 code units, or -1 when text is not valid UTF-8.
int Utf16Length(const char* text) {
  int units = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    int extra;
    unsigned long code;
    if (*p < 0x80) { extra = 0; code = *p; }
    else if ((*p & 0xE0) == 0xC0) { extra = 1; code = *p & 0x1F; }
    else if ((*p & 0xF0) == 0xE0) { extra = 2; code = *p & 0x0F; }
    else if ((*p & 0xF8) == 0xF0) { extra = 3; code = *p & 0x07; }
    else return -1;
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return -1;
      code = (code << 6) | (*p & 0x3F);
    }
    static const unsigned long kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return -1;
    units += code > 0xFFFF ? 2 : 1;
  }
  return units;
}

TEST_F(StringsTest, EnglishHoldsEveryIdInTheKnownRangesAsValidText) {
  const std::vector<int> ids = StringIds();
  ASSERT_FALSE(ids.empty());
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  for (int id : ids) {
    const bool effectText = id >= 1001 && id <= 7145;
    const bool pageText = id >= 7200 && id <= 7549;  // support/strings/pages/
    const bool toolText = id >= 9000 && id <= 9499;
    const bool valueText = id >= 48000 && id <= 48999;
    EXPECT_TRUE(effectText || pageText || toolText || valueText) << id;
    EXPECT_TRUE(HasString(kLanguageEnglish, id)) << id;
    const int units = Utf16Length(LoadString(id));
    EXPECT_GT(units, 0) << id << " is empty or not UTF-8";
    // Automation labels and units travel in 32-character fields.
    if (id >= sid::kParamAttack && id <= sid::kUnitOctaves) {
      EXPECT_LE(units, 31) << id;
    }
  }
}

TEST_F(StringsTest, FrameTextsAreThoseThePagesShow) {
  EXPECT_STREQ(LoadString(sid::kPresets), "Presets");
  EXPECT_STREQ(LoadString(sid::kHelp), "Help");
  EXPECT_STREQ(LoadString(sid::kAboutMenu), "About...");
  EXPECT_STREQ(LoadString(sid::kAboutButton), "About");
  EXPECT_STREQ(LoadString(sid::kHelpButton), "?");
  EXPECT_STREQ(LoadString(sid::kNoiseGateName), "Orlo Noise Gate");
  EXPECT_STREQ(LoadString(sid::kNoiseGateTitle), "Noise Gate");
  EXPECT_STREQ(LoadString(sid::kPresetDefault), "(Default)");
  EXPECT_STREQ(LoadString(sid::kPresetDefaultAll), "Default all parameters");
  EXPECT_STREQ(LoadString(sid::kLevelMinusInfinity), "-Inf.");
  EXPECT_STREQ(LoadString(sid::kMeterMinusInfinity), "-Inf.");
  EXPECT_STREQ(LoadString(sid::kValueError), "Err.");
  EXPECT_STREQ(LoadString(sid::kMeterClip), "Clip");
  EXPECT_STREQ(LoadString(sid::kMeterPlusInfinity), "+Inf.");
  EXPECT_STREQ(LoadString(sid::kCutoffFrequencyLabel), "Cutoff &frequency (%s to %s Hz):");
  EXPECT_STREQ(LoadString(sid::kGraphicEqReadout), "%s Hz, %s dB");
}

TEST_F(StringsTest, EveryEffectHasItsDisplayNameAndTheMultiBandAutomationTextsExist) {
  for (int id : {sid::kNoiseGateName, sid::kGraphicDynamicsName, sid::kMultiBandDynamicsName,
                 sid::kParametricEqName, sid::kParagraphicEqName, sid::kGraphicEqName})
    EXPECT_EQ(std::string(LoadString(id)).rfind("Orlo ", 0), 0u) << id;
  // Parameter i < 40 of band b = i / 10 + 1 has label 7099 + i.
  EXPECT_STREQ(LoadString(sid::kParamBandFirst + 5), "Band 1 Type");
  EXPECT_STREQ(LoadString(sid::kParamBandFirst + 39), "Band 4 Solo");
  EXPECT_STREQ(LoadString(sid::kBandTypeValues), "Low-shelf,Band-notch,High-shelf");
}

TEST_F(StringsTest, TranslationsKeepFormatsAcceleratorsAndLimitsOfEnglish) {
  for (int lang : kTranslations) {
    int translated = 0;
    for (int id : StringIds()) {
      const char* text = StringInTable(lang, id);
      if (!text) continue;
      ++translated;
      const char* english = StringInTable(kLanguageEnglish, id);
      SCOPED_TRACE(testing::Message() << "language " << lang << ", id " << id << ": " << text);
      const int units = Utf16Length(text);
      EXPECT_GT(units, 0) << "empty or not UTF-8";
      // A caller fills the conversions in English's order; a mismatch would
      // read the wrong arguments.
      EXPECT_EQ(Conversions(text), Conversions(english));
      EXPECT_EQ(Accelerators(text), Accelerators(english));
      // Automation labels and units travel in 32-character fields.
      if (id >= sid::kParamAttack && id <= sid::kUnitOctaves) {
        EXPECT_LE(units, 31);
      }
      if (id == sid::kBandTypeValues) {
        EXPECT_EQ(std::count(text, text + std::strlen(text), ','),
                  std::count(english, english + std::strlen(english), ','));
      }
    }
    EXPECT_GT(translated, 100) << lang;
  }
}

TEST_F(StringsTest, SetLanguageSwitchesLaterLookups) {
  EXPECT_EQ(SetLanguage(kLanguageGerman), kOk);
  EXPECT_EQ(CurrentLanguage(), kLanguageGerman);
  EXPECT_STREQ(LoadString(sid::kPresetDefault), StringInTable(kLanguageGerman, sid::kPresetDefault));
  EXPECT_STRNE(LoadString(sid::kPresetDefault), "(Default)");

  EXPECT_EQ(SetLanguage(0), kOk);
  EXPECT_EQ(CurrentLanguage(), kLanguageEnglish);
  EXPECT_STREQ(LoadString(sid::kPresetDefault), "(Default)");

  SetLanguage(kLanguageJapanese);
  EXPECT_STREQ(LoadString(sid::kPresets), StringInTable(kLanguageJapanese, sid::kPresets));
  SetLanguage(kLanguageFrench);
  EXPECT_STREQ(LoadString(sid::kPresets), StringInTable(kLanguageFrench, sid::kPresets));
}

TEST_F(StringsTest, LanguagesMatchByPrimaryLanguageAndUnknownOnesReadEnglish) {
  SetLanguage(2055);  // German (Switzerland)
  EXPECT_EQ(CurrentLanguage(), 2055);
  EXPECT_STREQ(LoadString(sid::kHelp), StringInTable(kLanguageGerman, sid::kHelp));

  SetLanguage(1049);  // Russian: no table, remembered as given
  EXPECT_EQ(CurrentLanguage(), 1049);
  EXPECT_STREQ(LoadString(sid::kHelp), "Help");
  EXPECT_FALSE(HasString(1049, sid::kHelp));
  EXPECT_TRUE(HasString(0, sid::kHelp));
}

TEST_F(StringsTest, EveryLanguageHoldsEveryIdOfEnglish) {
  // Brand names and units are simply the same text; nothing is left to the
  // English fallback, page texts included.
  for (int lang : kTranslations) {
    std::vector<int> missing;
    for (int id : StringIds())
      if (!HasString(lang, id)) missing.push_back(id);
    std::string list;
    for (int id : missing) list += std::to_string(id) + " ";
    EXPECT_TRUE(missing.empty()) << "language " << lang << " lacks " << list;
  }
}

TEST_F(StringsTest, UnknownIdsGiveEmptyTextOrTheFallback) {
  const int unknown = 12345;
  ASSERT_FALSE(HasString(kLanguageEnglish, unknown));
  ASSERT_NE(LoadString(unknown), nullptr);
  EXPECT_STREQ(LoadString(unknown), "");
  EXPECT_EQ(LoadStringOr(unknown, "fallback"), "fallback");
  EXPECT_EQ(LoadStringOr(unknown, nullptr), "");
  EXPECT_EQ(LoadStringOr(sid::kPresetDefault, "fallback"), "(Default)");
  EXPECT_EQ(StringInTable(kLanguageGerman, unknown), nullptr);
}

TEST_F(StringsTest, RightToLeftLanguagesAreRecognisedByPrimaryLanguage) {
  for (int lang : {0x0401, 0x0801, 0x040D, 0x0420, 0x0429}) EXPECT_TRUE(IsRightToLeftLanguage(lang)) << lang;
  for (int lang : {0, kLanguageEnglish, kLanguageGerman, kLanguageFrench, kLanguageJapanese})
    EXPECT_FALSE(IsRightToLeftLanguage(lang)) << lang;
}

// Readers on other threads must always get a whole text of one of the two
// languages while the language flips under them.
TEST_F(StringsTest, LookupsDuringLanguageSwitchesSeeOneLanguageOrTheOther) {
  const char* english = StringInTable(kLanguageEnglish, sid::kPresetDefault);
  const char* german = StringInTable(kLanguageGerman, sid::kPresetDefault);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r) {
    readers.emplace_back([&] {
      while (!stop.load()) {
        const char* text = LoadString(sid::kPresetDefault);
        if (text != english && text != german) wrong.fetch_add(1);
      }
    });
  }
  for (int i = 0; i < 20000; ++i) SetLanguage(i % 2 ? kLanguageGerman : kLanguageEnglish);
  stop.store(true);
  for (std::thread& t : readers) t.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace orlofx

#include "support/strings.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstddef>
#include <iterator>

#pragma push_macro("LoadString")
#undef LoadString

namespace orlofx {

namespace {

struct Entry {
  int id;
  const char* text;
};

#define ORLOFX_STRING(id, text) Entry{id, text},
constexpr Entry kEnglish[] = {
#include "support/strings/strings_1033.inc"
};
constexpr Entry kGerman[] = {
#include "support/strings/strings_1031.inc"
};
constexpr Entry kFrench[] = {
#include "support/strings/strings_1036.inc"
};
constexpr Entry kJapanese[] = {
#include "support/strings/strings_1041.inc"
};
#undef ORLOFX_STRING

// Lookups binary-search the tables, so each must list its ids in ascending
// order, and a translation must not invent ids that English lacks (English is
// the fallback and the list of ids the tests walk).
template <std::size_t N>
constexpr bool Ascending(const Entry (&table)[N]) {
  for (std::size_t i = 1; i < N; ++i)
    if (table[i - 1].id >= table[i].id) return false;
  return true;
}

constexpr bool InEnglish(int id) {
  std::size_t lo = 0, hi = std::size(kEnglish);
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (kEnglish[mid].id < id) lo = mid + 1;
    else hi = mid;
  }
  return lo < std::size(kEnglish) && kEnglish[lo].id == id;
}

template <std::size_t N>
constexpr bool AllInEnglish(const Entry (&table)[N]) {
  for (const Entry& e : table)
    if (!InEnglish(e.id)) return false;
  return true;
}

static_assert(Ascending(kEnglish), "strings_1033.inc: ids must be ascending and unique");
static_assert(Ascending(kGerman), "strings_1031.inc: ids must be ascending and unique");
static_assert(Ascending(kFrench), "strings_1036.inc: ids must be ascending and unique");
static_assert(Ascending(kJapanese), "strings_1041.inc: ids must be ascending and unique");
static_assert(AllInEnglish(kGerman), "strings_1031.inc: id not in strings_1033.inc");
static_assert(AllInEnglish(kFrench), "strings_1036.inc: id not in strings_1033.inc");
static_assert(AllInEnglish(kJapanese), "strings_1041.inc: id not in strings_1033.inc");

struct Table {
  int primaryLanguage;
  const Entry* begin;
  const Entry* end;
};

constexpr int PrimaryLanguage(int langId) { return langId & 0x3FF; }

const Table kTables[] = {
    {PrimaryLanguage(kLanguageEnglish), std::begin(kEnglish), std::end(kEnglish)},
    {PrimaryLanguage(kLanguageGerman), std::begin(kGerman), std::end(kGerman)},
    {PrimaryLanguage(kLanguageFrench), std::begin(kFrench), std::end(kFrench)},
    {PrimaryLanguage(kLanguageJapanese), std::begin(kJapanese), std::end(kJapanese)},
};
const Table& kEnglishTable = kTables[0];

const Table* TableOf(int langId) {
  for (const Table& t : kTables)
    if (t.primaryLanguage == PrimaryLanguage(langId)) return &t;
  return nullptr;
}

// A language without a table reads English.
const Table& TableFor(int langId) {
  const Table* t = TableOf(langId);
  return t ? *t : kEnglishTable;
}

const char* Find(const Table& table, int id) {
  const Entry* e = std::lower_bound(table.begin, table.end, id,
                                    [](const Entry& entry, int key) { return entry.id < key; });
  return (e != table.end && e->id == id) ? e->text : nullptr;
}

std::atomic<int> gLanguage{kLanguageEnglish};

}  // namespace

int CurrentLanguage() { return gLanguage.load(std::memory_order_relaxed); }

HResult SetLanguage(int langId) {
  gLanguage.store(langId == 0 ? kLanguageEnglish : langId, std::memory_order_relaxed);
  return kOk;
}

bool IsRightToLeftLanguage(int langId) {
  switch (PrimaryLanguage(langId)) {
    case 0x01:  // Arabic
    case 0x0D:  // Hebrew
    case 0x20:  // Urdu
    case 0x29:  // Farsi
      return true;
    default:
      return false;
  }
}

const char* LoadString(int id) {
  if (const char* text = Find(TableFor(CurrentLanguage()), id)) return text;
  if (const char* text = Find(kEnglishTable, id)) return text;
  return "";
}

std::string LoadStringOr(int id, const char* fallback) {
  if (const char* text = Find(TableFor(CurrentLanguage()), id)) return text;
  if (const char* text = Find(kEnglishTable, id)) return text;
  return fallback ? fallback : "";
}

int LanguageFromName(const std::string& name) {
  if (name.empty()) return -1;
  if (name.find_first_not_of("0123456789") == std::string::npos) {
    if (name.size() > 5) return -1;
    const int id = std::stoi(name);
    return id <= 0xFFFF ? id : -1;
  }
  // "de_DE.UTF-8@euro": the language code is what comes before the region,
  // encoding or modifier.
  std::string code = name.substr(0, name.find_first_of("-_.@"));
  for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (code == "c" || code == "posix" || code == "en") return kLanguageEnglish;
  if (code == "de") return kLanguageGerman;
  if (code == "fr") return kLanguageFrench;
  if (code == "ja") return kLanguageJapanese;
  return -1;
}

int LanguageFromEnvironment(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (!value || !*value) continue;
    const int id = LanguageFromName(value);
    return id > 0 ? id : kLanguageEnglish;
  }
  return kLanguageEnglish;
}

std::vector<int> StringIds() {
  std::vector<int> ids;
  ids.reserve(std::size(kEnglish));
  for (const Entry& e : kEnglish) ids.push_back(e.id);
  return ids;
}

bool HasString(int langId, int id) { return StringInTable(langId, id) != nullptr; }

const char* StringInTable(int langId, int id) {
  const Table* t = TableOf(langId == 0 ? kLanguageEnglish : langId);
  return t ? Find(*t, id) : nullptr;
}

}  // namespace orlofx

#pragma pop_macro("LoadString")

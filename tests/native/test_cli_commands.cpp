// The orlofx tool's command lines: one row per line, with the environment it
// runs in, the exit status it must end with, the texts its standard output
// and standard error must hold, and the file it must write (a record equal
// to the one the effect itself saves, a sound of the input's length). A run
// that writes no file leaves the folder as it was, and a usage error
// (status 2) always says something on standard error. Arguments starting
// with "@" name the shared input files.
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "cli/effect_registry.h"
#include "framework/settings_record.h"
#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

// The record an effect saves after a preset and then "name=value" settings
// (a point list as its text) through its own setters.
struct Saved {
  const char* effect = nullptr;
  int preset = 0;
  std::vector<std::string> set = {};
};

std::string RecordOf(const Saved& e) {
  const cli::EffectEntry& entry = *cli::FindEffect(e.effect);
  std::unique_ptr<EffectProcessor> fx = cli::CreateEffect(entry);
  fx->ApplyPreset(e.preset);
  const ParameterTable table = fx->Parameters();
  for (const std::string& s : e.set) {
    const std::string name = s.substr(0, s.find('=')), value = s.substr(s.find('=') + 1);
    std::vector<std::int32_t> fields(kMaxRecordFields);
    fx->GetFields(fields.data());
    if (const PointListDescriptor* list = table.FindPointList(name.c_str())) {
      const PointListParse p = ParsePointList(*list, value.c_str(), fields.data());
      EXPECT_EQ(p.error, PointListError::kNone);
      EXPECT_EQ(cli::SetPoints(*fx, entry, fields.data() + list->firstField, p.pointCount), kOk);
    } else {
      EXPECT_EQ(cli::SetSetting(*fx, entry, static_cast<std::size_t>(table.Find(name.c_str())), std::stoi(value)), kOk);
    }
  }
  MemoryRecordStream stream;
  EXPECT_EQ(fx->SaveRecord(stream, true), kOk);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

constexpr int kOut = 1, kErr = 2;  // nothing on standard output, standard error

struct Command {
  const char* name;
  const char* environment;
  std::vector<std::string> args;
  int exitCode;
  std::vector<std::string> out;  // texts standard output holds
  std::vector<std::string> err;  // texts standard error holds ("!text": must not, "^text": begins with)
  int quiet;                     // kOut, kErr
  const char* writes = nullptr;  // the one file the run leaves in the folder
  std::vector<std::string> fileHolds = {};  // texts that file holds
  Saved record = {};             // the record that file must be
  long frames = 0;               // the sound that file must be: its frames
  bool silent = false;           //   and whether all of them are 0
  const char* existing = nullptr;  // a file in the folder before the run
};

// One row per line: name, locale variables, arguments, status, texts on
// standard output and standard error, quiet streams, then what it writes.
// clang-format off
const Command kCommands[] = {
    {"List", "", {"list"}, 0, {"noise-gate", "Orlo Noise Gate", "Slow attack", "parametric-eq", "graphic-eq"}, {}, 0},
    {"InfoRangesDefaultsAndTag", "", {"info", "noise-gate"}, 0,
     {"threshold    -800 to 0 tenths of a dB, default -200", "attack       1 to 500 ms, default 3",
      "{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912}"}, {}, 0},
    {"InfoPointListOnce", "", {"info", "graphic-eq"}, 0, {"points", "default 0:0,10000:0", "band20_gain", "two views of one curve"}, {}, 0},
    {"InfoValueNames", "", {"info", "parametric-eq"}, 0, {"0 low-shelf, 1 high-shelf, 2 band-pass, 3 band-notch"}, {}, 0},
    {"InfoValueNamesInTheLanguage", "", {"--lang", "de", "info", "multiband-dynamics"}, 0, {"0 low-shelf, 1 bandsperre"}, {}, 0},
    {"Presets", "", {"presets", "noise-gate"}, 0, {" 0  (Default)\n", " 6  Slow attack\n"}, {}, 0},
    {"Help", "", {"--help"}, 0, {"orlofx process <effect>"}, {}, 0},
    {"Version", "", {"--version"}, 0, {"orlofx "}, {}, 0},
    // Languages: the option in every spelling, then the locale variables.
    {"LangDe", "LANG=fr_FR.UTF-8", {"--lang", "de", "presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, 0},
    {"LangFr", "LANG=fr_FR.UTF-8", {"presets", "noise-gate", "--lang=fr"}, 0, {" 0  (Par défaut)\n"}, {}, 0},
    {"LangJaLocaleName", "LANG=fr_FR.UTF-8", {"--lang", "ja_JP.UTF-8", "presets", "noise-gate"}, 0, {" 0  (デフォルト)\n"}, {}, 0},
    {"LangNumber", "LANG=fr_FR.UTF-8", {"--language", "1031", "presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, 0},
    {"LangTag", "LANG=fr_FR.UTF-8", {"--language=de-DE", "presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, 0},
    {"LangEn", "LANG=fr_FR.UTF-8", {"--lang", "en", "presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, 0},
    {"LangMessages", "", {"--lang", "de", "info", "no-such-effect"}, 2, {}, {"unbekannter Effekt: no-such-effect"}, kOut},
    {"LangHelp", "", {"--lang", "ja", "--help"}, 0, {"使用法:", "--lang <言語>"}, {}, 0},
    {"LocaleDefault", "", {"presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, 0},
    {"LocaleLang", "LANG=de_DE.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, 0},
    {"LocaleMessagesBeforeLang", "LANG=de_DE.UTF-8 LC_MESSAGES=fr_FR.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Par défaut)\n"}, {}, 0},
    {"LocaleAllFirst", "LC_ALL=C LANG=de_DE.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, 0},
    {"LocaleUnknownIsEnglish", "LANG=es_ES.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, 0},
    {"OptionBeatsLocale", "LC_ALL=de_DE.UTF-8", {"--lang", "ja", "presets", "noise-gate"}, 0, {" 0  (デフォルト)\n"}, {}, 0},
    {"UnknownLanguage", "", {"--lang", "klingon", "list"}, 2, {}, {"unknown language: klingon"}, kOut},
    {"UnknownLanguageInTheLocale", "LANG=fr_FR.UTF-8", {"list", "--lang=es"}, 2, {}, {"langue inconnue : es"}, kOut},
    {"LanguageMissing", "", {"list", "--lang"}, 2, {}, {"--lang"}, kOut},
    // Usage mistakes.
    {"NoCommand", "", {}, 2, {}, {}, 0},
    {"UnknownCommand", "", {"frobnicate"}, 2, {}, {}, 0},
    {"UnknownEffect", "", {"process", "reverb", "a.wav", "b.wav"}, 2, {}, {}, 0},
    {"OneFile", "", {"process", "noise-gate", "a.wav"}, 2, {}, {}, 0},
    {"ThreeFiles", "", {"process", "noise-gate", "a.wav", "b.wav", "c.wav"}, 2, {}, {}, 0},
    {"UnknownSetting", "", {"process", "noise-gate", "--set", "ratio=2", "a.wav", "b.wav"}, 2, {}, {}, 0},
    {"NotANumber", "", {"process", "noise-gate", "--set", "attack=fast", "a.wav", "b.wav"}, 2, {}, {}, 0},
    {"NoValue", "", {"process", "noise-gate", "--set", "attack", "a.wav", "b.wav"}, 2, {}, {}, 0},
    {"PresetIndexTooHigh", "", {"process", "noise-gate", "--preset", "7", "a.wav", "b.wav"}, 2, {}, {}, 0},
    {"PresetNameUnknown", "", {"process", "noise-gate", "--preset", "Loudest", "a.wav", "b.wav"}, 2, {}, {}, 0},
    {"PresetWithoutValue", "", {"process", "noise-gate", "a.wav", "b.wav", "--preset"}, 2, {}, {}, 0},
    {"RecordWithoutFile", "", {"record", "noise-gate"}, 2, {}, {}, 0},
    {"InfoWithoutEffect", "", {"info"}, 2, {}, {}, 0},
    {"ListWithArgument", "", {"list", "extra"}, 2, {}, {}, 0},
    // Names near a known one get it suggested; nothing near, no guess.
    {"NearCommand", "", {"proces"}, 2, {}, {"did you mean process?"}, 0},
    {"NearEffect", "", {"info", "grafic-eq"}, 2, {}, {"did you mean graphic-eq?"}, 0},
    {"NearEffectInAChain", "", {"process", "noise-gate", "then", "paragrafic-eq", "a.wav", "b.wav"}, 2, {}, {"did you mean paragraphic-eq?"}, 0},
    {"NearSetting", "", {"record", "graphic-dynamics", "--set", "ouptut_gain=3", "x.rec"}, 2, {}, {"did you mean output_gain?"}, 0},
    {"NearPreset", "", {"record", "noise-gate", "--preset", "Noise gat 1", "x.rec"}, 2, {}, {"did you mean Noise gate 1?"}, 0},
    {"NearOption", "", {"process", "noise-gate", "--jsn", "r.json", "a.wav", "b.wav"}, 2, {}, {"did you mean --json?"}, 0},
    {"NothingNear", "", {"info", "reverb"}, 2, {}, {"!did you mean"}, 0},
    {"NearFormat", "", {"process", "noise-gate", "--format", "flaot", "a.wav", "b.wav"}, 2, {}, {"did you mean float?"}, 0},
    // The response command's options.
    {"ResponseWithoutRate", "", {"response", "parametric-eq"}, 2, {}, {"--rate"}, kOut},
    {"ResponseRateTooLow", "", {"response", "parametric-eq", "--rate", "12"}, 2, {}, {"--rate expects"}, kOut},
    {"ResponseRateNotANumber", "", {"response", "parametric-eq", "--rate", "44.1k"}, 2, {}, {"--rate expects"}, kOut},
    {"ResponseOnePoint", "", {"response", "parametric-eq", "--rate", "44100", "--points", "1"}, 2, {}, {"--points expects"}, kOut},
    {"ResponseExtraArgument", "", {"response", "parametric-eq", "--rate", "44100", "extra"}, 2, {}, {"too many arguments"}, kOut},
    {"ResponseUnknownEffect", "", {"response", "no-such-effect", "--rate", "44100"}, 2, {}, {"unknown effect"}, kOut},
    {"ResponseUnknownSetting", "", {"response", "parametric-eq", "--rate", "44100", "--set", "nonsense=1"}, 2, {}, {"unknown setting"}, kOut},
    // Files: what a refusal says, and that it leaves everything as it was.
    {"InputNotASound", "", {"process", "noise-gate", "@text.wav", "out.wav"}, 1, {}, {"^orlofx: error: ", "text.wav"}, 0},
    {"InputMissing", "", {"process", "noise-gate", "missing.wav", "out.wav"}, 1, {}, {"^orlofx: error: ", "missing.wav"}, 0},
    {"InputMissingToStandardOutput", "", {"process", "noise-gate", "absent.wav", "-"}, 1, {}, {"^orlofx: error: ", "absent.wav"}, kOut},
    {"OutputFolderMissing", "", {"process", "noise-gate", "@in.wav", "no/such/out.wav"}, 1, {}, {"no/such/out.wav"}, 0},
    {"RefusalKeepsAnExistingOutput", "", {"process", "noise-gate", "--set", "bogus=1", "@in.wav", "out.wav"}, 2, {}, {}, 0, nullptr, {}, {}, 0, false, "out.wav"},
    {"SuccessReplacesAnExistingOutput", "", {"process", "noise-gate", "@in.wav", "out.wav"}, 0, {}, {}, 0, "out.wav", {}, {}, 800, false, "out.wav"},
    {"UnknownOutputType", "", {"process", "noise-gate", "@in.wav", "out.xyz"}, 2, {}, {"^orlofx: error: ", "--type"}, kOut},
    {"NearType", "", {"process", "noise-gate", "--type", "flax", "@in.wav", "out.wav"}, 2, {}, {"flac"}, kOut},
    {"NearSampleFormat", "", {"process", "noise-gate", "--format", "pcm12", "@in.wav", "out.wav"}, 2, {}, {"pcm16"}, kOut},
    {"FloatIntoFlacNeedsAFormat", "", {"process", "noise-gate", "@float.wav", "out.flac"}, 1, {}, {"--format"}, kOut},
    {"OpusOnlyInItsContainer", "", {"process", "noise-gate", "--format", "opus", "@in.wav", "out.wav"}, 1, {}, {"WAV"}, kOut},
    {"OpusOnlyAt48k", "", {"process", "noise-gate", "@float.wav", "out.opus"}, 1, {}, {"48000"}, kOut},
    {"JsonAndSoundBothOnStandardOutput", "", {"process", "noise-gate", "--json", "-", "@in.wav", "-"}, 2, {}, {"--json"}, kOut},
    {"NearEffectForFiles", "", {"process", "nois-gate", "@in.wav", "out.wav"}, 2, {}, {"noise-gate"}, kOut},
    {"NearSettingForFiles", "", {"process", "noise-gate", "--set", "thresold=1", "@in.wav", "out.wav"}, 2, {}, {"threshold"}, kOut},
    {"NearValueName", "", {"process", "parametric-eq", "--set", "type=bandpas", "@in.wav", "out.wav"}, 2, {}, {"band-pass"}, kOut},
    {"NearQuiet", "", {"process", "noise-gate", "--quite", "@in.wav", "out.wav"}, 2, {}, {"--quiet"}, kOut},
    {"StatsTakesNoValue", "", {"process", "noise-gate", "--stats=yes", "@in.wav", "out.wav"}, 2, {}, {"--stats"}, kOut},
    {"ThenWithoutAnEffect", "", {"process", "noise-gate", "then", "@in.wav", "out.wav"}, 2, {}, {"in.wav"}, kOut},
    {"ThenAtTheEnd", "", {"process", "noise-gate", "@in.wav", "out.wav", "then"}, 2, {}, {"<effect>"}, kOut},
    {"NoAutomationInTheGate", "", {"process", "noise-gate", "--automate", "threshold=0:-30", "@in.wav", "out.wav"}, 2, {}, {"noise-gate has no automatable settings"}, kOut},
    // A summary on standard output, no progress when standard error is no terminal.
    {"LongFileSummary", "", {"process", "noise-gate", "@long.wav", "out.wav"}, 0,
     {"noise-gate: 120,000 frames (15.00 s at 8,000 Hz) written to out.wav\n"}, {}, kErr, "out.wav", {}, {}, 120000},
    // Records: what the effect itself saves, presets by number or name (later options win), clamped values said.
    {"RecordPresetAndSetting", "", {"record", "noise-gate", "--preset", "4", "--set", "attack=20", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"noise-gate", 4, {"attack=20"}}},
    {"RecordPresetByNameWins", "", {"record", "noise-gate", "--set=attack=50", "--preset", "slow ATTACK", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"noise-gate", 6}},
    {"RecordClampedWithAWarning", "", {"record", "noise-gate", "--set", "threshold=5", "a.rec"}, 0, {}, {"orlofx: warning: threshold=5", "using 0"}, 0, "a.rec", {}, {"noise-gate", 0, {"threshold=0"}}},
    {"RecordHugeNumberClamped", "", {"record", "noise-gate", "--set", "release=99999999999999999999999", "a.rec"}, 0, {}, {"using 5000"}, 0, "a.rec", {}, {"noise-gate", 0, {"release=5000"}}},
    {"RecordClampedPoints", "", {"record", "graphic-eq", "--set", "points=0:0,20000:900", "a.rec"}, 0, {}, {"using 0:0,10000:400"}, 0, "a.rec", {}, {"graphic-eq", 0, {"points=0:0,10000:400"}}},
    {"RecordDrivesProcessing", "", {"process", "noise-gate", "--record", "@shut.rec", "@in.wav", "out.wav"}, 0, {}, {}, 0, "out.wav", {}, {}, 800, true},
    {"RecordHasNoTime", "", {"record", "noise-gate", "--at", "1:attack=10", "a.rec"}, 2, {}, {}, 0},
    // Values that choose one of a few, by name in the tool's language or in English.
    {"RecordBandGain", "", {"record", "graphic-eq", "--set", "band10_gain=-120", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"graphic-eq", 0, {"band10_gain=-120"}}},
    {"ValueNameEnglish", "", {"record", "parametric-eq", "--set", "type=band-pass", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"parametric-eq", 0, {"type=2"}}},
    {"ValueNameAsShown", "", {"record", "parametric-eq", "--set", "type=Band Pass", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"parametric-eq", 0, {"type=2"}}},
    {"ValueNameAccuracy", "", {"record", "parametric-eq", "--set", "accuracy=high", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"parametric-eq", 0, {"accuracy=2"}}},
    {"ValueNameGerman", "", {"--lang", "de", "record", "parametric-eq", "--set", "type=bandsperre", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"parametric-eq", 0, {"type=3"}}},
    {"ValueNameEnglishUnderGerman", "", {"--lang", "de", "record", "parametric-eq", "--set", "type=band-notch", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"parametric-eq", 0, {"type=3"}}},
    {"ValueNameBandType", "", {"record", "multiband-dynamics", "--set", "band2_type=high-shelf", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"multiband-dynamics", 0, {"band2_type=2"}}},
    {"ValueNameSwitch", "", {"record", "graphic-dynamics", "--set", "auto_gain=on", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"graphic-dynamics", 0, {"auto_gain=1"}}},
    {"ValueNameFrench", "", {"--lang", "fr", "record", "paragraphic-eq", "--set", "low_shelf_enable=oui", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"paragraphic-eq", 0, {"low_shelf_enable=1"}}},
    {"ValueNameJapanese", "", {"--lang", "ja", "record", "graphic-eq", "--set", "accuracy=低", "a.rec"}, 0, {}, {}, 0, "a.rec", {}, {"graphic-eq", 0, {"accuracy=0"}}},
    // Damaged records: refused, nothing written.
    {"RecordTruncated", "", {"process", "noise-gate", "--record", "@truncated.rec", "@in.wav", "out.wav"}, 1, {}, {"too short"}, 0},
    {"RecordCutInItsHead", "", {"process", "noise-gate", "--record", "@head.rec", "@in.wav", "out.wav"}, 1, {}, {"too short"}, 0},
    {"RecordTooLong", "", {"process", "noise-gate", "--record", "@longer.rec", "@in.wav", "out.wav"}, 1, {}, {"longer than one record"}, 0},
    {"RecordWrongSize", "", {"process", "noise-gate", "--record", "@size.rec", "@in.wav", "out.wav"}, 1, {}, {"wrong size or tag"}, 0},
    {"RecordWrongTag", "", {"process", "noise-gate", "--record", "@tag.rec", "@in.wav", "out.wav"}, 1, {}, {"wrong size or tag"}, 0},
    {"RecordGarbage", "", {"process", "noise-gate", "--record", "@garbage.rec", "@in.wav", "out.wav"}, 1, {}, {"wrong size or tag"}, 0},
    {"RecordAbsent", "", {"process", "noise-gate", "--record", "absent.rec", "@in.wav", "out.wav"}, 1, {}, {"absent.rec"}, 0},
    // Point lists: the faulty point named, nothing written.
    {"PointsNotXY", "", {"record", "graphic-eq", "--set", "points=0:0,abc,10000:0", "a.rec"}, 2, {}, {"point 2 (\"abc\") is not x:y"}, 0},
    {"PointsTooFew", "", {"record", "graphic-eq", "--set", "points=0:0", "a.rec"}, 2, {}, {"takes 2 to 64 points"}, 0},
    {"PointsDescending", "", {"record", "graphic-eq", "--set", "points=0:0,5000:0,4000:0", "a.rec"}, 2, {}, {"point 3 has a lower x"}, 0},
    // --at: refused changes leave no output.
    {"AtUnknownSetting", "", {"process", "noise-gate", "--at", "1:loudness=3", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "loudness"}, 0},
    {"AtNotANumber", "", {"process", "noise-gate", "--at", "1:attack=fast", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "attack=fast"}, 0},
    {"AtWithoutTime", "", {"process", "noise-gate", "--at", "attack=10", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "attack=10"}, 0},
    {"AtTimeNotANumber", "", {"process", "noise-gate", "--at", "soon:attack=10", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "soon:attack=10"}, 0},
    {"AtBeforeTheStart", "", {"process", "noise-gate", "--at", "-1:attack=10", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "2.50 s"}, 0},
    {"AtAfterTheEnd", "", {"process", "noise-gate", "--at", "2.6:attack=10", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "2.50 s"}, 0},
    {"AtOutOfOrder", "", {"process", "noise-gate", "--at", "2:attack=10", "--at", "1:attack=20", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "1:attack=20"}, 0},
    {"AtUnknownPreset", "", {"process", "noise-gate", "--at", "1:preset=Loudest", "@float.wav", "out.wav"}, 2, {}, {"^orlofx: error: ", "Loudest"}, 0},
    {"AtAbsentRecord", "", {"process", "noise-gate", "--at", "1:record=absent.rec", "@float.wav", "out.wav"}, 1, {}, {"^orlofx: error: ", "absent.rec"}, 0},
    // The response: text in the locale's numbers, CSV in plain ones.
    {"ResponseText", "LC_ALL=C.UTF-8", {"response", "parametric-eq", "--rate", "44100", "--points", "3"}, 0, {"22,050.0", "response of the filter the settings build"}, {}, 0},
    {"ResponseTextGerman", "LC_ALL=de_DE.UTF-8", {"response", "parametric-eq", "--rate", "44100", "--points", "3"}, 0, {"22.050,0"}, {}, 0},
    {"ResponseCsvGerman", "LC_ALL=de_DE.UTF-8", {"response", "parametric-eq", "--rate", "44100", "--points", "3", "--csv=de.csv"}, 0, {}, {}, 0, "de.csv", {"frequency_hz,gain_db\n", "22050.000,"}},
    {"ResponseMeasured", "", {"response", "noise-gate", "--rate", "44100", "--points", "5"}, 0, {"measured from the impulse response"}, {}, 0},
};
// clang-format on

void PrintTo(const Command& c, std::ostream* os) { *os << c.name; }

void ExpectHolds(const std::string& text, const std::vector<std::string>& parts) {
  for (const std::string& part : parts) {
    const bool found = part[0] == '^' ? text.rfind(part.substr(1), 0) == 0 : text.find(part.substr(part[0] == '!')) != std::string::npos;
    EXPECT_EQ(found, part[0] != '!') << part << " in\n" << text;
  }
}

class CliCommand : public CliTest, public testing::WithParamInterface<Command> {
 protected:
  // Inputs shared by every row, made once.
  static void SetUpTestSuite() {
    inputs_ = fs::temp_directory_path() / ("orlofx-cli-inputs-" + std::to_string(getpid()));
    fs::create_directories(inputs_);
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> loud(-30000, 30000);
    std::vector<std::int16_t> noise(8000 * 15);
    for (std::int16_t& s : noise) s = static_cast<std::int16_t>(loud(rng));
    WriteSound(inputs_ / "long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, noise);
    noise.resize(800);
    WriteSound(inputs_ / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, noise);
    WriteSound(inputs_ / "float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 22050, std::vector<float>(2 * 22050 * 5 / 2, 0.25f));
    std::ofstream(inputs_ / "text.wav") << "not a sound\n";
    std::string good = RecordOf({"noise-gate"});
    WriteText("shut.rec", RecordOf({"noise-gate", 0, {"threshold=0"}}));  // the noise stays below 0 dB
    WriteText("truncated.rec", good.substr(0, 28));
    WriteText("head.rec", good.substr(0, 7));
    WriteText("longer.rec", good + '\0');
    WriteText("size.rec", char(33) + good.substr(1));
    WriteText("tag.rec", good.substr(0, 4) + char(good[4] ^ '\xFF') + good.substr(5));
    std::string garbage(4000, ' ');
    for (char& c : garbage) c = static_cast<char>(rng());
    WriteText("garbage.rec", garbage);
  }
  static void TearDownTestSuite() { fs::remove_all(inputs_); }
  static void WriteText(const std::string& name, const std::string& text) {
    std::ofstream(inputs_ / name, std::ios::binary) << text;
  }
  static fs::path inputs_;
};
fs::path CliCommand::inputs_;

TEST_P(CliCommand, EndsWithItsStatusAndSaysAndWritesWhatItMust) {
  const Command& c = GetParam();
  if (c.existing) std::ofstream(Path(c.existing)) << "\x01\x02\x03";
  std::map<std::string, std::string> before = Contents();
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(a[0] == '@' ? (inputs_ / a.substr(1)).string() : a);
  // Exactly the locale variables of the row, the others unset.
  const CliResult r = Run(args, "", "", std::string("env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE ") + c.environment);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  ExpectHolds(r.out, c.out);
  ExpectHolds(r.err, c.err);
  EXPECT_TRUE(c.exitCode != 2 || !r.err.empty()) << "a usage error says nothing";
  EXPECT_TRUE(!(c.quiet & kOut) || r.out.empty()) << r.out;
  EXPECT_TRUE(!(c.quiet & kErr) || r.err.empty()) << r.err;
  std::map<std::string, std::string> after = Contents();
  if (!c.writes) {
    EXPECT_EQ(after, before) << "the run changed the folder";
    return;
  }
  ASSERT_EQ(after.count(c.writes), 1u) << c.writes << " not written";
  const std::string written = after[c.writes];
  after.erase(c.writes);
  before.erase(c.writes);
  EXPECT_EQ(after, before) << "the run wrote more than " << c.writes;
  ExpectHolds(written, c.fileHolds);
  EXPECT_TRUE(!c.record.effect || written == RecordOf(c.record)) << "not the record the effect saves";
  if (c.frames) {
    SF_INFO info;
    const std::vector<float> sound = ReadSound<float>(Path(c.writes), &info);
    EXPECT_EQ(info.frames, c.frames);
    EXPECT_TRUE(!c.silent || std::count(sound.begin(), sound.end(), 0.0f) == static_cast<long>(sound.size())) << "not silent";
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, CliCommand, testing::ValuesIn(kCommands),
                         [](const testing::TestParamInfo<Command>& row) { return row.param.name; });

}  // namespace
}  // namespace orlofx

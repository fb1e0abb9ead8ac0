// The orlofx tool's commands that need no sound file: one row per command
// line, with the environment it runs in, the exit status it must end with,
// and texts its standard output and standard error must hold. A usage error
// (status 2) always says something on standard error.
#include <string>
#include <vector>

#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

using namespace cli_test;

struct Command {
  const char* name;
  const char* environment;
  std::vector<std::string> args;
  int exitCode;
  std::vector<std::string> out;  // texts standard output holds
  std::vector<std::string> err;  // texts standard error holds ("!text": must not hold)
  bool quietOut;                 // nothing on standard output
};

// One row per line: name, locale variables, arguments, status, texts on
// standard output, texts on standard error, nothing on standard output.
// clang-format off
const Command kCommands[] = {
    {"List", "", {"list"}, 0, {"noise-gate", "Orlo Noise Gate", "Slow attack", "parametric-eq", "graphic-eq"}, {}, false},
    {"InfoRangesDefaultsAndTag", "", {"info", "noise-gate"}, 0,
     {"threshold    -800 to 0 tenths of a dB, default -200", "attack       1 to 500 ms, default 3",
      "{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912}"}, {}, false},
    {"InfoPointListOnce", "", {"info", "graphic-eq"}, 0, {"points", "default 0:0,10000:0", "band20_gain", "two views of one curve"}, {}, false},
    {"InfoValueNames", "", {"info", "parametric-eq"}, 0, {"0 low-shelf, 1 high-shelf, 2 band-pass, 3 band-notch"}, {}, false},
    {"InfoValueNamesInTheLanguage", "", {"--lang", "de", "info", "multiband-dynamics"}, 0, {"0 low-shelf, 1 bandsperre"}, {}, false},
    {"Presets", "", {"presets", "noise-gate"}, 0, {" 0  (Default)\n", " 6  Slow attack\n"}, {}, false},
    {"Help", "", {"--help"}, 0, {"orlofx process <effect>"}, {}, false},
    {"Version", "", {"--version"}, 0, {"orlofx "}, {}, false},
    // Languages: the option in every spelling, then the locale variables.
    {"LangDe", "LANG=fr_FR.UTF-8", {"--lang", "de", "presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, false},
    {"LangFr", "LANG=fr_FR.UTF-8", {"presets", "noise-gate", "--lang=fr"}, 0, {" 0  (Par défaut)\n"}, {}, false},
    {"LangJaLocaleName", "LANG=fr_FR.UTF-8", {"--lang", "ja_JP.UTF-8", "presets", "noise-gate"}, 0, {" 0  (デフォルト)\n"}, {}, false},
    {"LangNumber", "LANG=fr_FR.UTF-8", {"--language", "1031", "presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, false},
    {"LangTag", "LANG=fr_FR.UTF-8", {"--language=de-DE", "presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, false},
    {"LangEn", "LANG=fr_FR.UTF-8", {"--lang", "en", "presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, false},
    {"LangMessages", "", {"--lang", "de", "info", "no-such-effect"}, 2, {}, {"unbekannter Effekt: no-such-effect"}, true},
    {"LangHelp", "", {"--lang", "ja", "--help"}, 0, {"使用法:", "--lang <言語>"}, {}, false},
    {"LocaleDefault", "", {"presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, false},
    {"LocaleLang", "LANG=de_DE.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Standard)\n"}, {}, false},
    {"LocaleMessagesBeforeLang", "LANG=de_DE.UTF-8 LC_MESSAGES=fr_FR.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Par défaut)\n"}, {}, false},
    {"LocaleAllFirst", "LC_ALL=C LANG=de_DE.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, false},
    {"LocaleUnknownIsEnglish", "LANG=es_ES.UTF-8", {"presets", "noise-gate"}, 0, {" 0  (Default)\n"}, {}, false},
    {"OptionBeatsLocale", "LC_ALL=de_DE.UTF-8", {"--lang", "ja", "presets", "noise-gate"}, 0, {" 0  (デフォルト)\n"}, {}, false},
    {"UnknownLanguage", "", {"--lang", "klingon", "list"}, 2, {}, {"unknown language: klingon"}, true},
    {"UnknownLanguageInTheLocale", "LANG=fr_FR.UTF-8", {"list", "--lang=es"}, 2, {}, {"langue inconnue : es"}, true},
    {"LanguageMissing", "", {"list", "--lang"}, 2, {}, {"--lang"}, true},
    // Usage mistakes.
    {"NoCommand", "", {}, 2, {}, {}, false},
    {"UnknownCommand", "", {"frobnicate"}, 2, {}, {}, false},
    {"UnknownEffect", "", {"process", "reverb", "a.wav", "b.wav"}, 2, {}, {}, false},
    {"OneFile", "", {"process", "noise-gate", "a.wav"}, 2, {}, {}, false},
    {"ThreeFiles", "", {"process", "noise-gate", "a.wav", "b.wav", "c.wav"}, 2, {}, {}, false},
    {"UnknownSetting", "", {"process", "noise-gate", "--set", "ratio=2", "a.wav", "b.wav"}, 2, {}, {}, false},
    {"NotANumber", "", {"process", "noise-gate", "--set", "attack=fast", "a.wav", "b.wav"}, 2, {}, {}, false},
    {"NoValue", "", {"process", "noise-gate", "--set", "attack", "a.wav", "b.wav"}, 2, {}, {}, false},
    {"PresetIndexTooHigh", "", {"process", "noise-gate", "--preset", "7", "a.wav", "b.wav"}, 2, {}, {}, false},
    {"PresetNameUnknown", "", {"process", "noise-gate", "--preset", "Loudest", "a.wav", "b.wav"}, 2, {}, {}, false},
    {"PresetWithoutValue", "", {"process", "noise-gate", "a.wav", "b.wav", "--preset"}, 2, {}, {}, false},
    {"RecordWithoutFile", "", {"record", "noise-gate"}, 2, {}, {}, false},
    {"InfoWithoutEffect", "", {"info"}, 2, {}, {}, false},
    {"ListWithArgument", "", {"list", "extra"}, 2, {}, {}, false},
    // Names near a known one get it suggested; nothing near, no guess.
    {"NearCommand", "", {"proces"}, 2, {}, {"did you mean process?"}, false},
    {"NearEffect", "", {"info", "grafic-eq"}, 2, {}, {"did you mean graphic-eq?"}, false},
    {"NearEffectInAChain", "", {"process", "noise-gate", "then", "paragrafic-eq", "a.wav", "b.wav"}, 2, {}, {"did you mean paragraphic-eq?"}, false},
    {"NearSetting", "", {"record", "graphic-dynamics", "--set", "ouptut_gain=3", "x.rec"}, 2, {}, {"did you mean output_gain?"}, false},
    {"NearPreset", "", {"record", "noise-gate", "--preset", "Noise gat 1", "x.rec"}, 2, {}, {"did you mean Noise gate 1?"}, false},
    {"NearOption", "", {"process", "noise-gate", "--jsn", "r.json", "a.wav", "b.wav"}, 2, {}, {"did you mean --json?"}, false},
    {"NothingNear", "", {"info", "reverb"}, 2, {}, {"!did you mean"}, false},
    {"NearFormat", "", {"process", "noise-gate", "--format", "flaot", "a.wav", "b.wav"}, 2, {}, {"did you mean float?"}, false},
    // The response command's options.
    {"ResponseWithoutRate", "", {"response", "parametric-eq"}, 2, {}, {"--rate"}, true},
    {"ResponseRateTooLow", "", {"response", "parametric-eq", "--rate", "12"}, 2, {}, {"--rate expects"}, true},
    {"ResponseRateNotANumber", "", {"response", "parametric-eq", "--rate", "44.1k"}, 2, {}, {"--rate expects"}, true},
    {"ResponseOnePoint", "", {"response", "parametric-eq", "--rate", "44100", "--points", "1"}, 2, {}, {"--points expects"}, true},
    {"ResponseExtraArgument", "", {"response", "parametric-eq", "--rate", "44100", "extra"}, 2, {}, {"too many arguments"}, true},
    {"ResponseUnknownEffect", "", {"response", "no-such-effect", "--rate", "44100"}, 2, {}, {"unknown effect"}, true},
    {"ResponseUnknownSetting", "", {"response", "parametric-eq", "--rate", "44100", "--set", "nonsense=1"}, 2, {}, {"unknown setting"}, true},
};
// clang-format on

void PrintTo(const Command& c, std::ostream* os) { *os << c.name; }

class CliCommand : public CliTest, public testing::WithParamInterface<Command> {};

TEST_P(CliCommand, EndsWithItsStatusAndSaysWhatItMust) {
  const Command& c = GetParam();
  // Exactly the locale variables of the row, the others unset.
  const CliResult r =
      Run(c.args, "", "", std::string("env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE ") + c.environment);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  for (const std::string& text : c.out)
    EXPECT_NE(r.out.find(text), std::string::npos) << text << " in\n" << r.out;
  for (const std::string& text : c.err) {
    if (text[0] == '!')
      EXPECT_EQ(r.err.find(text.substr(1)), std::string::npos) << text << " in\n" << r.err;
    else
      EXPECT_NE(r.err.find(text), std::string::npos) << text << " in\n" << r.err;
  }
  if (c.exitCode == 2) {
    EXPECT_NE(r.err, "");
  }
  if (c.quietOut) {
    EXPECT_EQ(r.out, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, CliCommand, testing::ValuesIn(kCommands),
                         [](const testing::TestParamInfo<Command>& row) { return row.param.name; });

}  // namespace
}  // namespace orlofx

// Named string ids, for code that would otherwise spell the numbers. The
// texts are in strings_1033.inc and its translations; LoadString(id) reads
// them in the current language.
#pragma once

namespace orlofx::sid {

// Page titles and display names.
constexpr int kNoiseGateTitle = 1001;
constexpr int kNoiseGateName = 1014;            // "Orlo Noise Gate"
constexpr int kParagraphicEqTitle = 3002;
constexpr int kParametricEqTitle = 4000;
constexpr int kGraphicEq10BandTitle = 6000;
constexpr int kGraphicEq20BandTitle = 6001;
constexpr int kGraphicEqEnvelopeTitle = 6002;
constexpr int kGraphicDynamicsName = 7004;
constexpr int kMultiBandDynamicsName = 7005;
constexpr int kParametricEqName = 7006;
constexpr int kParagraphicEqName = 7007;
constexpr int kGraphicEqName = 7008;
constexpr int kGraphicDynamicsTitle = 7010;
constexpr int kMultiBandBands12Title = 7011;
constexpr int kMultiBandBands34Title = 7012;

// Page menu, About box and logo bar.
constexpr int kPresets = 7000;
constexpr int kHelp = 7001;
constexpr int kAboutMenu = 7003;                 // "About..."
constexpr int kVersionLine = 7009;               // "Version %u.%u.%.03u (%s)"
constexpr int kAboutButton = 7091;
constexpr int kHelpButton = 7092;                // "?"
constexpr int kMakerSite = 7454;                 // the maker's web address

// Preset names. Every effect's presets 0 and 1 are kPresetDefault and
// kPresetDefaultAll; the remaining rows of each table follow.
constexpr int kPresetDefault = 7020;
constexpr int kPresetDefaultAll = 7021;
constexpr int kGraphicDynamicsPreset2 = 7022;    // presets 2-10: 7022-7030
constexpr int kMultiBandPresetAntiDtmf = 7068;   // preset 2, shared with the Paragraphic EQ
constexpr int kMultiBandPreset3 = 7031;          // presets 3-5: 7031-7033
constexpr int kGraphicEqPreset2 = 7035;          // presets 2-8: 7035-7041
constexpr int kNoiseGatePreset2 = 7059;          // presets 2-6: 7059-7063
constexpr int kParagraphicEqPreset2 = 7064;      // presets 2-12: 7064-7074
constexpr int kParametricEqPreset2 = 7075;       // presets 2-5: 7075-7078

// Combo items and texts the pages set at run time.
constexpr int kGraphicEqAccuracyLow = 7042;      // 7042-7044, item data 0-2
constexpr int kGraphicEqReadout = 7045;          // "%s Hz, %s dB"
constexpr int kRatioInfinite = 7046;             // "Inf.:1"
constexpr int kRatioFormat = 7047;               // "%s :1"
constexpr int kGainReadout = 7048;               // "Gain of %s at %s, %s"
constexpr int kBandCaptionBelow = 7049;          // by band type: 7049-7051
constexpr int kMeterSourceInput = 7052;
constexpr int kMeterSourceOutput = 7053;
constexpr int kBandTypeLowShelf = 7054;          // band types 0-2: 7054-7056
constexpr int kSuffixDecibel = 7057;             // " dB"
constexpr int kSuffixOctave = 7058;              // " oct"
constexpr int kFilterTypeLowShelf = 7079;        // filter types 0-3: 7079-7082
constexpr int kParametricAccuracyLow = 7083;     // 7083-7085, item data 0-2
constexpr int kCutoffFrequencyLabel = 7086;
constexpr int kTransitionWidthLabel = 7087;
constexpr int kCenterFrequencyLabel = 7088;
constexpr int kBandWidthLabel = 7089;

// Automation labels, units and value names.
constexpr int kParamAttack = 7093;
constexpr int kParamRelease = 7094;
constexpr int kParamAutoGain = 7095;
constexpr int kParamSyncStereoGain = 7096;
constexpr int kParamOutputGain = 7097;
constexpr int kParamBypass = 7098;
constexpr int kParamBandFirst = 7099;            // Multi-Band parameter i < 40: 7099 + i
constexpr int kParamStereoSyncChannels = 7139;
constexpr int kUnitMilliseconds = 7140;
constexpr int kUnitDecibels = 7141;
constexpr int kUnitHertz = 7142;
constexpr int kUnitOctaves = 7143;
constexpr int kBandTypeValues = 7144;            // comma-separated, for GetParamText

// Command-line tool messages shared by its commands (its own texts, 9200 on,
// are named in cli/cli_text.h).
constexpr int kCliUnknownCommand = 9100;
constexpr int kCliUnknownEffect = 9101;
constexpr int kCliUnknownSetting = 9102;
constexpr int kCliUnknownPreset = 9103;
constexpr int kCliMissingArgument = 9104;
constexpr int kCliInvalidValue = 9105;
constexpr int kCliProcessingError = 9110;

// Value texts.
constexpr int kMeterMinusInfinity = 48262;       // "-Inf."
constexpr int kMeterClip = 48263;                // "Clip"
constexpr int kValueError = 48377;               // "Err."
constexpr int kLevelMinusInfinity = 48378;       // "-Inf."
constexpr int kMeterPlusInfinity = 48508;        // "+Inf."

}  // namespace orlofx::sid

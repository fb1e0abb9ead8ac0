#include "cli/file_types.h"

#include <cctype>

#include "cli/cli_text.h"

namespace orlofx::cli {

namespace {

const FileType kTypes[] = {
    {"wav", SF_FORMAT_WAV, 0, "wav wave"},
    {"wavex", SF_FORMAT_WAVEX, 0, ""},
    {"flac", SF_FORMAT_FLAC, 0, "flac"},
    {"aiff", SF_FORMAT_AIFF, 0, "aif aiff aifc"},
    {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS, "ogg oga"},
    {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, "opus"},
    {"w64", SF_FORMAT_W64, 0, "w64"},
    {"rf64", SF_FORMAT_RF64, 0, "rf64"},
    {"caf", SF_FORMAT_CAF, 0, "caf"},
    {"au", SF_FORMAT_AU, 0, "au snd"},
    {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, "mp3"},
};

struct NamedSubtype {
  const char* name;
  int subtype;
};

const NamedSubtype kSubtypes[] = {
    {"pcm8", SF_FORMAT_PCM_U8},  {"pcm16", SF_FORMAT_PCM_16}, {"pcm24", SF_FORMAT_PCM_24},
    {"pcm32", SF_FORMAT_PCM_32}, {"float", SF_FORMAT_FLOAT},  {"double", SF_FORMAT_DOUBLE},
    {"vorbis", SF_FORMAT_VORBIS}, {"opus", SF_FORMAT_OPUS},
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Writable(int format, const SF_INFO& input) {
  SF_INFO info{};
  info.format = format;
  info.channels = input.channels;
  info.samplerate = input.samplerate;
  return sf_format_check(&info) == SF_TRUE;
}

// The --format names of the sample formats `major` can hold at the input's
// channels and rate, for the message that asks for one.
std::string HeldFormats(int major, const SF_INFO& input) {
  std::string list;
  for (const NamedSubtype& s : kSubtypes) {
    const std::optional<int> subtype = SubtypeNamed(s.name, major);
    if (subtype && Writable(major | *subtype, input)) list += (list.empty() ? "" : ", ") + std::string(s.name);
  }
  return list;
}

}  // namespace

const FileType* FileTypeNamed(const std::string& name) {
  const std::string wanted = Lower(name);
  for (const FileType& t : kTypes)
    if (wanted == t.name) return &t;
  return nullptr;
}

const FileType* FileTypeOfPath(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  const std::string extension = " " + Lower(path.substr(dot + 1)) + " ";
  if (extension == "  ") return nullptr;
  for (const FileType& t : kTypes)
    if ((" " + std::string(t.extensions) + " ").find(extension) != std::string::npos) return &t;
  return nullptr;
}

std::string FileTypeNames() {
  std::string list;
  for (const FileType& t : kTypes) list += (list.empty() ? "" : ", ") + std::string(t.name);
  return list;
}

std::string TypeNameOf(int sfFormat) {
  const int major = sfFormat & SF_FORMAT_TYPEMASK, sub = sfFormat & SF_FORMAT_SUBMASK;
  for (const FileType& t : kTypes)
    if (t.major == major && (major != SF_FORMAT_OGG || t.codec == sub)) return t.name;
  return LibraryFormatName(major);
}

SampleLayout LayoutOf(int sfFormat) {
  switch (sfFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_DPCM_8:
      return {SampleKind::kInteger, 8};
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ALAC_16:
    case SF_FORMAT_DPCM_16:
    case SF_FORMAT_DWVW_16:
      return {SampleKind::kInteger, 16};
    case SF_FORMAT_ALAC_20:
      return {SampleKind::kInteger, 20};
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_ALAC_24:
    case SF_FORMAT_DWVW_24:
      return {SampleKind::kInteger, 24};
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
      return {SampleKind::kInteger, 32};
    case SF_FORMAT_FLOAT:
      return {SampleKind::kFloat, 0};
    case SF_FORMAT_DOUBLE:
      return {SampleKind::kDouble, 0};
    default:
      return {SampleKind::kCoded, 0};
  }
}

std::optional<int> SubtypeNamed(const std::string& name, int major) {
  const std::string wanted = Lower(name);
  for (const NamedSubtype& s : kSubtypes) {
    if (wanted != s.name) continue;
    // Only WAV (and its relatives) store 8-bit samples unsigned.
    const bool unsignedBytes = major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX ||
                               major == SF_FORMAT_W64 || major == SF_FORMAT_RF64;
    if (s.subtype == SF_FORMAT_PCM_U8 && !unsignedBytes) return SF_FORMAT_PCM_S8;
    return s.subtype;
  }
  return std::nullopt;
}

std::string SubtypeNames() {
  std::string list;
  for (const NamedSubtype& s : kSubtypes) list += (list.empty() ? "" : ", ") + std::string(s.name);
  return list;
}

std::string LibraryFormatName(int format) {
  SF_FORMAT_INFO info{};
  info.format = format;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
    return info.name;
  return "0x" + std::to_string(format);
}

int ChooseOutputFormat(const FileType& type, bool typeNamed, std::optional<int> subtype,
                       const SF_INFO& input, std::string* message) {
  int major = type.major;
  const int inputMajor = input.format & SF_FORMAT_TYPEMASK;
  if (!typeNamed && major == SF_FORMAT_WAV &&
      (inputMajor == SF_FORMAT_WAVEX || (inputMajor != SF_FORMAT_WAV && input.channels > 2)))
    major = SF_FORMAT_WAVEX;

  int chosen = 0;
  if (subtype) {
    chosen = *subtype;
  } else if (type.codec) {
    chosen = type.codec;
  } else {
    const int own = input.format & SF_FORMAT_SUBMASK;
    const bool coded = LayoutOf(own).kind == SampleKind::kCoded;
    // A coded input has no sample format a lossless type could keep: its
    // decoded samples are floats, kept as exactly as the type allows.
    const int codedChoices[] = {SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16};
    const int eightBit = own == SF_FORMAT_PCM_U8 ? SF_FORMAT_PCM_S8
                                                 : (own == SF_FORMAT_PCM_S8 ? SF_FORMAT_PCM_U8 : own);
    const int ownChoices[] = {own, eightBit};
    const int* choices = coded ? codedChoices : ownChoices;
    const int count = coded ? 3 : 2;
    for (int i = 0; i < count && !chosen; ++i)
      if (Writable(major | choices[i], input)) chosen = choices[i];
    if (!chosen) {
      *message = Text(text::kTypeCannotHold,
                      {type.name, LibraryFormatName(own), HeldFormats(major, input)});
      return -1;
    }
  }
  if (!Writable(major | chosen, input)) {
    *message = Text(text::kCannotWriteFormat,
                    {LibraryFormatName(major), LibraryFormatName(chosen),
                     std::to_string(input.channels), std::to_string(input.samplerate),
                     HeldFormats(major, input)});
    return -1;
  }
  return major | chosen;
}

}  // namespace orlofx::cli

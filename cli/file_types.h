// Sound file types and sample formats by the names users give them, and the
// output format chosen from them and from the input.
//
// The output's type comes from --type or else from the output's extension
// (WAV for standard output). Its sample format comes from --format or else
// from the input: the input's own where the type can hold it (8-bit PCM
// taken as signed or unsigned, whichever the type stores); a lossy-coded
// input becomes float, else 24-bit, else 16-bit PCM; a lossy type takes its
// codec. A lossless input whose format the type cannot hold is refused,
// naming the formats it can.
#pragma once

#include <sndfile.h>

#include <optional>
#include <string>

namespace orlofx::cli {

struct FileType {
  const char* name;        // --type name, e.g. "flac"
  int major;               // libsndfile major format
  int codec;               // the sub format a lossy type always uses; 0 for none
  const char* extensions;  // space-separated, lower case, without the dot
};

// The type called `name` (--type), or the type of a path's extension (any
// case); null when there is none.
const FileType* FileTypeNamed(const std::string& name);
const FileType* FileTypeOfPath(const std::string& path);
// "wav, wavex, flac, ..." for messages and the usage text.
std::string FileTypeNames();

// The --type name of a file's format ("flac", "opus"), or libsndfile's name
// of its major format for a type without one.
std::string TypeNameOf(int sfFormat);

// How the samples of a libsndfile sub format are read and written.
enum class SampleKind {
  kInteger,  // PCM (and lossless codecs of PCM): bits of integer precision
  kFloat,    // 32-bit float
  kDouble,   // 64-bit float
  kCoded,    // lossy or companded codecs: exchanged as float
};
struct SampleLayout {
  SampleKind kind;
  int bits;  // kInteger only: the integer's width
};
SampleLayout LayoutOf(int sfFormat);

// The sub format named by `name` (--format: pcm8, pcm16, pcm24, pcm32,
// float, double, vorbis, opus) as the type `major` stores it (pcm8 is
// unsigned in WAV, signed elsewhere); nullopt for an unknown name.
std::optional<int> SubtypeNamed(const std::string& name, int major);
std::string SubtypeNames();

// libsndfile's own name of a major or sub format ("FLAC (Free Lossless Audio
// Codec)", "Signed 24 bit PCM").
std::string LibraryFormatName(int format);

// The output's libsndfile format (major | sub format), or -1 with a message.
// `subtype` is --format's. A WAV type that was not named but read from the
// extension becomes WAVE_FORMAT_EXTENSIBLE for an input that is so, and for
// an input of another type with more than two channels.
int ChooseOutputFormat(const FileType& type, bool typeNamed, std::optional<int> subtype,
                       const SF_INFO& input, std::string* message);

}  // namespace orlofx::cli

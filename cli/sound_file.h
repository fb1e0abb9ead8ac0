// Sound files through libsndfile, and the frames between them and the
// processors.
//
// Frames travel between file and processors in the processors' interleaved
// layout of one sample format (framework/sample_format.h). They are read and
// written with the libsndfile call that moves the file's samples unchanged:
// integers left-justified in 32 bits for PCM (so that no code is rescaled),
// floats or doubles for float files and lossy codecs. A PCM code becomes the
// value code / 2^(bits-1), exactly as the processors' own readers take it,
// and a value becomes a code rounded to nearest with ties to even and
// clamped, as their writers give it.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/file_types.h"
#include "cli/level_meter.h"
#include "framework/sample_format.h"

namespace orlofx::cli {

class SoundFile {
 public:
  SoundFile() = default;
  ~SoundFile();
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;

  // `path` "-" is standard input, copied to a temporary file first when it
  // cannot seek (libsndfile reads headers and seek tables out of order).
  // False with a message (from the string table) on failure.
  bool OpenForReading(const std::string& path, std::string* message);
  // Writes to an open descriptor, which the file then owns; `shownPath`
  // names it in messages.
  bool OpenForWriting(int fd, const std::string& shownPath, int sfFormat, int channels, int rate,
                      std::string* message);
  // Closes; false if the last writes could not be completed.
  bool Close(std::string* message);

  SNDFILE* handle() const { return handle_; }
  const SF_INFO& info() const { return info_; }
  const std::string& path() const { return path_; }
  SampleLayout layout() const { return LayoutOf(info_.format); }

 private:
  SNDFILE* handle_ = nullptr;
  SF_INFO info_{};
  std::string path_;
  std::FILE* spool_ = nullptr;  // standard input's copy
};

// What frames of `format` and the file's samples meet in: a chunk of the
// samples as libsndfile's call for them fills or takes them.
class FrameBuffer {
 protected:
  FrameBuffer(SoundFile& file, SampleFormat format, std::uint32_t chunkFrames, LevelMeter* meter);

  SoundFile& file_;
  SampleFormat format_;
  std::uint32_t chunk_;
  LevelMeter* meter_;
  // One of them, as the file's samples are read and written.
  std::vector<std::int32_t> integers_;
  std::vector<float> floats_;
  std::vector<double> doubles_;
};

// Reads frames of a file into the interleaved layout of `format`.
class FrameReader : private FrameBuffer {
 public:
  FrameReader(SoundFile& file, SampleFormat format, std::uint32_t chunkFrames, LevelMeter* meter)
      : FrameBuffer(file, format, chunkFrames, meter) {}
  // Up to chunkFrames frames into `out`; the count read, 0 at the end.
  std::uint32_t Read(unsigned char* out);
};

// Writes frames of the interleaved layout of `format` to a file.
class FrameWriter : private FrameBuffer {
 public:
  FrameWriter(SoundFile& file, SampleFormat format, std::uint32_t chunkFrames, LevelMeter* meter)
      : FrameBuffer(file, format, chunkFrames, meter) {}
  // False when libsndfile could not write them all.
  bool Write(const unsigned char* in, std::uint32_t frames);
};

}  // namespace orlofx::cli

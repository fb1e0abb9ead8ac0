// Audio files through libsndfile, mapped onto the wave formats the effects
// accept.
//
// Samples travel between file and processor in the processors' interleaved
// layout, read and written with the libsndfile call that matches the sample
// type exactly (short for 16-bit, int for 32-bit PCM, float, double; raw
// bytes for unsigned 8-bit), so no value is rescaled on the way and the
// layout is right on any host byte order.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>

#include "framework/sample_format.h"

namespace orlofx::cli {

class SoundFile {
 public:
  SoundFile() = default;
  ~SoundFile();
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;

  // False with a message (from the string table) in *message on failure.
  bool OpenForReading(const std::string& path, std::string* message);
  // Writes to an open descriptor, which the file then owns.
  bool OpenForWriting(int fd, const std::string& path, int sfFormat, int channels, int rate,
                      std::string* message);
  // Closes; false if the last writes could not be completed.
  bool Close(std::string* message);

  // The wave format of a file opened for reading, or a message naming what
  // the processors do not accept.
  std::optional<WaveFormat> AcceptedFormat(std::string* message) const;

  SNDFILE* handle() const { return handle_; }
  const SF_INFO& info() const { return info_; }
  const std::string& path() const { return path_; }

 private:
  SNDFILE* handle_ = nullptr;
  SF_INFO info_{};
  std::string path_;
};

// Whole frames moved by the libsndfile call that suits each sample type;
// the count actually moved is returned.
std::int64_t ReadFrames(SNDFILE* f, std::uint8_t* buffer, std::int64_t frames, int channels);
std::int64_t ReadFrames(SNDFILE* f, std::int16_t* buffer, std::int64_t frames, int channels);
std::int64_t ReadFrames(SNDFILE* f, std::int32_t* buffer, std::int64_t frames, int channels);
std::int64_t ReadFrames(SNDFILE* f, float* buffer, std::int64_t frames, int channels);
std::int64_t ReadFrames(SNDFILE* f, double* buffer, std::int64_t frames, int channels);
std::int64_t WriteFrames(SNDFILE* f, const std::uint8_t* buffer, std::int64_t frames, int channels);
std::int64_t WriteFrames(SNDFILE* f, const std::int16_t* buffer, std::int64_t frames, int channels);
std::int64_t WriteFrames(SNDFILE* f, const std::int32_t* buffer, std::int64_t frames, int channels);
std::int64_t WriteFrames(SNDFILE* f, const float* buffer, std::int64_t frames, int channels);
std::int64_t WriteFrames(SNDFILE* f, const double* buffer, std::int64_t frames, int channels);

}  // namespace orlofx::cli

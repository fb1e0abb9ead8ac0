#include "cli/sound_file.h"

#include "cli/cli_text.h"

namespace orlofx::cli {

namespace {

std::optional<SampleFormat> SampleFormatOfSubtype(int sfFormat) {
  switch (sfFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
      return SampleFormat::kPcm8;
    case SF_FORMAT_PCM_16:
      return SampleFormat::kPcm16;
    case SF_FORMAT_PCM_32:
      return SampleFormat::kPcm32;
    case SF_FORMAT_FLOAT:
      return SampleFormat::kFloat32;
    case SF_FORMAT_DOUBLE:
      return SampleFormat::kFloat64;
    default:
      return std::nullopt;
  }
}

// libsndfile's own name of a major or sub format, for the formats we have
// no text of our own for.
std::string LibraryFormatName(int format) {
  SF_FORMAT_INFO info{};
  info.format = format;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
    return info.name;
  return "0x" + std::to_string(format);
}

std::string SubtypeName(int sfFormat) {
  switch (sfFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_24:
      return Text(text::kFormatPcm24);
    case SF_FORMAT_PCM_S8:
      return Text(text::kFormatPcmS8);
    default:
      return LibraryFormatName(sfFormat & SF_FORMAT_SUBMASK);
  }
}

}  // namespace

SoundFile::~SoundFile() {
  if (handle_) sf_close(handle_);
}

bool SoundFile::OpenForReading(const std::string& path, std::string* message) {
  path_ = path;
  info_ = SF_INFO{};
  handle_ = sf_open(path.c_str(), SFM_READ, &info_);
  if (!handle_) {
    *message = Text(text::kCannotOpenInput, {path, sf_strerror(nullptr)});
    return false;
  }
  return true;
}

bool SoundFile::OpenForWriting(int fd, const std::string& path, int sfFormat, int channels,
                               int rate, std::string* message) {
  path_ = path;
  info_ = SF_INFO{};
  info_.format = sfFormat;
  info_.channels = channels;
  info_.samplerate = rate;
  handle_ = sf_open_fd(fd, SFM_WRITE, &info_, SF_TRUE);
  if (!handle_) {
    *message = Text(text::kCannotWrite, {path, sf_strerror(nullptr)});
    return false;
  }
  return true;
}

bool SoundFile::Close(std::string* message) {
  if (!handle_) return true;
  const int error = sf_error(handle_);
  const std::string detail = sf_strerror(handle_);
  const int closed = sf_close(handle_);
  handle_ = nullptr;
  if (error != SF_ERR_NO_ERROR || closed != 0) {
    *message = Text(text::kCannotWrite, {path_, detail});
    return false;
  }
  return true;
}

std::optional<WaveFormat> SoundFile::AcceptedFormat(std::string* message) const {
  const int major = info_.format & SF_FORMAT_TYPEMASK;
  if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) {
    *message = Text(text::kUnsupportedFileType, {path_, LibraryFormatName(major)});
    return std::nullopt;
  }
  const std::optional<SampleFormat> sample = SampleFormatOfSubtype(info_.format);
  if (!sample) {
    *message = Text(text::kUnsupportedSampleFormat, {path_, SubtypeName(info_.format)});
    return std::nullopt;
  }
  if (info_.channels != 1 && info_.channels != 2) {
    *message = Text(text::kUnsupportedChannels, {path_, std::to_string(info_.channels)});
    return std::nullopt;
  }
  return MakeWaveFormat(*sample, info_.channels, static_cast<std::uint32_t>(info_.samplerate));
}

std::int64_t ReadFrames(SNDFILE* f, std::uint8_t* buffer, std::int64_t frames, int channels) {
  return sf_read_raw(f, buffer, frames * channels) / channels;
}
std::int64_t ReadFrames(SNDFILE* f, std::int16_t* buffer, std::int64_t frames, int) {
  return sf_readf_short(f, buffer, frames);
}
std::int64_t ReadFrames(SNDFILE* f, std::int32_t* buffer, std::int64_t frames, int) {
  return sf_readf_int(f, buffer, frames);
}
std::int64_t ReadFrames(SNDFILE* f, float* buffer, std::int64_t frames, int) {
  return sf_readf_float(f, buffer, frames);
}
std::int64_t ReadFrames(SNDFILE* f, double* buffer, std::int64_t frames, int) {
  return sf_readf_double(f, buffer, frames);
}

std::int64_t WriteFrames(SNDFILE* f, const std::uint8_t* buffer, std::int64_t frames,
                         int channels) {
  return sf_write_raw(f, buffer, frames * channels) / channels;
}
std::int64_t WriteFrames(SNDFILE* f, const std::int16_t* buffer, std::int64_t frames, int) {
  return sf_writef_short(f, buffer, frames);
}
std::int64_t WriteFrames(SNDFILE* f, const std::int32_t* buffer, std::int64_t frames, int) {
  return sf_writef_int(f, buffer, frames);
}
std::int64_t WriteFrames(SNDFILE* f, const float* buffer, std::int64_t frames, int) {
  return sf_writef_float(f, buffer, frames);
}
std::int64_t WriteFrames(SNDFILE* f, const double* buffer, std::int64_t frames, int) {
  return sf_writef_double(f, buffer, frames);
}

}  // namespace orlofx::cli

#include "cli/sound_file.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "cli/cli_text.h"

namespace orlofx::cli {

namespace {

constexpr double kLeftJustifiedScale = 1.0 / 2147483648.0;  // 2^-31

// Copies all of standard input to an unnamed temporary file; null with
// errno set when it cannot.
std::FILE* SpoolStandardInput() {
  std::FILE* spool = std::tmpfile();
  if (!spool) return nullptr;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      std::fclose(spool);
      errno = error;
      return nullptr;
    }
    if (std::fwrite(buffer, 1, static_cast<std::size_t>(got), spool) != static_cast<std::size_t>(got)) {
      const int error = errno;
      std::fclose(spool);
      errno = error;
      return nullptr;
    }
  }
  if (std::fflush(spool) != 0 || std::fseek(spool, 0, SEEK_SET) != 0) {
    const int error = errno;
    std::fclose(spool);
    errno = error;
    return nullptr;
  }
  return spool;
}

}  // namespace

SoundFile::~SoundFile() {
  if (handle_) sf_close(handle_);
  if (spool_) std::fclose(spool_);
}

bool SoundFile::OpenForReading(const std::string& path, std::string* message) {
  path_ = path;
  info_ = SF_INFO{};
  if (path != "-") {
    handle_ = sf_open(path.c_str(), SFM_READ, &info_);
  } else if (lseek(STDIN_FILENO, 0, SEEK_CUR) >= 0) {
    handle_ = sf_open_fd(STDIN_FILENO, SFM_READ, &info_, SF_FALSE);
  } else {
    spool_ = SpoolStandardInput();
    if (!spool_) {
      *message = Text(text::kCannotRead, {path, std::strerror(errno)});
      return false;
    }
    handle_ = sf_open_fd(fileno(spool_), SFM_READ, &info_, SF_FALSE);
  }
  if (!handle_) {
    *message = Text(text::kCannotOpenInput, {path, sf_strerror(nullptr)});
    return false;
  }
  return true;
}

bool SoundFile::OpenForWriting(int fd, const std::string& shownPath, int sfFormat, int channels,
                               int rate, std::string* message) {
  path_ = shownPath;
  info_ = SF_INFO{};
  info_.format = sfFormat;
  info_.channels = channels;
  info_.samplerate = rate;
  handle_ = sf_open_fd(fd, SFM_WRITE, &info_, SF_TRUE);
  if (!handle_) {
    close(fd);
    *message = Text(text::kCannotWrite, {shownPath, sf_strerror(nullptr)});
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

// --- frames ------------------------------------------------------------------------

FrameBuffer::FrameBuffer(SoundFile& file, SampleFormat format, std::uint32_t chunkFrames,
                         LevelMeter* meter)
    : file_(file), format_(format), chunk_(chunkFrames), meter_(meter) {
  const std::size_t samples = std::size_t{chunkFrames} * file.info().channels;
  switch (file.layout().kind) {
    case SampleKind::kInteger: integers_.resize(samples); break;
    case SampleKind::kDouble: doubles_.resize(samples); break;
    case SampleKind::kFloat:
    case SampleKind::kCoded: floats_.resize(samples); break;
  }
}

std::uint32_t FrameReader::Read(unsigned char* out) {
  SNDFILE* f = file_.handle();
  sf_count_t got = 0;
  auto store = [&](const auto* samples, double scale) {
    if (meter_) meter_->Add(samples, static_cast<std::size_t>(got));
    const std::size_t count = static_cast<std::size_t>(got) * file_.info().channels;
    WithFormat(format_, [&](auto fmt) {
      constexpr SampleFormat F = decltype(fmt)::value;
      constexpr int kStep = BytesPerSample(F);
      for (std::size_t i = 0; i < count; ++i)
        WriteSampleAs<F, double>(static_cast<double>(samples[i]) * scale, out + i * kStep);
    });
  };
  if (!integers_.empty()) {
    got = sf_readf_int(f, integers_.data(), chunk_);
    store(integers_.data(), kLeftJustifiedScale);
  } else if (!doubles_.empty()) {
    got = sf_readf_double(f, doubles_.data(), chunk_);
    store(doubles_.data(), 1.0);
  } else {
    got = sf_readf_float(f, floats_.data(), chunk_);
    store(floats_.data(), 1.0);
  }
  return got > 0 ? static_cast<std::uint32_t>(got) : 0;
}

bool FrameWriter::Write(const unsigned char* in, std::uint32_t frames) {
  SNDFILE* f = file_.handle();
  const int channels = file_.info().channels;
  const int step = BytesPerSample(format_);
  const SampleLayout layout = file_.layout();
  // Converts `count` interleaved samples with fn(sample as double) into `to`.
  auto convert = [&](std::size_t count, auto* to, auto fn) {
    WithFormat(format_, [&](auto fmt) {
      constexpr SampleFormat F = decltype(fmt)::value;
      constexpr int kStep = BytesPerSample(F);
      for (std::size_t i = 0; i < count; ++i) to[i] = fn(ReadSampleAs<F, double>(in + i * kStep));
    });
  };
  while (frames > 0) {
    const std::uint32_t n = std::min(frames, chunk_);
    const std::size_t count = std::size_t{n} * channels;
    sf_count_t put = 0;
    if (!integers_.empty()) {
      // Codes of `bits` bits, rounded and clamped as the processors' writers
      // do, then left-justified.
      const double full = std::ldexp(1.0, layout.bits - 1);
      const int shift = 32 - layout.bits;
      convert(count, integers_.data(), [full, shift](double x) {
        const double code = sample_io::ClampRound(x * full, -full, full - 1.0);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(code))
                                         << shift);
      });
      if (meter_) meter_->Add(integers_.data(), n);
      put = sf_writef_int(f, integers_.data(), n);
    } else if (!doubles_.empty()) {
      convert(count, doubles_.data(), [](double x) { return x; });
      if (meter_) meter_->Add(doubles_.data(), n);
      put = sf_writef_double(f, doubles_.data(), n);
    } else {
      convert(count, floats_.data(), [](double x) { return static_cast<float>(x); });
      if (meter_) meter_->Add(floats_.data(), n);
      put = sf_writef_float(f, floats_.data(), n);
    }
    if (put != n) return false;
    in += count * step;
    frames -= n;
  }
  return true;
}

}  // namespace orlofx::cli

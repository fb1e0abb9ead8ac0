#include "cli/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/cli_text.h"

namespace orlofx::cli {

namespace {

// The temporary file an interrupt must remove, and the message it prints.
// Written before the handlers can run; read only by them.
char gPendingPath[4096];
char gInterruptedMessage[512];

extern "C" void RemovePendingAndExit(int signal) {
  if (gPendingPath[0]) unlink(gPendingPath);
  ssize_t ignored = write(STDERR_FILENO, gInterruptedMessage, std::strlen(gInterruptedMessage));
  (void)ignored;
  _exit(128 + signal);
}

void WatchInterrupts(const std::string& temporary) {
  std::snprintf(gInterruptedMessage, sizeof gInterruptedMessage, "\norlofx: %s\n",
                Text(text::kErrorPrefix, {Text(text::kInterrupted)}).c_str());
  std::snprintf(gPendingPath, sizeof gPendingPath, "%s", temporary.c_str());
  struct sigaction action {};
  action.sa_handler = RemovePendingAndExit;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
}

void StopWatching() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
  gPendingPath[0] = '\0';
}

std::string Folder(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& destination, std::string* message) {
  Discard();
  destination_ = destination;
  toStandardOutput_ = destination == "-";
  if (toStandardOutput_) {
    std::FILE* spool = std::tmpfile();
    fd_ = spool ? dup(fileno(spool)) : -1;
    const int error = errno;
    if (spool) std::fclose(spool);  // unnamed: the data lives while fd_ is open
    if (fd_ < 0) {
      *message = Text(text::kCannotWrite, {destination, std::strerror(error)});
      return false;
    }
    return true;
  }
  std::string pattern = Folder(destination) + "." + BaseName(destination) + ".XXXXXX";
  if (pattern.size() >= sizeof gPendingPath) {
    *message = Text(text::kCannotWrite, {destination, std::strerror(ENAMETOOLONG)});
    return false;
  }
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // Block the interrupts while the file exists but is not yet registered.
  sigset_t block, previous;
  sigemptyset(&block);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, s);
  sigprocmask(SIG_BLOCK, &block, &previous);
  fd_ = mkstemp(name.data());
  const int error = errno;
  if (fd_ >= 0) {
    temporary_ = name.data();
    pending_ = true;
    WatchInterrupts(temporary_);
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (fd_ < 0) {
    *message = Text(text::kCannotWrite, {destination, std::strerror(error)});
    return false;
  }
  // mkstemp creates the file private; give it the permissions a plain
  // create would have had.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
  return true;
}

int OutputFile::TakeDescriptor() {
  if (toStandardOutput_) return dup(fd_);  // kept, to copy from at the end
  int fd = fd_;
  fd_ = -1;
  return fd;
}

bool OutputFile::WriteAll(const void* bytes, std::size_t size, std::string* message) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    ssize_t n = write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *message = Text(text::kCannotWrite, {destination_, std::strerror(errno)});
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool OutputFile::Commit(std::string* message) {
  if (toStandardOutput_) return CopyToStandardOutput(message);
  if (fd_ >= 0) {
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) {
      *message = Text(text::kCannotWrite, {destination_, std::strerror(errno)});
      Discard();
      return false;
    }
  }
  if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    *message = Text(text::kCannotWrite, {destination_, std::strerror(errno)});
    Discard();
    return false;
  }
  pending_ = false;
  StopWatching();
  return true;
}

bool OutputFile::CopyToStandardOutput(std::string* message) {
  char buffer[65536];
  bool ok = lseek(fd_, 0, SEEK_SET) == 0;
  while (ok) {
    const ssize_t got = read(fd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < got;) {
      const ssize_t n = write(STDOUT_FILENO, buffer + done, static_cast<std::size_t>(got - done));
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      done += n > 0 ? n : 0;
    }
  }
  const int error = errno;
  close(fd_);
  fd_ = -1;
  if (!ok) *message = Text(text::kCannotWrite, {destination_, std::strerror(error)});
  return ok;
}

void OutputFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (pending_) {
    unlink(temporary_.c_str());
    pending_ = false;
    StopWatching();
  }
}

}  // namespace orlofx::cli

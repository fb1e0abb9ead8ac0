// An output file that appears only when it is complete.
//
// The data goes to a temporary file in the destination's folder (so the final
// rename stays on one file system and replaces the destination in one step).
// Until Commit, the temporary file is removed when the object goes away or
// when the tool is interrupted (SIGINT, SIGTERM, SIGHUP): a failed or
// cancelled run leaves no partial output behind.
//
// Standard output works the same way: the data goes to an unnamed temporary
// file (a sound file's header is written last, which a pipe cannot take),
// copied to standard output by Commit; a failed run writes nothing there.
#pragma once

#include <string>

namespace orlofx::cli {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file for `destination` ("-" standard output);
  // false with a message.
  bool Create(const std::string& destination, std::string* message);
  // An open descriptor of the temporary file; whoever takes it over closes it.
  int TakeDescriptor();
  // Writes all of `bytes` to the descriptor (for small files such as records).
  bool WriteAll(const void* bytes, std::size_t size, std::string* message);
  // Closes the descriptor if still held and renames onto the destination, or
  // copies the data to standard output.
  bool Commit(std::string* message);

 private:
  void Discard();
  bool CopyToStandardOutput(std::string* message);

  std::string destination_;
  std::string temporary_;
  int fd_ = -1;
  bool pending_ = false;
  bool toStandardOutput_ = false;
};

}  // namespace orlofx::cli

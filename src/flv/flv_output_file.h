// An output file made in place of another only once it is complete: the bytes
// go to a hidden temporary file in the destination folder, which is renamed
// over the destination when the writer commits. An earlier file of that name
// stays as it was until then, and stays for good when the writing fails.
#pragma once

#include <string>

namespace brelvano {

class FlvOutputFile {
 public:
  FlvOutputFile() = default;
  ~FlvOutputFile();  // discards an uncommitted temporary file
  FlvOutputFile(const FlvOutputFile&) = delete;
  FlvOutputFile& operator=(const FlvOutputFile&) = delete;

  // Creates the temporary file next to path. On failure prints the system
  // error prefixed with path on standard error and returns false.
  bool Create(const std::string& path);
  int fd() const { return fd_; }

  // Closes the temporary file and renames it to the destination. On failure
  // (also when writeError, an errno of the writer, is non-zero) prints the
  // error prefixed with the destination path, removes the temporary file and
  // returns false.
  bool Commit(int writeError);
  // Closes and removes the temporary file.
  void Discard();

 private:
  void Report(int error) const;

  std::string path_;
  std::string tempPath_;
  int fd_ = -1;
};

}  // namespace brelvano

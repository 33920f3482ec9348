// An output file written under a temporary name beside its destination and
// renamed into place only when complete, so that an earlier file is only
// ever replaced by a whole new one, and stays as it was on any failure.
#pragma once

#include <cstdio>
#include <string>

namespace brelvano {

class AtomicOutput {
 public:
  // Through a symbolic link, the file it points to is replaced, not the link.
  explicit AtomicOutput(const std::string& path);
  ~AtomicOutput();  // discards the temporary file unless committed
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  // Creates the temporary file, with the mode of the file it will replace or
  // the one a newly created file gets; null on failure (errno set, and
  // failureReason() says why). A destination that exists and is not a
  // regular file (a folder, a FIFO, a device) is refused, never opened.
  FILE* Open();
  FILE* file() const { return file_; }
  // Flushes, closes and renames into place; with durable, also waits until
  // the content is on disk first (for small files whose loss would hurt,
  // like project files). False on any failure (errno set): the temporary
  // file is gone and the destination untouched.
  bool Commit(bool durable = false);
  void Discard();
  // Why the last Open or Commit failed, as "system error text" or
  // "not a regular file"; without the path.
  const std::string& failureReason() const { return reason_; }

 private:
  std::string target_;
  std::string tempPath_;
  std::string reason_;
  FILE* file_ = nullptr;
};

// The temporary name pattern for a destination: ".NAME.brelvano-PID-XXXXXX"
// in the destination's folder (NAME cut to 200 bytes so that the whole name
// stays within the file system's 255-byte limit), ready for mkstemp.
std::string TemporaryNamePattern(const std::string& destination);

// Creates a new, empty, private temporary file for destination by
// TemporaryNamePattern; its path goes into *tempPath. The descriptor, or -1
// (errno set).
int CreateTemporaryFile(const std::string& destination, std::string* tempPath);

// Removes, in the folder, the temporary files that a process of this
// program left behind when it was killed: names made by
// TemporaryNamePattern whose process no longer exists. Those of running
// processes are never touched. Returns the number removed.
int RemoveStaleTemporaryFiles(const std::string& folder);

}  // namespace brelvano

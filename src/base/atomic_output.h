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
  explicit AtomicOutput(std::string path);
  ~AtomicOutput();  // discards the temporary file unless committed
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  // Creates the temporary file, with the mode of the file it will replace or
  // the one a newly created file gets; null on failure (errno set).
  FILE* Open();
  FILE* file() const { return file_; }
  // Flushes, closes and renames into place; with durable, also waits until
  // the content is on disk first (for small files whose loss would hurt,
  // like project files). False on any failure (errno set): the temporary
  // file is gone and the destination untouched.
  bool Commit(bool durable = false);
  void Discard();

 private:
  std::string target_;
  std::string tempPath_;
  FILE* file_ = nullptr;
};

}  // namespace brelvano

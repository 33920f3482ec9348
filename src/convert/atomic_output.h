// An output file written under a temporary name in its destination folder
// and renamed into place only when complete, so that an earlier output is
// only ever replaced by a whole new one.
#pragma once

#include <cstdio>
#include <string>

namespace brelvano {

class AtomicOutput {
 public:
  explicit AtomicOutput(std::string path);
  ~AtomicOutput();  // discards the temporary file unless committed
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  // Creates the temporary file; null on failure (errno set).
  FILE* Open();
  FILE* file() const { return file_; }
  // Flushes, closes and renames into place; false on any failure (errno set),
  // in which case the temporary file is gone and the destination untouched.
  bool Commit();
  void Discard();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string tempPath_;
  FILE* file_ = nullptr;
};

}  // namespace brelvano

#include "flv/flv_output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace brelvano {

FlvOutputFile::~FlvOutputFile() { Discard(); }

void FlvOutputFile::Report(int error) const {
  std::fprintf(stderr, "%s: %s\n", path_.c_str(), std::strerror(error));
}

bool FlvOutputFile::Create(const std::string& path) {
  Discard();
  path_ = path;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  // O_EXCL with a short name of our own (whatever the length of the real
  // name): never opens someone else's file. The mode is the one fopen gives
  // (0666 less the umask).
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath_ = folder + ".brelvano-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    fd_ = open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) return true;
    if (errno != EEXIST) break;
  }
  const int error = errno;
  tempPath_.clear();
  Report(error);
  return false;
}

bool FlvOutputFile::Commit(int writeError) {
  if (fd_ < 0) return false;
  int error = writeError;
  if (close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && rename(tempPath_.c_str(), path_.c_str()) != 0) error = errno;
  if (error != 0) {
    Report(error);
    unlink(tempPath_.c_str());
    tempPath_.clear();
    return false;
  }
  tempPath_.clear();
  return true;
}

void FlvOutputFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) unlink(tempPath_.c_str());
  tempPath_.clear();
}

}  // namespace brelvano

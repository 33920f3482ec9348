#include "convert/atomic_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace brelvano {

namespace {
constexpr size_t kWriteBufferBytes = 1 << 16;
}

AtomicOutput::AtomicOutput(std::string path) : path_(std::move(path)) {}

AtomicOutput::~AtomicOutput() { Discard(); }

FILE* AtomicOutput::Open() {
  Discard();
  // Same folder as the destination, so the final rename never crosses file systems.
  const size_t slash = path_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = mkstemp(buffer.data());
  if (fd < 0) return nullptr;
  tempPath_ = buffer.data();
  // mkstemp makes the file private; give it the mode a plain fopen would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  file_ = fdopen(fd, "wb");
  if (!file_) {
    const int saved = errno;
    close(fd);
    unlink(tempPath_.c_str());
    tempPath_.clear();
    errno = saved;
    return nullptr;
  }
  std::setvbuf(file_, nullptr, _IOFBF, kWriteBufferBytes);
  return file_;
}

bool AtomicOutput::Commit() {
  if (!file_) return false;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  int saved = errno;
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  file_ = nullptr;
  if (ok && std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) unlink(tempPath_.c_str());
  tempPath_.clear();
  errno = saved;
  return ok;
}

void AtomicOutput::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

}  // namespace brelvano

#include "base/atomic_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace brelvano {

namespace {

constexpr size_t kWriteBufferBytes = 1 << 16;

std::string ResolveLink(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
      std::string target = resolved;
      std::free(resolved);
      return target;
    }
  }
  return path;
}

}  // namespace

AtomicOutput::AtomicOutput(std::string path) : target_(ResolveLink(path)) {}

AtomicOutput::~AtomicOutput() { Discard(); }

FILE* AtomicOutput::Open() {
  Discard();
  // A hidden name in the same folder, so the final rename never crosses
  // file systems and a half-written file never looks like an output.
  const size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  // Cut long names so that the temporary one still fits the file system's
  // 255-byte name limit wherever the destination's own name fits.
  std::string pattern = folder + "." + name.substr(0, 200) + ".XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return nullptr;
  tempPath_ = pattern;
  // mkstemp makes the file private.
  mode_t mode;
  struct stat info;
  if (stat(target_.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  file_ = fdopen(fd, "wb");
  if (!file_) {
    const int saved = errno;
    close(fd);
    Discard();
    errno = saved;
    return nullptr;
  }
  std::setvbuf(file_, nullptr, _IOFBF, kWriteBufferBytes);
  return file_;
}

bool AtomicOutput::Commit(bool durable) {
  if (!file_) return false;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  if (ok && durable) ok = fsync(fileno(file_)) == 0;
  int saved = errno;
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  file_ = nullptr;
  if (ok && std::rename(tempPath_.c_str(), target_.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (ok) tempPath_.clear();
  else Discard();
  errno = saved;
  return ok;
}

void AtomicOutput::Discard() {
  const int saved = errno;
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  errno = saved;
}

}  // namespace brelvano

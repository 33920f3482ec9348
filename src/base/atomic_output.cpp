#include "base/atomic_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/file_services.h"

namespace brelvano {

namespace {

constexpr size_t kWriteBufferBytes = 1 << 16;
// Longest part of the destination's name kept in a temporary name: with the
// dot, ".brelvano-", a pid of up to 10 digits and "-XXXXXX" it stays below 255.
constexpr size_t kTemporaryNameKept = 200;
constexpr const char* kTemporaryMark = ".brelvano-";

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

// The pid of a name made by TemporaryNamePattern, or 0 when it is not one.
pid_t TemporaryNameOwner(const char* name) {
  if (name[0] != '.') return 0;
  const size_t length = std::strlen(name);
  // "-XXXXXX" at the end, mkstemp's six letters or digits.
  if (length < 8 || name[length - 7] != '-') return 0;
  for (size_t i = length - 6; i < length; ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return 0;
  }
  // The pid's digits before it, and the mark before them.
  size_t start = length - 7;
  while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
  const size_t digits = length - 7 - start;
  const size_t markLength = std::strlen(kTemporaryMark);
  if (digits == 0 || digits > 10 || start < markLength + 1) return 0;
  if (std::strncmp(name + start - markLength, kTemporaryMark, markLength) != 0) return 0;
  const long long pid = std::strtoll(std::string(name + start, digits).c_str(), nullptr, 10);
  return pid > 0 && pid <= 0x7FFFFFFF ? static_cast<pid_t>(pid) : 0;
}

bool ProcessIsGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

}  // namespace

std::string TemporaryNamePattern(const std::string& destination) {
  // A hidden name in the same folder, so the final rename never crosses
  // file systems and a half-written file never looks like an output; the
  // pid says whose it is, so that a later run can tell a killed process's
  // leftovers from files still being written.
  const size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  return folder + "." + std::string(CutAtCharacterBoundary(name, kTemporaryNameKept)) +
         kTemporaryMark + std::to_string(static_cast<long>(getpid())) + "-XXXXXX";
}

int CreateTemporaryFile(const std::string& destination, std::string* tempPath) {
  std::string pattern = TemporaryNamePattern(destination);
  const int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd >= 0) *tempPath = pattern;
  return fd;
}

int RemoveStaleTemporaryFiles(const std::string& folder) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  const int saved = errno;
  while (const dirent* item = readdir(dir)) {
    const pid_t owner = TemporaryNameOwner(item->d_name);
    if (owner == 0 || !ProcessIsGone(owner)) continue;
    const std::string path = (folder.empty() ? "." : folder) + "/" + item->d_name;
    struct stat info;
    // Only files: a folder or a link by that name is no temporary file of ours.
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(path.c_str()) == 0)
      ++removed;
  }
  closedir(dir);
  errno = saved;
  return removed;
}

AtomicOutput::AtomicOutput(const std::string& path) : target_(ResolveLink(path)) {}

AtomicOutput::~AtomicOutput() { Discard(); }

FILE* AtomicOutput::Open() {
  Discard();
  reason_.clear();
  struct stat info;
  const bool exists = stat(target_.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    reason_ = NotRegularFileReason(info.st_mode);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  const int fd = CreateTemporaryFile(target_, &tempPath_);
  if (fd < 0) {
    reason_ = std::strerror(errno);
    return nullptr;
  }
  // mkstemp makes the file private.
  mode_t mode;
  if (exists) {
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
    reason_ = std::strerror(saved);
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
  if (ok)
    tempPath_.clear();
  else
    Discard();
  if (!ok) reason_ = std::strerror(saved ? saved : EIO);
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

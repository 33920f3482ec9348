#include "base/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brelvano {

namespace {

// What stands at a path instead of a regular file; "" for a regular file.
const char* NonRegularKind(mode_t mode) {
  if (S_ISREG(mode)) return "";
  if (S_ISFIFO(mode)) return "FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "device";
  if (S_ISSOCK(mode)) return "socket";
  return "special file";
}

// Fills `error` and returns null.
InputFile Refuse(InputOpenError* error, int systemError, const char* kind = "") {
  if (error) *error = InputOpenError{systemError, kind};
  return nullptr;
}

InputFile RefuseMode(InputOpenError* error, mode_t mode) {
  if (S_ISDIR(mode)) return Refuse(error, EISDIR);
  return Refuse(error, 0, NonRegularKind(mode));
}

}  // namespace

std::string InputOpenError::text() const {
  if (systemError != 0) return std::strerror(systemError);
  return std::string("not a regular file (") + kind + ")";
}

InputFile OpenRegularFileForReading(const char* path, InputOpenError* error) {
  // Looked at before opening, so that no device is opened at all; looked at
  // again through the descriptor, in case the path changed in between.
  // O_NONBLOCK keeps an open of a FIFO from waiting for a writer.
  struct stat st;
  if (stat(path, &st) != 0) return Refuse(error, errno);
  if (!S_ISREG(st.st_mode)) return RefuseMode(error, st.st_mode);
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Refuse(error, errno);
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int saved = errno;
    const mode_t mode = st.st_mode;
    close(fd);
    return S_ISREG(mode) ? Refuse(error, saved) : RefuseMode(error, mode);
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  FILE* file = fdopen(fd, "rb");
  if (!file) {
    const int saved = errno;
    close(fd);
    return Refuse(error, saved);
  }
  if (error) *error = InputOpenError{};
  return InputFile(file);
}

}  // namespace brelvano

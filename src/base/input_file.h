// Opening an input for reading only when it is a regular file: a FIFO,
// directory or device in place of an MP3 file is refused at once, never
// waited on or read.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace brelvano {

struct InputFileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<FILE, InputFileCloser>;

// Why an input could not be opened.
struct InputOpenError {
  int systemError = 0;  // errno of the failing call; EISDIR for a directory
  const char* kind =
      "";  // otherwise what was found instead of a regular file: "FIFO", "device", "socket"
  std::string text() const;  // e.g. "No such file or directory", "not a regular file (FIFO)"
};

// The file at `path` opened for binary reading, or null with the reason in
// `error` (when given).
InputFile OpenRegularFileForReading(const char* path, InputOpenError* error = nullptr);

}  // namespace brelvano

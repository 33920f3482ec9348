// The diagnostic log: off unless BRELVANOLOG holds a non-zero number, then
// appended to $HOME/dravik.log with a banner per process and a flush per message.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>

namespace brelvano {

class Log {
 public:
  // Reads an environment variable; returns null when it is not set.
  using EnvLookup = std::function<const char*(const char*)>;

  explicit Log(EnvLookup env);
  ~Log();
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void VPrintf(const char* format, va_list args);
  bool isOpen() const { return file_ != nullptr; }

 private:
  bool Open();

  EnvLookup env_;
  FILE* file_ = nullptr;  // kept open for the life of the log
};

// The process-wide log, reading the real environment.
Log& processLog();

void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives every message of the process log as written (a front end's
// verbose mode shows them), whether or not the log file is on. Empty: none.
// Set it before work starts; it is called on the thread that logs.
using LogSink = std::function<void(const std::string& message)>;
void SetLogSink(LogSink sink);

}  // namespace brelvano

#include "base/log.h"

#include <cstdlib>
#include <ctime>

namespace brelvano {

Log::Log(EnvLookup env) : env_(std::move(env)) {}

Log::~Log() {
  if (file_) std::fclose(file_);
}

bool Log::Open() {
  const char* levelText = env_("BRELVANOLOG");
  if (!levelText) return false;
  // The leading decimal number; no digits counts as 0 (off).
  const long level = std::strtol(levelText, nullptr, 10);
  if (level == 0) return false;
  const char* home = env_("HOME");
  if (!home || !*home) return false;  // nowhere to put the file: stay off
  const std::string path = std::string(home) + "/dravik.log";
  file_ = std::fopen(path.c_str(), "a");
  if (!file_) return false;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::fprintf(file_, "Started on %d/%02d/%02d at %02d:%02d with verbose level %ld\n",
               local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
               level);
  return true;
}

void Log::VPrintf(const char* format, va_list args) {
  // While logging is off the environment is read again at every call.
  if (!file_ && !Open()) return;
  std::vfprintf(file_, format, args);
  std::fflush(file_);
}

void Log::Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  VPrintf(format, args);
  va_end(args);
}

namespace {
LogSink& logSink() {
  static LogSink sink;
  return sink;
}

std::string Format(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(n));
  return text;
}
}  // namespace

void SetLogSink(LogSink sink) { logSink() = std::move(sink); }

Log& processLog() {
  static Log log([](const char* name) -> const char* { return std::getenv(name); });
  return log;
}

void LogPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (logSink()) {
    va_list copy;
    va_copy(copy, args);
    logSink()(Format(format, copy));
    va_end(copy);
  }
  processLog().VPrintf(format, args);
  va_end(args);
}

}  // namespace brelvano

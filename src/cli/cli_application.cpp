#include "cli/cli_application.h"

#include <filesystem>
#include <system_error>

#include "cli/output_style.h"
#include "publish/players.h"

namespace brelvano::cli {

namespace fs = std::filesystem;

namespace {

std::string ExecutablePath() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.native();
}

}  // namespace

void StdoutConsole::write(const std::string& line) {
  PrintNote(line.size() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line);
}

void StderrAlerts::alert(AlertStyle, const std::string& title, const std::string& message,
                         const std::string&) {
  PrintError(title + ": " + message);
  ++count_;
}

void PrintAlert(const AlertText& alert) {
  PrintError(alert.message + ": " + alert.informative);
  if (!alert.reason.empty()) PrintError(alert.reason);
}

CliApplication::CliApplication()
    : settings(SettingsFilePath(HomeFolder())),
      application(settings, &console,
                  PlayersFolders{ResourcePlayersFolder(ExecutablePath()),
                                 CustomPlayersFolder(HomeFolder())}) {}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  return error ? path : absolute.lexically_normal().native();
}

}  // namespace brelvano::cli

#include "cli/cli_application.h"

#include <filesystem>
#include <system_error>

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

void StderrAlerts::alert(AlertStyle, const std::string& title, const std::string& message,
                         const std::string&) {
  std::fprintf(stderr, "brelvano-cli: %s: %s\n", title.c_str(), message.c_str());
  ++count_;
}

void PrintAlert(const AlertText& alert) {
  std::fprintf(stderr, "brelvano-cli: %s: %s\n", alert.message.c_str(), alert.informative.c_str());
  if (!alert.reason.empty()) std::fprintf(stderr, "brelvano-cli: %s\n", alert.reason.c_str());
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

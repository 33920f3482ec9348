// The application as the CLI runs it: settings from the XDG config folder,
// the console lines on standard output, alerts on standard error.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "application/brelvano_application.h"
#include "cli/json_settings_store.h"

namespace brelvano::cli {

class StdoutConsole : public ConsoleOutput {
 public:
  // Control characters escaped; nothing in quiet mode.
  void write(const std::string& line) override;
};

// Alerts become lines on standard error; the CLI goes on as the window would.
class StderrAlerts : public AlertSink {
 public:
  void alert(AlertStyle style, const std::string& title, const std::string& message,
             const std::string& button) override;
  int count() const { return count_; }

 private:
  int count_ = 0;
};

// "brelvano-cli: <message>: <informative>", then the reason on its own line.
void PrintAlert(const AlertText& alert);

// One application per command, with its settings store and console.
struct CliApplication {
  CliApplication();
  JsonSettingsStore settings;
  StdoutConsole console;
  BrelvanoApplication application;
};

// The path made absolute and normalised (as given when that fails).
std::string AbsolutePath(const std::string& path);

}  // namespace brelvano::cli

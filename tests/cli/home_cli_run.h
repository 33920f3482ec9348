// brelvano-cli run in a scratch HOME (its settings in HOME/.config, the
// working folder HOME), so that no real user folder is read or written.
#pragma once

#include <string>

#include "support/test_files.h"
#include "support/text_file.h"

namespace brelvano::test {

struct CliRun {
  int exitCode;
  std::string out, err;  // standard output and error
};

inline CliRun Cli(const TempDir& home, const std::string& arguments) {
  const std::string dir = ShellQuote(home.path());
  const CommandResult r = RunCommand("cd " + dir + " && HOME=" + dir +
                                     " XDG_CONFIG_HOME= " + ShellQuote(BRELVANO_CLI_PATH) + " " +
                                     arguments + " 2>" + ShellQuote(home.file("stderr.txt")));
  return {r.exitCode, r.output, ReadText(home.file("stderr.txt"))};
}

// A sample file's path, quoted for the shell.
inline std::string Sample(const std::string& name) {
  return ShellQuote(DataFile("samples/" + name));
}

}  // namespace brelvano::test

// How much brelvano-cli says and where: the options every command shares
// (--progress, --quiet, --verbose) and the lines on standard error.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace brelvano::cli {

enum class ProgressMode { kAuto, kAlways, kNever };

struct OutputStyle {
  ProgressMode progress = ProgressMode::kAuto;
  bool quiet = false;    // only errors: no progress, no per-track or summary lines
  bool verbose = false;  // the diagnostic log's messages also on standard error
};

// The process's style, set from the options before a command runs.
OutputStyle& outputStyle();

// Adds --progress, --quiet and --verbose to the program (they are taken
// before or after the command's name).
void AddOutputOptions(CLI::App& app);

// Applies the options once parsed: in verbose mode log messages go to
// standard error as "brelvano-cli: log: ..." lines.
void ApplyOutputStyle();

// Whether the progress line is drawn on standard error.
bool ProgressLineWanted();

// The progress line's state, so that other lines on standard error first
// clear a line in progress.
void SetStatusLineShown(bool shown);
void ClearStatusLine();

// "brelvano-cli: <text>" on standard error, control characters escaped.
void PrintError(const std::string& text);
// "brelvano-cli: warning: <text>" on standard error unless quiet.
void PrintWarning(const std::string& text);
// A line on standard output, control characters escaped, unless quiet.
void PrintNote(const std::string& text);

}  // namespace brelvano::cli

#include "cli/output_style.h"

#include <unistd.h>

#include <cstdio>

#include "base/log.h"
#include "cli/terminal_text.h"

namespace brelvano::cli {

namespace {
bool statusLineShown = false;
}

OutputStyle& outputStyle() {
  static OutputStyle style;
  return style;
}

void AddOutputOptions(CLI::App& app) {
  static const std::map<std::string, ProgressMode> modes = {{"auto", ProgressMode::kAuto},
                                                            {"always", ProgressMode::kAlways},
                                                            {"never", ProgressMode::kNever}};
  OutputStyle& style = outputStyle();
  app.add_option("--progress", style.progress,
                 "Progress line on standard error: auto (when it is a terminal), always or never")
      ->transform(CLI::CheckedTransformer(modes, CLI::ignore_case))
      ->option_text("auto|always|never");
  app.add_flag("-q,--quiet", style.quiet,
               "Print only errors (and the output asked for: tables, JSON)");
  app.add_flag("-v,--verbose", style.verbose,
               "Also print the diagnostic log's messages on standard error");
}

void ApplyOutputStyle() {
  if (!outputStyle().verbose) return;
  SetLogSink([](const std::string& message) {
    // One message may hold several lines, tabs and "\r\n" line ends.
    size_t start = 0;
    while (start < message.size()) {
      size_t end = message.find('\n', start);
      if (end == std::string::npos) end = message.size();
      std::string line = message.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      for (char& c : line)
        if (c == '\t') c = ' ';
      while (!line.empty() && line.front() == ' ') line.erase(0, 1);
      if (!line.empty()) {
        ClearStatusLine();
        std::fprintf(stderr, "brelvano-cli: log: %s\n", TerminalSafe(line).c_str());
      }
      start = end + 1;
    }
  });
}

bool ProgressLineWanted() {
  const OutputStyle& style = outputStyle();
  if (style.quiet || style.progress == ProgressMode::kNever) return false;
  return style.progress == ProgressMode::kAlways || isatty(STDERR_FILENO) != 0;
}

void SetStatusLineShown(bool shown) { statusLineShown = shown; }

void ClearStatusLine() {
  if (!statusLineShown) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  statusLineShown = false;
}

namespace {
// Line breaks stay line breaks (alerts have two lines); every other control
// character is escaped.
std::string SafeLines(const std::string& text) {
  std::string out;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    out += TerminalSafe(std::string_view(text).substr(start, end - start)) + "\n";
  return out + TerminalSafe(std::string_view(text).substr(start));
}
}  // namespace

void PrintError(const std::string& text) {
  ClearStatusLine();
  std::fprintf(stderr, "brelvano-cli: %s\n", SafeLines(text).c_str());
}

void PrintWarning(const std::string& text) {
  if (outputStyle().quiet) return;
  ClearStatusLine();
  std::fprintf(stderr, "brelvano-cli: warning: %s\n", SafeLines(text).c_str());
}

void PrintNote(const std::string& text) {
  if (outputStyle().quiet) return;
  std::printf("%s\n", SafeLines(text).c_str());
  std::fflush(stdout);
}

}  // namespace brelvano::cli

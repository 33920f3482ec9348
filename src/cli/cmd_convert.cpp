// brelvano-cli convert: the conversion batch over files named on the command line.
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "analysis/mp3list.h"
#include "base/conversion_abort.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/output_style.h"
#include "cli/terminal_progress.h"
#include "convert/batch.h"
#include "convert/output_path.h"

namespace brelvano::cli {

namespace {

struct ConvertOptions {
  std::string dest = ".";
  std::string format = "swf";
  int fps = kDefaultFps;
  int truncate = 0;
  bool spectrum = false;
  bool force = false;
  bool json = false;
  FileArguments files;
};

int RunConvert(const ConvertOptions& options) {
  ProjectRecord project;
  project.destDir = options.dest;
  project.fps = options.fps;
  project.defaultFormat = options.format == "flv" ? 1 : 0;
  if (options.spectrum) project.publishFlags |= kPublishSpectrum;
  if (options.truncate > 0) {
    project.publishFlags |= kPublishTruncate;
    project.maxTime = options.truncate;
  }
  while (project.destDir.size() > 1 && project.destDir.back() == '/') project.destDir.pop_back();

  Mp3List list;
  std::vector<int32_t> durations;
  for (const auto& file : ResolveFiles(options.files)) {
    const _mp3entry* entry = list.addFile(file);
    durations.push_back(entry->prop.duration);
  }
  MarkConvertedIfExists(project, list);

  TerminalProgress progress(
      options.json ? TerminalProgress::Report::kJson : TerminalProgress::Report::kText,
      ProgressLineWanted());
  progress.setTrackDurations(std::move(durations));
  bool cancelled;
  {
    CancelOnInterrupt interrupt;
    doConvert(list, project, options.force, &progress);
    cancelled = conversionAbort().requested();
    conversionAbort().set(-1);
  }

  const int status = cancelled ? kExitCancelled : progress.failures() == 0 ? kExitOk : kExitFailure;
  if (options.json) {
    nlohmann::json summary = {{"type", "summary"}};
    summary.update(progress.countsJson());
    summary["cancelled"] = cancelled;
    summary["exit_status"] = status;
    PrintJsonLine(summary);
  }
  if (cancelled) PrintError("conversion cancelled");
  return status;
}

}  // namespace

void AddConvertCommand(CLI::App& app, int* exitStatus) {
  auto options = std::make_shared<ConvertOptions>();
  CLI::App* cmd = app.add_subcommand("convert", "Convert MP3 files into SWF movies or FLV files");
  cmd->add_option("--dest", options->dest, "Destination folder (default: the current folder)")
      ->check(CLI::ExistingDirectory);
  cmd->add_option("--format", options->format, "Output format: swf or flv (default swf)")
      ->check(CLI::IsMember({"swf", "flv"}));
  cmd->add_option("--fps", options->fps, "Frame rate of SWF movies, 1 to 200 (default 30)")
      ->check(CLI::Range(1, 200));
  cmd->add_option("--truncate", options->truncate, "Stop each output after SECONDS seconds")
      ->check(CLI::Range(1, 24 * 3600));
  cmd->add_flag("--spectrum", options->spectrum, "Add the 32-band spectrum for the player");
  cmd->add_flag("--force", options->force, "Convert even where an output exists");
  cmd->add_flag("--json", options->json,
                "JSON Lines: one object per track as it finishes, then a summary object");
  AddFileArguments(*cmd, options->files, "MP3 files");
  cmd->footer(
      "Exit status: 0 when every track ends Ok or Truncated (or is skipped), 1 when any\n"
      "other track fails, 2 for a usage error, 130 when cancelled with Ctrl-C.\n"
      "Examples:\n"
      "  brelvano-cli convert --dest out --spectrum *.mp3\n"
      "  ls *.mp3 | brelvano-cli convert --format flv --json -");
  cmd->callback([options, exitStatus] { *exitStatus = RunConvert(*options); });
}

}  // namespace brelvano::cli

// Project commands: new, show, publish. Argument handling and printing only;
// what each does to the project is the application's.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "application/brelvano_application.h"
#include "base/conversion_abort.h"
#include "cli/cli_application.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/table_printer.h"
#include "cli/terminal_progress.h"
#include "publish/publish_files.h"

namespace brelvano::cli {

namespace {

namespace fs = std::filesystem;

// Opens the project into the application; false (reported) when it cannot.
bool OpenProject(BrelvanoApplication& application, const std::string& path) {
  AlertText alert;
  if (application.openProjectFile(AbsolutePath(path), &alert)) return true;
  std::fprintf(stderr, "brelvano-cli: %s: %s\n", alert.message.c_str(), alert.informative.c_str());
  std::fprintf(stderr, "brelvano-cli: (while reading %s: %s)\n", path.c_str(),
               alert.reason.c_str());
  return false;
}

const char* YesNo(uint32_t flags, uint32_t bit) { return (flags & bit) ? "yes" : "no"; }

void PrintSettings(const std::string& path, const ProjectRecord& project, int32_t trackCount) {
  const uint32_t flags = project.publishFlags;
  std::printf("Project:      %s\n", path.c_str());
  std::printf("Destination:  %s\n", project.destDir.c_str());
  std::printf("Player:       %s\n", project.player.c_str());
  std::printf("Format:       %s\n", project.defaultFormat != 0 ? "flv" : "swf");
  std::printf("Frame rate:   %d\n", project.fps);
  if (flags & kPublishTruncate)
    std::printf("Truncate:     %d s\n", project.maxTime);
  else
    std::printf("Truncate:     off\n");
  std::printf("Spectrum:     %s\n", YesNo(flags, kPublishSpectrum));
  std::printf("HTML page:    %s%s\n", YesNo(flags, kPublishGenerateHTML),
              (flags & kPublishUseTemplate) ? " (from template.html)" : "");
  std::printf("Playlist:     autostart %s, playall %s, loop %s, shuffle %s\n",
              YesNo(flags, kPublishAutostart), YesNo(flags, kPublishPlayall),
              YesNo(flags, kPublishLoop), YesNo(flags, kPublishShuffle));
  std::printf("Flags:        %u\n", flags);
  std::printf("Tracks:       %d\n", trackCount);
}

bool Usable(int32_t status) {
  return status != kStatusCannotOpen && status != kStatusUnsupported && status != kStatusUnknown;
}

// ---- new ---------------------------------------------------------------

struct NewOptions {
  std::string project;
  std::vector<std::string> files;
  std::string dest;
  std::string player;
  std::string format = "swf";
  int fps = 0;  // 0: the settings' frame rate
  int truncate = 0;
  bool noSpectrum = false, noHtml = false, useTemplate = false, shuffle = false;
  bool noAutostart = false, noPlayall = false, noLoop = false, overwrite = false;
};

int RunNew(const NewOptions& o) {
  const std::string projectPath = AbsolutePath(o.project);
  std::error_code error;
  if (!o.overwrite && fs::symlink_status(projectPath, error).type() != fs::file_type::not_found) {
    std::fprintf(stderr, "brelvano-cli: %s already exists (use --overwrite to replace it)\n",
                 projectPath.c_str());
    return kExitFailure;
  }
  CliApplication cli;
  BrelvanoApplication& app = cli.application;

  // The new project starts from the settings (30 fps, no truncation, flags
  // 115, "~/Brelvano", the first player unless the settings file says
  // otherwise); the options change the controls as a user would.
  ProjectSettings controls = app.settings();
  if (!o.player.empty()) {
    bool known = false;
    for (const PlayerFile& p : app.players()) known = known || p.name == o.player;
    if (!known) {
      std::fprintf(stderr,
                   "brelvano-cli: no player named \"%s\"; players found:", o.player.c_str());
      for (const PlayerFile& p : app.players()) std::fprintf(stderr, " %s", p.name.c_str());
      std::fprintf(stderr, "\n");
      return kExitUsage;
    }
    controls.player = o.player;
  } else if (app.players().empty()) {
    std::fprintf(stderr, "brelvano-cli: warning: no player movie found; the project has none\n");
  }
  if (!o.dest.empty()) controls.destFolder = AbsolutePath(o.dest);
  if (o.fps > 0) controls.fps = o.fps;
  if (o.truncate > 0) {
    controls.truncate = true;
    controls.maxTime = o.truncate;
  }
  if (o.noSpectrum) controls.spectrum = false;
  if (o.noHtml) controls.generateHTML = false;
  if (o.useTemplate) controls.useTemplate = true;
  if (o.shuffle) controls.shuffle = true;
  if (o.noAutostart) controls.autostart = false;
  if (o.noPlayall) controls.playall = false;
  if (o.noLoop) controls.loop = false;
  controls.exportFormat = o.format == "flv" ? 1 : 0;
  app.changeSetting(SettingControl::kFps, controls);
  app.changeSetting(SettingControl::kExportFormat, controls);

  int status = kExitOk;
  std::vector<std::string> paths, refused;
  for (const std::string& file : o.files) paths.push_back(AbsolutePath(file));
  app.addFiles(paths, &refused);
  for (const std::string& line : refused)
    std::fprintf(stderr, "brelvano-cli: not added: %s\n", line.c_str());
  if (!refused.empty()) status = kExitFailure;
  for (int32_t row = 0; row < app.trackCount(); ++row) {
    const _mp3entry track = app.track(row);
    if (Usable(track.status)) continue;
    std::fprintf(stderr, "brelvano-cli: warning: %s: %s; added all the same\n",
                 track.filename.c_str(), StatusText(track.status));
    status = kExitFailure;
  }
  // Files were named but none was taken: an empty project is no answer.
  if (!o.files.empty() && app.trackCount() == 0) {
    std::fprintf(stderr, "brelvano-cli: no file could be added; %s not written\n",
                 projectPath.c_str());
    return kExitFailure;
  }

  AlertText alert;
  if (!app.saveProjectAs(projectPath, &alert)) {
    std::fprintf(stderr, "brelvano-cli: cannot save project %s: %s\n", projectPath.c_str(),
                 alert.reason.c_str());
    return kExitFailure;
  }
  std::printf("Wrote %s with %d track%s\n", projectPath.c_str(), app.trackCount(),
              app.trackCount() == 1 ? "" : "s");
  return status;
}

// ---- show --------------------------------------------------------------

int RunShow(const std::string& projectPath) {
  CliApplication cli;
  BrelvanoApplication& app = cli.application;
  if (!OpenProject(app, projectPath)) return kExitFailure;
  PrintSettings(projectPath, app.project(), app.trackCount());
  std::printf("\n");
  TrackTable(app).PrintAligned(stdout);
  return kExitOk;
}

// ---- publish -----------------------------------------------------------

int RunPublish(const std::string& projectPath, bool force) {
  CliApplication cli;
  BrelvanoApplication& app = cli.application;
  if (!OpenProject(app, projectPath)) return kExitFailure;

  TerminalProgress observer(isatty(STDERR_FILENO) != 0);
  StderrAlerts alerts;
  AlertText refusal;
  PublishOutcome outcome;
  {
    CancelOnInterrupt interrupt;
    outcome = app.publish(force, &observer, &alerts, &refusal);
    conversionAbort().set(-1);
  }
  if (!refusal.message.empty()) return kExitFailure;  // told on standard error
  if (outcome.cancelled) {
    std::fprintf(stderr, "brelvano-cli: cancelled; nothing published\n");
    return kExitCancelled;
  }
  std::printf("%s\n", outcome.summary.c_str());
  const ProjectRecord& project = app.project();
  if (outcome.published & kPublishedPage)
    std::printf("Page: %s/%s\n", project.destDir.c_str(), kPageFileName);

  // A track skipped because its output exists is no failure, whatever its
  // status says (another publisher may have written that output meanwhile).
  return observer.failures() > 0 || alerts.count() > 0 ? kExitFailure : kExitOk;
}

}  // namespace

void AddProjectCommands(CLI::App& app, int* exitStatus) {
  auto newOptions = std::make_shared<NewOptions>();
  CLI::App* create = app.add_subcommand("new", "Write a new project file with the given tracks");
  create->add_option("project", newOptions->project, "The project file to write (.brv)")
      ->required();
  create->add_option("files", newOptions->files, "MP3 files, in playing order");
  create->add_option("--dest", newOptions->dest, "Destination folder (default: ~/Brelvano)");
  create->add_option("--player", newOptions->player,
                     "Player movie name (default: the first found)");
  create->add_option("--format", newOptions->format, "Default output format")
      ->check(CLI::IsMember({"swf", "flv"}));
  create->add_option("--fps", newOptions->fps, "Frame rate of the SWF movies (default: 30)")
      ->check(CLI::Range(1, 200));
  create->add_option("--truncate", newOptions->truncate, "Stop every track after SECONDS")
      ->check(CLI::Range(1, 24 * 3600));
  create->add_flag("--no-spectrum", newOptions->noSpectrum, "No spectrum in the outputs");
  create->add_flag("--no-html", newOptions->noHtml, "Do not write index.html");
  create->add_flag("--template", newOptions->useTemplate,
                   "Make index.html from template.html in the destination folder");
  create->add_flag("--shuffle", newOptions->shuffle, "Player setting shuffle");
  create->add_flag("--no-autostart", newOptions->noAutostart, "Player setting autostart off");
  create->add_flag("--no-playall", newOptions->noPlayall, "Player setting playall off");
  create->add_flag("--no-loop", newOptions->noLoop, "Player setting loop off");
  create->add_flag("--overwrite", newOptions->overwrite, "Replace an existing project file");
  create->callback([newOptions, exitStatus] { *exitStatus = RunNew(*newOptions); });

  auto showPath = std::make_shared<std::string>();
  CLI::App* show = app.add_subcommand("show", "Print a project's settings and tracks");
  show->add_option("project", *showPath, "The project file (.brv)")->required();
  show->callback([showPath, exitStatus] { *exitStatus = RunShow(*showPath); });

  auto publishPath = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  CLI::App* publish =
      app.add_subcommand("publish", "Convert a project's tracks and publish its folder");
  publish->add_option("project", *publishPath, "The project file (.brv)")->required();
  publish->add_flag("--force", *force, "Convert tracks whose output already exists");
  publish->callback(
      [publishPath, force, exitStatus] { *exitStatus = RunPublish(*publishPath, *force); });
}

}  // namespace brelvano::cli

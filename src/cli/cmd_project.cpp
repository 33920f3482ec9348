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
#include "cli/file_arguments.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/output_style.h"
#include "cli/project_output.h"
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
  PrintError(alert.message + ": " + alert.informative);
  PrintError("(while reading " + path + ": " + alert.reason + ")");
  return false;
}

bool Usable(int32_t status) {
  return status != kStatusCannotOpen && status != kStatusUnsupported && status != kStatusUnknown;
}

// ---- new ---------------------------------------------------------------

struct NewOptions {
  std::string project;
  FileArguments files;
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
    PrintError(projectPath + " already exists (use --overwrite to replace it)");
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
      std::string found = "no player named \"" + o.player + "\"; players found:";
      for (const PlayerFile& p : app.players()) found += " " + p.name;
      PrintError(found);
      return kExitUsage;
    }
    controls.player = o.player;
  } else if (app.players().empty()) {
    PrintWarning("no player movie found; the project has none");
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
  const std::vector<std::string> files = ResolveFiles(o.files);
  for (const std::string& file : files) paths.push_back(AbsolutePath(file));
  app.addFiles(paths, &refused);
  for (const std::string& line : refused) PrintError("not added: " + line);
  if (!refused.empty()) status = kExitFailure;
  for (int32_t row = 0; row < app.trackCount(); ++row) {
    const _mp3entry track = app.track(row);
    if (Usable(track.status)) continue;
    PrintWarning(track.filename + ": " + StatusText(track.status) + "; added all the same");
    status = kExitFailure;
  }
  // Files were named but none was taken: an empty project is no answer.
  if (!files.empty() && app.trackCount() == 0) {
    PrintError("no file could be added; " + projectPath + " not written");
    return kExitFailure;
  }

  AlertText alert;
  if (!app.saveProjectAs(projectPath, &alert)) {
    PrintError("cannot save project " + projectPath + ": " + alert.reason);
    return kExitFailure;
  }
  PrintNote("Wrote " + projectPath + " with " + std::to_string(app.trackCount()) +
            (app.trackCount() == 1 ? " track" : " tracks"));
  return status;
}

// ---- show --------------------------------------------------------------

int RunShow(const std::string& projectPath, bool json) {
  CliApplication cli;
  BrelvanoApplication& app = cli.application;
  if (!OpenProject(app, projectPath)) return kExitFailure;
  if (json) {
    std::vector<_mp3entry> tracks;
    tracks.reserve(static_cast<size_t>(app.trackCount()));
    for (int32_t i = 0; i < app.trackCount(); ++i) tracks.push_back(app.track(i));
    PrintJsonDocument(ProjectJson(projectPath, app.project(), tracks));
    return kExitOk;
  }
  PrintProjectSettings(projectPath, app.project(), app.trackCount());
  std::printf("\n");
  TrackTable(app).PrintAligned(stdout);
  return kExitOk;
}

// ---- publish -----------------------------------------------------------

int RunPublish(const std::string& projectPath, bool force, bool json) {
  CliApplication cli;
  BrelvanoApplication& app = cli.application;
  if (!OpenProject(app, projectPath)) return kExitFailure;

  TerminalProgress observer(
      json ? TerminalProgress::Report::kJson : TerminalProgress::Report::kText,
      ProgressLineWanted());
  std::vector<int32_t> durations;
  durations.reserve(static_cast<size_t>(app.trackCount()));
  for (int32_t i = 0; i < app.trackCount(); ++i) durations.push_back(app.track(i).prop.duration);
  observer.setTrackDurations(std::move(durations));
  StderrAlerts alerts;
  AlertText refusal;
  PublishOutcome outcome;
  {
    CancelOnInterrupt interrupt;
    outcome = app.publish(force, &observer, &alerts, &refusal);
    conversionAbort().set(-1);
  }
  if (!refusal.message.empty()) return kExitFailure;  // told on standard error
  // A track skipped because its output exists is no failure, whatever its
  // status says (another publisher may have written that output meanwhile).
  const int exitStatus = outcome.cancelled                               ? kExitCancelled
                         : observer.failures() > 0 || alerts.count() > 0 ? kExitFailure
                                                                         : kExitOk;
  const ProjectRecord& project = app.project();
  if (json) {
    nlohmann::json summary = {{"type", "summary"}};
    summary.update(observer.countsJson());
    summary["cancelled"] = outcome.cancelled;
    summary.update(PublishedJson(outcome, project));
    summary["exit_status"] = exitStatus;
    PrintJsonLine(summary);
  }
  if (outcome.cancelled) {
    PrintError("cancelled; nothing published");
    return exitStatus;
  }
  if (!json) {
    PrintNote(outcome.summary);
    if (outcome.published & kPublishedPage)
      PrintNote("Page: " + project.destDir + "/" + kPageFileName);
  }
  return exitStatus;
}

}  // namespace

void AddProjectCommands(CLI::App& app, int* exitStatus) {
  auto newOptions = std::make_shared<NewOptions>();
  CLI::App* create = app.add_subcommand("new", "Write a new project file with the given tracks");
  create->add_option("project", newOptions->project, "The project file to write (.brv)")
      ->required();
  AddFileArguments(*create, newOptions->files, "MP3 files, in playing order", true);
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
  auto showJson = std::make_shared<bool>(false);
  show->add_flag("--json", *showJson, "One JSON document: {\"project\", \"settings\", \"tracks\"}");
  show->callback([showPath, showJson, exitStatus] { *exitStatus = RunShow(*showPath, *showJson); });

  auto publishPath = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  CLI::App* publish =
      app.add_subcommand("publish", "Convert a project's tracks and publish its folder");
  publish->add_option("project", *publishPath, "The project file (.brv)")->required();
  publish->add_flag("--force", *force, "Convert tracks whose output already exists");
  auto publishJson = std::make_shared<bool>(false);
  publish->add_flag("--json", *publishJson,
                    "JSON Lines: one object per track as it finishes, then a summary object");
  publish->callback([publishPath, force, publishJson, exitStatus] {
    *exitStatus = RunPublish(*publishPath, *force, *publishJson);
  });
}

}  // namespace brelvano::cli

// Project commands: new, show, publish.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "analysis/mp3list.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/output_style.h"
#include "cli/project_output.h"
#include "cli/terminal_progress.h"
#include "cli/table_printer.h"
#include "convert/batch.h"
#include "base/conversion_abort.h"
#include "convert/output_path.h"
#include "project/project_file_names.h"
#include "project/project_reader.h"
#include "project/project_writer.h"
#include "base/alerts.h"
#include "publish/players.h"
#include "publish/publish_files.h"
#include "publish/publish_operation.h"

namespace brelvano::cli {

namespace {

namespace fs = std::filesystem;

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) return user->pw_dir;
  return "/";
}

std::string ExecutablePath() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.native();
}

// The bundled players first, then the user's own.
PlayersList FindPlayers() {
  return ScanPlayersFolders(
      {ResourcePlayersFolder(ExecutablePath()), CustomPlayersFolder(HomeFolder())});
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  return error ? path : absolute.lexically_normal().native();
}

// Alerts become lines on standard error; the CLI goes on as the window would.
class StderrAlerts : public AlertSink {
 public:
  void alert(AlertStyle, const std::string& title, const std::string& message,
             const std::string&) override {
    PrintError(title + ": " + message);
    ++count_;
  }
  int count() const { return count_; }

 private:
  int count_ = 0;
};

void CantOpenProject(const std::string& path) {
  StderrAlerts alerts;
  alerts.alert(AlertStyle::kCritical, "Can't open Project",
               "Project file may not be readible or content is corrupt.", "Continue");
  PrintError("(while reading " + path + ")");
}

// Reads the project and fills the list from its tracks, each re-analysed and
// marked converted when its output exists. False (reported) when unreadable.
bool LoadProject(const std::string& path, ProjectRecord& project, Mp3List& tracks) {
  if (ReadProjectFile(project, path) != kProjectRead) {
    CantOpenProject(path);
    return false;
  }
  tracks.removeAll();
  for (const _mp3entry* entry : project.entries) {
    _mp3entry* added = tracks.addEntry(*entry);
    MarkConvertedIfExists(project, *added);
  }
  project.entries.clear();
  project.ownedEntries.clear();
  return true;
}

// ---- new ---------------------------------------------------------------

struct NewOptions {
  std::string project;
  FileArguments files;
  std::string dest;
  std::string player;
  std::string format = "swf";
  int fps = kDefaultFps;
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
  const PlayersList players = FindPlayers();

  // A new project starts from the defaults: 30 fps, no truncation, flags
  // 115, the home folder, the first player found.
  ProjectRecord project;
  project.fps = o.fps;
  project.publishFlags = kDefaultPublishFlags;
  project.destDir = o.dest.empty() ? HomeFolder() : AbsolutePath(o.dest);
  project.defaultFormat = o.format == "flv" ? 1 : 0;
  if (!o.player.empty()) {
    const bool known = std::any_of(players.begin(), players.end(),
                                   [&](const PlayerFile& p) { return p.name == o.player; });
    if (!known) {
      std::string known = "no player named \"" + o.player + "\"; players found:";
      for (const PlayerFile& p : players) known += " " + p.name;
      PrintError(known);
      return kExitUsage;
    }
    project.player = o.player;
  } else if (!players.empty()) {
    project.player = players.front().name;
  } else {
    PrintWarning("no player movie found; the project has none");
  }
  if (o.truncate > 0) {
    project.publishFlags |= kPublishTruncate;
    project.maxTime = o.truncate;
  }
  if (o.noSpectrum) project.publishFlags &= ~kPublishSpectrum;
  if (o.noHtml) project.publishFlags &= ~kPublishGenerateHTML;
  if (o.useTemplate) project.publishFlags |= kPublishUseTemplate;
  if (o.shuffle) project.publishFlags |= kPublishShuffle;
  if (o.noAutostart) project.publishFlags &= ~kPublishAutostart;
  if (o.noPlayall) project.publishFlags &= ~kPublishPlayall;
  if (o.noLoop) project.publishFlags &= ~kPublishLoop;

  int status = kExitOk;
  Mp3List tracks;
  for (const std::string& file : ResolveFiles(o.files)) {
    const std::string path = AbsolutePath(file);
    if (fs::path(path).extension() != ".mp3") {
      PrintError("not added: " + file + ": only files ending in .mp3 are taken");
      status = kExitFailure;
      continue;
    }
    // A name the project file could not give back would make the project
    // unreadable or point at another file: such files are refused.
    std::string why;
    if (!IsStorableFileName(path, &why)) {
      PrintError("not added: " + file + ": " + why);
      status = kExitFailure;
      continue;
    }
    PrintNote("File  = " + path);
    tracks.addFile(path);
  }

  CollectEntries(tracks, &project.entries, nullptr);
  std::string saveError;
  const int32_t written = WriteProjectFile(project, projectPath, &saveError);
  project.entries.clear();
  if (written != kProjectWritten) {
    PrintError("cannot save project " + projectPath + ": " + saveError);
    return kExitFailure;
  }
  PrintNote("Wrote " + projectPath + " with " + std::to_string(tracks.count()) +
            (tracks.count() == 1 ? " track" : " tracks"));
  return status;
}

// ---- show --------------------------------------------------------------

int RunShow(const std::string& projectPath, bool json) {
  ProjectRecord project;
  Mp3List tracks;
  if (!LoadProject(projectPath, project, tracks)) return kExitFailure;
  if (json) {
    std::vector<_mp3entry> entries;
    for (int32_t i = 0; i < tracks.count(); ++i) entries.push_back(*tracks.getElement(i));
    PrintJsonDocument(ProjectJson(projectPath, project, entries));
    return kExitOk;
  }
  PrintProjectSettings(projectPath, project, tracks.count());
  std::printf("\n");
  TrackTable(tracks).PrintAligned(stdout);
  return kExitOk;
}

// ---- publish -----------------------------------------------------------

int RunPublish(const std::string& projectPath, bool force, bool json) {
  ProjectRecord project;
  Mp3List tracks;
  if (!LoadProject(projectPath, project, tracks)) return kExitFailure;
  std::error_code error;
  if (!project.destDir.empty() && !fs::is_directory(project.destDir, error)) {
    if (!fs::create_directories(project.destDir, error)) {
      PrintError("cannot create destination folder " + project.destDir + ": " + error.message());
      return kExitFailure;
    }
  }
  const PlayersList players = FindPlayers();

  TerminalProgress observer(json ? TerminalProgress::Report::kJson : TerminalProgress::Report::kText,
                            ProgressLineWanted());
  std::vector<int32_t> durations;
  for (int32_t i = 0; i < tracks.count(); ++i) durations.push_back(tracks.getElement(i)->prop.duration);
  observer.setTrackDurations(std::move(durations));
  StderrAlerts alerts;
  PublishOutcome outcome;
  {
    CancelOnInterrupt interrupt;
    outcome = PublishProject(tracks, project, players, force, &observer, &alerts);
    conversionAbort().set(-1);
  }
  bool trackFailed = false;
  for (int32_t i = 0; i < tracks.count(); ++i) {
    const int32_t status = tracks.getElement(i)->status;
    if (status != kStatusOk && status != kStatusTruncated) trackFailed = true;
  }
  const int exitStatus = outcome.cancelled ? kExitCancelled
                         : trackFailed || alerts.count() > 0 ? kExitFailure
                                                             : kExitOk;
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
    size_t start = 0;
    while (start <= outcome.summary.size()) {
      const size_t end = std::min(outcome.summary.find('\n', start), outcome.summary.size());
      PrintNote(outcome.summary.substr(start, end - start));
      start = end + 1;
    }
    if (outcome.published & kPublishedPage)
      PrintNote("Page: " + project.destDir + "/" + kPageFileName);
  }
  return exitStatus;
}

}  // namespace

void AddProjectCommands(CLI::App& app, int* exitStatus) {
  auto newOptions = std::make_shared<NewOptions>();
  CLI::App* create = app.add_subcommand("new", "Write a new project file with the given tracks");
  create->add_option("project", newOptions->project, "The project file to write (.brv)")->required();
  AddFileArguments(*create, newOptions->files, "MP3 files, in playing order", true);
  create->add_option("--dest", newOptions->dest, "Destination folder (default: the home folder)");
  create->add_option("--player", newOptions->player, "Player movie name (default: the first found)");
  create->add_option("--format", newOptions->format, "Default output format")
      ->check(CLI::IsMember({"swf", "flv"}));
  create->add_option("--fps", newOptions->fps, "Frame rate of the SWF movies")->check(CLI::Range(1, 200));
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
  auto showJson = std::make_shared<bool>(false);
  CLI::App* show = app.add_subcommand("show", "Print a project's settings and tracks");
  show->add_option("project", *showPath, "The project file (.brv)")->required();
  show->add_flag("--json", *showJson, "One JSON document: {\"project\", \"settings\", \"tracks\"}");
  show->callback([showPath, showJson, exitStatus] { *exitStatus = RunShow(*showPath, *showJson); });

  auto publishPath = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  auto publishJson = std::make_shared<bool>(false);
  CLI::App* publish = app.add_subcommand("publish", "Convert a project's tracks and publish its folder");
  publish->add_option("project", *publishPath, "The project file (.brv)")->required();
  publish->add_flag("--force", *force, "Convert tracks whose output already exists");
  publish->add_flag("--json", *publishJson,
                    "JSON Lines: one object per track as it finishes, then a summary object");
  publish->callback([publishPath, force, publishJson, exitStatus] {
    *exitStatus = RunPublish(*publishPath, *force, *publishJson);
  });
}

}  // namespace brelvano::cli

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
#include "cli/interrupt.h"
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
    std::fprintf(stderr, "brelvano-cli: %s: %s\n", title.c_str(), message.c_str());
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
  std::fprintf(stderr, "brelvano-cli: (while reading %s)\n", path.c_str());
}

// Reads the project and fills the list from its tracks, each re-analysed and
// marked converted when its output exists. False (reported) when unreadable.
bool LoadProject(const std::string& path, ProjectRecord& project, Mp3List& tracks) {
  if (ReadProjectFile(project, path) != kProjectRead) {
    CantOpenProject(path);
    return false;
  }
  tracks.removeAll();
  for (const _mp3entry* entry : project.entries) tracks.addEntry(*entry);
  MarkConvertedIfExists(project, tracks);
  project.entries.clear();
  project.ownedEntries.clear();
  return true;
}

const char* YesNo(uint32_t flags, uint32_t bit) { return (flags & bit) ? "yes" : "no"; }

void PrintSettings(const std::string& path, const ProjectRecord& project, int32_t trackCount) {
  const uint32_t flags = project.publishFlags;
  std::printf("Project:      %s\n", path.c_str());
  std::printf("Destination:  %s\n", project.destDir.c_str());
  std::printf("Player:       %s\n", project.player.c_str());
  std::printf("Format:       %s\n", project.defaultFormat != 0 ? "flv" : "swf");
  std::printf("Frame rate:   %d\n", project.fps);
  if (flags & kPublishTruncate) std::printf("Truncate:     %d s\n", project.maxTime);
  else std::printf("Truncate:     off\n");
  std::printf("Spectrum:     %s\n", YesNo(flags, kPublishSpectrum));
  std::printf("HTML page:    %s%s\n", YesNo(flags, kPublishGenerateHTML),
              (flags & kPublishUseTemplate) ? " (from template.html)" : "");
  std::printf("Playlist:     autostart %s, playall %s, loop %s, shuffle %s\n",
              YesNo(flags, kPublishAutostart), YesNo(flags, kPublishPlayall),
              YesNo(flags, kPublishLoop), YesNo(flags, kPublishShuffle));
  std::printf("Flags:        %u\n", flags);
  std::printf("Tracks:       %d\n", trackCount);
}

// ---- new ---------------------------------------------------------------

struct NewOptions {
  std::string project;
  std::vector<std::string> files;
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
    std::fprintf(stderr, "brelvano-cli: %s already exists (use --overwrite to replace it)\n",
                 projectPath.c_str());
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
      std::fprintf(stderr, "brelvano-cli: no player named \"%s\"; players found:", o.player.c_str());
      for (const PlayerFile& p : players) std::fprintf(stderr, " %s", p.name.c_str());
      std::fprintf(stderr, "\n");
      return kExitUsage;
    }
    project.player = o.player;
  } else if (!players.empty()) {
    project.player = players.front().name;
  } else {
    std::fprintf(stderr, "brelvano-cli: warning: no player movie found; the project has none\n");
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
  for (const std::string& file : o.files) {
    const std::string path = AbsolutePath(file);
    if (fs::path(path).extension() != ".mp3") {
      std::fprintf(stderr, "brelvano-cli: not added: %s: only files ending in .mp3 are taken\n",
                   file.c_str());
      status = kExitFailure;
      continue;
    }
    // A name the project file could not give back would make the project
    // unreadable or point at another file: such files are refused.
    std::string why;
    if (!IsStorableFileName(path, &why)) {
      std::fprintf(stderr, "brelvano-cli: not added: %s: %s\n", file.c_str(), why.c_str());
      status = kExitFailure;
      continue;
    }
    std::printf("File  = %s\n", path.c_str());
    tracks.addFile(path);
  }

  CollectEntries(tracks, &project.entries, nullptr);
  std::string saveError;
  const int32_t written = WriteProjectFile(project, projectPath, &saveError);
  project.entries.clear();
  if (written != kProjectWritten) {
    std::fprintf(stderr, "brelvano-cli: cannot save project %s: %s\n", projectPath.c_str(),
                 saveError.c_str());
    return kExitFailure;
  }
  std::printf("Wrote %s with %d track%s\n", projectPath.c_str(), tracks.count(),
              tracks.count() == 1 ? "" : "s");
  return status;
}

// ---- show --------------------------------------------------------------

int RunShow(const std::string& projectPath) {
  ProjectRecord project;
  Mp3List tracks;
  if (!LoadProject(projectPath, project, tracks)) return kExitFailure;
  PrintSettings(projectPath, project, tracks.count());
  std::printf("\n");
  TrackTable(tracks).PrintAligned(stdout);
  return kExitOk;
}

// ---- publish -----------------------------------------------------------

int RunPublish(const std::string& projectPath, bool force) {
  ProjectRecord project;
  Mp3List tracks;
  if (!LoadProject(projectPath, project, tracks)) return kExitFailure;
  std::error_code error;
  if (!project.destDir.empty() && !fs::is_directory(project.destDir, error)) {
    if (!fs::create_directories(project.destDir, error)) {
      std::fprintf(stderr, "brelvano-cli: cannot create destination folder %s: %s\n",
                   project.destDir.c_str(), error.message().c_str());
      return kExitFailure;
    }
  }
  const PlayersList players = FindPlayers();

  TerminalProgress observer(isatty(STDERR_FILENO) != 0);
  StderrAlerts alerts;
  PublishOutcome outcome;
  {
    CancelOnInterrupt interrupt;
    outcome = PublishProject(tracks, project, players, force, &observer, &alerts);
    conversionAbort().set(-1);
  }
  if (!outcome.failure.empty()) {
    std::fprintf(stderr, "brelvano-cli: %s\n", outcome.failure.c_str());
    return kExitFailure;
  }
  if (outcome.cancelled) {
    std::fprintf(stderr, "brelvano-cli: cancelled; nothing published\n");
    return kExitCancelled;
  }
  std::printf("%s\n", outcome.summary.c_str());
  if (outcome.published & kPublishedPage)
    std::printf("Page: %s/%s\n", project.destDir.c_str(), kPageFileName);

  // Skipped tracks (output there, not forced) are no failures.
  return observer.failures() > 0 || alerts.count() > 0 ? kExitFailure : kExitOk;
}

}  // namespace

void AddProjectCommands(CLI::App& app, int* exitStatus) {
  auto newOptions = std::make_shared<NewOptions>();
  CLI::App* create = app.add_subcommand("new", "Write a new project file with the given tracks");
  create->add_option("project", newOptions->project, "The project file to write (.brv)")->required();
  create->add_option("files", newOptions->files, "MP3 files, in playing order");
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
  CLI::App* show = app.add_subcommand("show", "Print a project's settings and tracks");
  show->add_option("project", *showPath, "The project file (.brv)")->required();
  show->callback([showPath, exitStatus] { *exitStatus = RunShow(*showPath); });

  auto publishPath = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  CLI::App* publish = app.add_subcommand("publish", "Convert a project's tracks and publish its folder");
  publish->add_option("project", *publishPath, "The project file (.brv)")->required();
  publish->add_flag("--force", *force, "Convert tracks whose output already exists");
  publish->callback([publishPath, force, exitStatus] { *exitStatus = RunPublish(*publishPath, *force); });
}

}  // namespace brelvano::cli

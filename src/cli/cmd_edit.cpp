// Project editing commands: add, remove, move, track, set, and players.
// Each opens the project, runs the application's own operation (the one the
// window's button runs), and saves; the rules are the application's.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "application/brelvano_application.h"
#include "cli/cli_application.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/json_output.h"
#include "cli/output_style.h"

namespace brelvano::cli {

namespace {

// The application with the project open; null (reported) when it cannot be.
std::unique_ptr<CliApplication> OpenForEditing(const std::string& path) {
  auto cli = std::make_unique<CliApplication>();
  AlertText alert;
  if (cli->application.openProjectFile(AbsolutePath(path), &alert)) return cli;
  PrintError(alert.message + ": " + alert.informative);
  PrintError("(while reading " + path + ": " + alert.reason + ")");
  return nullptr;
}

int Save(BrelvanoApplication& app) {
  AlertText alert;
  if (app.saveProject(&alert)) {
    PrintNote("Saved " + app.projectFilename() + " with " + std::to_string(app.trackCount()) +
              (app.trackCount() == 1 ? " track" : " tracks"));
    return kExitOk;
  }
  PrintError("cannot save project " + app.projectFilename() + ": " + alert.reason);
  return kExitFailure;
}

// 0-based rows of the TRACK arguments; none (reported) when one names no track.
std::optional<std::vector<int32_t>> FindTracks(const BrelvanoApplication& app,
                                               const std::vector<std::string>& tracks) {
  std::vector<int32_t> rows;
  for (const std::string& track : tracks) {
    const int32_t row = app.findTrack(track);
    if (row < 0) {
      PrintError("no track \"" + track + "\" in " + app.projectFilename() + " (" +
                 std::to_string(app.trackCount()) +
                 " tracks; give a number from 1 or a file name)");
      return std::nullopt;
    }
    rows.push_back(row);
  }
  return rows;
}

constexpr const char* kTrackHelp = "A track: its number (1 for the first) or its file name";

// ---- add ---------------------------------------------------------------

struct AddOptions {
  std::string project;
  FileArguments files;
};

int RunAdd(const AddOptions& o) {
  auto cli = OpenForEditing(o.project);
  if (!cli) return kExitFailure;
  BrelvanoApplication& app = cli->application;
  const int32_t before = app.trackCount();
  std::vector<std::string> paths, refused;
  for (const std::string& file : ResolveFiles(o.files)) paths.push_back(AbsolutePath(file));
  app.addFiles(paths, &refused);
  int status = kExitOk;
  for (const std::string& line : refused) PrintError("not added: " + line);
  if (!refused.empty()) status = kExitFailure;
  for (int32_t row = before; row < app.trackCount(); ++row) {
    const _mp3entry track = app.track(row);
    if (track.status == kStatusCannotOpen || track.status == kStatusUnsupported ||
        track.status == kStatusUnknown) {
      PrintWarning(track.filename + ": " + StatusText(track.status) + "; added all the same");
      status = kExitFailure;
    }
  }
  if (app.trackCount() == before) return status;  // nothing to save
  const int saved = Save(app);
  return saved != kExitOk ? saved : status;
}

// ---- remove ------------------------------------------------------------

int RunRemove(const std::string& project, const std::vector<std::string>& tracks) {
  auto cli = OpenForEditing(project);
  if (!cli) return kExitFailure;
  const auto rows = FindTracks(cli->application, tracks);
  if (!rows) return kExitFailure;
  cli->application.removeTracks(*rows);
  return Save(cli->application);
}

// ---- move --------------------------------------------------------------

int RunMove(const std::string& project, const std::string& track, const std::string& direction) {
  auto cli = OpenForEditing(project);
  if (!cli) return kExitFailure;
  const auto rows = FindTracks(cli->application, {track});
  if (!rows) return kExitFailure;
  const bool up = direction == "up";
  if (!cli->application.moveTracks(*rows, up ? -1 : 1)) {
    PrintError("track " + track + " is already " + (up ? "the first" : "the last") +
               "; nothing moved");
    return kExitFailure;
  }
  return Save(cli->application);
}

// ---- track -------------------------------------------------------------

struct TrackOptions {
  std::string project, track, format;
  std::optional<std::string> title, artist, album;
  bool restoreTags = false;
};

int RunTrack(const TrackOptions& o) {
  auto cli = OpenForEditing(o.project);
  if (!cli) return kExitFailure;
  BrelvanoApplication& app = cli->application;
  const auto rows = FindTracks(app, {o.track});
  if (!rows) return kExitFailure;
  const int32_t row = rows->front();
  if (!o.format.empty()) {
    app.setTrackFormat({row}, o.format == "swf"   ? kFormatSwf
                              : o.format == "flv" ? kFormatFlv
                                                  : kFormatDefault);
  }
  if (o.restoreTags) {
    app.restoreTags(row);
  } else if (o.title || o.artist || o.album) {
    // The edit sheet shows the three fields; the ones not given stay as shown.
    const _Id3& id3 = app.track(row).prop.id3;
    auto field = [](const char* text, size_t size) {
      return std::string(text, strnlen(text, size));
    };
    app.editTags(row, o.title.value_or(field(id3.song, sizeof id3.song)),
                 o.artist.value_or(field(id3.artist, sizeof id3.artist)),
                 o.album.value_or(field(id3.album, sizeof id3.album)));
  }
  if (!app.edited()) {
    PrintError("nothing to change (give --format, --title, --artist, --album or --restore-tags)");
    return kExitUsage;
  }
  return Save(app);
}

// ---- set ---------------------------------------------------------------

struct SetOptions {
  std::string project;
  std::optional<std::string> dest, player, format;
  std::optional<int> fps, truncate;
  bool noTruncate = false;
  // Each pair of switches: on, off.
  bool spectrum = false, noSpectrum = false, html = false, noHtml = false;
  bool useTemplate = false, noTemplate = false, shuffle = false, noShuffle = false;
  bool autostart = false, noAutostart = false, playall = false, noPlayall = false;
  bool loop = false, noLoop = false;
};

int RunSet(const SetOptions& o) {
  auto cli = OpenForEditing(o.project);
  if (!cli) return kExitFailure;
  BrelvanoApplication& app = cli->application;
  ProjectSettings controls = app.settings();
  // Each option is one control changed, in the order a user would go down the window.
  auto change = [&](SettingControl control) { app.changeSetting(control, controls); };
  bool changed = false;
  auto toggle = [&](bool on, bool off, bool& value, SettingControl control) {
    if (!on && !off) return;
    value = on;
    change(control);
    changed = true;
  };
  if (o.player) {
    bool known = false;
    std::string found;
    for (const PlayerFile& p : app.players()) {
      known = known || p.name == *o.player;
      found += " " + p.name;
    }
    if (!known) {
      PrintError("no player named \"" + *o.player + "\"; players found:" + found);
      return kExitUsage;
    }
    controls.player = *o.player;
    change(SettingControl::kPlayer);
    changed = true;
  }
  if (o.dest) {
    controls.destFolder = AbsolutePath(*o.dest);
    change(SettingControl::kDestFolder);
    changed = true;
  }
  if (o.format) {
    controls.exportFormat = *o.format == "flv" ? 1 : 0;
    change(SettingControl::kExportFormat);
    changed = true;
  }
  if (o.fps) {
    controls.fps = *o.fps;
    change(SettingControl::kFps);
    changed = true;
  }
  if (o.truncate) {
    controls.maxTime = *o.truncate;
    change(SettingControl::kMaxTime);
  }
  toggle(o.truncate.has_value(), o.noTruncate, controls.truncate, SettingControl::kTruncate);
  toggle(o.spectrum, o.noSpectrum, controls.spectrum, SettingControl::kSpectrum);
  toggle(o.html, o.noHtml, controls.generateHTML, SettingControl::kGenerateHTML);
  toggle(o.useTemplate, o.noTemplate, controls.useTemplate, SettingControl::kUseTemplate);
  toggle(o.shuffle, o.noShuffle, controls.shuffle, SettingControl::kShuffle);
  toggle(o.autostart, o.noAutostart, controls.autostart, SettingControl::kAutostart);
  toggle(o.playall, o.noPlayall, controls.playall, SettingControl::kPlayall);
  toggle(o.loop, o.noLoop, controls.loop, SettingControl::kLoop);
  if (!changed) {
    PrintError("nothing to change (see 'brelvano-cli set --help')");
    return kExitUsage;
  }
  return Save(app);
}

void AddSwitchPair(CLI::App* cmd, const std::string& name, bool& on, bool& off,
                   const std::string& what) {
  CLI::Option* yes = cmd->add_flag("--" + name, on, "Turn " + what + " on");
  CLI::Option* no = cmd->add_flag("--no-" + name, off, "Turn " + what + " off");
  yes->excludes(no);
}

// ---- players -----------------------------------------------------------

int RunPlayers(bool json) {
  CliApplication cli;
  const PlayersList& players = cli.application.players();
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const PlayerFile& p : players) list.push_back({{"name", p.name}, {"path", p.path}});
    const PlayersFolders& folders = cli.application.playersFolders();
    PrintJsonDocument({{"players", std::move(list)},
                       {"folders", {folders.playersDir, folders.customPlayersDir}}});
  } else {
    for (const PlayerFile& p : players) PrintNote(p.name + "  " + p.path);
  }
  if (players.empty()) {
    const PlayersFolders& folders = cli.application.playersFolders();
    PrintError("no player movie found in " + folders.playersDir + " or " +
               folders.customPlayersDir);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

void AddEditCommands(CLI::App& app, int* exitStatus) {
  auto add = std::make_shared<AddOptions>();
  CLI::App* addCmd =
      app.add_subcommand("add", "Add MP3 files at the end of a project's track list");
  addCmd->add_option("PROJECT", add->project, "The project file (.brv)")->required();
  AddFileArguments(*addCmd, add->files, "MP3 files (names ending in .mp3)");
  addCmd->callback([add, exitStatus] { *exitStatus = RunAdd(*add); });

  auto removeProject = std::make_shared<std::string>();
  auto removeTracks = std::make_shared<std::vector<std::string>>();
  CLI::App* removeCmd = app.add_subcommand("remove", "Remove tracks from a project");
  removeCmd->add_option("PROJECT", *removeProject, "The project file (.brv)")->required();
  removeCmd->add_option("TRACK", *removeTracks, kTrackHelp)->required();
  removeCmd->callback([=] { *exitStatus = RunRemove(*removeProject, *removeTracks); });

  auto move = std::make_shared<std::vector<std::string>>(3);
  CLI::App* moveCmd = app.add_subcommand("move", "Move a track one place up or down");
  moveCmd->add_option("PROJECT", (*move)[0], "The project file (.brv)")->required();
  moveCmd->add_option("TRACK", (*move)[1], kTrackHelp)->required();
  moveCmd->add_option("DIRECTION", (*move)[2], "up (towards the first) or down")
      ->required()
      ->check(CLI::IsMember({"up", "down"}));
  moveCmd->callback([=] { *exitStatus = RunMove((*move)[0], (*move)[1], (*move)[2]); });

  auto track = std::make_shared<TrackOptions>();
  CLI::App* trackCmd = app.add_subcommand("track", "Set one track's output format or tags");
  trackCmd->add_option("PROJECT", track->project, "The project file (.brv)")->required();
  trackCmd->add_option("TRACK", track->track, kTrackHelp)->required();
  trackCmd
      ->add_option("--format", track->format, "Output format: default (the project's), swf or flv")
      ->check(CLI::IsMember({"default", "swf", "flv"}));
  CLI::Option* title = trackCmd->add_option("--title", track->title, "Title (up to 255 bytes)");
  CLI::Option* artist = trackCmd->add_option("--artist", track->artist, "Artist (up to 79 bytes)");
  CLI::Option* album = trackCmd->add_option("--album", track->album, "Album (up to 79 bytes)");
  trackCmd->add_flag("--restore-tags", track->restoreTags, "Take the file's own tags again")
      ->excludes(title)
      ->excludes(album)
      ->excludes(artist);
  trackCmd->callback([track, exitStatus] { *exitStatus = RunTrack(*track); });

  auto set = std::make_shared<SetOptions>();
  CLI::App* setCmd = app.add_subcommand("set", "Change a project's settings");
  setCmd->add_option("PROJECT", set->project, "The project file (.brv)")->required();
  setCmd->add_option("--dest", set->dest, "Destination folder");
  setCmd->add_option("--player", set->player, "Player movie name (see 'brelvano-cli players')");
  setCmd->add_option("--format", set->format, "Default output format")
      ->check(CLI::IsMember({"swf", "flv"}));
  setCmd->add_option("--fps", set->fps, "Frame rate of the SWF movies")->check(CLI::Range(1, 200));
  CLI::Option* truncate =
      setCmd->add_option("--truncate", set->truncate, "Stop every track after SECONDS")
          ->check(CLI::Range(1, 24 * 3600));
  setCmd->add_flag("--no-truncate", set->noTruncate, "Convert whole tracks")->excludes(truncate);
  AddSwitchPair(setCmd, "spectrum", set->spectrum, set->noSpectrum, "the spectrum in the outputs");
  AddSwitchPair(setCmd, "html", set->html, set->noHtml, "writing index.html");
  AddSwitchPair(setCmd, "template", set->useTemplate, set->noTemplate,
                "making index.html from template.html in the destination folder");
  AddSwitchPair(setCmd, "shuffle", set->shuffle, set->noShuffle, "the player setting shuffle");
  AddSwitchPair(setCmd, "autostart", set->autostart, set->noAutostart,
                "the player setting autostart");
  AddSwitchPair(setCmd, "playall", set->playall, set->noPlayall, "the player setting playall");
  AddSwitchPair(setCmd, "loop", set->loop, set->noLoop, "the player setting loop");
  setCmd->callback([set, exitStatus] { *exitStatus = RunSet(*set); });

  auto playersJson = std::make_shared<bool>(false);
  CLI::App* playersCmd = app.add_subcommand("players", "List the player movies found and where");
  playersCmd->add_flag("--json", *playersJson,
                       "One JSON document: {\"players\": [{name, path}], \"folders\"}");
  playersCmd->callback([playersJson, exitStatus] { *exitStatus = RunPlayers(*playersJson); });
}

}  // namespace brelvano::cli

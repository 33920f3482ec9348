// The application: one project, its track list and its settings, with every
// operation the desktop window and brelvano-cli offer on them. The front ends
// hold widgets or arguments only; what an action does to the project lives here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/mp3entry.h"
#include "analysis/mp3list.h"
#include "application/application_observer.h"
#include "application/console_output.h"
#include "application/project_settings.h"
#include "application/settings_store.h"
#include "application/user_folders.h"
#include "base/alerts.h"
#include "convert/batch.h"
#include "convert/project_record.h"
#include "publish/players.h"
#include "publish/publish_operation.h"

namespace brelvano {

// A message the user must see, as the front end shows it (an alert in the
// window, a line on standard error in the CLI).
struct AlertText {
  AlertStyle style = AlertStyle::kInformational;
  std::string message;      // "Can't open Project"
  std::string informative;  // "Project file may not be readible or content is corrupt."
  std::string reason;       // why, from the system or the XML parser; may be empty
  std::string button;       // "Continue"
};

// What preparing a player test made.
struct PlayerTestPage {
  bool ok = false;                  // false: show `alert` instead of the page
  std::string pagePath;             // folder + "/index.html"
  std::string folder;               // the test folder
  int32_t width = -1, height = -1;  // the player's frame size; -1 when unknown
  AlertText alert;                  // "Test in Player" / "Please make ONE selection in list first."
};

// The folders players are looked up in, the bundled one first.
struct PlayersFolders {
  std::string playersDir;        // the bundled players
  std::string customPlayersDir;  // the user's own (the window creates it at start-up)
};

// The maximum-duration label for a frame rate: 16384 frames / fps as
// "(Max duration: %dm:%02ds)", or "(Max duration: %dh:%02dm:%02ds)" from an
// hour on; empty for 0 (the label then keeps its text).
std::string MaxDurationText(int32_t fps);

class BrelvanoApplication {
 public:
  // The store, console and observer are not owned and must outlive the
  // application; console may be null (the two console lines are then dropped).
  // Starts as the untitled project "NoTitle.brv" made from the defaults, the
  // players folders scanned.
  BrelvanoApplication(SettingsStore& defaults, ConsoleOutput* console, PlayersFolders folders);
  ~BrelvanoApplication();
  BrelvanoApplication(const BrelvanoApplication&) = delete;
  BrelvanoApplication& operator=(const BrelvanoApplication&) = delete;

  void setObserver(ApplicationObserver* observer) { observer_ = observer; }

  // ---- State (copies: nothing handed out is invalidated by a later change)
  const ProjectRecord& project() const { return project_; }
  const std::string& projectFilename() const { return projectFilename_; }
  bool alreadySaved() const { return alreadySaved_; }
  bool edited() const { return edited_; }
  // The window's document-edited mark: on while edited or never saved.
  bool editedMarkShown() const { return edited_ || !alreadySaved_; }
  // The window title: the project file's last path component.
  std::string title() const;
  const std::vector<std::string>& recentProjects() const { return recentProjects_; }

  int32_t trackCount() const { return mp3List_.count(); }
  _mp3entry track(int32_t row) const { return *mp3List_.getElement(row); }
  // The track table's cell text (column identifiers as the track list names them).
  std::string cellText(const std::string& columnIdentifier, int32_t row) const;
  // A track by 1-based number or by file name (full path, or last component
  // when that is unique); -1 when there is no such track.
  int32_t findTrack(const std::string& numberOrName) const;

  // ---- Settings: the controls' values, the record a snapshot of them
  const ProjectSettings& settings() const { return controls_; }
  // The user changed one control; `controls` holds every control's new value.
  // Applies the rules of that control: the fps field and stepper kept equal
  // and the duration label, the format's converted marks, force-conversion
  // ticks, the enabling states, and the edited mark (not for the destination
  // field, nor for force conversion itself).
  void changeSetting(SettingControl control, const ProjectSettings& controls);
  // Controls to record, keeping bits 8..31 of publishFlags.
  void getProjectFromGUI();
  // Record to controls, and the track list from the record's read tracks
  // (each re-scanned: a file that is gone or unsupported shows so, then
  // marked converted when its output exists).
  void setGuiFromProject();
  // "(Max duration: 9m:06s)" for 30 fps; keeps the last text while fps is 0.
  const std::string& maxDurationText() const { return maxDurationText_; }
  // The enabled and hidden states for the given table selection.
  ControlStates controlStates(const std::vector<int32_t>& selectedRows) const;

  // ---- Defaults (user settings store). A missing or empty "DestFolder"
  // gives DefaultDestinationFolder(HomeFolder()).
  void getDefaults();
  // False when the store could not be written.
  bool saveDefaults();

  // ---- Track actions (rows are 0-based, any order; each marks the project edited)
  // Keeps paths ending exactly in ".mp3", printing "File  = %s\n" for each;
  // returns the number added. Other paths, and paths a project could not
  // store, are refused: "<path>: <why>" in *refused (one per path) when given.
  // Files that cannot be read are still added; their status says why.
  int32_t addFiles(const std::vector<std::string>& paths,
                   std::vector<std::string>* refused = nullptr);
  void removeTracks(const std::vector<int32_t>& rows);
  // Moves every selected row one place (direction -1 up, +1 down) or none;
  // the new selection, or nothing when no row moved (then not edited).
  std::optional<std::vector<int32_t>> moveTracks(const std::vector<int32_t>& rows,
                                                 int32_t direction);
  // format: kFormatSwf, kFormatFlv, anything else kFormatDefault.
  void setTrackFormat(const std::vector<int32_t>& rows, int32_t format);
  // The edit sheet applied: texts cut at a character boundary to the field
  // sizes (255, 79, 79 bytes), control characters other than tab, line feed
  // and carriage return dropped, `valid` 2.
  void editTags(int32_t row, const std::string& title, const std::string& artist,
                const std::string& album);
  // The edit sheet's restore: `valid` 0 and a re-scan.
  void restoreTags(int32_t row);

  // ---- Project lifecycle (the "Save changes?" question is the front end's)
  void newProject();
  // On failure the project stays as it was and *alert says why.
  bool openProjectFile(const std::string& path, AlertText* alert = nullptr);
  // Opens recentProjects()[index] (which then moves to the front).
  bool openRecent(int32_t index, AlertText* alert = nullptr);
  // Saves to projectFilename(); needs alreadySaved(). False (still edited)
  // with *alert when the file could not be written.
  bool saveProject(AlertText* alert = nullptr);
  bool saveProjectAs(const std::string& path, AlertText* alert = nullptr);

  // ---- Players
  // Rescans the players folders; keeps the selected player when it is still
  // there, else selects the first.
  void buildPlayersMenus();
  const PlayersList& players() const { return players_; }
  const PlayersFolders& playersFolders() const { return folders_; }

  // Writes the test playlist of the selected tracks, the player copy and the
  // page into folder (prints "Test with %s\n").
  PlayerTestPage testInPlayer(const std::string& playerName, const std::vector<int32_t>& rows,
                              const std::string& folder);
  // The file the folder preview opens: the page, or the player when no page
  // is made; empty when it cannot be read.
  std::string folderPreviewPath() const;

  // ---- Publish: controls to record, the batch (forced by the force-conversion
  // control or `force`), then the folder (created when missing). A
  // destination that is empty or cannot be made is refused before anything
  // is written: nothing converted or published, the reason told to alerts
  // and in *refusal (when given; its message is empty when not refused).
  PublishOutcome publish(bool force, ConversionObserver* observer, AlertSink* alerts,
                         AlertText* refusal = nullptr);

 private:
  void setEdited(bool flag);
  void addFileToRecent(const std::string& path);
  void fpsChanged(SettingControl sender);
  void formatChanged();
  void markAllConverted();
  void notifySettings();
  void notifyAllRowsChanged();

  SettingsStore& defaults_;
  ConsoleOutput* console_;
  ApplicationObserver* observer_ = nullptr;
  PlayersFolders folders_;
  PlayersList players_;

  ProjectRecord project_;
  ProjectSettings controls_;
  Mp3List mp3List_;
  std::string projectFilename_;
  bool alreadySaved_ = false;
  bool edited_ = false;
  bool started_ = false;  // the first new project, made by the constructor, is done
  std::vector<std::string> recentProjects_;
  std::string maxDurationText_;
};

}  // namespace brelvano

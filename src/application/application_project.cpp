// The project's life: new, open, save, save as, the recent list and the edited mark.
#include <algorithm>

#include "application/brelvano_application.h"
#include "base/file_services.h"
#include "project/project_reader.h"
#include "project/project_writer.h"
#include "publish/publish_files.h"

namespace brelvano {

namespace {

constexpr size_t kMaxRecentProjects = 6;

AlertText CantOpenProject(const std::string& reason) {
  return {AlertStyle::kCritical, "Can't open Project",
          "Project file may not be readible or content is corrupt.", reason, "Continue"};
}

AlertText CantSaveProject(const std::string& reason) {
  return {AlertStyle::kCritical, "Can't save Project",
          "The project was not saved and keeps its unsaved changes.", reason, "Continue"};
}

}  // namespace

BrelvanoApplication::BrelvanoApplication(SettingsStore& defaults, ConsoleOutput* console,
                                         PlayersFolders folders)
    : defaults_(defaults), console_(console), folders_(std::move(folders)) {
  buildPlayersMenus();
  newProject();
}

BrelvanoApplication::~BrelvanoApplication() = default;

std::string BrelvanoApplication::title() const { return LastPathComponent(projectFilename_); }

void BrelvanoApplication::setEdited(bool flag) {
  edited_ = flag;
  if (!observer_) return;
  observer_->titleChanged(title());
  observer_->editedChanged(edited_, editedMarkShown());
}

void BrelvanoApplication::addFileToRecent(const std::string& path) {
  const auto found = std::find(recentProjects_.begin(), recentProjects_.end(), path);
  if (found == recentProjects_.end()) {
    recentProjects_.insert(recentProjects_.begin(), path);
    if (recentProjects_.size() > kMaxRecentProjects) recentProjects_.resize(kMaxRecentProjects);
  } else {
    std::rotate(recentProjects_.begin(), found, found + 1);
  }
  if (observer_) observer_->recentProjectsChanged(recentProjects_);
}

void BrelvanoApplication::newProject() {
  alreadySaved_ = false;
  projectFilename_ = kUntitledProjectName;
  project_ = ProjectRecord{};
  // The recent list is read from the defaults once, at start-up: it reaches
  // them again only at quit, so reading it here would lose this session's entries.
  std::vector<std::string> recent = recentProjects_;
  getDefaults();
  if (started_) {
    recentProjects_ = std::move(recent);
    if (observer_) observer_->recentProjectsChanged(recentProjects_);
  }
  started_ = true;
  setGuiFromProject();
  setEdited(false);
}

bool BrelvanoApplication::openProjectFile(const std::string& path, AlertText* alert) {
  // Read into a copy: settings the file lacks keep their current values, and
  // a failure leaves the project as it was.
  ProjectRecord copy = project_;
  copy.entries.clear();
  copy.ownedEntries.clear();
  // Except the destination: a file that names none has none (publishing then
  // asks for one), rather than publishing wherever the last project did.
  copy.destDir.clear();
  std::string reason;
  if (ReadProjectFile(copy, path, &reason) != kProjectRead) {
    if (alert) *alert = CantOpenProject(reason);
    return false;
  }
  project_ = std::move(copy);
  projectFilename_ = path;
  setGuiFromProject();
  alreadySaved_ = true;
  setEdited(false);
  addFileToRecent(path);
  return true;
}

bool BrelvanoApplication::openRecent(int32_t index, AlertText* alert) {
  if (index < 0 || static_cast<size_t>(index) >= recentProjects_.size()) return false;
  const std::string path = recentProjects_[static_cast<size_t>(index)];
  return openProjectFile(path, alert);
}

bool BrelvanoApplication::saveProject(AlertText* alert) {
  if (!alreadySaved_) {
    if (alert) *alert = CantSaveProject("The project has no file yet: save it under a name.");
    return false;
  }
  getProjectFromGUI();
  CollectEntries(mp3List_, &project_.entries, nullptr);
  std::string reason;
  const int32_t written = WriteProjectFile(project_, projectFilename_, &reason);
  project_.entries.clear();
  if (written != kProjectWritten) {
    if (alert) *alert = CantSaveProject(reason);
    setEdited(true);
    return false;
  }
  setEdited(false);
  return true;
}

bool BrelvanoApplication::saveProjectAs(const std::string& path, AlertText* alert) {
  // The project takes the new name only once it is written there.
  const std::string previousName = projectFilename_;
  const bool previouslySaved = alreadySaved_;
  projectFilename_ = path;
  alreadySaved_ = true;
  if (!saveProject(alert)) {
    projectFilename_ = previousName;
    alreadySaved_ = previouslySaved;
    setEdited(true);
    return false;
  }
  addFileToRecent(path);
  setEdited(false);
  return true;
}

}  // namespace brelvano

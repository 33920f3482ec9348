// The setting controls, the record they are copied to and from, and the user defaults.
#include <cstdio>

#include "application/brelvano_application.h"
#include "base/file_services.h"
#include "convert/output_path.h"
#include "publish/publish_files.h"

namespace brelvano {

namespace {

// The SWF frame counter's range: what the duration label divides by the frame rate.
constexpr int32_t kMaxDurationFrames = 16384;

void SetBit(uint32_t& flags, uint32_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

}  // namespace

std::string MaxDurationText(int32_t fps) {
  if (fps == 0) return {};
  const int32_t total = kMaxDurationFrames / fps;
  const int32_t h = total / 3600, m = (total - 3600 * h) / 60, s = total % 60;
  char text[64];
  if (h != 0)
    std::snprintf(text, sizeof text, "(Max duration: %dh:%02dm:%02ds)", h, m, s);
  else
    std::snprintf(text, sizeof text, "(Max duration: %dm:%02ds)", m, s);
  return text;
}

void BrelvanoApplication::notifySettings() {
  if (observer_) observer_->settingsChanged();
}

void BrelvanoApplication::getProjectFromGUI() {
  uint32_t& flags = project_.publishFlags;  // bits 8..31 stay as they are
  SetBit(flags, kPublishGenerateHTML, controls_.generateHTML);
  SetBit(flags, kPublishUseTemplate, controls_.useTemplate);
  project_.player = controls_.player;
  project_.destDir = controls_.destFolder;
  SetBit(flags, kPublishSpectrum, controls_.spectrum);
  SetBit(flags, kPublishTruncate, controls_.truncate);
  project_.fps = controls_.fps;
  project_.maxTime = controls_.truncate ? controls_.maxTime : 0;
  project_.defaultFormat = controls_.exportFormat == 1 ? 1 : 0;
  SetBit(flags, kPublishAutostart, controls_.autostart);
  SetBit(flags, kPublishLoop, controls_.loop);
  SetBit(flags, kPublishPlayall, controls_.playall);
  SetBit(flags, kPublishShuffle, controls_.shuffle);
}

void BrelvanoApplication::setGuiFromProject() {
  mp3List_.removeAll();
  for (const _mp3entry* entry : project_.entries) {
    int32_t scanResult = 0;
    _mp3entry* added = mp3List_.addEntry(*entry, &scanResult);
    // A file that is gone or unsupported says so rather than showing as not converted.
    if (scanResult != 0) added->status = StatusForScanResult(scanResult);
  }
  // By the output names of the whole list.
  MarkConvertedIfExists(project_, mp3List_);
  project_.entries.clear();
  project_.ownedEntries.clear();
  if (observer_) observer_->tracksReset();

  const uint32_t flags = project_.publishFlags;
  controls_.player = project_.player;
  bool known = false;
  for (const PlayerFile& p : players_) known = known || p.name == project_.player;
  if (!known) controls_.player = players_.empty() ? std::string() : players_.front().name;
  controls_.destFolder = project_.destDir;
  controls_.maxTime = project_.maxTime;
  controls_.truncate = (flags & kPublishTruncate) != 0;
  controls_.generateHTML = (flags & kPublishGenerateHTML) != 0;
  controls_.useTemplate = (flags & kPublishUseTemplate) != 0;
  controls_.autostart = (flags & kPublishAutostart) != 0;
  controls_.loop = (flags & kPublishLoop) != 0;
  controls_.playall = (flags & kPublishPlayall) != 0;
  controls_.shuffle = (flags & kPublishShuffle) != 0;
  controls_.spectrum = (flags & kPublishSpectrum) != 0;
  controls_.exportFormat = project_.defaultFormat != 0 ? 1 : 0;
  controls_.fps = project_.fps;
  fpsChanged(SettingControl::kFps);
  controls_.forceConversion = false;
  notifySettings();
}

void BrelvanoApplication::fpsChanged(SettingControl /*sender*/) {
  // The field and its stepper are one value here, so step 2 has nothing to copy.
  if (mp3List_.count() > 0) controls_.forceConversion = true;
  if (controls_.fps != 0) maxDurationText_ = MaxDurationText(controls_.fps);
  setEdited(true);
}

void BrelvanoApplication::markAllConverted() { MarkConvertedIfExists(project_, mp3List_); }

void BrelvanoApplication::notifyAllRowsChanged() {
  if (observer_ && mp3List_.count() > 0) observer_->rowsChanged(0, mp3List_.count() - 1);
}

void BrelvanoApplication::formatChanged() {
  getProjectFromGUI();
  markAllConverted();
  notifyAllRowsChanged();
  fpsChanged(SettingControl::kExportFormat);
}

void BrelvanoApplication::changeSetting(SettingControl control, const ProjectSettings& controls) {
  controls_ = controls;
  switch (control) {
    case SettingControl::kFps:
    case SettingControl::kFpsStepper:
      fpsChanged(control);
      break;
    case SettingControl::kExportFormat:
      formatChanged();
      break;
    case SettingControl::kSpectrum:
    case SettingControl::kMaxTime:
    case SettingControl::kTruncate:
      if (mp3List_.count() > 0) controls_.forceConversion = true;
      setEdited(true);
      break;
    case SettingControl::kDestFolder:       // choosing or typing a folder is no edit
    case SettingControl::kForceConversion:  // not part of the project
      break;
    default:
      setEdited(true);
      break;
  }
  notifySettings();
}

ControlStates BrelvanoApplication::controlStates(const std::vector<int32_t>& selectedRows) const {
  ControlStates states;
  states.trackActionsEnabled = !selectedRows.empty();
  states.publishEnabled = mp3List_.count() > 0;
  states.useTemplateEnabled = controls_.generateHTML;
  states.maxTimeEnabled = controls_.truncate;
  states.maxDurationHidden = controls_.exportFormat == 1;
  states.folderPreviewEnabled = !folderPreviewPath().empty();
  return states;
}

std::string BrelvanoApplication::folderPreviewPath() const {
  if (project_.destDir.empty() || project_.player.empty()) return {};
  const std::string name = (project_.publishFlags & kPublishGenerateHTML)
                               ? std::string(kPageFileName)
                               : project_.player + ".swf";
  const std::string path = project_.destDir + "/" + name;
  return FileIsReadable(path) ? path : std::string();
}

void BrelvanoApplication::getDefaults() {
  const int64_t fps = defaults_.integer(kDefaultsFrameRate).value_or(0);
  project_.fps = fps == 0 ? kDefaultFps : static_cast<int32_t>(fps);
  project_.maxTime = static_cast<int32_t>(defaults_.integer(kDefaultsMaxTime).value_or(0));
  const std::string dest = defaults_.text(kDefaultsDestFolder).value_or("");
  project_.destDir = dest.empty() ? DefaultDestinationFolder(HomeFolder()) : dest;
  const std::string current = defaults_.text(kDefaultsCurrentPlayer).value_or("");
  project_.player = players_.empty() ? std::string() : players_.front().name;
  for (const PlayerFile& p : players_) {
    if (p.name == current) project_.player = current;
  }
  const int64_t flags = defaults_.integer(kDefaultsPublishFlags).value_or(0);
  project_.publishFlags = flags == 0 ? kDefaultPublishFlags : static_cast<uint32_t>(flags);
  recentProjects_ = defaults_.texts(kDefaultsRecentProjects).value_or(std::vector<std::string>{});
  if (observer_) observer_->recentProjectsChanged(recentProjects_);
}

bool BrelvanoApplication::saveDefaults() {
  defaults_.setInteger(kDefaultsSpectrum, controls_.spectrum ? 1 : 0);
  defaults_.setText(kDefaultsDestFolder, controls_.destFolder);
  defaults_.setText(kDefaultsCurrentPlayer, controls_.player);
  defaults_.setInteger(kDefaultsGenerateHTML, controls_.generateHTML ? 1 : 0);
  defaults_.setInteger(kDefaultsUseHtmlTemplate, controls_.useTemplate ? 1 : 0);
  defaults_.setTexts(kDefaultsRecentProjects, recentProjects_);
  return defaults_.synchronize();
}

}  // namespace brelvano

// Players, the player test page, and publishing.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "analysis/index_set.h"
#include "application/brelvano_application.h"
#include "publish/playlist.h"
#include "publish/publish_files.h"

namespace brelvano {

namespace fs = std::filesystem;

void BrelvanoApplication::buildPlayersMenus() {
  players_ = ScanPlayersFolders({folders_.playersDir, folders_.customPlayersDir});
  bool kept = false;
  for (const PlayerFile& p : players_)
    kept = kept || (!controls_.player.empty() && p.name == controls_.player);
  if (!kept) controls_.player = players_.empty() ? std::string() : players_.front().name;
  if (observer_) {
    observer_->playersChanged();
    observer_->settingsChanged();
  }
}

PlayerTestPage BrelvanoApplication::testInPlayer(const std::string& playerName,
                                                 const std::vector<int32_t>& rows,
                                                 const std::string& folder) {
  PlayerTestPage page;
  page.folder = folder;
  page.pagePath = folder + "/" + kPageFileName;
  if (console_) console_->write("Test with " + playerName + "\n");

  // The record as it is (the window's settings are not copied in first).
  ProjectRecord test = project_;
  test.ownedEntries.clear();
  StdIndexSet selection;
  for (int32_t row : rows) {
    if (row >= 0 && row < mp3List_.count()) selection.addIndex(row);
  }
  CollectEntries(mp3List_, &test.entries, &selection);
  const int32_t listed = WritePlaylist(test, folder, true);
  test.entries.clear();

  CopyPlayer(players_, playerName, folder, &page.width, &page.height);
  if (FILE* html = std::fopen(page.pagePath.c_str(), "w")) {
    std::fputs("<html>\n", html);
    std::fputs("<body>\n", html);
    WritePlayerObject(html, page.width, page.height, playerName);
    std::fputs("</body>\n", html);
    std::fputs("</html>\n", html);
    std::fclose(html);
  }
  page.ok = listed >= 1;
  if (!page.ok) {
    page.alert = {AlertStyle::kInformational, "Test in Player",
                  "Please make ONE selection in list first.", "", "Ok"};
  }
  return page;
}

PublishOutcome BrelvanoApplication::publish(bool force, ConversionObserver* observer,
                                            AlertSink* alerts, AlertText* refusal) {
  getProjectFromGUI();
  if (refusal) *refusal = AlertText{};
  // Refused before anything is written: an empty destination would put the
  // movies and playlist at the filesystem root.
  AlertText refused;
  std::error_code error;
  if (project_.destDir.empty()) {
    refused = {AlertStyle::kCritical, "Can't publish",
               "The project has no destination folder. Choose one first.", "", "Continue"};
  } else if (!fs::is_directory(project_.destDir, error)) {
    error.clear();
    fs::create_directories(project_.destDir, error);
    if (error || !fs::is_directory(project_.destDir, error)) {
      refused = {AlertStyle::kCritical, "Can't publish",
                 "Cannot create the destination folder " + project_.destDir + ".",
                 error ? error.message() : std::strerror(ENOTDIR), "Continue"};
    }
  }
  if (!refused.message.empty()) {
    if (alerts) {
      alerts->alert(refused.style, refused.message,
                    refused.informative + (refused.reason.empty() ? "" : "\n" + refused.reason),
                    refused.button);
    }
    if (refusal) *refusal = refused;
    return PublishOutcome{};
  }
  PublishOutcome outcome = PublishProject(mp3List_, project_, players_,
                                          force || controls_.forceConversion, observer, alerts);
  notifyAllRowsChanged();
  return outcome;
}

}  // namespace brelvano

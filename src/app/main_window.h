// The main window: the track table, the setting controls, the menus and the
// commands. Every command asks the application layer to do the work; the
// window shows what the layer's notifications say changed.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "application/brelvano_application.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace brelvano {

class AudioPanel;
class HelpWindow;
class Panels;
class PlayerTestWindow;
class ProgressPanel;
class TrackEditSheet;
class TrackTableModel;

class MainWindow : public QMainWindow, public ApplicationObserver {
  Q_OBJECT

 public:
  // application, defaults and panels are not owned and must outlive the window.
  MainWindow(BrelvanoApplication& application, SettingsStore& defaults, Panels& panels,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // ---- Start-up: files handed over before finishLaunching are kept for it.
  // A single project file is opened, any other list is added as tracks.
  void handOver(const QStringList& files);
  // Scans the players, shows the defaults, opens or adds what was handed
  // over and leaves the project unedited; from then on hand-overs act at once.
  void finishLaunching();
  bool ready() const { return ready_; }

  // ---- Commands (the menus and buttons call these)
  void addFilesCommand();
  void addFiles(const QStringList& paths);
  void removeTracks();
  void moveTracks(int direction);
  void setTrackFormat(int format);
  void editTags();
  void listen();
  void newProject();
  void openProject();
  bool openProjectFile(const QString& path);
  bool saveProject();
  bool saveProjectAs();
  void openRecent(int index);
  void publish();
  void testInPlayer(const QString& playerName);
  void chooseDestination();
  void exploreDestination();
  void previewDestination();
  void showHelp();
  void showAbout();
  // The unsaved-changes guard: true when the caller may replace the project.
  bool checkEdited();
  // The quit command: false when the user kept the project open; otherwise
  // the defaults are written and quitAllowed is emitted.
  bool requestQuit();
  void bringToFront();

  std::vector<int32_t> selectedRows() const;
  void selectRows(const std::vector<int32_t>& rows);

  TrackTableModel* model() const { return model_; }
  QTableView* table() const { return table_; }
  TrackEditSheet* editSheet() const { return editSheet_; }
  ProgressPanel* progressPanel() const { return progressPanel_; }
  AudioPanel* audioPanel();
  PlayerTestWindow* testWindow();
  HelpWindow* helpWindow();
  QMenu* recentMenu() const { return recentMenu_; }
  QMenu* testMenu() const { return testMenu_; }
  // Where "Finder" and the browser requests go (QDesktopServices unless replaced).
  void setUrlOpener(std::function<void(const QUrl&)> opener) { urlOpener_ = std::move(opener); }
  // The folder a player test is written into.
  QString testFolder() const;

  // ---- ApplicationObserver
  void rowsInserted(int32_t first, int32_t last) override;
  void rowsRemoved(int32_t first, int32_t last) override;
  void rowsChanged(int32_t first, int32_t last) override;
  void tracksReset() override;
  void settingsChanged() override;
  void editedChanged(bool edited, bool markShown) override;
  void titleChanged(const std::string& title) override;
  void recentProjectsChanged(const std::vector<std::string>& paths) override;
  void playersChanged() override;

 signals:
  void quitAllowed();

 private:
  void buildControls();
  void buildMenus();
  ProjectSettings readControls() const;
  void writeControls();
  void settingChanged(SettingControl control);
  void updateStates();
  void rebuildRecentMenu(const std::vector<std::string>& paths);
  void rebuildPlayers();
  void setBusy(bool busy);
  void showAlert(const AlertText& alert);
  void runPendingHandOvers();
  void sheetDone(int code);
  void clearEditedAfterStartUp();

  BrelvanoApplication& application_;
  SettingsStore& defaults_;
  Panels& panels_;
  std::function<void(const QUrl&)> urlOpener_;

  TrackTableModel* model_ = nullptr;
  QTableView* table_ = nullptr;
  QPushButton* listenButton_ = nullptr;
  QPushButton* removeFileButton_ = nullptr;
  QPushButton* trackUp_ = nullptr;
  QPushButton* trackDown_ = nullptr;
  QPushButton* publishButton_ = nullptr;
  QAction* publishTBButton_ = nullptr;
  QCheckBox* generateHTML_ = nullptr;
  QCheckBox* useTemplate_ = nullptr;
  QCheckBox* spectrum_ = nullptr;
  QCheckBox* truncate_ = nullptr;
  QSpinBox* maxTime_ = nullptr;
  QLineEdit* fps_ = nullptr;
  QSpinBox* fpsStepper_ = nullptr;
  QLabel* maxDurInfo_ = nullptr;
  QComboBox* playerModel_ = nullptr;
  QLineEdit* destFolder_ = nullptr;
  QPushButton* changeDestFolder_ = nullptr;
  QPushButton* folderExplore_ = nullptr;
  QPushButton* folderPreview_ = nullptr;
  QComboBox* exportFormat_ = nullptr;
  QCheckBox* settingsAutostart_ = nullptr;
  QCheckBox* settingsPlayall_ = nullptr;
  QCheckBox* settingsLoop_ = nullptr;
  QCheckBox* settingsShuffle_ = nullptr;
  QCheckBox* forceConversion_ = nullptr;
  QProgressBar* busyIndicator_ = nullptr;

  QMenu* recentMenu_ = nullptr;
  QMenu* testMenu_ = nullptr;
  std::vector<QAction*> trackActions_;  // enabled with a selection

  TrackEditSheet* editSheet_ = nullptr;
  ProgressPanel* progressPanel_ = nullptr;
  QPointer<AudioPanel> audioPanel_;
  QPointer<HelpWindow> helpWindow_;
  QPointer<PlayerTestWindow> testWindow_;
  std::unique_ptr<QTemporaryDir> testFolder_;

  bool ready_ = false;
  int busy_ = 0;  // adding files or publishing: hand-overs wait
  QString pendingProject_;
  QStringList pendingFiles_;
  std::vector<QStringList> pendingHandOvers_;
};

}  // namespace brelvano

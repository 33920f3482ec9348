#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/audio_panel.h"
#include "app/panels.h"
#include "app/progress_panel.h"
#include "app/track_edit_sheet.h"
#include "app/track_table_model.h"
#include "app/web_windows.h"
#include "publish/web_runtime.h"

// The window's resources live in a static library: registered explicitly.
static void InitWindowResources() { Q_INIT_RESOURCE(brelvano); }

namespace brelvano {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::vector<std::string> StdPaths(const QStringList& paths) {
  std::vector<std::string> result;
  for (const QString& path : paths) result.push_back(path.toStdString());
  return result;
}

bool IsProjectPath(const QString& path) { return QFileInfo(path).suffix() == QLatin1String("brv"); }

// Publishing problems as window alerts.
class AlertPanels : public AlertSink {
 public:
  explicit AlertPanels(std::function<void(const AlertText&)> show) : show_(std::move(show)) {}
  void alert(AlertStyle style, const std::string& title, const std::string& message,
             const std::string& button) override {
    show_(AlertText{style, title, message, "", button});
  }

 private:
  std::function<void(const AlertText&)> show_;
};

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

}  // namespace

MainWindow::MainWindow(BrelvanoApplication& application, SettingsStore& defaults, Panels& panels,
                       QWidget* parent)
    : QMainWindow(parent),
      application_(application),
      defaults_(defaults),
      panels_(panels),
      urlOpener_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  InitWindowResources();
  setWindowIcon(QIcon(QStringLiteral(":/brelvano.svg")));
  model_ = new TrackTableModel(application_, this);
  buildControls();
  buildMenus();
  editSheet_ = new TrackEditSheet(this);
  connect(editSheet_, &QDialog::finished, this, &MainWindow::sheetDone);
  progressPanel_ = new ProgressPanel(this);
  application_.setObserver(this);
  resize(980, 640);
}

MainWindow::~MainWindow() { application_.setObserver(nullptr); }

// ---------------------------------------------------------------- controls

void MainWindow::buildControls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  table_ = Named(new QTableView(central), "fileList");
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setAcceptDrops(true);
  table_->setDragDropMode(QAbstractItemView::DropOnly);
  table_->setDefaultDropAction(Qt::CopyAction);
  table_->setDropIndicatorShown(true);
  table_->setAlternatingRowColors(true);
  table_->verticalHeader()->setDefaultSectionSize(22);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->horizontalHeader()->setDefaultSectionSize(72);
  const int widths[] = {200, 90, 60, 64, 80, 56, 76, 150, 130, 130};
  for (int column = 0; column < model_->columnCount(); ++column)
    table_->setColumnWidth(column, widths[column]);
  connect(model_, &TrackTableModel::filesDropped, this, &MainWindow::addFiles);
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::updateStates);
  connect(table_, &QTableView::doubleClicked, this, &MainWindow::editTags);
  layout->addWidget(table_, 1);

  auto* trackButtons = new QHBoxLayout;
  auto* addButton = new QPushButton(QStringLiteral("Add Files…"), central);
  listenButton_ = Named(new QPushButton(QStringLiteral("Listen"), central), "listenButton");
  removeFileButton_ = Named(new QPushButton(QStringLiteral("Remove"), central), "removeFileButton");
  trackUp_ = Named(new QPushButton(QStringLiteral("Move Up"), central), "trackUp");
  trackDown_ = Named(new QPushButton(QStringLiteral("Move Down"), central), "trackDown");
  busyIndicator_ = Named(new QProgressBar(central), "busyIndicator");
  busyIndicator_->setRange(0, 0);
  busyIndicator_->setMaximumWidth(120);
  busyIndicator_->setTextVisible(false);
  busyIndicator_->hide();
  publishButton_ = Named(new QPushButton(QStringLiteral("Publish"), central), "publishButton");
  for (QWidget* w : std::initializer_list<QWidget*>{addButton, listenButton_, removeFileButton_,
                                                    trackUp_, trackDown_})
    trackButtons->addWidget(w);
  trackButtons->addWidget(busyIndicator_);
  trackButtons->addStretch(1);
  trackButtons->addWidget(publishButton_);
  layout->addLayout(trackButtons);
  connect(addButton, &QPushButton::clicked, this, &MainWindow::addFilesCommand);
  connect(listenButton_, &QPushButton::clicked, this, &MainWindow::listen);
  connect(removeFileButton_, &QPushButton::clicked, this, &MainWindow::removeTracks);
  connect(trackUp_, &QPushButton::clicked, this, [this] { moveTracks(-1); });
  connect(trackDown_, &QPushButton::clicked, this, [this] { moveTracks(+1); });
  connect(publishButton_, &QPushButton::clicked, this, &MainWindow::publish);

  // Conversion settings.
  auto* conversion = new QGroupBox(QStringLiteral("Conversion"), central);
  auto* convGrid = new QGridLayout(conversion);
  exportFormat_ = Named(new QComboBox(conversion), "exportFormat");
  exportFormat_->addItems({QStringLiteral("SWF"), QStringLiteral("FLV")});
  fps_ = Named(new QLineEdit(conversion), "fps");
  fps_->setValidator(new QIntValidator(0, 9999, fps_));
  fps_->setMaximumWidth(60);
  fpsStepper_ = Named(new QSpinBox(conversion), "fpsStepper");
  fpsStepper_->setRange(1, 200);
  fpsStepper_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  fpsStepper_->setMaximumWidth(60);
  maxDurInfo_ = Named(new QLabel(conversion), "maxDurInfo");
  spectrum_ = Named(new QCheckBox(QStringLiteral("Spectrum"), conversion), "spectrum");
  truncate_ = Named(new QCheckBox(QStringLiteral("Truncate after"), conversion), "truncate");
  maxTime_ = Named(new QSpinBox(conversion), "maxTime");
  maxTime_->setRange(0, 86400);
  maxTime_->setSuffix(QStringLiteral(" s"));
  forceConversion_ =
      Named(new QCheckBox(QStringLiteral("Force conversion"), conversion), "forceConversion");
  auto* fpsRow = new QHBoxLayout;
  fpsRow->addWidget(fps_);
  fpsRow->addWidget(fpsStepper_);
  fpsRow->addWidget(maxDurInfo_);
  fpsRow->addStretch(1);
  convGrid->addWidget(new QLabel(QStringLiteral("Format:"), conversion), 0, 0);
  convGrid->addWidget(exportFormat_, 0, 1);
  convGrid->addWidget(new QLabel(QStringLiteral("Frames per second:"), conversion), 1, 0);
  convGrid->addLayout(fpsRow, 1, 1);
  convGrid->addWidget(spectrum_, 2, 0);
  convGrid->addWidget(forceConversion_, 2, 1);
  convGrid->addWidget(truncate_, 3, 0);
  convGrid->addWidget(maxTime_, 3, 1, Qt::AlignLeft);

  // Publishing settings.
  auto* publishing = new QGroupBox(QStringLiteral("Publishing"), central);
  auto* pubGrid = new QGridLayout(publishing);
  playerModel_ = Named(new QComboBox(publishing), "playerModel");
  generateHTML_ = Named(new QCheckBox(QStringLiteral("Generate HTML"), publishing), "generateHTML");
  useTemplate_ =
      Named(new QCheckBox(QStringLiteral("Use template.html"), publishing), "useTemplate");
  settingsAutostart_ =
      Named(new QCheckBox(QStringLiteral("Autostart"), publishing), "settingsAutostart");
  settingsPlayall_ =
      Named(new QCheckBox(QStringLiteral("Play all"), publishing), "settingsPlayall");
  settingsLoop_ = Named(new QCheckBox(QStringLiteral("Loop"), publishing), "settingsLoop");
  settingsShuffle_ = Named(new QCheckBox(QStringLiteral("Shuffle"), publishing), "settingsShuffle");
  destFolder_ = Named(new QLineEdit(publishing), "destFolder");
  changeDestFolder_ =
      Named(new QPushButton(QStringLiteral("Choose…"), publishing), "changeDestFolder");
  folderExplore_ = Named(new QPushButton(QStringLiteral("Explore"), publishing), "folderExplore");
  folderPreview_ = Named(new QPushButton(QStringLiteral("Preview"), publishing), "folderPreview");
  auto* destRow = new QHBoxLayout;
  destRow->addWidget(destFolder_, 1);
  destRow->addWidget(changeDestFolder_);
  destRow->addWidget(folderExplore_);
  destRow->addWidget(folderPreview_);
  auto* playRow = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{settingsAutostart_, settingsPlayall_,
                                                    settingsLoop_, settingsShuffle_})
    playRow->addWidget(w);
  playRow->addStretch(1);
  pubGrid->addWidget(new QLabel(QStringLiteral("Player:"), publishing), 0, 0);
  pubGrid->addWidget(playerModel_, 0, 1);
  pubGrid->addWidget(generateHTML_, 1, 0);
  pubGrid->addWidget(useTemplate_, 1, 1);
  pubGrid->addLayout(playRow, 2, 0, 1, 2);
  pubGrid->addWidget(new QLabel(QStringLiteral("Destination:"), publishing), 3, 0);
  pubGrid->addLayout(destRow, 3, 1);

  auto* settingsRow = new QHBoxLayout;
  settingsRow->addWidget(conversion);
  settingsRow->addWidget(publishing, 1);
  layout->addLayout(settingsRow);
  setCentralWidget(central);

  const std::pair<QCheckBox*, SettingControl> boxes[] = {
      {generateHTML_, SettingControl::kGenerateHTML},
      {useTemplate_, SettingControl::kUseTemplate},
      {spectrum_, SettingControl::kSpectrum},
      {truncate_, SettingControl::kTruncate},
      {settingsAutostart_, SettingControl::kAutostart},
      {settingsPlayall_, SettingControl::kPlayall},
      {settingsLoop_, SettingControl::kLoop},
      {settingsShuffle_, SettingControl::kShuffle},
      {forceConversion_, SettingControl::kForceConversion},
  };
  for (const auto& [box, control] : boxes) {
    connect(box, &QCheckBox::toggled, this, [this, c = control] { settingChanged(c); });
  }
  connect(maxTime_, &QSpinBox::valueChanged, this,
          [this] { settingChanged(SettingControl::kMaxTime); });
  connect(fps_, &QLineEdit::editingFinished, this,
          [this] { settingChanged(SettingControl::kFps); });
  connect(fpsStepper_, &QSpinBox::valueChanged, this,
          [this] { settingChanged(SettingControl::kFpsStepper); });
  connect(playerModel_, &QComboBox::currentIndexChanged, this,
          [this] { settingChanged(SettingControl::kPlayer); });
  connect(exportFormat_, &QComboBox::currentIndexChanged, this,
          [this] { settingChanged(SettingControl::kExportFormat); });
  connect(destFolder_, &QLineEdit::editingFinished, this,
          [this] { settingChanged(SettingControl::kDestFolder); });
  connect(changeDestFolder_, &QPushButton::clicked, this, &MainWindow::chooseDestination);
  connect(folderExplore_, &QPushButton::clicked, this, &MainWindow::exploreDestination);
  connect(folderPreview_, &QPushButton::clicked, this, &MainWindow::previewDestination);
}

void MainWindow::buildMenus() {
  auto action = [this](QMenu* menu, const QString& text, auto slot,
                       QKeySequence key = QKeySequence()) {
    QAction* a = menu->addAction(text);
    if (!key.isEmpty()) a->setShortcut(key);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  action(
      file, QStringLiteral("New"), [this] { newProject(); }, QKeySequence::New);
  action(
      file, QStringLiteral("Open…"), [this] { openProject(); }, QKeySequence::Open);
  recentMenu_ = file->addMenu(QStringLiteral("Open Recent"));
  recentMenu_->setObjectName(QStringLiteral("openRecentMenu"));
  rebuildRecentMenu({});
  file->addSeparator();
  action(
      file, QStringLiteral("Save"), [this] { saveProject(); }, QKeySequence::Save);
  action(
      file, QStringLiteral("Save As…"), [this] { saveProjectAs(); },
      QKeySequence(QStringLiteral("Ctrl+Shift+S")));
  file->addSeparator();
  action(file, QStringLiteral("Add Files…"), [this] { addFilesCommand(); });
  file->addSeparator();
  QAction* quit = action(
      file, QStringLiteral("Quit"), [this] { requestQuit(); },
      QKeySequence(QStringLiteral("Ctrl+Q")));
  quit->setMenuRole(QAction::QuitRole);

  QMenu* tracks = menuBar()->addMenu(QStringLiteral("&Tracks"));
  QAction* remove = action(
      tracks, QStringLiteral("Remove"), [this] { removeTracks(); },
      QKeySequence(QKeySequence::Delete));
  remove->setObjectName(QStringLiteral("removeAction"));
  QAction* up = action(tracks, QStringLiteral("Move Up"), [this] { moveTracks(-1); });
  QAction* down = action(tracks, QStringLiteral("Move Down"), [this] { moveTracks(+1); });
  QMenu* format = tracks->addMenu(QStringLiteral("Format"));
  const std::pair<const char*, int> formats[] = {
      {"Default", kFormatDefault}, {"SWF", kFormatSwf}, {"FLV", kFormatFlv}};
  for (const auto& [title, code] : formats) {
    QAction* a = action(format, QLatin1String(title), [this, c = code] { setTrackFormat(c); });
    a->setObjectName(QStringLiteral("format") + QLatin1String(title));
    trackActions_.push_back(a);
  }
  QAction* edit = action(
      tracks, QStringLiteral("Edit Tags…"), [this] { editTags(); },
      QKeySequence(QStringLiteral("Ctrl+I")));
  QAction* listenAction = action(tracks, QStringLiteral("Listen"), [this] { listen(); });
  trackActions_.insert(trackActions_.end(), {remove, up, down, edit, listenAction});

  QMenu* players = menuBar()->addMenu(QStringLiteral("&Players"));
  testMenu_ = players->addMenu(QStringLiteral("Test in"));
  testMenu_->setObjectName(QStringLiteral("testMenu"));
  action(players, QStringLiteral("Rescan"), [this] {
    application_.buildPlayersMenus();
  })->setObjectName(QStringLiteral("rescanPlayers"));
  action(players, QStringLiteral("Open Players Folder"), [this] {
    urlOpener_(QUrl::fromLocalFile(Q(application_.playersFolders().customPlayersDir)));
  });

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  action(
      help, QStringLiteral("Brelvano Help"), [this] { showHelp(); }, QKeySequence::HelpContents);
  QAction* about = action(help, QStringLiteral("About Brelvano"), [this] { showAbout(); });
  about->setMenuRole(QAction::AboutRole);

  QToolBar* toolbar = addToolBar(QStringLiteral("Publish"));
  toolbar->setObjectName(QStringLiteral("toolbar"));
  QAction* addTool = toolbar->addAction(style()->standardIcon(QStyle::SP_FileDialogNewFolder),
                                        QStringLiteral("Add Files"));
  connect(addTool, &QAction::triggered, this, &MainWindow::addFilesCommand);
  publishTBButton_ = toolbar->addAction(style()->standardIcon(QStyle::SP_DialogApplyButton),
                                        QStringLiteral("Publish"));
  publishTBButton_->setObjectName(QStringLiteral("publishTBButton"));
  connect(publishTBButton_, &QAction::triggered, this, &MainWindow::publish);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

ProjectSettings MainWindow::readControls() const {
  ProjectSettings s = application_.settings();
  s.generateHTML = generateHTML_->isChecked();
  s.useTemplate = useTemplate_->isChecked();
  s.spectrum = spectrum_->isChecked();
  s.truncate = truncate_->isChecked();
  s.maxTime = maxTime_->value();
  s.player = playerModel_->currentIndex() >= 0 ? playerModel_->currentText().toStdString() : "";
  s.destFolder = destFolder_->text().toStdString();
  s.exportFormat = exportFormat_->currentIndex() == 1 ? 1 : 0;
  s.autostart = settingsAutostart_->isChecked();
  s.playall = settingsPlayall_->isChecked();
  s.loop = settingsLoop_->isChecked();
  s.shuffle = settingsShuffle_->isChecked();
  s.forceConversion = forceConversion_->isChecked();
  return s;
}

// Which of the two fps controls the user moved decides which value counts;
// the other one is written back from the application's settings.
void MainWindow::settingChanged(SettingControl control) {
  ProjectSettings s = readControls();
  if (control == SettingControl::kFps) s.fps = fps_->text().toInt();
  if (control == SettingControl::kFpsStepper) s.fps = fpsStepper_->value();
  application_.changeSetting(control, s);
  writeControls();
  updateStates();
}

void MainWindow::writeControls() {
  const ProjectSettings& s = application_.settings();
  const QSignalBlocker blockers[] = {
      QSignalBlocker(generateHTML_),      QSignalBlocker(useTemplate_),
      QSignalBlocker(spectrum_),          QSignalBlocker(truncate_),
      QSignalBlocker(maxTime_),           QSignalBlocker(fps_),
      QSignalBlocker(fpsStepper_),        QSignalBlocker(playerModel_),
      QSignalBlocker(destFolder_),        QSignalBlocker(exportFormat_),
      QSignalBlocker(settingsAutostart_), QSignalBlocker(settingsPlayall_),
      QSignalBlocker(settingsLoop_),      QSignalBlocker(settingsShuffle_),
      QSignalBlocker(forceConversion_)};
  generateHTML_->setChecked(s.generateHTML);
  useTemplate_->setChecked(s.useTemplate);
  spectrum_->setChecked(s.spectrum);
  truncate_->setChecked(s.truncate);
  maxTime_->setValue(s.maxTime);
  const QString fpsText = QString::number(s.fps);
  if (fps_->text() != fpsText) fps_->setText(fpsText);
  if (s.fps >= fpsStepper_->minimum() && s.fps <= fpsStepper_->maximum())
    fpsStepper_->setValue(s.fps);
  const int player = playerModel_->findText(Q(s.player));
  if (player >= 0) playerModel_->setCurrentIndex(player);
  if (destFolder_->text() != Q(s.destFolder)) destFolder_->setText(Q(s.destFolder));
  exportFormat_->setCurrentIndex(s.exportFormat == 1 ? 1 : 0);
  settingsAutostart_->setChecked(s.autostart);
  settingsPlayall_->setChecked(s.playall);
  settingsLoop_->setChecked(s.loop);
  settingsShuffle_->setChecked(s.shuffle);
  forceConversion_->setChecked(s.forceConversion);
  maxDurInfo_->setText(Q(application_.maxDurationText()));
}

void MainWindow::updateStates() {
  const ControlStates states = application_.controlStates(selectedRows());
  for (QWidget* w :
       std::initializer_list<QWidget*>{listenButton_, removeFileButton_, trackUp_, trackDown_})
    w->setEnabled(states.trackActionsEnabled);
  for (QAction* a : trackActions_) a->setEnabled(states.trackActionsEnabled);
  publishButton_->setEnabled(states.publishEnabled);
  publishTBButton_->setEnabled(states.publishEnabled);
  useTemplate_->setEnabled(states.useTemplateEnabled);
  maxTime_->setEnabled(states.maxTimeEnabled);
  maxDurInfo_->setHidden(states.maxDurationHidden);
  folderPreview_->setEnabled(states.folderPreviewEnabled);
}

std::vector<int32_t> MainWindow::selectedRows() const {
  std::vector<int32_t> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void MainWindow::selectRows(const std::vector<int32_t>& rows) {
  QItemSelection selection;
  for (int32_t row : rows) {
    selection.select(model_->index(row, 0), model_->index(row, model_->columnCount() - 1));
  }
  table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  updateStates();
}

// ---------------------------------------------------------------- notifications

void MainWindow::rowsInserted(int32_t first, int32_t last) {
  model_->tracksInserted(first, last);
  updateStates();
  // While files are added the list grows visibly, file by file.
  if (busy_ > 0) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::rowsRemoved(int32_t first, int32_t last) {
  model_->tracksRemoved(first, last);
  updateStates();
}

void MainWindow::rowsChanged(int32_t first, int32_t last) { model_->tracksChanged(first, last); }

void MainWindow::tracksReset() {
  model_->tracksReset();
  updateStates();
}

void MainWindow::settingsChanged() {
  writeControls();
  updateStates();
}

void MainWindow::editedChanged(bool, bool markShown) { setWindowModified(markShown); }

void MainWindow::titleChanged(const std::string& title) {
  setWindowTitle(Q(title) + QStringLiteral("[*]"));
}

void MainWindow::recentProjectsChanged(const std::vector<std::string>& paths) {
  rebuildRecentMenu(paths);
}

void MainWindow::playersChanged() {
  rebuildPlayers();
  writeControls();
}

void MainWindow::rebuildRecentMenu(const std::vector<std::string>& paths) {
  recentMenu_->clear();
  const QString home = QDir::homePath();
  for (size_t i = 0; i < paths.size(); ++i) {
    const QString path = Q(paths[i]);
    QAction* a = recentMenu_->addAction(QFileInfo(path).fileName());
    QString tip = path;
    if (tip.startsWith(home + QLatin1Char('/'))) tip = QStringLiteral("~") + tip.mid(home.size());
    a->setToolTip(tip);
    a->setStatusTip(tip);
    connect(a, &QAction::triggered, this, [this, i] { openRecent(static_cast<int>(i)); });
  }
  if (paths.empty()) recentMenu_->addAction(QStringLiteral("(none)"))->setEnabled(false);
  recentMenu_->setToolTipsVisible(true);
}

void MainWindow::rebuildPlayers() {
  const QSignalBlocker blocker(playerModel_);
  playerModel_->clear();
  testMenu_->clear();
  for (const PlayerFile& player : application_.players()) {
    const QString name = Q(player.name);
    // The pop-up lists a name once; the test menu lists every player found.
    if (playerModel_->findText(name) < 0) playerModel_->addItem(name);
    QAction* a = testMenu_->addAction(name);
    a->setToolTip(Q(player.path));
    connect(a, &QAction::triggered, this, [this, name] { testInPlayer(name); });
  }
}

// ---------------------------------------------------------------- start-up and hand-over

void MainWindow::handOver(const QStringList& files) {
  const bool oneProject = files.size() == 1 && IsProjectPath(files.first());
  if (!ready_) {
    if (oneProject)
      pendingProject_ = files.first();
    else
      pendingFiles_ = files;
    return;
  }
  if (busy_ > 0) {  // a publish or an add is handling events: after it
    pendingHandOvers_.push_back(files);
    return;
  }
  bringToFront();
  if (files.isEmpty()) return;
  if (oneProject) {
    if (checkEdited()) openProjectFile(files.first());
  } else {
    addFiles(files);
  }
}

void MainWindow::finishLaunching() {
  // The application starts as the untitled project of the defaults, with
  // the players scanned.
  rebuildPlayers();
  if (!pendingProject_.isEmpty()) {
    const QString path = std::exchange(pendingProject_, QString());
    openProjectFile(path);
  }
  if (!pendingFiles_.isEmpty()) addFiles(std::exchange(pendingFiles_, QStringList()));
  clearEditedAfterStartUp();
  writeControls();
  titleChanged(application_.title());
  setWindowModified(application_.editedMarkShown());
  rebuildRecentMenu(application_.recentProjects());
  model_->tracksReset();
  updateStates();
  ready_ = true;
}

void MainWindow::clearEditedAfterStartUp() {
  // Files handed over at start-up join the project without marking it edited.
  application_.startUpEnded();
}

void MainWindow::runPendingHandOvers() {
  if (busy_ > 0 || pendingHandOvers_.empty()) return;
  const auto pending = std::exchange(pendingHandOvers_, {});
  for (const QStringList& files : pending) handOver(files);
}

void MainWindow::bringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void MainWindow::setBusy(bool busy) {
  busy_ += busy ? 1 : -1;
  busyIndicator_->setVisible(busy_ > 0);
  if (busy_ == 0 && !pendingHandOvers_.empty())
    QTimer::singleShot(0, this, &MainWindow::runPendingHandOvers);
}

void MainWindow::showAlert(const AlertText& alert) { panels_.showAlert(this, alert); }

// ---------------------------------------------------------------- track commands

void MainWindow::addFilesCommand() {
  const QString start =
      PanelStartFolder(defaults_.text(kDefaultsMusicDir), QStringLiteral("Music"));
  const auto choice = panels_.chooseMp3Files(this, start);
  if (!choice) return;
  defaults_.setText(kDefaultsMusicDir, choice->folder.toStdString());
  addFiles(choice->paths);
}

void MainWindow::addFiles(const QStringList& paths) {
  setBusy(true);
  std::vector<std::string> refused;
  application_.addFiles(StdPaths(paths), &refused);
  setBusy(false);
  updateStates();
  if (!refused.empty()) {
    std::string reasons;
    for (const std::string& line : refused) reasons += line + "\n";
    showAlert(AlertText{AlertStyle::kInformational, "Some files were not added", "", reasons,
                        "Continue"});
  }
}

void MainWindow::removeTracks() {
  application_.removeTracks(selectedRows());
  table_->clearSelection();
  updateStates();
}

void MainWindow::moveTracks(int direction) {
  const auto moved = application_.moveTracks(selectedRows(), direction);
  if (moved) selectRows(*moved);
}

void MainWindow::setTrackFormat(int format) {
  application_.setTrackFormat(selectedRows(), format);
  updateStates();
}

void MainWindow::editTags() {
  const std::vector<int32_t> rows = selectedRows();
  if (rows.empty()) return;
  const int32_t row = rows.front();
  const _mp3entry entry = application_.track(row);
  editSheet_->edit(row, QFileInfo(Q(entry.filename)).fileName(),
                   QString::fromUtf8(entry.prop.id3.song), QString::fromUtf8(entry.prop.id3.artist),
                   QString::fromUtf8(entry.prop.id3.album));
}

void MainWindow::sheetDone(int code) {
  const int row = editSheet_->row();
  if (row < 0 || row >= application_.trackCount()) return;
  if (code == TrackEditSheet::kApply) {
    application_.editTags(row, editSheet_->trackTitle()->text().toStdString(),
                          editSheet_->trackArtist()->text().toStdString(),
                          editSheet_->trackAlbum()->text().toStdString());
  } else if (code == TrackEditSheet::kRestore) {
    application_.restoreTags(row);
  }
}

void MainWindow::listen() {
  const std::vector<int32_t> rows = selectedRows();
  if (rows.empty()) return;
  audioPanel()->listen(Q(application_.track(rows.front()).filename));
}

AudioPanel* MainWindow::audioPanel() {
  if (!audioPanel_) audioPanel_ = new AudioPanel(this);
  return audioPanel_;
}

// ---------------------------------------------------------------- project commands

bool MainWindow::checkEdited() {
  if (!application_.edited()) return true;
  switch (panels_.askSaveChanges(this)) {
    case SaveChangesAnswer::kDontSave:
      return true;
    case SaveChangesAnswer::kCancel:
      return false;
    case SaveChangesAnswer::kSave:
      saveProject();
      return !application_.edited();
  }
  return false;
}

void MainWindow::newProject() {
  if (!checkEdited()) return;
  application_.newProject();
  updateStates();
}

void MainWindow::openProject() {
  if (!checkEdited()) return;
  const QString start =
      PanelStartFolder(defaults_.text(kDefaultsProjectDir), QStringLiteral("Desktop"));
  const auto choice = panels_.chooseProjectToOpen(this, start);
  if (!choice) return;
  defaults_.setText(kDefaultsProjectDir, choice->folder.toStdString());
  openProjectFile(choice->paths.first());
}

bool MainWindow::openProjectFile(const QString& path) {
  setBusy(true);
  AlertText alert;
  const bool opened = application_.openProjectFile(path.toStdString(), &alert);
  setBusy(false);
  if (!opened) showAlert(alert);
  updateStates();
  return opened;
}

bool MainWindow::saveProject() {
  if (!application_.alreadySaved()) return saveProjectAs();
  AlertText alert;
  const bool saved = application_.saveProject(&alert);
  if (!saved) showAlert(alert);
  return saved;
}

bool MainWindow::saveProjectAs() {
  const QString start =
      PanelStartFolder(defaults_.text(kDefaultsProjectDir), QStringLiteral("Desktop"));
  const auto choice = panels_.chooseProjectToSave(this, start);
  if (!choice) return false;
  defaults_.setText(kDefaultsProjectDir, choice->folder.toStdString());
  AlertText alert;
  const bool saved = application_.saveProjectAs(choice->paths.first().toStdString(), &alert);
  if (!saved) showAlert(alert);
  updateStates();
  return saved;
}

void MainWindow::openRecent(int index) {
  if (index < 0 || index >= static_cast<int>(application_.recentProjects().size())) return;
  if (!checkEdited()) return;
  setBusy(true);
  AlertText alert;
  const bool opened = application_.openRecent(index, &alert);
  setBusy(false);
  if (!opened) showAlert(alert);
  updateStates();
}

bool MainWindow::requestQuit() {
  if (!checkEdited()) return false;
  if (!application_.saveDefaults()) {
    showAlert(AlertText{AlertStyle::kInformational, "Settings not saved",
                        "The settings could not be written.", "", "Continue"});
  }
  if (audioPanel_) audioPanel_->close();
  emit quitAllowed();
  return true;
}

// ---------------------------------------------------------------- publishing and players

void MainWindow::publish() {
  if (busy_ > 0 || application_.trackCount() == 0) return;
  setBusy(true);
  progressPanel_->begin();
  AlertPanels alerts([this](const AlertText& alert) { showAlert(alert); });
  AlertText refusal;  // also told to alerts
  const PublishOutcome outcome = application_.publish(false, progressPanel_, &alerts, &refusal);
  progressPanel_->end();
  setBusy(false);
  if (!outcome.cancelled && refusal.message.empty()) {
    showAlert(AlertText{AlertStyle::kInformational, "Completed", outcome.summary, "", "Ok"});
  }
  updateStates();
}

QString MainWindow::testFolder() const {
  if (!testFolder_) {
    // A folder of its own: the test server serves nothing else of /tmp.
    auto* self = const_cast<MainWindow*>(this);
    self->testFolder_ = std::make_unique<QTemporaryDir>(
        QDir::temp().filePath(QStringLiteral("brelvano-test-XXXXXX")));
  }
  return testFolder_->path();
}

void MainWindow::testInPlayer(const QString& playerName) {
  const PlayerTestPage page = application_.testInPlayer(playerName.toStdString(), selectedRows(),
                                                        testFolder().toStdString());
  if (!page.ok) {
    showAlert(page.alert);
    return;
  }
  testWindow()->setTracksFolder(Q(application_.project().destDir));
  testWindow()->showPage(Q(page.folder), page.width, page.height);
}

PlayerTestWindow* MainWindow::testWindow() {
  if (!testWindow_) {
    testWindow_ = new PlayerTestWindow(this);
    testWindow_->setRuntimeFolder(Q(DefaultWebRuntimeFolder()));
  }
  return testWindow_;
}

HelpWindow* MainWindow::helpWindow() {
  if (!helpWindow_) helpWindow_ = new HelpWindow(this);
  return helpWindow_;
}

void MainWindow::showHelp() { helpWindow()->showHelp(); }

void MainWindow::chooseDestination() {
  const auto folder = panels_.chooseDestinationFolder(this, destFolder_->text());
  if (!folder) return;
  destFolder_->setText(*folder);
  settingChanged(SettingControl::kDestFolder);
}

void MainWindow::exploreDestination() { urlOpener_(QUrl::fromLocalFile(destFolder_->text())); }

void MainWindow::previewDestination() {
  const std::string path = application_.folderPreviewPath();
  if (!path.empty()) urlOpener_(QUrl::fromLocalFile(Q(path)));
}

void MainWindow::showAbout() {
  auto* about = findChild<QDialog*>(QStringLiteral("aboutPanel"));
  if (about == nullptr) {
    about = new QDialog(this);
    about->setObjectName(QStringLiteral("aboutPanel"));
    about->setWindowTitle(QStringLiteral("About Brelvano"));
    auto* layout = new QVBoxLayout(about);
    auto* icon = new QLabel(about);
    icon->setPixmap(windowIcon().pixmap(64, 64));
    auto* name = new QLabel(
        QStringLiteral("<b>Brelvano %1</b>").arg(QLatin1String(kBrelvanoVersion)), about);
    auto* buildDate = new QLabel(
        QStringLiteral("Build: %1%2").arg(QLatin1String(kBrelvanoBuildDate), QString()), about);
    buildDate->setObjectName(QStringLiteral("buildDate"));
    auto* what =
        new QLabel(QStringLiteral("MP3 files published for the web as Flash movies."), about);
    for (QLabel* label : {icon, name, buildDate, what})
      layout->addWidget(label, 0, Qt::AlignHCenter);
  }
  about->show();
  about->raise();
}

}  // namespace brelvano

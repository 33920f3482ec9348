// The main window driven through its controls and its table model, over the
// real application layer.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include "app/instance_channel.h"
#include "app/progress_panel.h"
#include "app/track_edit_sheet.h"
#include "app/track_table_model.h"
#include "window_harness.h"

using namespace brelvano;

namespace {

template <typename T>
T* Control(const WindowHarness& h, const char* name) {
  T* control = h.window->findChild<T*>(QLatin1String(name));
  if (control == nullptr) qFatal("no control %s", name);
  return control;
}

QAction* MenuAction(const WindowHarness& h, const char* name) { return Control<QAction>(h, name); }

QStringList Column(const WindowHarness& h, int column) {
  QStringList texts;
  const TrackTableModel* model = h.window->model();
  for (int row = 0; row < model->rowCount(); ++row)
    texts << model->index(row, column).data().toString();
  return texts;
}

// A real drop on the table's viewport: enter, move, drop.
void DropFiles(QTableView* table, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  data.setUrls(urls);
  QWidget* viewport = table->viewport();
  const QPoint at(10, 10);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &move);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &drop);
}

// A click on a check box's box (its middle may lie past its label).
void Tick(QCheckBox* box) {
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

void TypeInto(QLineEdit* field, const QString& text) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Return);
}

std::unique_ptr<WindowHarness> Started() {
  auto h = std::make_unique<WindowHarness>();
  h->window->finishLaunching();
  h->window->show();
  return h;
}

// Five numbered copies of a sample, added through a drop.
QStringList AddFive(WindowHarness& h) {
  QStringList paths;
  for (int i = 0; i < 5; ++i) paths << h.sample(QStringLiteral("t%1.mp3").arg(i));
  DropFiles(h.window->table(), paths);
  return paths;
}

}  // namespace

class WindowTests : public QObject {
  Q_OBJECT

 private slots:
  void dropReachesTheListAndEnablesPublish() {
    auto h = Started();
    const QString a = h->sample(QStringLiteral("a.mp3"));
    const QString upper = h->sample(QStringLiteral("b.MP3"));
    const QString notes = h->home.filePath(QStringLiteral("notes.txt"));
    QFile(notes).open(QIODevice::WriteOnly);
    DropFiles(h->window->table(), {a, upper, notes, h->home.path()});
    QCOMPARE(Column(*h, 0), QStringList({"a.mp3"}));
    QVERIFY(h->window->isWindowModified());
    QVERIFY(Control<QPushButton>(*h, "publishButton")->isEnabled());
    QVERIFY(MenuAction(*h, "publishTBButton")->isEnabled());
  }

  // One pass per track control: the layer's rule itself is tested there;
  // here the button or menu item reaches it and the selection follows.
  void trackControlsActOnTheSelection() {
    auto h = Started();
    AddFive(*h);
    h->window->selectRows({1, 2});
    QTest::mouseClick(Control<QPushButton>(*h, "trackDown"), Qt::LeftButton);
    QCOMPARE(Column(*h, 0), QStringList({"t0.mp3", "t3.mp3", "t1.mp3", "t2.mp3", "t4.mp3"}));
    QCOMPARE(h->window->selectedRows(), (std::vector<int32_t>{2, 3}));
    QTest::mouseClick(Control<QPushButton>(*h, "trackUp"), Qt::LeftButton);
    QCOMPARE(h->window->selectedRows(), (std::vector<int32_t>{1, 2}));

    MenuAction(*h, "formatFLV")->trigger();
    QCOMPARE(Column(*h, 2), QStringList({"default", "Flv", "Flv", "default", "default"}));
    h->window->selectRows({0, 4});
    h->window->table()->setFocus();
    MenuAction(*h, "removeAction")->trigger();
    QCOMPARE(Column(*h, 0), QStringList({"t1.mp3", "t2.mp3", "t3.mp3"}));
    QVERIFY(h->window->selectedRows().empty());
    QVERIFY(!Control<QPushButton>(*h, "trackDown")->isEnabled());
    QVERIFY(!MenuAction(*h, "removeAction")->isEnabled());
  }

  void editSheetAppliesRestoresCancels() {
    auto h = Started();
    const QString tagged =
        h->sample(QStringLiteral("tagged.mp3"), QStringLiteral("chimes_44100_joint.mp3"));
    h->window->addFiles({tagged});
    const QString fileTitle = Column(*h, 7).first();
    h->window->selectRows({0});
    TrackEditSheet* sheet = h->window->editSheet();

    h->window->editTags();
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QCOMPARE(sheet->trackName()->text(), QStringLiteral("tagged.mp3"));
    sheet->trackTitle()->setText(QStringLiteral("Évening"));
    QTest::mouseClick(sheet->applyButton(), Qt::LeftButton);
    QVERIFY(!sheet->isVisible());
    QCOMPARE(Column(*h, 7).first(), QStringLiteral("Évening"));

    h->window->editTags();
    sheet->trackTitle()->setText(QStringLiteral("never stored"));
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    QCOMPARE(Column(*h, 7).first(), QStringLiteral("Évening"));

    h->window->editTags();
    QTest::mouseClick(sheet->restoreButton(), Qt::LeftButton);
    QCOMPARE(Column(*h, 7).first(), fileTitle);
  }

  void settingsFollowTheirRules() {
    auto h = Started();
    auto* html = Control<QCheckBox>(*h, "generateHTML");
    auto* useTemplate = Control<QCheckBox>(*h, "useTemplate");
    auto* truncate = Control<QCheckBox>(*h, "truncate");
    auto* maxTime = Control<QSpinBox>(*h, "maxTime");
    auto* fps = Control<QLineEdit>(*h, "fps");
    auto* stepper = Control<QSpinBox>(*h, "fpsStepper");
    auto* label = Control<QLabel>(*h, "maxDurInfo");
    auto* format = Control<QComboBox>(*h, "exportFormat");
    auto* force = Control<QCheckBox>(*h, "forceConversion");
    auto* spectrum = Control<QCheckBox>(*h, "spectrum");

    // A new project: fps 30, flags 115 (HTML and spectrum on, truncate off), SWF.
    QCOMPARE(fps->text(), QStringLiteral("30"));
    QCOMPARE(stepper->value(), 30);
    QCOMPARE(label->text(), QStringLiteral("(Max duration: 9m:06s)"));
    QVERIFY(html->isChecked() && spectrum->isChecked() && !truncate->isChecked());
    QVERIFY(!h->window->isWindowModified() || !h->application->alreadySaved());
    QVERIFY(!h->application->edited());

    QVERIFY(useTemplate->isEnabled());
    Tick(html);
    QVERIFY(!useTemplate->isEnabled());
    QVERIFY(h->application->edited());
    QVERIFY(!maxTime->isEnabled());
    Tick(truncate);
    QVERIFY(maxTime->isEnabled());

    // The typed rate reaches the layer, the label and the stepper show its answer.
    TypeInto(fps, QStringLiteral("25"));
    QCOMPARE(label->text(), QStringLiteral("(Max duration: 10m:55s)"));
    QCOMPARE(stepper->value(), 25);
    stepper->stepUp();
    QCOMPARE(fps->text(), QStringLiteral("26"));

    format->setCurrentIndex(1);
    QVERIFY(label->isHidden());
    format->setCurrentIndex(0);
    QVERIFY(!label->isHidden());

    // The layer's force-conversion tick shows in the box, and the box unticks.
    h->window->addFiles({h->sample(QStringLiteral("x.mp3"))});
    Tick(spectrum);
    QVERIFY(force->isChecked());
    Tick(force);
    QVERIFY(!force->isChecked());
  }

  void destinationPanelsAndButtons() {
    auto h = Started();
    auto* dest = Control<QLineEdit>(*h, "destFolder");
    const QString site = h->home.filePath(QStringLiteral("site"));
    QDir().mkpath(site);
    h->panels.folders.push_back(site);
    QTest::mouseClick(Control<QPushButton>(*h, "changeDestFolder"), Qt::LeftButton);
    QCOMPARE(dest->text(), site);
    QVERIFY(!h->application->edited());  // choosing a folder is no edit
    QTest::mouseClick(Control<QPushButton>(*h, "folderExplore"), Qt::LeftButton);
    QCOMPARE(h->openedUrls, QStringList({QUrl::fromLocalFile(site).toString()}));
    QVERIFY(!Control<QPushButton>(*h, "folderPreview")->isEnabled());
  }

  void saveOpenAndTheSaveChangesQuestion() {
    auto h = Started();
    QCOMPARE(h->window->windowTitle(), QStringLiteral("NoTitle.brv[*]"));
    QVERIFY(h->window->isWindowModified());  // never saved
    // The recent menu starts with "(none)", which cannot be chosen.
    QCOMPARE(h->window->recentMenu()->actions().size(), 1);
    QCOMPARE(h->window->recentMenu()->actions().first()->text(), QStringLiteral("(none)"));
    QVERIFY(!h->window->recentMenu()->actions().first()->isEnabled());

    h->window->addFiles({h->sample(QStringLiteral("one.mp3"))});
    const QString project = h->home.filePath(QStringLiteral("first.brv"));
    h->panels.projectsToSave.push_back(Choice(project));
    QVERIFY(h->window->saveProject());  // untitled: save as
    QVERIFY(QFile::exists(project));
    QCOMPARE(h->window->windowTitle(), QStringLiteral("first.brv[*]"));
    QVERIFY(!h->window->isWindowModified());
    QCOMPARE(h->window->recentMenu()->actions().first()->text(), QStringLiteral("first.brv"));
    QCOMPARE(h->defaults->text(kDefaultsProjectDir), h->home.path().toStdString());

    // Cancel keeps the project.
    h->window->addFiles({h->sample(QStringLiteral("two.mp3"))});
    h->panels.saveChanges = {SaveChangesAnswer::kCancel};
    h->window->newProject();
    QCOMPARE(h->window->model()->rowCount(), 2);
    QCOMPARE(h->panels.saveChangesAsked, 1);

    // Save on a titled project saves in place and goes on.
    h->panels.saveChanges = {SaveChangesAnswer::kSave};
    h->window->newProject();
    QCOMPARE(h->window->model()->rowCount(), 0);
    QCOMPARE(h->window->windowTitle(), QStringLiteral("NoTitle.brv[*]"));

    // An untitled edited project: Save, then the save panel cancelled.
    h->window->addFiles({h->sample(QStringLiteral("three.mp3"))});
    h->panels.saveChanges = {SaveChangesAnswer::kSave};
    h->panels.projectsToOpen.push_back(Choice(project));
    h->window->openProject();
    QCOMPARE(h->window->model()->rowCount(), 1);
    QCOMPARE(h->panels.projectsToOpen.size(), size_t{1});  // never asked

    // Don't Save: the saved project opens with its two tracks.
    h->panels.saveChanges = {SaveChangesAnswer::kDontSave};
    h->window->openProject();
    QCOMPARE(Column(*h, 0), QStringList({"one.mp3", "two.mp3"}));
    QCOMPARE(h->window->windowTitle(), QStringLiteral("first.brv[*]"));
    QVERIFY(!h->window->isWindowModified());

    // A damaged file: the alert, the project as it was.
    const QString damaged = h->home.filePath(QStringLiteral("damaged.brv"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<notaproject/>");
    file.close();
    h->panels.projectsToOpen.push_back(Choice(damaged));
    h->window->openProject();
    QCOMPARE(h->panels.alertMessages().last(), QStringLiteral("Can't open Project"));
    QCOMPARE(Column(*h, 0), QStringList({"one.mp3", "two.mp3"}));

    // A save that fails is reported and the project stays edited.
    h->window->addFiles({h->sample(QStringLiteral("four.mp3"))});
    h->panels.projectsToSave.push_back(
        Choice(h->home.filePath(QStringLiteral("missing/dir/x.brv"))));
    QVERIFY(!h->window->saveProjectAs());
    QVERIFY(h->application->edited());
    QVERIFY(h->window->isWindowModified());
    QVERIFY(!h->panels.alerts.back().reason.empty());

    // A recent entry opens its project.
    h->panels.projectsToSave.push_back(Choice(h->home.filePath(QStringLiteral("second.brv"))));
    QVERIFY(h->window->saveProjectAs());
    h->window->recentMenu()->actions().at(1)->trigger();
    QCOMPARE(h->window->windowTitle(), QStringLiteral("first.brv[*]"));
  }

  void quitAsksAndWritesDefaults() {
    auto h = Started();
    QSignalSpy quit(h->window.get(), &MainWindow::quitAllowed);
    h->window->addFiles({h->sample(QStringLiteral("q.mp3"))});
    h->panels.saveChanges = {SaveChangesAnswer::kCancel};
    QVERIFY(!h->window->requestQuit());
    QCOMPARE(quit.count(), 0);
    h->panels.saveChanges = {SaveChangesAnswer::kDontSave};
    QVERIFY(h->window->requestQuit());
    QCOMPARE(quit.count(), 1);
    QtSettingsStore reread(h->home.filePath(QStringLiteral("settings.conf")));
    QVERIFY(reread.text(kDefaultsDestFolder).has_value());
    QVERIFY(reread.integer(kDefaultsSpectrum).has_value());
    // Closing the window is not quitting.
    h->window->close();
    QCOMPARE(quit.count(), 1);
  }

  void publishShowsProgressAndCancels() {
    auto h = Started();
    const QString site = h->home.filePath(QStringLiteral("site"));
    QDir().mkpath(site);
    TypeInto(Control<QLineEdit>(*h, "destFolder"), site);
    h->window->addFiles(
        {h->sample(QStringLiteral("p1.mp3"), QStringLiteral("chimes_44100_joint.mp3")),
         h->sample(QStringLiteral("p2.mp3"), QStringLiteral("pulse_44100_mono.mp3"))});
    ProgressPanel* panel = h->window->progressPanel();
    int maxTracks = 0;
    QStringList files;
    auto watch = connect(panel, &ProgressPanel::pumped, [&] {
      maxTracks = std::max(maxTracks, panel->tracksBar()->value());
      if (!panel->currentFile()->text().isEmpty() && !files.contains(panel->currentFile()->text()))
        files << panel->currentFile()->text();
    });
    QTest::mouseClick(Control<QPushButton>(*h, "publishButton"), Qt::LeftButton);
    disconnect(watch);
    QVERIFY(!panel->isVisible());
    QCOMPARE(files.size(), 2);
    QCOMPARE(maxTracks, 2);
    QCOMPARE(h->panels.alerts.back().message, std::string("Completed"));
    QVERIFY(QString::fromStdString(h->panels.alerts.back().informative)
                .startsWith(QStringLiteral("Number of audio files: 2\nPlaylist generated\n")));
    QCOMPARE(Column(*h, 1), QStringList({"Ok", "Ok"}));
    QVERIFY(QFile::exists(site + QStringLiteral("/playlist.xml")));
    QVERIFY(Control<QPushButton>(*h, "folderPreview")->isEnabled());

    // Forced again, cancelled at the first report: no summary, the track aborted.
    const size_t alertsBefore = h->panels.alerts.size();
    Control<QCheckBox>(*h, "forceConversion")->setChecked(true);
    bool cancelled = false;
    auto cancel = connect(panel, &ProgressPanel::pumped, [&] {
      if (cancelled || panel->currentFile()->text().isEmpty()) return;
      cancelled = true;  // while the first track is in work
      QTest::mouseClick(panel->cancelButton(), Qt::LeftButton);
    });
    h->window->publish();
    disconnect(cancel);
    QCOMPARE(h->panels.alerts.size(), alertsBefore);
    QVERIFY(cancelled);
    QCOMPARE(Column(*h, 1), QStringList({"Aborted", "Ok"}));  // the second kept its status
  }

  void playersMenusFollowTheFolders() {
    QTemporaryDir players;
    auto touch = [](const QString& path) {
      QFile f(path);
      f.open(QIODevice::WriteOnly);
      f.write("FWS");
    };
    touch(players.filePath(QStringLiteral("Basic.swf")));
    WindowHarness h(players.path());
    touch(h.home.filePath(QStringLiteral("custom/Mine.swf")));
    h.window->finishLaunching();
    QStringList tests;
    for (QAction* a : h.window->testMenu()->actions()) tests << a->text();
    QCOMPARE(tests, QStringList({"Basic"}));  // scanned before the files came
    MenuAction(h, "rescanPlayers")->trigger();
    tests.clear();
    for (QAction* a : h.window->testMenu()->actions()) tests << a->text();
    QCOMPARE(tests, QStringList({"Basic", "Mine"}));
    auto* popup = Control<QComboBox>(h, "playerModel");
    QCOMPARE(popup->currentText(), QStringLiteral("Basic"));
    popup->setCurrentIndex(1);
    QCOMPARE(h.application->settings().player, std::string("Mine"));

    // Nothing converted in the selection: the test asks for one.
    h.window->addFiles({h.sample(QStringLiteral("n.mp3"))});
    h.window->selectRows({0});
    h.window->testMenu()->actions().first()->trigger();
    QCOMPARE(h.panels.alerts.back().message, std::string("Test in Player"));
  }

  void handOverBeforeAndAfterStartUp() {
    // Before start-up: one project opens; a project among MP3 files is ignored.
    WindowHarness first;
    first.window->finishLaunching();
    first.window->addFiles({first.sample(QStringLiteral("s.mp3"))});
    const QString project = first.home.filePath(QStringLiteral("handed.brv"));
    first.panels.projectsToSave.push_back(Choice(project));
    QVERIFY(first.window->saveProjectAs());

    WindowHarness h;
    h.window->handOver({project});
    QVERIFY(!h.window->ready());
    h.window->finishLaunching();
    QCOMPARE(h.window->windowTitle(), QStringLiteral("handed.brv[*]"));
    QCOMPARE(Column(h, 0), QStringList({"s.mp3"}));

    WindowHarness mixed;
    const QString a = mixed.sample(QStringLiteral("a.mp3"));
    mixed.window->handOver({project});
    mixed.window->handOver({a, project, mixed.sample(QStringLiteral("b.mp3"))});
    mixed.window->finishLaunching();
    QCOMPARE(Column(mixed, 0), QStringList({"s.mp3", "a.mp3", "b.mp3"}));
    QCOMPARE(mixed.window->windowTitle(), QStringLiteral("handed.brv[*]"));
    QVERIFY(!mixed.application->edited());  // start-up files are no edit

    // After start-up: files are added at once; a project asks to save first.
    mixed.window->handOver({mixed.sample(QStringLiteral("c.mp3"))});
    QCOMPARE(Column(mixed, 0).size(), 4);
    QVERIFY(mixed.application->edited());
    mixed.panels.saveChanges = {SaveChangesAnswer::kCancel};
    mixed.window->handOver({project});
    QCOMPARE(mixed.panels.saveChangesAsked, 1);
    QCOMPARE(Column(mixed, 0).size(), 4);
    mixed.window->hide();
    mixed.window->handOver({});
    QVERIFY(mixed.window->isVisible());
  }

  void secondInstanceHandsOverAndExits() {
    auto h = Started();
    const QString name = QStringLiteral("brelvano-test-%1").arg(QCoreApplication::applicationPid());
    InstanceChannel channel(name);
    QVERIFY(channel.listen());
    connect(&channel, &InstanceChannel::filesHandedOver, h->window.get(), &MainWindow::handOver);
    QSignalSpy handed(&channel, &InstanceChannel::filesHandedOver);
    const QString file = h->sample(QStringLiteral("second.mp3"));

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRELVANO_INSTANCE"), name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(h->home.path());
    second.start(QStringLiteral(BRELVANO_WINDOW_PATH), {QStringLiteral("second.mp3")});
    QVERIFY(handed.wait(20000));
    QCOMPARE(handed.first().first().toStringList(), QStringList({file}));
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(Column(*h, 0), QStringList({"second.mp3"}));

    second.start(QStringLiteral(BRELVANO_WINDOW_PATH), {});
    QVERIFY(handed.wait(20000));
    QVERIFY(handed.last().first().toStringList().isEmpty());
    QVERIFY(second.waitForFinished(20000));
  }

  void aboutShowsTheBuild() {
    auto h = Started();
    h->window->showAbout();
    auto* build = h->window->findChild<QLabel*>(QStringLiteral("buildDate"));
    QVERIFY(build != nullptr);
    QCOMPARE(build->text(), QStringLiteral("Build: 2007.02.23"));
  }
};

QTEST_MAIN(WindowTests)
#include "window_tests.moc"

// Screens as a user sees them, on a real X server (xvfb-run): the main window
// with a project of the sample files, and the player test window playing.
// The PNG files are left in the build folder's screenshots/.
#include <QDir>
#include <QHash>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

#include "app/web_windows.h"
#include "publish/players.h"
#include "window_harness.h"

using namespace brelvano;

namespace {

// A screen is blank when one colour covers nearly all of it (sampled on a grid).
bool Blank(const QImage& image) {
  QHash<QRgb, int> counts;
  int samples = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2, ++samples) ++counts[image.pixel(x, y)];
  int most = 0;
  for (int count : counts) most = std::max(most, count);
  return samples == 0 || most * 100 >= samples * 97;
}

QImage Capture(QWidget* window, const QString& name) {
  QTest::qWait(300);
  QImage image = window->screen()->grabWindow(window->winId()).toImage();
  QDir().mkpath(QStringLiteral(BRELVANO_SCREENSHOTS));
  image.save(QStringLiteral(BRELVANO_SCREENSHOTS "/") + name);
  return image;
}

QStringList Samples(WindowHarness& h) {
  QStringList paths;
  for (const char* name : {"chimes_44100_joint.mp3", "drift_22050_stereo_vbr.mp3",
                           "hum_11025_mono.mp3", "pulse_44100_mono.mp3"})
    paths << h.sample(QLatin1String(name), QLatin1String(name));
  return paths;
}

}  // namespace

class ScreenshotTests : public QObject {
  Q_OBJECT

 private slots:
  void mainWindowWithTheSamples() {
    WindowHarness h;
    h.window->finishLaunching();
    h.window->addFiles(Samples(h));
    h.window->selectRows({1});
    h.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    const QImage image = Capture(h.window.get(), QStringLiteral("main-window.png"));
    QVERIFY(image.width() > 400 && image.height() > 300);
    QVERIFY2(!Blank(image), "the main window looks blank");
  }

  void helpShowsItsPages() {
    WindowHarness h;
    h.window->finishLaunching();
    h.window->showHelp();
    HelpWindow* help = h.window->helpWindow();
    QSignalSpy loaded(help->view(), &QWebEngineView::loadFinished);
    QVERIFY(loaded.wait(20000));
    QVERIFY(loaded.last().first().toBool());
    QTRY_COMPARE_WITH_TIMEOUT(help->view()->title(), QStringLiteral("Brelvano Help"), 5000);
    for (const char* page : {"quick-start", "settings", "publishing", "players", "command-line"}) {
      help->view()->load(QUrl(QStringLiteral("qrc:/help/%1.html").arg(QLatin1String(page))));
      QVERIFY(loaded.wait(10000));
      QVERIFY2(loaded.last().first().toBool(), page);
    }
  }

  void testWindowTakesThePlayersFrame() {
    QTemporaryDir folder;
    PlayerTestWindow window;
    const QSize before = window.size();
    QVERIFY(window.showPage(folder.path(), -1, -1));  // unknown frame: the size stays
    QCOMPARE(window.size(), before);
    QVERIFY(window.showPage(folder.path(), 300, 200));
    QCOMPARE(window.size(), QSize(320, 220));
  }

  void testWindowPlaysThePlayer() {
    // The players the program itself finds (the build's own player first).
    WindowHarness h(QString::fromStdString(ResourcePlayersFolder(BRELVANO_WINDOW_PATH)));
    h.window->finishLaunching();
    const QString site = h.home.filePath(QStringLiteral("site"));
    QDir().mkpath(site);
    h.application->changeSetting(SettingControl::kDestFolder, [&] {
      ProjectSettings s = h.application->settings();
      s.destFolder = site.toStdString();
      return s;
    }());
    h.window->addFiles(Samples(h));
    h.window->publish();  // converts the tracks the test lists
    QVERIFY(!h.application->players().empty());
    h.window->selectRows({0, 3});
    h.window->show();
    h.window->testInPlayer(QString::fromStdString(h.application->settings().player));
    PlayerTestWindow* test = h.window->testWindow();
    QSignalSpy loaded(test->view(), &QWebEngineView::loadFinished);
    QVERIFY(QTest::qWaitForWindowExposed(test));
    QVERIFY(loaded.wait(20000) || loaded.count() > 0);
    QVERIFY(loaded.last().first().toBool());
    // Give the Flash runtime time to start the player and draw its face.
    bool running = false;
    for (int i = 0; i < 40 && !running; ++i) {
      QTest::qWait(250);
      QVariant answer;
      bool answered = false;
      test->view()->page()->runJavaScript(
          QStringLiteral("!!document.querySelector('ruffle-player, ruffle-object, ruffle-embed')"),
          [&](const QVariant& v) {
            answer = v;
            answered = true;
          });
      QTRY_VERIFY_WITH_TIMEOUT(answered, 5000);
      running = answer.toBool();
    }
    QVERIFY2(running, "the page did not start the Flash runtime");
    // Then until the player movie is loaded (the runtime's readyState 2).
    bool loadedMovie = false;
    for (int i = 0; i < 80 && !loadedMovie; ++i) {
      QTest::qWait(250);
      bool answered = false;
      test->view()->page()->runJavaScript(
          QStringLiteral("(document.querySelector('ruffle-player, ruffle-object, ruffle-embed') || "
                         "{}).readyState"),
          [&](const QVariant& v) {
            loadedMovie = v.toInt() == 2;
            answered = true;
          });
      QTRY_VERIFY_WITH_TIMEOUT(answered, 5000);
    }
    QVERIFY2(loadedMovie, "the runtime did not load the player movie");
    QTest::qWait(1500);
    const QImage image = Capture(test, QStringLiteral("player-test.png"));
    QVERIFY2(!Blank(image), "the test window looks blank");
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            "--disable-gpu --autoplay-policy=no-user-gesture-required");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ScreenshotTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "screenshot_tests.moc"

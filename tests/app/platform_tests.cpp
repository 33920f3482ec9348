// The platform pieces in Qt terms: the settings file, the panels' start
// folders, the test server, the audio panel.
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/audio_panel.h"
#include "app/folder_http_server.h"
#include "app/panels.h"
#include "app/qt_settings_store.h"

using namespace brelvano;

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// status code and body of a GET
std::pair<int, QByteArray> Get(QNetworkAccessManager& net, const QString& url) {
  QNetworkReply* reply = net.get(QNetworkRequest(QUrl(url)));
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QByteArray body = reply->readAll();
  reply->deleteLater();
  return {status, body};
}

}  // namespace

class PlatformTests : public QObject {
  Q_OBJECT

 private slots:
  void settingsKeepTypesAcrossAReread() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("brelvano.conf"));
    {
      QtSettingsStore store(file);
      store.setInteger(kDefaultsPublishFlags, 256);
      store.setText(kDefaultsDestFolder, "/srv/site, with comma");
      store.setTexts(kDefaultsRecentProjects, {"/a/one.brv", "/b/two.brv", "/c/ü.brv"});
      store.setTexts("single", {"/only.brv"});
      store.setTexts("none", {});
      QVERIFY(store.synchronize());
    }
    QtSettingsStore store(file);
    QCOMPARE(store.integer(kDefaultsPublishFlags), std::optional<int64_t>(256));
    QCOMPARE(store.integer(kDefaultsFrameRate), std::optional<int64_t>());
    QCOMPARE(store.text(kDefaultsDestFolder), std::optional<std::string>("/srv/site, with comma"));
    QCOMPARE(store.texts(kDefaultsRecentProjects)->size(), size_t{3});
    QCOMPARE(store.texts(kDefaultsRecentProjects)->at(2), std::string("/c/ü.brv"));
    QCOMPARE(store.texts("single"), std::optional<std::vector<std::string>>({"/only.brv"}));
    QVERIFY(!store.texts("none").has_value() || store.texts("none")->empty());
    QCOMPARE(store.text("absent"), std::optional<std::string>());
  }

  void settingsReportAFailedWrite() {
    QtSettingsStore store(QStringLiteral("/proc/brelvano-cannot-write/brelvano.conf"));
    store.setInteger("x", 1);
    QVERIFY(!store.synchronize());
  }

  void panelsStartInTheStoredFolderElseInHome() {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QCOMPARE(PanelStartFolder(std::string("/srv/music"), QStringLiteral("Music")),
             QStringLiteral("/srv/music"));
    QCOMPARE(PanelStartFolder(std::nullopt, QStringLiteral("Music")), QDir::homePath());
    QCOMPARE(PanelStartFolder(std::string(), QStringLiteral("Desktop")), QDir::homePath());
    QDir(home.path()).mkpath(QStringLiteral("Music"));
    QCOMPARE(PanelStartFolder(std::nullopt, QStringLiteral("Music")),
             QDir::home().filePath(QStringLiteral("Music")));
    qputenv("HOME", oldHome);
  }

  void serverServesOnlyTheFolderAndTheRuntime() {
    QTemporaryDir root, runtime, outside;
    Write(root.filePath(QStringLiteral("index.html")), "<html>page</html>");
    Write(root.filePath(QStringLiteral("playlist.xml")), "<playlist/>");
    QDir(runtime.path()).mkpath(QStringLiteral("sub"));
    Write(runtime.filePath(QStringLiteral("ruffle.js")), "runtime");
    Write(outside.filePath(QStringLiteral("secret.txt")), "secret");
    FolderHttpServer server;
    server.setRoot(root.path());
    server.setFallback(QStringLiteral("ruffle"), runtime.path());
    QVERIFY(server.start());
    QVERIFY(server.port() != 0);

    const struct {
      QString path;
      bool served;
    } cases[] = {{"/", true},
                 {"/index.html", true},
                 {"/playlist.xml", true},
                 {"/ruffle/ruffle.js", true},
                 {"/missing.swf", false},
                 {"/../" + QFileInfo(outside.path()).fileName() + "/secret.txt", false},
                 {"/ruffle/../../etc/passwd", false},
                 {"/ruffle/sub", false}};
    for (const auto& c : cases) QCOMPARE(!server.fileFor(c.path).isEmpty(), c.served);

    QNetworkAccessManager net;
    const auto [status, body] = Get(net, server.urlFor(QStringLiteral("index.html")));
    QCOMPARE(status, 200);
    QCOMPARE(body, QByteArray("<html>page</html>"));
    QCOMPARE(Get(net, server.urlFor(QStringLiteral("ruffle/ruffle.js"))).second,
             QByteArray("runtime"));
    QCOMPARE(Get(net, server.urlFor(QStringLiteral("nothing.html"))).first, 404);
    QVERIFY(server.urlFor(QString()).startsWith(QStringLiteral("http://127.0.0.1:")));

    // A test playlist's file:// tracks are served from the tracks' folder only.
    QTemporaryDir tracks;
    Write(tracks.filePath(QStringLiteral("Caf e.swf")), "FWS movie");
    const QByteArray src =
        "file://" + QUrl::toPercentEncoding(tracks.filePath(QStringLiteral("Caf e.swf")), "/");
    Write(root.filePath(QStringLiteral("playlist.xml")), "<FILE src=\"" + src + "\" desc=\"x\"/>");
    server.setLocalFolder(tracks.path());
    const QByteArray playlist = Get(net, server.urlFor(QStringLiteral("playlist.xml"))).second;
    QVERIFY2(playlist.startsWith("<FILE src=\"/file/"), playlist.constData());
    const QByteArray served = playlist.mid(11, playlist.indexOf('"', 11) - 11);
    QCOMPARE(Get(net, server.urlFor(QString::fromUtf8(served.mid(1)))).second,
             QByteArray("FWS movie"));
    QCOMPARE(Get(net, server.urlFor(QStringLiteral("file") +
                                    outside.filePath(QStringLiteral("secret.txt"))))
                 .first,
             404);
  }

  void audioPanelFaces() {
    AudioPanel panel;
    const auto face = [&] { return panel.playPauseButton()->toolTip(); };
    QCOMPARE(face(), QStringLiteral("Play"));
    panel.playPause();  // no sound yet: nothing
    QVERIFY(panel.paused());
    panel.listen(QStringLiteral(BRELVANO_SAMPLES "/pulse_44100_mono.mp3"));
    QVERIFY(panel.isVisible());
    QCOMPARE(panel.fileName()->text(), QStringLiteral("pulse_44100_mono.mp3"));
    QCOMPARE(face(), QStringLiteral("Pause"));
    QVERIFY(!panel.paused());
    panel.playPause();
    QCOMPARE(face(), QStringLiteral("Play"));
    QVERIFY(panel.paused());
    panel.stop();
    QVERIFY(panel.paused());
    panel.playPause();
    QVERIFY(!panel.paused());
    panel.close();
    QVERIFY(panel.paused());
    QCOMPARE(face(), QStringLiteral("Play"));
  }
};

QTEST_MAIN(PlatformTests)
#include "platform_tests.moc"

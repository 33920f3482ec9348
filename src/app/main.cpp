// brelvano: the desktop window. One instance per user: a second launch hands
// its files to the running window (or only brings it up) and exits.
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>

#include "app/instance_channel.h"
#include "app/main_window.h"
#include "app/panels.h"
#include "app/qt_settings_store.h"
#include "application/brelvano_application.h"
#include "base/log.h"
#include "publish/players.h"

namespace {

// The two lines the application writes to standard output.
class StandardOutput : public brelvano::ConsoleOutput {
 public:
  void write(const std::string& line) override {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Chromium refuses to run its sandbox as root; the test and help pages are ours.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("brelvano"));
  QApplication::setApplicationName(QStringLiteral("brelvano"));
  QApplication::setApplicationVersion(QString::fromLatin1(brelvano::kBrelvanoVersion));
  QApplication::setDesktopFileName(QStringLiteral("brelvano"));
  QApplication::setQuitOnLastWindowClosed(false);

  const QStringList files = brelvano::AbsolutePaths(QApplication::arguments().mid(1));
  QString channelName = qEnvironmentVariable("BRELVANO_INSTANCE");
  if (channelName.isEmpty()) channelName = brelvano::InstanceChannel::defaultName();
  brelvano::InstanceChannel channel(channelName);
  if (channel.handOver(files)) return 0;
  channel.listen();

  brelvano::LogPrintf("Brelvano Build %s %s started\n", brelvano::kBrelvanoBuildDate, "");

  brelvano::QtSettingsStore defaults;
  StandardOutput console;
  const std::string home = QDir::homePath().toStdString();
  brelvano::PlayersFolders folders{
      brelvano::ResourcePlayersFolder(QCoreApplication::applicationFilePath().toStdString()),
      brelvano::CustomPlayersFolder(home)};
  QDir().mkpath(QString::fromStdString(folders.customPlayersDir));
  brelvano::BrelvanoApplication application(defaults, &console, folders);
  brelvano::QtPanels panels;
  brelvano::MainWindow window(application, defaults, panels);

  window.handOver(files);
  QObject::connect(&channel, &brelvano::InstanceChannel::filesHandedOver, &window,
                   &brelvano::MainWindow::handOver);
  QObject::connect(&window, &brelvano::MainWindow::quitAllowed, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  window.show();
  window.finishLaunching();
  return QApplication::exec();
}

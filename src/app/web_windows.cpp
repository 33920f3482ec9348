#include "app/web_windows.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace brelvano {

namespace {
// A test page written without the runtime's script tag still plays: the
// runtime is loaded from the served "ruffle/" folder and takes over the
// player's embed. Pages that load it themselves are left alone.
constexpr const char* kLoadRuntime = R"js(
(function () {
  if (window.RufflePlayer || document.querySelector('script[src*="ruffle"]')) return;
  window.RufflePlayer = { config: { autoplay: "on", unmuteOverlay: "hidden", preferredRenderer: "webgl" } };
  var script = document.createElement("script");
  script.src = "/ruffle/ruffle.js";
  document.head.appendChild(script);
})();
)js";
}  // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new QWebEngineView(this)) {
  setWindowTitle(QStringLiteral("Brelvano Help"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  resize(760, 620);
}

void HelpWindow::showHelp() {
  view_->load(QUrl(QString::fromLatin1(kIndexUrl)));
  show();
  raise();
  activateWindow();
}

PlayerTestWindow::PlayerTestWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new QWebEngineView(this)) {
  setWindowTitle(QStringLiteral("Test in Player"));
  view_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  QWebEngineScript runtime;
  runtime.setName(QStringLiteral("brelvano-runtime"));
  runtime.setSourceCode(QString::fromLatin1(kLoadRuntime));
  runtime.setInjectionPoint(QWebEngineScript::DocumentReady);
  runtime.setWorldId(QWebEngineScript::MainWorld);
  view_->page()->scripts().insert(runtime);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  resize(420, 320);
}

void PlayerTestWindow::setRuntimeFolder(const QString& folder) {
  server_.setFallback(QStringLiteral("ruffle"), folder);
}

bool PlayerTestWindow::showPage(const QString& folder, int width, int height) {
  if (!server_.start()) return false;
  server_.setRoot(folder);
  if (width >= 1 && height >= 1) resize(width + kMargin, height + kMargin);
  // A query makes each test a fresh load of the rewritten playlist.
  static int loads = 0;
  view_->load(QUrl(server_.urlFor(QStringLiteral("index.html?test=%1").arg(++loads))));
  show();
  raise();
  activateWindow();
  return true;
}

}  // namespace brelvano

#include "app/folder_http_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QUrl>

namespace brelvano {

namespace {

// The file below folder for a relative path; empty when the path climbs out
// of the folder or names no file.
QString FileBelow(const QString& folder, const QString& relative) {
  if (folder.isEmpty()) return {};
  const QString base = QDir::cleanPath(QDir(folder).absolutePath());
  const QString full = QDir::cleanPath(base + QLatin1Char('/') + relative);
  if (!full.startsWith(base + QLatin1Char('/'))) return {};
  const QFileInfo info(full);
  return info.isFile() ? info.absoluteFilePath() : QString();
}

}  // namespace

FolderHttpServer::FolderHttpServer() = default;
FolderHttpServer::~FolderHttpServer() = default;

bool FolderHttpServer::start() {
  if (server_) return port_ != 0;
  server_ = std::make_unique<QHttpServer>();
  server_->route(QStringLiteral("/<arg>"), [this](const QUrl& path) {
    const QString file = fileFor(path.path(QUrl::FullyDecoded));
    if (file.isEmpty()) return QHttpServerResponse(QHttpServerResponder::StatusCode::NotFound);
    if (file.endsWith(QStringLiteral(".xml")))
      return QHttpServerResponse(QByteArrayLiteral("text/xml"), contentOf(file));
    return QHttpServerResponse::fromFile(file);
  });
  port_ = server_->listen(QHostAddress::LocalHost, 0);
  return port_ != 0;
}

QString FolderHttpServer::urlFor(const QString& relative) const {
  return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(relative);
}

QString FolderHttpServer::fileFor(const QString& requestPath) const {
  QString relative = requestPath;
  while (relative.startsWith(QLatin1Char('/'))) relative.remove(0, 1);
  if (relative.isEmpty()) relative = QStringLiteral("index.html");
  if (relative.split(QLatin1Char('/')).contains(QStringLiteral(".."))) return {};
  const QString local = QStringLiteral("file/");
  if (relative.startsWith(local)) {
    const QString base = QDir::cleanPath(QDir(localFolder_).absolutePath());
    const QString path = QDir::cleanPath(QLatin1Char('/') + relative.mid(local.size()));
    if (localFolder_.isEmpty() || !path.startsWith(base + QLatin1Char('/'))) return {};
    return FileBelow(base, path.mid(base.size() + 1));
  }
  QString file = FileBelow(root_, relative);
  if (!file.isEmpty()) return file;
  for (auto it = fallbacks_.cbegin(); it != fallbacks_.cend(); ++it) {
    const QString prefix = it.key() + QLatin1Char('/');
    if (relative.startsWith(prefix)) {
      file = FileBelow(it.value(), relative.mid(prefix.size()));
      if (!file.isEmpty()) return file;
    }
  }
  return {};
}

QByteArray FolderHttpServer::contentOf(const QString& file) const {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = in.readAll();
  if (file.endsWith(QStringLiteral(".xml")))
    bytes.replace(QByteArrayLiteral("src=\"file://"), QByteArrayLiteral("src=\"/file"));
  return bytes;
}

}  // namespace brelvano

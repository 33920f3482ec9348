// Serves one folder to the test window's web view over HTTP on 127.0.0.1:
// the Flash runtime does not run in pages loaded from file:// URLs.
#pragma once

#include <QMap>
#include <QString>
#include <memory>

class QHttpServer;

namespace brelvano {

class FolderHttpServer {
 public:
  FolderHttpServer();
  ~FolderHttpServer();

  // Starts listening on a free port of 127.0.0.1 (once); false when it cannot.
  bool start();
  // The folder served at "/"; requests never leave it.
  void setRoot(const QString& folder) { root_ = folder; }
  // A folder served under "/<prefix>/" when the root has no such file
  // (the Flash runtime next to the page).
  void setFallback(const QString& prefix, const QString& folder) { fallbacks_[prefix] = folder; }
  // A folder whose files a test playlist names by file:// URL (the
  // destination's outputs): the page cannot load file:// URLs, so the
  // served playlist names them "/file/<path>" and they are served from here.
  void setLocalFolder(const QString& folder) { localFolder_ = folder; }
  quint16 port() const { return port_; }
  // http://127.0.0.1:<port>/<relative>
  QString urlFor(const QString& relative) const;

  // The file a request path maps to; empty when it is outside the folders or missing.
  QString fileFor(const QString& requestPath) const;
  // What is sent for a file: its bytes, a playlist's file:// URLs made "/file/..." ones.
  QByteArray contentOf(const QString& file) const;

 private:
  std::unique_ptr<QHttpServer> server_;
  QString root_;
  QMap<QString, QString> fallbacks_;
  QString localFolder_;
  quint16 port_ = 0;
};

}  // namespace brelvano

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
  quint16 port() const { return port_; }
  // http://127.0.0.1:<port>/<relative>
  QString urlFor(const QString& relative) const;

  // The file a request path maps to; empty when it is outside the folders or missing.
  QString fileFor(const QString& requestPath) const;

 private:
  std::unique_ptr<QHttpServer> server_;
  QString root_;
  QMap<QString, QString> fallbacks_;
  quint16 port_ = 0;
};

}  // namespace brelvano

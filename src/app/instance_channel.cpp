#include "app/instance_channel.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace brelvano {

namespace {
// One path per line, UTF-8; the sender closes the connection after the last.
QByteArray Encode(const QStringList& files) {
  QByteArray bytes;
  for (const QString& file : files) bytes += file.toUtf8() + '\n';
  return bytes;
}
}  // namespace

QString InstanceChannel::defaultName() {
  // The user's runtime folder where there is one; else a per-user name in /tmp.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
    return QDir(runtime).filePath(QStringLiteral("brelvano.socket"));
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = QDir::home().dirName();
  return QStringLiteral("brelvano-") + user;
}

InstanceChannel::InstanceChannel(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

bool InstanceChannel::handOver(const QStringList& files, int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(Encode(files) + "\n");  // an empty line ends the list
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // The running instance closes its end once it has read the list.
  socket.waitForDisconnected(timeoutMs);
  return true;
}

bool InstanceChannel::listen() {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket left by an instance that crashed: nobody answers it.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return false;
  }
  connect(server_, &QLocalServer::newConnection, this, &InstanceChannel::accept);
  return true;
}

void InstanceChannel::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
      *buffer += socket->readAll();
      if (!buffer->endsWith("\n\n") && *buffer != "\n") return;
      QStringList files;
      for (const QByteArray& line : buffer->split('\n')) {
        if (!line.isEmpty()) files << QString::fromUtf8(line);
      }
      buffer->clear();
      socket->disconnectFromServer();
      emit filesHandedOver(files);
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  }
}

QStringList AbsolutePaths(const QStringList& arguments) {
  QStringList files;
  for (const QString& argument : arguments) files << QFileInfo(argument).absoluteFilePath();
  return files;
}

}  // namespace brelvano

// One Brelvano per user: the first launch listens on a local socket, a later
// launch hands its files (absolute paths, none to only raise the window) to
// it and exits.
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace brelvano {

class InstanceChannel : public QObject {
  Q_OBJECT

 public:
  // The socket name of the user's instance.
  static QString defaultName();

  explicit InstanceChannel(QString name, QObject* parent = nullptr);

  // Sends the files to a running instance; true when one took them.
  bool handOver(const QStringList& files, int timeoutMs = 2000) const;
  // Becomes the running instance; false when the socket cannot be made.
  bool listen();

 signals:
  // A later launch handed these files over (empty: bring the window up).
  void filesHandedOver(const QStringList& files);

 private:
  void accept();

  QString name_;
  QLocalServer* server_ = nullptr;
};

// Command-line files as absolute paths (the running instance has another
// working folder).
QStringList AbsolutePaths(const QStringList& arguments);

}  // namespace brelvano

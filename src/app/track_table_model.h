// The track table's model: one row per track, the texts from the application.
// It follows the application's change notifications (the window forwards
// them), and turns a drop of files into a list of paths for the window.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace brelvano {

class BrelvanoApplication;

class TrackTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Column identifiers in display order, as the track list names them.
  static const QStringList& columnIdentifiers();

  explicit TrackTableModel(const BrelvanoApplication& application, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Drops: every file of a text/uri-list, whatever its kind (the application filters).
  QStringList mimeTypes() const override;
  Qt::DropActions supportedDropActions() const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

  // The application's notifications; rows already changed in the application.
  void tracksInserted(int first, int last);
  void tracksRemoved(int first, int last);
  void tracksChanged(int first, int last);
  void tracksReset();

 signals:
  void filesDropped(const QStringList& paths);

 private:
  void resetIfOutOfStep();

  const BrelvanoApplication& application_;
  int rows_ = 0;  // what the views were last told
};

}  // namespace brelvano

#include "app/track_table_model.h"

#include <QMimeData>
#include <QUrl>

#include "application/brelvano_application.h"

namespace brelvano {

namespace {
const QStringList kHeaders = {"File",   "Status", "Format", "Duration", "Frequency",
                              "Stereo", "bps",    "Title",  "Artist",   "Album"};
}  // namespace

const QStringList& TrackTableModel::columnIdentifiers() {
  static const QStringList identifiers = {"Filename", "Status", "Format", "Duration", "Frequency",
                                          "Stereo",   "bps",    "Title",  "Artist",   "Album"};
  return identifiers;
}

TrackTableModel::TrackTableModel(const BrelvanoApplication& application, QObject* parent)
    : QAbstractTableModel(parent), application_(application), rows_(application.trackCount()) {}

int TrackTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TrackTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columnIdentifiers().size());
}

QVariant TrackTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= application_.trackCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (role == Qt::ToolTipRole) {
    if (index.column() != 0) return {};
    return QString::fromStdString(application_.track(index.row()).filename);
  }
  const std::string id = columnIdentifiers().at(index.column()).toStdString();
  return QString::fromStdString(application_.cellText(id, index.row()));
}

QVariant TrackTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return kHeaders.value(section);
}

Qt::ItemFlags TrackTableModel::flags(const QModelIndex& index) const {
  return QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
}

QStringList TrackTableModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

Qt::DropActions TrackTableModel::supportedDropActions() const {
  return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

bool TrackTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                      const QModelIndex&) const {
  return data != nullptr && data->hasUrls();
}

bool TrackTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                   const QModelIndex&) {
  if (data == nullptr || action == Qt::IgnoreAction || !data->hasUrls()) return false;
  QStringList paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  emit filesDropped(paths);
  return true;
}

void TrackTableModel::tracksInserted(int first, int last) {
  beginInsertRows({}, first, last);
  rows_ += last - first + 1;
  endInsertRows();
  resetIfOutOfStep();
}

void TrackTableModel::tracksRemoved(int first, int last) {
  beginRemoveRows({}, first, last);
  rows_ -= last - first + 1;
  endRemoveRows();
  resetIfOutOfStep();
}

void TrackTableModel::tracksChanged(int first, int last) {
  if (first > last || rows_ == 0) return;
  emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

// A notification that does not add up is answered by a full reset rather
// than by views showing rows that no longer exist.
void TrackTableModel::resetIfOutOfStep() {
  if (rows_ != application_.trackCount()) tracksReset();
}

void TrackTableModel::tracksReset() {
  beginResetModel();
  rows_ = application_.trackCount();
  endResetModel();
}

}  // namespace brelvano

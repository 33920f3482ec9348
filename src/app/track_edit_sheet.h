// The track edit sheet: a window-modal dialog with the file's name and its
// title, artist and album, ending with one of three codes.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brelvano {

class TrackEditSheet : public QDialog {
  Q_OBJECT

 public:
  // The codes the sheet ends with.
  enum Code { kApply = 0, kRestore = 1, kCancel = 2 };

  explicit TrackEditSheet(QWidget* parent);

  // Fills the fields for one row and opens the sheet on its parent.
  void edit(int row, const QString& fileName, const QString& title, const QString& artist,
            const QString& album);
  int row() const { return row_; }

  QLabel* trackName() const { return trackName_; }
  QLineEdit* trackTitle() const { return trackTitle_; }
  QLineEdit* trackArtist() const { return trackArtist_; }
  QLineEdit* trackAlbum() const { return trackAlbum_; }
  QPushButton* applyButton() const { return applyButton_; }
  QPushButton* restoreButton() const { return restoreButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

 private:
  // Escape and the close box cancel (QDialog's own rejection code is 0, the apply code).
  void reject() override { done(kCancel); }

  QLabel* trackName_;
  QLineEdit* trackTitle_;
  QLineEdit* trackArtist_;
  QLineEdit* trackAlbum_;
  QPushButton* applyButton_;
  QPushButton* restoreButton_;
  QPushButton* cancelButton_;
  int row_ = -1;
};

}  // namespace brelvano

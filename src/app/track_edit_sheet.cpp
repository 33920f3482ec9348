#include "app/track_edit_sheet.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brelvano {

TrackEditSheet::TrackEditSheet(QWidget* parent)
    : QDialog(parent),
      trackName_(new QLabel(this)),
      trackTitle_(new QLineEdit(this)),
      trackArtist_(new QLineEdit(this)),
      trackAlbum_(new QLineEdit(this)),
      applyButton_(new QPushButton(QStringLiteral("Apply"), this)),
      restoreButton_(new QPushButton(QStringLiteral("Restore File Tags"), this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(QStringLiteral("Edit Tags"));
  setWindowModality(Qt::WindowModal);
  setMinimumWidth(420);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("File:"), trackName_);
  form->addRow(QStringLiteral("Title:"), trackTitle_);
  form->addRow(QStringLiteral("Artist:"), trackArtist_);
  form->addRow(QStringLiteral("Album:"), trackAlbum_);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(restoreButton_, QDialogButtonBox::ResetRole);
  buttons->addButton(cancelButton_, QDialogButtonBox::RejectRole);
  buttons->addButton(applyButton_, QDialogButtonBox::AcceptRole);
  applyButton_->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  connect(applyButton_, &QPushButton::clicked, this, [this] { done(kApply); });
  connect(restoreButton_, &QPushButton::clicked, this, [this] { done(kRestore); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { done(kCancel); });
}

void TrackEditSheet::edit(int row, const QString& fileName, const QString& title,
                          const QString& artist, const QString& album) {
  row_ = row;
  trackName_->setText(fileName);
  trackTitle_->setText(title);
  trackArtist_->setText(artist);
  trackAlbum_->setText(album);
  trackTitle_->setFocus();
  open();
}

}  // namespace brelvano

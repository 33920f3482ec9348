#include "app/progress_panel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/conversion_abort.h"

namespace brelvano {

namespace {
// QProgressBar holds int; byte offsets of large files are scaled to per mille.
constexpr int kFileBarMaximum = 1000;
}  // namespace

ProgressPanel::ProgressPanel(QWidget* parent)
    : QDialog(parent),
      tracksBar_(new QProgressBar(this)),
      fileBar_(new QProgressBar(this)),
      currentFile_(new QLabel(this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(QStringLiteral("Converting"));
  // Application-modal: while the batch runs only Cancel reaches the window.
  setWindowModality(Qt::ApplicationModal);
  setMinimumWidth(420);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(currentFile_);
  layout->addWidget(fileBar_);
  layout->addWidget(tracksBar_);
  layout->addWidget(cancelButton_, 0, Qt::AlignRight);
  fileBar_->setRange(0, kFileBarMaximum);
  connect(cancelButton_, &QPushButton::clicked, this, &ProgressPanel::cancel);
}

void ProgressPanel::begin() {
  tracksBar_->setValue(0);
  fileBar_->setValue(0);
  currentFile_->clear();
  converted_ = 0;
  conversionAbort().set(-1);
  show();
  pump(true);
}

void ProgressPanel::end() { hide(); }

void ProgressPanel::batchStarted(int32_t trackCount) {
  tracksBar_->setRange(0, std::max<int32_t>(trackCount, 1));
  tracksBar_->setValue(0);
  converted_ = 0;
  pump(true);
}

void ProgressPanel::trackStarted(int32_t, const _mp3entry& entry, const std::string&) {
  currentFile_->setText(QString::fromStdString(entry.filename));
  fileBar_->setValue(0);
  pump(true);
}

void ProgressPanel::fileProgress(int64_t position, int64_t total) {
  const int value = total > 0 ? static_cast<int>(std::clamp<int64_t>(
                                    position * kFileBarMaximum / total, 0, kFileBarMaximum))
                              : 0;
  fileBar_->setValue(value);
  pump(position == 0);
}

void ProgressPanel::trackFinished(int32_t, const _mp3entry&, const std::string&, bool skipped) {
  // The bar counts converted tracks; skipped ones do not advance it.
  if (!skipped) tracksBar_->setValue(++converted_);
  pump(true);
}

void ProgressPanel::cancel() {
  // While idle the panel just closes; while converting the batch stops after
  // the track in work and the publish command closes the panel.
  if (convertCancel()) hide();
}

void ProgressPanel::reject() { cancel(); }

void ProgressPanel::pump(bool now) {
  if (!now && sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  sincePump_.start();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  emit pumped();
}

}  // namespace brelvano

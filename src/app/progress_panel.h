// The conversion progress panel: a bar over the tracks, a bar over the file
// in work, its name and Cancel. The batch runs on the window's thread; the
// panel keeps the window alive by handling pending events from the progress
// reports (at most every kPumpIntervalMs), the way a modal session does.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include "convert/batch.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace brelvano {

class ProgressPanel : public QDialog, public ConversionObserver {
  Q_OBJECT

 public:
  static constexpr int kPumpIntervalMs = 40;

  explicit ProgressPanel(QWidget* parent);

  // Shows the panel with both bars at 0 and no file; the cancel flag says
  // "panel up, nothing running".
  void begin();
  // Hides it again.
  void end();

  void batchStarted(int32_t trackCount) override;
  void trackStarted(int32_t index, const _mp3entry& entry, const std::string& outPath) override;
  void fileProgress(int64_t position, int64_t total) override;
  void trackFinished(int32_t index, const _mp3entry& entry, const std::string& outPath,
                     bool skipped) override;

  QProgressBar* tracksBar() const { return tracksBar_; }
  QProgressBar* fileBar() const { return fileBar_; }
  QLabel* currentFile() const { return currentFile_; }
  QPushButton* cancelButton() const { return cancelButton_; }

 signals:
  // Emitted on each pump, so tests can act while a batch runs.
  void pumped();

 private:
  void cancel();
  void pump(bool now);
  void reject() override;  // Escape and the close box cancel as well

  QProgressBar* tracksBar_;
  QProgressBar* fileBar_;
  QLabel* currentFile_;
  QPushButton* cancelButton_;
  QElapsedTimer sincePump_;
  int32_t converted_ = 0;
};

}  // namespace brelvano

// The audio preview panel: the track's file name, play/pause and stop.
#pragma once

#include <QWidget>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QToolButton;

namespace brelvano {

class AudioPanel : public QWidget {
  Q_OBJECT

 public:
  explicit AudioPanel(QWidget* parent = nullptr);
  ~AudioPanel() override;

  // Brings the panel up and plays the file from its start.
  void listen(const QString& path);
  void playPause();
  void stop();

  // Paused, stopped or finished: the button shows the play face.
  bool paused() const { return paused_; }
  QMediaPlayer* player() const { return player_; }
  QLabel* fileName() const { return fileName_; }
  QToolButton* playPauseButton() const { return playPauseButton_; }
  QToolButton* stopButton() const { return stopButton_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void showFace(bool playFace);
  void finished();

  QMediaPlayer* player_;
  QAudioOutput* output_;
  QLabel* fileName_;
  QToolButton* playPauseButton_;
  QToolButton* stopButton_;
  bool paused_ = true;
  bool hasSound_ = false;
};

}  // namespace brelvano

#include "app/audio_panel.h"

#include <QAudioOutput>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QStyle>
#include <QToolButton>
#include <QUrl>

namespace brelvano {

AudioPanel::AudioPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool),
      player_(new QMediaPlayer(this)),
      output_(new QAudioOutput(this)),
      fileName_(new QLabel(this)),
      playPauseButton_(new QToolButton(this)),
      stopButton_(new QToolButton(this)) {
  setWindowTitle(QStringLiteral("Listen"));
  player_->setAudioOutput(output_);
  stopButton_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  stopButton_->setToolTip(QStringLiteral("Stop"));
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(playPauseButton_);
  layout->addWidget(stopButton_);
  layout->addWidget(fileName_, 1);
  setMinimumWidth(320);
  showFace(true);
  connect(playPauseButton_, &QToolButton::clicked, this, &AudioPanel::playPause);
  connect(stopButton_, &QToolButton::clicked, this, &AudioPanel::stop);
  connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
    if (s == QMediaPlayer::EndOfMedia) finished();
  });
}

AudioPanel::~AudioPanel() { player_->stop(); }

void AudioPanel::listen(const QString& path) {
  show();
  raise();
  player_->stop();
  player_->setSource(QUrl::fromLocalFile(path));
  hasSound_ = true;
  fileName_->setText(QFileInfo(path).fileName());
  player_->play();
  showFace(false);
  paused_ = false;
}

void AudioPanel::playPause() {
  if (!hasSound_) return;
  if (paused_) {
    // Stopped or finished: from the start; paused: from where it was.
    if (player_->playbackState() == QMediaPlayer::StoppedState) player_->setPosition(0);
    player_->play();
    showFace(false);
    paused_ = false;
  } else {
    player_->pause();
    showFace(true);
    paused_ = true;
  }
}

void AudioPanel::stop() {
  if (player_->playbackState() != QMediaPlayer::StoppedState) {
    player_->stop();
    showFace(true);
  }
  paused_ = true;
}

void AudioPanel::finished() {
  showFace(true);
  paused_ = true;
}

void AudioPanel::closeEvent(QCloseEvent* event) {
  if (hasSound_) {
    player_->stop();
    showFace(true);
    paused_ = true;
  }
  QWidget::closeEvent(event);
}

void AudioPanel::showFace(bool playFace) {
  playPauseButton_->setIcon(
      style()->standardIcon(playFace ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
  playPauseButton_->setToolTip(playFace ? QStringLiteral("Play") : QStringLiteral("Pause"));
}

}  // namespace brelvano

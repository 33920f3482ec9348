// A main window over a real application layer with settings in a temporary
// file, its panels and alerts answered by the test.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <memory>

#include "app/main_window.h"
#include "app/panels.h"
#include "app/qt_settings_store.h"
#include "application/brelvano_application.h"

namespace brelvano {

// Answers panels from queues (an empty queue answers "Cancel") and records
// what was asked.
class ScriptedPanels : public Panels {
 public:
  std::deque<std::optional<PanelChoice>> files, projectsToOpen, projectsToSave;
  std::deque<std::optional<QString>> folders;
  std::deque<SaveChangesAnswer> saveChanges;
  std::vector<AlertText> alerts;
  QStringList startFolders;
  int saveChangesAsked = 0;

  std::optional<PanelChoice> chooseMp3Files(QWidget*, const QString& start) override {
    return Next(files, start);
  }
  std::optional<QString> chooseDestinationFolder(QWidget*, const QString& start) override {
    return Next(folders, start);
  }
  std::optional<PanelChoice> chooseProjectToOpen(QWidget*, const QString& start) override {
    return Next(projectsToOpen, start);
  }
  std::optional<PanelChoice> chooseProjectToSave(QWidget*, const QString& start) override {
    return Next(projectsToSave, start);
  }
  SaveChangesAnswer askSaveChanges(QWidget*) override {
    ++saveChangesAsked;
    if (saveChanges.empty()) return SaveChangesAnswer::kCancel;
    const SaveChangesAnswer answer = saveChanges.front();
    saveChanges.pop_front();
    return answer;
  }
  void showAlert(QWidget*, const AlertText& alert) override { alerts.push_back(alert); }

  QStringList alertMessages() const {
    QStringList messages;
    for (const AlertText& a : alerts) messages << QString::fromStdString(a.message);
    return messages;
  }

 private:
  template <typename T>
  std::optional<T> Next(std::deque<std::optional<T>>& queue, const QString& start) {
    startFolders << start;
    if (queue.empty()) return std::nullopt;
    const bool chosen = queue.front().has_value();
    T value = chosen ? std::move(*queue.front()) : T();
    queue.pop_front();
    if (!chosen) return std::nullopt;
    return value;
  }
};

inline PanelChoice Choice(const QString& path) {
  return PanelChoice{{path}, QFileInfo(path).absolutePath()};
}

// Everything a window test needs, in a fresh temporary home.
struct WindowHarness {
  QTemporaryDir home;
  std::unique_ptr<QtSettingsStore> defaults;
  ScriptedPanels panels;
  std::unique_ptr<BrelvanoApplication> application;
  std::unique_ptr<MainWindow> window;
  QStringList openedUrls;

  explicit WindowHarness(const QString& playersDir = QStringLiteral(BRELVANO_PLAYERS)) {
    defaults = std::make_unique<QtSettingsStore>(home.filePath(QStringLiteral("settings.conf")));
    QDir(home.path()).mkpath(QStringLiteral("custom"));
    application = std::make_unique<BrelvanoApplication>(
        *defaults, nullptr,
        PlayersFolders{playersDir.toStdString(),
                       home.filePath(QStringLiteral("custom")).toStdString()});
    window = std::make_unique<MainWindow>(*application, *defaults, panels);
    window->setUrlOpener([this](const QUrl& url) { openedUrls << url.toString(); });
  }
  ~WindowHarness() { window.reset(); }

  // A copy of a sample MP3 under a name of the test's choosing.
  QString sample(const QString& name,
                 const QString& sampleName = QStringLiteral("hum_11025_mono.mp3")) {
    const QString path = home.filePath(name);
    QFile::copy(QStringLiteral(BRELVANO_SAMPLES "/") + sampleName, path);
    return path;
  }
};

}  // namespace brelvano

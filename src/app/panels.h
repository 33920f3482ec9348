// The questions the window asks the user: file panels and alerts. The window
// reaches them only through Panels, so tests answer them without a dialog.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "application/brelvano_application.h"

class QWidget;

namespace brelvano {

// What a file panel closed with: the chosen paths and the folder it showed last.
struct PanelChoice {
  QStringList paths;
  QString folder;
};

enum class SaveChangesAnswer { kSave, kDontSave, kCancel };

class Panels {
 public:
  virtual ~Panels() = default;
  // "Select MP3 files": several files of type mp3.
  virtual std::optional<PanelChoice> chooseMp3Files(QWidget* parent,
                                                    const QString& startFolder) = 0;
  // "Select destination Folder": one folder, new folders allowed.
  virtual std::optional<QString> chooseDestinationFolder(QWidget* parent,
                                                         const QString& startFolder) = 0;
  // "Select a Brelvano project": one file of type brv.
  virtual std::optional<PanelChoice> chooseProjectToOpen(QWidget* parent,
                                                         const QString& startFolder) = 0;
  // "Save project": the path always ends in ".brv".
  virtual std::optional<PanelChoice> chooseProjectToSave(QWidget* parent,
                                                         const QString& startFolder) = 0;
  // "Save changes?" with Save (default), Don't Save and Cancel.
  virtual SaveChangesAnswer askSaveChanges(QWidget* parent) = 0;
  // A modal alert with one button.
  virtual void showAlert(QWidget* parent, const AlertText& alert) = 0;
};

// The panels as QFileDialog and QMessageBox.
class QtPanels : public Panels {
 public:
  std::optional<PanelChoice> chooseMp3Files(QWidget* parent, const QString& startFolder) override;
  std::optional<QString> chooseDestinationFolder(QWidget* parent,
                                                 const QString& startFolder) override;
  std::optional<PanelChoice> chooseProjectToOpen(QWidget* parent,
                                                 const QString& startFolder) override;
  std::optional<PanelChoice> chooseProjectToSave(QWidget* parent,
                                                 const QString& startFolder) override;
  SaveChangesAnswer askSaveChanges(QWidget* parent) override;
  void showAlert(QWidget* parent, const AlertText& alert) override;
};

// The start folder of a panel: the stored one, else "~/Music" or "~/Desktop"
// (fallback below the home folder), else the home folder when that is missing.
QString PanelStartFolder(const std::optional<std::string>& stored, const QString& fallbackInHome);

}  // namespace brelvano

#include "app/panels.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace brelvano {

namespace {

std::optional<PanelChoice> Run(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return PanelChoice{dialog.selectedFiles(), dialog.directory().absolutePath()};
}

}  // namespace

std::optional<PanelChoice> QtPanels::chooseMp3Files(QWidget* parent, const QString& startFolder) {
  QFileDialog dialog(parent, QStringLiteral("Select MP3 files"), startFolder,
                     QStringLiteral("MP3 files (*.mp3)"));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  return Run(dialog);
}

std::optional<QString> QtPanels::chooseDestinationFolder(QWidget* parent,
                                                         const QString& startFolder) {
  QFileDialog dialog(parent, QStringLiteral("Select destination Folder"), startFolder);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  const auto choice = Run(dialog);
  if (!choice) return std::nullopt;
  return choice->paths.first();
}

std::optional<PanelChoice> QtPanels::chooseProjectToOpen(QWidget* parent,
                                                         const QString& startFolder) {
  QFileDialog dialog(parent, QStringLiteral("Select a Brelvano project"), startFolder,
                     QStringLiteral("Brelvano projects (*.brv)"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Run(dialog);
}

std::optional<PanelChoice> QtPanels::chooseProjectToSave(QWidget* parent,
                                                         const QString& startFolder) {
  QFileDialog dialog(parent, QStringLiteral("Save project"), startFolder,
                     QStringLiteral("Brelvano projects (*.brv)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("brv"));
  auto choice = Run(dialog);
  // The required type: a name typed with another extension still gets ".brv".
  if (choice && !choice->paths.first().endsWith(QStringLiteral(".brv")))
    choice->paths.first() += QStringLiteral(".brv");
  return choice;
}

SaveChangesAnswer QtPanels::askSaveChanges(QWidget* parent) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Save changes?"),
                  QStringLiteral("Save changes?"), QMessageBox::NoButton, parent);
  box.setInformativeText(QStringLiteral("Project has been modified since last save action."));
  QPushButton* save = box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
  QPushButton* dontSave = box.addButton(QStringLiteral("Don't Save"), QMessageBox::DestructiveRole);
  box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.exec();
  if (box.clickedButton() == save) return SaveChangesAnswer::kSave;
  if (box.clickedButton() == dontSave) return SaveChangesAnswer::kDontSave;
  return SaveChangesAnswer::kCancel;
}

void QtPanels::showAlert(QWidget* parent, const AlertText& alert) {
  const auto icon =
      alert.style == AlertStyle::kCritical ? QMessageBox::Critical : QMessageBox::Information;
  const QString message = QString::fromStdString(alert.message);
  QMessageBox box(icon, message, message, QMessageBox::NoButton, parent);
  QString informative = QString::fromStdString(alert.informative);
  if (!alert.reason.empty()) {
    if (!informative.isEmpty()) informative += QStringLiteral("\n\n");
    informative += QString::fromStdString(alert.reason);
  }
  box.setInformativeText(informative);
  box.addButton(alert.button.empty() ? QStringLiteral("Ok") : QString::fromStdString(alert.button),
                QMessageBox::AcceptRole);
  box.exec();
}

QString PanelStartFolder(const std::optional<std::string>& stored, const QString& fallbackInHome) {
  if (stored && !stored->empty()) return QString::fromStdString(*stored);
  const QString wanted = QDir::home().filePath(fallbackInHome);
  return QFileInfo(wanted).isDir() ? wanted : QDir::homePath();
}

}  // namespace brelvano

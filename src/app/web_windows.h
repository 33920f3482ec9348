// The two web windows: help pages from the program's resources, and the
// player test page served from the test folder.
#pragma once

#include <QWidget>

#include "app/folder_http_server.h"

class QWebEngineView;

namespace brelvano {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kIndexUrl = "qrc:/help/index.html";
  explicit HelpWindow(QWidget* parent = nullptr);
  void showHelp();
  QWebEngineView* view() const { return view_; }

 private:
  QWebEngineView* view_;
};

class PlayerTestWindow : public QWidget {
  Q_OBJECT
 public:
  // The margin around the player's frame.
  static constexpr int kMargin = 20;
  explicit PlayerTestWindow(QWidget* parent = nullptr);

  // Serves folder and shows its index.html; a frame size of at least 1x1
  // sizes the view to it plus the margin, else the window keeps its size.
  bool showPage(const QString& folder, int width, int height);
  // Where the page's "ruffle/" files come from when the folder has none.
  void setRuntimeFolder(const QString& folder);
  // The folder of the tracks the test playlist names by file:// URL.
  void setTracksFolder(const QString& folder) { server_.setLocalFolder(folder); }
  QWebEngineView* view() const { return view_; }
  const FolderHttpServer& server() const { return server_; }

 private:
  QWebEngineView* view_;
  FolderHttpServer server_;
};

}  // namespace brelvano

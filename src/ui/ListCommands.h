#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>

class IUserPrompts;
class QAction;
class QListView;
class QMenu;
class QWidget;
class TConnectionDriver;
class TFile;
class TPage;
class TPages;

// The commands of a page's directory list: its context menu, the keys that
// work while the list has the focus (Enter, F2, Delete), and Refresh and Go
// to Folder, which the window's menus carry. The questions are asked here,
// before the core is called; what is sent, and what the answers mean, is
// TFileCommands'.
class TListCommands : public QObject {
 public:
  struct THooks {
    std::function<IUserPrompts&()> Prompts;
    // Open the selected entry, asking first about the page's unsaved text.
    std::function<void()> OpenSelected;
    // Local files to upload into Page's folder, as a drop does.
    std::function<void(TPage* Page, const QStringList& Files)> Upload;
  };

  TListCommands(QWidget& Window, TPages& Pages, TConnectionDriver& Driver, QAction& Refresh,
                QAction& GoToFolder, THooks Hooks);

  // The list's own commands; the window reaches them by these names too.
  QAction* OpenAction;
  QAction* NewFileAction;
  QAction* NewFolderAction;
  QAction* RenameAction;
  QAction* DeleteAction;
  QAction* CopyPathAction;
  QAction* DownloadCopyAction;
  QAction* UploadFilesAction;

  // Gives Page's list its context menu and keys.
  void Wire(TPage* Page);
  // Enables what the front page's list and the connection allow.
  void Update();
  // The context menu as it would open now.
  QMenu* ContextMenu() const { return FMenu; }

  void Refresh();
  void GoToFolder();
  void NewFile();
  void NewFolder();
  void Rename();
  void Delete();
  void CopyPath();
  void DownloadCopy();
  void UploadFiles();

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  QAction* Make(const QString& Name, const QString& Text, const QKeySequence& Key = {});
  // The front page and the entry selected in its list, when the list shows
  // one that a command can act on ("..", the way up, is not one).
  TPage* Page() const;
  const TFile* Selected() const;
  void Refused(const QString& Text);
  IUserPrompts& Prompts() const { return FHooks.Prompts(); }

  QWidget& FWindow;
  TPages& FPages;
  TConnectionDriver& FDriver;
  QAction& FRefresh;
  QAction& FGoToFolder;
  THooks FHooks;
  QMenu* FMenu;
};

#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;

// The main window's commands as the user finds them: each action with its
// text, shortcut and icon, the menus and the toolbar. What a command does
// is the window's; tests and the window reach the actions by these names.
class TMainActions {
 public:
  TMainActions(const TMainActions&) = delete;
  TMainActions& operator=(const TMainActions&) = delete;

  QAction* ConnectAction;
  QAction* OpenAction;
  QAction* SaveAction;
  QAction* CloseTabAction;
  QAction* NewAction;
  QAction* PrintAction;
  QAction* ExitAction;
  QAction* CutAction;
  QAction* CopyAction;
  QAction* PasteAction;
  QAction* SelectAllAction;
  QAction* UndoAction;
  QAction* DeleteAction;
  QAction* FindAction;
  QAction* ReplaceAction;
  QAction* FindNextAction;
  QAction* FindPreviousAction;
  QAction* GoToLineAction;
  QAction* RedoAction;
  QAction* ViewLineNumbersAction;
  QAction* WrapLinesAction;
  QAction* FontAction;
  QAction* ShowConnectDialogAction;
  QAction* AboutAction;
  QAction* ViewDebugLogAction;
  // The list's folder: list it again, or go to one by its path.
  QAction* RefreshAction;
  QAction* GoToFolderAction;
  QToolBar* ToolBar;
  // View > Language: one checkable action per language, its data the
  // TLanguage as an int; the group keeps one checked.
  QMenu* LanguageMenu;
  QActionGroup* LanguageGroup;

  // The Connect command's look: "Connect to Server..." or "Disconnect",
  // with the icon of each (ConnectImage, DisconnectImage).
  static constexpr int ConnectImage = 0;
  static constexpr int DisconnectImage = 12;
  void ShowConnected(bool Connected);
  int ConnectActionImageIndex() const { return FConnectImageIndex; }

 protected:
  explicit TMainActions(QMainWindow& Window) : FWindow(Window) {}
  // Makes the actions, the menus (returning the Edit menu, whose commands
  // are brought up to date when it opens) and the toolbar.
  QMenu* CreateAll();

 private:
  QAction* MakeAction(const QString& Name, const QString& Text, const QKeySequence& Shortcut,
                      const QString& Hint = QString(), const QString& IconName = QString());
  void CreateActions();
  QMenu* CreateMenus();
  void CreateToolBar();
  void CreateLanguageMenu(QMenu* View);

  QMainWindow& FWindow;
  int FConnectImageIndex = ConnectImage;
};

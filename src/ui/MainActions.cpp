#include "ui/MainActions.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

#include "remote/editing/LanguageTable.h"
#include "ui/Icons.h"

QMenu* TMainActions::CreateAll() {
  CreateActions();
  QMenu* edit = CreateMenus();
  CreateToolBar();
  return edit;
}

QAction* TMainActions::MakeAction(const QString& Name, const QString& Text,
                                  const QKeySequence& Shortcut, const QString& Hint,
                                  const QString& IconName) {
  auto* action = new QAction(Text, &FWindow);
  action->setObjectName(Name);
  action->setShortcut(Shortcut);
  if (!Hint.isEmpty()) {
    // "Short|Long": the short text is the tooltip, the long one the status tip.
    action->setToolTip(Hint.section('|', 0, 0));
    action->setStatusTip(Hint.section('|', 1));
  }
  if (!IconName.isEmpty()) action->setIcon(Icons::Get(IconName));
  FWindow.addAction(action);
  return action;
}

void TMainActions::CreateActions() {
  ConnectAction = MakeAction("ConnectAction", "&Connect to Server...", {}, {}, "network-connect");
  OpenAction = MakeAction("OpenAction", "&Open...", QKeySequence("Ctrl+O"),
                          "Open|Opens an existing file", "document-open");
  SaveAction = MakeAction("SaveAction", "&Save", QKeySequence("Ctrl+S"), {}, "document-save");
  CloseTabAction = MakeAction("CloseTabAction", "C&lose Tab", QKeySequence("Ctrl+W"));
  NewAction = MakeAction("NewAction", "&New", QKeySequence("Ctrl+T"), {}, "document-new");
  PrintAction = MakeAction("PrintAction", "&Print...", {});
  ExitAction = MakeAction("ExitAction", "&Exit", {}, {}, "application-exit");
  CutAction = MakeAction("CutAction", "Cu&t", QKeySequence("Ctrl+X"),
                         "Cut|Cuts the selection and puts it on the Clipboard", "edit-cut");
  CopyAction = MakeAction("CopyAction", "&Copy", QKeySequence("Ctrl+C"),
                          "Copy|Copies the selection and puts it on the Clipboard", "edit-copy");
  PasteAction = MakeAction("PasteAction", "&Paste", QKeySequence("Ctrl+V"),
                           "Paste|Inserts Clipboard contents", "edit-paste");
  SelectAllAction = MakeAction("SelectAllAction", "Select &All", QKeySequence("Ctrl+A"),
                               "Select All|Selects the entire document");
  UndoAction = MakeAction("UndoAction", "&Undo", QKeySequence("Ctrl+Z"),
                          "Undo|Reverts the last action", "edit-undo");
  DeleteAction = MakeAction("DeleteAction", "&Delete", QKeySequence(Qt::Key_Delete),
                            "Delete|Erases the selection");
  FindAction = MakeAction("FindAction", "&Find...", QKeySequence("Ctrl+F"));
  ReplaceAction = MakeAction("ReplaceAction", "R&eplace...", QKeySequence("Ctrl+H"),
                             "Replace|Finds text and replaces it", "edit-find-replace");
  FindNextAction = MakeAction("FindNextAction", "Find &Next", QKeySequence(Qt::Key_F3));
  FindPreviousAction =
      MakeAction("FindPreviousAction", "Find Pre&vious", QKeySequence(Qt::SHIFT | Qt::Key_F3));
  GoToLineAction = MakeAction("GoToLineAction", "&Go to Line...", QKeySequence("Ctrl+G"));
  RedoAction = MakeAction("RedoAction", "&Redo", QKeySequence("Ctrl+Y"),
                          "Redo|Does again what Undo reverted", "edit-redo");
  RedoAction->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
  ViewLineNumbersAction = MakeAction("ViewLineNumbersAction", "&Line Numbers", {});
  WrapLinesAction = MakeAction("WrapLinesAction", "&Wrap Long Lines", {});
  FontAction = MakeAction("FontAction", "&Font...", {});
  ShowConnectDialogAction =
      MakeAction("ShowConnectDialogAction", "&Show Connect Dialog on Startup", {});
  AboutAction = MakeAction("AboutAction", "&About...", {});
  ViewDebugLogAction =
      MakeAction("ViewDebugLogAction", "ViewDebugLogAction", QKeySequence("Ctrl+Alt+D"));

  RefreshAction = MakeAction("RefreshAction", "&Refresh", QKeySequence(Qt::Key_F5),
                             "Refresh|Lists the folder again", "view-refresh");
  GoToFolderAction = MakeAction("GoToFolderAction", "&Go to Folder...", QKeySequence("Ctrl+L"),
                                "Go to Folder|Opens a folder by its path");

  for (QAction* action : {ViewLineNumbersAction, WrapLinesAction, ShowConnectDialogAction})
    action->setCheckable(true);
  // Commands without a handler of their own.
  PrintAction->setEnabled(false);
  RedoAction->setEnabled(false);  // until an editor can redo
  SaveAction->setEnabled(false);
}

QMenu* TMainActions::CreateMenus() {
  QMenu* file = FWindow.menuBar()->addMenu("&File");
  file->addActions({ConnectAction, OpenAction, SaveAction, CloseTabAction, NewAction,
                    GoToFolderAction, PrintAction, ExitAction});
  QMenu* edit = FWindow.menuBar()->addMenu("&Edit");
  edit->addActions(
      {CutAction, CopyAction, PasteAction, SelectAllAction, UndoAction, RedoAction, DeleteAction});
  edit->addSeparator();
  edit->addActions({FindAction, ReplaceAction, FindNextAction, FindPreviousAction, GoToLineAction});
  QMenu* view = FWindow.menuBar()->addMenu("&View");
  view->addActions({RefreshAction, ViewLineNumbersAction, WrapLinesAction});
  CreateLanguageMenu(view);
  FWindow.menuBar()->addMenu("&Settings")->addActions({FontAction, ShowConnectDialogAction});
  FWindow.menuBar()->addMenu("&Help")->addAction(AboutAction);
  return edit;
}

void TMainActions::CreateLanguageMenu(QMenu* View) {
  LanguageMenu = View->addMenu("L&anguage");
  LanguageMenu->setObjectName("LanguageMenu");
  LanguageGroup = new QActionGroup(&FWindow);
  for (const TLanguage language : TLanguageTable::All()) {
    QAction* action = LanguageMenu->addAction(TLanguageTable::Name(language));
    action->setCheckable(true);
    action->setData(int(language));
    LanguageGroup->addAction(action);
    if (language == TLanguage::None) LanguageMenu->addSeparator();
  }
}

void TMainActions::CreateToolBar() {
  ToolBar = FWindow.addToolBar(QObject::tr("Toolbar"));
  ToolBar->setObjectName("ToolBar");
  ToolBar->setMovable(false);
  ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->addActions({ConnectAction, RefreshAction});
  ToolBar->addSeparator();
  ToolBar->addActions({NewAction, OpenAction, SaveAction});
  ToolBar->addSeparator();
  ToolBar->addActions({CutAction, CopyAction, PasteAction, UndoAction, RedoAction});
  ToolBar->addSeparator();
  ToolBar->addAction(ExitAction);
}

void TMainActions::ShowConnected(bool Connected) {
  const QString caption = Connected ? "Disconnect" : "Connect to Server...";
  // The menu marks the first letter as the accelerator, as it does for
  // "&Connect to Server...".
  ConnectAction->setText("&" + caption);
  ConnectAction->setToolTip(caption);
  FConnectImageIndex = Connected ? DisconnectImage : ConnectImage;
  ConnectAction->setIcon(Icons::Get(Connected ? "network-disconnect" : "network-connect"));
}
